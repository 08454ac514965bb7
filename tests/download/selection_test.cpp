// The download command rows, the recent firmware list and its menus, the extension rule, the
// card dialog's form, the banner check's memory; the memory-card chunk protocol and the line
// sender over the scripted link. Over a real link to the simulated board: faults/fault_jobs.cpp.
#include <gtest/gtest.h>

#include <numeric>

#include "base/command_ids.h"
#include "base/menu_table.h"
#include "config/board_identity.h"
#include "config/configuration.h"
#include "download/card_transfer.h"
#include "download/download_commands.h"
#include "download/download_file_form.h"
#include "download/download_menus.h"
#include "download/firmware_selection.h"
#include "download/line_sender.h"
#include "download/loader_detector.h"
#include "download_fakes.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using test::FakeRig;

TEST(FirmwareSelection, RecentListKeepsTwoAndTheToolsMenuFollowsIt) {
  Messages messages;
  MenuOptions options;
  options.debug = true;
  std::vector<Menu> bar = build_menu_bar(options, messages);
  FirmwareSelection selection;
  // The Tools menu's first n ids after the recent items were applied (again).
  auto tools = [&](std::size_t n) {
    apply_recent_items(bar, selection.recent_menu_items());
    std::vector<int> ids;
    for (const MenuEntry& e : find_menu(bar, "MenTools")->entries) ids.push_back(e.id);
    return std::vector<int>(ids.begin(), ids.begin() + static_cast<long>(std::min(n, ids.size())));
  };
  EXPECT_FALSE(selection.take_recent(0));
  EXPECT_EQ(tools(2), (std::vector<int>{cmd::kDownloadFirmware, cmd::kDownloadFile}));

  EXPECT_TRUE(selection.remember({"/fw/a.hex", "a.hex"}, "Download Firmware"));
  EXPECT_EQ(tools(3), (std::vector<int>{cmd::kDownloadFirmware, cmd::kRecentFirmware1, cmd::kDownloadFile}));
  EXPECT_EQ(selection.recent_menu_items()[0].text, "Download Firmware: /fw/a.hex");
  // The same path again changes nothing, as entry 1 or entry 2.
  EXPECT_FALSE(selection.remember({"/fw/a.hex", "a.hex"}, "Download Firmware"));
  EXPECT_TRUE(selection.remember({"/fw/b.bin", "b.bin"}, "Download Firmware"));
  EXPECT_FALSE(selection.remember({"/fw/a.hex", "a.hex"}, "Download Firmware"));
  EXPECT_EQ(tools(4), (std::vector<int>{cmd::kDownloadFirmware, cmd::kRecentFirmware2, cmd::kRecentFirmware1,
                                        cmd::kDownloadFile}));
  EXPECT_EQ(tools(100), tools(100)) << "the same list again adds nothing";

  // A third file drops the oldest; the comparison is case-sensitive.
  EXPECT_TRUE(selection.remember({"/fw/A.hex", "A.hex"}, "Télécharger"));
  EXPECT_EQ(selection.recent_menu_items()[1].text, "Télécharger: /fw/b.bin");
  EXPECT_TRUE(selection.take_recent(1));
  EXPECT_EQ(selection.current(), (FirmwareFile{"/fw/b.bin", "b.bin"}));
  selection.choose(std::string(400, 'p'), "t");
  EXPECT_EQ(selection.current().path.size(), kFirmwarePathChars);

  add_line_sender_entries(bar);
  add_line_sender_entries(bar);
  const Menu* debug = find_menu(bar, "debug");
  ASSERT_NE(debug, nullptr);
  int senders = 0;
  for (const MenuEntry& e : debug->entries) senders += is_line_sender_command(e.id);
  EXPECT_EQ(senders, 5);
}

// Lower case and no dot at all: the dispatcher's "f.HEX" and "script" in page_loader_test.
TEST(FirmwareSelection, ExtensionIsTheTextAfterTheLastDotInLowerCase) {
  EXPECT_EQ(firmware_extension("/x.d/script"), "d/script");  // the last '.', wherever it is
  EXPECT_EQ(firmware_extension("fw." + std::string(300, 'b')).size(), 200u);
}

