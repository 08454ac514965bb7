// The session without a window: its commands against the menu bar, posts from other threads, the
// timer on an injected clock, vexaterm's start-up port, and jobs racing user commands for the link.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <regex>
#include <set>
#include <thread>

#include <unistd.h>

#include "base/command_ids.h"
#include "app/command_line.h"
#include "app/terminal_command_ids.h"
#include "app/session.h"
#include "platform/pseudo_terminal.h"
#include "support/pty_peer.h"
#include "sim/simulated_port.h"
#include "support/temp_dir.h"
#include "terminal/text_views.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

// The front end of a test: events are counted, and pump() does on the test's thread what a
// window does on its own when the events arrive.
class HeadlessFront final : public SessionEvents, public SessionWindow {
 public:
  void rebuild_requested() override { rebuilds.fetch_add(1); }
  void commands_posted() override { posted_events.fetch_add(1); }
  void flush_requested() override { flushes.fetch_add(1); }
  void checks_changed() override { check_events.fetch_add(1); }
  void target_changed() override { targets.fetch_add(1); }
  void title_changed() override { titles.fetch_add(1); }
  bool run_window_command(const Command& call) override {
    window_commands.push_back(call.id);
    return window_ids.count(call.id) != 0;
  }
  // As the window does: the tab brought forward is the user's choice of it.
  void show_logical_tab(int logical) override {
    if (session) session->select_tab(logical);
  }
  FileChooser* file_chooser() override { return chooser; }
  std::optional<std::string> choose_text_file() override { return text_file; }

  std::optional<std::string> text_file;  // what the save dialog gives
  Session* session = nullptr;
  FileChooser* chooser = nullptr;

  std::atomic<int> rebuilds{0}, posted_events{0}, flushes{0}, check_events{0}, targets{0}, titles{0};
  std::vector<int> window_commands;
  std::set<int> window_ids = {cmd::kBarView, cmd::kWebAddress, cmd::kRebuildConfig,
                              cmd::kManualE, cmd::kManualF, cmd::kManualS};
};

CommandLine parse(std::vector<std::string> words) {
  words.insert(words.begin(), "vexaterm");
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  return parse_command_line(static_cast<int>(argv.size()), argv.data());
}

struct Harness {
  explicit Harness(std::string settings = {}, const Clock& clock = SystemClock::instance(),
                   SessionOptions options = {}) {
    options.working_directory = dir.path();
    options.program_directory = dir.path();
    options.use_settings_file = false;
    options.settings_text += settings;
    session = std::make_unique<Session>(view, options, front, front, clock);
    front.session = session.get();
  }
  ~Harness() {
    session->shutdown();
    simulated.stop();
  }
  void pump() {
    session->run_posted();
    session->flush_terminal();
    session->rebuild_taken();
  }
  template <class Done>
  bool pump_until(Done done, int timeout_ms = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
      pump();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pump();
    return done();
  }
  std::string text() {
    session->flush_terminal();
    return view.contents();
  }
  bool shows(const std::string& what) { return text().find(what) != std::string::npos; }
  void start_board(char type) {
    session->start();
    ASSERT_EQ(simulated.start(type), "");
    session->use_temporary_port(simulated.link_name(), simulated.speed(), true, simulated.identity_line());
    ASSERT_TRUE(session->link().port().link_is_open()) << text();
  }

  test::TempDir dir;
  TextBufferView view;
  HeadlessFront front;
  std::unique_ptr<Session> session;
  sim::SimulatedPort simulated;
};

