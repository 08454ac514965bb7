#include "link/serial_link.h"

#include <sys/stat.h>

#include <cerrno>
#include <cctype>
#include <chrono>
#include <cstring>

#include "base/text_format.h"
#include "base/line_readback.h"

namespace vexa {

namespace {

bool has_com_prefix(std::string_view name) {
  return name.size() >= 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
         std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
         std::toupper(static_cast<unsigned char>(name[2])) == 'M' &&
         name.find('/') == std::string_view::npos;
}

bool path_exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

PortName resolve_port_name(std::string_view link_name) {
  if (!has_com_prefix(link_name) && !link_name.empty()) return {std::string(link_name), std::string(link_name)};
  long number = link_name.size() > 3 ? leading_integer(link_name.substr(3)) : 0;
  if (number < kLowestPortNumber || number > kHighestPortNumber) number = kLowestPortNumber;
  return {format_text("/dev/ttyS%ld", number - 1), format_text("COM%ld", number)};
}

std::string port_description(const PortName& name, long speed) {
  return format_text("%s:%ld,n,8,1", name.label.c_str(), speed);
}

std::string port_description(const PortName& name, long speed, const LineSettings& settings) {
  return format_text("%s:%ld,%s", name.label.c_str(), speed, line_settings_text(settings).c_str());
}

std::string open_failure_reason(const std::string& device_path, int error_code, const std::string& holder) {
  switch (error_code) {
    case EACCES:
    case EPERM:
      return format_text(
          "%s: permission denied. Add your user to the dialout group "
          "(sudo usermod -aG dialout $USER), then log out and in again.",
          device_path.c_str());
    case EBUSY:
      if (!holder.empty())
        return format_text("%s is in use by another program (%s).", device_path.c_str(), holder.c_str());
      return format_text("%s is in use by another program.", device_path.c_str());
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return format_text("%s does not exist: is the adapter plugged in?", device_path.c_str());
    case ENOTTY:
      return format_text("%s is not a serial port.", device_path.c_str());
    case EINVAL:
      return format_text("%s does not accept these line settings (speed?).", device_path.c_str());
    default:
      return format_text("%s: %s", device_path.c_str(), system_error_text(error_code).c_str());
  }
}

std::vector<std::string> port_list(const std::string& dev_root, const std::string& sys_root) {
  std::vector<std::string> names = list_serial_devices(dev_root, sys_root);
  names.emplace_back(kTcpLinkName);
  return names;
}

SerialLink::SerialLink(ReportSink& reports, const Messages& messages, TcpClient& tcp, CaptureLog* log)
    : reports_(reports), messages_(messages), tcp_(tcp), log_(log) {}

SerialLink::~SerialLink() {
  if (auto current = tty()) current->interrupt();
}

void SerialLink::select(std::string_view link_name, std::string_view speed_text) {
  std::lock_guard lock(state_mutex_);
  link_name_ = limited(link_name, kLinkNameChars);
  speed_text_ = limited(speed_text, kSelectorChars);
}

std::string SerialLink::link_name() const {
  std::lock_guard lock(state_mutex_);
  return link_name_;
}

std::string SerialLink::speed_text() const {
  std::lock_guard lock(state_mutex_);
  return speed_text_;
}

void SerialLink::set_tcp_address(std::string_view text) {
  std::lock_guard lock(state_mutex_);
  tcp_address_ = std::string(text);
}

std::string SerialLink::tcp_address() const {
  std::lock_guard lock(state_mutex_);
  return tcp_address_;
}

std::shared_ptr<SerialTty> SerialLink::tty(std::uint64_t* opening) const {
  std::lock_guard lock(state_mutex_);
  if (opening) *opening = openings_;
  return tty_;
}

bool SerialLink::serial_open() const { return tty() != nullptr; }

bool SerialLink::link_is_open() const { return serial_open() || tcp_.connected(); }

bool SerialLink::carrier_detect() const {
  auto current = tty();
  return current && current->carrier_detect();
}

void SerialLink::notify_state(bool open) {
  if (LinkObserver* observer = observer_.load()) observer->link_state_changed(open);
}

void SerialLink::report_open_failure(const std::string& description, const std::string& path,
                                     int code, bool reconnect, const std::string& holder) {
  if (reconnect) return;
  reports_.print_line(format_text("%s %s", messages_.message("MerOp").c_str(), description.c_str()));
  reports_.print_line(open_failure_reason(path, code, holder));
}

void SerialLink::set_line_settings(std::optional<LineSettings> settings) {
  std::lock_guard lock(state_mutex_);
  line_settings_ = settings;
}

std::optional<LineSettings> SerialLink::line_settings() const {
  std::lock_guard lock(state_mutex_);
  return line_settings_;
}

std::string SerialLink::describe(const PortName& name, long speed) const {
  const auto settings = line_settings();
  return settings ? port_description(name, speed, *settings) : port_description(name, speed);
}

std::string SerialLink::description() const {
  std::string name;
  std::string speed_text;
  {
    std::lock_guard lock(state_mutex_);
    name = link_name_;
    speed_text = speed_text_;
  }
  return describe(resolve_port_name(name), leading_integer(speed_text));
}

std::optional<AppliedLine> SerialLink::applied_line() const {
  std::lock_guard lock(state_mutex_);
  if (!tty_) return std::nullopt;
  return applied_;
}

std::optional<std::string> SerialLink::kept_description() const {
  std::lock_guard lock(state_mutex_);
  if (!tty_) return std::nullopt;
  return kept_text_;
}

std::string SerialLink::kept_description(SerialTty& port, const PortName& name, long speed,
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

void SerialLink::report_configured(const std::string& description, const std::vector<std::string>& refused) {
  reports_.print_line(format_text("%s %s", messages_.message("Mopen").c_str(), description.c_str()));
  for (const std::string& line : refused) reports_.print_line(line);
}

bool SerialLink::reconfigure(long speed) {
  PortName name;
  {
    std::lock_guard lock(state_mutex_);
    speed_text_ = limited(std::to_string(speed), kSelectorChars);
    name = {device_path_, label_};
  }
  auto port = tty();
  if (!port) return false;
  speed_.store(speed);
  (void)port->drain_output();
  if (int code = configure_port(*port, speed, true)) {
    reports_.print_line(format_text("%s %s", messages_.message("MerOp").c_str(), describe(name, speed).c_str()));
    reports_.print_line(open_failure_reason(name.device_path, code));
    close_link();
    return false;
  }
  std::vector<std::string> refused;
  report_configured(kept_description(*port, name, speed, refused), refused);
  if (LinkObserver* observer = observer_.load()) observer->speed_selected(speed);
  return true;
}

int SerialLink::configure_port(SerialTty& port, long speed, bool xoff_receive) const {
  const auto settings = line_settings();
  return settings ? port.configure_line(speed, *settings, xoff_receive) : port.configure(speed, xoff_receive);
}

int SerialLink::send_break(int duration_ms) {
  auto port = tty();
  return port ? port->send_break(duration_ms) : EBADF;
}

int SerialLink::set_dtr(bool raised) {
  auto port = tty();
  return port ? port->set_dtr(raised) : EBADF;
}

int SerialLink::set_rts(bool raised) {
  auto port = tty();
  return port ? port->set_rts(raised) : EBADF;
}

int SerialLink::modem_lines(ModemLines& out) const {
  auto port = tty();
  return port ? port->modem_lines(out) : EBADF;
}

bool SerialLink::open_link(bool reconnect) {
  std::string name;
  std::string speed_text;
  {
    std::lock_guard lock(state_mutex_);
    name = link_name_;
    speed_text = speed_text_;
  }
  if (name == kTcpLinkName) {
    tcp_connect_request_.store(true);
    wake_receiver();
    return true;
  }
  if (serial_open()) close_link();
  const PortName port = resolve_port_name(name);
  const long speed = leading_integer(speed_text);
  speed_.store(speed);
  const std::string description = describe(port, speed);
  // The open line says what the driver kept, so it follows the configuration; a failure
  // still shows what was asked first.
  auto opened = std::make_shared<SerialTty>();
  if (int code = opened->open(port.device_path)) {
    if (!reconnect)
      reports_.print_line(format_text("%s %s", messages_.message("Mopen").c_str(), description.c_str()));
    report_open_failure(description, port.device_path, code, reconnect, opened->holder());
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
  opened->set_rts(true);
  {
    std::lock_guard lock(state_mutex_);
    tty_ = opened;
    ++openings_;
    device_path_ = port.device_path;
    label_ = port.label;
  }
  lost_.store(false);
  wake_receiver();
  notify_state(true);
  return true;
}

bool SerialLink::close_link() {
  std::shared_ptr<SerialTty> closing;
  {
    std::lock_guard lock(state_mutex_);
    closing = std::move(tty_);
    tty_.reset();
  }
  if (!closing) return false;
  closing->set_rts(false);
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

long SerialLink::set_speed(long speed, bool announce) {
  const long current = speed_.load();
  if (speed == current) return current;
  auto port = tty();
  if (!port) return -1;
  speed_.store(speed);
  PortName name;
  {
    std::lock_guard lock(state_mutex_);
    name = {device_path_, label_};
  }
  // The last bytes at the old speed (a reset or speed command) must leave the UART first.
  (void)port->drain_output();
  if (int code = configure_port(*port, speed, false)) {
    reports_.print_line(format_text("%s %s", messages_.message("MerOp").c_str(),
                                    describe(name, line_settings() ? speed : 9600).c_str()));
    reports_.print_line(open_failure_reason(name.device_path, code));
    close_link();
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

bool SerialLink::write_bytes(const char* bytes, std::size_t length) {
  if (tcp_.connected()) {
    std::lock_guard lock(write_mutex_);
    return tcp_.tcp_send(bytes, length);
  }
  auto port = tty();
  if (!port) {
    reports_.print_line(messages_.message("MerNoOp"));
    return false;
  }
  std::lock_guard lock(write_mutex_);
  if (int code = port->write_all(bytes, length)) {
    std::string path;
    {
      std::lock_guard state(state_mutex_);
      path = device_path_;
    }
    reports_.print_line(format_text("Error write %s: %s", path.c_str(), system_error_text(code).c_str()));
    return false;
  }
  return true;
}

bool SerialLink::write_text(std::string_view text) {
  if (!link_is_open()) {
    reports_.print_line(messages_.message("MerNoOp"));
    return false;
  }
  if (log_) log_->log_board_text('>', text);
  return write_bytes(text.data(), text.size());
}

bool SerialLink::write_char(char c) {
  if (c == '\0') return false;
  return write_text(std::string_view(&c, 1));
}

bool SerialLink::refill_locked(SerialTty& port) {
  if (buffer_position_ < buffer_.size()) return true;
  buffer_.resize(kReadChunkBytes);
  long count = port.read_some(buffer_.data(), buffer_.size());
  buffer_.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  buffer_position_ = 0;
  return !buffer_.empty();
}

int SerialLink::serial_read_byte(int wait_ms) {
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

int SerialLink::link_read_byte(int wait_ms) {
  if (!serial_open()) return tcp_.tcp_read_byte(wait_ms);
  return serial_read_byte(wait_ms);
}

void SerialLink::push_back(unsigned char byte) {
  std::lock_guard lock(read_mutex_);
  push_back_ = byte;
}

bool SerialLink::read_serial_chunk(std::string& out, std::uint64_t* opening) {
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

bool SerialLink::wait_readable(int wait_ms) {
  // A wake (stop, pause, a port opened) ends the wait at once, whatever it waits on.
  if (receiver_wake_.drain()) return false;
  const int wake = receiver_wake_.descriptor();
  bool readable = false;
  if (auto port = tty()) {
    {
      std::lock_guard lock(read_mutex_);
      if (push_back_ != 0 || buffer_position_ < buffer_.size()) return true;
    }
    readable = port->wait_readable(wait_ms, wake) == WaitResult::readable;
  } else if (tcp_.connected()) {
    readable = tcp_.wait_readable(wait_ms, wake);
  } else {
    receiver_wake_.wait(wait_ms);
    return false;
  }
  receiver_wake_.drain();
  return readable;
}

void SerialLink::wake_receiver() { receiver_wake_.signal(); }

void SerialLink::probe_port() {
  auto port = tty();
  if (port) {
    lost_.store(false);
    std::string path;
    {
      std::lock_guard lock(state_mutex_);
      path = device_path_;
    }
    int code = 0;
    if (!path_exists(path))
      code = ENOENT;
    else if (port->hung_up())
      code = EIO;
    if (code == 0) return;
    reports_.print_line(format_text_limited(kPortErrorTextChars, "COM error %d %s", code,
                                            system_error_text(code).c_str()));
    lost_.store(true);
    close_link();
    return;
  }
  if (lost_.load()) open_link(true);
}

}  // namespace vexa
