// The port layer over real pseudo-terminals, then the line table and the receive thread. A pty
// forces 8 bits without parity (frames are checked through their flags) and has no modem lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

#include "app/main_window_form.h"
#include "link/line_consumers.h"
#include "link/link_session.h"
#include "link/serial_link.h"
#include "platform/line_settings.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_tty.h"
#include "support/link_over_pty.h"
#include "support/pty_peer.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::eventually;
using test::RecordingConsumer;
using test::TempDir;

TEST(PortNames, ComNamesMapToTtySBadNumbersToCom1AndAPortNotAllowedSaysWhatToDo) {
  const struct {
    const char* name;
    const char* label;
    const char* device;
  } rows[] = {
      {"com12", "COM12", "/dev/ttyS11"}, {"COM0", "COM1", "/dev/ttyS0"},
      {"COM100", "COM1", "/dev/ttyS0"},  {"/dev/ttyUSB0", "/dev/ttyUSB0", "/dev/ttyUSB0"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(resolve_port_name(row.name).label, row.label) << row.name;
    EXPECT_EQ(resolve_port_name(row.name).device_path, row.device) << row.name;
  }
  // A port the user may not open says what to do (the other reasons are the open tests').
  EXPECT_NE(open_failure_reason(Messages(), "/dev/ttyUSB0", EACCES).find("dialout"), std::string::npos);
}

TEST(LineSettingsText, EveryFrameAndHandshakeGoesToTextAndToTermiosFlagsAndBack) {
  for (int bits = 5; bits <= 8; ++bits)
    for (Parity parity : {Parity::none, Parity::odd, Parity::even, Parity::mark, Parity::space})
      for (int stop : {1, 2})
        for (FlowControl flow : {FlowControl::none, FlowControl::rts_cts, FlowControl::xon_xoff}) {
          const LineSettings settings{bits, parity, stop, flow};
          EXPECT_EQ(parse_line_settings(line_settings_text(settings)), settings) << line_settings_text(settings);
          EXPECT_EQ(settings_from_flags(line_flags(settings)), settings) << line_settings_text(settings);
        }
  EXPECT_EQ(parse_line_settings("7E1"), (LineSettings{7, Parity::even, 1, FlowControl::none}));
  for (const char* bad : {"", "8N3", "9N1", "4N1", "n,8", "n,8,1,fast", "n,8,1,none,x", "8N1x", "n,,1"})
    EXPECT_FALSE(parse_line_settings(bad)) << bad;
  // Every frame survives its termios flags both ways (above); these pin what the bits mean.
  EXPECT_EQ(line_flags({7, Parity::mark, 2, FlowControl::rts_cts}).cflag,
            CS7 | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  EXPECT_EQ(line_flags({5, Parity::odd, 1, FlowControl::xon_xoff}).iflag, IXON | IXOFF);
  EXPECT_EQ(line_flags({8, Parity::even, 1, FlowControl::none}).cflag, CS8 | PARENB);
}

// The selector's list comes from sysfs: which ttys sit on real hardware, and which serial core
// ports have no UART behind them (phantom ttyS). No device node is opened to find out (an open
// raises DTR and RTS on a port the user did not choose): the nodes here are plain files, so a
// probe by open would drop them from the list.
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
  tty("ttyS2", true, "4");
  tty("ttyS3", true, "4", false);
  tty("ttyUSB0", true);
  tty("ttyAMA0", true, "1");
  tty("tty1", false);  // virtual console
  // Without sysfs the nodes of /dev prove nothing: no serial port at all.
  EXPECT_EQ(list_serial_devices(dev, dir.file("nosys")), std::vector<std::string>{});
  fs::create_symlink("../../ttyUSB0", dev + "/serial/by-id/usb-FTDI_FT232R-if00-port0");
  const auto d = dev + "/";
  EXPECT_EQ(list_serial_devices(dev, sys),
            (std::vector<std::string>{d + "ttyS0", d + "ttyS2", d + "ttyS10", d + "ttyUSB0", d + "ttyAMA0",
                                      d + "serial/by-id/usb-FTDI_FT232R-if00-port0"}));
  EXPECT_EQ(port_list(dev, sys).back(), "tcp/ip");

  // No scan finds a network port: the selector keeps the one in use, once, before "tcp/ip".
  const std::vector<std::string> plain = port_list();
  const std::vector<std::string> kept = port_list_keeping("rfc2217://10.0.0.5:2000");
  ASSERT_EQ(kept.size(), plain.size() + 1);
  EXPECT_EQ(kept[kept.size() - 2], "rfc2217://10.0.0.5:2000");
  EXPECT_EQ(port_list_keeping("/dev/ttyUSB0"), plain);
}

std::string command_of(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

// A session over a pty; the port tests read the port themselves, without its receive thread.
class OverPty : public test::LinkOverPty {
 protected:
  // The receive thread stops before the consumers below go: it may still be handing one a line.
  ~OverPty() override { session.stop(); }

  void connect(PseudoTerminal& pty) {
    heard = session.consumers().add(line_place::configuration, config_lines);
    upload_heard = session.consumers().add(line_place::upload, upload_lines);
    LinkOverPty::connect(pty);
  }
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

  SerialLink& link = session.port();
  RecordingConsumer config_lines, upload_lines;
  LineRegistration heard, upload_heard;
};

TEST_F(OverPty, EverySpeedOpensWithReceiveXoffAndTheUsersFrameAndAFailedOpenSaysWhy) {
  // 14400, 28800 and 250000 have no B-code; every other speed opens with a frame of the user's.
  std::vector<std::string> speeds = comma_fields(kSpeedList);
  speeds.push_back("250000");
  PseudoTerminal pty;
  for (std::size_t i = 0; i < speeds.size(); ++i) {
    std::optional<LineSettings> users;
    if (i % 2) users = LineSettings{8, Parity::none, 2, FlowControl::xon_xoff};
    const std::string description = path + ":" + speeds[i] + (users ? ",n,8,2,xonxoff" : ",n,8,1");
    SCOPED_TRACE(description);
    link.set_line_settings(users);
    ASSERT_TRUE(open_on(pty, speeds[i].c_str())) << report.lines().back();
    // The open line describes the speed and frame read back from the line.
    EXPECT_EQ(report.lines().back(), "open " + description);
    const auto applied = read_line_settings(pty.master_fd());
    ASSERT_TRUE(applied);
    EXPECT_TRUE(applied->xoff_receive);  // whatever the user's handshake
    EXPECT_EQ(link.description(), description);
    EXPECT_TRUE(link.close_link());
    EXPECT_FALSE(link.close_link());
  }
  // The user's close is not undone by the presence probe.
  report.clear();
  link.probe_port();
  EXPECT_FALSE(link.serial_open());
  EXPECT_TRUE(report.lines().empty());

  const std::string plain = dir.write("plain.txt", "x");
  const struct {
    std::string target;
    LineSettings settings;
    std::string description;
    const char* why;  // found in the reason
  } rows[] = {
      {plain, {}, plain + ":9600,n,8,1", plain.c_str()},  // no terminal
      {path, {9, Parity::none, 1, FlowControl::none}, path + ":9600,n,9,1", "does not accept"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.description);
    report.clear();
    link.set_line_settings(row.settings);
    link.select(row.target, "9600");
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
TEST_F(OverPty, ASecondOpenerOrAUucpLockOfAnotherProgramIsToldWhoHoldsThePort) {
  PseudoTerminal pty;
  ASSERT_TRUE(open_on(pty, "9600"));
  TcpClient other_tcp(report, messages);
  SerialLink other(report, messages, other_tcp);
  other.select(path, "9600");
  EXPECT_FALSE(other.open_link(false));
  EXPECT_EQ(report.lines().back(), path + " is in use by another program (" + command_of(::getpid()) + ", pid " +
                                       std::to_string(::getpid()) + ").");
  // The old descriptor may live on a moment in another thread, but it no longer holds the port.
  EXPECT_TRUE(link.close_link());
  EXPECT_TRUE(other.open_link(false));

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

TEST_F(OverPty, WritesReadsModemLinesAndSpeedChangesOnAClosedAndAnOpenPort) {
  EXPECT_FALSE(link.write_text("conf\n"));  // its report is main_window_test's closed-port run
  EXPECT_EQ(link.serial_read_byte(0), -2);
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
  ASSERT_TRUE(pty.write(std::string("\xff\x00", 2)));
  link.push_back('P');  // the push-back byte comes first
  EXPECT_EQ(link.serial_read_byte(0), 'P');
  EXPECT_EQ(link.serial_read_byte(2000), 0xff);
  EXPECT_EQ(link.link_read_byte(2000), 0);  // the open serial port's, not the TCP client's

  // Reading the modem lines of a pty fails with a code, never a made-up state.
  EXPECT_NE(link.modem_lines(lines), 0);
  EXPECT_EQ(lines, ModemLines{});
  // Break lengths outside 1..5000 ms are refused before the line is touched.
  EXPECT_EQ(link.send_break(0), EINVAL);
  EXPECT_EQ(link.send_break(kLongestBreakMs + 1), EINVAL);
  EXPECT_EQ(link.send_break(1), 0);

  // A speed change returns the old speed and carries no receive XOFF; 0 is no speed.
  report.clear();
  EXPECT_EQ(link.set_speed(9600, true), 115200);
  EXPECT_TRUE(report.contains(open_line(9600)));  // read back from the line
  EXPECT_FALSE(read_line_settings(pty.master_fd())->xoff_receive);
  EXPECT_EQ(link.set_speed(14400, false), 9600);  // a speed without a B-code too
  EXPECT_EQ(read_line_settings(pty.master_fd())->speed, 14400);
  EXPECT_FALSE(report.contains(open_line(14400)));
  EXPECT_EQ(link.set_speed(0, true), -1);
  // Without a frame of the user's the refusal describes the port at 9600, whatever its speed.
  EXPECT_TRUE(report.contains("Error open " + path + ":9600,n,8,1"));
  EXPECT_FALSE(link.serial_open());
  EXPECT_EQ(link.speed(), 0);
}

TEST_F(OverPty, VanishedOrHungUpDeviceIsClosedAndReopenedWhenItComesBack) {
  auto pty = std::make_unique<PseudoTerminal>();
  ASSERT_TRUE(open_on(*pty, "9600"));
  fs::remove(path);
  pty.reset();
  report.clear();
  link.probe_port();
  EXPECT_EQ(report.lines(), (std::vector<std::string>{"COM error 2 No such file or directory", "close com"}));
  EXPECT_TRUE(link.lost());
  EXPECT_FALSE(link.serial_open());

  report.clear();  // a failed reopen attempt prints nothing
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

// A wake (a stop, a pause, a port opened) ends the receiver's wait at once, even one given before it.
TEST_F(OverPty, AWakeEndsTheReceiversWaitAtOnce) {
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
  ASSERT_TRUE(open_on(pty, "9600"));  // opening wakes too, before the wait: that wake is taken at once
  const auto start = SteadyClock::now();
  EXPECT_FALSE(link.wait_readable(kLongWaitMs));
  EXPECT_LT(SteadyClock::now() - start, std::chrono::milliseconds(kLongWaitMs / 4));
  EXPECT_LT(woken_wait(), std::chrono::milliseconds(kLongWaitMs / 4));  // an open, quiet port
  // Taken: the next wait is a real one.
  pty.write("x");
  EXPECT_TRUE(link.wait_readable(kLongWaitMs));
}

// --- the line table and the receive thread ---

class CallbackConsumer final : public LineConsumer {
 public:
  explicit CallbackConsumer(std::function<void(std::string_view)> on) : on_(std::move(on)) {}
  void on_line(std::string_view line) override { on_(line); }

 private:
  std::function<void(std::string_view)> on_;
};

// Who hears nothing during an upload is the pty tests' (the replies' place against the upload's).
TEST(LineConsumers, LowerPlacesHearFirstEqualOnesInTheirOrderAndAConsumerDropsRegistrationsInItsLine) {
  LineConsumers table;
  std::vector<std::string> order;
  std::mutex order_mutex;
  RecordingConsumer late("late", &order, &order_mutex), deaf("deaf", &order, &order_mutex),
      hearing("hearing", &order, &order_mutex);
  LineRegistration own, late_lines = table.add(LinePlace{30, true}, late);
  LineRegistration deaf_lines = table.add(LinePlace{10, false}, deaf);
  LineRegistration hearing_lines = table.add(LinePlace{10, true}, hearing);
  CallbackConsumer quitter([&](std::string_view line) {
    order.emplace_back("quitter");
    if (line == "bye") {
      own.reset();         // itself: no wait for the dispatch that runs it
      late_lines.reset();  // one after it: not heard for this line any more
    }
  });
  own = table.add(LinePlace{20, true}, quitter);
  for (const char* line : {"one", "bye", "after"}) table.dispatch(line);
  EXPECT_EQ(order, (std::vector<std::string>{"deaf", "hearing", "quitter", "late", "deaf", "hearing", "quitter", "deaf",
                                             "hearing"}));
  EXPECT_EQ(table.size(), 2u);
}

TEST(LineRegistration, DroppingItWaitsForTheLineInFlight) {
  LineConsumers table;
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> finished{false};
  CallbackConsumer slow([&](std::string_view) {
    entered.set_value();
    released.wait();
    finished = true;
  });
  LineRegistration registration = table.add(line_place::analog_tab, slow);
  std::thread receiver([&] { table.dispatch("a1: 7"); });
  entered.get_future().wait();
  std::atomic<bool> dropped{false};
  std::thread dropper([&] {
    registration.reset();
    dropped = true;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(dropped.load());  // the consumer is still at work
  release.set_value();
  dropper.join();
  EXPECT_TRUE(finished.load());
  receiver.join();
  EXPECT_EQ(table.size(), 0u);
}

constexpr char kMark[] = "<MARK-0123456789>";

// A board on a pty's master side: answers each command line, and may stream lines without a pause.
class ScriptedBoard {
 public:
  explicit ScriptedBoard(std::function<std::string(const std::string&)> answer, bool streaming = false)
      : answer_(std::move(answer)), streaming_(streaming) {}
  PseudoTerminal& pty() { return peer_.pty(); }

 private:
  void step(PseudoTerminal& pty) {
    pending_ += pty.read_for(streaming_ ? 0 : 5);
    for (auto lf = pending_.find('\n'); lf != std::string::npos; lf = pending_.find('\n')) {
      std::string command = pending_.substr(0, lf);
      pending_.erase(0, lf + 1);
      pty.write(answer_(command));
    }
    if (streaming_) pty.write("stream stream stream stream stream stream stream\n");
  }
  std::function<std::string(const std::string&)> answer_;
  std::string pending_;  // the peer's thread only
  const bool streaming_;
  test::PtyPeer peer_{[this](PseudoTerminal& pty) { step(pty); }};
};

// Only "Ok" in any case acknowledges, and only the first line after the command counts (no reply
// at all is link_commands_test's). The echo case is last: its "Ok" comes late.
TEST_F(OverPty, TheFirstLineAfterTheCommandDecidesTheReply) {
  ScriptedBoard board([](const std::string& command) {
    if (command == "dot") return std::string("Ok.\r\n");
    if (command == "echo") return command + "\nOk\n";
    return std::string("OK\r\n");
  });
  connect(board.pty());
  EXPECT_TRUE(session.send_and_wait_ok(""));  // nothing to send
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(session.send_and_wait_ok("a" + std::to_string(i) + "=a*1+0")) << i;
  EXPECT_TRUE(report.contains("a199=a*1+0"));
  EXPECT_FALSE(session.send_and_wait_ok("dot"));
  EXPECT_TRUE(report.contains("expected: Ok got: Ok."));
  EXPECT_FALSE(session.send_and_wait_ok("echo"));
  EXPECT_TRUE(report.contains("expected: Ok got: echo"));
  // A reply that is in before the wait begins is not lost.
  const std::size_t heard_so_far = config_lines.lines().size();
  ASSERT_TRUE(session.write_text("z\n"));
  ASSERT_TRUE(config_lines.wait_count(heard_so_far + 1));
  EXPECT_TRUE(session.wait_line("OK\r\n"));
}

TEST_F(OverPty, LinesLoseCrAndNulAndAreCutTheEchoPausesForAnUploadAndSplitsAtASambaPrompt) {
  PseudoTerminal pty;
  connect(pty);
  session.consumers().set_upload_running(true);
  pty.write("two\n");
  ASSERT_TRUE(upload_lines.wait_count(1));
  EXPECT_EQ(echo.text(), "");  // nothing echoed during an upload, and the replies' place hears nothing
  session.consumers().set_upload_running(false);
  pty.write(std::string("a\0b\r\rcd\n", 9));
  pty.write(std::string(1500, 'x') + "\n");
  ASSERT_TRUE(config_lines.wait_count(2));
  EXPECT_EQ(config_lines.lines(), (std::vector<std::string>{"abcd", std::string(998, 'x')}));
  EXPECT_EQ(upload_lines.lines().size(), 3u);
  // The terminal still shows every character.
  ASSERT_TRUE(eventually([&] { return echo.text().size() >= 1500 + 8; }));
  EXPECT_EQ(echo.text().substr(0, 7), "ab\r\rcd\n");  // NULs neither shown nor stored
  EXPECT_EQ(echo.text().find(std::string(1500, 'x')), 7u);
  // A SAM-BA prompt starts a terminal line but not a reply line.
  session.flags().samba_mode = true;
  const std::size_t shown = echo.text().size();
  pty.write(">#ok\n");
  ASSERT_TRUE(config_lines.wait_count(3));
  EXPECT_EQ(config_lines.lines()[2], ">#ok");
  EXPECT_TRUE(eventually([&] { return echo.text().substr(shown) == ">#\nok\n"; }));
}

TEST_F(OverPty, ReadingPausesNestAndGiveTheJobTheWholeAnswerWhileTheBoardStreams) {
  ScriptedBoard board([](const std::string& command) { return command == "Q" ? kMark : ""; }, true);
  connect(board.pty());
  ASSERT_TRUE(eventually([&] { return session.receiver().bytes_received() > 10000; }));
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    std::string got;
    {
      ReadingPause pause(session.board_port());
      const std::uint64_t seen = session.receiver().bytes_received();
      ASSERT_TRUE(session.port().write_text("Q\n"));
      for (int i = 0; i < 200000 && got.find(kMark) == std::string::npos; ++i) {
        const int c = session.port().serial_read_byte(500);
        if (c < 0) break;
        got.push_back(static_cast<char>(c));
      }
      // Nothing went past the job to the receive thread while it was paused.
      EXPECT_EQ(session.receiver().bytes_received(), seen);
    }
    EXPECT_NE(got.find(kMark), std::string::npos) << got.substr(0, 200);
  }
  // The terminal never saw a mark, and it hears the stream again after the pause.
  const std::uint64_t after = session.receiver().bytes_received();
  EXPECT_TRUE(eventually([&] { return session.receiver().bytes_received() > after + 1000; }));
  EXPECT_EQ(echo.text().find("<MARK"), std::string::npos);
  // Pauses nest; one without a receive thread returns at once.
  {
    ReadingPause outer(session.board_port());
    std::optional<ReadingPause> inner(std::in_place, session.board_port());
    inner.reset();
    EXPECT_FALSE(session.flags().reading_enabled.load());  // the outer job still reads
  }
  EXPECT_TRUE(session.flags().reading_enabled.load());
  session.stop();
  const auto start = std::chrono::steady_clock::now();
  {
    ReadingPause pause(session.board_port());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
}  // namespace vexa
