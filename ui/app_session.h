#pragma once
// Everything the desktop program's main window works with, built in start-up order: identity,
// settings, texts, capture log, configuration, board identity, terminal, link session,
// configuration exchange, files and grid, modem dialer and phone book, and the simulated board
// of --simulate. Cross-thread notices (configuration rebuild, link state, new board, terminal
// flush) are emitted as signals; the window connects them queued, so they run on its thread.
#include <QObject>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "analog/input_types.h"
#include "app/capture_log.h"
#include "app/identity.h"
#include "app/main_window_form.h"
#include "app/menu_table.h"
#include "app/messages.h"
#include "app/settings.h"
#include "config/board_identity.h"
#include "config/clock_check.h"
#include "config/config_exchange.h"
#include "config/config_files.h"
#include "config/config_grid.h"
#include "config/configuration.h"
#include "link/link_session.h"
#include "link/modem_dialer.h"
#include "link/modem_port.h"
#include "link/phone_book.h"
#include "terminal/keyboard.h"
#include "terminal/terminal.h"

namespace vexa::sim {
class BoardServer;
}

namespace vexa::ui {

struct SessionOptions {
  std::string argv0 = "vexaterm";
  std::string working_directory;  // empty: the current directory
  std::string program_directory;  // where phonebook.txt lives; empty: the running program's
  bool use_settings_file = true;  // read at start (the program writes it at exit)
  char simulate = 0;              // 'E', 'F' or 'S': a simulated board on a pty
  bool open_simulated = true;     // open the simulated board's port at start
  std::string settings_text;      // extra 'name=value' lines applied after the file (tests)
};

// Parsed command line of vexaterm; error is set for bad arguments.
struct CommandLine {
  SessionOptions options;
  bool help = false;
  std::string error;
};
CommandLine parse_command_line(int argc, char** argv);
std::string command_line_help();

class AppSession final : public QObject,
                         public RebuildRequester,
                         public LinkObserver,
                         public TargetChangeListener,
                         public ModemWindow,
                         public PhoneBookWindow,
                         public KeyboardLink,
                         public Clipboard,
                         public ConfigGridHooks,
                         public ConfigFileHooks {
  Q_OBJECT
 public:
  // view: the terminal's text control, created on this (the window) thread.
  AppSession(TerminalView& view, const SessionOptions& options, QObject* parent = nullptr);
  ~AppSession() override;

  // Starts the receive thread, applies the settings' link selection and, with a simulated
  // board, opens its port. Call once the window's signal connections stand.
  void start();
  // Stops the worker and the receive thread and closes the link (idempotent).
  void shutdown();
  // Stores the program-wide values and writes the settings file.
  void save_settings();

  const Identity& identity() const { return identity_; }
  Settings& settings() { return settings_; }
  Messages& messages() { return *messages_; }
  CaptureLog& log() { return *log_; }
  Configuration& configuration() { return *configuration_; }
  BoardIdentity& board() { return *board_; }
  Terminal& terminal() { return *terminal_; }
  LinkSession& link() { return *link_; }
  ConfigExchange& exchange() { return *exchange_; }
  ConfigFiles& files() { return *files_; }
  ConfigGrid& grid() { return *grid_; }
  ModemDialer& dialer() { return *dialer_; }
  PhoneBook& phone_book() { return *phone_book_; }
  TerminalKeyboard& keyboard() { return *keyboard_; }
  MainWindowForm& window_form() { return *form_; }
  const InputTypeTable& input_types() const { return input_types_; }
  sim::BoardServer* simulated_board() { return board_server_.get(); }
  const std::string& simulated_link() const { return simulated_link_; }

  // Carries out a command that needs no window of its own (the link, the board, the log, the
  // switches and their check marks); false for the window's own commands and unknown ids.
  bool run_command(int id, int notification, long param);
  // The window takes the pending rebuild request: later requests ask again.
  void rebuild_taken() { rebuild_pending_.store(false); }
  // Sets the call button (712) from the dialer's call state.
  void refresh_call_button();
  const std::string& working_directory() const { return working_directory_; }
  // The menu bar's entries, with the check marks of the switches kept up to date.
  const std::vector<Menu>& menus() const { return menus_; }

  // The worker thread for commands that talk to the board for a while (configuration
  // download, the clock at the next second, the debug byte sequences): one at a time; false
  // when one still runs.
  bool start_worker(int command);
  bool worker_running() const { return worker_running_.load(); }
  // Joins a worker that has finished (the timer calls it).
  void reap_worker();

  bool verbose = false;
  std::atomic<bool> line_feed{false};  // read by the board clock check on the receive thread
  bool modem_mode = false;
  std::string phone_text;

  // The window's parts the session asks for (set by the main window).
  std::function<void()> on_commit_current_tab;
  std::function<void()> on_show_configuration_tab;
  std::function<void()> on_rebuild_configuration_tab;
  std::function<void()> on_layout;
  std::function<bool(const std::string&)> on_open_phone_editor;
  std::function<bool()> on_phone_editor_exists;
  std::function<void(const std::string&)> on_status_text;

  // The file chooser of the configuration file commands (a dialog unless replaced).
  FileChooser& file_chooser();
  void set_file_chooser(FileChooser* chooser) { chooser_override_ = chooser; }
  // The window the file dialogs belong to.
  void set_dialog_parent(QWidget* parent) { dialog_parent_ = parent; }

 signals:
  void rebuild_requested();
  void link_changed(bool open);
  void speed_changed(long speed);
  void target_changed_signal();
  void flush_requested();

 private:
  // RebuildRequester, LinkObserver, TargetChangeListener (any thread: emit only).
  // Requests from a burst of configuration lines become one rebuild.
  void request_rebuild() override {
    if (!rebuild_pending_.exchange(true)) emit rebuild_requested();
  }
  void link_state_changed(bool open) override { emit link_changed(open); }
  void speed_selected(long speed) override { emit speed_changed(speed); }
  void target_changed(const BoardIdentityData&) override { emit target_changed_signal(); }
  // ModemWindow and PhoneBookWindow (window thread).
  std::string phone_field_text() override;
  void set_status(std::string_view text) override;
  void set_phone_list(const PhoneList& list) override;
  bool open_editor(const std::string& path) override;
  bool editor_exists() override;
  // KeyboardLink, Clipboard.
  bool write_char(unsigned char c) override;
  bool write_text(std::string_view bytes) override;
  std::optional<std::string> text() override;
  // ConfigGridHooks, ConfigFileHooks.
  void layout_changed() override;
  void commit_current_tab() override;
  void show_configuration_tab() override;
  void rebuild_configuration_tab() override;

  void start_simulated_board(char letter);
  void run_on_worker(int command);
  void update_checks();
  void select_link_from_form();
  void open_close_clicked();

  SessionOptions options_;
  std::string working_directory_;
  Identity identity_;
  Settings settings_;
  SessionValues values_;
  std::unique_ptr<Messages> messages_;
  std::unique_ptr<CaptureLog> log_;
  std::unique_ptr<Configuration> configuration_;
  InputTypeTable input_types_;
  std::unique_ptr<TableInputTypeDefaults> type_defaults_;
  std::unique_ptr<BoardIdentity> board_;
  std::unique_ptr<MainWindowForm> form_;
  std::vector<Menu> menus_;
  std::unique_ptr<Terminal> terminal_;
  std::unique_ptr<LinkSession> link_;
  std::unique_ptr<BoardClockCheck> clock_check_;
  std::unique_ptr<ConfigExchange> exchange_;
  std::unique_ptr<ConfigGrid> grid_;
  std::unique_ptr<ConfigFiles> files_;
  std::unique_ptr<ModemPort> modem_port_;
  std::unique_ptr<ModemDialer> dialer_;
  std::unique_ptr<PhoneBook> phone_book_;
  std::unique_ptr<TerminalKeyboard> keyboard_;
  std::unique_ptr<FileChooser> dialog_chooser_;
  FileChooser* chooser_override_ = nullptr;
  QWidget* dialog_parent_ = nullptr;
  std::unique_ptr<sim::BoardServer> board_server_;
  std::string simulated_dir_;
  std::string simulated_link_;
  std::thread worker_;
  std::atomic<bool> worker_running_{false};
  std::atomic<bool> rebuild_pending_{false};
  bool started_ = false;
  bool shut_down_ = false;
};

}  // namespace vexa::ui
