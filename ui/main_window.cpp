#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QKeySequence>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <limits>

#include "base/command_ids.h"
#include "app/terminal_command_ids.h"
#include "app/menu_labels.h"
#include "base/menu_table.h"
#include "base/painter.h"
#include "base/settings.h"
#include "base/text_format.h"
#include "ui/analog_section_widget.h"
#include "ui/compile_tab_widget.h"
#include "ui/config_file_dialog.h"
#include "ui/config_tab_widget.h"
#include "ui/download_file_dialog.h"
#include "ui/find_dialog.h"
#include "ui/line_settings_dialog.h"
#include "ui/send_file_dialog.h"
#include "ui/setting_fonts.h"
#include "ui/macro_tab_widget.h"
#include "ui/upload_tab_widget.h"
#include "ui/factory_indicator.h"
#include "ui/sound_player.h"
#include "ui/desktop_clipboard.h"
#include "ui/form_binder.h"
#include "ui/phone_book_editor.h"
#include "ui/qt_painter.h"
#include "ui/tab_area.h"
#include "ui/terminal_widget.h"

namespace vexa::ui {

namespace {

constexpr int kTimerMs = 100;

QRect rect_of(const Rect& r) { return QRect(r.x, r.y, r.width, r.height); }

}  // namespace

MainWindow::MainWindow(const DesktopOptions& options, QWidget* parent, const Clock& clock,
                       BoardSimulator* simulator)
    : QMainWindow(parent), strip_(make_icon_strip()), simulator_(simulator) {
  setObjectName("vexaterm");
  open_external = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  client_ = new ClientArea(this);
  setCentralWidget(client_);
  tabs_ = new TabArea(client_);
  terminal_ = new TerminalWidget(tabs_);
  terminal_->setObjectName("terminal");
  bridge_ = new SessionBridge(this);
  sounds_ = new SoundPlayer(this);
  indicator_ = new FactoryIndicator(*sounds_, this);
  compile_chooser_ = std::make_unique<QtCompileFileChooser>(this);
  progress_ = new QProgressBar(client_);
  progress_->setObjectName("page_progress");
  progress_->hide();
  opener_.window = this;
  session_ = std::make_unique<Session>(*terminal_, options.session, *bridge_, *this, clock);
  const bool qt_texts_found = qt_texts_.use(session_->messages().language());
  compile_chooser_->set_messages(&session_->messages());
  Settings& settings = session_->settings();
  client_->setFont(proportional_font(settings));
  terminal_->setFont(fixed_font(settings));

  config_tab_ = new ConfigTabWidget(session_->grid(), tabs_);
  config_tab_->set_empty_text(session_->messages().message("Mnoconf"));
  binder_ = new FormBinder(window_form().form(), client_, &strip_, this);
  binder_->adopt(cmd::kTabControl, tabs_);
  binder_->adopt(cmd::kTerminal, terminal_);
  binder_->adopt(cmd::kConfigTab, config_tab_);
  if (CompileTab* compile = session_->compile_tab()) {
    compile_ = new CompileTabWidget(*compile, tabs_);
    binder_->adopt(cmd::kCompileTab, compile_);
  }
  analog_ = new AnalogSectionWidget(session_->analog_tab(), session_->live_data(), session_->configuration(),
                                    session_->board(), session_->input_types(), session_->messages(), this, tabs_);
  binder_->adopt(cmd::kInputsSubTabs, analog_);
  upload_ = new UploadTabWidget(session_->upload().tab(), tabs_);
  binder_->adopt(cmd::kUploadTab, upload_);
  macro_ = new MacroTabWidget(session_->macro_tab(), tabs_);
  binder_->adopt(cmd::kMacroSubTabs, macro_);
  binder_->build();
  indicator_->attach(qobject_cast<LampButton*>(binder_->widget(cmd::kFactoryLamps)), &session_->factory_test());
  for (const TabInfo& tab : window_form().tabs()) tabs_->bar().addTab(QString::fromStdString(tab.caption));
  connect(&tabs_->bar(), &QTabBar::currentChanged, this, &MainWindow::tab_selected);
  // The plan and data views share the tab area differently from an input: lay out again.
  connect(analog_->tab_bar(), &QTabBar::currentChanged, this, [this] { queue_layout(); });
  connect(binder_, &FormBinder::command, this, [this](int id, int notification, long param) {
    run_command(id, notification, param);
  });
  connect(binder_, &FormBinder::widened, this, [this] { queue_layout(); });
  terminal_->set_key_handler([this](unsigned key) { run_command(cmd::kKeystroke, kNotifyClicked, key); });
  terminal_->set_command_handler([this](int id) {
    const bool history = id == cmd::kTermHistoryUp || id == cmd::kTermHistoryDown;
    // Up and Down scroll the view unless the user turned the command history on.
    if (history && !session_->terminal_choices().takes_history_keys()) return false;
    const std::string typed = session_->keyboard().typed_line();
    run_command(id);
    // The recalled line shows where the typed one did, before Enter sends it.
    if (history) terminal_->replace_typed_echo(typed, session_->keyboard().typed_line());
    return true;
  });
  terminal_->set_new_output_text(QString::fromStdString(session_->messages().message("VtNewBelow")));
  build_menus();
  connect_session_events();

  target_changed();
  // The tool row holds its texts whole: a window narrower than that grows to it.
  client_->setMinimumWidth(window_form().minimum_client_width());
  resize(std::max(initial_window_width(settings), window_form().minimum_client_width()),
         initial_window_height(settings));
  timer_ = new QTimer(this);
  timer_->setInterval(kTimerMs);
  connect(timer_, &QTimer::timeout, this, &MainWindow::tick);
  client_->on_resize = [this] { lay_out(); };

  session_->start();
  if (!qt_texts_found) {
    session_->reports().print_line(
        format_message(session_->messages().message("VtQtNoTexts"), {qt_texts_.missing_file()}));
    session_->reports().print_line(session_->messages().message("VtQtNoTextsHint"));
  }
  if (options.simulate) start_simulated_board(options);
  analog_->start_timers();
  config_tab_->rebuild();
  lay_out();
  tick();  // the clock shows at once, not a tenth of a second later
  terminal_->setFocus();  // typing goes to the board from the start
  timer_->start();
}

void MainWindow::connect_session_events() {
  // The session's events may come from the receive or the worker thread: always queued.
  SessionBridge* b = bridge_;
  connect(b, &SessionBridge::rebuild_wanted, this, [this] {
    session_->rebuild_taken();
    run_command(cmd::kRebuildConfig);
  }, Qt::QueuedConnection);
  connect(b, &SessionBridge::link_state, this, &MainWindow::link_state_changed, Qt::QueuedConnection);
  connect(b, &SessionBridge::speed, this, [this](long speed) {
    window_form().form().set_text(cmd::kSpeedSelector, std::to_string(speed));
  }, Qt::QueuedConnection);
  connect(b, &SessionBridge::target, this, &MainWindow::target_changed, Qt::QueuedConnection);
  connect(b, &SessionBridge::title, this, &MainWindow::refresh_title, Qt::QueuedConnection);
  connect(b, &SessionBridge::flush, this, [this] { session_->flush_terminal(); }, Qt::QueuedConnection);
  connect(b, &SessionBridge::posted, this, [this] {
    if (!closing_) session_->run_posted();
  }, Qt::QueuedConnection);
  connect(b, &SessionBridge::checks, this, &MainWindow::refresh_menu_checks, Qt::QueuedConnection);
}

void MainWindow::start_simulated_board(const DesktopOptions& options) {
  const std::string error = simulator_ ? simulator_->start(options.simulate) : "no simulator in this program";
  if (!error.empty()) {
    session_->reports().print_line(format_message(session_->messages().message("VtSimFailed"), {error}));
    return;
  }
  session_->reports().print_line(format_message(session_->messages().message("VtSimBoard"),
                                                {simulator_->identity_line(), simulator_->link_name()}));
  session_->use_temporary_port(simulator_->link_name(), simulator_->speed(), options.open_simulated,
                               simulator_->identity_line());
}

MainWindow::~MainWindow() {
  delete phone_editor_.data();
  timer_->stop();
  session_->shutdown();
  if (simulator_) simulator_->stop();
  // The binder and the tools' widgets use the session's parts: they go first.
  delete binder_;
  binder_ = nullptr;
  delete analog_;
  analog_ = nullptr;
  delete compile_;
  compile_ = nullptr;
  delete upload_;
  upload_ = nullptr;
  delete macro_;
  macro_ = nullptr;
  session_.reset();
}

void MainWindow::save_settings() {
  if (auto line = session_->save_settings()) {
    // At exit nobody reads the terminal any more: the shell that started the program hears it too.
    session_->reports().print_line(*line);
    std::fprintf(stderr, "%s\n", line->c_str());
  }
}

FileChooser* MainWindow::file_chooser() {
  if (chooser_override_) return chooser_override_;
  return &file_dialog();
}

ConfigFileDialog& MainWindow::file_dialog() {
  if (!file_dialog_)
    file_dialog_ = std::make_unique<ConfigFileDialog>(session_ ? session_->working_directory() : std::string(), this);
  return *file_dialog_;
}

std::optional<std::string> MainWindow::clipboard_text() { return desktop_clipboard_text(); }

CompileFileChooser* MainWindow::compile_file_chooser() { return compile_chooser_.get(); }

FactoryTestOutput* MainWindow::factory_output() { return indicator_; }

DownloadDialogs* MainWindow::download_dialogs() {
  late_dialogs_.window = this;
  return &late_dialogs_;
}

QtDownloadDialogs& MainWindow::qt_download_dialogs() {
  if (!download_dialogs_)
    download_dialogs_ = std::make_unique<QtDownloadDialogs>(session_->messages(), session_->reports(), this);
  return *download_dialogs_;
}

std::optional<FirmwareFile> MainWindow::LateDownloadDialogs::choose_firmware(const FirmwareFile& current) {
  return window->qt_download_dialogs().choose_firmware(current);
}

bool MainWindow::LateDownloadDialogs::confirm_card_transfer(CardTransferChoice& choice) {
  return window->qt_download_dialogs().confirm_card_transfer(choice);
}

void MainWindow::beep() { sounds_->beep(); }

void MainWindow::menus_changed() {
  menuBar()->clear();
  actions_.clear();
  build_menus();
}

void MainWindow::job_progress(long done, long total) {
  if (total <= 0 || done >= total) {
    progress_->hide();
    return;
  }
  // The bar counts in ints: a count of bytes beyond them is scaled down to fit.
  int scale = 1;
  while (total / scale > std::numeric_limits<int>::max()) scale *= 2;
  progress_->setRange(0, static_cast<int>(total / scale));
  progress_->setValue(static_cast<int>(done / scale));
  progress_->show();
  progress_->raise();
  queue_layout();
}

FileChooser* MainWindow::export_file_chooser() { return &file_dialog(); }

void MainWindow::ExternalOpener::open_document(const std::string& path) {
  if (!window->open_external(QUrl::fromLocalFile(QString::fromStdString(path))))
    window->session().reports().print_line(
        format_message(window->session().messages().message("VtNoOpener"), {path}));
}

QAction* MainWindow::action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::build_menus() {
  QMenuBar* bar = menuBar();
  const std::vector<Menu>& menus = session_->menus();
  const std::vector<std::string> titles = title_labels(menus);
  for (std::size_t i = 0; i < menus.size(); ++i) {
    const Menu& menu = menus[i];
    const QString title = QString::fromStdString(titles[i]);
    if (menu.command) {
      QAction* a = bar->addAction(title);
      a->setObjectName(QString::fromStdString(menu.key));
      const int id = menu.command;
      connect(a, &QAction::triggered, this, [this, id] { run_command(id); });
      actions_[id] = a;
      continue;
    }
    QMenu* m = bar->addMenu(title);
    m->setObjectName(QString::fromStdString(menu.key));
    add_menu_entries(m, menu.entries);
  }
}

void MainWindow::add_menu_entries(QMenu* menu, const std::vector<MenuEntry>& entries) {
  const std::vector<std::string> labels = entry_labels(entries);
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const MenuEntry& e = entries[k];
    const QString label = QString::fromStdString(labels[k]);
    if (e.is_separator()) {
      menu->addSeparator();
      continue;
    }
    if (!e.submenu.empty()) {
      add_menu_entries(menu->addMenu(label), e.submenu);
      continue;
    }
    QAction* a = menu->addAction(label);
    // Shown beside the entry in the key names of the user's language ("Strg+F").
    if (!e.shortcut.empty()) a->setShortcut(QKeySequence(QString::fromStdString(e.shortcut)));
    a->setObjectName(QString("action%1").arg(e.id));
    a->setCheckable(e.checkable);
    a->setChecked(e.checked);
    const int id = e.id;
    connect(a, &QAction::triggered, this, [this, id] { run_command(id); });
    actions_[id] = a;
  }
}

