// The SAM-BA download against the simulated AT91SAM7S256 monitor, in process: whole images, the
// page edges, the status poll, every way it fails; our flash applet on its emulated CPU.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "base/messages.h"
#include "download/samba_applet.h"
#include "download/samba_download.h"
#include "download/samba_layout.h"
#include "download/xmodem_crc.h"
#include "download/xmodem_sender.h"
#include "download_fakes.h"
#include "sim/samba_cpu.h"
#include "sim/samba_monitor.h"
#include "sim/samba_session.h"
#include "support/firmware_images.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

using test::MonitorPort;
using test::RecordingStatus;
using test::SharedReport;
using namespace vexa::samba;

class SambaDownload : public ::testing::Test {
 protected:
  bool run(BoardPort& port, std::string_view image, bool verbose = false) {
    SambaDownloadOptions options;
    options.clock = &sleep;
    options.verbose = verbose;
    options.echo = &echo;
    return run_samba_download(port, report, messages, status, image, options);
  }
  bool printed(std::string_view line) const { return report.contains(line); }
  // The flash status poll answers "not ready" to the first n polls.
  static void busy_polls(MonitorPort& port, int n) {
    port.set_tamper([n](std::string_view sent, std::string reply) mutable {
      return sent == "wFFFFFF68,4#" && n-- > 0 ? std::string("\n\r0x00000000\n\r>") : reply;
    });
  }
  std::string flash(MonitorPort& port, std::size_t from, std::size_t count) {
    const auto& bytes = port.chip().flash();
    return std::string(bytes.begin() + static_cast<long>(from),
                       bytes.begin() + static_cast<long>(from + count));
  }

  Messages messages;
  SharedReport report;
  test::SharedEcho echo;
  RecordingStatus status;
  CountingClock sleep;
};

// Whole pages, then a short one, then loose bytes; the fixed pauses and the boot from flash. No
// step depends on the flash's size, so a few pages take every path a whole flash takes.
TEST_F(SambaDownload, ShortLastPageIsFilledWithZerosAndLooseTrailingBytesAreNotProgrammed) {
  // Three loose bytes, the most that make no page of their own, are neither programmed nor in
  // the identity, the exclusive or of the whole little-endian words.
  {
    std::string image = test::random_bytes(512 + 3, 23);
    image.replace(0, 512, 512, '\0');
    image.replace(4, 4, "\x78\x56\x34\x12");
    image.replace(508, 4, std::string("\x01\x00\x00\x80", 4));
    MonitorPort port;
    ASSERT_TRUE(run(port, image));
    EXPECT_EQ(flash(port, 0, 512), image.substr(0, 512));
    EXPECT_TRUE(printed("512(0x200) bytes, 2 pages written"));
    EXPECT_TRUE(printed("512 [0x200] bytes crc= 0x92345679"));
    EXPECT_EQ(port.chip().flash_commands(), (std::vector<std::uint32_t>{0x5A000001u, 0x5A000101u, 0x5A00020Bu}));
    EXPECT_EQ(status.progress(), (std::vector<std::string>{"init done", "256", "512"}));
    EXPECT_EQ(port.session().resets(), 1);
    // The fixed pauses: auto-baud, new line, "dl", "samba", auto-baud again.
    EXPECT_EQ(sleep.pauses, (std::vector<int>{100, 100, 100, 200, 800, 800, 100, 100, 100}));
    EXPECT_EQ(port.speeds(), (std::vector<long>{115200, 115200}));
  }
  {
    // Verbose too: the steps are traced, and the status reply echoed; the flash gets ready at
    // the last of its 20 polls (17 busy answers here, then the simulated controller's own 2).
    report.clear();
    const std::string image = test::random_bytes(1000, 11);
    MonitorPort port;
    busy_polls(port, 17);
    ASSERT_TRUE(run(port, image, true));
    EXPECT_EQ(flash(port, 0, 1000), image);
    EXPECT_EQ(flash(port, 1000, 24), std::string(24, '\0')) << "the fourth page's 24 zero bytes";
    EXPECT_TRUE(printed("1024(0x400) bytes, 4 pages written"));
    for (const char* line : {"115200: \x80\x80#", "115200: dl", "WFFFFFF60,00450100#", "samba init done",
                             "samba preloader done", "G00201600#", "WFFFFFD00,A500000D#"})
      EXPECT_TRUE(printed(line)) << line;
    EXPECT_NE(echo.text().find("0x0000000"), std::string::npos);
  }
}

