// The desktop main window with the offscreen platform, driven through its real buttons, tabs
// and menu entries. What each command does is the session's (tests/app); here each wiring is
// shown once, and every text is whole in every language.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOption>
#include <QTextBlock>
#include <QToolButton>
#include <algorithm>
#include <regex>
#include <set>
#include <thread>

#include "analog/analog_tab.h"
#include "analog/live_drawing.h"
#include "app/menu_labels.h"
#include "app/terminal_command_ids.h"
#include "base/text_format.h"
#include "download/line_sender.h"
#include "platform/pseudo_terminal.h"
#include "sim/board_server.h"
#include "sim/samba_chip.h"
#include "sim/samba_monitor.h"
#include "sim/samba_session.h"
#include "support/numbered_lines.h"
#include "support/recording_sinks.h"
#include "terminal/keyboard.h"
#include "ui/analog_section_widget.h"
#include "ui/analog_tab_widget.h"
#include "ui/config_tab_widget.h"
#include "ui/data_view_widget.h"
#include "ui/download_file_dialog.h"
#include "ui/find_dialog.h"
#include "ui/macro_tab_widget.h"
#include "ui/plan_window.h"
#include "ui/send_file_dialog.h"
#include "ui/test_window.h"

namespace vexa {
namespace {

using test::pump_for;
using test::pump_until;
using test::Window;

TEST(MainWindowBoardTest, ATcpBoardOpensThroughThePhoneFieldAndOpenButtonAndTheWindowClosesWithoutAQuestion) {
  sim::BoardServer server{sim::BoardConfiguration(sim::BoardKind{'F'})};
  ASSERT_EQ(server.start_tcp("127.0.0.1", 0), "");
  Window w;
  QTest::keyClicks(w.widget(cmd::kPhoneField), QString("127.0.0.1 %1").arg(server.port()));
  auto* ports = qobject_cast<QComboBox*>(w.widget(cmd::kPortSelector));
  ports->clearEditText();
  QTest::keyClicks(ports, "tcp/ip");
  w.click(cmd::kOpenClose);
  ASSERT_TRUE(pump_until([&] { return w->session().link().tcp().connected(); })) << w.terminal_text();
  // An open link of any kind looks open: a white terminal.
  w->tick();
  EXPECT_EQ(w->terminal_widget().palette().color(QPalette::Base), QPalette().color(QPalette::Base));
  w.click(cmd::kOpenClose);
  ASSERT_TRUE(pump_until([&] { return !w->session().link().tcp().connected(); })) << w.terminal_text();
  w->tick();
  EXPECT_EQ(w->terminal_widget().palette().color(QPalette::Base), QPalette().color(QPalette::Button));
  w->close();  // no job: no question
  pump_for(20);
  EXPECT_EQ(w->close_box(), nullptr);
  EXPECT_FALSE(w->isVisible());
}

TEST(MainWindowBoardTest, ABurstOfRebuildRequestsIsOneRebuild) {
  Window w;
  QSignalSpy spy(&w->bridge(), &ui::SessionBridge::rebuild_wanted);
  RebuildRequester& requester = w->session();
  std::thread receiver([&] {
    for (int i = 0; i < 50; ++i) requester.request_rebuild();  // one per configuration line
  });
  receiver.join();
  EXPECT_EQ(spy.count(), 1);
  pump_for(20);  // the window takes it and rebuilds
  requester.request_rebuild();
  EXPECT_EQ(spy.count(), 2);
}

// Which controls, menus and tabs each variant has is checked on the forms and menu tables
// themselves (tests/app); here the settings reach them.
TEST(MainWindowVariantTest, ReducedDropsTheConfigurationMenuAndTabAndDebugAddsItsOwnMenu) {
  Window w({.settings = "armcdt=1\ndebug=1\n"});
  EXPECT_EQ(w->menuBar()->findChild<QMenu*>("MenConf"), nullptr);
  ASSERT_EQ(w->tab_area().bar().count(), 2);
  w.click_tab(1);
  EXPECT_EQ(w->window_form().current_tab(), 5);
  ASSERT_NE(w->menuBar()->findChild<QMenu*>("debug"), nullptr);
  w->action(cmd::kVerbose)->trigger();
  EXPECT_TRUE(w->session().verbose());
}

TEST(MainWindowLayoutTest, TheSettingsFileKeepsTheWindowSizeAndTheUsersPortNotTheSimulatedOne) {
  test::TempDir home;
  {
    Window w({.simulate = 'E', .settings = "COM=/dev/ttyUSB3\nBaud=9600\n", .settings_file = true,
              .directory = home.path()});
    w->resize(952, 640);  // above the least width, which the simulated port's long name raises
    pump_for(20);
    w->close();
  }
  const std::string text = test::TempDir::read(home.file("VexaTerm.ini"));
  EXPECT_NE(text.find("COM=/dev/ttyUSB3"), std::string::npos) << text;
  EXPECT_EQ(text.find("vexaterm-sim"), std::string::npos) << text;
  DesktopOptions options;
  options.session.working_directory = home.path();
  ui::MainWindow again(options);
  EXPECT_EQ(again.size(), QSize(952, 640));
}

TEST(MainWindowCommandTest, ManualsAndTheWebAddressOpenOutside) {
  Window w;
  std::vector<QUrl> opened;
  w->open_external = [&](const QUrl& url) {
    opened.push_back(url);
    return true;
  };
  w->action(cmd::kManualS)->trigger();
  EXPECT_NE(w.terminal_text().find("vexalogS.pdf is not in"), std::string::npos);
  w.dir.write("vexalogEF.pdf", "%PDF-1.4\n");
  w->action(cmd::kManualF)->trigger();
  w->action(cmd::kWebAddress)->trigger();
  EXPECT_EQ(opened, (std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(w.dir.file("vexalogEF.pdf"))),
                                       QUrl(QString::fromStdString(kWebAddressUrl))}));
}

