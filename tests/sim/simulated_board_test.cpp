// The simulated board's line protocol: "conf" per type, assignments taken whole or refused,
// command chains, framing, the line limit, "z", the clock, the host's own download plan and
// the start configuration file.
#include "sim/simulated_board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "config/config_exchange.h"
#include "config/parameter_table.h"
#include "config/parse_assignments.h"
#include "support/fixed_clocks.h"

namespace vexa::sim {
namespace {

BoardKind kind_of(char type, int firmware = kDefaultFirmware) {
  BoardKind kind;
  kind.type = type;
  kind.firmware = firmware;
  return kind;
}

std::vector<std::string> lines_of(SimulatedBoard& board, std::string_view bytes) {
  std::vector<std::string> lines;
  for (const BoardReply& reply : board.feed(bytes))
    lines.insert(lines.end(), reply.lines.begin(), reply.lines.end());
  return lines;
}

// The assignments of a "conf" reply (without the identity and status lines).
std::vector<Assignment> conf_assignments(SimulatedBoard& board) {
  std::vector<BoardReply> replies = board.feed("conf\n");
  EXPECT_EQ(replies.size(), 1u);
  std::vector<Assignment> all;
  const auto& lines = replies.at(0).lines;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i)
    for (Assignment& a : split_assignments(lines[i])) all.push_back(std::move(a));
  return all;
}

std::set<std::string> conf_keys(SimulatedBoard& board) {
  std::set<std::string> keys;
  for (const Assignment& a : conf_assignments(board)) keys.insert(a.key);
  return keys;
}

class ConfPerType : public ::testing::TestWithParam<char> {};

TEST_P(ConfPerType, ReportsIdentityThenOnlyAvailableKeysThenOk) {
  const char type = GetParam();
  SimulatedBoard board(kind_of(type));
  std::vector<BoardReply> replies = board.feed("conf\n");
  ASSERT_EQ(replies.size(), 1u);
  const auto& lines = replies[0].lines;
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), std::string("VexaLog ") + type + " v1404");
  EXPECT_EQ(lines.back(), "Ok");

  const ParameterTable& table = language_table('e');
  std::set<std::string> seen;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    std::vector<Assignment> found = split_assignments(lines[i]);
    ASSERT_FALSE(found.empty()) << lines[i];
    EXPECT_LE(lines[i].size(), 998u);
    for (const Assignment& a : found) {
      EXPECT_EQ(a.field, AssignmentField::value);
      auto index = find_record(table, a.key);
      ASSERT_TRUE(index) << a.key << " is no parameter";
      EXPECT_TRUE(is_available(table[*index], type, kDefaultFirmware)) << a.key << " on " << type;
      EXPECT_TRUE(seen.insert(a.key).second) << a.key << " reported twice";
      // A macro runs to the end of its line, so it must be alone there.
      if (is_macro_key(a.key)) {
        EXPECT_EQ(found.size(), 1u) << lines[i];
      }
    }
  }
  // Every analog input the type has is configured, none beyond.
  const int inputs = type == 'E' ? 8 : 16;
  for (int n = 0; n < inputs; ++n) EXPECT_TRUE(seen.count("a" + std::to_string(n))) << n;
  EXPECT_FALSE(seen.count("a" + std::to_string(inputs)));
}

INSTANTIATE_TEST_SUITE_P(Types, ConfPerType, ::testing::Values('E', 'F', 'S'));

// One board per dialogue; each line fed in turn, its answer and then the values it leaves.
struct Step {
  std::string in;
  std::vector<std::string> out;
  std::vector<std::pair<std::string, std::string>> values = {};
};
struct Dialogue {
  const char* what;
  char type;
  int firmware;
  std::vector<Step> steps;
};

