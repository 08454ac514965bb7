#pragma once
// The Send file dialog: the file, and how the sender paces itself after each line (a pause, and
// no wait, the line's echo or a prompt, with the longest wait). Opens with the last choices.
#include <QDialog>

#include "base/messages.h"
#include "terminal/send_file.h"

class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace vexa::ui {

class SendFileDialog : public QDialog {
  Q_OBJECT
 public:
  SendFileDialog(const Messages& messages, const SendFileRequest& last, QWidget* parent = nullptr);
  // What the dialog shows now (line_end is left as it came).
  SendFileRequest request() const;

  // The controls, for tests.
  QLineEdit* path_edit = nullptr;
  QSpinBox* pause_ms = nullptr;
  QRadioButton* no_wait = nullptr;
  QRadioButton* echo_wait = nullptr;
  QRadioButton* prompt_wait = nullptr;
  QLineEdit* prompt_edit = nullptr;
  QSpinBox* wait_ms = nullptr;

 private:
  void browse();
  void update_enabled();

  SendFileRequest last_;
};

}  // namespace vexa::ui
