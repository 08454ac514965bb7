// Live lines ("a3:512 a4:-7=1.25 ...") as the data view reads them, in each display mode and for
// each board class: only the inputs a line names change, each to a finite value, and a received
// zero is kept apart from "no value".
#include <cmath>

#include "analog/live_data.h"
#include "fuzz/fuzz_support.h"

using vexa::fuzz::check;

namespace {

constexpr const char* kBoards[] = {"VexaLog E v1404", "VexaLog F v1404", "VexaLog S v1404"};

// Rig n shows board n % 3 in display mode n / 3.
struct Rig : vexa::fuzz::Board {
  Rig(int n) : Board(kBoards[n % 3]) { live.set_mode(static_cast<vexa::DisplayMode>(n / 3)); }
  vexa::fuzz::Quiet channel;
  vexa::LiveData live{config, identity, channel, [] { return false; }, clock};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One rig per board class and display mode, made once: a fresh table or a mode change per input
  // would cost far more than the line. Only the inputs a line marks are checked, so what earlier
  // inputs left in the records does not matter.
  static Rig rigs[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  vexa::fuzz::Bytes bytes(data, size);
  Rig& rig = rigs[bytes.take() % 9];
  rig.live.take_dirty();

  const std::string_view line = bytes.rest();
  rig.live.on_bar_line(line);
  const std::bitset<vexa::kLiveInputs> dirty = rig.live.take_dirty();
  for (std::size_t n = 0; n < vexa::kLiveInputs; ++n) {
    if (!dirty.test(n)) continue;
    const vexa::LiveRecord record = rig.live.record(static_cast<int>(n));
    const std::string number = std::to_string(n) + ":";
    check(n < 100 && (line.find("a" + number) != line.npos || (n < 10 && line.find("a0" + number) != line.npos)));
    check(std::isfinite(record.value) && record.value != 0 && record.current == record.value);
  }
  return 0;
}
