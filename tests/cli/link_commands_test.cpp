// vexacli's link commands end to end against vexaboard over a pseudo-terminal and TCP: what the
// user sees on standard output and the exit status scripts rely on.
#include <gtest/gtest.h>

#include "sim/board_configuration.h"
#include "sim/board_server.h"
#include "support/board_and_cli.h"

namespace vexa {
namespace {

using test::built_program;
using test::run_program;

class LinkCommands : public test::BoardAndCli {
 protected:
  void start_board(std::vector<std::string> extra = {}) { BoardAndCli::start_board("F", std::move(extra)); }
};

TEST_F(LinkCommands, SendPrintsTheCommandAndWhatTheBoardAnswers) {
  start_board();
  auto result = cli({"send", "conf", "--listen", "0.5"});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  // No settings: the start-up target is an S board, so its speed.
  EXPECT_NE(result.out.find("open " + link + ":115200,n,8,1\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\nconf\n"), std::string::npos);
  EXPECT_NE(result.out.find("VexaLog F v1404\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("close com"), std::string::npos);
}

TEST_F(LinkCommands, WaitOkSucceedsOnlyOnOk) {
  start_board();
  auto ok = cli({"send", "ad=10", "--wait-ok"});
  EXPECT_EQ(ok.exit_code, 0) << ok.out << ok.err;
  auto refused = cli({"send", "rs0=1", "--wait-ok"});  // an S key: not on an F board
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.out.find("expected: Ok got: "), std::string::npos) << refused.out;
}

TEST_F(LinkCommands, SilentBoardEndsTheWaitWithTheNoReplyLine) {
  start_board({"--drop-reply", "1"});
  auto result = cli({"send", "ad=10", "--wait-ok"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.out.find("Error no reply (1/258)"), std::string::npos) << result.out;
}

TEST_F(LinkCommands, MissingPortSaysHowToGiveOne) {
  auto result = run_program(built_program("cli/vexacli"), {"send", "conf"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.err.find("--port"), std::string::npos);
}

TEST_F(LinkCommands, OpenFailureNamesThePortAndTheReason) {
  auto result = cli({"send", "conf"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.out.find("Error open " + link + ":115200,n,8,1"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("plugged"), std::string::npos) << result.out;
}

TEST_F(LinkCommands, PipedTerminalSendsKeystrokesAndShowsTheBoard) {
  start_board();
  auto result = cli({"terminal"}, "conf\n");
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NE(result.out.find("VexaLog F v1404"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("m0="), std::string::npos);
}

TEST_F(LinkCommands, TerminalQuitsOnCtrlBracket) {
  start_board();
  auto result = cli({"terminal"}, std::string("\x1d"));
  EXPECT_EQ(result.exit_code, 0);
}

TEST_F(LinkCommands, TcpBoardAnswersToo) {
  // A board listening on a port the system chose, so no other test or program can hold it.
  sim::BoardKind kind;
  kind.type = 'E';
  sim::BoardServer tcp_board{sim::BoardConfiguration(kind)};
  ASSERT_EQ(tcp_board.start_tcp("127.0.0.1", 0), "");
  const std::string port = std::to_string(tcp_board.port());
  const test::RunResult result = run_program(
      built_program("cli/vexacli"), {"--settings", dir.path(), "--tcp", "127.0.0.1 " + port, "send", "ad=5", "--wait-ok"});
  EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("Online 127.0.0.1 " + port), std::string::npos) << result.out;
  std::optional<std::string> value;
  tcp_board.with_board([&](sim::SimulatedBoard& b) { value = b.configuration().value("ad"); });
  EXPECT_EQ(value, "5");
}

}  // namespace
}  // namespace vexa
