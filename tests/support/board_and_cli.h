#pragma once
// vexaboard on a pseudo-terminal in a temporary folder and vexacli run against it, as separate
// programs: the start of every test of a vexacli command end to end.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vexa::test {

inline bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class BoardAndCli : public ::testing::Test {
 protected:
  // vexaboard --type type --pty link, then extra; fails the test when the link does not come.
  void start_board(const std::string& type, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--type", type, "--pty", link};
    args.insert(args.end(), extra.begin(), extra.end());
    board = std::make_unique<BackgroundProgram>(built_program("sim/vexaboard"), args);
    ASSERT_TRUE(wait_for_path(link)) << board->output();
  }
  // vexacli --settings dir --port link, the fixture's globals, then args.
  std::vector<std::string> cli_args(const std::vector<std::string>& args) const {
    std::vector<std::string> all = {"--settings", dir.path(), "--port", link};
    all.insert(all.end(), globals.begin(), globals.end());
    all.insert(all.end(), args.begin(), args.end());
    return all;
  }
  RunResult cli(const std::vector<std::string>& args, const std::string& input = {},
                const std::string& working_directory = {}) const {
    return run_program(built_program("cli/vexacli"), cli_args(args), input, 60000, working_directory);
  }

  TempDir dir;
  std::string link = dir.file("board");
  std::vector<std::string> globals;  // options every cli() call passes before its own
  std::unique_ptr<BackgroundProgram> board;
};

}  // namespace vexa::test
