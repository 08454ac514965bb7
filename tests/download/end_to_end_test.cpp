// Downloads through the whole link (serial port layer, receive thread, job gate, worker) to
// the simulated board on a pseudo-terminal: flashed images compared byte for byte, memory-card
// files compared with their sources, the link given back, the worker one at a time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
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

std::string random_bytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

using test::image_with_identity;
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

  explicit Rig(sim::DownloadSideOptions options, char type = 'E', long speed = 9600)
      : server(sim::BoardConfiguration(sim::BoardKind{type, 1404, "VexaLog"})),
        commands({session, report, messages, status, jobs, target, nullptr, nullptr, [this] { return verbose; },
                  nullptr, &monitor},
                 "VexaLog") {
    std::filesystem::create_directory(card);
    options.loader.flash_out = flash;
    options.card.folder = card;
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
  bool flash_firmware(const std::string& name, const std::string& content) {
    commands.selection().choose(dir.write(name, content), name);
    if (!commands.start_firmware_download()) return false;
    jobs.wait_worker();
    return true;
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
  // The link answers commands again: the receive thread reads and the board is back in its firmware.
  bool link_answers() { return session.send_and_wait_ok("z"); }
};

sim::DownloadSideOptions loader(int row, bool bin = false) {
  sim::DownloadSideOptions options;
  options.loader.row = row;
  options.loader.bin_frames = bin;
  return options;
}

TEST(EndToEnd, EImageToDownloadAt9600AndToDownloadEAt115200) {
  for (int row : {1, 2}) {
    Rig rig(loader(row));
    const std::string image = image_with_identity(31744, 0x2345, 20 + row);
    ASSERT_TRUE(rig.flash_firmware("e.hex", to_hex(image)));
    EXPECT_TRUE(rig.report.contains("31744(0x7c00) bytes, 248 pages written"));
    EXPECT_EQ(rig.report.lines().back(), "Firmware download e.hex: done, 248 of 248 pages written.");
    EXPECT_TRUE(rig.flashed(31744) == image) << rig.transcript();
    EXPECT_EQ(rig.session.port().speed(), 9600);
    EXPECT_EQ(rig.identity.line(), "VexaLog E download");  // the banner named the board
    EXPECT_TRUE(rig.link_answers());
    EXPECT_EQ(rig.commands.selection().recent_menu_items().size(), 1u);
  }
}

TEST(EndToEnd, FImageAndBinImage) {
  {
    Rig rig(loader(3), 'F', 115200);
    rig.identity.accept_identity("VexaLog F v1404");
    const std::string image = image_with_identity(63488, 0x3456, 3);
    ASSERT_TRUE(rig.flash_firmware("f.hex", to_hex(image)));
    EXPECT_TRUE(rig.flashed(63488) == image) << rig.transcript();
    EXPECT_EQ(rig.session.port().speed(), 115200);
    EXPECT_TRUE(rig.link_answers());
  }
  {
    Rig rig(loader(4, true), 'S');
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
  }
}

TEST(EndToEnd, WrongEchoNoBannerAndTheLinkBack) {
  {
    sim::DownloadSideOptions options = loader(1);
    options.loader.wrong_echo_page = 5;
    Rig rig(options);
    ASSERT_TRUE(rig.flash_firmware("e.hex", to_hex(image_with_identity(31744, 0x2345, 5))));
    EXPECT_TRUE(rig.report.contains("768(0x300) bytes, 5 pages written"));
    EXPECT_EQ(rig.session.port().speed(), 9600);
    EXPECT_TRUE(rig.session.receiver().lines_received() > 0);
  }
  {
    sim::DownloadSideOptions options = loader(1);
    options.loader.banner = false;
    Rig rig(options);
    ASSERT_TRUE(rig.flash_firmware("e.hex", to_hex(image_with_identity(31744, 0x2345, 5))));
    EXPECT_TRUE(rig.report.contains("Error: Board not in download mode"));
    EXPECT_EQ(rig.report.lines().back(), "Firmware download e.hex: failed, 0 of 248 pages written.");
    EXPECT_TRUE(rig.link_answers());
  }
}

TEST(EndToEnd, StopAndAVanishedBoardEndWithTheSummary) {
  {
    Rig rig(loader(2));
    rig.commands.selection().choose(rig.dir.write("e.hex", to_hex(image_with_identity(31744, 0x2345, 6))), "e.hex");
    ASSERT_TRUE(rig.commands.start_firmware_download());
    for (int i = 0; i < 1000 && std::atoi(rig.status.last_progress().c_str()) < 4096; ++i) std::this_thread::sleep_for(5ms);
    rig.jobs.request_stop();
    rig.jobs.wait_worker();
    bool summary = false;
    for (const auto& line : rig.report.lines())
      if (line.find("pages written") != std::string::npos && line != "31744(0x7c00) bytes, 248 pages written") summary = true;
    EXPECT_TRUE(summary);
    EXPECT_TRUE(std::regex_match(rig.report.lines().back(),
                                 std::regex(R"(Firmware download e\.hex: stopped, [1-9]\d* of 248 pages written\.)")))
        << rig.report.lines().back();
    EXPECT_EQ(rig.session.port().speed(), 9600);
  }
  {
    Rig rig(loader(2));
    rig.commands.selection().choose(rig.dir.write("e.hex", to_hex(image_with_identity(31744, 0x2345, 7))), "e.hex");
    ASSERT_TRUE(rig.commands.start_firmware_download());
    for (int i = 0; i < 1000 && std::atoi(rig.status.last_progress().c_str()) < 4096; ++i) std::this_thread::sleep_for(5ms);
    rig.server.stop();
    rig.jobs.wait_worker();
    bool summary = false;
    for (const auto& line : rig.report.lines())
      if (line.find("pages written") != std::string::npos) summary = true;
    EXPECT_TRUE(summary);
    EXPECT_FALSE(rig.report.contains("31744(0x7c00) bytes, 248 pages written"));
    EXPECT_TRUE(std::regex_match(rig.report.lines().back(),
                                 std::regex(R"(Firmware download e\.hex: failed, \d+ of 248 pages written\.)")))
        << rig.report.lines().back();
  }
}

std::string card_file(Rig& rig, const std::string& content, const std::string& target) {
  rig.commands.set_card_choice({rig.dir.write("host.bin", content), "host.bin", target});
  EXPECT_TRUE(rig.commands.start_card_transfer());
  rig.jobs.wait_worker();
  return test::TempDir::read(rig.card + "/" + target);
}

TEST(EndToEnd, SambaImageInVerboseModeEchoesTheMonitorAndLeavesTheLinkAt115200) {
  Rig rig(sim::DownloadSideOptions{}, 'S');  // no loader named: "dl" reaches the boot monitor
  rig.commands.hooks().samba_download = samba_file_download;
  rig.verbose = true;
  ASSERT_TRUE(rig.flash_firmware("s.binb", random_bytes(600, 9)));
  EXPECT_TRUE(rig.report.contains("768(0x300) bytes, 3 pages written")) << rig.transcript();
  EXPECT_EQ(rig.report.lines().back(), "SAM-BA flash s.binb: done, 3 of 3 pages written.");
  EXPECT_NE(rig.monitor.text().find("0x00000001"), std::string::npos) << "the flash status reply";
  EXPECT_EQ(rig.session.port().speed(), 115200);
}

TEST(EndToEnd, StopDuringASambaFlashSaysWhyAndHowLongAndTheFlashRunsToItsEnd) {
  Rig rig(sim::DownloadSideOptions{}, 'S');
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
  const std::string image = random_bytes(24 * 256, 11);
  rig.commands.selection().choose(rig.dir.write("s.binb", image), "s.binb");
  ASSERT_TRUE(rig.commands.start_firmware_download());
  rig.jobs.wait_worker();
  EXPECT_EQ(total_when_stopped, 24);
  const std::string all = rig.transcript();
  EXPECT_NE(all.find(rig.messages.message("VtStopSamba") + "\n"), std::string::npos) << all;
  EXPECT_TRUE(std::regex_search(
      all, std::regex(R"(\nIt ends by itself in about \d+ s \((?:[3-9]|1\d|2[0-3]) of 24 pages written\)\.\n)")))
      << all;
  EXPECT_TRUE(rig.report.contains("6144(0x1800) bytes, 24 pages written")) << all;
  EXPECT_EQ(rig.report.lines().back(), "SAM-BA flash s.binb: done, 24 of 24 pages written.");
}

TEST(EndToEnd, ACardCopyStoppedOrRefusedSaysHowFarItGot) {
  Rig rig(loader(1), 'S', 115200);
  rig.commands.set_card_choice({rig.dir.write("host.bin", random_bytes(60 * 1024, 12)), "host.bin", "HALF.DAT"});
  ASSERT_TRUE(rig.commands.start_card_transfer());
  for (int i = 0; i < 4000 && rig.jobs.current_progress().done < 270; ++i) std::this_thread::sleep_for(1ms);
  rig.jobs.request_stop();
  rig.jobs.wait_worker();
  EXPECT_TRUE(std::regex_match(rig.report.lines().back(),
                               std::regex(R"(Copy to the memory card HALF\.DAT: stopped, [1-9]\d* of 61440 bytes sent\.)")))
      << rig.transcript();
  // A board that never acknowledges the open: nothing went out.
  rig.server.stop();
  rig.report.clear();
  rig.commands.set_card_choice({rig.dir.write("host.bin", "abc"), "host.bin", "NONE.DAT"});
  ASSERT_TRUE(rig.commands.start_card_transfer());
  rig.jobs.wait_worker();
  EXPECT_EQ(rig.report.lines().back(), "Copy to the memory card NONE.DAT: failed, 0 of 3 bytes sent.") << rig.transcript();
}

TEST(EndToEnd, MemoryCardFilesArriveWhole) {
  Rig rig(loader(1), 'S', 115200);
  const std::string big = random_bytes(300 * 1024, 8);
  EXPECT_TRUE(card_file(rig, big, "BIG.DAT") == big) << rig.transcript();
  EXPECT_EQ(rig.status.last_progress(), std::to_string(big.size()));
  EXPECT_EQ(rig.report.lines().back(), "Copy to the memory card BIG.DAT: done, 307200 of 307200 bytes sent.");
  EXPECT_FALSE(rig.session.flags().echo_suppressed.load());
  EXPECT_TRUE(card_file(rig, "", "EMPTY.DAT").empty());
  EXPECT_EQ(rig.report.lines().back(), "Copy to the memory card EMPTY.DAT: done, 0 bytes sent.");
  EXPECT_TRUE(test::TempDir::exists(rig.card + "/EMPTY.DAT"));
  EXPECT_EQ(card_file(rig, std::string(28, 'Q'), "Q28.DAT"), std::string(28, 'Q'));
  bool retries = false;
  for (const auto& line : rig.report.lines()) retries |= line.find("retries") != std::string::npos;
  EXPECT_FALSE(retries);
  rig.server.with_board([](sim::SimulatedBoard& board) { EXPECT_TRUE(board.download_side().card().closed_well()); });

  sim::DownloadSideOptions upper = loader(1);
  upper.card.upper_ack = true;
  Rig shouting(upper);
  EXPECT_EQ(card_file(shouting, std::string(100, 'u'), "U.DAT"), std::string(100, 'u'));
}

TEST(EndToEnd, OneWorkerAtATimeAndTheLineSenderCounted) {
  Rig rig(loader(1), 'S', 115200);
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
