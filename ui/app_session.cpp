#include "ui/app_session.h"

#include <QFileDialog>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

#include "analog/input_type_file.h"
#include "app/command_ids.h"
#include "app/text_format.h"
#include "link/serial_link.h"
#include "sim/board_configuration.h"
#include "sim/board_server.h"
#include "terminal/getting_started.h"
#include "ui/desktop_clipboard.h"

namespace vexa::ui {

namespace {

class DialogChooser final : public FileChooser {
 public:
  DialogChooser(std::string directory, QWidget* parent) : directory_(std::move(directory)), parent_(parent) {}
  std::optional<std::string> choose_file(FileChoice purpose) override {
    const QString dir = QString::fromStdString(directory_);
    const QString filter = QStringLiteral("Configuration (*.txt);;All files (*)");
    const QString path = purpose == FileChoice::save
                             ? QFileDialog::getSaveFileName(parent_, QString(), dir, filter)
                             : QFileDialog::getOpenFileName(parent_, QString(), dir, filter);
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
  }

 private:
  std::string directory_;
  QWidget* parent_;
};

}  // namespace

std::string command_line_help() {
  return "Usage: vexaterm [options]\n"
         "\n"
         "The VexaLog terminal and configuration program.\n"
         "\n"
         "Options:\n"
         "  --simulate E|F|S    start with a simulated board of that type on a pseudo-terminal,\n"
         "                      selected as the port at the board's speed and opened\n"
         "  --help              show this text\n";
}

CommandLine parse_command_line(int argc, char** argv) {
  CommandLine line;
  if (argc > 0 && argv[0]) line.options.argv0 = running_program_path(argv[0]);
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      line.help = true;
    } else if (a == "--simulate" || a.rfind("--simulate=", 0) == 0) {
      std::string value;
      if (a == "--simulate") {
        if (i + 1 >= argc) {
          line.error = "vexaterm: --simulate needs a board type: E, F or S";
          return line;
        }
        value = argv[++i];
      } else {
        value = a.substr(11);
      }
      if (value.size() != 1 || std::string_view("EFSefs").find(value[0]) == std::string_view::npos) {
        line.error = "vexaterm: --simulate wants E, F or S, not '" + value + "'";
        return line;
      }
      line.options.simulate = static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
    } else if (a.rfind("-platform", 0) == 0 || a.rfind("-style", 0) == 0) {
      ++i;  // Qt's own options
    } else {
      line.error = "vexaterm: unknown option '" + a + "' (see vexaterm --help)";
      return line;
    }
  }
  return line;
}

