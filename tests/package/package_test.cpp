// The Debian package of scripts/package.sh, unpacked into a scratch root: its files, and the
// programs run from there. Skipped without dpkg-deb or a package built in this folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/installed_data.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/build_paths.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;

std::string built_package() {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(test::binary_dir(), error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("vexaterm_", 0) == 0 && entry.path().extension() == ".deb") return entry.path().string();
  }
  return {};
}

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::is_regular_file(dpkg_deb_)) GTEST_SKIP() << "dpkg-deb is not installed";
    package_ = built_package();
    if (package_.empty()) GTEST_SKIP() << "no package in " << test::binary_dir() << ": run scripts/package.sh";
    const test::RunResult unpacked = test::run_program(dpkg_deb_, {"-x", package_, root_.path()});
    ASSERT_EQ(unpacked.exit_code, 0) << unpacked.err;
  }
  std::string in_root(const std::string& path) const { return root_.path() + "/usr/" + path; }

  std::string dpkg_deb_ = "/usr/bin/dpkg-deb";
  std::string package_;
  test::TempDir root_;
};

TEST_F(PackageTest, HoldsTheProgramsTheirDataAndTheDesktopFilesAndTheProgramsRunFromIt) {
  for (const char* path :
       {"bin/vexaterm", "bin/vexacli", "bin/vexaboard", "share/vexaterm/ainputs.txt", "share/vexaterm/error.wav",
        "share/applications/vexaterm.desktop", "share/icons/hicolor/48x48/apps/vexaterm.png",
        "share/icons/hicolor/256x256/apps/vexaterm.png", "share/man/man1/vexaterm.1.gz",
        "share/man/man1/vexacli.1.gz", "share/man/man1/vexaboard.1.gz", "share/doc/vexaterm/copyright",
        "share/bash-completion/completions/vexacli", "share/bash-completion/completions/vexaboard"})
    EXPECT_TRUE(fs::is_regular_file(in_root(path))) << path;
  const test::RunResult info = test::run_program(dpkg_deb_, {"-f", package_, "Depends", "Description"});
  EXPECT_NE(info.out.find("libc6"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("dialout"), std::string::npos) << info.out;
  // The programs run from the unpacked root.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const test::RunResult version = test::run_program(in_root("bin/vexacli"), {"--version"});
  EXPECT_EQ(version.exit_code, 0) << version.err;
  EXPECT_NE(version.out.find("1404"), std::string::npos) << version.out;
  const test::RunResult help = test::run_program(in_root("bin/vexaterm"), {"--help"});
  EXPECT_EQ(help.exit_code, 0) << help.err;
  EXPECT_NE(help.out.find("--simulate"), std::string::npos) << help.out;
  const test::RunResult board = test::run_program(in_root("bin/vexaboard"), {"--help"});
  EXPECT_NE(board.out.find("--type"), std::string::npos) << board.out << board.err;
}

TEST(InstalledData, TheWorkingDirectoryComesFirstThenTheInstalledCopy) {
  test::TempDir dir;
  const std::string installed = installed_data_dir() + "/ainputs.txt";
  const std::string missing = data_file_path(dir.path(), "ainputs.txt");
  // Without a local copy: the installed one where this machine has it, else the local path
  // (which the message about a missing file then names).
  EXPECT_EQ(missing, fs::is_regular_file(installed) ? installed : dir.file("ainputs.txt"));
  dir.write("ainputs.txt", "// local\n");
  EXPECT_EQ(data_file_path(dir.path(), "ainputs.txt"), dir.file("ainputs.txt"));
}

}  // namespace
}  // namespace vexa
