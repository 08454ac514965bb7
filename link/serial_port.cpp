#include "link/serial_port.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "base/line_readback.h"
#include "base/text_format.h"
#include "link/rfc2217_device.h"
#include "platform/system_error.h"

namespace vexa {

namespace {

bool path_exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

SerialPort::SerialPort(ReportSink& reports, const Messages& messages, WakeEvent& opened, CaptureLog* log)
    : reports_(reports), messages_(messages), opened_(opened), log_(log) {}

SerialPort::~SerialPort() {
  if (auto current = tty()) current->interrupt();
}

std::shared_ptr<SerialDevice> SerialPort::tty(std::uint64_t* opening) const {
  std::lock_guard lock(state_mutex_);
  if (opening) *opening = openings_;
  return tty_;
}

PortName SerialPort::open_name() const {
  std::lock_guard lock(state_mutex_);
  return {device_path_, label_};
}

bool SerialPort::is_open() const { return tty() != nullptr; }

bool SerialPort::carrier_detect() const {
  auto current = tty();
  return current && current->carrier_detect();
}

void SerialPort::notify_state(bool open) {
  if (LinkObserver* observer = observer_.load()) observer->link_state_changed(open);
}

void SerialPort::report_open_failure(const std::string& description, const std::string& path,
                                     int code, bool reconnect, const std::string& holder) {
  if (reconnect) return;
  reports_.print_line(format_text("%s %s", messages_.message("MerOp").c_str(), description.c_str()));
  reports_.print_line(open_failure_reason(messages_, path, code, holder));
}

void SerialPort::set_line_settings(std::optional<LineSettings> settings) {
  std::lock_guard lock(state_mutex_);
  line_settings_ = settings;
}

std::optional<LineSettings> SerialPort::line_settings() const {
  std::lock_guard lock(state_mutex_);
  return line_settings_;
}

std::string SerialPort::describe(const PortName& name, long speed) const {
  const auto settings = line_settings();
  return settings ? port_description(name, speed, *settings) : port_description(name, speed);
}

std::optional<AppliedLine> SerialPort::applied_line() const {
  std::lock_guard lock(state_mutex_);
  if (!tty_) return std::nullopt;
  return applied_;
}

std::optional<std::string> SerialPort::kept_description() const {
  std::lock_guard lock(state_mutex_);
  if (!tty_) return std::nullopt;
  return kept_text_;
}

std::string SerialPort::kept_description(SerialDevice& port, const PortName& name, long speed,
                                         std::vector<std::string>& refused) {
  const std::optional<LineSettings> asked = line_settings();
  const std::optional<AppliedLine> kept = port.applied_line();
  std::string text;
  if (!kept) {
    text = describe(name, speed);
  } else {
    for (const LineDifference& difference : line_differences(speed, asked.value_or(LineSettings{}), *kept))
      refused.push_back(line_difference_text(difference, messages_));
    // The plain line keeps its plain description as long as the driver kept it.
    text = !asked && kept->settings == LineSettings{} ? port_description(name, kept->speed)
                                                      : port_description(name, kept->speed, kept->settings);
  }
  std::lock_guard lock(state_mutex_);
  applied_ = kept;
  kept_text_ = text;
  return text;
}

void SerialPort::report_configured(const std::string& description, const std::vector<std::string>& refused) {
  reports_.print_line(format_text("%s %s", messages_.message("Mopen").c_str(), description.c_str()));
  for (const std::string& line : refused) reports_.print_line(line);
}

bool SerialPort::reconfigure(long speed) {
  const PortName name = open_name();
  auto port = tty();
  if (!port) return false;
  speed_.store(speed);
  (void)port->drain_output();
  if (int code = configure_port(*port, speed, true)) {
    reports_.print_line(format_text("%s %s", messages_.message("MerOp").c_str(), describe(name, speed).c_str()));
    reports_.print_line(open_failure_reason(messages_, name.device_path, code));
    close();
    return false;
  }
  std::vector<std::string> refused;
  report_configured(kept_description(*port, name, speed, refused), refused);
  if (LinkObserver* observer = observer_.load()) observer->speed_selected(speed);
  return true;
}

int SerialPort::configure_port(SerialDevice& port, long speed, bool xoff_receive) const {
  const auto settings = line_settings();
  return settings ? port.configure_line(speed, *settings, xoff_receive) : port.configure(speed, xoff_receive);
}

int SerialPort::send_break(int duration_ms) {
  auto port = tty();
  return port ? port->send_break(duration_ms) : EBADF;
}

int SerialPort::set_dtr(bool raised) {
  auto port = tty();
  return port ? port->set_dtr(raised) : EBADF;
}

int SerialPort::set_rts(bool raised) {
  auto port = tty();
  return port ? port->set_rts(raised) : EBADF;
}

int SerialPort::modem_lines(ModemLines& out) const {
  auto port = tty();
  return port ? port->modem_lines(out) : EBADF;
}

std::shared_ptr<SerialDevice> SerialPort::open_device(const std::string& path, int& code, std::string& holder) const {
  if (is_gateway_name(path)) {
    const auto address = parse_gateway_address(path);
    if (!address) {
      code = EDESTADDRREQ;
      return nullptr;
    }
    auto gateway = std::make_shared<Rfc2217Device>();
    code = gateway->open(*address);
    return code == 0 ? gateway : nullptr;
  }
  auto tty = std::make_shared<SerialTty>();
  code = tty->open(path);
  holder = tty->holder();
  return code == 0 ? tty : nullptr;
}

bool SerialPort::open(const PortName& port, long speed, bool reconnect) {
  if (is_open()) close();
  speed_.store(speed);
  const std::string description = describe(port, speed);
  // The open line says what the driver kept, so it follows the configuration; a failure
  // still shows what was asked first.
  int open_code = 0;
  std::string holder;
  auto opened = open_device(port.device_path, open_code, holder);
  if (!opened) {
    if (!reconnect)
      reports_.print_line(format_text("%s %s", messages_.message("Mopen").c_str(), description.c_str()));
    report_open_failure(description, port.device_path, open_code, reconnect, holder);
    return false;
  }
  if (int code = configure_port(*opened, speed, true)) {
    reports_.print_line(format_text("%s %s", messages_.message("Mopen").c_str(), description.c_str()));
    report_open_failure(description, port.device_path, code, reconnect);
    return false;
  }
  std::vector<std::string> refused;
  report_configured(kept_description(*opened, port, speed, refused), refused);
  // Whatever the driver held from before the open is not the board's answer to anything.
  {
    std::lock_guard lock(read_mutex_);
    buffer_.clear();
    buffer_position_ = 0;
    push_back_ = 0;
    char discard[kDrainBytes];
    opened->read_some(discard, sizeof discard);
  }
  // A gateway raises its lines when it opens its port, and one whose port cannot drive them
  // (a pty) never answers the request: it is not asked, so an open does not wait for nothing.
  if (!opened->networked()) opened->set_rts(true);
  {
    std::lock_guard lock(state_mutex_);
    tty_ = opened;
    ++openings_;
    device_path_ = port.device_path;
    label_ = port.label;
  }
  lost_.store(false);
  opened_.signal();
  notify_state(true);
  return true;
}

bool SerialPort::close() {
  std::shared_ptr<SerialDevice> closing;
  {
    std::lock_guard lock(state_mutex_);
    closing = std::move(tty_);
    tty_.reset();
  }
  if (!closing) return false;
  if (closing->networked()) (void)closing->drain_output();  // the last bytes reach the gateway
  else closing->set_rts(false);
  // The receive thread may be waiting on the descriptor: end its wait; the descriptor closes
  // when the last holder lets go of it, but the port is free from here on.
  closing->release();
  closing->interrupt();
  closing.reset();
  reports_.print_line(messages_.message("McloseC"));
  if (log_) log_->close();
  notify_state(false);
  return true;
}

long SerialPort::set_speed(long speed, bool announce) {
  const long current = speed_.load();
  if (speed == current) return current;
  auto port = tty();
  if (!port) return -1;
  speed_.store(speed);
  const PortName name = open_name();
  // The last bytes at the old speed (a reset or speed command) must leave the UART first.
  (void)port->drain_output();
  if (int code = configure_port(*port, speed, false)) {
    reports_.print_line(format_text("%s %s", messages_.message("MerOp").c_str(),
                                    describe(name, line_settings() ? speed : 9600).c_str()));
    reports_.print_line(open_failure_reason(messages_, name.device_path, code));
    close();
    return -1;
  }
  std::vector<std::string> refused;
  const std::string kept = kept_description(*port, name, speed, refused);
  if (announce)
    reports_.print_line(format_text("%s %s", messages_.message("Mopen").c_str(), kept.c_str()));
  for (const std::string& line : refused) reports_.print_line(line);
  if (LinkObserver* observer = observer_.load()) observer->speed_selected(speed);
  return current;
}

bool SerialPort::write(const char* bytes, std::size_t length) {
  auto port = tty();
  if (!port) {
    reports_.print_line(messages_.message("MerNoOp"));
    return false;
  }
  std::lock_guard lock(write_mutex_);
  if (int code = port->write_all(bytes, length)) {
    const std::string path = open_name().device_path;
    reports_.print_line(format_text("%s %s: %s", messages_.message("MerWrite").c_str(), path.c_str(),
                                    system_error_text(code).c_str()));
    return false;
  }
  return true;
}

bool SerialPort::refill_locked(SerialDevice& port) {
  if (buffer_position_ < buffer_.size()) return true;
  buffer_.resize(kReadChunkBytes);
  long count = port.read_some(buffer_.data(), buffer_.size());
  buffer_.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  buffer_position_ = 0;
  return !buffer_.empty();
}

int SerialPort::read_byte(int wait_ms) {
  auto port = tty();
  if (!port) return -2;
  std::unique_lock lock(read_mutex_);
  if (push_back_ != 0) {
    int byte = push_back_;
    push_back_ = 0;
    return byte;
  }
  if (!refill_locked(*port)) {
    if (wait_ms <= 0) return -1;
    lock.unlock();
    if (port->wait_readable(wait_ms) != WaitResult::readable) return -1;
    lock.lock();
    if (!refill_locked(*port)) return -1;
  }
  return static_cast<unsigned char>(buffer_[buffer_position_++]);
}

void SerialPort::push_back(unsigned char byte) {
  std::lock_guard lock(read_mutex_);
  push_back_ = byte;
}

bool SerialPort::read_chunk(std::string& out, std::uint64_t* opening) {
  auto port = tty(opening);
  if (!port) return false;
  std::lock_guard lock(read_mutex_);
  if (push_back_ != 0) {
    out.push_back(static_cast<char>(push_back_));
    push_back_ = 0;
  }
  if (!refill_locked(*port)) return false;
  const char* begin = buffer_.data() + buffer_position_;
  const std::size_t available = buffer_.size() - buffer_position_;
  const void* nul = std::memchr(begin, 0, available);
  const std::size_t take = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin) : available;
  out.append(begin, take);
  buffer_position_ += take;
  if (!nul) return false;
  ++buffer_position_;  // the NUL itself is dropped
  return true;
}

bool SerialPort::has_buffered() {
  std::lock_guard lock(read_mutex_);
  return push_back_ != 0 || buffer_position_ < buffer_.size();
}

bool SerialPort::wait_readable(int wait_ms, int wake_fd) {
  auto port = tty();
  return port && port->wait_readable(wait_ms, wake_fd) == WaitResult::readable;
}

bool SerialPort::probe() {
  auto port = tty();
  if (!port) return lost_.load();
  lost_.store(false);
  const std::string path = open_name().device_path;
  int code = 0;
  if (port->networked())
    code = port->hung_up() ? ECONNRESET : 0;
  else if (!path_exists(path))
    code = ENOENT;
  else if (port->hung_up())
    code = EIO;
  if (code == 0) return false;
  reports_.print_line(format_text_limited(kPortErrorTextChars, "COM error %d %s", code,
                                          system_error_text(code).c_str()));
  // A gateway that closed the connection is not an adapter that comes back by itself: it is
  // not called again every 100 ms.
  if (port->networked())
    reports_.print_line(open_failure_reason(messages_, path, code));
  else
    lost_.store(true);
  close();
  return false;
}

}  // namespace vexa
