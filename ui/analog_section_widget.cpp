#include "ui/analog_section_widget.h"

#include <QResizeEvent>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>

#include "ui/analog_tab_widget.h"
#include "ui/data_view_widget.h"
#include "ui/plan_window.h"
#include "ui/text_fit.h"
#include "ui/value_popup.h"

namespace vexa::ui {

AnalogSectionWidget::AnalogSectionWidget(AnalogTab& tab, LiveData& live, Configuration& configuration,
                                         BoardIdentity& identity, const InputTypeTable& types,
                                         const Messages& messages, QWidget* popup_host, QWidget* parent)
    : QWidget(parent),
      tab_(tab),
      live_(live),
      images_(AnalogPictureImages::load()),
      bar_(new QTabBar(this)),
      pages_(new QStackedWidget(this)) {
  popup_ = new ValuePopup(popup_host ? popup_host : this);
  analog_ = new AnalogTabWidget(tab_, images_, pages_);
  plan_ = new PlanWindow(configuration, identity, types, messages, images_, pages_);
  data_ = new DataViewWidget(live_, configuration, messages, popup_, pages_);
  pages_->addWidget(analog_);
  pages_->addWidget(plan_);
  pages_->addWidget(data_);
  bar_->setExpanding(false);
  bar_->setUsesScrollButtons(true);
  make_tabs_compact(*bar_);  // sixteen inputs, "Plan" and "Data" in one row
  tab_.set_tabs_listener([this] { rebuild_tab_bar(); });
  connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
    if (rebuilding_) return;
    tab_.select_tab(index);
    show_page();
  });
  connect(&timer_, &QTimer::timeout, this, [this] { tick_100ms(); });
  if (tab_.tabs().empty()) tab_.create();
  rebuild_tab_bar();
}

AnalogSectionWidget::~AnalogSectionWidget() { tab_.set_tabs_listener({}); }

void AnalogSectionWidget::start_timers() {
  timer_.start(100);
  data_->start_timers(false);
}

void AnalogSectionWidget::tick_100ms() {
  tab_.tick_100ms();
  data_->tick_100ms();
}

void AnalogSectionWidget::tick_second() { data_->tick_second(); }

void AnalogSectionWidget::set_current(bool current) {
  if (!current) tab_.store();
  tab_.set_section_current(current);
  if (current) tab_.reparse();
}

void AnalogSectionWidget::select(int index) {
  if (index < 0 || index >= bar_->count()) return;
  bar_->setCurrentIndex(index);
}

void AnalogSectionWidget::show_data_view() {
  const auto& tabs = tab_.tabs();
  for (std::size_t i = 0; i < tabs.size(); ++i)
    if (tabs[i].number == kDataTab) select(static_cast<int>(i));
}

void AnalogSectionWidget::rebuild_tab_bar() {
  rebuilding_ = true;
  {
    QSignalBlocker block(bar_);
    while (bar_->count() > 0) bar_->removeTab(0);
    for (const AnalogTabEntry& entry : tab_.tabs()) bar_->addTab(QString::fromStdString(entry.label));
    bar_->setCurrentIndex(tab_.selected_tab());
  }
  rebuilding_ = false;
  show_page();
}

void AnalogSectionWidget::show_page() {
  const int n = tab_.selected_number();
  pages_->setCurrentWidget(n == kPlanTab ? static_cast<QWidget*>(plan_)
                           : n == kDataTab ? static_cast<QWidget*>(data_)
                                           : static_cast<QWidget*>(analog_));
  if (n == kPlanTab) plan_->update();
  if (n == kDataTab) data_->rebuild_rows();
  place();
}

void AnalogSectionWidget::place_pages(const QRect& analog, const QRect& views) {
  analog_rect_ = analog;
  views_rect_ = views;
  place();
}

void AnalogSectionWidget::place() {
  const int top = bar_->sizeHint().height();
  bar_->setGeometry(0, 0, width(), top);
  const int n = tab_.selected_number();
  const QRect& placed = n == kPlanTab || n == kDataTab ? views_rect_ : analog_rect_;
  pages_->setGeometry(placed.isEmpty() ? QRect(0, top, width(), std::max(0, height() - top)) : placed);
}

void AnalogSectionWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  place();
}

}  // namespace vexa::ui