// The window opens the editor, takes what it saved into the phone field, and saves it when the
// window closes while it is open; an old Windows-1252 file keeps its accented letters.
TEST(MainWindowCommandTest, PhoneBookEditorRefreshesThePhoneFieldAndClosingTheWindowSavesIt) {
  Window w;
  const std::string path = w.dir.write("phonebook.txt", "M\xfcller 1234\n");  // the program's folder's
  const auto open_editor = [&] {
    EXPECT_TRUE(pump_until([&] { return w->phone_editor() != nullptr && w->phone_editor()->isVisible(); }));
    return QPointer<ui::PhoneBookEditor>(w->phone_editor());
  };
  w.click(cmd::kPhoneBookButton);
  QPointer<ui::PhoneBookEditor> editor = open_editor();
  ASSERT_FALSE(editor.isNull());
  EXPECT_EQ(editor->editor()->toPlainText(), QString::fromUtf8("M\xc3\xbcller 1234\n"));
  editor->editor()->selectAll();
  QTest::keyClicks(editor->editor(), "# numbers\r5551234 office\r10.0.0.7 5000 lab");
  editor->close();
  ASSERT_TRUE(pump_until([&] { return w.form().at(cmd::kPhoneField).entries.size() == 2; }, 1000));
  EXPECT_EQ(qobject_cast<QComboBox*>(w.widget(cmd::kPhoneField))->itemText(0), "5551234 office");
  w->action(cmd::kPhoneBookMenu)->trigger();
  editor = open_editor();
  ASSERT_FALSE(editor.isNull());
  editor->editor()->moveCursor(QTextCursor::End);
  editor->editor()->insertPlainText(QString::fromUtf8("M\xc3\xbcller 5559876"));
  w->close();
  pump_for(20);
  EXPECT_EQ(test::TempDir::read(path), "# numbers\n5551234 office\n10.0.0.7 5000 lab\nM\xc3\xbcller 5559876\n");
}

// --- the close question while a job runs, and a flash that Stop cannot break off ---

// Closes the window and answers its question with that button; returns the question. No event
// runs after the click, so the job's end, which its thread posts, cannot have been handled yet.
std::string close_and_answer(Window& w, const char* button) {
  w->close();
  if (!pump_until([&] { return w->close_box() != nullptr && w->close_box()->isVisible(); }))
    return "no question while a job runs";
  const std::string question = w->close_box()->text().toStdString();
  if (auto* b = w->close_box()->findChild<QAbstractButton*>(button))
    QTest::mouseClick(b, Qt::LeftButton);
  else
    ADD_FAILURE() << "no button " << button;
  return question;
}

TEST(MainWindowCloseTest, WhileAJobRunsClosingAsksAndWaitKeepsItAndStopTheJobClosesAfterItsEnd) {
  Window w({.simulate = 'F', .settings = "debug=1\n"});
  w->action(kSendLineEverySecond)->trigger();
  ASSERT_TRUE(w.job_running());
  EXPECT_EQ(close_and_answer(w, "close_wait").rfind("Line sender is still running.", 0), 0u);
  pump_for(300);
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(w.job_running());
  EXPECT_TRUE(w->close_box() == nullptr || !w->close_box()->isVisible());  // answered: the box is gone
  close_and_answer(w, "close_stop");
  EXPECT_TRUE(w->isVisible()) << "the window waits for the job's end";
  ASSERT_TRUE(pump_until([&] { return !w->isVisible(); }, 10000)) << w.terminal_text();
  const std::string text = w.terminal_text();
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(Line sender: stopped, [1-9]\d* lines sent\.)"))) << text;
  EXPECT_NE(text.find("The window closes when Line sender has ended."), std::string::npos) << text;
}

