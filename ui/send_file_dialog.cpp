#include "ui/send_file_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vexa::ui {

namespace {

constexpr int kLongestPauseMs = 60000;
constexpr int kShortestWaitMs = 100;
constexpr int kLongestWaitMs = 600000;

QString text_of(const Messages& messages, const char* key) { return QString::fromStdString(messages.message(key)); }

}  // namespace

SendFileDialog::SendFileDialog(const Messages& messages, const SendFileRequest& last, QWidget* parent)
    : QDialog(parent), last_(last) {
  setWindowTitle(text_of(messages, "VtMenuSendFile").remove("..."));
  auto* layout = new QVBoxLayout(this);

  auto* file_row = new QHBoxLayout;
  file_row->addWidget(new QLabel(text_of(messages, "VtSendFileLabel")));
  path_edit = new QLineEdit(QString::fromStdString(last.path));
  path_edit->setMinimumWidth(320);
  file_row->addWidget(path_edit, 1);
  auto* browse_button = new QPushButton(text_of(messages, "VtSendBrowse"));
  file_row->addWidget(browse_button);
  layout->addLayout(file_row);

  auto* pace = new QGroupBox(text_of(messages, "VtSendPace"));
  auto* form = new QFormLayout(pace);
  pause_ms = new QSpinBox;
  pause_ms->setRange(0, kLongestPauseMs);
  pause_ms->setSingleStep(kSendFilePauseStepMs);
  pause_ms->setValue(last.options.pause_ms);
  form->addRow(text_of(messages, "VtSendPause"), pause_ms);
  no_wait = new QRadioButton(text_of(messages, "VtSendNoWait"));
  echo_wait = new QRadioButton(text_of(messages, "VtSendWaitEcho"));
  prompt_wait = new QRadioButton(text_of(messages, "VtSendWaitPrompt"));
  prompt_edit = new QLineEdit(QString::fromStdString(last.options.prompt));
  form->addRow(no_wait);
  form->addRow(echo_wait);
  form->addRow(prompt_wait, prompt_edit);
  wait_ms = new QSpinBox;
  wait_ms->setRange(kShortestWaitMs, kLongestWaitMs);
  wait_ms->setSingleStep(100);
  wait_ms->setValue(last.options.wait_ms);
  form->addRow(text_of(messages, "VtSendWaitLongest"), wait_ms);
  layout->addWidget(pace);
  (last.options.wait == SendWait::echo ? echo_wait : last.options.wait == SendWait::prompt ? prompt_wait : no_wait)
      ->setChecked(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browse_button, &QPushButton::clicked, this, &SendFileDialog::browse);
  for (QRadioButton* button : {no_wait, echo_wait, prompt_wait})
    connect(button, &QRadioButton::toggled, this, &SendFileDialog::update_enabled);
  // Ok needs a file.
  const auto ok_needs_file = [this, buttons] {
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!path_edit->text().trimmed().isEmpty());
  };
  connect(path_edit, &QLineEdit::textChanged, this, ok_needs_file);
  ok_needs_file();
  update_enabled();
}

void SendFileDialog::browse() {
  const QString path = QFileDialog::getOpenFileName(this, windowTitle(), path_edit->text());
  if (!path.isEmpty()) path_edit->setText(path);
}

void SendFileDialog::update_enabled() {
  prompt_edit->setEnabled(prompt_wait->isChecked());
  wait_ms->setEnabled(!no_wait->isChecked());
}

SendFileRequest SendFileDialog::request() const {
  SendFileRequest request = last_;
  request.path = path_edit->text().trimmed().toStdString();
  request.options.pause_ms = pause_ms->value();
  request.options.wait = echo_wait->isChecked() ? SendWait::echo : prompt_wait->isChecked() ? SendWait::prompt : SendWait::none;
  request.options.prompt = prompt_edit->text().toStdString();
  request.options.wait_ms = wait_ms->value();
  return request;
}

}  // namespace vexa::ui
