// vexacli download FILE, card-put HOSTFILE TARGETNAME, send-lines PACE: the download worker's
// jobs run in the foreground, with the desktop's report lines and the progress count on
// standard error when that is a terminal.
#include <unistd.h>

#include <mutex>
#include <ostream>

#include "base/board_jobs.h"
#include "cli/board_link.h"
#include "base/program_options.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "config/board_identity.h"
#include "download/card_transfer.h"
#include "download/firmware_download.h"
#include "download/samba_file_download.h"
#include "download/line_sender.h"

namespace vexa::cli {

namespace {

// The board type is what --target says, else unknown until a loader banner names it.
class CliTarget final : public LoaderTarget {
 public:
  explicit CliTarget(const std::string& target) {
    if (auto identity = parse_identity_line(target)) {
      letter_ = identity->type_letter;
      line_ = identity->line;
    }
  }
  char type_letter() const override {
    std::lock_guard lock(mutex_);
    return letter_;
  }
  std::string identity_line() const override {
    std::lock_guard lock(mutex_);
    return line_;
  }
  void loader_recognised(char letter, std::string_view line) override {
    std::lock_guard lock(mutex_);
    letter_ = letter;
    line_ = std::string(line);
  }

 private:
  mutable std::mutex mutex_;
  char letter_ = 0;
  std::string line_;
};

class ProgressLine final : public StatusLine {
 public:
  explicit ProgressLine(std::ostream& err) : err_(err), shown_(::isatty(STDERR_FILENO) == 1) {}
  ~ProgressLine() override {
    if (shown_ && used_) err_ << "\n";
  }
  void set_progress(std::string_view text) override {
    if (!shown_) return;
    used_ = true;
    err_ << "\r" << text << "   " << std::flush;
  }
  void set_status(std::string_view) override {}

 private:
  std::ostream& err_;
  const bool shown_;
  bool used_ = false;
};

class NoStop final : public JobControl {
 public:
  bool stop_requested() const override { return false; }
};

// The link, the loader's banner check on the receive thread, and a download context over them.
class DownloadSession {
 public:
  explicit DownloadSession(CommandContext& context)
      : board_(context.options, context.out),
        target_(context.options.target),
        detector_(target_, board_.messages().product_name()),
        progress_(context.err) {
    loader_lines_ = board_.session().consumers().add(line_place::loader, detector_);
  }
  ~DownloadSession() {
    board_.session().stop();
    loader_lines_.reset();
    board_.terminal().flush();
  }
  bool connect(std::ostream& err) { return board_.connect(err); }
  DownloadContext context(bool verbose = false) {
    return DownloadContext{board_.session().board_port(), board_.session(), board_.terminal(),
                           board_.messages(), progress_, control_, detector_, target_,
                           SystemClock::instance(), verbose, {}, &board_.terminal()};
  }

 private:
  BoardLink board_;
  CliTarget target_;
  LoaderDetector detector_;
  ProgressLine progress_;
  NoStop control_;
  LineRegistration loader_lines_;
};

bool one_argument(const CommandContext& context, std::string_view what) {
  if (context.args.size() == 1) return true;
  usage_error(context, "give exactly one " + std::string(what));
  return false;
}

}  // namespace

int run_download(CommandContext& context) {
  const bool samba_mode = context.values.has(kSambaModeOption.spec.name);
  const bool verbose = context.values.has(kDownloadTraceOption.spec.name);
  if (!one_argument(context, "FILE")) return kUsageExitStatus;
  DownloadSession session(context);
  if (!session.connect(context.err)) return 1;
  FirmwareSelection selection;
  const std::string& path = context.args[0];
  selection.choose(path, path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1));
  FirmwareHooks hooks;
  hooks.samba_download = samba_file_download;
  hooks.samba_mode = [samba_mode] { return samba_mode; };
  return firmware_download(session.context(verbose), selection, hooks) ? 0 : 1;
}

int run_card_put(CommandContext& context) {
  if (context.args.size() != 2) return usage_error(context, "give HOSTFILE and TARGETNAME");
  DownloadSession session(context);
  if (!session.connect(context.err)) return 1;
  CardTransferResult result = card_transfer(session.context(), context.args[0], context.args[1]);
  // Retries that got the chunk through in the end are in the report, not in the status.
  return result.arrived() ? 0 : 1;
}

int run_send_lines(CommandContext& context) {
  static constexpr std::pair<const char*, int> kPaces[] = {
      {"once", kSendLineOnce}, {"burst", kSendLineBurst}, {"1s", kSendLineEverySecond},
      {"2s", kSendLineEveryTwoSeconds}, {"250ms", kSendLineEveryQuarter}};
  if (!one_argument(context, "PACE (once, burst, 1s, 2s or 250ms)")) return kUsageExitStatus;
  int command = 0;
  for (const auto& [name, id] : kPaces)
    if (context.args[0] == name) command = id;
  if (command == 0)
    return usage_error(context, "PACE must be once, burst, 1s, 2s or 250ms, not '" + context.args[0] + "'");
  if (command != kSendLineOnce && command != kSendLineBurst) {
    context.err << "vexacli send-lines: paced lines run until interrupted\n";
  }
  DownloadSession session(context);
  if (!session.connect(context.err)) return 1;
  const DownloadContext download = session.context();
  LineSenderResult result = send_test_lines(download, command, download.clock.epoch_ms());
  return result.write_failed || result.lines == 0 ? 1 : 0;
}

}  // namespace vexa::cli
