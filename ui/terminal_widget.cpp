#include "ui/terminal_widget.h"

#include <QFontDatabase>
#include <algorithm>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "app/terminal_command_ids.h"
#include "base/cp1252.h"
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
  // the user scrolls back to it; a resize, a tab switch, a search, a click or a burst of text
  // does not change that.
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] { user_scrolled(); });
  marker_ = new QToolButton(this);
  marker_->setObjectName("new_output_marker");
  marker_->setFocusPolicy(Qt::NoFocus);
  marker_->setCursor(Qt::ArrowCursor);
  marker_->hide();
  connect(marker_, &QToolButton::clicked, this, [this] { follow_end(); });
}

void TerminalWidget::user_scrolled() {
  // Judged once the scroll has taken effect, whatever order the bar reports it in.
  QTimer::singleShot(0, this, [this] {
    const QScrollBar* bar = verticalScrollBar();
    set_following(bar->value() >= bar->maximum() - 2);
  });
}

void TerminalWidget::set_following(bool on) {
  follow_end_ = on;
  if (on) marker_->hide();
}

void TerminalWidget::follow_end() {
  set_following(true);
  scroll_to_end_if_following();
}

void TerminalWidget::set_new_output_text(const QString& text) {
  marker_->setText(text);
  marker_->adjustSize();
  place_marker();
}

void TerminalWidget::place_marker() {
  // Over the bottom right of the text, clear of the scroll bars.
  const QRect area = viewport()->geometry();
  const QSize size = marker_->sizeHint();
  marker_->setGeometry(area.right() - size.width() - 8, area.bottom() - size.height() - 6, size.width(), size.height());
  marker_->raise();
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
  place_marker();
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
  if (!local_echo_ || board().empty()) return;
  // A line break is one character in the document but CR LF in the board text.
  const bool line_break = board().size() >= 2 && board().substr(board().size() - 2) == "\r\n";
  shadow_.resize(shadow_.size() - (line_break ? 2 : 1));
  if (line_break) --line_ends_;
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.deletePreviousChar();
}

void TerminalWidget::replace_typed_echo(std::string_view typed, std::string_view line) {
  if (!local_echo_) return;
  // The typed line is taken back only while it is still the end of the text; once the board
  // has written after it, the recalled line goes after that.
  const std::string_view shown = board();
  if (!typed.empty() && shown.size() >= typed.size() && shown.substr(shown.size() - typed.size()) == typed &&
      typed.find('\r') == std::string_view::npos) {
    shadow_.resize(shadow_.size() - typed.size());
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, static_cast<int>(display_text(typed).size()));
    end.removeSelectedText();
  }
  echo(line);
}

void TerminalWidget::set_link_open(bool open) {
  QPalette look = palette();
  look.setColor(QPalette::Base, open ? QPalette().color(QPalette::Base) : QPalette().color(QPalette::Button));
  setPalette(look);
}

void TerminalWidget::set_fixed_font(bool fixed) {
  setFont(fixed ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont());
}

std::size_t TerminalWidget::length() const { return shadow_.size() - shadow_front_; }

std::string TerminalWidget::text(std::size_t max_chars) const { return std::string(board().substr(0, max_chars)); }

void TerminalWidget::set_text(std::string_view text) {
  shadow_.assign(text);
  shadow_front_ = 0;
  line_ends_ = count_line_ends(shadow_);
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
  const std::string_view old = board();
  count = std::min(count, old.size());
  if (count == 0) return;
  // The document holds one position per board character, except that a CR LF pair is one
  // paragraph break (the CR has no position of its own) and escape sequences have none.
  std::size_t position = count;
  if (ansi_) {
    const std::string visible = trim_reader_.strip(old.substr(0, count));
    position = document_positions(visible);
  } else {
    for (std::size_t i = 0; i < count; ++i)
      if (old[i] == '\r' && i + 1 < old.size() && old[i + 1] == '\n') --position;
  }
  // A pair cut between its CR and LF is lost as well.
  line_ends_ -= count_line_ends(old.substr(0, count + 1));
  shadow_front_ += count;
  if (shadow_front_ > shadow_.size() / 2) {
    shadow_.erase(0, shadow_front_);
    shadow_front_ = 0;
  }
  const int end = static_cast<int>(std::min<std::size_t>(position, document()->characterCount() - 1));
  // A reader of older text keeps the lines in sight: the bar counts the document's lines, so it
  // moves back by the lines that go.
  QScrollBar* bar = verticalScrollBar();
  const int held = bar->value();
  int lines_gone = 0;
  for (QTextBlock block = document()->begin(); block.isValid() && block.position() + block.length() <= end;
       block = block.next())
    lines_gone += std::max(1, block.lineCount());
  QTextCursor front(document());
  front.setPosition(0);
  front.setPosition(end, QTextCursor::KeepAnchor);
  front.removeSelectedText();
  if (follow_end_)
    scroll_to_end_if_following();
  else
    bar->setValue(std::max(0, held - lines_gone));
}

void TerminalWidget::drop_front_lines(std::size_t count) { drop_front(after_line_ends(board(), count)); }

void TerminalWidget::append(std::string_view text) {
  if (text.empty()) return;
  // A CR at the end may be the first half of a pair.
  const std::size_t from = shadow_.size() > shadow_front_ ? shadow_.size() - 1 : shadow_.size();
  shadow_.append(text);
  line_ends_ += count_line_ends(std::string_view(shadow_).substr(from));
  // Insert at the end without moving the user's selection. The text control would scroll to
  // its caret when that sits at the end: a user reading older text keeps the place.
  QScrollBar* bar = verticalScrollBar();
  const int held = bar->value();
  insert_board_text(text);
  if (follow_end_) {
    scroll_to_end_if_following();
    return;
  }
  if (bar->value() != held) bar->setValue(held);
  if (marker_->isHidden() && !marker_->text().isEmpty()) {
    place_marker();
    marker_->show();
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
  shadow_front_ = 0;
  line_ends_ = 0;
  show_reader_.reset();
  trim_reader_.reset();
  QPlainTextEdit::clear();
}

void TerminalWidget::set_ansi(bool on) {
  if (ansi_ == on) return;
  ansi_ = on;
  set_text(std::string(board()));  // shown again in the new form
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
  if (find(needle, flags)) return true;
  // Around the end: from the other end once more.
  const QTextCursor kept = textCursor();
  QTextCursor from(document());
  from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
  setTextCursor(from);
  if (find(needle, flags)) return true;
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
