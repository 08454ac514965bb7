#pragma once
// The macro tab (tab 3): a bar of sub-tabs "m0" ... and below it the macro window with the
// form's controls. Choosing another sub-tab commits the shown macro and shows the chosen one.
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTabBar>
#include <QWidget>
#include <memory>

#include "macro/macro_tab.h"
#include "ui/form_binder.h"

namespace vexa::ui {

inline constexpr int kMacroWindowTop = 25;  // the sub-tab bar above the macro window

// The look of form-made tabs (the upload tab too): static texts (read-only fields without a
// frame) on the window's background, and the face of the "clear" buttons.
// Every read-only field without a frame shows as text on the background.
inline void show_statics_as_text(const Form& form, FormBinder& binder) {
  for (const Control& c : form.controls()) {
    if (c.kind != ControlKind::edit || !(c.style & kStyleReadOnly) || (c.style & (kStyleBorder | kStyleStaticEdge)))
      continue;
    if (&form.at(c.id) != &c) continue;  // a second record of a shared id has no widget here
    if (QWidget* w = binder.widget(c.id)) {
      w->setAttribute(Qt::WA_TranslucentBackground);
      w->setStyleSheet("background: transparent; border: none;");
      w->setFocusPolicy(Qt::NoFocus);
    }
  }
}

// A 16 x 16 face with a cross: the button empties the fields beside it.
inline void paint_clear_face(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0xC0, 0x20, 0x20), 2));
  painter.drawLine(4, 4, 12, 12);
  painter.drawLine(12, 4, 4, 12);
}


// The macro window (class "macro"): the form's controls, without the sub-tabs. The main
// window may adopt it under a sub-tab control of its own (control 10006 under 10002).
class MacroWindowWidget : public QWidget {
  Q_OBJECT
 public:
  explicit MacroWindowWidget(MacroTab& tab, QWidget* parent = nullptr);
  ~MacroWindowWidget() override;

  QWidget* control(int id) const { return binder_->widget(id); }
  QLabel* command_label() const { return command_label_; }
  // The label "Command" follows Apply's visibility (they share an id).
  void sync_label();

 private:
  MacroTab& tab_;
  QImage strip_;
  QLabel* command_label_ = nullptr;
  std::unique_ptr<FormBinder> binder_;
};

// Fills a sub-tab bar with the tab's "m0" ... and selects the shown macro (no signals).
void fill_macro_sub_tabs(QTabBar& bar, const MacroTab& tab);

// The whole macro tab: the sub-tab bar with the macro window below it.
class MacroTabWidget : public QWidget {
  Q_OBJECT
 public:
  explicit MacroTabWidget(MacroTab& tab, QWidget* parent = nullptr);

  // After a target change: the sub-tabs anew (refresh_macro_tab) and the macro shown again.
  void refresh();
  QTabBar* sub_tabs() const { return bar_; }
  // Where the main window's layout puts the macro window (below the sub-tab rows).
  void place_window(const QRect& rect);
  MacroWindowWidget* window() const { return window_; }
  QWidget* control(int id) const { return window_->control(id); }
  QLabel* command_label() const { return window_->command_label(); }

 private:
  MacroTab& tab_;
  QTabBar* bar_ = nullptr;
  MacroWindowWidget* window_ = nullptr;
  bool filling_ = false;
};

}  // namespace vexa::ui
