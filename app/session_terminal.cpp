// The session's terminal choices: the Terminal menu, its command rows, the modem lines in the
// status each second.
#include "app/session.h"
#include "app/terminal_command_ids.h"
#include "app/terminal_menu.h"

namespace vexa {

void Session::build_terminal_choices() {
  terminal_choices_ = std::make_unique<TerminalChoices>(*display_, *terminal_, *messages_, settings_, *link_,
                                                        *keyboard_, *display_, *jobs_, *this,
                                                        history_path_beside(identity_.settings_path));
  terminal_choices_->add_commands(commands_);
  terminal_->set_scrollback(terminal_choices_->values().scrollback);
  // The rows that need the user's words first ask the window for them.
  commands_.add(cmd::kTermLineSettings, [this](const CommandCall&) {
    const auto line = terminal_choices_->values().line;
    if (auto text = window_.ask_text(messages_->message("VtAskLine"), line ? line_settings_text(*line) : ""))
      terminal_choices_->set_line_settings_text(*text);
  });
  commands_.add(cmd::kTermSendHex, [this](const CommandCall&) {
    if (auto text = window_.ask_text(messages_->message("VtAskHex"), "")) terminal_choices_->send_hex(*text);
  });
  commands_.add(cmd::kTermSendFile, [this](const CommandCall&) {
    if (auto path = window_.choose_send_file()) terminal_choices_->send_file(*path, SendFileOptions{});
  });
  commands_.add(cmd::kTermFind, [this](const CommandCall&) { window_.find_in_terminal(); });
  add_terminal_entries(menus_, *messages_);
  refresh_terminal_checks(menus_, *terminal_choices_);
  add_second_duty([this] { terminal_choices_->tick_second(); });
}

}  // namespace vexa
