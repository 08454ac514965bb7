// Every board job against every fault the simulated board can play, over a pseudo-terminal and
// the real link session (faults/fault_rig.h): the job ends within its own time-outs with its own
// message, leaves the link as it found it, keeps what the protocol can keep, and the same job run
// next on the same session (the board behaving again) does its whole work. Loading the
// configuration awaits nothing, so no fault gives it a message: it is config/exchange_lines_test's,
// and over this link the configuration download's preparation and the half-line run's; the
// factory test's faults are cli/factory_cli_test's.
#include "faults/fault_rig.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ostream>
#include <regex>
#include <vector>

#include "config/parse_assignments.h"
#include "sim/logged_file.h"
#include "support/firmware_images.h"

namespace vexa::test {
namespace {

constexpr std::size_t kLogLines = 300;

int progress(FaultRig& rig) { return std::atoi(rig.status.last_progress().c_str()); }

// The board's configuration against the host's table: every key the host knows must hold the
// board's value.
std::string configuration_differs(FaultRig& rig) {
  std::vector<std::string> lines;
  rig.server.with_board([&](sim::SimulatedBoard& board) { lines = board.configuration().report_lines(); });
  std::string wrong;
  for (const std::string& line : lines) {
    for (const Assignment& a : split_assignments(line)) {
      if (a.field != AssignmentField::value || !rig.configuration.find_parameter(a.key)) continue;
      const std::string host = rig.configuration.parameter_value(a.key).value_or("");
      if (host != a.text) wrong += a.key + "=" + host + " (board " + a.text + ") ";
    }
  }
  return wrong;
}

std::string flashed(FaultRig& rig, std::size_t n) {
  std::string image;
  for (int i = 0; i < 200 && (image = TempDir::read(rig.flash)).size() < n; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return image.substr(0, n);
}

bool reported_containing(FaultRig& rig, const std::string& part) {
  for (const std::string& line : rig.report.lines())
    if (line.find(part) != std::string::npos) return true;
  return false;
}

// --- the jobs ---

JobDriver conf_download() {
  JobDriver d{.job = Job::conf_download, .name = "ConfDownload", .board = {'E', 1200}};
  d.prepare = [](FaultRig& rig) {
    rig.exchange.request_configuration();
    EXPECT_TRUE(rig.pump([&] { return configuration_differs(rig).empty(); }, 5000)) << rig.transcript();
    rig.configuration.set_parameter("sf", "1");
    rig.configuration.set_parameter("rx", "0");
  };
  d.start = [](FaultRig& rig, bool) { return rig.downloads.start_configuration_download(); };
  d.midway = [](FaultRig& rig) { return rig.server.replies_sent() >= rig.run.replies_at_start + 2; };
  // kept_wrong: lines acknowledged stay on the board; the host's table is only read.
  d.complete_wrong = [](FaultRig& rig) { return configuration_differs(rig); };
  d.guard_ms = 20000;
  return d;
}

JobDriver firmware() {
  JobDriver d{.job = Job::firmware, .name = "Firmware", .board = {'E', 9600, 2}};
  d.prepare = [](FaultRig& rig) { rig.run.data = image_with_identity(31744, 0x2345, 9); };
  d.start = [](FaultRig& rig, bool) {
    rig.downloads.selection().choose(rig.dir.write("e.hex", to_hex(rig.run.data)), "e.hex");
    return rig.downloads.start_firmware_download();
  };
  d.midway = [](FaultRig& rig) { return progress(rig) >= 4096; };
  // However it ended, the user sees how much went out.
  d.kept_wrong = [](FaultRig& rig) -> std::string {
    const std::regex end(R"(Firmware download e\.hex: failed, \d+ of 248 pages written\.)");
    const std::vector<std::string> lines = rig.report.lines();
    if (std::none_of(lines.begin(), lines.end(), [&](const std::string& l) { return std::regex_match(l, end); }))
      return "no end line";
    if (rig.reported("Error: Board not in download mode")) return "";  // nothing was sent
    return reported_containing(rig, "pages written") ? "" : "no summary line";
  };
  d.complete_wrong = [](FaultRig& rig) -> std::string {
    if (!rig.reported("31744(0x7c00) bytes, 248 pages written")) return "no summary of the whole image";
    if (!rig.reported("Firmware download e.hex: done, 248 of 248 pages written.")) return "no end line";
    if (rig.identity.line() != "VexaLog E download") return "the banner did not name the board";
    return flashed(rig, 31744) == rig.run.data ? "" : "the flash differs from the image";
  };
  return d;
}

JobDriver samba() {
  JobDriver d{.job = Job::samba, .name = "SamBa", .board = {.type = 'S', .monitor_speed = 115200}};
  d.prepare = [](FaultRig& rig) { rig.run.data = image_with_identity(40 * 256 + 256, 0, 11); };
  d.start = [](FaultRig& rig, bool) {
    // A ".binb" file goes to the chip's boot monitor, with the board's wake-up pauses.
    rig.downloads.selection().choose(rig.dir.write("s.binb", rig.run.data), "s.binb");
    return rig.downloads.start_firmware_download();
  };
  d.midway = [](FaultRig& rig) { return progress(rig) >= 2048; };
  d.complete_wrong = [](FaultRig& rig) -> std::string {
    if (!rig.reported("10496(0x2900) bytes, 41 pages written")) return "no summary of the whole image";
    if (rig.session.port().speed() != 115200) return "the link left the monitor's 115200";
    std::string flash;
    rig.pump([&] {
      rig.server.with_samba([&](sim::SambaSession& s) {
        if (s.monitor() && !s.active())
          flash.assign(s.monitor()->chip().flash().begin(), s.monitor()->chip().flash().begin() + 10496);
      });
      return !flash.empty();
    }, 5000);
    return flash == rig.run.data ? "" : "the flash differs from the image";
  };
  return d;
}

JobDriver card() {
  JobDriver d{.job = Job::card, .name = "Card", .board = {'E', 115200}};
  d.prepare = [](FaultRig& rig) { rig.run.data = image_with_identity(6000, 0, 13); };
  d.start = [](FaultRig& rig, bool) {
    rig.downloads.set_card_choice({rig.dir.write("host.bin", rig.run.data), "host.bin", "CARD.DAT"});
    return rig.downloads.start_card_transfer();
  };
  d.midway = [](FaultRig& rig) { return progress(rig) >= 1024; };
  // kept_wrong: a cut transfer ends without "fd !", so the card keeps no file.
  d.complete_wrong = [](FaultRig& rig) -> std::string {
    if (TempDir::read(rig.card + "/CARD.DAT") != rig.run.data) return "the card's file differs";
    bool closed = false;
    rig.server.with_board([&](sim::SimulatedBoard& b) { closed = b.download_side().card().closed_well(); });
    return closed ? "" : "the card's file was not closed";
  };
  return d;
}

JobDriver upload() {
  JobDriver d{.job = Job::upload, .name = "Upload", .board = {.type = 'S', .log_lines = kLogLines}};
  d.start = [](FaultRig& rig, bool again) {
    UploadRequest request;
    request.host_path = rig.dir.file("host.adc");
    request.target = "vexalog.adc";
    request.fast = true;  // the listing at 115200, and the speed back after it
    request.create = !again || rig.run.resume_stamp.empty();
    if (!request.create) request.resume_stamp = rig.run.resume_stamp;
    return rig.upload.start(request);
  };
  // With the fast switch the upload ends when the board's "ok" after the closing line has
  // brought the old speed back (or the port went).
  d.ended = [](FaultRig& rig) {
    return !rig.upload.running() && !rig.jobs.busy() &&
           (!rig.session.port().link_is_open() ||
            (rig.upload.saved_speed() == 0 && rig.session.port().speed() == rig.board_setup.speed));
  };
  d.midway = [](FaultRig& rig) { return rig.upload.line_count() >= 30; };
  // Every line stored so far is the board's, once and in order; the resume point follows it.
  d.kept_wrong = [](FaultRig& rig) -> std::string {
    const std::string host = TempDir::read(rig.dir.file("host.adc"));
    const std::string all = sim::logged_text(sim::LogKind::stamped, kLogLines);
    if (all.compare(0, host.size(), host) != 0) return "the host file is not the start of the board's log";
    if (host.size() < all.size()) rig.run.resume_stamp = rig.upload.resume_point().stamp;
    return {};
  };
  d.complete_wrong = [](FaultRig& rig) -> std::string {
    if (TempDir::read(rig.dir.file("host.adc")) != sim::logged_text(sim::LogKind::stamped, kLogLines))
      return "the host file is not the board's log, every line once";
    return {};
  };
  return d;
}

}  // namespace

const JobDriver& job_driver(Job job) {
  static const std::array<JobDriver, 5> drivers{conf_download(), firmware(), samba(), card(), upload()};
  return drivers[static_cast<std::size_t>(job)];
}


namespace {

enum class Fault { drop, noise, delay, pace, vanish };

const char* fault_name(Fault fault) {
  static const char* const names[] = {"DroppedReplies", "NoiseLines", "RepliesTooLate", "RealSpeed", "VanishesAndComesBack"};
  return names[static_cast<int>(fault)];
}

// How the faulted run ends: it does all its work, or it ends early.
enum class End { completes, stops };

// A line the faulted run ends with: the whole line, or its start.
struct EndLine {
  const char* text;
  bool start_only;
};

struct FaultCase {
  Job job;
  Fault fault;
  int value;    // drop: every N-th reply; delay: ms before each reply; vanish: ms away
  bool paced;   // vanish: the board at its real speed, so the cut lands in the middle
  bool reset;   // the board is left in its loader: the user's reset before the next run
  End end;
  std::vector<EndLine> lines;  // one of them must be reported (none: no message is due)
  const char* why;             // what the case shows, for the report
};

const EndLine kNoReplyOk{"Error no reply (1/258)", false};  // the link's wait timed out
const EndLine kNoPageHeaderReply{"Error no reply (2/-1)", false};
const EndLine kNoPageDataReply{"Error no reply (3/-1)", false};
const EndLine kNotInDownloadMode{"Error: Board not in download mode", false};
// Then the file and its line count.
const EndLine kUploadLost{"The link went away; the host file keeps every complete line:", true};
const EndLine kXmodemUnanswered{"unexpected response 0x", true};
const EndLine kWriteFailed{"Error write", false};
// A board that goes between two commands: the port's own report of the failed write (with the
// port's name and the reason), or of the port already closed.
const EndLine kPortWriteFailed{"Error write", true};
const EndLine kPortNotOpen{"Error Port is not open", false};

// The board's time-outs: configuration download 3000 ms a line; page loader 500 ms for the
// banner, 2000 ms a page; memory card 3000 ms for opening the file (a chunk's 1000 ms, with a
// penalty of 100, would take minutes). Delays go past them.
const std::vector<FaultCase>& fault_cases() {
  static const std::vector<FaultCase> cases{
      // Download to board: one "Ok" per line within 3000 ms.
      {Job::conf_download, Fault::drop, 3, false, false, End::stops, {kNoReplyOk}, "the first line without Ok ends it"},
      {Job::conf_download, Fault::noise, 0, false, false, End::completes, {}, "junk after an Ok is not the next line's answer"},
      {Job::conf_download, Fault::delay, 3300, false, false, End::stops, {kNoReplyOk}, "an Ok after 3000 ms is too late"},
      {Job::conf_download, Fault::pace, 0, false, false, End::completes, {}, "1200 baud"},
      {Job::conf_download, Fault::vanish, 300, true, false, End::stops, {kNoReplyOk, kPortWriteFailed, kPortNotOpen}, "no Ok from a board that is gone, or no line to it"},
      // Firmware download through the board's page loader ("Download E" at 115200). A run cut
      // short leaves the loader waiting for its page: the board is reset before the next run.
      {Job::firmware, Fault::drop, 40, false, true, End::stops, {kNoPageHeaderReply}, "a page's answer lost; summary of what went out"},
      {Job::firmware, Fault::noise, 0, false, false, End::completes, {}, "junk lines come only from the firmware, before the loader"},
      {Job::firmware, Fault::delay, 2300, false, true, End::stops, {kNotInDownloadMode}, "the banner after its 500 ms: nothing sent"},
      {Job::firmware, Fault::pace, 0, false, false, End::completes, {}, "115200 baud, 31744 bytes"},
      {Job::firmware, Fault::vanish, 300, true, false, End::stops, {kNoPageHeaderReply, kNoPageDataReply, kPortWriteFailed}, "the pages stop in the middle; summary"},
      // SAM-BA: the chip's boot monitor answers in its own byte protocol; the simulator's reply
      // faults (drop, noise, delay) are the firmware's text lines, which this download never
      // waits for ("dl" gets no answer on an S board), so only the speed and a cut apply.
      {Job::samba, Fault::pace, 0, false, false, End::completes, {}, "the monitor at 115200 baud, the firmware at 9600"},
      {Job::samba, Fault::vanish, 300, true, false, End::stops, {kNotInDownloadMode, kXmodemUnanswered}, "no prompt or no ACK from a board that is gone"},
      // Memory card: chunks acknowledged with "ok", three sends each. The chunk lines carry no
      // number, so a chunk whose "ok" was lost is written twice: the board's totals check
      // refuses the file at the end (its "Error totals" is the answer to "fd !").
      {Job::card, Fault::drop, 100, false, false, End::stops, {{"Download: 2 retries", false}}, "a lost ok: the chunk sent again, the board refuses the totals"},
      {Job::card, Fault::noise, 0, false, false, End::completes, {}, "junk between the answers"},
      {Job::card, Fault::delay, 3300, false, false, End::stops, {kNoReplyOk}, "no Ok to the card file's opening within 3000 ms"},
      {Job::card, Fault::pace, 0, false, false, End::completes, {}, "115200 baud"},
      {Job::card, Fault::vanish, 300, true, false, End::stops, {kWriteFailed, kNoReplyOk}, "chunks stop in the middle at the first write"},
      // Data upload: the listing is no reply, so dropped and delayed replies touch only the
      // speed switch's answer; the upload has no time-out. A cut ends it and the resume
      // completes the file.
      {Job::upload, Fault::drop, 1, false, false, End::completes, {}, "the lost answers (the speed switch's CR) are not waited for"},
      {Job::upload, Fault::delay, 1500, false, false, End::completes, {}, "no time-out: a late listing is taken whole"},
      {Job::upload, Fault::pace, 0, false, false, End::completes, {}, "the listing at 115200 baud"},
      {Job::upload, Fault::vanish, 300, true, false, End::stops, {kUploadLost}, "the resume adds the rest, every line once"},
  };
  return cases;
}

void PrintTo(const FaultCase& c, std::ostream* out) { *out << fault_name(c.fault) << ": " << c.why; }

sim::FaultOptions faults_of(const FaultCase& c) {
  sim::FaultOptions faults;
  faults.noise_seed = 7;
  switch (c.fault) {
    case Fault::drop: faults.drop_every = c.value; break;
    case Fault::noise: faults.noise = true; break;
    case Fault::delay: faults.reply_delay_ms = c.value; break;
    case Fault::pace: faults.pace = true; break;
    case Fault::vanish: faults.pace = c.paced; break;
  }
  return faults;
}

// Empty when one of the case's lines was reported, else what was wanted.
std::string missing_end_line(const FaultRig& rig, const FaultCase& c) {
  std::string wanted;
  for (const EndLine& line : c.lines) {
    if (rig.reported(line.text, line.start_only)) return {};
    wanted += std::string("'") + line.text + "' ";
  }
  return wanted;
}

class FaultTable : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultTable, EndsInTimeRestoresTheLinkAndTheNextRunWorks) {
  const FaultCase& c = GetParam();
  const JobDriver& job = job_driver(c.job);
  FaultRig rig(job.board);
  job.prepare(rig);

