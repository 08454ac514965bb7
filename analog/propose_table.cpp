#include "analog/propose_table.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string>

#include "analog/c_number.h"
#include "base/text_format.h"

namespace vexa {

namespace {

// A list never grows past this, whatever a hand-written step says.
constexpr std::size_t kMaxProposeEntries = 10000;

struct ProposeFields {
  double first_real = 0, first_raw = 0, real_step = 0, raw_step = 0;
  int real_decimals = 0;
  std::string unit;
};

std::optional<ProposeFields> read_fields(std::string_view text) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (fields.size() < 5) {
    const std::size_t comma = text.find(',', start);
    fields.emplace_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (fields.size() < 5) return std::nullopt;
  ProposeFields out;
  out.first_real = std::atof(fields[0].c_str());
  out.first_raw = std::atof(fields[1].c_str());
  out.real_step = std::atof(fields[2].c_str());
  out.raw_step = std::atof(fields[3].c_str());
  const std::size_t point = fields[2].find('.');
  out.real_decimals = point == std::string::npos ? 0 : static_cast<int>(std::min<std::size_t>(fields[2].size() - point - 1, 20));
  out.unit = limited(fields[4], kProposeUnitChars);
  return out;
}

// "%.*f" of value: the same digits (both round the exact binary value), without a format parse
// per entry of a list that may hold ten thousand.
std::string fixed_text(double value, int decimals) {
  char buffer[400];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (error != std::errc()) return format_text("%.*f", decimals, value);
  return std::string(buffer, end);
}

}  // namespace

std::vector<ProposeEntry> propose_list(std::string_view propose, BoardClass board_class) {
  std::vector<ProposeEntry> list;
  const auto fields = read_fields(propose);
  if (!fields) return list;
  const double full_scale = adc_constants(board_class).full_scale;
  if (fields->raw_step > 0 && fields->first_raw <= full_scale) {
    // Infinite counts or steps (a number too large to be read) give no count of entries: then
    // the room for the largest list, as for any count past it.
    const double entries = (full_scale - fields->first_raw) / fields->raw_step + 2.0;
    const std::size_t most = kMaxProposeEntries + 2;
    list.reserve(entries < static_cast<double>(most) ? static_cast<std::size_t>(entries) : most);
  }
  list.push_back({" ", 0});
  double real = fields->first_real, raw = fields->first_raw;
  while (raw <= full_scale && list.size() <= kMaxProposeEntries) {
    // The unit is the user's text: it follows the number, never as part of a format.
    list.push_back({fixed_text(real, fields->real_decimals) + " " + fields->unit, raw});
    // A step that does not move the count (none, backwards, or too small for a count that far
    // from zero) would repeat this entry to the end of the list.
    const double next_raw = raw + fields->raw_step;
    if (!(next_raw > raw)) break;
    real += fields->real_step;
    raw = next_raw;
  }
  return list;
}

std::optional<long long> propose_choice(std::string_view propose, int k) {
  const auto fields = read_fields(propose);
  if (!fields || k < 1) return std::nullopt;
  return truncate_to_int64(fields->first_raw + (k - 1) * fields->raw_step);
}

}  // namespace vexa
