// Whole-file reads and atomic writes, and the pseudo-terminal the simulator offers as a board's port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/atomic_file.h"
#include "platform/pseudo_terminal.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

// Every byte value, NUL and 0xFF among them, in a run that does not repeat at the growth steps.
std::string pattern(std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return text;
}

// Sizes around the read limit and the growth steps, a pipe that gives no size, and failures.
TEST(WholeFile, ReadsEveryByteOfEverySizeUpToTheLimitAndOfAPipeFailuresSayWhyAndLeaveWhatWasThere) {
  test::TempDir dir;
  std::string text = "left over";
  for (const std::size_t size : {0u, 4095u, 4096u, 4097u, 200001u}) {
    const std::string written = pattern(size);
    ASSERT_TRUE(write_file_atomically(dir.file("f"), written));  // the second and later replace
    // No limit, and a limit that cuts the text there and nowhere else.
    for (const std::size_t limit : {std::size_t{64} << 20, std::size_t{0}, size / 2, size, size + 1}) {
      ASSERT_EQ(read_whole_file_error(dir.file("f"), text, limit), 0) << size << " " << limit;
      EXPECT_EQ(text, written.substr(0, limit)) << size << " " << limit;
    }
  }
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string written = pattern(70000);  // more than a pipe holds at once
  std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << written; });
  EXPECT_EQ(read_whole_file_error(fifo, text), 0);
  writer.join();
  EXPECT_EQ(text, written);

  EXPECT_EQ(read_whole_file_error(dir.path(), text), EISDIR);
  EXPECT_EQ(read_whole_file_error(dir.file("missing"), text), ENOENT);
  EXPECT_EQ(text, written);  // a failed open leaves the text alone
  // A folder in the way of the rename: the write fails and says so, the folder stays.
  const std::string blocked = dir.file("blocked");
  ASSERT_EQ(::mkdir(blocked.c_str(), 0700), 0);
  EXPECT_EQ(write_file_atomically_error(blocked, "text"), EISDIR);
  EXPECT_FALSE(test::TempDir::exists(blocked + ".tmp" + std::to_string(::getpid())));
  EXPECT_EQ(write_file_atomically_error(dir.file("no/such/folder.txt"), "x"), ENOENT);
}

// A write larger than the line's buffer waits for room while the other side reads, losing nothing.
TEST(PseudoTerminal, AWriteLargerThanTheLineWaitsForRoomAndLosesNothing) {
  PseudoTerminal pty;
  const int slave = ::open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  const std::string data = pattern(256 * 1024);  // a raw line: every byte value passes
  std::string got;
  std::thread reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the line's buffer is full by now
    char buffer[4096];
    pollfd fds{slave, POLLIN, 0};
    while (got.size() < data.size() && ::poll(&fds, 1, 5000) > 0) {
      const ssize_t n = ::read(slave, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
  });
  EXPECT_TRUE(pty.write(data));
  reader.join();
  ::close(slave);
  EXPECT_TRUE(got == data) << got.size() << " of " << data.size() << " bytes";
}

}  // namespace
}  // namespace vexa
