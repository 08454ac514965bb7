#include "ui/data_view_widget.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <cstdlib>

#include "analog/c_number.h"
#include "analog/live_drawing.h"
#include "base/messages.h"
#include "base/text_format.h"
#include "config/configuration.h"
#include "ui/painted_cell.h"
#include "ui/qt_painter.h"
#include "ui/value_popup.h"

namespace vexa::ui {

namespace {

constexpr int kBarRowHeight = 33;
constexpr int kHistoryRowHeight = 66;
constexpr int kScrollStep = 132;

QColor to_qcolor(Colour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
Colour from_qcolor(const QColor& c) {
  return static_cast<Colour>(c.red()) | (static_cast<Colour>(c.green()) << 8) | (static_cast<Colour>(c.blue()) << 16);
}

TextWidth width_of(QPainter& painter) {
  return [&painter](std::string_view text) {
    return painter.fontMetrics().horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  };
}

TextWidth width_of(const QFontMetrics& metrics) {
  return [metrics](std::string_view text) {
    return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  };
}

// The pixels a line edit shows text in: its contents less the text margins, its own 2-pixel
// margins and the cursor, as QLineEdit lays it out; a longer text would scroll.
int text_room(const QLineEdit& edit) {
  QStyleOptionFrame option;
  option.initFrom(&edit);
  option.rect = edit.rect();
  option.lineWidth = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
  const QRect contents = edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
  const QMargins margins = edit.textMargins();
  return contents.width() - margins.left() - margins.right() - 2 * 2 - 2;
}

// A number into a box: whole, with as many decimals as fit; the start shown should it still not.
void show_number(QLineEdit& edit, double value, int max_decimals) {
  edit.setText(QString::fromStdString(fitted_value_text(value, max_decimals, text_room(edit), width_of(edit.fontMetrics()))));
  edit.setCursorPosition(0);
}

// A catalog text with one "%d" (the history length).
QString with_count(std::string text, int count) {
  const std::size_t at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(count));
  return QString::fromStdString(text);
}

std::optional<QColor> dialog_colour(QColor current) {
  for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, to_qcolor(kLivePalette[static_cast<std::size_t>(i)]));
  const QColor chosen = QColorDialog::getColor(current, nullptr, QString(), QColorDialog::DontUseNativeDialog);
  if (!chosen.isValid()) return std::nullopt;
  return chosen;
}

}  // namespace

