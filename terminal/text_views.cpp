#include "terminal/text_views.h"

#include "terminal/cp1252.h"

namespace vexa {

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
