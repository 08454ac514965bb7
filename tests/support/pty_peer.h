#pragma once
// The board's side of a pseudo-terminal, played by a function that a thread of its own calls
// over and over until the peer is destroyed. The function must return within a few ms. Keep a
// peer as the last member of the class whose state the function uses: it then starts after that
// state is built and stops before it is gone.
#include <atomic>
#include <functional>
#include <thread>

#include "platform/pseudo_terminal.h"

namespace vexa::test {

class PtyPeer {
 public:
  explicit PtyPeer(std::function<void(PseudoTerminal&)> step) : step_(std::move(step)) {
    thread_ = std::thread([this] {
      while (!stop_) step_(pty_);
    });
  }
  ~PtyPeer() {
    stop_ = true;
    thread_.join();
  }
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;
  PseudoTerminal& pty() { return pty_; }

 private:
  PseudoTerminal pty_;
  std::function<void(PseudoTerminal&)> step_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace vexa::test
