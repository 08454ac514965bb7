#include "ui/form_binder.h"

#include <QCheckBox>
#include <algorithm>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/icon_strip.h"
#include "ui/qt_painter.h"
#include "ui/text_fit.h"

namespace vexa::ui {

QImage make_icon_strip() {
  QImage strip(kIconStripWidth, kIconStripHeight, QImage::Format_RGB32);
  strip.fill(Qt::lightGray);
  QPainter painter(&strip);
  QtPainter p(painter);
  draw_icon_strip(p);
  return strip;
}

IconButton::IconButton(int image, const QImage* strip, QWidget* parent)
    : QAbstractButton(parent), image_(image), strip_(strip) {
  setFixedSize(kIconButtonSize, kIconButtonSize);
  setFocusPolicy(Qt::NoFocus);
}

void IconButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().button());
  QtPainter p(painter, strip_);
  draw_icon_button(p, image_, isDown());
}

void LampButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().button());
  if (paint) paint(painter);
}

void DropDownCombo::showPopup() {
  emit dropping_down();
  QComboBox::showPopup();
}

FormBinder::FormBinder(Form& form, QWidget* root, const QImage* strip, QObject* parent)
    : QObject(parent), form_(form), root_(root), strip_(strip) {
  form_.set_listener([this](int id) { apply(id); });
}

FormBinder::~FormBinder() { form_.set_listener({}); }

void FormBinder::adopt(int id, QWidget* widget) {
  if (widget->objectName().isEmpty()) widget->setObjectName(QStringLiteral("control%1").arg(id));
  widgets_[id] = widget;
}

QWidget* FormBinder::widget(int id) const {
  auto it = widgets_.find(id);
  return it == widgets_.end() ? nullptr : it->second;
}

QWidget* FormBinder::parent_of(const Control& control) const {
  if (control.parent == 0) return root_;
  QWidget* w = widget(control.parent);
  return w ? w : root_;
}

void FormBinder::build() {
  for (const Control& c : form_.controls()) table_widths_.emplace(c.id, c.rect.width);
  for (const Control& c : form_.controls()) {
    if (!widget(c.id)) create(c);
    apply(c.id);
  }
}

void FormBinder::create(const Control& c) {
  QWidget* parent = parent_of(c);
  QWidget* w = nullptr;
  const int id = c.id;
  switch (c.kind) {
    case ControlKind::icon_button: {
      auto* b = new IconButton(c.image, strip_, parent);
      b->setToolTip(QString::fromStdString(c.tip));
      connect(b, &QAbstractButton::clicked, this, [this, id] { emit command(id, kNotifyClicked, 0); });
      w = b;
      break;
    }
    case ControlKind::combobox: {
      auto* b = new DropDownCombo(parent);
      const bool editable = !(c.style & kStyleDropList);
      b->setEditable(editable);
      connect(b, &DropDownCombo::dropping_down, this, [this, id] { emit command(id, kNotifyDropDown, 0); });
      b->setInsertPolicy(QComboBox::NoInsert);
      if (editable) {
        connect(b, &QComboBox::editTextChanged, this, [this, id](const QString& text) {
          applying_from_widget_ = id;
          form_.set_text(id, text.toStdString());
          applying_from_widget_ = 0;
          emit command(id, kNotifyEditChanged, 0);
        });
        // Enter in the edit part: the typed text is complete (a speed applies only then).
        connect(b->lineEdit(), &QLineEdit::returnPressed, this, [this, id] { emit command(id, kNotifyEditEnter, 0); });
      }
      connect(b, &QComboBox::activated, this, [this, id, b](int index) {
        applying_from_widget_ = id;
        form_.set_selection(id, index);
        form_.set_text(id, b->itemText(index).toStdString());
        applying_from_widget_ = 0;
        emit command(id, kNotifySelectionChanged, index);
      });
      w = b;
      break;
    }
    case ControlKind::edit: {
      auto* e = new QLineEdit(parent);
      e->setReadOnly(c.style & kStyleReadOnly);
      e->setFrame(c.style & (kStyleBorder | kStyleStaticEdge));
      if (c.style & kStyleRightAlign) e->setAlignment(Qt::AlignRight);
      if (c.style & kStyleCentre) e->setAlignment(Qt::AlignCenter);
      connect(e, &QLineEdit::textEdited, this, [this, id](const QString& text) {
        applying_from_widget_ = id;
        form_.set_text(id, text.toStdString());
        applying_from_widget_ = 0;
        emit command(id, kNotifyEditChanged, 0);
      });
      w = e;
      break;
    }
    case ControlKind::check_button: {
      auto* b = new QCheckBox(parent);
      b->setTristate(true);
      connect(b, &QAbstractButton::clicked, this, [this, id] {
        emit command(id, kNotifyClicked, 0);
        apply(id);  // the logic decides the check state
      });
      w = b;
      break;
    }
    case ControlKind::push_button: {
      auto* b = new QPushButton(parent);
      connect(b, &QAbstractButton::clicked, this, [this, id] { emit command(id, kNotifyClicked, 0); });
      w = b;
      break;
    }
    case ControlKind::owner_drawn: {
      auto* b = new LampButton(parent);
      connect(b, &QAbstractButton::clicked, this, [this, id] { emit command(id, kNotifyClicked, 0); });
      w = b;
      break;
    }
    case ControlKind::terminal:
    case ControlKind::tab_control:
    case ControlKind::tab_window:
      w = new QWidget(parent);  // a window that was not handed over stays an empty area
      w->setAttribute(Qt::WA_TransparentForMouseEvents);  // over a sibling that was, clicks pass
      break;
  }
  w->setObjectName(QStringLiteral("control%1").arg(id));
  widgets_[id] = w;
}

