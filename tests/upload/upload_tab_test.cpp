// The upload tab's form: the fields after a refresh, Start from the fields, the check boxes,
// the views, what the timer brings over from the upload, the viewer button, and the
// subsystem that owns the upload slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "support/recording_painter.h"
#include "config/fake_board.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"
#include "upload/fake_upload_link.h"
#include "upload/upload_subsystem.h"
#include "upload/upload_tab.h"

namespace vexa {
namespace {

using namespace upload_id;

struct Bench {
  // host_text: a data file found in the start directory.
  explicit Bench(const std::string& host_text = "")
      : written(host_text.empty() ? "" : dir.write("vexalog.adc", host_text)),
        link(report),
        upload(report, messages, link, nullptr, dir.path()),
        tab(upload, messages, settings, report, names(), &chooser) {}
  UploadTabNames names() {
    UploadTabNames n;
    n.start_directory = dir.path();
    n.program_directory = dir.path() + "/bin";
    return n;
  }
  void press(int id) { tab.command({id, kNotifyClicked, 0}); }

  test::TempDir dir;
  std::string written;
  Messages messages;
  Settings settings;
  test::RecordingReport report;
  test::FakeUploadLink link;
  DataUpload upload;
  GivenPathChooser chooser{dir.path() + "/data/chosen.txt"};
  UploadTab tab;
};

TEST(UploadTab, StartsWithTheDataFileAndItsResumeStamp) {
  Bench b("2024:03:01 12:00:00 1\n");
  const Form& f = b.tab.form();
  EXPECT_EQ(f.text(kHostName), "vexalog.adc");
  EXPECT_EQ(f.text(kDirectory), b.dir.path() + "/");
  EXPECT_EQ(f.text(kTarget), "vexalog.adc");
  EXPECT_EQ(f.text(kViewer), "VexaData vexalog.adc");
  EXPECT_EQ(f.text(kStamp), "2024:03:01 12:00:00 ");
  EXPECT_TRUE(f.checked(kAppend));
  EXPECT_FALSE(f.checked(kCreate));
  EXPECT_TRUE(f.checked(kFast));  // the setting's default
  b.press(kStart);
  EXPECT_EQ(b.link.writes(), (std::vector<std::string>{"bi=115200\n", "up vexalog.adc 2024:03:01 12:00:00 \n"}));
}

TEST(UploadTab, EditedNamesAndChoicesGoIntoTheStart) {
  Bench b;
  Form& f = b.tab.form();
  f.set_text(kHostName, "sub/out.txt");
  f.set_text(kTarget, "log7.adc");
  f.set_text(kStamp, "2024:03:01 12:00:00 ");
  b.press(kClearStamp);
  EXPECT_EQ(f.text(kStamp), "");
  b.press(kCreate);
  EXPECT_TRUE(f.checked(kCreate));
  EXPECT_FALSE(f.checked(kAppend));
  b.press(kBinary);
  b.press(kFast);
  EXPECT_EQ(b.settings.get_setting("Upload115200", "?"), "0");
  b.press(kStart);
  EXPECT_EQ(b.tab.host_path(), b.dir.path() + "/sub/out.txt");
  EXPECT_EQ(f.text(kViewer), "VexaData sub/out.txt");
  EXPECT_EQ(b.link.writes(), (std::vector<std::string>{"up -b log7.adc\n"}));
  EXPECT_TRUE(test::TempDir::exists(b.dir.path() + "/sub/out.txt"));
  // While it runs the check boxes stay as they are.
  b.press(kBinary);
  b.press(kFast);
  EXPECT_TRUE(f.checked(kBinary));
  EXPECT_FALSE(f.checked(kFast));
  b.press(kStop);
  EXPECT_EQ(b.link.writes().back(), " ");

  // Lines come on the receive thread; the timer shows them, and the end brings Append back.
  b.upload.on_line(">0102");
  EXPECT_TRUE(b.tab.tick_100ms());
  EXPECT_EQ(f.text(kLineCount), "1");
  b.upload.on_line("stopped log7.adc, 1 lines");
  b.tab.tick_100ms();
  EXPECT_TRUE(f.checked(kAppend));
  EXPECT_FALSE(f.checked(kCreate));
}

TEST(UploadTab, CaptureFillsTheNamesAndTheStampFollowsTheLines) {
  Bench b;
  Form& f = b.tab.form();
  b.press(kCreate);
  b.upload.on_line("up log2.txt");
  b.upload.on_line(">2024:03:01 12:00:07 1,5\t2,25");
  b.tab.tick_100ms();
  EXPECT_EQ(f.text(kTarget), "log2.txt");
  EXPECT_EQ(f.text(kHostName), "log2.txt");
  EXPECT_EQ(b.tab.host_path(), b.dir.path() + "/log2.txt");
  EXPECT_EQ(f.text(kStamp), "2024:03:01 12:00:07 ");
  EXPECT_TRUE(f.checked(kAppend));
  EXPECT_EQ(f.text(kLineCount), "1");
}

TEST(UploadTab, ChangeRefreshesFromTheChosenFile) {
  Bench b;
  ::mkdir(b.dir.file("data").c_str(), 0755);
  b.dir.write("data/chosen.txt", "2023:01:01 00:00:00 x\n017: y\n");
  b.press(kChange);
  const Form& f = b.tab.form();
  EXPECT_EQ(f.text(kHostName), "chosen.txt");
  EXPECT_EQ(f.text(kTarget), "chosen.txt");
  EXPECT_EQ(f.text(kDirectory), b.dir.path() + "/data/");
  EXPECT_EQ(f.text(kStamp), "2023:01:01 00:00:00 ");
  EXPECT_EQ(b.upload.resume_point().number_prefix, "017: ");
}

// The pane's drawing itself is prefix_ring_pane_test; here, which view paints and when.
TEST(UploadTab, TheChosenViewPaintsThePaneAndTheTimerAsksForARedrawOnlyAfterAChange) {
  Bench b;
  b.upload.on_line(">017: 1\t2");
  RecordingPainter p;
  b.tab.paint_pane(p, 100, 50);
  EXPECT_EQ(p.calls(), (std::vector<std::string>{"text 2,31 000000 017: 1 2"}));
  b.press(kGraphicView);
  EXPECT_TRUE(b.tab.form().checked(kGraphicView));
  EXPECT_FALSE(b.tab.form().checked(kTextView));
  p.reset();
  b.tab.paint_pane(p, 300, 150);
  EXPECT_NE(std::find(p.calls().begin(), p.calls().end(), "text 16,1 000000 Value 1"), p.calls().end());
  EXPECT_TRUE(b.tab.tick_100ms());
  EXPECT_FALSE(b.tab.tick_100ms());
  b.press(kClear);
  EXPECT_TRUE(b.tab.tick_100ms());
  p.reset();
  b.tab.paint_pane(p, 100, 50);
  EXPECT_TRUE(p.calls().empty());
}

TEST(UploadTab, ViewerGetsThePathAsOneArgumentOrTheErrorLine) {
  Bench b;
  b.press(kViewer);
  ASSERT_EQ(b.report.lines.size(), 1u);
  EXPECT_EQ(b.report.lines[0], "Error 2: VexaData " + b.dir.path() + "/vexalog.adc");

  // A viewer in ../data that records its arguments; a host name with blanks and quotes.
  ::mkdir(b.dir.file("bin").c_str(), 0755);
  ::mkdir(b.dir.file("data").c_str(), 0755);
  const std::string viewer = b.dir.write("data/VexaData", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/args\"\n");
  ::chmod(viewer.c_str(), 0755);
  b.tab.form().set_text(kHostName, "my 'data' $x.adc");
  b.press(kViewer);
  const std::string args = b.dir.path() + "/data/args";
  for (int i = 0; i < 500 && test::TempDir::read(args).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(test::TempDir::read(args), b.dir.path() + "/my 'data' $x.adc|");
  EXPECT_EQ(b.report.lines.size(), 1u);
  b.tab.tick_100ms();  // collects the ended viewer
}

TEST(UploadSubsystem, HearsLinesWhileItLives) {
  test::TempDir dir;
  Messages messages;
  Settings settings;
  test::SharedReport report;
  test::SharedEcho echo;
  LinkSession link(report, echo, messages);
  BoardJobs jobs(report, messages);
  {
    UploadSubsystem subsystem(link, report, messages, settings, jobs, {dir.path(), dir.path(), "VexaData", "vexalog.adc"});
    EXPECT_EQ(link.consumers().size(), 1u);
    // No link is open: a start opens the file and then finds nothing to write to.
    EXPECT_TRUE(subsystem.upload().start({dir.file("h.adc"), "vexalog.adc", "", false, false, true, false}));
    EXPECT_TRUE(link.consumers().upload_running());
    subsystem.tick_100ms();  // the link is not open: the upload ends
    EXPECT_FALSE(subsystem.upload().running());
    EXPECT_FALSE(link.consumers().upload_running());
  }
  EXPECT_EQ(link.consumers().size(), 0u);
}

}  // namespace
}  // namespace vexa
