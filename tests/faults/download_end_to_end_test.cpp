// The board jobs through the whole link where the fault table does not go: Stop in each download,
// a verbose SAM-BA flash, an empty or refused card file, one worker at a time; and a half line
// before a vanish, which must not start the board's first line once back (the identity line
// would be lost, an upload would store a line made of two).
#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "download/samba_file_download.h"
#include "faults/fault_rig.h"
#include "support/firmware_images.h"

namespace vexa::test {
namespace {

using namespace std::chrono_literals;

// Waits until the worker has sent this many bytes (a hang guard bounds it), then presses Stop.
void stop_when_sent(FaultRig& rig, long bytes) {
  for (int i = 0; i < 4000 && std::atol(rig.status.last_progress().c_str()) < bytes; ++i)
    std::this_thread::sleep_for(2ms);
  rig.jobs.request_stop();
  rig.jobs.wait_worker();
}

std::string card_file(FaultRig& rig, const std::string& content, const std::string& target_name) {
  rig.downloads.set_card_choice({rig.dir.write("host.bin", content), "host.bin", target_name});
  EXPECT_TRUE(rig.downloads.start_card_transfer());
  rig.jobs.wait_worker();
  return TempDir::read(rig.card + "/" + target_name);
}

TEST(DownloadEndToEnd, StopEndsAPageDownloadWithItsCountAndGivesTheLinkBack) {
  const JobDriver& firmware = job_driver(Job::firmware);
  FaultRig rig(firmware.board);
  firmware.prepare(rig);
  ASSERT_TRUE(firmware.begin(rig, false));
  stop_when_sent(rig, 4096);
  EXPECT_TRUE(std::regex_match(rig.report.lines().back(),
                               std::regex(R"(Firmware download e\.hex: stopped, [1-9]\d* of 248 pages written\.)")))
      << rig.transcript();
  EXPECT_FALSE(rig.reported("31744(0x7c00) bytes, 248 pages written"));
  EXPECT_EQ(rig.link_left_wrong(), "");
}

TEST(DownloadEndToEnd, AVerboseSambaFlashTracesItsStepsAndStopSaysWhyAndHowLongAndTheFlashRunsToItsEnd) {
  FaultRig rig({'S', 9600});
  rig.verbose = true;
  // Stop is pressed while the eighth page goes out (seven counted, so the rate is known), however
  // fast the flash runs.
  long total_when_stopped = 0;
  rig.downloads.hooks().samba_download = [&](const DownloadContext& context, std::istream& file) {
    DownloadContext pressed = context;
    pressed.pages = [&, inner = context.pages](int done, int total) {
      if (inner) inner(done, total);
      if (done == 8) {
        total_when_stopped = rig.jobs.current_progress().total;
        rig.jobs.request_stop();
      }
    };
    return samba_file_download(pressed, file);
  };
  rig.downloads.selection().choose(rig.dir.write("s.binb", random_bytes(24 * 256, 11)), "s.binb");
  ASSERT_TRUE(rig.downloads.start_firmware_download());
  rig.jobs.wait_worker();
  EXPECT_EQ(total_when_stopped, 24);
  const std::string all = rig.transcript();
  EXPECT_NE(all.find(rig.messages.message("VtStopSamba") + "\n"), std::string::npos) << all;
  EXPECT_TRUE(std::regex_search(
      all, std::regex(R"(\nIt ends by itself in about \d+ s \((?:[3-9]|1\d|2[0-3]) of 24 pages written\)\.\n)")))
      << all;
  EXPECT_TRUE(rig.reported("6144(0x1800) bytes, 24 pages written")) << all;
  EXPECT_EQ(rig.report.lines().back(), "SAM-BA flash s.binb: done, 24 of 24 pages written.");
  EXPECT_TRUE(rig.reported("samba init done")) << all;
  EXPECT_NE(rig.monitor.text().find("0x00000001"), std::string::npos) << "the flash status reply";
}

TEST(DownloadEndToEnd, AnEmptyWholeStoppedOrRefusedCardCopySaysHowFarItGot) {
  FaultRig rig({'E', 115200});
  EXPECT_TRUE(card_file(rig, "", "EMPTY.DAT").empty());
  EXPECT_EQ(rig.report.lines().back(), "Copy to the memory card EMPTY.DAT: done, 0 bytes sent.");
  EXPECT_TRUE(TempDir::exists(rig.card + "/EMPTY.DAT"));

  rig.downloads.set_card_choice({rig.dir.write("host.bin", random_bytes(60 * 1024, 12)), "host.bin", "HALF.DAT"});
  ASSERT_TRUE(rig.downloads.start_card_transfer());
  stop_when_sent(rig, 270);
  EXPECT_TRUE(std::regex_match(rig.report.lines().back(),
                               std::regex(R"(Copy to the memory card HALF\.DAT: stopped, [1-9]\d* of 61440 bytes sent\.)")))
      << rig.transcript();
  EXPECT_FALSE(rig.session.flags().echo_suppressed.load());
  // A board that never acknowledges the open: nothing went out.
  rig.server.stop();
  card_file(rig, "abc", "NONE.DAT");
  EXPECT_EQ(rig.report.lines().back(), "Copy to the memory card NONE.DAT: failed, 0 of 3 bytes sent.") << rig.transcript();
}

TEST(DownloadEndToEnd, OneWorkerAtATimeAndTheBoardCountsEveryTestLine) {
  FaultRig rig({'E', 115200});
  ASSERT_TRUE(rig.downloads.start_line_sender(kSendLineBurst));
  EXPECT_FALSE(rig.downloads.start_firmware_download());
  EXPECT_FALSE(rig.downloads.start_card_transfer());
  rig.jobs.wait_worker();
  EXPECT_TRUE(rig.reported("100000 lines x 100 = 10000000 chars written"));
  EXPECT_TRUE(rig.reported("Line sender: done, 100000 of 100000 lines sent."));
  long counted = 0;
  eventually([&] {
    rig.server.with_board([&](sim::SimulatedBoard& board) { counted = board.download_side().test_lines(); });
    return counted == 100000;
  }, 10000);
  EXPECT_EQ(counted, 100000);
}

TEST(HalfLineBeforeAVanish, IsNotGluedToTheFirstLineAfterTheBoardCameBack) {
  FaultRig rig({'E', 9600});
  RecordingConsumer lines;
  rig.exchange_lines.reset();
  LineRegistration heard = rig.session.consumers().add(line_place::configuration, lines);
  sim::FaultOptions paced;
  paced.pace = true;
  rig.server.set_faults(paced);
  rig.session.send_line("conf");
  // The identity line came, and part of the next one.
  ASSERT_TRUE(lines.wait_count(1));
  ASSERT_TRUE(eventually([&] {
    const std::string text = rig.echo.text();
    const std::size_t end = text.rfind('\n');
    return end != std::string::npos && text.size() > end + 3 && text.back() != '\r';
  }));
  rig.server.vanish_for(200);
  ASSERT_TRUE(rig.pump([&] { return !rig.session.port().link_is_open(); }, 5000));
  const std::size_t before = lines.lines().size();
  ASSERT_TRUE(rig.link_back(5000));
  rig.session.send_line("conf");
  ASSERT_TRUE(lines.wait_count(before + 1));
  EXPECT_EQ(lines.lines()[before], "VexaLog E v1404") << testing::PrintToString(lines.lines());
  rig.session.stop();  // before the recording consumer goes
}

}  // namespace
}  // namespace vexa::test
