// The board job gate: one job at a time, whether it runs on the worker or over time with a
// ticket, a refusal that names the running job, and Stop reaching the job that runs.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/board_jobs.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

TEST(BoardJobs, ATicketHoldsTheGateUntilReleasedAndTheRefusalNamesItsJob) {
  test::SharedReport report;
  Messages messages;
  BoardJobs jobs(report, messages);
  auto upload = jobs.try_begin("The upload");
  ASSERT_TRUE(upload);
  EXPECT_EQ(jobs.running_job(), "The upload");
  EXPECT_FALSE(jobs.try_begin("The factory test"));
  EXPECT_FALSE(jobs.start_worker("The firmware download", [](const JobControl&) { FAIL() << "must not run"; }));
  EXPECT_EQ(report.lines(), (std::vector<std::string>{"The upload is still running: try again when it has ended.",
                                                      "The upload is still running: try again when it has ended."}));
  BoardJobs::Ticket moved = std::move(*upload);
  upload.reset();  // the moved-from ticket gives nothing back
  EXPECT_TRUE(jobs.busy());
  moved.release();
  EXPECT_FALSE(jobs.busy());
  EXPECT_TRUE(jobs.try_begin("The factory test"));  // and released again at its end
  EXPECT_FALSE(jobs.busy());
}

TEST(BoardJobs, TheWorkerHoldsTheGateStopReachesItAndANewJobClearsTheStop) {
  test::SharedReport report;
  Messages messages("VexaLog", 'd');
  BoardJobs jobs(report, messages);
  std::atomic<bool> started{false}, saw_stop{false};
  ASSERT_TRUE(jobs.start_worker("Der Download", [&](const JobControl& control) {
    started = true;
    while (!control.stop_requested()) std::this_thread::yield();
    saw_stop = true;
  }));
  while (!started) std::this_thread::yield();
  EXPECT_FALSE(jobs.try_begin("Der Upload"));
  EXPECT_TRUE(report.contains("Der Download läuft noch: bitte warten, bis es beendet ist."));
  jobs.request_stop();
  jobs.wait_worker();
  EXPECT_TRUE(saw_stop);
  EXPECT_FALSE(jobs.busy());
  EXPECT_FALSE(jobs.worker_running());
  // The next job starts without the old Stop.
  auto next = jobs.try_begin("Der Upload");
  ASSERT_TRUE(next);
  EXPECT_FALSE(jobs.stop_requested());
}

TEST(BoardJobs, ShutdownStopsAWorkerThatWaitsForStopAndReapIsHarmlessMeanwhile) {
  test::SharedReport report;
  Messages messages;
  std::atomic<int> runs{0};
  {
    BoardJobs jobs(report, messages);
    ASSERT_TRUE(jobs.start_worker("A job", [&](const JobControl& control) {
      ++runs;
      while (!control.stop_requested()) std::this_thread::yield();
    }));
    for (int i = 0; i < 100; ++i) jobs.reap();  // the timer's reaping never waits for a running job
    EXPECT_TRUE(jobs.worker_running());
  }  // the destructor asks it to stop and joins it
  EXPECT_EQ(runs.load(), 1);
}

}  // namespace
}  // namespace vexa
