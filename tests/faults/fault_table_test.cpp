// Every board job against every fault the simulated board can play, over a pseudo-terminal and
// the real link session: the job ends within its own time-outs with its own message, leaves
// the link as it found it, keeps what the protocol can keep, and the same job run next on the
// same session (the board behaving again) does its whole work. Loading the configuration awaits
// nothing, so no fault gives it a message: it is config/exchange_lines_test's, and over this link
// the configuration download's preparation and the half-line run's; the factory test's faults are
// cli/factory_cli_test's.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "base/text_format.h"
#include "faults/fault_rig.h"

namespace vexa::test {
namespace {

enum class Fault { drop, noise, delay, pace, vanish };

const char* fault_name(Fault fault) {
  static const char* const names[] = {"DroppedReplies", "NoiseLines", "RepliesTooLate", "RealSpeed", "VanishesAndComesBack"};
  return names[static_cast<int>(fault)];
}

// How the faulted run ends: it does all its work, or it ends early.
enum class End { completes, stops };

// A line the faulted run ends with: a catalog text with its arguments, or the system's own
// text (not in the catalog); the whole line, or its start.
struct EndLine {
  const char* key;
  std::vector<int> args;
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

const EndLine kNoReplyOk{"MnoReply", {1, kWaitTimeoutCode}, nullptr, false};
const EndLine kNoPageHeaderReply{"MnoReply", {2, -1}, nullptr, false};
const EndLine kNoPageDataReply{"MnoReply", {3, -1}, nullptr, false};
const EndLine kNotInDownloadMode{"MnoDown", {}, nullptr, false};
const EndLine kUploadLost{"VtUpLost", {}, nullptr, true};  // then the file and its line count
const EndLine kXmodemUnanswered{nullptr, {}, "unexpected response 0x", true};
const EndLine kWriteFailed{"MerWrite", {}, nullptr, false};
// A board that goes between two commands: the port's own report of the failed write (with the
// port's name and the reason), or of the port already closed.
const EndLine kPortWriteFailed{"MerWrite", {}, nullptr, true};
const EndLine kPortNotOpen{"MerNoOp", {}, nullptr, false};

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
      {Job::card, Fault::drop, 100, false, false, End::stops, {{nullptr, {}, "Download: 2 retries", false}}, "a lost ok: the chunk sent again, the board refuses the totals"},
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

std::string end_text(const FaultRig& rig, const EndLine& line) {
  if (line.text) return line.text;
  const std::string text = rig.messages.message(line.key);
  if (line.args.size() == 2) return format_message(text, {line.args[0], line.args[1]});
  return text;
}

// Empty when one of the case's lines was reported, else what was wanted.
std::string missing_end_line(const FaultRig& rig, const FaultCase& c) {
  std::string wanted;
  for (const EndLine& line : c.lines) {
    if (rig.reported(end_text(rig, line), line.start_only)) return {};
    wanted += "'" + end_text(rig, line) + "' ";
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
