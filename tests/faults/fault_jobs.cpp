// Every board job over a pseudo-terminal to a simulated board served in this process, wired as
// the session wires them; the test thread plays the window thread (pump() runs its duties). The
// fault table: each job against each fault the board can play, and Stop, ends within its own
// time-outs with its own message, leaves the link as it found it, keeps what the protocol can
// keep, and its next run does its whole work. Loading the configuration awaits nothing
// (config/exchange_lines_test); the factory test's faults are cli/factory_cli_test's.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "base/board_jobs.h"
#include "base/messages.h"
#include "base/text_format.h"
#include "config/board_identity.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "config/parse_assignments.h"
#include "download/download_commands.h"
#include "download/samba_file_download.h"
#include "link/link_session.h"
#include "sim/board_server.h"
#include "sim/logged_file.h"
#include "support/firmware_images.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"
#include "upload/data_upload.h"
#include "upload/upload_link.h"

namespace vexa::test {
namespace {


struct RigBoard {
  char type = 'E';
  long speed = 9600;          // the link speed at the start (the board's "bd", on S "rs0")
  int loader_row = 1;         // the page loader "dl" enters (E, F)
  std::size_t log_lines = 0;  // a stamped "vexalog.adc" of this many lines
  long monitor_speed = 0;     // the boot monitor's speed, which a SAM-BA job leaves the link at
};

sim::BoardConfiguration rig_board_configuration(const RigBoard& setup) {
  sim::BoardConfiguration configuration(sim::BoardKind{setup.type, 1404, "VexaLog"});
  if (setup.type == 'S')
    configuration.assign("rs0", "1," + std::to_string(setup.speed) + ",vexars0.txt,4096,0");
  else
    configuration.assign("bd", std::to_string(setup.speed));
  return configuration;
}

class FaultRig {
 public:
  explicit FaultRig(const RigBoard& board)
      : board_setup(board),
        identity(configuration, *parse_identity_line(identity_line_for("VexaLog", board.type, 1404))),
        downloads({session, report, messages, status, jobs, target, &exchange, nullptr, [this] { return verbose; },
                   nullptr, &monitor},
                  "VexaLog"),
        upload(report, messages, UploadLink(session), &jobs, dir.path()),
        server(rig_board_configuration(board)) {
    std::filesystem::create_directory(card);
    sim::DownloadSideOptions options = sim::default_download_options(board.type);
    options.loader.row = board.loader_row;
    options.loader.flash_out = flash;
    options.card.folder = card;
    sim::SambaOptions samba;
    samba.flash_out = flash;
    server.set_samba_options(samba);
    server.with_board([&](sim::SimulatedBoard& simulated) {
      simulated.download_side().configure(options);
      if (board.log_lines > 0)
        simulated.uploads().add_file({"vexalog.adc", sim::LogKind::stamped, board.log_lines, 0});
      board_setup.speed = simulated.link_speed();
    });
    // The board's clock (mktime, on the server thread) and the host's (localtime_r) share the C
    // library's time zone state in this one process: its first set-up happens here, before the
    // server thread exists (the library's own lock is out of ThreadSanitizer's sight).
    (void)SystemClock::instance().local_now();
    EXPECT_EQ(server.start_pty(link), "");
    // As the session wires the firmware download's SAM-BA side.
    FirmwareHooks& hooks = downloads.hooks();
    hooks.samba_download = samba_file_download;
    hooks.samba_mode = [this] { return session.flags().samba_mode.load(); };
    hooks.set_samba_mode = [this](bool on) { session.flags().samba_mode.store(on); };
    upload_lines = session.consumers().add(line_place::upload, upload);
    loader_lines = session.consumers().add(line_place::loader, downloads.detector());
    exchange_lines = session.consumers().add(line_place::configuration, exchange);
    session.start();
    EXPECT_TRUE(session.open(link, std::to_string(board_setup.speed)));
  }
  ~FaultRig() {
    jobs.shutdown();
    session.stop();
    session.close();
    exchange_lines.reset();
    loader_lines.reset();
    upload_lines.reset();
    server.stop();
  }

