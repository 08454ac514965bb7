#pragma once
// What the Enter and Backspace keys send and whether typed text is shown locally. The defaults
// are the boards' own: Enter sends CR (LF while the debug line-feed switch is on), Backspace BS,
// nothing echoed.
#include <optional>
#include <string>
#include <string_view>

namespace vexa {

enum class EnterMode { cr, lf, crlf };
enum class BackspaceMode { bs, del };

struct KeyOptions {
  EnterMode enter = EnterMode::cr;
  BackspaceMode backspace = BackspaceMode::bs;
  bool local_echo = false;
  bool operator==(const KeyOptions&) const = default;
};

// The bytes Enter sends; line_feed_switch only counts in the default CR mode.
std::string enter_bytes(EnterMode mode, bool line_feed_switch);
char backspace_byte(BackspaceMode mode);

// Settings text: "cr", "lf", "crlf" / "bs", "del"; nothing for other words.
std::string enter_mode_text(EnterMode mode);
std::optional<EnterMode> parse_enter_mode(std::string_view text);
std::string backspace_mode_text(BackspaceMode mode);
std::optional<BackspaceMode> parse_backspace_mode(std::string_view text);

}  // namespace vexa
