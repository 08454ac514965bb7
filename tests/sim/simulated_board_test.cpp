// The simulated board's line protocol, its logged files and live polls. "z;conf" and the binary
// listing are run end to end by config_cli_test and cli_upload_test.
#include "sim/simulated_board.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "config/config_exchange.h"
#include "config/parameter_table.h"
#include "config/parse_assignments.h"
#include "support/fixed_clocks.h"

namespace vexa::sim {
namespace {

std::vector<std::string> lines_of(SimulatedBoard& board, std::string_view bytes) {
  std::vector<std::string> lines;
  for (const BoardReply& reply : board.feed(bytes))
    lines.insert(lines.end(), reply.lines.begin(), reply.lines.end());
  return lines;
}

class PerBoard : public ::testing::TestWithParam<std::pair<char, int>> {};

// "conf" reports the identity, then only the keys the board has, then "Ok"; the host's own
// download of what it reported goes through with one "Ok" per line and changes nothing.
TEST_P(PerBoard, ConfReportsOnlyAvailableKeysAndTheHostsDownloadOfThemIsAcknowledged) {
  auto [type, firmware] = GetParam();
  SimulatedBoard board(BoardKind{type, firmware});
  const std::vector<std::string> lines = lines_of(board, "conf\n");
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), "VexaLog " + std::string(1, type) + " v" + std::to_string(firmware));
  EXPECT_EQ(lines.back(), "Ok");

  ParameterTable host = language_table('e');
  std::set<std::string> seen;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    std::vector<Assignment> found = split_assignments(lines[i]);
    ASSERT_FALSE(found.empty()) << lines[i];
    EXPECT_LE(lines[i].size(), 998u);
    for (const Assignment& a : found) {
      EXPECT_EQ(a.field, AssignmentField::value);
      auto index = find_record(host, a.key);
      ASSERT_TRUE(index) << a.key << " is no parameter";
      EXPECT_TRUE(is_available(host[*index], type, firmware)) << a.key;
      EXPECT_TRUE(seen.insert(a.key).second) << a.key << " reported twice";
      // A macro runs to the end of its line, so it must be alone there.
      if (is_macro_key(a.key)) {
        EXPECT_EQ(found.size(), 1u) << lines[i];
      }
    }
  }
  // Every analog input the type has is configured.
  for (int n = 0; n < (type == 'E' ? 8 : 16); ++n) EXPECT_TRUE(seen.count("a" + std::to_string(n))) << n;
  EXPECT_EQ(seen.count("gry"), type == 'S' && firmware >= 1202);

  for (const std::string& line : lines) parse_assignments(host, line);
  std::vector<std::string> plan = plan_download(host, type, firmware);
  ASSERT_FALSE(plan.empty());
  for (const std::string& line : plan)
    EXPECT_EQ(board.feed(line + "\n"), (std::vector<BoardReply>{{{"Ok"}}})) << line;
  EXPECT_EQ(lines_of(board, "conf\n"), lines);
  EXPECT_EQ(lines_of(board, "gry=1\n").front(), seen.count("gry") ? "Ok" : "Error unknown key gry");
}

INSTANTIATE_TEST_SUITE_P(Boards, PerBoard,
                         ::testing::Values(std::pair{'E', 1404}, std::pair{'F', 603}, std::pair{'S', 1201},
                                           std::pair{'S', 1404}));

// One board per dialogue; each line fed in turn (the host clock set to host_second first when
// it is not 0), its answer and then the values it leaves.
struct Step {
  std::string in;
  std::vector<std::string> out;
  std::vector<std::pair<std::string, std::string>> values = {};
  int host_second = 0;
};
struct Dialogue {
  const char* what;
  BoardKind kind;
  std::vector<Step> steps;
};

