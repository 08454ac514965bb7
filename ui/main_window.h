#pragma once
// The desktop program's main window: the form's controls as widgets, the tab control with the
// terminal and the configuration tab, the menu bar and the 100 ms timer. The session
// underneath holds the program's state and carries out the commands; this class shows it,
// hands the user's actions on and does what only a window can (tabs, dialogs, shell opens).
#include <QImage>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <map>
#include <memory>

#include "base/command_ids.h"
#include "app/command_line.h"
#include "base/form.h"
#include "app/main_window_form.h"
#include "app/session.h"
#include "base/board_simulator.h"
#include "ui/phone_book_editor.h"
#include "ui/qt_translations.h"
#include "ui/session_bridge.h"
#include "ui/tab_area.h"

class QAction;
class QMenu;
class QProgressBar;
class QTimer;

namespace vexa::ui {

class FindDialog;
class AnalogSectionWidget;
class MacroTabWidget;
class QtDownloadDialogs;
class UploadTabWidget;
class CompileTabWidget;
class ConfigFileDialog;
class ConfigTabWidget;
class FactoryIndicator;
class FormBinder;
class QtCompileFileChooser;
class SoundPlayer;
class TerminalWidget;

class MainWindow final : public QMainWindow, public SessionWindow {
  Q_OBJECT
 public:
  // clock: the session's and the timer's clock (tests give a fixed one); simulator: the board
  // that --simulate starts (not owned; null: the program has none).
  explicit MainWindow(const DesktopOptions& options, QWidget* parent = nullptr,
                      const Clock& clock = SystemClock::instance(), BoardSimulator* simulator = nullptr);
  ~MainWindow() override;

  Session& session() { return *session_; }
  SessionBridge& bridge() { return *bridge_; }
  // The chooser of the configuration file commands (a file dialog unless replaced).
  void set_file_chooser(FileChooser* chooser) { chooser_override_ = chooser; }
  MainWindowForm& window_form() { return session_->window_form(); }
  FormBinder& binder() { return *binder_; }
  TerminalWidget& terminal_widget() { return *terminal_; }
  // The terminal's search window (null until the first search).
  FindDialog* find_dialog() const { return find_dialog_; }
  ConfigTabWidget& config_tab() { return *config_tab_; }
  AnalogSectionWidget& analog_section() { return *analog_; }
  UploadTabWidget& upload_tab() { return *upload_; }
  MacroTabWidget& macro_tab() { return *macro_; }
  // The running job's bar in the status row (pages, bytes or lines).
  QProgressBar& page_progress_bar() { return *progress_; }
  // The compile tab, or null in a variant without one.
  CompileTabWidget* compile_tab() { return compile_; }
  TabArea& tab_area() { return *tabs_; }
  QWidget& client() { return *client_; }
  // The menu bar's action of a command id, or null.
  QAction* action(int id) const;
  // The last layout's results (terminal top, tab size).
  const LayoutResult& last_layout() const { return layout_; }

  // A command as a control, a menu entry, a key or another part of the program sends it.
  void run_command(int id, int notification = kNotifyClicked, long param = 0);
  // Writes the settings file, saying so in the terminal when it cannot.
  void save_settings();
  // Lays the controls out for the client size and the tab in front, then flushes the terminal.
  void lay_out();
  // One tick of the 100 ms timer (the timer calls it; tests may call it directly).
  void tick();

