#pragma once
// Serves a simulated board on a pseudo-terminal (a symbolic link names its slave, so a host
// opens it like a serial port) or on a TCP listening port, on a thread of its own.
//
// start_*() and stop() belong to one owner thread; with_board() and the counters may be used
// from any thread while the server runs. stop() (and the destructor) end the thread promptly
// even while a client is connected or a reply is being written, delayed or paced.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "sim/samba_session.h"
#include "sim/simulated_board.h"
#include "sim/vanish_options.h"

namespace vexa {
class PseudoTerminal;
}

namespace vexa::sim {

struct FaultOptions {
  int reply_delay_ms = 0;   // waits this long before each reply
  int drop_every = 0;       // every N-th reply is not sent at all (0: none); its commands still run
  bool noise = false;       // junk lines between reply lines, never inside one
  bool pace = false;        // no faster than the board's link speed at 10 bits per byte, both ways
  std::uint32_t noise_seed = 0;  // 0: seeded at random
  // On a pty: while the speed its opener set differs from the board's, what arrives is lost,
  // as at a UART set to another speed (so a speed switch that never reached the line shows).
  bool line_speed = false;
};

inline constexpr int kLongestReplyDelayMs = 600000;

// One noise line: 1 to 12 bytes out of 0x21..0xFE without '=', ';' and DEL, ended by CR LF,
// so that it can never be taken for an assignment or an "Ok".
std::string noise_line(std::mt19937& random);

class BoardServer {
 public:
  explicit BoardServer(BoardConfiguration configuration, FaultOptions faults = {},
                       const Clock& clock = SystemClock::instance());
  ~BoardServer();
  BoardServer(const BoardServer&) = delete;
  BoardServer& operator=(const BoardServer&) = delete;

  // Opens a pseudo-terminal and points a symbolic link at link_path to its slave (an existing
  // symbolic link there is replaced; any other file is left alone and is an error). Returns
  // an empty text on success, else the reason.
  [[nodiscard]] std::string start_pty(const std::string& link_path);
  // Listens on host:port (IPv4; port 0 picks a free one) and serves one client at a time.
  [[nodiscard]] std::string start_tcp(const std::string& host, int port);
  // Ends the thread, hangs up a client and removes the link. Safe to call more than once.
  void stop();

  bool running() const { return thread_.joinable(); }
  // "pty /tmp/board -> /dev/pts/4" or "tcp 127.0.0.1:5000".
  const std::string& listening_text() const { return listening_; }
  const std::string& slave_path() const { return slave_path_; }
  int port() const { return port_; }

  // Faults from the next received bytes on (the old ones finish the reply being sent).
  void set_faults(const FaultOptions& faults);
  // Runs fn with the board under the server's lock.
  void with_board(const std::function<void(SimulatedBoard&)>& fn);
  // How the board reaches its chip's SAM-BA boot monitor (set before start_*).
  void set_samba_options(SambaOptions options);
  // Runs fn with the SAM-BA side under the server's lock.
  void with_samba(const std::function<void(SambaSession&)>& fn);

  // Like a USB adapter pulled out and plugged in again (board_server_vanish.cpp): hangs up the
  // pty and removes its link now, then after back_after_ms serves the same board on a new pty
  // under the same link, as after a power cycle (no loader, monitor or listing running).
  void vanish_for(int back_after_ms);
  std::size_t comebacks() const { return comebacks_.load(); }
  // The vanish fault of the options (set before start_*); its return also brings the board
  // back after the loader's and the card's own vanish faults.
  void set_vanish(const VanishOptions& options) { vanish_ = options; }

  std::size_t replies_sent() const { return replies_sent_.load(); }
  std::size_t replies_dropped() const { return replies_dropped_.load(); }
  // Clients accepted (TCP); clients that went away (TCP, or on the pty after sending bytes).
  std::size_t clients_served() const { return clients_served_.load(); }
  std::size_t hangups_seen() const { return hangups_seen_.load(); }

 private:
  std::string start_thread(void (BoardServer::*run)());
  void run_pty();
  void run_tcp();
  // Feeds received bytes to the board and writes the replies to fd; false when the peer
  // is gone or a stop was requested.
  bool answer(int fd, std::string_view received, bool is_socket);
  bool answer_board(int fd, std::string_view received, bool is_socket);
  // The line while the chip's boot monitor has it, or until it does (board_server_samba.cpp).
  bool answer_samba(int fd, std::string_view received, bool is_socket);
  bool write_samba_reply(int fd, std::size_t received_bytes, std::string_view reply, bool is_socket);
  // Sleeps until due unless a stop comes first; false then.
  bool pace_until(std::chrono::steady_clock::time_point due);
  bool write_bytes(int fd, std::string_view bytes, bool is_socket, long link_speed);
  bool write_some(int fd, std::string_view& bytes, bool is_socket);
  // Sends the next piece of a running file listing; true while more is to come.
  bool pump_listing(int fd, bool is_socket);
  // Waits ms (or for ever with -1) unless a stop is requested first; true when it is.
  bool stop_requested_within(int ms);
  // Waits until due (short waits to the microsecond); true when a stop came first.
  bool stop_requested_before(std::chrono::steady_clock::time_point due);
  void remove_link();
  // On the server thread, when the wake-up was a vanish request: vanishes, comes back and
  // returns the new master (-1 when a stop came first or the pty could not be made again).
  int vanish_and_come_back();
  // After the pty was closed: the board power-cycled, the pty and its link made again after
  // back_after_ms. The new master, or -1 (staying away, a stop came, or no pty).
  int come_back(int back_after_ms);
  void adopt_next_faults();
  // A vanish fault of the board fired: hangs up the pty and removes its link.
  bool board_vanished();

  std::mutex board_mutex_;
  SimulatedBoard board_;
  std::unique_ptr<SambaSession> samba_ = std::make_unique<SambaSession>();  // board_mutex_
  std::chrono::steady_clock::time_point samba_rx_free_{};  // server thread only: when the
  std::chrono::steady_clock::time_point samba_tx_free_{};  // paced lines are free again
  FaultOptions faults_;  // server thread only
  std::optional<FaultOptions> next_faults_;  // board_mutex_
  std::mt19937 random_;

  std::thread thread_;
  std::atomic<bool> stop_{false};
  int wake_fd_ = -1;
  std::unique_ptr<PseudoTerminal> pty_;
  int listen_fd_ = -1;
  std::string link_path_;
  std::string return_path_;  // the link's path, also while it is away
  std::string slave_path_;
  std::string listening_;
  int port_ = 0;

  std::size_t replies_counted_ = 0;  // server thread only
  std::chrono::steady_clock::time_point received_due_{};  // paced: when the bytes read so far had arrived
  std::chrono::steady_clock::time_point sent_due_{};      // paced: when the last reply had arrived
  std::atomic<std::size_t> replies_sent_{0};
  std::atomic<std::size_t> replies_dropped_{0};
  std::atomic<std::size_t> clients_served_{0};
  std::atomic<std::size_t> hangups_seen_{0};
  long mismatch_reported_ = 0;  // the line speed last reported as not the board's (0: none)
  std::atomic<int> vanish_back_ms_{-1};  // a pending vanish request's absence, else -1
  std::atomic<std::size_t> comebacks_{0};
  VanishOptions vanish_;          // server thread once started
  std::size_t vanish_replies_ = 0;  // server thread only
  bool vanish_due_ = false;         // server thread only
};

}  // namespace vexa::sim
