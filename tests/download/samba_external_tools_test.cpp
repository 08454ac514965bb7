// The SAM-BA pieces against independent implementations of the other side, between separate
// processes over pseudo-terminals: lrzsz's XMODEM receiver takes what our sender sends, BOSSA's
// flasher programs the simulated monitor (with the halfword, byte and lock commands our own
// download never sends), and vexacli flash programs vexaboard.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "base/messages.h"
#include "download/xmodem_sender.h"
#include "platform/pseudo_terminal.h"
#include "download_fakes.h"
#include "support/child_process.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

extern char** environ;

namespace vexa {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Our side of the receiver as a port: its input and its output on two pseudo-terminals, as
// lrzsz flushes its terminal both ways when it ends and would take back its last ACK from a
// shared one. The monitor's send command is not XMODEM and never reaches it. lrzsz answers the
// EOT only after a quiet second, and flushes its input after each answer, so each write waits
// until it sits in its read.
class PtyPort final : public test::ScriptedPort {
 public:
  PtyPort(PseudoTerminal& to_receiver, PseudoTerminal& from_receiver, pid_t receiver)
      : to_(to_receiver), from_(from_receiver), receiver_(receiver) {
    current_speed = 115200;
  }
  bool write_bytes(std::string_view bytes) override {
    if (bytes.size() > 1 && bytes.front() == 'S' && bytes.back() == '#') return true;
    after_eot_ = bytes == "\x04";
    wait_until_reading();
    return to_.write(bytes);
  }
  int read_byte(int wait_ms) override {
    if (after_eot_) wait_ms = kReceiverEotWaitMs;
    pollfd fd{from_.master_fd(), POLLIN, 0};
    if (::poll(&fd, 1, wait_ms) <= 0) return -1;
    unsigned char c = 0;
    return ::read(from_.master_fd(), &c, 1) == 1 ? c : -1;
  }

 private:
  // /proc/PID/syscall starts with the number of the call the process waits in and its first
  // argument: read(0, ...) on its standard input.
  void wait_until_reading() const {
    const std::string path = "/proc/" + std::to_string(receiver_) + "/syscall";
    const std::string reading = std::to_string(SYS_read) + " 0x0 ";
    test::eventually([&] { return test::TempDir::read(path).rfind(reading, 0) == 0; }, 5000);
  }

