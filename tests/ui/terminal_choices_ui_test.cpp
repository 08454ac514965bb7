// The terminal's choices on the desktop, offscreen: their Tools menu entries and check marks, the
// hex view switched on and off without losing what was received, time stamps, a search hit
// highlighted with Ctrl-F's search (next, previous, case), Up recalling a typed line once the
// history is on and showing it, ANSI colour, the Send file dialog, the line settings dialog, and
// the scrollback under a long stream: its line count, a reader's place, the new-output marker.
// Screenshots go to <build>/screenshots/.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextBlock>
#include <QDir>
#include <QFileDialog>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QInputDialog>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <regex>
#include <thread>

#include "base/command_ids.h"
#include "app/terminal_command_ids.h"
#include "platform/atomic_file.h"
#include "platform/pseudo_terminal.h"
#include "support/numbered_lines.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/qt_test_app.h"
#include "ui/terminal_widget.h"
#include "ui/find_dialog.h"
#include "ui/line_settings_dialog.h"
#include "ui/send_file_dialog.h"

namespace vexa {
namespace {

using test::pump_for;
using test::pump_until;

using test::save_screenshot;

class TerminalChoicesWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::app();
    DesktopOptions desktop;
    desktop.session.working_directory = dir.path();
    desktop.session.program_directory = dir.path();
    desktop.session.use_settings_file = false;
    window = std::make_unique<ui::MainWindow>(desktop);
    window->resize(900, 700);
    window->show();
    pump_for(20);
    std::filesystem::create_symlink(pty.slave_path(), link);
    ASSERT_TRUE(window->session().link().open(link, "115200"));
  }
  void TearDown() override { window.reset(); }

  std::string text() {
    window->session().flush_terminal();
    return window->terminal_widget().toPlainText().toStdString();
  }
  bool shows(const std::string& part) {
    return pump_until([&] { return text().find(part) != std::string::npos; });
  }

  test::TempDir dir;
  std::string link = dir.file("board");
  PseudoTerminal pty;
  std::unique_ptr<ui::MainWindow> window;
};

TEST_F(TerminalChoicesWindow, HexViewAndStampsSwitchWithoutLosingText) {
  QAction* hex = window->action(cmd::kTermHexView);
  QAction* stamps = window->action(cmd::kTermStamps);
  ASSERT_NE(hex, nullptr);
  ASSERT_NE(stamps, nullptr);
  EXPECT_TRUE(hex->isCheckable());
  EXPECT_FALSE(hex->isChecked());
  ASSERT_TRUE(pty.write("VexaLog S v1404\r\nti=120000 dt=261207\r\nOk\r\n"));
  ASSERT_TRUE(shows("ti=120000 dt=261207\nOk"));

  hex->trigger();
  pump_until([&] { return hex->isChecked(); });
  EXPECT_TRUE(hex->isChecked());
  ASSERT_TRUE(shows("< 00000000  56 65 78 61 4C 6F 67 20  53 20 76 31 34 30 34 0D  VexaLog S v1404."));
  save_screenshot(*window, "terminal_hex_view");

  // The rows' layout is the filter's (tests/app); here the switches reach it and the view follows.
  stamps->trigger();
  hex->trigger();
  ASSERT_TRUE(pump_until([&] {
    return std::regex_search(text(), std::regex(R"(\[\d\d:\d\d:\d\d\.\d\d\d\] ti=120000 dt=261207\n)"));
  })) << text();
  ASSERT_TRUE(pty.write("Error unknown key bd\r\n"));
  save_screenshot(*window, "terminal_timestamps");
  stamps->trigger();
  ASSERT_TRUE(shows("VexaLog S v1404\nti=120000 dt=261207\nOk\nError unknown key bd"));
  EXPECT_FALSE(hex->isChecked() || stamps->isChecked());
}

