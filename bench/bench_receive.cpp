// Receive throughput: a board streams data lines through a pseudo-terminal into the link with
// every line consumer registered (the real configuration handler among them) and the real
// terminal logic echoing. Prints MB/s and the
// process CPU seconds per MB (the writer's share included, so it is an upper bound).
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

#include "bench_support.h"
#include "config/board_identity.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "link/link_session.h"
#include "platform/pseudo_terminal.h"
#include "terminal/terminal.h"
#include "terminal/text_views.h"

namespace {

using namespace vexa;

class CountingConsumer final : public LineConsumer {
 public:
  void on_line(std::string_view line) override {
    count.fetch_add(1, std::memory_order_relaxed);
    chars.fetch_add(line.size(), std::memory_order_relaxed);
  }
  std::atomic<std::uint64_t> count{0};
  std::atomic<std::uint64_t> chars{0};
};

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::stoul(argv[1]) : 50;
  // A logger's data lines: time stamp and a row of channel values.
  std::string block;
  for (int i = 0; block.size() < (1 << 20); ++i) {
    char line[128];
    std::snprintf(line, sizeof line, "12:%02d:%02d,%d,%d,%d.%03d,-%d,%d\r\n", i / 60 % 60, i % 60,
                  i % 4096, (i * 7) % 4096, i % 100, i % 1000, i % 50, i);
    block += line;
  }
  const std::uint64_t lines_per_block = std::count(block.begin(), block.end(), '\n');

  PseudoTerminal pty;
  if (!pty.is_open()) {
    std::fprintf(stderr, "bench_receive: cannot create a pseudo-terminal\n");
    return 1;
  }
  const std::string link = "/tmp/vexa-bench-receive-" + std::to_string(::getpid());
  std::filesystem::remove(link);
  std::filesystem::create_symlink(pty.slave_path(), link);

  Messages messages;
  TextBufferView view;
  Terminal terminal(view);
  bench::SilentReport report;
  LinkSession session(report, terminal, messages);
  // Every place the session fills: counters where the tabs, the test and the loader listen, the
  // configuration exchange last.
  constexpr LinePlace kCounted[] = {line_place::upload, line_place::analog_tab, line_place::data_view,
                                    line_place::factory_test, line_place::loader};
  CountingConsumer consumers[std::size(kCounted)];
  Configuration configuration('e');
  BoardIdentity identity(configuration, {"VexaLog S v1404", "VexaLog", 'S', 1404});
  ConfigExchange exchange(configuration, identity, session, report);
  std::vector<LineRegistration> registrations;
  for (std::size_t i = 0; i < std::size(kCounted); ++i)
    registrations.push_back(session.consumers().add(kCounted[i], consumers[i]));
  registrations.push_back(session.consumers().add(line_place::configuration, exchange));
  session.start();
  if (!session.open(link, "115200")) {
    std::fprintf(stderr, "bench_receive: cannot open %s\n", link.c_str());
    return 1;
  }
  const std::uint64_t expected_lines = lines_per_block * megabytes;
  auto& last = consumers[std::size(kCounted) - 1];

  const double cpu_start = bench::cpu_seconds();
  const auto start = std::chrono::steady_clock::now();
  std::thread writer([&] {
    for (std::size_t i = 0; i < megabytes; ++i) pty.write(block);
  });
  const auto give_up = start + std::chrono::seconds(120);
  while (last.count.load() < expected_lines && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  const auto end = std::chrono::steady_clock::now();
  const double cpu = bench::cpu_seconds() - cpu_start;
  writer.join();
  session.stop();
  session.close();
  std::filesystem::remove(link);

  const double seconds = std::chrono::duration<double>(end - start).count();
  const double mb = static_cast<double>(block.size()) * megabytes / 1e6;
  std::printf("receive: %.1f MB in %.3f s = %.1f MB/s; %.4f CPU s/MB (process); %llu of %llu lines%s\n", mb,
              seconds, mb / seconds, cpu / mb, static_cast<unsigned long long>(last.count.load()),
              static_cast<unsigned long long>(expected_lines),
              last.count.load() == expected_lines ? "" : " (LINES LOST)");
  return last.count.load() == expected_lines ? 0 : 1;
}
