// The board server on a pseudo-terminal and on TCP, and the vexaboard program around it. The
// server's reply faults, noise and vanish are the fault table's, through the desktop's jobs.
#include "sim/board_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "platform/serial_tty.h"
#include "platform/tcp_socket.h"
#include "sim/board_options.h"
#include "support/child_process.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

namespace vexa::sim {
namespace {

constexpr int kHangGuardMs = 10000;

std::string program() { return test::built_program("sim/vexaboard"); }

// Reads (read: what came within 100 ms) until the text holds needle or the hang guard ends it.
template <class Read>
std::string read_until(Read read, std::string_view needle) {
  std::string got;
  test::eventually([&] {
    char buffer[4096];
    const long n = read(buffer, sizeof buffer);
    if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    return got.find(needle) != std::string::npos;
  }, kHangGuardMs);
  return got;
}
std::string read_serial_until(SerialTty& tty, std::string_view needle) {
  return read_until([&](char* to, std::size_t size) {
    return tty.wait_readable(100) == WaitResult::readable ? tty.read_some(to, size) : 0L;
  }, needle);
}
std::string read_socket_until(TcpSocket& socket, std::string_view needle) {
  return read_until([&](char* to, std::size_t size) {
    return socket.wait_readable(100) ? socket.receive(to, size) : 0L;
  }, needle);
}

void connect_to(TcpSocket& socket, int port) {
  ASSERT_EQ(socket.create(), 0);
  ASSERT_EQ(socket.connect(*resolve_ipv4("127.0.0.1"), port), 0);
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

// A stale link is replaced; a client's half line goes with its hang-up, the next client is
// served, and stop removes the link.
TEST(BoardServerPty, ServesOneClientAfterTheOtherOnTheLinkedSlave) {
  test::TempDir dir;
  const std::string link = dir.file("board");
  std::filesystem::create_symlink("/nonexistent/old", link);
  BoardServer server(BoardConfiguration(BoardKind{'E'}));
  ASSERT_EQ(server.start_pty(link), "");
  EXPECT_EQ(server.listening_text(), "pty " + link + " -> " + server.slave_path());
  {
    PtyClient first(link);
    first.send("bd=96");
  }
  ASSERT_TRUE(test::eventually([&] { return server.hangups_seen() == 1; }, kHangGuardMs));
  {
    PtyClient second(link);
    second.send("00\nbd=4800\n");
    EXPECT_EQ(read_serial_until(second.tty, "Ok\r\n"), "Error unknown command 00\r\nOk\r\n");
  }
  EXPECT_TRUE(stops_promptly(server));
  EXPECT_FALSE(std::filesystem::is_symlink(link)) << "link left behind";
  // A file that is no link is left alone.
  const std::string path = dir.write("file", "keep me");
  EXPECT_NE(server.start_pty(path).find("not a symbolic link"), std::string::npos);
  EXPECT_FALSE(server.running());
  EXPECT_EQ(test::TempDir::read(path), "keep me");
}

TEST(BoardServerPty, StopsWithAClientThatDoesNotReadAndDuringALongReplyDelay) {
  // Far more reply than the line buffers hold: the server ends up waiting for room.
  std::string many;
  for (int i = 0; i < 60; ++i) many += "conf\n";
  for (const int delay_ms : {0, kLongestReplyDelayMs}) {
    SCOPED_TRACE(delay_ms);
    test::TempDir dir;
    const FaultOptions faults{.reply_delay_ms = delay_ms};
    BoardServer server(BoardConfiguration(BoardKind{'S'}), faults);
    ASSERT_EQ(server.start_pty(dir.file("board")), "");
    PtyClient client(dir.file("board"));
    client.send(many);
    if (delay_ms == 0) read_serial_until(client.tty, "Ok\r\n");
    EXPECT_TRUE(stops_promptly(server));
    // The client sees the line hung up.
    EXPECT_TRUE(test::eventually([&] {
      char buffer[4096];
      client.tty.read_some(buffer, sizeof buffer);
      return client.tty.hung_up();
    }, kHangGuardMs));
  }
}

TEST(BoardServerTcp, ServesOneClientAfterTheOtherRefusesAnAddressInUseAndServesVexacliAfterARestart) {
  BoardServer server(BoardConfiguration(BoardKind{'F'}));
  ASSERT_EQ(server.start_tcp("127.0.0.1", 0), "");
  EXPECT_EQ(server.listening_text(), "tcp 127.0.0.1:" + std::to_string(server.port()));
  BoardServer other(BoardConfiguration(BoardKind{'E'}));
  const std::string problem = other.start_tcp("127.0.0.1", server.port());
  EXPECT_NE(problem.find("cannot listen"), std::string::npos) << problem;
  EXPECT_FALSE(other.running());
  EXPECT_NE(server.start_tcp("127.0.0.1", 0), "");  // already running
  {
    TcpSocket first;
    connect_to(first, server.port());
    ASSERT_EQ(first.send("bd=96", 5), 0);  // a half line, forgotten when the client goes
  }
  TcpSocket second;
  connect_to(second, server.port());
  ASSERT_EQ(second.send("00\n", 3), 0);
  EXPECT_EQ(read_socket_until(second, "\r\n"), "Error unknown command 00\r\n");
  EXPECT_EQ(server.clients_served(), 2u);
  EXPECT_TRUE(stops_promptly(server));
  char byte = 0;
  ASSERT_TRUE(second.wait_readable(kHangGuardMs));
  EXPECT_LE(second.receive(&byte, 1), 0) << "not closed";
  ASSERT_EQ(server.start_tcp("127.0.0.1", 0), "");  // a restart works, so the stop left it not running
  // vexacli's --tcp reaches the restarted board: its line is stored.
  const std::string port = std::to_string(server.port());
  const test::TempDir dir;
  const test::RunResult cli = test::run_program(
      test::built_program("cli/vexacli"), {"--settings", dir.path(), "--tcp", "127.0.0.1 " + port, "send", "ad=5", "--wait-ok"});
  EXPECT_EQ(cli.exit_code, 0) << cli.out << cli.err;
  EXPECT_NE(cli.out.find("Online 127.0.0.1 " + port), std::string::npos) << cli.out;
  std::optional<std::string> value;
  server.with_board([&](SimulatedBoard& b) { value = b.configuration().value("ad"); });
  EXPECT_EQ(value, "5");
}

TEST(VexaboardProgram, PrintsHelpVersionAndErrorsWithTheirExitStatusAndServesAPtyUntilTerminated) {
  const test::RunResult help = test::run_program(program(), {"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_EQ(help.out, board_usage_text());

  const test::RunResult version = test::run_program(program(), {"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out, "vexaboard 1404\n");

  const test::RunResult bad = test::run_program(program(), {"--type", "E", "--pty", "/tmp/b", "--drop-reply", "0"});
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err,
            "vexaboard: --drop-reply must be a count from 1 to 1000000, not '0'\n"
            "Run with --help for more.\n");
  test::TempDir dir;
  const test::RunResult missing =
      test::run_program(program(), {"--type", "E", "--pty", dir.file("b"), "--conf", dir.file("none.txt")});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;

  // The start file's CR LF, comment, identity and ".name" lines are no trouble; a key the board
  // lacks is a warning naming the file and the line.
  const std::string link = dir.file("board");
  const std::string conf = dir.write("c.txt",
                                     "# Configuration VexaLog E v1404 06Dec2026 10:00:00\r\n"
                                     "bd=4800 sf=1\r\n"
                                     "a3=a*7+1,0\n.name=x\na3.name=Outside temp\n"
                                     "m0=onReset,go\n"
                                     "VexaLog E v1404\n");
  test::BackgroundProgram board(program(), {"--type", "E", "--name", "Bench1", "--pty", link, "--conf", conf});
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
  const std::string& output = board.output();
  EXPECT_NE(output.find("warning: " + conf + " line 6: m0 does not exist on a Bench1 E v1404 board\n"),
            std::string::npos) << output;
  EXPECT_EQ(output.find("warning:", output.find("warning:") + 1), std::string::npos) << output;
  EXPECT_NE(output.find("Bench1 E v1404 listening on pty " + link), std::string::npos) << output;
  EXPECT_FALSE(std::filesystem::is_symlink(link)) << "link left behind";
}

}  // namespace
}  // namespace vexa::sim