  rig.server.set_faults(faults_of(c));
  ASSERT_TRUE(job.begin(rig, false)) << rig.transcript();
  if (c.fault == Fault::vanish) {
    ASSERT_TRUE(rig.pump([&] { return job.midway(rig) || job.ended(rig); }, job.guard_ms));
    ASSERT_FALSE(job.ended(rig)) << "ended before the board could vanish\n" << rig.transcript();
    rig.server.vanish_for(c.value);
  }
  ASSERT_TRUE(rig.pump([&] { return job.ended(rig); }, job.guard_ms)) << "the job hangs\n" << rig.transcript();
  EXPECT_EQ(missing_end_line(rig, c), "") << rig.transcript();
  if (c.end == End::completes) {
    EXPECT_EQ(job.complete_wrong(rig), "") << rig.transcript();
  } else {
    EXPECT_EQ(job.kept_wrong(rig), "") << rig.transcript();
  }

  // The board behaves again; the session goes on as it is.
  rig.server.set_faults({});
  if (c.fault == Fault::delay) {
    // The late answers land before the next run, as a user waits for a slow board.
    rig.mark_quiet();
    rig.pump([&] { return rig.quiet_for(c.value + 300); }, 4 * c.value);
  }
  if (c.reset) {
    rig.server.vanish_for(300);
    ASSERT_TRUE(rig.pump([&] { return !rig.session.port().link_is_open(); }, 5000));
  }
  if (c.fault == Fault::vanish || c.reset) {
    ASSERT_TRUE(rig.link_back(5000)) << rig.transcript();
  }
  EXPECT_EQ(rig.link_left_wrong(), "") << rig.transcript();
  const std::string first_run = rig.transcript();
  RecordProperty("faulted_run", first_run);
  rig.report.clear();
  ASSERT_TRUE(job.begin(rig, true)) << first_run << "--- next run\n" << rig.transcript();
  ASSERT_TRUE(rig.pump([&] { return job.ended(rig); }, job.guard_ms)) << "the next run hangs\n" << rig.transcript();
  EXPECT_EQ(job.complete_wrong(rig), "") << first_run << "--- next run\n" << rig.transcript();
  EXPECT_EQ(rig.link_left_wrong(), "") << rig.transcript();
  RecordProperty("next_run", rig.transcript());
}

INSTANTIATE_TEST_SUITE_P(Jobs, FaultTable, ::testing::ValuesIn(fault_cases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                           return std::string(job_driver(info.param.job).name) + "_" + fault_name(info.param.fault);
                         });

}  // namespace
}  // namespace vexa::test
