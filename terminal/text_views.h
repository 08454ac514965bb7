#pragma once
// Terminal views without a window system: a text buffer (tests, inspection) and a view that
// writes what is appended to a stream as UTF-8 lines (the headless program).
#include <ostream>
#include <string>

#include "terminal/terminal_view.h"

namespace vexa {

class TextBufferView : public TerminalView {
 public:
  std::size_t length() const override { return text_.size(); }
  std::string text(std::size_t max_chars) const override { return text_.substr(0, max_chars); }
  void set_text(std::string_view text) override;
  void drop_front(std::size_t count) override;
  std::size_t line_ends() const override { return line_ends_; }
  void drop_front_lines(std::size_t count) override { drop_front(after_line_ends(text_, count)); }
  void append(std::string_view text) override;
  void clear() override;

  const std::string& contents() const { return text_; }

 private:
  std::string text_;
  std::size_t line_ends_ = 0;
};

// Appended text goes to the stream at once, converted to UTF-8 with LF line ends. The text
// is also kept as in a buffer so the terminal's trim of old text works as on a window; trimming
// or clearing cannot take back what the stream already got.
class StreamView : public TextBufferView {
 public:
  explicit StreamView(std::ostream& out) : out_(out) {}
  void append(std::string_view text) override;

 private:
  std::ostream& out_;
};

}  // namespace vexa
