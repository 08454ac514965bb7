#include "ui/upload_tab_widget.h"

#include <QFileDialog>
#include <QPainter>
#include <QResizeEvent>

#include "ui/macro_tab_widget.h"

namespace vexa::ui {

using namespace upload_id;

std::optional<std::string> UploadFileDialog::choose_file(FileChoice) {
  QFileDialog dialog(owner_);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({"*.txt *.adc", "*.*"});
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

UploadTabWidget::UploadTabWidget(UploadTab& tab, QWidget* parent)
    : QWidget(parent), tab_(tab), strip_(make_icon_strip()), chooser_(this) {
  setObjectName("upload");
  tab_.set_chooser(&chooser_);
  binder_ = std::make_unique<FormBinder>(tab_.form(), this, &strip_);
  pane_ = new DataPaneWidget(tab_, this);
  binder_->adopt(kPane, pane_);
  binder_->build();
  if (auto* clear = qobject_cast<LampButton*>(binder_->widget(kClearStamp))) {
    clear->setToolTip(QString::fromStdString(tab_.form().at(kClearStamp).tip));
    clear->paint = paint_clear_face;
  }
  show_statics_as_text(tab_.form(), *binder_);
  bind_tab_commands(*binder_, tab_, this, [this](const Command& c) {
    if (c.id == kTextView || c.id == kGraphicView || c.id == kClear) pane_->update();
  });
  resize(480, 420);
}

UploadTabWidget::~UploadTabWidget() { tab_.set_chooser(nullptr); }

void UploadTabWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  tab_.layout(width(), height());
}

}  // namespace vexa::ui
