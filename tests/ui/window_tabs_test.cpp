// The subsystems' tabs as the main window wires them, each shown once against its simulated
// board: a macro applied and read back, an upload started from its tab, a command run from the
// compile tab, the factory test's lamps after a pass and a failure, an input calibrated and
// applied, the Data tab fed by polled lines. What each tab does with its fields is its own
// folder's (tests/macro, upload, build, factory, analog); here the widgets, pictures and plan
// of a board that only said who it is, and sheets that are missing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <cmath>
#include <thread>

#include "analog/analog_tab.h"
#include "analog/live_drawing.h"
#include "build/compile_tab_form.h"
#include "macro/macro_tab.h"
#include "sim/board_server.h"
#include "ui/analog_section_widget.h"
#include "ui/analog_tab_widget.h"
#include "ui/compile_tab_widget.h"
#include "ui/data_view_widget.h"
#include "ui/macro_tab_widget.h"
#include "ui/plan_window.h"
#include "ui/sound_player.h"
#include "ui/test_window.h"
#include "ui/upload_tab_widget.h"
#include "upload/upload_subsystem.h"

namespace vexa {
namespace {

using test::pump_for;
using test::pump_until;
using test::Window;

QAbstractButton* button(QWidget* w) { return qobject_cast<QAbstractButton*>(w); }
QLineEdit* edit(QWidget* w) { return qobject_cast<QLineEdit*>(w); }
QComboBox* combo(QWidget* w) { return qobject_cast<QComboBox*>(w); }

TEST(WindowTabsTest, AMacroIsAppliedToTheBoardAndReadBackIntoItsWidgets) {
  Window w({.simulate = 'S'});
  ui::MacroTabWidget& widget = w->macro_tab();
  w.load_from_board();
  w.click_tab(3);
  ASSERT_EQ(widget.sub_tabs()->count(), 20);
  widget.sub_tabs()->setCurrentIndex(3);
  EXPECT_EQ(w->session().macro_tab().current_key(), "m3");
  button(widget.control(macro_id::kTypeRegularly))->click();
  EXPECT_TRUE(widget.control(macro_id::kIntervalHours)->isVisible());
  button(widget.control(macro_id::kClearInterval))->click();
  combo(widget.control(macro_id::kIntervalHours))->setEditText("1");
  combo(widget.control(macro_id::kIntervalMinutes))->setEditText("30");
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
  EXPECT_EQ(combo(widget.control(macro_id::kIntervalMinutes))->currentText(), "30");
  EXPECT_TRUE(button(widget.control(macro_id::kTypeRegularly))->isChecked());
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
  EXPECT_FALSE(button(widget.control(upload_id::kTextView))->isChecked());
  button(widget.control(upload_id::kClear))->click();
  EXPECT_TRUE(upload.ring().newest_first().empty());
}

// What is stored of the environment and the command line is tests/build's.
TEST(WindowTabsTest, TheCompileTabRunsWhatIsTypedWithTheBusyCursor) {
  Window w;
  ASSERT_NE(w->compile_tab(), nullptr);
  ui::CompileTabWidget& widget = *w->compile_tab();
  auto* environment = widget.findChild<QPlainTextEdit*>(QStringLiteral("control%1").arg(compile::kEnvironment));
  ASSERT_NE(environment, nullptr);
  environment->setPlainText("PATH=/usr/bin:/bin\n\nSHOWN=yes");
  const std::string command = "printf 'one\\ntwo\\n'; echo $SHOWN; sleep 0.3";
  QTest::keyClicks(widget.control(compile::kCommandLine), QString::fromStdString(command));
  button(widget.control(compile::kRun))->click();
  EXPECT_EQ(widget.cursor().shape(), Qt::WaitCursor);
  ASSERT_TRUE(w.shows("Exit= 0", 20000));
  test::pump_for(250);
  EXPECT_EQ(widget.output_pane()->toPlainText().toStdString(), command + "\none\ntwo\nyes\n");
  EXPECT_NE(widget.cursor().shape(), Qt::WaitCursor);
  auto* automatic = qobject_cast<QCheckBox*>(widget.control(compile::kAutoDownload));
  ASSERT_NE(automatic, nullptr);
  automatic->click();
  EXPECT_TRUE(w->session().compile_tab()->form().checked(compile::kAutoDownload));
  EXPECT_EQ(automatic->checkState(), Qt::Checked);
}

// Which lamp a board shows in which colour is tests/factory's; here the window draws them.
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
}

// A main window with the program's input types on its inputs tab: the board of that type is
// simulated, or (simulated false) has only said who it is.
class Inputs : public test::Window {
 public:
  Inputs(char type, bool simulated)
      : Window({.simulate = simulated ? type : '\0', .input_types = true}) {
    if (simulated) {
      load_from_board();
    } else {
      window->session().board().accept_identity(std::string("VexaLog ") + type + " v1404");
    }
    click_tab(2);
    section().tick_100ms();  // takes the new board's scales
  }
  ui::AnalogSectionWidget& section() { return window->analog_section(); }
  AnalogTab& tab() { return window->session().analog_tab(); }
  Configuration& configuration() { return window->session().configuration(); }
  void select(int number) {
    for (std::size_t i = 0; i < tab().tabs().size(); ++i)
      if (tab().tabs()[i].number == number) section().select(static_cast<int>(i));
    ASSERT_EQ(tab().selected_number(), number);
  }
  QWidget* control(int id) { return section().analog_widget()->control(id); }
  void choose(const std::string& title) {
    auto* list = combo(control(analog_id::kTypeList));
    ASSERT_NE(list, nullptr);
    const int index = list->findText(QString::fromStdString(title));
    ASSERT_GE(index, 0) << title;
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
  void press(int id) { qobject_cast<QAbstractButton*>(control(id))->click(); }
  void type(int id, const QString& text) {
    QLineEdit* field = edit(control(id));
    ASSERT_NE(field, nullptr) << id;
    field->selectAll();
    QTest::keyClicks(field, text);
  }
  // A line as the receive thread hands it out.
  void board_says(const std::string& line) {
    std::thread receiver([&] { window->session().link().consumers().dispatch(line); });
    receiver.join();
  }
  // Inputs configured as by a "conf" reply, with their types, and the tab's rebuild.
  void configure(const std::vector<std::pair<std::string, std::string>>& inputs) {
    for (const auto& [assignment, type] : inputs) {
      configuration().parse_assignments(assignment, true);
      configuration().store_type(*configuration().find_index(assignment.substr(0, assignment.find('='))), type);
    }
    tab().reparse();  // the configuration tab's rebuild does this
  }
};

// The two points, the pending catch and the solver are tests/analog's; here the widgets reach
// them and the board ends up with the new expression.
TEST(AnalogSectionBoard, CalibrateAndApplyOnAnFBoard) {
  Inputs w('F', true);
  ASSERT_EQ(w.tab().tabs().size(), 18u);
  EXPECT_EQ(w.section().tab_bar()->tabText(3), "a3");
  w.select(3);
  w.choose("Voltage 0-5 V");
  // Listening: the tab polls "a3" and shows the board's answer, which Catch takes into point 1.
  w.press(analog_id::kListen);
  ASSERT_TRUE(pump_until([&] { return w.tab().form().text(analog_id::kLiveLine).rfind("a3: ", 0) == 0; }))
      << w.terminal_text();
  w.press(analog_id::kListen);
  pump_for(200);  // a poll still under way is answered
  const std::string live = w.tab().form().text(analog_id::kLiveLine);
  w.press(analog_id::kCatch1);
  EXPECT_EQ(w.tab().form().text(811), live.substr(4, live.find(' ', 4) - 4)) << live;
  w.type(812, "0");
  w.press(analog_id::kCatch2);
  w.board_says(" a3: 60000 2288.82mV =2.288 a4: 5");
  w.section().tick_100ms();
  EXPECT_EQ(w.tab().form().text(821), "60000");
  w.type(822, "1000");
  w.press(analog_id::kCalculate);
  w.press(analog_id::kApply);
  const std::string value = w.configuration().parameter_value("a3").value_or("");
  EXPECT_EQ(value.rfind("a*", 0), 0u) << value;
  ASSERT_TRUE(pump_until([&] { return w.board_value("a3") == value; })) << w.terminal_text();
}

TEST(AnalogSectionBoard, DataTabFillsFromPolledLines) {
  Inputs w('F', true);
  w.select(kDataTab);
  ui::DataViewWidget* data = w.section().data_view();
  LiveData& live = w->session().live_data();
  ASSERT_TRUE(data->isVisible());
  EXPECT_EQ(data->row_count(), 16);
  EXPECT_TRUE(data->listen());
  // The data tab polls the board, and the answer fills every row.
  ASSERT_TRUE(pump_until([&] { return live.record(15).value > 0; })) << w.terminal_text();
  for (int n = 0; n < 16; ++n) EXPECT_GT(live.record(n).value, 2500 * 0.09) << n;
  // Readings of every size fit their box at the default font (which text each gets is
  // live_data_test's); the overflow mark has the full value in its tip.
  // Readings of every size fit their box at the default font (which text each gets is
  // live_data_test's); the overflow mark has the full value in its tip.
  data->set_view(HistoryView::seconds);
  data->set_mode(DisplayMode::raw);
  w.board_says(" a2: 434.763794 a3: -9876543210.5 a4: 3e38");
  data->tick_100ms();
  auto box = [&](int r) { return qobject_cast<QLineEdit*>(data->row_control(r, 9)); };
  for (int r : {2, 3, 4}) {
    EXPECT_FALSE(box(r)->text().isEmpty()) << r;
    EXPECT_LT(box(r)->fontMetrics().horizontalAdvance(box(r)->text()), box(r)->width() - 8) << box(r)->text().toStdString();
  }
  EXPECT_EQ(box(4)->text().toStdString(), kValueOverflow);
  EXPECT_EQ(box(4)->toolTip().size(), 39 + 7);  // "%f" of 3e38 as a float
  // Absurd values, NaN and infinity, a line of 300 inputs: the graphs draw on and nothing breaks.
  data->set_view(HistoryView::bar);
  std::string wild = " a0: 1e300 a1: nan a2: -inf a3: 99999999999999999999 a4:";
  for (int n = 0; n < 300; ++n) wild += " a" + std::to_string(n) + ":" + std::to_string(-n);
  w.board_says(wild);
  data->tick_100ms();
  data->tick_second();
  pump_for(50);
  EXPECT_TRUE(std::isfinite(live.record(3).value));
}

TEST(AnalogSectionPictures, TabPictureForEachBoardClassAndThePlanWithAConflict) {
  struct Row {
    char type;
    const char* title;
    bool warns;
  };
  for (const Row& row : {Row{'E', "Voltage 0-5 V", true}, Row{'F', "Current loop 4-20 mA", true},
                         Row{'S', "Pt100 resistance thermometer", false}}) {
    SCOPED_TRACE(row.type);
    Inputs w(row.type, false);
    ASSERT_TRUE(w.section().images().sheets_available());
    w.select(3);
    w.choose(row.title);
    ui::AnalogTabWidget* widget = w.section().analog_widget();
    const int warning = widget->description_text().indexOf("Insert resistances");
    EXPECT_EQ(warning != -1, row.warns);
    // The first part is black, the warning lines bright red.
    EXPECT_EQ(widget->description_colour(0), QColor(0, 0, 0));
    if (row.warns) {
      EXPECT_EQ(widget->description_colour(warning + 2), QColor(255, 0, 0));
    }
  }
  Inputs w('F', false);
  // Marks are written in the proportional font of the settings.
  w->session().settings().set_value("fontvar", "DejaVu Serif");
  w->session().settings().set_value("fontvarsize", "17");
  EXPECT_EQ(w.section().analog_widget()->picture_font().family().toStdString(), "DejaVu Serif");
  EXPECT_EQ(w.section().analog_widget()->picture_font().pixelSize(), 17);
  w.configure({{"a0=a*0.1525879+0,3", "Voltage 0-10 V"}, {"a1=c*0.3814697+0,3", "Current loop 4-20 mA"}});
  w.select(kPlanTab);
  const std::string pdf = w.dir.file("plan.pdf");
  EXPECT_TRUE(w.section().plan_window()->print_to_pdf(QString::fromStdString(pdf)));
  EXPECT_EQ(test::TempDir::read(pdf).substr(0, 5), "%PDF-");
  EXPECT_FALSE(w.section().plan_window()->print_to_pdf(QString::fromStdString(w.dir.file("no/such/dir/plan.pdf"))));
}

// Every input of an S board in use: the plan's list of inputs is longer than the view and
// scrolls to its last line.
TEST(AnalogSectionPictures, PlanOfEveryInputScrollsToItsLastLine) {
  Inputs w('S', false);
  std::vector<std::pair<std::string, std::string>> inputs;
  for (int n = 0; n < 16; ++n)
    inputs.push_back({"a" + std::to_string(n) + "=a*1,0", n % 2 ? "Digital input" : "Pt100 resistance thermometer"});
  w.configure(inputs);
  w.select(kPlanTab);
  ui::PlanWindow* plan = w.section().plan_window();
  QScrollBar* bar = plan->picture_area()->verticalScrollBar();
  // The picture takes the plan's size once it has been drawn.
  EXPECT_TRUE(pump_until([&] { return plan->picture()->height() > plan->picture_area()->viewport()->height() + 50; }, 2000))
      << plan->picture()->height() << " in " << plan->picture_area()->viewport()->height();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->maximum(), plan->picture()->height() - plan->picture_area()->viewport()->height());
}

TEST(AnalogSectionData, RowsFollowTheInputsAndTakeScaleAndColour) {
  Inputs w('E', false);
  LiveData& live = w->session().live_data();
  w.select(kDataTab);
  ui::DataViewWidget* data = w.section().data_view();
  ASSERT_EQ(data->row_count(), 8);
  EXPECT_EQ(data->row_height(), 33);
  EXPECT_EQ(qobject_cast<QLabel*>(data->row_control(0, 0))->text(), "a0");
  EXPECT_EQ(qobject_cast<QLineEdit*>(data->row_control(0, 2))->text(), "2560");  // 1024 counts in mV
  data->choose_colour = [](QColor) { return std::optional<QColor>(QColor(1, 2, 3)); };
  QTest::mouseClick(data->row_control(0, 3), Qt::LeftButton);
  EXPECT_EQ(live.record(0).colour, 0x030201u);
  auto* min = qobject_cast<QLineEdit*>(data->row_control(0, 1));
  min->selectAll();
  QTest::keyClicks(min, "100");
  EXPECT_EQ(live.record(0).min, 100.0f);
  // A new input appears as a row at the next tick; the history view doubles the rows.
  w.configuration().parse_assignments("a20=a*1,0", true);
  data->tick_100ms();
  EXPECT_EQ(data->row_count(), 9);
  data->set_view(HistoryView::minutes);
  EXPECT_EQ(data->row_height(), 66);
  EXPECT_TRUE(data->time_axis()->isVisible());
  data->set_mode(DisplayMode::real);
  EXPECT_EQ(live.mode(), DisplayMode::real);
  // Every possible input at once (and numbers past the last one, which are no inputs).
  std::string many;
  for (int n = 0; n < 300; ++n) many += "a" + std::to_string(n) + "=a*1,0 ";
  w.configuration().parse_assignments(many, true);
  data->tick_100ms();
  w.section().tick_100ms();
  EXPECT_EQ(data->row_count(), 256);
  EXPECT_EQ(w.section().tab_bar()->count(), 258);
  // A new board falls back to millivolts; the list follows at the next tick.
  w->session().board().accept_identity("VexaLog E v1404");
  data->tick_100ms();
  EXPECT_EQ(live.mode(), DisplayMode::millivolts);
  EXPECT_EQ(data->row_count(), 8);
}

TEST(AnalogSectionPictures, MissingOrCorruptSheetsDrawNothing) {
  Inputs w('S', false);
  w.dir.write("ABOARDS.png", "\x89PNG\r\n\x1a\nnot really");
  ASSERT_TRUE(QImage(10, 10, QImage::Format_RGB32).save(QString::fromStdString(w.dir.file("AINPUTS.png"))));
  const ui::AnalogPictureImages images = ui::AnalogPictureImages::load(QString::fromStdString(w.dir.path()));
  EXPECT_TRUE(images.boards.isNull());
  EXPECT_TRUE(images.inputs.isNull());  // wrong size
  EXPECT_FALSE(images.sheets_available());
  const ui::AnalogPictureImages embedded = ui::AnalogPictureImages::load();  // each of its size
  EXPECT_TRUE(embedded.sheets_available() && !embedded.bitmaps.isNull());
  // Without the sheets the tab and the plan paint nothing of them, and nothing breaks.
  ui::AnalogTabWidget widget(w.tab(), images);
  widget.resize(700, 420);
  widget.show();
  w.select(0);
  w.tab().command({analog_id::kTypeList, kNotifySelectionChanged, 1});
  EXPECT_FALSE(widget.grab().isNull());
  Session& session = w->session();
  ui::PlanWindow plan(session.configuration(), session.board(), session.input_types(), session.messages(), images);
  plan.resize(500, 500);
  plan.show();
  pump_for(20);
  EXPECT_FALSE(plan.grab().isNull());
}

}  // namespace
}  // namespace vexa