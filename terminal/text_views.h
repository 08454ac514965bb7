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
  void set_text(std::string_view text) override { text_ = text; }
  void drop_front(std::size_t count) override { text_.erase(0, count); }
  void append(std::string_view text) override { text_ += text; }
  void clear() override { text_.clear(); }

  const std::string& contents() const { return text_; }

 private:
  std::string text_;
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
