#include "ui/phone_book_editor.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/text_format.h"
#include "platform/atomic_file.h"
#include "platform/serial_tty.h"
#include "base/cp1252.h"
#include "platform/system_error.h"

namespace vexa::ui {

namespace {

constexpr std::size_t kPhoneBookMaxBytes = 1u << 20;

bool is_utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUtf8().toStdString() == text;
}

}  // namespace

PhoneBookEditor::PhoneBookEditor(std::string path, const Messages& messages, QWidget* parent)
    : QDialog(parent), path_(std::move(path)), messages_(messages) {
  setWindowTitle(QString::fromStdString(path_));
  editor_ = new QPlainTextEdit(this);
  std::string text;
  if (read_whole_file(path_, text, kPhoneBookMaxBytes)) {
    // Older phone books were written in Windows-1252; keep their accented names.
    if (!is_utf8(text)) text = cp1252_to_utf8(text);
    editor_->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Close, this);
  connect(buttons->button(QDialogButtonBox::Save), &QPushButton::clicked, this, [this] { save(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(editor_);
  layout->addWidget(buttons);
  resize(400, 500);
}

bool PhoneBookEditor::save() {
  std::string text = editor_->toPlainText().toStdString();
  if (!text.empty() && text.back() != '\n') text.push_back('\n');
  const int error = write_file_atomically_error(path_, text);
  if (error == 0) {
    editor_->document()->setModified(false);
    return true;
  }
  const std::string said = format_message(messages_.message("VtPhoneNoWrite"), {path_, system_error_text(error)}) +
                           "\n" + messages_.message("VtPhoneKept");
  // Not modal to the program: the editor stays usable for copying the text elsewhere.
  auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), QString::fromStdString(said), QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  return false;
}

void PhoneBookEditor::closeEvent(QCloseEvent* event) {
  if (editor_->document()->isModified() && !save()) {
    event->ignore();
    return;
  }
  emit edited_and_closed();
  QDialog::closeEvent(event);
}

}  // namespace vexa::ui