TEST(LoaderDetector, BannerHoldsForThreeOtherLinesAndSetsTheTarget) {
  test::FakeTarget target;
  target.letter = 'S';
  LoaderDetector detector(target, "Kestrel");
  EXPECT_FALSE(detector.check("Download sam256"));  // the SAM-BA row's banner never matches
  EXPECT_TRUE(detector.check("Download E"));
  ASSERT_NE(detector.detected(), nullptr);
  EXPECT_EQ(target.letter, 'E');
  for (int i = 0; i < 3; ++i) detector.on_line("noise");
  EXPECT_NE(detector.detected(), nullptr);
  EXPECT_EQ(detector.misses(), 3);
  detector.on_line("noise");
  EXPECT_EQ(detector.detected(), nullptr);
  EXPECT_TRUE(detector.check("download"));
  EXPECT_EQ(target.letter, '2');
  EXPECT_EQ(detector.misses(), 0);
  detector.forget();
  EXPECT_EQ(detector.detected(), nullptr);
}

TEST(DownloadFileForm, ChangeStartAndCancel) {
  Messages messages("VexaLog", 'd');
  CardTransferChoice state{"/a/host.dat", "host.dat", "T.DAT"};
  DownloadFileForm form(messages, state);
  test::SharedReport report;
  // Change: the chosen file goes into the host field; a cancelled choice leaves it.
  auto chooser = [](const std::string& current) -> std::optional<CardTransferChoice> {
    EXPECT_EQ(current, "/a/host.dat");
    return CardTransferChoice{"/b/other.dat", "other.dat", {}};
  };
  EXPECT_EQ(form.click(kCardChangeId, state, report, chooser), DownloadFileForm::Outcome::open);
  EXPECT_EQ(form.form().text(kCardHostEditId), "/b/other.dat");
  EXPECT_EQ(state.host_title, "other.dat");
  form.form().set_text(kCardTargetEditId, std::string(400, 'n'));
  EXPECT_EQ(form.click(kCardStartId, state, report, chooser), DownloadFileForm::Outcome::start);
  EXPECT_EQ(state.target_name.size(), kCardPathChars);
  EXPECT_EQ(report.lines().back(), "load /b/other.dat to " + state.target_name);
  EXPECT_EQ(form.click(kCardCancelId, state, report, chooser), DownloadFileForm::Outcome::cancel);
}

class FakeDialogs final : public DownloadDialogs {
 public:
  std::optional<FirmwareFile> choose_firmware(const FirmwareFile&) override {
    ++firmware_asked;
    return firmware;
  }
  bool confirm_card_transfer(CardTransferChoice& choice) override {
    choice.target_name = "TYPED.DAT";
    return card_start;
  }
  std::optional<FirmwareFile> firmware;
  bool card_start = false;
  int firmware_asked = 0;
};

struct CommandsRig {
  test::TempDir dir;
  test::SharedReport report;
  test::SharedEcho echo;
  Messages messages;
  test::RecordingStatus status;
  Configuration configuration{'e'};
  BoardIdentity identity{configuration, *parse_identity_line("VexaLog E v1404")};
  BoardIdentityTarget target{identity};
  LinkSession session{report, echo, messages};  // never opened: every write fails
  BoardJobs jobs{report, messages};
  FakeDialogs dialogs;
  DownloadCommands commands{{session, report, messages, status, jobs, target, nullptr, &dialogs}, "VexaLog"};
  CommandTable table;
  CommandsRig() { commands.add_commands(table); }
  ~CommandsRig() { jobs.shutdown(); }
  void run(int id) {
    ASSERT_TRUE(table.run({id, 0, 0}));
    jobs.wait_worker();
  }
};

TEST(DownloadCommandRows, FirmwareChoiceRecentEntriesCardDialogAndLineSender) {
  CommandsRig rig;
  // A cancelled choice starts nothing; a chosen file starts the download.
  rig.run(cmd::kDownloadFirmware);
  EXPECT_EQ(rig.dialogs.firmware_asked, 1);
  EXPECT_TRUE(rig.report.lines().empty());
  const std::string missing = rig.dir.file("gone.hex");
  rig.dialogs.firmware = FirmwareFile{missing, "gone.hex"};
  rig.run(cmd::kDownloadFirmware);
  EXPECT_TRUE(rig.report.contains("Error open " + missing));

  // The recent entries: nothing while empty; a file that opened becomes entry 1.
  rig.report.clear();
  rig.run(cmd::kRecentFirmware1);
  EXPECT_TRUE(rig.report.lines().empty());
  const std::string script = rig.dir.write("s", "");
  rig.dialogs.firmware = FirmwareFile{script, "s"};
  rig.run(cmd::kDownloadFirmware);
  rig.commands.selection().choose(missing, "gone.hex");
  rig.report.clear();
  rig.run(cmd::kRecentFirmware1);
  EXPECT_TRUE(rig.report.contains("open " + script));

  // The card dialog keeps what was typed even when cancelled; Start runs the transfer.
  rig.run(cmd::kDownloadFile);
  EXPECT_EQ(rig.commands.card_choice().target_name, "TYPED.DAT");
  rig.report.clear();
  rig.dialogs.card_start = true;
  rig.commands.set_card_choice({missing, "gone.hex", "X"});
  rig.run(cmd::kDownloadFile);
  EXPECT_TRUE(rig.report.contains("Error open " + missing));

  // A closed link: the line sender's first write fails, with no summary but its end.
  rig.report.clear();
  rig.run(kSendLineBurst);
  const auto lines = rig.report.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
            (std::vector<std::string>{"Error write", "Line sender: failed."}));
  // Without a configuration exchange 864 does nothing.
  rig.report.clear();
  rig.run(cmd::kConfDownload);
  EXPECT_TRUE(rig.report.lines().empty());
}

