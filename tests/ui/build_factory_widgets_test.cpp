// The compile tab widget and the factory test's lamps on the offscreen platform: typing, Run,
// the busy cursor and the output pane; the factory test started through its button against a
// simulated board, with the lamps' screenshots after a pass and after a failure; the sounds.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "base/board_jobs.h"
#include "base/command_ids.h"
#include "base/command_table.h"
#include "base/settings.h"
#include "build/compile_tab_form.h"
#include "config/board_identity.h"
#include "config/configuration.h"
#include "factory/factory_test.h"
#include "link/link_session.h"
#include "platform/installed_data.h"
#include "sim/board_server.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"
#include "ui/compile_tab_widget.h"
#include "ui/factory_indicator.h"
#include "ui/form_binder.h"
#include "ui/qt_test_app.h"
#include "ui/screenshot.h"
#include "ui/sound_player.h"

namespace vexa {
namespace {

using test::app;
using test::pump_until;

using test::save_screenshot;

class NullStatus final : public StatusLine {
 public:
  void set_progress(std::string_view) override {}
  void set_status(std::string_view text) override { last = std::string(text); }
  std::string last;
};
class NullPoster final : public CommandPoster {
 public:
  void post_command(int, long) override {}
};
class NoFirmware final : public FirmwareFileTarget {
 public:
  void set_current_firmware(const std::string&, const std::string&) override {}
};
class NoRecovery final : public BoardRecovery {
 public:
  void send_recovery() override {}
};
class NoChooser final : public CompileFileChooser {
 public:
  std::optional<std::string> choose(CompileFile, const std::string&) override { return std::nullopt; }
};

TEST(CompileTabWidgetTest, TypingRunningAndTheOutputPane) {
  app();
  test::TempDir dir;
  Settings settings;
  Messages messages;
  NullStatus status;
  NullPoster poster;
  SpawnLauncher launcher;
  NoChooser chooser;
  NoFirmware firmware;
  NoRecovery recovery;
  CompileTab tab({settings, messages, status, poster, launcher, chooser, firmware, recovery}, "/opt/vexa");
  ui::CompileTabWidget widget(tab);
  widget.resize(700, 420);
  widget.show();

  auto* output = widget.output_pane();
  ASSERT_NE(output, nullptr);
  EXPECT_TRUE(output->toPlainText().startsWith("\nUse this tab to compile your own firmware."));
  EXPECT_EQ(output->geometry(), QRect(0, 142, 700, 268));
  auto* title = widget.findChild<QLabel*>(QStringLiteral("control%1").arg(compile::kTitleLabel));
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text(), "Compile firmware");

  // The environment edit shows LF lines; what is typed is stored as settings.
  auto* environment = widget.findChild<QPlainTextEdit*>(QStringLiteral("control%1").arg(compile::kEnvironment));
  ASSERT_NE(environment, nullptr);
  EXPECT_TRUE(environment->toPlainText().startsWith("PATH=/opt/vexa/firmware/arm/bin:/usr/bin:/bin\nARMCC="));
  environment->setPlainText("PATH=/usr/bin:/bin\n\nSHOWN=yes");
  EXPECT_EQ(settings.get_setting("CompileEnv2", ""), "SHOWN=yes");

  auto* command = qobject_cast<QLineEdit*>(widget.control(compile::kCommandLine));
  ASSERT_NE(command, nullptr);
  QTest::keyClicks(command, "printf 'one\\ntwo\\n'; echo $SHOWN; sleep 0.3");
  EXPECT_EQ(settings.get_setting("CompileCmd", ""), "printf 'one\\ntwo\\n'; echo $SHOWN; sleep 0.3");
  auto* run = qobject_cast<QPushButton*>(widget.control(compile::kRun));
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(run->text(), "Run");
  run->click();
  EXPECT_TRUE(tab.running());
  EXPECT_EQ(widget.cursor().shape(), Qt::WaitCursor);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] { tab.tick_100ms(); });
  poll.start(100);
  ASSERT_TRUE(pump_until([&] { return !tab.running(); }, 20000));
  test::pump_for(250);
  EXPECT_EQ(output->toPlainText().toStdString(), "printf 'one\\ntwo\\n'; echo $SHOWN; sleep 0.3\none\ntwo\nyes\n");
  EXPECT_NE(widget.cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(status.last, "Exit= 0");
  save_screenshot(widget, "compile_tab_after_run");

  // The check box is toggled by the tab itself.
  auto* automatic = qobject_cast<QCheckBox*>(widget.control(compile::kAutoDownload));
  ASSERT_NE(automatic, nullptr);
  automatic->click();
  EXPECT_TRUE(tab.form().checked(compile::kAutoDownload));
  EXPECT_EQ(automatic->checkState(), Qt::Checked);
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
  sounds.play_error();
  EXPECT_EQ(sounds.error_sounds(), 2);
}

