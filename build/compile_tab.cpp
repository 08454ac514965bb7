#include "build/compile_tab.h"

#include <algorithm>

#include "base/command_ids.h"
#include "base/identity.h"
#include "base/text_format.h"
#include "build/compile_environment.h"
#include "build/compile_tab_form.h"

namespace vexa {

namespace {

std::string with_forward_slashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// A catalog text that shows one number ("Exit= %d"), without handing the text to a format.
std::string fill_number(std::string_view text, int number) {
  const std::size_t at = text.find("%d");
  if (at == std::string_view::npos) return std::string(text);
  return std::string(text.substr(0, at)) + std::to_string(number) + std::string(text.substr(at + 2));
}

}  // namespace

CompileTab::CompileTab(const CompileTabPorts& ports, std::string installation_dir)
    : ports_(ports),
      installation_dir_(std::move(installation_dir)),
      form_(compile::make_compile_form(ports.messages)),
      download_available_(false) {
  Settings& settings = ports_.settings;
  working_dir_ = limited(settings.get_setting("CompileDir", ""), kCompileFieldChars);
  command_line_ = limited(settings.get_setting("CompileCmd", ""), kCompileFieldChars);
  binary_file_ = limited(settings.get_setting("CompileBin", ""), kCompileFieldChars);
  environment_text_ = initial_environment_text(settings, installation_dir_);
  store_environment_text(settings, environment_text_);

  form_.set_text(compile::kWorkingDir, working_dir_);
  form_.set_text(compile::kCommandLine, command_line_);
  form_.set_text(compile::kBinaryFile, binary_file_);
  form_.set_text(compile::kEnvironment, environment_text_);
  if (ports_.messages.product_name() == kFamilyName)
    print(compile::compile_help_text(ports_.messages.language()));
  refresh_pane();
}

CompileTab::~CompileTab() = default;

std::string CompileTab::field_text(int id) const { return limited(form_.text(id), kCompileFieldChars); }

void CompileTab::command(const Command& command) {
  Settings& settings = ports_.settings;
  const int id = command.id;
  switch (id) {
    case compile::kWorkingDir:
      working_dir_ = field_text(id);
      settings.set_value("CompileDir", working_dir_);
      break;
    case compile::kCommandLine:
      command_line_ = field_text(id);
      settings.set_value("CompileCmd", command_line_);
      break;
    case compile::kBinaryFile:
      binary_file_ = field_text(id);
      settings.set_value("CompileBin", binary_file_);
      break;
    case compile::kEnvironment:
      environment_text_ = limited(form_.text(id), kEnvironmentTextChars);
      store_environment_text(settings, environment_text_);
      break;
    case compile::kChooseMakefile: choose_makefile(); break;
    case compile::kChooseBinary: choose_binary(); break;
    case compile::kDownload: download(); break;
    case compile::kAutoDownload:
      if (command.notification == kNotifyClicked || command.notification == kNotifyDoubleClicked)
        form_.set_checked(id, !form_.checked(id));
      break;
    case compile::kRun: run(); break;
    default: break;
  }
}

void CompileTab::choose_makefile() {
  std::optional<std::string> chosen = ports_.chooser.choose(CompileFile::makefile, working_dir_);
  if (!chosen) return;
  const std::string path = limited(with_forward_slashes(*chosen), kCompileFieldChars);
  const std::size_t slash = path.rfind('/');
  working_dir_ = slash == std::string::npos ? std::string() : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  form_.set_text(compile::kWorkingDir, working_dir_);
  command_line_ = field_text(compile::kCommandLine);
  const std::size_t blank = command_line_.find(' ');
  command_line_ = blank != std::string::npos ? command_line_.substr(0, blank) + " " + name : "make -Bf " + name;
  limit_text(command_line_, kCompileFieldChars);
  form_.set_text(compile::kCommandLine, command_line_);
  ports_.settings.set_value("CompileDir", working_dir_);
  ports_.settings.set_value("CompileCmd", command_line_);
}

void CompileTab::choose_binary() {
  std::optional<std::string> chosen = ports_.chooser.choose(CompileFile::binary, binary_file_);
  if (!chosen) return;
  binary_file_ = limited(with_forward_slashes(*chosen), kCompileFieldChars);
  form_.set_text(compile::kBinaryFile, binary_file_);
  ports_.settings.set_value("CompileBin", binary_file_);
}

void CompileTab::download() {
  if (!download_available_) {
    print(ports_.messages.message("VtCompileNoDownload") + "\r\n");
    refresh_pane();
    return;
  }
  ports_.firmware.set_current_firmware(binary_file_, binary_file_);
  ports_.poster.post_command(cmd::kDownloadFirmware, kDownloadCurrentFirmware);
}

void CompileTab::run() {
  if (run_busy_ || child_running_) return;
  if (command_line_ == kRecoverCommand) {
    ports_.recovery.send_recovery();
    return;
  }
  run_busy_ = true;
  output_.clear();
  print(command_line_ + "\r\n");

  ChildSpec spec{command_line_, environment_lines(ports_.settings), working_dir_};
  int error = 0;
  child_.reset();  // the last build's pipes go with it
  for (PipeReader& reader : readers_) reader.reset();
  child_ = ports_.launcher.start(spec, &error);
  if (child_) {
    child_running_ = true;
    stop_ticks_ = -1;
    set_cursor(true);
    show_status(ports_.messages.message("MCrunning"));
  } else {
    print(format_text("Error exec = %d\r\n", 0));
  }
  refresh_pane();
  run_busy_ = false;
}

bool CompileTab::tick_100ms() {
  if (poll_busy_) return false;
  poll_busy_ = true;
  if (child_) {
    static constexpr ChildStream kStreams[] = {ChildStream::output, ChildStream::error};
    for (ChildStream stream : kStreams) {
      auto fetch = [&](std::string& out, std::size_t max) { return child_->read_ready(stream, out, max); };
      for (const std::string& piece : readers_[static_cast<int>(stream)].poll(fetch)) output_.append(piece);
    }
  }
  if (child_running_) {
    if (std::optional<int> code = child_->exit_code()) {
      child_running_ = false;
      stop_ticks_ = -1;
      set_cursor(false);
      show_status(fill_number(ports_.messages.message("MCexit"), *code));
      if (*code == 0 && form_.checked(compile::kAutoDownload)) download();
    } else {
      set_cursor(true);
      show_status(ports_.messages.message("MCrunning"));
      if (stop_ticks_ >= 0 && ++stop_ticks_ >= kStopGraceTicks) child_->kill();
    }
  }
  refresh_pane();
  poll_busy_ = false;
  return false;
}

void CompileTab::stop_build() {
  if (!child_running_) return;
  child_->terminate();
  if (stop_ticks_ < 0) stop_ticks_ = 0;
}

void CompileTab::clear() {
  output_.clear();
  refresh_pane();
}

void CompileTab::layout(int client_width, int client_height) {
  form_.move(compile::kOutput, compile::output_pane_rect(client_width, client_height));
}

void CompileTab::print(std::string_view text) { output_.append(text); }

void CompileTab::refresh_pane() {
  if (shown_version_ == output_.version()) return;
  shown_version_ = output_.version();
  form_.set_text(compile::kOutput, output_.text());
}

void CompileTab::show_status(const std::string& text) {
  // The status field also prints into the terminal: only a change is shown.
  if (text == last_status_) return;
  last_status_ = text;
  ports_.status.set_status(text);
}

void CompileTab::set_cursor(bool busy) {
  if (cursor_listener_) cursor_listener_(busy);
}

}  // namespace vexa
