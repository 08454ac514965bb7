#pragma once
// The file dialog of the configuration file commands (save, load, compare) and of the
// calibration table export. They share one remembered choice: whatever was chosen last, by
// any of them, is offered again by the next dialog.
#include <QStringList>
#include <optional>
#include <string>

#include "config/file_chooser.h"

class QWidget;

namespace vexa::ui {

class ConfigFileDialog final : public FileChooser {
 public:
  // The first dialog opens in start_directory; parent owns the dialogs.
  ConfigFileDialog(std::string start_directory, QWidget* parent)
      : start_directory_(std::move(start_directory)), parent_(parent) {}

  std::optional<std::string> choose_file(FileChoice purpose) override;

  // Saving offers "*.txt" alone; opening offers "*.txt", then every file.
  static QStringList name_filters(FileChoice purpose);
  // The path the next dialog offers (empty before the first choice).
  const std::string& last_choice() const { return last_choice_; }

 private:
  std::string start_directory_;
  QWidget* parent_;
  std::string last_choice_;
};

}  // namespace vexa::ui
