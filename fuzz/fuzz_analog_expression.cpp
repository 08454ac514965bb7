// Analog expressions per board class: what a value reads as prints as the board stores it, and
// printing what that reads as gives the same line again (print(parse(x)) is stable); the texts
// keep their limits. S class numbers may lose a unit of their last digit at each save.
#include <cmath>
#include <utility>

#include "analog/analog_expression.h"
#include "fuzz/fuzz_support.h"

using vexa::fuzz::check;

namespace {

constexpr char kLetters[] = {'E', 'F', 'S', '2', 'G', 'T'};
constexpr int kFirmware[] = {400, 602, 603, 1404};
// Modes of input types: the prefix printing writes, with and without a scaled type.
constexpr std::string_view kModes[] = {"", "a", "k1", "d", "v", "t3", "ac", "r100"};

bool close(float a, float b) {
  const double x = a, y = b;
  if (std::fabs(x) < 1e-4) return true;  // tiny numbers print as no digits at all
  if (!std::isfinite(x)) return true;     // "inf" and "nan" read as themselves
  return std::fabs(x - y) <= 2e-7 * std::fabs(x) + 1e-12;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vexa::fuzz::Bytes bytes(data, size);
  const unsigned char choice = bytes.take();
  const vexa::AnalogBoard board{kLetters[choice % 6], kFirmware[(choice / 6) % 4]};
  const std::string_view mode = kModes[bytes.take() % 8];
  const std::string_view value = bytes.rest();

  const vexa::AnalogExpression first = vexa::parse_analog_expression(value, "name");
  check(first.name.size() <= vexa::kAnalogTextChars);
  check(first.abc_expression.size() <= vexa::kAnalogTextChars);
  const vexa::InputTypeChoice type{mode, "title"};
  const vexa::PrintedExpression printed = vexa::print_analog_expression("a3", first, type, board);
  check(printed.line == "a3=" + printed.value);

  const vexa::AnalogExpression second = vexa::parse_analog_expression(printed.value, printed.name);
  const vexa::PrintedExpression again = vexa::print_analog_expression("a3", second, type, board);
  check(again.name == printed.name);
  if (board.board_class() != vexa::BoardClass::s) {
    // An F class multiplier too small for eight decimals prints as 0, which reads back as "no
    // scaling" (a multiplier of 1): the one value that does not survive.
    const float m = first.scaling.real_multiplier;
    const bool prints_as_zero = board.board_class() == vexa::BoardClass::f && m != 0 && std::fabs(m) < 1e-8f;
    if (!prints_as_zero) check(again.line == printed.line);
    return 0;
  }
  // S class numbers are cut (not rounded) to eight significant digits, so every save of a
  // float just below its decimal text lowers it by a unit of the last digit: everything else
  // stays, and the numbers move by no more than that.
  const vexa::AnalogExpression third = vexa::parse_analog_expression(again.value, again.name);
  vexa::AnalogExpression third_rest = third;
  third_rest.scaling = second.scaling;  // the numbers are compared below
  check(third_rest == second);
  // A scaling whose multiplier reads as 0 with no decimals is not written at all, and its real
  // offset goes with it: the boards' own rule.
  const vexa::AnalogScaling& kept = second.scaling;
  if (kept.real_multiplier == 0 && kept.int_offset == 0 && kept.decimals == 0) return 0;
  check(third.scaling.decimals == kept.decimals);
  check(close(kept.real_multiplier, third.scaling.real_multiplier));
  check(close(kept.real_offset, third.scaling.real_offset));
  return 0;
}
