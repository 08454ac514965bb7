#include "ui/config_file_dialog.h"

#include <QFileDialog>

namespace vexa::ui {

QStringList ConfigFileDialog::name_filters(FileChoice purpose) {
  // "*.*" is the old name of "every file"; here a name need not have a dot, so its pattern is "*".
  if (purpose == FileChoice::save) return {QStringLiteral("*.txt (*.txt)")};
  return {QStringLiteral("*.txt (*.txt)"), QStringLiteral("*.* (*)")};
}

std::optional<std::string> ConfigFileDialog::choose_file(FileChoice purpose) {
  QFileDialog dialog(parent_);
  const bool save = purpose == FileChoice::save;
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Saving needs an existing folder, opening an existing file.
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(name_filters(purpose));
  if (last_choice_.empty())
    dialog.setDirectory(QString::fromStdString(start_directory_));
  else
    dialog.selectFile(QString::fromStdString(last_choice_));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  last_choice_ = dialog.selectedFiles().front().toStdString();
  return last_choice_;
}

}  // namespace vexa::ui
