#include "sim/board_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "base/text_format.h"
#include "platform/line_settings.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"
#include "platform/tcp_listener.h"
#include "platform/tcp_socket.h"

namespace vexa::sim {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kHungUpRetryMs = 50;  // how often a pty without a client is looked at again
constexpr std::size_t kReadChunk = 4096;

void close_fd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool is_symbolic_link(const std::string& path, std::string* target = nullptr) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return false;
  if (target) {
    std::string buffer(4096, '\0');
    ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    target->assign(buffer.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
  }
  return true;
}

}  // namespace

std::string noise_line(std::mt19937& random) {
  std::uniform_int_distribution<int> length(1, 12);
  std::uniform_int_distribution<int> byte(0x21, 0xFE);
  std::string line;
  for (int n = length(random); n > 0;) {
    int c = byte(random);
    if (c == '=' || c == ';' || c == 0x7F) continue;
    line += static_cast<char>(c);
    --n;
  }
  line += kReplyLineEnd;
  return line;
}

BoardServer::BoardServer(BoardConfiguration configuration, FaultOptions faults,
                         const Clock& clock)
    : board_(std::move(configuration), clock),
      faults_(faults),
      random_(faults.noise_seed != 0 ? faults.noise_seed : std::random_device{}()) {}

BoardServer::~BoardServer() { stop(); }

void BoardServer::with_board(const std::function<void(SimulatedBoard&)>& fn) {
  std::lock_guard<std::mutex> lock(board_mutex_);
  fn(board_);
}

std::string BoardServer::start_pty(const std::string& link_path) {
  if (running()) return "the simulated board is already being served";
  if (link_path.empty()) return "no path given for the pseudo-terminal link";
  pty_ = std::make_unique<PseudoTerminal>();
  if (!pty_->is_open()) {
    int code = errno;
    pty_.reset();
    return "cannot open a pseudo-terminal: " + system_error_text(code);
  }
  slave_path_ = pty_->slave_path();
  // One open and close of the slave: from then on the master sees a hang-up whenever no
  // client holds the line, so a client that goes away is noticed.
  if (int slave = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC); slave >= 0)
    ::close(slave);

  struct stat info {};
  if (::lstat(link_path.c_str(), &info) == 0) {
    if (!S_ISLNK(info.st_mode)) {
      pty_.reset();
      return link_path + " exists and is not a symbolic link; it is left alone";
    }
    if (::unlink(link_path.c_str()) != 0) {
      int code = errno;
      pty_.reset();
      return "cannot replace " + link_path + ": " + system_error_text(code);
    }
  }
  if (::symlink(slave_path_.c_str(), link_path.c_str()) != 0) {
    int code = errno;
    pty_.reset();
    return "cannot create the link " + link_path + ": " + system_error_text(code);
  }
  link_path_ = return_path_ = link_path;
  listening_ = "pty " + link_path_ + " -> " + slave_path_;
  std::string problem = start_thread(&BoardServer::run_pty);
  if (!problem.empty()) {
    remove_link();
    pty_.reset();
  }
  return problem;
}

std::string BoardServer::start_tcp(const std::string& host, int port) {
  if (running()) return "the simulated board is already being served";
  if (port < 0 || port > 65535) return format_text("port %d is out of range 0..65535", port);
  auto address = resolve_ipv4(host);
  if (!address) return "cannot resolve the host name " + host;
  const TcpListening listening = listen_tcp(*address, port);
  if (!listening.created) return "cannot create a socket: " + system_error_text(listening.error);
  if (listening.fd < 0)
    return format_text("cannot listen on %s:%d: %s", host.c_str(), port, system_error_text(listening.error).c_str());
  listen_fd_ = listening.fd;
  port_ = listening.port;
  listening_ = format_text("tcp %s:%d", listening.address.c_str(), port_);
  std::string problem = start_thread(&BoardServer::run_tcp);
  if (!problem.empty()) close_fd(listen_fd_);
  return problem;
}

std::string BoardServer::start_thread(void (BoardServer::*run)()) {
  wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_fd_ < 0) return "cannot create an event descriptor: " + system_error_text(errno);
  stop_.store(false);
  thread_ = std::thread(run, this);
  return {};
}

void BoardServer::stop() {
  if (thread_.joinable()) {
    stop_.store(true);
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_fd_, &one, sizeof one);
    thread_.join();
  }
  close_fd(wake_fd_);
  close_fd(listen_fd_);
  remove_link();
  pty_.reset();  // closing the master hangs up the client
}

void BoardServer::remove_link() {
  std::string target;
  if (!link_path_.empty() && is_symbolic_link(link_path_, &target) && target == slave_path_)
    ::unlink(link_path_.c_str());
  link_path_.clear();
}

