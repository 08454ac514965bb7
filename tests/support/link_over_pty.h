#pragma once
// A link session whose port is the slave side of a test's pseudo-terminal, reached through a
// symbolic link as a device path would be.
#include <gtest/gtest.h>

#include <filesystem>

#include "link/link_session.h"
#include "platform/pseudo_terminal.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

namespace vexa::test {

class LinkOverPty : public ::testing::Test {
 protected:
  LinkOverPty() : session(report, echo, messages) {}
  ~LinkOverPty() override { session.stop(); }

  void connect(PseudoTerminal& pty) {
    std::filesystem::remove(path);
    std::filesystem::create_symlink(pty.slave_path(), path);
    session.start();
    ASSERT_TRUE(session.open(path, "115200"));
  }

  TempDir dir;
  std::string path = dir.file("board");
  SharedReport report;
  SharedEcho echo;
  Messages messages;
  LinkSession session;
};

}  // namespace vexa::test
