// The pseudo-terminal the simulator offers as a board's port: a write larger than the line's
// buffer waits for room while the other side reads, and nothing is lost or reordered.
#include "platform/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace vexa {
namespace {

TEST(PseudoTerminal, AWriteLargerThanTheLineWaitsForRoomAndLosesNothing) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.is_open());
  const int slave = ::open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  std::string data(256 * 1024, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);
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
