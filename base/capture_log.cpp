#include "base/capture_log.h"

#include <cerrno>
#include <cstdarg>

#include "base/messages.h"
#include "base/text_format.h"
#include "platform/serial_tty.h"
#include "base/cp1252.h"
#include "platform/system_error.h"

namespace vexa {

std::string log_stamp(const std::tm& t) {
  static constexpr char months[] = "JanFebMarAprMaiJunJulAugSepOctNovDec";
  int month = (t.tm_mon >= 0 && t.tm_mon < 12) ? t.tm_mon : 0;
  return format_text("%.2d%.3s%.2d %.2d:%.2d:%.2d", t.tm_mday, months + 3 * month,
                     (t.tm_year % 100) + 2000, t.tm_hour, t.tm_min, t.tm_sec);
}

CaptureLog::CaptureLog(std::string path, const Clock& clock) : path_(std::move(path)), clock_(clock) {}

CaptureLog::~CaptureLog() { close(); }

int CaptureLog::mode() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

void CaptureLog::set_mode(int mode) {
  std::lock_guard lock(mutex_);
  mode_ = mode;
}

int CaptureLog::apply_log_mode() {
  std::lock_guard lock(mutex_);
  if (file_ && mode_ == 0) {
    std::fclose(file_);
    file_ = nullptr;
  }
  open_error_ = 0;
  if (!file_ && mode_ != 0) {
    file_ = std::fopen(path_.c_str(), "a+");
    if (!file_) open_error_ = errno;
  }
  return open_error_;
}

std::string CaptureLog::open_failure(const Messages& messages) const {
  std::lock_guard lock(mutex_);
  if (open_error_ == 0) return {};
  return format_message(messages.message("VtLogNoOp"), {path_, system_error_text(open_error_)});
}

void CaptureLog::close() {
  std::lock_guard lock(mutex_);
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

void CaptureLog::erase() {
  close();
  std::remove(path_.c_str());
  apply_log_mode();
}

bool CaptureLog::is_open() const {
  std::lock_guard lock(mutex_);
  return file_ != nullptr;
}

void CaptureLog::log_recordf(char tag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformat_text(kLogRecordChars, format, args);
  va_end(args);
  log_record(tag, text);
}

void CaptureLog::write(std::string_view text) { std::fwrite(text.data(), 1, text.size(), file_); }

void CaptureLog::log_board_text(char tag, std::string_view bytes) {
  // A lone byte keeps its one-character record, so a typed CR still folds with its LF.
  if (bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) < 0x80) {
    log_record(tag, bytes);
    return;
  }
  log_record(tag, cp1252_to_utf8(limited(bytes, kLogRecordChars)));
}

void CaptureLog::log_record(char tag, std::string_view input) {
  std::string text = limited(input, kLogRecordChars);
  std::lock_guard lock(mutex_);
  // A typed CR followed by a typed LF gives one line break.
  if (text.size() == 1) {
    if (text[0] == '\n' && cr_seen_) {
      text.clear();
      cr_seen_ = false;
    } else if (text[0] == '\r') {
      text = "\n";
      cr_seen_ = true;
    } else {
      cr_seen_ = false;
    }
  } else {
    cr_seen_ = false;
  }
  if (!file_ || mode_ == 0) return;
  if (at_line_start_ && mode_ == 2) {
    write(log_stamp(clock_.local_now()));
    write(" ");
  }
  if (tag != last_tag_) {
    write(std::string_view(&tag, 1));
    last_tag_ = tag;
  }
  write(text);
  std::fflush(file_);
  at_line_start_ = !text.empty() && text.back() == '\n';
}

}  // namespace vexa
