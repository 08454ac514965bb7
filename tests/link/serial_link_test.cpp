// The port layer over real pseudo-terminals: names, the user's line settings, open and its
// failures, writes and reads, speed changes, modem lines and the presence probe with its
// automatic reopen. A pty keeps the stop bits, handshakes and any speed in its termios but forces
// 8 bits without parity: those are checked through the flags the port is given. It has no modem
// lines: TIOCMGET fails and a Break is accepted and dropped.
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/main_window_form.h"
#include "link/serial_link.h"
#include "platform/line_settings.h"
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
  for (char language : {'f', 'd'}) {
    const Messages other("VexaLog", language);
    for (int code : {EACCES, EBUSY, ENOENT, ENOTTY, EINVAL}) {
      const std::string text = open_failure_reason(other, "/dev/ttyUSB0", code, "minicom, pid 7");
      EXPECT_EQ(text.find("/dev/ttyUSB0"), 0u) << language << code;
      EXPECT_NE(text, open_failure_reason(english, "/dev/ttyUSB0", code, "minicom, pid 7")) << language << code;
    }
  }
}

TEST(LineSettingsText, WritesAndReadsEveryFrameAndHandshake) {
  EXPECT_EQ(line_settings_text(LineSettings{}), "n,8,1");
  const LineSettings odd{7, Parity::even, 2, FlowControl::rts_cts};
  EXPECT_EQ(line_settings_text(odd), "e,7,2,rtscts");
  for (int bits = 5; bits <= 8; ++bits)
    for (Parity parity : {Parity::none, Parity::odd, Parity::even, Parity::mark, Parity::space})
      for (int stop : {1, 2})
        for (FlowControl flow : {FlowControl::none, FlowControl::rts_cts, FlowControl::xon_xoff}) {
          const LineSettings settings{bits, parity, stop, flow};
          const auto back = parse_line_settings(line_settings_text(settings));
          ASSERT_TRUE(back) << line_settings_text(settings);
          EXPECT_EQ(*back, settings) << line_settings_text(settings);
        }
  EXPECT_EQ(parse_line_settings("7E1"), (LineSettings{7, Parity::even, 1, FlowControl::none}));
  EXPECT_EQ(parse_line_settings("8n2,XonXoff"), (LineSettings{8, Parity::none, 2, FlowControl::xon_xoff}));
  for (const char* bad : {"", "8N3", "9N1", "4N1", "8X1", "n,8", "n,8,1,fast", "n,8,1,none,x", "8N1x", "n,,1"})
    EXPECT_FALSE(parse_line_settings(bad)) << bad;
}

TEST(LineSettingsText, EachFrameHasItsFlagsAndReadsBack) {
  const struct {
    LineSettings settings;
    tcflag_t cflag;
    tcflag_t iflag;
  } rows[] = {
      {{8, Parity::none, 1, FlowControl::none}, CS8, 0},
      {{7, Parity::even, 1, FlowControl::none}, CS7 | PARENB, 0},
      {{8, Parity::odd, 2, FlowControl::rts_cts}, CS8 | PARENB | PARODD | CSTOPB | CRTSCTS, 0},
      {{5, Parity::mark, 1, FlowControl::xon_xoff}, CS5 | PARENB | PARODD | CMSPAR, IXON | IXOFF},
      {{6, Parity::space, 2, FlowControl::none}, CS6 | PARENB | CMSPAR | CSTOPB, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(line_settings_text(row.settings));
    const LineFlags flags = line_flags(row.settings);
    EXPECT_EQ(flags.cflag, row.cflag);
    EXPECT_EQ(flags.iflag, row.iflag);
    EXPECT_EQ(settings_from_flags(flags), row.settings);
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

TEST_F(PortLayer, OpensRawWithReceiveXoffAndTheUsersFrame) {
  // No settings of the user's: 8 bits, no parity, one stop bit.
  const struct {
    std::optional<LineSettings> settings;
    const char* speed;
    speed_t code;
  } rows[] = {
      {std::nullopt, "9600", B9600},
      {LineSettings{8, Parity::none, 2, FlowControl::none}, "19200", B19200},
      {LineSettings{8, Parity::none, 1, FlowControl::rts_cts}, "19200", B19200},
      {LineSettings{8, Parity::none, 2, FlowControl::xon_xoff}, "115200", B115200},
  };
  PseudoTerminal pty;
  for (const auto& row : rows) {
    const LineSettings settings = row.settings.value_or(LineSettings{});
    const std::string description = path + ":" + row.speed + "," + line_settings_text(settings);
    SCOPED_TRACE(description);
    link.set_line_settings(row.settings);
    ASSERT_TRUE(open_on(pty, row.speed));
    EXPECT_TRUE(link.link_is_open());
    termios tio{};
    ASSERT_TRUE(pty.line_settings(tio));
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB), static_cast<tcflag_t>(CS8));
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, settings.stop_bits == 2);
    EXPECT_EQ((tio.c_cflag & CRTSCTS) != 0, settings.flow == FlowControl::rts_cts);
    EXPECT_EQ((tio.c_iflag & IXON) != 0, settings.flow == FlowControl::xon_xoff);
    EXPECT_NE(tio.c_iflag & IXOFF, 0u);  // the receive XOFF whatever the user's handshake
    EXPECT_EQ(cfgetospeed(&tio), row.code);
    const auto applied = read_line_settings(pty.master_fd());
    ASSERT_TRUE(applied);
    EXPECT_EQ(applied->settings, settings);
    EXPECT_TRUE(report.contains("open " + description));
    EXPECT_EQ(link.description(), description);
    EXPECT_TRUE(link.close_link());
    EXPECT_TRUE(report.contains("close com"));
    EXPECT_FALSE(link.close_link());
  }
  // The user's close is not undone by the presence probe.
  report.clear();
  link.probe_port();
  EXPECT_FALSE(link.serial_open());
  EXPECT_TRUE(report.lines().empty());
}

