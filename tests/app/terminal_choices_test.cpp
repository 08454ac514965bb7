// The terminal's choices: the display filter switching between plain, hex and stamps without
// loss, the settings they are kept in, typed hex and line settings reaching a pseudo-terminal.
#include "app/terminal_choices.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/command_ids.h"
#include "app/terminal_command_ids.h"
#include "app/terminal_menu.h"
#include "base/capture_log.h"
#include "app/line_settings_form.h"
#include "link/link_keys.h"
#include "platform/clock.h"
#include "platform/pseudo_terminal.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"
#include "terminal/terminal.h"
#include "terminal/text_views.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

using namespace std::chrono;

struct FilterFixture : ::testing::Test {
  FilterFixture() {
    log.set_mode(1);
    log.apply_log_mode();
  }
  test::TempDir dir;
  FixedClock clock{make_local_time(2026, 12, 8, 1, 0, 0)};
  CaptureLog log{dir.file("VexaTerm.log"), clock};  // keeps the report lines
  TextBufferView view;
  Terminal terminal{view, &log};
  system_clock::time_point now = system_clock::now();
  DisplayFilter filter{terminal, [this] { return now; }};

  std::string shown() {
    terminal.flush();
    return view.contents();
  }
};

// Both directions and a report line that cuts the board's line, through every view and back;
// each line keeps the time of its first byte.
TEST_F(FilterFixture, ReportLinesAndSentBytesStayInPlaceAcrossHexAndStampsAndReportsAreLoggedOnce) {
  const auto t0 = now, t1 = now + milliseconds(40);
  filter.put_text("Ok\r\nha");
  filter.sent("conf\n");  // not shown in the plain view: the board's echo would show it
  now = t1;
  filter.put_text("lf");
  filter.print_line("Configuration saved");
  filter.put_text(" line\r\n");
  const std::string plain = shown();
  EXPECT_EQ(plain, "Ok\r\nhalf\r\nConfiguration saved\r\n line\r\n");

  filter.set_hex(true);
  const std::string hex = shown();
  const std::size_t report = hex.find("\r\nConfiguration saved\r\n");
  ASSERT_NE(report, std::string::npos) << hex;
  EXPECT_EQ(hex.rfind("< 00000000  4F 6B 0D 0A 68 61 ", 0), 0u) << hex;
  EXPECT_LT(hex.find("> 00000000  63 6F 6E 66 0A "), hex.find("< 00000006  6C 66 ")) << hex;
  EXPECT_LT(hex.find("< 00000006  6C 66 "), report) << hex;
  EXPECT_GT(hex.find("< 00000008  20 6C 69 6E 65 0D 0A"), report) << hex;
  filter.put_text("A");
  EXPECT_NE(shown().find("< 0000000F  41"), std::string::npos);

  filter.set_stamps(true);  // on hex rows too
  const std::string stamped = shown();
  EXPECT_EQ(stamped.rfind(line_stamp(t0) + "< 00000000  4F 6B", 0), 0u) << stamped;
  EXPECT_NE(stamped.find("\r\n" + line_stamp(t0) + "> 00000000  63 6F"), std::string::npos) << stamped;
  filter.set_hex(false);
  // The continuation after the report line starts a stamped line of its own.
  EXPECT_EQ(shown(), line_stamp(t0) + "Ok\r\n" + line_stamp(t0) + "half\r\nConfiguration saved\r\n" +
                         line_stamp(t1) + " line\r\n" + line_stamp(t1) + "A");
  filter.set_stamps(false);
  EXPECT_EQ(shown(), plain + "A");

  log.close();
  // Four redraws, one line in the log.
  EXPECT_EQ(test::TempDir::read(log.path()), " Configuration saved\n");
  // The stored bytes for a redraw are held to the scrollback's size, the newest kept.
  filter.set_keep(kLeastScrollbackChars);
  filter.set_stamps(true);
  for (int i = 0; i < 500; ++i) filter.put_text("line " + std::to_string(i) + "\r\n");
  filter.set_stamps(false);  // the redraw shows what is stored
  const std::string text = shown();
  EXPECT_EQ(text.substr(text.size() - 10), "line 499\r\n");
  EXPECT_EQ(text.find("half"), std::string::npos);
}

struct NoClipboard : Clipboard {
  std::optional<std::string> text() override { return std::nullopt; }
};

