#pragma once
// The terminal on the desktop: a read-only-looking plain text view that the terminal logic
// appends to (it is the Terminal's view, written on the window thread only), and whose typed
// keys go to the board as keyboard command 911.
#include <QPlainTextEdit>
#include <functional>
#include <string>
#include <string_view>

#include "terminal/ansi_reader.h"
#include "terminal/terminal_view.h"

class QToolButton;

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
  // Whether the view keeps showing the newest text: until the user scrolls up, and again once
  // the user scrolls back to the end or presses the new-output marker.
  bool following_end() const { return follow_end_; }
  // The marker shown over the view's bottom while the user reads older text and new text has
  // come in below; pressing it brings the view back to the end, following again.
  QToolButton& new_output_marker() { return *marker_; }
  void set_new_output_text(const QString& text);
  void follow_end();
  // A recalled history line replaces the typed line the echo shows at the end (typed: what was
  // typed before, board text); without the echo nothing changes.
  void replace_typed_echo(std::string_view typed, std::string_view line);
  // Closed link: read-only with the window's 3-D face colour; open: the normal background.
  void set_link_open(bool open);
  // The `fontfix` setting: a fixed-pitch font.
  void set_fixed_font(bool fixed);

  // TerminalView (board text, one byte a character; shown as UTF-8).
  std::size_t length() const override;
  std::string text(std::size_t max_chars) const override;
  void set_text(std::string_view text) override;
  void drop_front(std::size_t count) override;
  std::size_t line_ends() const override { return line_ends_; }
  void drop_front_lines(std::size_t count) override;
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
  void set_following(bool on);
  void place_marker();
  // The board text (without what was dropped from its front but not yet given back).
  std::string_view board() const { return std::string_view(shadow_).substr(shadow_front_); }

  std::function<void(unsigned)> key_handler_;
  std::function<bool(int)> command_handler_;
  bool local_echo_ = false;
  bool follow_end_ = true;  // the view shows the newest text
  std::string shadow_;           // the board text from shadow_front_ on, kept for text() and the trim
  std::size_t shadow_front_ = 0;  // dropped characters not yet erased: a trim per burst stays cheap
  std::size_t line_ends_ = 0;     // CR LF pairs in the board text
  QToolButton* marker_ = nullptr;
  bool ansi_ = false;
  AnsiReader show_reader_;  // the sequences of the text appended
  AnsiReader trim_reader_;  // the same sequences again, for the text trimmed off the front
};

}  // namespace vexa::ui
