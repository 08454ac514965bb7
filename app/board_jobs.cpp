#include "app/board_jobs.h"

#include "app/text_format.h"

namespace vexa {

BoardJobs::BoardJobs(ReportSink& reports, const Messages& messages) : reports_(reports), messages_(messages) {}

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
