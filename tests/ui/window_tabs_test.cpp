// The subsystems' tabs and controls as the main window wires them, against its simulated board:
// a macro edited, applied and read back; an upload started from its tab with its lines in the
// data pane; a command compiled from the compile tab; the factory test's lamps after a pass and
// after a failure.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "build/compile_tab_form.h"
#include "macro/macro_tab.h"
#include "sim/board_server.h"
#include "ui/compile_tab_widget.h"
#include "ui/macro_tab_widget.h"
#include "ui/sound_player.h"
#include "ui/test_window.h"
#include "ui/upload_tab_widget.h"
#include "upload/upload_subsystem.h"

namespace vexa {
namespace {

using test::pump_until;
using test::Window;

QAbstractButton* button(QWidget* w) { return qobject_cast<QAbstractButton*>(w); }
QLineEdit* edit(QWidget* w) { return qobject_cast<QLineEdit*>(w); }

TEST(WindowTabsTest, AMacroIsEditedAppliedAndReadBackFromTheBoard) {
  Window w({.simulate = 'S'});
  ui::MacroTabWidget& widget = w->macro_tab();
  // Firmware before 603 has no macros; the sub-tabs follow the identity.
  w->session().board().accept_identity("VexaLog F v602");
  widget.refresh();
  EXPECT_EQ(widget.sub_tabs()->count(), 0);
  EXPECT_FALSE(widget.control(macro_id::kApply)->isVisible());
  w.load_from_board();
  w.click_tab(3);
  ASSERT_EQ(widget.sub_tabs()->count(), 20);

  widget.sub_tabs()->setCurrentIndex(3);
  EXPECT_EQ(w->session().macro_tab().current_key(), "m3");
  button(widget.control(macro_id::kTypeRegularly))->click();
  EXPECT_TRUE(widget.control(macro_id::kIntervalHours)->isVisible());
  EXPECT_FALSE(widget.control(macro_id::kYear)->isVisible());
  button(widget.control(macro_id::kClearInterval))->click();
  qobject_cast<QComboBox*>(widget.control(macro_id::kIntervalHours))->setEditText("1");
  qobject_cast<QComboBox*>(widget.control(macro_id::kIntervalMinutes))->setEditText("30");
  QTest::keyClicks(widget.control(macro_id::kCommand), "rd;out 1");
  button(widget.control(macro_id::kApply))->click();
  const std::string value = "0,5400,rd;out 1";
  ASSERT_TRUE(pump_until([&] { return w.board_value("m3") == value; })) << w.board_value("m3").value_or("");

  // Read back: the table is emptied by the identity line of the "conf" reply and filled again.
  w->session().configuration().set_parameter("m3", "garbage");
  w.click(cmd::kConfGet);
  ASSERT_TRUE(pump_until([&] { return w->session().configuration().parameter_value("m3") == value; }));
  w->session().macro_tab().show_macro();
  EXPECT_EQ(edit(widget.control(macro_id::kCommand))->text(), "rd;out 1");
  EXPECT_EQ(qobject_cast<QComboBox*>(widget.control(macro_id::kIntervalMinutes))->currentText(), "30");
  EXPECT_TRUE(button(widget.control(macro_id::kTypeRegularly))->isChecked());
  EXPECT_TRUE(widget.command_label()->isVisible());
  // Another sub-tab commits this one and shows the next, empty, one.
  widget.sub_tabs()->setCurrentIndex(4);
  EXPECT_EQ(edit(widget.control(macro_id::kCommand))->text(), "");
  EXPECT_FALSE(widget.control(macro_id::kCommand)->isVisible());
}

TEST(WindowTabsTest, AnUploadStartsFromItsTabAndShowsItsLinesInBothViews) {
  Window w({.simulate = 'S'});
  w.simulator.server()->with_board([](sim::SimulatedBoard& board) {
    board.uploads().add_file({"vexalog.adc", sim::LogKind::stamped, 240, 0});
  });
  w.click_tab(4);
  ui::UploadTabWidget& widget = w->upload_tab();
  DataUpload& upload = w->session().upload().upload();
  button(widget.control(upload_id::kStart))->click();
  ASSERT_TRUE(pump_until([&] { return !upload.running() && upload.line_count() == 240; }, 30000)) << w.terminal_text();
  widget.pane()->tick();
  EXPECT_EQ(edit(widget.control(upload_id::kLineCount))->text(), "240");
  EXPECT_EQ(edit(widget.control(upload_id::kStamp))->text(), "2024:03:01 00:03:59 ");
  ASSERT_EQ(upload.ring().newest_first().size(), 240u);
  EXPECT_EQ(upload.ring().newest_first().front().text, "2024:03:01 00:03:59 21,9 7,39 843");
  button(widget.control(upload_id::kGraphicView))->click();
  EXPECT_TRUE(button(widget.control(upload_id::kGraphicView))->isChecked());
  EXPECT_FALSE(button(widget.control(upload_id::kTextView))->isChecked());
  button(widget.control(upload_id::kClear))->click();
  EXPECT_TRUE(upload.ring().newest_first().empty());
}

TEST(WindowTabsTest, TheCompileTabStoresWhatIsTypedAndRunsItWithTheBusyCursor) {
  Window w;
  ASSERT_NE(w->compile_tab(), nullptr);
  ui::CompileTabWidget& widget = *w->compile_tab();
  Settings& settings = w->session().settings();
  // What is typed into the environment and the command line is stored as settings.
  auto* environment = widget.findChild<QPlainTextEdit*>(QStringLiteral("control%1").arg(compile::kEnvironment));
  ASSERT_NE(environment, nullptr);
  environment->setPlainText("PATH=/usr/bin:/bin\n\nSHOWN=yes");
  EXPECT_EQ(settings.get_setting("CompileEnv2", ""), "SHOWN=yes");
  const std::string command = "printf 'one\\ntwo\\n'; echo $SHOWN; sleep 0.3";
  QTest::keyClicks(widget.control(compile::kCommandLine), QString::fromStdString(command));
  EXPECT_EQ(settings.get_setting("CompileCmd", ""), command);
  // Run: the busy cursor until the command ends, and its output in the pane.
  button(widget.control(compile::kRun))->click();
  EXPECT_EQ(widget.cursor().shape(), Qt::WaitCursor);
  ASSERT_TRUE(w.shows("Exit= 0", 20000));
  test::pump_for(250);
  EXPECT_EQ(widget.output_pane()->toPlainText().toStdString(), command + "\none\ntwo\nyes\n");
  EXPECT_NE(widget.cursor().shape(), Qt::WaitCursor);
  // The check box is toggled by the tab itself.
  auto* automatic = qobject_cast<QCheckBox*>(widget.control(compile::kAutoDownload));
  ASSERT_NE(automatic, nullptr);
  automatic->click();
  EXPECT_TRUE(w->session().compile_tab()->form().checked(compile::kAutoDownload));
  EXPECT_EQ(automatic->checkState(), Qt::Checked);
}

TEST(WindowTabsTest, TheFactoryTestButtonRunsTheTestAndTheLampsShowPassAndFailure) {
  Window w({.simulate = 'S', .settings = "debug=1\n"});
  auto* sounds = w->findChild<ui::SoundPlayer*>();
  ASSERT_NE(sounds, nullptr);
  auto lamp = [&](int position) {
    return w.widget(cmd::kFactoryLamps)->grab().toImage().pixelColor(7 + 10 * position, 7);
  };
  const QColor yellow(255, 255, 0), red(255, 0, 0), green(0, 255, 0);
  EXPECT_EQ(lamp(0), yellow);
  w.click(cmd::kFactoryTest);
  ASSERT_TRUE(pump_until([&] { return sounds->beeps() >= 1 && lamp(6) == green; }, 20000)) << w.terminal_text();
  for (int i : {0, 1, 3, 4, 5}) EXPECT_EQ(lamp(i), green) << i;
  EXPECT_NE(lamp(2), green);  // the serial file test has no lamp
  EXPECT_EQ(sounds->error_sounds(), 0);

  w.simulator.server()->with_board([](sim::SimulatedBoard& b) {
    sim::SelfTestOptions options;
    options.fail = {"rtc", "disk"};
    b.self_test().set_options(options);
  });
  w.click(cmd::kFactoryTest);
  ASSERT_TRUE(pump_until([&] { return sounds->error_sounds() >= 1 && lamp(5) == red; }, 20000)) << w.terminal_text();
  EXPECT_EQ(lamp(1), red);
  for (int i : {0, 3, 4, 6}) EXPECT_EQ(lamp(i), green) << i;
  // A click on the lamps lists the states in the terminal.
  w.click(cmd::kFactoryLamps);
  EXPECT_TRUE(w.shows("1 disk dr=0"));
}

}  // namespace
}  // namespace vexa
