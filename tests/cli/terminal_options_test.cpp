// vexacli terminal's own options against vexaboard over a pseudo-terminal: the line frame in the
// description, Enter's bytes, the hex view, time stamps, and bad options refused with a reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <regex>

#include "platform/pseudo_terminal.h"
#include "support/board_and_cli.h"
#include "support/pty_peer.h"

namespace vexa {
namespace {

using test::built_program;
using test::run_program;

class TerminalOptions : public test::BoardAndCli {
 protected:
  void SetUp() override { start_board("F"); }
  test::RunResult terminal(std::vector<std::string> options, const std::string& input) {
    options.insert(options.begin(), "terminal");
    return cli(options, input);
  }
};

TEST_F(TerminalOptions, HexViewShowsTheBoardsBytes) {
  // Enter as CR LF: the board takes CR LF as one line end.
  const auto result = terminal({"--hex", "--enter", "crlf", "--line", "8N1,rtscts"}, "ti\r");
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NE(result.out.find("open " + link + ":115200,n,8,1,rtscts"), std::string::npos) << result.out;
  // "ti=" and "Ok\r\n" as hex rows of the received bytes.
  EXPECT_NE(result.out.find("< 00000000  74 69 3D"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("4F 6B"), std::string::npos) << result.out;  // "Ok"
}

TEST_F(TerminalOptions, TimeStampsPrefixEveryReceivedLine) {
  const auto result = terminal({"--timestamps"}, "conf\r");
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(\n\[\d\d:\d\d:\d\d\.\d\d\d\] VexaLog F v1404\n)")))
      << result.out;
  EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(\n\[\d\d:\d\d:\d\d\.\d\d\d\] Ok\n)"))) << result.out;
}

TEST_F(TerminalOptions, BadOptionsAreRefusedWithAReasonBeforeThePortOpens) {
  const std::pair<std::vector<std::string>, const char*> bad[] = {
      {{"--line"}, "needs a value"},    {{"--line", "9Z1"}, "8N1"},  {{"--enter", "cr lf"}, "crlf"},
      {{"--backspace=x"}, "bs or del"}, {{"--hex=1"}, "no value"}, {{"--colour"}, "unknown option '--colour'"},
  };
  for (const auto& [words, reason] : bad) {
    const auto result = terminal(words, "");
    EXPECT_EQ(result.exit_code, 2) << words[0];
    EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find("open "), std::string::npos) << result.out;
  }
}

TEST_F(TerminalOptions, EveryOptionTogetherStillTalksToTheBoard) {
  const auto result = terminal({"--line=7E2", "--enter", "lf", "--backspace", "del", "--echo"}, "ti\r");
  EXPECT_EQ(result.exit_code, 0) << result.err;
  // A pty forces 8 bits without parity, so the board still understands; the description says
  // what the port kept, and a line each what it refused.
  EXPECT_NE(result.out.find(":115200,n,8,2\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("The port did not take data bits 7: it kept 8."), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("The port did not take parity even: it kept none."), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("ti\n"), std::string::npos) << result.out;  // the local echo
  EXPECT_NE(result.out.find("Ok"), std::string::npos) << result.out;
}

TEST(TerminalTyping, TypedCharactersGoAsWindows1252AndTheUnsendableAreLeftOutOnce) {
  test::TempDir dir;
  const std::string link = dir.file("board");
  std::mutex mutex;
  std::string got;
  test::PtyPeer peer([&](PseudoTerminal& pty) {
    const std::string bytes = pty.read_for(5);
    std::lock_guard lock(mutex);
    got += bytes;
  });
  std::filesystem::create_symlink(peer.pty().slave_path(), link);
  // 'é', '€', 'ā' (no byte for it), 'x', a character cut short, then Enter.
  const auto result = run_program(built_program("cli/vexacli"), {"--settings", dir.path(), "--port", link, "terminal"},
                                  "\xc3\xa9\xe2\x82\xac\xc4\x81x\xe2\x82\r");
  EXPECT_EQ(result.exit_code, 0) << result.err;
  std::lock_guard lock(mutex);
  EXPECT_EQ(got, "\xe9\x80x\r");
  const std::string notice = "Not sent: a typed character";
  const auto first = result.err.find(notice);
  EXPECT_NE(first, std::string::npos) << result.err;
  EXPECT_EQ(result.err.find(notice, first + 1), std::string::npos) << result.err;
}

}  // namespace
}  // namespace vexa