TEST(SimulatedBoard, LinesAreTakenWholeOrRefusedWithTheirReason) {
  const std::string nul_piece("d=12\0" "00", 7);
  const Dialogue dialogues[] = {
      {"assignments", 'E', kDefaultFirmware,
       {{"bd=19200 sf=1 a0=a*2+0,1\n", {"Ok"}, {{"bd", "19200"}, {"a0", "a*2+0,1"}}},
        // One key the board lacks spoils the line: nothing of it is applied.
        {"bd=4800; a8=a*1+0,0\n", {"Error unknown key a8"}, {{"bd", "19200"}}},
        {"bd=4800 zz=1\n", {"Error unknown key zz"}},
        {"af=0\n", {"Error read only af"}},
        {"a3.name=Outside\n", {"Error unknown key a3.name"}},
        {"bd=4800 junk\n", {"Error bad assignment junk"}},
        {"abcdefg=1\n", {"Error bad assignment abcdefg=1"}},
        {"launch\n", {"Error unknown command launch"}, {{"bd", "19200"}}},
        // An empty value is the board's own matter: taken as it is.
        {"rn=\n", {"Ok"}, {{"rn", ""}}},
        {"m0=1,ls;z\n", {"Error unknown key m0"}},
        {"bd=" + std::string(1500, '9') + "\n", {"Error line too long"}, {{"bd", "19200"}}},
        // A value up to the line limit is kept to the parameter's 99 characters.
        {"rn=" + std::string(150, 'x') + "\n", {"Ok"}, {{"rn", std::string(kParameterTextChars, 'x')}}}}},
      {"framing", 'E', kDefaultFirmware,
       // CR alone ends a command; CR LF does not make a second (empty) one.
       {{"sf=1\rrx=1\r\n\n  \n", {"Ok", "Ok"}},
        // A command may arrive in pieces; NUL bytes are dropped; nothing is echoed.
        {"b", {}},
        {nul_piece, {}},
        {"\n", {"Ok"}, {{"bd", "1200"}}}}},
      {"chains", 'F', kDefaultFirmware,
       {{"bd=2400; sf=1;rx=1\n", {"Ok"}, {{"bd", "2400"}, {"rx", "1"}}},
        // A macro takes the rest of the line, ';' included.
        {"sf=1; m3=30,1000ms,st;up x\n", {"Ok"}, {{"m3", "30,1000ms,st;up x"}, {"sf", "1"}}},
        {"gry=1\n", {"Error unknown key gry"}}}},
      {"gry before 1202", 'S', 1201, {{"gry=1\n", {"Error unknown key gry"}}}},
      {"gry from 1202", 'S', 1202, {{"gry=1\n", {"Ok"}, {{"gry", "1"}}}}},
  };
  for (const Dialogue& d : dialogues) {
    SCOPED_TRACE(d.what);
    SimulatedBoard board(kind_of(d.type, d.firmware));
    for (const Step& step : d.steps) {
      SCOPED_TRACE(step.in.substr(0, 40));
      EXPECT_EQ(lines_of(board, step.in), step.out);
      for (const auto& [key, value] : step.values) EXPECT_EQ(board.configuration().value(key), value) << key;
    }
  }
  SimulatedBoard old_board(kind_of('S', 1201)), new_board(kind_of('S', 1202));
  EXPECT_FALSE(conf_keys(old_board).count("gry"));
  EXPECT_TRUE(conf_keys(new_board).count("gry"));
}

TEST(SimulatedBoard, ErrorsCarryNoAssignmentAndAHalfLineIsForgotten) {
  SimulatedBoard board(kind_of('E'));
  // Error texts never carry '=', so a host storing received lines stores nothing from them.
  for (const std::string& line : lines_of(board, "ti=99\nbd=1 x=y=z\n"))
    EXPECT_EQ(line.find('='), std::string::npos) << line;
  EXPECT_EQ(board.feed_text("sf=1\n"), "Ok\r\n");
  board.feed("bd=96");
  board.discard_partial_line();
  EXPECT_EQ(lines_of(board, "00\n"), (std::vector<std::string>{"Error unknown command 00"}));
}

TEST(SimulatedBoard, ChainRunsTheEraseFirstAndAnswersOneOk) {
  SimulatedBoard board(kind_of('F'));
  lines_of(board, "bd=2400\n");
  // "z;conf": the erase comes first, so the report shows the factory value; one "Ok" at the end.
  std::vector<BoardReply> replies = board.feed("z;conf\n");
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].lines.front(), "VexaLog F v1404");
  EXPECT_EQ(replies[0].lines.back(), "Ok");
  EXPECT_EQ(std::count(replies[0].lines.begin(), replies[0].lines.end(), "Ok"), 1);
  EXPECT_EQ(board.configuration().value("bd"), "9600");
}

