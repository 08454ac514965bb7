// The simulated SAM-BA boot monitor on its own, in what our download uses of it: its text-mode
// commands, XMODEM reception, running code, the flash controller, and the board's way into the
// monitor and out again.
#include <gtest/gtest.h>

#include "download/samba_layout.h"
#include "download/xmodem_crc.h"
#include "download/xmodem_sender.h"
#include "samba_fakes.h"
#include "sim/samba_monitor.h"
#include "sim/samba_session.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using namespace vexa::samba;
using sim::SambaMonitor;

TEST(XmodemCrc, MatchesTheCheckValueAndTheFrameLayout) {
  EXPECT_EQ(xmodem_crc16("123456789"), 0x31C3);
  EXPECT_EQ(xmodem_crc16(""), 0);
  const std::string frame = xmodem_block(0xFF, "abc");
  ASSERT_EQ(frame.size(), 133u);
  EXPECT_EQ(frame.substr(0, 3), std::string("\x01\xff\x00", 3));
  EXPECT_EQ(frame.substr(3, 4), std::string("abc\0", 4)) << "a short block is filled with zeros";
  const std::uint16_t crc = xmodem_crc16(frame.substr(3, 128));
  EXPECT_EQ(static_cast<unsigned char>(frame[131]), crc >> 8);
  EXPECT_EQ(static_cast<unsigned char>(frame[132]), crc & 0xFF);
}

TEST(SambaMonitorCommands, TextModeAnswersWithPromptsAndDropsAFirmwareLine) {
  SambaMonitor monitor;
  EXPECT_EQ(monitor.feed("\x80\x80#"), "\n\r>") << "the auto-baud start";
  EXPECT_EQ(monitor.feed("wFFFFF240,#"), "\n\r0x270B0940\n\r>");
  EXPECT_EQ(monitor.feed("W00201000,11223344#"), "\n\r>");
  EXPECT_EQ(monitor.feed("w00201000,4#"), "\n\r0x11223344\n\r>");
  // A firmware command line that reaches the monitor is dropped at its line end.
  EXPECT_EQ(monitor.feed("conf\r\nw00201000,#"), "\n\r0x11223344\n\r>");
}

TEST(SambaMonitorCommands, ReceivesXmodemTakingRepeatsOnceAndRefusingBadBlocks) {
  SambaMonitor monitor;
  const std::string data = test::random_bytes(300, 1);
  EXPECT_EQ(monitor.feed("S00202000,#"), "C");
  EXPECT_EQ(monitor.feed(xmodem_block(1, data.substr(0, 128))), "\x06");
  EXPECT_EQ(monitor.feed(xmodem_block(1, data.substr(0, 128))), "\x06") << "a repeat is taken once";
  std::string bad = xmodem_block(2, data.substr(128, 128));
  bad[50] ^= 1;
  EXPECT_EQ(monitor.feed(bad), "\x15");
  EXPECT_EQ(monitor.feed(xmodem_block(3, data.substr(256))), "\x15") << "out of order";
  EXPECT_EQ(monitor.feed(xmodem_block(2, data.substr(128, 128))), "\x06");
  EXPECT_EQ(monitor.feed(xmodem_block(3, data.substr(256))), "\x06");
  EXPECT_EQ(monitor.feed("\x04"), "\x06\n\r>");
  EXPECT_EQ(monitor.blocks_received(), 3u);
  for (std::size_t i = 0; i < 384; ++i)
    ASSERT_EQ(monitor.chip().read(0x00202000 + i, 1),
              i < 300 ? static_cast<unsigned char>(data[i]) : 0u) << i;

}

TEST(SambaMonitorCommands, AnAbandonedTransferGivesTheLineBackToTheCommands) {
  SambaMonitor monitor;
  monitor.feed("S00202000,#", 1000);
  monitor.feed("\x01\x01", 1100);  // half a block, then the host goes quiet
  EXPECT_EQ(monitor.feed("w00201000,#", 1100 + sim::kSambaTransferIdleMs + 1), "\n\r0x00000000\n\r>");
}