bool BoardServer::stop_requested_within(int ms) {
  if (stop_.load()) return true;
  pollfd wake{wake_fd_, POLLIN, 0};
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
  for (;;) {
    int left = -1;
    if (ms >= 0) {
      auto rest = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
      left = static_cast<int>(std::max<std::int64_t>(0, rest.count()));
    }
    int rc = ::poll(&wake, 1, left);
    if (rc > 0 || stop_.load()) return true;
    if (rc == 0 && SteadyClock::now() >= deadline) return false;
    if (rc == 0) continue;
    if (errno != EINTR) return stop_.load();
  }
}

bool BoardServer::stop_requested_before(SteadyClock::time_point due) {
  // ppoll keeps to the microsecond, so a paced byte is neither early nor a millisecond late.
  pollfd wake{wake_fd_, POLLIN, 0};
  for (;;) {
    if (stop_.load()) return true;
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(due - SteadyClock::now());
    if (left.count() <= 0) return false;
    timespec wait{static_cast<time_t>(left.count() / 1'000'000'000), static_cast<long>(left.count() % 1'000'000'000)};
    int rc = ::ppoll(&wake, 1, &wait, nullptr);
    if (rc > 0) return true;
    if (rc < 0 && errno != EINTR) return stop_.load();
  }
}

