#pragma once
// The analog section of the main window (tab 2, "inputs"): its own tab bar with one tab per
// present input, "Plan" and "Data", showing the analog tab for an input and the view windows
// for the plan and the data; the analog tab's 100 ms timer and the data view's 1 s timer.
#include <QTimer>
#include <QWidget>

#include "analog/analog_tab.h"
#include "analog/live_data.h"
#include "ui/analog_pictures.h"

class QStackedWidget;
class QTabBar;

namespace vexa::ui {

class AnalogTabWidget;
class DataViewWidget;
class PlanWindow;
class ValuePopup;

class AnalogSectionWidget : public QWidget {
  Q_OBJECT
 public:
  // popup_host: the main window, which the value pop-up belongs to (null: this widget).
  AnalogSectionWidget(AnalogTab& tab, LiveData& live, Configuration& configuration, BoardIdentity& identity,
                      const InputTypeTable& types, const Messages& messages, QWidget* popup_host = nullptr,
                      QWidget* parent = nullptr);
  ~AnalogSectionWidget() override;

  // The timers: 100 ms for the analog tab (listening, polling) and the data view (polling, new
  // values), 1 s for the data view's histories.
  void start_timers();
  void tick_100ms();
  void tick_second();

  // The section became (or stopped being) the main window's current tab. Leaving stores the
  // edited expression first.
  void set_current(bool current);
  // Selects a sub-tab by its position; the data view (command 715).
  void select(int index);
  void show_data_view();
  // The tabs were rebuilt in the core: the bar follows.
  void rebuild_tab_bar();
  // Where the main window's layout puts the analog window and the plan and data views (in this
  // widget); empty rects: right under the bar.
  void place_pages(const QRect& analog, const QRect& views);

  QTabBar* tab_bar() const { return bar_; }
  AnalogTabWidget* analog_widget() const { return analog_; }
  PlanWindow* plan_window() const { return plan_; }
  DataViewWidget* data_view() const { return data_; }
  ValuePopup* popup() const { return popup_; }
  const AnalogPictureImages& images() const { return images_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void show_page();
  void place();

  AnalogTab& tab_;
  LiveData& live_;
  AnalogPictureImages images_;
  QTabBar* bar_;
  QStackedWidget* pages_;
  AnalogTabWidget* analog_;
  PlanWindow* plan_;
  DataViewWidget* data_;
  ValuePopup* popup_;
  QTimer timer_;
  bool rebuilding_ = false;
  QRect analog_rect_;
  QRect views_rect_;
};

}  // namespace vexa::ui
