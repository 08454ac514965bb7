// The port layer over real pseudo-terminals: names, open and its failures, line settings,
// writes and reads, speed changes and the presence probe with its automatic reopen.
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <filesystem>

#include "link/serial_link.h"
#include "platform/pseudo_terminal.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using test::SharedReport;
using test::TempDir;

TEST(PortNames, ComNamesMapToTtySAndBadNumbersToCom1) {
  const struct {
    const char* name;
    const char* label;
    const char* device;
  } rows[] = {
      {"COM5", "COM5", "/dev/ttyS4"}, {"com12", "COM12", "/dev/ttyS11"},
      {"COM0", "COM1", "/dev/ttyS0"}, {"COMx", "COM1", "/dev/ttyS0"},
      {"COM100", "COM1", "/dev/ttyS0"}, {"COM-3", "COM1", "/dev/ttyS0"},
      {"COM", "COM1", "/dev/ttyS0"},  {"/dev/ttyUSB0", "/dev/ttyUSB0", "/dev/ttyUSB0"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(resolve_port_name(row.name).label, row.label) << row.name;
    EXPECT_EQ(resolve_port_name(row.name).device_path, row.device) << row.name;
  }
  EXPECT_EQ(port_description(resolve_port_name("COM5"), 9600), "COM5:9600,n,8,1");
}

TEST(PortNames, FailureReasonsSayWhatToDoInEveryLanguage) {
  const Messages english;
  EXPECT_NE(open_failure_reason(english, "/dev/ttyUSB0", EACCES).find("dialout"), std::string::npos);
  EXPECT_NE(open_failure_reason(english, "/dev/ttyUSB0", EACCES).find("/dev/ttyUSB0"), std::string::npos);
  EXPECT_NE(open_failure_reason(english, "/dev/ttyUSB9", ENOENT).find("plugged"), std::string::npos);
  for (char language : {'f', 'd'}) {
    const Messages other("VexaLog", language);
    for (int code : {EACCES, EBUSY, ENOENT, ENOTTY, EINVAL}) {
      const std::string text = open_failure_reason(other, "/dev/ttyUSB0", code, "minicom, pid 7");
      EXPECT_EQ(text.find("/dev/ttyUSB0"), 0u) << language << code;
      EXPECT_NE(text, open_failure_reason(english, "/dev/ttyUSB0", code, "minicom, pid 7")) << language << code;
    }
  }
}

class PortLayer : public ::testing::Test {
 protected:
  PortLayer() : tcp(report, messages), link(report, messages, tcp) {}

  // A symbolic link to a fresh pty's slave, as a board simulator offers one.
  void plug_in(PseudoTerminal& pty) {
    std::filesystem::remove(path);
    std::filesystem::create_symlink(pty.slave_path(), path);
  }
  bool open_on(PseudoTerminal& pty, const char* speed) {
    plug_in(pty);
    link.select(path, speed);
    return link.open_link(false);
  }
  std::string open_line(long speed) const { return "open " + path + ":" + std::to_string(speed) + ",n,8,1"; }

  TempDir dir;
  std::string path = dir.file("board");
  SharedReport report;
  Messages messages;
  TcpClient tcp;
  SerialLink link;
};

TEST_F(PortLayer, OpensRawEightNoneOneWithReceiveXoff) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.is_open());
  ASSERT_TRUE(open_on(pty, "9600"));
  EXPECT_TRUE(report.contains(open_line(9600)));
  EXPECT_TRUE(link.link_is_open());
  termios tio{};
  ASSERT_TRUE(pty.line_settings(tio));
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_NE(tio.c_iflag & IXOFF, 0u);
  EXPECT_EQ(tio.c_iflag & IXON, 0u);
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_TRUE(link.close_link());
  EXPECT_TRUE(report.contains("close com"));
  EXPECT_FALSE(link.close_link());
  // The user's close is not undone by the presence probe.
  report.clear();
  link.probe_port();
  EXPECT_FALSE(link.serial_open());
  EXPECT_TRUE(report.lines().empty());
}

TEST_F(PortLayer, OpenFailureTellsTheDescriptionAndWhy) {
  // A missing node and a plain file (no terminal) are both refused with the description.
  for (const std::string& target : {path, dir.write("plain.txt", "x")}) {
    SCOPED_TRACE(target);
    report.clear();
    link.select(target, "9600");
    EXPECT_FALSE(link.open_link(false));
    auto lines = report.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "open " + target + ":9600,n,8,1");
    EXPECT_EQ(lines[1], "Error open " + target + ":9600,n,8,1");
    if (target == path) {
      EXPECT_NE(lines[2].find("plugged"), std::string::npos);  // why: no such node
    }
    EXPECT_FALSE(link.link_is_open());
  }
}

