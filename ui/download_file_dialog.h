#pragma once
// The desktop's dialogs of the download commands: the "downloadfile" dialog (its logic is the
// core form DownloadFileForm) and the firmware file choice.
#include <QDialog>
#include <memory>

#include "download/download_commands.h"
#include "download/download_file_form.h"

namespace vexa::ui {

class FormBinder;

class DownloadFileDialog : public QDialog {
  Q_OBJECT
 public:
  DownloadFileDialog(const Messages& messages, ReportSink& report, CardTransferChoice& choice,
                     QWidget* parent = nullptr);
  ~DownloadFileDialog() override;
  DownloadFileForm& form() { return form_; }
  // A button click as the binder reports it (also for tests).
  void clicked(int id);

 private:
  DownloadFileForm form_;
  ReportSink& report_;
  CardTransferChoice& choice_;
  std::unique_ptr<FormBinder> binder_;
};

// The Qt side of DownloadDialogs; parent is the main window.
class QtDownloadDialogs final : public DownloadDialogs {
 public:
  QtDownloadDialogs(const Messages& messages, ReportSink& report, QWidget* parent)
      : messages_(messages), report_(report), parent_(parent) {}
  std::optional<FirmwareFile> choose_firmware(const FirmwareFile& current) override;
  bool confirm_card_transfer(CardTransferChoice& choice) override;

 private:
  const Messages& messages_;
  ReportSink& report_;
  QWidget* parent_;
};

}  // namespace vexa::ui
