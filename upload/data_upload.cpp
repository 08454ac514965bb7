#include "upload/data_upload.h"

#include <sys/stat.h>

#include "base/identity.h"
#include "base/text_format.h"
#include "upload/line_prefix.h"

namespace vexa {

namespace {

// Every directory along path (each prefix up to a '/' or '\'); failures do not matter here,
// the open that follows reports them.
void make_directories(const std::string& path) {
  for (std::size_t i = 1; i < path.size(); ++i)
    if (path[i] == '/' || path[i] == '\\') ::mkdir(path.substr(0, i).c_str(), 0777);
}

// A stamp typed into "Load from" counts only when it starts with a visible character.
std::string usable_stamp(std::string_view typed) {
  std::string stamp = limited(typed, kResumeStampChars);
  if (stamp.empty() || static_cast<unsigned char>(stamp[0]) <= ' ') stamp.clear();
  return stamp;
}

}  // namespace

std::string hex_bytes(std::string_view data) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const int high = hex_digit_value(data[i]), low = hex_digit_value(data[i + 1]);
    if (high < 0 || low < 0) break;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return bytes;
}

std::string_view drop_cut_line_start(std::string_view line) {
  if (line.empty() || line.front() != '>') return line;
  for (std::size_t k = 1; k < line.size(); ++k) {
    if (line[k] != '>') continue;
    std::string_view rest = line.substr(k);
    if (rest.starts_with(line.substr(0, k))) return rest;
  }
  return line;
}

DataUpload::DataUpload(ReportSink& reports, const Messages& messages, UploadLink link,
                       BoardJobs* jobs, std::string start_directory)
    : reports_(reports),
      messages_(messages),
      link_(link),
      jobs_(jobs),
      start_directory_(std::move(start_directory)) {}

DataUpload::~DataUpload() {
  std::lock_guard lock(mutex_);
  close_file_locked();
}

bool DataUpload::running() const {
  std::lock_guard lock(mutex_);
  return file_ != nullptr;
}

int DataUpload::line_count() const {
  std::lock_guard lock(mutex_);
  return line_count_;
}

bool DataUpload::binary() const {
  std::lock_guard lock(mutex_);
  return binary_;
}

long DataUpload::saved_speed() const {
  std::lock_guard lock(mutex_);
  return saved_speed_;
}

void DataUpload::set_resume_point(const ResumePoint& point) {
  std::lock_guard lock(mutex_);
  resume_stamp_ = limited(point.stamp, kResumeStampChars);
  number_prefix_ = limited(point.number_prefix, kNumberPrefixChars);
}

ResumePoint DataUpload::resume_point() const {
  std::lock_guard lock(mutex_);
  return {resume_stamp_, number_prefix_};
}

UploadEvents DataUpload::take_events() {
  std::lock_guard lock(mutex_);
  UploadEvents events = std::move(events_);
  events_ = UploadEvents{};
  events_.line_count = line_count_;
  return events;
}

bool DataUpload::start(const UploadRequest& request) {
  const std::string stamp = usable_stamp(request.resume_stamp);
  std::optional<BoardJobs::Ticket> ticket;
  // A capture sends nothing to the board, so it takes no part in the job gate: the listing it
  // follows has begun whatever runs.
  if (jobs_ && request.send_command && !running()) {
    ticket = jobs_->try_begin(messages_.message("MDupload"));
    if (!ticket) return false;
  }
  const std::string host_path = limited(request.host_path, kPathChars);
  make_directories(host_path);
  {
    std::lock_guard lock(mutex_);
    close_host_file_locked();  // a start while one runs replaces it, gate and all
    struct stat before {};
    const bool existed = ::stat(host_path.c_str(), &before) == 0;
    // Text and binary files are the same here; the mode only says whether to truncate.
    file_ = std::fopen(host_path.c_str(), request.create ? "wb" : "ab");
    created_file_ = file_ && !existed;
    if (!file_) {
      reports_.print_line(format_text("%s %s", messages_.message("MerOp").c_str(), host_path.c_str()));
      link_.control.set_upload_running(false);
      ticket_.reset();
      return false;
    }
    if (ticket) ticket_ = std::move(ticket);
    link_.control.set_upload_running(true);
    host_path_ = host_path;
    target_ = limited(request.target, kUploadNameChars);
    binary_ = request.binary;
    resume_stamp_ = stamp;
    if (stamp.empty()) number_prefix_.clear();
    first_line_ = true;
    write_failed_ = false;
    stop_unanswered_ = false;
    line_count_ = 0;
    events_.line_count = 0;
    events_.resume_stamp = stamp;
    note_event_locked();
  }
  if (!request.send_command) return true;

  std::string command = format_text(request.binary ? "up -b %s" : "up %s", limited(request.target, kUploadNameChars).c_str());
  if (!stamp.empty()) command += " " + stamp;
  {
    std::lock_guard lock(mutex_);
    saved_speed_ = 0;
  }
  const long speed = link_.port.speed();
  if (request.fast && speed != kFastSpeed && !link_.port.is_tcp()) {
    link_.channel.send_line(format_text("bi=%ld", kFastSpeed));
    switch_speed(kFastSpeed, false);
    std::lock_guard lock(mutex_);
    saved_speed_ = speed;
  }
  link_.channel.send_line(command);
  return true;
}

