#pragma once
// Cuts what a build prints on one pipe into the pieces the output pane shows: complete lines
// at once, and a line without its LF only one poll after it was first seen, so that a line
// which is still being written is rarely split.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vexa {

// How far each poll looks ahead for a line end.
inline constexpr std::size_t kPeekBytes = 999;
// What one poll of one pipe takes at most, so that a build that prints without pause cannot
// hold the window thread; the rest follows on the next polls.
inline constexpr std::size_t kPollBudgetBytes = 1u << 20;

class PipeReader {
 public:
  // Appends up to max bytes that are ready to out without waiting; returns how many.
  using Fetch = std::function<std::size_t(std::string& out, std::size_t max)>;

  // One poll: the pieces to show, in order. Repeats: look at up to kPeekBytes; with an LF take
  // the bytes up to and including the first one; without, the first time only note that a
  // partial line was seen, the next time take it all. Ends when nothing is taken.
  std::vector<std::string> poll(const Fetch& fetch);

  // A partial line was seen at the last poll and not shown yet.
  bool partial() const { return partial_; }
  void reset();

 private:
  std::string pending_;  // read from the pipe; the bytes from head_ on are not taken yet
  std::size_t head_ = 0;
  bool partial_ = false;
};

}  // namespace vexa
