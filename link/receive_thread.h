#pragma once
// The receive thread: reads everything the board sends, echoes it to the terminal, cuts it into
// lines, records each line in the capture log, hands it to the line consumers and to waiting
// senders. It also runs the TCP connect when one is requested.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <functional>
#include <string>
#include <thread>

#include "base/capture_log.h"
#include "link/line_assembler.h"
#include "link/line_consumers.h"
#include "link/reply_wait.h"
#include "link/serial_link.h"
#include "base/report_sink.h"

namespace vexa {

// A burst longer than this is cut so the terminal shows a steady stream while the board sends
// without a pause.
inline constexpr std::size_t kBurstBytes = 64 * 1024;
inline constexpr int kReceiveWaitMs = 100;

// Flags other threads set and the receive thread reads.
struct ReceiveFlags {
  std::atomic<bool> reading_enabled{true};  // off while a loader or upload reads the port itself
  std::atomic<bool> echo_suppressed{false}; // file transfer: nothing shown, commands not printed
  std::atomic<bool> samba_mode{false};      // the '#' prompt also starts a terminal line
  std::atomic<bool> inputs_refresh{false};  // a new analog input was seen: refresh the inputs tab
};

class ReceiveThread {
 public:
  // tcp_connect runs on this thread when the port layer has a TCP connect request.
  ReceiveThread(SerialLink& link, TcpClient& tcp, CharSink& echo, LineConsumers& consumers,
                ReplyWait& replies, ReceiveFlags& flags, CaptureLog* log = nullptr);
  ~ReceiveThread();
  ReceiveThread(const ReceiveThread&) = delete;
  ReceiveThread& operator=(const ReceiveThread&) = delete;

  // Called on this thread when the inputs refresh flag was consumed. Set before start().
  void set_inputs_refresher(std::function<void()> refresh) { refresh_inputs_ = std::move(refresh); }

  void start();
  // Ends the thread (within about 100 ms) and joins it.
  void stop();

  // Switches reading off and returns once this thread has confirmed that it no longer reads, so
  // a job that reads the port itself gets every byte from here on. Returns at once when the
  // thread does not run. Pauses nest: reading resumes when the last one resumes.
  void pause_reading();
  void resume_reading();
  // Pauses held now (0: the thread reads whenever it runs).
  int pauses_held() {
    std::lock_guard lock(pause_mutex_);
    return pausers_;
  }

  // Bytes and lines received so far (diagnostics and benchmarks).
  std::uint64_t bytes_received() const { return bytes_.load(); }
  std::uint64_t lines_received() const { return lines_.load(); }
  // TCP connects run so far, successful or not.
  std::uint64_t connects_done() const { return connects_.load(); }

 private:
  void run();
  // One burst: everything queued, at most kBurstBytes. True when something was shown.
  bool burst();
  void take_bytes(std::string_view bytes, bool echo, bool samba);

  SerialLink& link_;
  TcpClient& tcp_;
  CharSink& echo_;
  LineConsumers& consumers_;
  ReplyWait& replies_;
  ReceiveFlags& flags_;
  CaptureLog* log_;
  std::function<void()> refresh_inputs_;

  LineAssembler assembler_;  // touched by this thread only
  std::uint64_t opening_ = 0;  // this thread only: the port opening the assembled bytes came over
  std::string chunk_;
  void acknowledge_pause();

  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  std::mutex pause_mutex_;
  std::condition_variable pause_confirmed_;
  std::uint64_t pause_requests_ = 0;  // guarded by pause_mutex_
  std::uint64_t pause_acks_ = 0;      // guarded by pause_mutex_
  int pausers_ = 0;                   // guarded by pause_mutex_
  std::atomic<std::uint64_t> bytes_{0};
  std::atomic<std::uint64_t> lines_{0};
  std::atomic<std::uint64_t> connects_{0};
  std::thread thread_;
};

}  // namespace vexa
