// vexacli expr, convert and calibrate: the analog scaling rules of a board without a window,
// for scripts that work out calibrations. The input types come from ainputs.txt in the working
// directory when it is there.
#include <charconv>
#include <ostream>

#include "analog/analog_conversions.h"
#include "analog/analog_expression.h"
#include "analog/calibration_solver.h"
#include "cli/board_link.h"
#include "analog/input_type_list.h"
#include "base/messages.h"
#include "base/text_format.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "config/board_identity.h"
#include "base/report_sink.h"

namespace vexa::cli {

namespace {

constexpr int kAnyInput = 0;  // the type list of input a0 stands for every input here

class StreamReport final : public ReportSink {
 public:
  explicit StreamReport(std::ostream& out) : out_(out) {}
  void print_line(std::string_view text) override { out_ << text << "\n"; }

 private:
  std::ostream& out_;
};

constexpr int kDefaultFirmware = 1404;

// --board LETTER [--firmware N] (their values are checked by their rows); false when --board
// is missing.
bool read_board(const CommandContext& context, AnalogBoard& board) {
  auto letter = context.values.text(kBoardOption.spec.name);
  if (!letter) return false;
  board.type_letter = (*letter)[0];
  board.firmware_version = context.values.whole(kFirmwareOption.spec.name, kDefaultFirmware);
  return true;
}

constexpr std::string_view kBoardNeeded = "--board E|F|S is needed";

struct ChosenType {
  std::string mode;
  std::string title;
};

// The input type the expression selects from the table (ainputs.txt, read by the core as the
// desktop reads it), else its own prefix. A file that cannot be read, or has lines that are not
// understood, is reported once on err.
ChosenType type_for(CommandContext& context, std::string_view value, const AnalogBoard& board,
                    std::string_view wanted_title = {}) {
  BoardLink front(context.options, context.out);
  const InputTypeTable& table = front.core().input_types();
  for (const std::string& line : front.core().input_type_problems()) context.err << "vexacli: " << line << "\n";
  if (!table.empty()) {
    const InputTypeList list = fill_type_list(table, board.type_letter, kAnyInput);
    const InputTypeSelection selection = select_type_for_value(table, list, value, wanted_title);
    if (const InputType* type = table.entry(selection.entry)) return {type->mode, type->title};
  }
  std::size_t end = 0;
  read_type_prefix(value, &end);
  return {std::string(value.substr(0, end)), ""};
}

void print_fields(std::ostream& out, const AnalogExpression& e, const ChosenType& type) {
  const AnalogScaling& s = e.scaling;
  out << "type: " << (type.title.empty() ? "(none from ainputs.txt)" : type.title) << " (mode " << type.mode << ")\n";
  out << format_text("multiplier: %d (integer) %.8g (real)\n", s.int_multiplier, static_cast<double>(s.real_multiplier));
  out << format_text("offset: %d (integer) %.8g (real)\n", s.int_offset, static_cast<double>(s.real_offset));
  out << "decimals: " << static_cast<int>(s.decimals) << "\n";
  out << "alarms: low " << e.low_alarm << ", high " << e.high_alarm << "\n";
  if (!e.name.empty()) out << "name: " << e.name << "\n";
  if (!e.abc_expression.empty()) out << "formula: " << e.abc_expression << "\n";
  out << "options: diff " << (e.diff ? 1 : 0) << ", reference " << e.pivot << ", lcd " << e.lcd << ", store "
      << ((e.store_mask & kStoreAverage) ? "a" : "") << ((e.store_mask & kStoreMinimum) ? "m" : "")
      << ((e.store_mask & kStoreMaximum) ? "M" : "") << "\n";
}

}  // namespace

int run_expr(CommandContext& context) {
  AnalogBoard board;
  if (!read_board(context, board)) return usage_error(context, kBoardNeeded);
  if (context.args.size() != 1) return usage_error(context, "give one EXPRESSION, such as a*3.814685+0,2");
  const std::string& value = context.args[0];
  const AnalogExpression expression = parse_analog_expression(value);
  const ChosenType type = type_for(context, value, board);
  context.out << print_analog_expression("a0", expression, {type.mode, type.title}, board).value << "\n";
  print_fields(context.out, expression, type);
  return 0;
}

int run_convert(CommandContext& context) {
  AnalogBoard board;
  if (!read_board(context, board)) return usage_error(context, kBoardNeeded);
  if (context.args.size() != 2) return usage_error(context, "give EXPRESSION and COUNT");
  double count = 0;
  const std::string& count_text = context.args[1];
  auto [end, ec] = std::from_chars(count_text.data(), count_text.data() + count_text.size(), count);
  if (ec != std::errc() || end != count_text.data() + count_text.size())
    return usage_error(context, "COUNT must be a number, not '" + count_text + "'");
  const AnalogExpression expression = parse_analog_expression(context.args[0]);
  const ChosenType type = type_for(context, context.args[0], board);
  context.out << millivolts_text(count, board.board_class()) << "\n"
              << format_real_value(count, expression.scaling, board.board_class(), read_type_prefix(type.mode)) << "\n";
  return 0;
}

int run_calibrate(CommandContext& context) {
  AnalogBoard board;
  if (!read_board(context, board)) return usage_error(context, kBoardNeeded);
  const bool verbose = context.values.has(kSolverTraceOption.spec.name);
  const std::string mode = context.values.text(kInputTypeOption.spec.name).value_or("a");
  if (context.args.size() != 4) return usage_error(context, "give RAW1 REAL1 RAW2 REAL2");
  const CalibrationTexts texts{context.args[0], context.args[2], context.args[1], context.args[3]};
  if (!read_calibration_input(texts).valid) return usage_error(context, "every point must be a number");
  StreamReport trace(context.out);
  AnalogScaling scaling;
  const TypePrefix type = read_type_prefix(mode);
  solve_scaling(texts, type, board, scaling, verbose ? &trace : nullptr);
  if (scaling == AnalogScaling{}) {
    context.err << "vexacli calibrate: these points give no scaling (equal counts or values, or no fit)\n";
    return 1;
  }
  AnalogExpression expression;
  expression.scaling = scaling;
  context.out << print_analog_expression("a0", expression, {mode, ""}, board).value << "\n";
  return 0;
}

}  // namespace vexa::cli
