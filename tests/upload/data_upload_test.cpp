// The upload's state machine over a recording link, the line prefixes, the display ring and the
// data pane, then the tab over them. A host file that cannot be opened is cli_upload_test; the
// whole path over a real link, with a board that vanishes and a resume, faults/fault_jobs.cpp.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "base/board_jobs.h"
#include "base/text_format.h"
#include "config/fake_board.h"
#include "support/recording_painter.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"
#include "upload/data_pane_view.h"
#include "upload/data_upload.h"
#include "upload/display_ring.h"
#include "upload/line_prefix.h"
#include "upload/upload_tab.h"

namespace vexa {
namespace {

using Writes = std::vector<std::string>;

// The scripted port records what the upload sends and its speed changes, the line dialogue
// writes through it, and the upload gate is a flag.
class FakeUploadLink final : public test::ScriptedPort, public BoardChannel, public LinkControl {
 public:
  explicit FakeUploadLink(ReportSink& report) : report_(report) {}
  operator UploadLink() { return {*this, *this, *this}; }

  // A speed change, and whether the discarding read before it ran with the receive thread
  // still reading (the upload runs on that thread then).
  struct SpeedChange {
    long speed;
    bool on_receive_thread;
    bool operator==(const SpeedChange&) const = default;
  };
  std::vector<SpeedChange> speed_changes;
  bool gate = false;

  int read_byte(int wait_ms) override {
    read_unpaused_ = pauses() == 0;
    return ScriptedPort::read_byte(wait_ms);
  }
  long set_speed(long speed, SpeedNotice notice) override {
    speed_changes.push_back({speed, read_unpaused_});
    return ScriptedPort::set_speed(speed, notice);
  }

  bool send_and_wait_ok(std::string_view) override { return true; }
  bool wait_line(std::string_view) override { return true; }
  void send_line(std::string_view text) override {
    report_.print_line(text);
    write_text(std::string(text) + "\n");
  }
  void set_echo_suppressed(bool) override {}

  bool serial_open() override { return open && !tcp; }
  bool open_link() override { return open; }
  void set_tcp_address(std::string_view) override {}
  bool carrier_detect() override { return open; }
  void set_upload_running(bool running) override { gate = running; }

 private:
  ReportSink& report_;
  bool read_unpaused_ = false;
};

struct Bench {
  Bench() : link(report), jobs(report, messages), upload(report, messages, link, &jobs, dir.path()) {}

  UploadRequest request(bool create = false, std::string stamp = "") {
    UploadRequest r;
    r.host_path = dir.file("host.adc");
    r.target = "vexalog.adc";
    r.create = create;
    r.resume_stamp = std::move(stamp);
    return r;
  }
  void lines(std::initializer_list<std::string_view> received) {
    for (std::string_view line : received) upload.on_line(line);
  }
  std::string host() { return test::TempDir::read(dir.file("host.adc")); }
  bool reported_end(int lines) {
    return report.contains("upload vexalog.adc -> " + dir.file("host.adc") + ": " + std::to_string(lines) + " lines");
  }

