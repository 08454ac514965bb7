#include "ui/terminal_widget.h"

#include <QFontDatabase>
#include <algorithm>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QWheelEvent>

#include "app/terminal_command_ids.h"
#include "terminal/cp1252.h"
#include "terminal/keyboard.h"
#include "ui/desktop_clipboard.h"

namespace vexa::ui {

namespace {

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

QColor colour_of(int colour) {
  const unsigned rgb = colour & kRgbColour ? static_cast<unsigned>(colour) & 0xffffff : palette_rgb(colour);
  return QColor::fromRgb(static_cast<QRgb>(rgb));
}

QTextCharFormat format_of(const TextStyle& style, const QPalette& palette) {
  QTextCharFormat format;
  QColor foreground = style.foreground == kDefaultColour ? palette.color(QPalette::Text) : colour_of(style.foreground);
  QColor background = style.background == kDefaultColour ? QColor() : colour_of(style.background);
  if (style.inverse) {
    const QColor shown_back = background.isValid() ? background : palette.color(QPalette::Base);
    background = foreground;
    foreground = shown_back;
  }
  if (style.faint) foreground.setAlpha(160);
  format.setForeground(foreground);
  if (background.isValid()) format.setBackground(background);
  if (style.bold) format.setFontWeight(QFont::Bold);
  format.setFontItalic(style.italic);
  format.setFontUnderline(style.underline);
  return format;
}

// Paragraph breaks in the document for text: a CR LF pair is one.
std::size_t document_positions(std::string_view text) {
  std::size_t position = text.size();
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '\r' && text[i + 1] == '\n') --position;
  return position;
}

}  // namespace

TerminalWidget::TerminalWidget(QWidget* parent) : QPlainTextEdit(parent) {
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Typing goes to the board, never into the text.
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setFocusPolicy(Qt::StrongFocus);
  set_link_open(false);
  // The view follows the newest text until the user scrolls away from the end, and again once
  // the user scrolls back to it; a resize, a tab switch or a burst of text does not change that.
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] { user_scrolled(); });
}

void TerminalWidget::user_scrolled() {
  // Judged once the scroll has taken effect, whatever order the bar reports it in.
  QTimer::singleShot(0, this, [this] {
    const QScrollBar* bar = verticalScrollBar();
    follow_end_ = bar->value() >= bar->maximum() - 2;
  });
}

void TerminalWidget::wheelEvent(QWheelEvent* event) {
  QPlainTextEdit::wheelEvent(event);
  user_scrolled();
}

void TerminalWidget::scroll_to_end_if_following() {
  if (!follow_end_) return;
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->maximum());
}

bool TerminalWidget::event(QEvent* event) {
  // Tab belongs to the board, not to the focus chain.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QPlainTextEdit::event(event);
}

void TerminalWidget::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  scroll_to_end_if_following();
}

void TerminalWidget::showEvent(QShowEvent* event) {
  QPlainTextEdit::showEvent(event);
  scroll_to_end_if_following();
}

void TerminalWidget::set_key_handler(std::function<void(unsigned)> handler) { key_handler_ = std::move(handler); }

void TerminalWidget::set_local_echo(bool on) { local_echo_ = on; }

void TerminalWidget::send_key(unsigned code) {
  if (key_handler_) key_handler_(code);
}

void TerminalWidget::echo(std::string_view board_text) {
  if (local_echo_ && !board_text.empty()) append(board_text);
}

void TerminalWidget::echo_backspace() {
  if (!local_echo_ || shadow_.empty()) return;
  // A line break is one character in the document but CR LF in the board text.
  const bool line_break = shadow_.size() >= 2 && shadow_.compare(shadow_.size() - 2, 2, "\r\n") == 0;
  shadow_.resize(shadow_.size() - (line_break ? 2 : 1));
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.deletePreviousChar();
}

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
  QScrollBar* bar = verticalScrollBar();
  const int held = bar->value();
  show_reader_.reset();
  trim_reader_.reset();
  if (ansi_) {
    QPlainTextEdit::clear();
    insert_board_text(text);
  } else {
    setPlainText(display_text(text));
  }
  if (follow_end_) {
    moveCursor(QTextCursor::End);
    scroll_to_end_if_following();
  } else {
    // The user reads older text: the trim of the oldest text does not pull the view away.
    bar->setValue(std::min(held, bar->maximum()));
  }
}