// "0x00000001" and "0x00000000" are the whole downloads' ready and never-ready replies.
TEST(SambaStatusReply, OnlyBitZeroAfterTheFirstXMeansReady) {
  EXPECT_TRUE(status_reply_ready("0x00000401"));
  EXPECT_FALSE(status_reply_ready("0x00000400"));
  EXPECT_FALSE(status_reply_ready("0001"));  // no 'x': not read at all
}

TEST_F(SambaDownload, FlashNeverReadyEndsWithoutBootBitOrReset) {
  MonitorPort port;
  busy_polls(port, 1000);
  EXPECT_FALSE(run(port, test::random_bytes(600, 3)));
  EXPECT_EQ(std::count(port.writes().begin(), port.writes().end(), "wFFFFFF68,4#"), 20);
  EXPECT_EQ(port.bytes().find("WFFFFFF64,5A00020B#"), std::string::npos);
}

TEST_F(SambaDownload, AFailedStepSaysWhyAndSendsNothingMore) {
  int frames = 0;
  struct Row {
    const char* note;
    std::function<bool(std::string_view sent)> hit;
    std::string answer;  // what the monitor answers instead
    std::string line;
  };
  const std::vector<Row> rows{
      {"a monitor that stops answering: no prompt after the first command",
       [](std::string_view sent) { return sent == "WFFFFFF60,00450100#"; }, "", "Error: Board not in download mode"},
      // The 9 applet blocks, then the first page's two.
      {"the second block of page 0 NAKed: not repeated",
       [&](std::string_view sent) { return !sent.empty() && sent[0] == '\x01' && ++frames == 11; }, "\x15",
       "unexpected response 0x15/\x15"},
      {"an unacknowledged EOT", [](std::string_view sent) { return sent == "\x04"; }, "",
       "unexpected response 0xff/\xff"},
      // The hunt remembers the first byte that was not 0: the prompt's new line.
      {"a monitor that will not receive: no 'C' after the send command",
       [](std::string_view sent) { return sent.substr(0, 1) == "S"; }, "\n\r>", "unexpected response 0x0a/\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.note);
    report.clear();
    MonitorPort port;
    std::size_t written_at_hit = 0;
    port.set_tamper([&](std::string_view sent, std::string reply) {
      if (!row.hit(sent)) return reply;
      written_at_hit = port.bytes().size();
      return row.answer;
    });
    EXPECT_FALSE(run(port, test::random_bytes(1024, 6)));
    EXPECT_TRUE(printed(row.line));
    EXPECT_EQ(port.bytes().size(), written_at_hit) << "nothing at all after the failed answer";
  }
}

// The simulated monitor takes frames apart on its own (a wrong layout is NAKed in the whole
// downloads) but with this CRC; no download sends a short block.
TEST(XmodemCrc, MatchesTheCheckValueAndFillsAShortBlockWithZeros) {
  EXPECT_EQ(xmodem_crc16("123456789"), 0x31C3);
  const std::string frame = xmodem_block(1, "abc");
  ASSERT_EQ(frame.size(), 133u);
  EXPECT_EQ(frame.substr(3, 128), "abc" + std::string(125, '\0'));
}

// Our page-programming applet alone on the emulated ARM7TDMI, with a flash controller slower
// than the simulated board's (the whole downloads above check every page it programs).
TEST(SambaApplet, WaitsForTheFlashControllerBeforeFillingTheLatch) {
  sim::SambaChip chip;
  sim::SambaCpu cpu{chip};
  auto load = [&](std::uint32_t address, std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
      chip.write(address + static_cast<std::uint32_t>(i), 1, static_cast<unsigned char>(bytes[i]));
  };
  load(kAppletEntry, samba_applet());
  chip.write_word(kMcFcr, 0x5A000000u | 0x0B | 1 << 8);  // any command makes it busy
  chip.set_busy_reads(50);
  chip.write_word(kMcFcr, 0x5A000000u | 0x0D | 1 << 8);
  chip.write_word(kPageNumber, 3);
  chip.write_word(kFlagWord, 1);
  load(kPageData, std::string(kPageBytes, 'a'));
  const auto reads_before = chip.status_reads();
  const auto run = cpu.call(kAppletEntry);
  ASSERT_TRUE(run.returned) << run.fault;
  EXPECT_GE(chip.status_reads() - reads_before, 51u) << "it polled MC_FSR until FRDY";
  EXPECT_EQ(chip.flash_commands().back(), 0x5A000301u);
  const auto& flash = chip.flash();
  EXPECT_EQ(std::string(flash.begin() + 3 * kPageBytes, flash.begin() + 4 * kPageBytes), std::string(kPageBytes, 'a'));
}

}  // namespace
}  // namespace vexa
