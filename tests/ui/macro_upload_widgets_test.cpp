// The macro and upload tabs as desktop widgets (offscreen) against a simulated S board on a
// pseudo-terminal: a macro edited, applied and read back with "conf"; an upload started from
// the tab with its lines in the data pane; screenshots of both for review.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>

#include "base/board_jobs.h"
#include "config/board_identity.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "sim/board_server.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"
#include "ui/macro_tab_widget.h"
#include "ui/qt_test_app.h"
#include "ui/upload_tab_widget.h"
#include "upload/data_upload.h"

namespace vexa {
namespace {

using test::app;
using test::pump_until;

using test::save_screenshot;

QAbstractButton* button(QWidget* w) { return qobject_cast<QAbstractButton*>(w); }

// A simulated S board with a logged file, and the link session talking to it.
struct BoardBench {
  BoardBench() : server(sim::BoardConfiguration(sim::BoardKind{'S', 1404, "VexaLog"})), session(report, echo, messages) {
    server.with_board([](sim::SimulatedBoard& board) {
      board.uploads().add_file({"vexalog.adc", sim::LogKind::stamped, 240, 0});
    });
    EXPECT_EQ(server.start_pty(dir.file("board")), "");
    session.start();
    EXPECT_TRUE(session.open(dir.file("board"), "9600"));
  }
  ~BoardBench() { session.stop(); }

  test::TempDir dir;
  Messages messages;
  test::SharedReport report;
  test::SharedEcho echo;
  sim::BoardServer server;
  LinkSession session;
};

TEST(MacroTabWidget, EditApplyAndReadBackFromTheBoard) {
  app();
  BoardBench b;
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog S v1404"));
  ConfigExchange exchange(config, identity, b.session, b.report);
  LineRegistration exchange_lines = b.session.consumers().add(line_place::configuration, exchange);
  MacroTab tab(config, identity, exchange, b.messages, b.report);
  ui::MacroTabWidget widget(tab);
  widget.show();
  ASSERT_EQ(widget.sub_tabs()->count(), 20);

  widget.sub_tabs()->setCurrentIndex(3);
  EXPECT_EQ(tab.current_key(), "m3");
  button(widget.control(macro_id::kTypeRegularly))->click();
  EXPECT_TRUE(widget.control(macro_id::kIntervalHours)->isVisible());
  EXPECT_FALSE(widget.control(macro_id::kYear)->isVisible());
  button(widget.control(macro_id::kClearInterval))->click();
  qobject_cast<QComboBox*>(widget.control(macro_id::kIntervalHours))->setEditText("1");
  qobject_cast<QComboBox*>(widget.control(macro_id::kIntervalMinutes))->setEditText("30");
  QTest::keyClicks(qobject_cast<QLineEdit*>(widget.control(macro_id::kCommand)), "rd;out 1");
  button(widget.control(macro_id::kApply))->click();

  const std::string value = "0,5400,rd;out 1";
  std::string on_board;
  ASSERT_TRUE(pump_until([&] {
    b.server.with_board([&](sim::SimulatedBoard& board) { on_board = board.configuration().value("m3").value_or(""); });
    return on_board == value;
  })) << on_board;

  // Read back: the table is emptied by the identity line of the "conf" reply and filled again.
  config.set_parameter("m3", "garbage");
  ASSERT_TRUE(exchange.request_configuration());
  ASSERT_TRUE(pump_until([&] { return config.parameter_value("m3").value_or("") == value; }));
  tab.show_macro();
  EXPECT_EQ(qobject_cast<QLineEdit*>(widget.control(macro_id::kCommand))->text(), "rd;out 1");
  EXPECT_EQ(qobject_cast<QComboBox*>(widget.control(macro_id::kIntervalMinutes))->currentText(), "30");
  EXPECT_TRUE(button(widget.control(macro_id::kTypeRegularly))->isChecked());
  EXPECT_TRUE(widget.command_label()->isVisible());
  save_screenshot(widget, "macro_tab");

  // Another sub-tab commits this one and shows the next, empty, one.
  widget.sub_tabs()->setCurrentIndex(4);
  EXPECT_EQ(qobject_cast<QLineEdit*>(widget.control(macro_id::kCommand))->text(), "");
  EXPECT_FALSE(widget.control(macro_id::kCommand)->isVisible());
}

TEST(MacroTabWidget, OldFirmwareShowsNoSubTabs) {
  app();
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog F v602"));
  test::SharedReport report;
  test::SharedEcho echo;
  Messages messages;
  LinkSession session(report, echo, messages);
  ConfigExchange exchange(config, identity, session, report);
  MacroTab tab(config, identity, exchange, messages, report);
  ui::MacroTabWidget widget(tab);
  widget.show();
  EXPECT_EQ(widget.sub_tabs()->count(), 0);
  EXPECT_FALSE(widget.command_label()->isVisible());
  EXPECT_FALSE(widget.control(macro_id::kApply)->isVisible());
  identity.accept_identity("VexaLog F v603");
  widget.refresh();
  EXPECT_EQ(widget.sub_tabs()->count(), 10);
  EXPECT_TRUE(widget.control(macro_id::kApply)->isVisible());
}

TEST(UploadTabWidget, StartFromTheTabAndSeeTheLinesInBothViews) {
  app();
  BoardBench b;
  Settings settings;
  BoardJobs jobs(b.report, b.messages);
  DataUpload upload(b.report, b.messages, UploadLink(b.session), &jobs, b.dir.path());
  LineRegistration upload_lines = b.session.consumers().add(line_place::upload, upload);
  UploadTab tab(upload, b.messages, settings, b.report, {b.dir.path(), b.dir.path(), "VexaData", "vexalog.adc"});
  ui::UploadTabWidget widget(tab);
  widget.resize(480, 440);
  widget.show();

  button(widget.control(upload_id::kStart))->click();
  ASSERT_TRUE(pump_until([&] { return !upload.running() && upload.line_count() == 240; }, 30000));
  ASSERT_TRUE(pump_until([&] { return b.report.contains("bi=9600"); }));  // back from the fast speed
  widget.pane()->tick();
  EXPECT_EQ(qobject_cast<QLineEdit*>(widget.control(upload_id::kLineCount))->text(), "240");
  EXPECT_EQ(qobject_cast<QLineEdit*>(widget.control(upload_id::kStamp))->text(), "2024:03:01 00:03:59 ");
  EXPECT_EQ(test::TempDir::read(b.dir.file("vexalog.adc")), sim::logged_text(sim::LogKind::stamped, 240));
  const auto entries = upload.ring().newest_first();
  ASSERT_EQ(entries.size(), 240u);
  EXPECT_EQ(entries.front().text, "2024:03:01 00:03:59 21,9 7,39 843");
  EXPECT_EQ(entries.front().value_count, 3);
  EXPECT_EQ(widget.pane()->geometry(), QRect(0, 166, 480, 244));
  save_screenshot(widget, "upload_tab_text_view");

  button(widget.control(upload_id::kGraphicView))->click();
  EXPECT_TRUE(button(widget.control(upload_id::kGraphicView))->isChecked());
  EXPECT_FALSE(button(widget.control(upload_id::kTextView))->isChecked());
  save_screenshot(widget, "upload_tab_graphic_view");
  button(widget.control(upload_id::kClear))->click();
  EXPECT_TRUE(upload.ring().newest_first().empty());
}

}  // namespace
}  // namespace vexa
