#include "download/download_commands.h"

#include "base/command_ids.h"
#include "config/board_identity.h"
#include "config/config_exchange.h"

namespace vexa {

char BoardIdentityTarget::type_letter() const { return identity_.type_letter(); }
std::string BoardIdentityTarget::identity_line() const { return identity_.line(); }
void BoardIdentityTarget::loader_recognised(char letter, std::string_view line) {
  identity_.adopt_loader_identity(letter, line);
}

DownloadCommands::DownloadCommands(Parts parts, std::string product_name)
    : parts_(std::move(parts)), detector_(parts_.target, std::move(product_name)) {}

DownloadContext DownloadCommands::context(const JobControl& control) {
  return DownloadContext{parts_.link.board_port(),
                         parts_.link,
                         parts_.report,
                         parts_.messages,
                         parts_.status,
                         control,
                         detector_,
                         parts_.target,
                         parts_.clock ? *parts_.clock : SystemClock::instance(),
                         parts_.verbose ? parts_.verbose() : false,
                         {},
                         parts_.echo};
}

CardTransferChoice DownloadCommands::card_choice() const {
  std::lock_guard lock(choice_mutex_);
  return choice_;
}

void DownloadCommands::set_card_choice(CardTransferChoice choice) {
  std::lock_guard lock(choice_mutex_);
  choice_ = std::move(choice);
}

bool DownloadCommands::run_firmware_download(const JobControl& control) {
  return firmware_download(context(control), selection_, hooks_);
}

CardTransferResult DownloadCommands::run_card_transfer(const JobControl& control,
                                                       const CardTransferChoice& choice) {
  return card_transfer(context(control), choice.host_path, choice.target_name);
}

int DownloadCommands::run_line_sender(const JobControl& control, int command, std::int64_t start_mark) {
  return send_test_lines(context(control), command, start_mark).lines;
}

bool DownloadCommands::start_firmware_download() {
  return parts_.jobs.start_worker(parts_.messages.message("Mdownload"),
                                  [this](const JobControl& control) { run_firmware_download(control); });
}

bool DownloadCommands::start_card_transfer() {
  const CardTransferChoice choice = card_choice();
  return parts_.jobs.start_worker(parts_.messages.message("MdownloadF"),
                                  [this, choice](const JobControl& control) {
                                    run_card_transfer(control, choice);
                                  });
}

bool DownloadCommands::start_line_sender(int command) {
  const Clock& clock = parts_.clock ? *parts_.clock : SystemClock::instance();
  return parts_.jobs.start_worker("Line sender", [this, command, &clock](const JobControl& control) {
    run_line_sender(control, command, clock.epoch_ms());
  });
}

bool DownloadCommands::start_configuration_download() {
  if (!parts_.exchange) return false;
  return parts_.jobs.start_worker(parts_.messages.message("VtJobConfDownload"), [this](const JobControl& control) {
    parts_.exchange->download_configuration(control);
  });
}

void DownloadCommands::add_commands(CommandTable& table) {
  table.add(cmd::kDownloadFirmware, [this](const Command& call) {
    // After a build the current file is the build's result: no dialog.
    if (call.param == cmd::kParamCurrentFirmware) {
      if (!parts_.jobs.worker_running()) start_firmware_download();
      return;
    }
    if (!parts_.dialogs) return;
    auto chosen = parts_.dialogs->choose_firmware(selection_.current());
    if (!chosen) return;
    selection_.choose(chosen->path, chosen->title);
    if (!parts_.jobs.worker_running()) start_firmware_download();
  });
  auto recent = [this](int index) {
    return [this, index](const Command&) {
      if (selection_.take_recent(index) && !parts_.jobs.worker_running()) start_firmware_download();
    };
  };
  table.add(cmd::kRecentFirmware1, recent(0));
  table.add(cmd::kRecentFirmware2, recent(1));
  table.add(cmd::kDownloadFile, [this](const Command&) {
    if (!parts_.dialogs) return;
    CardTransferChoice choice = card_choice();
    const bool start = parts_.dialogs->confirm_card_transfer(choice);
    set_card_choice(choice);  // kept for the next showing either way
    if (start && !parts_.jobs.worker_running()) start_card_transfer();
  });
  for (const auto& entry : kLineSenderMenu)
    table.add(entry.id, [this](const Command& call) {
      if (!parts_.jobs.worker_running()) start_line_sender(call.id);
    });
  table.add(cmd::kConfDownload, [this](const Command&) {
    if (!parts_.jobs.worker_running()) start_configuration_download();
  });
}

}  // namespace vexa
