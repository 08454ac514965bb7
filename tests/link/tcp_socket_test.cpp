// A send that the kernel takes only in part (a signal arrives while the peer's window is full)
// must go on with the rest: a board would otherwise get a command cut in two.
#include "platform/tcp_socket.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "loopback_peer.h"

namespace vexa {
namespace {

void ignore_signal(int) {}

TEST(TcpSocketSend, InterruptedSendDeliversEveryByte) {
  struct sigaction action {};
  action.sa_handler = ignore_signal;  // no SA_RESTART: a blocked send returns what it took
  struct sigaction old {};
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &old), 0);

  test::LoopbackPeer listener;
  TcpSocket socket;
  ASSERT_EQ(socket.create(), 0);
  ASSERT_EQ(socket.connect(htonl(INADDR_LOOPBACK), listener.port()), 0);
  ASSERT_TRUE(listener.accept());
  const int peer = listener.fd();

  // Far more than the two socket buffers hold, so the send blocks until the peer reads.
  const std::string data(32 << 20, 'x');
  std::atomic<int> result{-1};
  std::atomic<bool> done{false};
  std::thread sender([&] {
    result = socket.send(data.data(), data.size());
    done = true;
  });
  // Once the peer's receive queue has data the sender is inside its send: interrupt it.
  for (int i = 0; i < 5000; ++i) {
    int queued = 0;
    ::ioctl(peer, FIONREAD, &queued);
    if (queued > 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ::pthread_kill(sender.native_handle(), SIGUSR1);

  std::size_t received = 0;
  std::string buffer(1 << 16, '\0');
  while (received < data.size()) {
    // A send that returned early leaves nothing more to read: stop once the queue stays empty.
    pollfd fds{peer, POLLIN, 0};
    if (::poll(&fds, 1, done ? 500 : 10000) <= 0) break;
    const ssize_t n = ::recv(peer, buffer.data(), buffer.size(), 0);
    if (n <= 0) break;
    received += static_cast<std::size_t>(n);
  }
  sender.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(received, data.size());
  ::sigaction(SIGUSR1, &old, nullptr);
}

}  // namespace
}  // namespace vexa
