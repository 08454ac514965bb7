#include "terminal/keyboard.h"

#include "terminal/cp1252.h"

namespace vexa {
TerminalKeyboard::TerminalKeyboard(KeyboardLink& link, Clipboard& clipboard, CharSink& terminal,
                                   std::function<bool()> line_feed_on)
    : link_(link), clipboard_(clipboard), terminal_(terminal), line_feed_on_(std::move(line_feed_on)) {}

void TerminalKeyboard::key_command(unsigned parameter) {
  const auto c = static_cast<unsigned char>(parameter & 0xFF);
  switch (c) {
    case kKeyCtrlC:
      return;
    case kKeyEnter:
      link_.write_char(line_feed_on_ && line_feed_on_() ? '\n' : '\r');
      return;
    case kKeyCtrlV: {
      const auto text = clipboard_.text();
      if (!text || text->empty()) return;
      link_.write_text(utf8_to_cp1252(*text));
      return;
    }
    case kKeyCtrlZ:
      // The board takes Ctrl-Z as an end mark; show that it went out.
      link_.write_char(c);
      terminal_.put_char(c);
      terminal_.flush();
      return;
    default:
      link_.write_char(c);
  }
}

bool TerminalKeyboard::type_character(char32_t c) {
  const auto byte = unicode_to_cp1252(c);
  if (!byte) return false;
  key_command(*byte);
  return true;
}

}  // namespace vexa