TEST(SimulatedBoard, ZRestoresTheFactoryStandard) {
  SimulatedBoard board(kind_of('S'));
  const auto factory = conf_assignments(board);
  lines_of(board, "a0=a*9,1 rs0=1,9600,x.txt,4096,0\n");
  EXPECT_NE(conf_assignments(board), factory);
  EXPECT_EQ(lines_of(board, "z\n"), (std::vector<std::string>{"Ok"}));
  EXPECT_EQ(conf_assignments(board), factory);
  EXPECT_EQ(board.link_speed(), 115200);
}

TEST(SimulatedBoard, ClockIsSetAndReported) {
  FixedClock host(make_local_time(2026, 12, 6, 10, 0, 0));
  SimulatedBoard board(kind_of('S'), host);
  EXPECT_EQ(lines_of(board, "ti\n"), (std::vector<std::string>{"ti=100000 dt=261206", "Ok"}));
  EXPECT_EQ(lines_of(board, "ti=235958 dt=240229\n"), (std::vector<std::string>{"Ok"}));
  EXPECT_EQ(lines_of(board, "ti\n").front(), "ti=235958 dt=240229");
  // Either part alone keeps the other.
  EXPECT_EQ(lines_of(board, "dt=250301\n"), (std::vector<std::string>{"Ok"}));
  EXPECT_EQ(lines_of(board, "ti\n").front(), "ti=235958 dt=250301");
  // The board clock runs on with the host clock.
  host.set_local(make_local_time(2026, 12, 6, 10, 0, 5));
  EXPECT_EQ(lines_of(board, "ti\n").front(), "ti=000003 dt=250302");

  EXPECT_EQ(lines_of(board, "ti=240000\n"), (std::vector<std::string>{"Error bad time ti"}));
  EXPECT_EQ(lines_of(board, "ti=120000 dt=230229\n"), (std::vector<std::string>{"Error bad time dt"}));
  EXPECT_EQ(lines_of(board, "ti=12000\n"), (std::vector<std::string>{"Error bad time ti"}));
  EXPECT_EQ(lines_of(board, "ti\n").front(), "ti=000003 dt=250302");
}

// The host's own download of what the board reported goes through with one "Ok" per line,
// and leaves the board's configuration as it was.
class HostDownload : public ::testing::TestWithParam<std::pair<char, int>> {};

TEST_P(HostDownload, EveryPlannedLineIsAcknowledged) {
  auto [type, firmware] = GetParam();
  SimulatedBoard board(kind_of(type, firmware));
  ParameterTable host = language_table('e');
  std::vector<BoardReply> conf = board.feed("conf\n");
  ASSERT_EQ(conf.size(), 1u);
  for (const std::string& line : conf[0].lines) parse_assignments(host, line);
  const auto before = conf_assignments(board);

  std::vector<std::string> plan = plan_download(host, type, firmware);
  ASSERT_FALSE(plan.empty());
  for (const std::string& line : plan)
    EXPECT_EQ(board.feed(line + "\n"), (std::vector<BoardReply>{{{"Ok"}}})) << line;
  EXPECT_EQ(conf_assignments(board), before);
}

INSTANTIATE_TEST_SUITE_P(Boards, HostDownload,
                         ::testing::Values(std::pair{'E', 1404}, std::pair{'F', 603},
                                           std::pair{'S', 1201}, std::pair{'S', 1404}));

TEST(BoardConfiguration, FileTextAppliesValuesAndNamesMissingKeys) {
  BoardConfiguration config(kind_of('E'));
  auto problems = config.apply_file_text(
      "# Configuration VexaLog E v1404 06Dec2026 10:00:00\r\n"
      "bd=4800 sf=1\r\n"
      "a2=a*4-100,1\n"
      "a2.name=Outside temp\n"
      "a2.type=Pt100\n"
      "m0=onReset,go\n"
      "VexaLog E v1404\n");
  EXPECT_EQ(config.value("bd"), "4800");
  EXPECT_EQ(config.value("sf"), "1");
  EXPECT_EQ(config.value("a2"), "a*4-100,1");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("line 6"), std::string::npos) << problems[0];
  EXPECT_NE(problems[0].find("m0"), std::string::npos) << problems[0];
}

}  // namespace
}  // namespace vexa::sim
