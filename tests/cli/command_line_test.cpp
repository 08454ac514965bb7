// vexacli's command line in-process: every command's option reaches its reader in both spellings, wrong
// lines exit with 2 and one line naming the option and why, every command's help lists its options.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/command_options.h"
#include "support/child_process.h"

namespace vexa::cli {
namespace {

// A command, arguments it takes, and a usable value of options of each kind (empty: a flag); the
// numbers include the ends of their ranges. Every option's presence is the help test's.
struct CommandCase {
  std::string command;
  std::vector<std::string> args;
  std::vector<std::pair<std::string, std::string>> options;
};

const std::vector<CommandCase> command_cases = {
    {"terminal", {}, {{"--line", "7E2"}, {"--ansi", ""}}},  // the others are run by the link commands' test
    {"send", {"conf"}, {{"--wait-ok", ""}, {"--listen", "0.25"}}},
    {"get-conf", {"b.txt"}, {{"--quiet-ms", "600000"}}},
    {"put-conf", {"b.txt"}, {{"--quiet-ms", "0"}}},
    {"expr", {"a"}, {{"--board", "F"}, {"--firmware", "400"}}},
    {"convert", {"a", "5"}, {{"--board", "E"}, {"--firmware", "2999"}}},
    {"calibrate", {"1", "2", "3", "4"}, {{"--board", "S"}, {"--firmware", "603"}, {"--type", "m"}, {"--verbose", ""}}},
    {"factory-test", {},
     {{"--report", "r.json"}, {"--countdown", "600"}, {"--timeout", "3600"}, {"--quiet-ms", "60000"}}},
    {"upload", {"t", "h"}, {{"--binary", ""}, {"--idle", "1"}, {"--follow", "86400"}}},
};

// What the command reads of its option: the number of a whole or real one, else its text.
bool reached(const ParsedArgs& p, const std::string& name, const std::string& value) {
  const auto& options = p.command->options;
  const auto row =
      std::find_if(options.begin(), options.end(), [&](const CommandOption& o) { return o.spec.name == name; });
  if (row == options.end()) return false;
  if (value.empty()) return p.values.has(name);
  if (row->rule.kind == ValueRule::Kind::whole) return p.values.whole(name, -99) == std::stoi(value);
  if (row->rule.kind == ValueRule::Kind::real) return p.values.real(name, -99) == std::stod(value);
  return p.values.text(name) == value;
}

// The words with the option inserted at `at`, as "--name value" and "--name=value" (a flag: alone),
// each parse to the command and arguments, and the command reads what it lacks without the option.
void expect_reached(const std::vector<std::string>& words, std::size_t at, const std::string& option,
                    const std::string& value) {
  SCOPED_TRACE(words[0] + " " + option);
  const ParsedArgs without = parse_args(words);
  ASSERT_TRUE(without.command) << without.result.text;
  EXPECT_FALSE(reached(without, option, value)) << "holds anyway";
  std::vector<std::vector<std::string>> spellings = {{option}};
  if (!value.empty()) spellings = {{option, value}, {option + "=" + value}};
  for (const auto& spelling : spellings) {
    std::vector<std::string> with = words;
    with.insert(with.begin() + static_cast<long>(at), spelling.begin(), spelling.end());
    const ParsedArgs parsed = parse_args(with);
    ASSERT_EQ(parsed.result.outcome, ProgramOptions::Outcome::run) << spelling[0] << ": " << parsed.result.text;
    ASSERT_TRUE(parsed.command);
    EXPECT_EQ(parsed.command->name, without.command->name);
    EXPECT_TRUE(reached(parsed, option, value)) << spelling[0];
    EXPECT_EQ(parsed.args, without.args) << spelling[0];
  }
}

// The options before the command are run end to end: --port and --settings by every vexaboard
// test, --baud, --lang and --target by the start settings', --log by the factory test's, --tcp by
// the board server's.
TEST(CliCommandLine, EveryOptionReachesWhatReadsItInBothSpellings) {
  for (const CommandCase& c : command_cases) {
    // Between the arguments when there are two or more, as scripts may write it.
    const std::size_t at = 1 + (c.args.size() >= 2 ? 1 : c.args.size());
    std::vector<std::string> words = {c.command};
    words.insert(words.end(), c.args.begin(), c.args.end());
    for (const auto& [option, value] : c.options) expect_reached(words, at, option, value);
  }
}

struct CliRun {
  int status;
  std::string out, err;
};

CliRun run_cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = run(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(CliCommandLine, WrongLinesExitWithTwoAndOneLineNamingTheOption) {
  const std::pair<std::vector<std::string>, std::string> bad[] = {
      {{"--baud", "0", "send", "x"}, "vexacli: --baud wants a positive number, not '0'"},
      {{"--lang", "x", "send", "x"}, "vexacli: --lang wants e, f or d, not 'x'"},
      {{"frob"}, "vexacli: unknown command 'frob'"},
      {{"send", "x", "--listen", "86400.5"}, "vexacli send: --listen wants seconds (0 to 86400), not '86400.5'"},
      {{"send", "x", "--listen=-1"}, "vexacli send: --listen wants seconds (0 to 86400), not '-1'"},
      {{"send", "x", "--wait-ok=1"}, "vexacli send: --wait-ok takes no value"},
      {{"send", "x", "--port", "p"}, "vexacli send: unknown option '--port'"},  // the common ones stand before it
      {{"get-conf", "--quiet-ms", "600001"}, "vexacli get-conf: --quiet-ms wants milliseconds (0 to 600000), not '600001'"},
      {{"erase", "--quiet-ms", "x"}, "vexacli erase: --quiet-ms wants milliseconds (0 to 600000), not 'x'"},
      {{"factory-test", "--quiet-ms", "60001"}, "vexacli factory-test: --quiet-ms wants 0 to 60000, not '60001'"},
      {{"factory-test", "--countdown", "601"}, "vexacli factory-test: --countdown wants 0 to 600, not '601'"},
      {{"factory-test", "--timeout", "0"}, "vexacli factory-test: --timeout wants 1 to 3600, not '0'"},
      {{"expr", "--board", "X", "a"}, "vexacli expr: --board wants E, F or S, not 'X'"},
      {{"expr", "--board", "S", "--firmware", "399", "a"}, "vexacli expr: --firmware wants 400 to 2999, not '399'"},
      {{"convert", "--board", "S", "--firmware=3000", "a", "1"}, "vexacli convert: --firmware wants 400 to 2999, not '3000'"},
      {{"upload", "a", "b", "--idle", "0"}, "vexacli upload: --idle wants seconds (1 to 86400), not '0'"},
      {{"upload", "a", "b", "--follow", "86401"}, "vexacli upload: --follow wants seconds (1 to 86400), not '86401'"},
      {{"terminal", "--line", "9Z1"}, "vexacli terminal: --line wants a frame such as 8N1, 7E1 or e,7,1,rtscts, not '9Z1'"},
      {{"terminal", "--line"}, "vexacli terminal: --line needs a value"},
      // The commands' own checks of their arguments, before any port is opened.
      {{"send"}, "vexacli send: give exactly one LINE (quote it when it holds blanks)"},
      {{"expr", "a"}, "vexacli expr: --board E|F|S is needed"},
      {{"send-lines", "fast"}, "vexacli send-lines: PACE must be once, burst, 1s, 2s or 250ms, not 'fast'"},
      {{"terminal", "extra"}, "vexacli terminal: takes no arguments, not 'extra'"},
      {{"upload", "only-one"}, "vexacli upload: give TARGET (the file on the board) and HOSTFILE"},
      {{"convert", "--board", "S", "a", "many"}, "vexacli convert: COUNT must be a number, not 'many'"},
      {{"calibrate", "--board", "S", "x", "0", "5", "1"}, "vexacli calibrate: every point must be a number"},
  };
  for (const auto& [args, line] : bad) {
    const CliRun r = run_cli(args);
    EXPECT_EQ(r.status, 2) << line;
    EXPECT_EQ(r.err, line + "\nRun with --help for more.\n");
    EXPECT_EQ(r.out, "") << line;
  }
}

// The commands that need no board, as scripts read them; the numbers themselves are the analog
// subsystem's.
TEST(CliCommandLine, ExprConvertAndCalibratePrintWhatTheBoardStores) {
  struct Row {
    std::vector<std::string> args;
    int status;
    std::string out;  // a part of standard output, or of standard error when the status is not 0
  };
  const Row rows[] = {
      {{"expr", "--board", "F", "--firmware", "602", "a*1+0,0<5"}, 0, "a*1.00000000+0,0\n"},  // alarms from 603 on
      {{"expr", "--board", "F", "--firmware", "603", "a*1+0,0<5"}, 0, "a*1.00000000+0,0<5\n"},
      {{"convert", "--board", "E", "a*98-127,3", "1023"}, 0, "2557.5mV\n100.127\n"},
      {{"calibrate", "--board", "E", "--verbose", "100", "-10", "900", "250"}, 0, "why= +x>FFFF\na*33-4500,2\n"},
      {{"calibrate", "--board", "S", "5", "0", "5", "1"}, 1, "calibrate: these points give no scaling"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.back());
    const CliRun r = run_cli(row.args);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_NE((row.status == 0 ? r.out : r.err).find(row.out), std::string::npos) << r.out << r.err;
  }
}

TEST(CliCommandLine, ArgumentsStayArgumentsWhereverTheOptionsStand) {
  ParsedArgs p = parse_args({"send", "--", "--x"});
  EXPECT_EQ(p.args, std::vector<std::string>{"--x"});
  p = parse_args({"send", "erase"});  // another command's name is an argument here
  ASSERT_TRUE(p.command);
  EXPECT_EQ(p.command->name, "send");
  EXPECT_EQ(p.args, std::vector<std::string>{"erase"});
  p = parse_args({"calibrate", "--board", "S", "-5", "0", "5", "1"});  // negative numbers are no options
  EXPECT_EQ(p.args, (std::vector<std::string>{"-5", "0", "5", "1"}));
  p = parse_args({"--port", "a", "--port", "b", "upload", "t", "--idle", "5", "h", "--idle=9"});
  EXPECT_EQ(p.options.port, "b");  // the last one wins
  EXPECT_EQ(p.values.whole("--idle", 0), 9);
  EXPECT_EQ(p.args, (std::vector<std::string>{"t", "h"}));
}

// The completion script the package installs is run by bash as it completes a typed line.
TEST(CliCommandLine, HelpAndBashCompletionListEveryCommandAndEachCommandsOwnOptions) {
  const CliRun top = run_cli({"--help"});
  EXPECT_EQ(top.status, 0);
  EXPECT_EQ(top.out, usage_text());
  EXPECT_EQ(run_cli({}).out, top.out);  // no command: what there is
  EXPECT_EQ(top.out.find("--bash-completion"), std::string::npos);  // for the package, not for people
  const CliRun script = run_cli({"--bash-completion"});
  ASSERT_EQ(script.status, 0);
  auto complete = [&](const std::string& typed) {
    std::string words;
    std::istringstream split(typed);
    for (std::string word; split >> word;) words += " '" + word + "'";
    if (typed.back() == ' ') words += " ''";
    const std::string program = script.out + "COMP_WORDS=(" + words +
                                "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _vexacli; echo \"${COMPREPLY[*]}\"";
    return test::run_program("/bin/bash", {"-c", program}).out;
  };
  EXPECT_EQ(complete("vexacli se"), "send set-time send-lines\n");
  EXPECT_EQ(complete("vexacli --ta"), "--target\n");
  EXPECT_EQ(complete("vexacli --port /dev/ttyUSB0 upload x --f"), "--fast --follow\n");
  EXPECT_EQ(complete("vexacli factory-test --"), "--help --report --countdown --timeout --quiet-ms\n");
  EXPECT_EQ(complete("vexacli send conf --listen "), "\n");  // a value: left to bash
  for (const CommandOption& option : common_options())
    EXPECT_NE(top.out.find("  " + std::string(option.spec.name) + " " + std::string(option.spec.value_name) + " "),
              std::string::npos)
        << option.spec.name << "\n" << top.out;
  for (const Command& command : command_table()) {
    EXPECT_NE(top.out.find("\n  " + std::string(command.name) + " "), std::string::npos) << command.name;
    EXPECT_NE(top.out.find(std::string(command.summary)), std::string::npos) << command.name;
    const CliRun own = run_cli({std::string(command.name), "--help"});
    EXPECT_EQ(own.status, 0) << command.name;
    EXPECT_NE(own.out.find("Usage: vexacli " + std::string(command.name) + " " + std::string(command.usage) + "\n"),
              std::string::npos)
        << own.out;
    const std::string offered = complete("vexacli " + std::string(command.name) + " --");
    for (const CommandOption& option : command.options) {
      std::string shown = "  " + std::string(option.spec.name);
      if (!option.spec.value_name.empty()) shown += " " + std::string(option.spec.value_name);
      EXPECT_NE(own.out.find(shown + " "), std::string::npos) << command.name << " " << shown << "\n" << own.out;
      EXPECT_NE(own.out.find(std::string(option.spec.help)), std::string::npos) << option.spec.help;
      EXPECT_NE(offered.find(std::string(option.spec.name)), std::string::npos) << command.name << ": " << offered;
    }
    // Not the other commands' options: "--quiet-ms" is no option of send.
    if (command.name == "send") {
      EXPECT_EQ(own.out.find("--quiet-ms"), std::string::npos) << own.out;
    }
  }
}

}  // namespace
}  // namespace vexa::cli
