#pragma once
// What the benchmarks share: sinks that drop what they are given, and the board simulator run
// as a separate process on a pseudo-terminal, the way a user would run it.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "base/report_sink.h"

extern char** environ;

namespace vexa::bench {

// Logged measurement lines ("12:MM:SS,n,n,n.nnn" CR LF) until the text holds at least bytes;
// lines (when given) gets their count.
inline std::string measurement_lines(std::size_t bytes, std::uint64_t* lines = nullptr) {
  std::string text;
  std::uint64_t count = 0;
  for (int i = 0; text.size() < bytes; ++i, ++count) {
    char line[96];
    std::snprintf(line, sizeof line, "12:%02d:%02d,%d,%d,%d.%03d\r\n", i / 60 % 60, i % 60, i % 4096, i % 777, i % 100,
                  i % 1000);
    text += line;
  }
  if (lines) *lines = count;
  return text;
}

// Processor seconds this process has used, user and system.
inline double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class SilentReport final : public ReportSink {
 public:
  void print_line(std::string_view) override {}
};

class SilentEcho final : public CharSink {
 public:
  void put_char(unsigned char) override {}
  void flush() override {}
};

// vexaboard --type TYPE --pty LINK [extra...], stopped with SIGTERM when this goes.
class SimulatorProcess {
 public:
  SimulatorProcess(const std::string& program, const std::string& type, const std::string& tag,
                   const std::vector<std::string>& extra = {})
      : link_("/tmp/vexa-bench-" + tag + "-" + std::to_string(::getpid())) {
    std::vector<std::string> args = {program, "--type", type, "--pty", link_};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
      return;
    }
    struct stat info {};
    for (int i = 0; i < 500 && ::lstat(link_.c_str(), &info) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~SimulatorProcess() {
    if (pid_ < 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  bool started() const { return pid_ > 0; }
  const std::string& link() const { return link_; }

 private:
  std::string link_;
  pid_t pid_ = -1;
};

}  // namespace vexa::bench
