#pragma once
// An AT91SAM7S256 as its SAM-BA boot monitor and a RAM applet see it: 256 KB of flash behind
// the embedded flash controller (MC_FMR, MC_FCR, MC_FSR, the page latch that stores to flash
// fill, GPNVM and lock bits), 64 KB of SRAM, the boot ROM's vectors at address 0, the debug
// unit (status, transmit holding register, chip id) and the reset controller.
//
// The bus is 32 bits wide; byte and half-word accesses to SRAM and flash work as on the chip,
// peripheral registers are word registers.
#include <cstdint>
#include <string>
#include <vector>

namespace vexa::sim {

inline constexpr std::uint32_t kSam7s256ChipId = 0x270B0940;  // CIDR of an AT91SAM7S256, rev. A
inline constexpr int kGpnvmBits = 3;
inline constexpr int kLockRegions = 16;                       // 64 pages each

class SambaChip {
 public:
  SambaChip();

  std::uint32_t read(std::uint32_t address, unsigned size);
  void write(std::uint32_t address, unsigned size, std::uint32_t value);
  std::uint32_t read_word(std::uint32_t address) { return read(address, 4); }
  void write_word(std::uint32_t address, std::uint32_t value) { write(address, 4, value); }

  std::vector<std::uint8_t>& flash() { return flash_; }
  const std::vector<std::uint8_t>& flash() const { return flash_; }
  std::vector<std::uint8_t>& sram() { return sram_; }
  std::uint32_t gpnvm() const { return gpnvm_; }
  std::uint32_t lock_bits() const { return locks_; }
  std::uint32_t flash_mode() const { return fmr_; }

  // Bytes the debug unit's transmit register took since the last call.
  std::string take_transmitted();
  // Resets the reset controller asked for since the last call.
  int take_resets();
  int resets() const { return resets_total_; }

  // Every MC_FCR write with a valid key, in order (tests look at the command words).
  const std::vector<std::uint32_t>& flash_commands() const { return commands_; }
  void clear_flash_commands() { commands_.clear(); }

  // How many MC_FSR reads after a command still find the controller busy (the programming
  // time); a negative number keeps it busy for ever (a failing part).
  void set_busy_reads(int reads) { busy_reads_setting_ = reads; }
  // MC_FSR reads so far, by the host and by code on the chip.
  std::uint64_t status_reads() const { return status_reads_; }

 private:
  std::uint32_t read_register(std::uint32_t address);
  void write_register(std::uint32_t address, std::uint32_t value);
  void flash_command(std::uint32_t value);
  bool page_locked(std::uint32_t page) const;

  std::vector<std::uint8_t> flash_;
  std::vector<std::uint8_t> sram_;
  std::vector<std::uint8_t> latch_;  // the page buffer the next write-page programs
  std::uint32_t fmr_ = 0;
  std::uint32_t gpnvm_ = 0;
  std::uint32_t locks_ = 0;
  bool security_ = false;
  bool lock_error_ = false;
  bool program_error_ = false;
  int busy_reads_setting_ = 1;
  int busy_reads_left_ = 0;
  std::uint64_t status_reads_ = 0;
  std::string transmitted_;
  int resets_pending_ = 0;
  int resets_total_ = 0;
  std::vector<std::uint32_t> commands_;
};

}  // namespace vexa::sim
