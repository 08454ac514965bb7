#include "download/download_file_form.h"

#include "base/control_record.h"

#include "base/text_format.h"

namespace vexa {

namespace {

}  // namespace

DownloadFileForm::DownloadFileForm(const Messages& messages, const CardTransferChoice& state)
    : caption_(messages.message("MdownloadF")) {
  // Labels without an id of their own get ids the dialog does not use otherwise.
  constexpr int kHostLabel = 1101, kTargetLabel = 1102;
  constexpr unsigned kStatic = kStyleReadOnly;
  form_.add(control_record(kCardStatusId, ControlKind::edit, "", {110, 20, 300, 20}, kStatic));
  form_.add(control_record(kHostLabel, ControlKind::edit, messages.message("MUhfile"), {10, 42, 100, 20}, kStatic));
  form_.add(control_record(kCardHostEditId, ControlKind::edit, limited(state.host_path, kCardPathChars),
                    {110, 40, 300, 20}, kStyleBorder));
  form_.add(control_record(kCardChangeId, ControlKind::push_button, messages.message("MUchange"),
                    {430, 40, 80, 20}, kStyleNone));
  form_.add(control_record(kTargetLabel, ControlKind::edit, messages.message("MUtfile"), {10, 82, 100, 20}, kStatic));
  form_.add(control_record(kCardTargetEditId, ControlKind::edit, limited(state.target_name, kCardPathChars),
                    {110, 80, 300, 20}, kStyleBorder));
  form_.add(control_record(kCardCancelId, ControlKind::push_button, messages.message("Tcancel"),
                    {300, 120, 80, 20}, kStyleNone));
  form_.add(control_record(kCardStartId, ControlKind::push_button, messages.message("MUstart"),
                    {430, 120, 80, 20}, kStyleNone));
}

DownloadFileForm::Outcome DownloadFileForm::click(
    int id, CardTransferChoice& state, ReportSink& report,
    const std::function<std::optional<CardTransferChoice>(const std::string&)>& choose_host) {
  switch (id) {
    case kCardChangeId:
      if (choose_host) {
        if (auto chosen = choose_host(state.host_path)) {
          state.host_path = limited(chosen->host_path, kCardPathChars);
          state.host_title = limited(chosen->host_title, kCardPathChars);
        }
      }
      form_.set_text(kCardHostEditId, state.host_path);
      return Outcome::open;
    case kCardStartId:
      state.host_path = limited(form_.text(kCardHostEditId), kCardPathChars);
      state.target_name = limited(form_.text(kCardTargetEditId), kCardPathChars);
      report.print_line("load " + state.host_path + " to " + state.target_name);
      return Outcome::start;
    case kCardCancelId:
      return Outcome::cancel;
    default:
      return Outcome::open;
  }
}

}  // namespace vexa