TEST(MainWindowToolsTest, ASambaFlashFillsTheBarAndCloseAnywayBreaksItOffAfterAQuestionSayingWhy) {
  Window w({.simulate = 'S'});
  // At the monitor's real speed the flash takes about nine seconds: an unpaced one can end on a
  // fast machine before the window has shown its second page.
  w.simulator.server()->set_faults({.pace = true});
  std::string image(400 * 256, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7 + 3);
  w->session().downloads().selection().choose(w.dir.write("s.binb", image), "s.binb");
  w->run_command(cmd::kDownloadFirmware, kNotifyClicked, cmd::kParamCurrentFirmware);
  QProgressBar& bar = w->page_progress_bar();
  // Two pages give the flash its rate; a flash that failed meanwhile ends the wait.
  pump_until([&] { return (bar.isVisible() && bar.value() >= 2) || !w.job_running(); }, 60000);
  ASSERT_TRUE(w.job_running()) << w.terminal_text();
  ASSERT_GE(bar.value(), 2) << w.terminal_text();
  EXPECT_EQ(bar.maximum(), 400);
  // Stop cannot break a flash off (download_end_to_end_test's EndToEnd says why on Stop); the
  // close question says it too, and "close anyway" ends the flash at once, not at its end.
  const std::string reason = w->session().messages().message("VtStopSamba");
  EXPECT_NE(close_and_answer(w, "close_anyway").find(reason), std::string::npos);
  ASSERT_TRUE(pump_until([&] { return !w->isVisible(); }, 10000));
  EXPECT_FALSE(w.job_running());
  std::string last_page;  // broken off half way: the last page never reached the chip
  w.simulator.server()->with_samba([&](sim::SambaSession& samba) {
    if (!samba.monitor()) return;
    const auto& flash = samba.monitor()->chip().flash();
    last_page.assign(flash.begin() + 399 * 256, flash.begin() + 400 * 256);
  });
  EXPECT_NE(last_page, image.substr(399 * 256)) << bar.value() << " pages were shown";
}

// --- the terminal, with the test as the board on a pseudo-terminal ---

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