TEST(CardTransfer, ChunkLinesAcknowledgementsRetriesAndTotals) {
  EXPECT_EQ(card_chunk_line(std::string("\x01\xFF", 2)), "fd +01FF00");
  test::TempDir dir;
  // Every write is a chunk line, answered with ack.
  auto copy = [&dir](FakeRig& rig, const std::string& ack, const std::string& file) {
    rig.port.respond = [ack](std::string_view) { return ack; };
    return card_transfer(rig.context(), dir.write("f", file), "T");
  };
  FakeRig empty;
  EXPECT_TRUE(copy(empty, "Ok\r\n", "").closed);
  EXPECT_TRUE(empty.port.writes().empty());
  EXPECT_EQ(empty.port.commands, (std::vector<std::string>{"fd T", "fd !0 0"}));

  // Upper case without CR is an acknowledgement too.
  std::string counting(28, '\0');
  std::iota(counting.begin(), counting.end(), 1);
  FakeRig upper;
  EXPECT_TRUE(copy(upper, "OK\n", counting).closed);
  ASSERT_EQ(upper.port.writes().size(), 2u);
  EXPECT_EQ(upper.port.writes()[1], "fd +1C1C\n");
  EXPECT_EQ(upper.port.commands, (std::vector<std::string>{"fd T", "fd !28 406"}));
  EXPECT_EQ(upper.status.last_progress(), "28");

  // Repeated failures end with no reply in the thirteenth chunk; the given-up chunks still count.
  FakeRig failing;
  const auto result = copy(failing, "no", std::string(27 * 40, 'y'));
  EXPECT_FALSE(result.closed);
  EXPECT_EQ(result.retries, 38);
  EXPECT_EQ(result.bytes, 13 * 27);
  EXPECT_EQ(failing.port.writes().size(), 12u * 3 + 2);
  EXPECT_EQ(failing.port.commands, std::vector<std::string>{"fd T"});
  EXPECT_TRUE(failing.report.contains("Error no reply (100/27)"));
  EXPECT_EQ(failing.report.lines().back(), "Download: 38 retries");
}

TEST(LineSender, ExactLinesAndPaces) {
  EXPECT_EQ(test_line(0), "     0 ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz______ "
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef\r\n");

  // The clock's epoch milliseconds at each of the first n lines, the first at once.
  auto times_of = [](int command, std::size_t n, std::int64_t start_ms) {
    FakeRig rig;
    rig.clock.now_ms += start_ms;
    const std::int64_t start = rig.clock.epoch_ms();
    std::vector<std::int64_t> times;
    rig.port.respond = [&](std::string_view) -> std::string {
      times.push_back(rig.clock.epoch_ms());
      if (times.size() == n) rig.control.stop = true;
      return {};
    };
    send_test_lines(rig.context(), command, start);
    EXPECT_EQ(times.size(), n);
    EXPECT_EQ(times.empty() ? -1 : times[0], start);
    return times;
  };
  // Every 250 ms: one per quarter second of the clock.
  const auto quarters = times_of(kSendLineEveryQuarter, 5, 0);
  for (std::size_t i = 1; i < quarters.size(); ++i) {
    EXPECT_GT(quarters[i] - quarters[i - 1], 250);
    EXPECT_LE(quarters[i] - quarters[i - 1], 250 + kPaceWaitMs);
  }
  // Every second or two, aligned to second boundaries, from a start within a second.
  for (int step : {1000, 2000}) {
    const auto times = times_of(step == 1000 ? kSendLineEverySecond : kSendLineEveryTwoSeconds, 3, 300);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[1] / 1000 - times[0] / 1000, step / 1000);
    EXPECT_EQ(times[1] % 1000, 0);
    EXPECT_EQ(times[2] - times[1], step);
  }
}

}  // namespace
}  // namespace vexa
