// Two programs on one port would each read half of the other's bytes: a port this program holds
// is refused to every other opener (exclusive tty and an advisory flock, as picocom and tio
// take), and an open of a port someone else holds says so, and who, where a lock tells it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "link/serial_link.h"
#include "link/tcp_client.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_tty.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using test::TempDir;

std::string command_of(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

TEST(PortLock, UucpLockFileOfALiveProcessHoldsThePort) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.is_open());
  TempDir locks;
  const std::string name = std::filesystem::path(pty.slave_path()).filename().string();
  // Another program's lock: the parent process is alive for as long as this test runs.
  const long parent = ::getppid();
  locks.write("LCK.." + name, "     " + std::to_string(parent) + "\n");
  SerialTty tty;
  EXPECT_EQ(tty.open(pty.slave_path(), locks.path()), EBUSY);
  EXPECT_EQ(tty.holder(), command_of(parent) + ", pid " + std::to_string(parent));
  // A lock whose process is gone is stale: it holds nothing.
  locks.write("LCK.." + name, "2147483646\n");
  EXPECT_EQ(tty.open(pty.slave_path(), locks.path()), 0);
}

TEST(PortLock, ASecondOpenerIsToldWhoHoldsThePortAndOpensOnceItIsFree) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.is_open());
  TempDir dir;
  const std::string path = dir.file("board");
  std::filesystem::create_symlink(pty.slave_path(), path);
  test::SharedReport report;
  Messages messages;
  TcpClient tcp_a(report, messages), tcp_b(report, messages);
  SerialLink a(report, messages, tcp_a), b(report, messages, tcp_b);
  a.select(path, "9600");
  b.select(path, "9600");
  ASSERT_TRUE(a.open_link(false));
  EXPECT_FALSE(b.open_link(false));
  EXPECT_EQ(report.lines().back(), path + " is in use by another program (" + command_of(::getpid()) + ", pid " +
                                       std::to_string(::getpid()) + ").");
  // Close and open again at once: the old descriptor may live on a moment in another thread,
  // but it no longer holds the port.
  EXPECT_TRUE(a.close_link());
  EXPECT_TRUE(b.open_link(false));
  EXPECT_FALSE(a.open_link(false));
  EXPECT_TRUE(b.close_link());
  EXPECT_TRUE(a.open_link(false));
}

}  // namespace
}  // namespace vexa