  static constexpr int kReceiverEotWaitMs = 5000;
  PseudoTerminal& to_;
  PseudoTerminal& from_;
  pid_t receiver_;
  bool after_eot_ = false;
};

// Runs program in dir with its standard input and output on the terminal devices in and out.
pid_t spawn_on_ttys(const std::vector<std::string>& args, const std::string& in, const std::string& out,
                    const std::string& dir) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDWR | O_NOCTTY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_RDWR | O_NOCTTY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  std::vector<std::string> storage = args;
  std::vector<char*> argv;
  for (auto& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The exit code, or -1 when it had to be killed after timeout_ms (a hang guard).
int wait_exit(pid_t pid, int timeout_ms) {
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (SteadyClock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(XmodemAgainstLrzsz, RxReceivesWhatWeSendByteForByte) {
  // The applet's size (a short last block), and enough blocks for the number to wrap past 255.
  for (std::size_t length : {std::size_t{1104}, std::size_t{40000}}) {
    SCOPED_TRACE(length);
    test::TempDir dir;
    PseudoTerminal to_rx, from_rx;
    ASSERT_TRUE(to_rx.is_open() && from_rx.is_open());
    // Held open here too, so rx's exit is no hang-up before its last ACK is read.
    const int keep_slave = ::open(from_rx.slave_path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    const pid_t rx = spawn_on_ttys({"rx", "-c", "-b", "-X", "received.bin"}, to_rx.slave_path(),
                                   from_rx.slave_path(), dir.path());
    ASSERT_GT(rx, 0) << "lrzsz's rx is needed (scripts/install-deps.sh)";

    const std::string data = test::random_bytes(length, static_cast<std::uint32_t>(length));
    std::string padded = data;
    padded.resize((length + 127) / 128 * 128, '\0');
    PtyPort port(to_rx, from_rx, rx);
    test::SharedReport report;
    Messages messages;
    CountingClock clock;
    SambaWire wire(port, report, messages, clock, false);
    const bool sent = xmodem_send(wire, padded, length, 0x00201600);
    const int code = wait_exit(rx, 20000);
    ::close(keep_slave);
    ASSERT_TRUE(sent) << "rx exit " << code << ": " << (report.lines().empty() ? "" : report.lines().back());
    EXPECT_EQ(code, 0);
    EXPECT_EQ(test::TempDir::read(dir.file("received.bin")), padded);
  }
}

TEST(SambaAgainstBossa, BossacIdentifiesProgramsAndVerifiesTheSimulatedChip) {
  test::TempDir dir;
  const std::string link = dir.file("board");
  const std::string flash = dir.file("flash.bin");
  test::BackgroundProgram board(test::built_program("sim/vexaboard"),
                                {"--type", "S", "--pty", link, "--samba", "--flash-out", flash});
  ASSERT_TRUE(test::wait_for_path(link));

  const auto info = test::run_program("/usr/bin/bossac", {"-p", link, "-U0", "-i"}, {}, 60000);
  ASSERT_EQ(info.exit_code, 0) << info.out << info.err;
  EXPECT_NE(info.out.find("AT91SAM7S256"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Pages        : 1024"), std::string::npos) << info.out;

  const std::string image = test::random_bytes(256 * 1024, 77);
  const std::string image_path = dir.write("image.bin", image);
  const auto write = test::run_program("/usr/bin/bossac",
                                       {"-p", link, "-U0", "-e", "-w", "-v", "-b", "-R", image_path}, {}, 120000);
  ASSERT_EQ(write.exit_code, 0) << write.err;
  EXPECT_NE(write.out.find("Verify successful"), std::string::npos) << write.err;
  ASSERT_TRUE(test::eventually([&] { return test::TempDir::read(flash).size() == image.size(); }, 10000));
  EXPECT_TRUE(test::TempDir::read(flash) == image) << "the simulated flash holds the image";
  board.stop();
  EXPECT_NE(board.output().find("chip reset"), std::string::npos) << board.output();
}

TEST(SambaCommandLine, FlashProgramsVexaboardAndSucceedsOnlyOnTheSummary) {
  test::TempDir dir;
  const std::string link = dir.file("board");
  const std::string flash = dir.file("flash.bin");
  test::BackgroundProgram board(test::built_program("sim/vexaboard"), {"--type", "S", "--pty", link, "--flash-out", flash});
  ASSERT_TRUE(test::wait_for_path(link));
  const std::string cli = test::built_program("cli/vexacli");

  const std::string image = test::random_bytes(256 * 1024, 91);
  const std::string image_path = dir.write("firmware.binb", image);
  const auto run = test::run_program(cli, {"--port", link, "--settings", dir.path(), "flash", image_path}, {}, 120000);
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("262144(0x40000) bytes, 1024 pages written"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("init done"), std::string::npos) << "progress on standard error";
  EXPECT_NE(run.err.find("262144"), std::string::npos);
  ASSERT_TRUE(test::eventually([&] { return test::TempDir::read(flash).size() == image.size(); }, 10000));
  EXPECT_TRUE(test::TempDir::read(flash) == image);
  board.stop();
  EXPECT_NE(board.output().find("GPNVM bits 0x4 (boots from flash)"), std::string::npos) << board.output();

  // ".bin" only with --samba; other extensions are not this command's.
  const std::string bin_path = dir.write("firmware.bin", image.substr(0, 1000));
  EXPECT_EQ(test::run_program(cli, {"--port", link, "flash", bin_path}).exit_code, 2);
  EXPECT_EQ(test::run_program(cli, {"--port", link, "flash", dir.file("firmware.hex")}).exit_code, 2);
  EXPECT_EQ(test::run_program(cli, {"--port", link, "flash", dir.file("missing.binb")}).exit_code, 1);
}

TEST(SambaCommandLine, ABoardThatNeverAnswersFailsWithTheDownloadModeError) {
  test::TempDir dir;
  PseudoTerminal silent;
  ASSERT_TRUE(silent.is_open());
  const std::string image_path = dir.write("firmware.bin", std::string(512, 'x'));
  const auto run = test::run_program(test::built_program("cli/vexacli"),
                                     {"--port", silent.slave_path(), "--settings", dir.path(), "flash",
                                      "--samba", image_path}, {}, 30000);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.out.find("Error: Board not in download mode"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("pages written"), std::string::npos);
  EXPECT_NE(silent.read_for(200).find("WFFFFFF60,00450100#"), std::string::npos);
}

}  // namespace
}  // namespace vexa
