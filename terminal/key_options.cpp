#include "terminal/key_options.h"

namespace vexa {

namespace {

struct EnterEntry {
  EnterMode mode;
  const char* word;
  const char* bytes;
};
constexpr EnterEntry kEnterModes[] = {
    {EnterMode::cr, "cr", "\r"}, {EnterMode::lf, "lf", "\n"}, {EnterMode::crlf, "crlf", "\r\n"}};

struct BackspaceEntry {
  BackspaceMode mode;
  const char* word;
  char byte;
};
constexpr BackspaceEntry kBackspaceModes[] = {{BackspaceMode::bs, "bs", 8}, {BackspaceMode::del, "del", 127}};

}  // namespace

std::string enter_bytes(EnterMode mode, bool line_feed_switch) {
  if (mode == EnterMode::cr && line_feed_switch) return "\n";
  for (const auto& entry : kEnterModes)
    if (entry.mode == mode) return entry.bytes;
  return "\r";
}

char backspace_byte(BackspaceMode mode) {
  for (const auto& entry : kBackspaceModes)
    if (entry.mode == mode) return entry.byte;
  return 8;
}

std::string enter_mode_text(EnterMode mode) {
  for (const auto& entry : kEnterModes)
    if (entry.mode == mode) return entry.word;
  return "cr";
}

std::optional<EnterMode> parse_enter_mode(std::string_view text) {
  for (const auto& entry : kEnterModes)
    if (text == entry.word) return entry.mode;
  return std::nullopt;
}

std::string backspace_mode_text(BackspaceMode mode) {
  for (const auto& entry : kBackspaceModes)
    if (entry.mode == mode) return entry.word;
  return "bs";
}

std::optional<BackspaceMode> parse_backspace_mode(std::string_view text) {
  for (const auto& entry : kBackspaceModes)
    if (text == entry.word) return entry.mode;
  return std::nullopt;
}

}  // namespace vexa
