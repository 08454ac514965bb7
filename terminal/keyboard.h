#pragma once
// Characters typed into the terminal go to the board (command 911 carries each of them).
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "terminal/command_history.h"
#include "terminal/key_options.h"
#include "base/report_sink.h"

namespace vexa {

inline constexpr int kKeyboardCommand = 911;

// The typed characters command 911 treats apart from the rest.
inline constexpr unsigned char kKeyCtrlC = 3;
inline constexpr unsigned char kKeyBackspace = 8;
inline constexpr unsigned char kKeyEnter = 13;
inline constexpr unsigned char kKeyCtrlV = 22;
inline constexpr unsigned char kKeyCtrlZ = 26;

// The link writes a keystroke needs; both record the text in the capture log with '>' and
// report a closed link themselves.
class KeyboardLink {
 public:
  virtual ~KeyboardLink() = default;
  virtual bool write_char(unsigned char c) = 0;
  virtual bool write_text(std::string_view bytes) = 0;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // The plain text on the clipboard as UTF-8; nothing when it cannot be read or holds no text.
  virtual std::optional<std::string> text() = 0;
};

class TerminalKeyboard {
 public:
  // line_feed_on: the debug line-feed switch (Enter sends LF instead of CR while it is on).
  TerminalKeyboard(KeyboardLink& link, Clipboard& clipboard, CharSink& terminal,
                   std::function<bool()> line_feed_on);

  // Command 911: the low byte of parameter is the typed character (Windows-1252).
  void key_command(unsigned parameter);
  // A character typed on the desktop: its Windows-1252 byte through key_command; false (and
  // nothing sent) when that code page has no byte for it.
  bool type_character(char32_t c);

  // The user's Enter, Backspace and echo choices (window thread). The defaults change nothing.
  void set_options(const KeyOptions& options) { options_ = options; }
  const KeyOptions& options() const { return options_; }
  // Keeps the lines typed in history (null: no history, the default).
  void set_history(CommandHistory* history) { history_ = history; }
  // Up (older true) or Down: replaces the line typed so far at the board with a recalled one.
  // False when there is no history.
  bool recall(bool older);
  // The line typed since the last Enter, as the board has it (kept while there is a history).
  const std::string& typed_line() const { return typed_.text(); }

 private:
  KeyboardLink& link_;
  Clipboard& clipboard_;
  CharSink& terminal_;
  const std::function<bool()> line_feed_on_;
  KeyOptions options_;
  CommandHistory* history_ = nullptr;
  TypedLine typed_;

  void send(std::string_view bytes);
};

}  // namespace vexa
