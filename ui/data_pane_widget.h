#pragma once
// The upload tab's data pane: paints the display ring through the tab's logic, and runs the
// tab's 100 ms timer (host name commit, fields from the receive thread, repaint on new lines).
#include <QTimer>
#include <QWidget>

#include "upload/upload_tab.h"

namespace vexa::ui {

class DataPaneWidget : public QWidget {
  Q_OBJECT
 public:
  explicit DataPaneWidget(UploadTab& tab, QWidget* parent = nullptr);
  // One tick of the timer (tests call it to avoid waiting).
  void tick();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  UploadTab& tab_;
  QTimer timer_;
  bool painting_ = false;
};

}  // namespace vexa::ui
