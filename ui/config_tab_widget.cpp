#include "ui/config_tab_widget.h"

#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QScrollBar>

#include "base/cp1252.h"

namespace vexa::ui {

namespace {

constexpr int kFieldHeight = 20;
constexpr int kEmptyTextWidth = 1000;  // the "nothing loaded" text's area, under the rows
constexpr int kEmptyTextHeight = 200;

QString shown(const std::string& board_text) { return QString::fromStdString(cp1252_to_utf8(board_text)); }

}  // namespace

ConfigTabWidget::ConfigTabWidget(ConfigGrid& grid, QWidget* parent) : QAbstractScrollArea(parent), grid_(grid) {
  setObjectName("config");
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  canvas_ = new QWidget(viewport());
  empty_text_ = new QLabel(canvas_);
  empty_text_->setObjectName("config_empty");
  empty_text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  empty_text_->setGeometry(0, 0, kEmptyTextWidth, kEmptyTextHeight);
  verticalScrollBar()->setSingleStep(kConfigRowPitch);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &ConfigTabWidget::bar_action);
  apply_scroll();
}

void ConfigTabWidget::rebuild() {
  grid_.set_client_height(viewport()->height());
  grid_.build_config_tab();
  for (auto& [id, edit] : fields_) edit->deleteLater();
  fields_.clear();
  const int width = kConfigColumns.back().x + kConfigColumns.back().width;
  const bool empty = grid_.rows().empty();
  canvas_->resize(empty ? std::max(width, kEmptyTextWidth) : width,
                  empty ? kEmptyTextHeight : std::max(grid_.content_height(), 1));
  empty_text_->setVisible(empty);
  for (const ConfigRow& row : grid_.rows()) {
    for (std::size_t k = 0; k < kConfigColumns.size(); ++k) {
      const ConfigColumnGeometry& column = kConfigColumns[k];
      auto* edit = new QLineEdit(canvas_);
      const std::uint32_t id = row.control_id + static_cast<std::uint32_t>(k);
      edit->setObjectName(QString("config_%1").arg(id));
      edit->setGeometry(column.x, row.y, column.width, kFieldHeight);
      edit->setText(shown(row.text[k]));
      edit->setReadOnly(!column.editable);
      // Every edit reaches the model at once: the session commits the model, whatever asks it to.
      if (column.editable)
        connect(edit, &QLineEdit::textChanged, this, [this, id](const QString& text) {
          grid_.set_field_text(id, utf8_to_cp1252(text.toStdString()));
        });
      edit->setFrame(true);
      edit->show();
      fields_[id] = edit;
    }
  }
  apply_scroll();
}

void ConfigTabWidget::set_empty_text(const std::string& text) { empty_text_->setText(QString::fromStdString(text)); }

void ConfigTabWidget::commit() { grid_.commit_config_tab(); }

QLineEdit* ConfigTabWidget::field(std::uint32_t control_id) const {
  auto it = fields_.find(control_id);
  return it == fields_.end() ? nullptr : it->second;
}

void ConfigTabWidget::apply_scroll() {
  // Setting the bars moves them, which comes back here through scrollContentsBy.
  applying_ = true;
  const ScrollBarState bar = grid_.scroll_bar();
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(0, grid_.largest_scroll_position());
  vertical->setPageStep(bar.page);
  vertical->setValue(bar.position);
  QScrollBar* horizontal = horizontalScrollBar();
  horizontal->setRange(0, std::max(0, canvas_->width() - viewport()->width()));
  horizontal->setPageStep(viewport()->width());
  canvas_->move(-horizontal->value(), -grid_.scroll_position());
  applying_ = false;
}

void ConfigTabWidget::bar_action(int action) {
  QScrollBar* vertical = verticalScrollBar();
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
    case QAbstractSlider::SliderPageStepSub:
      grid_.scroll_config_tab(ScrollHow::row_up);
      break;
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderPageStepAdd:
      grid_.scroll_config_tab(ScrollHow::row_down);
      break;
    default:
      return;  // a drag or a jump reaches the model through the bar's new value
  }
  // The bar applies this position instead of its own step.
  vertical->setSliderPosition(grid_.scroll_position());
}

void ConfigTabWidget::scrollContentsBy(int, int) {
  if (!applying_) grid_.scroll_config_tab(ScrollHow::to_position, verticalScrollBar()->value());
  canvas_->move(-horizontalScrollBar()->value(), -grid_.scroll_position());
}

void ConfigTabWidget::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  grid_.set_client_height(viewport()->height());
  grid_.scroll_config_tab(ScrollHow::keep);
  apply_scroll();
}

}  // namespace vexa::ui