AppSession::AppSession(TerminalView& view, const SessionOptions& options, QObject* parent)
    : QObject(parent), options_(options) {
  working_directory_ = options.working_directory.empty() ? current_directory() : options.working_directory;
  identity_ = make_identity(options.argv0, working_directory_);
  if (options.use_settings_file) settings_.read_settings(identity_.settings_path);
  std::istringstream extra(options.settings_text);
  for (std::string line; std::getline(extra, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) settings_.set_value(line.substr(0, eq), line.substr(eq + 1));
  }
  values_ = SessionValues::from_settings(settings_);
  phone_text = values_.phone;

  messages_ = std::make_unique<Messages>(identity_.product_name, values_.language);
  log_ = std::make_unique<CaptureLog>(identity_.log_path);
  log_->set_mode(values_.log_mode);
  log_->apply_log_mode();
  configuration_ = std::make_unique<Configuration>(values_.language);
  load_input_types(input_types_, working_directory_ + "/" + kInputTypeFileName, values_.language,
                   log_.get());
  type_defaults_ = std::make_unique<TableInputTypeDefaults>(input_types_);
  configuration_->set_input_type_defaults(type_defaults_.get());

  BoardIdentityData initial;
  if (auto parsed = parse_identity_line(identity_.target_s)) initial = *parsed;
  board_ = std::make_unique<BoardIdentity>(*configuration_, initial);
  if (!values_.target.empty()) board_->accept_identity(values_.target);
  board_->add_listener(this);

  form_ = std::make_unique<MainWindowForm>(
      MainWindowOptions{settings_.reduced_variant(), settings_.debug(), identity_.is_family_product()},
      *messages_);
  form_->form().set_text(cmd::kStatusIdentity, board_->line());
  MenuOptions menu_options;
  menu_options.reduced_variant = settings_.reduced_variant();
  menu_options.debug = settings_.debug();
  menu_options.log_file_name = identity_.log_file_name;
  menu_options.target_e = identity_.target_e;
  menu_options.target_f = identity_.target_f;
  menu_options.target_s = identity_.target_s;
  menu_options.log_mode = values_.log_mode;
  menus_ = build_menu_bar(menu_options, *messages_);

  terminal_ = std::make_unique<Terminal>(view, log_.get(), ViewThreads::owner_only,
                                         [this] { emit flush_requested(); });
  link_ = std::make_unique<LinkSession>(*terminal_, *terminal_, *messages_, log_.get());
  link_->port().set_observer(this);
  clock_check_ = std::make_unique<BoardClockCheck>(*terminal_, line_feed);
  exchange_ = std::make_unique<ConfigExchange>(*configuration_, *board_, *link_, *terminal_, clock_check_.get());
  link_->consumers().attach(ConsumerSlot::configuration, exchange_.get());
  configuration_->set_rebuild_requester(this);
  grid_ = std::make_unique<ConfigGrid>(*configuration_, this);
  files_ = std::make_unique<ConfigFiles>(*configuration_, *board_, *terminal_, *messages_,
                                         SystemClock::instance(), this, PathCase::keep);
  modem_port_ = std::make_unique<ModemPort>(link_->port());
  dialer_ = std::make_unique<ModemDialer>(*modem_port_, *modem_port_, *modem_port_, link_->tcp(), *this,
                                          *terminal_, *messages_);
  const std::string book_directory = options.program_directory.empty()
                                         ? program_directory(running_program_path(options.argv0))
                                         : options.program_directory;
  phone_book_ = std::make_unique<PhoneBook>(*this, phone_book_path(book_directory));
  keyboard_ = std::make_unique<TerminalKeyboard>(*this, *this, *terminal_, [this] { return line_feed.load(); });
  link_->tcp().set_status_sink([this](const std::string& text) {
    QMetaObject::invokeMethod(this, [this, text] { set_status(text); }, Qt::QueuedConnection);
  });
}

AppSession::~AppSession() { shutdown(); }

void AppSession::start() {
  if (started_) return;
  started_ = true;
  show_getting_started(*terminal_, identity_.is_family_product(), messages_->language());
  link_->start();
  const std::string speed = default_speed_text(values_.speed_text, board_->type_letter());
  const std::string name = values_.link_name.empty() ? "COM1" : values_.link_name;
  link_->port().select(name, speed);
  link_->port().set_tcp_address(values_.phone);
  Form& form = form_->form();
  form.set_entries(cmd::kPortSelector, port_list());
  form.set_text(cmd::kPortSelector, name);
  form.set_text(cmd::kSpeedSelector, speed);
  terminal_->print_line("");
  phone_book_->load_phone_book();
  if (options_.simulate) start_simulated_board(options_.simulate);
}

void AppSession::start_simulated_board(char letter) {
  char pattern[] = "/tmp/vexaterm-sim-XXXXXX";
  if (!::mkdtemp(pattern)) {
    terminal_->print_line("simulated board: no temporary folder");
    return;
  }
  simulated_dir_ = pattern;
  simulated_link_ = simulated_dir_ + "/board";
  sim::BoardKind kind;
  kind.type = letter;
  board_server_ = std::make_unique<sim::BoardServer>(sim::BoardConfiguration(kind));
  const std::string error = board_server_->start_pty(simulated_link_);
  if (!error.empty()) {
    terminal_->print_line("simulated board: " + error);
    board_server_.reset();
    return;
  }
  long speed = 9600;
  board_server_->with_board([&](sim::SimulatedBoard& b) { speed = b.link_speed(); });
  const std::string speed_text = std::to_string(speed);
  link_->port().select(simulated_link_, speed_text);
  form_->form().set_text(cmd::kPortSelector, simulated_link_);
  form_->form().set_text(cmd::kSpeedSelector, speed_text);
  terminal_->print_line(format_text("Simulated %s board on %s", kind.identity_line().c_str(),
                                    simulated_link_.c_str()));
  if (options_.open_simulated) link_->open(simulated_link_, speed_text);
}

