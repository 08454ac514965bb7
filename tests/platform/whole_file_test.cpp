// Whole-file reads and atomic writes: sizes around the read limit and the growth steps, files
// that give no size (pipes), folders, missing files, and a failed write that leaves the old
// file as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <thread>

#include "platform/atomic_file.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

// Every byte value, NUL and 0xFF among them, in a run that does not repeat at the growth steps.
std::string pattern(std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return text;
}

TEST(WholeFile, ReadsEveryByteOfEverySizeUpToTheLimit) {
  test::TempDir dir;
  // An empty file, sizes on either side of the first growth step and a large one.
  std::string text = "left over";
  for (const std::size_t size : {0u, 1u, 4095u, 4096u, 4097u, 65536u, 200001u}) {
    const std::string written = pattern(size);
    ASSERT_TRUE(write_file_atomically(dir.file("f"), written));
    ASSERT_EQ(read_whole_file_error(dir.file("f"), text), 0) << size;
    EXPECT_EQ(text, written) << size;
    // A limit cuts the text there and nowhere else.
    for (const std::size_t limit : {std::size_t{0}, size / 2, size, size + 1}) {
      ASSERT_EQ(read_whole_file_error(dir.file("f"), text, limit), 0) << size << " " << limit;
      EXPECT_EQ(text, written.substr(0, limit)) << size << " " << limit;
    }
  }
}

TEST(WholeFile, ReadsAPipeThatGivesNoSize) {
  test::TempDir dir;
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string written = pattern(70000);  // more than a pipe holds at once
  std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << written; });
  std::string text;
  EXPECT_EQ(read_whole_file_error(fifo, text), 0);
  writer.join();
  EXPECT_EQ(text, written);
}

TEST(WholeFile, FoldersMissingFilesAndFailedWritesSayWhyAndLeaveWhatWasThere) {
  test::TempDir dir;
  std::string text = "kept";
  EXPECT_EQ(read_whole_file_error(dir.path(), text), EISDIR);
  EXPECT_EQ(read_whole_file_error(dir.file("missing"), text), ENOENT);
  EXPECT_FALSE(read_whole_file(dir.file("missing"), text));
  EXPECT_EQ(text, "kept");  // a failed open leaves the text alone
  const std::string path = dir.file("conf.txt");
  ASSERT_TRUE(write_file_atomically(path, "old"));
  ASSERT_TRUE(write_file_atomically(path, "new"));  // replaces
  EXPECT_EQ(test::TempDir::read(path), "new");
  // A folder in the way of the rename: the write fails and says so, the folder stays.
  const std::string blocked = dir.file("blocked");
  ASSERT_EQ(::mkdir(blocked.c_str(), 0700), 0);
  EXPECT_EQ(write_file_atomically_error(blocked, "text"), EISDIR);
  struct stat info {};
  ASSERT_EQ(::stat(blocked.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(write_file_atomically_error(dir.file("no/such/folder.txt"), "x"), ENOENT);
  EXPECT_FALSE(test::TempDir::exists(blocked + ".tmp" + std::to_string(::getpid())));
}

}  // namespace
}  // namespace vexa
