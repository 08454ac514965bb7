#include "ui/macro_tab_widget.h"

#include <QPainter>
#include <QSignalBlocker>

#include "ui/text_fit.h"

namespace vexa::ui {

using namespace macro_id;

namespace {
constexpr int kWindowWidth = 560, kWindowHeight = 290;
}

MacroWindowWidget::MacroWindowWidget(MacroTab& tab, QWidget* parent)
    : QWidget(parent), tab_(tab), strip_(make_icon_strip()) {
  setObjectName("macro");
  // The label "Command" shares Apply's id: the binder makes the button, this the label.
  for (const Control& c : tab_.form().controls()) {
    if (c.id == kApply && c.kind == ControlKind::edit) {
      command_label_ = new QLabel(QString::fromStdString(c.caption), this);
      command_label_->setGeometry(c.rect.x, c.rect.y, c.rect.width, c.rect.height);
    }
  }
  binder_ = std::make_unique<FormBinder>(tab_.form(), this, &strip_);
  binder_->build();
  for (int id : {kClearDate, kClearInterval}) {
    if (auto* button = qobject_cast<LampButton*>(binder_->widget(id))) button->paint = paint_clear_face;
  }
  show_statics_as_text(tab_.form(), *binder_);
  bind_tab_commands(*binder_, tab_, this, [this](const Command&) { sync_label(); });
  sync_label();
  resize(kWindowWidth, kWindowHeight);
}

MacroWindowWidget::~MacroWindowWidget() = default;

void MacroWindowWidget::sync_label() {
  if (command_label_) command_label_->setVisible(tab_.form().shown(kApply));
}

void fill_macro_sub_tabs(QTabBar& bar, const MacroTab& tab) {
  QSignalBlocker block(&bar);
  while (bar.count() > 0) bar.removeTab(0);
  for (const std::string& label : tab.sub_tabs()) bar.addTab(QString::fromStdString(label));
  if (tab.macro_count() > 0) bar.setCurrentIndex(tab.selected());
}

MacroTabWidget::MacroTabWidget(MacroTab& tab, QWidget* parent) : QWidget(parent), tab_(tab) {
  setObjectName("macrotab");
  bar_ = new QTabBar(this);
  bar_->setObjectName("macro_subtabs");
  bar_->setExpanding(false);
  make_tabs_compact(*bar_);  // twenty macros in one row
  bar_->setGeometry(0, 0, kWindowWidth, kMacroWindowTop);
  window_ = new MacroWindowWidget(tab_, this);
  window_->move(0, kMacroWindowTop);
  connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
    if (filling_ || index < 0) return;
    tab_.select_macro(index);
    window_->sync_label();
  });
  refresh();
  resize(kWindowWidth, kMacroWindowTop + kWindowHeight);
}

void MacroTabWidget::place_window(const QRect& rect) {
  bar_->setGeometry(0, 0, width(), bar_->sizeHint().height());
  window_->setGeometry(rect);
}

void MacroTabWidget::refresh() {
  filling_ = true;
  tab_.refresh_macro_tab();
  fill_macro_sub_tabs(*bar_, tab_);
  bar_->setVisible(tab_.macro_count() > 0);
  tab_.show_macro();
  filling_ = false;
  window_->sync_label();
}

}  // namespace vexa::ui
