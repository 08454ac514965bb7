// The port layer over real pseudo-terminals. A pty forces 8 bits without parity (frames are
// checked through the flags the port is given) and has no modem lines: TIOCMGET fails.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/main_window_form.h"
#include "link/serial_link.h"
#include "platform/line_settings.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_tty.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using test::SharedReport;
using test::TempDir;

TEST(PortNames, ComNamesMapToTtySBadNumbersToCom1AndAPortNotAllowedSaysWhatToDo) {
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
  // A port the user may not open says what to do (the other reasons are the open tests').
  EXPECT_NE(open_failure_reason(Messages(), "/dev/ttyUSB0", EACCES).find("dialout"), std::string::npos);
}

TEST(LineSettingsText, EveryFrameAndHandshakeGoesToTextAndToTermiosFlagsAndBack) {
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
          EXPECT_EQ(settings_from_flags(line_flags(settings)), settings) << line_settings_text(settings);
        }
  EXPECT_EQ(parse_line_settings("8n2,XonXoff"), (LineSettings{8, Parity::none, 2, FlowControl::xon_xoff}));
  EXPECT_EQ(parse_line_settings("7E1"), (LineSettings{7, Parity::even, 1, FlowControl::none}));
  for (const char* bad : {"", "8N3", "9N1", "4N1", "8X1", "n,8", "n,8,1,fast", "n,8,1,none,x", "8N1x", "n,,1"})
    EXPECT_FALSE(parse_line_settings(bad)) << bad;
  // Every frame survives its termios flags both ways (above); these pin what the bits mean.
  EXPECT_EQ(line_flags({7, Parity::mark, 2, FlowControl::rts_cts}).cflag,
            CS7 | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  EXPECT_EQ(line_flags({6, Parity::space, 1, FlowControl::xon_xoff}).cflag, CS6 | PARENB | CMSPAR);
  EXPECT_EQ(line_flags({5, Parity::odd, 1, FlowControl::xon_xoff}).iflag, IXON | IXOFF);
  EXPECT_EQ(line_flags({8, Parity::even, 1, FlowControl::none}).cflag, CS8 | PARENB);
}

// The selector's list comes from sysfs: which ttys sit on real hardware, and which serial core
// ports have no UART behind them (phantom ttyS). No device node is opened to find out: an open
// raises DTR and RTS on a port the user did not choose.
TEST(PortList, HardwareTtysFromSysfsWithoutPhantomsOrOpensThenAGatewayInUseThenTcpIp) {
  TempDir dir;
  const std::string sys = dir.file("sys"), dev = dir.file("dev");
  fs::create_directories(sys + "/devices/platform/serial8250");
  fs::create_directories(dev + "/serial/by-id");
  // A tty on hardware or not, its UART type ("" for none, as USB and ACM ttys), a node or not.
  const auto tty = [&](const std::string& name, bool hardware, const std::string& type = "", bool node = true) {
    const std::string entry = sys + "/class/tty/" + name;
    fs::create_directories(entry);
    if (hardware) fs::create_directory_symlink(sys + "/devices/platform/serial8250", entry + "/device");
    if (!type.empty()) dir.write("sys/class/tty/" + name + "/type", type + "\n");
    if (node) ::chmod(dir.write("dev/" + name, "").c_str(), 0);  // nobody may open it
  };
  tty("ttyS0", true, "4");  // a 16550A
  tty("ttyS1", true, "0");  // PORT_UNKNOWN: no UART
  tty("ttyS10", true, "4");
  tty("ttyS2", true, "4", false);
  tty("ttyUSB0", true);
  tty("ttyACM1", true);
  tty("ttyACM0", true);
  tty("ttyAMA0", true, "1");
  tty("tty1", false);  // virtual console
  tty("ptmx", false);
  // Without sysfs the nodes of /dev prove nothing: no serial port at all.
  EXPECT_EQ(list_serial_devices(dev, dir.file("nosys")), std::vector<std::string>{});
  fs::create_symlink("../../ttyUSB0", dev + "/serial/by-id/usb-FTDI_FT232R-if00-port0");

  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(::inotify_add_watch(watch, dev.c_str(), IN_OPEN | IN_ACCESS), 0);
  const auto d = dev + "/";
  EXPECT_EQ(list_serial_devices(dev, sys),
            (std::vector<std::string>{d + "ttyS0", d + "ttyS10", d + "ttyUSB0", d + "ttyACM0", d + "ttyACM1",
                                      d + "ttyAMA0", d + "serial/by-id/usb-FTDI_FT232R-if00-port0"}));
  EXPECT_EQ(port_list(dev, sys).back(), "tcp/ip");

  // Listing the folder opens the folder itself; no event may name a device in it.
  alignas(inotify_event) char events[4096];
  const ssize_t n = ::read(watch, events, sizeof events);
  for (ssize_t at = 0; at < n;) {
    const auto* event = reinterpret_cast<const inotify_event*>(events + at);
    EXPECT_EQ(event->len, 0u) << "opened " << event->name;
    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
  }
  ::close(watch);

  // No scan finds a network port: the selector keeps the one in use, once, before "tcp/ip".
  const std::vector<std::string> plain = port_list();
  const std::vector<std::string> kept = port_list_keeping("rfc2217://10.0.0.5:2000");
  ASSERT_EQ(kept.size(), plain.size() + 1);
  EXPECT_EQ(kept[kept.size() - 2], "rfc2217://10.0.0.5:2000");
  EXPECT_EQ(port_list_keeping("/dev/ttyUSB0"), plain);
  EXPECT_EQ(port_list_keeping("tcp/ip"), plain);
}

