#include "app/session.h"

#include <cstdlib>

#include "base/command_ids.h"
#include "app/terminal_menu.h"
#include "base/text_format.h"
#include "link/debug_commands.h"
#include "link/serial_link.h"
#include "platform/serial_tty.h"
#include "terminal/getting_started.h"

namespace vexa {


namespace {

CoreOptions core_options(const SessionOptions& options, const std::string& working_directory) {
  CoreOptions core;
  core.identity = make_identity(options.argv0, working_directory);
  core.read_settings_file = options.use_settings_file;
  core.settings_text = options.settings_text;
  core.working_directory = working_directory;
  return core;
}

}  // namespace

Session::Session(TerminalView& view, const SessionOptions& options, SessionEvents& events, SessionWindow& window,
                 const Clock& clock)
    : options_(options),
      events_(events),
      window_(window),
      clock_(clock),
      working_directory_(options.working_directory.empty() ? current_directory() : options.working_directory),
      core_(std::make_unique<HeadlessCore>(
          core_options(options, working_directory_),
          CoreFrontEnd{view, ViewThreads::owner_only, [this] { events_.flush_requested(); }, this, this, clock})) {
  values_ = core_->start_values();
  phone_text_ = values_.phone;
  core_->board().add_listener(this);

  form_ = std::make_unique<MainWindowForm>(
      MainWindowOptions{core_->settings().reduced_variant(), core_->settings().debug(), core_->identity().is_family_product()}, core_->messages());
  form_->form().set_text(cmd::kStatusIdentity, core_->board().line());
  MenuOptions menu_options;
  menu_options.reduced_variant = core_->settings().reduced_variant();
  menu_options.debug = core_->settings().debug();
  menu_options.log_file_name = core_->identity().log_file_name;
  menu_options.target_e = core_->identity().target_e;
  menu_options.target_f = core_->identity().target_f;
  menu_options.target_s = core_->identity().target_s;
  menu_options.log_mode = values_.log_mode;
  menus_ = build_menu_bar(menu_options, core_->messages());

  // What went wrong before the terminal existed is said in it, not only in the capture log.
  start_problems_ = core_->input_type_problems();
  if (std::string log_problem = core_->log().open_failure(core_->messages()); !log_problem.empty())
    start_problems_.push_back(std::move(log_problem));
  core_->link().port().set_observer(this);
  core_->configuration().set_rebuild_requester(this);
  grid_ = std::make_unique<ConfigGrid>(core_->configuration(), this);
  dialer_ = std::make_unique<ModemDialer>(core_->link().board_port(), core_->link(), core_->link().tcp(), *this,
                                          core_->display(), core_->messages());
  const std::string book_directory = options.program_directory.empty()
                                         ? program_directory(running_program_path(options.argv0))
                                         : options.program_directory;
  phone_book_ = std::make_unique<PhoneBook>(
      *this, phone_book_path(book_directory, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
  keyboard_ = std::make_unique<TerminalKeyboard>(*this, *this, core_->terminal(), [this] { return core_->line_feed().load(); });
  // The TCP client reports from the receive thread: the status field follows on the window's.
  core_->link().tcp().set_status_sink([this](const std::string& text) { set_status(text); });

  build_transfers();
  build_tools();
  build_terminal_choices();

  add_session_commands();
  add_link_commands();
  add_transfer_commands();
  add_configuration_commands();
  add_debug_commands();
  add_tool_commands();
}

Session::~Session() { shutdown(); }

void Session::start() {
  if (started_) return;
  started_ = true;
  show_getting_started(core_->terminal(), core_->identity().is_family_product(), core_->messages().language());
  for (const std::string& line : start_problems_) core_->display().print_line(line);
  core_->link().start();
  const std::string speed = default_speed_text(values_.speed_text, core_->board().type_letter());
  // Without a stored port nothing is chosen yet: the selector offers its first entry, which
  // becomes the link name only when the user opens it, so the settings keep "" till then.
  const std::string& name = values_.link_name;
  core_->link().port().select(name, speed);
  core_->link().port().set_tcp_address(values_.phone);
  Form& form = form_->form();
  const std::vector<std::string> ports = port_list_keeping(name);
  form.set_entries(cmd::kPortSelector, ports);
  form.set_text(cmd::kPortSelector, name.empty() ? ports.front() : name);
  form.set_text(cmd::kSpeedSelector, speed);
  form_->show_speed_selector(name);
  core_->display().print_line("");
  phone_book_->load_phone_book();
  last_second_ = clock_.epoch_now();
  if (options_.open_at_start) open_close_clicked();
}

LayoutResult Session::lay_out(LayoutInput in) {
  in.config_content_height = grid_->rows().empty() ? 0 : grid_->content_height();
  const int shown = analog_tab_->selected_number();
  in.inputs_selected_kind = shown == kPlanTab ? cmd::kPlanKind : shown == kDataTab ? cmd::kBarKind : 0;
  return form_->layout(in, &core_->settings());
}

void Session::use_temporary_port(const std::string& link_name, long speed, bool open,
                                 const std::string& identity_line) {
  temporary_link_ = link_name;
  if (!identity_line.empty()) {
    // The user's own board stays the stored one: the simulated identity is for this run.
    if (!temporary_identity_) temporary_identity_ = core_->board().line();
    core_->board().accept_identity(identity_line);
  }
  const std::string speed_text = std::to_string(speed);
  core_->link().port().select(link_name, speed_text);
  form_->form().set_text(cmd::kPortSelector, link_name);
  form_->form().set_text(cmd::kSpeedSelector, speed_text);
  form_->show_speed_selector(link_name);
  if (open) core_->link().open(link_name, speed_text);
}

void Session::shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  // The worker and the receive thread end before any line consumer leaves the table.
  core_->shutdown();
  detach_tools();
  detach_transfers();
  core_->link().port().set_observer(nullptr);
  core_->link().tcp().set_status_sink({});
  core_->configuration().set_rebuild_requester(nullptr);
  core_->board().remove_listener(this);
}

std::optional<std::string> Session::save_settings() {
  values_.language = core_->messages().language();
  // A port selected for this run only (the simulated board's pseudo-terminal) is gone after
  // it: the user's own port stays stored, and so does the identity of the user's board.
  const bool temporary = !temporary_link_.empty() && core_->link().port().link_name() == temporary_link_;
  values_.target = temporary && temporary_identity_ ? *temporary_identity_ : core_->board().line();
  if (!temporary) {
    values_.link_name = core_->link().port().link_name();
    values_.speed_text = core_->link().port().speed_text();
  }
  values_.phone = phone_text_;
  values_.upload115200 = upload_->tab().fast();
  values_.log_mode = core_->log().mode();
  values_.store_into(core_->settings());
  if (!options_.use_settings_file) return std::nullopt;
  const std::optional<std::string> why = core_->settings().save_settings(core_->identity().settings_path);
  if (!why) return std::nullopt;
  return format_message(core_->messages().message("VtSetNoWr"), {core_->identity().settings_path, *why});
}

// --- dispatch ---

bool Session::dispatch(const Command& call) {
  if (!commands_.has(call.id)) {
    if (window_.run_window_command(call)) return true;
    report_unavailable(call.id);
    return true;
  }
  commands_.run(call);
  update_checks();
  return true;
}

void Session::post_command(int id, long param) {
  bool first = false;
  {
    std::lock_guard lock(posted_mutex_);
    first = posted_.empty();
    posted_.push_back(Command{id, kNotifyClicked, param});
  }
  if (first) events_.commands_posted();
}

void Session::run_posted() {
  std::deque<Command> calls;
  {
    std::lock_guard lock(posted_mutex_);
    calls.swap(posted_);
  }
  for (const Command& call : calls) dispatch(call);
}

void Session::report_unavailable(int id) {
  if (id == cmd::kInfo1 || id == cmd::kInfo2) return;  // information lines, no action
  const MenuEntry* entry = find_entry(menus_, id);
  const std::string what = entry ? entry->text : core_->messages().message("VtThisCommand");
  core_->display().print_line(format_message(core_->messages().message("VtNotAvailable"), {what}));
}

void Session::run_job(const char* job_key, const std::function<void()>& body) {
  auto ticket = core_->jobs().try_begin(core_->messages().message(job_key));
  if (!ticket) return;
  body();
}

void Session::start_job(const char* job_key, std::function<void(const JobControl&)> body) {
  core_->jobs().start_worker(core_->messages().message(job_key), std::move(body));
}

void Session::add_session_commands() {
  commands_.add(cmd::kVerbose, [this](const Command&) {
    verbose_ = !verbose_;
    core_->link().tcp().set_verbose(verbose_);
  });
  commands_.add(cmd::kTargetMode, [this](const Command&) { modem_mode_ = false; });
  commands_.add(cmd::kModemMode, [this](const Command&) { modem_mode_ = true; });
  for (int id : {cmd::kLogNone, cmd::kLogOn, cmd::kLogDate}) {
    commands_.add(id, [this](const Command& call) {
      core_->log().set_mode(call.id - cmd::kLogNone);
      core_->log().apply_log_mode();
      if (std::string problem = core_->log().open_failure(core_->messages()); !problem.empty()) core_->display().print_line(problem);
    });
  }
  commands_.add(cmd::kLogErase, [this](const Command&) { core_->log().erase(); });
  commands_.add(cmd::kEnglish, [this](const Command&) { core_->messages().set_language('e'); });
  commands_.add(cmd::kFrench, [this](const Command&) { core_->messages().set_language('f'); });
  commands_.add(cmd::kGerman, [this](const Command&) { core_->messages().set_language('d'); });
  commands_.add(cmd::kStopwatch, [this](const Command&) { form_->stopwatch().press(); });
  commands_.add(cmd::kKeystroke,
                [this](const Command& call) { keyboard_->key_command(static_cast<unsigned>(call.param)); });
  commands_.add(cmd::kLineFeed, [this](const Command&) { core_->line_feed().store(!core_->line_feed().load()); });
  for (int id : {cmd::kStatusProgress, cmd::kStatusText})
    commands_.add(id, [this](const Command&) { apply_status_fields(); });
  commands_.add(cmd::kInterns, [this](const Command&) { core_->display().print_line(interns_text(core_->terminal().counters())); });
}

void Session::add_link_commands() {
  commands_.add(cmd::kPhoneField, [this](const Command&) {
    phone_text_ = limited(form_->form().text(cmd::kPhoneField), kPhoneTextChars);
    core_->link().port().set_tcp_address(phone_text_);
  });
  commands_.add(cmd::kCall, [this](const Command&) {
    dialer_->modem_tick(true);
    refresh_call_button();
  });
  for (int id : {cmd::kPhoneBookMenu, cmd::kPhoneBookButton})
    commands_.add(id, [this](const Command&) { phone_book_->phone_book_tick(true); });
  commands_.add(cmd::kPortSelector, [this](const Command& call) {
    if (call.notification == kNotifyDropDown) {
      form_->form().set_entries(cmd::kPortSelector, port_list_keeping(core_->link().port().link_name()));
    } else {
      select_link_from_form();
    }
  });
  commands_.add(cmd::kSpeedSelector, [this](const Command& call) {
    // Typing "19200" passes through "1", "19", ...: only a picked entry or Enter applies it.
    if (call.notification == kNotifySelectionChanged || call.notification == kNotifyEditEnter)
      apply_speed_from_form();
  });
  commands_.add(cmd::kOpenClose, [this](const Command&) { open_close_clicked(); });
}

void Session::add_configuration_commands() {
  commands_.add(cmd::kConfGet, [this](const Command&) {
    run_job("VtJobConfLoad", [this] { core_->exchange().request_configuration(); });
  });
  commands_.add(cmd::kConfSave, [this](const Command&) { core_->files().save_configuration(configuration_file_chooser()); });
  commands_.add(cmd::kConfLoad, [this](const Command&) { core_->files().load_configuration(configuration_file_chooser()); });
  commands_.add(cmd::kConfCompare,
                [this](const Command&) { core_->files().compare_configuration(configuration_file_chooser()); });
  commands_.add(cmd::kConfDownload, [this](const Command&) {
    // A value still being typed in the tab in front belongs to the download.
    commit_current_tab();
    downloads_->start_configuration_download();
  });
  commands_.add(cmd::kTimeNow, [this](const Command&) {
    run_job("VtJobClock", [this] { core_->exchange().send_time(TimeMode::now); });
  });
  commands_.add(cmd::kTimeHourEarlier, [this](const Command&) {
    run_job("VtJobClock", [this] { core_->exchange().send_time(TimeMode::hour_earlier); });
  });
  commands_.add(cmd::kTimeNextSecond, [this](const Command&) {
    start_job("VtJobClock", [this](const JobControl&) { core_->exchange().send_time(TimeMode::next_second); });
  });
  commands_.add(cmd::kConfErase, [this](const Command&) {
    run_job("VtJobErase", [this] { core_->exchange().erase_to_factory(); });
  });
  commands_.add(cmd::kTargetE, [this](const Command&) { core_->board().accept_identity(core_->identity().target_e); });
  commands_.add(cmd::kTargetF, [this](const Command&) { core_->board().accept_identity(core_->identity().target_f); });
  commands_.add(cmd::kTargetS, [this](const Command&) { core_->board().accept_identity(core_->identity().target_s); });
}

void Session::add_debug_commands() {
  commands_.add(cmd::kSpecialProbe, [this](const Command&) {
    start_job("VtJobProbe", [this](const JobControl&) { special_probe(core_->link().port(), core_->link().board_port()); });
  });
  commands_.add(cmd::kSamba, [this](const Command&) {
    const bool on = !core_->link().flags().samba_mode.load();
    core_->link().flags().samba_mode.store(on);
    core_->display().print_line(on ? "Rssamba=1" : "Rssamba=0");
  });
  commands_.add(cmd::kSambaInit, [this](const Command&) {
    start_job("VtJobSambaInit", [this](const JobControl&) { samba_auto_baud(core_->link().port(), core_->display()); });
  });
  commands_.add(cmd::kOpenCom, [this](const Command&) { probe_devices(core_->display()); });
}

// --- the main tabs ---

void Session::select_tab(int logical) {
  const int leaving = form_->current_tab();
  if (logical == leaving) return;
  commit_current_tab();  // the tab being left keeps its edits
  if (leaving == 2) analog_tab_->set_section_current(false);
  form_->set_current_tab(logical);
  if (logical == 2) {
    analog_tab_->set_section_current(true);
    analog_tab_->reparse();
  }
  macro_tab_->show_macro();
}

void Session::commit_current_tab() {
  switch (form_->current_tab()) {
    case 1: grid_->commit_config_tab(); break;
    case 2: analog_tab_->store(); break;
    case 3: macro_tab_->commit_macro(); break;
    default: break;
  }
}

void Session::show_configuration_tab() {
  // A file load has just reset the table: what the tab in front still holds belongs to the
  // configuration it replaces, so the switch commits nothing.
  if (form_->current_tab() == 2) analog_tab_->set_section_current(false);
  form_->set_current_tab(1);
  window_.show_logical_tab(1);
}

FileChooser& Session::configuration_file_chooser() {
  if (FileChooser* chooser = window_.file_chooser()) return *chooser;
  return quiet_;
}

namespace {

std::vector<bool> check_marks(const std::vector<Menu>& bar) {
  std::vector<bool> marks;
  for_each_entry(bar, [&](const MenuEntry& entry) { marks.push_back(entry.checked); });
  return marks;
}

}  // namespace

void Session::update_checks() {
  const std::vector<bool> before = check_marks(menus_);
  check_exclusive(menus_, {cmd::kVerbose}, verbose_ ? cmd::kVerbose : 0);
  check_exclusive(menus_, {cmd::kTargetMode, cmd::kModemMode}, modem_mode_ ? cmd::kModemMode : cmd::kTargetMode);
  static constexpr int kLogEntries[] = {cmd::kLogNone, cmd::kLogOn, cmd::kLogDate};
  const int mode = core_->log().mode();
  check_exclusive(menus_, {cmd::kLogNone, cmd::kLogOn, cmd::kLogDate}, mode >= 0 && mode <= 2 ? kLogEntries[mode] : 0);
  check_exclusive(menus_, {cmd::kLineFeed}, core_->line_feed().load() ? cmd::kLineFeed : 0);
  refresh_terminal_checks(menus_, *terminal_choices_);
  if (check_marks(menus_) != before) events_.checks_changed();
}

void Session::select_link_from_form() {
  const Form& form = form_->form();
  // Device paths under /dev/serial/by-id are far longer than a COM name: the port keeps 255.
  core_->link().port().select(limited(form.text(cmd::kPortSelector), kLinkNameChars),
                       limited(form.text(cmd::kSpeedSelector), kSelectorChars));
  form_->show_speed_selector(core_->link().port().link_name());
}

void Session::apply_speed_from_form() {
  const std::string text = limited(form_->form().text(cmd::kSpeedSelector), kSelectorChars);
  const long speed = leading_integer(text);
  const bool open = core_->link().port().serial_open();
  if (open && speed != core_->link().port().speed() && !serial_speed_supported(speed)) {
    // The port stays open at the speed it has; the selector shows that speed again.
    core_->display().print_line(format_message(core_->messages().message("VtSpeedRefused"), {text}));
    form_->form().set_text(cmd::kSpeedSelector, std::to_string(core_->link().port().speed()));
    return;
  }
  select_link_from_form();
  core_->link().port().set_speed(speed, true);
}

void Session::open_close_clicked() {
  if (core_->link().port().close_link()) return;
  if (core_->link().tcp().tcp_close()) return;
  // An open takes what the selectors show, also the entry offered when nothing was chosen.
  select_link_from_form();
  core_->link().port().set_tcp_address(phone_text_);
  core_->link().port().open_link(false);
}

void Session::refresh_call_button() {
  dialer_->update_call_button();
  const CallButtonLook& look = dialer_->call_button();
  form_->form().set_check_state(cmd::kCall, static_cast<int>(look.check));
  form_->form().set_text(cmd::kCall, look.caption);
}

// --- closing while a job runs ---

std::optional<Session::CloseQuestion> Session::close_question() const {
  const std::string job = core_->jobs().running_job();
  if (job.empty()) return std::nullopt;
  CloseQuestion question;
  question.text = format_message(core_->messages().message("VtCloseAsk"), {job});
  for (const std::string& line : core_->jobs().held_stop_lines()) question.text += "\n\n" + line;
  question.wait = core_->messages().message("VtCloseWait");
  question.stop_job = core_->messages().message("VtCloseStop");
  question.close_anyway = core_->messages().message("VtCloseAnyway");
  return question;
}

bool Session::answer_close(CloseAnswer answer) {
  switch (answer) {
    case CloseAnswer::wait: return false;
    case CloseAnswer::stop_job: {
      const std::string job = core_->jobs().running_job();
      if (job.empty()) return true;  // it ended while the question was open
      dispatch(cmd::kStop);
      close_when_idle_ = true;
      core_->display().print_line(format_message(core_->messages().message("VtCloseLater"), {job}));
      return false;
    }
    case CloseAnswer::close_anyway:
      core_->jobs().request_stop();
      core_->link().close();
      return true;
  }
  return false;
}

bool Session::take_close_due() {
  if (!close_when_idle_ || core_->jobs().busy()) return false;
  close_when_idle_ = false;
  return true;
}

// --- timer ---

void Session::tick() {
  const std::tm local = clock_.local_now();
  const std::time_t now = clock_.epoch_now();
  const std::int64_t ms = clock_.monotonic_ms();
  apply_status_fields();
  form_->timer_tick(*this, local, static_cast<long>((ms / 100) % (24L * 3600 * 10)));
  core_->jobs().reap();
  for (auto& duty : tick_duties_) duty();
  if (now != last_second_) {
    last_second_ = now;
    for (auto& duty : second_duties_) duty();
  }
}

void Session::supervise_phone_and_modem() {
  dialer_->modem_tick(false);
  refresh_call_button();
  phone_book_->phone_book_tick(false);
}

// --- status ---

void Session::set_progress(std::string_view text) {
  {
    std::lock_guard lock(status_mutex_);
    pending_progress_ = std::string(text);
  }
  post_command(cmd::kStatusProgress);
}

void Session::set_status(std::string_view text) {
  core_->display().print_line(text);
  {
    std::lock_guard lock(status_mutex_);
    pending_status_ = std::string(text);
  }
  post_command(cmd::kStatusText);
}

void Session::apply_status_fields() {
  std::optional<std::string> progress, status;
  {
    std::lock_guard lock(status_mutex_);
    progress.swap(pending_progress_);
    status.swap(pending_status_);
  }
  if (progress) form_->form().set_text(cmd::kStatusProgress, *progress);
  if (status) form_->form().set_text(cmd::kStatusText, *status);
}

// --- the subsystems' window side ---

void Session::request_rebuild() {
  if (!rebuild_pending_.exchange(true)) events_.rebuild_requested();
}

std::string Session::phone_field_text() { return limited(form_->form().text(cmd::kPhoneField), kPhoneTextChars); }

void Session::set_phone_list(const PhoneList& list) {
  Form& form = form_->form();
  form.set_entries(cmd::kPhoneField, list.entries);
  form.set_selection(cmd::kPhoneField, list.selected);
  if (list.selected >= 0 && list.selected < static_cast<int>(list.entries.size()))
    form.set_text(cmd::kPhoneField, list.entries[static_cast<std::size_t>(list.selected)]);
}

bool Session::write_char(unsigned char c) {
  if (!core_->link().port().write_char(static_cast<char>(c))) return false;
  const char byte = static_cast<char>(c);
  core_->display().sent(std::string_view(&byte, 1));
  return true;
}
bool Session::write_text(std::string_view bytes) {
  if (!core_->link().port().write_text(bytes)) return false;
  core_->display().sent(bytes);
  return true;
}

}  // namespace vexa
