// "recover" on the command line sends the board recovery bytes through the download worker,
// and is refused while another board job holds the gate.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/board_jobs.h"
#include "build/board_recovery.h"
#include "platform/pseudo_terminal.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

TEST(BoardRecoveryTest, RecoverSendsTheProbeBytesOnTheWorkerOrIsRefused) {
  test::TempDir dir;
  test::SharedReport report;
  test::SharedEcho echo;
  Messages messages;
  LinkSession session(report, echo, messages);
  PseudoTerminal pty;
  ASSERT_TRUE(pty.is_open());
  const std::string path = dir.file("board");
  std::filesystem::create_symlink(pty.slave_path(), path);
  session.start();
  ASSERT_TRUE(session.open(path, "115200"));
  pty.read_for(200);  // whatever the open itself wrote
  BoardJobs jobs(report, messages);
  WorkerRecovery recovery(jobs, session, messages);
  {
    auto other = jobs.try_begin("The upload");
    recovery.send_recovery();
    EXPECT_TRUE(report.contains("The upload is still running: try again when it has ended."));
    EXPECT_EQ(pty.read_for(100), "");
  }
  recovery.send_recovery();
  jobs.wait_worker();  // the board sends nothing back: the probe waits its two seconds
  EXPECT_EQ(pty.read_for(500), std::string("\x06\x00\x00\x80", 4) + std::string(256, '\xff'));
  EXPECT_TRUE(session.flags().reading_enabled.load());
  session.stop();
}

}  // namespace
}  // namespace vexa
