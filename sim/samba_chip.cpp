#include "sim/samba_chip.h"

#include <algorithm>

#include "download/samba_layout.h"

namespace vexa::sim {

namespace {

using namespace vexa::samba;

constexpr std::uint32_t kRomWindow = 0x00100000;   // address 0 maps the boot ROM while in it
constexpr std::uint32_t kRomResetVector = 0xEA000006;  // "b" to the ROM's reset handler
constexpr std::uint32_t kDbguBase = 0xFFFFF200;
constexpr std::uint32_t kDbguExid = 0xFFFFF244;
constexpr std::uint32_t kDbguTxReady = 0x0202;     // TXRDY and TXEMPTY
constexpr std::uint32_t kRstcSr = 0xFFFFFD04;

constexpr std::uint32_t kFcrKeyMask = 0xFF000000;
constexpr std::uint32_t kFmrNoEraseBeforeProgramming = 0x80;  // NEBP

// Flash commands (FCMD) of the embedded flash controller.
enum : std::uint32_t {
  kWritePage = 0x01, kSetLock = 0x02, kWritePageLock = 0x03, kClearLock = 0x04,
  kEraseAll = 0x08, kSetGpnvm = 0x0B, kClearGpnvm = 0x0D, kSetSecurity = 0x0F,
};

// MC_FSR bits besides FRDY.
constexpr std::uint32_t kFsrLockError = 0x04;
constexpr std::uint32_t kFsrProgramError = 0x08;
constexpr std::uint32_t kFsrSecurity = 0x10;
constexpr int kFsrGpnvmShift = 8;
constexpr int kFsrLockShift = 16;

constexpr std::uint32_t kPagesPerLockRegion = kPageCount / kLockRegions;

std::uint32_t load(const std::vector<std::uint8_t>& memory, std::uint32_t offset, unsigned size) {
  std::uint32_t value = 0;
  for (unsigned i = size; i-- > 0;) value = (value << 8) | memory[offset + i];
  return value;
}

void store(std::vector<std::uint8_t>& memory, std::uint32_t offset, unsigned size,
           std::uint32_t value) {
  for (unsigned i = 0; i < size; ++i) memory[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

SambaChip::SambaChip()
    : flash_(kFlashBytes, 0xFF), sram_(kSramBytes, 0), latch_(kPageBytes, 0xFF) {}

std::uint32_t SambaChip::read(std::uint32_t address, unsigned size) {
  if (size != 1 && size != 2) size = 4;
  address &= ~(size - 1);  // the bus ignores the low address bits of a wider access
  if (address < kRomWindow) return address == 0 ? kRomResetVector : 0;
  if (address >= kFlashBase && address < kFlashBase + kFlashBytes)
    return load(flash_, address - kFlashBase, size);
  if (address >= kSramBase && address < kSramBase + kSramBytes)
    return load(sram_, address - kSramBase, size);
  if (address >= 0xFFFFF000) {
    // Registers are words; a narrower read takes its part of the word.
    const std::uint32_t word = read_register(address & ~3u);
    const std::uint32_t part = word >> (8 * (address & 3u));
    return size == 4 ? part : part & ((1u << (8 * size)) - 1);
  }
  return 0;
}

void SambaChip::write(std::uint32_t address, unsigned size, std::uint32_t value) {
  if (size != 1 && size != 2) size = 4;
  address &= ~(size - 1);
  if (address >= kFlashBase && address < kFlashBase + kFlashBytes) {
    // A store to flash lands in the page latch, at its offset within the page.
    store(latch_, (address - kFlashBase) % kPageBytes, size, value);
  } else if (address >= kSramBase && address < kSramBase + kSramBytes) {
    store(sram_, address - kSramBase, size, value);
  } else if (address >= 0xFFFFF000) {
    write_register(address & ~3u, value);
  }
}

std::uint32_t SambaChip::read_register(std::uint32_t address) {
  switch (address) {
    case kMcFmr: return fmr_;
    case kMcFsr: {
      ++status_reads_;
      std::uint32_t status = (gpnvm_ << kFsrGpnvmShift) | (locks_ << kFsrLockShift);
      if (security_) status |= kFsrSecurity;
      if (lock_error_) status |= kFsrLockError;
      if (program_error_) status |= kFsrProgramError;
      lock_error_ = program_error_ = false;  // cleared by the read, as on the chip
      if (busy_reads_setting_ < 0) return status;
      if (busy_reads_left_ > 0) {
        --busy_reads_left_;
        return status;
      }
      return status | kFsrReady;
    }
    case kDbguSr: return kDbguTxReady;
    case kDbguCidr: return kSam7s256ChipId;
    case kDbguExid: return 0;
    case kRstcSr: return 0;
    default: return 0;
  }
}

void SambaChip::write_register(std::uint32_t address, std::uint32_t value) {
  switch (address) {
    case kMcFmr: fmr_ = value; break;
    case kMcFcr: flash_command(value); break;
    case kDbguThr: transmitted_ += static_cast<char>(value & 0xFF); break;
    case kRstcCr:
      if ((value & kFcrKeyMask) == 0xA5000000 && (value & 0x01)) {
        ++resets_pending_;
        ++resets_total_;
      }
      break;
    default: (void)kDbguBase; break;
  }
}

bool SambaChip::page_locked(std::uint32_t page) const {
  return (locks_ >> (page / kPagesPerLockRegion)) & 1;
}

void SambaChip::flash_command(std::uint32_t value) {
  if ((value & kFcrKeyMask) != kFcrKey) {
    program_error_ = true;
    return;
  }
  commands_.push_back(value);
  const std::uint32_t argument = (value & kFcrPageMask) >> 8;
  busy_reads_left_ = busy_reads_setting_;
  switch (value & 0xFF) {
    case kWritePage:
    case kWritePageLock: {
      const std::uint32_t page = argument % kPageCount;
      if (page_locked(page)) {
        lock_error_ = true;
        break;
      }
      std::uint8_t* target = flash_.data() + page * kPageBytes;
      const bool erase_first = (fmr_ & kFmrNoEraseBeforeProgramming) == 0;
      for (std::uint32_t i = 0; i < kPageBytes; ++i)
        target[i] = erase_first ? latch_[i] : static_cast<std::uint8_t>(target[i] & latch_[i]);
      if ((value & 0xFF) == kWritePageLock) locks_ |= 1u << (page / kPagesPerLockRegion);
      break;
    }
    case kSetLock: locks_ |= 1u << ((argument % kPageCount) / kPagesPerLockRegion); break;
    case kClearLock: locks_ &= ~(1u << ((argument % kPageCount) / kPagesPerLockRegion)); break;
    case kEraseAll:
      if (locks_ != 0) {
        lock_error_ = true;
        break;
      }
      std::fill(flash_.begin(), flash_.end(), 0xFF);
      break;
    case kSetGpnvm:
      if (argument < kGpnvmBits) gpnvm_ |= 1u << argument;
      break;
    case kClearGpnvm:
      if (argument < kGpnvmBits) gpnvm_ &= ~(1u << argument);
      break;
    case kSetSecurity: security_ = true; break;
    default: program_error_ = true; break;
  }
  // The latch is set back to all ones by every programming command.
  std::fill(latch_.begin(), latch_.end(), 0xFF);
}

std::string SambaChip::take_transmitted() {
  std::string bytes;
  bytes.swap(transmitted_);
  return bytes;
}

int SambaChip::take_resets() {
  const int resets = resets_pending_;
  resets_pending_ = 0;
  return resets;
}

}  // namespace vexa::sim