// Shortcuts, escape styles and the scrollback's length are tests/app's and tests/terminal's; here
// the window's menu shortcuts leave the terminal its keys, the view colours, Ctrl-F searches, and
// past the scrollback the view drops lines from its front, follows the end, keeps a reader's place.
TEST(TerminalWindowTest, KeysAnsiColourSearchAndScrollbackOfABoardOnAPseudoTerminal) {
  PseudoTerminal pty;  // outlives the window, whose port it is
  Window w;
  const std::string link = w.dir.file("board");
  std::filesystem::create_symlink(pty.slave_path(), link);
  ASSERT_TRUE(w->session().link().open(link, "115200"));
  ui::TerminalWidget& terminal = w->terminal_widget();
  ASSERT_TRUE(pty.write("Ok\r\n\x1b[1;31mError\x1b[0m unknown key \x1b[32mbd\x1b[0m\r\nOk\r\nerror UNKNOWN key xy\r\n"));
  ASSERT_TRUE(w.shows("^[[1;31mError^[[0m"));  // off: the escapes as the board sent them
  w->action(cmd::kTermAnsi)->trigger();
  ASSERT_TRUE(w.shows("Error unknown key bd")) << w.terminal_text();
  ASSERT_TRUE(pty.write("\x1b[44;97m on blue \x1b[0m\x1b[2K\r\n"));
  ASSERT_TRUE(w.shows(" on blue \n"));
  const auto format = [&](const char* word) {
    QTextCursor cursor(terminal.document());
    cursor.setPosition(terminal.toPlainText().indexOf(word) + 1);
    return cursor.charFormat();
  };
  EXPECT_EQ(format("Error").foreground().color(), QColor(0xcd, 0, 0));
  EXPECT_EQ(format("Error").fontWeight(), QFont::Bold);
  EXPECT_EQ(format("on blue").background().color(), QColor(0, 0, 0xee));

  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
  terminal.setFocus();
  std::vector<unsigned> typed;
  terminal.set_key_handler([&](unsigned code) { typed.push_back(code); });
  for (Qt::Key key : {Qt::Key_C, Qt::Key_V, Qt::Key_Z}) QTest::keyClick(&terminal, key, Qt::ControlModifier);
  QTest::keyClick(&terminal, Qt::Key_Tab);
  EXPECT_EQ(typed, (std::vector<unsigned>{kKeyCtrlC, kKeyCtrlV, kKeyCtrlZ, '\t'}));
  QTest::keyClick(&terminal, Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(pump_until([&] { return w->find_dialog() && w->find_dialog()->isVisible(); }, 1000));
  ui::FindDialog* find = w->find_dialog();
  find->needle->setText("unknown KEY");
  const auto hit_line = [&] { return terminal.textCursor().block().text().toStdString(); };
  // From the end (where the view follows the text) backwards: the newest hit first; forwards
  // from there the search goes round to the oldest.
  EXPECT_TRUE(find->step(true));
  EXPECT_EQ(hit_line(), "error UNKNOWN key xy");
  EXPECT_TRUE(find->step(false));
  EXPECT_EQ(hit_line(), "Error unknown key bd");
  find->match_case->setChecked(true);  // with case: no hit, and the last hit stays selected
  EXPECT_FALSE(find->step(false));
  EXPECT_EQ(terminal.textCursor().selectedText().toStdString(), "unknown key");
  ASSERT_TRUE(w.shows("'unknown KEY' is not in the terminal."));
  find->close();
  w->action(cmd::kTermAnsi)->trigger();  // off again: the escapes are back as text, nothing lost
  ASSERT_TRUE(w.shows("^[[1;31mError^[[0m unknown key ^[[32mbd^[[0m\nOk\nerror UNKNOWN key xy\n^[[44;97m on blue ^[[0m^[[2K"));

  QScrollBar* bar = terminal.verticalScrollBar();
  const auto at_end = [&] { return terminal.following_end() && bar->value() == bar->maximum(); };
  ASSERT_TRUE(stream_lines(pty, terminal, w->session(), 1, 50000));
  EXPECT_TRUE(terminal.text(terminal.length()) == test::numbered_lines(40001, 50000))
      << terminal.text(100) << " ... " << terminal.line_ends() << " lines";
  EXPECT_EQ(terminal.document()->blockCount(), 10001);
  w.click_tab(1);
  w->resize(700, 500);
  pump_for(20);
  w.click_tab(0);
  w->resize(900, 700);
  pump_for(50);
  EXPECT_TRUE(at_end());
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
  EXPECT_EQ(top_line(), read);
  EXPECT_TRUE(terminal.new_output_marker().isVisible());
  QTest::mouseClick(&terminal.new_output_marker(), Qt::LeftButton);
  EXPECT_TRUE(at_end());
  EXPECT_FALSE(terminal.new_output_marker().isVisible());
}

// --- the subsystems' tabs (what each does with its fields is its own folder's) ---

QAbstractButton* button(QWidget* w) { return qobject_cast<QAbstractButton*>(w); }
QLineEdit* edit(QWidget* w) { return qobject_cast<QLineEdit*>(w); }
QComboBox* combo(QWidget* w) { return qobject_cast<QComboBox*>(w); }

TEST(WindowTabsTest, AMacroIsAppliedToTheBoardAndShownAgainAfterAnotherOne) {
  Window w({.simulate = 'S'});
  ui::MacroTabWidget& widget = w->macro_tab();
  w.load_from_board();
  w.click_tab(3);
  ASSERT_EQ(widget.sub_tabs()->count(), 20);
  widget.sub_tabs()->setCurrentIndex(3);
  button(widget.control(macro_id::kTypeRegularly))->click();
  EXPECT_TRUE(widget.control(macro_id::kIntervalHours)->isVisible());
  button(widget.control(macro_id::kClearInterval))->click();
  combo(widget.control(macro_id::kIntervalHours))->setEditText("1");
  combo(widget.control(macro_id::kIntervalMinutes))->setEditText("30");
  QTest::keyClicks(widget.control(macro_id::kCommand), "rd;out 1");
  button(widget.control(macro_id::kApply))->click();
  const std::string value = "0,5400,rd;out 1";
  ASSERT_TRUE(pump_until([&] { return w.board_value("m3") == value; })) << w.board_value("m3").value_or("");
  // Away to another macro and back: the widgets show what the table holds for each.
  widget.sub_tabs()->setCurrentIndex(4);
  EXPECT_NE(edit(widget.control(macro_id::kCommand))->text(), "rd;out 1");
  widget.sub_tabs()->setCurrentIndex(3);
  EXPECT_EQ(edit(widget.control(macro_id::kCommand))->text(), "rd;out 1");
  EXPECT_EQ(combo(widget.control(macro_id::kIntervalMinutes))->currentText(), "30");
  EXPECT_TRUE(button(widget.control(macro_id::kTypeRegularly))->isChecked());
}

// An F board: the configuration tab shows it and Download sends a value still being typed; the
// inputs tab colours the description, prints the plan, its Data rows follow the inputs and hand
// on what is typed; a board that goes away is noticed by the timer and shown as closed.
TEST(MainWindowBoardTest, AnFBoardsConfigurationAndInputsTabsAndItsVanishing) {
  Window w({.simulate = 'F', .input_types = true});
  w.click_tab(1);
  auto* empty = w->config_tab().findChild<QLabel*>("config_empty");
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(empty->isVisible());
  w.load_from_board();
  EXPECT_FALSE(empty->isVisible());
  const auto& rows = w->session().grid().rows();
  ASSERT_GT(rows.size(), 40u);
  for (const ConfigRow& r : rows) {
    const std::string key = r.field(ConfigColumn::key);
    QLineEdit* key_field = w->config_tab().field(r.control_id);
    QLineEdit* value_field = w->config_tab().field(r.control_id + 1);
    ASSERT_TRUE(key_field && value_field) << key;
    EXPECT_EQ(key_field->text().toStdString(), key);
    EXPECT_EQ(value_field->text().toStdString(), w.board_value(key).value_or("<missing>")) << key;
    EXPECT_TRUE(key_field->isReadOnly() && !value_field->isReadOnly()) << key;
  }
  EXPECT_EQ(w.form().text(cmd::kStatusIdentity).substr(0, 9), "VexaLog F");
  ASSERT_NE(w.row("ad"), nullptr);
  QLineEdit* field = w->config_tab().field(w.row("ad")->control_id + 1);
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, "7s");
  w.click(cmd::kConfDownload);  // still on the tab, the edit not yet committed by anything else
  ASSERT_TRUE(pump_until([&] { return w.board_value("ad") == "7s" && !w.job_running(); }, 20000)) << w.terminal_text();
  EXPECT_EQ(w.terminal_text().find("Error"), std::string::npos) << w.terminal_text();

  w.click_tab(2);
  ui::AnalogSectionWidget& section = w->analog_section();
  AnalogTab& tab = w->session().analog_tab();
  Configuration& configuration = w->session().configuration();
  LiveData& live = w->session().live_data();
  section.tick_100ms();  // takes the new board's scales
  const auto select = [&](int number) {
    for (std::size_t i = 0; i < tab.tabs().size(); ++i)
      if (tab.tabs()[i].number == number) section.select(static_cast<int>(i));
    EXPECT_EQ(tab.selected_number(), number);
  };
  ASSERT_TRUE(section.images().sheets_available());
  select(3);
  auto* list = combo(section.analog_widget()->control(analog_id::kTypeList));
  const int index = list->findText("Current loop 4-20 mA");
  ASSERT_GE(index, 0);
  list->setCurrentIndex(index);
  emit list->activated(index);
  ui::AnalogTabWidget* widget = section.analog_widget();
  const int warning = widget->description_text().indexOf("Insert resistances");
  ASSERT_NE(warning, -1);
  EXPECT_EQ(widget->description_colour(0), QColor(0, 0, 0));
  EXPECT_EQ(widget->description_colour(warning + 2), QColor(255, 0, 0));
  w->session().settings().set_value("fontvar", "DejaVu Serif");
  w->session().settings().set_value("fontvarsize", "17");
  EXPECT_EQ(widget->picture_font().family().toStdString(), "DejaVu Serif");
  EXPECT_EQ(widget->picture_font().pixelSize(), 17);

  for (int n = 0; n < 16; ++n) {  // as by a "conf" reply, with the types
    const std::string key = "a" + std::to_string(n);
    configuration.parse_assignments(key + "=a*1,0", true);
    configuration.store_type(*configuration.find_index(key), n % 2 ? "Current loop 4-20 mA" : "Voltage 0-10 V");
  }
  tab.reparse();  // the configuration tab's rebuild does this
  select(kPlanTab);
  ui::PlanWindow* plan = section.plan_window();
  QScrollBar* bar = plan->picture_area()->verticalScrollBar();
  const auto view = [&] { return plan->picture_area()->viewport()->height(); };
  // The picture takes the plan's size once it has been drawn; the area shows its bar after that.
  EXPECT_TRUE(pump_until([&] { return plan->picture()->height() > view() + 50 && bar->isVisible(); }, 2000))
      << plan->picture()->height() << " in " << view();
  const std::string pdf = w.dir.file("plan.pdf");
  EXPECT_TRUE(plan->print_to_pdf(QString::fromStdString(pdf)));
  EXPECT_EQ(test::TempDir::read(pdf).substr(0, 5), "%PDF-");
  EXPECT_FALSE(plan->print_to_pdf(QString::fromStdString(w.dir.file("no/such/dir/plan.pdf"))));

  select(kDataTab);
  ui::DataViewWidget* data = section.data_view();
  ASSERT_TRUE(data->isVisible());
  ASSERT_EQ(data->row_count(), 16);
  ASSERT_TRUE(pump_until([&] { return live.record(15).value > 0; })) << w.terminal_text();
  EXPECT_EQ(qobject_cast<QLabel*>(data->row_control(0, 0))->text(), "a0");
  EXPECT_EQ(qobject_cast<QLineEdit*>(data->row_control(0, 2))->text(), "2500");  // 65536 counts in mV
  data->choose_colour = [](QColor) { return std::optional<QColor>(QColor(1, 2, 3)); };
  QTest::mouseClick(data->row_control(0, 3), Qt::LeftButton);
  EXPECT_EQ(live.record(0).colour, 0x030201u);
  auto* min = qobject_cast<QLineEdit*>(data->row_control(0, 1));
  min->selectAll();
  QTest::keyClicks(min, "100");
  EXPECT_EQ(live.record(0).min, 100.0f);
  // Readings of every size fit their box; the overflow mark has the full value in its tip.
  data->set_view(HistoryView::seconds);
  EXPECT_TRUE(data->time_axis()->isVisible());
  data->set_mode(DisplayMode::raw);
  std::thread receiver([&] { w->session().link().consumers().dispatch(" a2: 434.763794 a3: -9876543210.5 a4: 3e38"); });
  receiver.join();
  data->tick_100ms();
  for (int r : {2, 3, 4}) {
    auto* box = qobject_cast<QLineEdit*>(data->row_control(r, 9));
    EXPECT_FALSE(box->text().isEmpty()) << r;
    EXPECT_LT(box->fontMetrics().horizontalAdvance(box->text()), box->width() - 8) << box->text().toStdString();
  }
  EXPECT_EQ(qobject_cast<QLineEdit*>(data->row_control(4, 9))->text().toStdString(), kValueOverflow);
  EXPECT_EQ(qobject_cast<QLineEdit*>(data->row_control(4, 9))->toolTip().size(), 39 + 7);  // "%f" of 3e38
  // A new input gets its row and its tab.
  configuration.parse_assignments("a20=a*1,0", true);
  section.tick_100ms();
  EXPECT_EQ(data->row_count(), 17);
  EXPECT_EQ(section.tab_bar()->count(), 19);
  w.simulator.server()->stop();  // the pseudo-terminal and its link go away
  EXPECT_TRUE(pump_until([&] { return !w.link_open() && w.widget(cmd::kPortSelector)->isVisible(); }))
      << w.terminal_text();
}

