#include "sim/vanish_options.h"

#include <array>
#include <charconv>
#include <string>

namespace vexa::sim {

namespace {

constexpr long kLongestAbsenceMs = 600000;
constexpr long kMostReplies = 1000000;

// A whole number from 0 to highest, or why not.
std::string read_count(std::string_view name, const std::string& value, long highest, int& into) {
  long n = -1;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (error != std::errc() || end != value.data() + value.size() || value.empty() || n < 0 || n > highest)
    return std::string(name) + " must be 0.." + std::to_string(highest) + ", not '" + value + "'";
  into = static_cast<int>(n);
  return {};
}

constexpr std::array<OptionRow<VanishOptions>, 2> kRows = {{
    {{"--vanish-after-replies", "N", "Faults", "hang up and remove the link after N replies"},
     [](VanishOptions& o, std::string_view name, const std::string& value) {
       return read_count(name, value, kMostReplies, o.after_replies);
     }},
    {{"--back-after", "MS", "Faults",
      "after any vanish, come back under the same link MS later (as after a power cycle; each vanish fires once)"},
     [](VanishOptions& o, std::string_view name, const std::string& value) {
       return read_count(name, value, kLongestAbsenceMs, o.back_after_ms);
     }},
}};

}  // namespace

std::span<const OptionRow<VanishOptions>> vanish_option_rows() { return kRows; }

}  // namespace vexa::sim