TEST(SessionDispatch, TheWindowThenTheTableAnswersEveryMenuEntryAndAMissingOneSaysSoInTheUsersLanguage) {
  Harness h("debug=1\nlanguage=f\n");
  // The two information lines of the Help menu do nothing; a submenu's opener is no command.
  const std::set<int> not_yet = {cmd::kInfo1, cmd::kInfo2};
  for_each_entry(h.session->menus(), [&](const MenuEntry& e) {
    if (e.is_separator() || !e.submenu.empty()) return;
    const bool handled = h.session->commands().has(e.id) || h.front.window_ids.count(e.id);
    EXPECT_EQ(handled, !not_yet.count(e.id)) << e.id << " " << e.text;
  });
  EXPECT_TRUE(h.session->dispatch(cmd::kRebuildConfig));
  h.session->dispatch(4711);  // no row and no window command
  const std::string text = h.text();
  EXPECT_EQ(text.find("4711"), std::string::npos) << text;
  EXPECT_NE(text.find("Cette commande : pas encore disponible dans cette version."), std::string::npos) << text;
  h.session->dispatch(cmd::kInfo1);
  EXPECT_EQ(h.text(), text);
  EXPECT_EQ(h.front.window_commands, (std::vector<int>{cmd::kRebuildConfig, 4711, cmd::kInfo1}));
  // Switches tell their checks; a command that changes no mark tells nothing.
  const int before = h.front.check_events.load();
  h.session->dispatch(cmd::kVerbose);
  EXPECT_TRUE(h.session->verbose());
  h.session->dispatch(cmd::kLogDate);
  EXPECT_TRUE(find_entry(h.session->menus(), cmd::kLogDate)->checked);
  EXPECT_GT(h.front.check_events.load(), before);
  const int after = h.front.check_events.load();
  h.session->dispatch(cmd::kClear);
  EXPECT_EQ(h.front.check_events.load(), after);
  // The debug menu's lines say what they did; Samba mode toggles.
  for (const auto& [command, shown] : {std::pair{cmd::kSamba, "Rssamba=1"}, {cmd::kInterns, "int: "},
                                       {cmd::kOpenCom, "\\\\.\\COM16: "}, {cmd::kSamba, "Rssamba=0"}}) {
    h.session->dispatch(command);
    EXPECT_TRUE(h.shows(shown)) << command << "\n" << h.text();
  }
}

TEST(SessionPosting, CommandsAndStatusPostedFromOtherThreadsRunOnceEachOnThePumpingThread) {
  Harness h;
  std::atomic<int> runs{0};
  std::thread::id ran_on;
  h.session->commands().add(9901, [&](const Command& call) {
    runs.fetch_add(static_cast<int>(call.param));
    ran_on = std::this_thread::get_id();
  });
  std::vector<std::thread> posters;
  for (int t = 0; t < 4; ++t)
    posters.emplace_back([&] {
      for (int i = 0; i < 250; ++i) h.session->post_command(9901, 1);
    });
  for (auto& p : posters) p.join();
  EXPECT_EQ(runs.load(), 0);  // nothing runs before the window thread takes them
  h.session->run_posted();
  EXPECT_EQ(runs.load(), 1000);
  EXPECT_EQ(ran_on, std::this_thread::get_id());
  // An empty queue that fills again tells the window again.
  const int events = h.front.posted_events.load();
  h.session->post_command(9901, 1);
  EXPECT_EQ(h.front.posted_events.load(), events + 1);
  // Status from a worker reaches the status row and the terminal at the next pump.
  std::thread worker([&] {
    h.session->set_progress("1200");
    h.session->set_status("Connected to 192.0.2.7");
  });
  worker.join();
  h.pump();
  EXPECT_EQ(h.session->window_form().form().text(cmd::kStatusProgress), "1200");
  EXPECT_EQ(h.session->window_form().form().text(cmd::kStatusText), "Connected to 192.0.2.7");
  EXPECT_TRUE(h.shows("Connected to 192.0.2.7"));
}

TEST(SessionTimer, DutiesRunEveryTickAndSecondDutiesOncePerCalendarSecond) {
  FixedClock clock(make_local_time(2026, 12, 7, 23, 59, 58));
  Harness h({}, clock);
  h.session->start();
  int ticks = 0, seconds = 0;
  h.session->add_tick_duty([&] { ++ticks; });
  h.session->add_second_duty([&] { ++seconds; });
  for (int i = 0; i < 9; ++i) {
    clock.advance_ms(100);
    h.session->tick();
  }
  EXPECT_EQ(ticks, 9);
  EXPECT_EQ(seconds, 0);  // the calendar second has not changed
  clock.set_local(make_local_time(2026, 12, 7, 23, 59, 59));
  h.session->tick();
  h.session->tick();
  EXPECT_EQ(seconds, 1);
  EXPECT_EQ(h.session->window_form().form().text(cmd::kStatusClock), "23:59:59");
}

