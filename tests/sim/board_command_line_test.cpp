// vexaboard's command line as tables: every option of the help reaches BoardOptions in both
// spellings, numbers take the edges of their range, wrong values say which option and why.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <set>

#include "sim/board_options.h"

namespace vexa::sim {
namespace {

using Options = const BoardOptions&;

struct Good {
  std::string option;
  std::string value;  // empty: a flag
  std::function<bool(Options)> reached;
  long low = 0, high = 0;  // a number's range; high 0: not a number
  std::vector<std::string> before = {};  // what the option needs first
};

const std::vector<Good>& good_cases() {
  static const std::vector<Good> cases = {
      {"--firmware", "603", [](Options o) { return o.kind.firmware == 603; }, 400, 2999},
      {"--tcp", "h:4001", [](Options o) { return o.tcp_host == "h" && o.tcp_port == 4001 && o.pty_path.empty(); }},
      {"--reply-delay", "250", [](Options o) { return o.faults.reply_delay_ms == 250; }, 0, 600000},
      {"--drop-reply", "3", [](Options o) { return o.faults.drop_every == 3; }, 1, 1000000},
      {"--vanish-after-replies", "9", [](Options o) { return o.vanish.after_replies == 9; }, 0, 1000000},
      {"--back-after", "250", [](Options o) { return o.vanish.back_after_ms == 250; }, 0, 600000},
      {"--pace", "", [](Options o) { return o.faults.pace && !o.faults.noise; }},
      {"--loader", "Download S7", [](Options o) { return o.download.loader.row == 4; }, 1, 5},
      {"--loader-format", "bin", [](Options o) { return o.download.loader.bin_frames; }},
      {"--no-banner", "", [](Options o) { return !o.download.loader.banner; }},
      {"--wrong-echo-page", "3", [](Options o) { return o.download.loader.wrong_echo_page == 3; }, 0, 1000000},
      {"--script-crlf", "", [](Options o) { return o.download.loader.script_crlf; }},
      {"--vanish-after-pages", "4", [](Options o) { return o.download.loader.vanish_after_pages == 4; }, 0, 1000000},
      {"--card-upper", "", [](Options o) { return o.download.card.upper_ack; }},
      {"--card-stall-from", "5", [](Options o) { return o.download.card.stall_from_chunk == 5; }, 0, 1000000},
      {"--vanish-after-chunks", "6", [](Options o) { return o.download.card.vanish_after_chunks == 6; }, 0, 1000000},
      {"--log-lines", "7", [](Options o) { return o.logs.at(0).initial_lines == 7; }, 0, 100000000, {"--log-file", "a"}},
      // Repeated options keep the command line's order: the last one wins, --selftest-fail adds up,
      // and --log-lines and --log-grow are about the log named last before them.
      {"--reply-delay", "7", [](Options o) { return o.faults.reply_delay_ms == 7; }, 0, 0, {"--reply-delay", "5"}},
      {"--selftest-fail", "ad",
       [](Options o) { return o.self_test.fail == std::set<std::string>{"rtc", "ad"}; }, 0, 0, {"--selftest-fail", "rtc"}},
      {"--log-grow", "0", [](Options o) { return o.logs.at(0).grow_ms == 1000 && o.logs.at(1).grow_ms == 0; }, 0, 3600000,
       {"--log-file", "a", "--log-numbered", "b"}},
  };
  return cases;
}

// An E board on a pty (an E board has a loader banner, so --no-banner shows).
std::vector<std::string> with_base(std::vector<std::string> words) {
  std::vector<std::string> args = {"--type", "E"};
  const bool tcp = std::any_of(words.begin(), words.end(), [](const std::string& w) { return w.rfind("--tcp", 0) == 0; });
  if (!tcp) args.insert(args.end(), {"--pty", "/tmp/b"});
  args.insert(args.end(), words.begin(), words.end());
  return args;
}

// "--help" lists exactly the options of the table.
TEST(BoardCommandLine, EveryOptionOfTheHelpReachesTheBoardOptionsAndEveryNumberKeepsItsRange) {
  const std::string help = board_usage_text();
  // "-h,--help" is not matched; the others reach the board in the whole-program runs of the
  // sim, config, cli, upload, link and download tests.
  std::set<std::string> listed, covered = {"--version", "--type", "--pty", "--name", "--conf", "--samba", "--card",
                                           "--noise", "--card-lose-ack", "--log-file", "--log-numbered",
                                           "--line-speed", "--flash-out", "--selftest-res-once"};
  const std::regex option_line(R"(\n  (--[a-z-]+)( [^ ]+)?  )");
  for (auto it = std::sregex_iterator(help.begin(), help.end(), option_line); it != std::sregex_iterator(); ++it)
    listed.insert((*it)[1]);
  for (const Good& c : good_cases()) {
    SCOPED_TRACE(c.option);
    covered.insert(c.option);
    std::vector<std::string> spaced = c.before, joined = c.before;
    spaced.push_back(c.option);
    if (!c.value.empty()) spaced.push_back(c.value);
    joined.push_back(c.value.empty() ? c.option : c.option + "=" + c.value);
    for (const auto& spelling : {spaced, joined}) {
      const OptionsResult r = parse_board_options(with_base(spelling));
      ASSERT_TRUE(r.options) << r.error;
      EXPECT_TRUE(c.reached(*r.options)) << "did not reach the options: " << spelling.back();
    }
    if (c.high == 0) continue;
    // A number takes the edges of its range; one beyond is refused, naming the option and the value.
    for (const long n : {c.low - 1, c.low, c.high, c.high + 1}) {
      const std::string value = std::to_string(n);
      std::vector<std::string> words = c.before;
      words.insert(words.end(), {c.option, value});
      const OptionsResult r = parse_board_options(with_base(words));
      const bool inside = n >= c.low && n <= c.high;
      EXPECT_EQ(r.options.has_value(), inside) << value << ": " << r.error;
      if (!inside) {
        EXPECT_EQ(r.error.rfind(c.option + " must be ", 0), 0u) << r.error;
        EXPECT_NE(r.error.find("not '" + value + "'"), std::string::npos) << r.error;
      }
    }
  }
  EXPECT_EQ(listed, covered) << help;
  EXPECT_TRUE(parse_board_options({"--type", "S", "--tcp", "h:65535"}).options);
  EXPECT_TRUE(parse_board_options({"--type", "S", "--tcp", "h:0"}).options);
}

TEST(BoardCommandLine, WrongCommandLinesSayWhichOptionAndWhy) {
  const std::pair<std::vector<std::string>, std::string> bad[] = {
      {{"--firmware", "12x"}, "--firmware must be a version from 400 to 2999, not '12x'"},
      {{"--pace=yes"}, "--pace takes no value"},
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"stray"}, "unexpected argument 'stray'"},
      {{"--log-grow", "5"}, "--log-grow must follow --log-file or --log-numbered"},
      {{"--loader-format", "srec"}, "--loader-format must be hex or bin, not 'srec'"},
      {{"--selftest-fail", "rtc,clock"}, "not 'clock'"},
      // A value that looks like an option is still the value of the option before it.
      {{"--name", "--pace"}, "--name must be 1 to 20 letters and digits, not '--pace'"},
      {{"--type", "s"}, "--type must be E, F or S, not 's'"},
      {{"--tcp", "hostonly"}, "HOST:PORT"},
      {{"--pty", "/tmp/b", "--tcp", "h:1"}, "exactly one"},
  };
  for (const auto& [words, reason] : bad) {
    const OptionsResult r = parse_board_options(with_base(words));
    EXPECT_FALSE(r.options) << words[0];
    EXPECT_NE(r.error.find(reason), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;  // one line
  }
  EXPECT_NE(parse_board_options({"--pty", "/tmp/b"}).error.find("--type"), std::string::npos);
  EXPECT_NE(parse_board_options({"--type", "S"}).error.find("exactly one"), std::string::npos);
}

}  // namespace
}  // namespace vexa::sim
