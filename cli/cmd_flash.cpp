// vexacli flash FILE [--samba] [--verbose]: firmware through the chip's SAM-BA boot monitor.
#include <cerrno>
#include <fstream>
#include <iostream>
#include <sstream>

#include "base/session_ports.h"
#include "base/text_format.h"
#include "cli/board_link.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "download/samba_download.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"

namespace vexa::cli {

namespace {

// The status row of the desktop program, as progress on standard error.
class ErrorStreamStatus final : public StatusLine {
 public:
  explicit ErrorStreamStatus(std::ostream& err) : err_(err) {}
  ~ErrorStreamStatus() override {
    if (dirty_) err_ << "\n" << std::flush;
  }
  void set_progress(std::string_view text) override {
    err_ << "\r" << text << std::flush;
    dirty_ = true;
  }
  void set_status(std::string_view text) override {
    if (dirty_) err_ << "\n";
    err_ << text << "\n" << std::flush;
    dirty_ = false;
  }

 private:
  std::ostream& err_;
  bool dirty_ = false;
};

std::string extension_of(const std::string& path) {
  const auto dot = path.rfind('.');
  const auto slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

}  // namespace

int run_flash(CommandContext& context) {
  const bool samba_mode = context.values.has(kSambaFileOption.spec.name);
  const bool verbose = context.values.has(kSambaTraceOption.spec.name);
  if (context.args.size() != 1) return usage_error(context, "give exactly one FILE");
  const std::string& path = context.args[0];
  const std::string extension = extension_of(path);
  if (extension != "binb" && !(extension == "bin" && samba_mode))
    return usage_error(context, path + ": this command loads \".binb\" files (and \".bin\" files with --samba)"
                                       " through the SAM-BA boot monitor");
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    context.err << "vexacli flash: cannot read " << path << ": " << system_error_text(errno) << "\n";
    return 1;
  }
  std::ostringstream bytes;
  bytes << file.rdbuf();
  const std::string image = bytes.str();

  BoardLink board(context.options, context.out);
  if (!board.connect(context.err)) return 1;
  board.terminal().print_line(format_text("%s %s", board.messages().message("Mopen").c_str(), path.c_str()));
  ErrorStreamStatus status(context.err);
  SambaDownloadOptions options;
  options.verbose = verbose;
  options.echo = &board.terminal();
  // The SAM-BA mode switch is on for the download and off after it.
  board.session().flags().samba_mode.store(true);
  const bool done = samba_download(board.session(), board.terminal(), board.messages(), status,
                                   image, options);
  board.session().flags().samba_mode.store(false);
  board.terminal().flush();
  return done ? 0 : 1;
}

}  // namespace vexa::cli
