#include "ui/macro_tab_widget.h"

#include <QPainter>
#include <QSignalBlocker>

#include "ui/macro_tab_widget.h"

namespace vexa::ui {

using namespace macro_id;

MacroTabWidget::MacroTabWidget(MacroTab& tab, QWidget* parent)
    : QWidget(parent), tab_(tab), strip_(make_icon_strip()) {
  setObjectName("macrotab");
  bar_ = new QTabBar(this);
  bar_->setObjectName("macro_subtabs");
  bar_->setExpanding(false);
  bar_->setGeometry(0, 0, 560, kMacroWindowTop);
  window_ = new QWidget(this);
  window_->setObjectName("macro");
  window_->setGeometry(0, kMacroWindowTop, 560, 290);

  // The label "Command" shares Apply's id: the binder makes the button, this the label.
  for (const Control& c : tab_.form().controls()) {
    if (c.id == kApply && c.kind == ControlKind::edit) {
      command_label_ = new QLabel(QString::fromStdString(c.caption), window_);
      command_label_->setGeometry(c.rect.x, c.rect.y, c.rect.width, c.rect.height);
    }
  }
  binder_ = std::make_unique<FormBinder>(tab_.form(), window_, &strip_);
  binder_->build();
  for (int id : {kClearDate, kClearInterval}) {
    if (auto* button = qobject_cast<LampButton*>(binder_->widget(id)))
      button->paint = paint_clear_face;
  }
  show_statics_as_text(tab_.form(), *binder_);
  connect(binder_.get(), &FormBinder::command, this, [this](int id, int notification, long param) {
    if (filling_) return;
    tab_.on_command({id, notification, param});
    sync_label();
  });
  connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
    if (filling_ || index < 0) return;
    tab_.select_macro(index);
    sync_label();
  });
  refresh();
  resize(560, kMacroWindowTop + 290);
}

MacroTabWidget::~MacroTabWidget() = default;

void MacroTabWidget::refresh() {
  filling_ = true;
  tab_.refresh_macro_tab();
  {
    QSignalBlocker block(bar_);
    while (bar_->count() > 0) bar_->removeTab(0);
    for (const std::string& label : tab_.sub_tabs()) bar_->addTab(QString::fromStdString(label));
    if (tab_.macro_count() > 0) bar_->setCurrentIndex(tab_.selected());
  }
  bar_->setVisible(tab_.macro_count() > 0);
  tab_.show_macro();
  filling_ = false;
  sync_label();
}

void MacroTabWidget::sync_label() {
  if (command_label_) command_label_->setVisible(tab_.form().shown(kApply));
}

}  // namespace vexa::ui
