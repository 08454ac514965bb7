#include "ui/terminal_widget.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextCursor>

#include "terminal/cp1252.h"

namespace vexa::ui {

namespace {

constexpr unsigned kCtrlC = 3, kEnter = 13, kCtrlV = 22, kCtrlZ = 26;

// Board text uses CR LF; the document keeps one paragraph break per line.
QString display_text(std::string_view board_text) {
  std::string utf8 = cp1252_to_utf8(board_text);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    out.push_back(utf8[i] == '\r' ? '\n' : utf8[i]);
  }
  return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

}  // namespace

TerminalWidget::TerminalWidget(QWidget* parent) : QPlainTextEdit(parent) {
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Typing goes to the board, never into the text.
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setFocusPolicy(Qt::StrongFocus);
  set_link_open(false);
}

void TerminalWidget::set_key_handler(std::function<void(unsigned)> handler) { key_handler_ = std::move(handler); }

void TerminalWidget::set_keys_enabled(bool on) { keys_enabled_ = on; }

void TerminalWidget::set_link_open(bool open) {
  QPalette look = palette();
  look.setColor(QPalette::Base, open ? QPalette().color(QPalette::Base) : QPalette().color(QPalette::Button));
  setPalette(look);
}

void TerminalWidget::set_fixed_font(bool fixed) {
  setFont(fixed ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont());
}

std::size_t TerminalWidget::length() const { return shadow_.size(); }

std::string TerminalWidget::text(std::size_t max_chars) const { return shadow_.substr(0, max_chars); }

void TerminalWidget::set_text(std::string_view text) {
  shadow_.assign(text);
  setPlainText(display_text(text));
  moveCursor(QTextCursor::End);
}

void TerminalWidget::append(std::string_view text) {
  shadow_.append(text);
  // Insert at the end without moving the user's selection; scroll only when at the bottom.
  QScrollBar* bar = verticalScrollBar();
  const bool at_bottom = bar->value() >= bar->maximum() - 2;
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.insertText(display_text(text));
  if (at_bottom) bar->setValue(bar->maximum());
}

void TerminalWidget::clear() {
  shadow_.clear();
  QPlainTextEdit::clear();
}

void TerminalWidget::keyPressEvent(QKeyEvent* event) {
  const bool control = event->modifiers() & Qt::ControlModifier;
  unsigned code = 0;
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    code = kEnter;
  } else if (control && event->key() == Qt::Key_V) {
    code = kCtrlV;
  } else if (control && event->key() == Qt::Key_Z) {
    code = kCtrlZ;
  } else if (control && event->key() == Qt::Key_C) {
    // Copy a selection as usual; without one, Ctrl-C is the board's key.
    if (textCursor().hasSelection()) {
      QPlainTextEdit::keyPressEvent(event);
      return;
    }
    code = kCtrlC;
  } else if (!event->text().isEmpty()) {
    const QString typed = event->text();
    for (QChar c : typed) {
      const auto byte = unicode_to_cp1252(c.unicode());
      if (byte && keys_enabled_ && key_handler_) key_handler_(*byte);
    }
    return;
  } else {
    QPlainTextEdit::keyPressEvent(event);  // navigation keys scroll the view
    return;
  }
  if (keys_enabled_ && key_handler_) key_handler_(code);
}

void TerminalWidget::insertFromMimeData(const QMimeData* source) {
  // A paste goes to the board like Ctrl-V, never into the view.
  (void)source;
  if (keys_enabled_ && key_handler_) key_handler_(kCtrlV);
}

}  // namespace vexa::ui
