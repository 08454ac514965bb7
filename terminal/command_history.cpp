#include "terminal/command_history.h"

#include "base/text_format.h"
#include "platform/atomic_file.h"

namespace vexa {

CommandHistory::CommandHistory(std::string path, std::size_t limit) : path_(std::move(path)), limit_(limit) {
  std::string text;
  if (!path_.empty() && read_whole_file(path_, text, limit_ * (kHistoryLineChars + 2))) {
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines_.push_back(limited(line, kHistoryLineChars));
      start = end + 1;
    }
    while (lines_.size() > limit_) lines_.pop_front();
  }
  recall_ = lines_.size();
}

void CommandHistory::add(std::string_view line) {
  recall_ = lines_.size();
  if (line.empty() || limit_ == 0) return;
  std::string kept = limited(line, kHistoryLineChars);
  // A line cannot hold a line end in the file.
  for (char& c : kept)
    if (c == '\n' || c == '\r') c = ' ';
  if (!lines_.empty() && lines_.back() == kept) return;
  lines_.push_back(std::move(kept));
  while (lines_.size() > limit_) lines_.pop_front();
  recall_ = lines_.size();
  save();
}

const std::string* CommandHistory::older() {
  if (lines_.empty()) return nullptr;
  if (recall_ > 0) --recall_;
  return &lines_[recall_];
}

std::string CommandHistory::newer() {
  if (recall_ < lines_.size()) ++recall_;
  return recall_ < lines_.size() ? lines_[recall_] : std::string();
}

void CommandHistory::save() {
  if (path_.empty()) return;
  std::string text;
  for (const auto& line : lines_) text += line + "\n";
  save_failed_ = !write_file_atomically(path_, text);
}

void TypedLine::typed(unsigned char c) {
  if (c == 8 || c == 127) {
    if (!text_.empty()) text_.pop_back();
  } else if (c >= 0x20) {
    if (text_.size() < kHistoryLineChars) text_ += static_cast<char>(c);
  }
}

std::string TypedLine::take() {
  std::string line = std::move(text_);
  text_.clear();
  return line;
}

std::string TypedLine::replace_with(std::string_view line, char backspace) {
  std::string bytes(text_.size(), backspace);
  bytes += line;
  text_ = std::string(line);
  return bytes;
}

}  // namespace vexa
