#include "link/receive_thread.h"

namespace vexa {

ReceiveThread::ReceiveThread(SerialLink& link, TcpClient& tcp, CharSink& echo, LineConsumers& consumers,
                             ReplyWait& replies, ReceiveFlags& flags, CaptureLog* log)
    : link_(link), tcp_(tcp), echo_(echo), consumers_(consumers), replies_(replies), flags_(flags), log_(log) {
  chunk_.reserve(kReadChunkBytes + 1);
}

ReceiveThread::~ReceiveThread() { stop(); }

void ReceiveThread::start() {
  if (thread_.joinable()) return;
  stop_.store(false);
  running_.store(true);
  thread_ = std::thread([this] { run(); });
}

void ReceiveThread::stop() {
  if (!thread_.joinable()) return;
  stop_.store(true);
  link_.wake_receiver();
  thread_.join();
  std::lock_guard lock(pause_mutex_);
  running_.store(false);
  pause_confirmed_.notify_all();
}

void ReceiveThread::pause_reading() {
  std::unique_lock lock(pause_mutex_);
  ++pausers_;
  const std::uint64_t wanted = ++pause_requests_;
  flags_.reading_enabled.store(false);
  if (!running_.load()) return;
  lock.unlock();
  link_.wake_receiver();
  lock.lock();
  // The thread confirms within one pass of its loop; a thread stuck far longer than that is
  // not reading either, so the wait is bounded.
  pause_confirmed_.wait_for(lock, std::chrono::seconds(2),
                            [&] { return pause_acks_ >= wanted || !running_.load(); });
}

void ReceiveThread::resume_reading() {
  std::lock_guard lock(pause_mutex_);
  if (pausers_ > 0 && --pausers_ == 0) flags_.reading_enabled.store(true);
}

void ReceiveThread::acknowledge_pause() {
  std::lock_guard lock(pause_mutex_);
  if (pause_acks_ == pause_requests_) return;
  pause_acks_ = pause_requests_;
  pause_confirmed_.notify_all();
}

void ReceiveThread::run() {
  while (!stop_.load()) {
    if (link_.take_tcp_connect_request()) {
      tcp_.tcp_connect(link_.tcp_address());
      assembler_.clear();
      connects_.fetch_add(1);
    }
    if (!flags_.reading_enabled.load()) {
      acknowledge_pause();
      // Someone else reads the port: only look again at the flags a little later, or at once
      // when woken (a stop).
      link_.wait_for_wake(kReceiveWaitMs / 10);
      continue;
    }
    if (!link_.wait_readable(kReceiveWaitMs)) continue;
    if (!flags_.reading_enabled.load()) continue;
    if (burst()) echo_.flush();
    if (flags_.inputs_refresh.exchange(false) && refresh_inputs_) refresh_inputs_();
  }
}

bool ReceiveThread::burst() {
  bool shown = false;
  std::size_t taken = 0;
  while (taken < kBurstBytes && flags_.reading_enabled.load()) {
    const bool echo = !consumers_.upload_running() && !flags_.echo_suppressed.load();
    const bool samba = flags_.samba_mode.load();
    chunk_.clear();
    std::uint64_t opening = 0;
    const bool nul = link_.read_serial_chunk(chunk_, &opening);
    if (!chunk_.empty() && opening != opening_) {
      // A port opened again (a vanished adapter back): the old half line is not this one's start.
      assembler_.clear();
      opening_ = opening;
    }
    if (chunk_.empty()) {
      // Nothing on the serial side (or a NUL first): the TCP batch, byte by byte.
      int c = tcp_.tcp_read_byte(0);
      if (c <= 0) break;
      chunk_.push_back(static_cast<char>(c));
      while (chunk_.size() < kReadChunkBytes) {
        c = tcp_.tcp_read_byte(0);
        if (c <= 0) break;
        chunk_.push_back(static_cast<char>(c));
      }
      take_bytes(chunk_, echo, samba);
      taken += chunk_.size();
      shown = shown || echo;
      if (c <= 0) break;
      continue;
    }
    take_bytes(chunk_, echo, samba);
    taken += chunk_.size();
    shown = shown || echo;
    if (nul) break;  // a NUL byte ends the burst
  }
  return shown;
}

void ReceiveThread::take_bytes(std::string_view bytes, bool echo, bool samba) {
  bytes_.fetch_add(bytes.size(), std::memory_order_relaxed);
  if (echo) {
    if (!samba) {
      echo_.put_text(bytes);
    } else {
      for (char c : bytes) {
        echo_.put_char(static_cast<unsigned char>(c));
        if (c == '#') echo_.put_char('\n');
      }
    }
  }
  for (char c : bytes) {
    if (!assembler_.feed(c)) continue;
    const std::string_view line = assembler_.line();
    if (log_ && log_->is_open()) log_->log_board_text('<', std::string(line) + "\n");
    consumers_.dispatch(line);
    replies_.line_completed(line);
    lines_.fetch_add(1, std::memory_order_relaxed);
  }
}

}  // namespace vexa
