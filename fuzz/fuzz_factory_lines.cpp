// Lines a board prints during its self-test, fed to the test's line handler for each board type:
// every state stays one of the three, every check names its value and test, a passed range
// check lies within its limits' texts, and the verdicts never outnumber the lines.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/board_jobs.h"
#include "base/messages.h"
#include "config/board_identity.h"
#include "config/configuration.h"
#include "factory/factory_test.h"
#include "fuzz/fuzz_support.h"
#include "link/board_channel.h"
#include "platform/clock.h"
#include "base/report_sink.h"
#include "support/fixed_clocks.h"

using vexa::fuzz::check;

namespace {

class Quiet final : public vexa::ReportSink, public vexa::BoardChannel, public vexa::FactoryTestOutput {
 public:
  void print_line(std::string_view) override {}
  bool send_and_wait_ok(std::string_view) override { return true; }
  bool wait_line(std::string_view) override { return true; }
  void set_echo_suppressed(bool) override {}
  void send_line(std::string_view) override {}
  void redraw_indicator() override {}
  void verdict_beep() override {}
  void verdict_error_sound() override {}
};

struct Rig {
  explicit Rig(const char* identity_line)
      : identity(config, *vexa::parse_identity_line(identity_line)),
        jobs(quiet, messages),
        test(vexa::FactoryTestPorts{quiet, quiet, messages, identity, jobs, clock, quiet}) {}
  vexa::Configuration config{'e'};
  vexa::BoardIdentity identity;
  Quiet quiet;
  vexa::Messages messages;
  vexa::BoardJobs jobs;
  vexa::FixedClock clock{vexa::make_local_time(2026, 12, 6, 12, 0, 0)};
  vexa::FactoryTest test;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Rig rigs[] = {Rig("VexaLog E v1404"), Rig("VexaLog F v1404"), Rig("VexaLog S v1404")};
  vexa::fuzz::Bytes bytes(data, size);
  Rig& rig = rigs[bytes.take() % 3];
  rig.test.reset();
  const int verdicts_before = rig.test.verdicts();
  std::string_view rest = bytes.rest();
  int lines = 0;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    rig.test.on_line(rest.substr(0, end));
    ++lines;
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  }
  for (const int state : rig.test.states())
    check(state == vexa::kTestNotSeen || state == vexa::kTestFailed || state == vexa::kTestPassed);
  for (const vexa::FactoryCheck& c : rig.test.checks()) {
    check(!c.label.empty());
    check(c.test >= 0 && c.test < vexa::kFactoryTestCount);
    check(c.low.empty() == c.high.empty());
  }
  check(rig.test.verdicts() - verdicts_before <= lines);
  return 0;
}