// --- every text whole and in the user's language, in every language ---

// A widget by its class, object name and the nearest named widget around it.
std::string describe(const QWidget& w) {
  std::string out = w.metaObject()->className();
  if (!w.objectName().isEmpty()) out += " " + w.objectName().toStdString();
  for (const QWidget* p = w.parentWidget(); p; p = p->parentWidget())
    if (!p->objectName().isEmpty() && !p->objectName().startsWith("qt_"))
      return out + " in " + p->objectName().toStdString();
  return out;
}

// What the clip check found, one line per clipped text, however often its widget is checked.
struct ClipReport {
  void add(const QWidget& w, const QString& text, const std::string& problem) {
    lines.insert(place + ": " + describe(w) + " \"" + text.toStdString() + "\" " + problem);
  }
  std::string place;
  std::set<std::string> lines;
};

int advance(const QWidget& w, const QString& text) {
  return w.fontMetrics().size(Qt::TextShowMnemonic, text).width();
}

// The room the style leaves for a widget's text, against the text's advance at its font.
void check_text(const QWidget& w, ClipReport& report) {
  auto room = [&](const QString& text, int needed, int has) {
    if (!text.isEmpty() && needed > has) report.add(w, text, format_text("needs %d px, has %d", needed, has));
  };
  if (auto* label = qobject_cast<const QLabel*>(&w)) {
    if (!label->wordWrap() && !label->text().contains('\n') && label->pixmap().isNull())
      room(label->text(), label->sizeHint().width(), label->width());
  } else if (qobject_cast<const QCheckBox*>(&w) || qobject_cast<const QRadioButton*>(&w)) {
    auto* b = qobject_cast<const QAbstractButton*>(&w);
    room(b->text(), b->sizeHint().width(), b->width());
  } else if (auto* b = qobject_cast<const QPushButton*>(&w)) {
    QStyleOptionButton option;
    option.initFrom(b);
    const int frame = b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, b);
    room(b->text(), advance(w, b->text()), b->width() - 2 * frame);
  } else if (auto* e = qobject_cast<const QLineEdit*>(&w)) {
    QStyleOptionFrame option;
    option.initFrom(e);
    option.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, e) : 0;
    const QRect contents = e->style()->subElementRect(QStyle::SE_LineEditContents, &option, e);
    const QMargins margins = e->textMargins();
    room(e->text(), advance(w, e->text()), contents.width() - margins.left() - margins.right() - 4);
  } else if (auto* c = qobject_cast<const QComboBox*>(&w)) {
    QStyleOptionComboBox option;
    option.initFrom(c);
    option.editable = c->isEditable();
    option.frame = c->hasFrame();
    const QRect field = c->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, c);
    room(c->currentText(), advance(w, c->currentText()), field.width() - (c->isEditable() ? 4 : 0));
  } else if (auto* bar = qobject_cast<const QTabBar*>(&w)) {
    const int padding = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
      room(bar->tabText(i), advance(w, bar->tabText(i)), bar->tabRect(i).width() - padding);
      if (bar->tabRect(i).right() >= bar->width()) report.add(w, bar->tabText(i), "lies beyond the end of its bar");
    }
    for (const QToolButton* arrow : bar->findChildren<QToolButton*>())
      if (arrow->isVisible()) report.add(w, bar->tabText(bar->count() - 1), "is behind the bar's scroll arrows");
  }
}