void DataUpload::stop_upload() {
  bool ask;
  {
    std::lock_guard lock(mutex_);
    if (file_ && stop_unanswered_) {
      const int count = line_count_;
      close_file_locked();
      first_line_ = false;
      stop_unanswered_ = false;
      events_.ended = true;
      note_event_locked();
      reports_.print_line(format_text("upload %s -> %s: %d lines", target_.c_str(), host_path_.c_str(), count));
      return;
    }
    ask = file_ != nullptr || data_lines_seen_;
    stop_unanswered_ = file_ != nullptr;
  }
  if (ask) link_.port.write_text(" ");
}

bool DataUpload::check_link() {
  std::lock_guard lock(mutex_);
  if (!file_ || link_.port.is_open()) return false;
  const int count = line_count_;
  close_file_locked();
  first_line_ = false;
  repair_next_line_ = true;
  events_.ended = true;
  note_event_locked();
  reports_.print_line(format_text("%s upload %s -> %s: %d lines", messages_.message("VtUpLost").c_str(),
                                  target_.c_str(), host_path_.c_str(), count));
  return true;
}

void DataUpload::capture(std::string_view rest) {
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  std::size_t end = 0;
  while (end < rest.size() && static_cast<unsigned char>(rest[end]) > ' ') ++end;
  const std::string name = limited(rest.substr(0, end), kCapturedNameChars);
  {
    std::lock_guard lock(mutex_);
    events_.captured_name = name;
    note_event_locked();
  }
  UploadRequest request;
  request.host_path = start_directory_ + "/" + name;
  request.target = name;
  request.send_command = false;
  start(request);
}

void DataUpload::restore_speed() {
  long speed;
  {
    std::lock_guard lock(mutex_);
    speed = saved_speed_;
    saved_speed_ = 0;
  }
  if (speed <= 0) return;
  link_.channel.send_line(format_text("bi=%ld", speed));
  switch_speed(speed, true);
}

void DataUpload::switch_speed(long speed, bool on_receive_thread) {
  if (on_receive_thread) {
    link_.port.read_byte(kSpeedSwitchWaitMs);
  } else {
    ReadingPause pause(link_.port);
    link_.port.read_byte(kSpeedSwitchWaitMs);
  }
  link_.port.set_speed(speed, SpeedNotice::shown);
}

void DataUpload::on_line(std::string_view line) {
  bool repair;
  {
    std::lock_guard lock(mutex_);
    repair = repair_next_line_;
    repair_next_line_ = false;
  }
  if (repair) line = drop_cut_line_start(line);
  if (line.starts_with("up ")) {
    capture(line.substr(3));
    return;
  }
  std::unique_lock lock(mutex_);
  stop_unanswered_ = false;
  if (!file_) {
    data_lines_seen_ = !line.empty() && line.front() == '>';
    if (data_lines_seen_) ring_.add_line(line.substr(1));
    const bool restore = saved_speed_ > 0 && line.starts_with("ok");
    lock.unlock();
    if (restore) restore_speed();
    return;
  }
  if (!line.empty() && line.front() == '>') {
    const std::string_view data = line.substr(1);
    if (first_line_) {
      if (number_prefix_.size() >= 3) {
        // A resumed listing of numbered lines starts over: skip up to the last line stored.
        if (data.substr(0, 3) != std::string_view(number_prefix_).substr(0, 3)) return;
        first_line_ = false;
        return;
      }
      first_line_ = false;
    }
    store_line_locked(data);
    return;
  }
  // The board's closing line.
  const int count = line_count_;
  close_file_locked();
  first_line_ = false;
  events_.ended = true;
  note_event_locked();
  reports_.print_line(line);
  reports_.print_line(format_text("upload %s -> %s: %d lines", target_.c_str(), host_path_.c_str(), count));
}

void DataUpload::store_line_locked(std::string_view data) {
  bool written;
  if (binary_) {
    const std::string bytes = hex_bytes(data);
    written = std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  } else {
    written = std::fwrite(data.data(), 1, data.size(), file_) == data.size() && std::fputc('\n', file_) != EOF;
  }
  // Every line reaches the file before the next one is read: a crash or a lost link keeps it.
  written = std::fflush(file_) == 0 && written;
  if (!written) {
    if (!write_failed_)
      reports_.print_line(format_text("%s %s", messages_.message("VtUpWrite").c_str(), host_path_.c_str()));
    write_failed_ = true;
    std::clearerr(file_);
    return;
  }
  ring_.add_line(data);
  ++line_count_;
  events_.line_count = line_count_;
  note_event_locked();
  if (binary_) return;
  if (std::size_t n = time_stamp_length(data)) {
    resume_stamp_ = limited(data.substr(0, n), kResumeStampChars);
    number_prefix_.clear();
    events_.resume_stamp = resume_stamp_;
  } else if (std::size_t m = number_prefix_length(data)) {
    number_prefix_ = limited(data.substr(0, m), kNumberPrefixChars);
  }
}

void DataUpload::close_host_file_locked() {
  if (!file_) return;
  // A file this upload made and never wrote to (the board has no such file, or said nothing)
  // would only look like an upload that found no data: it goes again.
  const bool empty = std::ftell(file_) == 0;
  std::fclose(file_);
  file_ = nullptr;
  if (created_file_ && empty) std::remove(host_path_.c_str());
  created_file_ = false;
}

void DataUpload::close_file_locked() {
  if (file_) {
    close_host_file_locked();
    link_.control.set_upload_running(false);
  }
  ticket_.reset();
}

}  // namespace vexa
