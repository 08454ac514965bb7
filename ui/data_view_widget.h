#pragma once
// The "Data" view: every present input as a row with its name, scale, colour and either a bar
// with its scale or a history graph with a vertical bar and scale and the value; Listen,
// display mode and view lists above, the time axis of the histories, the value pop-up.
#include <QColor>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "analog/live_data.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;

namespace vexa {
class Configuration;
class Messages;
}  // namespace vexa

namespace vexa::ui {

class PaintedCell;
class ValuePopup;

class DataViewWidget : public QWidget {
  Q_OBJECT
 public:
  // popup: the main window's value pop-up (may be null).
  DataViewWidget(LiveData& live, const Configuration& configuration, const Messages& messages,
                 ValuePopup* popup = nullptr, QWidget* parent = nullptr);

  // The window thread's steps: every 100 ms (polling, new values) and every second (histories).
  void tick_100ms();
  void tick_second();
  // Starts the widget's own timers (100 ms and 1 s), or only the one-second timer when the
  // 100 ms step is driven by the analog section.
  void start_timers(bool with_100ms = true);

  // Rows for the present inputs; called when inputs appear or the view changes.
  void rebuild_rows();
  void set_mode(DisplayMode mode);
  void set_view(HistoryView view);
  bool listen() const;

  // The colour dialog (replaceable for tests): the current colour in, the chosen one out.
  std::function<std::optional<QColor>(QColor)> choose_colour;

  // Control k of row r (1000 + 10 r + k), or null.
  QWidget* row_control(int row, int k) const;
  int row_count() const { return static_cast<int>(rows_.size()); }
  int row_height() const;
  QWidget* time_axis() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Row {
    int input = -1;
    QLabel* name = nullptr;
    QLineEdit* min = nullptr;
    QLineEdit* max = nullptr;
    PaintedCell* colour = nullptr;
    PaintedCell* bar = nullptr;
    PaintedCell* scale = nullptr;
    PaintedCell* graph = nullptr;
    PaintedCell* vbar = nullptr;
    PaintedCell* vscale = nullptr;
    QLineEdit* value = nullptr;
  };

  void make_row(Row& row, int r);
  void place_rows();
  void refresh_row_texts(Row& row);
  void redraw_row(const Row& row, bool with_scales);
  void pick_colour(int input);

  LiveData& live_;
  const Configuration& configuration_;
  const Messages& messages_;
  ValuePopup* popup_;
  QCheckBox* listen_;
  QComboBox* mode_list_;
  QComboBox* view_list_;
  PaintedCell* time_axis_;
  QScrollArea* scroll_;
  QWidget* canvas_;
  std::vector<Row> rows_;
  std::vector<int> inputs_shown_;
  bool rebuilding_ = false;
  QTimer fast_timer_, second_timer_;
};

}  // namespace vexa::ui
