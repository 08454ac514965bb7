#pragma once
// The program's session without a window system: over the headless core (identity, settings,
// texts, capture log, configuration, board identity, terminal, link, board jobs, configuration
// exchange and files) it builds the rest in start-up order (main window form, menus, grid, modem
// and phone book, the transfers and tools), dispatches commands through a table that each
// subsystem adds its rows to, runs the 100 ms and one-second timer duties and keeps the menu
// check marks.
//
// The front end (the desktop window, a test, the command line program) gives it two things:
// SessionEvents, told from any thread what changed (it should queue them onto its own thread),
// and SessionWindow, asked on the window thread for what only a window has (tabs, dialogs,
// the clipboard, the phone book editor).
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "analog/analog_tab.h"
#include "analog/calibration_export.h"
#include "analog/input_types.h"
#include "analog/live_data.h"
#include "base/board_jobs.h"
#include "base/capture_log.h"
#include "base/command_table.h"
#include "base/identity.h"
#include "app/headless_core.h"
#include "app/line_settings_form.h"
#include "app/main_window_form.h"
#include "base/menu_table.h"
#include "app/quiet_front_end.h"
#include "base/messages.h"
#include "base/session_ports.h"
#include "base/settings.h"
#include "app/terminal_choices.h"
#include "build/board_recovery.h"
#include "build/compile_tab.h"
#include "config/board_identity.h"
#include "config/clock_check.h"
#include "config/config_exchange.h"
#include "config/config_files.h"
#include "config/config_grid.h"
#include "config/configuration.h"
#include "config/file_chooser.h"
#include "download/download_commands.h"
#include "macro/macro_tab.h"
#include "upload/upload_subsystem.h"
#include "factory/factory_test.h"
#include "link/link_session.h"
#include "link/modem_dialer.h"
#include "link/modem_dialer.h"
#include "link/phone_book.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "terminal/keyboard.h"
#include "terminal/terminal.h"

