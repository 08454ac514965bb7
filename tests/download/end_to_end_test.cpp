// Downloads through the whole link (serial port layer, receive thread, job gate, worker) to
// the simulated board on a pseudo-terminal: flashed images compared byte for byte, memory-card
// files compared with their sources, the end summaries, the link given back, one worker at a time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <regex>
#include <thread>

#include "base/text_format.h"
#include "config/board_identity.h"
#include "config/configuration.h"
#include "download/download_commands.h"
#include "download/samba_file_download.h"
#include "download_fakes.h"
#include "sim/board_server.h"
#include "support/firmware_images.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using namespace std::chrono_literals;
using test::image_with_identity;
using test::random_bytes;
using test::to_hex;

struct Rig {
  test::TempDir dir;
  std::string link = dir.file("board");
  std::string flash = dir.file("flash.bin");
  std::string card = dir.file("card");
  sim::BoardServer server;
  test::SharedReport report;
  test::SharedEcho echo;
  Messages messages;
  test::RecordingStatus status;
  Configuration configuration{'e'};
  BoardIdentity identity{configuration, *parse_identity_line("VexaLog E v1404")};
  BoardIdentityTarget target{identity};
  LinkSession session{report, echo, messages};
  BoardJobs jobs{report, messages};
  bool verbose = false;      // the Tools menu's switch
  test::SharedEcho monitor;  // the terminal as the SAM-BA prompt wait echoes to it
  DownloadCommands commands;
  LineRegistration loader_lines;

  explicit Rig(int loader_row, char type = 'E', long speed = 9600, bool bin = false,
               const std::function<void(sim::DownloadSideOptions&)>& more = {})
      : server(sim::BoardConfiguration(sim::BoardKind{type, 1404, "VexaLog"})),
        commands({session, report, messages, status, jobs, target, nullptr, nullptr, [this] { return verbose; },
                  nullptr, &monitor},
                 "VexaLog") {
    std::filesystem::create_directory(card);
    sim::DownloadSideOptions options;
    options.loader.row = loader_row;
    options.loader.bin_frames = bin;
    options.loader.flash_out = flash;
    options.card.folder = card;
    if (more) more(options);
    server.with_board([&](sim::SimulatedBoard& board) { board.download_side().configure(options); });
    EXPECT_EQ(server.start_pty(link), "");
    loader_lines = session.consumers().add(line_place::loader, commands.detector());
    session.start();
    EXPECT_TRUE(session.open(link, std::to_string(speed)));
  }
  ~Rig() {
    jobs.shutdown();
    session.stop();
    session.close();
    loader_lines.reset();
  }
  bool start_firmware(const std::string& name, const std::string& content) {
    commands.selection().choose(dir.write(name, content), name);
    return commands.start_firmware_download();
  }
  bool flash_firmware(const std::string& name, const std::string& content) {
    if (!start_firmware(name, content)) return false;
    jobs.wait_worker();
    return true;
  }
  // Waits until the worker has sent this many bytes (a hang guard bounds it), then presses Stop
  // or takes the board away.
  void when_sent(long bytes, const std::function<void()>& then) {
    for (int i = 0; i < 4000 && jobs.current_progress().done < bytes &&
                    std::atol(status.last_progress().c_str()) < bytes; ++i)
      std::this_thread::sleep_for(2ms);
    then();
    jobs.wait_worker();
  }
  std::string card_file(const std::string& content, const std::string& target_name) {
    commands.set_card_choice({dir.write("host.bin", content), "host.bin", target_name});
    EXPECT_TRUE(commands.start_card_transfer());
    jobs.wait_worker();
    return test::TempDir::read(card + "/" + target_name);
  }
  std::string transcript() {
    std::string all;
    for (const auto& line : report.lines()) all += line + "\n";
    return all;
  }
  // The image the board wrote when its loader ended ("go" is not awaited, so wait for it).
  std::string flashed(std::size_t n) {
    std::string image;
    for (int i = 0; i < 500 && (image = test::TempDir::read(flash)).size() < n; ++i)
      std::this_thread::sleep_for(10ms);
    return image.substr(0, n);
  }
  // The receive thread reads again and the board is back in its firmware.
  bool link_answers() { return session.send_and_wait_ok("z"); }
};

