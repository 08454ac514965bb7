#include "ui/value_popup.h"

#include <QPainter>

namespace vexa::ui {

namespace {
constexpr int kDelayMs = 300;
constexpr int kStepMs = 100;
}  // namespace

ValuePopup::ValuePopup(QWidget* host) : QWidget(host), host_(host) {
  setObjectName(QStringLiteral("spopclass"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(10);
  setFont(font);
  hide();
  connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
  timer_.start(kStepMs);
}

void ValuePopup::hover(QWidget* graph, int input, int x, QPoint position) {
  if (graph == graph_ && input == input_ && position == position_ && delay_ <= 0) {
    x_ = x;
    if (isVisible()) place();
    return;
  }
  hide();
  graph_ = graph;
  input_ = input;
  x_ = x;
  position_ = position;
  delay_ = kDelayMs;
}

void ValuePopup::hover_none() {
  graph_ = nullptr;
  input_ = -1;
  hide();
}

void ValuePopup::value_arrived(int input) {
  if (graph_ && input == input_ && isVisible()) place();
}

void ValuePopup::tick() {
  if (!graph_) {
    hide();
    return;
  }
  if (delay_ > 0) {
    delay_ -= kStepMs;
    if (delay_ > 0) return;
    place();
  }
}

void ValuePopup::place() {
  const std::optional<QString> text = sample_ ? sample_(graph_, input_, x_) : std::nullopt;
  if (!text) {
    hide();
    return;
  }
  text_ = *text;
  const QRect box = fontMetrics().boundingRect(QRect(0, 0, 100, 100), Qt::TextWordWrap, text_);
  const int w = box.width() + 5, h = box.height() + 1;
  int x = position_.x() + 5;
  int y = std::max(0, position_.y() - h - 25);
  const int limit = host_ ? host_->width() : x + w;
  if (x + w > limit) x = limit - w;
  x = std::max(0, x);
  setGeometry(x, y, w, h);
  show();
  raise();
  update();
}

void ValuePopup::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(255, 255, 0));
  painter.setPen(Qt::black);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.setPen(QColor(255, 0, 0));
  painter.drawText(rect().adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text_);
}

}  // namespace vexa::ui
