#pragma once
// The line settings dialog as a form: speed, data bits, parity, stop bits and flow control as
// choices, and a line that shows what the port took, read back from its driver after each
// Apply. The desktop shows it modally and feeds its clicks back.
#include <functional>
#include <optional>
#include <string>

#include "base/form.h"
#include "base/messages.h"
#include "platform/line_settings.h"

namespace vexa {

inline constexpr int kLineSpeedId = 1301;
inline constexpr int kLineDataBitsId = 1302;
inline constexpr int kLineParityId = 1303;
inline constexpr int kLineStopBitsId = 1304;
inline constexpr int kLineFlowId = 1305;
inline constexpr int kLineTakenId = 1306;
inline constexpr int kLineApplyId = 1307;
inline constexpr int kLineOkId = 1308;
inline constexpr int kLineCancelId = 1309;
// The controls reach to x 400 and y 220.
inline constexpr int kLineDialogWidth = 410;
inline constexpr int kLineDialogHeight = 230;

// A speed and a frame; no frame is the boards' plain 8N1 (and the settings stay empty).
struct LineChoice {
  long speed = 9600;
  std::optional<LineSettings> line;
  bool operator==(const LineChoice&) const = default;
};

class LineSettingsForm {
 public:
  // Opens with the choice in force.
  LineSettingsForm(const Messages& messages, const LineChoice& current);

  Form& form() { return form_; }
  const Form& form() const { return form_; }
  const std::string& caption() const { return caption_; }

  // The choice the controls show; nothing when the speed field holds no speed.
  std::optional<LineChoice> choice() const;

  enum class Outcome { open, close };
  // A click. Apply and OK hand the choice to apply, which answers what the port took, shown in
  // the taken line; OK then closes unless the choice could not be read. Cancel closes.
  using Apply = std::function<std::string(const LineChoice&)>;
  Outcome click(int id, const Apply& apply);

 private:
  bool apply_choice(const Apply& apply);

  const Messages& messages_;
  Form form_;
  std::string caption_;
};

}  // namespace vexa
