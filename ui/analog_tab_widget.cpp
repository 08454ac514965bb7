#include "ui/analog_tab_widget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextEdit>

#include "ui/qt_painter.h"
#include "ui/setting_fonts.h"

namespace vexa::ui {

namespace {

QString from_board_text(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

}  // namespace

AnalogTabWidget::AnalogTabWidget(AnalogTab& tab, const AnalogPictureImages& images, QWidget* parent)
    : QWidget(parent), tab_(tab), images_(images), binder_(tab.form(), this, &images.bitmaps) {
  setObjectName(QStringLiteral("analog"));
  adopt_own_widgets();
  binder_.build();
  for (const Control& c : tab_.form().controls()) sync(c.id);
  tab_.form().set_listener([this](int id) {
    binder_.apply(id);
    sync(id);
  });
  bind_tab_commands(binder_, tab_, this);
  tab_.set_picture_listener([this] {
    if (QWidget* w = binder_.widget(analog_id::kPicture)) w->update();
    show_description();
  });
  if (auto* picture = qobject_cast<LampButton*>(binder_.widget(analog_id::kPicture)))
    picture->paint = [this](QPainter& painter) { paint_picture(painter); };
  if (auto* clear = qobject_cast<LampButton*>(binder_.widget(analog_id::kClearOperation))) {
    clear->paint = [this](QPainter& painter) {
      if (!images_.bitmaps.isNull()) painter.drawImage(QPoint(0, 0), images_.bitmaps, QRect(0, 19, 16, 16));
    };
  }
  for (int id : {analog_id::kTypeList, analog_id::kPropose1, analog_id::kPropose2})
    if (auto* combo = qobject_cast<QComboBox*>(binder_.widget(id))) combo->setEditable(false);
  show_description();
}

AnalogTabWidget::~AnalogTabWidget() {
  tab_.set_picture_listener({});
  tab_.form().set_listener({});
}

void AnalogTabWidget::adopt_own_widgets() {
  for (const Control& c : tab_.form().controls()) {
    const int id = c.id;
    if (c.style & kStyleStatic) {
      auto* label = new QLabel(this);
      binder_.adopt(id, label);
    } else if (c.style & kStyleRadio) {
      auto* radio = new QRadioButton(this);
      radio->setAutoExclusive(false);
      connect(radio, &QAbstractButton::clicked, this, [this, id] {
        tab_.command({id, kNotifyClicked, 0});
        sync(id);
      });
      binder_.adopt(id, radio);
    } else if (c.style & kStyleRichText) {
      description_ = new QTextEdit(this);
      description_->setReadOnly(true);
      description_->setFrameShape(QFrame::StyledPanel);
      QPalette palette = description_->palette();
      palette.setColor(QPalette::Base, palette.color(QPalette::Window));
      description_->setPalette(palette);
      binder_.adopt(id, description_);
    } else if (c.style & kStyleMultiLine) {
      auto* text = new QPlainTextEdit(this);
      text->setReadOnly(true);
      binder_.adopt(id, text);
    }
  }
}

void AnalogTabWidget::sync(int id) {
  const Control* c = tab_.form().find(id);
  QWidget* w = binder_.widget(id);
  if (!c || !w) return;
  if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(QString::fromStdString(c->text));
  } else if (auto* radio = qobject_cast<QRadioButton*>(w)) {
    QSignalBlocker block(radio);
    radio->setText(QString::fromStdString(c->text));
    radio->setChecked(c->checked);
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(w)) {
    const QString shown = from_board_text(c->text);
    if (text->toPlainText() != shown) text->setPlainText(shown);
  } else if (auto* combo = qobject_cast<QComboBox*>(w); combo && !combo->isEditable()) {
    QSignalBlocker block(combo);
    QStringList items;
    for (const std::string& e : c->entries) items << QString::fromStdString(e);
    QStringList current;
    for (int i = 0; i < combo->count(); ++i) current << combo->itemText(i);
    if (items != current) {
      combo->clear();
      combo->addItems(items);
    }
    combo->setCurrentIndex(c->selection < combo->count() ? c->selection : -1);
  }
  if (id == analog_id::kDescription) show_description();
}

void AnalogTabWidget::show_description() {
  if (!description_) return;
  const TypeDescription& d = tab_.description();
  description_->clear();
  QTextCursor cursor(description_->document());
  for (const ColourRange& range : d.colours) {
    if (range.begin >= d.text.size() || range.end <= range.begin) continue;
    QTextCharFormat format;
    format.setForeground(QColor(range.colour.red, range.colour.green, range.colour.blue));
    cursor.insertText(from_board_text(d.text.substr(range.begin, range.end - range.begin)), format);
  }
}

QString AnalogTabWidget::description_text() const {
  return description_ ? description_->toPlainText() : QString();
}

QColor AnalogTabWidget::description_colour(int position) const {
  if (!description_) return {};
  QTextCursor cursor(description_->document());
  cursor.setPosition(position + 1);
  return cursor.charFormat().foreground().color();
}

QFont AnalogTabWidget::picture_font() const { return proportional_font(tab_.settings()); }

void AnalogTabWidget::paint_picture(QPainter& painter) {
  painter.fillRect(QRect(0, 0, 300, 100), Qt::white);
  painter.setFont(picture_font());
  QtPainter p(painter);
  QtPictureSheets sheets(painter, images_);
  tab_.draw_picture(p, sheets);
}

void AnalogTabWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int width = event->size().width();
  Form& form = tab_.form();
  form.move(analog_id::kHelp, {5, 256, width - 10, 50});
  const int x = std::max(310, width - 305);
  form.move(analog_id::kPicture, {x, 33, 300, 100});
  form.move(analog_id::kDescription, {5, 56, x - 10, 82});
}

}  // namespace vexa::ui
