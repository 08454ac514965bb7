// Download of a full 'S' configuration (every key the board has, each with a value) to the
// board simulator on a pseudo-terminal, against the wire time of the same bytes at 115200 baud
// (10 bits a byte: the command lines with their LF and the "Ok" replies).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "config/board_identity.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "link/link_session.h"

namespace {

using namespace vexa;

std::string sample_value(const std::string& key) {
  if (analog_input_number(key)) return "a*3.8146851+0,2";
  if (is_macro_key(key)) return "0,3600,ls";
  return "1";
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::stoi(argv[1]) : 5;
  bench::SimulatorProcess board(argc > 2 ? argv[2] : "sim/vexaboard", "S", "dl");
  if (!board.started()) {
    std::fprintf(stderr, "bench_download: cannot start the simulator (run from the build folder)\n");
    return 1;
  }
  Configuration configuration('e');
  BoardIdentity identity(configuration, {"VexaLog S v1404", "VexaLog", 'S', 1404});
  for (const ParameterRecord& record : configuration.snapshot()) {
    if (record.is_free() || is_statistic(record) || !is_available(record, 'S', 1404)) continue;
    configuration.set_parameter(record.key, sample_value(record.key));
  }
  const std::vector<std::string> lines = plan_download(configuration.snapshot(), 'S', 1404);
  std::size_t bytes = 0;
  for (const auto& line : lines) bytes += line.size() + 1 + 3;  // LF, and "Ok" with its LF
  const double wire_s = bytes * 10.0 / 115200.0;

  bench::SilentReport report;
  bench::SilentEcho echo;
  Messages messages;
  LinkSession session(report, echo, messages);
  ConfigExchange exchange(configuration, identity, session, report);
  session.start();
  int status = 0;
  if (!session.open(board.link(), "115200")) {
    std::fprintf(stderr, "bench_download: cannot open %s\n", board.link().c_str());
    status = 1;
  }
  double best = 1e9, total = 0;
  for (int run = 0; status == 0 && run < runs; ++run) {
    auto start = std::chrono::steady_clock::now();
    if (!exchange.download_configuration()) {
      std::fprintf(stderr, "bench_download: the download failed in run %d\n", run + 1);
      status = 1;
      break;
    }
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, s);
    total += s;
  }
  session.stop();
  session.close();
  if (status) return status;
  std::printf("download S: %zu lines, %zu bytes; best %.1f ms, mean %.1f ms over %d runs; "
              "wire time at 115200 baud %.1f ms; ratio %.3f (best / wire)\n",
              lines.size(), bytes, best * 1000, total / runs * 1000, runs, wire_s * 1000, best / wire_s);
  return 0;
}
