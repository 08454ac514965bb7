#pragma once
// The analog tab on the screen: the form's controls as widgets (labels, radio buttons, the
// coloured description and the painted picture and clear buttons made here, the rest by the
// form binder), user actions handed to the core tab, the resize rule of the picture and texts.
#include <QWidget>

#include "analog/analog_tab.h"
#include "ui/analog_pictures.h"
#include "ui/form_binder.h"

class QTextEdit;

namespace vexa::ui {

class AnalogTabWidget : public QWidget {
  Q_OBJECT
 public:
  AnalogTabWidget(AnalogTab& tab, const AnalogPictureImages& images, QWidget* parent = nullptr);
  ~AnalogTabWidget() override;

  AnalogTab& tab() { return tab_; }
  // The widget of a control id (tests type into and click them).
  QWidget* control(int id) const { return binder_.widget(id); }
  // The description as shown (plain text) and the colour of its character at position.
  QString description_text() const;
  QColor description_colour(int position) const;
  // The font the picture's marks are written in: the proportional font of the settings.
  QFont picture_font() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void adopt_own_widgets();
  void sync(int id);
  void show_description();
  void paint_picture(QPainter& painter);

  AnalogTab& tab_;
  const AnalogPictureImages& images_;
  FormBinder binder_;
  QTextEdit* description_ = nullptr;
};

}  // namespace vexa::ui
