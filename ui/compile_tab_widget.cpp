#include "ui/compile_tab_widget.h"

#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScrollBar>

#include "build/compile_tab_form.h"

namespace vexa::ui {

namespace {

// The core keeps line ends as CR LF; Qt's text widgets use LF.
QString to_widget_text(const std::string& text) {
  QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  shown.remove(QLatin1Char('\r'));
  return shown;
}

std::string to_core_text(const QString& text) {
  std::string out;
  for (char c : text.toStdString()) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

std::optional<std::string> QtCompileFileChooser::choose(CompileFile kind, const std::string& start) {
  const bool makefile = kind == CompileFile::makefile;
  const Messages english;
  const Messages& messages = messages_ ? *messages_ : english;
  const std::string filter = makefile ? messages.message("VtFilterMake") + " (*.mak)"
                                      : messages.message("VtFilterFirmware") + " (*.hex *.bin)";
  const QString path = QFileDialog::getOpenFileName(parent_, QString(), QString::fromStdString(start),
                                                    QString::fromStdString(filter));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

CompileTabWidget::CompileTabWidget(CompileTab& tab, QWidget* parent) : QWidget(parent), tab_(tab) {
  setObjectName(QStringLiteral("compile"));
  Form& form = tab_.form();
  binder_ = std::make_unique<FormBinder>(form, this, nullptr);
  for (const Control& c : form.controls()) {
    if (c.style & kStyleLabel) {
      auto* label = new QLabel(QString::fromStdString(c.text), this);
      label->setObjectName(QStringLiteral("control%1").arg(c.id));
      binder_->adopt(c.id, label);
    } else if (c.style & kStyleMultiLine) {
      auto* edit = new QPlainTextEdit(this);
      edit->setObjectName(QStringLiteral("control%1").arg(c.id));
      edit->setReadOnly(c.style & kStyleReadOnly);
      edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      edit->setPlainText(to_widget_text(c.text));
      binder_->adopt(c.id, edit);
      (c.id == compile::kOutput ? output_ : environment_) = edit;
    }
  }
  binder_->build();
  form.set_listener([this](int id) { form_changed(id); });
  bind_tab_commands(*binder_, tab_, this);
  if (environment_) {
    connect(environment_, &QPlainTextEdit::textChanged, this, [this] {
      taking_edit_ = true;
      tab_.form().set_text(compile::kEnvironment, to_core_text(environment_->toPlainText()));
      taking_edit_ = false;
      tab_.command({compile::kEnvironment, kNotifyEditChanged, 0});
    });
  }
  if (output_) show_text(output_, form.text(compile::kOutput), true);
  tab_.set_cursor_listener([this](bool busy) {
    if (busy)
      setCursor(Qt::WaitCursor);
    else
      unsetCursor();
  });
}

CompileTabWidget::~CompileTabWidget() {
  tab_.set_cursor_listener({});
  tab_.form().set_listener({});
}

QWidget* CompileTabWidget::control(int id) const { return binder_->widget(id); }

void CompileTabWidget::form_changed(int id) {
  binder_->apply(id);
  if (id == compile::kOutput && output_) show_text(output_, tab_.form().text(id), true);
  if (id == compile::kEnvironment && environment_ && !taking_edit_)
    show_text(environment_, tab_.form().text(id), false);
}

void CompileTabWidget::show_text(QPlainTextEdit* edit, const std::string& text, bool to_end) {
  const QString shown = to_widget_text(text);
  if (edit->toPlainText() == shown) return;
  const QSignalBlocker block(edit);
  edit->setPlainText(shown);
  if (to_end) {
    edit->moveCursor(QTextCursor::End);
    edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
  }
}

void CompileTabWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  tab_.layout(event->size().width(), event->size().height());
}

}  // namespace vexa::ui
