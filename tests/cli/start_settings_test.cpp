// vexacli starts as the desktop does: the settings file of its folder gives speed, target, log
// mode and language, options override them, the speed follows the board type when the file has
// none, and the program takes its name (texts, settings and log files) from its own file name.
// Its terminal gives the user's terminal back however it is ended.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/pseudo_terminal.h"
#include "support/board_and_cli.h"

namespace vexa {
namespace {

using test::built_program;
using test::run_program;
using test::TempDir;

class StartSettings : public test::BoardAndCli {
 protected:
  void SetUp() override { start_board("S"); }
  test::RunResult send_conf(const std::string& program, std::vector<std::string> options = {}) {
    options.insert(options.end(), {"send", "conf", "--listen", "0.3"});
    return run_program(program, cli_args(options));
  }
};

TEST_F(StartSettings, SettingsFileGivesSpeedTargetLogAndLanguage) {
  // No file: no log, and the S board's speed (which the link commands' test checks).
  auto result = send_conf(built_program("cli/vexacli"));
  EXPECT_NE(result.out.find("VexaLog S v1404"), std::string::npos) << result.out;  // the board answered
  EXPECT_FALSE(TempDir::exists(dir.file("VexaTerm.log")));
  dir.write("VexaTerm.ini", "language=f\nBaud=19200\ntarget=VexaLog F v603\nlog=1\n");
  result = send_conf(built_program("cli/vexacli"));
  EXPECT_EQ(result.exit_code, 0) << result.err;
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
  result = send_conf(built_program("cli/vexacli"), {"--target", "VexaLog S v1404"});
  EXPECT_NE(result.out.find("open " + link + ":115200,n,8,1"), std::string::npos) << result.out;
}

TEST_F(StartSettings, CopyUnderAnotherNameTakesThatName) {
  const std::string acme = dir.file("Acme");
  std::filesystem::copy_file(built_program("cli/vexacli"), acme);
  std::filesystem::permissions(acme, std::filesystem::perms::owner_all);
  auto version = run_program(acme, {"--version"});
  EXPECT_EQ(version.out, "Acme 1404\n");
  // Its own settings file and log; the family's files are not its own.
  dir.write("VexaTerm.ini", "Baud=19200\n");
  dir.write("Acme.ini", "Baud=57600\nlog=1\n");
  auto result = send_conf(acme);
  EXPECT_EQ(result.exit_code, 0) << result.err;
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
