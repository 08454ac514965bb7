#pragma once
// One desktop's worth of board jobs over a pseudo-terminal to a simulated board served in this
// process: the link session, the job gate, the configuration exchange, the downloads and the
// data upload, wired as the session wires them. The test thread plays the window thread: pump()
// runs its 100 ms duties (port probe, upload check). The factory test over a real link, a silent
// board and a board that goes, is cli/factory_cli_test's.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "base/board_jobs.h"
#include "base/messages.h"
#include "config/board_identity.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "download/download_commands.h"
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

class FaultRig {
 public:
  explicit FaultRig(const RigBoard& board);
  ~FaultRig();
  FaultRig(const FaultRig&) = delete;
  FaultRig& operator=(const FaultRig&) = delete;

  // The window thread's duties every 20 ms until done() or guard_ms (a hang guard); true when
  // done() came.
  bool pump(const std::function<bool()>& done, int guard_ms);
  // Whether the link is as the jobs found it: open at the start speed (or the monitor's, which a
  // SAM-BA download keeps until the port is opened again), the receive thread's
  // reading not paused, echo shown. Empty when it is, else what is wrong.
  std::string link_left_wrong();
  // Waits (pumping) until the port is open again after the board came back.
  bool link_back(int guard_ms);
  // Starts watching for silence; then whether no line came for ms.
  void mark_quiet();
  bool quiet_for(int ms);
  // Whether the report holds a line equal to, or (prefix) starting with, text.
  bool reported(const std::string& text, bool prefix = false) const;
  std::string transcript() const;

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
  bool begin(FaultRig& rig, bool again) const;
  std::function<bool(FaultRig&)> ended;
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
