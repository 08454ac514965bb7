#pragma once
// Runs code the host placed in the simulated chip's RAM, as the monitor's go command does: an
// ARMv4T core (ARM7TDMI class) on the unicorn emulator, with the chip's SRAM, its flash behind
// the page latch and its peripheral registers on the bus.
#include <cstdint>
#include <memory>
#include <string>

#include "sim/samba_chip.h"

namespace vexa::sim {

struct AppletRun {
  bool returned = false;       // the code came back to the monitor
  std::string fault;           // why not, when it did not
};

inline constexpr std::uint64_t kAppletInstructionLimit = 2000000;

class SambaCpu {
 public:
  explicit SambaCpu(SambaChip& chip);
  ~SambaCpu();
  SambaCpu(const SambaCpu&) = delete;
  SambaCpu& operator=(const SambaCpu&) = delete;

  // Calls the code at address (bit 0 set: Thumb) with lr pointing back into the monitor and
  // the monitor's stack; gives up after instruction_limit instructions.
  AppletRun call(std::uint32_t address, std::uint64_t instruction_limit = kAppletInstructionLimit);

 private:
  struct Engine;
  SambaChip& chip_;
  std::unique_ptr<Engine> engine_;
};

}  // namespace vexa::sim
