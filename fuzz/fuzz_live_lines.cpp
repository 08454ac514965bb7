// Live lines ("a3:512 a4:-7=1.25 ...") as the data view reads them, in each display mode and for
// each board class: only the inputs a line names change, each to a finite value, and a received
// zero is kept apart from "no value".
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "analog/live_data.h"
#include "config/board_identity.h"
#include "config/configuration.h"
#include "fuzz/fuzz_support.h"
#include "link/board_channel.h"
#include "platform/clock.h"
#include "support/fixed_clocks.h"

using vexa::fuzz::check;

namespace {

class SilentChannel final : public vexa::BoardChannel {
 public:
  bool send_and_wait_ok(std::string_view) override { return true; }
  bool wait_line(std::string_view) override { return true; }
  void set_echo_suppressed(bool) override {}
  void send_line(std::string_view) override {}
};

struct Rig {
  explicit Rig(const char* identity)
      : board(config, *vexa::parse_identity_line(identity)),
        live(config, board, channel, [] { return false; }, clock) {}
  vexa::Configuration config{'e'};
  vexa::BoardIdentity board;
  SilentChannel channel;
  vexa::FixedClock clock{vexa::make_local_time(2026, 12, 6, 12, 0, 0)};
  vexa::LiveData live;
};

bool names_input(std::string_view line, std::size_t n) {
  const std::string number = std::to_string(n);
  std::string plain = "a";
  plain.append(number).push_back(':');
  std::string padded = "a0";
  padded.append(number).push_back(':');
  return line.find(plain) != std::string_view::npos || (n < 10 && line.find(padded) != std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One rig per board class and display mode, made once: a fresh table, or a mode change, per
  // input would cost far more than the line. Only the inputs a line marks are checked, so what
  // earlier inputs left in the records does not matter.
  static Rig rigs[9] = {Rig("VexaLog E v1404"), Rig("VexaLog F v1404"), Rig("VexaLog S v1404"),
                        Rig("VexaLog E v1404"), Rig("VexaLog F v1404"), Rig("VexaLog S v1404"),
                        Rig("VexaLog E v1404"), Rig("VexaLog F v1404"), Rig("VexaLog S v1404")};
  static const bool modes_set = [] {
    for (int i = 0; i < 9; ++i) rigs[i].live.set_mode(static_cast<vexa::DisplayMode>(i / 3));
    return true;
  }();
  (void)modes_set;
  vexa::fuzz::Bytes bytes(data, size);
  Rig& rig = rigs[bytes.take() % 9];
  rig.live.take_dirty();

  const std::string_view line = bytes.rest();
  rig.live.on_bar_line(line);
  const std::bitset<vexa::kLiveInputs> dirty = rig.live.take_dirty();
  for (std::size_t n = 0; n < vexa::kLiveInputs; ++n) {
    if (!dirty.test(n)) continue;
    const vexa::LiveRecord record = rig.live.record(static_cast<int>(n));
    check(n < 100 && names_input(line, n));
    check(std::isfinite(record.value) && record.value != 0 && record.current == record.value);
  }
  return 0;
}
