// The upload's state machine over a recording link: the command and its resume stamp, file
// modes, text and binary lines, the first-line skip, captures, the speed switch, the closing
// line, Stop, a lost link, and files it cannot write. The events the tab takes over are checked
// through the tab in upload_tab_test; the whole path over a real link to the simulated board,
// with a board that vanishes and a resume, is faults/fault_jobs.cpp.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "base/board_jobs.h"
#include "config/fake_board.h"
#include "support/temp_dir.h"
#include "upload/data_upload.h"
#include "upload/fake_upload_link.h"

namespace vexa {
namespace {

using Writes = std::vector<std::string>;

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
  test::FakeUploadLink link;
  BoardJobs jobs;
  DataUpload upload;
};

TEST(DataUpload, ResumesFromTheStampWithItsBlankAndAppends) {
  Bench b;
  b.dir.write("host.adc", "2024:03:01 11:59:59 1\n2024:03:01 12:00:00 2\n");
  const ResumePoint point = scan_host_file(b.dir.file("host.adc"));
  EXPECT_EQ(point.stamp, "2024:03:01 12:00:00 ");
  b.upload.set_resume_point(point);
  ASSERT_TRUE(b.upload.start(b.request(false, point.stamp)));
  EXPECT_EQ(b.link.writes(), Writes{"up vexalog.adc 2024:03:01 12:00:00 \n"});
  EXPECT_TRUE(b.link.gate);

  b.lines({">2024:03:01 12:00:01 3", ">017: 4", "end of vexalog.adc, 2 lines"});
  EXPECT_EQ(b.host(), "2024:03:01 11:59:59 1\n2024:03:01 12:00:00 2\n2024:03:01 12:00:01 3\n017: 4\n");
  EXPECT_FALSE(b.upload.running());
  EXPECT_FALSE(b.link.gate);
  EXPECT_EQ(b.jobs.running_job(), "");
  EXPECT_TRUE(b.reported_end(2));
  EXPECT_EQ(b.upload.resume_point(), (ResumePoint{"2024:03:01 12:00:01 ", "017: "}));
}

TEST(DataUpload, CreateTruncatesAndAStampThatStartsWithABlankMeansFromTheBeginning) {
  Bench b;
  b.dir.write("host.adc", "old\n");
  ASSERT_TRUE(b.upload.start(b.request(true)));
  b.lines({">new", "ok"});
  EXPECT_EQ(b.host(), "new\n");
  b.upload.set_resume_point({"x", "017: "});
  ASSERT_TRUE(b.upload.start(b.request(false, " 2024:03:01 12:00:00 ")));
  EXPECT_EQ(b.link.writes().back(), "up vexalog.adc\n");
  // The prefix went with the stamp, so the first line is stored.
  b.lines({">017: 5.2", "ok"});
  EXPECT_EQ(b.host(), "new\n017: 5.2\n");
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
  EXPECT_EQ(hex_bytes("4142434"), "ABC");
}

TEST(DataUpload, ResumedListingSkipsNumberedLinesUpToTheLastStored) {
  Bench b;
  b.dir.write("host.adc", "2024:03:01 12:00:00 a\n016: 2\n017: 5.2\n");
  b.upload.set_resume_point(scan_host_file(b.dir.file("host.adc")));
  EXPECT_EQ(b.upload.resume_point(), (ResumePoint{"2024:03:01 12:00:00 ", "017: "}));
  ASSERT_TRUE(b.upload.start(b.request(false, "2024:03:01 12:00:00 ")));
  // The board lists again what came after the stamp: up to '017: ' it is dropped.
  b.lines({">016: 2", ">017: 5.2", ">018: 7", ">017: again", "ok"});
  EXPECT_EQ(b.host(), "2024:03:01 12:00:00 a\n016: 2\n017: 5.2\n018: 7\n017: again\n");
  EXPECT_EQ(b.upload.line_count(), 2);
  // Without a stamp the remembered prefix goes too: everything listed is stored.
  ASSERT_TRUE(b.upload.start(b.request(true)));
  b.lines({">017: 5.2", ">018: 7", "ok"});
  EXPECT_EQ(b.host(), "017: 5.2\n018: 7\n");
}

TEST(DataUpload, UpLineStartsACaptureInTheStartDirectoryWhateverJobRuns) {
  Bench b;
  auto other = b.jobs.try_begin("Configuration download");
  b.dir.write("log2.txt", "before\n");
  b.lines({">not captured", "up  log2.txt extra", ">a", ">b", "done"});
  EXPECT_TRUE(b.link.writes().empty());  // nothing is sent for a capture
  EXPECT_EQ(test::TempDir::read(b.dir.file("log2.txt")), "before\na\nb\n");
  EXPECT_TRUE(b.report.contains("upload log2.txt -> " + b.dir.file("log2.txt") + ": 2 lines"));
  EXPECT_EQ(b.jobs.running_job(), "Configuration download");
  // The line before the capture was a data line outside an upload: it went to the ring.
  EXPECT_EQ(b.upload.ring().newest_first().back().text, "not captured");
}

TEST(DataUpload, TheGateRefusesAStartWhileAnotherJobRunsAndARestartKeepsIt) {
  Bench b;
  auto other = b.jobs.try_begin("Configuration download");
  ASSERT_TRUE(other);
  EXPECT_FALSE(b.upload.start(b.request()));
  EXPECT_TRUE(b.link.writes().empty());
  EXPECT_FALSE(test::TempDir::exists(b.dir.file("host.adc")));
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
  EXPECT_EQ(b.link.speed_changes, (std::vector<test::FakeUploadLink::SpeedChange>{{115200, false}}));
  EXPECT_EQ(b.upload.saved_speed(), 9600);
  b.lines({">x", "end of vexalog.adc, 1 lines"});
  EXPECT_EQ(b.upload.saved_speed(), 9600);  // the closing line ends the upload only
  b.lines({"Ok", "okay"});
  EXPECT_EQ(b.link.writes().back(), "bi=9600\n");
  EXPECT_EQ(b.link.speed_changes.back(), (test::FakeUploadLink::SpeedChange{9600, true}));
  EXPECT_EQ(b.upload.saved_speed(), 0);
  b.lines({"ok"});
  EXPECT_EQ(b.link.writes().size(), 3u);  // once only
  // No switch over TCP, nor when the line is already fast.
  for (bool tcp : {true, false}) {
    Bench other;
    other.link.tcp = tcp;
    other.link.current_speed = tcp ? 9600 : 115200;
    ASSERT_TRUE(other.upload.start(r));
    EXPECT_EQ(other.link.writes(), Writes{"up vexalog.adc\n"}) << tcp;
    EXPECT_TRUE(other.link.speed_changes.empty());
    EXPECT_EQ(other.upload.saved_speed(), 0);
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
  EXPECT_EQ(b.jobs.running_job(), "");
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

TEST(DataUpload, HostFilesThatCannotBeWrittenAndLinesTooLongForTheRing) {
  Bench b;
  const std::string blocked = b.dir.write("plain", "a file, not a folder");
  UploadRequest r = b.request();
  r.host_path = blocked + "/sub/host.adc";
  EXPECT_FALSE(b.upload.start(r));
  EXPECT_TRUE(b.link.writes().empty());
  EXPECT_TRUE(b.report.contains("Error open " + r.host_path));
  EXPECT_FALSE(b.link.gate);
  // Folders along the path are made; a very long line is stored whole and shown cut.
  r.host_path = b.dir.file("a/b\\c/host.adc");
  ASSERT_TRUE(b.upload.start(r));
  const std::string data(100000, 'x');
  b.upload.on_line(">" + data);
  b.lines({"ok"});
  EXPECT_EQ(test::TempDir::read(r.host_path), data + "\n");
  EXPECT_EQ(b.upload.ring().newest_first()[0].text.size(), kRingTextChars);
  // A full disk is reported once and no line counts as stored.
  if (!test::TempDir::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  r.host_path = "/dev/full";
  ASSERT_TRUE(b.upload.start(r));
  b.lines({">a", ">b", "ok"});
  EXPECT_EQ(std::count(b.report.lines.begin(), b.report.lines.end(), "Error writing /dev/full"), 1);
  EXPECT_TRUE(b.report.contains("upload vexalog.adc -> /dev/full: 0 lines"));
}

TEST(HostFileScan, TailOfLargeAndBinaryFiles) {
  test::TempDir dir;
  EXPECT_EQ(scan_host_file(dir.file("missing")), ResumePoint{});
  // A 1 GB file (sparse): only its tail is read.
  const std::string big = dir.file("big.adc");
  std::ofstream(big, std::ios::binary) << "2000:01:01 00:00:00 early\n";
  ASSERT_EQ(::truncate(big.c_str(), 1000000000), 0);
  std::ofstream(big, std::ios::binary | std::ios::app) << "\n2024:03:01 12:00:00\t1\n018: 5\n";
  EXPECT_EQ(scan_host_file(big), (ResumePoint{"2024:03:01 12:00:00\t", "018: "}));
  // A binary file: no stamp, nothing breaks.
  std::string bytes;
  for (int i = 0; i < 300000; ++i) bytes.push_back(static_cast<char>(i * 7));
  EXPECT_EQ(scan_host_file(dir.write("binary.bin", bytes)).stamp, "");
  // A stamp beyond the 100000-byte tail is not seen.
  EXPECT_EQ(scan_host_file(dir.write("old.adc", "2024:03:01 12:00:00 x\n" + std::string(100000, 'y'))), ResumePoint{});
}

}  // namespace
}  // namespace vexa
