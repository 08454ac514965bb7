// The command rows of the download subsystem: which dialog each asks, what it starts on the
// worker, and what it leaves alone.
#include <gtest/gtest.h>

#include "base/command_ids.h"
#include "config/board_identity.h"
#include "config/configuration.h"
#include "download/download_commands.h"
#include "download_fakes.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

class FakeDialogs final : public DownloadDialogs {
 public:
  std::optional<FirmwareFile> choose_firmware(const FirmwareFile& current) override {
    ++firmware_asked;
    seen_current = current;
    return firmware;
  }
  bool confirm_card_transfer(CardTransferChoice& choice) override {
    ++card_asked;
    choice.target_name = "TYPED.DAT";
    return card_start;
  }
  std::optional<FirmwareFile> firmware;
  FirmwareFile seen_current;
  bool card_start = false;
  int firmware_asked = 0, card_asked = 0;
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
  EXPECT_EQ(rig.commands.selection().current().path, missing);

  // The recent entries: nothing while empty; a file that opened becomes entry 1.
  rig.report.clear();
  rig.run(cmd::kRecentFirmware1);
  EXPECT_TRUE(rig.report.lines().empty());
  const std::string script = rig.dir.write("s", "");
  rig.dialogs.firmware = FirmwareFile{script, "s"};
  rig.run(cmd::kDownloadFirmware);
  EXPECT_EQ(rig.commands.selection().recent(0).path, script);
  rig.commands.selection().choose(missing, "gone.hex");
  rig.report.clear();
  rig.run(cmd::kRecentFirmware1);
  EXPECT_EQ(rig.commands.selection().current().path, script);
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
  EXPECT_FALSE(rig.report.contains("1 lines x 100 = 100 chars written"));
  // Without a configuration exchange 864 does nothing.
  rig.report.clear();
  rig.run(cmd::kConfDownload);
  EXPECT_TRUE(rig.report.lines().empty());
}

}  // namespace
}  // namespace vexa