struct ChoicesFixture : ::testing::Test {
  ChoicesFixture() {
    std::filesystem::create_symlink(pty.slave_path(), path);
    choices.add_commands(table);
  }
  ~ChoicesFixture() override {
    jobs.shutdown();
    link.stop();
  }

  test::TempDir dir;
  std::string path = dir.file("board");
  PseudoTerminal pty;
  test::SharedReport report;
  TextBufferView view;
  Terminal terminal{view};
  DisplayFilter filter{terminal};
  Messages messages;
  Settings settings;
  LinkSession link{report, filter, messages};
  LinkKeys keys{link.port()};
  NoClipboard clipboard;
  TerminalKeyboard keyboard{keys, clipboard, terminal, [] { return false; }};
  BoardJobs jobs{report, messages};
  test::RecordingStatus status;
  TerminalChoices choices{report, terminal, messages, settings, link, keyboard, filter, jobs, status, ""};
  CommandTable table;  // the choices' commands
};

// The menu entries end the Tools menu, in a submenu, where ids find them and the check marks
// follow the choices (their texts and keys are the menu bar's test).
TEST_F(ChoicesFixture, DefaultsWriteNothingAndChoicesAreKeptAndCheckedInTheMenu) {
  std::vector<Menu> bar = {Menu{"MenTools", "Tools", 0, {MenuEntry{cmd::kLogErase, "Erase"}}},
                           Menu{.key = "MenHelp", .title = {}, .command = 0, .entries = {}}};
  add_terminal_entries(bar, messages);
  EXPECT_TRUE(bar[1].entries.empty());
  EXPECT_TRUE(refresh_terminal_checks(bar, choices));  // the Enter, Backspace, DTR and RTS defaults
  EXPECT_FALSE(refresh_terminal_checks(bar, choices));
  EXPECT_TRUE(find_entry(bar, cmd::kTermEnterCr)->checked);
  EXPECT_FALSE(find_entry(bar, cmd::kTermLineSettings)->checkable);
  EXPECT_EQ(settings.settings_text(), "");  // every choice off: the settings file as before
  EXPECT_EQ(keyboard.options(), KeyOptions{});
  EXPECT_FALSE(link.port().line_settings());
  for (int id : {cmd::kTermHexView, cmd::kTermStamps, cmd::kTermEcho, cmd::kTermEnterCrLf, cmd::kTermBackspaceDel})
    EXPECT_TRUE(table.run({id, 0, 0})) << id;
  EXPECT_TRUE(choices.set_line_settings_text("7E2,rtscts"));
  EXPECT_FALSE(choices.set_line_settings_text("8Q1"));
  EXPECT_TRUE(report.contains("'8Q1' is not a line setting: write it as 8N1 or e,7,1,rtscts."));
  EXPECT_TRUE(refresh_terminal_checks(bar, choices));
  EXPECT_TRUE(find_entry(bar, cmd::kTermHexView)->checked);
  EXPECT_TRUE(find_entry(bar, cmd::kTermEnterCrLf)->checked);
  EXPECT_FALSE(find_entry(bar, cmd::kTermEnterCr)->checked);
  EXPECT_TRUE(filter.hex() && filter.stamps());
  const TerminalChoiceValues values = TerminalChoiceValues::from_settings(settings);
  EXPECT_EQ(values.line, (LineSettings{7, Parity::even, 2, FlowControl::rts_cts}));
  EXPECT_EQ(values.keys, (KeyOptions{EnterMode::crlf, BackspaceMode::del, true}));
  EXPECT_TRUE(values.hex && values.stamps && !values.ansi);
  // Unreadable values count as defaults.
  Settings odd;
  odd.set_value("TermLine", "fast");
  odd.set_value("TermEnter", "both");
  odd.set_value("Scrollback", "-5");
  const TerminalChoiceValues fallback = TerminalChoiceValues::from_settings(odd);
  EXPECT_FALSE(fallback.line);
  EXPECT_EQ(fallback.keys.enter, EnterMode::cr);
  EXPECT_EQ(fallback.scrollback, kDefaultScrollbackChars);
  EXPECT_EQ(history_path_beside("/home/u/.vexaterm/settings.ini"), "/home/u/.vexaterm/history.txt");
}

