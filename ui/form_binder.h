#pragma once
// Turns a form's control records into Qt widgets at their geometry and keeps them in step
// with the form's state; user actions come back as commands (id, notification, parameter).
// Records of kind terminal, tab_control and tab_window are widgets the window makes itself
// and hands over with adopt(); the binder then places and shows them like the others.
#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QObject>
#include <QWidget>
#include <functional>
#include <map>

#include "base/form.h"
#include "base/tab.h"

namespace vexa::ui {

// A 21 x 21 button that paints its face and strip cell through the painter interface.
class IconButton : public QAbstractButton {
  Q_OBJECT
 public:
  IconButton(int image, const QImage* strip, QWidget* parent = nullptr);
  int image() const { return image_; }
  QSize sizeHint() const override { return {21, 21}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int image_;
  const QImage* strip_;
};

// The factory-test lamps, painted by a callback.
class LampButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit LampButton(QWidget* parent = nullptr) : QAbstractButton(parent) {}
  std::function<void(QPainter&)> paint;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A combobox that says when its list is about to drop down, so the logic can fill it first.
class DropDownCombo : public QComboBox {
  Q_OBJECT
 public:
  explicit DropDownCombo(QWidget* parent = nullptr) : QComboBox(parent) {}
  void showPopup() override;

 signals:
  void dropping_down();
};

// The icon strip as an image, drawn by our own code.
QImage make_icon_strip();

class FormBinder : public QObject {
  Q_OBJECT
 public:
  // root: the widget top-level records are placed in. strip: the icon strip (kept alive by
  // the caller).
  FormBinder(Form& form, QWidget* root, const QImage* strip, QObject* parent = nullptr);
  ~FormBinder() override;

  // Creates the widgets of every record that is not adopted, in table order; adopted ones
  // (given before) are placed. Call once.
  void build();
  // A widget the window made for a record (terminal, tab control, tab window).
  void adopt(int id, QWidget* widget);
  QWidget* widget(int id) const;
  // Applies the whole record to its widget again, and widens it (through the form's fit rule)
  // when its text needs more room than it has at the widget's font.
  void apply(int id);

 signals:
  void command(int id, int notification, long param);
  // A text needed more room than its control had: the form's controls were widened.
  void widened();

 private:
  void create(const Control& control);
  QWidget* parent_of(const Control& control) const;
  void measure(const Control& control, const QWidget& widget);

  Form& form_;
  QWidget* root_;
  const QImage* strip_;
  std::map<int, QWidget*> widgets_;
  std::map<int, int> table_widths_;  // each record's width before any text widened it
  int applying_from_widget_ = 0;  // the id whose widget is the source of a change
};

// Hands every command of binder to tab; after (when given) runs next with the same command, for
// what the widget itself shows. context ends the connection when it goes.
void bind_tab_commands(FormBinder& binder, Tab& tab, QObject* context,
                       std::function<void(const Command&)> after = {});

}  // namespace vexa::ui
