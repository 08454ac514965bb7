#pragma once
// The phone book editor: a small text editor window on phonebook.txt that loads the file,
// lets the user edit it and saves it; closing it tells the main window to refresh the phone field.
#include <QDialog>
#include <string>

class QPlainTextEdit;

namespace vexa::ui {

class PhoneBookEditor : public QDialog {
  Q_OBJECT
 public:
  explicit PhoneBookEditor(std::string path, QWidget* parent = nullptr);
  const std::string& path() const { return path_; }
  // Saves the text (the file's own line ends: LF); false and a message box text on failure.
  bool save();
  QPlainTextEdit* editor() const { return editor_; }

 signals:
  void edited_and_closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::string path_;
  QPlainTextEdit* editor_ = nullptr;
};

}  // namespace vexa::ui