void TerminalWidget::drop_front(std::size_t count) {
  count = std::min(count, shadow_.size());
  // The document holds one position per board character, except that a CR LF pair is one
  // paragraph break (the CR has no position of its own) and escape sequences have none.
  std::size_t position = count;
  if (ansi_) {
    const std::string visible = trim_reader_.strip(std::string_view(shadow_).substr(0, count));
    position = document_positions(visible);
  } else {
    for (std::size_t i = 0; i < count; ++i)
      if (shadow_[i] == '\r' && i + 1 < shadow_.size() && shadow_[i + 1] == '\n') --position;
  }
  shadow_.erase(0, count);
  QTextCursor front(document());
  front.setPosition(0);
  front.setPosition(static_cast<int>(std::min<std::size_t>(position, document()->characterCount() - 1)),
                    QTextCursor::KeepAnchor);
  front.removeSelectedText();
}

void TerminalWidget::append(std::string_view text) {
  shadow_.append(text);
  // Insert at the end without moving the user's selection. The text control would scroll to
  // its caret when that sits at the end: a user reading older text keeps the place.
  QScrollBar* bar = verticalScrollBar();
  const int held = bar->value();
  insert_board_text(text);
  if (follow_end_) {
    scroll_to_end_if_following();
  } else if (bar->value() != held) {
    bar->setValue(held);
  }
}

void TerminalWidget::insert_board_text(std::string_view text) {
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  if (!ansi_) {
    end.insertText(display_text(text));
    return;
  }
  for (const StyledRun& run : show_reader_.read(text)) end.insertText(display_text(run.text), format_of(run.style, palette()));
}

void TerminalWidget::clear() {
  shadow_.clear();
  show_reader_.reset();
  trim_reader_.reset();
  QPlainTextEdit::clear();
}

void TerminalWidget::set_ansi(bool on) {
  if (ansi_ == on) return;
  ansi_ = on;
  set_text(std::string(shadow_));  // shown again in the new form
}

void TerminalWidget::keyPressEvent(QKeyEvent* event) {
  const bool control = event->modifiers() & Qt::ControlModifier;
  const int key = event->key();
  if (command_handler_ && (key == Qt::Key_Up || key == Qt::Key_Down || (control && key == Qt::Key_F)) &&
      command_handler_(key == Qt::Key_Up ? cmd::kTermHistoryUp : key == Qt::Key_Down ? cmd::kTermHistoryDown : cmd::kTermFind))
    return;
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    send_key(kKeyEnter);
    echo("\r\n");
  } else if (key == Qt::Key_Backspace) {
    send_key(kKeyBackspace);
    echo_backspace();
  } else if (control && key == Qt::Key_V) {
    paste_typed();
  } else if (control && key == Qt::Key_Z) {
    send_key(kKeyCtrlZ);  // the terminal shows it itself, as "^Z"
  } else if (control && key == Qt::Key_C) {
    // Copy a selection as usual; without one, Ctrl-C is the board's key.
    if (textCursor().hasSelection()) {
      QPlainTextEdit::keyPressEvent(event);
      return;
    }
    send_key(kKeyCtrlC);
  } else if (key == Qt::Key_Tab) {
    send_key('\t');
    echo("\t");
  } else if (key == Qt::Key_Backtab) {
    // Shift-Tab has no byte of its own: the board gets a Tab.
    send_key('\t');
    echo("\t");
  } else if (!event->text().isEmpty()) {
    for (QChar c : event->text()) {
      const auto byte = unicode_to_cp1252(c.unicode());
      if (!byte) continue;  // no Windows-1252 byte for it: nothing is sent
      send_key(*byte);
      if (*byte >= 0x20 || *byte == '\t') echo(std::string(1, static_cast<char>(*byte)));
    }
  } else {
    QPlainTextEdit::keyPressEvent(event);  // navigation keys scroll the view
    user_scrolled();
  }
}

bool TerminalWidget::find_next(const QString& needle, bool backward, bool match_case) {
  if (needle.isEmpty()) return false;
  QTextDocument::FindFlags flags;
  if (backward) flags |= QTextDocument::FindBackward;
  if (match_case) flags |= QTextDocument::FindCaseSensitively;
  if (find(needle, flags)) {
    follow_end_ = false;  // the hit stays in sight while text comes in
    return true;
  }
  // Around the end: from the other end once more.
  const QTextCursor kept = textCursor();
  QTextCursor from(document());
  from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
  setTextCursor(from);
  if (find(needle, flags)) {
    follow_end_ = false;  // the hit stays in sight while text comes in
    return true;
  }
  setTextCursor(kept);
  return false;
}

void TerminalWidget::paste_typed() {
  send_key(kKeyCtrlV);
  if (!local_echo_) return;
  if (const auto text = desktop_clipboard_text()) echo(utf8_to_cp1252(*text));
}

void TerminalWidget::insertFromMimeData(const QMimeData* source) {
  // A paste goes to the board like Ctrl-V, never straight into the view.
  (void)source;
  paste_typed();
}

}  // namespace vexa::ui
