#pragma once
// The line settings dialog: the core form LineSettingsForm shown modally, its clicks fed back.
#include <QDialog>
#include <memory>

#include "app/line_settings_form.h"

namespace vexa::ui {

class FormBinder;

class LineSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  LineSettingsDialog(LineSettingsForm& form, LineSettingsForm::Apply apply, QWidget* parent = nullptr);
  ~LineSettingsDialog() override;
  // A button click as the binder reports it (also for tests).
  void clicked(int id);
  QWidget* field(int id) const;

 private:
  LineSettingsForm& form_;
  LineSettingsForm::Apply apply_;
  std::unique_ptr<FormBinder> binder_;
};

}  // namespace vexa::ui