TEST(SambaMonitorCommands, GoRunsCodeAndACrashLeavesTheHostWithoutAPrompt) {
  SambaMonitor monitor;
  monitor.feed("W00205000,E3A03006#");  // mov r3, #6
  monitor.feed("W00205004,E3E00EDF#");  // mvn r0, #0xDF0 -> 0xFFFFF20F
  monitor.feed("W00205008,E580300D#");  // str r3, [r0, #13] -> DBGU_THR
  monitor.feed("W0020500C,E12FFF1E#");  // bx lr
  EXPECT_EQ(monitor.feed("G00205000#"), "\x06\n\r>");
  EXPECT_EQ(monitor.calls(), 1);
  EXPECT_TRUE(monitor.last_fault().empty());

  monitor.feed("W00205000,E3A00203#");  // mov r0, #0x30000000
  monitor.feed("W00205004,E5900000#");  // ldr r0, [r0]: nothing is there
  EXPECT_EQ(monitor.feed("G00205000#"), "");
  EXPECT_FALSE(monitor.last_fault().empty());
}

TEST(SambaFlashController, ProgramsOnlyOnAKeyedCommandAndKeepsTheBootBits) {
  sim::SambaChip chip;
  // Stores to flash fill the latch; only a keyed write-page programs it.
  chip.write_word(kFlashBase + 0x104, 0x12345678);
  EXPECT_EQ(chip.read_word(kFlashBase + 0x104), 0xFFFFFFFFu);
  chip.write_word(kMcFcr, 0x12000101);  // wrong key
  EXPECT_EQ(chip.read_word(kFlashBase + 0x104), 0xFFFFFFFFu);
  EXPECT_EQ(chip.read_word(kMcFsr) & 0x08, 0x08u) << "PROGE";
  chip.write_word(kFlashBase + 0x104, 0x12345678);
  chip.write_word(kMcFcr, 0x5A000101);
  EXPECT_EQ(chip.read_word(kMcFsr) & 1, 0u) << "busy right after the command";
  EXPECT_EQ(chip.read_word(kMcFsr) & 1, 1u);
  EXPECT_EQ(chip.read_word(kFlashBase + 0x104), 0x12345678u);
  EXPECT_EQ(chip.read_word(kFlashBase + 0x100), 0xFFFFFFFFu) << "the latch was all ones";

  chip.write_word(kMcFcr, kBootFromFlash);
  EXPECT_EQ(chip.gpnvm(), 0x4u);
  chip.read_word(kMcFsr);
  EXPECT_EQ(chip.read_word(kMcFsr) & 0x700, 0x400u);
  chip.write_word(kMcFcr, 0x5A00020D);
  EXPECT_EQ(chip.gpnvm(), 0u);
}

TEST(SambaBoardSession, DlThenSambaHandsTheLineToTheMonitorUntilAResetBootsFromFlash) {
  test::TempDir dir;
  sim::SambaOptions options;
  options.flash_out = dir.file("flash.bin");
  sim::SambaSession session(options);
  auto fed = session.feed("conf\ndl\r\n", 0);
  EXPECT_EQ(fed.to_board, "conf\ndl\r\n");
  EXPECT_FALSE(session.active());
  fed = session.feed("sam", 0);
  EXPECT_EQ(fed.to_board, "sam");
  fed = session.feed("ba\n\x80\x80#", 0);
  EXPECT_TRUE(session.active());
  EXPECT_TRUE(fed.board_line_cut) << "the firmware drops its half of the entry line";
  EXPECT_EQ(fed.to_board, "");
  EXPECT_EQ(fed.reply, "\n\r>");

  // A reset without the boot bit comes back to the boot ROM's monitor.
  fed = session.feed("WFFFFFD00,A500000D#", 0);
  EXPECT_TRUE(session.active());
  EXPECT_EQ(session.resets(), 1);
  EXPECT_EQ(test::TempDir::read(options.flash_out).size(), kFlashBytes);

  // With it the firmware runs again and has the bytes after the reset command.
  fed = session.feed(std::string("WFFFFFF64,5A00020B#WFFFFFD00,A500000D#conf\n"), 0);
  EXPECT_FALSE(session.active());
  EXPECT_EQ(fed.reply, "\n\r>");
  EXPECT_EQ(fed.to_board, "conf\n");
  EXPECT_EQ(session.resets(), 2);

  // "samba" alone, or after another line, is the firmware's.
  sim::SambaSession other;
  EXPECT_EQ(other.feed("samba\nconf\nsamba\n", 0).to_board, "samba\nconf\nsamba\n");
  EXPECT_FALSE(other.active());
  EXPECT_EQ(other.monitor(), nullptr) << "no emulator is started for a board that never enters";
}

}  // namespace
}  // namespace vexa
