// The simulated board's logged files: their lines, listings after a stamp, binary listings,
// the stop byte and the speed command.
#include <gtest/gtest.h>

#include "sim/simulated_board.h"
#include "upload/data_upload.h"
#include "support/fixed_clocks.h"

namespace vexa::sim {
namespace {

std::tm start_time() { return make_local_time(2026, 12, 7, 12, 0, 0); }

std::string drain(BoardUploads& uploads) {
  std::string all;
  while (uploads.has_output()) all += uploads.take_output(100);
  return all;
}

TEST(LoggedFile, LinesAreStampedOrNumberedAndGrowWithTime) {
  EXPECT_EQ(logged_line(LogKind::stamped, 0), "2024:03:01 00:00:00 20,0\t0,00\t0");
  EXPECT_EQ(logged_line(LogKind::stamped, 86400).substr(0, 20), "2024:03:02 00:00:00 ");
  EXPECT_EQ(logged_line(LogKind::numbered, 17), "017: 23.7\t629");
  EXPECT_EQ(logged_line(LogKind::numbered, 1017).substr(0, 5), "017: ");
  LoggedFile file({"a.adc", LogKind::stamped, 10, 100}, 1000);
  EXPECT_EQ(file.line_count(1000), 10u);
  EXPECT_EQ(file.line_count(1350), 13u);
  EXPECT_EQ(file.first_after("", 10), 0u);
  EXPECT_EQ(file.first_after("2024:03:01 00:00:03 ", 10), 4u);
  EXPECT_EQ(file.first_after("2024:03:01 00:00:03\t", 10), 4u);
  EXPECT_EQ(file.first_after("2024:03:01 00:00:09 ", 10), 10u);
  EXPECT_EQ(file.first_after("2023:12:31 23:59:59 ", 10), 0u);  // before the first: everything
  EXPECT_EQ(file.first_after("2030:01:01 00:00:00 ", 10), 10u);
  EXPECT_EQ(file.first_after("2024:03:01 00:00:03 ", 3), 3u);
}

TEST(BoardUploads, ListsAfterTheStampThenClosesWithOk) {
  FixedClock clock(start_time());
  SimulatedBoard board(BoardKind{'S', 1404, "VexaLog"}, clock);
  board.uploads().add_file({"vexalog.adc", LogKind::stamped, 5, 1000});
  EXPECT_TRUE(board.feed("up vexalog.adc 2024:03:01 00:00:02 \n")[0].lines.empty());
  EXPECT_TRUE(board.uploads().listing());
  EXPECT_EQ(drain(board.uploads()),
            ">" + logged_line(LogKind::stamped, 3) + "\r\n>" + logged_line(LogKind::stamped, 4) +
                "\r\nend of vexalog.adc, 2 lines\r\nok\r\n");
  // The file grew meanwhile: the next listing has the new line.
  clock.advance_ms(1000);
  board.feed("up vexalog.adc 2024:03:01 00:00:04\n");
  EXPECT_EQ(drain(board.uploads()), ">" + logged_line(LogKind::stamped, 5) + "\r\nend of vexalog.adc, 1 lines\r\nok\r\n");
  EXPECT_EQ(board.feed("up nothing.adc\n")[0].lines, (std::vector<std::string>{"Error no file nothing.adc"}));
  EXPECT_FALSE(board.uploads().listing());
  // Other commands go on as before.
  EXPECT_EQ(board.feed("m3=0,0,st;go\n")[0].lines, (std::vector<std::string>{"Ok"}));
  EXPECT_EQ(board.configuration().value("m3").value_or(""), "0,0,st;go");
}

TEST(BoardUploads, BinaryListingCarriesTheFileBytes) {
  FixedClock clock(start_time());
  SimulatedBoard board(BoardKind{'S', 1404, "VexaLog"}, clock);
  board.uploads().add_file({"n.log", LogKind::numbered, 7, 0});
  board.feed("up -b n.log\n");
  std::string bytes;
  std::string_view rest;
  const std::string listing = drain(board.uploads());
  rest = listing;
  while (!rest.empty() && rest.front() == '>') {
    const std::size_t end = rest.find("\r\n");
    const std::string_view hex = rest.substr(1, end - 1);
    EXPECT_LE(hex.size(), 2 * kHexBytesPerLine);
    bytes += hex_bytes(hex);
    rest.remove_prefix(end + 2);
  }
  EXPECT_EQ(bytes, logged_text(LogKind::numbered, 7));
  EXPECT_EQ(rest, "end of n.log, 7 lines\r\nok\r\n");
}

TEST(BoardUploads, ABlankStopsTheListing) {
  FixedClock clock(start_time());
  SimulatedBoard board(BoardKind{'S', 1404, "VexaLog"}, clock);
  board.uploads().add_file({"vexalog.adc", LogKind::stamped, 1000, 0});
  board.feed("up vexalog.adc\n");
  const std::string first = board.uploads().take_output(100);
  EXPECT_EQ(first.substr(0, 21), ">2024:03:01 00:00:00 ");
  EXPECT_TRUE(board.feed(" ").empty());  // no reply: the board is busy listing
  const std::string rest = drain(board.uploads());
  EXPECT_EQ(rest.substr(rest.size() - 4), "ok\r\n");
  EXPECT_NE(rest.find("stopped vexalog.adc, "), std::string::npos);
  EXPECT_LT(rest.size(), 200u);
  EXPECT_EQ(board.feed("ti\n").size(), 1u);  // listening again
}

TEST(BoardUploads, SpeedChangesOnceTheAcknowledgementIsOut) {
  FixedClock clock(start_time());
  SimulatedBoard board(BoardKind{'S', 1404, "VexaLog"}, clock);
  const long before = board.link_speed();
  EXPECT_TRUE(board.feed("bi=115200\n")[0].lines.empty());
  EXPECT_EQ(board.link_speed(), before);
  EXPECT_EQ(board.uploads().take_output(100), "\r");
  board.uploads().output_written();
  EXPECT_EQ(board.link_speed(), 115200);
  EXPECT_EQ(board.feed("bi=fast\n")[0].lines, (std::vector<std::string>{"Error bad speed fast"}));
  EXPECT_EQ(board.link_speed(), 115200);
}

}  // namespace
}  // namespace vexa::sim
