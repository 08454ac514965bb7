#include "sim/samba_cpu.h"

#include <unicorn/unicorn.h>

#include "base/text_format.h"
#include "download/samba_layout.h"

namespace vexa::sim {

namespace {

using namespace vexa::samba;

// Where the code returns to: an address inside the boot ROM that the emulator stops at
// before fetching from it.
constexpr std::uint32_t kMonitorReturn = 0x00000F00;
// The monitor keeps its stack at the top of SRAM.
constexpr std::uint32_t kMonitorStack = kSramBase + kSramBytes - 0x100;
constexpr std::uint32_t kPeripheralBase = 0xFFFFF000;
constexpr std::uint32_t kPeripheralBytes = 0x1000;
constexpr std::uint32_t kRomBytes = 0x1000;

std::uint64_t flash_read(uc_engine*, std::uint64_t offset, unsigned size, void* chip) {
  return static_cast<SambaChip*>(chip)->read(kFlashBase + static_cast<std::uint32_t>(offset), size);
}
void flash_write(uc_engine*, std::uint64_t offset, unsigned size, std::uint64_t value, void* chip) {
  static_cast<SambaChip*>(chip)->write(kFlashBase + static_cast<std::uint32_t>(offset), size,
                                       static_cast<std::uint32_t>(value));
}
std::uint64_t register_read(uc_engine*, std::uint64_t offset, unsigned size, void* chip) {
  return static_cast<SambaChip*>(chip)->read(kPeripheralBase + static_cast<std::uint32_t>(offset), size);
}
void register_write(uc_engine*, std::uint64_t offset, unsigned size, std::uint64_t value, void* chip) {
  static_cast<SambaChip*>(chip)->write(kPeripheralBase + static_cast<std::uint32_t>(offset), size,
                                       static_cast<std::uint32_t>(value));
}

}  // namespace

struct SambaCpu::Engine {
  uc_engine* uc = nullptr;
  std::string problem;
  ~Engine() {
    if (uc) uc_close(uc);
  }
};

SambaCpu::SambaCpu(SambaChip& chip) : chip_(chip), engine_(std::make_unique<Engine>()) {
  Engine& e = *engine_;
  uc_err err = uc_open(UC_ARCH_ARM, UC_MODE_ARM, &e.uc);
  if (err != UC_ERR_OK) {
    e.uc = nullptr;
    e.problem = std::string("cannot start the ARM emulator: ") + uc_strerror(err);
    return;
  }
  uc_ctl_set_cpu_model(e.uc, UC_CPU_ARM_TI925T);  // ARMv4T, as the ARM7TDMI
  // SRAM is shared with the chip model directly; flash and peripherals go through the model.
  err = uc_mem_map_ptr(e.uc, kSramBase, kSramBytes, UC_PROT_ALL, chip_.sram().data());
  if (err == UC_ERR_OK)
    err = uc_mmio_map(e.uc, kFlashBase, kFlashBytes, flash_read, &chip_, flash_write, &chip_);
  if (err == UC_ERR_OK)
    err = uc_mmio_map(e.uc, kPeripheralBase, kPeripheralBytes, register_read, &chip_,
                      register_write, &chip_);
  // One page of "ROM" holds the return address, so that stopping there is no fetch fault.
  if (err == UC_ERR_OK) err = uc_mem_map(e.uc, 0, kRomBytes, UC_PROT_READ | UC_PROT_EXEC);
  if (err != UC_ERR_OK) {
    e.problem = std::string("cannot map the chip for the ARM emulator: ") + uc_strerror(err);
    uc_close(e.uc);
    e.uc = nullptr;
  }
}

SambaCpu::~SambaCpu() = default;

AppletRun SambaCpu::call(std::uint32_t address, std::uint64_t instruction_limit) {
  Engine& e = *engine_;
  AppletRun run;
  if (!e.uc) {
    run.fault = e.problem;
    return run;
  }
  // The host may have put new code where old code ran: translate afresh.
  uc_ctl_remove_cache(e.uc, kSramBase, kSramBase + kSramBytes);
  std::uint32_t zero = 0;
  for (int reg = UC_ARM_REG_R0; reg <= UC_ARM_REG_R12; ++reg) uc_reg_write(e.uc, reg, &zero);
  std::uint32_t sp = kMonitorStack, lr = kMonitorReturn;
  // Supervisor mode, interrupts off, ARM state: the monitor's own state when it jumps.
  std::uint32_t cpsr = 0xD3;
  uc_reg_write(e.uc, UC_ARM_REG_CPSR, &cpsr);
  uc_reg_write(e.uc, UC_ARM_REG_SP, &sp);
  uc_reg_write(e.uc, UC_ARM_REG_LR, &lr);
  const uc_err err = uc_emu_start(e.uc, address, kMonitorReturn, 0, instruction_limit);
  std::uint32_t pc = 0;
  uc_reg_read(e.uc, UC_ARM_REG_PC, &pc);
  if (err != UC_ERR_OK) {
    run.fault = format_text("%s at pc 0x%08x", uc_strerror(err), pc);
  } else if (pc != kMonitorReturn) {
    run.fault = format_text("still running after %llu instructions, pc 0x%08x",
                            static_cast<unsigned long long>(instruction_limit), pc);
  } else {
    run.returned = true;
  }
  return run;
}

}  // namespace vexa::sim
