#pragma once
// A tab control in the way the main window uses one: a row of tabs along the top and, below
// it, an area whose child windows the window's layout places itself (they are not pages that
// the tab control swaps; several share the area, the terminal below the others).
#include <QTabBar>
#include <QWidget>
#include <functional>

namespace vexa::ui {

class TabArea : public QWidget {
  Q_OBJECT
 public:
  explicit TabArea(QWidget* parent = nullptr);
  QTabBar& bar() { return *bar_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QTabBar* bar_;
};

// A widget that reports its resizes (the main window's client area).
class ClientArea : public QWidget {
  Q_OBJECT
 public:
  explicit ClientArea(QWidget* parent = nullptr) : QWidget(parent) {}
  std::function<void()> on_resize;

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

}  // namespace vexa::ui
