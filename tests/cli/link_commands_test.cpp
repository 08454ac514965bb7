// vexacli's link commands end to end against vexaboard over a pseudo-terminal: what scripts see
// of send and the terminal, the start settings of the program's folder and name, and the user's
// terminal given back however the terminal command ends.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <regex>
#include <thread>

#include "platform/pseudo_terminal.h"
#include "support/board_and_cli.h"
#include "support/pty_peer.h"

namespace vexa {
namespace {

using test::built_program;
using test::run_program;
using test::TempDir;

class LinkCommands : public test::BoardAndCli {};

// One run of vexacli against a fresh F board: its exit status and what its standard output must
// hold, as regular expressions in which LINK stands for the board's path.
struct CliRun {
  const char* note;
  bool board;
  std::vector<std::string> board_options;
  std::vector<std::string> args;
  std::string input;
  int exit_code;
  std::vector<std::string> out;
};

TEST_F(LinkCommands, SendAndTheTerminalShowTheBoardsAnswersAndExitAsScriptsExpect) {
  const std::string stamp = R"(\n\[\d\d:\d\d:\d\d\.\d\d\d\] )";
  const CliRun runs[] = {
      {"no board", false, {}, {"send", "conf"}, "", 1, {"Error open LINK:115200,n,8,1", "plugged"}},
      // No settings: the start-up target is an S board, so its speed.
      {"send", true, {}, {"send", "conf", "--listen", "0.5"}, "", 0,
       {"open LINK:115200,n,8,1\n", "\nconf\n", "VexaLog F v1404\n", "close com"}},
      // Enter as CR LF, which the board takes as one line end; "ti=" and "Ok" as stamped hex rows.
      {"hex", true, {}, {"terminal", "--hex", "--timestamps", "--enter", "crlf", "--line", "8N1,rtscts"}, "ti\r", 0,
       {"open LINK:115200,n,8,1,rtscts", stamp + "< 00000000  74 69 3D", "4F 6B"}},
      // A pty forces 8 bits without parity, so the board still understands; the description
      // says what the port kept, a line each what it refused; "ti" is the local echo.
      {"every option", true, {}, {"terminal", "--line=7E2", "--enter", "lf", "--backspace", "del", "--echo"}, "ti\r", 0,
       {":115200,n,8,2\n", "The port did not take data bits 7: it kept 8\\.",
        "The port did not take parity even: it kept none\\.", "ti\n", "Ok"}},
  };
  const std::string escaped_link = std::regex_replace(link, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
  for (const CliRun& run : runs) {
    SCOPED_TRACE(run.note);
    if (run.board) start_board("F", run.board_options);
    const test::RunResult result = cli(run.args, run.input);
    EXPECT_EQ(result.exit_code, run.exit_code) << result.out << result.err;
    for (std::string pattern : run.out) {
      if (const auto at = pattern.find("LINK"); at != std::string::npos) pattern.replace(at, 4, escaped_link);
      EXPECT_TRUE(std::regex_search(result.out, std::regex(pattern))) << pattern << "\n" << result.out;
    }
    if (run.board) board->stop();
  }
}

TEST_F(LinkCommands, TypedCharactersGoAsWindows1252AndTheUnsendableAreLeftOutOnce) {
  std::mutex mutex;
  std::string got;
  test::PtyPeer peer([&](PseudoTerminal& pty) {
    const std::string bytes = pty.read_for(5);
    std::lock_guard lock(mutex);
    got += bytes;
  });
  std::filesystem::create_symlink(peer.pty().slave_path(), link);
  // 'é', '€', 'ā' (no byte for it), 'x', a character cut short, then Enter.
  const auto result = cli({"terminal"}, "\xc3\xa9\xe2\x82\xac\xc4\x81x\xe2\x82\r");
  EXPECT_EQ(result.exit_code, 0) << result.err;
  std::lock_guard lock(mutex);
  EXPECT_EQ(got, "\xe9\x80x\r");
  const std::string notice = "Not sent: a typed character";
  const auto first = result.err.find(notice);
  EXPECT_NE(first, std::string::npos) << result.err;
  EXPECT_EQ(result.err.find(notice, first + 1), std::string::npos) << result.err;
}

class StartSettings : public test::BoardAndCli {
 protected:
  void SetUp() override { start_board("S"); }
  test::RunResult send_conf(const std::string& program, std::vector<std::string> options = {}) {
    options.insert(options.end(), {"send", "conf", "--listen", "0.3"});
    return run_program(program, cli_args(options));
  }
};

TEST_F(StartSettings, SettingsFileGivesSpeedTargetLogAndLanguageAndACopyUnderAnotherNameTakesThatName) {
  // No port: how to give one.
  auto result = run_program(built_program("cli/vexacli"), {"send", "conf"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.err.find("--port"), std::string::npos);
  dir.write("VexaTerm.ini", "language=f\nBaud=19200\ntarget=VexaLog F v603\nlog=1\n");
  result = send_conf(built_program("cli/vexacli"));
  EXPECT_NE(result.out.find("ouvrir " + link + ":19200,n,8,1"), std::string::npos) << result.out;
  EXPECT_NE(TempDir::read(dir.file("VexaTerm.log")).find(">conf"), std::string::npos);

  // Options win over the file.
  result = send_conf(built_program("cli/vexacli"), {"--baud", "38400", "--lang", "d", "--log", "0"});
  EXPECT_NE(result.out.find(std::string("\xc3\xb6" "ffnen ") + link + ":38400,n,8,1"), std::string::npos)
      << result.out;

  // The file's target without a speed: the speed of that board type.
  dir.write("VexaTerm.ini", "target=VexaLog E v1404\n");
  result = send_conf(built_program("cli/vexacli"));
  EXPECT_NE(result.out.find("open " + link + ":9600,n,8,1"), std::string::npos) << result.out;

  // A copy under another name takes that name.
  const std::string acme = dir.file("Acme");
  std::filesystem::copy_file(built_program("cli/vexacli"), acme);
  std::filesystem::permissions(acme, std::filesystem::perms::owner_all);
  EXPECT_EQ(run_program(acme, {"--version"}).out, "Acme 1404\n");
  // Its own settings file and log; the family's files are not its own.
  dir.write("VexaTerm.ini", "Baud=19200\n");
  std::filesystem::remove(dir.file("VexaTerm.log"));
  dir.write("Acme.ini", "Baud=57600\nlog=1\n");
  result = send_conf(acme);
  EXPECT_NE(result.out.find("open " + link + ":57600,n,8,1"), std::string::npos) << result.out;
  EXPECT_TRUE(TempDir::exists(dir.file("Acme.log")));
  EXPECT_FALSE(TempDir::exists(dir.file("VexaTerm.log")));
  auto refused = run_program(acme, {"--settings", dir.path(), "--port", link, "--target", "x", "get-conf"});
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_NE(refused.err.find("\"Acme S v1404\""), std::string::npos) << refused.err;
}

// The terminal command on a pty standing in for the user's terminal, ended by a signal.
class TerminalSignals : public ::testing::TestWithParam<int> {};

TEST_P(TerminalSignals, UsersTerminalIsRestored) {
  PseudoTerminal user;
  PseudoTerminal board;
  ASSERT_TRUE(user.is_open() && board.is_open());
  termios before{};
  ASSERT_TRUE(user.line_settings(before));
  before.c_lflag |= ICANON | ECHO | ISIG;  // a user's terminal: cooked
  ASSERT_EQ(::tcsetattr(user.master_fd(), TCSANOW, &before), 0);
  TempDir dir;
  const std::string program = built_program("cli/vexacli");
  const std::string settings = dir.path();
  const std::string port = board.slave_path();
  const std::string user_path = user.slave_path();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setsid();
    const int fd = ::open(user_path.c_str(), O_RDWR);
    ::dup2(fd, 0);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    ::execl(program.c_str(), program.c_str(), "--settings", settings.c_str(), "--port", port.c_str(), "terminal",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const std::string seen = user.read_until("Ctrl-] quits", 10000);
  ASSERT_NE(seen.find("Ctrl-] quits"), std::string::npos) << seen;
  termios raw{};
  ASSERT_TRUE(user.line_settings(raw));
  EXPECT_EQ(raw.c_lflag & (ICANON | ECHO), 0u);
  ::kill(child, GetParam());
  int status = 0;
  for (int i = 0; i < 500 && ::waitpid(child, &status, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (::waitpid(child, &status, WNOHANG) == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    FAIL() << "vexacli did not end on signal " << GetParam();
  }
  termios after{};
  ASSERT_TRUE(user.line_settings(after));
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO | ISIG), static_cast<tcflag_t>(ICANON | ECHO | ISIG));
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam()) << status;
}

INSTANTIATE_TEST_SUITE_P(TermHupInt, TerminalSignals, ::testing::Values(SIGTERM, SIGHUP, SIGINT));

}  // namespace
}  // namespace vexa
