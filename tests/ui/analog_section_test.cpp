// The analog section on the screen (offscreen platform): a simulated board loaded over TCP, an
// input tab with its picture, a type chosen, two caught points calibrated and applied so that
// the board holds the new expression; the Data tab fed by live lines; the plan printed to PDF;
// missing pictures and absurd live values. Screenshots go to <build>/screenshots/.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <cmath>
#include <memory>
#include <thread>

#include "analog/analog_tab.h"
#include "analog/input_type_file.h"
#include "analog/live_drawing.h"
#include "base/messages.h"
#include "base/settings.h"
#include "config/board_identity.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "link/link_session.h"
#include "sim/board_server.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"
#include "ui/analog_section_widget.h"
#include "ui/analog_tab_widget.h"
#include "ui/data_view_widget.h"
#include "ui/plan_window.h"
#include "ui/qt_test_app.h"
#include "ui/value_popup.h"
#include "support/build_paths.h"

namespace vexa {
namespace {

using test::app;
using test::pump_for;
using test::pump_until;

// After a short pump, so that the pictures and live values have been laid out.
void save_screenshot(QWidget& widget, const std::string& name) {
  pump_for(30);
  test::save_screenshot(widget, name);
}

// A board, the link to it and the analog section as the session will wire them.
struct Desk {
  explicit Desk(char board_type, bool with_board = true) {
    app();
    EXPECT_TRUE(load_input_types(types, test::shipped_input_types(), 'e'));
    if (with_board) {
      sim::BoardKind kind;
      kind.type = board_type;
      server = std::make_unique<sim::BoardServer>(sim::BoardConfiguration(kind));
      EXPECT_EQ(server->start_tcp("127.0.0.1", 0), "");
    }
    tab = std::make_unique<AnalogTab>(AnalogTabLinks{configuration, identity, types, messages, settings, exchange,
                                                     session, [this] { return session.port().link_is_open(); },
                                                     SystemClock::instance()});
    live = std::make_unique<LiveData>(configuration, identity, session,
                                      [this] { return session.port().link_is_open(); }, SystemClock::instance());
    identity.add_listener(tab.get());
    identity.add_listener(live.get());
    lines.push_back(session.consumers().add(line_place::analog_tab, *tab));
    lines.push_back(session.consumers().add(line_place::data_view, *live));
    lines.push_back(session.consumers().add(line_place::configuration, exchange));
    configuration.set_input_type_defaults(&defaults);
    section = std::make_unique<ui::AnalogSectionWidget>(*tab, *live, configuration, identity, types, messages);
    section->resize(900, 520);
    section->show();
    section->set_current(true);
    if (with_board) {
      session.port().set_tcp_address("127.0.0.1 " + std::to_string(server->port()));
      session.start();
      EXPECT_TRUE(session.open("tcp/ip", "9600"));
    } else {
      identity.accept_identity(std::string("VexaLog ") + board_type + " v1404");
    }
    section->tick_100ms();
  }
  ~Desk() {
    configuration.set_input_type_defaults(nullptr);
    session.stop();
    lines.clear();
    identity.remove_listener(tab.get());
    identity.remove_listener(live.get());
    section.reset();
  }