TEST_F(TerminalChoicesWindow, CtrlFSearchesNextAndPreviousWithOrWithoutCase) {
  ASSERT_TRUE(pty.write("Ok\r\nError unknown key bd\r\nOk\r\nerror UNKNOWN key xy\r\n"));
  ASSERT_TRUE(shows("error UNKNOWN key xy"));
  ui::TerminalWidget& terminal = window->terminal_widget();
  terminal.setFocus();
  QTest::keyClick(&terminal, Qt::Key_F, Qt::ControlModifier);
  ui::FindDialog* find = window->find_dialog();
  ASSERT_NE(find, nullptr);
  EXPECT_TRUE(find->isVisible());
  find->needle->setText("unknown KEY");
  const auto hit_line = [&] { return terminal.textCursor().block().text().toStdString(); };
  // From the end (where the view follows the text) backwards: the newest hit first.
  EXPECT_TRUE(find->step(true));
  EXPECT_EQ(hit_line(), "error UNKNOWN key xy");
  EXPECT_TRUE(find->step(true));
  EXPECT_EQ(hit_line(), "Error unknown key bd");
  EXPECT_EQ(terminal.textCursor().selectedText().toStdString(), "unknown key");
  save_screenshot(*window, "terminal_search_hit");
  EXPECT_TRUE(find->step(false));
  EXPECT_EQ(hit_line(), "error UNKNOWN key xy");
  find->match_case->setChecked(true);  // with case: no hit, and the last hit stays selected
  EXPECT_FALSE(find->step(false));
  EXPECT_EQ(terminal.textCursor().selectedText().toStdString(), "UNKNOWN key");
  ASSERT_TRUE(shows("'unknown KEY' is not in the terminal."));
  find->needle->setText("UNKNOWN");
  EXPECT_TRUE(find->step(true));
  EXPECT_EQ(hit_line(), "error UNKNOWN key xy");
  find->close();
}

TEST_F(TerminalChoicesWindow, UpScrollsUntilTheHistoryIsOnThenRecallsATypedLine) {
  ui::TerminalWidget& terminal = window->terminal_widget();
  terminal.setFocus();
  QTest::keyClicks(&terminal, "ti");
  QTest::keyClick(&terminal, Qt::Key_Return);
  EXPECT_EQ(pty.read_until("\r", 2000), "ti\r");
  QTest::keyClick(&terminal, Qt::Key_Up);  // history off: the view's key, nothing to the board
  EXPECT_EQ(pty.read_until("ti", 300), "");

  window->action(cmd::kTermHistory)->trigger();
  ASSERT_TRUE(pump_until([&] { return window->action(cmd::kTermHistory)->isChecked(); }));
  QTest::keyClicks(&terminal, "conf");
  QTest::keyClick(&terminal, Qt::Key_Return);
  EXPECT_EQ(pty.read_until("\r", 2000), "conf\r");
  QTest::keyClick(&terminal, Qt::Key_Up);
  EXPECT_EQ(pty.read_until("conf", 2000), "conf");
  // The recalled line shows before Enter, and replaces what was typed.
  EXPECT_EQ(terminal.text(terminal.length()).substr(terminal.length() - 6), "\r\nconf");
  QTest::keyClick(&terminal, Qt::Key_Down);  // past the newest: back to an empty line
  EXPECT_EQ(pty.read_until("\b\b\b\b", 2000), "\b\b\b\b");
  EXPECT_EQ(terminal.text(terminal.length()).substr(terminal.length() - 2), "\r\n");
  QTest::keyClicks(&terminal, "xy");
  QTest::keyClick(&terminal, Qt::Key_Up);
  EXPECT_EQ(pty.read_until("conf", 2000), "xy\b\bconf");
  EXPECT_EQ(terminal.text(terminal.length()).substr(terminal.length() - 6), "\r\nconf");
  QTest::keyClick(&terminal, Qt::Key_Return);
  EXPECT_EQ(pty.read_until("\r", 2000), "\r");
}

TEST_F(TerminalChoicesWindow, AnsiColourShowsColouredTextInsteadOfEscapes) {
  ASSERT_TRUE(pty.write("\x1b[1;31mError\x1b[0m unknown key \x1b[32mbd\x1b[0m\r\n"));
  ASSERT_TRUE(shows("^[[1;31mError^[[0m"));  // off: the escapes as the board sent them
  QAction* ansi = window->action(cmd::kTermAnsi);
  ASSERT_NE(ansi, nullptr);
  ansi->trigger();
  ASSERT_TRUE(pump_until([&] { return text().find("Error unknown key bd") != std::string::npos; })) << text();
  EXPECT_EQ(text().find('\x1b'), std::string::npos);
  ASSERT_TRUE(pty.write("\x1b[44;97m on blue \x1b[0m\x1b[2K\r\n"));
  ASSERT_TRUE(shows(" on blue \n"));

  // The colours are those of the sequences.
  ui::TerminalWidget& terminal = window->terminal_widget();
  const auto format_at = [&](const std::string& word) {
    QTextCursor cursor(terminal.document());
    const int at = terminal.toPlainText().indexOf(QString::fromStdString(word));
    cursor.setPosition(at + 1);
    return cursor.charFormat();
  };
  EXPECT_EQ(format_at("Error").foreground().color(), QColor(0xcd, 0, 0));
  EXPECT_EQ(format_at("Error").fontWeight(), QFont::Bold);
  EXPECT_EQ(format_at("bd").foreground().color(), QColor(0, 0xcd, 0));
  EXPECT_EQ(format_at("on blue").background().color(), QColor(0, 0, 0xee));
  EXPECT_EQ(format_at("on blue").foreground().color(), QColor(0xff, 0xff, 0xff));
  save_screenshot(*window, "terminal_ansi_colour");

  ansi->trigger();  // off again: the escapes are back as text, nothing lost
  ASSERT_TRUE(shows("^[[1;31mError^[[0m unknown key ^[[32mbd^[[0m\n^[[44;97m on blue ^[[0m^[[2K"));
}