TEST(SessionSpeed, TypingASpeedAppliesNothingUntilEnterAndARefusedSpeedKeepsThePortOpen) {
  Harness h;
  h.start_board('F');
  const long start = h.session->link().port().speed();
  struct Row {
    const char* typed;
    int notice;
    long speed;  // the port's afterwards
  };
  const Row rows[] = {
      {"1920", kNotifyEditChanged, start},
      {"19200", kNotifyEditEnter, 19200},
      {"14400", kNotifySelectionChanged, 14400},  // a listed speed without a B-code is taken like any other
      {"0", kNotifyEditEnter, 14400},
  };
  Form& form = h.session->window_form().form();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    form.set_text(cmd::kSpeedSelector, row.typed);
    h.session->dispatch(cmd::kSpeedSelector, row.notice);
    EXPECT_EQ(h.session->link().port().speed(), row.speed) << h.text();
    EXPECT_TRUE(h.session->link().port().link_is_open());
  }
  EXPECT_EQ(form.text(cmd::kSpeedSelector), "14400");
  EXPECT_TRUE(h.shows("does not take the speed '0'")) << h.text();
}

TEST(SessionPorts, NoStoredPortOffersTheFirstEntryAndStoresNothingUntilOneIsOpened) {
  Harness h;  // COM is empty
  h.session->start();
  Form& form = h.session->window_form().form();
  EXPECT_EQ(form.text(cmd::kPortSelector), port_list().front());
  EXPECT_EQ(h.session->link().port().link_name(), "");
  h.session->upload().tab().command({upload_id::kFast, kNotifyClicked, 0});
  h.session->save_settings();
  EXPECT_EQ(h.session->settings().get_setting("COM", "?"), "");
  EXPECT_EQ(h.session->settings().get_setting("Upload115200", "?"), "0");  // the upload tab's choice

  // The speed selector is for serial ports only.
  form.set_text(cmd::kPortSelector, "tcp/ip");
  h.session->dispatch(cmd::kPortSelector, kNotifySelectionChanged);
  EXPECT_FALSE(form.shown(cmd::kSpeedSelector));

  // Opening takes what the selector shows, without a selection notice first.
  PseudoTerminal pty;
  const std::string path = h.dir.file("board");
  std::filesystem::create_symlink(pty.slave_path(), path);
  form.set_text(cmd::kPortSelector, path);
  h.session->dispatch(cmd::kOpenClose);
  EXPECT_TRUE(h.session->link().port().serial_open()) << h.text();
  EXPECT_TRUE(form.shown(cmd::kSpeedSelector));
  h.session->save_settings();
  EXPECT_EQ(h.session->settings().get_setting("COM", "?"), path);
}

TEST(SessionPorts, TheStartPortOptionsOpenThePortAtStartAndStoreItAsTheUsersAndBadValuesAreRefused) {
  PseudoTerminal pty;
  test::TempDir dir;
  const std::string path = dir.file("board");
  std::filesystem::create_symlink(pty.slave_path(), path);
  const CommandLine line = parse({"--port", path, "--baud=19200"});
  ASSERT_EQ(line.error, "");
  Harness h({}, SystemClock::instance(), line.options.session);
  h.session->start();
  EXPECT_TRUE(h.session->link().port().serial_open());
  EXPECT_TRUE(h.shows("open " + path + ":19200,n,8,1")) << h.text();
  h.session->save_settings();
  EXPECT_EQ(h.session->settings().get_setting("COM", "?"), path);
  // Without the options the settings' port stands; with a simulated board the board's opens.
  EXPECT_FALSE(parse({"--port", path, "--simulate", "E"}).options.session.open_at_start);
  EXPECT_EQ(parse({"--baud", "1234567890"}).error, "");  // the longest speed taken
  // One row per condition that refuses a value.
  const std::pair<std::vector<std::string>, const char*> bad[] = {
      {{"--port"}, "needs a port"},        {{"--baud"}, "needs a speed"},
      {{"--baud", "0"}, "wants a speed"},  {{"--baud=-9600"}, "wants a speed"},
      {{"--baud", "12345678901"}, "wants a speed"},  // eleven digits: one more than a speed has
      {{"--port", "a\nBaud=1"}, "wants a port name"}, {{"--port="}, "wants a port name"},
  };
  for (const auto& [words, reason] : bad)
    EXPECT_NE(parse(words).error.find(reason), std::string::npos) << words[0] << ": " << parse(words).error;
}

