#pragma once
// Report, character and status sinks that record what reaches them, safe to fill from the
// receive thread or a job's thread while a test reads them.
#include <algorithm>
#include <chrono>
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

class SharedReport final : public ReportSink {
 public:
  void print_line(std::string_view text) override { lines_.add(text); }
  std::vector<std::string> lines() const { return lines_.all(); }
  bool contains(std::string_view text) const {
    const std::vector<std::string> all = lines_.all();
    return std::find(all.begin(), all.end(), text) != all.end();
  }
  void clear() { lines_.clear(); }

 private:
  RecordedTexts lines_;
};

class SharedEcho final : public CharSink {
 public:
  void put_char(unsigned char c) override { put_text(std::string(1, static_cast<char>(c))); }
  void put_text(std::string_view bytes) override {
    std::lock_guard lock(mutex_);
    text_.append(bytes);
  }
  void flush() override {}
  std::string text() const {
    std::lock_guard lock(mutex_);
    return text_;
  }

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

class RecordingConsumer final : public LineConsumer {
 public:
  explicit RecordingConsumer(std::string name = {}, std::vector<std::string>* order = nullptr,
                             std::mutex* order_mutex = nullptr)
      : name_(std::move(name)), order_(order), order_mutex_(order_mutex) {}
  // The order first: once wait_count sees a line, the order holds it too.
  void on_line(std::string_view line) override {
    if (order_) {
      std::lock_guard lock(*order_mutex_);
      order_->push_back(name_);
    }
    lines_.add(line);
  }
  std::vector<std::string> lines() const { return lines_.all(); }
  // Hang guard: waits until count lines have come.
  bool wait_count(std::size_t count, int timeout_ms = 5000) {
    return eventually([&] { return lines_.all().size() >= count; }, timeout_ms);
  }

 private:
  std::string name_;
  std::vector<std::string>* order_;
  std::mutex* order_mutex_;
  RecordedTexts lines_;
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

// The line dialogue and the port at once, on which every command succeeds at once. sent(): the
// commands and lines as given; written(): each raw write and each sent line with its LF. Sent
// lines are also printed to the report, when there is one.
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

}  // namespace vexa::test
