// Lines a board prints during its self-test, fed to the test's line handler for each board type:
// every state stays one of the three, every check names its value and test and gives both limits
// or neither, and the verdicts never outnumber the lines.

#include "base/board_jobs.h"
#include "base/messages.h"
#include "factory/factory_test.h"
#include "fuzz/fuzz_support.h"

using vexa::fuzz::check;

namespace {

class Quiet final : public vexa::fuzz::Quiet, public vexa::FactoryTestOutput {
 public:
  void redraw_indicator() override {}
  void verdict_beep() override {}
  void verdict_error_sound() override {}
};

struct Rig : vexa::fuzz::Board {
  explicit Rig(const char* identity_line)
      : Board(identity_line), test(vexa::FactoryTestPorts{quiet, quiet, messages, identity, jobs, clock, quiet}) {}
  Quiet quiet;
  vexa::Messages messages;
  vexa::BoardJobs jobs{quiet, messages};
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
  for (const vexa::FactoryCheck& c : rig.test.checks())
    check(!c.label.empty() && c.test >= 0 && c.test < vexa::kFactoryTestCount &&
          c.low.empty() == c.high.empty());
  check(rig.test.verdicts() - verdicts_before <= lines);
  return 0;
}
