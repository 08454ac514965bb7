#pragma once
// The compile tab: builds a firmware of the user's own with an external command (normally make
// with a makefile), shows everything the build prints, reports its exit code and can start the
// firmware download of the binary when the build succeeded. Working directory, command line,
// binary file and environment live in the settings.
//
// Everything runs on the window thread: the build is a child process whose two pipes the
// 100 ms poll reads, never a thread. Stop ends the build's whole process group.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/command_ids.h"
#include "base/form.h"
#include "base/tab.h"
#include "base/messages.h"
#include "base/session_ports.h"
#include "base/settings.h"
#include "build/output_text.h"
#include "build/pipe_reader.h"
#include "platform/child_process.h"

namespace vexa {

inline constexpr std::size_t kCompileFieldChars = 499;  // char[500] fields
inline constexpr char kRecoverCommand[] = "recover";
// The parameter of command 703 that downloads the current firmware file without a file choice.
inline constexpr long kDownloadCurrentFirmware = cmd::kParamCurrentFirmware;
// Polls between Stop's request to end and the forced end of a build that ignores it.
inline constexpr int kStopGraceTicks = 20;

enum class CompileFile { makefile, binary };

// The file dialogs of the choose buttons: a makefile ("*.mak") or a binary ("*.hex;*.bin").
class CompileFileChooser {
 public:
  virtual ~CompileFileChooser() = default;
  // The chosen path, or nothing when cancelled; start: where the dialog opens.
  virtual std::optional<std::string> choose(CompileFile kind, const std::string& start) = 0;
};

// The firmware download's current file and title, which the Download button sets.
class FirmwareFileTarget {
 public:
  virtual ~FirmwareFileTarget() = default;
  virtual void set_current_firmware(const std::string& path, const std::string& title) = 0;
};

// The board recovery bytes that the command line "recover" sends instead of a build.
class BoardRecovery {
 public:
  virtual ~BoardRecovery() = default;
  virtual void send_recovery() = 0;
};

struct CompileTabPorts {
  Settings& settings;
  const Messages& messages;
  StatusLine& status;
  CommandPoster& poster;
  ProcessLauncher& launcher;
  CompileFileChooser& chooser;
  FirmwareFileTarget& firmware;
  BoardRecovery& recovery;
};

class CompileTab final : public Tab {
 public:
  // Reads the settings, completes and stores the environment, fills the form and, for the
  // family product, prints the help text into the output pane.
  CompileTab(const CompileTabPorts& ports, std::string installation_dir);
  ~CompileTab();
  CompileTab(const CompileTab&) = delete;
  CompileTab& operator=(const CompileTab&) = delete;

  Form& form() override { return form_; }
  const Form& form() const { return form_; }

  // A control of the tab was used (100 .. 109): edits store their text, buttons act.
  void command(const Command& command) override;
  // Clear (805): empties the output pane.
  void clear();
  // The tab's 100 ms timer: reads the pipes, then watches the process.
  bool tick_100ms() override;
  // Menu Stop: asks the build's process group to end, and forces it after kStopGraceTicks.
  void stop_build();
  // Places the output pane for the tab's client size.
  void layout(int client_width, int client_height);

  bool running() const { return child_running_; }
  bool busy_cursor() const { return child_running_; }
  const OutputText& output() const { return output_; }
  const std::string& working_dir() const { return working_dir_; }
  const std::string& command_line() const { return command_line_; }
  const std::string& binary_file() const { return binary_file_; }
  const std::string& environment_text() const { return environment_text_; }

  // Whether the session carries out the firmware download (command 703); until it does, the
  // Download button says so in the pane.
  void set_download_available(bool available) { download_available_ = available; }

  // Told when the busy cursor should be shown or taken away.
  void set_cursor_listener(std::function<void(bool busy)> listener) { cursor_listener_ = std::move(listener); }

 private:
  void run();
  void download();
  void choose_makefile();
  void choose_binary();
  void print(std::string_view text);
  void refresh_pane();
  void show_status(const std::string& text);
  void set_cursor(bool busy);
  std::string field_text(int id) const;

  CompileTabPorts ports_;
  std::string installation_dir_;
  Form form_;
  std::string working_dir_, command_line_, binary_file_, environment_text_;
  OutputText output_;
  std::uint64_t shown_version_ = ~std::uint64_t{0};
  std::unique_ptr<ChildProcess> child_;  // kept after the build ended until its pipes are read
  std::array<PipeReader, 2> readers_;
  bool child_running_ = false;
  bool run_busy_ = false;
  bool poll_busy_ = false;
  int stop_ticks_ = -1;  // polls since Stop asked the build to end; -1 none asked
  std::string last_status_;
  bool download_available_;
  std::function<void(bool)> cursor_listener_;
};

}  // namespace vexa
