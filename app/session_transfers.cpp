// The session's transfers: the firmware and memory-card downloads with the line sender, the data
// upload and the macros, built after the link and the configuration exchange they use.
#include "base/command_ids.h"
#include "base/identity.h"
#include "app/session.h"
#include "download/download_menus.h"
#include "download/samba_file_download.h"

namespace vexa {

void Session::build_transfers() {
  loader_target_ = std::make_unique<BoardIdentityTarget>(core_->board());
  downloads_ = std::make_unique<DownloadCommands>(
      DownloadCommands::Parts{core_->link(), core_->display(), core_->messages(), *this, core_->jobs(), *loader_target_, &core_->exchange(),
                              window_.download_dialogs(), [this] { return verbose_; },
                              nullptr, &core_->display()},
      core_->identity().product_name);
  loader_lines_ = core_->link().consumers().add(line_place::loader, downloads_->detector());
  // The hooks run on the download worker: what needs the window is posted there.
  FirmwareHooks& hooks = downloads_->hooks();
  hooks.samba_download = samba_file_download;
  hooks.samba_mode = [this] { return core_->link().flags().samba_mode.load(); };
  hooks.set_samba_mode = [this](bool on) { core_->link().flags().samba_mode.store(on); };
  hooks.end_beep = [this] { post_command(cmd::kBeep); };
  hooks.factory_reset = [this] { post_command(cmd::kFactoryReset); };
  hooks.recent_changed = [this] { post_command(cmd::kRecentChanged); };
  if (core_->settings().debug()) add_line_sender_entries(menus_);

  upload_ = std::make_unique<UploadSubsystem>(
      core_->link(), core_->display(), core_->messages(), core_->settings(), core_->jobs(),
      UploadTabNames{working_directory_, program_directory(running_program_path(options_.argv0)),
                     core_->identity().data_viewer_name, core_->identity().analog_data_file_name});
  macro_tab_ = std::make_unique<MacroTab>(core_->configuration(), core_->board(), core_->exchange(), core_->messages(), core_->display());
}

void Session::add_transfer_commands() {
  downloads_->add_commands(commands_);
  commands_.add(cmd::kBeep, [this](const Command&) { window_.beep(); });
  commands_.add(cmd::kFactoryReset,
                [this](const Command&) { factory_->reset_on_board_change(core_->board().type_letter(), true); });
  commands_.add(cmd::kRecentChanged, [this](const Command&) {
    apply_recent_items(menus_, downloads_->selection().recent_menu_items());
    window_.menus_changed();
  });
  // The running job's count in the status row's bar; however the job ends, the bar goes with it
  // (the gate forgets the progress when the job gives it back).
  add_tick_duty([this] {
    const JobProgress progress = core_->jobs().current_progress();
    if (progress == shown_progress_) return;
    shown_progress_ = progress;
    window_.job_progress(progress.unit == JobUnit::none ? 0 : progress.done, progress.total);
  });
}

void Session::probe_port() {
  // A loss during an upload ends it with what it stored before the port can come back.
  upload_->tick_100ms();
  core_->link().port().probe_port();
}

void Session::detach_transfers() {
  // The receive thread has stopped: the loader hears nothing more. The upload leaves the table
  // when it goes, before the link (the window's upload tab may still look at it till then).
  loader_lines_.reset();
}

}  // namespace vexa
