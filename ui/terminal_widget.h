#pragma once
// The terminal on the desktop: a read-only-looking plain text view that the terminal logic
// appends to (it is the Terminal's view, written on the window thread only), and whose typed
// keys go to the board as keyboard command 911.
#include <QPlainTextEdit>
#include <functional>

#include "terminal/terminal_view.h"

namespace vexa::ui {

class TerminalWidget : public QPlainTextEdit, public TerminalView {
  Q_OBJECT
 public:
  explicit TerminalWidget(QWidget* parent = nullptr);

  // Typed characters as Windows-1252 bytes (Enter 13, Ctrl-V 22, Ctrl-Z 26, Ctrl-C 3); only
  // delivered while keys_enabled (the Rs232 target mode).
  void set_key_handler(std::function<void(unsigned)> handler);
  void set_keys_enabled(bool on);
  // Closed link: read-only with the window's 3-D face colour; open: the normal background.
  void set_link_open(bool open);
  // The `fontfix` setting: a fixed-pitch font.
  void set_fixed_font(bool fixed);

  // TerminalView (board text, one byte a character; shown as UTF-8).
  std::size_t length() const override;
  std::string text(std::size_t max_chars) const override;
  void set_text(std::string_view text) override;
  void append(std::string_view text) override;
  void clear() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  std::function<void(unsigned)> key_handler_;
  bool keys_enabled_ = true;
  std::size_t length_ = 0;  // characters in board text (the document may count CR LF as one)
  std::string shadow_;      // the board text, kept for text() and the trim
};

}  // namespace vexa::ui
