#pragma once
// The "downloadfile" dialog: the host file and the name it gets on the memory card. The logic
// lives here as a form; the desktop shows it modally and feeds its button clicks back.
#include <functional>
#include <optional>
#include <string>

#include "base/form.h"
#include "base/messages.h"
#include "base/report_sink.h"

namespace vexa {

inline constexpr int kCardStatusId = 101;
inline constexpr int kCardHostEditId = 102;
inline constexpr int kCardChangeId = 103;
inline constexpr int kCardTargetEditId = 104;
inline constexpr int kCardStartId = 105;
inline constexpr int kCardCancelId = 106;
inline constexpr std::size_t kCardPathChars = 299;  // 300 with the terminator
// The dialog's frame in dialog units: 300 x 80 at 0,20.
inline constexpr Rect kCardDialogRect = {0, 20, 300, 80};

// What the dialog keeps between its showings (not saved).
struct CardTransferChoice {
  std::string host_path;
  std::string host_title;
  std::string target_name;
};

class DownloadFileForm {
 public:
  // Builds the controls with the texts of messages and the state's values.
  DownloadFileForm(const Messages& messages, const CardTransferChoice& state);

  Form& form() { return form_; }
  const Form& form() const { return form_; }
  const std::string& caption() const { return caption_; }

  enum class Outcome { open, start, cancel };
  // A button click. Change asks choose_host (the open-file dialog, given the current path; it
  // answers the chosen path and title, or nothing) and puts the host path into edit 102.
  // Start copies both edits into state, prints "load HOST to TARGET" and ends with start.
  Outcome click(int id, CardTransferChoice& state, ReportSink& report,
                const std::function<std::optional<CardTransferChoice>(const std::string&)>& choose_host);

 private:
  Form form_;
  std::string caption_;
};

}  // namespace vexa
