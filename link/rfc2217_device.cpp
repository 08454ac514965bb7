#include "link/rfc2217_device.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "base/text_format.h"

namespace vexa {

namespace {

using Clock = std::chrono::steady_clock;

// While a request waits for its answer another thread may take the bytes off the socket; the
// waiter looks at what has arrived at least this often.
constexpr int kAnswerPollMs = 10;
constexpr std::size_t kReceiveBytes = 4096;

unsigned char parity_code(Parity parity) {
  switch (parity) {
    case Parity::odd: return kParityOdd;
    case Parity::even: return kParityEven;
    case Parity::mark: return kParityMark;
    case Parity::space: return kParitySpace;
    case Parity::none: break;
  }
  return kParityNone;
}

Parity parity_from_code(unsigned char code) {
  switch (code) {
    case kParityOdd: return Parity::odd;
    case kParityEven: return Parity::even;
    case kParityMark: return Parity::mark;
    case kParitySpace: return Parity::space;
    default: return Parity::none;
  }
}

unsigned char flow_code(FlowControl flow) {
  switch (flow) {
    case FlowControl::rts_cts: return com_control::kHardware;
    case FlowControl::xon_xoff: return com_control::kXonXoff;
    case FlowControl::none: break;
  }
  return com_control::kNoFlow;
}

FlowControl flow_from_code(unsigned char code) {
  switch (code) {
    case com_control::kHardware: return FlowControl::rts_cts;
    case com_control::kXonXoff: return FlowControl::xon_xoff;
    default: return FlowControl::none;
  }
}

unsigned char first_byte(const std::string& value) { return value.empty() ? 0 : static_cast<unsigned char>(value[0]); }

}  // namespace

Rfc2217Device::~Rfc2217Device() { close(); }

int Rfc2217Device::open(const GatewayAddress& address) {
  const auto ip = resolve_ipv4(address.host);
  if (!ip) return EADDRNOTAVAIL;
  if (int err = socket_.create()) return err;
  if (int err = socket_.connect(*ip, address.port, answer_ms_)) {
    socket_.close();
    return err;
  }
  socket_.send_at_once();
  if (int err = send_raw(codec_.opening())) return err;
  // A raw TCP port says nothing at all to the telnet options: that is a refusal too.
  const int negotiated = await(
      [&]() -> std::optional<int> {
        if (codec_.com_port_refused()) return EPROTONOSUPPORT;
        if (codec_.com_port_accepted()) return 0;
        return std::nullopt;
      },
      EPROTONOSUPPORT);
  if (negotiated != 0) return negotiated;
  // What the gateway held from before is not the board's answer to anything.
  (void)request(ComPortCommand::purge_data, std::string(1, static_cast<char>(kPurgeBoth)));
  std::lock_guard lock(mutex_);
  data_.clear();
  data_position_ = 0;
  return 0;
}

void Rfc2217Device::interrupt() {
  socket_.interrupt();
  interrupted_.signal();
}

int Rfc2217Device::send_raw(std::string_view bytes) {
  std::lock_guard lock(send_mutex_);
  return socket_.send(bytes.data(), bytes.size());
}

void Rfc2217Device::pump_locked() {
  if (ended_) return;
  char buffer[kReceiveBytes];
  for (;;) {
    const long count = socket_.receive_now(buffer, sizeof buffer);
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (count <= 0) {
      ended_ = true;
      return;
    }
    if (data_position_ == data_.size()) {
      data_.clear();
      data_position_ = 0;
    }
    std::vector<ComPortAnswer> answers;
    std::string reply;
    codec_.feed(std::string_view(buffer, static_cast<std::size_t>(count)), data_, answers, reply);
    for (const ComPortAnswer& answer : answers) {
      const auto code = static_cast<unsigned char>(answer.command);
      if (answer.command == ComPortCommand::notify_modemstate) modem_state_ = first_byte(answer.value);
      ++answers_[code];
      last_answer_[code] = answer.value;
    }
    if (!reply.empty() && send_raw(reply) != 0) {
      ended_ = true;
      return;
    }
    if (static_cast<std::size_t>(count) < sizeof buffer) return;
  }
}

int Rfc2217Device::request(ComPortCommand command, std::string_view value, std::string* answer) {
  const auto code = static_cast<unsigned char>(command);
  std::uint64_t before;
  {
    std::lock_guard lock(mutex_);
    if (ended_) return ECONNRESET;
    before = answers_[code];
  }
  if (int err = send_raw(com_port_request(command, value))) return err;
  return await(
      [&]() -> std::optional<int> {
        if (answers_[code] == before) return std::nullopt;
        if (answer) *answer = last_answer_[code];
        return 0;
      },
      ETIMEDOUT);
}

int Rfc2217Device::await(const std::function<std::optional<int>()>& settled, int silent) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(answer_ms_);
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      pump_locked();
      if (const auto result = settled()) return *result;
      if (ended_) return ECONNRESET;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return silent;
    socket_.wait_readable(static_cast<int>(std::min<long long>(left, kAnswerPollMs)));
  }
}

