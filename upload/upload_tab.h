#pragma once
// The upload tab (logical tab 4): host file, target file, resume stamp, speed and mode
// choices, and the data pane with its text and graphic views. The logic runs on the window
// thread; what the receive thread changes reaches the fields on the 100 ms timer.
#include <string>
#include <sys/types.h>
#include <vector>

#include "base/form.h"
#include "base/tab.h"
#include "base/messages.h"
#include "base/painter.h"
#include "base/settings.h"
#include "config/file_chooser.h"
#include "upload/data_upload.h"

namespace vexa {

namespace upload_id {
inline constexpr int kTitle = 1, kHostLabel = 2, kTargetLabel = 3, kFromLabel = 4;  // labels
inline constexpr int kHostName = 100, kChange = 101, kViewer = 102, kCreate = 103, kAppend = 104;
inline constexpr int kDirectory = 105, kTarget = 110, kStamp = 113, kClearStamp = 114;
inline constexpr int kStart = 130, kFast = 133, kBinary = 134;
inline constexpr int kTextView = 140, kGraphicView = 141, kLineCount = 142;
inline constexpr int kPane = 200, kStop = 708, kClear = 805;
}  // namespace upload_id

struct UploadTabNames {
  std::string start_directory;    // host files of captures, and the start-up host path
  std::string program_directory;  // where the data viewer is looked for
  std::string viewer_name = "VexaData";
  std::string data_file_name = "vexalog.adc";
};

// "dir/" of a path: up to its last '/' or '\', inclusive; empty without one.
std::string directory_part(std::string_view path);

class UploadTab final : public Tab {
 public:
  // chooser answers "Change ..." (may be null: the button does nothing).
  UploadTab(DataUpload& upload, const Messages& messages, Settings& settings, ReportSink& reports,
            UploadTabNames names, FileChooser* chooser = nullptr);

  Form& form() override { return form_; }
  const Form& form() const { return form_; }
  // The desktop's file dialog for "Change ..." (null: the button does nothing).
  void set_chooser(FileChooser* chooser) { chooser_ = chooser; }
  DataUpload& upload() { return upload_; }

  // Places the pane and the row below it for the window's client size.
  void layout(int width, int height);
  // Shows the names and reads the resume point from the host file.
  void refresh_fields();
  // Field 100 edited: the host file name and path follow it.
  void commit_host_name();
  // A button or field of the tab.
  void command(const Command& command) override;
  // The pane's 100 ms timer; true when the pane should be painted again.
  bool tick_100ms() override;
  // Paints the data pane (width x height) in the chosen view.
  void paint_pane(Painter& painter, int width, int height) const;

  // The 115200 baud choice as the tab shows it (stored as `Upload115200` at exit).
  bool fast() const { return form_.checked(upload_id::kFast); }
  const std::string& host_path() const { return host_path_; }
  const std::string& host_name() const { return host_name_; }
  const std::string& target_name() const { return target_name_; }
  void set_host_path(const std::string& path);

 private:
  void build(bool fast);
  void start();
  void open_viewer();
  void choose(int id, int other);
  void apply_events();

  DataUpload& upload_;
  const Messages& messages_;
  Settings& settings_;
  ReportSink& reports_;
  const UploadTabNames names_;
  FileChooser* chooser_;
  Form form_;
  std::string host_path_, host_name_, target_name_;
  bool pane_dirty_ = false;
  std::vector<pid_t> viewers_;
};

}  // namespace vexa