TEST(SessionPorts, ASimulatedBoardsIdentityHoldsFromTheStartAndIsNotStoredAsTheUsers) {
  Harness h("target=VexaLog S v1404\n");
  h.start_board('E');
  // The simulated port came with its identity: an E board's eight inputs before any load.
  EXPECT_EQ(h.session->board().line(), "VexaLog E v1404");
  EXPECT_EQ(h.session->configuration().presence().present_inputs().size(), 8u);
  h.session->save_settings();
  EXPECT_EQ(h.session->settings().get_setting("target", "?"), "VexaLog S v1404");
  // On the user's own port again, what the session learnt is the user's.
  h.session->board().accept_identity("VexaLog F v603");
  h.session->link().port().select(h.dir.file("elsewhere"), "9600");
  h.session->save_settings();
  EXPECT_EQ(h.session->settings().get_setting("target", "?"), "VexaLog F v603");
}

TEST(SessionJobs, LoadFromBoardDuringADownloadIsRefusedAndTheDownloadGetsEveryOk) {
  Harness h;
  h.start_board('F');
  h.session->dispatch(cmd::kConfGet);
  ASSERT_TRUE(h.pump_until([&] { return h.session->configuration().parameter_value("ad").has_value(); })) << h.text();
  // Let the rest of the report come in before the download changes anything.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  h.pump();
  h.session->configuration().set_parameter("ad", "3s");
  h.session->dispatch(cmd::kConfDownload);
  ASSERT_TRUE(h.session->jobs().busy());
  h.session->dispatch(cmd::kConfGet);
  ASSERT_TRUE(h.pump_until([&] { return !h.session->jobs().worker_running(); }, 60000)) << h.text();
  const std::string text = h.text();
  EXPECT_NE(text.find("The configuration download is still running:"), std::string::npos) << text;
  EXPECT_EQ(text.find("Error"), std::string::npos) << text;  // every "Ok" reached the download
  std::smatch counts;
  const std::string status = h.session->window_form().form().text(cmd::kStatusText);
  ASSERT_TRUE(std::regex_match(status, counts, std::regex(R"(Configuration download: done, (\d+) of (\d+) lines sent\.)")))
      << status;
  EXPECT_EQ(counts[1], counts[2]);
  EXPECT_NE(text.find(status), std::string::npos);
  h.session->dispatch(cmd::kConfGet);
  EXPECT_FALSE(h.session->jobs().busy());
}

TEST(SessionTabs, TheTabInFrontCommitsItsEditsBeforeSaveAndTheTickAndALoadReplacesThem) {
  Harness h;
  h.start_board('S');  // twenty macros
  MacroTab& macros = h.session->macro_tab();
  h.session->select_tab(3);
  macros.command({macro_id::kTypeWithoutDate, kNotifyClicked, 0});
  macros.form().set_text(macro_id::kCommand, "go");
  h.session->dispatch(cmd::kConfSave);  // no file is chosen, but the macro is in the table first
  EXPECT_EQ(h.session->configuration().parameter_value("m0"), "0,0,go");
  macros.form().set_text(macro_id::kCommand, "st");
  h.session->tick();
  EXPECT_EQ(h.session->configuration().parameter_value("m0"), "0,0,st");
  // A loaded file replaces the table, the shown macro's edit with it, and brings its tab forward.
  GivenPathChooser chooser(h.dir.write("board.txt", "bd=9600\n"));
  h.front.chooser = &chooser;
  h.session->dispatch(cmd::kConfLoad);
  EXPECT_EQ(h.session->configuration().parameter_value("bd"), "9600");
  EXPECT_EQ(h.session->configuration().parameter_value("m0").value_or(""), "");
  EXPECT_EQ(h.session->window_form().current_tab(), 1);
}

TEST(SessionIdentity, ALoaderBannerRenamesTheBoardAndLeavesTheTabsAndTheTable) {
  Harness h;
  AnalogTab& analog = h.session->analog_tab();
  analog.create();
  h.session->configuration().parse_assignments("bd=9600", false);
  analog.form().set_text(811, "100");
  EXPECT_TRUE(h.session->downloads().detector().check("Download F"));
  analog.tick_100ms();
  EXPECT_EQ(h.session->board().line(), "VexaLog F download");
  EXPECT_EQ(analog.form().text(811), "100");
  EXPECT_EQ(h.session->configuration().parameter_value("bd"), "9600");
  EXPECT_EQ(h.front.targets.load(), 0);
  EXPECT_EQ(h.front.titles.load(), 1);
}