TEST_F(PortLayer, EverySpeedOpensWithOrWithoutLineSettings) {
  // 14400 and 28800 of the selector's list have no B-code; neither has 250000.
  std::vector<std::string> speeds = comma_fields(kSpeedList);
  speeds.push_back("250000");
  PseudoTerminal pty;
  for (const std::string& speed : speeds) {
    ASSERT_TRUE(open_on(pty, speed.c_str())) << speed << ": " << report.lines().back();
    const auto applied = read_line_settings(pty.master_fd());
    ASSERT_TRUE(applied);
    EXPECT_EQ(applied->speed, std::stol(speed));
    EXPECT_TRUE(link.close_link());
  }
  EXPECT_FALSE(report.contains("Error open"));
  // The speed change of an open port takes them too.
  ASSERT_TRUE(open_on(pty, "9600"));
  EXPECT_EQ(link.set_speed(14400, false), 9600);
  EXPECT_EQ(read_line_settings(pty.master_fd())->speed, 14400);
  EXPECT_TRUE(link.close_link());

  // A later speed change keeps the frame and takes another free speed.
  link.set_line_settings(LineSettings{});
  ASSERT_TRUE(open_on(pty, "250000"));
  EXPECT_EQ(link.set_speed(31250, true), 250000);
  EXPECT_EQ(read_line_settings(pty.master_fd())->speed, 31250);
  EXPECT_TRUE(report.contains("open " + path + ":31250,n,8,1"));
}

TEST_F(PortLayer, OpenFailureTellsTheDescriptionAndWhy) {
  PseudoTerminal pty;
  plug_in(pty);
  const std::string missing = dir.file("missing");
  const std::string plain = dir.write("plain.txt", "x");
  const struct {
    std::string target;
    LineSettings settings;
    const char* speed;
    std::string description;
    const char* why;  // a part of the reason
  } rows[] = {
      {missing, {}, "9600", missing + ":9600,n,8,1", "plugged"},
      {plain, {}, "9600", plain + ":9600,n,8,1", plain.c_str()},  // no terminal
      {path, {9, Parity::none, 1, FlowControl::none}, "9600", path + ":9600,n,9,1", "does not accept"},
      {path, {}, "0", path + ":0,n,8,1", "does not accept"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.description);
    report.clear();
    link.set_line_settings(row.settings);
    link.select(row.target, row.speed);
    EXPECT_FALSE(link.open_link(false));
    const auto lines = report.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "open " + row.description);
    EXPECT_EQ(lines[1], "Error open " + row.description);
    EXPECT_NE(lines[2].find(row.why), std::string::npos) << lines[2];
    EXPECT_FALSE(link.link_is_open());
    EXPECT_FALSE(link.serial_open());
  }
}

TEST_F(PortLayer, WritesReadsAndModemLinesNeedAnOpenPortAndReadsTimeOut) {
  EXPECT_FALSE(link.write_text("conf\n"));
  EXPECT_TRUE(report.contains("Error Port is not open"));
  EXPECT_EQ(link.serial_read_byte(0), -2);
  EXPECT_EQ(link.link_read_byte(0), -1);
  ModemLines lines;
  EXPECT_EQ(link.modem_lines(lines), EBADF);
  EXPECT_EQ(link.send_break(100), EBADF);
  EXPECT_EQ(link.set_dtr(true), EBADF);
  EXPECT_EQ(link.set_rts(true), EBADF);

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

  // Reading the modem lines of a pty fails with a code, never a made-up state.
  EXPECT_NE(link.modem_lines(lines), 0);
  EXPECT_EQ(lines, ModemLines{});
  // Break lengths outside 1..5000 ms are refused before the line is touched.
  EXPECT_EQ(link.send_break(0), EINVAL);
  EXPECT_EQ(link.send_break(kLongestBreakMs + 1), EINVAL);
  EXPECT_EQ(link.send_break(20), 0);
  EXPECT_TRUE(link.write_text("after"));
  EXPECT_EQ(pty.read_until("after", 2000), "after");
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

TEST_F(PortLayer, VanishedOrHungUpDeviceIsClosedAndReopenedWhenItComesBack) {
  auto pty = std::make_unique<PseudoTerminal>();
  ASSERT_TRUE(open_on(*pty, "9600"));
  link.probe_port();
  EXPECT_TRUE(link.serial_open());

  std::filesystem::remove(path);
  pty.reset();
  report.clear();
  link.probe_port();
  EXPECT_EQ(report.lines(), (std::vector<std::string>{"COM error 2 No such file or directory", "close com"}));
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

  // A hang-up: the slave node goes with its master, so either the path or the hang-up is seen.
  again.close();
  report.clear();
  link.probe_port();
  const auto lines = report.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0] == "COM error 2 No such file or directory" || lines[0] == "COM error 5 Input/output error")
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
