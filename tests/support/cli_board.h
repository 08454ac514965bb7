#pragma once
// vexacli against vexaboard on a pseudo-terminal, as the command suites drive it: a fresh folder
// for the settings, the board's link in it, and the program run with both.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vexa::test {

class CliBoard : public ::testing::Test {
 protected:
  // A board of type on the link; extra: more vexaboard options.
  void start_board(const std::string& type, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--type", type, "--pty", link};
    args.insert(args.end(), extra.begin(), extra.end());
    board = std::make_unique<BackgroundProgram>(built_program("sim/vexaboard"), args);
    ASSERT_TRUE(wait_for_path(link)) << board->output();
  }
  // vexacli with this folder's settings and the board's port; args may start with more common
  // options before the command.
  RunResult cli(std::vector<std::string> args, const std::string& input = {},
                const std::string& working_directory = {}) {
    std::vector<std::string> all = {"--settings", dir.path(), "--port", link};
    all.insert(all.end(), args.begin(), args.end());
    return run_program(built_program("cli/vexacli"), all, input, 60000, working_directory);
  }
  static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

  TempDir dir;
  std::string link = dir.file("board");
  std::unique_ptr<BackgroundProgram> board;
};

}  // namespace vexa::test
