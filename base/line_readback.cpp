#include "base/line_readback.h"

#include "base/text_format.h"

namespace vexa {

namespace {

const char* parity_key(Parity parity) {
  switch (parity) {
    case Parity::none: return "VtParityNone";
    case Parity::odd: return "VtParityOdd";
    case Parity::even: return "VtParityEven";
    case Parity::mark: return "VtParityMark";
    case Parity::space: return "VtParitySpace";
  }
  return "VtParityNone";
}

const char* field_key(LineField field) {
  switch (field) {
    case LineField::speed: return "VtLineSpeed";
    case LineField::data_bits: return "VtLineDataBits";
    case LineField::parity: return "VtLineParity";
    case LineField::stop_bits: return "VtLineStopBits";
    case LineField::flow: return "VtLineFlow";
  }
  return "VtLineSpeed";
}

std::string value_text(LineField field, long value, const Messages& messages) {
  if (field == LineField::parity) return parity_word(static_cast<Parity>(value), messages);
  if (field == LineField::flow) return flow_word(static_cast<FlowControl>(value), messages);
  return std::to_string(value);
}

}  // namespace

std::vector<LineDifference> line_differences(long speed, const LineSettings& asked, const AppliedLine& kept) {
  std::vector<LineDifference> differences;
  auto compare = [&](LineField field, long want, long got) {
    if (want != got) differences.push_back({field, want, got});
  };
  compare(LineField::speed, speed, kept.speed);
  compare(LineField::data_bits, asked.data_bits, kept.settings.data_bits);
  compare(LineField::parity, static_cast<long>(asked.parity), static_cast<long>(kept.settings.parity));
  compare(LineField::stop_bits, asked.stop_bits, kept.settings.stop_bits);
  compare(LineField::flow, static_cast<long>(asked.flow), static_cast<long>(kept.settings.flow));
  return differences;
}

std::string parity_word(Parity parity, const Messages& messages) { return messages.message(parity_key(parity)); }

std::string flow_word(FlowControl flow, const Messages& messages) {
  switch (flow) {
    case FlowControl::rts_cts: return "RTS/CTS";
    case FlowControl::xon_xoff: return "XON/XOFF";
    case FlowControl::none: break;
  }
  return messages.message("VtFlowNone");
}

std::string line_difference_text(const LineDifference& difference, const Messages& messages) {
  return format_message(messages.message("VtLineKept"),
                        {messages.message(field_key(difference.field)),
                         value_text(difference.field, difference.asked, messages),
                         value_text(difference.field, difference.kept, messages)});
}

}  // namespace vexa
