// Our page-programming applet alone on the emulated ARM7TDMI: the mailbox in, the flash page,
// the write-page command and the optional 0x06 out.
#include <gtest/gtest.h>

#include <utility>

#include "download/samba_applet.h"
#include "download/samba_layout.h"
#include "samba_fakes.h"
#include "sim/samba_cpu.h"

namespace vexa {
namespace {

using namespace vexa::samba;

struct AppletChip {
  sim::SambaChip chip;
  sim::SambaCpu cpu{chip};

  AppletChip() {
    const std::string_view applet = samba_applet();
    for (std::size_t i = 0; i < applet.size(); ++i)
      chip.write(kAppletEntry + static_cast<std::uint32_t>(i), 1, static_cast<unsigned char>(applet[i]));
  }
  void mailbox(std::uint32_t page, std::uint32_t flag, const std::string& data) {
    chip.write_word(kPageNumber, page);
    chip.write_word(kFlagWord, flag);
    for (std::size_t i = 0; i < data.size(); ++i)
      chip.write(kPageData + static_cast<std::uint32_t>(i), 1, static_cast<unsigned char>(data[i]));
  }
  std::string page_bytes(std::uint32_t page) const {
    const auto& flash = chip.flash();
    return std::string(flash.begin() + page * kPageBytes, flash.begin() + (page + 1) * kPageBytes);
  }
};

TEST(SambaApplet, ProgramsTheMailboxPageAndAnswersOnlyWhenAsked) {
  // A page number beyond the flash stays inside it.
  const std::pair<std::uint32_t, std::uint32_t> pages[] = {{0, 0}, {1, 1}, {511, 511}, {1023, 1023}, {1024 + 5, 5}};
  for (const auto& [asked, page] : pages) {
    for (std::uint32_t flag : {0u, 1u}) {
      SCOPED_TRACE(testing::Message() << "page " << asked << " flag " << flag);
      AppletChip board;
      const std::string data = test::random_bytes(kPageBytes, page * 2 + flag + 1);
      board.mailbox(asked, flag, data);
      const sim::AppletRun run = board.cpu.call(kAppletEntry);
      ASSERT_TRUE(run.returned) << run.fault;
      EXPECT_EQ(board.page_bytes(page), data);
      // Nothing but this page changed.
      for (std::uint32_t other : {0u, 1u, 511u, 1023u})
        if (other != page) {
          EXPECT_EQ(board.page_bytes(other), std::string(kPageBytes, '\xff'));
        }
      ASSERT_EQ(board.chip.flash_commands().size(), 1u);
      EXPECT_EQ(board.chip.flash_commands()[0], 0x5A000001u | page << 8);
      EXPECT_EQ(board.chip.take_transmitted(), flag ? std::string("\x06") : std::string());
      // The mailbox is left as it was: the host may look at it.
      EXPECT_EQ(board.chip.read_word(kPageNumber), asked);
    }
  }
}

TEST(SambaApplet, WaitsForTheFlashControllerBeforeFillingTheLatch) {
  AppletChip slow;
  slow.chip.write_word(kMcFcr, 0x5A000000u | 0x0B | 1 << 8);  // any command makes it busy
  slow.chip.set_busy_reads(50);
  slow.chip.write_word(kMcFcr, 0x5A000000u | 0x0D | 1 << 8);
  slow.mailbox(3, 1, std::string(kPageBytes, 'a'));
  const auto reads_before = slow.chip.status_reads();
  const auto slow_run = slow.cpu.call(kAppletEntry);
  ASSERT_TRUE(slow_run.returned) << slow_run.fault;
  EXPECT_GE(slow.chip.status_reads() - reads_before, 51u) << "it polled MC_FSR until FRDY";
  EXPECT_EQ(slow.chip.flash_commands().back(), 0x5A000301u);
  EXPECT_EQ(slow.page_bytes(3), std::string(kPageBytes, 'a'));

  // A controller that never gets ready: the applet never writes and never returns.
  AppletChip stuck;
  stuck.chip.set_busy_reads(-1);
  stuck.mailbox(3, 1, std::string(kPageBytes, 'a'));
  const auto stuck_run = stuck.cpu.call(kAppletEntry, 100000);
  EXPECT_FALSE(stuck_run.returned);
  EXPECT_TRUE(stuck.chip.flash_commands().empty());
  EXPECT_EQ(stuck.page_bytes(3), std::string(kPageBytes, '\xff'));
}

TEST(SambaApplet, RunsAgainAfterTheHostReplacedTheCode) {
  AppletChip board;
  board.mailbox(2, 0, std::string(kPageBytes, 'q'));
  ASSERT_TRUE(board.cpu.call(kAppletEntry).returned);
  // Replace the entry with "bx lr" (ARM): the emulator must not run the old translation.
  board.chip.write_word(kAppletEntry, 0xE12FFF1E);
  board.mailbox(4, 1, std::string(kPageBytes, 'r'));
  ASSERT_TRUE(board.cpu.call(kAppletEntry).returned);
  EXPECT_EQ(board.page_bytes(4), std::string(kPageBytes, '\xff'));
  EXPECT_EQ(board.chip.flash_commands().size(), 1u);
}

}  // namespace
}  // namespace vexa