TEST_F(ChoicesFixture, TypedHexAndKeysReachThePortAndModemLinesSayWhyNot) {
  link.start();
  ASSERT_TRUE(link.open(path, "9600"));
  EXPECT_TRUE(choices.send_hex("0A 1B FF 00"));
  EXPECT_EQ(pty.read_for(100), std::string("\x0a\x1b\xff\x00", 4));
  EXPECT_FALSE(choices.send_hex("0A ZZ"));
  EXPECT_TRUE(report.contains("'ZZ' is not a hex byte: type bytes as 0A 1B FF."));
  EXPECT_EQ(pty.read_for(50), "");

  table.run({cmd::kTermEnterCrLf, 0, 0});
  table.run({cmd::kTermHistory, 0, 0});
  EXPECT_EQ(settings.get_setting("TermHistory", "0"), "1");
  keyboard.key_command('u');
  keyboard.key_command(kKeyEnter);
  EXPECT_EQ(pty.read_until("\r\n", 2000), "u\r\n");
  table.run({cmd::kTermHistoryUp, 0, 0});
  EXPECT_EQ(pty.read_until("u", 2000), "u");

  // A pty has no modem lines: the toggles report why and keep their state.
  table.run({cmd::kTermDtr, 0, 0});
  EXPECT_TRUE(choices.checked(cmd::kTermDtr));
  EXPECT_NE(report.lines().back().find("modem lines cannot be used"), std::string::npos);
  EXPECT_EQ(choices.modem_text(), "");
  choices.tick_second();
  EXPECT_EQ(status.last_status(), "");
  table.run({cmd::kTermBreak, 0, 30});
}

TEST_F(ChoicesFixture, TheLineDialogAppliesAtOnceAndSaysWhatThePortKept) {
  link.start();
  ASSERT_TRUE(link.open(path, "9600"));
  int applied = 0;
  const LineSettingsForm::Apply apply = [&](const LineChoice& choice) {
    ++applied;
    return choices.apply_line(choice.speed, choice.line);
  };
  LineSettingsForm form(messages, {9600, std::nullopt});
  Form& f = form.form();
  // From the form's start, 7E1 on a pty: it keeps 8 bits without parity, and the dialog says so
  // instead of ",e,7,1" (the port's own lines about it are the link's).
  f.set_text(kLineDataBitsId, "7");
  f.set_text(kLineParityId, "even");
  EXPECT_EQ(form.click(kLineApplyId, apply), LineSettingsForm::Outcome::open);
  EXPECT_EQ(f.text(kLineTakenId), "The port took " + path + ":9600,n,8,1");
  EXPECT_FALSE(report.contains("e,7,1"));
  // What a pty keeps is taken whole, speed and frame at once, and kept in the settings.
  f.set_text(kLineSpeedId, "250000");
  f.set_text(kLineDataBitsId, "8");
  f.set_text(kLineParityId, "none");
  f.set_text(kLineStopBitsId, "2");
  f.set_text(kLineFlowId, "RTS/CTS");
  EXPECT_EQ(form.click(kLineOkId, apply), LineSettingsForm::Outcome::close);
  EXPECT_EQ(f.text(kLineTakenId), "The port took " + path + ":250000,n,8,2,rtscts");
  EXPECT_EQ(read_line_settings(pty.master_fd())->speed, 250000);
  EXPECT_EQ(settings.get_setting("TermLine", ""), "n,8,2,rtscts");
  // A speed that is no number is not applied; a closed port takes the choice at its next open.
  f.set_text(kLineSpeedId, "fast");
  EXPECT_EQ(form.click(kLineOkId, apply), LineSettingsForm::Outcome::open);
  EXPECT_EQ(f.text(kLineTakenId), "'fast' is no speed: give it in bits per second, such as 9600 or 250000.");
  EXPECT_EQ(applied, 2);
  ASSERT_TRUE(link.port().close_link());
  f.set_text(kLineSpeedId, "19200");
  f.set_text(kLineStopBitsId, "1");
  f.set_text(kLineFlowId, "none");
  EXPECT_EQ(form.click(kLineApplyId, apply), LineSettingsForm::Outcome::open);
  EXPECT_EQ(f.text(kLineTakenId), "The port is not open: it takes these settings when it opens.");
  EXPECT_FALSE(link.port().line_settings());  // 8N1 without a handshake is the boards' plain line
  EXPECT_EQ(settings.get_setting("TermLine", "?"), "");
  ASSERT_TRUE(link.port().open_link(false));
  EXPECT_EQ(report.lines().back(), "open " + path + ":19200,n,8,1");
  EXPECT_EQ(form.click(kLineCancelId, apply), LineSettingsForm::Outcome::close);
}

}  // namespace
}  // namespace vexa