  // "conf" from the board, until its last input arrived.
  void load(const std::string& last_key) {
    ASSERT_TRUE(exchange.request_configuration());
    ASSERT_TRUE(pump_until([&] { return configuration.parameter_value(last_key).value_or("") != ""; }, 10000))
        << "no " << last_key;
    pump_until([&] {
      section->tick_100ms();
      return false;
    }, 150);
  }
  void select(int number) {
    for (std::size_t i = 0; i < tab->tabs().size(); ++i)
      if (tab->tabs()[i].number == number) section->select(static_cast<int>(i));
    ASSERT_EQ(tab->selected_number(), number);
  }
  QWidget* control(int id) { return section->analog_widget()->control(id); }
  void choose(const std::string& title) {
    auto* list = qobject_cast<QComboBox*>(control(analog_id::kTypeList));
    ASSERT_NE(list, nullptr);
    const int index = list->findText(QString::fromStdString(title));
    ASSERT_GE(index, 0) << title;
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
  void type(int id, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(control(id));
    ASSERT_NE(edit, nullptr) << id;
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }
  void click(int id) {
    auto* button = qobject_cast<QAbstractButton*>(control(id));
    ASSERT_NE(button, nullptr) << id;
    button->click();
  }
  // A line as the receive thread hands it out.
  void board_says(const std::string& line) {
    std::thread receiver([&] { session.consumers().dispatch(line); });
    receiver.join();
  }

  test::SharedReport report;
  test::SharedEcho echo;
  Messages messages;
  Settings settings;
  Configuration configuration;
  LinkSession session{report, echo, messages};
  BoardIdentity identity{configuration, *parse_identity_line("VexaLog S v1404")};
  ConfigExchange exchange{configuration, identity, session, report};
  InputTypeTable types;
  TableInputTypeDefaults defaults{types};
  std::unique_ptr<sim::BoardServer> server;
  std::unique_ptr<AnalogTab> tab;
  std::unique_ptr<LiveData> live;
  std::unique_ptr<ui::AnalogSectionWidget> section;
  std::vector<LineRegistration> lines;
};

TEST(AnalogSectionBoard, CalibrateAndApplyOnAnFBoard) {
  Desk desk('F');
  desk.load("a15");
  ASSERT_EQ(desk.tab->tabs().size(), 18u);
  EXPECT_EQ(desk.section->tab_bar()->tabText(3), "a3");
  desk.select(3);
  desk.choose("Voltage 0-5 V");
  ASSERT_NE(desk.tab->current_type(), nullptr);
  EXPECT_EQ(desk.tab->current_type()->title, "Voltage 0-5 V");
  // Listening: the tab polls "a3" and shows the board's answer, which Catch takes into point 1.
  desk.click(analog_id::kListen);
  ASSERT_TRUE(pump_until([&] {
    desk.section->tick_100ms();
    return desk.tab->form().text(analog_id::kLiveLine).rfind("a3: ", 0) == 0;
  }, 5000)) << desk.echo.text();
  desk.click(analog_id::kListen);
  pump_for(200);  // a poll still under way is answered
  desk.section->tick_100ms();
  const std::string live = desk.tab->form().text(analog_id::kLiveLine);
  desk.click(analog_id::kCatch1);
  EXPECT_EQ(desk.tab->form().text(811), live.substr(4, live.find(' ', 4) - 4)) << live;
  EXPECT_NE(desk.tab->form().text(814).find("mV"), std::string::npos);
  desk.type(812, "0");
  // Catch point 2 before the line comes: the catch waits for it (and polls for it).
  desk.click(analog_id::kCatch2);
  EXPECT_EQ(desk.tab->pending_catch(), 820);
  desk.board_says(" a3: 60000 2288.82mV =2.288 a4: 5");
  desk.section->tick_100ms();
  EXPECT_EQ(desk.tab->pending_catch(), 0);
  EXPECT_EQ(desk.tab->form().text(821), "60000");
  EXPECT_EQ(desk.tab->form().text(824), "2288.82mV");
  desk.type(822, "1000");
  desk.click(analog_id::kCalculate);
  const std::string multiplier = desk.tab->form().text(analog_id::kMultiplier);
  EXPECT_NE(multiplier, "0") << multiplier;
  desk.click(analog_id::kApply);
  const std::string value = desk.configuration.parameter_value("a3").value_or("");
  EXPECT_EQ(value.rfind("a*", 0), 0u) << value;
  ASSERT_TRUE(pump_until([&] {
    std::string held;
    desk.server->with_board([&](sim::SimulatedBoard& b) { held = b.configuration().value("a3").value_or(""); });
    return held == value;
  }, 5000)) << desk.echo.text();
  save_screenshot(*desk.section, "analog_tab_calibrated_F");
}

TEST(AnalogSectionBoard, DataTabFillsFromPolledLines) {
  Desk desk('F');
  desk.load("a15");
  desk.select(kDataTab);
  ui::DataViewWidget* data = desk.section->data_view();
  ASSERT_TRUE(data->isVisible());
  EXPECT_EQ(data->row_count(), 16);
  EXPECT_TRUE(data->listen());
  // The data tab polls the board once in eleven ticks, and the answer fills every row.
  ASSERT_TRUE(pump_until([&] {
    data->tick_100ms();
    return desk.live->record(15).value > 0;
  }, 5000)) << desk.echo.text();
  EXPECT_TRUE(desk.report.contains("a 2"));
  for (int n = 0; n < 16; ++n) EXPECT_GT(desk.live->record(n).value, 2500 * 0.09) << n;
  data->set_view(HistoryView::seconds);
  for (int second = 0; second < 5; ++second) {
    std::string line;
    for (int n = 0; n < 16; ++n) line += " a" + std::to_string(n) + ": " + std::to_string(4000 * n + 3000 * second);
    desk.board_says(line);
    data->tick_100ms();
    data->tick_second();
    pump_for(1005);
  }
  auto* value = qobject_cast<QLineEdit*>(data->row_control(2, 9));
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->text().toStdString(), "762.939453");  // 8000 + 12000 counts in mV
  // Readings of every size at the default font: whole, or rounded, or the overflow mark with
  // the full value in the tip; the box never shows the last digits alone.
  data->set_mode(DisplayMode::raw);
  desk.board_says(" a2: 434.763794 a3: -9876543210.5 a4: 3e38");
  data->tick_100ms();
  auto box = [&](int r) { return qobject_cast<QLineEdit*>(data->row_control(r, 9)); };
  for (int r : {2, 3, 4})
    EXPECT_LT(box(r)->fontMetrics().horizontalAdvance(box(r)->text()), box(r)->width() - 8) << box(r)->text().toStdString();
  EXPECT_EQ(box(2)->text().toStdString(), "434.763794");
  EXPECT_EQ(box(3)->text().toStdString().rfind("-9876543488.", 0), 0u) << box(3)->text().toStdString();
  EXPECT_EQ(box(4)->text().toStdString(), kValueOverflow);
  EXPECT_EQ(box(4)->toolTip().size(), 39 + 7);  // "%f" of 3e38 as a float
  data->set_mode(DisplayMode::millivolts);
  EXPECT_TRUE(data->row_control(2, 6)->isVisible());
  EXPECT_FALSE(data->row_control(2, 4)->isVisible());
  save_screenshot(*desk.section, "data_view_history");
  data->set_view(HistoryView::bar);
  EXPECT_TRUE(data->row_control(2, 4)->isVisible());
  save_screenshot(*desk.section, "data_view_bar");
  // Hovering over a graph shows its sample after the delay.
  data->set_view(HistoryView::seconds);
  QWidget* graph = data->row_control(1, 6);
  ui::ValuePopup* popup = desk.section->popup();
  popup->hover(graph, 1, graph->width() - 1, QPoint(300, 200));
  for (int i = 0; i < 3; ++i) popup->tick();
  EXPECT_TRUE(popup->isVisible());
  EXPECT_FALSE(popup->text().isEmpty());
  popup->hover_none();
  EXPECT_FALSE(popup->isVisible());
  // Absurd values, NaN and infinity, a line of 300 inputs: the graphs draw on and nothing breaks.
  std::string wild = " a0: 1e300 a1: nan a2: -inf a3: 99999999999999999999 a4:";
  for (int n = 0; n < 300; ++n) wild += " a" + std::to_string(n) + ":" + std::to_string(-n);
  desk.board_says(wild);
  data->tick_100ms();
  data->tick_second();
  pump_for(50);
  EXPECT_TRUE(std::isfinite(desk.live->record(3).value));
}

TEST(AnalogSectionPictures, TabPictureForEachBoardClassAndThePlanWithAConflict) {
  struct Case {
    char type;
    const char* title;
    bool warns;
  };
  for (Case c : {Case{'E', "Voltage 0-5 V", true}, Case{'F', "Current loop 4-20 mA", true},
                 Case{'S', "Pt100 resistance thermometer", false}}) {
    Desk desk(c.type, false);
    ASSERT_TRUE(desk.section->images().sheets_available());
    desk.select(3);
    desk.choose(c.title);
    ui::AnalogTabWidget* widget = desk.section->analog_widget();
    const int warning = widget->description_text().indexOf("Insert resistances");
    EXPECT_EQ(warning != -1, c.warns) << c.title;
    // The first part is black, the warning lines bright red.
    EXPECT_EQ(widget->description_colour(0), QColor(0, 0, 0));
    if (c.warns) {
      EXPECT_EQ(widget->description_colour(warning + 2), QColor(255, 0, 0));
    }
    save_screenshot(*desk.section, std::string("analog_tab_") + c.type);
  }
  Desk desk('F', false);
  desk.configuration.parse_assignments("a0=a*0.1525879+0,3", true);
  desk.configuration.parse_assignments("a1=c*0.3814697+0,3", true);
  desk.configuration.store_type(*desk.configuration.find_index("a0"), "Voltage 0-10 V");
  desk.configuration.store_type(*desk.configuration.find_index("a1"), "Current loop 4-20 mA");
  desk.tab->reparse();  // the configuration tab's rebuild does this
  desk.select(kPlanTab);
  save_screenshot(*desk.section, "plan_conflict");
  test::TempDir dir;
  const QString pdf = QString::fromStdString(dir.path() + "/plan.pdf");
  EXPECT_TRUE(desk.section->plan_window()->print_to_pdf(pdf));
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(5) == "%PDF-");
  EXPECT_FALSE(desk.section->plan_window()->print_to_pdf(QString::fromStdString(dir.path() + "/no/such/dir/plan.pdf")));
}

// Every input of an S board in use: the plan's list of inputs is longer than the view and
// scrolls to its last line.
TEST(AnalogSectionPictures, PlanOfEveryInputScrollsToItsLastLine) {
  Desk desk('S', false);
  for (int n = 0; n < 16; ++n) {
    const std::string key = "a" + std::to_string(n);
    desk.configuration.parse_assignments(key + "=a*1,0", true);
    desk.configuration.store_type(*desk.configuration.find_index(key),
                                  n % 2 ? "Digital input" : "Pt100 resistance thermometer");
  }
  desk.tab->reparse();
  desk.select(kPlanTab);
  pump_for(50);
  ui::PlanWindow* plan = desk.section->plan_window();
  QScrollBar* bar = plan->picture_area()->verticalScrollBar();
  EXPECT_GT(plan->picture()->height(), plan->picture_area()->viewport()->height() + 50);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->maximum(), plan->picture()->height() - plan->picture_area()->viewport()->height());
  save_screenshot(*desk.section, "plan_every_input");
  bar->setValue(bar->maximum());
  save_screenshot(*desk.section, "plan_every_input_end");
}

