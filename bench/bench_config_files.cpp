// Loading, comparing and saving a full configuration file: every defined parameter with a
// value, 400 keys the tables do not know and names and types for 40 analog inputs, so that
// the table is nearly full. Prints the median and the slowest time of each operation.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "bench_support.h"
#include "config/board_identity.h"
#include "config/config_files.h"
#include "config/configuration.h"
#include "config/file_chooser.h"
#include "config/parameter_table.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "support/fixed_clocks.h"

namespace {

std::string full_file() {
  std::string text = "# VexaLog E v1404\n";
  for (const vexa::ParameterDefinition& row : vexa::parameter_definitions())
    text += row.key + "=" + (row.key[0] == 'm' ? "30,1000ms,st;up x" : "12") + "\n";
  for (int i = 0; i < 400; ++i) text += "u" + std::to_string(i) + "=" + std::to_string(i * 7) + "\n";
  for (int i = 0; i < 40; ++i) {
    const std::string key = "a" + std::to_string(i);
    text += key + ".name=Channel " + std::to_string(i) + "\n" + key + ".type=Pt100\n";
  }
  return text;
}

struct Figures {
  const char* name;
  std::vector<double> micros;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace vexa;
  const int rounds = argc > 1 ? std::stoi(argv[1]) : 300;
  const std::string folder = "/tmp/vexa_bench_config_" + std::to_string(::getpid());
  const std::string source = folder + "_in.txt";
  const std::string saved = folder + "_saved.txt";
  const std::string text = full_file();
  if (!write_file_atomically(source, text)) {
    std::fprintf(stderr, "bench_config_files: cannot write %s\n", source.c_str());
    return 1;
  }
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog E v1404"));
  bench::SilentReport report;
  Messages messages("VexaLog", 'e');
  FixedClock clock(make_local_time(2026, 12, 8, 12, 0, 0));
  ConfigFiles files(config, identity, report, messages, clock, nullptr, PathCase::keep);
  GivenPathChooser open_source(source);
  GivenPathChooser save_to(saved);

  int errors = -1;
  std::vector<Figures> figures{{"load", {}}, {"compare", {}}, {"save", {}}};
  const std::vector<std::function<bool()>> steps{
      [&] { return files.load_configuration(open_source); },
      [&] { return files.compare_configuration(open_source, &errors) && errors == 0; },
      [&] { return files.save_configuration(save_to); }};
  int failures = 0;
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const auto start = std::chrono::steady_clock::now();
      if (!steps[i]()) ++failures;
      figures[i].micros.push_back(
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
  }
  ::unlink(source.c_str());
  ::unlink(saved.c_str());
  const std::size_t keys = config.read([](const ParameterTable& table) {
    return static_cast<std::size_t>(std::count_if(table.begin(), table.end(),
                                                  [](const ParameterRecord& r) { return !r.key.empty(); }));
  });
  std::printf("configuration file (%zu bytes, %zu keys in the table), %d rounds:\n", text.size(), keys, rounds);
  for (Figures& f : figures) {
    std::sort(f.micros.begin(), f.micros.end());
    std::printf("  %-8s median %8.1f us, max %8.1f us\n", f.name, f.micros[f.micros.size() / 2], f.micros.back());
  }
  if (failures) std::printf("  %d operations failed\n", failures);
  return failures == 0 ? 0 : 1;
}
