#pragma once
// The board vanishing like a pulled USB adapter: after a number of replies (any job), and
// coming back after a while under the same name, as after a power cycle. The loader's and the
// card's own vanish options (after pages, after chunks) come back the same way.
#include <optional>
#include <string>

namespace vexa::sim {

struct VanishOptions {
  int after_replies = 0;   // vanish once this many replies were sent (0: never)
  int back_after_ms = -1;  // come back after this long (-1: stay away; the server ends)
};

// Reads "--vanish-after-replies N" or "--back-after MS": nothing when name is neither, else an
// empty text, or why the value is wrong.
std::optional<std::string> parse_vanish_option(const std::string& name, const std::optional<std::string>& value,
                                               VanishOptions& options);
bool is_vanish_option(const std::string& name);
std::string vanish_usage_text();

}  // namespace vexa::sim