TEST_F(PortLayer, WritesAndReadsNeedAnOpenPortAndReadsTimeOut) {
  EXPECT_FALSE(link.write_text("conf\n"));
  EXPECT_TRUE(report.contains("Error Port is not open"));
  EXPECT_EQ(link.serial_read_byte(0), -2);
  EXPECT_EQ(link.link_read_byte(0), -1);

  PseudoTerminal pty;
  ASSERT_TRUE(open_on(pty, "115200"));
  EXPECT_TRUE(link.write_text("conf\n"));
  EXPECT_FALSE(link.write_char('\0'));  // a NUL writes nothing
  EXPECT_TRUE(link.write_char('z'));
  EXPECT_EQ(pty.read_until("z", 2000), "conf\nz");

  EXPECT_EQ(link.serial_read_byte(0), -1);
  EXPECT_EQ(link.serial_read_byte(30), -1);
  ASSERT_TRUE(pty.write(std::string("A\xff\x00", 3)));
  link.push_back('P');  // the push-back byte comes first
  EXPECT_EQ(link.serial_read_byte(0), 'P');
  EXPECT_EQ(link.serial_read_byte(2000), 'A');
  EXPECT_EQ(link.serial_read_byte(2000), 0xff);
  EXPECT_EQ(link.serial_read_byte(2000), 0);
  EXPECT_EQ(link.link_read_byte(0), -1);
}

TEST_F(PortLayer, SpeedChangesReturnTheOldSpeed) {
  EXPECT_EQ(link.set_speed(9600, true), 9600);  // already in force, even while closed
  EXPECT_EQ(link.set_speed(19200, true), -1);
  PseudoTerminal pty;
  ASSERT_TRUE(open_on(pty, "9600"));
  report.clear();
  EXPECT_EQ(link.set_speed(115200, true), 9600);
  EXPECT_TRUE(report.contains(open_line(115200)));
  termios tio{};
  ASSERT_TRUE(pty.line_settings(tio));
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B115200));
  EXPECT_EQ(tio.c_iflag & IXOFF, 0u);  // a speed change carries no XON/XOFF
  EXPECT_EQ(link.set_speed(9600, false), 115200);
  EXPECT_FALSE(report.contains(open_line(9600)));

  // A pty takes any speed a port can be asked for; 0 is none.
  EXPECT_EQ(link.set_speed(0, true), -1);
  EXPECT_TRUE(report.contains("Error open " + path + ":9600,n,8,1"));
  EXPECT_FALSE(link.serial_open());
  EXPECT_EQ(link.speed(), 0);
}

TEST_F(PortLayer, VanishedDeviceIsClosedAndReopenedWhenItComesBack) {
  auto pty = std::make_unique<PseudoTerminal>();
  ASSERT_TRUE(open_on(*pty, "9600"));
  link.probe_port();
  EXPECT_TRUE(link.serial_open());

  std::filesystem::remove(path);
  pty.reset();
  report.clear();
  link.probe_port();
  auto lines = report.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "COM error 2 No such file or directory");
  EXPECT_EQ(lines[1], "close com");
  EXPECT_TRUE(link.lost());
  EXPECT_FALSE(link.serial_open());

  // Failed reopen attempts print nothing.
  report.clear();
  link.probe_port();
  link.probe_port();
  EXPECT_TRUE(report.lines().empty());

  PseudoTerminal again;
  plug_in(again);
  link.probe_port();
  EXPECT_TRUE(link.serial_open());
  EXPECT_EQ(report.lines(), std::vector<std::string>{open_line(9600)});
  EXPECT_TRUE(link.write_text("conf\n"));
  EXPECT_EQ(again.read_until("\n", 2000), "conf\n");
  link.probe_port();
  EXPECT_FALSE(link.lost());
}

TEST_F(PortLayer, HungUpLineIsNoticedByTheProbe) {
  PseudoTerminal pty;
  ASSERT_TRUE(open_on(pty, "9600"));
  pty.close();
  report.clear();
  link.probe_port();
  auto lines = report.lines();
  ASSERT_EQ(lines.size(), 2u);
  // The slave node goes with its master, so either the path or the hang-up is seen first.
  EXPECT_TRUE(lines[0] == "COM error 2 No such file or directory" ||
              lines[0] == "COM error 5 Input/output error")
      << lines[0];
  EXPECT_EQ(lines[1], "close com");
}

// The receive thread's wait ends as soon as it is woken (a stop, a pause, a port opened), on an
// open port and with nothing open alike, and a wake given before the wait is not lost. The
// waits are long, so only a wake can end them early on any machine.
TEST_F(PortLayer, AWakeEndsTheReceiversWaitAtOnce) {
  using SteadyClock = std::chrono::steady_clock;
  constexpr int kLongWaitMs = 20000;
  const auto woken_wait = [&] {
    const auto start = SteadyClock::now();
    std::thread waker([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      link.wake_receiver();
    });
    EXPECT_FALSE(link.wait_readable(kLongWaitMs));
    waker.join();
    return SteadyClock::now() - start;
  };
  EXPECT_LT(woken_wait(), std::chrono::milliseconds(kLongWaitMs / 4));  // nothing open

  PseudoTerminal pty;
  ASSERT_TRUE(open_on(pty, "9600"));  // opening wakes too: that wake is taken at once
  EXPECT_FALSE(link.wait_readable(kLongWaitMs));
  EXPECT_LT(woken_wait(), std::chrono::milliseconds(kLongWaitMs / 4));  // an open, quiet port

  const auto start = SteadyClock::now();
  link.wake_receiver();
  EXPECT_FALSE(link.wait_readable(kLongWaitMs));
  EXPECT_LT(SteadyClock::now() - start, std::chrono::milliseconds(kLongWaitMs / 4));
  // Taken: the next wait is a real one, and ends with the board's byte.
  pty.write("x");
  EXPECT_TRUE(link.wait_readable(kLongWaitMs));
}

}  // namespace
}  // namespace vexa
