// The desktop widgets with the offscreen platform: the terminal view under a streaming board,
// the keys it hands on, the configuration tab's fields and commit, and the phone book editor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <atomic>
#include <thread>

#include "config/configuration.h"
#include "support/numbered_lines.h"
#include "support/temp_dir.h"
#include "ui/qt_test_app.h"
#include "terminal/terminal.h"
#include "ui/config_file_dialog.h"
#include "ui/config_tab_widget.h"
#include "ui/phone_book_editor.h"
#include "ui/terminal_widget.h"

namespace vexa {
namespace {

using test::app;

void press(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
  QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(&widget, &event);
}

TEST(TerminalWidgetTest, KeysBecomeBoardBytesWithoutEchoInModemMode) {
  app();
  ui::TerminalWidget widget;
  std::vector<unsigned> keys;
  widget.set_key_handler([&](unsigned k) { keys.push_back(k); });
  press(widget, Qt::Key_A, Qt::NoModifier, "a");
  press(widget, Qt::Key_E, Qt::NoModifier, QString::fromUtf8("\xc3\xa9"));  // e acute: 0xE9
  press(widget, Qt::Key_Return, Qt::NoModifier, "\r");
  press(widget, Qt::Key_Backspace, Qt::NoModifier, "\b");
  press(widget, Qt::Key_V, Qt::ControlModifier);
  press(widget, Qt::Key_Z, Qt::ControlModifier);
  press(widget, Qt::Key_C, Qt::ControlModifier);
  press(widget, Qt::Key_Ooblique, Qt::NoModifier, QString::fromUtf8("\xe2\x88\x9a"));  // no cp1252 byte
  EXPECT_EQ(keys, (std::vector<unsigned>{'a', 0xE9, 13, 8, 22, 26, 3}));
  EXPECT_EQ(widget.length(), 0u);
  EXPECT_TRUE(widget.toPlainText().isEmpty());
}

TEST(TerminalWidgetTest, TargetModeEchoShowsTypedTextAtTheEnd) {
  app();
  ui::TerminalWidget widget;
  std::vector<unsigned> keys;
  widget.set_key_handler([&](unsigned k) { keys.push_back(k); });
  widget.set_local_echo(true);
  widget.append("board> ");
  press(widget, Qt::Key_B, Qt::NoModifier, "b");
  press(widget, Qt::Key_D, Qt::NoModifier, "d");
  press(widget, Qt::Key_X, Qt::NoModifier, "x");
  press(widget, Qt::Key_Backspace, Qt::NoModifier, "\b");
  press(widget, Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_EQ(widget.text(100), "board> bd\r\n");
  EXPECT_EQ(widget.toPlainText().toStdString(), "board> bd\n");
  // Backspace over a line break takes both of its characters back.
  press(widget, Qt::Key_Backspace, Qt::NoModifier, "\b");
  EXPECT_EQ(widget.text(100), "board> bd");
  EXPECT_EQ(widget.toPlainText().toStdString(), "board> bd");
  QApplication::clipboard()->setText(QString::fromUtf8("=9600 \xc3\xa9"));
  press(widget, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(widget.text(100), "board> bd=9600 \xe9");
  press(widget, Qt::Key_Z, Qt::ControlModifier);  // shown by the terminal itself, not here
  EXPECT_EQ(widget.text(100), "board> bd=9600 \xe9");
  EXPECT_EQ(keys, (std::vector<unsigned>{'b', 'd', 'x', 8, 13, 8, 22, 26}));
}

TEST(TerminalWidgetTest, BoardTextIsShownAsItsCharactersWithOneBreakPerLineAndDropsFromTheFront) {
  app();
  ui::TerminalWidget widget;
  widget.append("caf\xe9\r\nline 2\r\n");
  EXPECT_EQ(widget.toPlainText(), QString::fromUtf8("caf\xc3\xa9\nline 2\n"));
  EXPECT_EQ(widget.length(), 14u);
  EXPECT_EQ(widget.text(4), "caf\xe9");
  widget.set_text("x");
  EXPECT_EQ(widget.toPlainText(), "x");
  widget.clear();
  EXPECT_EQ(widget.length(), 0u);
  // Dropping from the front keeps the screen and the board text together.
  widget.append("ab\r\ncd\r\nef");
  widget.drop_front(3);  // cuts between CR and LF
  EXPECT_EQ(widget.text(100), "\ncd\r\nef");
  EXPECT_EQ(widget.toPlainText().toStdString(), "\ncd\nef");
  widget.drop_front(5);
  EXPECT_EQ(widget.text(100), "ef");
  EXPECT_EQ(widget.toPlainText().toStdString(), "ef");
  widget.drop_front(10);
  EXPECT_EQ(widget.length(), 0u);
  EXPECT_TRUE(widget.toPlainText().isEmpty());
}

// An unpaced board on another thread, its flushes posted to the loop: nothing is left stranded in
// the out-box, and the view stays bounded.
TEST(TerminalWidgetTest, NumberedStreamEndsWithItsLastLineOnScreen) {
  app();
  ui::TerminalWidget widget;
  std::atomic<bool> flush_posted{false};
  Terminal terminal(widget, nullptr, ViewThreads::owner_only, [&] {
    if (!flush_posted.exchange(true))
      QMetaObject::invokeMethod(&widget, [&] {
        flush_posted = false;
        terminal.flush();
      }, Qt::QueuedConnection);
  });
  terminal.print_line("open /dev/ttyUSB0:115200,n,8,1");
  terminal.flush();
  std::atomic<bool> done{false};
  std::thread board([&] {
    for (int n = 1; n <= 3000; n += 7) {  // bursts of seven lines, unpaced
      terminal.put_text(test::numbered_lines(n, std::min(n + 6, 3000)));
      terminal.flush();
    }
    done = true;
  });
  QElapsedTimer guard;
  guard.start();
  while (!done && guard.elapsed() < 60000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  board.join();
  for (int i = 0; i < 200 && terminal.queued_chars() > 0; ++i) QApplication::processEvents(QEventLoop::AllEvents, 5);
  ASSERT_EQ(terminal.queued_chars(), 0u);
  std::string shown = widget.text(widget.length());
  if (shown.rfind("open ", 0) == 0) shown.erase(0, shown.find("\r\n") + 2);
  EXPECT_EQ(test::contiguous_tail_error(shown, 3000), "");
  // The view is trimmed to its newer half before the out-box (itself below the trim length) goes in.
  EXPECT_LT(widget.length(), 2 * kViewTrimAtChars);
  // The screen shows the same text as the board text the widget keeps, one line per line.
  std::string board_text = widget.text(widget.length());
  std::string expected;
  for (std::size_t i = 0; i < board_text.size(); ++i)
    if (!(board_text[i] == '\r' && i + 1 < board_text.size() && board_text[i + 1] == '\n')) expected += board_text[i];
  EXPECT_EQ(widget.toPlainText().toStdString(), expected);
}

TEST(ConfigTabWidgetTest, BarRunsToTheModelsLargestPositionAndStepsByRows) {
  app();
  Configuration configuration('e');
  for (int i = 0; i < 40; ++i) configuration.parse_assignments("a" + std::to_string(i) + "=a*1+0", false);
  ConfigGrid grid(configuration);
  ui::ConfigTabWidget tab(grid);
  tab.resize(700, 300);
  tab.show();
  QApplication::processEvents();
  tab.rebuild();
  const int client = tab.viewport()->height();
  ASSERT_EQ(grid.client_height(), client);
  QScrollBar* bar = tab.verticalScrollBar();
  EXPECT_EQ(bar->maximum(), 760 - client + 19);
  EXPECT_EQ(bar->pageStep(), client);
  bar->setValue(bar->maximum());
  EXPECT_EQ(grid.scroll_position(), 760 - client + 19);
  EXPECT_EQ(tab.field(1)->parentWidget()->y(), -grid.scroll_position());
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);  // a page up is one row up
  EXPECT_EQ(grid.scroll_position(), 760 - client);
  EXPECT_EQ(bar->value(), grid.scroll_position());
}

// Answers the next modal file dialog: notes its filters and offered file, then picks a file
// or cancels. A dialog that never shows is closed, so a failing test cannot hang.
struct DialogAnswer {
  QStringList filters;
  QString offered;
  void next(const QString& pick) {
    QTimer::singleShot(0, [this, pick] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      filters = dialog->nameFilters();
      offered = dialog->selectedFiles().value(0);
      if (pick.isEmpty()) {
        dialog->reject();
      } else {
        dialog->selectFile(pick);
        QMetaObject::invokeMethod(dialog, "accept");
      }
    });
    QTimer::singleShot(5000, [] {
      if (QWidget* stuck = QApplication::activeModalWidget()) stuck->close();
    });
  }
};

TEST(ConfigFileDialogTest, TxtFiltersAndTheLastChoiceIsOfferedAgain) {
  app();
  test::TempDir dir;
  const std::string board = dir.write("Board1.txt", "bd=1\n");
  ui::ConfigFileDialog chooser(dir.path(), nullptr);
  DialogAnswer answer;
  answer.next(QString::fromStdString(board));
  EXPECT_EQ(chooser.choose_file(FileChoice::open), board);
  EXPECT_EQ(answer.filters, (QStringList{"*.txt (*.txt)", "*.* (*)"}));
  answer.next({});
  EXPECT_EQ(chooser.choose_file(FileChoice::save), std::nullopt);
  EXPECT_EQ(answer.filters, QStringList{"*.txt (*.txt)"});
  EXPECT_EQ(answer.offered.toStdString(), board);
  EXPECT_EQ(chooser.last_choice(), board);  // a cancel keeps the last choice
}

TEST(PhoneBookEditorTest, LoadsEditsAndSaves) {
  app();
  const Messages messages;
  test::TempDir dir;
  const std::string path = dir.write("phonebook.txt", "# Phone book\nOffice 0123456\n");
  int closed = 0;
  {
    ui::PhoneBookEditor editor(path, messages);
    QObject::connect(&editor, &ui::PhoneBookEditor::edited_and_closed, [&] { ++closed; });
    EXPECT_EQ(editor.editor()->toPlainText(), "# Phone book\nOffice 0123456\n");
    editor.editor()->appendPlainText(QString::fromUtf8("M\xc3\xbcller 0987654"));
    editor.close();
  }
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(test::TempDir::read(path), "# Phone book\nOffice 0123456\n\nM\xc3\xbcller 0987654\n");
  // An old Windows-1252 file keeps its accented letters.
  const std::string old = dir.write("old.txt", "M\xfcller 1234\n");
  ui::PhoneBookEditor legacy(old, messages);
  EXPECT_EQ(legacy.editor()->toPlainText(), QString::fromUtf8("M\xc3\xbcller 1234\n"));
}

}  // namespace
}  // namespace vexa