void FormBinder::apply(int id) {
  QWidget* w = widget(id);
  const Control* c = form_.find(id);
  if (!w || !c) return;
  if (c->kind == ControlKind::combobox) {
    // The record's height is the drop-down list's; the field itself is one row.
    w->setGeometry(c->rect.x, c->rect.y, c->rect.width, 21);
  } else {
    w->setGeometry(c->rect.x, c->rect.y, c->rect.width, c->rect.height);
  }
  w->setVisible(c->shown);
  measure(*c, *w);
  if (applying_from_widget_ == id) return;
  const QString text = QString::fromStdString(c->text);
  if (auto* b = qobject_cast<QComboBox*>(w)) {
    QSignalBlocker block(b);
    QStringList items;
    for (const std::string& e : c->entries) items << QString::fromStdString(e);
    QStringList current;
    for (int i = 0; i < b->count(); ++i) current << b->itemText(i);
    if (items != current) {
      b->clear();
      b->addItems(items);
    }
    if (b->isEditable()) {
      if (b->currentText() != text) b->setEditText(text);
    } else {
      b->setCurrentIndex(b->findText(text));  // a list without an edit shows one of its entries
    }
  } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
    if (e->text() != text) e->setText(text);
    // Read-only fields are often narrower than what they show (a long device path).
    if (e->isReadOnly()) e->setToolTip(text);
  } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
    QSignalBlocker block(b);
    b->setText(text);
    b->setCheckState(c->indeterminate ? Qt::PartiallyChecked : c->checked ? Qt::Checked : Qt::Unchecked);
  } else if (auto* b = qobject_cast<QPushButton*>(w)) {
    b->setText(text);
  } else if (auto* b = qobject_cast<IconButton*>(w)) {
    b->setDown(c->pressed);
    b->update();
  } else if (qobject_cast<LampButton*>(w)) {
    w->update();
  }
}

namespace {

// Data a field shows (a device path, a status report) grows it up to this many times its
// table width; past that the field scrolls, and read-only fields show it whole as a tip.
constexpr int kDataGrowthLimit = 3;

}  // namespace

void FormBinder::measure(const Control& c, const QWidget& w) {
  const bool label = c.style & kStyleLabel;
  bool data = false;
  switch (c.kind) {
    case ControlKind::check_button:
    case ControlKind::push_button: break;
    case ControlKind::combobox: data = true; break;
    case ControlKind::edit:
      // Typed text scrolls as it always has; labels and shown values are fitted.
      if (c.style & kStyleMultiLine || !(c.style & (kStyleReadOnly | kStyleLabel))) return;
      data = !label && (c.style & (kStyleBorder | kStyleStaticEdge));
      break;
    default: return;
  }
  int needed = needed_text_width(w, QString::fromStdString(c.text));
  if (data) {
    auto table = table_widths_.find(c.id);
    if (table != table_widths_.end()) needed = std::min(needed, kDataGrowthLimit * table->second);
  }
  if (needed == c.needed_width) return;
  const bool grows = needed > c.rect.width;
  form_.set_needed_width(c.id, needed);
  if (!grows) return;
  form_.fit();
  emit widened();
}

void bind_tab_commands(FormBinder& binder, Tab& tab, QObject* context,
                       std::function<void(const Command&)> after) {
  QObject::connect(&binder, &FormBinder::command, context,
                   [&tab, after = std::move(after)](int id, int notification, long param) {
                     const Command command{id, notification, param};
                     tab.command(command);
                     if (after) after(command);
                   });
}

}  // namespace vexa::ui