void MainWindow::refresh_menu_checks() {
  for_each_entry(session_->menus(), [this](const MenuEntry& e) {
    if (QAction* a = action(e.id); a && e.checkable) a->setChecked(e.checked);
  });
}

void MainWindow::run_command(int id, int notification, long param) {
  if (closing_) return;
  session_->dispatch(Command{id, notification, param});
  switch (id) {
    case cmd::kEnglish:
    case cmd::kFrench:
    case cmd::kGerman: show_language_box(); break;
    case cmd::kStopwatch:
      if (QWidget* button = binder_->widget(cmd::kStopwatch)) button->clearFocus();
      break;
    default: break;
  }
  refresh_menu_checks();
  update_local_echo();
}

std::optional<std::string> MainWindow::ask_text(const std::string& prompt, const std::string& initial) {
  bool ok = false;
  const QString text = QInputDialog::getText(this, windowTitle(), QString::fromStdString(prompt), QLineEdit::Normal,
                                             QString::fromStdString(initial), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

void MainWindow::edit_line_settings(LineSettingsForm& form, const LineSettingsForm::Apply& apply) {
  LineSettingsDialog dialog(form, apply, this);
  dialog.exec();
}

std::optional<SendFileRequest> MainWindow::choose_send_file() {
  SendFileDialog dialog(session_->messages(), send_request_, this);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  send_request_ = dialog.request();
  return send_request_;
}

std::optional<std::string> MainWindow::choose_text_file() {
  const QString path = QFileDialog::getSaveFileName(
      this, QString::fromStdString(session_->messages().message("VtMenuSaveText")).remove("..."), "terminal.txt");
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

void MainWindow::find_in_terminal() {
  if (!find_dialog_) {
    find_dialog_ = new FindDialog(
        session_->messages(),
        [this](const QString& needle, bool backward, bool match_case) {
          return terminal_->find_next(needle, backward, match_case);
        },
        [this](const QString& needle) {
          session_->reports().print_line(
              format_message(session_->messages().message("VtFindNone"), {needle.toStdString()}));
        },
        this);
  }
  find_dialog_->open_search();
}

bool MainWindow::run_window_command(const Command& call) {
  switch (call.id) {
    case cmd::kBarView:
      show_logical_tab(2);
      analog_->show_data_view();
      queue_layout();
      return true;
    case cmd::kWebAddress:
      if (!open_external(QUrl(QString::fromLatin1(kWebAddressUrl))))
        session_->reports().print_line(format_message(session_->messages().message("VtNoBrowser"), {kWebAddressUrl}));
      return true;
    case cmd::kRebuildConfig:
      config_tab_->rebuild();
      session_->analog_tab().reparse();
      session_->macro_tab().show_macro();
      queue_layout();
      return true;
    case cmd::kManualE:
    case cmd::kManualF: open_manual("vexalogEF.pdf"); return true;
    case cmd::kManualS: open_manual("vexalogS.pdf"); return true;
    default: return false;
  }
}

void MainWindow::open_manual(const char* file_name) {
  const std::string directory = limited(session_->working_directory(), 200);
  const std::string path = directory + "/" + file_name;
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    session_->reports().print_line(format_message(session_->messages().message("VtNoManual"), {file_name, directory}));
    return;
  }
  if (!open_external(QUrl::fromLocalFile(QString::fromStdString(path))))
    session_->reports().print_line(format_message(session_->messages().message("VtNoPdfViewer"), {path}));
}

void MainWindow::show_language_box() {
  if (language_box_) language_box_->close();
  auto* box = new QMessageBox(QMessageBox::NoIcon, QString(),
                              QString::fromStdString(session_->messages().message("Mlanguage")),
                              QMessageBox::Ok | QMessageBox::Cancel, this);
  // The buttons speak the new language, as the question does; Qt's own texts stay in the
  // language the program started with.
  box->button(QMessageBox::Ok)->setText(QString::fromStdString(session_->messages().message("Tok")));
  box->button(QMessageBox::Cancel)->setText(QString::fromStdString(session_->messages().message("Tcancel")));
  box->setAttribute(Qt::WA_DeleteOnClose);
  language_box_ = box;
  box->open();  // the answer is not used: the new language takes effect at the next start
}

bool MainWindow::open_phone_editor(const std::string& path) {
  if (phone_editor_ && phone_editor_->isVisible()) {
    phone_editor_->raise();
    phone_editor_->activateWindow();
    return true;
  }
  // A window of its own, not owned by the main window, as the phone book editor always was.
  auto* editor = new PhoneBookEditor(path, session_->messages(), nullptr);
  editor->setAttribute(Qt::WA_DeleteOnClose);
  phone_editor_ = editor;
  editor->show();
  return true;
}

void MainWindow::tab_selected(int position) {
  session_->select_tab(window_form().logical_tab_at(position));
  config_tab_->rebuild();
  lay_out();
}

void MainWindow::show_logical_tab(int logical) {
  const int position = window_form().position_of_logical(logical);
  if (position >= 0) tabs_->bar().setCurrentIndex(position);
}

void MainWindow::queue_layout() {
  if (layout_queued_) return;
  layout_queued_ = true;
  QMetaObject::invokeMethod(this, [this] { lay_out(); }, Qt::QueuedConnection);
}

void MainWindow::lay_out() {
  layout_queued_ = false;
  if (!session_ || !binder_) return;
  LayoutInput in;
  in.client_width = client_->width();
  in.client_height = client_->height();
  // The window's size as it is created again at the next start (the window manager's frame
  // is outside it), so the stored size does not grow by the frame at every run.
  in.outer_width = width();
  in.outer_height = height();
  // A tab bar here keeps one row (it scrolls rather than wrap).
  in.inputs_rows = 1;
  in.inputs_row_height = analog_->tab_bar()->sizeHint().height();
  in.macro_rows = 1;
  in.macro_row_height = macro_->sub_tabs()->sizeHint().height();
  layout_ = session_->lay_out(in);
  // A wider tool row widens the window, which lays out again: not from inside this layout.
  if (const int narrowest = window_form().minimum_client_width(); narrowest != client_->minimumWidth())
    QMetaObject::invokeMethod(this, [this, narrowest] { client_->setMinimumWidth(narrowest); }, Qt::QueuedConnection);
  const Form& form = window_form().form();
  analog_->place_pages(rect_of(form.at(cmd::kAnalogWindow).rect), rect_of(form.at(cmd::kPlanView).rect));
  macro_->place_window(rect_of(form.at(cmd::kMacroWindow).rect));
  // The page progress covers the status text while a page download runs.
  if (QWidget* status = binder_->widget(cmd::kStatusText)) progress_->setGeometry(status->geometry());
  session_->terminal().flush();
}

void MainWindow::tick() {
  session_->tick();
  // A "stop the job" answer to the close question: the job has ended now.
  if (session_->take_close_due()) {
    close_confirmed_ = true;
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
  }
  // A TCP connection is made on the receive thread and tells no observer: the window follows
  // whatever link is open, of any kind.
  const bool open = session_->link().port().link_is_open();
  if (open != shown_open_) link_state_changed(open);
  update_local_echo();
}

void MainWindow::link_state_changed(bool open) {
  shown_open_ = open;
  window_form().show_link_state(open, session_->link().port().link_name());
  terminal_->set_link_open(open);
  update_local_echo();
}

void MainWindow::update_local_echo() {
  // Typed text shows in the terminal in the target mode while it is writable (the link open).
  terminal_->set_local_echo(!session_->modem_mode() && session_->link().port().link_is_open());
}

void MainWindow::refresh_title() {
  setWindowTitle(QString::fromStdString(
      main_window_title(session_->identity().product_name, window_form().options().reduced_variant)));
}

void MainWindow::target_changed() {
  refresh_title();
  window_form().form().set_text(cmd::kStatusIdentity, session_->board().line());
  if (QWidget* lamps = binder_->widget(cmd::kFactoryLamps)) lamps->update();  // positions follow the type
  // A new identity starts from an empty table: the tab must not keep the old board's rows.
  config_tab_->rebuild();
  if (macro_) macro_->refresh();
  queue_layout();
}

bool MainWindow::ask_before_close() {
  if (close_confirmed_) return false;
  if (close_box_) {
    close_box_->raise();  // asked already
    return true;
  }
  const auto question = session_->close_question();
  if (!question) return false;
  auto* box = new QMessageBox(QMessageBox::Question, windowTitle(), QString::fromStdString(question->text),
                              QMessageBox::NoButton, this);
  QPushButton* wait = box->addButton(QString::fromStdString(question->wait), QMessageBox::RejectRole);
  QPushButton* stop = box->addButton(QString::fromStdString(question->stop_job), QMessageBox::ActionRole);
  QPushButton* anyway = box->addButton(QString::fromStdString(question->close_anyway), QMessageBox::DestructiveRole);
  wait->setObjectName("close_wait");
  stop->setObjectName("close_stop");
  anyway->setObjectName("close_anyway");
  box->setDefaultButton(wait);
  box->setEscapeButton(wait);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::buttonClicked, this, [this, stop, anyway](QAbstractButton* clicked) {
    Session::CloseAnswer answer = Session::CloseAnswer::wait;
    if (clicked == stop) answer = Session::CloseAnswer::stop_job;
    if (clicked == anyway) answer = Session::CloseAnswer::close_anyway;
    if (!session_->answer_close(answer)) return;
    close_confirmed_ = true;
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
  });
  close_box_ = box;
  box->open();
  return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closing_ && ask_before_close()) {
    event->ignore();
    return;
  }
  if (phone_editor_) phone_editor_->close();  // it saves its edits; the program then ends
  session_->commit_current_tab();
  closing_ = true;
  timer_->stop();
  save_settings();
  session_->shutdown();
  event->accept();
}

}  // namespace vexa::ui
