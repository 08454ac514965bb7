#include "sim/vanish_options.h"

#include <charconv>

namespace vexa::sim {

namespace {

constexpr long kLongestAbsenceMs = 600000;

}  // namespace

bool is_vanish_option(const std::string& name) {
  return name == "--vanish-after-replies" || name == "--back-after";
}

std::optional<std::string> parse_vanish_option(const std::string& name, const std::optional<std::string>& value,
                                               VanishOptions& options) {
  if (!is_vanish_option(name)) return std::nullopt;
  if (!value) return name + " needs a value";
  long n = -1;
  auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), n);
  const long highest = name == "--back-after" ? kLongestAbsenceMs : 1000000;
  if (error != std::errc() || end != value->data() + value->size() || value->empty() || n < 0 || n > highest)
    return name + " must be 0.." + std::to_string(highest) + ", not '" + *value + "'";
  (name == "--back-after" ? options.back_after_ms : options.after_replies) = static_cast<int>(n);
  return std::string();
}

std::string vanish_usage_text() {
  return "  --vanish-after-replies N  hang up and remove the link after N replies\n"
         "  --back-after MS    after any vanish, come back under the same link MS later\n"
         "                     (as after a power cycle; each vanish fault fires once)\n";
}

}  // namespace vexa::sim