bool in_scrolled_area(const QWidget& w) {
  for (const QWidget* p = w.parentWidget(); p; p = p->parentWidget())
    if (auto* area = qobject_cast<const QAbstractScrollArea*>(p->parentWidget()); area && area->viewport() == p)
      return true;
  return false;
}

// A control shows whole only inside every widget around it; the innermost cut says it.
void check_inside(const QWidget& w, const QWidget& top, ClipReport& report, const QString& text) {
  if (in_scrolled_area(w)) return;
  for (const QWidget* p = w.parentWidget(); p && p != top.parentWidget(); p = p->parentWidget()) {
    const QRect r(w.mapTo(p, QPoint(0, 0)), w.size());
    if (!p->rect().contains(r))
      return report.add(w, text, format_text("is cut by %s (%d,%d %dx%d in %dx%d)", describe(*p).c_str(), r.x(), r.y(),
                                             r.width(), r.height(), p->width(), p->height()));
  }
}

// Every shown control of a window: its text fits it, and it fits in what holds it.
void check_window(const QWidget& top, ClipReport& report) {
  for (const QWidget* w : top.findChildren<QWidget*>()) {
    if (!w->isVisible() || w->window() != &top || w->objectName().startsWith("qt_")) continue;
    if (qobject_cast<const QTabBar*>(w->parentWidget()) || qobject_cast<const QComboBox*>(w->parentWidget())) continue;
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(w)) text = label->text();
    else if (auto* b = qobject_cast<const QAbstractButton*>(w)) text = b->text().isEmpty() ? b->toolTip() : b->text();
    else if (auto* e = qobject_cast<const QLineEdit*>(w)) text = e->text();
    else if (auto* c = qobject_cast<const QComboBox*>(w)) text = c->currentText();
    else if (!qobject_cast<const QTabBar*>(w)) continue;
    check_text(*w, report);
    check_inside(*w, top, report, text);
  }
}

