#include "terminal/text_views.h"

#include <algorithm>

#include "base/cp1252.h"

namespace vexa {

void TextBufferView::set_text(std::string_view text) {
  text_ = text;
  line_ends_ = count_line_ends(text_);
}

void TextBufferView::drop_front(std::size_t count) {
  count = std::min(count, text_.size());
  // A pair cut between its CR and LF is lost as well.
  line_ends_ -= count_line_ends(std::string_view(text_).substr(0, count + 1));
  text_.erase(0, count);
}

void TextBufferView::append(std::string_view text) {
  // A CR at the end may be the first half of a pair.
  const std::size_t from = text_.empty() ? 0 : text_.size() - 1;
  text_ += text;
  line_ends_ += count_line_ends(std::string_view(text_).substr(from));
}

void TextBufferView::clear() {
  text_.clear();
  line_ends_ = 0;
}

void StreamView::append(std::string_view text) {
  TextBufferView::append(text);
  std::string lines;
  lines.reserve(text.size());
  for (char c : text)
    if (c != '\r') lines += c;  // the terminal's new lines are CR LF; a stream wants LF
  out_ << cp1252_to_utf8(lines);
  out_.flush();
}

}  // namespace vexa