  // The window thread's duties every 20 ms until done() (true) or guard_ms (a hang guard).
  bool pump(const std::function<bool()>& done, int guard_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(guard_ms);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      // As Session::probe_port: a loss ends an upload before the port may come back.
      upload.check_link();
      session.port().probe_port();
    }
    return true;
  }
  // Empty when the link is as the jobs found it (open at the start speed or the monitor's, which
  // SAM-BA keeps until the port is opened again; reading not paused, echo shown), else what is wrong.
  std::string link_left_wrong() {
    std::string wrong;
    if (!session.port().link_is_open()) wrong += "the port is closed; ";
    const long speed = session.port().speed();
    if (speed != board_setup.speed && (board_setup.monitor_speed == 0 || speed != board_setup.monitor_speed))
      wrong += format_text("the speed is %ld, not %ld; ", speed, board_setup.speed);
    if (session.receiver().pauses_held() != 0 || !session.flags().reading_enabled.load())
      wrong += "the receive thread's reading is paused; ";
    if (session.flags().echo_suppressed.load()) wrong += "echo is still suppressed; ";
    if (session.flags().samba_mode.load()) wrong += "the terminal is still in SAM-BA mode; ";
    if (jobs.busy()) wrong += "a job still holds the gate; ";
    return wrong;
  }
  // Starts watching for silence; then whether no line came for ms.
  void mark_quiet() {
    run.quiet_lines = session.receiver().lines_received();
    run.quiet_since = std::chrono::steady_clock::now();
  }
  bool quiet_for(int ms) {
    if (session.receiver().lines_received() != run.quiet_lines) mark_quiet();
    return std::chrono::steady_clock::now() - run.quiet_since >= std::chrono::milliseconds(ms);
  }
  // Whether the report holds a line equal to, or (prefix) starting with, text.
  bool reported(const std::string& text, bool prefix = false) const {
    for (const std::string& line : report.lines())
      if (line == text || (prefix && line.rfind(text, 0) == 0)) return true;
    return false;
  }
  std::string transcript() const {
    std::string all;
    for (const std::string& line : report.lines()) all += line + "\n";
    return all;
  }

  // What a job's runs share: its data and where the faulted run stopped.
  struct Run {
    std::string data;               // the image or file sent
    std::size_t replies_at_start = 0;
    std::uint64_t quiet_lines = 0;  // lines when the link last changed
    std::chrono::steady_clock::time_point quiet_since{};
    std::string resume_stamp;       // an upload's resume point after a cut
  } run;

