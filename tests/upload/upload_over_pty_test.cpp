// An upload from the simulated board over a pseudo-terminal, through the real link session:
// the board vanishes in the middle of the listing and comes back; the resumed upload must
// leave the host file equal to the board's log, no line missing and none twice.
#include <gtest/gtest.h>

#include <memory>

#include "sim/board_server.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"
#include "upload/data_upload.h"

namespace vexa {
namespace {

constexpr std::size_t kLogLines = 900;
constexpr int kGuardMs = 60000;  // hang guard only

std::unique_ptr<sim::BoardServer> serve(const std::string& link) {
  sim::FaultOptions faults;
  faults.pace = true;  // slow enough that the listing is cut in the middle
  auto server = std::make_unique<sim::BoardServer>(sim::BoardConfiguration(sim::BoardKind{'S', 1404, "VexaLog"}), faults);
  server->with_board([](sim::SimulatedBoard& board) {
    board.uploads().add_file({"vexalog.adc", sim::LogKind::stamped, kLogLines, 0});
    // Start at 230400 baud: the paced listing takes a moment without making the test slow.
    board.feed("bi=230400\n");
    board.uploads().take_output(10);
    board.uploads().output_written();
  });
  EXPECT_EQ(server->start_pty(link), "");
  return server;
}

void vanish_and_resume(bool fast) {
  test::TempDir dir;
  const std::string link = dir.file("board");
  Messages messages;
  test::SharedReport report;
  test::SharedEcho echo;
  LinkSession session(report, echo, messages);
  BoardJobs jobs(report, messages);
  DataUpload upload(report, messages, UploadLink(session), &jobs, dir.path());
  LineRegistration upload_lines = session.consumers().add(line_place::upload, upload);

  auto server = serve(link);
  session.start();
  ASSERT_TRUE(session.open(link, "9600"));
  UploadRequest request;
  request.host_path = dir.file("host.adc");
  request.target = "vexalog.adc";
  request.create = true;
  request.fast = fast;
  ASSERT_TRUE(upload.start(request));
  ASSERT_TRUE(test::eventually([&] { return upload.line_count() >= 150; }, kGuardMs));

  server.reset();  // the board goes away in the middle of a line, most likely
  ASSERT_TRUE(test::eventually([&] {
    session.port().probe_port();
    return !session.port().link_is_open();
  }, kGuardMs));
  EXPECT_TRUE(upload.check_link());
  EXPECT_FALSE(upload.running());
  const std::size_t first_part = static_cast<std::size_t>(upload.line_count());
  EXPECT_LT(first_part, kLogLines);

  server = serve(link);
  ASSERT_TRUE(test::eventually([&] {
    session.port().probe_port();
    return session.port().link_is_open();
  }, kGuardMs));
  request.create = false;
  request.resume_stamp = upload.resume_point().stamp;
  ASSERT_FALSE(request.resume_stamp.empty());
  ASSERT_TRUE(upload.start(request));
  ASSERT_TRUE(test::eventually([&] { return !upload.running(); }, kGuardMs));
  EXPECT_EQ(static_cast<std::size_t>(upload.line_count()) + first_part, kLogLines);
  EXPECT_EQ(test::TempDir::read(dir.file("host.adc")), sim::logged_text(sim::LogKind::stamped, kLogLines));
  if (fast) {
    // The board's "ok" after the closing line brings the old speed back.
    EXPECT_TRUE(test::eventually([&] { return session.port().speed() == 9600; }, kGuardMs));
    EXPECT_EQ(upload.saved_speed(), 0);
    EXPECT_TRUE(report.contains("bi=9600"));
  }
  EXPECT_TRUE(report.contains("end of vexalog.adc, " + std::to_string(kLogLines - first_part) + " lines"));
  session.stop();
}

TEST(UploadOverPty, BoardVanishesMidListingAndTheResumeLosesNothing) { vanish_and_resume(false); }

TEST(UploadOverPty, TheSameWithTheFastSwitch) { vanish_and_resume(true); }

}  // namespace
}  // namespace vexa
