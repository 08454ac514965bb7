// A job that reads the port itself while the board streams: once the receive thread has
// confirmed its pause, every byte of the board's answer reaches the job and none the terminal.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "link/link_session.h"
#include "platform/pseudo_terminal.h"
#include "support/link_over_pty.h"
#include "support/pty_peer.h"

namespace vexa {
namespace {

using test::eventually;

constexpr char kMark[] = "<MARK-0123456789>";

// A board that streams text lines without a pause and answers each 'Q' with the mark.
class StreamingBoard {
 public:
  PseudoTerminal& pty() { return peer_.pty(); }
  void set_streaming(bool on) { streaming_ = on; }

 private:
  void step(PseudoTerminal& pty) {
    const std::string got = pty.read_for(streaming_ ? 0 : 2);
    for (char c : got)
      if (c == 'Q') pty.write(kMark);
    if (streaming_) pty.write("stream stream stream stream stream stream stream\n");
  }
  std::atomic<bool> streaming_{true};
  test::PtyPeer peer_{[this](PseudoTerminal& pty) { step(pty); }};
};

using ReadingPauseTest = test::LinkOverPty;

TEST_F(ReadingPauseTest, TheJobGetsTheWholeAnswerWhileTheBoardStreams) {
  StreamingBoard board;
  connect(board.pty());
  ASSERT_TRUE(eventually([&] { return session.receiver().bytes_received() > 10000; }));
  for (int round = 0; round < 20; ++round) {
    std::string got;
    {
      ReadingPause pause(session.board_port());
      const std::uint64_t seen = session.receiver().bytes_received();
      ASSERT_TRUE(session.port().write_text("Q"));
      for (int i = 0; i < 200000 && got.find(kMark) == std::string::npos; ++i) {
        const int c = session.port().serial_read_byte(500);
        if (c < 0) break;
        got.push_back(static_cast<char>(c));
      }
      // Nothing went past the job to the receive thread while it was paused.
      EXPECT_EQ(session.receiver().bytes_received(), seen) << round;
    }
    EXPECT_NE(got.find(kMark), std::string::npos) << "round " << round << ": " << got.substr(0, 200);
  }
  // The terminal never saw a mark, and it hears the stream again after the pause.
  const std::uint64_t after = session.receiver().bytes_received();
  EXPECT_TRUE(eventually([&] { return session.receiver().bytes_received() > after + 1000; }));
  EXPECT_EQ(echo.text().find("<MARK"), std::string::npos);
}

TEST_F(ReadingPauseTest, PausesNestAndAPauseWithoutAReceiveThreadReturnsAtOnce) {
  StreamingBoard board;
  board.set_streaming(false);
  connect(board.pty());
  {
    ReadingPause outer(session.board_port());
    {
      ReadingPause inner(session.board_port());
      EXPECT_FALSE(session.flags().reading_enabled.load());
    }
    EXPECT_FALSE(session.flags().reading_enabled.load());  // the outer job still reads
  }
  EXPECT_TRUE(session.flags().reading_enabled.load());
  session.stop();
  const auto start = std::chrono::steady_clock::now();
  {
    ReadingPause pause(session.board_port());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
}  // namespace vexa
