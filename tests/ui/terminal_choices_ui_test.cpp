// The terminal's choices on the desktop, offscreen, with the test as the board on a
// pseudo-terminal: the hex view switched without losing what was received,
// Ctrl-F's search, Up recalling a typed line once the history is on, ANSI colour, the Send file
// and line settings dialogs, and the scrollback under a long stream: its line count, a reader's
// place, the new-output marker.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <thread>

#include "app/terminal_command_ids.h"
#include "platform/atomic_file.h"
#include "platform/pseudo_terminal.h"
#include "support/numbered_lines.h"
#include "ui/find_dialog.h"
#include "ui/line_settings_dialog.h"
#include "ui/send_file_dialog.h"
#include "ui/test_window.h"

namespace vexa {
namespace {

using test::pump_for;
using test::pump_until;

class TerminalChoicesWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_symlink(pty.slave_path(), link);
    ASSERT_TRUE(w->session().link().open(link, "115200"));
  }

  PseudoTerminal pty;  // outlives the window, whose port it is
  test::Window w;
  std::string link = w.dir.file("board");
  ui::TerminalWidget& terminal = w->terminal_widget();
};

// The rows' layout and the stamps are the filter's (tests/app); here the switch reaches it and
// the view follows, both ways.
TEST_F(TerminalChoicesWindow, HexViewSwitchesWithoutLosingText) {
  QAction* hex = w->action(cmd::kTermHexView);
  ASSERT_NE(hex, nullptr);
  ASSERT_TRUE(pty.write("VexaLog S v1404\r\nti=120000 dt=261207\r\nOk\r\n"));
  ASSERT_TRUE(w.shows("ti=120000 dt=261207\nOk"));
  hex->trigger();
  EXPECT_TRUE(pump_until([&] { return hex->isChecked(); }));
  ASSERT_TRUE(w.shows("< 00000000  56 65 78 61 4C 6F 67 20  53 20 76 31 34 30 34 0D  VexaLog S v1404."));
  ASSERT_TRUE(pty.write("Error unknown key bd\r\n"));
  hex->trigger();
  ASSERT_TRUE(w.shows("VexaLog S v1404\nti=120000 dt=261207\nOk\nError unknown key bd"));
  EXPECT_FALSE(hex->isChecked());
}

TEST_F(TerminalChoicesWindow, CtrlFSearchesNextAndPreviousWithOrWithoutCase) {
  ASSERT_TRUE(pty.write("Ok\r\nError unknown key bd\r\nOk\r\nerror UNKNOWN key xy\r\n"));
  ASSERT_TRUE(w.shows("error UNKNOWN key xy"));
  terminal.setFocus();
  QTest::keyClick(&terminal, Qt::Key_F, Qt::ControlModifier);
  ui::FindDialog* find = w->find_dialog();
  ASSERT_NE(find, nullptr);
  find->needle->setText("unknown KEY");
  const auto hit_line = [&] { return terminal.textCursor().block().text().toStdString(); };
  // From the end (where the view follows the text) backwards: the newest hit first.
  EXPECT_TRUE(find->step(true));
  EXPECT_EQ(hit_line(), "error UNKNOWN key xy");
  EXPECT_TRUE(find->step(true));
  EXPECT_EQ(terminal.textCursor().selectedText().toStdString(), "unknown key");
  EXPECT_TRUE(find->step(false));
  EXPECT_EQ(hit_line(), "error UNKNOWN key xy");
  find->match_case->setChecked(true);  // with case: no hit, and the last hit stays selected
  EXPECT_FALSE(find->step(false));
  EXPECT_EQ(terminal.textCursor().selectedText().toStdString(), "UNKNOWN key");
  ASSERT_TRUE(w.shows("'unknown KEY' is not in the terminal."));
  find->close();
}

