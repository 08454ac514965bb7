// vexacli's command line as tables, read in-process: every option reaches what the program or
// its command reads, in both spellings; wrong lines exit with 2 and one line naming the option
// and why; every command's "--help" lists exactly its options.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <sstream>

#include "base/identity.h"
#include "cli/cli_app.h"
#include "cli/command_options.h"
#include "support/child_process.h"

namespace vexa::cli {
namespace {

struct Reached {
  std::string command;            // empty: an option before the command
  std::vector<std::string> args;  // the command's arguments
  std::string option;
  std::string value;              // empty: a flag
  std::function<bool(const ParsedArgs&)> check;
};

bool whole_is(const ParsedArgs& p, const char* name, int value) { return p.values.whole(name, -99) == value; }

const std::vector<Reached>& reached_cases() {
  static const std::vector<Reached> cases = {
      {"", {}, "--port", "/dev/ttyUSB3", [](const ParsedArgs& p) { return p.options.port == "/dev/ttyUSB3"; }},
      {"", {}, "--tcp", "192.0.2.7 2000", [](const ParsedArgs& p) { return p.options.tcp == "192.0.2.7 2000"; }},
      {"", {}, "--baud", "19200", [](const ParsedArgs& p) { return p.given.baud == 19200; }},
      {"", {}, "--lang", "f", [](const ParsedArgs& p) { return p.given.language == 'f'; }},
      {"", {}, "--log", "2", [](const ParsedArgs& p) { return p.given.log_mode == 2; }},
      {"", {}, "--target", "VexaLog E v1404", [](const ParsedArgs& p) { return p.options.target == "VexaLog E v1404"; }},
      {"", {}, "--settings", "/tmp/s", [](const ParsedArgs& p) { return p.options.settings_dir == "/tmp/s"; }},
      {"terminal", {}, "--line", "7E2", [](const ParsedArgs& p) { return p.values.text("--line") == "7E2"; }},
      {"terminal", {}, "--enter", "crlf", [](const ParsedArgs& p) { return p.values.text("--enter") == "crlf"; }},
      {"terminal", {}, "--backspace", "del", [](const ParsedArgs& p) { return p.values.text("--backspace") == "del"; }},
      {"terminal", {}, "--echo", "", [](const ParsedArgs& p) { return p.values.has("--echo"); }},
      {"terminal", {}, "--hex", "", [](const ParsedArgs& p) { return p.values.has("--hex"); }},
      {"terminal", {}, "--timestamps", "", [](const ParsedArgs& p) { return p.values.has("--timestamps"); }},
      {"terminal", {}, "--ansi", "", [](const ParsedArgs& p) { return p.values.has("--ansi"); }},
      {"send", {"conf"}, "--wait-ok", "", [](const ParsedArgs& p) { return p.values.has("--wait-ok"); }},
      {"send", {"conf"}, "--listen", "0.25", [](const ParsedArgs& p) { return p.values.real("--listen", 0) == 0.25; }},
      {"get-conf", {"b.txt"}, "--quiet-ms", "600000", [](const ParsedArgs& p) { return whole_is(p, "--quiet-ms", 600000); }},
      {"put-conf", {"b.txt"}, "--quiet-ms", "0", [](const ParsedArgs& p) { return whole_is(p, "--quiet-ms", 0); }},
      {"compare", {"b.txt"}, "--quiet-ms", "20", [](const ParsedArgs& p) { return whole_is(p, "--quiet-ms", 20); }},
      {"erase", {}, "--quiet-ms", "30", [](const ParsedArgs& p) { return whole_is(p, "--quiet-ms", 30); }},
      {"expr", {"a"}, "--board", "F", [](const ParsedArgs& p) { return p.values.text("--board") == "F"; }},
      {"expr", {"a"}, "--firmware", "400", [](const ParsedArgs& p) { return whole_is(p, "--firmware", 400); }},
      {"convert", {"a", "5"}, "--board", "E", [](const ParsedArgs& p) { return p.values.text("--board") == "E"; }},
      {"convert", {"a", "5"}, "--firmware", "2999", [](const ParsedArgs& p) { return whole_is(p, "--firmware", 2999); }},
      {"calibrate", {"1", "2", "3", "4"}, "--board", "S", [](const ParsedArgs& p) { return p.values.text("--board") == "S"; }},
      {"calibrate", {"1", "2", "3", "4"}, "--firmware", "603", [](const ParsedArgs& p) { return whole_is(p, "--firmware", 603); }},
      {"calibrate", {"1", "2", "3", "4"}, "--type", "m", [](const ParsedArgs& p) { return p.values.text("--type") == "m"; }},
      {"calibrate", {"1", "2", "3", "4"}, "--verbose", "", [](const ParsedArgs& p) { return p.values.has("--verbose"); }},
      {"factory-test", {}, "--report", "r.json", [](const ParsedArgs& p) { return p.values.text("--report") == "r.json"; }},
      {"factory-test", {}, "--countdown", "600", [](const ParsedArgs& p) { return whole_is(p, "--countdown", 600); }},
      {"factory-test", {}, "--timeout", "3600", [](const ParsedArgs& p) { return whole_is(p, "--timeout", 3600); }},
      {"factory-test", {}, "--quiet-ms", "60000", [](const ParsedArgs& p) { return whole_is(p, "--quiet-ms", 60000); }},
      {"flash", {"f.bin"}, "--samba", "", [](const ParsedArgs& p) { return p.values.has("--samba"); }},
      {"flash", {"f.binb"}, "--verbose", "", [](const ParsedArgs& p) { return p.values.has("--verbose"); }},
      {"upload", {"t", "h"}, "--binary", "", [](const ParsedArgs& p) { return p.values.has("--binary"); }},
      {"upload", {"t", "h"}, "--fast", "", [](const ParsedArgs& p) { return p.values.has("--fast"); }},
      {"upload", {"t", "h"}, "--create", "", [](const ParsedArgs& p) { return p.values.has("--create"); }},
      {"upload", {"t", "h"}, "--idle", "1", [](const ParsedArgs& p) { return whole_is(p, "--idle", 1); }},
      {"upload", {"t", "h"}, "--follow", "86400", [](const ParsedArgs& p) { return whole_is(p, "--follow", 86400); }},
      {"download", {"f.hex"}, "--samba", "", [](const ParsedArgs& p) { return p.values.has("--samba"); }},
      {"download", {"f.binb"}, "--verbose", "", [](const ParsedArgs& p) { return p.values.has("--verbose"); }},
  };
  return cases;
}

// The words of a case: options before the command, or the command, its arguments and the
// option (between the arguments when there are two or more, as scripts may write it).
std::vector<std::string> words_of(const Reached& c, const std::vector<std::string>& option) {
  std::vector<std::string> words;
  if (c.command.empty()) {
    words = option;
    words.insert(words.end(), {"set-time", "now"});
    return words;
  }
  words.push_back(c.command);
  const std::size_t split = c.args.size() >= 2 ? 1 : c.args.size();
  words.insert(words.end(), c.args.begin(), c.args.begin() + static_cast<long>(split));
  words.insert(words.end(), option.begin(), option.end());
  words.insert(words.end(), c.args.begin() + static_cast<long>(split), c.args.end());
  return words;
}

TEST(CliCommandLine, EveryOptionReachesItsCommandInBothSpellings) {
  for (const Reached& c : reached_cases()) {
    const ParsedArgs without = parse_args(words_of(c, {}));
    ASSERT_EQ(without.result.outcome, ProgramOptions::Outcome::run) << c.option << ": " << without.result.text;
    EXPECT_FALSE(c.check(without)) << c.option << " is checked by something that holds anyway";
    std::vector<std::vector<std::string>> spellings = {{c.option}};
    if (!c.value.empty()) spellings = {{c.option, c.value}, {c.option + "=" + c.value}};
    for (const auto& spelling : spellings) {
      const ParsedArgs parsed = parse_args(words_of(c, spelling));
      ASSERT_EQ(parsed.result.outcome, ProgramOptions::Outcome::run) << spelling[0] << ": " << parsed.result.text;
      ASSERT_TRUE(parsed.command) << spelling[0];
      EXPECT_EQ(parsed.command->name, c.command.empty() ? "set-time" : c.command);
      EXPECT_TRUE(c.check(parsed)) << c.command << " " << spelling[0];
      EXPECT_EQ(parsed.args, c.command.empty() ? std::vector<std::string>{"now"} : c.args) << spelling[0];
    }
  }
}

TEST(CliCommandLine, TheTableCoversEveryOptionOfEveryCommand) {
  std::set<std::pair<std::string, std::string>> declared, covered;
  for (const CommandOption& option : common_options()) declared.insert({"", std::string(option.spec.name)});
  for (const Command& command : command_table())
    for (const CommandOption& option : command.options)
      declared.insert({std::string(command.name), std::string(option.spec.name)});
  for (const Reached& c : reached_cases()) covered.insert({c.command, c.option});
  EXPECT_EQ(declared, covered);
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
      {{"--log=3", "send", "x"}, "vexacli: --log wants 0, 1 or 2, not '3'"},
      {{"--port"}, "vexacli: --port needs a value"},
      {{"--bogus", "send", "x"}, "vexacli: unknown option '--bogus'"},
      {{"frob"}, "vexacli: unknown command 'frob'"},
      {{"send", "x", "--listen", "86400.5"}, "vexacli send: --listen wants seconds (0 to 86400), not '86400.5'"},
      {{"send", "x", "--listen=-1"}, "vexacli send: --listen wants seconds (0 to 86400), not '-1'"},
      {{"send", "x", "--wait-ok=1"}, "vexacli send: --wait-ok takes no value"},
      {{"send", "x", "--colour"}, "vexacli send: unknown option '--colour'"},
      {{"send", "x", "--port", "p"}, "vexacli send: unknown option '--port'"},  // before the command only
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
      {{"terminal", "--enter", "cr lf"}, "vexacli terminal: --enter wants cr, lf or crlf, not 'cr lf'"},
      {{"terminal", "--backspace=x"}, "vexacli terminal: --backspace wants bs or del, not 'x'"},
      {{"terminal", "--line"}, "vexacli terminal: --line needs a value"},
      // The commands' own checks of their arguments, before any port is opened.
      {{"send"}, "vexacli send: give exactly one LINE (quote it when it holds blanks)"},
      {{"expr", "a"}, "vexacli expr: --board E|F|S is needed"},
      {{"send-lines", "fast"}, "vexacli send-lines: PACE must be once, burst, 1s, 2s or 250ms, not 'fast'"},
      {{"terminal", "extra"}, "vexacli terminal: takes no arguments, not 'extra'"},
      {{"upload", "only-one"}, "vexacli upload: give TARGET (the file on the board) and HOSTFILE"},
  };
  for (const auto& [args, line] : bad) {
    const CliRun r = run_cli(args);
    EXPECT_EQ(r.status, 2) << line;
    EXPECT_EQ(r.err, line + "\nRun with --help for more.\n");
    EXPECT_EQ(r.out, "") << line;
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

TEST(CliCommandLine, HelpListsEveryCommandAndOptionAndEachCommandHasItsOwn) {
  const CliRun top = run_cli({"--help"});
  EXPECT_EQ(top.status, 0);
  EXPECT_EQ(top.out, usage_text());
  EXPECT_EQ(run_cli({}).out, top.out);  // no command: what there is
  EXPECT_EQ(top.out.find("--bash-completion"), std::string::npos);  // for the package, not for people
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
    for (const CommandOption& option : command.options) {
      std::string shown = "  " + std::string(option.spec.name);
      if (!option.spec.value_name.empty()) shown += " " + std::string(option.spec.value_name);
      EXPECT_NE(own.out.find(shown + " "), std::string::npos) << command.name << " " << shown << "\n" << own.out;
      EXPECT_NE(own.out.find(std::string(option.spec.help)), std::string::npos) << option.spec.help;
    }
    // Not the other commands' options: "--quiet-ms" is no option of send.
    if (command.name == "send") {
      EXPECT_EQ(own.out.find("--quiet-ms"), std::string::npos) << own.out;
    }
  }
  // Only a time stamp is a resume point: the help does not promise more.
  EXPECT_NE(run_cli({"upload", "--help"}).out.find("without time stamps, numbered lines or not, gets the whole listing again"),
            std::string::npos);
  const CliRun version = run_cli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, make_identity("vexacli", ".").product_name + " 1404\n");
}

// The completion script the package installs, run by bash as it completes a typed line.
TEST(CliCommandLine, BashCompletionOffersTheCommandsAndEachCommandsOptions) {
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
  for (const Command& command : command_table()) {
    const std::string offered = complete("vexacli " + std::string(command.name) + " --");
    for (const CommandOption& option : command.options)
      EXPECT_NE(offered.find(std::string(option.spec.name)), std::string::npos) << command.name << ": " << offered;
  }
}

}  // namespace
}  // namespace vexa::cli
