#pragma once
// One desktop's worth of board jobs over a pseudo-terminal to a simulated board served in this
// process: the link session, the job gate, the configuration exchange, the downloads and the
// data upload, wired as the session wires them. The test thread plays the window thread: pump()
// runs its 100 ms duties (port probe, upload check). The factory test over a real link, a silent
// board and a board that goes, is cli/factory_cli_test's.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "base/board_jobs.h"
#include "base/messages.h"
#include "base/text_format.h"
#include "config/board_identity.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "download/download_commands.h"
#include "download/samba_file_download.h"
#include "link/link_session.h"
#include "sim/board_server.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"
#include "upload/data_upload.h"
#include "upload/upload_link.h"

namespace vexa::test {

struct RigBoard {
  char type = 'E';
  long speed = 9600;          // the link speed at the start (the board's "bd", on S "rs0")
  int loader_row = 1;         // the page loader "dl" enters (E, F)
  std::size_t log_lines = 0;  // a stamped "vexalog.adc" of this many lines
  long monitor_speed = 0;     // the boot monitor's speed, which a SAM-BA job leaves the link at
};

inline sim::BoardConfiguration rig_board_configuration(const RigBoard& setup) {
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
  FaultRig(const FaultRig&) = delete;
  FaultRig& operator=(const FaultRig&) = delete;

  // The window thread's duties every 20 ms until done() or guard_ms (a hang guard); true when
  // done() came.
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
  bool link_back(int guard_ms) {
    return pump([&] { return session.port().link_is_open(); }, guard_ms);
  }
  // Whether the link is as the jobs found it: open at the start speed (or the monitor's, which a
  // SAM-BA download keeps until the port is opened again), the receive thread's reading not
  // paused, echo shown. Empty when it is, else what is wrong.
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

// Each board job as the desktop runs it, for the fault table: how it starts, when it has
// ended, when it is far enough for the board to vanish in the middle, how the next run goes
// on from where a cut one stopped, and what it must have kept.
enum class Job { conf_download, firmware, samba, card, upload };

struct JobDriver {
  Job job;
  const char* name;
  RigBoard board;
  // Runs before the faults are switched on (a configuration download needs the board's table).
  std::function<void(FaultRig&)> prepare = [](FaultRig&) {};
  // Starts the job as its command does; false when it was refused.
  std::function<bool(FaultRig&, bool again)> start;
  // Marks where the run starts (replies, quiet, progress), then starts it.
  bool begin(FaultRig& rig, bool again) const {
    rig.run.replies_at_start = rig.server.replies_sent();
    rig.mark_quiet();
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
  // The longest a run may take, faults included (a hang guard, not a time limit).
  int guard_ms = 30000;
};

const JobDriver& job_driver(Job job);

}  // namespace vexa::test
