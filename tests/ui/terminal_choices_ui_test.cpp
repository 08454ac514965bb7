// The terminal's choices on the desktop, offscreen: their Tools menu entries and check marks, the
// hex view switched on and off without losing what was received, time stamps, a search hit
// highlighted with Ctrl-F's search, Up recalling a typed line, and the line-settings prompt.
// Screenshots go to <build>/screenshots/.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QInputDialog>
#include <QTest>
#include <filesystem>
#include <regex>

#include "app/terminal_command_ids.h"
#include "platform/pseudo_terminal.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/qt_test_app.h"
#include "ui/terminal_widget.h"

namespace vexa {
namespace {

using test::pump_for;
using test::pump_until;

void save_screenshot(QWidget& widget, const QString& name) {
  const QString dir = QString(VEXA_BINARY_DIR) + "/screenshots";
  QDir().mkpath(dir);
  EXPECT_TRUE(widget.grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

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

  stamps->trigger();
  ASSERT_TRUE(pump_until([&] { return std::regex_search(text(), std::regex(R"(\[\d\d:\d\d:\d\d\.\d\d\d\] < 00000000)")); }));
  hex->trigger();
  ASSERT_TRUE(pump_until([&] {
    return std::regex_search(text(), std::regex(R"(\[\d\d:\d\d:\d\d\.\d\d\d\] ti=120000 dt=261207\n)"));
  })) << text();
  ASSERT_TRUE(pty.write("Error unknown key bd\r\n"));
  ASSERT_TRUE(pump_until([&] {
    return std::regex_search(text(), std::regex(R"(\[\d\d:\d\d:\d\d\.\d\d\d\] Error unknown key bd)"));
  }));
  save_screenshot(*window, "terminal_timestamps");
  stamps->trigger();
  ASSERT_TRUE(shows("VexaLog S v1404\nti=120000 dt=261207\nOk\nError unknown key bd"));
  EXPECT_FALSE(hex->isChecked() || stamps->isChecked());
}

TEST_F(TerminalChoicesWindow, SearchHighlightsAHitAndUpRecallsATypedLine) {
  ASSERT_TRUE(pty.write("Ok\r\nError unknown key bd\r\nOk\r\n"));
  ASSERT_TRUE(shows("Error unknown key bd"));
  ui::TerminalWidget& terminal = window->terminal_widget();
  EXPECT_TRUE(terminal.find_next("unknown KEY", false, false));
  EXPECT_EQ(terminal.textCursor().selectedText().toStdString(), "unknown key");
  EXPECT_FALSE(terminal.find_next("unknown KEY", false, true));  // with case: no hit
  EXPECT_EQ(terminal.textCursor().selectedText().toStdString(), "unknown key");  // the hit stays
  EXPECT_FALSE(terminal.find_next("absent", true, false));
  save_screenshot(*window, "terminal_search_hit");

  terminal.setFocus();
  QTest::keyClicks(&terminal, "ti");
  QTest::keyClick(&terminal, Qt::Key_Return);
  EXPECT_EQ(pty.read_until("\r", 2000), "ti\r");
  QTest::keyClick(&terminal, Qt::Key_Up);
  EXPECT_EQ(pty.read_until("ti", 2000), "ti");
}

TEST_F(TerminalChoicesWindow, LineSettingsPromptAndTheirDescription) {
  EXPECT_TRUE(window->session().terminal_choices().set_line_settings_text("8N2,xonxoff"));
  window->session().link().port().close_link();
  ASSERT_TRUE(window->session().link().open(link, "250000"));
  ASSERT_TRUE(shows(":250000,n,8,2,xonxoff"));
  // The prompt the menu entry shows, as the user sees it.
  QInputDialog prompt(window.get());
  prompt.setLabelText(QString::fromStdString(window->session().messages().message("VtAskLine")));
  prompt.setTextValue("n,8,2,xonxoff");
  prompt.show();
  pump_for(20);
  save_screenshot(prompt, "terminal_line_settings");
  prompt.close();
  ASSERT_NE(window->action(cmd::kTermLineSettings), nullptr);
}

}  // namespace
}  // namespace vexa
