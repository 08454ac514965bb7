#include "ui/download_file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>

#include "ui/form_binder.h"

namespace vexa::ui {

namespace {

// The controls reach to x 510 and y 140.
constexpr int kControlsRight = 510;
constexpr int kDialogWidth = 530;
constexpr int kDialogHeight = 160;

std::optional<CardTransferChoice> choose_host_file(QWidget* parent, const std::string& current) {
  const QString path = QFileDialog::getOpenFileName(parent, QString(), QString::fromStdString(current),
                                                    QStringLiteral("* (*)"));
  if (path.isEmpty()) return std::nullopt;
  return CardTransferChoice{path.toStdString(), QFileInfo(path).fileName().toStdString(), {}};
}

}  // namespace

DownloadFileDialog::DownloadFileDialog(const Messages& messages, ReportSink& report,
                                       CardTransferChoice& choice, QWidget* parent)
    : QDialog(parent), form_(messages, choice), report_(report), choice_(choice) {
  setWindowTitle(QString::fromStdString(form_.caption()));
  binder_ = std::make_unique<FormBinder>(form_.form(), this, nullptr);
  binder_->build();
  // Texts wider than their places widen the rows; the dialog keeps its margin beside them.
  int right = 0;
  for (const Control& c : form_.form().controls()) right = std::max(right, c.rect.x + c.rect.width);
  setFixedSize(std::max(kDialogWidth, right + kDialogWidth - kControlsRight), kDialogHeight);
  connect(binder_.get(), &FormBinder::command, this, [this](int id, int notification, long) {
    if (notification == kNotifyClicked) clicked(id);
  });
}

DownloadFileDialog::~DownloadFileDialog() = default;

void DownloadFileDialog::clicked(int id) {
  auto outcome = form_.click(id, choice_, report_, [this](const std::string& current) {
    return choose_host_file(this, current);
  });
  if (outcome == DownloadFileForm::Outcome::start) accept();
  if (outcome == DownloadFileForm::Outcome::cancel) reject();
}

std::optional<FirmwareFile> QtDownloadDialogs::choose_firmware(const FirmwareFile& current) {
  const QString filter = QStringLiteral("*.hex;*.bin;*.binb (*.hex *.bin *.binb)");
  const QString path = QFileDialog::getOpenFileName(parent_, QString(), QString::fromStdString(current.path), filter);
  if (path.isEmpty()) return std::nullopt;
  return FirmwareFile{path.toStdString(), QFileInfo(path).fileName().toStdString()};
}

bool QtDownloadDialogs::confirm_card_transfer(CardTransferChoice& choice) {
  CardTransferChoice edited = choice;
  DownloadFileDialog dialog(messages_, report_, edited, parent_);
  const bool start = dialog.exec() == QDialog::Accepted;
  choice = edited;  // the host path and target stay filled in for the next time
  return start;
}

}  // namespace vexa::ui
