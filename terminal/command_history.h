#pragma once
// The lines typed into the terminal, recalled with Up and Down as a shell does, and kept across
// runs in a file (one line each, oldest first, at most kHistoryLines).
#include <deque>
#include <string>
#include <string_view>

namespace vexa {

inline constexpr std::size_t kHistoryLines = 500;
inline constexpr std::size_t kHistoryLineChars = 500;

class CommandHistory {
 public:
  // path: the file ("" keeps the history in memory only). Reads it when it exists.
  explicit CommandHistory(std::string path = {}, std::size_t limit = kHistoryLines);

  // A typed line: kept (cut to kHistoryLineChars) unless empty or equal to the newest one, the
  // oldest dropped beyond the limit, and the file written. Ends any recall in progress.
  void add(std::string_view line);
  // Up: the next older line (the oldest stays); nothing while the history is empty.
  const std::string* older();
  // Down: the next newer line; an empty line after the newest (back to what is being typed).
  std::string newer();
  std::size_t size() const { return lines_.size(); }
  const std::deque<std::string>& lines() const { return lines_; }
  // The file's write failed the last time (the history still works in memory).
  bool save_failed() const { return save_failed_; }

 private:
  void save();

  std::string path_;
  std::size_t limit_;
  std::deque<std::string> lines_;
  std::size_t recall_ = 0;  // lines_.size(): not recalling; else the index shown
  bool save_failed_ = false;
};

// The typed line as the board has it: characters sent since the last Enter, Backspace taking one
// back. recall_bytes gives what replaces it with another line: one BS per character, then the line.
class TypedLine {
 public:
  void typed(unsigned char c);
  // Enter: the line typed, and a fresh one begins.
  std::string take();
  const std::string& text() const { return text_; }
  std::string replace_with(std::string_view line, char backspace);

 private:
  std::string text_;
};

}  // namespace vexa