// Which bytes a recall sends is the keyboard's (tests/terminal); here Up reaches it only once the
// history is on, and the recalled line shows where the typed one was, before Enter.
TEST_F(TerminalChoicesWindow, UpScrollsUntilTheHistoryIsOnThenRecallsATypedLine) {
  terminal.setFocus();
  QTest::keyClicks(&terminal, "ti\r");
  EXPECT_EQ(pty.read_until("\r", 2000), "ti\r");
  QTest::keyClick(&terminal, Qt::Key_Up);  // history off: the view's key, nothing to the board
  EXPECT_EQ(pty.read_until("ti", 300), "");
  w->action(cmd::kTermHistory)->trigger();
  ASSERT_TRUE(pump_until([&] { return w->action(cmd::kTermHistory)->isChecked(); }));
  QTest::keyClicks(&terminal, "conf\rxy");
  EXPECT_EQ(pty.read_until("xy", 2000), "conf\rxy");
  QTest::keyClick(&terminal, Qt::Key_Up);
  EXPECT_EQ(pty.read_until("conf", 2000), "\b\bconf");
  EXPECT_EQ(terminal.text(terminal.length()).substr(terminal.length() - 6), "\r\nconf");
}

TEST_F(TerminalChoicesWindow, AnsiColourShowsColouredTextInsteadOfEscapes) {
  ASSERT_TRUE(pty.write("\x1b[1;31mError\x1b[0m unknown key \x1b[32mbd\x1b[0m\r\n"));
  ASSERT_TRUE(w.shows("^[[1;31mError^[[0m"));  // off: the escapes as the board sent them
  w->action(cmd::kTermAnsi)->trigger();
  ASSERT_TRUE(w.shows("Error unknown key bd")) << w.terminal_text();
  EXPECT_EQ(w.terminal_text().find('\x1b'), std::string::npos);
  ASSERT_TRUE(pty.write("\x1b[44;97m on blue \x1b[0m\x1b[2K\r\n"));
  ASSERT_TRUE(w.shows(" on blue \n"));
  // The colours are those of the sequences.
  struct Row {
    const char* word;
    QColor foreground, background;
    int weight;
  };
  for (const Row& row : {Row{"Error", QColor(0xcd, 0, 0), QColor(), QFont::Bold},
                         Row{"bd", QColor(0, 0xcd, 0), QColor(), QFont::Normal},
                         Row{"on blue", QColor(0xff, 0xff, 0xff), QColor(0, 0, 0xee), QFont::Normal}}) {
    SCOPED_TRACE(row.word);
    QTextCursor cursor(terminal.document());
    cursor.setPosition(terminal.toPlainText().indexOf(row.word) + 1);
    EXPECT_EQ(cursor.charFormat().foreground().color(), row.foreground);
    if (row.background.isValid()) {
      EXPECT_EQ(cursor.charFormat().background().color(), row.background);
    }
    EXPECT_EQ(cursor.charFormat().fontWeight(), row.weight);
  }
  w->action(cmd::kTermAnsi)->trigger();  // off again: the escapes are back as text, nothing lost
  ASSERT_TRUE(w.shows("^[[1;31mError^[[0m unknown key ^[[32mbd^[[0m\n^[[44;97m on blue ^[[0m^[[2K"));
}

