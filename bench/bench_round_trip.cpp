// Round trip of send_and_wait_ok against the board simulator on a pseudo-terminal: an
// assignment line out, "Ok" back. Prints the median and the 99th percentile.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "link/link_session.h"

extern char** environ;

namespace {

using namespace vexa;

class SilentReport final : public ReportSink {
 public:
  void print_line(std::string_view) override {}
};
class SilentEcho final : public CharSink {
 public:
  void put_char(unsigned char) override {}
  void flush() override {}
};

bool exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::stoi(argv[1]) : 2000;
  std::string board = argc > 2 ? argv[2] : "sim/vexaboard";
  const std::string link = "/tmp/vexa-bench-rt-" + std::to_string(::getpid());
  std::vector<std::string> args = {board, "--type", "S", "--pty", link};
  std::vector<char*> argv_board;
  for (auto& a : args) argv_board.push_back(a.data());
  argv_board.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawn(&pid, board.c_str(), nullptr, nullptr, argv_board.data(), environ) != 0) {
    std::fprintf(stderr, "bench_round_trip: cannot start %s (run from the build folder)\n", board.c_str());
    return 1;
  }
  for (int i = 0; i < 500 && !exists(link); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));

  SilentReport report;
  SilentEcho echo;
  Messages messages;
  LinkSession session(report, echo, messages);
  session.start();
  int status = 0;
  if (!session.open(link, "115200")) {
    std::fprintf(stderr, "bench_round_trip: cannot open %s\n", link.c_str());
    status = 1;
  }
  std::vector<double> micros;
  int failures = 0;
  for (int i = 0; status == 0 && i < rounds; ++i) {
    const std::string command = "ad=" + std::to_string(1 + i % 60);
    auto start = std::chrono::steady_clock::now();
    if (!session.send_and_wait_ok(command)) ++failures;
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  session.stop();
  session.close();
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  if (micros.empty()) return 1;
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) { return micros[std::min(micros.size() - 1, static_cast<std::size_t>(q * micros.size()))]; };
  std::printf("round trip (send_and_wait_ok, vexaboard S on a pty): %d rounds, median %.3f ms, p99 %.3f ms, max %.3f ms, %d failed\n",
              rounds, at(0.5) / 1000, at(0.99) / 1000, micros.back() / 1000, failures);
  return failures == 0 ? status : 1;
}
