#include "build/pipe_reader.h"

#include <algorithm>
#include <string_view>

namespace vexa {

namespace {

constexpr std::size_t kReadAheadBytes = 64 * 1024;

}  // namespace

std::vector<std::string> PipeReader::poll(const Fetch& fetch) {
  std::vector<std::string> pieces;
  std::size_t taken_total = 0;
  while (taken_total < kPollBudgetBytes) {
    if (pending_.size() - head_ < kPeekBytes) {
      pending_.erase(0, head_);  // taken bytes go before more are read
      head_ = 0;
      fetch(pending_, kReadAheadBytes);
    }
    const std::size_t window = std::min(pending_.size() - head_, kPeekBytes);
    const std::size_t lf = std::string_view(pending_).substr(head_, window).find('\n');
    std::size_t take = 0;
    if (lf != std::string_view::npos) {
      take = lf + 1;
    } else if (!partial_) {
      if (window > 0) partial_ = true;
    } else {
      take = window;
    }
    if (take == 0) break;
    pieces.emplace_back(pending_, head_, take);
    head_ += take;
    partial_ = false;
    taken_total += take;
  }
  return pieces;
}

void PipeReader::reset() {
  pending_.clear();
  head_ = 0;
  partial_ = false;
}

}  // namespace vexa