TEST(SimulatedBoard, LinesAreTakenWholeOrRefusedWithTheirReason) {
  const Dialogue dialogues[] = {
      {"assignments", {'E'},
       {{"bd=19200 sf=1 a0=a*2+0,1\n", {"Ok"}, {{"bd", "19200"}, {"a0", "a*2+0,1"}}},
        // One key the board lacks spoils the line: nothing of it is applied.
        {"bd=4800; a8=a*1+0,0\n", {"Error unknown key a8"}, {{"bd", "19200"}}},
        {"af=0\n", {"Error read only af"}},
        {"bd=4800 junk\n", {"Error bad assignment junk"}},
        // An empty value is the board's own matter: taken as it is.
        {"rn=\n", {"Ok"}, {{"rn", ""}}},
        {"bd=" + std::string(1500, '9') + "\n", {"Error line too long"}, {{"bd", "19200"}}},
        // A value up to the line limit is kept to the parameter's 99 characters.
        {"rn=" + std::string(150, 'x') + "\n", {"Ok"}, {{"rn", std::string(kParameterTextChars, 'x')}}}}},
      // CR LF does not make a second (empty) command; a command may arrive in pieces, its NUL bytes
      // dropped. CR and CR LF line ends are vexacli's terminal runs (link_commands_test).
      {"framing", {'E'},
       {{"sf=1\r\n\n  \n", {"Ok"}}, {std::string("bd=12\0" "00", 8), {}}, {"\n", {"Ok"}, {{"bd", "1200"}}}}},
      {"chains", {'F'},
       {{"bd=2400; sf=1;rx=1\n", {"Ok"}, {{"bd", "2400"}, {"rx", "1"}}},
        // A macro takes the rest of the line, ';' included.
        {"sf=1; m3=30,1000ms,st;up x\n", {"Ok"}, {{"m3", "30,1000ms,st;up x"}, {"sf", "1"}}},
        // A wrong command reports its error and the rest of the line still runs.
        {"nonsense;ec done\n", {"Error unknown command nonsense", "done", "Ok"}}}},
      {"clock", {'S'},
       {{"ti\n", {"ti=100000 dt=261206", "Ok"}},
        {"ti=235958 dt=240229\n", {"Ok"}},
        // Either part alone keeps the other.
        {"dt=250301\n", {"Ok"}},
        {"ti\n", {"ti=235958 dt=250301", "Ok"}},
        // The board clock runs on with the host clock.
        {"ti\n", {"ti=000003 dt=250302", "Ok"}, {}, 5},
        {"ti=240000\n", {"Error bad time ti"}},
        {"ti=120000 dt=230229\n", {"Error bad time dt"}}}},
  };
  for (const Dialogue& d : dialogues) {
    SCOPED_TRACE(d.what);
    FixedClock host(make_local_time(2026, 12, 6, 10, 0, 0));
    SimulatedBoard board(d.kind, host);
    for (const Step& step : d.steps) {
      SCOPED_TRACE(step.in.substr(0, 40));
      if (step.host_second != 0) host.set_local(make_local_time(2026, 12, 6, 10, 0, step.host_second));
      EXPECT_EQ(lines_of(board, step.in), step.out);
      for (const auto& [key, value] : step.values) EXPECT_EQ(board.configuration().value(key), value) << key;
    }
  }
}

// The whole listing and a resume after its last line are cli_upload_test's. A blank stops a
// listing; the speed command's new speed holds once its acknowledgement is out.
TEST(BoardUploads, LinesGrowWithTimeAResumeStartsAfterTheStampABlankStopsAListingAndTheSpeedCommand) {
  EXPECT_EQ(logged_line(LogKind::stamped, 86400).substr(0, 20), "2024:03:02 00:00:00 ");
  LoggedFile file({"a.adc", LogKind::stamped, 10, 100}, 1000);
  EXPECT_EQ(file.line_count(1350), 13u);
  EXPECT_EQ(file.first_after("2024:03:01 00:00:03\t", 10), 4u);
  EXPECT_EQ(file.first_after("2023:12:31 23:59:59 ", 10), 0u);  // before the first: everything

  SimulatedBoard board(BoardKind{'S'});
  board.uploads().add_file({"vexalog.adc", LogKind::stamped, 1000, 0});
  board.feed("up vexalog.adc\n");
  EXPECT_EQ(board.uploads().take_output(100).substr(0, 21), ">2024:03:01 00:00:00 ");
  EXPECT_TRUE(board.feed(" ").empty());  // no reply: the board is busy listing
  std::string stopped;
  while (board.uploads().has_output()) stopped += board.uploads().take_output(100);
  EXPECT_EQ(stopped.substr(stopped.size() - 4), "ok\r\n");
  EXPECT_NE(stopped.find("stopped vexalog.adc, "), std::string::npos);

  // Listening again: one reply without lines; the CR that acknowledges is the uploads' output.
  EXPECT_EQ(board.feed("bi=9600\n"), std::vector<BoardReply>(1));
  EXPECT_EQ(board.link_speed(), 115200);  // an S board's own speed, until the CR is out
  EXPECT_EQ(board.uploads().take_output(100), "\r");
  board.uploads().output_written();
  EXPECT_EQ(board.link_speed(), 9600);
  EXPECT_EQ(board.feed("bi=fast\n")[0].lines, (std::vector<std::string>{"Error bad speed fast"}));
  EXPECT_EQ(board.link_speed(), 9600);
}

TEST(LiveInputs, PollsAnswerOneOrAllInputsWithTheirExpressionValue) {
  SimulatedBoard board(BoardConfiguration(BoardKind{'F'}));
  ASSERT_EQ(board.execute_line("a3=a*0.03814697+0,3").lines.back(), "Ok");
  const BoardReply one = board.execute_line("a3");
  ASSERT_EQ(one.lines.size(), 2u);
  const std::string& line = one.lines.front();
  EXPECT_EQ(line.rfind(" a3: ", 0), 0u) << line;
  const long count = std::stol(line.substr(5));
  EXPECT_TRUE(count >= 65536 / 10 && count <= 65536 * 9 / 10) << count;
  // The value is the count under the stored expression, in volts with three decimals.
  EXPECT_NEAR(std::stod(line.substr(line.find('=') + 1)), count * 0.03814697 / 1000, 0.002);
  EXPECT_NE(board.execute_line("a 2").lines.front().find(" a15: "), std::string::npos);
  // Firmware before the alarms (kAlarmFirmware) has no single-input poll; an E board has eight inputs.
  SimulatedBoard old(BoardConfiguration(BoardKind{'E', 602}));
  EXPECT_EQ(old.execute_line("a3").lines.front(), "Error unknown command a3");
  EXPECT_EQ(old.execute_line("a?").lines.front().find(" a8: "), std::string::npos);
}

}  // namespace
}  // namespace vexa::sim