  // Opens an address or a file with the desktop's handler (tests replace it).
  std::function<bool(const QUrl&)> open_external;
  // The language message box while it is shown, else null.
  QMessageBox* language_box() const { return language_box_; }
  // The question that closing the window asks while a board job runs, while it is shown.
  QMessageBox* close_box() const { return close_box_; }
  // The phone book editor while it is open, else null.
  PhoneBookEditor* phone_editor() const { return phone_editor_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // SessionWindow.
  bool run_window_command(const Command& call) override;
  void show_logical_tab(int logical) override;
  void layout_changed() override { queue_layout(); }
  void rebuild_configuration_tab() override { run_command(cmd::kRebuildConfig); }
  bool open_phone_editor(const std::string& path) override;
  bool phone_editor_open() override { return phone_editor_ && phone_editor_->isVisible(); }
  std::optional<std::string> clipboard_text() override;
  FileChooser* file_chooser() override;
  CompileFileChooser* compile_file_chooser() override;
  FactoryTestOutput* factory_output() override;
  FileChooser* export_file_chooser() override;
  DocumentOpener* document_opener() override { return &opener_; }
  DownloadDialogs* download_dialogs() override;
  void beep() override;
  void menus_changed() override;
  void job_progress(long done, long total) override;
  std::optional<std::string> ask_text(const std::string& prompt, const std::string& initial) override;
  std::optional<SendFileRequest> choose_send_file() override;
  void edit_line_settings(LineSettingsForm& form, const LineSettingsForm::Apply& apply) override;
  std::optional<std::string> choose_text_file() override;
  void find_in_terminal() override;

  ConfigFileDialog& file_dialog();
  void build_menus();
  void add_menu_entries(QMenu* menu, const std::vector<MenuEntry>& entries);
  void refresh_menu_checks();
  void connect_session_events();
  void start_simulated_board(const DesktopOptions& options);
  void tab_selected(int position);
  void link_state_changed(bool open);
  void update_local_echo();
  void target_changed();
  void refresh_title();
  void open_manual(const char* file_name);
  void show_language_box();
  // Asks what to do with the running job; true when it was asked (the close then waits).
  bool ask_before_close();
  void queue_layout();

  QImage strip_;
  QtTranslations qt_texts_;  // Qt's dialogs in the language the program started with
  ClientArea* client_ = nullptr;
  TabArea* tabs_ = nullptr;
  TerminalWidget* terminal_ = nullptr;
  FindDialog* find_dialog_ = nullptr;  // made on the first Ctrl-F
  SendFileRequest send_request_;       // the last Send file choices
  SessionBridge* bridge_ = nullptr;
  std::unique_ptr<Session> session_;
  BoardSimulator* simulator_;
  // The configuration files' and the calibration table's dialog, with its last choice.
  std::unique_ptr<ConfigFileDialog> file_dialog_;
  std::unique_ptr<QtCompileFileChooser> compile_chooser_;
  SoundPlayer* sounds_ = nullptr;
  FactoryIndicator* indicator_ = nullptr;
  CompileTabWidget* compile_ = nullptr;
  AnalogSectionWidget* analog_ = nullptr;
  UploadTabWidget* upload_ = nullptr;
  MacroTabWidget* macro_ = nullptr;
  QProgressBar* progress_ = nullptr;  // a page download's pages, in the status row
  std::unique_ptr<QtDownloadDialogs> download_dialogs_;
  // The download dialogs are asked for while the session is built; the Qt ones need the
  // session's texts, so they are made at their first use.
  struct LateDownloadDialogs final : DownloadDialogs {
    MainWindow* window = nullptr;
    std::optional<FirmwareFile> choose_firmware(const FirmwareFile& current) override;
    bool confirm_card_transfer(CardTransferChoice& choice) override;
  } late_dialogs_;
  QtDownloadDialogs& qt_download_dialogs();
  // Opens a document with the desktop's handler (through open_external).
  struct ExternalOpener final : DocumentOpener {
    MainWindow* window = nullptr;
    void open_document(const std::string& path) override;
  } opener_;
  FileChooser* chooser_override_ = nullptr;
  bool shown_open_ = false;
  ConfigTabWidget* config_tab_ = nullptr;
  FormBinder* binder_ = nullptr;
  QTimer* timer_ = nullptr;
  std::map<int, QAction*> actions_;
  LayoutResult layout_;
  bool layout_queued_ = false;
  bool closing_ = false;
  QPointer<QMessageBox> language_box_;
  QPointer<QMessageBox> close_box_;
  bool close_confirmed_ = false;  // the close question was answered with "close anyway"
  QPointer<PhoneBookEditor> phone_editor_;
};

}  // namespace vexa::ui
