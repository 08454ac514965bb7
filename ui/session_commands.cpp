// The commands the session carries out itself: everything but the window's own dialogs, tabs
// and shell calls. The window thread calls run_command; long board exchanges go to the worker.
#include <cstdlib>

#include "app/command_ids.h"
#include "app/text_format.h"
#include "link/debug_commands.h"
#include "link/serial_link.h"
#include "ui/app_session.h"

namespace vexa::ui {

namespace {

constexpr std::size_t kSpeedSelectorChars = 20;

}  // namespace

void AppSession::run_on_worker(int command) {
  switch (command) {
    case cmd::kConfDownload: exchange_->download_configuration(); break;
    case cmd::kTimeNextSecond: exchange_->send_time(TimeMode::next_second); break;
    case cmd::kSpecialProbe: special_probe(link_->port(), link_->flags()); break;
    case cmd::kSambaInit: samba_auto_baud(link_->port(), *terminal_); break;
    default: break;
  }
}

void AppSession::update_checks() {
  check_exclusive(menus_, {cmd::kVerbose}, verbose ? cmd::kVerbose : 0);
  check_exclusive(menus_, {cmd::kTargetMode, cmd::kModemMode}, modem_mode ? cmd::kModemMode : cmd::kTargetMode);
  static constexpr int kLogEntries[] = {cmd::kLogNone, cmd::kLogOn, cmd::kLogDate};
  const int mode = log_->mode();
  check_exclusive(menus_, {cmd::kLogNone, cmd::kLogOn, cmd::kLogDate},
                  mode >= 0 && mode <= 2 ? kLogEntries[mode] : 0);
  check_exclusive(menus_, {cmd::kLineFeed}, line_feed.load() ? cmd::kLineFeed : 0);
}

void AppSession::select_link_from_form() {
  const Form& form = form_->form();
  // Device paths under /dev/serial/by-id are far longer than a COM name: the port keeps 255.
  link_->port().select(limited(form.text(cmd::kPortSelector), kLinkNameChars),
                       limited(form.text(cmd::kSpeedSelector), kSpeedSelectorChars));
}

void AppSession::open_close_clicked() {
  if (link_->port().close_link()) return;
  if (link_->tcp().tcp_close()) return;
  link_->port().set_tcp_address(phone_text);
  link_->port().open_link(false);
}

void AppSession::refresh_call_button() {
  dialer_->update_call_button();
  const CallButtonLook& look = dialer_->call_button();
  form_->form().set_check_state(cmd::kCall, static_cast<int>(look.check));
  form_->form().set_text(cmd::kCall, look.caption);
}

bool AppSession::run_command(int id, int notification, long param) {
  Form& form = form_->form();
  auto busy = [this] {
    terminal_->print_line("The previous board exchange is still running; try again when it has ended.");
  };
  auto on_worker = [&](int command) {
    if (!start_worker(command)) busy();
  };
  switch (id) {
    case cmd::kVerbose:
      verbose = !verbose;
      link_->tcp().set_verbose(verbose);
      break;
    case cmd::kTargetMode: modem_mode = false; break;
    case cmd::kModemMode: modem_mode = true; break;
    case cmd::kSpecialProbe: on_worker(id); break;
    case cmd::kLogNone:
    case cmd::kLogOn:
    case cmd::kLogDate:
      log_->set_mode(id - cmd::kLogNone);
      log_->apply_log_mode();
      break;
    case cmd::kLogErase: log_->erase(); break;
    case cmd::kPhoneField:
      phone_text = limited(form.text(cmd::kPhoneField), kPhoneTextChars);
      link_->port().set_tcp_address(phone_text);
      break;
    case cmd::kCall:
      dialer_->modem_tick(true);
      refresh_call_button();
      break;
    case cmd::kPhoneBookMenu:
    case cmd::kPhoneBookButton: phone_book_->phone_book_tick(true); break;
    case cmd::kEnglish: messages_->set_language('e'); break;
    case cmd::kFrench: messages_->set_language('f'); break;
    case cmd::kGerman: messages_->set_language('d'); break;
    case cmd::kStopwatch: form_->stopwatch().press(); break;
    case cmd::kPortSelector:
      if (notification == kNotifyDropDown) {
        form.set_entries(cmd::kPortSelector, port_list());
      } else {
        select_link_from_form();
      }
      break;
    case cmd::kSpeedSelector:
      select_link_from_form();
      link_->port().set_speed(std::atol(form.text(cmd::kSpeedSelector).c_str()), true);
      break;
    case cmd::kOpenClose: open_close_clicked(); break;
    case cmd::kClear: terminal_->clear(); break;
    case cmd::kTargetE: board_->accept_identity(identity_.target_e); break;
    case cmd::kTargetF: board_->accept_identity(identity_.target_f); break;
    case cmd::kTargetS: board_->accept_identity(identity_.target_s); break;
    case cmd::kSamba: {
      const bool on = !link_->flags().samba_mode.load();
      link_->flags().samba_mode.store(on);
      terminal_->print_line(format_text("Rssamba=%d", on ? 1 : 0));
      break;
    }
    case cmd::kSambaInit: on_worker(id); break;
    case cmd::kOpenCom: probe_devices(*terminal_); break;
    case cmd::kLineFeed: line_feed.store(!line_feed.load()); break;
    case cmd::kInterns: terminal_->print_line(interns_text(terminal_->counters())); break;
    case cmd::kConfGet: exchange_->request_configuration(); break;
    case cmd::kConfSave: files_->save_configuration(file_chooser()); break;
    case cmd::kConfLoad: files_->load_configuration(file_chooser()); break;
    case cmd::kConfCompare: files_->compare_configuration(file_chooser()); break;
    case cmd::kConfDownload: on_worker(id); break;
    case cmd::kTimeNow: exchange_->send_time(TimeMode::now); break;
    case cmd::kTimeHourEarlier: exchange_->send_time(TimeMode::hour_earlier); break;
    case cmd::kTimeNextSecond: on_worker(id); break;
    case cmd::kConfErase: exchange_->erase_to_factory(); break;
    case cmd::kKeystroke: keyboard_->key_command(static_cast<unsigned>(param)); break;
    default: return false;
  }
  update_checks();
  return true;
}

}  // namespace vexa::ui