// A whole HEX image (and one cut short) goes through the fault table; here the bin image.
TEST(EndToEnd, BinImageWithItsWordSumIdentityAndTheLinkBackAt9600) {
  Rig rig(4, 'S', 9600, true);
  rig.identity.accept_identity("VexaLog S v1404");
  // A "bin" image whose 32-bit word sum is the 'S' row's identity.
  std::string image = random_bytes(63488, 4);
  std::uint32_t sum = 0;
  for (std::size_t i = 4; i < image.size(); i += 4) {
    std::uint32_t w;
    std::memcpy(&w, image.data() + i, 4);
    sum += w;
  }
  const std::uint32_t first = 0x12341234u - sum;
  std::memcpy(image.data(), &first, 4);
  ASSERT_TRUE(rig.flash_firmware("s.bin", image));
  EXPECT_TRUE(rig.report.contains("63488 [0xf800] bytes crc= 0x12341234"));
  EXPECT_TRUE(rig.report.contains("63488(0xf800) bytes, 248 pages written"));
  EXPECT_TRUE(rig.flashed(63488) == image) << rig.transcript();
  EXPECT_EQ(rig.session.port().speed(), 9600);
  EXPECT_TRUE(rig.link_answers());
  EXPECT_EQ(rig.commands.selection().recent_menu_items().size(), 1u);
}

TEST(EndToEnd, NoBannerAndStopEndWithTheSummary) {
  const std::string hex = to_hex(image_with_identity(31744, 0x2345, 5));
  {
    Rig rig(1, 'E', 9600, false, [](sim::DownloadSideOptions& o) { o.loader.banner = false; });
    ASSERT_TRUE(rig.flash_firmware("e.hex", hex));
    EXPECT_TRUE(rig.report.contains("Error: Board not in download mode"));
    EXPECT_EQ(rig.report.lines().back(), "Firmware download e.hex: failed, 0 of 248 pages written.");
    EXPECT_TRUE(rig.link_answers());
  }
  {
    Rig rig(2);
    ASSERT_TRUE(rig.start_firmware("e.hex", hex));
    rig.when_sent(4096, [&] { rig.jobs.request_stop(); });
    EXPECT_TRUE(std::regex_match(rig.report.lines().back(),
                                 std::regex(R"(Firmware download e\.hex: stopped, [1-9]\d* of 248 pages written\.)")))
        << rig.transcript();
    EXPECT_FALSE(rig.report.contains("31744(0x7c00) bytes, 248 pages written"));
    EXPECT_EQ(rig.session.port().speed(), 9600);
  }
}

TEST(EndToEnd, SambaImageInVerboseModeEchoesTheMonitorAndLeavesTheLinkAt115200) {
  Rig rig(1, 'S');  // an S board's "dl" reaches the boot monitor
  rig.commands.hooks().samba_download = samba_file_download;
  rig.verbose = true;
  ASSERT_TRUE(rig.flash_firmware("s.binb", random_bytes(600, 9)));
  EXPECT_TRUE(rig.report.contains("768(0x300) bytes, 3 pages written")) << rig.transcript();
  EXPECT_EQ(rig.report.lines().back(), "SAM-BA flash s.binb: done, 3 of 3 pages written.");
  EXPECT_NE(rig.monitor.text().find("0x00000001"), std::string::npos) << "the flash status reply";
  EXPECT_EQ(rig.session.port().speed(), 115200);
}

TEST(EndToEnd, StopDuringASambaFlashSaysWhyAndHowLongAndTheFlashRunsToItsEnd) {
  Rig rig(1, 'S');
  // Stop is pressed while the eighth page goes out (seven counted, so the rate is known), however
  // fast the flash runs.
  long total_when_stopped = 0;
  rig.commands.hooks().samba_download = [&rig, &total_when_stopped](const DownloadContext& context, std::istream& file) {
    DownloadContext pressed = context;
    pressed.pages = [&rig, &total_when_stopped, inner = context.pages](int done, int total) {
      if (inner) inner(done, total);
      if (done == 8) {
        total_when_stopped = rig.jobs.current_progress().total;
        rig.jobs.request_stop();
      }
    };
    return samba_file_download(pressed, file);
  };
  ASSERT_TRUE(rig.flash_firmware("s.binb", random_bytes(24 * 256, 11)));
  EXPECT_EQ(total_when_stopped, 24);
  const std::string all = rig.transcript();
  EXPECT_NE(all.find(rig.messages.message("VtStopSamba") + "\n"), std::string::npos) << all;
  EXPECT_TRUE(std::regex_search(
      all, std::regex(R"(\nIt ends by itself in about \d+ s \((?:[3-9]|1\d|2[0-3]) of 24 pages written\)\.\n)")))
      << all;
  EXPECT_TRUE(rig.report.contains("6144(0x1800) bytes, 24 pages written")) << all;
  EXPECT_EQ(rig.report.lines().back(), "SAM-BA flash s.binb: done, 24 of 24 pages written.");
}

