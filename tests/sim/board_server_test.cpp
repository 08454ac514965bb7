// The board server on a pseudo-terminal and on TCP: its link, a client that hangs up or does
// not read, stopping at any moment, the noise it can mix in, and vexaboard serving a
// pseudo-terminal until it is terminated. (Its reply faults and the vanish are exercised by the
// fault table through the desktop's jobs; a TCP board's answers by vexacli's link commands.)
#include "sim/board_server.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <random>

#include "platform/serial_tty.h"
#include "platform/tcp_socket.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vexa::sim {
namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr int kHangGuardMs = 10000;

BoardConfiguration config_of(char type) {
  BoardKind kind;
  kind.type = type;
  return BoardConfiguration(kind);
}

std::int64_t ms_since(SteadyClock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start).count();
}

// Reads from the serial line until the text holds needle (a hang guard of kHangGuardMs ends it
// early).
std::string read_serial_until(SerialTty& tty, std::string_view needle) {
  std::string got;
  auto start = SteadyClock::now();
  char buffer[4096];
  while (got.find(needle) == std::string::npos && ms_since(start) < kHangGuardMs) {
    if (tty.wait_readable(100) != WaitResult::readable) continue;
    long n = tty.read_some(buffer, sizeof buffer);
    if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

std::string read_socket_until(TcpSocket& socket, std::string_view needle, bool* closed = nullptr) {
  std::string got;
  auto start = SteadyClock::now();
  char buffer[4096];
  while (got.find(needle) == std::string::npos && ms_since(start) < kHangGuardMs) {
    if (!socket.wait_readable(100)) continue;
    long n = socket.receive(buffer, sizeof buffer);
    if (n <= 0) {
      if (closed) *closed = true;
      break;
    }
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

struct PtyClient {
  SerialTty tty;
  explicit PtyClient(const std::string& path, long speed = 115200) {
    EXPECT_EQ(tty.open(path), 0) << path;
    EXPECT_EQ(tty.configure(speed, false), 0);
  }
  void send(std::string_view text) { ASSERT_EQ(tty.write_all(text.data(), text.size()), 0); }
};

// Runs stop() on another thread so that a hang fails the test instead of blocking it.
bool stops_promptly(BoardServer& server) {
  auto done = std::async(std::launch::async, [&] { server.stop(); });
  return done.wait_for(std::chrono::milliseconds(kHangGuardMs)) == std::future_status::ready;
}

TEST(BoardServerPty, AnswersConfOnTheLinkedSlaveAndRemovesTheLink) {
  test::TempDir dir;
  const std::string link = dir.file("board");
  ASSERT_EQ(::symlink("/nonexistent/old", link.c_str()), 0);  // a stale link is replaced
  BoardServer server(config_of('S'));
  ASSERT_EQ(server.start_pty(link), "");
  EXPECT_EQ(server.listening_text(), "pty " + link + " -> " + server.slave_path());
  {
    PtyClient client(link);
    client.send("conf\n");
    std::string reply = read_serial_until(client.tty, "\r\nOk\r\n");
    EXPECT_EQ(reply.rfind("VexaLog S v1404\r\n", 0), 0u) << reply;
    EXPECT_EQ(reply.size() - reply.find("\r\nOk\r\n"), 6u) << "nothing after the Ok";
    client.send("bd=9600\r");
    EXPECT_EQ(read_serial_until(client.tty, "\r\n"), "Error unknown key bd\r\n");
  }
  EXPECT_TRUE(stops_promptly(server));
  struct stat info {};
  EXPECT_NE(::lstat(link.c_str(), &info), 0) << "link left behind";
}

TEST(BoardServerPty, LeavesAFileThatIsNoLinkAlone) {
  test::TempDir dir;
  const std::string path = dir.write("board", "keep me");
  BoardServer server(config_of('E'));
  std::string problem = server.start_pty(path);
  EXPECT_NE(problem.find("not a symbolic link"), std::string::npos) << problem;
  EXPECT_FALSE(server.running());
  EXPECT_EQ(test::TempDir::read(path), "keep me");
}

TEST(BoardServerPty, HangUpDropsTheHalfLineAndTheNextClientIsServed) {
  test::TempDir dir;
  const std::string link = dir.file("board");
  BoardServer server(config_of('E'));
  ASSERT_EQ(server.start_pty(link), "");
  {
    PtyClient first(link);
    first.send("bd=96");
  }
  auto start = SteadyClock::now();
  while (server.hangups_seen() == 0 && ms_since(start) < kHangGuardMs) ::usleep(10000);
  ASSERT_EQ(server.hangups_seen(), 1u);
  PtyClient second(link);
  second.send("00\nbd=4800\n");
  EXPECT_EQ(read_serial_until(second.tty, "Ok\r\n"), "Error unknown command 00\r\nOk\r\n");
  server.with_board([](SimulatedBoard& board) {
    EXPECT_EQ(board.configuration().value("bd"), "4800");
  });
}

TEST(BoardServerPty, StopsWhileAClientIsConnectedAndNotReading) {
  test::TempDir dir;
  const std::string link = dir.file("board");
  BoardServer server(config_of('S'));
  ASSERT_EQ(server.start_pty(link), "");
  PtyClient client(link);
  // Far more reply than the line buffers hold: the server ends up waiting for room.
  std::string many;
  for (int i = 0; i < 60; ++i) many += "conf\n";
  client.send(many);
  read_serial_until(client.tty, "Ok\r\n");
  EXPECT_TRUE(stops_promptly(server));
  // The client sees the line hung up.
  auto start = SteadyClock::now();
  while (!client.tty.hung_up() && ms_since(start) < kHangGuardMs) {
    char buffer[4096];
    client.tty.read_some(buffer, sizeof buffer);
    client.tty.wait_readable(20);
  }
  EXPECT_TRUE(client.tty.hung_up());
}

TEST(BoardServerPty, StopsDuringALongReplyDelay) {
  test::TempDir dir;
  FaultOptions faults;
  faults.reply_delay_ms = kLongestReplyDelayMs;
  BoardServer server(config_of('E'), faults);
  ASSERT_EQ(server.start_pty(dir.file("board")), "");
  PtyClient client(dir.file("board"));
  client.send("conf\n");
  EXPECT_TRUE(stops_promptly(server));
}

TEST(BoardServerTcp, ForgetsAGoneClientsHalfLineAndStopsWithOneConnected) {
  BoardServer server(config_of('F'));
  ASSERT_EQ(server.start_tcp("127.0.0.1", 0), "");
  ASSERT_GT(server.port(), 0);
  EXPECT_EQ(server.listening_text(), "tcp 127.0.0.1:" + std::to_string(server.port()));
  auto address = resolve_ipv4("127.0.0.1");
  ASSERT_TRUE(address);
  {
    TcpSocket first;
    ASSERT_EQ(first.create(), 0);
    ASSERT_EQ(first.connect(*address, server.port()), 0);
    ASSERT_EQ(first.send("bd=4800 ", 8), 0);
  }
  TcpSocket second;
  ASSERT_EQ(second.create(), 0);
  ASSERT_EQ(second.connect(*address, server.port()), 0);
  ASSERT_EQ(second.send("sf=1\n", 5), 0);
  EXPECT_EQ(read_socket_until(second, "\r\n"), "Ok\r\n");
  EXPECT_EQ(server.clients_served(), 2u);
  server.with_board([](SimulatedBoard& board) {
    EXPECT_EQ(board.configuration().value("bd"), "9600");  // the factory value: the half line was forgotten
    EXPECT_EQ(board.configuration().value("sf"), "1");
  });

  EXPECT_TRUE(stops_promptly(server));
  bool closed = false;
  read_socket_until(second, "never", &closed);
  EXPECT_TRUE(closed);
}

TEST(BoardServerTcp, RefusesAnAddressInUseAndARestartWorks) {
  BoardServer first(config_of('E'));
  ASSERT_EQ(first.start_tcp("127.0.0.1", 0), "");
  BoardServer second(config_of('E'));
  std::string problem = second.start_tcp("127.0.0.1", first.port());
  EXPECT_NE(problem.find("cannot listen"), std::string::npos) << problem;
  EXPECT_FALSE(second.running());
  EXPECT_NE(first.start_tcp("127.0.0.1", 0), "");  // already running
  first.stop();
  EXPECT_FALSE(first.running());
  ASSERT_EQ(first.start_tcp("127.0.0.1", 0), "");
  EXPECT_TRUE(first.running());
}

TEST(NoiseLine, NeverLooksLikeAnAssignmentOrALineEnd) {
  std::mt19937 random(1);
  for (int i = 0; i < 2000; ++i) {
    std::string line = noise_line(random);
    ASSERT_GE(line.size(), 3u);
    ASSERT_EQ(line.substr(line.size() - 2), "\r\n");
    std::string body = line.substr(0, line.size() - 2);
    EXPECT_EQ(body.find_first_of(std::string_view("=;\r\n\0", 5)), std::string::npos);
  }
}

TEST(VexaboardProgram, ServesAPtyUnderItsNameAndConfUntilTerminated) {
  test::TempDir dir;
  const std::string link = dir.file("board");
  const std::string conf = dir.write("c.txt", "bd=4800\na3=a*7+1,0\n");
  test::BackgroundProgram board(test::built_program("sim/vexaboard"),
                                {"--type", "E", "--name", "Bench1", "--pty", link, "--conf", conf});
  ASSERT_TRUE(test::wait_for_path(link));
  {
    PtyClient client(link, 4800);
    client.send("conf\n");
    const std::string got = read_serial_until(client.tty, "\r\nOk\r\n");
    EXPECT_EQ(got.rfind("Bench1 E v1404\r\n", 0), 0u) << got;
    EXPECT_NE(got.find(" bd=4800 "), std::string::npos) << got;
    EXPECT_NE(got.find("a3=a*7+1,0"), std::string::npos) << got;
  }
  EXPECT_EQ(board.stop(), 0);
  EXPECT_NE(board.output().find("Bench1 E v1404 listening on pty " + link), std::string::npos) << board.output();
  EXPECT_FALSE(test::TempDir::exists(link));
}

}  // namespace
}  // namespace vexa::sim
