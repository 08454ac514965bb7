// The SAM-BA download through a whole link session (port layer, receive thread, its reading
// paused) to a simulated board served in process: the board's firmware hands over to the
// boot monitor, and after the reset the firmware answers through the receive thread again.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/messages.h"
#include "download/samba_download.h"
#include "download/samba_layout.h"
#include "link/link_session.h"
#include "samba_fakes.h"
#include "sim/board_server.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

TEST(SambaOverTheLink, ProgramsTheBoardAndGivesTheLineBackToTheReceiveThread) {
  test::TempDir dir;
  sim::BoardKind kind;
  kind.type = 'S';
  sim::BoardServer server{sim::BoardConfiguration(kind)};
  const std::string link = dir.file("board");
  ASSERT_EQ(server.start_pty(link), "");

  test::SharedReport report;
  test::SharedEcho echo;
  Messages messages;
  LinkSession session(report, echo, messages);
  test::RecordingConsumer lines;
  LineRegistration heard = session.consumers().add(line_place::configuration, lines);
  session.start();
  ASSERT_TRUE(session.open(link, "9600"));

  const std::string image = test::random_bytes(40 * 256 + 100, 5);
  test::RecordingStatus status;
  SambaDownloadOptions options;
  CountingClock clock;
  options.clock = &clock;
  ASSERT_TRUE(samba_download(session, report, messages, status, image, options));
  EXPECT_TRUE(report.contains("10496(0x2900) bytes, 41 pages written"));
  EXPECT_EQ(session.port().speed(), 115200) << "the link stays at the monitor's speed";

  // The reset command is the last thing sent: nothing answers it.
  ASSERT_TRUE(test::eventually([&] {
    int resets = 0;
    server.with_samba([&](sim::SambaSession& samba) { resets = samba.resets(); });
    return resets == 1;
  }, 10000));
  server.with_samba([&](sim::SambaSession& samba) {
    ASSERT_NE(samba.monitor(), nullptr);
    const auto& flash = samba.monitor()->chip().flash();
    EXPECT_EQ(std::string(flash.begin(), flash.begin() + static_cast<long>(image.size())), image);
    EXPECT_EQ(std::count(flash.begin() + 10340, flash.begin() + 10496, 0), 10496 - 10340);
    EXPECT_EQ(flash[10496], 0xFF);
    EXPECT_FALSE(samba.active());
  });

  // The firmware runs again and the receive thread reads its lines (after the monitor's last
  // answers, which nobody waited for).
  session.send_line("conf");
  EXPECT_TRUE(test::eventually([&] {
    for (const auto& line : lines.lines())
      if (line.ends_with("VexaLog S v1404")) return true;
    return false;
  }, 10000)) << testing::PrintToString(lines.lines());
  session.stop();
  session.close();
  server.stop();
}

}  // namespace
}  // namespace vexa