TEST_F(TerminalChoicesWindow, SendFileDialogKeepsItsChoicesAndGivesThePacing) {
  SendFileRequest last;
  last.path = "/tmp/lines.txt";
  last.options.wait = SendWait::prompt;
  last.options.prompt = "Ok";
  ui::SendFileDialog dialog(w->session().messages(), last, w.window.get());
  dialog.show();
  pump_for(20);
  EXPECT_EQ(dialog.path_edit->text(), "/tmp/lines.txt");
  EXPECT_TRUE(dialog.prompt_wait->isChecked());
  EXPECT_TRUE(dialog.prompt_edit->isEnabled());
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
  EXPECT_FALSE(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
}

TEST_F(TerminalChoicesWindow, TheLineSettingsDialogsChoicesReachTheOpenPort) {
  LineSettingsForm form(w->session().messages(), {115200, std::nullopt});
  ui::LineSettingsDialog dialog(form, [&](const LineChoice& choice) {
    return w->session().terminal_choices().apply_line(choice.speed, choice.line);
  }, w.window.get());
  dialog.show();
  pump_for(20);
  // The frame is picked from lists; only the speed can be typed.
  auto* parity = qobject_cast<QComboBox*>(dialog.field(kLineParityId));
  auto* stop_bits = qobject_cast<QComboBox*>(dialog.field(kLineStopBitsId));
  auto* speed = qobject_cast<QComboBox*>(dialog.field(kLineSpeedId));
  ASSERT_TRUE(parity && stop_bits && speed);
  EXPECT_FALSE(parity->isEditable());
  EXPECT_TRUE(speed->isEditable());
  parity->setCurrentIndex(parity->findText("even"));
  emit parity->activated(parity->currentIndex());
  stop_bits->setCurrentIndex(1);
  emit stop_bits->activated(1);
  speed->setEditText("250000");
  dialog.clicked(kLineApplyId);
  // The pty kept no parity but took the stop bits and the speed: the dialog shows that.
  const QString taken = qobject_cast<QLineEdit*>(dialog.field(kLineTakenId))->text();
  EXPECT_EQ(taken.toStdString(), "The port took " + link + ":250000,n,8,2");
  // The speed selector follows the port.
  EXPECT_TRUE(pump_until([&] { return w.form().text(cmd::kSpeedSelector) == "250000"; }));
  dialog.clicked(kLineCancelId);
  EXPECT_FALSE(dialog.isVisible());
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

TEST_F(TerminalChoicesWindow, ScrollbackKeepsTheNewestLinesAndAReaderKeepsTheirPlace) {
  QScrollBar* bar = terminal.verticalScrollBar();
  const auto at_end = [&] { return terminal.following_end() && bar->value() == bar->maximum(); };
  ASSERT_TRUE(stream_lines(pty, terminal, w->session(), 1, 50000));
  // The 10,000 newest lines, in order, and nothing older (the start-up text is long gone).
  EXPECT_TRUE(terminal.text(terminal.length()) == test::numbered_lines(40001, 50000))
      << terminal.text(100) << " ... " << terminal.line_ends() << " lines";
  EXPECT_EQ(terminal.document()->blockCount(), 10001);
  EXPECT_TRUE(at_end());

  // Save terminal text writes the whole scrollback.
  const std::string saved = w.dir.file("terminal.txt");
  QTimer::singleShot(0, [&] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      dialog->selectFile(QString::fromStdString(saved));
      QMetaObject::invokeMethod(dialog, "accept");
    }
  });
  w->action(cmd::kTermSaveText)->trigger();
  std::string file;
  ASSERT_TRUE(read_whole_file(saved, file));
  std::string expected = test::numbered_lines(40001, 50000);
  expected.erase(std::remove(expected.begin(), expected.end(), '\r'), expected.end());
  EXPECT_TRUE(file == expected) << file.substr(0, 100) << " ... " << file.size() << " bytes";

  // A click into the text and a search leave the view following.
  QTest::mouseClick(terminal.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
  EXPECT_TRUE(terminal.find_next("line 42000", true, false));
  ASSERT_TRUE(stream_lines(pty, terminal, w->session(), 50001, 50100));
  EXPECT_TRUE(at_end());
  EXPECT_FALSE(terminal.new_output_marker().isVisible());

  // A reader scrolled up to line 48000 still sees it after 5,000 more lines, with the marker.
  // The bar counts lines (these do not wrap): line 40101 is the view's first.
  const auto top_line = [&] { return terminal.cursorForPosition(QPoint(4, 4)).block().text().toStdString(); };
  bar->setSliderPosition(48000 - 40101);  // as a drag of the slider does
  ASSERT_TRUE(pump_until([&] { return !terminal.following_end(); }));
  const std::string read = top_line();
  ASSERT_EQ(read.substr(0, 8), "line 480") << read;
  ASSERT_TRUE(stream_lines(pty, terminal, w->session(), 50101, 55100));
  // The save's report line is one of the 10,000.
  const std::string kept = terminal.text(terminal.length());
  const std::string saved_line = "Terminal text saved to " + saved + "\r\n";
  EXPECT_TRUE(kept == test::numbered_lines(45102, 50000) + saved_line + test::numbered_lines(50001, 55100))
      << kept.substr(0, 100) << " ... " << terminal.line_ends() << " lines";
  EXPECT_EQ(top_line(), read);
  EXPECT_FALSE(terminal.following_end());
  EXPECT_EQ(terminal.new_output_marker().text().toStdString(), "New output below");
  EXPECT_TRUE(terminal.new_output_marker().isVisible());

  // One click on the marker: back at the end, and following again.
  QTest::mouseClick(&terminal.new_output_marker(), Qt::LeftButton);
  EXPECT_TRUE(at_end());
  EXPECT_FALSE(terminal.new_output_marker().isVisible());
  ASSERT_TRUE(stream_lines(pty, terminal, w->session(), 55101, 55200));
  EXPECT_EQ(bar->value(), bar->maximum());
}

}  // namespace
}  // namespace vexa