DataViewWidget::DataViewWidget(LiveData& live, const Configuration& configuration, const Messages& messages,
                               ValuePopup* popup, QWidget* parent)
    : QWidget(parent),
      live_(live),
      configuration_(configuration),
      messages_(messages),
      popup_(popup),
      listen_(new QCheckBox(QString::fromStdString(messages.message("TKlisten")), this)),
      mode_list_(new QComboBox(this)),
      view_list_(new QComboBox(this)),
      time_axis_(new PaintedCell(this)),
      scroll_(new QScrollArea(this)),
      canvas_(new QWidget) {
  setObjectName(QStringLiteral("anabar"));
  choose_colour = dialog_colour;
  listen_->setObjectName(QStringLiteral("control101"));
  listen_->setChecked(true);
  listen_->setGeometry(10, 2, 80, 18);
  auto* min_label = new QLabel(QStringLiteral("min"), this);
  min_label->setGeometry(75, 20, 60, 16);
  auto* max_label = new QLabel(QStringLiteral("max"), this);
  max_label->setGeometry(140, 20, 60, 16);
  mode_list_->setObjectName(QStringLiteral("control102"));
  for (const char* key : {"TbRaw", "TbMv", "TbReal"}) mode_list_->addItem(QString::fromStdString(messages.message(key)));
  mode_list_->setCurrentIndex(static_cast<int>(live_.mode()));
  mode_list_->setGeometry(100, 0, 130, 21);
  view_list_->setObjectName(QStringLiteral("control105"));
  view_list_->addItem(QString::fromStdString(messages.message("TbBar")));
  view_list_->addItem(with_count(messages.message("TbHistS"), kHistorySamples));
  view_list_->addItem(with_count(messages.message("TbHistM"), kHistorySamples));
  view_list_->setCurrentIndex(static_cast<int>(live_.view()));
  view_list_->setGeometry(240, 0, 150, 21);
  connect(mode_list_, &QComboBox::activated, this, [this](int index) { set_mode(static_cast<DisplayMode>(index)); });
  connect(view_list_, &QComboBox::activated, this, [this](int index) { set_view(static_cast<HistoryView>(index)); });
  time_axis_->setObjectName(QStringLiteral("control110"));
  time_axis_->paint = [this](QPainter& painter) {
    painter.fillRect(time_axis_->rect(), palette().window());
    QtPainter p(painter);
    const HistoryView view = live_.view();
    draw_time_axis(p, time_axis_->width(), time_axis_->height(), view,
                   view == HistoryView::minutes ? live_.last_minute() : live_.last_second(), width_of(painter));
  };
  scroll_->setObjectName(QStringLiteral("anabardata"));
  scroll_->setWidget(canvas_);
  scroll_->setWidgetResizable(false);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  scroll_->verticalScrollBar()->setSingleStep(kScrollStep);
  scroll_->verticalScrollBar()->setPageStep(kScrollStep);
  connect(&fast_timer_, &QTimer::timeout, this, [this] { tick_100ms(); });
  connect(&second_timer_, &QTimer::timeout, this, [this] { tick_second(); });
  if (popup_) {
    popup_->set_sample_text([this](QWidget*, int input, int x) -> std::optional<QString> {
      for (const Row& row : rows_) {
        if (row.input != input || !row.graph) continue;
        const auto sample = live_.sample_at(input, x, row.graph->width());
        if (!sample) return std::nullopt;
        return QString::fromStdString(popup_text(*sample));
      }
      return std::nullopt;
    });
  }
  rebuild_rows();
}

void DataViewWidget::start_timers(bool with_100ms) {
  if (with_100ms) fast_timer_.start(100);
  second_timer_.start(1000);
}

bool DataViewWidget::listen() const { return listen_->isChecked(); }

int DataViewWidget::row_height() const {
  return live_.view() == HistoryView::bar ? kBarRowHeight : kHistoryRowHeight;
}

QWidget* DataViewWidget::time_axis() const { return time_axis_; }

QWidget* DataViewWidget::row_control(int r, int k) const {
  if (r < 0 || r >= static_cast<int>(rows_.size())) return nullptr;
  const Row& row = rows_[static_cast<std::size_t>(r)];
  QWidget* controls[] = {row.name, row.min, row.max, row.colour, row.bar, row.scale, row.graph, row.vbar, row.vscale, row.value};
  return k >= 0 && k < 10 ? controls[k] : nullptr;
}