  RigBoard board_setup;
  TempDir dir;
  const std::string link = dir.file("board");
  const std::string flash = dir.file("flash.bin");
  const std::string card = dir.file("card");
  SharedReport report;
  SharedEcho echo;
  Messages messages;
  RecordingStatus status;
  Configuration configuration{'e'};
  BoardIdentity identity;
  BoardIdentityTarget target{identity};
  LinkSession session{report, echo, messages};
  BoardJobs jobs{report, messages};
  ConfigExchange exchange{configuration, identity, session, report};
  bool verbose = false;      // the Tools menu's switch
  SharedEcho monitor;        // the terminal as the SAM-BA prompt wait echoes to it
  DownloadCommands downloads;
  DataUpload upload;
  LineRegistration upload_lines, loader_lines, exchange_lines;
  sim::BoardServer server;
};

// Each board job as the desktop runs it: how it starts and ends, when the board may vanish in the
// middle, how the next run goes on from a cut one, and what it must have kept.
enum class Job { conf_download, firmware, samba, card, upload };

struct JobDriver {
  const char* name;
  RigBoard board;
  // Runs before the faults are switched on (a configuration download needs the board's table).
  std::function<void(FaultRig&)> prepare = [](FaultRig&) {};
  // Starts the job as its command does; false when it was refused.
  std::function<bool(FaultRig&, bool again)> start;
  // Marks where the run starts (replies, progress), then starts it.
  bool begin(FaultRig& rig, bool again) const {
    rig.run.replies_at_start = rig.server.replies_sent();
    rig.status.set_progress("0");
    return start(rig, again);
  }
  // A worker job has ended when the worker is done and the gate free.
  std::function<bool(FaultRig&)> ended = [](FaultRig& rig) { return !rig.jobs.worker_running() && !rig.jobs.busy(); };
  // The job is well under way: the board vanishes now.
  std::function<bool(FaultRig&)> midway;
  // After a faulted run: what the job lost or got wrong that it should have kept (empty: nothing).
  std::function<std::string(FaultRig&)> kept_wrong = [](FaultRig&) { return std::string(); };
  // After the next run without faults: what is not complete (empty: all there).
  std::function<std::string(FaultRig&)> complete_wrong;
};



constexpr std::size_t kLogLines = 300;
// The longest a job's run may take, faults included (a hang guard, not a time limit).
constexpr int kJobGuardMs = 30000;

int progress(FaultRig& rig) { return std::atoi(rig.status.last_progress().c_str()); }

// Every key of the host's table that differs from the board's value.
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

JobDriver conf_download() {
  JobDriver d{.name = "ConfDownload", .board = {'E', 1200}};
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
  return d;
}

JobDriver firmware() {
  JobDriver d{.name = "Firmware", .board = {'E', 9600, 2}};
  d.prepare = [](FaultRig& rig) { rig.run.data = image_with_identity(31744, 0x2345, 9); };
  d.start = [](FaultRig& rig, bool) {
    rig.downloads.selection().choose(rig.dir.write("e.hex", to_hex(rig.run.data)), "e.hex");
    return rig.downloads.start_firmware_download();
  };
  d.midway = [](FaultRig& rig) { return progress(rig) >= 4096; };
  // However it ended, the user sees how much went out: nothing when no loader answered.
  d.kept_wrong = [](FaultRig& rig) -> std::string {
    const bool none = rig.reported("Error: Board not in download mode");
    const std::regex end(none ? R"(Firmware download e\.hex: failed, 0 of 248 pages written\.)"
                              : R"(Firmware download e\.hex: (failed|stopped), [1-9]\d* of 248 pages written\.)");
    const std::vector<std::string> lines = rig.report.lines();
    if (std::none_of(lines.begin(), lines.end(), [&](const std::string& l) { return std::regex_match(l, end); }))
      return "no end line";
    return none || rig.transcript().find(" bytes, ") != std::string::npos ? "" : "no summary line";
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
  JobDriver d{.name = "SamBa", .board = {.type = 'S', .monitor_speed = 115200}};
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
  JobDriver d{.name = "Card", .board = {'E', 115200}};
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
  JobDriver d{.name = "Upload", .board = {.type = 'S', .log_lines = kLogLines}};
  d.start = [](FaultRig& rig, bool again) {
    UploadRequest request;
    request.host_path = rig.dir.file("host.adc");
    request.target = "vexalog.adc";
    request.fast = true;  // the listing at 115200, and the speed back after it
    request.create = !again || rig.run.resume_stamp.empty();
    if (!request.create) request.resume_stamp = rig.run.resume_stamp;
    return rig.upload.start(request);
  };
  // With the fast switch it ends when the "ok" after the closing line brought the old speed back.
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

const JobDriver& job_driver(Job job) {
  static const std::array<JobDriver, 5> drivers{conf_download(), firmware(), samba(), card(), upload()};
  return drivers[static_cast<std::size_t>(job)];
}


// What the board plays, and the user's Stop.
enum class Fault { drop, noise, delay, pace, vanish, stop };

const char* fault_name(Fault fault) {
  static const char* const names[] = {"DroppedReplies", "NoiseLines", "RepliesTooLate", "RealSpeed", "VanishesAndComesBack",
                                      "StoppedMidway"};
  return names[static_cast<int>(fault)];
}

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
  // One of them must be reported when the faulted run ends early; none: it does all its work.
  std::vector<EndLine> lines;
  const char* why;             // what the case shows, for the report
};

const EndLine kNoReplyOk{"Error no reply (1/258)", false};  // the link's wait timed out
const EndLine kNoPageHeaderReply{"Error no reply (2/-1)", false};
const EndLine kNotInDownloadMode{"Error: Board not in download mode", false};
// A board gone between two commands: the port's failed write (its name, the reason).
const EndLine kPortWriteFailed{"Error write", true};

// The board's time-outs: configuration download 3000 ms a line; page loader 500 ms for the
// banner, 2000 ms a page; memory card 3000 ms for opening the file (a chunk's 1000 ms, with a
// penalty of 100, would take minutes). Delays go past them.
const std::vector<FaultCase>& fault_cases() {
  static const std::vector<FaultCase> cases{
      // Download to board: one "Ok" per line within 3000 ms.
      {Job::conf_download, Fault::noise, 0, false, false, {}, "junk after an Ok is not the next line's answer"},
      {Job::conf_download, Fault::delay, 3300, false, false, {kNoReplyOk}, "an Ok after 3000 ms is too late"},
      {Job::conf_download, Fault::pace, 0, false, false, {}, "1200 baud"},
      {Job::conf_download, Fault::vanish, 300, true, false, {kNoReplyOk, kPortWriteFailed, {"Error Port is not open", false}}, "no Ok from a board that is gone, or no line to it"},
      // The page loader ("Download E" at 115200); a cut run leaves it waiting: reset before the next.
      {Job::firmware, Fault::drop, 40, false, true, {kNoPageHeaderReply}, "a page's answer lost; summary of what went out"},
      {Job::firmware, Fault::noise, 0, false, false, {}, "junk lines come only from the firmware, before the loader"},
      {Job::firmware, Fault::delay, 2300, false, true, {kNotInDownloadMode}, "the banner after its 500 ms: nothing sent"},
      {Job::firmware, Fault::pace, 0, false, false, {}, "115200 baud, 31744 bytes"},
      {Job::firmware, Fault::vanish, 300, true, false, {kNoPageHeaderReply, {"Error no reply (3/-1)", false}, kPortWriteFailed}, "the pages stop in the middle; summary"},
      {Job::firmware, Fault::stop, 0, true, true, {{"Firmware download e.hex: stopped, ", true}}, "Stop between pages: the count so far, the link back"},
      // SAM-BA: the reply faults touch the firmware's text lines, which this download never waits
      // for ("dl" gets no answer on an S board), so only the speed and a cut apply.
      {Job::samba, Fault::pace, 0, false, false, {}, "the monitor at 115200 baud, the firmware at 9600"},
      {Job::samba, Fault::vanish, 300, true, false, {kNotInDownloadMode, {"unexpected response 0x", true}}, "no prompt or no ACK from a board that is gone"},
      // Memory card: chunk lines carry no number, so one whose "ok" was lost is written twice and
      // the board's totals check refuses the file ("Error totals" answers "fd !").
      {Job::card, Fault::drop, 100, false, false, {{"Download: 2 retries", false}}, "a lost ok: the chunk sent again, the board refuses the totals"},
      {Job::card, Fault::noise, 0, false, false, {}, "junk between the answers"},
      {Job::card, Fault::delay, 3300, false, false, {kNoReplyOk}, "no Ok to the card file's opening within 3000 ms"},
      {Job::card, Fault::pace, 0, false, false, {}, "115200 baud"},
      {Job::card, Fault::vanish, 300, true, false, {kPortWriteFailed, kNoReplyOk}, "chunks stop in the middle at the first write"},
      {Job::card, Fault::stop, 0, true, false, {{"Copy to the memory card CARD.DAT: stopped, ", true}}, "Stop between chunks: echo shown again"},
      // Data upload: the listing is no reply, so drops and delays touch only the speed switch's
      // answer; no time-out. A cut ends it and the resume completes the file.
      {Job::upload, Fault::drop, 1, false, false, {}, "the lost answers (the speed switch's CR) are not waited for"},
      {Job::upload, Fault::delay, 1500, false, false, {}, "no time-out: a late listing is taken whole"},
      {Job::upload, Fault::pace, 0, false, false, {}, "the listing at 115200 baud"},
      {Job::upload, Fault::vanish, 300, true, false, {{"The link went away; the host file keeps every complete line:", true}}, "the resume adds the rest, every line once"},
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
    case Fault::vanish:
    case Fault::stop: faults.pace = c.paced; break;
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
  if (c.fault == Fault::vanish || c.fault == Fault::stop) {
    ASSERT_TRUE(rig.pump([&] { return job.midway(rig) || job.ended(rig); }, kJobGuardMs));
    ASSERT_FALSE(job.ended(rig)) << "ended before the board could vanish or Stop come\n" << rig.transcript();
    if (c.fault == Fault::stop)
      rig.jobs.request_stop();
    else
      rig.server.vanish_for(c.value);
  }
  ASSERT_TRUE(rig.pump([&] { return job.ended(rig); }, kJobGuardMs)) << "the job hangs\n" << rig.transcript();
  EXPECT_EQ(missing_end_line(rig, c), "") << rig.transcript();
  // A run no fault cut does its whole work; a cut one kept what it should.
  EXPECT_EQ(c.lines.empty() ? job.complete_wrong(rig) : job.kept_wrong(rig), "") << rig.transcript();

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
    ASSERT_TRUE(rig.pump([&] { return rig.session.port().link_is_open(); }, 5000)) << rig.transcript();
  }
  EXPECT_EQ(rig.link_left_wrong(), "") << rig.transcript();
  const std::string first_run = rig.transcript();
  RecordProperty("faulted_run", first_run);
  rig.report.clear();
  ASSERT_TRUE(job.begin(rig, true)) << first_run << "--- next run\n" << rig.transcript();
  ASSERT_TRUE(rig.pump([&] { return job.ended(rig); }, kJobGuardMs)) << "the next run hangs\n" << rig.transcript();
  EXPECT_EQ(job.complete_wrong(rig), "") << first_run << "--- next run\n" << rig.transcript();
  EXPECT_EQ(rig.link_left_wrong(), "") << rig.transcript();
  RecordProperty("next_run", rig.transcript());
}

INSTANTIATE_TEST_SUITE_P(Jobs, FaultTable, ::testing::ValuesIn(fault_cases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                           return std::string(job_driver(info.param.job).name) + "_" + fault_name(info.param.fault);
                         });


// Where the fault table does not go: Stop in a SAM-BA flash, empty or refused card files, one
// worker at a time, a half line before a vanish.


std::string card_file(FaultRig& rig, const std::string& content, const std::string& target_name) {
  rig.downloads.set_card_choice({rig.dir.write("host.bin", content), "host.bin", target_name});
  EXPECT_TRUE(rig.downloads.start_card_transfer());
  rig.jobs.wait_worker();
  return TempDir::read(rig.card + "/" + target_name);
}

TEST(DownloadEndToEnd, AVerboseSambaFlashTracesItsStepsAndStopSaysWhyAndHowLongAndTheFlashRunsToItsEnd) {
  FaultRig rig({'S', 9600});
  rig.verbose = true;
  // Stop is pressed while the eighth page goes out (seven counted, so the rate is known), however
  // fast the flash runs.
  long total_when_stopped = 0;
  rig.downloads.hooks().samba_download = [&](const DownloadContext& context, std::istream& file) {
    DownloadContext pressed = context;
    pressed.pages = [&, inner = context.pages](int done, int total) {
      if (inner) inner(done, total);
      if (done == 8) {
        total_when_stopped = rig.jobs.current_progress().total;
        rig.jobs.request_stop();
      }
    };
    return samba_file_download(pressed, file);
  };
  rig.downloads.selection().choose(rig.dir.write("s.binb", random_bytes(24 * 256, 11)), "s.binb");
  ASSERT_TRUE(rig.downloads.start_firmware_download());
  rig.jobs.wait_worker();
  EXPECT_EQ(total_when_stopped, 24);
  const std::string all = rig.transcript();
  EXPECT_TRUE(std::regex_search(
      all, std::regex(R"(\nIt ends by itself in about \d+ s \((?:[3-9]|1\d|2[0-3]) of 24 pages written\)\.\n)")))
      << all;
  EXPECT_EQ(rig.report.lines().back(), "SAM-BA flash s.binb: done, 24 of 24 pages written.");
  // Echoed only when verbose: the switch and the monitor are both wired.
  EXPECT_NE(rig.monitor.text().find("0x00000001"), std::string::npos) << "the flash status reply";
}

TEST(DownloadEndToEnd, OneWorkerAtATimeTheBoardCountsEveryTestLineAndCardCopiesSayHowFarTheyGot) {
  FaultRig rig({'E', 115200});
  ASSERT_TRUE(rig.downloads.start_line_sender(kSendLineBurst));
  EXPECT_FALSE(rig.downloads.start_firmware_download());
  EXPECT_FALSE(rig.downloads.start_card_transfer());
  rig.jobs.wait_worker();
  EXPECT_TRUE(rig.reported("Line sender: done, 100000 of 100000 lines sent."));
  long counted = 0;
  EXPECT_TRUE(eventually([&] {
    rig.server.with_board([&](sim::SimulatedBoard& board) { counted = board.download_side().test_lines(); });
    return counted == 100000;
  }, 10000)) << counted << " lines counted";

  EXPECT_TRUE(card_file(rig, "", "EMPTY.DAT").empty());
  EXPECT_EQ(rig.report.lines().back(), "Copy to the memory card EMPTY.DAT: done, 0 bytes sent.");
  EXPECT_TRUE(TempDir::exists(rig.card + "/EMPTY.DAT"));
  // A board that never acknowledges the open: nothing went out.
  rig.server.stop();
  card_file(rig, "abc", "NONE.DAT");
  EXPECT_EQ(rig.report.lines().back(), "Copy to the memory card NONE.DAT: failed, 0 of 3 bytes sent.") << rig.transcript();
}

TEST(HalfLineBeforeAVanish, IsNotGluedToTheFirstLineAfterTheBoardCameBack) {
  FaultRig rig({'E', 9600});
  RecordingConsumer lines;
  rig.exchange_lines.reset();
  LineRegistration heard = rig.session.consumers().add(line_place::configuration, lines);
  sim::FaultOptions paced;
  paced.pace = true;
  rig.server.set_faults(paced);
  rig.session.send_line("conf");
  // The identity line came, and part of the next one.
  ASSERT_TRUE(lines.wait_count(1));
  ASSERT_TRUE(eventually([&] {
    const std::string text = rig.echo.text();
    const std::size_t end = text.rfind('\n');
    return end != std::string::npos && text.size() > end + 3 && text.back() != '\r';
  }));
  rig.server.vanish_for(200);
  ASSERT_TRUE(rig.pump([&] { return !rig.session.port().link_is_open(); }, 5000));
  const std::size_t before = lines.lines().size();
  ASSERT_TRUE(rig.pump([&] { return rig.session.port().link_is_open(); }, 5000));
  rig.session.send_line("conf");
  ASSERT_TRUE(lines.wait_count(before + 1));
  EXPECT_EQ(lines.lines()[before], "VexaLog E v1404") << testing::PrintToString(lines.lines());
  rig.session.stop();  // before the recording consumer goes
}

}  // namespace
}  // namespace vexa::test
