#pragma once
// The desktop program's main window: the form's controls as widgets, the tab control with the
// terminal and the configuration tab, the menu bar, the 100 ms timer and the command dispatch.
// The session underneath holds the program's state; this class only shows it and hands the
// user's actions on.
#include <QImage>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <map>
#include <memory>

#include "app/form.h"
#include "app/main_window_form.h"
#include "ui/app_session.h"
#include "ui/phone_book_editor.h"
#include "ui/tab_area.h"

class QAction;
class QTimer;

namespace vexa::ui {

class ConfigTabWidget;
class FormBinder;
class TerminalWidget;

class MainWindow final : public QMainWindow, private TimerDuties {
  Q_OBJECT
 public:
  explicit MainWindow(const SessionOptions& options, QWidget* parent = nullptr);
  ~MainWindow() override;

  AppSession& session() { return *session_; }
  MainWindowForm& window_form() { return session_->window_form(); }
  FormBinder& binder() { return *binder_; }
  TerminalWidget& terminal_widget() { return *terminal_; }
  ConfigTabWidget& config_tab() { return *config_tab_; }
  TabArea& tab_area() { return *tabs_; }
  QWidget& client() { return *client_; }
  // The menu bar's action of a command id, or null.
  QAction* action(int id) const;
  // The last layout's results (terminal top, tab size).
  const LayoutResult& last_layout() const { return layout_; }

  // A command as a control, a menu entry, a key or another part of the program sends it.
  void run_command(int id, int notification = kNotifyClicked, long param = 0);
  // Lays the controls out for the client size and the tab in front, then flushes the terminal.
  void lay_out();
  // One tick of the 100 ms timer (the timer calls it; tests may call it directly).
  void tick();

  // Opens an address or a file with the desktop's handler (tests replace it).
  std::function<bool(const QUrl&)> open_external;
  // The language message box while it is shown, else null.
  QMessageBox* language_box() const { return language_box_; }
  // The phone book editor while it is open, else null.
  PhoneBookEditor* phone_editor() const { return phone_editor_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // TimerDuties.
  bool link_open() override;
  void supervise_phone_and_modem() override;
  void commit_current_tab() override;
  bool reading_enabled() override;
  void probe_port() override;

  void build_menus();
  void refresh_menu_checks();
  void tab_selected(int position);
  void show_logical_tab(int logical);
  void link_state_changed(bool open);
  void update_local_echo();
  void target_changed();
  bool open_phone_editor(const std::string& path);
  void open_manual(const char* file_name);
  void show_language_box();
  void report_unavailable(int id);
  void queue_layout();

  QImage strip_;
  ClientArea* client_ = nullptr;
  TabArea* tabs_ = nullptr;
  TerminalWidget* terminal_ = nullptr;
  std::unique_ptr<AppSession> session_;
  ConfigTabWidget* config_tab_ = nullptr;
  FormBinder* binder_ = nullptr;
  QTimer* timer_ = nullptr;
  std::map<int, QAction*> actions_;
  LayoutResult layout_;
  int lamp_states_[7] = {};  // the factory test's lamps: 0 yellow (not run), 1 red, 2 green
  bool layout_queued_ = false;
  bool closing_ = false;
  QPointer<QMessageBox> language_box_;
  QPointer<PhoneBookEditor> phone_editor_;
};

}  // namespace vexa::ui
