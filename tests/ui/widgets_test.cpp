// The desktop widgets and dialogs one by one with the offscreen platform, the error sound, the
// picture sheets, and the desktop entry with its icons.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QRegularExpression>
#include <tuple>

#include "config/configuration.h"
#include "platform/installed_data.h"
#include "support/recording_sinks.h"
#include "ui/analog_pictures.h"
#include "ui/config_file_dialog.h"
#include "ui/config_tab_widget.h"
#include "ui/download_file_dialog.h"
#include "ui/send_file_dialog.h"
#include "ui/sound_player.h"
#include "ui/test_window.h"

namespace vexa {
namespace {

using test::app;

void press(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
  QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(&widget, &event);
}

// Ctrl-C, Ctrl-Z and Tab as bytes are the main window's test, with live menu shortcuts.
TEST(TerminalWidgetTest, KeysBecomeBoardBytesEchoedOnlyInTargetModeAndBoardTextKeepsItsLines) {
  app();
  ui::TerminalWidget widget;
  std::vector<unsigned> keys;
  widget.set_key_handler([&](unsigned k) { keys.push_back(k); });
  press(widget, Qt::Key_E, Qt::NoModifier, QString::fromUtf8("\xc3\xa9"));  // e acute: 0xE9
  press(widget, Qt::Key_Ooblique, Qt::NoModifier, QString::fromUtf8("\xe2\x88\x9a"));  // no cp1252 byte
  EXPECT_TRUE(widget.toPlainText().isEmpty());  // the modem mode has no echo
  widget.set_local_echo(true);
  widget.append("board> ");
  QTest::keyClicks(&widget, "bdx");
  press(widget, Qt::Key_Backspace, Qt::NoModifier, "\b");
  press(widget, Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_EQ(widget.text(100), "board> bd\r\n");
  // Backspace over a line break takes both of its characters back, on the screen too.
  press(widget, Qt::Key_Backspace, Qt::NoModifier, "\b");
  EXPECT_EQ(widget.toPlainText().toStdString(), "board> bd");
  QApplication::clipboard()->setText(QString::fromUtf8("=9600 \xc3\xa9"));
  press(widget, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(widget.text(100), "board> bd=9600 \xe9");
  EXPECT_EQ(keys, (std::vector<unsigned>{0xE9, 'b', 'd', 'x', 8, 13, 8, 22}));

  // Board text: its characters with one break per line; dropping from the front keeps the
  // screen and the board text together.
  widget.clear();
  widget.append("caf\xe9\r\nline 2\r\n");
  EXPECT_EQ(widget.toPlainText(), QString::fromUtf8("caf\xc3\xa9\nline 2\n"));
  widget.set_text("ab\r\ncd\r\nef");
  for (const auto& [drop, text, screen] : {std::tuple{3, "\ncd\r\nef", "\ncd\nef"}, {5, "ef", "ef"}, {10, "", ""}}) {
    SCOPED_TRACE(drop);
    widget.drop_front(drop);  // the first cuts between CR and LF
    EXPECT_EQ(widget.text(100), text);
    EXPECT_EQ(widget.toPlainText().toStdString(), screen);
  }
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
  EXPECT_EQ(bar->pageStep(), client);
  bar->setValue(bar->maximum());
  EXPECT_EQ(grid.scroll_position(), 760 - client + 19);
  EXPECT_EQ(tab.field(1)->parentWidget()->y(), -grid.scroll_position());
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);  // a page up is one row up
  EXPECT_EQ(grid.scroll_position(), 760 - client);
  EXPECT_EQ(bar->value(), grid.scroll_position());
}

TEST(ConfigFileDialogTest, TxtFiltersAndTheLastChoiceIsOfferedAgain) {
  app();
  test::TempDir dir;
  const std::string board = dir.write("Board1.txt", "bd=1\n");
  ui::ConfigFileDialog chooser(dir.path(), nullptr);
  test::DialogAnswer answer;
  answer.next(QString::fromStdString(board));
  EXPECT_EQ(chooser.choose_file(FileChoice::open), board);
  EXPECT_EQ(answer.filters, (QStringList{"*.txt (*.txt)", "*.* (*)"}));
  answer.next({});
  EXPECT_EQ(chooser.choose_file(FileChoice::save), std::nullopt);
  EXPECT_EQ(answer.filters, QStringList{"*.txt (*.txt)"});
  EXPECT_EQ(answer.offered.toStdString(), board);
  EXPECT_EQ(chooser.last_choice(), board);  // a cancel keeps the last choice
}

// The memory-card dialog (what its form takes is selection_test's DownloadFileForm): it offers
// the last choice; Start takes the typed name and accepts, Cancel rejects and keeps it.
TEST(DownloadFileDialog, StartTakesTheTypedValuesAndCancelDoesNot) {
  app();
  Messages messages;
  test::SharedReport report;
  CardTransferChoice choice{"/home/u/data.bin", "data.bin", "OLD.BIN"};
  for (const auto& [typed, button, result] : {std::tuple{"NEW.BIN", "control105", QDialog::Accepted},
                                              {"OTHER", "control106", QDialog::Rejected}}) {
    ui::DownloadFileDialog dialog(messages, report, choice);
    auto* target = dialog.findChild<QLineEdit*>("control104");
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->text().toStdString(), result == QDialog::Accepted ? "OLD.BIN" : "NEW.BIN");
    target->setText(typed);
    emit target->textEdited(typed);
    dialog.findChild<QPushButton*>(button)->click();
    EXPECT_EQ(dialog.result(), result);
    EXPECT_EQ(choice.target_name, "NEW.BIN");
  }
}

TEST(SendFileDialogTest, OpensWithTheLastChoicesAndEnablesWhatTheWaitUses) {
  app();
  const Messages messages;
  SendFileRequest last;
  last.path = "/tmp/lines.txt";
  last.options.wait = SendWait::prompt;
  ui::SendFileDialog dialog(messages, last);
  EXPECT_EQ(dialog.path_edit->text(), "/tmp/lines.txt");
  EXPECT_TRUE(dialog.prompt_wait->isChecked());
  EXPECT_TRUE(dialog.prompt_edit->isEnabled());
  dialog.echo_wait->setChecked(true);
  EXPECT_FALSE(dialog.prompt_edit->isEnabled());
  dialog.wait_ms->setValue(1500);
  EXPECT_EQ(dialog.request().options.wait, SendWait::echo);
  EXPECT_EQ(dialog.request().options.wait_ms, 1500);
  dialog.no_wait->setChecked(true);
  EXPECT_FALSE(dialog.wait_ms->isEnabled());
  dialog.path_edit->clear();  // Ok needs a file
  EXPECT_FALSE(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
}

TEST(SoundPlayerTest, ErrorSoundIsFoundBesideTheProgramOrBuiltIn) {
  app();
  test::TempDir here, program;
  auto source = [&] {
    return ui::SoundPlayer::error_sound_source(QString::fromStdString(here.path()), QString::fromStdString(program.path()));
  };
  // Neither folder has one: the installed copy where the package is installed, else the built-in.
  const QFileInfo installed(QString::fromStdString(installed_data_dir() + "/error.wav"));
  EXPECT_EQ(source(), installed.isFile() ? QUrl::fromLocalFile(installed.absoluteFilePath()) : QUrl("qrc:/sounds/error.wav"));
  program.write("error.wav", "RIFF");
  EXPECT_EQ(source(), QUrl::fromLocalFile(QString::fromStdString(program.file("error.wav"))));
  here.write("error.wav", "RIFF");
  EXPECT_EQ(source(), QUrl::fromLocalFile(QString::fromStdString(here.file("error.wav"))));
  QFile builtin(":/sounds/error.wav");
  ASSERT_TRUE(builtin.open(QIODevice::ReadOnly));
  EXPECT_EQ(builtin.read(4), QByteArray("RIFF"));
  ui::SoundPlayer sounds;
  sounds.play_error();  // returns at once, with or without a sound device
  EXPECT_EQ(sounds.error_sounds(), 1);
}

// The sheets: anything but a picture of the expected size is missing; the embedded ones are
// whole. How the tab and the plan draw without them is the drawing's own (tests/analog).
TEST(AnalogPictureImagesTest, MissingCorruptOrWrongSizedSheetsAreMissing) {
  app();
  test::TempDir dir;
  dir.write("ABOARDS.png", "\x89PNG\r\n\x1a\nnot really");
  ASSERT_TRUE(QImage(10, 10, QImage::Format_RGB32).save(QString::fromStdString(dir.file("AINPUTS.png"))));
  const ui::AnalogPictureImages images = ui::AnalogPictureImages::load(QString::fromStdString(dir.path()));
  EXPECT_TRUE(images.boards.isNull());
  EXPECT_TRUE(images.inputs.isNull());
  EXPECT_TRUE(images.bitmaps.isNull());
  const ui::AnalogPictureImages embedded = ui::AnalogPictureImages::load();
  EXPECT_TRUE(embedded.sheets_available() && !embedded.bitmaps.isNull());
}

// A key's value in the desktop entry, whose one group is [Desktop Entry].
QString entry_value(const QString& entry, const QString& key) {
  const QRegularExpression line("^" + key + "=(.*)$", QRegularExpression::MultilineOption);
  return line.match(entry).captured(1).trimmed();
}

// The entry starts the installed program by its name and names a themed icon that the package
// draws in every hicolor size; the entry's other keys are plain data.
TEST(DesktopEntry, StartsTheProgramAndNamesAnIconDrawnInEverySize) {
  app();
  QFile desktop(QString::fromStdString(test::source_dir()) + "/packaging/vexaterm.desktop");
  ASSERT_TRUE(desktop.open(QIODevice::ReadOnly | QIODevice::Text));
  const QString entry = QString::fromUtf8(desktop.readAll());
  ASSERT_TRUE(entry.startsWith("[Desktop Entry]\n"));
  EXPECT_EQ(entry_value(entry, "Exec").section(' ', 0, 0), "vexaterm");
  const QString name = entry_value(entry, "Icon");
  ASSERT_FALSE(name.isEmpty() || name.contains('/') || name.endsWith(".png")) << "a theme name, not a path";
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString file = QString("%1/packaging/icons/%2x%2/apps/%3.png")
                             .arg(QString::fromStdString(test::binary_dir())).arg(size).arg(name);
    const QImage image(file);
    ASSERT_EQ(image.size(), QSize(size, size)) << file.toStdString();
    // Clear in the corners, solid on the board, at every size.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
    EXPECT_EQ(qAlpha(image.pixel(size - 1, size - 1)), 0) << size;
    EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size;
  }
}

}  // namespace
}  // namespace vexa