// The main window in one language at its first-start size (with screenshots) and at its
// narrowest: every tab, each input type, each macro schedule, and the dialogs.
std::set<std::string> clipped_texts(Window& w, char language) {
  const std::string lang = language == 'e' ? "en" : language == 'f' ? "fr" : "de";
  ClipReport report;
  static const char* const tab_names[] = {"terminal", "configuration", "inputs", "macros", "upload", "compile"};
  // A width of 1 is what the window allows at the least.
  for (const int width : {700, 1}) {
    w->resize(width, 675);
    pump_for(50);
    auto check = [&](const std::string& place, const std::string& shot) {
      pump_for(20);
      report.place = format_text("%s / %dx%d, %s", lang.c_str(), w->width(), w->height(), place.c_str());
      check_window(*w.window, report);
      if (width != 1 && !shot.empty()) test::save_screenshot(*w.window, lang + "-" + shot);
    };
    for (int i = 0; i < w->tab_area().bar().count(); ++i) {
      w.click_tab(i);
      const int logical = w->window_form().logical_tab_at(i);
      const std::string name = tab_names[logical];
      if (logical == 2) {
        ui::AnalogSectionWidget& section = w->analog_section();
        const auto& sub = w->session().analog_tab().tabs();
        for (std::size_t k = 0; k < sub.size(); ++k) {
          if (sub[k].number != 0 && sub[k].number < 9000) continue;  // a0 stands for every input
          section.select(static_cast<int>(k));
          if (sub[k].number != 0) {
            check(name + " " + sub[k].label, name + "-" + (sub[k].number == 9001 ? "plan" : "data"));
            continue;
          }
          auto* types = qobject_cast<QComboBox*>(section.analog_widget()->control(analog_id::kTypeList));
          if (!types || types->count() == 0) {
            ADD_FAILURE() << "no input types";
            continue;
          }
          for (int t = 0; t < types->count(); ++t) {
            types->setCurrentIndex(t);
            emit types->activated(t);
            check(name + " a0 " + types->itemText(t).toStdString(), t == types->count() - 1 ? name : "");
          }
        }
      } else if (logical == 3) {
        for (int id = macro_id::kTypeNone; id <= macro_id::kTypeOn; ++id) {
          QTest::mouseClick(qobject_cast<QAbstractButton*>(w->macro_tab().control(id)), Qt::LeftButton);
          check(name + format_text(" schedule %d", id), id == macro_id::kTypeFrom ? name : "");
        }
      } else {
        check(name, name);
      }
    }
  }
  // The dialogs, at the size they open with.
  const Messages messages("VexaLog", language);
  auto dialog = [&](QWidget& d, const std::string& name) {
    d.show();
    report.place = lang + " / " + name;
    check_window(d, report);
    test::save_screenshot(d, lang + "-" + name);
    d.close();
  };
  test::SharedReport sink;
  CardTransferChoice choice{"/home/user/data/logger.bin", "logger.bin", "LOGGER.BIN"};
  ui::DownloadFileDialog card(messages, sink, choice, w.window.get());
  dialog(card, "download-file-dialog");
  ui::SendFileDialog send(messages, SendFileRequest{}, w.window.get());
  dialog(send, "send-file-dialog");
  ui::FindDialog find(messages, [](const QString&, bool, bool) { return false; }, [](const QString&) {}, w.window.get());
  dialog(find, "find-dialog");
  w.click(cmd::kEnglish + (language == 'f' ? 1 : language == 'd' ? 2 : 0));
  if (QMessageBox* box = w->language_box()) dialog(*box, "language-box");
  return report.lines;
}

