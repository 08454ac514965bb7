// The memory-card chunk protocol (acknowledgements, retries, the penalty) and the line sender
// (exact lines, paces) over the scripted link. A refused open, Stop and the summaries over a
// real link to the simulated board are faults/download_end_to_end_test.cpp.
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

TEST(CardTransfer, ChunkLinesAcknowledgementsRetriesAndTotals) {
  EXPECT_EQ(card_chunk_line(""), "fd +00");
  EXPECT_EQ(card_chunk_line(std::string("\x01\xFF", 2)), "fd +01FF00");
  EXPECT_EQ(card_chunk_line(std::string(27, '\xAB')).size(), 60u);
  std::string counting(28, '\0');
  for (int i = 0; i < 28; ++i) counting[i] = static_cast<char>(i + 1);
  struct Row {
    const char* note;
    std::string ack;
    std::string file;
    std::size_t chunk_lines;
    std::vector<std::string> commands;
    int retries;
    bool closed;
    std::string last_line;  // empty: not checked
  };
  const std::vector<Row> rows{
      {"an empty file is opened and closed", "Ok\r\n", "", 0, {"fd T", "fd !0 0"}, 0, true, ""},
      {"upper case without CR is an acknowledgement too", "OK\n", counting, 2, {"fd T", "fd !28 406"}, 0, true, ""},
      {"an acknowledgement that never completes: three sends, then skipped", "ok", std::string(10, 'x'), 3,
       {"fd T", "fd !10 1200"}, 3, true, "Download: 3 retries"},
      // The given-up chunks still count.
      {"repeated failures end with no reply in the thirteenth chunk", "no", std::string(27 * 40, 'y'), 12 * 3 + 2,
       {"fd T"}, 38, false, "Download: 38 retries"},
  };
  test::TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.note);
    CardRig rig(row.ack);
    auto result = card_transfer(rig.context(), dir.write("f", row.file), "T");
    EXPECT_EQ(rig.chunk_lines.size(), row.chunk_lines);
    EXPECT_EQ(rig.port.commands, row.commands);
    EXPECT_EQ(result.retries, row.retries);
    EXPECT_EQ(result.closed, row.closed);
    if (!row.last_line.empty()) {
      EXPECT_EQ(rig.report.lines().back(), row.last_line);
    }
    EXPECT_FALSE(rig.port.echo_suppressed);
    EXPECT_EQ(rig.port.pauses(), 0);
    if (row.ack == "OK\n") {
      EXPECT_EQ(rig.chunk_lines[0].size(), 61u);
      EXPECT_EQ(rig.chunk_lines[1], "fd +1C1C\n");
      EXPECT_EQ(rig.status.last_progress(), "28");
    }
    if (row.ack == "no") {
      EXPECT_TRUE(rig.report.contains("Error no reply (100/27)"));
      EXPECT_EQ(result.bytes, 13 * 27);
    }
  }
}

TEST(LineSender, ExactLinesAndPaces) {
  const std::string line = test_line(0);
  EXPECT_EQ(line.size(), 100u);
  EXPECT_EQ(line, "     0 ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz______ "
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef\r\n");
  EXPECT_EQ(test_line(123456).substr(0, 7), "123456 ");
  EXPECT_EQ(test_line(1234567).size(), 100u);

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
}

}  // namespace
}  // namespace vexa
