#pragma once
// The text control the terminal shows its characters in. Its text is board text: one byte per
// character, Windows-1252, new lines as CR LF. A desktop widget converts to UTF-8 itself
// (terminal/cp1252.h), so positions and lengths here count characters one to one.
#include <cstddef>
#include <string>
#include <string_view>

#include "terminal/scrollback.h"

namespace vexa {

class TerminalView {
 public:
  virtual ~TerminalView() = default;
  // Number of characters the control holds.
  virtual std::size_t length() const = 0;
  // At most max_chars characters from the start of the text.
  virtual std::string text(std::size_t max_chars) const = 0;
  // Replaces the whole text.
  virtual void set_text(std::string_view text) = 0;
  // Drops the first count characters (the trim of old text); a view may do it in place.
  virtual void drop_front(std::size_t count) {
    const std::string all = text(length());
    set_text(count < all.size() ? std::string_view(all).substr(count) : std::string_view());
  }
  // Line ends (CR LF) in the text; a view may count them as text comes and goes.
  virtual std::size_t line_ends() const { return count_line_ends(text(length())); }
  // Drops the first count lines (the scrollback's trim); the default finds them in the text.
  virtual void drop_front_lines(std::size_t count) { drop_front(after_line_ends(text(length()), count)); }
  // Adds text at the end and scrolls it into view.
  virtual void append(std::string_view text) = 0;
  virtual void clear() = 0;
  // Whether the text may hold ANSI escape sequences (ESC as itself) to show as colour. A view
  // that cannot show colour leaves them in its text (a stream to a terminal shows them itself).
  virtual void set_ansi(bool) {}
};

}  // namespace vexa
