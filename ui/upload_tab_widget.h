#pragma once
// The upload tab (tab 4, control 818): the form's controls made by the form binder, the data
// pane adopted into it, the file dialog of "Change ...", and the layout on every resize.
#include <QImage>
#include <QWidget>
#include <memory>

#include "config/file_chooser.h"
#include "ui/data_pane_widget.h"
#include "ui/form_binder.h"
#include "upload/upload_tab.h"

namespace vexa::ui {

// "Change ...": an open dialog for existing files, "*.txt;*.adc" first.
class UploadFileDialog final : public FileChooser {
 public:
  explicit UploadFileDialog(QWidget* owner) : owner_(owner) {}
  std::optional<std::string> choose_file(FileChoice purpose) override;

 private:
  QWidget* owner_;
};

class UploadTabWidget : public QWidget {
  Q_OBJECT
 public:
  explicit UploadTabWidget(UploadTab& tab, QWidget* parent = nullptr);
  ~UploadTabWidget() override;

  DataPaneWidget* pane() const { return pane_; }
  QWidget* control(int id) const { return binder_->widget(id); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  UploadTab& tab_;
  QImage strip_;
  UploadFileDialog chooser_;
  DataPaneWidget* pane_ = nullptr;
  std::unique_ptr<FormBinder> binder_;
};

}  // namespace vexa::ui
