#pragma once
// The SAM-BA boot monitor of a simulated AT91SAM7S256: bytes from the host in, bytes to the
// host out.
//
// Commands end with '#'; a byte that cannot belong to a command (CR, LF, the auto-baud 0x80)
// drops what was collected, so a firmware command line that reaches the monitor does no harm.
//   N#            binary mode ("\n\r")          T#           terminal mode
//   V#            version text                  #            (empty) the prompt: auto-baud done
//   wADDR,#       read a word; hADDR,# half word; oADDR,# byte
//   WADDR,VALUE#  write a word; HADDR,VALUE# half word; OADDR,VALUE# byte
//   SADDR,[SIZE]# receive with XMODEM-CRC to ADDR (no SIZE: until EOT)
//   RADDR,SIZE#   send SIZE bytes from ADDR with XMODEM-CRC
//   GADDR#        call the code at ADDR (bit 0: Thumb) on the emulated core
// In terminal mode every command ends with the prompt "\n\r>" and reads answer "\n\r0x...";
// in binary mode there is no prompt and reads answer raw little-endian bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/samba_chip.h"
#include "sim/samba_cpu.h"

namespace vexa::sim {

inline constexpr char kSambaVersion[] = "v1.4 Nov 10 2004 14:47:34";
inline constexpr std::string_view kSambaPrompt = "\n\r>";
// A transfer that hears nothing for this long is given up, as the monitor's own time-out does.
inline constexpr std::int64_t kSambaTransferIdleMs = 3000;

class SambaMonitor {
 public:
  SambaMonitor();

  // Takes received bytes at time now_ms (monotonic); returns what the monitor sends back. It
  // stops after a command that reset the chip; consumed (when given) tells how far it came.
  std::string feed(std::string_view bytes, std::int64_t now_ms = 0,
                   std::size_t* consumed = nullptr);
  // Back to the state after power-up: terminal mode, nothing half received (flash kept).
  void restart();

  SambaChip& chip() { return chip_; }
  const SambaChip& chip() const { return chip_; }
  bool terminal_mode() const { return terminal_; }
  // Calls of code through "G", and the last one's fault (empty when it returned).
  int calls() const { return calls_; }
  const std::string& last_fault() const { return last_fault_; }
  std::uint64_t blocks_received() const { return blocks_received_; }

 private:
  enum class State { command, receiving, sending };
  void command_byte(unsigned char c, std::string& out);
  void execute(const std::string& command, std::string& out);
  void receive_byte(unsigned char c, std::string& out);
  void send_byte(unsigned char c, std::string& out);
  void finish_transfer(std::string& out);
  void prompt(std::string& out) const;

  SambaChip chip_;
  SambaCpu cpu_{chip_};
  State state_ = State::command;
  bool terminal_ = true;
  std::string command_;
  std::int64_t last_byte_ms_ = 0;
  // XMODEM state of the transfer in progress.
  std::uint32_t address_ = 0;
  std::uint64_t remaining_ = 0;   // receive: bytes still to store (a size of 0: unlimited)
  bool unlimited_ = false;
  std::uint8_t block_number_ = 1;
  std::string block_;
  bool end_sent_ = false;
  int calls_ = 0;
  std::string last_fault_;
  std::uint64_t blocks_received_ = 0;
};

}  // namespace vexa::sim
