// Round trip of send_and_wait_ok against the board simulator on a pseudo-terminal: an
// assignment line out, "Ok" back. Prints the median and the 99th percentile.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "link/link_session.h"

int main(int argc, char** argv) {
  using namespace vexa;
  const int rounds = argc > 1 ? std::stoi(argv[1]) : 2000;
  bench::SimulatorProcess board(argc > 2 ? argv[2] : "sim/vexaboard", "S", "rt");
  if (!board.started()) {
    std::fprintf(stderr, "bench_round_trip: cannot start the simulator (run from the build folder)\n");
    return 1;
  }
  bench::SilentReport report;
  bench::SilentEcho echo;
  Messages messages;
  LinkSession session(report, echo, messages);
  session.start();
  int status = 0;
  if (!session.open(board.link(), "115200")) {
    std::fprintf(stderr, "bench_round_trip: cannot open %s\n", board.link().c_str());
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
  if (micros.empty()) return 1;
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) { return micros[std::min(micros.size() - 1, static_cast<std::size_t>(q * micros.size()))]; };
  std::printf("round trip (send_and_wait_ok, vexaboard S on a pty): %d rounds, median %.3f ms, p99 %.3f ms, max %.3f ms, %d failed\n",
              rounds, at(0.5) / 1000, at(0.99) / 1000, micros.back() / 1000, failures);
  return failures == 0 ? status : 1;
}
