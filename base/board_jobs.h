#pragma once
// The one gate for everything that talks to the board as a job: the configuration load and
// download, the clock commands, the special probe, the firmware and file downloads, the line
// sender, the upload and the factory test. While one job holds the gate a second one is refused
// with a line that names the job that runs.
//
// Jobs that take a while run on the download worker (start_worker): one at a time, started on
// the window thread, joined by reap() on the timer. Jobs that run over time without a thread of
// their own (an upload driven by received lines, the factory test driven by the timer) hold a
// Ticket for as long as they run.
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/messages.h"
#include "base/session_ports.h"
#include "platform/clock.h"
#include "base/report_sink.h"

namespace vexa {

// What a job has done so far, in the unit it counts (none: it counts nothing).
enum class JobUnit { none, pages, bytes, lines };
struct JobProgress {
  JobUnit unit = JobUnit::none;
  long done = 0;
  long total = 0;  // 0: not known
  bool operator==(const JobProgress&) const = default;
};

enum class JobOutcome { done, stopped, failed };

// How a job ended: what it was (a catalog key, e.g. "VtWhatCard") and a detail such as the
// file it worked on. The amount is the job's last progress.
struct JobEnd {
  JobOutcome outcome = JobOutcome::done;
  const char* what_key = "";
  std::string detail;
};

// What a running job sees of the gate: the Stop request of the menu (708), and where it tells
// its progress and its end. The reports do nothing outside the gate (the command line program).
class JobControl {
 public:
  virtual ~JobControl() = default;
  virtual bool stop_requested() const = 0;
  // The status row's bar and the time left that Stop names follow this.
  virtual void progress(JobUnit /*unit*/, long /*done*/, long /*total*/) const {}
  // From here on the job runs to its end whatever Stop says; Stop then says why (the catalog
  // key of the reason) and about how long it still runs. An empty key lifts the hold.
  virtual void hold_stop(const char* /*reason_key*/) const {}
  // The job's end line in the status row and the terminal.
  virtual void finish(const JobEnd& /*end*/) const {}
};

class BoardJobs final : public JobControl {
 public:
  // clock: what the time left of a held job is measured with. status: where the end lines go
  // (the status row, which also prints them); null: the terminal only.
  BoardJobs(ReportSink& reports, const Messages& messages, const Clock& clock = SystemClock::instance(),
            StatusLine* status = nullptr);
  ~BoardJobs() override;
  BoardJobs(const BoardJobs&) = delete;
  BoardJobs& operator=(const BoardJobs&) = delete;

  // Holds the gate until destroyed or released. Movable, not copyable.
  class Ticket {
   public:
    Ticket() = default;
    Ticket(Ticket&& other) noexcept : jobs_(other.jobs_) { other.jobs_ = nullptr; }
    Ticket& operator=(Ticket&& other) noexcept;
    ~Ticket() { release(); }
    void release();
    bool holds() const { return jobs_ != nullptr; }

   private:
    friend class BoardJobs;
    explicit Ticket(BoardJobs* jobs) : jobs_(jobs) {}
    BoardJobs* jobs_ = nullptr;
  };

  // Takes the gate for a job that runs on the caller's thread or over time. Nothing when another
  // job holds it; then the refusal line has been printed. Clears the stop request.
  std::optional<Ticket> try_begin(std::string_view job_name);

  // Runs body on the worker thread while holding the gate; false (and the refusal line) when a
  // job holds it. The stop request is cleared before body starts.
  bool start_worker(std::string_view job_name, std::function<void(const JobControl&)> body);

  // Menu Stop: asks the running job to end; it still reports and restores what it changed. A
  // job that holds off Stop is still asked (it ends as soon as it safely can), and the lines
  // that say why it goes on and about how long are printed.
  void request_stop();
  bool stop_requested() const override { return stop_.load(); }
  void progress(JobUnit unit, long done, long total) const override;
  void hold_stop(const char* reason_key) const override;
  void finish(const JobEnd& end) const override;

  // The running job's progress (unit none when it tells none or nothing runs).
  JobProgress current_progress() const;
  // The lines Stop prints for a job that holds it off; empty when nothing does.
  std::vector<std::string> held_stop_lines() const;

  // The running job's name, empty when the gate is free.
  std::string running_job() const;
  bool busy() const;
  bool worker_running() const { return worker_running_.load(); }

  // Joins a worker that has finished (the timer calls it; cheap when there is none).
  void reap();
  // Asks a running worker to stop and joins it.
  void shutdown();
  // Waits until the worker has finished (tests, the command line program).
  void wait_worker();

 private:
  bool take(std::string_view job_name);
  void give_back();
  void refuse(const std::string& running);

  ReportSink& reports_;
  const Messages& messages_;
  const Clock& clock_;
  StatusLine* status_;
  mutable std::mutex mutex_;
  std::string running_;  // guarded by mutex_
  // The running job's reports, all guarded by mutex_: its progress, when its count first and
  // last moved (the rate of the time left), and the reason it holds off Stop.
  mutable JobProgress progress_;
  mutable long first_done_ = 0;
  mutable std::int64_t first_ms_ = -1;
  mutable std::int64_t last_ms_ = -1;
  mutable bool counting_ = false;  // the count has moved since the job's first report
  mutable std::string hold_key_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> worker_running_{false};
  std::mutex worker_mutex_;  // the worker handle
  std::thread worker_;
};

}  // namespace vexa