// The main window's two factory controls against a simulated board.
class FactoryDesk {
 public:
  FactoryDesk()
      : server(sim::BoardConfiguration(sim::BoardKind{'S'})),
        link(report, echo, messages),
        identity(configuration, *parse_identity_line("VexaLog S v1404")),
        jobs(report, messages),
        indicator(sounds),
        test({link, report, messages, identity, jobs, SystemClock::instance(), indicator}) {
    Control button;
    button.id = cmd::kFactoryTest;
    button.kind = ControlKind::icon_button;
    button.rect = {0, 0, 21, 21};
    button.image = 6;
    form.add(button);
    Control lamps;
    lamps.id = cmd::kFactoryLamps;
    lamps.kind = ControlKind::owner_drawn;
    lamps.rect = {25, 5, 80, 16};
    form.add(lamps);
    binder = std::make_unique<ui::FormBinder>(form, &root, &strip);
    binder->build();
    root.resize(120, 30);
    root.show();
    indicator.attach(qobject_cast<ui::LampButton*>(binder->widget(cmd::kFactoryLamps)), &test);
    test.add_commands(commands);
    QObject::connect(binder.get(), &ui::FormBinder::command, [this](int id, int n, long p) {
      commands.run({id, n, p});
    });
    QObject::connect(&timer, &QTimer::timeout, [this] { test.tick_100ms(); });
    identity.add_listener(&test);
    test_lines = link.consumers().add(line_place::factory_test, test);
  }
  ~FactoryDesk() {
    timer.stop();
    link.stop();
    test_lines.reset();
    identity.remove_listener(&test);
  }
  bool connect() {
    if (!server.start_pty(dir.file("board")).empty()) return false;
    link.start();
    return link.open(dir.file("board"), "115200");
  }
  void press_factory_test() {
    timer.start(100);
    qobject_cast<QAbstractButton*>(binder->widget(cmd::kFactoryTest))->click();
  }
  QImage lamps() { return binder->widget(cmd::kFactoryLamps)->grab().toImage(); }
  QWidget& lamp_widget() { return *binder->widget(cmd::kFactoryLamps); }

  test::TempDir dir;
  sim::BoardServer server;
  Messages messages;
  test::SharedReport report;
  test::SharedEcho echo;
  LinkSession link;
  Configuration configuration;
  BoardIdentity identity;
  BoardJobs jobs;
  ui::SoundPlayer sounds;
  ui::FactoryIndicator indicator;
  FactoryTest test;
  LineRegistration test_lines;
  CommandTable commands;
  Form form;
  QWidget root;
  QImage strip = ui::make_icon_strip();
  std::unique_ptr<ui::FormBinder> binder;
  QTimer timer;
};

QColor lamp_colour(const QImage& lamps, int position) { return lamps.pixelColor(7 + 10 * position, 7); }

TEST(FactoryIndicatorTest, ButtonRunsTheTestAndTheLampsShowPassAndFailure) {
  app();
  FactoryDesk desk;
  ASSERT_TRUE(desk.connect()) << desk.report.lines().size();
  const QColor yellow(255, 255, 0), red(255, 0, 0), green(0, 255, 0);
  EXPECT_EQ(lamp_colour(desk.lamps(), 0), yellow);

  desk.press_factory_test();
  ASSERT_TRUE(pump_until([&] { return desk.sounds.beeps() >= 1; }, 20000));
  ASSERT_TRUE(pump_until([&] { return lamp_colour(desk.lamps(), 6) == green; }, 5000));
  const QImage passed = desk.lamps();
  for (int i : {0, 1, 3, 4, 5, 6}) EXPECT_EQ(lamp_colour(passed, i), green) << i;
  EXPECT_NE(lamp_colour(passed, 2), green);  // the serial file test has no lamp
  EXPECT_EQ(desk.sounds.error_sounds(), 0);
  save_screenshot(desk.lamp_widget(), "factory_lamps_passed");

  desk.server.with_board([](sim::SimulatedBoard& b) {
    sim::SelfTestOptions options;
    options.fail = {"rtc", "disk"};
    b.self_test().set_options(options);
  });
  desk.press_factory_test();
  ASSERT_TRUE(pump_until([&] { return desk.sounds.error_sounds() >= 1; }, 20000));
  ASSERT_TRUE(pump_until([&] { return lamp_colour(desk.lamps(), 5) == red; }, 5000));
  const QImage failed = desk.lamps();
  EXPECT_EQ(lamp_colour(failed, 1), red);
  EXPECT_EQ(lamp_colour(failed, 5), red);
  for (int i : {0, 3, 4, 6}) EXPECT_EQ(lamp_colour(failed, i), green) << i;
  save_screenshot(desk.lamp_widget(), "factory_lamps_failed");

  // A click on the lamps lists the states in the terminal.
  desk.report.clear();
  qobject_cast<QAbstractButton*>(desk.binder->widget(cmd::kFactoryLamps))->click();
  EXPECT_TRUE(desk.report.contains("1 disk dr=0"));
  EXPECT_TRUE(desk.report.contains("2 file data"));
}

}  // namespace
}  // namespace vexa