void DataViewWidget::make_row(Row& row, int r) {
  const int n = row.input;
  auto id = [r](int k) { return QStringLiteral("control%1").arg(1000 + 10 * r + k); };
  row.name = new QLabel(canvas_);
  row.min = new QLineEdit(canvas_);
  row.max = new QLineEdit(canvas_);
  row.colour = new PaintedCell(canvas_);
  row.bar = new PaintedCell(canvas_);
  row.scale = new PaintedCell(canvas_);
  row.graph = new PaintedCell(canvas_);
  row.vbar = new PaintedCell(canvas_);
  row.vscale = new PaintedCell(canvas_);
  row.value = new QLineEdit(canvas_);
  row.value->setReadOnly(true);
  for (int k = 0; k < 10; ++k) {
    row_control(r, k)->setObjectName(id(k));
    row_control(r, k)->show();  // made after the canvas was shown
  }
  auto edited = [this, n](bool is_min) {
    return [this, n, is_min](const QString& text) {
      if (rebuilding_) return;
      const float value = narrow_to_float(std::strtod(text.toStdString().c_str(), nullptr));
      is_min ? live_.set_min(n, value) : live_.set_max(n, value);
      for (const Row& x : rows_)
        if (x.input == n) redraw_row(x, true);
    };
  };
  connect(row.min, &QLineEdit::textEdited, this, edited(true));
  connect(row.max, &QLineEdit::textEdited, this, edited(false));
  row.colour->paint = [this, n](QPainter& painter) {
    QtPainter p(painter);
    draw_colour_button(p, 18, 18, live_.record(n).colour);
  };
  row.colour->clicked = [this, n] { pick_colour(n); };
  PaintedCell* bar = row.bar;
  bar->paint = [this, n, bar](QPainter& painter) {
    painter.fillRect(bar->rect(), Qt::white);
    QtPainter p(painter);
    draw_horizontal_bar(p, bar->width(), bar->height(), live_.record(n));
  };
  PaintedCell* scale = row.scale;
  scale->paint = [this, n, scale](QPainter& painter) {
    QtPainter p(painter);
    const LiveRecord r = live_.record(n);
    draw_horizontal_scale(p, scale->width(), scale->height(), r.min, r.max, width_of(painter));
  };
  PaintedCell* graph = row.graph;
  graph->setMouseTracking(true);
  graph->paint = [this, n, graph](QPainter& painter) {
    QtPainter p(painter);
    const LiveRecord r = live_.record(n);
    const bool minutes = live_.view() == HistoryView::minutes;
    draw_history(p, graph->width(), graph->height(), r, minutes ? r.minutes : r.seconds,
                 minutes ? live_.last_minute() : live_.last_second(), painter.fontMetrics().height());
  };
  graph->moved = [this, n, graph](QPoint client, QPoint global) {
    if (!popup_) return;
    QWidget* host = popup_->parentWidget();
    popup_->hover(graph, n, client.x(), host ? host->mapFromGlobal(global) : global);
  };
  graph->left = [this] {
    if (popup_) popup_->hover_none();
  };
  PaintedCell* vbar = row.vbar;
  vbar->paint = [this, n, vbar](QPainter& painter) {
    painter.fillRect(vbar->rect(), Qt::white);
    QtPainter p(painter);
    draw_vertical_bar(p, vbar->width(), vbar->height(), live_.record(n));
  };
  PaintedCell* vscale = row.vscale;
  vscale->paint = [this, n, vscale](QPainter& painter) {
    QtPainter p(painter);
    const LiveRecord r = live_.record(n);
    draw_vertical_scale(p, vscale->width(), vscale->height(), r.min, r.max, painter.fontMetrics().height(),
                        width_of(painter));
  };
}

void DataViewWidget::refresh_row_texts(Row& row) {
  const int n = row.input;
  const auto record = configuration_.find_parameter(format_text("a%d", n));
  row.name->setText(QString::fromStdString(
      live_display_name(n, record ? std::string_view(record->name) : std::string_view{},
                        record ? std::string_view(record->value) : std::string_view{})));
  const LiveRecord r = live_.record(n);
  show_number(*row.min, r.min, scale_decimals(r.min, r.max, 1));
  show_number(*row.max, r.max, scale_decimals(r.min, r.max, 1));
}

void DataViewWidget::rebuild_rows() {
  rebuilding_ = true;
  const std::vector<int> inputs = configuration_.presence().present_inputs();
  if (inputs != inputs_shown_ || rows_.empty() != inputs.empty()) {
    for (Row& row : rows_)
      for (QWidget* w : {static_cast<QWidget*>(row.name), static_cast<QWidget*>(row.min),
                         static_cast<QWidget*>(row.max), static_cast<QWidget*>(row.colour),
                         static_cast<QWidget*>(row.bar), static_cast<QWidget*>(row.scale),
                         static_cast<QWidget*>(row.graph), static_cast<QWidget*>(row.vbar),
                         static_cast<QWidget*>(row.vscale), static_cast<QWidget*>(row.value)})
        delete w;
    rows_.assign(inputs.size(), Row{});
    for (std::size_t r = 0; r < inputs.size(); ++r) {
      rows_[r].input = inputs[r];
      make_row(rows_[r], static_cast<int>(r));
    }
    inputs_shown_ = inputs;
    if (popup_) popup_->hover_none();
  }
  place_rows();  // first: the texts are fitted to the boxes' widths
  for (Row& row : rows_) refresh_row_texts(row);
  rebuilding_ = false;
}