void BoardServer::run_pty() {
  int master = pty_->master_fd();
  char buffer[kReadChunk];
  bool client_seen = false;  // bytes came since the last hang-up
  while (!stop_.load()) {
    const bool sending = pump_listing(master, false);
    pollfd fds[2] = {{master, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    int rc = ::poll(fds, 2, sending ? 0 : -1);
    if (rc < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents != 0) {
      if (stop_.load() || (master = vanish_and_come_back()) < 0) break;
      client_seen = false;
      continue;
    }
    bool hung_up = false;
    if (fds[0].revents & POLLIN) {
      ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n > 0) {
        client_seen = true;
        answer(master, std::string_view(buffer, static_cast<std::size_t>(n)), false);
        if (board_vanished() && (master = come_back(vanish_.back_after_ms)) < 0) break;
        continue;
      }
      hung_up = n == 0 || (errno != EAGAIN && errno != EINTR);
    } else if (fds[0].revents & (POLLHUP | POLLERR)) {
      hung_up = true;
    }
    if (hung_up) {
      // No client holds the line: forget its half line and look again a little later.
      {
        std::lock_guard<std::mutex> lock(board_mutex_);
        board_.discard_partial_line();
        board_.uploads().abort();
      }
      if (client_seen) hangups_seen_.fetch_add(1);
      client_seen = false;
      // A wake-up that is no stop is a vanish request: it may come while no client holds the line.
      if (stop_requested_within(kHungUpRetryMs) && (stop_.load() || (master = vanish_and_come_back()) < 0)) break;
    }
  }
}

bool BoardServer::board_vanished() {
  {
    std::lock_guard<std::mutex> lock(board_mutex_);
    if (!board_.download_side().vanished() && !vanish_due_) return false;
  }
  // Like a USB adapter pulled out: the device name goes and the line hangs up.
  remove_link();
  pty_->close();
  return true;
}

void BoardServer::run_tcp() {
  int client = -1;
  char buffer[kReadChunk];
  while (!stop_.load()) {
    const bool sending = client >= 0 && pump_listing(client, true);
    const int watched = client >= 0 ? client : listen_fd_;
    pollfd fds[2] = {{watched, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    int rc = ::poll(fds, 2, sending ? 0 : -1);
    if (rc < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents != 0) break;
    if (fds[0].revents == 0) continue;
    if (client < 0) {
      client = accept_tcp_client(listen_fd_);
      if (client >= 0) clients_served_.fetch_add(1);
      continue;
    }
    ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    bool gone = n <= 0;
    if (!gone) gone = !answer(client, std::string_view(buffer, static_cast<std::size_t>(n)), true);
    if (gone) {
      close_fd(client);
      hangups_seen_.fetch_add(1);
      std::lock_guard<std::mutex> lock(board_mutex_);
      board_.discard_partial_line();
      board_.uploads().abort();
    }
  }
  if (client >= 0) {
    ::shutdown(client, SHUT_RDWR);
    close_fd(client);
  }
}

bool BoardServer::answer(int fd, std::string_view received, bool is_socket) {
  adopt_next_faults();
  if (faults_.line_speed && !is_socket) {
    // The master reads back the termios of its slave: the speed the host (or a gateway) set.
    const auto line = read_line_settings(fd);
    long board_speed;
    {
      std::lock_guard<std::mutex> lock(board_mutex_);
      board_speed = board_.link_speed();
    }
    if (line && line->speed != board_speed) {
      if (mismatch_reported_ != line->speed)
        std::fprintf(stderr, "vexaboard: the line is at %ld baud, the board at %ld: what comes is lost\n",
                     line->speed, board_speed);
      mismatch_reported_ = line->speed;
      return true;
    }
    mismatch_reported_ = 0;
  }
  return answer_samba(fd, received, is_socket);
}

bool BoardServer::answer_board(int fd, std::string_view received, bool is_socket) {
  std::vector<BoardReply> replies;
  long link_speed = 0;
  {
    std::lock_guard<std::mutex> lock(board_mutex_);
    if (faults_.pace && board_.link_speed() > 0) {
      // The bytes could not have arrived faster than the line carries them.
      const auto wire = std::chrono::microseconds(static_cast<std::int64_t>(
          received.size() * 10 * 1'000'000.0 / static_cast<double>(board_.link_speed())));
      received_due_ = std::max({received_due_, sent_due_, SteadyClock::now()}) + wire;
    }
    replies = board_.feed(received);
    link_speed = board_.link_speed();
  }
  if (faults_.pace && !replies.empty() && stop_requested_before(received_due_)) return false;
  for (const BoardReply& reply : replies) {
    ++replies_counted_;
    if (faults_.drop_every > 0 && replies_counted_ % static_cast<std::size_t>(faults_.drop_every) == 0) {
      replies_dropped_.fetch_add(1);
      continue;
    }
    if (faults_.reply_delay_ms > 0 && stop_requested_within(faults_.reply_delay_ms)) return false;
    std::string bytes = reply.raw;
    for (const std::string& line : reply.lines) {
      bytes += line;
      bytes += kReplyLineEnd;
      if (faults_.noise && random_() % 4 == 0) bytes += noise_line(random_);
    }
    if (!write_bytes(fd, bytes, is_socket, link_speed)) return false;
    replies_sent_.fetch_add(1);
    if (vanish_.after_replies > 0 && ++vanish_replies_ == static_cast<std::size_t>(vanish_.after_replies)) {
      vanish_due_ = true;
      return false;
    }
  }
  return true;
}

bool BoardServer::write_bytes(int fd, std::string_view bytes, bool is_socket, long link_speed) {
  if (!faults_.pace || link_speed <= 0) {
    while (!bytes.empty())
      if (!write_some(fd, bytes, is_socket)) return false;
    return true;
  }
  // Ten bits a byte, on one schedule from the moment the line was free: each slice of about
  // 10 ms is written when its last byte would have arrived over a real line, and the next reply
  // or listing piece continues the schedule. So from the outside no span of the stream ever
  // runs faster than the wire.
  const double bytes_per_ms = static_cast<double>(link_speed) / 10.0 / 1000.0;
  const std::size_t slice = std::max<std::size_t>(1, static_cast<std::size_t>(bytes_per_ms * 10));
  const auto start = std::max(SteadyClock::now(), sent_due_);
  const auto arrived = [&](std::size_t count) {
    return start + std::chrono::nanoseconds(static_cast<std::int64_t>(
                       static_cast<double>(count) * 1e10 / static_cast<double>(link_speed)));
  };
  std::size_t sent = 0;
  while (!bytes.empty()) {
    std::string_view piece = bytes.substr(0, slice);
    bytes.remove_prefix(piece.size());
    sent += piece.size();
    if (stop_requested_before(arrived(sent))) return false;
    while (!piece.empty())
      if (!write_some(fd, piece, is_socket)) return false;
  }
  // The host cannot answer before this arrived: what it sends next is paced from here.
  sent_due_ = arrived(sent);
  return true;
}

bool BoardServer::write_some(int fd, std::string_view& bytes, bool is_socket) {
  if (stop_.load()) return false;
  ssize_t n = is_socket ? ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL)
                        : ::write(fd, bytes.data(), bytes.size());
  if (n > 0) {
    bytes.remove_prefix(static_cast<std::size_t>(n));
    return true;
  }
  if (n < 0 && errno == EINTR) return true;
  if (n < 0 && errno != EAGAIN) return false;  // the client went away
  // No room: wait until there is, or until the client goes or a stop comes.
  pollfd fds[2] = {{fd, POLLOUT, 0}, {wake_fd_, POLLIN, 0}};
  int rc = ::poll(fds, 2, -1);
  if (rc < 0) return errno == EINTR;
  if (fds[1].revents != 0) return false;
  return (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) == 0 || (fds[0].revents & POLLOUT);
}

}  // namespace vexa::sim
