#include "ui/factory_indicator.h"

#include <QMetaObject>

#include "ui/form_binder.h"
#include "ui/qt_painter.h"

namespace vexa::ui {

FactoryIndicator::FactoryIndicator(SoundPlayer& sounds, QObject* parent) : QObject(parent), sounds_(sounds) {}

void FactoryIndicator::attach(LampButton* lamps, const FactoryTest* test) {
  lamps_ = lamps;
  if (!lamps) return;
  lamps->paint = [test](QPainter& painter) {
    if (!test) return;
    QtPainter p(painter);
    test->draw(p);
  };
  lamps->update();
}

void FactoryIndicator::redraw_indicator() {
  QMetaObject::invokeMethod(
      this, [this] {
        if (lamps_) lamps_->update();
      },
      Qt::QueuedConnection);
}

void FactoryIndicator::verdict_beep() {
  QMetaObject::invokeMethod(this, [this] { sounds_.beep(); }, Qt::QueuedConnection);
}

void FactoryIndicator::verdict_error_sound() {
  QMetaObject::invokeMethod(this, [this] { sounds_.play_error(); }, Qt::QueuedConnection);
}

}  // namespace vexa::ui