void DataViewWidget::place_rows() {
  const int W = std::max(300, scroll_->viewport()->width());
  const int h = row_height();
  const bool bar = live_.view() == HistoryView::bar;
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    Row& row = rows_[r];
    const int y = static_cast<int>(r) * h;
    row.name->setGeometry(10, y, 60, 18);
    row.min->setGeometry(75, y, 60, 18);
    row.max->setGeometry(140, y, 60, 18);
    row.colour->setGeometry(205, y, 18, 18);
    row.bar->setGeometry(228, y, W - 248, 18);
    row.scale->setGeometry(208, y + 18, W - 208, 14);
    row.graph->setGeometry(228, y + 2, W - 305, h - 4);
    row.vbar->setGeometry(W - 78, y + 2, 18, h - 4);
    row.vscale->setGeometry(W - 60, y, 60, h);
    row.value->setGeometry(kValueBoxX, y + 20, kValueBoxWidth, 18);
    row.bar->setVisible(bar);
    row.scale->setVisible(bar);
    for (QWidget* w : {static_cast<QWidget*>(row.graph), static_cast<QWidget*>(row.vbar),
                       static_cast<QWidget*>(row.vscale), static_cast<QWidget*>(row.value)})
      w->setVisible(!bar);
  }
  canvas_->resize(W, static_cast<int>(rows_.size()) * h);
  time_axis_->setVisible(!bar);
}

void DataViewWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize size = event->size();
  scroll_->setGeometry(0, 36, size.width(), std::max(0, size.height() - 38));
  time_axis_->setGeometry(208, 22, std::max(0, size.width() - 265), 14);
  place_rows();
}

void DataViewWidget::redraw_row(const Row& row, bool with_scales) {
  row.bar->update();
  row.graph->update();
  row.vbar->update();
  if (with_scales) {
    row.colour->update();
    row.scale->update();
    row.vscale->update();
  }
}

void DataViewWidget::set_mode(DisplayMode mode) {
  live_.set_mode(mode);
  mode_list_->setCurrentIndex(static_cast<int>(live_.mode()));
  rebuild_rows();
  for (const Row& row : rows_) redraw_row(row, true);
}

void DataViewWidget::set_view(HistoryView view) {
  live_.set_view(view);
  view_list_->setCurrentIndex(static_cast<int>(view));
  rebuild_rows();
  time_axis_->update();
}

void DataViewWidget::pick_colour(int input) {
  if (!choose_colour) return;
  const auto chosen = choose_colour(to_qcolor(live_.record(input).colour));
  if (!chosen) return;
  live_.set_colour(input, from_qcolor(*chosen));
  for (const Row& row : rows_)
    if (row.input == input) redraw_row(row, true);
}

void DataViewWidget::tick_100ms() {
  live_.on_bar_tick(isVisible(), listen());
  if (configuration_.presence().present_inputs() != inputs_shown_) rebuild_rows();
  if (mode_list_->currentIndex() != static_cast<int>(live_.mode())) {
    mode_list_->setCurrentIndex(static_cast<int>(live_.mode()));
    rebuild_rows();
  }
  const auto dirty = live_.take_dirty();
  if (dirty.none()) return;
  const bool history = live_.view() != HistoryView::bar;
  for (const Row& row : rows_) {
    if (!dirty.test(static_cast<std::size_t>(row.input))) continue;
    if (history) {
      row.vbar->update();
      const double value = live_.record(row.input).value;
      show_number(*row.value, value, 6);
      row.value->setToolTip(QString::fromStdString(format_text("%f", value)));
    } else {
      row.bar->update();
    }
    if (popup_) popup_->value_arrived(row.input);
  }
}

void DataViewWidget::tick_second() {
  const bool graphs = live_.tick_second();
  if (live_.view() == HistoryView::bar) return;
  time_axis_->update();
  if (graphs)
    for (const Row& row : rows_) row.graph->update();
}

}  // namespace vexa::ui
