// The board job gate: one job at a time, whether it runs on the worker or over time with a
// ticket, a refusal that names the running job, and Stop reaching the job that runs.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/board_jobs.h"
#include "support/recording_sinks.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

TEST(BoardJobs, ATicketOrTheWorkerHoldsTheGateTheRefusalNamesItsJobStopReachesTheWorkerAndShutdownStopsIt) {
  test::SharedReport report;
  Messages messages("VexaLog", 'd');
  BoardJobs jobs(report, messages);
  auto upload = jobs.try_begin("Der Upload");
  ASSERT_TRUE(upload);
  EXPECT_FALSE(jobs.start_worker("Der Download", [](const JobControl&) { FAIL() << "must not run"; }));
  EXPECT_EQ(report.lines(), (std::vector<std::string>{"Der Upload läuft noch: bitte warten, bis es beendet ist."}));
  BoardJobs::Ticket moved = std::move(*upload);
  upload.reset();  // the moved-from ticket gives nothing back
  EXPECT_TRUE(jobs.busy());
  moved.release();
  std::atomic<bool> started{false};
  ASSERT_TRUE(jobs.start_worker("Der Download", [&](const JobControl& control) {
    started = true;
    while (!control.stop_requested()) std::this_thread::yield();  // ends only when Stop reaches it
  }));
  while (!started) std::this_thread::yield();
  EXPECT_FALSE(jobs.try_begin("Der Upload"));
  jobs.request_stop();
  jobs.wait_worker();
  EXPECT_FALSE(jobs.busy());
  EXPECT_FALSE(jobs.worker_running());
  {
    auto next = jobs.try_begin("Der Upload");
    ASSERT_TRUE(next);
    EXPECT_FALSE(jobs.stop_requested());  // the next job starts without the old Stop
  }  // and its ticket gives the gate back when it ends
  EXPECT_FALSE(jobs.busy());
  // Shutdown stops a worker that waits for Stop; reaping meanwhile never waits for it.
  std::atomic<int> runs{0};
  {
    BoardJobs ending(report, messages);
    ASSERT_TRUE(ending.start_worker("A job", [&](const JobControl& control) {
      ++runs;
      while (!control.stop_requested()) std::this_thread::yield();
    }));
    for (int i = 0; i < 100; ++i) ending.reap();  // the timer's reaping never waits for a running job
    EXPECT_TRUE(ending.worker_running());
  }  // the destructor asks it to stop and joins it
  EXPECT_EQ(runs.load(), 1);
}

TEST(BoardJobs, StopOnAHeldJobSaysWhyAndTheTimeLeftFromItsRateAndTheEndLineTakesItsCount) {
  test::SharedReport report;
  Messages messages;
  FixedClock clock(make_local_time(2026, 1, 1, 12, 0, 0));
  BoardJobs jobs(report, messages, clock);
  auto ticket = jobs.try_begin("The flash");
  ASSERT_TRUE(ticket);
  // Held before it has counted anything: the reason, and how much is due.
  jobs.hold_stop("VtStopSamba");
  jobs.progress(JobUnit::pages, 0, 100);
  clock.advance_ms(2500);  // a slow start is not part of the rate
  jobs.request_stop();
  const std::string reason = messages.message("VtStopSamba");
  EXPECT_EQ(report.lines(), (std::vector<std::string>{reason, "It has not begun writing yet (0 of 100 pages written)."}));
  // 10 pages in 4 s after the first one: the 89 left take 35.6 s, less the 2 s since the last.
  jobs.progress(JobUnit::pages, 1, 100);
  clock.advance_ms(4000);
  jobs.progress(JobUnit::pages, 11, 100);
  clock.advance_ms(2000);
  jobs.request_stop();
  EXPECT_EQ(report.lines().back(), "It ends by itself in about 34 s (11 of 100 pages written).");
  EXPECT_TRUE(jobs.stop_requested());  // asked all the same: it ends as soon as it safely can
  // The end line takes the last count; lifted, Stop says nothing more.
  jobs.finish({JobOutcome::done, "VtWhatSamba", "s.binb"});
  EXPECT_EQ(report.lines().back(), "SAM-BA flash s.binb: done, 11 of 100 pages written.");
  jobs.hold_stop("");
  report.clear();
  jobs.request_stop();
  EXPECT_TRUE(report.lines().empty());
  // Given back, the gate forgets the job's count: the next job starts without one.
  ticket->release();
  auto next = jobs.try_begin("Another");
  EXPECT_EQ(jobs.current_progress(), JobProgress{});
  jobs.finish({JobOutcome::failed, "VtWhatCard", "X.DAT"});
  EXPECT_EQ(report.lines().back(), "Copy to the memory card X.DAT: failed.");
}

}  // namespace
}  // namespace vexa
