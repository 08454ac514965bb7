// Faults that change while the board is served: its link going away in the middle of a job and
// coming back, as a USB adapter does when pulled out and plugged in again, and new reply faults.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>

#include "platform/pseudo_terminal.h"
#include "sim/board_server.h"

namespace vexa::sim {

void BoardServer::vanish_for(int back_after_ms) {
  if (!running() || return_path_.empty() || back_after_ms < 0) return;
  vanish_back_ms_.store(back_after_ms);
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_fd_, &one, sizeof one);
}

int BoardServer::vanish_and_come_back() {
  const int back_after_ms = vanish_back_ms_.exchange(-1);
  if (back_after_ms < 0) return -1;
  std::uint64_t count = 0;
  [[maybe_unused]] ssize_t n = ::read(wake_fd_, &count, sizeof count);

  remove_link();
  pty_->close();
  return come_back(back_after_ms);
}

int BoardServer::come_back(int back_after_ms) {
  if (back_after_ms < 0) return -1;
  {
    // The adapter and the board share the cable: the board starts again from its firmware.
    std::lock_guard<std::mutex> lock(board_mutex_);
    board_.discard_partial_line();
    board_.uploads().abort();
    board_.download_side().power_cycle();
    samba_->power_cycle();
  }
  vanish_.after_replies = 0;  // each vanish fault fires once
  vanish_due_ = false;
  if (stop_requested_within(back_after_ms)) return -1;

  pty_ = std::make_unique<PseudoTerminal>();
  if (!pty_->is_open()) return -1;
  slave_path_ = pty_->slave_path();
  // As at the start: one open and close, so the master sees the hang-up of a client.
  if (int slave = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC); slave >= 0) ::close(slave);
  if (::symlink(slave_path_.c_str(), return_path_.c_str()) != 0) return -1;
  link_path_ = return_path_;
  comebacks_.fetch_add(1);
  return pty_->master_fd();
}

}  // namespace vexa::sim

namespace vexa::sim {

void BoardServer::set_faults(const FaultOptions& faults) {
  std::lock_guard<std::mutex> lock(board_mutex_);
  next_faults_ = faults;
}

void BoardServer::adopt_next_faults() {
  std::lock_guard<std::mutex> lock(board_mutex_);
  if (!next_faults_) return;
  faults_ = *next_faults_;
  next_faults_.reset();
  if (faults_.noise_seed != 0) random_.seed(faults_.noise_seed);
}

}  // namespace vexa::sim
