#pragma once
// The board's way into its chip's SAM-BA boot monitor and back: the firmware's "dl" followed
// by "samba" hands the line to the boot monitor (vexaboard --samba starts there); a reset of
// the chip with the boot-from-flash bit set gives it back to the firmware, and then the flash
// can be written to a file.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "sim/samba_monitor.h"

namespace vexa::sim {

struct SambaOptions {
  bool start_in_monitor = false;
  std::string flash_out;       // written at every chip reset when not empty
  bool announce = false;       // report entries and resets on standard error
};

inline constexpr std::uint32_t kBootFromFlashBit = 0x04;  // GPNVM bit 2

class SambaSession {
 public:
  explicit SambaSession(SambaOptions options = {});
  // Power off and on (power_cycle.cpp): the chip resets when its monitor ran.
  void power_cycle();

  bool active() const { return active_; }

  struct Fed {
    std::string to_board;          // for the firmware, in order, before anything else
    bool board_line_cut = false;   // the firmware's half line belonged to the entry command
    std::string reply;             // from the monitor
  };
  Fed feed(std::string_view bytes, std::int64_t now_ms);

  // Created at the first entry; null before.
  SambaMonitor* monitor() { return monitor_.get(); }
  int entries() const { return entries_; }
  int resets() const { return resets_; }
  // The problem of the last flash file write (empty: fine or none).
  const std::string& flash_out_problem() const { return flash_out_problem_; }

 private:
  void enter();
  void chip_reset();
  SambaMonitor& ensure_monitor();

  SambaOptions options_;
  std::unique_ptr<SambaMonitor> monitor_;
  bool active_ = false;
  std::string line_;          // the firmware line being received
  std::string last_line_;     // the last complete non-empty one
  int entries_ = 0;
  int resets_ = 0;
  std::string flash_out_problem_;
};

// Writes the flash image to path; empty text on success, else the reason.
std::string write_flash_file(const std::string& path, const SambaChip& chip);

}  // namespace vexa::sim
