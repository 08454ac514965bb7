#pragma once
// Report, character and status sinks that record what reaches them, safe to fill from the
// receive thread or a job's thread while a test reads them.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "link/board_channel.h"
#include "support/scripted_port.h"
#include "link/line_consumer.h"
#include "base/report_sink.h"
#include "base/session_ports.h"

namespace vexa::test {

class SharedReport final : public ReportSink {
 public:
  void print_line(std::string_view text) override {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(text);
    changed_.notify_all();
  }
  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  bool contains(std::string_view text) const {
    std::lock_guard lock(mutex_);
    for (const auto& line : lines_)
      if (line == text) return true;
    return false;
  }
  // Waits (as a hang guard, up to timeout_ms) until a line equal to text was printed.
  bool wait_for(std::string_view text, int timeout_ms = 5000) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
      for (const auto& line : lines_)
        if (line == text) return true;
      return false;
    });
  }
  void clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
};

class SharedEcho final : public CharSink {
 public:
  void put_char(unsigned char c) override {
    std::lock_guard lock(mutex_);
    text_.push_back(static_cast<char>(c));
  }
  void put_text(std::string_view bytes) override {
    std::lock_guard lock(mutex_);
    text_.append(bytes);
  }
  void flush() override {
    std::lock_guard lock(mutex_);
    ++flushes_;
  }
  std::string text() const {
    std::lock_guard lock(mutex_);
    return text_;
  }
  int flushes() const {
    std::lock_guard lock(mutex_);
    return flushes_;
  }

 private:
  mutable std::mutex mutex_;
  std::string text_;
  int flushes_ = 0;
};

class RecordingConsumer final : public LineConsumer {
 public:
  explicit RecordingConsumer(std::string name = {}, std::vector<std::string>* order = nullptr,
                             std::mutex* order_mutex = nullptr)
      : name_(std::move(name)), order_(order), order_mutex_(order_mutex) {}
  void on_line(std::string_view line) override {
    {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(line);
    }
    if (order_) {
      std::lock_guard lock(*order_mutex_);
      order_->push_back(name_);
    }
    changed_.notify_all();
  }
  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  // Hang guard: waits until count lines have come.
  bool wait_count(std::size_t count, int timeout_ms = 5000) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return lines_.size() >= count; });
  }

 private:
  std::string name_;
  std::vector<std::string>* order_;
  std::mutex* order_mutex_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
};

// Texts that a job's thread adds while a test reads copies.
class RecordedTexts {
 public:
  void add(std::string_view text) {
    std::lock_guard lock(mutex_);
    texts_.emplace_back(text);
  }
  std::vector<std::string> all() const {
    std::lock_guard lock(mutex_);
    return texts_;
  }
  // The last one added, "" before any.
  std::string last() const {
    std::lock_guard lock(mutex_);
    return texts_.empty() ? std::string() : texts_.back();
  }
  void clear() {
    std::lock_guard lock(mutex_);
    texts_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> texts_;
};

// Every progress and status text, oldest first.
class RecordingStatus final : public StatusLine {
 public:
  void set_progress(std::string_view text) override { progress_.add(text); }
  void set_status(std::string_view text) override { status_.add(text); }
  std::vector<std::string> progress() const { return progress_.all(); }
  std::vector<std::string> status() const { return status_.all(); }
  // The texts shown now.
  std::string last_progress() const { return progress_.last(); }
  std::string last_status() const { return status_.last(); }

 private:
  RecordedTexts progress_, status_;
};

// A board channel on which every command succeeds at once. sent(): the commands and lines as
// given; written(): what went out without a wait for "Ok", i.e. each raw write and each sent
// line with its LF. Sent lines are also printed to the report, when there is one.
// The line dialogue and the port at once: every line sent and every text written is kept.
class RecordingChannel final : public BoardChannel, public ScriptedPort {
 public:
  explicit RecordingChannel(ReportSink* report = nullptr) : report_(report) {}
  bool send_and_wait_ok(std::string_view command) override {
    sent_.add(command);
    return true;
  }
  bool wait_line(std::string_view) override { return true; }
  void set_echo_suppressed(bool) override {}
  void send_line(std::string_view text) override {
    if (report_) report_->print_line(text);
    sent_.add(text);
    written_.add(std::string(text) + "\n");
  }
  bool write_text(std::string_view text) override {
    written_.add(text);
    return true;
  }
  std::vector<std::string> sent() const { return sent_.all(); }
  std::vector<std::string> written() const { return written_.all(); }
  void clear() {
    sent_.clear();
    written_.clear();
  }

 private:
  ReportSink* report_;
  RecordedTexts sent_, written_;
};

// Polls cond every few milliseconds until it holds or timeout_ms passed (a hang guard).
template <class Cond>
bool eventually(Cond cond, int timeout_ms = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return cond();
}

}  // namespace vexa::test