TEST(AnalogSectionPictures, MarksAreWrittenInTheProportionalFontOfTheSettings) {
  Desk desk('F', false);
  desk.settings.set_value("fontvar", "DejaVu Serif");
  desk.settings.set_value("fontvarsize", "17");
  const QFont font = desk.section->analog_widget()->picture_font();
  EXPECT_EQ(font.family().toStdString(), "DejaVu Serif");
  EXPECT_EQ(font.pixelSize(), 17);
}

TEST(AnalogSectionData, RowsFollowTheInputsAndTakeScaleAndColour) {
  Desk desk('E', false);
  desk.select(kDataTab);
  ui::DataViewWidget* data = desk.section->data_view();
  ASSERT_EQ(data->row_count(), 8);
  EXPECT_EQ(data->row_height(), 33);
  EXPECT_EQ(data->row_control(7, 0)->objectName(), "control1070");
  EXPECT_EQ(qobject_cast<QLabel*>(data->row_control(0, 0))->text(), "a0");
  EXPECT_EQ(qobject_cast<QLineEdit*>(data->row_control(0, 2))->text(), "2560");  // 1024 counts in mV
  data->choose_colour = [](QColor) { return std::optional<QColor>(QColor(1, 2, 3)); };
  QTest::mouseClick(data->row_control(0, 3), Qt::LeftButton);
  EXPECT_EQ(desk.live->record(0).colour, 0x030201u);
  auto* min = qobject_cast<QLineEdit*>(data->row_control(0, 1));
  min->selectAll();
  QTest::keyClicks(min, "100");
  EXPECT_EQ(desk.live->record(0).min, 100.0f);
  // A new input appears as a row at the next tick; the history view doubles the rows.
  desk.configuration.parse_assignments("a20=a*1,0", true);
  data->tick_100ms();
  EXPECT_EQ(data->row_count(), 9);
  data->set_view(HistoryView::minutes);
  EXPECT_EQ(data->row_height(), 66);
  EXPECT_TRUE(data->time_axis()->isVisible());
  data->set_mode(DisplayMode::real);
  EXPECT_EQ(desk.live->mode(), DisplayMode::real);
  // Every possible input at once (and numbers past the last one, which are no inputs).
  std::string many;
  for (int n = 0; n < 300; ++n) many += "a" + std::to_string(n) + "=a*1,0 ";
  desk.configuration.parse_assignments(many, true);
  data->tick_100ms();
  desk.section->tick_100ms();
  EXPECT_EQ(data->row_count(), 256);
  EXPECT_EQ(desk.section->tab_bar()->count(), 258);
  // A new board falls back to millivolts; the list follows at the next tick.
  desk.identity.accept_identity("VexaLog E v1404");
  data->tick_100ms();
  EXPECT_EQ(desk.live->mode(), DisplayMode::millivolts);
  EXPECT_EQ(data->row_count(), 8);
}

