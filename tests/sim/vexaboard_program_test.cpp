#include <gtest/gtest.h>

#include <chrono>

#include "platform/serial_tty.h"
#include "sim/board_options.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vexa::sim {
namespace {

OptionsResult parse(std::vector<std::string> args) { return parse_board_options(args); }

TEST(BoardOptions, ReadsEveryOption) {
  OptionsResult r = parse({"--type", "F", "--firmware=603", "--name", "Logger7", "--tcp",
                           "localhost:4001", "--conf", "a.txt", "--reply-delay", "250",
                           "--drop-reply", "3", "--noise", "--pace"});
  ASSERT_TRUE(r.options) << r.error;
  const BoardOptions& o = *r.options;
  EXPECT_EQ(o.kind.identity_line(), "Logger7 F v603");
  EXPECT_EQ(o.tcp_host, "localhost");
  EXPECT_EQ(o.tcp_port, 4001);
  EXPECT_TRUE(o.pty_path.empty());
  EXPECT_EQ(o.conf_path, "a.txt");
  EXPECT_EQ(o.faults.reply_delay_ms, 250);
  EXPECT_EQ(o.faults.drop_every, 3);
  EXPECT_TRUE(o.faults.noise && o.faults.pace);

  r = parse({"--pty", "/tmp/b", "--type", "E"});
  ASSERT_TRUE(r.options) << r.error;
  EXPECT_EQ(r.options->kind.identity_line(), "VexaLog E v1404");
  EXPECT_EQ(r.options->faults.drop_every, 0);
  EXPECT_TRUE(parse({"--help"}).options->help);
}

TEST(BoardOptions, RejectsBadCommandLinesWithAReason) {
  struct Case {
    std::vector<std::string> args;
    const char* reason;
  };
  const Case cases[] = {
      {{"--pty", "/tmp/b"}, "--type"},
      {{"--type", "s", "--pty", "/tmp/b"}, "E, F or S"},
      {{"--type", "SS", "--pty", "/tmp/b"}, "E, F or S"},
      {{"--type", "S"}, "exactly one"},
      {{"--type", "S", "--pty", "/tmp/b", "--tcp", "h:1"}, "exactly one"},
      {{"--type", "S", "--pty", "/tmp/b", "--firmware", "300"}, "400 to 2999"},
      {{"--type", "S", "--pty", "/tmp/b", "--firmware", "3000"}, "400 to 2999"},
      {{"--type", "S", "--pty", "/tmp/b", "--firmware", "12x"}, "400 to 2999"},
      {{"--type", "S", "--pty", "/tmp/b", "--name", "ABCDEFGHIJKLMNOPQRSTU"}, "1 to 20"},
      {{"--type", "S", "--pty", "/tmp/b", "--name", "Vexa Log"}, "1 to 20"},
      {{"--type", "S", "--tcp", "hostonly"}, "HOST:PORT"},
      {{"--type", "S", "--tcp", "h:65536"}, "HOST:PORT"},
      {{"--type", "S", "--tcp", ":40"}, "HOST:PORT"},
      {{"--type", "S", "--pty", "/tmp/b", "--reply-delay", "-1"}, "--reply-delay"},
      {{"--type", "S", "--pty", "/tmp/b", "--drop-reply", "0"}, "--drop-reply"},
      {{"--type", "S", "--pty", "/tmp/b", "--noise=1"}, "no value"},
      {{"--type", "S", "--pty"}, "needs a value"},
      {{"--type", "S", "--pty", "/tmp/b", "--verbose"}, "unknown option '--verbose'"},
  };
  for (const Case& c : cases) {
    OptionsResult r = parse(c.args);
    EXPECT_FALSE(r.options) << c.reason;
    EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
  }
}

TEST(BoardOptions, ConfFileStartsTheConfiguration) {
  test::TempDir dir;
  BoardOptions options;
  options.kind.type = 'S';
  options.kind.firmware = 1100;
  options.conf_path = dir.write("start.txt",
                                "# Configuration VexaLog S v1404 06Dec2026 10:00:00\n"
                                "rs0=1,38400,log.txt,4096,0\n"
                                "a0=a*2,1\n.name=x\na0.name=Supply\n"
                                "gry=1\n");
  BoardConfiguration config(options.kind);
  std::vector<std::string> warnings;
  EXPECT_EQ(load_start_configuration(options, config, warnings), "");
  EXPECT_EQ(config.link_speed(), 38400);
  EXPECT_EQ(config.value("a0"), "a*2,1");
  ASSERT_EQ(warnings.size(), 1u);  // gry comes with firmware 1202
  EXPECT_NE(warnings[0].find("gry"), std::string::npos) << warnings[0];

  options.conf_path = dir.file("missing.txt");
  EXPECT_NE(load_start_configuration(options, config, warnings).find("cannot read"),
            std::string::npos);
  EXPECT_EQ(config.value("a0"), "a*2,1");
}

std::string program() { return test::built_program("sim/vexaboard"); }

TEST(VexaboardProgram, BadOptionsExitWithTwoAndHelpWithZero) {
  test::RunResult bad = test::run_program(program(), {"--type", "Q", "--pty", "/tmp/x"});
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_NE(bad.err.find("vexaboard: --type must be E, F or S"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("\nRun with --help for more.\n"), std::string::npos) << bad.err;

  test::TempDir dir;
  test::RunResult missing = test::run_program(
      program(), {"--type", "E", "--pty", dir.file("b"), "--conf", dir.file("none.txt")});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;

  test::RunResult help = test::run_program(program(), {"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("--drop-reply N"), std::string::npos);
}

TEST(VexaboardProgram, ServesAPtyUntilTerminated) {
  test::TempDir dir;
  const std::string link = dir.file("board");
  const std::string conf = dir.write("c.txt", "bd=4800\na3=a*7+1,0\n");
  test::BackgroundProgram board(program(), {"--type", "E", "--name", "Bench1", "--pty", link,
                                            "--conf", conf});
  ASSERT_TRUE(test::wait_for_path(link));
  {
    SerialTty tty;
    ASSERT_EQ(tty.open(link), 0);
    ASSERT_EQ(tty.configure(4800, false), 0);
    ASSERT_EQ(tty.write_all("conf\n", 5), 0);
    std::string got;
    auto start = std::chrono::steady_clock::now();
    char buffer[4096];
    while (got.find("\r\nOk\r\n") == std::string::npos &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
      if (tty.wait_readable(100) != WaitResult::readable) continue;
      long n = tty.read_some(buffer, sizeof buffer);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got.rfind("Bench1 E v1404\r\n", 0), 0u) << got;
    EXPECT_NE(got.find(" bd=4800 "), std::string::npos) << got;
    EXPECT_NE(got.find("a3=a*7+1,0"), std::string::npos) << got;
  }
  EXPECT_EQ(board.stop(), 0);
  EXPECT_NE(board.output().find("Bench1 E v1404 listening on pty " + link), std::string::npos)
      << board.output();
  EXPECT_FALSE(test::TempDir::exists(link));
}

}  // namespace
}  // namespace vexa::sim

namespace vexa::sim {
namespace {

// Seen from the host's side of the pseudo-terminal, a paced board delivers a listing of many
// pieces no faster than the line could carry it (10 bits a byte), from its first bytes to its
// last.
TEST(VexaboardProgram, APacedListingIsNeverFasterThanTheLine) {
  test::TempDir dir;
  const std::string link = dir.file("board");
  test::BackgroundProgram board(program(), {"--type", "S", "--pty", link, "--pace", "--log-file", "vexalog.adc",
                                            "--log-lines", "100000", "--log-grow", "0"});
  ASSERT_TRUE(test::wait_for_path(link));
  SerialTty tty;
  ASSERT_EQ(tty.open(link), 0);
  ASSERT_EQ(tty.configure(115200, false), 0);
  constexpr double kBytesPerSecond = 115200 / 10.0;
  ASSERT_EQ(tty.write_all("up vexalog.adc\n", 15), 0);
  std::chrono::steady_clock::time_point first{}, last{};
  std::size_t received = 0, first_bytes = 0;
  char buffer[4096];
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (received < 40000 && std::chrono::steady_clock::now() < give_up) {
    if (tty.wait_readable(100) != WaitResult::readable) continue;
    const long n = tty.read_some(buffer, sizeof buffer);
    if (n <= 0) continue;
    last = std::chrono::steady_clock::now();
    if (received == 0) {
      first = last;
      first_bytes = static_cast<std::size_t>(n);
    }
    received += static_cast<std::size_t>(n);
  }
  ASSERT_GE(received, 40000u);
  // A late read at either end moves the figure by a slice of 10 ms at most: 0.3 % here.
  const double rate = static_cast<double>(received - first_bytes) / std::chrono::duration<double>(last - first).count();
  EXPECT_LE(rate / kBytesPerSecond, 1.003) << rate << " bytes a second";
}

}  // namespace
}  // namespace vexa::sim
