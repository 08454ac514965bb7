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

#include "app/messages.h"
#include "terminal/report_sink.h"

namespace vexa {

// What a running job checks: the Stop request of the menu (708).
class JobControl {
 public:
  virtual ~JobControl() = default;
  virtual bool stop_requested() const = 0;
};

class BoardJobs final : public JobControl {
 public:
  BoardJobs(ReportSink& reports, const Messages& messages);
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

  // Menu Stop: asks the running job to end; it still reports and restores what it changed.
  void request_stop() { stop_.store(true); }
  bool stop_requested() const override { return stop_.load(); }

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
  mutable std::mutex mutex_;
  std::string running_;  // guarded by mutex_
  std::atomic<bool> stop_{false};
  std::atomic<bool> worker_running_{false};
  std::mutex worker_mutex_;  // the worker handle
  std::thread worker_;
};

}  // namespace vexa
