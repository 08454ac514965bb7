// The session's transfers: the firmware and memory-card downloads with the line sender, the data
// upload and the macros, built after the link and the configuration exchange they use.
#include "base/command_ids.h"
#include "base/identity.h"
#include "app/session.h"
#include "download/download_menus.h"
#include "download/samba_file_download.h"

namespace vexa {

void Session::build_transfers() {
  loader_target_ = std::make_unique<BoardIdentityTarget>(*board_);
  downloads_ = std::make_unique<DownloadCommands>(
      DownloadCommands::Parts{*link_, *display_, *messages_, *this, *jobs_, *loader_target_, exchange_.get(),
                              window_.download_dialogs(), [this] { return verbose_; },
                              nullptr, display_.get()},
      identity_.product_name);
  link_->consumers().attach(ConsumerSlot::loader, &downloads_->detector());
  // The hooks run on the download worker: what needs the window is posted there.
  FirmwareHooks& hooks = downloads_->hooks();
  hooks.samba_download = samba_file_download;
  hooks.samba_mode = [this] { return link_->flags().samba_mode.load(); };
  hooks.set_samba_mode = [this](bool on) { link_->flags().samba_mode.store(on); };
  hooks.end_beep = [this] { post_command(cmd::kBeep); };
  hooks.factory_reset = [this] { post_command(cmd::kFactoryReset); };
  hooks.recent_changed = [this] { post_command(cmd::kRecentChanged); };
  if (settings_.debug()) add_line_sender_entries(menus_);

  upload_ = std::make_unique<UploadSubsystem>(
      *link_, *display_, *messages_, settings_, *jobs_,
      UploadTabNames{working_directory_, program_directory(running_program_path(options_.argv0)),
                     identity_.data_viewer_name, identity_.analog_data_file_name});
  macro_tab_ = std::make_unique<MacroTab>(*configuration_, *board_, *exchange_, *messages_, *display_);
}

void Session::add_transfer_commands() {
  downloads_->add_commands(commands_);
  commands_.add(cmd::kBeep, [this](const CommandCall&) { window_.beep(); });
  commands_.add(cmd::kFactoryReset,
                [this](const CommandCall&) { factory_->reset_on_board_change(board_->type_letter(), true); });
  commands_.add(cmd::kRecentChanged, [this](const CommandCall&) {
    apply_recent_items(menus_, downloads_->selection().recent_menu_items());
    window_.menus_changed();
  });
  // The running job's count in the status row's bar; however the job ends, the bar goes with it
  // (the gate forgets the progress when the job gives it back).
  add_tick_duty([this] {
    const JobProgress progress = jobs_->current_progress();
    if (progress == shown_progress_) return;
    shown_progress_ = progress;
    window_.job_progress(progress.unit == JobUnit::none ? 0 : progress.done, progress.total);
  });
}

void Session::probe_port() {
  // A loss during an upload ends it with what it stored before the port can come back.
  upload_->tick_100ms();
  link_->port().probe_port();
}

void Session::detach_transfers() {
  // The receive thread has stopped: the loader's slot is not in use. The upload leaves its own
  // slot when it goes, before the link (the window's upload tab may still look at it till then).
  link_->consumers().detach(ConsumerSlot::loader);
}

}  // namespace vexa
