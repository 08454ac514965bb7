#include "base/board_jobs.h"

#include "base/job_lines.h"
#include "base/text_format.h"

namespace vexa {

BoardJobs::BoardJobs(ReportSink& reports, const Messages& messages, const Clock& clock, StatusLine* status)
    : reports_(reports), messages_(messages), clock_(clock), status_(status) {}

BoardJobs::~BoardJobs() { shutdown(); }

BoardJobs::Ticket& BoardJobs::Ticket::operator=(Ticket&& other) noexcept {
  if (this != &other) {
    release();
    jobs_ = other.jobs_;
    other.jobs_ = nullptr;
  }
  return *this;
}

void BoardJobs::Ticket::release() {
  if (jobs_) jobs_->give_back();
  jobs_ = nullptr;
}

bool BoardJobs::take(std::string_view job_name) {
  std::string running;
  {
    std::lock_guard lock(mutex_);
    if (running_.empty()) {
      running_ = job_name.empty() ? messages_.message("VtJobAny") : std::string(job_name);
      stop_.store(false);
      return true;
    }
    running = running_;
  }
  refuse(running);
  return false;
}

void BoardJobs::give_back() {
  std::lock_guard lock(mutex_);
  running_.clear();
  progress_ = JobProgress{};
  first_ms_ = last_ms_ = -1;
  first_done_ = 0;
  counting_ = false;
  hold_key_.clear();
}

void BoardJobs::progress(JobUnit unit, long done, long total) const {
  const std::int64_t now = clock_.monotonic_ms();
  std::lock_guard lock(mutex_);
  if (running_.empty()) return;
  // The rate counts from the first time the count moved: a job's slow start (a banner wait,
  // the monitor's entry) and its first unit, which carries it, are not part of it.
  const bool restart = first_ms_ < 0 || unit != progress_.unit || done < progress_.done;
  if (restart || (!counting_ && done != first_done_)) {
    counting_ = !restart;
    first_ms_ = now;
    first_done_ = done;
  }
  if (done != progress_.done || restart) last_ms_ = now;
  progress_ = JobProgress{unit, done, total};
}

void BoardJobs::hold_stop(const char* reason_key) const {
  std::lock_guard lock(mutex_);
  hold_key_ = reason_key ? reason_key : "";
}

void BoardJobs::finish(const JobEnd& end) const {
  const std::string line = job_end_line(end, current_progress(), messages_);
  if (status_)
    status_->set_status(line);
  else
    reports_.print_line(line);
}

JobProgress BoardJobs::current_progress() const {
  std::lock_guard lock(mutex_);
  return progress_;
}

std::vector<std::string> BoardJobs::held_stop_lines() const {
  const std::int64_t now = clock_.monotonic_ms();
  std::lock_guard lock(mutex_);
  if (running_.empty() || hold_key_.empty()) return {};
  return held_stop_text(hold_key_, progress_, job_time_left_ms(progress_, first_done_, first_ms_, last_ms_, now),
                        messages_);
}

void BoardJobs::request_stop() {
  stop_.store(true);
  for (const std::string& line : held_stop_lines()) reports_.print_line(line);
}

void BoardJobs::refuse(const std::string& running) {
  reports_.print_line(format_message(messages_.message("VtJobBusy"), {running}));
}

std::optional<BoardJobs::Ticket> BoardJobs::try_begin(std::string_view job_name) {
  if (!take(job_name)) return std::nullopt;
  return Ticket(this);
}

bool BoardJobs::start_worker(std::string_view job_name, std::function<void(const JobControl&)> body) {
  std::lock_guard worker_lock(worker_mutex_);
  if (worker_running_.load()) {
    refuse(running_job());
    return false;
  }
  if (!take(job_name)) return false;
  if (worker_.joinable()) worker_.join();  // a finished worker the timer has not reaped yet
  worker_running_.store(true);
  worker_ = std::thread([this, body = std::move(body)] {
    body(*this);
    give_back();
    worker_running_.store(false);
  });
  return true;
}

std::string BoardJobs::running_job() const {
  std::lock_guard lock(mutex_);
  return running_;
}

bool BoardJobs::busy() const {
  std::lock_guard lock(mutex_);
  return !running_.empty();
}

void BoardJobs::reap() {
  if (worker_running_.load()) return;
  std::lock_guard worker_lock(worker_mutex_);
  if (!worker_running_.load() && worker_.joinable()) worker_.join();
}

void BoardJobs::wait_worker() {
  std::lock_guard worker_lock(worker_mutex_);
  if (worker_.joinable()) worker_.join();
}

void BoardJobs::shutdown() {
  if (worker_running_.load()) stop_.store(true);
  wait_worker();
}

}  // namespace vexa