  test::TempDir dir;
  Messages messages;
  test::RecordingReport report;
  FakeUploadLink link;
  BoardJobs jobs;
  DataUpload upload;
};

TEST(DataUpload, ResumesFromTheStampSkipsUpToTheLastStoredNumberAndForgetsItWithoutAStamp) {
  Bench b;
  const std::string stored = "2024:03:01 11:59:59 1\n2024:03:01 12:00:00 2\n2024:03:01 12:00:01 3\n017: 4\n";
  b.dir.write("host.adc", "2024:03:01 11:59:59 1\n2024:03:01 12:00:00 2\n");
  const ResumePoint point = scan_host_file(b.dir.file("host.adc"));
  b.upload.set_resume_point(point);
  ASSERT_TRUE(b.upload.start(b.request(false, point.stamp)));
  EXPECT_EQ(b.link.writes(), Writes{"up vexalog.adc 2024:03:01 12:00:00 \n"});
  EXPECT_TRUE(b.link.gate);
  b.lines({">2024:03:01 12:00:01 3", ">017: 4", "end of vexalog.adc, 2 lines"});
  EXPECT_EQ(b.host(), stored);
  EXPECT_FALSE(b.upload.running());
  EXPECT_FALSE(b.link.gate);
  EXPECT_EQ(b.jobs.running_job(), "");
  EXPECT_TRUE(b.reported_end(2));
  EXPECT_EQ(b.upload.resume_point(), (ResumePoint{"2024:03:01 12:00:01 ", "017: "}));

  // The board lists again what came after the stamp: up to '017: ' it is dropped.
  ASSERT_TRUE(b.upload.start(b.request(false, b.upload.resume_point().stamp)));
  b.lines({">016: 3", ">017: 4", ">018: 7", ">017: again", "ok"});
  EXPECT_EQ(b.host(), stored + "018: 7\n017: again\n");
  EXPECT_EQ(b.upload.line_count(), 2);

  // A stamp that starts with a blank means from the beginning: the remembered prefix goes too.
  b.upload.set_resume_point({"x", "017: "});
  ASSERT_TRUE(b.upload.start(b.request(false, " 2024:03:01 12:00:00 ")));
  EXPECT_EQ(b.link.writes().back(), "up vexalog.adc\n");
  b.lines({">017: 5.2", "ok"});
  EXPECT_EQ(b.host(), stored + "018: 7\n017: again\n017: 5.2\n");
}

TEST(DataUpload, BinaryLinesWriteTheirHexBytes) {
  Bench b;
  UploadRequest r = b.request(true, "2024:03:01 12:00:00 ");
  r.binary = true;
  ASSERT_TRUE(b.upload.start(r));
  EXPECT_EQ(b.link.writes()[0], "up -b vexalog.adc 2024:03:01 12:00:00 \n");
  b.lines({">0A1bFF", ">0A1", ">", ">zz00", ">0102 0304", ">2024:03:01 12:00:05 41", "ok"});
  // A stamped line is no exception: its first two digits pairs are bytes, up to the ':'.
  EXPECT_EQ(b.host(), std::string("\x0a\x1b\xff\x0a\x01\x02\x20\x24", 8));
  // Binary lines never move the resume stamp.
  EXPECT_EQ(b.upload.resume_point().stamp, "2024:03:01 12:00:00 ");
}

TEST(DataUpload, WhileAnotherJobRunsAStartIsRefusedButAnUpLineStillCaptures) {
  Bench b;
  auto other = b.jobs.try_begin("Configuration download");
  ASSERT_TRUE(other);
  EXPECT_FALSE(b.upload.start(b.request()));
  EXPECT_FALSE(test::TempDir::exists(b.dir.file("host.adc")));
  b.dir.write("log2.txt", "before\n");
  b.lines({">not captured", "up  log2.txt extra", ">a", ">b", "done"});
  EXPECT_TRUE(b.link.writes().empty());  // neither the refused start nor a capture sends anything
  EXPECT_EQ(test::TempDir::read(b.dir.file("log2.txt")), "before\na\nb\n");
  EXPECT_TRUE(b.report.contains("upload log2.txt -> " + b.dir.file("log2.txt") + ": 2 lines"));
  EXPECT_EQ(b.jobs.running_job(), "Configuration download");
  other->release();
  EXPECT_TRUE(b.upload.start(b.request()));
  EXPECT_TRUE(b.upload.start(b.request()));  // replaces the running one
  EXPECT_EQ(b.jobs.running_job(), "Upload data from board");
}

TEST(DataUpload, FastSwitchGoesUpForTheListingAndBackAtTheNextOk) {
  Bench b;
  UploadRequest r = b.request();
  r.fast = true;
  ASSERT_TRUE(b.upload.start(r));
  EXPECT_EQ(b.link.writes(), (Writes{"bi=115200\n", "up vexalog.adc\n"}));
  EXPECT_EQ(b.link.speed_changes, (std::vector<FakeUploadLink::SpeedChange>{{115200, false}}));
  b.lines({">x", "end of vexalog.adc, 1 lines"});
  EXPECT_EQ(b.upload.saved_speed(), 9600);  // the closing line ends the upload only
  b.lines({"Ok", "okay"});
  EXPECT_EQ(b.link.writes().back(), "bi=9600\n");
  EXPECT_EQ(b.link.speed_changes.back(), (FakeUploadLink::SpeedChange{9600, true}));
  b.lines({"ok"});
  EXPECT_EQ(b.link.writes().size(), 3u);  // once only: the saved speed is forgotten
  // No switch over TCP, nor when the line is already fast.
  for (bool tcp : {true, false}) {
    Bench other;
    other.link.tcp = tcp;
    other.link.current_speed = tcp ? 9600 : 115200;
    ASSERT_TRUE(other.upload.start(r));
    EXPECT_EQ(other.link.writes(), Writes{"up vexalog.adc\n"}) << tcp;
    EXPECT_TRUE(other.link.speed_changes.empty());
  }
}

TEST(DataUpload, StopSendsOneBlankWhenSomethingCameAndASecondSilentStopEndsTheUpload) {
  Bench b;
  b.upload.stop_upload();
  EXPECT_TRUE(b.link.writes().empty());
  b.lines({">a line outside an upload"});
  b.upload.stop_upload();
  EXPECT_EQ(b.link.writes(), Writes{" "});
  b.lines({"ok"});
  b.upload.stop_upload();
  EXPECT_EQ(b.link.writes().size(), 1u);
  b.link.forget_writes();
  ASSERT_TRUE(b.upload.start(b.request(true)));
  b.lines({">a"});
  b.upload.stop_upload();
  b.lines({">b"});  // the board was still sending: the next Stop asks again
  b.upload.stop_upload();
  EXPECT_TRUE(b.upload.running());
  EXPECT_EQ(b.link.writes(), (Writes{"up vexalog.adc\n", " ", " "}));
  b.upload.stop_upload();  // nothing came since: the upload ends here, with what it got
  EXPECT_FALSE(b.upload.running());
  EXPECT_EQ(b.link.writes().size(), 3u);
  EXPECT_TRUE(b.reported_end(2));
  EXPECT_EQ(b.host(), "a\nb\n");
}

TEST(DataUpload, LostLinkEndsTheUploadAndTheCutLineIsRepaired) {
  Bench b;
  ASSERT_TRUE(b.upload.start(b.request(true)));
  b.lines({">2024:03:01 00:00:00 1", ">2024:03:01 00:00:01 2"});
  EXPECT_FALSE(b.upload.check_link());
  b.link.open = false;
  EXPECT_TRUE(b.upload.check_link());
  EXPECT_FALSE(b.upload.running());
  EXPECT_FALSE(b.upload.check_link());
  b.link.open = true;
  ASSERT_TRUE(b.upload.start(b.request(false, b.upload.resume_point().stamp)));
  EXPECT_EQ(b.link.writes().back(), "up vexalog.adc 2024:03:01 00:00:01 \n");
  // The half line received before the loss and the first line of the new listing meet.
  b.lines({">2024:03:01 00:0>2024:03:01 00:00:02 3", ">2024:03:01 00:00:03 4", "ok"});
  EXPECT_EQ(b.host(), "2024:03:01 00:00:00 1\n2024:03:01 00:00:01 2\n2024:03:01 00:00:02 3\n2024:03:01 00:00:03 4\n");
  EXPECT_EQ(drop_cut_line_start(">a>b"), ">a>b");
  EXPECT_EQ(drop_cut_line_start(">ab>abc"), ">abc");
  EXPECT_EQ(drop_cut_line_start("x>x"), "x>x");
}

TEST(DataUpload, FoldersAreMadeLongLinesAreKeptWholeAndAFullDiskIsReportedOnce) {
  Bench b;
  UploadRequest r = b.request();
  // Folders along the path are made; a very long line is stored whole (the ring's cut is DisplayRing's).
  r.host_path = b.dir.file("a/b\\c/host.adc");
  ASSERT_TRUE(b.upload.start(r));
  const std::string data(100000, 'x');
  b.upload.on_line(">" + data);
  b.lines({"ok"});
  EXPECT_EQ(test::TempDir::read(r.host_path), data + "\n");
  if (!test::TempDir::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  r.host_path = "/dev/full";
  ASSERT_TRUE(b.upload.start(r));
  b.lines({">a", ">b", "ok"});
  EXPECT_EQ(std::count(b.report.lines.begin(), b.report.lines.end(), "Error writing /dev/full"), 1);
  EXPECT_TRUE(b.report.contains("upload vexalog.adc -> /dev/full: 0 lines"));
}

TEST(HostFileScan, OnlyTheTailOfALargeFileIsRead) {
  test::TempDir dir;
  EXPECT_EQ(scan_host_file(dir.file("missing")), ResumePoint{});
  // A 1 GB file (sparse): only its tail is read.
  const std::string big = dir.file("big.adc");
  std::ofstream(big, std::ios::binary) << "2000:01:01 00:00:00 early\n";
  ASSERT_EQ(::truncate(big.c_str(), 1000000000), 0);
  std::ofstream(big, std::ios::binary | std::ios::app) << "\n2024:03:01 12:00:00\t1\n018: 5\n";
  EXPECT_EQ(scan_host_file(big), (ResumePoint{"2024:03:01 12:00:00\t", "018: "}));
  // A stamp beyond the 100000-byte tail is not seen.
  EXPECT_EQ(scan_host_file(dir.write("old.adc", "2024:03:01 12:00:00 x\n" + std::string(100000, 'y'))), ResumePoint{});
}

TEST(LinePrefix, StampsInFourFormsAndNumbers) {
  EXPECT_EQ(time_stamp_length("2024:03:01 12:00:00 1,5"), 20u);
  EXPECT_EQ(time_stamp_length("2024:03:01\t12:00:00\t1"), 20u);  // a tab counts as a blank
  EXPECT_EQ(time_stamp_length("2024:03:01 12:00:00:123 x"), 24u);
  EXPECT_EQ(time_stamp_length("01/03/2024 12:00:00:999 "), 24u);
  EXPECT_EQ(time_stamp_length("2024:03:01 12:00:00"), 0u);   // the blank after it belongs to it
  EXPECT_EQ(time_stamp_length("2024-03-01 12:00:00 "), 0u);
  EXPECT_EQ(number_prefix_length("017: 5.2"), 5u);
  EXPECT_EQ(number_prefix_length("017:5.2"), 0u);
  EXPECT_EQ(number_prefix_length("17: 5"), 0u);
  EXPECT_EQ(number_prefix_length("2024:03:01 12:00:00 "), 0u);  // a stamp first
}

TEST(DisplayRing, ValuesOfALineAndTheLastThousandLines) {
  DisplayRing ring;
  ring.add_line("2024:03:01 12:00:00 1,5\t2,25");
  ASSERT_EQ(ring.newest_first().size(), 1u);
  // Its values are drawn by the DataPane test below.
  EXPECT_EQ(ring.newest_first()[0].text, "2024:03:01 12:00:00 1,5 2,25");
  EXPECT_EQ(line_values("2024:03:01 12:00:00 1,5\t2,25"), (std::vector<float>{1.5f, 2.25f}));
  EXPECT_EQ(ring.take_redraw(), 1);
  EXPECT_EQ(ring.take_redraw(), 0);
  EXPECT_EQ(line_values("017: -3\tx\t+4e1\t 7"), (std::vector<float>{-3, 0, 40, 7}));
  EXPECT_TRUE(line_values("no prefix 1\t2").empty());
  EXPECT_EQ(line_values("017: nan\tinf\t1e300\t-1e39\t3e38"), (std::vector<float>{0, 0, 0, 0, 3e38f}));
  EXPECT_EQ(line_values("017: 1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12").size(), kRingValues);

  for (int i = 0; i < 1234; ++i) ring.add_line(std::to_string(i) + std::string(300, '\t'));
  const auto entries = ring.newest_first();
  ASSERT_EQ(entries.size(), kRingEntries);
  EXPECT_EQ(entries.front().text.substr(0, 5), "1233 ");
  EXPECT_EQ(entries.back().text.substr(0, 4), "234 ");
  EXPECT_EQ(entries.front().text.size(), kRingTextChars);
}

// The texts a painter drew, with their place.
struct DrawnText {
  int x, y;
  std::string text;
};
std::vector<DrawnText> drawn_texts(const RecordingPainter& p) {
  std::vector<DrawnText> texts;
  for (const std::string& call : p.calls()) {
    int x = 0, y = 0, at = 0;
    if (std::sscanf(call.c_str(), "text %d,%d %*6s %n", &x, &y, &at) == 2 && at > 0)
      texts.push_back({x, y, call.substr(static_cast<std::size_t>(at))});
  }
  return texts;
}

// The y of the newest value's dash (2 wide, ending at the right edge less 2) in a colour.
int newest_y(const RecordingPainter& p, int width, const std::string& colour) {
  for (const std::string& call : p.calls()) {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    char c[8] = {};
    if (std::sscanf(call.c_str(), "line %d,%d %d,%d %6s", &x1, &y1, &x2, &y2, c) == 5 && x1 == width - 4 &&
        x2 == width - 2 && c == colour)
      return y1;
  }
  ADD_FAILURE() << "no newest dash in " << colour;
  return 0;
}

TEST(DataPane, TextViewFromTheBottomUpAndAGraphWithALegendPerColumnAndOneRisingScaleInsideThePane) {
  DisplayRing ring;
  for (int i = 0; i < 30; ++i) ring.add_line("line " + std::to_string(i));
  RecordingPainter p;
  paint_text_view(p, ring.newest_first(), 400, 100);
  // y = 81, 65, 49, 33, 17, 1: six rows fit above 0.
  ASSERT_EQ(p.calls().size(), 6u);
  EXPECT_EQ(p.calls()[0], "text 2,81 000000 line 29");
  EXPECT_EQ(p.calls()[5], "text 2,1 000000 line 24");

  // Two columns of very different ranges share one scale.
  const Messages m("VexaLog", 'e');
  const GraphTexts words{m.message("VtGraphTime"), m.message("VtGraphValue"), m.message("VtGraphSeries")};
  ring.clear();
  for (int i = 0; i < 100; ++i)
    ring.add_line(format_text("2024:03:01 %02d:%02d:00 %d\t%d,5", 12 + i / 60, i % 60, i, 100 - i));
  p.reset();
  paint_graphic_view(p, ring.newest_first(), 400, 200, words);
  std::vector<std::string> words_drawn;
  std::vector<std::pair<int, double>> y_labels;  // y, number
  for (const DrawnText& t : drawn_texts(p)) {
    words_drawn.push_back(t.text);
    char* end = nullptr;
    const double v = std::strtod(t.text.c_str(), &end);
    if (end && *end == '\0' && end != t.text.c_str()) y_labels.push_back({t.y, v});
  }
  for (const char* word : {"Value 1", "Value 2", "value", "time"})
    EXPECT_NE(std::find(words_drawn.begin(), words_drawn.end(), word), words_drawn.end()) << word;
  EXPECT_EQ(std::find(words_drawn.begin(), words_drawn.end(), "Value 3"), words_drawn.end());
  ASSERT_GE(y_labels.size(), 3u);
  std::sort(y_labels.begin(), y_labels.end());
  for (std::size_t i = 1; i < y_labels.size(); ++i) EXPECT_GT(y_labels[i - 1].second, y_labels[i].second);
  // The newest of column 1 (99) lies above that of column 2 (1.5), below the top label.
  EXPECT_LT(newest_y(p, 400, "0000ff"), newest_y(p, 400, "00ff00"));
  EXPECT_GT(newest_y(p, 400, "0000ff"), y_labels.front().first);

  // The widest values a line can carry stay inside the pane.
  DisplayRing extremes;
  extremes.add_line("017: -3e38\t5");
  extremes.add_line("018: 3e38\t5");
  p.reset();
  paint_graphic_view(p, extremes.newest_first(), 300, 150, words);
  for (const DrawnText& t : drawn_texts(p)) {
    EXPECT_GE(t.x, 0) << t.text;
    EXPECT_LE(t.x + p.text_width(t.text), 300) << t.text;
    EXPECT_LT(t.y, 150) << t.text;
  }
}

using namespace upload_id;

struct TabBench : Bench {
  // host_text: a data file found in the start directory.
  explicit TabBench(const std::string& host_text = "")
      : written(host_text.empty() ? "" : dir.write("vexalog.adc", host_text)),
        tab(upload, messages, settings, report, {.start_directory = dir.path(), .program_directory = dir.path() + "/bin"},
            &chooser) {}
  void press(int id) { tab.command({id, kNotifyClicked, 0}); }

  std::string written;
  Settings settings;
  GivenPathChooser chooser{dir.path() + "/data/chosen.txt"};
  UploadTab tab;
};

TEST(UploadTab, StartsWithTheDataFileAndItsResumeStamp) {
  TabBench b("2024:03:01 12:00:00 1\n");
  const Form& f = b.tab.form();
  EXPECT_TRUE(f.checked(kAppend));
  b.press(kStart);  // the target, the stamp and the fast switch (the setting's default) on the wire
  EXPECT_EQ(b.link.writes(), (std::vector<std::string>{"bi=115200\n", "up vexalog.adc 2024:03:01 12:00:00 \n"}));
}

TEST(UploadTab, EditedNamesAndChoicesGoIntoTheStart) {
  TabBench b;
  Form& f = b.tab.form();
  f.set_text(kHostName, "sub/out.txt");
  f.set_text(kTarget, "log7.adc");
  f.set_text(kStamp, "2024:03:01 12:00:00 ");
  b.press(kClearStamp);
  b.press(kCreate);
  EXPECT_TRUE(f.checked(kCreate));
  b.press(kBinary);
  b.press(kFast);
  EXPECT_EQ(b.settings.get_setting("Upload115200", "?"), "0");
  b.press(kStart);
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
}

TEST(UploadTab, ACaptureAndThenTheChosenFileFillTheNamesAndTheStamp) {
  TabBench b;
  Form& f = b.tab.form();
  b.press(kCreate);
  b.upload.on_line("up log2.txt");
  b.upload.on_line(">2024:03:01 12:00:07 1,5\t2,25");
  b.tab.tick_100ms();
  EXPECT_EQ(f.text(kTarget), "log2.txt");
  EXPECT_EQ(b.tab.host_path(), b.dir.path() + "/log2.txt");
  EXPECT_EQ(f.text(kStamp), "2024:03:01 12:00:07 ");
  EXPECT_TRUE(f.checked(kAppend));
  EXPECT_EQ(f.text(kLineCount), "1");
  b.upload.on_line("ok");

  ::mkdir(b.dir.file("data").c_str(), 0755);
  b.dir.write("data/chosen.txt", "2023:01:01 00:00:00 x\n017: y\n");
  b.press(kChange);
  EXPECT_EQ(f.text(kHostName), "chosen.txt");
  EXPECT_EQ(f.text(kTarget), "chosen.txt");
  EXPECT_EQ(f.text(kDirectory), b.dir.path() + "/data/");
  EXPECT_EQ(f.text(kStamp), "2023:01:01 00:00:00 ");
  EXPECT_EQ(b.upload.resume_point().number_prefix, "017: ");
}

// The pane's drawing itself is the DataPane tests above; here, which view paints and when.
TEST(UploadTab, ThePaneFollowsTheSizeAndTheChosenViewPaintsItWhenTheTimerSaysSo) {
  TabBench b;
  b.tab.layout(600, 400);
  EXPECT_EQ(b.tab.form().at(kPane).rect, (Rect{0, 166, 600, 204}));
  b.upload.on_line(">017: 1\xb0" "C\t2");  // the board writes Windows-1252
  RecordingPainter p;
  b.tab.paint_pane(p, 100, 50);
  EXPECT_EQ(p.calls(), (std::vector<std::string>{"text 2,31 000000 017: 1\xc2\xb0" "C 2"}));
  b.press(kGraphicView);
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
  TabBench b;
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
  test::eventually([&] { return !test::TempDir::read(args).empty(); });
  EXPECT_EQ(test::TempDir::read(args), b.dir.path() + "/my 'data' $x.adc|");
  EXPECT_EQ(b.report.lines.size(), 1u);
  b.tab.tick_100ms();  // collects the ended viewer
}

}  // namespace
}  // namespace vexa