std::string command_of(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

class PortLayer : public ::testing::Test {
 protected:
  PortLayer() : tcp(report, messages), link(report, messages, tcp) {}

  // A symbolic link to a pty's slave, as the board simulator offers one.
  void plug_in(PseudoTerminal& pty) {
    fs::remove(path);
    fs::create_symlink(pty.slave_path(), path);
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

TEST_F(PortLayer, EverySpeedOpensWithReceiveXoffAndTheUsersFrame) {
  // 14400 and 28800 of the selector's list have no B-code; neither has 250000. Every other
  // speed opens with a frame of the user's.
  std::vector<std::string> speeds = comma_fields(kSpeedList);
  speeds.push_back("250000");
  PseudoTerminal pty;
  for (std::size_t i = 0; i < speeds.size(); ++i) {
    std::optional<LineSettings> users;
    if (i % 2) users = LineSettings{8, Parity::none, 2, FlowControl::xon_xoff};
    const LineSettings settings = users.value_or(LineSettings{});
    const std::string description = path + ":" + speeds[i] + "," + line_settings_text(settings);
    SCOPED_TRACE(description);
    link.set_line_settings(users);
    ASSERT_TRUE(open_on(pty, speeds[i].c_str())) << report.lines().back();
    const auto applied = read_line_settings(pty.master_fd());
    ASSERT_TRUE(applied);
    EXPECT_EQ(applied->speed, std::stol(speeds[i]));
    EXPECT_EQ(applied->settings, settings);
    EXPECT_TRUE(applied->xoff_receive);  // whatever the user's handshake
    EXPECT_EQ(report.lines().back(), "open " + description);
    EXPECT_EQ(link.description(), description);
    EXPECT_TRUE(link.close_link());
    EXPECT_EQ(report.lines().back(), "close com");
    EXPECT_FALSE(link.close_link());
  }
  // The speed change of an open port takes a speed without a B-code too.
  ASSERT_TRUE(open_on(pty, "9600"));
  EXPECT_EQ(link.set_speed(14400, false), 9600);
  EXPECT_EQ(read_line_settings(pty.master_fd())->speed, 14400);
  // The user's close is not undone by the presence probe.
  EXPECT_TRUE(link.close_link());
  report.clear();
  link.probe_port();
  EXPECT_FALSE(link.serial_open());
  EXPECT_TRUE(report.lines().empty());
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
    const char* why;  // found in the reason
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
    EXPECT_FALSE(link.serial_open());
  }
}

// Two programs on one port would each read half of the other's bytes: a port this program holds
// is refused to every other opener (exclusive tty and an advisory flock), saying who holds it.
TEST_F(PortLayer, ASecondOpenerOrAUucpLockOfAnotherProgramIsToldWhoHoldsThePort) {
  PseudoTerminal pty;
  ASSERT_TRUE(open_on(pty, "9600"));
  TcpClient other_tcp(report, messages);
  SerialLink other(report, messages, other_tcp);
  other.select(path, "9600");
  EXPECT_FALSE(other.open_link(false));
  EXPECT_EQ(report.lines().back(), path + " is in use by another program (" + command_of(::getpid()) + ", pid " +
                                       std::to_string(::getpid()) + ").");
  // Close and open again at once: the old descriptor may live on a moment in another thread,
  // but it no longer holds the port.
  EXPECT_TRUE(link.close_link());
  EXPECT_TRUE(other.open_link(false));
  EXPECT_FALSE(link.open_link(false));
  EXPECT_TRUE(other.close_link());
  EXPECT_TRUE(link.open_link(false));

  // A UUCP lock of another live program (the parent, alive while this test runs) holds a port.
  PseudoTerminal locked;
  TempDir locks;
  const std::string name = fs::path(locked.slave_path()).filename().string();
  const long parent = ::getppid();
  locks.write("LCK.." + name, "     " + std::to_string(parent) + "\n");
  SerialTty tty;
  EXPECT_EQ(tty.open(locked.slave_path(), locks.path()), EBUSY);
  EXPECT_EQ(tty.holder(), command_of(parent) + ", pid " + std::to_string(parent));
  // A lock whose process is gone is stale: it holds nothing.
  locks.write("LCK.." + name, "2147483646\n");
  EXPECT_EQ(tty.open(locked.slave_path(), locks.path()), 0);
}

TEST_F(PortLayer, WritesReadsModemLinesAndSpeedChangesOnAClosedAndAnOpenPort) {
  EXPECT_FALSE(link.write_text("conf\n"));  // its report is main_window_test's closed-port run
  EXPECT_EQ(link.serial_read_byte(0), -2);
  EXPECT_EQ(link.link_read_byte(0), -1);
  ModemLines lines;
  for (const int code : {link.modem_lines(lines), link.send_break(100), link.set_dtr(true), link.set_rts(true)})
    EXPECT_EQ(code, EBADF);
  EXPECT_EQ(link.set_speed(9600, true), 9600);  // already in force, even while closed
  EXPECT_EQ(link.set_speed(19200, true), -1);

  PseudoTerminal pty;
  ASSERT_TRUE(open_on(pty, "115200"));
  EXPECT_TRUE(link.write_text("conf\n"));
  EXPECT_FALSE(link.write_char('\0'));  // a NUL writes nothing
  EXPECT_TRUE(link.write_char('z'));
  EXPECT_EQ(pty.read_until("z", 2000), "conf\nz");

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

  // A speed change returns the old speed and carries no receive XOFF; 0 is no speed.
  report.clear();
  EXPECT_EQ(link.set_speed(9600, true), 115200);
  EXPECT_TRUE(report.contains(open_line(9600)));
  termios tio{};
  ASSERT_TRUE(pty.line_settings(tio));
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_EQ(tio.c_iflag & IXOFF, 0u);
  EXPECT_EQ(link.set_speed(115200, false), 9600);
  EXPECT_FALSE(report.contains(open_line(115200)));
  EXPECT_EQ(link.set_speed(0, true), -1);
  // Without a frame of the user's the refusal describes the port at 9600, whatever its speed.
  EXPECT_TRUE(report.contains("Error open " + path + ":9600,n,8,1"));
  EXPECT_FALSE(link.serial_open());
  EXPECT_EQ(link.speed(), 0);
}

TEST_F(PortLayer, VanishedOrHungUpDeviceIsClosedAndReopenedWhenItComesBack) {
  auto pty = std::make_unique<PseudoTerminal>();
  ASSERT_TRUE(open_on(*pty, "9600"));
  fs::remove(path);
  pty.reset();
  report.clear();
  link.probe_port();
  EXPECT_EQ(report.lines(), (std::vector<std::string>{"COM error 2 No such file or directory", "close com"}));
  EXPECT_TRUE(link.lost());
  EXPECT_FALSE(link.serial_open());

  report.clear();  // failed reopen attempts print nothing
  link.probe_port();
  link.probe_port();
  EXPECT_TRUE(report.lines().empty());

  PseudoTerminal again;
  plug_in(again);
  link.probe_port();
  EXPECT_TRUE(link.serial_open());
  EXPECT_EQ(report.lines(), std::vector<std::string>{open_line(9600)});
  EXPECT_FALSE(link.lost());
  report.clear();
  link.probe_port();  // a line that is there and not hung up: nothing to say
  EXPECT_TRUE(report.lines().empty());
  EXPECT_TRUE(link.serial_open());

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

// The receive thread's wait ends as soon as it is woken (a stop, a pause, a port opened), open
// or not, and a wake given before the wait is not lost. Only a wake can end the long waits early.
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
