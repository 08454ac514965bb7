// vexacli upload against the vexaboard program. Its arguments are cli/command_line_test.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/logged_file.h"
#include "support/board_and_cli.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

using test::BackgroundProgram;
using test::built_program;

class CliUpload : public test::BoardAndCli {
 protected:
  static std::size_t lines_in(const std::string& path) {
    const std::string text = test::TempDir::read(path);
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }
  // An S board with a stamped vexalog.adc of 300 lines and a numbered n.log of 40.
  void start_logging_board() {
    start_board("S", {"--log-file", "vexalog.adc", "--log-lines", "300", "--log-grow", "0", "--log-numbered", "n.log",
                      "--log-lines", "40", "--log-grow", "0"});
  }
  test::RunResult upload(std::vector<std::string> args, std::vector<std::string> global = {}) {
    global.push_back("upload");
    global.insert(global.end(), args.begin(), args.end());
    return cli(global);
  }
};

TEST_F(CliUpload, WholeListingAResumeThatAddsNothingAMissingFileAndAnUnwritableHost) {
  start_logging_board();
  const std::string host = dir.file("out/host.adc");
  auto first = upload({"vexalog.adc", host});
  EXPECT_EQ(first.exit_code, 0) << first.out << first.err;
  EXPECT_EQ(test::TempDir::read(host), sim::logged_text(sim::LogKind::stamped, 300));
  EXPECT_NE(first.out.find("end of vexalog.adc, 300 lines"), std::string::npos) << first.out;
  EXPECT_NE(first.err.find("upload: 300 lines"), std::string::npos) << first.err;

  // An S board talks at 115200 unless told otherwise: at 9600 the fast switch has work to do.
  auto again = upload({"vexalog.adc", host, "--fast"}, {"--baud", "9600"});
  EXPECT_EQ(again.exit_code, 0) << again.out << again.err;
  EXPECT_NE(again.out.find("up vexalog.adc 2024:03:01 00:04:59 "), std::string::npos) << again.out;
  EXPECT_NE(again.out.find("bi=115200"), std::string::npos);
  EXPECT_EQ(test::TempDir::read(host), sim::logged_text(sim::LogKind::stamped, 300));

  auto created = upload({"n.log", host, "--create", "--binary"});
  EXPECT_EQ(created.exit_code, 0) << created.out << created.err;
  EXPECT_EQ(test::TempDir::read(host), sim::logged_text(sim::LogKind::numbered, 40));

  auto missing = upload({"nothing.adc", dir.file("h.adc")});
  EXPECT_EQ(missing.exit_code, 0);  // the board answered and closed
  EXPECT_NE(missing.out.find("Error no file nothing.adc"), std::string::npos) << missing.out;
  // Nothing came, so the host file the upload made is not left behind; one that was there stays.
  EXPECT_FALSE(test::TempDir::exists(dir.file("h.adc")));
  const std::string kept = dir.write("kept.adc", "");
  EXPECT_EQ(upload({"nothing.adc", kept}).exit_code, 0);
  EXPECT_TRUE(test::TempDir::exists(kept));

  const std::string blocked = dir.write("plain", "x");
  auto unwritable = upload({"vexalog.adc", blocked + "/h.adc"});
  EXPECT_EQ(unwritable.exit_code, 1);
  EXPECT_NE(unwritable.out.find("Error open " + blocked + "/h.adc"), std::string::npos) << unwritable.out;
}

TEST_F(CliUpload, ABoardWithoutLogOptionsUploadsItsOwnDataFileByTheNameItsDirectoryShows) {
  // As --simulate starts it: nothing but the type, so the board keeps its own analog data file.
  start_board("S");
  const std::string host = dir.file("host.adc");
  const auto up = cli({"upload", "VEXALOG.ADC", host});
  EXPECT_EQ(up.exit_code, 0) << up.out << up.err;
  const std::size_t lines = lines_in(host);
  EXPECT_GE(lines, 100u);
  EXPECT_EQ(test::TempDir::read(host), sim::logged_text(sim::LogKind::stamped, lines));
}

TEST_F(CliUpload, FollowKeepsExtendingTheHostFile) {
  start_board("S", {"--log-file", "vexalog.adc", "--log-lines", "50", "--log-grow", "50"});
  const std::string host = dir.file("host.adc");
  BackgroundProgram follower(built_program("cli/vexacli"), cli_args({"upload", "vexalog.adc", host, "--follow", "1"}));
  // Several rounds, each one resuming where the file ends (hang guard only).
  test::eventually([&] { return lines_in(host) >= 90; }, 60000);
  EXPECT_EQ(follower.stop(), 0) << follower.output();
  const std::size_t count = lines_in(host);
  EXPECT_GE(count, 90u);
  EXPECT_EQ(test::TempDir::read(host), sim::logged_text(sim::LogKind::stamped, count));
}

}  // namespace
}  // namespace vexa
