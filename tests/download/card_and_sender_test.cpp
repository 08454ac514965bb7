// The memory-card chunk protocol (acknowledgements, retries, the penalty) and the line sender
// (exact lines, paces, Stop, write failures) over the scripted link.
#include <gtest/gtest.h>

#include "download/card_transfer.h"
#include "download/line_sender.h"
#include "download_fakes.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using test::FakeRig;

// Answers every chunk line with ack.
struct CardRig : FakeRig {
  explicit CardRig(std::string ack = "Ok\r\n") {
    port.respond = [this, ack](std::string_view bytes) -> std::string {
      chunk_lines.emplace_back(bytes);
      return ack;
    };
  }
  std::vector<std::string> chunk_lines;
};

TEST(CardTransfer, ChunkLinesAndTotals) {
  EXPECT_EQ(card_chunk_line(""), "fd +00");
  EXPECT_EQ(card_chunk_line(std::string("\x01\xFF", 2)), "fd +01FF00");
  EXPECT_EQ(card_chunk_line(std::string(27, '\xAB')).size(), 60u);

  test::TempDir dir;
  {
    CardRig rig;
    auto result = card_transfer(rig.context(), dir.write("empty", ""), "E.TXT");
    EXPECT_EQ(rig.port.commands, (std::vector<std::string>{"fd E.TXT", "fd !0 0"}));
    EXPECT_TRUE(result.closed);
    EXPECT_TRUE(rig.chunk_lines.empty());
  }
  {
    CardRig rig("OK\n");  // upper case without CR is an acknowledgement too
    std::string bytes(28, '\0');
    for (int i = 0; i < 28; ++i) bytes[i] = static_cast<char>(i + 1);
    auto result = card_transfer(rig.context(), dir.write("b28", bytes), "B.BIN");
    ASSERT_EQ(rig.chunk_lines.size(), 2u);
    EXPECT_EQ(rig.chunk_lines[1], "fd +1C1C\n");
    EXPECT_EQ(rig.chunk_lines[0].size(), 61u);
    EXPECT_EQ(rig.port.commands.back(), "fd !28 406");
    EXPECT_EQ(result.retries, 0);
    EXPECT_EQ(rig.status.last_progress(), "28");
    EXPECT_FALSE(rig.port.echo_suppressed);
    EXPECT_EQ(rig.port.pauses(), 0);
  }
}

TEST(CardTransfer, AnAcknowledgementThatNeverCompletesIsSentThreeTimesThenSkipped) {
  test::TempDir dir;
  CardRig rig("ok");  // no LF follows
  auto result = card_transfer(rig.context(), dir.write("one", std::string(10, 'x')), "ONE");
  EXPECT_EQ(rig.chunk_lines.size(), 3u);
  EXPECT_EQ(rig.port.commands.back(), "fd !10 1200");
  EXPECT_EQ(result.retries, 3);
  EXPECT_EQ(rig.report.lines().back(), "Download: 3 retries");
}

TEST(CardTransfer, RepeatedFailuresEndWithNoReplyInTheThirteenthChunk) {
  test::TempDir dir;
  CardRig rig("no");
  auto result = card_transfer(rig.context(), dir.write("big", std::string(27 * 40, 'y')), "BIG");
  EXPECT_EQ(rig.chunk_lines.size(), 12u * 3 + 2);
  EXPECT_TRUE(rig.report.contains("Error no reply (100/27)"));
  EXPECT_FALSE(result.closed);
  EXPECT_EQ(rig.port.commands, (std::vector<std::string>{"fd BIG"}));
  EXPECT_EQ(result.bytes, 13 * 27);  // the given-up chunks still count
  EXPECT_EQ(rig.report.lines().back(), "Download: 38 retries");
  EXPECT_FALSE(rig.port.echo_suppressed);
  EXPECT_EQ(rig.port.pauses(), 0);
}

