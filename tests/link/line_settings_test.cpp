// The user's line settings and modem lines over real pseudo-terminals. A pty keeps the stop
// bits, handshakes and any speed in its termios (both sides read the same record), but forces
// 8 bits without parity: those are checked through the flags the port is given. It has no modem
// lines: TIOCMGET fails and a Break is accepted and dropped; so the lines are checked here for
// their errors on a pty and on a closed port.
#include <gtest/gtest.h>
#include <termios.h>

#include <cerrno>
#include <filesystem>

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

TEST(LineSettingsFlags, EachFrameHasItsBitsAndReadsBack) {
  // Checked apart from the port: a pty forces 8 bits without parity.
  struct Case {
    LineSettings settings;
    tcflag_t cflag;
    tcflag_t iflag;
  };
  const Case cases[] = {
      {{8, Parity::none, 1, FlowControl::none}, CS8, 0},
      {{7, Parity::even, 1, FlowControl::none}, CS7 | PARENB, 0},
      {{8, Parity::odd, 2, FlowControl::rts_cts}, CS8 | PARENB | PARODD | CSTOPB | CRTSCTS, 0},
      {{5, Parity::mark, 1, FlowControl::xon_xoff}, CS5 | PARENB | PARODD | CMSPAR, IXON | IXOFF},
      {{6, Parity::space, 2, FlowControl::none}, CS6 | PARENB | CMSPAR | CSTOPB, 0},
  };
  for (const auto& c : cases) {
    const LineFlags flags = line_flags(c.settings);
    EXPECT_EQ(flags.cflag, c.cflag) << line_settings_text(c.settings);
    EXPECT_EQ(flags.iflag, c.iflag) << line_settings_text(c.settings);
    EXPECT_EQ(settings_from_flags(flags), c.settings);
  }
}

class LinePort : public ::testing::Test {
 protected:
  LinePort() : tcp(report, messages), link(report, messages, tcp) {
    std::filesystem::create_symlink(pty.slave_path(), path);
  }

  TempDir dir;
  std::string path = dir.file("board");
  SharedReport report;
  Messages messages;
  TcpClient tcp;
  SerialLink link;
  PseudoTerminal pty;
};

TEST_F(LinePort, StopBitsHandshakesAndSpeedReachThePort) {
  // Frames a pty keeps as told: 8 bits, no parity (it would force those anyway).
  const LineSettings cases[] = {
      {8, Parity::none, 2, FlowControl::none},
      {8, Parity::none, 1, FlowControl::rts_cts},
      {8, Parity::none, 2, FlowControl::xon_xoff},
  };
  for (const auto& settings : cases) {
    link.set_line_settings(settings);
    link.select(path, "19200");
    ASSERT_TRUE(link.open_link(false)) << line_settings_text(settings);
    termios tio{};
    ASSERT_TRUE(pty.line_settings(tio));
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, settings.stop_bits == 2);
    EXPECT_EQ((tio.c_cflag & CRTSCTS) != 0, settings.flow == FlowControl::rts_cts);
    EXPECT_EQ((tio.c_iflag & IXON) != 0, settings.flow == FlowControl::xon_xoff);
    EXPECT_NE(tio.c_iflag & IXOFF, 0u);  // the receive XOFF stays as before
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
    const auto applied = read_line_settings(pty.master_fd());
    ASSERT_TRUE(applied);
    EXPECT_EQ(applied->speed, 19200);
    EXPECT_EQ(applied->settings, settings);
    EXPECT_TRUE(report.contains("open " + path + ":19200," + line_settings_text(settings)));
    EXPECT_EQ(link.description(), path + ":19200," + line_settings_text(settings));
    EXPECT_TRUE(link.close_link());
  }
}

TEST_F(LinePort, EverySpeedOpensWithOrWithoutLineSettings) {
  // 14400 and 28800 of the selector's list have no B-code; neither has 250000.
  std::vector<std::string> speeds = comma_fields(kSpeedList);
  speeds.push_back("250000");
  for (const std::string& speed : speeds) {
    link.select(path, speed);
    ASSERT_TRUE(link.open_link(false)) << speed << ": " << report.lines().back();
    const auto applied = read_line_settings(pty.master_fd());
    ASSERT_TRUE(applied);
    EXPECT_EQ(applied->speed, std::stol(speed));
    EXPECT_TRUE(link.close_link());
  }
  EXPECT_FALSE(report.contains("Error open"));
  // The speed change of an open port takes them too.
  link.select(path, "9600");
  ASSERT_TRUE(link.open_link(false));
  EXPECT_EQ(link.set_speed(14400, false), 9600);
  EXPECT_EQ(read_line_settings(pty.master_fd())->speed, 14400);
  EXPECT_TRUE(link.close_link());

  // A later speed change keeps the frame and takes another free speed.
  link.select(path, "250000");
  link.set_line_settings(LineSettings{});
  ASSERT_TRUE(link.open_link(false));
  EXPECT_EQ(link.set_speed(31250, true), 250000);
  EXPECT_EQ(read_line_settings(pty.master_fd())->speed, 31250);
  EXPECT_TRUE(report.contains("open " + path + ":31250,n,8,1"));
}

TEST_F(LinePort, RefusedSpeedsAndFramesSayWhy) {
  link.set_line_settings(LineSettings{9, Parity::none, 1, FlowControl::none});
  link.select(path, "9600");
  EXPECT_FALSE(link.open_link(false));
  EXPECT_NE(report.lines().back().find("does not accept"), std::string::npos);
  link.set_line_settings(LineSettings{});
  link.select(path, "0");
  EXPECT_FALSE(link.open_link(false));
  EXPECT_NE(report.lines().back().find("does not accept"), std::string::npos);
  EXPECT_FALSE(link.serial_open());
}

TEST_F(LinePort, ModemLinesNeedAnOpenPortAndSayWhatAPtyLacks) {
  ModemLines lines;
  EXPECT_EQ(link.modem_lines(lines), EBADF);
  EXPECT_EQ(link.send_break(100), EBADF);
  EXPECT_EQ(link.set_dtr(true), EBADF);
  EXPECT_EQ(link.set_rts(true), EBADF);
  link.select(path, "9600");
  ASSERT_TRUE(link.open_link(false));
  // A pty keeps no modem lines: reading them fails with a code, never a made-up state.
  EXPECT_NE(link.modem_lines(lines), 0);
  EXPECT_EQ(lines, ModemLines{});
  // Break lengths outside 1..5000 ms are refused before the line is touched.
  EXPECT_EQ(link.send_break(0), EINVAL);
  EXPECT_EQ(link.send_break(kLongestBreakMs + 1), EINVAL);
  // A pty takes a Break and drops it; the call still holds the line for the length asked.
  EXPECT_EQ(link.send_break(20), 0);
  EXPECT_TRUE(link.write_text("after"));
  EXPECT_EQ(pty.read_until("after", 2000), "after");
}

}  // namespace
}  // namespace vexa
