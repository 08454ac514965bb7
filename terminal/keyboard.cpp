#include "terminal/keyboard.h"

#include "base/cp1252.h"

namespace vexa {
TerminalKeyboard::TerminalKeyboard(KeyboardLink& link, Clipboard& clipboard, CharSink& terminal,
                                   std::function<bool()> line_feed_on)
    : link_(link), clipboard_(clipboard), terminal_(terminal), line_feed_on_(std::move(line_feed_on)) {}

void TerminalKeyboard::key_command(unsigned parameter) {
  const auto c = static_cast<unsigned char>(parameter & 0xFF);
  switch (c) {
    case kKeyCtrlC:
      return;
    case kKeyEnter: {
      const bool line_feed = line_feed_on_ && line_feed_on_();
      if (history_) history_->add(typed_.take());
      if (options_ == KeyOptions{}) {
        link_.write_char(line_feed ? '\n' : '\r');
        return;
      }
      send(enter_bytes(options_.enter, line_feed));
      return;
    }
    case kKeyBackspace:
      if (history_) typed_.typed(c);
      if (options_ == KeyOptions{}) {
        link_.write_char(c);
        return;
      }
      send(std::string(1, backspace_byte(options_.backspace)));
      return;
    case kKeyCtrlV: {
      const auto text = clipboard_.text();
      if (!text || text->empty()) return;
      const std::string bytes = utf8_to_cp1252(*text);
      if (history_)
        for (char b : bytes) typed_.typed(static_cast<unsigned char>(b));
      if (options_.local_echo)
        send(bytes);
      else
        link_.write_text(bytes);
      return;
    }
    case kKeyCtrlZ:
      // The board takes Ctrl-Z as an end mark; show that it went out.
      link_.write_char(c);
      terminal_.put_char(c);
      terminal_.flush();
      return;
    default:
      if (history_) typed_.typed(c);
      if (options_.local_echo)
        send(std::string(1, static_cast<char>(c)));
      else
        link_.write_char(c);
  }
}

void TerminalKeyboard::send(std::string_view bytes) {
  if (bytes.size() == 1)
    link_.write_char(static_cast<unsigned char>(bytes[0]));
  else
    link_.write_text(bytes);
  if (!options_.local_echo) return;
  terminal_.put_text(bytes);
  terminal_.flush();
}

bool TerminalKeyboard::recall(bool older) {
  if (!history_) return false;
  std::string line;
  if (older) {
    const std::string* found = history_->older();
    if (!found) return false;
    line = *found;
  } else {
    line = history_->newer();
  }
  const std::string bytes = typed_.replace_with(line, backspace_byte(options_.backspace));
  if (!bytes.empty()) send(bytes);
  return true;
}

bool TerminalKeyboard::type_character(char32_t c) {
  const auto byte = unicode_to_cp1252(c);
  if (!byte) return false;
  key_command(*byte);
  return true;
}

}  // namespace vexa
