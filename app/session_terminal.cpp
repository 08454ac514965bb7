// The session's terminal choices: the Terminal menu, its command rows, the modem lines in the
// status each second.
#include "app/session.h"
#include "base/command_ids.h"
#include "app/terminal_command_ids.h"
#include "app/terminal_menu.h"
#include "base/text_format.h"
#include "platform/atomic_file.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"
#include "terminal/saved_text.h"

namespace vexa {

void Session::build_terminal_choices() {
  terminal_choices_ = std::make_unique<TerminalChoices>(core_->display(), core_->terminal(), core_->messages(), core_->settings(), core_->link(),
                                                        *keyboard_, core_->display(), core_->jobs(), *this,
                                                        history_path_beside(core_->identity().settings_path));
  terminal_choices_->add_commands(commands_);
  core_->terminal().set_scrollback(terminal_choices_->values().scrollback_limit());
  // The rows that need the user's words first ask the window for them.
  commands_.add(cmd::kTermLineSettings, [this](const Command&) {
    LineSettingsForm form(core_->messages(), {leading_integer(core_->link().port().speed_text()), terminal_choices_->values().line});
    window_.edit_line_settings(form, [this](const LineChoice& choice) {
      std::string taken = terminal_choices_->apply_line(choice.speed, choice.line);
      form_->form().set_text(cmd::kSpeedSelector, std::to_string(choice.speed));
      return taken;
    });
  });
  commands_.add(cmd::kTermSendHex, [this](const Command&) {
    if (auto text = window_.ask_text(core_->messages().message("VtAskHex"), "")) terminal_choices_->send_hex(*text);
  });
  commands_.add(cmd::kTermSendFile, [this](const Command&) {
    if (auto request = window_.choose_send_file()) {
      request->options.line_end = terminal_choices_->enter_line_end();
      terminal_choices_->send_file(request->path, request->options);
    }
  });
  commands_.add(cmd::kTermSaveText, [this](const Command&) {
    if (auto path = window_.choose_text_file()) save_terminal_text(*path);
  });
  commands_.add(cmd::kTermFind, [this](const Command&) { window_.find_in_terminal(); });
  add_terminal_entries(menus_, core_->messages());
  refresh_terminal_checks(menus_, *terminal_choices_);
  add_second_duty([this] { terminal_choices_->tick_second(); });
}

void Session::save_terminal_text(const std::string& path) {
  core_->terminal().flush_all();
  const std::string text = saved_terminal_text(core_->terminal().view_text(), core_->terminal().ansi());
  if (const int error = write_file_atomically_error(path, text)) {
    core_->display().print_line(format_message(core_->messages().message("VtTextNotSaved"), {path, system_error_text(error)}));
    return;
  }
  core_->display().print_line(format_message(core_->messages().message("VtTextSaved"), {path}));
}

}  // namespace vexa
