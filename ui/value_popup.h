#pragma once
// The value pop-up over the history graphs: after the mouse rests 300 ms over a graph it shows
// the sample under the mouse in a small yellow box with red text, and follows new values.
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

namespace vexa::ui {

class ValuePopup : public QWidget {
  Q_OBJECT
 public:
  // host: the main window (the pop-up is its child and stays inside its width).
  explicit ValuePopup(QWidget* host);

  // The sample text of the graph under the mouse (graph, input, client x), or nothing.
  using SampleText = std::function<std::optional<QString>(QWidget* graph, int input, int x)>;
  void set_sample_text(SampleText sample) { sample_ = std::move(sample); }

  // The mouse moved over a graph of input n to client x, at position (relative to the host).
  void hover(QWidget* graph, int input, int x, QPoint position);
  // The mouse is over anything else.
  void hover_none();
  // A new value of input n arrived: repaint when showing it.
  void value_arrived(int input);
  // The 100 ms step: hides without a graph, counts the delay down and shows at 0.
  void tick();
  QString text() const { return text_; }
  int shown_input() const { return graph_ ? input_ : -1; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void place();

  QWidget* host_;
  QTimer timer_;
  SampleText sample_;
  QWidget* graph_ = nullptr;
  int input_ = -1;
  int x_ = 0;
  QPoint position_;
  int delay_ = 0;
  QString text_;
};

}  // namespace vexa::ui