TEST(AnalogSectionPictures, MissingOrCorruptSheetsDrawNothing) {
  app();
  test::TempDir dir;
  QFile corrupt(QString::fromStdString(dir.path() + "/ABOARDS.png"));
  ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
  corrupt.write("\x89PNG\r\n\x1a\nnot really");
  corrupt.close();
  QImage small(10, 10, QImage::Format_RGB32);
  ASSERT_TRUE(small.save(QString::fromStdString(dir.path() + "/AINPUTS.png")));
  const ui::AnalogPictureImages images = ui::AnalogPictureImages::load(QString::fromStdString(dir.path()));
  EXPECT_TRUE(images.boards.isNull());
  EXPECT_TRUE(images.inputs.isNull());  // wrong size
  EXPECT_FALSE(images.sheets_available());
  const ui::AnalogPictureImages embedded = ui::AnalogPictureImages::load();
  EXPECT_EQ(embedded.boards.size(), QSize(454, 119));
  EXPECT_EQ(embedded.inputs.size(), QSize(1542, 725));
  EXPECT_EQ(embedded.bitmaps.size(), QSize(243, 85));
  // Without the sheets the tab and the plan paint nothing of them, and nothing breaks.
  Desk desk('S', false);
  ui::AnalogTabWidget widget(*desk.tab, images);
  widget.resize(700, 420);
  widget.show();
  desk.select(0);
  desk.tab->command({analog_id::kTypeList, kNotifySelectionChanged, 1});
  QImage shot = widget.grab().toImage();
  EXPECT_FALSE(shot.isNull());
  ui::PlanWindow plan(desk.configuration, desk.identity, desk.types, desk.messages, images);
  plan.resize(500, 500);
  plan.show();
  pump_for(20);
  EXPECT_FALSE(plan.grab().isNull());
}

}  // namespace
}  // namespace vexa
