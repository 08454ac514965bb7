// vexacli upload TARGET HOSTFILE [--binary] [--fast] [--create] [--idle SECONDS] [--follow SECONDS]:
// lists the board's file TARGET into HOSTFILE, resuming after the host file's last time-stamped
// line, as the upload tab does; a host file without time stamps gets the whole listing again
// (a number prefix alone is no resume point). With --follow it does so again every SECONDS,
// each time from the host file's last time stamp, until interrupted.
#include <csignal>
#include <chrono>
#include <ostream>
#include <thread>

#include "base/identity.h"
#include "cli/board_link.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "upload/data_upload.h"

namespace vexa::cli {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kDefaultIdleSeconds = 30;
constexpr int kSpeedRestoreWaitMs = 2000;
constexpr int kStopWaitMs = 3000;
constexpr auto kPollStep = std::chrono::milliseconds(20);
constexpr auto kProgressEvery = std::chrono::seconds(1);

// Set by SIGINT/SIGTERM while a following upload waits or runs: the one thing a handler may do.
volatile std::sig_atomic_t interrupted = 0;
extern "C" void on_interrupt(int) { interrupted = 1; }

class InterruptGuard {
 public:
  InterruptGuard() {
    interrupted = 0;
    old_int_ = std::signal(SIGINT, on_interrupt);
    old_term_ = std::signal(SIGTERM, on_interrupt);
  }
  ~InterruptGuard() {
    std::signal(SIGINT, old_int_);
    std::signal(SIGTERM, old_term_);
  }

 private:
  void (*old_int_)(int);
  void (*old_term_)(int);
};

struct Options {
  std::string target, host_path;
  bool binary = false, fast = false, create = false;
  int idle_s = kDefaultIdleSeconds;
  int follow_s = 0;
};

enum class Outcome { closed, lost, silent, not_started, interrupted };

// One upload: started, then watched until the closing line, a lost link or silence.
Outcome upload_once(BoardLink& board, DataUpload& upload, const Options& options, bool create,
                    std::ostream& err) {
  const ResumePoint point = create ? ResumePoint{} : scan_host_file(options.host_path);
  upload.set_resume_point(point);
  UploadRequest request;
  request.host_path = options.host_path;
  request.target = options.target;
  request.resume_stamp = point.stamp;
  request.create = create;
  request.binary = options.binary;
  request.fast = options.fast;
  if (!upload.start(request)) return Outcome::not_started;
  if (!point.stamp.empty()) err << "upload: from " << point.stamp << "\n";

  auto last_line = SteadyClock::now();
  auto last_report = last_line;
  int seen = 0;
  bool stop_sent = false;
  for (;;) {
    std::this_thread::sleep_for(kPollStep);
    board.terminal().flush();
    if (upload.check_link()) return Outcome::lost;
    const UploadEvents events = upload.take_events();
    const auto now = SteadyClock::now();
    if (events.line_count != seen) {
      seen = events.line_count;
      last_line = now;
    }
    if (now - last_report >= kProgressEvery) {
      err << "upload: " << seen << " lines\n";
      last_report = now;
    }
    if (!upload.running()) break;
    if (interrupted && !stop_sent) {
      upload.stop_upload();
      stop_sent = true;
      last_line = now;
    }
    const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(now - last_line).count();
    if (!stop_sent && quiet > options.idle_s * 1000L) {
      err << "vexacli upload: nothing came for " << options.idle_s << " s; asking the board to stop\n";
      upload.stop_upload();
      stop_sent = true;
      last_line = now;
    } else if (stop_sent && quiet > kStopWaitMs) {
      return Outcome::silent;
    }
  }
  // A fast upload goes back to the old speed at the board's "ok" after the closing line.
  for (int waited = 0; upload.saved_speed() > 0 && waited < kSpeedRestoreWaitMs; waited += 20)
    std::this_thread::sleep_for(kPollStep);
  board.terminal().flush();
  err << "upload: " << upload.line_count() << " lines\n";
  return stop_sent && interrupted ? Outcome::interrupted : Outcome::closed;
}

}  // namespace

int run_upload(CommandContext& context) {
  Options options;
  options.binary = context.values.has(kBinaryOption.spec.name);
  options.fast = context.values.has(kFastOption.spec.name);
  options.create = context.values.has(kCreateOption.spec.name);
  options.idle_s = context.values.whole(kIdleOption.spec.name, kDefaultIdleSeconds);
  options.follow_s = context.values.whole(kFollowOption.spec.name, 0);
  if (context.args.size() != 2) return usage_error(context, "give TARGET (the file on the board) and HOSTFILE");
  options.target = context.args[0];
  options.host_path = context.args[1];

  BoardLink board(context.options, context.out);
  if (!board.connect(context.err)) return 1;
  DataUpload upload(board.terminal(), board.messages(), UploadLink(board.session()), nullptr, current_directory());
  // The receive thread stops before the upload leaves the line table and is destroyed.
  struct Detach {
    LinkSession& session;
    LineRegistration lines;
    ~Detach() {
      session.stop();
      lines.reset();
    }
  } detach{board.session(), board.session().consumers().add(line_place::upload, upload)};
  InterruptGuard guard;

  bool create = options.create;
  for (;;) {
    const Outcome outcome = upload_once(board, upload, options, create, context.err);
    create = false;  // a following round extends the file it made
    board.terminal().flush();
    if (outcome == Outcome::not_started) return 1;
    if (outcome == Outcome::lost || outcome == Outcome::silent) return 1;
    if (options.follow_s == 0) return outcome == Outcome::closed ? 0 : 1;
    if (interrupted) return 0;
    for (int waited = 0; waited < options.follow_s * 1000 && !interrupted; waited += 20)
      std::this_thread::sleep_for(kPollStep);
    if (interrupted) return 0;
  }
}

}  // namespace vexa::cli
