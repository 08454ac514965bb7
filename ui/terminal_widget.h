#pragma once
// The terminal on the desktop: a read-only-looking plain text view that the terminal logic
// appends to (it is the Terminal's view, written on the window thread only), and whose typed
// keys go to the board as keyboard command 911.
#include <QPlainTextEdit>
#include <functional>

#include "terminal/ansi_reader.h"
#include "terminal/terminal_view.h"

namespace vexa::ui {

class TerminalWidget : public QPlainTextEdit, public TerminalView {
  Q_OBJECT
 public:
  explicit TerminalWidget(QWidget* parent = nullptr);

  // Typed characters as Windows-1252 bytes (Enter 13, Backspace 8, Ctrl-V 22, Ctrl-Z 26,
  // Ctrl-C 3), every one of them, whatever the mode.
  void set_key_handler(std::function<void(unsigned)> handler);
  // Keys that are commands rather than bytes: Up and Down (history), Ctrl-F (search). The
  // handler returns false for a command it does not take now; then (and without a handler) the
  // keys scroll and select as before.
  void set_command_handler(std::function<bool(int)> handler) { command_handler_ = std::move(handler); }
  // Selects (highlights) the next hit of needle after the cursor, or the one before it,
  // wrapping around; false when the text has none.
  bool find_next(const QString& needle, bool backward, bool match_case);
  // Whether typed text also appears in the view, at its end, as a writable text control shows
  // it: on in the Rs232 target mode while the link is open, off in the modem mode. Ctrl-V shows
  // the pasted text, Enter a line break, Backspace takes back the last character.
  void set_local_echo(bool on);
  bool local_echo() const { return local_echo_; }
  // Whether the view keeps showing the newest text (until the user scrolls away from the end).
  bool following_end() const { return follow_end_; }
  // Closed link: read-only with the window's 3-D face colour; open: the normal background.
  void set_link_open(bool open);
  // The `fontfix` setting: a fixed-pitch font.
  void set_fixed_font(bool fixed);

  // TerminalView (board text, one byte a character; shown as UTF-8).
  std::size_t length() const override;
  std::string text(std::size_t max_chars) const override;
  void set_text(std::string_view text) override;
  void drop_front(std::size_t count) override;
  void append(std::string_view text) override;
  void clear() override;
  // With ANSI on, escape sequences in the text set the colour of what follows and are not
  // shown; the text kept for text() and the trim still holds them.
  void set_ansi(bool on) override;

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void send_key(unsigned code);
  void paste_typed();
  void echo(std::string_view board_text);
  void echo_backspace();
  void scroll_to_end_if_following();
  // Board text at the end of the document, through the ANSI reader when ANSI is on.
  void insert_board_text(std::string_view text);
  void user_scrolled();

  std::function<void(unsigned)> key_handler_;
  std::function<bool(int)> command_handler_;
  bool local_echo_ = false;
  bool follow_end_ = true;  // the view shows the newest text
  std::size_t length_ = 0;  // characters in board text (the document may count CR LF as one)
  std::string shadow_;      // the board text, kept for text() and the trim
  bool ansi_ = false;
  AnsiReader show_reader_;  // the sequences of the text appended
  AnsiReader trim_reader_;  // the same sequences again, for the text trimmed off the front
};

}  // namespace vexa::ui
