#pragma once
// The phone book editor: a small text editor window on phonebook.txt that loads the file,
// lets the user edit it and saves it; closing it tells the main window to refresh the phone field.
#include <QDialog>
#include <string>

#include "base/messages.h"

class QPlainTextEdit;

namespace vexa::ui {

class PhoneBookEditor : public QDialog {
  Q_OBJECT
 public:
  PhoneBookEditor(std::string path, const Messages& messages, QWidget* parent = nullptr);
  const std::string& path() const { return path_; }
  // Saves the text (the file's own line ends: LF); false and a message box on failure. A close
  // whose save fails is refused, so the edits stay on the screen.
  bool save();
  QPlainTextEdit* editor() const { return editor_; }

 signals:
  void edited_and_closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::string path_;
  const Messages& messages_;
  QPlainTextEdit* editor_ = nullptr;
};

}  // namespace vexa::ui
