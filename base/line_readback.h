#pragma once
// What a serial driver kept of the line it was asked for. Drivers take a frame they cannot make
// without an error (a pseudo-terminal stays at 8 bits without parity, some USB adapters have no
// mark parity or 5-bit frames), so the port reads its settings back after every change and
// reports what it kept, with one line for each setting the driver did not take.
#include <string>
#include <vector>

#include "base/messages.h"
#include "platform/line_settings.h"

namespace vexa {

enum class LineField { speed, data_bits, parity, stop_bits, flow };

// One setting the driver did not take: the values as numbers (Parity and FlowControl as their
// enumerators).
struct LineDifference {
  LineField field = LineField::speed;
  long asked = 0;
  long kept = 0;
  bool operator==(const LineDifference&) const = default;
};

// The settings of asked (at speed) that kept differs in, in the order of LineField.
std::vector<LineDifference> line_differences(long speed, const LineSettings& asked, const AppliedLine& kept);

// The words of the values, as the line settings dialog offers them.
std::string parity_word(Parity parity, const Messages& messages);
std::string flow_word(FlowControl flow, const Messages& messages);
// "The port did not take parity even: it kept none." in the current language.
std::string line_difference_text(const LineDifference& difference, const Messages& messages);

}  // namespace vexa