TEST(EndToEnd, MemoryCardFilesArriveWholeAndAStoppedOrRefusedCopySaysHowFarItGot) {
  Rig rig(1, 'S', 115200);
  const std::string big = random_bytes(300 * 1024, 8);
  EXPECT_TRUE(rig.card_file(big, "BIG.DAT") == big) << rig.transcript();
  EXPECT_EQ(rig.report.lines().back(), "Copy to the memory card BIG.DAT: done, 307200 of 307200 bytes sent.");
  EXPECT_FALSE(rig.session.flags().echo_suppressed.load());
  EXPECT_TRUE(rig.card_file("", "EMPTY.DAT").empty());
  EXPECT_EQ(rig.report.lines().back(), "Copy to the memory card EMPTY.DAT: done, 0 bytes sent.");
  EXPECT_TRUE(test::TempDir::exists(rig.card + "/EMPTY.DAT"));
  EXPECT_EQ(rig.card_file(std::string(28, 'Q'), "Q28.DAT"), std::string(28, 'Q'));
  EXPECT_EQ(rig.transcript().find("retries"), std::string::npos);
  rig.server.with_board([](sim::SimulatedBoard& board) { EXPECT_TRUE(board.download_side().card().closed_well()); });

  rig.commands.set_card_choice({rig.dir.write("host.bin", random_bytes(60 * 1024, 12)), "host.bin", "HALF.DAT"});
  ASSERT_TRUE(rig.commands.start_card_transfer());
  rig.when_sent(270, [&] { rig.jobs.request_stop(); });
  EXPECT_TRUE(std::regex_match(rig.report.lines().back(),
                               std::regex(R"(Copy to the memory card HALF\.DAT: stopped, [1-9]\d* of 61440 bytes sent\.)")))
      << rig.transcript();
  // A board that never acknowledges the open: nothing went out.
  rig.server.stop();
  rig.card_file("abc", "NONE.DAT");
  EXPECT_EQ(rig.report.lines().back(), "Copy to the memory card NONE.DAT: failed, 0 of 3 bytes sent.") << rig.transcript();

  Rig shouting(1, 'E', 9600, false, [](sim::DownloadSideOptions& o) { o.card.upper_ack = true; });
  EXPECT_EQ(shouting.card_file(std::string(100, 'u'), "U.DAT"), std::string(100, 'u'));
}

TEST(EndToEnd, OneWorkerAtATimeAndTheLineSenderCounted) {
  Rig rig(1, 'S', 115200);
  ASSERT_TRUE(rig.commands.start_line_sender(kSendLineEveryQuarter));
  EXPECT_FALSE(rig.commands.start_firmware_download());
  EXPECT_FALSE(rig.commands.start_card_transfer());
  std::this_thread::sleep_for(600ms);
  rig.jobs.request_stop();
  rig.jobs.wait_worker();
  auto lines = rig.report.lines();
  ASSERT_GE(lines.size(), 2u);
  const std::string& summary = lines[lines.size() - 2];
  const int sent = std::atoi(summary.c_str());
  EXPECT_GE(sent, 1);
  EXPECT_EQ(summary, format_text("%d lines x 100 = %d chars written", sent, sent * 100));
  EXPECT_EQ(lines.back(), format_text("Line sender: stopped, %d lines sent.", sent));

  rig.report.clear();
  ASSERT_TRUE(rig.commands.start_line_sender(kSendLineBurst));
  rig.jobs.wait_worker();
  EXPECT_TRUE(rig.report.contains("100000 lines x 100 = 10000000 chars written"));
  EXPECT_TRUE(rig.report.contains("Line sender: done, 100000 of 100000 lines sent."));
  long counted = 0;
  for (int i = 0; i < 2000 && counted < 100000 + sent; ++i) {
    rig.server.with_board([&](sim::SimulatedBoard& board) { counted = board.download_side().test_lines(); });
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(counted, 100000 + sent);
}

}  // namespace
}  // namespace vexa