TEST_F(TerminalChoicesWindow, SendFileDialogKeepsItsChoicesAndGivesThePacing) {
  SendFileRequest last;
  last.path = "/tmp/lines.txt";
  last.options.wait = SendWait::prompt;
  last.options.prompt = "Ok";
  last.options.pause_ms = 40;
  ui::SendFileDialog dialog(window->session().messages(), last, window.get());
  dialog.show();
  pump_for(20);
  EXPECT_EQ(dialog.path_edit->text(), "/tmp/lines.txt");
  EXPECT_TRUE(dialog.prompt_wait->isChecked());
  EXPECT_TRUE(dialog.prompt_edit->isEnabled());
  save_screenshot(dialog, "terminal_send_file");
  dialog.echo_wait->setChecked(true);
  EXPECT_FALSE(dialog.prompt_edit->isEnabled());
  dialog.wait_ms->setValue(1500);
  dialog.pause_ms->setValue(100);
  const SendFileRequest chosen = dialog.request();
  EXPECT_EQ(chosen.path, "/tmp/lines.txt");
  EXPECT_EQ(chosen.options.wait, SendWait::echo);
  EXPECT_EQ(chosen.options.wait_ms, 1500);
  EXPECT_EQ(chosen.options.pause_ms, 100);
  dialog.no_wait->setChecked(true);
  EXPECT_FALSE(dialog.wait_ms->isEnabled());
  EXPECT_EQ(dialog.request().options.wait, SendWait::none);
  dialog.path_edit->clear();  // Ok needs a file
  auto* buttons = dialog.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  EXPECT_FALSE(buttons->button(QDialogButtonBox::Ok)->isEnabled());
}

TEST_F(TerminalChoicesWindow, TheLineSettingsDialogsChoicesReachTheOpenPort) {
  LineSettingsForm form(window->session().messages(), {115200, std::nullopt});
  ui::LineSettingsDialog dialog(form, [&](const LineChoice& choice) {
    return window->session().terminal_choices().apply_line(choice.speed, choice.line);
  }, window.get());
  dialog.show();
  pump_for(20);
  // The frame is picked from lists; only the speed can be typed.
  auto* parity = qobject_cast<QComboBox*>(dialog.field(kLineParityId));
  auto* speed = qobject_cast<QComboBox*>(dialog.field(kLineSpeedId));
  ASSERT_NE(parity, nullptr);
  ASSERT_NE(speed, nullptr);
  EXPECT_FALSE(parity->isEditable());
  EXPECT_TRUE(speed->isEditable());
  EXPECT_EQ(parity->currentText(), "none");
  parity->setCurrentIndex(parity->findText("even"));
  emit parity->activated(parity->currentIndex());
  qobject_cast<QComboBox*>(dialog.field(kLineStopBitsId))->setCurrentIndex(1);
  emit qobject_cast<QComboBox*>(dialog.field(kLineStopBitsId))->activated(1);
  speed->setEditText("250000");
  dialog.clicked(kLineApplyId);
  // The pty kept no parity but took the stop bits and the speed: the dialog shows that.
  const QString taken = qobject_cast<QLineEdit*>(dialog.field(kLineTakenId))->text();
  EXPECT_EQ(taken.toStdString(), "The port took " + link + ":250000,n,8,2") << taken.toStdString();
  EXPECT_TRUE(shows("The port did not take parity even: it kept none."));
  // The speed selector follows the port.
  EXPECT_TRUE(pump_until([&] { return window->window_form().form().text(cmd::kSpeedSelector) == "250000"; }));
  save_screenshot(dialog, "terminal_line_settings");
  dialog.clicked(kLineCancelId);
  EXPECT_FALSE(dialog.isVisible());
  ASSERT_NE(window->action(cmd::kTermLineSettings), nullptr);
}

