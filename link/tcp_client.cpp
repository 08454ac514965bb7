#include "link/tcp_client.h"

#include <cctype>
#include <cerrno>

#include "base/text_format.h"
#include "base/cp1252.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"
#include "platform/tcp_socket.h"

namespace vexa {

TcpAddress parse_tcp_address(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  std::string copy = limited(text.substr(start), kTcpAddressChars);
  TcpAddress result;
  std::size_t end = 0;
  while (end < copy.size() && (std::isdigit(static_cast<unsigned char>(copy[end])) || copy[end] == '.')) ++end;
  result.address = copy.substr(0, end);
  if (end < copy.size()) result.port = leading_integer(std::string_view(copy).substr(end + 1));
  return result;
}

int socket_error_code(int err) {
  switch (err) {
    case ECONNRESET: return kWsaConnReset;
    case ETIMEDOUT: return kWsaTimedOut;
    case ECONNREFUSED: return kWsaConnRefused;
    default: return err;
  }
}

std::string socket_error_text(int err) {
  switch (err) {
    case ECONNRESET: return "connection reset by foreign host";
    case ETIMEDOUT: return "time out";
    case ECONNREFUSED: return "connection refused";
    default: return system_error_text(err);
  }
}

TcpClient::TcpClient(ReportSink& reports, const Messages& messages)
    : reports_(reports), messages_(messages) {}

TcpClient::~TcpClient() {
  std::shared_ptr<TcpSocket> sock;
  {
    std::lock_guard lock(mutex_);
    sock = std::move(socket_);
  }
  if (sock) sock->interrupt();
}

void TcpClient::abort_connect() {
  std::shared_ptr<TcpSocket> sock;
  {
    std::lock_guard lock(mutex_);
    sock = connecting_;
  }
  if (sock) sock->interrupt();
}

bool TcpClient::tcp_toggle(bool clicked) {
  if (!clicked) return false;
  if (call_state() != CallState::offline) {
    tcp_close();
    return false;
  }
  return true;
}

void TcpClient::set_status_sink(std::function<void(const std::string&)> status) { status_ = std::move(status); }

void TcpClient::set_state_listener(std::function<void(bool)> listener) { listener_ = std::move(listener); }

std::shared_ptr<TcpSocket> TcpClient::current() const {
  std::lock_guard lock(mutex_);
  return socket_;
}

void TcpClient::status(const std::string& text) {
  if (status_)
    status_(text);
  else
    reports_.print_line(text);
}

void TcpClient::notify(bool connected) {
  if (listener_) listener_(connected);
}

void TcpClient::report_socket_error(std::string_view what, int err) {
  std::string text(what);
  reports_.print_line(format_text("Error: %s %d %s", text.c_str(), socket_error_code(err),
                                  socket_error_text(err).c_str()));
}

bool TcpClient::tcp_connect(std::string_view address_text) {
  TcpAddress target = parse_tcp_address(address_text);
  if (target.port <= 0 || target.port > kTcpHighestPort) {
    reports_.print_line(messages_.message("MerSform"));
    return false;
  }
  tcp_close();
  auto address = resolve_ipv4(target.address);
  if (!address) {
    reports_.print_line(format_text("Error: Address %s", target.address.c_str()));
    return false;
  }
  auto sock = std::make_shared<TcpSocket>();
  if (int err = sock->create()) {
    report_socket_error("Create Socket", err);
    return false;
  }
  status(format_text("%s %s %ld", messages_.message("Mphcall").c_str(), target.address.c_str(), target.port));
  call_state_.store(CallState::calling);
  {
    std::lock_guard lock(mutex_);
    connecting_ = sock;
  }
  const int connect_error = sock->connect(*address, static_cast<int>(target.port));
  {
    std::lock_guard lock(mutex_);
    connecting_.reset();
  }
  if (int err = connect_error) {
    report_socket_error("Connect", err);
    status(messages_.message("Mphoffline"));
    call_state_.store(CallState::offline);
    return false;
  }
  status(format_text("%s %s %ld", messages_.message("Mphonline").c_str(), target.address.c_str(), target.port));
  {
    std::lock_guard lock(mutex_);
    socket_ = std::move(sock);
    connected_.store(true);
  }
  {
    std::lock_guard lock(read_mutex_);
    batch_valid_ = false;
  }
  call_state_.store(CallState::online);
  notify(true);
  return true;
}

bool TcpClient::tcp_close() {
  std::shared_ptr<TcpSocket> sock;
  {
    std::lock_guard lock(mutex_);
    if (!connected_.load()) return false;
    sock = std::move(socket_);
    connected_.store(false);
  }
  if (sock) {
    // What was sent last reaches the peer before the close can reset the connection.
    (void)sock->wait_sent(kCloseSendWaitMs);
    // Readers and senders still holding the socket wake up; the last one closes it.
    sock->interrupt();
  }
  status(messages_.message("Mphoffline"));
  call_state_.store(CallState::offline);
  notify(false);
  return true;
}

bool TcpClient::tcp_send(const char* bytes, std::size_t length) {
  auto sock = current();
  if (!sock) return false;
  if (int err = sock->send(bytes, length)) {
    report_socket_error("Send data", err);
    tcp_close();
    return false;
  }
  return true;
}

bool TcpClient::wait_readable(int wait_ms, int wake_fd) {
  auto sock = current();
  if (!sock) return false;
  {
    std::lock_guard lock(read_mutex_);
    if (batch_valid_ && read_position_ < batch_.size()) return true;
  }
  return sock->wait_readable(wait_ms, wake_fd);
}

int TcpClient::tcp_read_byte(int wait_ms) {
  auto sock = current();
  std::unique_lock lock(read_mutex_);
  if (!sock) {
    batch_valid_ = false;
    return -1;
  }
  if (batch_valid_ && read_position_ < batch_.size())
    return static_cast<unsigned char>(batch_[read_position_++]);
  batch_valid_ = false;
  if (!sock->wait_readable(wait_ms)) return -1;
  std::string buffer(kTcpBatchBytes, '\0');
  long count = sock->receive(buffer.data(), buffer.size());
  if (count < 0) {
    int err = errno;
    lock.unlock();
    report_socket_error("Receive data", err);
    tcp_close();
    return -1;
  }
  if (count == 0) {
    lock.unlock();
    // A connection already closed here was shut down by us, not by the peer.
    if (connected_.load() && current() == sock) {
      reports_.print_line("Connection closed by foreign host");
      tcp_close();
    }
    return -1;
  }
  // The batch ends at its first NUL; what followed it is dropped.
  buffer.resize(static_cast<std::size_t>(count));
  batch_.assign(buffer.c_str());
  if (verbose_.load()) reports_.print_line(format_text("received %ld <%s>", count, cp1252_to_utf8(batch_).c_str()));
  if (batch_.empty()) return -1;
  batch_valid_ = true;
  read_position_ = 1;
  return static_cast<unsigned char>(batch_[0]);
}

}  // namespace vexa