TEST(CardTransfer, OpenRefusedMissingFileWriteFailureAndStop) {
  test::TempDir dir;
  {
    CardRig rig;
    card_transfer(rig.context(), dir.file("nothere"), "X");
    EXPECT_TRUE(rig.report.contains("Error open " + dir.file("nothere")));
    EXPECT_TRUE(rig.port.commands.empty());
  }
  {
    CardRig rig;
    rig.port.send_ok = [](std::string_view) { return false; };
    auto result = card_transfer(rig.context(), dir.write("f", "abc"), "F");
    EXPECT_FALSE(result.opened);
    EXPECT_TRUE(rig.chunk_lines.empty());
  }
  {
    CardRig rig;
    rig.port.fail_writes = true;
    auto result = card_transfer(rig.context(), dir.write("f", "abc"), "F");
    EXPECT_TRUE(rig.report.contains("Error write"));
    EXPECT_FALSE(result.closed);
  }
  {
    CardRig rig;
    rig.port.respond = [&](std::string_view bytes) -> std::string {
      rig.chunk_lines.emplace_back(bytes);
      if (rig.chunk_lines.size() == 2) rig.control.stop = true;
      return "Ok\r\n";
    };
    auto result = card_transfer(rig.context(), dir.write("g", std::string(270, 'g')), "G");
    EXPECT_EQ(rig.chunk_lines.size(), 2u);
    EXPECT_FALSE(result.closed);
    EXPECT_EQ(rig.port.commands.size(), 1u);
  }
}

TEST(LineSender, ExactLinesPacesStopAndWriteFailure) {
  const std::string line = test_line(0);
  EXPECT_EQ(line.size(), 100u);
  EXPECT_EQ(line, "     0 ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz______ "
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef\r\n");
  EXPECT_EQ(test_line(123456).substr(0, 7), "123456 ");
  EXPECT_EQ(test_line(1234567).size(), 100u);

  {
    FakeRig rig;
    EXPECT_EQ(send_test_lines(rig.context(), kSendLineOnce, rig.clock.epoch_ms()).lines, 1);
    EXPECT_EQ(rig.report.lines().back(), "1 lines x 100 = 100 chars written");
    EXPECT_EQ(rig.status.last_progress(), "100");
  }
  {
    FakeRig rig;
    rig.port.respond = [&](std::string_view) -> std::string {
      if (rig.port.writes().size() == 500) rig.control.stop = true;
      return {};
    };
    EXPECT_EQ(send_test_lines(rig.context(), kSendLineBurst, 0).lines, 500);
    EXPECT_EQ(rig.port.writes()[499], test_line(499));
    EXPECT_EQ(rig.report.lines().back(), "500 lines x 100 = 50000 chars written");
  }
  {
    // Every 250 ms: the first line at once, then one per quarter second of the clock.
    FakeRig rig;
    const std::int64_t start = rig.clock.epoch_ms();
    std::vector<std::int64_t> times;
    rig.port.respond = [&](std::string_view) -> std::string {
      times.push_back(rig.clock.epoch_ms() - start);
      if (times.size() == 5) rig.control.stop = true;
      return {};
    };
    send_test_lines(rig.context(), kSendLineEveryQuarter, start);
    ASSERT_EQ(times.size(), 5u);
    EXPECT_EQ(times[0], 0);
    for (std::size_t i = 1; i < times.size(); ++i) {
      EXPECT_GT(times[i] - times[i - 1], 250);
      EXPECT_LE(times[i] - times[i - 1], 250 + kPaceWaitMs);
    }
  }
  {
    // Every second, aligned to second boundaries; every two seconds.
    for (int command : {kSendLineEverySecond, kSendLineEveryTwoSeconds}) {
      FakeRig rig;
      rig.clock.now_ms += 300;  // start within a second
      std::vector<std::int64_t> times;
      rig.port.respond = [&](std::string_view) -> std::string {
        times.push_back(rig.clock.epoch_ms());
        if (times.size() == 3) rig.control.stop = true;
        return {};
      };
      send_test_lines(rig.context(), command, rig.clock.epoch_ms());
      ASSERT_EQ(times.size(), 3u);
      const int step = command == kSendLineEverySecond ? 1000 : 2000;
      EXPECT_EQ(times[1] / 1000 - times[0] / 1000, step / 1000);
      EXPECT_EQ(times[1] % 1000, 0);
      EXPECT_EQ(times[2] - times[1], step);
    }
  }
  {
    FakeRig rig;
    rig.port.fail_writes = true;
    EXPECT_EQ(send_test_lines(rig.context(), kSendLineBurst, 0).lines, 0);
    EXPECT_EQ(rig.report.lines(), (std::vector<std::string>{"Error write"}));
  }
}

}  // namespace
}  // namespace vexa
