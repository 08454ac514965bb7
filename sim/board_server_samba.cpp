// The simulated board's line while its chip's SAM-BA boot monitor may take it over.
#include <algorithm>
#include <thread>

#include "download/samba_layout.h"
#include "sim/board_server.h"

namespace vexa::sim {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kPacedSliceBytes = 16;
constexpr int kLongestPlainSleepMs = 20;  // longer waits watch for a stop request

SteadyClock::duration wire_time(std::size_t bytes) {
  return std::chrono::microseconds(
      static_cast<std::int64_t>(bytes * 10 * 1000000.0 / samba::kLinkSpeed));
}

}  // namespace

void BoardServer::set_samba_options(SambaOptions options) {
  std::lock_guard<std::mutex> lock(board_mutex_);
  samba_ = std::make_unique<SambaSession>(std::move(options));
}

void BoardServer::with_samba(const std::function<void(SambaSession&)>& fn) {
  std::lock_guard<std::mutex> lock(board_mutex_);
  fn(*samba_);
}

bool BoardServer::answer_samba(int fd, std::string_view received, bool is_socket) {
  SambaSession::Fed fed;
  bool monitor_before = false;
  bool monitor_took_bytes = false;
  {
    std::lock_guard<std::mutex> lock(board_mutex_);
    monitor_before = samba_->active();
    const int entries = samba_->entries();
    const int resets = samba_->resets();
    fed = samba_->feed(received, std::chrono::duration_cast<std::chrono::milliseconds>(
                                     SteadyClock::now().time_since_epoch()).count());
    if (fed.board_line_cut) board_.discard_partial_line();
    monitor_took_bytes = monitor_before || samba_->entries() != entries || samba_->resets() != resets;
  }
  if (!monitor_took_bytes) return answer_board(fd, received, is_socket);

  // The firmware's part first when the monitor took over in this chunk.
  if (!monitor_before && !fed.to_board.empty() && !answer_board(fd, fed.to_board, is_socket))
    return false;
  if (!write_samba_reply(fd, received.size(), fed.reply, is_socket)) return false;
  if (monitor_before && !fed.to_board.empty()) return answer_board(fd, fed.to_board, is_socket);
  return true;
}

}  // namespace vexa::sim

namespace vexa::sim {

bool BoardServer::pace_until(SteadyClock::time_point due) {
  const auto left = due - SteadyClock::now();
  if (left <= SteadyClock::duration::zero()) return true;
  if (left < std::chrono::milliseconds(kLongestPlainSleepMs)) {
    std::this_thread::sleep_until(due);  // finer than the stop wait's milliseconds
    return !stop_.load();
  }
  return !stop_requested_within(static_cast<int>(
      std::chrono::ceil<std::chrono::milliseconds>(left).count()));
}

bool BoardServer::write_samba_reply(int fd, std::size_t received_bytes, std::string_view reply,
                                    bool is_socket) {
  if (faults_.pace) {
    // The answer cannot start before the host's bytes have crossed the line, and it crosses
    // the line no faster than the monitor's speed, in each direction on its own.
    const auto now = SteadyClock::now();
    samba_rx_free_ = std::max(now, samba_rx_free_) + wire_time(received_bytes);
    if (reply.empty()) return true;  // later bytes queue behind these
    samba_tx_free_ = std::max(samba_rx_free_, samba_tx_free_);
  }
  while (!reply.empty()) {
    std::string_view slice = reply.substr(0, faults_.pace ? kPacedSliceBytes : reply.size());
    reply.remove_prefix(slice.size());
    if (faults_.pace) {
      samba_tx_free_ = std::max(SteadyClock::now(), samba_tx_free_) + wire_time(slice.size());
      if (!pace_until(samba_tx_free_)) return false;
    }
    while (!slice.empty())
      if (!write_some(fd, slice, is_socket)) return false;
  }
  return true;
}

}  // namespace vexa::sim
