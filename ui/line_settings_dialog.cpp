#include "ui/line_settings_dialog.h"

#include "ui/form_binder.h"

namespace vexa::ui {

LineSettingsDialog::LineSettingsDialog(LineSettingsForm& form, LineSettingsForm::Apply apply, QWidget* parent)
    : QDialog(parent), form_(form), apply_(std::move(apply)) {
  setWindowTitle(QString::fromStdString(form_.caption()));
  setFixedSize(kLineDialogWidth, kLineDialogHeight);
  binder_ = std::make_unique<FormBinder>(form_.form(), this, nullptr);
  binder_->build();
  connect(binder_.get(), &FormBinder::command, this, [this](int id, int notification, long) {
    if (notification == kNotifyClicked) clicked(id);
  });
}

LineSettingsDialog::~LineSettingsDialog() = default;

QWidget* LineSettingsDialog::field(int id) const { return binder_->widget(id); }

void LineSettingsDialog::clicked(int id) {
  if (form_.click(id, apply_) == LineSettingsForm::Outcome::close) accept();
}

}  // namespace vexa::ui
