#include "analog/calibration_solver.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "analog/c_number.h"
#include "analog/linearization.h"
#include "base/text_format.h"

namespace vexa {

namespace {

constexpr int kFAttempts = 10;
constexpr int kEFirstDecimals = 4;  // the class maximum 3, plus one
constexpr long long kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

int decimals_of(std::string_view text) {
  const std::size_t point = text.find('.');
  return point == std::string_view::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

double read_number(std::string_view text, bool& valid) {
  std::size_t position = 0;
  const auto number = read_real(text, position);
  if (!number.consumed) valid = false;
  return number.value;
}

void trace_line(ReportSink* trace, const std::string& text) {
  if (trace) trace->print_line(text);
}

// (a + b) / 2 truncated toward zero, without overflowing the sum. Halves of values of opposite
// signs would truncate in opposite directions, so those are summed first (which cannot overflow).
long long mean_toward_zero(long long a, long long b) {
  if ((a < 0) != (b < 0)) return (a + b) / 2;
  return a / 2 + b / 2 + (a % 2 + b % 2) / 2;
}

bool fits_16_bits(long long v) { return v >= -32768 && v <= 32767; }
bool fits_32_bits(long long v) { return v >= INT32_MIN && v <= INT32_MAX; }

void solve_s(const CalibrationInput& in, double d_raw, double d_val, AnalogScaling& scaling, ReportSink* trace) {
  scaling.real_multiplier = narrow_to_float(d_val / d_raw);
  scaling.real_offset = narrow_to_float(in.real1 - in.raw1 * scaling.real_multiplier);
  scaling.decimals = static_cast<std::uint8_t>(std::min(in.decimals, kAdcS.max_decimals));
  trace_line(trace, format_text("Raw=%f/%f V=%f/%f", in.raw1, in.raw2, in.real1, in.real2));
}

void solve_f(const CalibrationInput& in, double d_raw, double d_val, const AnalogBoard& board,
             AnalogScaling& scaling, ReportSink* trace) {
  double real1 = in.real1;
  int decimals = in.decimals;
  for (int attempt = 0; attempt < kFAttempts; ++attempt) {
    scaling.real_multiplier = narrow_to_float(d_val / d_raw);
    trace_line(trace, format_text("m=%f %d/%d", static_cast<double>(scaling.real_multiplier),
                                  truncate_to_int32(d_val), truncate_to_int32(d_raw)));
    const long long offset = truncate_to_int64(real1 - in.raw1 * scaling.real_multiplier);
    scaling.int_offset = static_cast<std::int32_t>(static_cast<std::uint32_t>(offset));
    if (board.has_16_bit_offset() ? fits_16_bits(offset) : fits_32_bits(offset)) break;
    // One decimal fewer: the slope and the offset shrink by ten.
    d_val *= 0.1;
    real1 *= 0.1;
    if (decimals > 0) --decimals;
  }
  scaling.decimals = static_cast<std::uint8_t>(std::min(decimals, kAdcF.max_decimals));
}

void solve_e(const CalibrationInput& in, double d_raw, double d_val, AnalogScaling& scaling, ReportSink* trace) {
  const bool negative = (d_raw < 0) != (d_val < 0);
  d_raw = std::fabs(d_raw);
  d_val = std::fabs(d_val);
  std::string reason = "1.try";
  for (int d = kEFirstDecimals;; --d) {
    const double p = static_cast<double>(kPowersOfTen[d]);
    long long m = truncate_to_int64((p * d_val + 0.5 * d_raw) / d_raw);
    if (negative) m = -m;
    const long long o1 = truncate_to_int64(std::trunc(in.real1) * p - static_cast<double>(m) * in.raw1);
    const long long o2 = truncate_to_int64(std::trunc(in.real2) * p - static_cast<double>(m) * in.raw2);
    const long long off = mean_toward_zero(o1, o2);
    trace_line(trace, format_text("trying *%lld +%lld ,%d why= %s", m, off, d, reason.c_str()));
    const char* failed = nullptr;
    if (d > kAdcE.max_decimals)
      failed = "ddn>max";
    else if (m % 10 == 0 && off % 10 == 0 && d != 0)
      failed = "can /10";
    else if (!fits_16_bits(m))
      failed = "*x>FFFF";
    else if (!fits_16_bits(off))
      failed = "+x>FFFF";
    if (!failed) {
      scaling.int_multiplier = static_cast<std::int32_t>(m);
      scaling.int_offset = static_cast<std::int32_t>(off);
      scaling.decimals = static_cast<std::uint8_t>(d);
      return;
    }
    reason = failed;
    if (d == 0) {
      trace_line(trace, format_text("ddn=0 !!! %s", reason.c_str()));
      scaling = AnalogScaling{};
      return;
    }
  }
}

}  // namespace

CalibrationInput read_calibration_input(const CalibrationTexts& texts) {
  CalibrationInput in;
  in.valid = true;
  in.raw1 = read_number(texts.raw1, in.valid);
  in.raw2 = read_number(texts.raw2, in.valid);
  const float real1 = narrow_to_float(read_number(texts.real1, in.valid));
  const float real2 = narrow_to_float(read_number(texts.real2, in.valid));
  in.decimals = std::max(decimals_of(texts.real1), decimals_of(texts.real2));
  float scale = 1.0f;
  for (int i = 0; i < in.decimals && std::isfinite(scale); ++i) scale *= 10.0f;
  in.real1 = static_cast<double>(real1 * scale);
  in.real2 = static_cast<double>(real2 * scale);
  return in;
}

void solve_scaling(const CalibrationTexts& texts, const TypePrefix& type, const AnalogBoard& board,
                   AnalogScaling& scaling, ReportSink* trace) {
  CalibrationInput in = read_calibration_input(texts);
  if (!in.valid) return;
  if (type.letter == 'k') {
    in.raw1 = linearize_k(narrow_to_float(in.raw1), type.subtype);
    in.raw2 = linearize_k(narrow_to_float(in.raw2), type.subtype);
  } else if (type.letter == 'p') {
    in.raw1 = linearize_p(narrow_to_float(in.raw1));
    in.raw2 = linearize_p(narrow_to_float(in.raw2));
  }
  const double d_raw = in.raw2 - in.raw1;
  const double d_val = in.real2 - in.real1;
  // Equal points, or points that are no numbers at all, say nothing about a slope.
  if (d_raw == 0 || d_val == 0 || !std::isfinite(d_raw) || !std::isfinite(d_val)) return;
  switch (board.board_class()) {
    case BoardClass::s: solve_s(in, d_raw, d_val, scaling, trace); break;
    case BoardClass::f: solve_f(in, d_raw, d_val, board, scaling, trace); break;
    case BoardClass::e: solve_e(in, d_raw, d_val, scaling, trace); break;
  }
}

}  // namespace vexa
