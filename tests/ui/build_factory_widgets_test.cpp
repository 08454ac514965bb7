// The compile tab widget and the factory test's lamps on the offscreen platform: typing, Run,
// the busy cursor and the output pane; the factory test started through its button against a
// simulated board, its lamps after a pass and after a failure; the sounds.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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
#include "ui/sound_player.h"

namespace vexa {
namespace {

using test::app;
using test::pump_until;

// Every port of the compile tab but the launcher and the settings, doing nothing.
class NoPorts final : public StatusLine, public CommandPoster, public FirmwareFileTarget, public BoardRecovery,
                      public CompileFileChooser {
 public:
  void set_progress(std::string_view) override {}
  void set_status(std::string_view text) override { last_status = std::string(text); }
  void post_command(int, long) override {}
  void set_current_firmware(const std::string&, const std::string&) override {}
  void send_recovery() override {}
  std::optional<std::string> choose(CompileFile, const std::string&) override { return std::nullopt; }
  std::string last_status;
};

TEST(CompileTabWidgetTest, TypingRunningAndTheOutputPane) {
  app();
  Settings settings;
  Messages messages;
  NoPorts no;
  SpawnLauncher launcher;
  CompileTab tab({settings, messages, no, no, launcher, no, no, no}, "/opt/vexa");
  ui::CompileTabWidget widget(tab);
  widget.resize(700, 420);
  widget.show();
  // What is typed into the environment and the command line is stored as settings.
  auto* environment = widget.findChild<QPlainTextEdit*>(QStringLiteral("control%1").arg(compile::kEnvironment));
  ASSERT_NE(environment, nullptr);
  environment->setPlainText("PATH=/usr/bin:/bin\n\nSHOWN=yes");
  EXPECT_EQ(settings.get_setting("CompileEnv2", ""), "SHOWN=yes");
  const std::string command = "printf 'one\\ntwo\\n'; echo $SHOWN; sleep 0.3";
  QTest::keyClicks(qobject_cast<QLineEdit*>(widget.control(compile::kCommandLine)), QString::fromStdString(command));
  EXPECT_EQ(settings.get_setting("CompileCmd", ""), command);
  // Run: the busy cursor until the command ends, and its output in the pane.
  qobject_cast<QPushButton*>(widget.control(compile::kRun))->click();
  EXPECT_TRUE(tab.running());
  EXPECT_EQ(widget.cursor().shape(), Qt::WaitCursor);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] { tab.tick_100ms(); });
  poll.start(100);
  ASSERT_TRUE(pump_until([&] { return !tab.running(); }, 20000));
  test::pump_for(250);
  EXPECT_EQ(widget.output_pane()->toPlainText().toStdString(), command + "\none\ntwo\nyes\n");
  EXPECT_NE(widget.cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(no.last_status, "Exit= 0");
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
  void click(int id) {
    timer.start(100);
    qobject_cast<QAbstractButton*>(binder->widget(id))->click();
  }
  QColor lamp(int position) {
    return binder->widget(cmd::kFactoryLamps)->grab().toImage().pixelColor(7 + 10 * position, 7);
  }

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

TEST(FactoryIndicatorTest, ButtonRunsTheTestAndTheLampsShowPassAndFailure) {
  app();
  FactoryDesk desk;
  ASSERT_TRUE(desk.connect()) << desk.report.lines().size();
  const QColor yellow(255, 255, 0), red(255, 0, 0), green(0, 255, 0);
  EXPECT_EQ(desk.lamp(0), yellow);
  desk.click(cmd::kFactoryTest);
  ASSERT_TRUE(pump_until([&] { return desk.sounds.beeps() >= 1 && desk.lamp(6) == green; }, 20000));
  for (int i : {0, 1, 3, 4, 5}) EXPECT_EQ(desk.lamp(i), green) << i;
  EXPECT_NE(desk.lamp(2), green);  // the serial file test has no lamp
  EXPECT_EQ(desk.sounds.error_sounds(), 0);

  desk.server.with_board([](sim::SimulatedBoard& b) {
    sim::SelfTestOptions options;
    options.fail = {"rtc", "disk"};
    b.self_test().set_options(options);
  });
  desk.click(cmd::kFactoryTest);
  ASSERT_TRUE(pump_until([&] { return desk.sounds.error_sounds() >= 1 && desk.lamp(5) == red; }, 20000));
  EXPECT_EQ(desk.lamp(1), red);
  for (int i : {0, 3, 4, 6}) EXPECT_EQ(desk.lamp(i), green) << i;
  // A click on the lamps lists the states in the terminal.
  desk.report.clear();
  desk.click(cmd::kFactoryLamps);
  EXPECT_TRUE(desk.report.contains("1 disk dr=0"));
}

}  // namespace
}  // namespace vexa
