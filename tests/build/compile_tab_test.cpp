// The compile tab with real child processes, builds that misbehave (10 MB of output, one that
// ignores Stop), "recover" on the download worker, and the output pane's folding and the poll's
// partial-line rule on exact byte streams.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "base/board_jobs.h"
#include "base/command_ids.h"
#include "base/messages.h"
#include "base/settings.h"
#include "build/board_recovery.h"
#include "build/compile_environment.h"
#include "build/compile_tab.h"
#include "build/compile_tab_form.h"
#include "build/output_text.h"
#include "build/pipe_reader.h"
#include "support/link_over_pty.h"

namespace vexa {
namespace {

using test::TempDir;

// The tab's ways out to the window and the board, recorded.
class RecordingFront final : public CommandPoster, public CompileFileChooser, public FirmwareFileTarget,
                             public BoardRecovery {
 public:
  void post_command(int id, long param) override { posted.push_back({id, param}); }
  std::optional<std::string> choose(CompileFile kind, const std::string&) override {
    asked.push_back(kind);
    return answer;
  }
  void set_current_firmware(const std::string& path, const std::string& title) override {
    firmware_path = path;
    firmware_title = title;
  }
  void send_recovery() override { ++recoveries; }

  std::vector<std::pair<int, long>> posted;
  std::optional<std::string> answer;  // what the file dialog gives
  std::vector<CompileFile> asked;
  std::string firmware_path, firmware_title;
  int recoveries = 0;
};

constexpr char kInstall[] = "/opt/vexa";

class CompileTabTest : public ::testing::Test {
 protected:
  CompileTab& tab() {
    if (!tab_) tab_ = make_tab(messages);
    return *tab_;
  }
  std::unique_ptr<CompileTab> make_tab(const Messages& words) {
    auto tab = std::make_unique<CompileTab>(
        CompileTabPorts{settings, words, status, front, launcher, front, front, front}, kInstall);
    tab->set_download_available(true);
    return tab;
  }
  // Types into an edit of the tab as the front end does.
  void type(int id, const std::string& text) {
    tab().form().set_text(id, text);
    tab().command({id, kNotifyEditChanged});
  }
  void use_environment(const std::string& text) { type(compile::kEnvironment, text); }
  // Runs the command line and polls until the build has ended and its pipes are read.
  void run_to_end(const std::string& command, int limit_ms = 60000) {
    type(compile::kCommandLine, command);
    tab().command({compile::kRun});
    poll_until([&] { return !tab().running(); }, limit_ms);
    for (int i = 0; i < 3; ++i) tab().tick_100ms();  // a line without LF shows one poll later
  }
  template <class Cond>
  bool poll_until(Cond cond, int limit_ms = 60000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (std::chrono::steady_clock::now() < end) {
      tab().tick_100ms();
      if (cond()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return cond();
  }
  std::string pane() { return tab().form().text(compile::kOutput); }
  // CompileEnv1..9 as stored.
  std::vector<std::string> stored() {
    std::vector<std::string> lines;
    for (int n = 1; n <= 9; ++n) lines.push_back(settings.get_setting(compile_env_key(n), "unset"));
    return lines;
  }

  TempDir dir;
  Settings settings;
  Messages messages{"VexaLog", 'e'};
  test::RecordingStatus status;
  RecordingFront front;
  SpawnLauncher launcher;
  std::unique_ptr<CompileTab> tab_;
};

TEST_F(CompileTabTest, TheEnvironmentIsCompletedWithTheMissingDefaultsAndStoredLineByLine) {
  settings.set_value("CompileEnv2", "PATH=/usr/bin");
  settings.set_value("CompileEnv5", "CAVIARCC=/avr");
  EXPECT_EQ(tab().environment_text(), "PATH=/usr/bin\r\nCAVIARCC=/avr\r\nARMCC=\"/opt/vexa/firmware/arm\"\r\n");
  // Stored lines move up; the rest of the nine are emptied.
  EXPECT_EQ(stored(), (std::vector<std::string>{"PATH=/usr/bin", "CAVIARCC=/avr", "ARMCC=\"/opt/vexa/firmware/arm\"", "",
                                                "", "", "", "", ""}));
  // Blank lines and leading blanks vanish.
  use_environment("A=1\r\n\n   B=2");
  EXPECT_EQ(stored(), (std::vector<std::string>{"A=1", "B=2", "", "", "", "", "", "", ""}));
  std::string ten;
  for (int i = 1; i <= 10; ++i) ten += "V" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  use_environment(ten);
  EXPECT_EQ(stored().back(), "V9=9");  // the tenth line is dropped
  // The block the child gets holds 2000 bytes: with each NUL and the final one, four 403-byte lines.
  for (int n = 1; n <= 9; ++n) settings.set_value(compile_env_key(n), "V" + std::to_string(n) + "=" + std::string(400, 'x'));
  const std::vector<std::string> lines = environment_lines(settings);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3].substr(0, 3), "V4=");
}

// The folding itself is OutputTextTest below; here the pipes of both streams reach the pane, the
// child has no standard input and sees exactly the given environment in the working directory.
TEST_F(CompileTabTest, TheChildSeesTheGivenEnvironmentAndFolderAndBothStreamsAndTheExitCodeAreShown) {
  use_environment("PATH=/usr/bin:/bin\r\nGREETING=two words\r\nEMPTY=");
  type(compile::kWorkingDir, dir.path());
  run_to_end("env; pwd; cat; printf 'abc' >&2; exit 3");  // cat reads nothing
  std::istringstream lines(pane());
  std::set<std::string> seen;
  std::string line, first;
  std::getline(lines, first);
  EXPECT_EQ(first, "env; pwd; cat; printf 'abc' >&2; exit 3\r");
  while (std::getline(lines, line))
    if (!line.empty()) seen.insert(line.substr(0, line.size() - (line.back() == '\r' ? 1 : 0)));
  EXPECT_EQ(seen, (std::set<std::string>{"PATH=/usr/bin:/bin", "GREETING=two words", "EMPTY=", dir.path(), "abc"}));
  EXPECT_EQ(status.status(), (std::vector<std::string>{"Compiling", "Exit= 3"}));
}

TEST_F(CompileTabTest, DownloadAfterCompileStartsOnlyOnExitZeroAndOnlyWhenChecked) {
  type(compile::kBinaryFile, "/fw/vexalog.hex");
  run_to_end("true");
  EXPECT_TRUE(front.posted.empty());  // box not checked
  tab().command({compile::kAutoDownload});
  run_to_end("exit 1");
  EXPECT_TRUE(front.posted.empty());
  run_to_end("true");
  ASSERT_EQ(front.posted.size(), 1u);
  EXPECT_EQ(front.posted[0], (std::pair<int, long>{cmd::kDownloadFirmware, kDownloadCurrentFirmware}));
  EXPECT_EQ(front.firmware_path, "/fw/vexalog.hex");
  tab().command({compile::kAutoDownload});
  EXPECT_FALSE(tab().form().checked(compile::kAutoDownload));
  // A double click is a click and then its second half: each toggles the box.
  tab().command({compile::kAutoDownload, kNotifyDoubleClicked});
  EXPECT_TRUE(tab().form().checked(compile::kAutoDownload));
}

TEST_F(CompileTabTest, NoDownloadWithoutTheSessionsRecoverAndAProgramThatCannotStartRunNothing) {
  tab().set_download_available(false);
  tab().command({compile::kDownload});
  EXPECT_TRUE(front.posted.empty());
  EXPECT_NE(pane().find(messages.message("VtCompileNoDownload")), std::string::npos);
  type(compile::kCommandLine, "recover");
  tab().command({compile::kRun});
  EXPECT_EQ(front.recoveries, 1);
  EXPECT_FALSE(tab().running());
  type(compile::kCommandLine, "no-such-compiler-here -c x.c");
  tab().command({compile::kRun});
  EXPECT_FALSE(tab().running());
  EXPECT_EQ(pane(), "no-such-compiler-here -c x.c\r\nError exec = 0\r\n");
  EXPECT_TRUE(status.status().empty());
  // A program outside the build's PATH is not found either, nor a working directory that is gone.
  use_environment("PATH=/nowhere");
  type(compile::kCommandLine, "make");
  tab().command({compile::kRun});
  EXPECT_NE(pane().find("Error exec = 0"), std::string::npos);
  use_environment("PATH=/usr/bin:/bin");
  type(compile::kWorkingDir, dir.file("gone"));
  tab().command({compile::kRun});
  EXPECT_NE(pane().find("Error exec = 0"), std::string::npos);
}

TEST_F(CompileTabTest, TheChosenBinaryIsStoredWithForwardSlashesAndTheChosenMakefileRunsInItsFolder) {
  front.answer = "C:\\fw\\out.hex";
  tab().command({compile::kChooseBinary});
  EXPECT_EQ(tab().form().text(compile::kBinaryFile), "C:/fw/out.hex");
  EXPECT_EQ(settings.get_setting("CompileBin", ""), "C:/fw/out.hex");
  front.answer.reset();  // cancelled: nothing changes
  tab().command({compile::kChooseBinary});
  EXPECT_EQ(tab().binary_file(), "C:/fw/out.hex");

  dir.write("blink.mak", "all: blink.hex\n\t@echo linked\nblink.hex:\n\techo :00000001FF > blink.hex\n");
  front.answer = dir.file("blink.mak");
  tab().command({compile::kChooseMakefile});
  EXPECT_EQ(front.asked, (std::vector<CompileFile>{CompileFile::binary, CompileFile::binary, CompileFile::makefile}));
  EXPECT_EQ(tab().form().text(compile::kCommandLine), "make -Bf blink.mak");
  EXPECT_EQ(settings.get_setting("CompileDir", ""), dir.path());
  tab().command({compile::kRun});
  ASSERT_TRUE(poll_until([&] { return !tab().running(); }));
  EXPECT_EQ(status.last_status(), "Exit= 0") << pane();
  EXPECT_NE(pane().find("echo :00000001FF > blink.hex\r\nlinked\r\n"), std::string::npos) << pane();
  EXPECT_EQ(TempDir::read(dir.file("blink.hex")), ":00000001FF\n");

  front.answer = dir.write("broken.mak", "");
  tab().command({compile::kChooseMakefile});
  // From the first blank on the name replaces the rest, so make now takes it for a target.
  EXPECT_EQ(tab().form().text(compile::kCommandLine), "make broken.mak");
}

TEST_F(CompileTabTest, ASecondRunIsRefusedStopEndsTheWholeProcessGroupAndABuildThatIgnoresItIsKilled) {
  type(compile::kWorkingDir, dir.path());
  type(compile::kCommandLine, "sleep 60 & echo $! > helper.pid; sleep 60");
  tab().command({compile::kRun});
  ASSERT_TRUE(tab().running());
  ASSERT_TRUE(test::eventually([&] { return !TempDir::read(dir.file("helper.pid")).empty(); }, 10000));
  const pid_t helper = std::stoi(TempDir::read(dir.file("helper.pid")));
  tab().command({compile::kRun});  // refused: the pane keeps one command line
  EXPECT_EQ(pane().find("sleep 60 &"), pane().rfind("sleep 60 &"));
  tab().stop_build();
  ASSERT_TRUE(poll_until([&] { return !tab().running(); }, 10000));
  EXPECT_EQ(status.last_status(), "Exit= 143");
  // The background helper was in the group: it is gone (or a zombie waiting for its reaper).
  auto alive = [&] {
    std::ifstream stat("/proc/" + std::to_string(helper) + "/stat");
    std::string pid, name, state;
    return stat >> pid >> name >> state && state != "Z";
  };
  EXPECT_TRUE(test::eventually([&] { return !alive(); }, 10000));

  // A build that ignores Stop is forced to end.
  type(compile::kCommandLine, "trap '' TERM; sleep 60");
  tab().command({compile::kRun});
  ASSERT_TRUE(tab().running());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let the shell set its trap
  tab().stop_build();
  ASSERT_TRUE(poll_until([&] { return !tab().running(); }, 20000));
  EXPECT_EQ(status.last_status(), "Exit= 137");
}

TEST_F(CompileTabTest, OutputStopsAtTheLimitWithoutHoldingTheWindow) {
  int polls = 0;
  type(compile::kCommandLine, "yes 0123456789012345678901234567890123456789 | head -c 10000000");
  tab().command({compile::kRun});
  ASSERT_TRUE(poll_until([&] { ++polls; return !tab().running(); }, 120000));
  EXPECT_EQ(status.last_status(), "Exit= 0");
  EXPECT_EQ(tab().output().text().size(), kOutputTextLimit);
  EXPECT_GE(polls, 5);  // a poll takes a slice, not everything at once
}

TEST_F(CompileTabTest, HelpTextOnlyForTheFamilyProductClearEmptiesThePaneAndThePaneFollowsTheSize) {
  EXPECT_EQ(pane(), std::string(compile::compile_help_text('e')));
  tab().clear();
  EXPECT_EQ(pane(), "");
  EXPECT_NE(compile::compile_help_text('d'), compile::compile_help_text('e'));
  tab().layout(700, 400);  // the output pane follows the size
  EXPECT_EQ(tab().form().at(compile::kOutput).rect, (Rect{0, 142, 700, 248}));
  EXPECT_NE(compile::compile_help_text('f'), compile::compile_help_text('e'));
  const Messages acme("Acme", 'e');
  EXPECT_EQ(make_tab(acme)->form().text(compile::kOutput), "");  // none under another product name
}

// "recover" through the download worker, on a pseudo-terminal. The refusal while another job runs
// and the probe while the board streams are app/session_test's.
class BoardRecoveryTest : public test::LinkOverPty {};

TEST_F(BoardRecoveryTest, RecoverSendsTheProbeBytesOnTheWorker) {
  PseudoTerminal pty;
  connect(pty);
  pty.read_for(200);  // whatever the open itself wrote
  BoardJobs jobs(report, messages);
  WorkerRecovery recovery(jobs, session, messages);
  recovery.send_recovery();
  jobs.wait_worker();  // the board sends nothing back: the probe waits its two seconds
  EXPECT_EQ(pty.read_for(500), std::string("\x06\x00\x00\x80", 4) + std::string(256, '\xff'));
  EXPECT_TRUE(session.flags().reading_enabled.load());
  session.stop();
}

TEST(OutputTextTest, LineEndsFoldControlsShowAsCaretsANulEndsTheAppendAndAppendsStopAtTheLimit) {
  OutputText out;
  for (const char* piece : {"a\r\n", "b\n", "c\r\r\n", "d\r", "\ne\r\n\r\n"}) out.append(piece);
  EXPECT_EQ(out.text(), "a\r\nb\r\nc\r\nd\r\ne\r\n\r\n");
  out.clear();
  out.append(std::string("\x07\x01\t\x1b[0m\x7f\xe9", 9));
  out.append(std::string("x\0hidden", 8));
  EXPECT_EQ(out.text(), "^G^A\t^[[0m\x7f\xe9x");
  // Appends stop at the limit until cleared.
  out.clear();
  out.append(std::string(kOutputTextLimit - 1, 'x'));
  out.append("\n");  // a CR LF pair may end one past the limit
  EXPECT_EQ(out.text().size(), kOutputTextLimit + 1);
  const auto version = out.version();
  out.append("more");
  EXPECT_EQ(out.version(), version);  // the text did not change
  out.clear();
  out.append(std::string(30000, 'y'));
  EXPECT_EQ(out.text().size(), kOutputTextLimit);
}

// A pipe fed by the test: bytes arrive when the test says so.
struct FakePipe {
  std::string ready;
  PipeReader::Fetch fetch() {
    return [this](std::string& out, std::size_t max) {
      const std::size_t n = std::min(max, ready.size());
      out.append(ready, 0, n);
      ready.erase(0, n);
      return n;
    };
  }
};

TEST(PipeReaderTest, CompleteLinesAtOnceAPartialLineOnePollLaterLongLinesInPiecesAndABudgetPerPoll) {
  PipeReader reader;
  FakePipe pipe;
  pipe.ready = "one\ntwo\nabc";
  EXPECT_EQ(reader.poll(pipe.fetch()), (std::vector<std::string>{"one\n", "two\n"}));
  EXPECT_TRUE(reader.partial());
  EXPECT_EQ(reader.poll(pipe.fetch()), (std::vector<std::string>{"abc"}));
  EXPECT_FALSE(reader.partial());
  EXPECT_TRUE(reader.poll(pipe.fetch()).empty());
  // The rest of a line that arrives before the next poll is taken whole.
  pipe.ready = "par";
  EXPECT_TRUE(reader.poll(pipe.fetch()).empty());
  pipe.ready = "tial\n";
  EXPECT_EQ(reader.poll(pipe.fetch()), (std::vector<std::string>{"partial\n"}));
  // A long line without a line end comes in peek-sized pieces.
  pipe.ready = std::string(2500, 'z');
  EXPECT_TRUE(reader.poll(pipe.fetch()).empty());
  std::vector<std::string> second = reader.poll(pipe.fetch());
  ASSERT_EQ(second.size(), 1u);  // taken, then the rest is seen anew
  EXPECT_EQ(second[0].size(), kPeekBytes);
  EXPECT_EQ(reader.poll(pipe.fetch())[0].size(), kPeekBytes);
  EXPECT_EQ(reader.poll(pipe.fetch())[0].size(), 2500 - 2 * kPeekBytes);
  // A poll takes at most its budget.
  for (int i = 0; i < 100000; ++i) pipe.ready += "0123456789012345678901234567890\n";  // 3.2 MB
  std::size_t first = 0;
  for (const std::string& piece : reader.poll(pipe.fetch())) first += piece.size();
  EXPECT_GE(first, kPollBudgetBytes);
  EXPECT_LT(first, kPollBudgetBytes + kPeekBytes);
  std::size_t total = first;
  for (int i = 0; i < 10; ++i)
    for (const std::string& piece : reader.poll(pipe.fetch())) total += piece.size();
  EXPECT_EQ(total, 3200000u);
}

}  // namespace
}  // namespace vexa
