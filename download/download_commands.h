#pragma once
// The download subsystem as the session holds it: the firmware selection and recent list,
// the loader banner check, the memory-card dialog's state, and the command rows that start
// the download worker's jobs (702, 703, 705, 706, 812-817, 864) through the job gate.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "base/board_jobs.h"
#include "base/command_table.h"
#include "base/messages.h"
#include "base/session_ports.h"
#include "download/card_transfer.h"
#include "download/download_file_form.h"
#include "download/firmware_download.h"
#include "download/firmware_selection.h"
#include "download/line_sender.h"
#include "download/loader_detector.h"
#include "link/link_session.h"

namespace vexa {

class BoardIdentity;
class ConfigExchange;

// The board identity as the loader sees it.
class BoardIdentityTarget final : public LoaderTarget {
 public:
  explicit BoardIdentityTarget(BoardIdentity& identity) : identity_(identity) {}
  char type_letter() const override;
  std::string identity_line() const override;
  void loader_recognised(char letter, std::string_view line) override;

 private:
  BoardIdentity& identity_;
};

// The window's dialogs the commands need (the desktop shows Qt dialogs; tests answer).
class DownloadDialogs {
 public:
  virtual ~DownloadDialogs() = default;
  // The open-file dialog for firmware ("*.hex;*.bin;*.binb"), starting at current.
  virtual std::optional<FirmwareFile> choose_firmware(const FirmwareFile& current) = 0;
  // The "downloadfile" dialog, modal; true when Start was pressed (choice then holds the values).
  virtual bool confirm_card_transfer(CardTransferChoice& choice) = 0;
};

class DownloadCommands {
 public:
  struct Parts {
    LinkSession& link;
    ReportSink& report;
    const Messages& messages;
    StatusLine& status;
    BoardJobs& jobs;
    LoaderTarget& target;
    ConfigExchange* exchange = nullptr;      // 864
    DownloadDialogs* dialogs = nullptr;      // 702, 703
    std::function<bool()> verbose = {};      // the Tools menu's verbose switch
    const Clock* clock = nullptr;            // null: the system clock
    CharSink* echo = nullptr;                // the terminal, for the verbose SAM-BA echo
  };
  DownloadCommands(Parts parts, std::string product_name);

  // The rows for 702, 703, 705, 706, 812, 813, 814, 816, 817 and 864.
  void add_commands(CommandTable& table);

  // Hears received lines at line_place::loader: consumers().add(line_place::loader, detector()).
  LoaderDetector& detector() { return detector_; }
  FirmwareSelection& selection() { return selection_; }
  FirmwareHooks& hooks() { return hooks_; }
  CardTransferChoice card_choice() const;
  void set_card_choice(CardTransferChoice choice);

  // Start the worker jobs (false when another job holds the gate; the refusal is printed).
  bool start_firmware_download();
  bool start_card_transfer();
  bool start_line_sender(int command);
  bool start_configuration_download();

  // The jobs themselves, on the caller's thread (the worker, or vexacli).
  bool run_firmware_download(const JobControl& control);
  CardTransferResult run_card_transfer(const JobControl& control, const CardTransferChoice& choice);
  // Lines sent.
  int run_line_sender(const JobControl& control, int command, std::int64_t start_mark);

 private:
  DownloadContext context(const JobControl& control);

  Parts parts_;
  LoaderDetector detector_;
  FirmwareSelection selection_;
  FirmwareHooks hooks_;
  mutable std::mutex choice_mutex_;
  CardTransferChoice choice_;
};

}  // namespace vexa