// A board that streams measurement lines and keeps what it hears.
class StreamingBoard {
 public:
  PseudoTerminal& pty() { return peer_.pty(); }
  // The bytes heard after the boot code's start bytes, once they came.
  std::string after_start() const {
    std::lock_guard lock(mutex_);
    const auto at = heard_.find(std::string("\x06\x00\x00\x80", 4));
    return at == std::string::npos ? std::string() : heard_.substr(at + 4);
  }
  // A quiet board still listens but sends nothing.
  void set_quiet(bool quiet) { quiet_ = quiet; }

 private:
  void step(PseudoTerminal& pty) {
    const std::string got = pty.read_for(2);
    {
      std::lock_guard lock(mutex_);
      heard_ += got;
    }
    if (!quiet_) pty.write("measuring 12.5 13.1 12.9\r\n");
  }
  std::atomic<bool> quiet_{false};
  mutable std::mutex mutex_;
  std::string heard_;  // guarded by mutex_
  test::PtyPeer peer_{[this](PseudoTerminal& pty) { step(pty); }};
};

TEST(SessionJobs, TheSpecialProbeRunsWhileTheBoardStreamsAndAUserCommandIsRefusedMeanwhile) {
  Harness h;
  StreamingBoard board;
  const std::string link = h.dir.file("board");
  ASSERT_EQ(::symlink(board.pty().slave_path().c_str(), link.c_str()), 0);
  h.session->start();
  h.session->use_temporary_port(link, 115200, true);
  ASSERT_TRUE(h.session->link().port().link_is_open()) << h.text();
  ASSERT_TRUE(h.pump_until([&] { return h.shows("measuring"); }));
  // The probe waits for the boot code's answer: with the board quiet (and the line read empty) it
  // still waits when the user's command comes, however fast this machine runs the probe.
  board.set_quiet(true);
  const auto quiet_from = std::chrono::steady_clock::now();
  h.pump_until([&] { return std::chrono::steady_clock::now() - quiet_from > std::chrono::milliseconds(100); });
  h.session->dispatch(cmd::kSpecialProbe);
  h.session->dispatch(cmd::kConfGet);  // refused while the probe holds the board
  board.set_quiet(false);
  ASSERT_TRUE(h.pump_until([&] { return !h.session->jobs().worker_running(); }, 10000));
  EXPECT_TRUE(h.shows("Special 1 is still running: try again when it has ended.")) << h.text();
  EXPECT_EQ(h.text().find("conf\n"), std::string::npos);  // nothing of the refused command went out
  ASSERT_TRUE(h.pump_until([&] { return board.after_start().size() >= 256; }));
  EXPECT_EQ(board.after_start(), std::string(256, '\xff'));
  // The terminal hears the stream again once the probe has let go of the port.
  const std::size_t before = h.text().size();
  EXPECT_TRUE(h.pump_until([&] { return h.text().size() > before + 100; }));
}

TEST(SessionTerminalText, SavedAsTheWindowShowsItAndAFailureSaysWhereAndWhy) {
  Harness h;
  h.session->display().put_text("caf\xe9 \x1b[31mrouge\x1b[0m\r\nOk\r\n");
  h.session->dispatch(cmd::kTermAnsi);  // colour on: the sequences are not text any more
  h.front.text_file = h.dir.file("terminal.txt");
  h.session->dispatch(cmd::kTermSaveText);
  const std::string saved = test::TempDir::read(*h.front.text_file);
  EXPECT_NE(saved.find("caf\xc3\xa9 rouge\nOk\n"), std::string::npos) << saved;  // no escapes, no CR
  EXPECT_TRUE(h.shows("Terminal text saved to " + *h.front.text_file)) << h.text();

  h.front.text_file = h.dir.file("no such folder/terminal.txt");
  h.session->dispatch(cmd::kTermSaveText);
  EXPECT_TRUE(h.shows("The terminal text could not be saved to " + *h.front.text_file + ": No such file or directory"))
      << h.text();
  // Cancelled: nothing is written or said.
  h.front.text_file.reset();
  const std::string before = h.text();
  h.session->dispatch(cmd::kTermSaveText);
  EXPECT_EQ(h.text(), before);
}

}  // namespace
}  // namespace vexa