// The board writes lines first..last through the port; true once the view ends with the last.
bool stream_lines(PseudoTerminal& pty, ui::TerminalWidget& terminal, Session& session, int first, int last) {
  std::thread board([&] {
    for (int n = first; n <= last; n += 500) pty.write(test::numbered_lines(n, std::min(n + 499, last)));
  });
  const std::string end = test::numbered_line(last);
  const bool shown = pump_until([&] {
    session.flush_terminal();
    const std::size_t length = terminal.length();
    return length >= end.size() && terminal.text(length).compare(length - end.size(), end.size(), end) == 0;
  }, 60000);
  board.join();
  return shown;
}

// The line at the top of the view's text area.
std::string top_line(ui::TerminalWidget& terminal) {
  return terminal.cursorForPosition(QPoint(4, 4)).block().text().toStdString();
}

TEST_F(TerminalChoicesWindow, ScrollbackKeepsTheNewestLinesAndAReaderKeepsTheirPlace) {
  ui::TerminalWidget& terminal = window->terminal_widget();
  QScrollBar* bar = terminal.verticalScrollBar();
  ASSERT_TRUE(stream_lines(pty, terminal, window->session(), 1, 50000));
  // The 10,000 newest lines, in order, and nothing older (the start-up text is long gone).
  EXPECT_TRUE(terminal.text(terminal.length()) == test::numbered_lines(40001, 50000))
      << terminal.text(100) << " ... " << terminal.line_ends() << " lines";
  EXPECT_EQ(terminal.document()->blockCount(), 10001);
  EXPECT_TRUE(terminal.following_end());
  EXPECT_EQ(bar->value(), bar->maximum());

  // Save terminal text writes the whole scrollback.
  const std::string saved = dir.file("terminal.txt");
  QTimer::singleShot(0, [&] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      dialog->selectFile(QString::fromStdString(saved));
      QMetaObject::invokeMethod(dialog, "accept");
    }
  });
  window->action(cmd::kTermSaveText)->trigger();
  std::string file;
  ASSERT_TRUE(read_whole_file(saved, file));
  std::string expected = test::numbered_lines(40001, 50000);
  expected.erase(std::remove(expected.begin(), expected.end(), '\r'), expected.end());
  EXPECT_TRUE(file == expected) << file.substr(0, 100) << " ... " << file.size() << " bytes";

  // A click into the text and a search leave the view following.
  QTest::mouseClick(terminal.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
  EXPECT_TRUE(terminal.find_next("line 42000", true, false));
  ASSERT_TRUE(stream_lines(pty, terminal, window->session(), 50001, 50100));
  EXPECT_TRUE(terminal.following_end());
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_FALSE(terminal.new_output_marker().isVisible());

  // A reader scrolled up to line 48000 still sees it after 5,000 more lines, with the marker.
  // The bar counts lines (these do not wrap): line 40101 is the view's first.
  bar->setSliderPosition(48000 - 40101);  // as a drag of the slider does
  ASSERT_TRUE(pump_until([&] { return !terminal.following_end(); }));
  const std::string read = top_line(terminal);
  ASSERT_EQ(read.substr(0, 8), "line 480") << read;
  ASSERT_TRUE(stream_lines(pty, terminal, window->session(), 50101, 55100));
  // The save's report line is one of the 10,000.
  const std::string kept = terminal.text(terminal.length());
  const std::string saved_line = "Terminal text saved to " + saved + "\r\n";
  EXPECT_TRUE(kept == test::numbered_lines(45102, 50000) + saved_line + test::numbered_lines(50001, 55100))
      << kept.substr(0, 100) << " ... " << terminal.line_ends() << " lines";
  EXPECT_EQ(top_line(terminal), read);
  EXPECT_FALSE(terminal.following_end());
  EXPECT_TRUE(terminal.new_output_marker().isVisible());
  EXPECT_EQ(terminal.new_output_marker().text().toStdString(), "New output below");
  save_screenshot(*window, "terminal_new_output_below");

  // One click on the marker: back at the end, and following again.
  QTest::mouseClick(&terminal.new_output_marker(), Qt::LeftButton);
  EXPECT_TRUE(terminal.following_end());
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_FALSE(terminal.new_output_marker().isVisible());
  ASSERT_TRUE(stream_lines(pty, terminal, window->session(), 55101, 55200));
  EXPECT_EQ(bar->value(), bar->maximum());
}

}  // namespace
}  // namespace vexa