int Rfc2217Device::configure(long speed, bool xoff_receive) { return configure_line(speed, LineSettings{}, xoff_receive); }

int Rfc2217Device::configure_line(long speed, const LineSettings& settings, bool /*xoff_receive*/) {
  // The gateway's own UART queue takes the board's bursts: no receive handshake is asked of it.
  if (speed <= 0 || speed > 0xffffffffL) return EINVAL;
  std::string baud, size, parity, stop, flow;
  if (int err = request(ComPortCommand::set_baudrate, baud_value(static_cast<std::uint32_t>(speed)), &baud)) return err;
  const auto one = [](unsigned char value) { return std::string(1, static_cast<char>(value)); };
  if (int err = request(ComPortCommand::set_datasize, one(static_cast<unsigned char>(settings.data_bits)), &size))
    return err;
  if (int err = request(ComPortCommand::set_parity, one(parity_code(settings.parity)), &parity)) return err;
  if (int err = request(ComPortCommand::set_stopsize, one(settings.stop_bits == 2 ? kStopTwo : kStopOne), &stop))
    return err;
  if (int err = request(ComPortCommand::set_control, one(flow_code(settings.flow)), &flow)) return err;
  AppliedLine kept;
  kept.speed = static_cast<long>(baud_from_value(baud));
  kept.settings.data_bits = first_byte(size);
  kept.settings.parity = parity_from_code(first_byte(parity));
  kept.settings.stop_bits = first_byte(stop) == kStopTwo ? 2 : 1;
  kept.settings.flow = flow_from_code(first_byte(flow));
  {
    std::lock_guard lock(mutex_);
    applied_ = kept;
  }
  // A gateway that stays at another speed leaves the board talking past us.
  return kept.speed == speed ? 0 : EINVAL;
}

std::optional<AppliedLine> Rfc2217Device::applied_line() const {
  std::lock_guard lock(mutex_);
  return applied_;
}

int Rfc2217Device::control(unsigned char value) {
  return request(ComPortCommand::set_control, std::string(1, static_cast<char>(value)));
}

int Rfc2217Device::set_rts(bool raised) {
  if (int err = control(raised ? com_control::kRtsOn : com_control::kRtsOff)) return err;
  std::lock_guard lock(mutex_);
  rts_ = raised;
  return 0;
}

int Rfc2217Device::set_dtr(bool raised) {
  if (int err = control(raised ? com_control::kDtrOn : com_control::kDtrOff)) return err;
  std::lock_guard lock(mutex_);
  dtr_ = raised;
  return 0;
}

int Rfc2217Device::send_break(int duration_ms) {
  if (!is_break_duration(duration_ms)) return EINVAL;
  if (int err = control(com_control::kBreakOn)) return err;
  interrupted_.wait(duration_ms);
  return control(com_control::kBreakOff);
}

int Rfc2217Device::modem_lines(ModemLines& out) const {
  std::lock_guard lock(mutex_);
  if (ended_) return ECONNRESET;
  out.dtr = dtr_;
  out.rts = rts_;
  out.dcd = (modem_state_ & kModemCarrier) != 0;
  out.ri = (modem_state_ & kModemRing) != 0;
  out.dsr = (modem_state_ & kModemDsr) != 0;
  out.cts = (modem_state_ & kModemCts) != 0;
  return 0;
}

bool Rfc2217Device::carrier_detect() const {
  std::lock_guard lock(mutex_);
  return !ended_ && (modem_state_ & kModemCarrier) != 0;
}

int Rfc2217Device::write_all(const char* bytes, std::size_t length) {
  return send_raw(telnet_escape(std::string_view(bytes, length)));
}

WaitResult Rfc2217Device::wait_readable(int wait_ms, int wake_fd) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(wait_ms, 0));
  for (;;) {
    bool ended;
    {
      std::lock_guard lock(mutex_);
      pump_locked();
      if (data_position_ < data_.size()) return WaitResult::readable;
      ended = ended_;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (ended) {
      // Reported once the wait has passed, so a caller that loops on it does not spin.
      if (left > 0) interrupted_.wait(static_cast<int>(left));
      return WaitResult::hung_up;
    }
    if (left <= 0) return WaitResult::timed_out;
    // Telnet commands alone make the socket readable without data: wait again for the rest.
    if (!socket_.wait_readable(static_cast<int>(left), wake_fd)) {
      std::lock_guard lock(mutex_);
      pump_locked();
      return data_position_ < data_.size() ? WaitResult::readable
                                           : (ended_ ? WaitResult::hung_up : WaitResult::timed_out);
    }
  }
}

long Rfc2217Device::read_some(char* buffer, std::size_t capacity) {
  std::lock_guard lock(mutex_);
  pump_locked();
  const std::size_t take = std::min(capacity, data_.size() - data_position_);
  std::copy_n(data_.data() + data_position_, take, buffer);
  data_position_ += take;
  return static_cast<long>(take);
}

bool Rfc2217Device::hung_up() const {
  std::lock_guard lock(mutex_);
  // What came before the end is still the board's: it is read first.
  return ended_ && data_position_ == data_.size();
}

}  // namespace vexa