std::string shown(const QString& label) { return without_access_key(label.toStdString()); }

// The main window in each language, English last so that nothing of the others is left over: its
// own lines and Qt's dialogs (never the platform's) speak it, and every text is whole.
TEST(MainWindowTextTest, EveryTextIsWholeAndInTheStartLanguageAndEveryTabIsWrittenAsPng) {
  test::app();
  // The measures need a real font: the platform's fallback has no metrics worth checking.
  ASSERT_FALSE(QFontDatabase::families().isEmpty())
      << "no font found: install fonts-dejavu-core (scripts/install-deps.sh)";
  struct Language {
    char letter;
    const char *cancel, *simulated;
  };
  for (const Language& x : {Language{'f', "Annuler", "Carte VexaLog S v1404 simulée sur /"},
                            Language{'d', "Abbrechen", "Simulierte Karte VexaLog S v1404 an /"},
                            Language{'e', "Cancel", "Simulated VexaLog S v1404 board on /"}}) {
    SCOPED_TRACE(x.letter);
    Window w({.simulate = 'S', .settings = std::string("language=") + x.letter + "\n", .input_types = true});
    pump_for(50);
    EXPECT_NE(w.terminal_text().find(x.simulated), std::string::npos) << w.terminal_text();
    // Without Qt's translation (qt6-translations-l10n) the window says so, and Qt's texts stay English.
    const bool qt_texts = x.letter == 'e' || QFile::exists(ui::qt_translation_file(x.letter));
    EXPECT_EQ(w.terminal_text().find("qt6-translations-l10n") == std::string::npos, qt_texts) << w.terminal_text();
    if (qt_texts) {
      EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
      EXPECT_EQ(shown(QFileDialog(w.window.get()).labelText(QFileDialog::Reject)), x.cancel);
    }
    const std::string font = QFontInfo(w->client().font()).family().toStdString();
    std::string all;
    for (const std::string& line : clipped_texts(w, x.letter)) all += line + "\n";
    EXPECT_TRUE(all.empty()) << "clipped texts (font " << font << "):\n" << all;
  }
  test::TempDir empty;
  ui::QtTranslations missing;
  EXPECT_FALSE(missing.use('D', QString::fromStdString(empty.path())));
  EXPECT_EQ(missing.missing_file(), empty.file("qtbase_de.qm"));
  EXPECT_TRUE(missing.use('e'));
  EXPECT_TRUE(missing.missing_file().empty());
}

}  // namespace
}  // namespace vexa
