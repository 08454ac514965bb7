#include "build/output_text.h"

namespace vexa {

void OutputText::append(std::string_view text) {
  const std::size_t before = text_.size();
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == 0) break;
    const bool after_cr = last_was_cr_;
    last_was_cr_ = c == '\r';
    if (text_.size() >= kOutputTextLimit) continue;
    if (c == '\r') {
      if (!after_cr) text_ += "\r\n";
    } else if (c == '\n') {
      if (!after_cr) text_ += "\r\n";
    } else if (c < 32 && c != '\t') {
      text_ += '^';
      text_ += static_cast<char>(c + 64);
    } else {
      text_ += ch;
    }
  }
  if (text_.size() != before) ++version_;
}

void OutputText::clear() {
  text_.clear();
  last_was_cr_ = false;
  ++version_;
}

}  // namespace vexa