void AppSession::shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  if (worker_.joinable()) worker_.join();
  link_->stop();
  link_->close();
  link_->consumers().detach(ConsumerSlot::configuration);
  link_->port().set_observer(nullptr);
  link_->tcp().set_status_sink({});
  configuration_->set_rebuild_requester(nullptr);
  board_->remove_listener(this);
  if (board_server_) board_server_->stop();
  board_server_.reset();
  if (!simulated_dir_.empty()) ::rmdir(simulated_dir_.c_str());
}

void AppSession::save_settings() {
  values_.language = messages_->language();
  values_.target = board_->line();
  // The simulated board's pseudo-terminal is gone after this run: keep the user's own port.
  if (simulated_link_.empty() || link_->port().link_name() != simulated_link_) {
    values_.link_name = link_->port().link_name();
    values_.speed_text = link_->port().speed_text();
  }
  values_.phone = phone_text;
  values_.log_mode = log_->mode();
  values_.store_into(settings_);
  if (options_.use_settings_file) settings_.write_settings(identity_.settings_path);
}

bool AppSession::start_worker(int command) {
  if (worker_running_.load()) return false;
  if (worker_.joinable()) worker_.join();
  worker_running_.store(true);
  worker_ = std::thread([this, command] {
    run_on_worker(command);
    worker_running_.store(false);
  });
  return true;
}

void AppSession::reap_worker() {
  if (!worker_running_.load() && worker_.joinable()) worker_.join();
}

FileChooser& AppSession::file_chooser() {
  if (chooser_override_) return *chooser_override_;
  if (!dialog_chooser_) dialog_chooser_ = std::make_unique<DialogChooser>(working_directory_, dialog_parent_);
  return *dialog_chooser_;
}

std::string AppSession::phone_field_text() { return limited(form_->form().text(cmd::kPhoneField), kPhoneTextChars); }

void AppSession::set_status(std::string_view text) {
  form_->form().set_text(cmd::kStatusText, text);
  terminal_->print_line(text);
  if (on_status_text) on_status_text(std::string(text));
}

void AppSession::set_phone_list(const PhoneList& list) {
  Form& form = form_->form();
  form.set_entries(cmd::kPhoneField, list.entries);
  form.set_selection(cmd::kPhoneField, list.selected);
  if (list.selected >= 0 && list.selected < static_cast<int>(list.entries.size()))
    form.set_text(cmd::kPhoneField, list.entries[static_cast<std::size_t>(list.selected)]);
}

bool AppSession::open_editor(const std::string& path) { return on_open_phone_editor && on_open_phone_editor(path); }
bool AppSession::editor_exists() { return on_phone_editor_exists && on_phone_editor_exists(); }

bool AppSession::write_char(unsigned char c) { return link_->port().write_char(static_cast<char>(c)); }
bool AppSession::write_text(std::string_view bytes) { return link_->port().write_text(bytes); }

std::optional<std::string> AppSession::text() { return desktop_clipboard_text(); }

void AppSession::layout_changed() {
  if (on_layout) on_layout();
}
void AppSession::commit_current_tab() {
  if (on_commit_current_tab) on_commit_current_tab();
}
void AppSession::show_configuration_tab() {
  if (on_show_configuration_tab) on_show_configuration_tab();
}
void AppSession::rebuild_configuration_tab() {
  if (on_rebuild_configuration_tab) on_rebuild_configuration_tab();
}

}  // namespace vexa::ui