namespace vexa {

struct SessionOptions {
  std::string argv0 = "vexaterm";
  std::string working_directory;  // empty: the current directory
  std::string program_directory;  // the folder phonebook.txt goes beside when writable; empty: the running program's
  bool use_settings_file = true;  // read at start (the front end writes it at exit)
  std::string settings_text;      // extra 'name=value' lines applied after the file (tests)
  bool open_at_start = false;     // start() opens the selected port (the desktop's --port)
};

// What changed, told from any thread. Every call must return quickly; a window queues it.
class SessionEvents {
 public:
  virtual ~SessionEvents() = default;
  // The configuration tab should be rebuilt (a burst of requests asks once until taken).
  virtual void rebuild_requested() {}
  virtual void link_changed(bool /*open*/) {}
  virtual void speed_changed(long /*speed*/) {}
  // A new board identity: title, identity field, lamps and the configuration tab follow.
  virtual void target_changed() {}
  // A loader's banner renamed the board: only the window title follows.
  virtual void title_changed() {}
  // The terminal has text for its view: call Session::flush_terminal on the window thread.
  virtual void flush_requested() {}
  // Commands were posted: call Session::run_posted on the window thread.
  virtual void commands_posted() {}
  // Menu check marks changed.
  virtual void checks_changed() {}
};

// What only a window has, asked on the window thread. The defaults suit a session without one.
class SessionWindow {
 public:
  virtual ~SessionWindow() = default;
  // Commands the session has no row for (the window's tabs, dialogs and shell opens).
  virtual bool run_window_command(const Command& /*call*/) { return false; }
  // Brings the tab forward; the window then tells Session::select_tab as for a user's choice.
  virtual void show_logical_tab(int /*logical*/) {}
  virtual void layout_changed() {}
  virtual void rebuild_configuration_tab() {}
  virtual bool open_phone_editor(const std::string& /*path*/) { return false; }
  virtual bool phone_editor_open() { return false; }
  virtual std::optional<std::string> clipboard_text() { return std::nullopt; }
  // The chooser of the configuration file commands; null: they report that no file was chosen.
  virtual FileChooser* file_chooser() { return nullptr; }
  // What the later subsystems need of a window, asked once while the session is built; null: a
  // quiet stand-in (no file is ever chosen, nothing is drawn or played).
  virtual CompileFileChooser* compile_file_chooser() { return nullptr; }
  virtual FactoryTestOutput* factory_output() { return nullptr; }
  virtual FileChooser* export_file_chooser() { return nullptr; }
  virtual DocumentOpener* document_opener() { return nullptr; }
  virtual DownloadDialogs* download_dialogs() { return nullptr; }
  // The system beep (the end of a firmware download).
  virtual void beep() {}
  // The menu bar's entries changed (the recent firmware files): build it again.
  virtual void menus_changed() {}
  // The running job's progress: done of total pages, bytes or lines (total 0: none to show).
  virtual void job_progress(long /*done*/, long /*total*/) {}
  // A line of text asked of the user (prompt, initial text); nothing when cancelled.
  virtual std::optional<std::string> ask_text(const std::string& /*prompt*/, const std::string& /*initial*/) {
    return std::nullopt;
  }
  // The line settings dialog, shown modally; each Apply or OK hands its choice to apply, whose
  // answer (what the port took) the form shows.
  virtual void edit_line_settings(LineSettingsForm& /*form*/, const LineSettingsForm::Apply& /*apply*/) {}
  // A file to send to the board and its pacing (line_end is filled in by the session);
  // nothing when cancelled.
  virtual std::optional<SendFileRequest> choose_send_file() { return std::nullopt; }
  // Where to save the terminal's text; nothing when cancelled.
  virtual std::optional<std::string> choose_text_file() { return std::nullopt; }
  // The terminal's search (Ctrl-F).
  virtual void find_in_terminal() {}
};

class Session final : public RebuildRequester,
                      public LinkObserver,
                      public TargetChangeListener,
                      public ModemWindow,
                      public PhoneBookWindow,
                      public KeyboardLink,
                      public Clipboard,
                      public ConfigGridHooks,
                      public ConfigFileHooks,
                      public TimerDuties,
                      public CommandPoster,
                      public StatusLine {
 public:
  // view: the terminal's text output, owned by the front end and shown on the window thread.
  Session(TerminalView& view, const SessionOptions& options, SessionEvents& events, SessionWindow& window,
          const Clock& clock = SystemClock::instance());
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Starts the receive thread and applies the settings' link selection; opens it when the
  // options say so.
  void start();
  // Selects a port by name and speed as the selectors do, optionally opening it (the
  // simulated board of the desktop's --simulate); it is not stored as the user's port.
  // identity_line, when given, is the board's: the tabs follow it before any load. While the
  // port is in use, neither the port nor that identity is stored as the user's.
  void use_temporary_port(const std::string& link_name, long speed, bool open,
                          const std::string& identity_line = {});
  // Stops the worker and the receive thread and closes the link (idempotent).
  void shutdown();
  // Stores the program-wide values and writes the settings file; on failure the line that says
  // which file and why.
  std::optional<std::string> save_settings();

  // A command from a control, a menu entry, a key or a posted message: the session's row,
  // else the window's. False when nobody carries it out.
  bool dispatch(const Command& call);
  bool dispatch(int id, int notification = kNotifyClicked, long param = 0) {
    return dispatch(Command{id, notification, param});
  }
  CommandTable& commands() { return commands_; }

  // CommandPoster: queued for run_posted on the window thread.
  void post_command(int id, long param = 0) override;
  // Runs what was posted (window thread).
  void run_posted();

  // StatusLine (any thread): the progress field and the status text.
  void set_progress(std::string_view text) override;
  void set_status(std::string_view text) override;
  // Puts the status fields set from other threads into the form (window thread).
  void apply_status_fields();

  // The 100 ms timer (window thread): clock, stopwatch, link check mark, modem and phone
  // book, the tab commit, the port probe, the worker's reaping, then the duties subsystems
  // added; the one-second duties when the calendar second changed.
  void tick();
  void add_tick_duty(std::function<void()> duty) { tick_duties_.push_back(std::move(duty)); }
  void add_second_duty(std::function<void()> duty) { second_duties_.push_back(std::move(duty)); }

  // The main tab in front changes (logical tab numbers): the tab being left commits its edits,
  // the inputs section learns whether it is current, the macro tab shows its macro again.
  // Choosing the tab already in front changes nothing.
  void select_tab(int logical);
  // Stores the edits of the tab in front into the configuration table: the grid on tab 1, the
  // analog tab on tab 2, the macro tab on tab 3; other tabs have nothing to commit.
  void commit_current_tab() override;

  // The main window's layout. in carries what only the window measures (its sizes, the rows of
  // the inputs and macro sub-tab bars); the configuration rows and the view in front on the
  // inputs tab are the core's, filled in here.
  LayoutResult lay_out(LayoutInput in);

  // The window takes the pending rebuild request: later requests ask again.
  void rebuild_taken() { rebuild_pending_.store(false); }
  // Shows what the terminal collected (window thread).
  void flush_terminal() { core_->terminal().flush(); }

  // The part the command line program runs on too.
  HeadlessCore& core() { return *core_; }
  const Identity& identity() const { return core_->identity(); }
  Settings& settings() { return core_->settings(); }
  Messages& messages() { return core_->messages(); }
  CaptureLog& log() { return core_->log(); }
  Configuration& configuration() { return core_->configuration(); }
  BoardIdentity& board() { return core_->board(); }
  Terminal& terminal() { return core_->terminal(); }
  // Where the program's own lines go: the terminal, through the display filter so that a
  // switch of the view keeps them.
  ReportSink& reports() { return core_->display(); }
  // The terminal's own choices and the filter the received bytes pass on their way to it.
  TerminalChoices& terminal_choices() { return *terminal_choices_; }
  DisplayFilter& display() { return core_->display(); }
  LinkSession& link() { return core_->link(); }
  ConfigExchange& exchange() { return core_->exchange(); }
  ConfigFiles& files() { return core_->files(); }
  ConfigGrid& grid() { return *grid_; }
  ModemDialer& dialer() { return *dialer_; }
  PhoneBook& phone_book() { return *phone_book_; }
  TerminalKeyboard& keyboard() { return *keyboard_; }
  MainWindowForm& window_form() { return *form_; }
  BoardJobs& jobs() { return core_->jobs(); }
  const Clock& clock() const { return clock_; }
  const InputTypeTable& input_types() const { return core_->input_types(); }
  FactoryTest& factory_test() { return *factory_; }
  // The compile tab, or null in a variant without one.
  CompileTab* compile_tab() { return compile_.get(); }
  AnalogTab& analog_tab() { return *analog_tab_; }
  DownloadCommands& downloads() { return *downloads_; }
  UploadSubsystem& upload() { return *upload_; }
  MacroTab& macro_tab() { return *macro_tab_; }
  LiveData& live_data() { return *live_data_; }
  const std::string& working_directory() const { return working_directory_; }
  const std::vector<Menu>& menus() const { return menus_; }

  bool verbose() const { return verbose_; }
  bool modem_mode() const { return modem_mode_; }
  bool line_feed() const { return core_->line_feed().load(); }
  const std::string& phone_text() const { return phone_text_; }

  // Closing the window while a board job runs asks first. The question, in the user's language,
  // or nothing when no job runs.
  struct CloseQuestion {
    std::string text;  // what runs and what each answer does (with Stop's reason when it holds Stop off)
    std::string wait, stop_job, close_anyway;  // the three answers
  };
  std::optional<CloseQuestion> close_question() const;
  enum class CloseAnswer { wait, stop_job, close_anyway };
  // The user's answer; true when the window closes now. Wait: the job goes on and the window
  // stays. Stop the job: Stop as the menu gives it, and the window closes once the job has
  // ended (take_close_due). Close anyway: the link is closed under the job, which then fails at
  // its next read or write, so that the shutdown does not wait for a job that holds Stop off.
  bool answer_close(CloseAnswer answer);
  // True once, on the window thread, when the job a "stop the job" answer waits for has ended.
  bool take_close_due();

  // Sets the call button (712) from the dialer's call state.
  void refresh_call_button();
  // "<entry>: not available in this version yet" in the user's language.
  void report_unavailable(int id);

 private:
  // RebuildRequester, LinkObserver, TargetChangeListener (any thread).
  void request_rebuild() override;
  void link_state_changed(bool open) override { events_.link_changed(open); }
  void speed_selected(long speed) override { events_.speed_changed(speed); }
  void target_changed(const BoardIdentityData&) override { events_.target_changed(); }
  void loader_identity(const BoardIdentityData&) override { events_.title_changed(); }
  // ModemWindow, PhoneBookWindow (window thread).
  std::string phone_field_text() override;
  void set_phone_list(const PhoneList& list) override;
  bool open_editor(const std::string& path) override { return window_.open_phone_editor(path); }
  bool editor_exists() override { return window_.phone_editor_open(); }
  // KeyboardLink, Clipboard.
  bool write_char(unsigned char c) override;
  bool write_text(std::string_view bytes) override;
  std::optional<std::string> text() override { return window_.clipboard_text(); }
  // ConfigGridHooks, ConfigFileHooks.
  void layout_changed() override { window_.layout_changed(); }
  void show_configuration_tab() override;
  void rebuild_configuration_tab() override { window_.rebuild_configuration_tab(); }
  // TimerDuties.
  bool link_open() override { return core_->link().port().link_is_open(); }
  void supervise_phone_and_modem() override;
  bool reading_enabled() override { return core_->link().flags().reading_enabled.load(); }
  void probe_port() override;
  bool factory_tick() override { return factory_->tick_100ms(); }

  void add_session_commands();
  void add_link_commands();
  void add_configuration_commands();
  void add_debug_commands();
  // The downloads, the upload and the macros (session_transfers.cpp).
  void build_transfers();
  void add_transfer_commands();
  void detach_transfers();
  // The compile tab, the factory test and the analog section (session_tools.cpp).
  void build_tools();
  void build_terminal_choices();
  void save_terminal_text(const std::string& path);
  void add_tool_commands();
  void detach_tools();
  // Runs body as a board job on the window thread; refused while another job runs.
  void run_job(const char* job_key, const std::function<void()>& body);
  // Starts body as a board job on the download worker.
  void start_job(const char* job_key, std::function<void(const JobControl&)> body);
  FileChooser& configuration_file_chooser();
  void update_checks();
  void select_link_from_form();
  void apply_speed_from_form();
  void open_close_clicked();

  SessionOptions options_;
  SessionEvents& events_;
  SessionWindow& window_;
  const Clock& clock_;
  std::string working_directory_;
  SessionValues values_;
  std::unique_ptr<HeadlessCore> core_;
  std::unique_ptr<MainWindowForm> form_;
  std::vector<Menu> menus_;
  std::unique_ptr<ConfigGrid> grid_;
  std::unique_ptr<ModemDialer> dialer_;
  std::unique_ptr<PhoneBook> phone_book_;
  std::unique_ptr<TerminalKeyboard> keyboard_;
  std::unique_ptr<TerminalChoices> terminal_choices_;
  QuietFrontEnd quiet_;  // for what the window does not give
  SpawnLauncher launcher_;
  std::unique_ptr<BoardIdentityTarget> loader_target_;
  std::unique_ptr<DownloadCommands> downloads_;
  std::unique_ptr<UploadSubsystem> upload_;
  std::unique_ptr<MacroTab> macro_tab_;
  std::unique_ptr<WorkerRecovery> recovery_;
  std::unique_ptr<FirmwareFileTarget> firmware_target_;
  std::unique_ptr<CompileTab> compile_;
  std::unique_ptr<FactoryTest> factory_;
  std::unique_ptr<AnalogTab> analog_tab_;
  std::unique_ptr<LiveData> live_data_;
  // After the consumers they put on the link's line table, so they leave it first.
  LineRegistration loader_lines_, factory_lines_, analog_lines_, view_lines_;
  CommandTable commands_;
  std::vector<std::function<void()>> tick_duties_;
  std::vector<std::function<void()>> second_duties_;
  std::time_t last_second_ = 0;

  bool verbose_ = false;
  bool modem_mode_ = false;
  std::string phone_text_;
  std::string temporary_link_;  // a port selected for this run only
  std::optional<std::string> temporary_identity_;  // the identity before a temporary port's board
  JobProgress shown_progress_;  // what the window's bar shows
  bool close_when_idle_ = false;  // a "stop the job" answer waits for the job's end
  std::vector<std::string> start_problems_;  // said in the terminal at start

  std::mutex posted_mutex_;
  std::deque<Command> posted_;  // guarded by posted_mutex_
  std::mutex status_mutex_;
  std::optional<std::string> pending_progress_;  // guarded by status_mutex_
  std::optional<std::string> pending_status_;    // guarded by status_mutex_
  std::atomic<bool> rebuild_pending_{false};
  bool started_ = false;
  bool shut_down_ = false;
};

}  // namespace vexa
