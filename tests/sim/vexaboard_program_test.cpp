// vexaboard's start configuration file, and the program serving a pseudo-terminal under its
// name until it is terminated.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/serial_tty.h"
#include "sim/board_options.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vexa::sim {
namespace {

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
