#pragma once
// The factory test's side of the main window: its lamps (control 894) painted from the test's
// states, and the redraws and verdict sounds the test asks for from the receive thread, carried
// over to the window thread.
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "factory/factory_test.h"
#include "ui/sound_player.h"

namespace vexa::ui {

class LampButton;

class FactoryIndicator : public QObject, public FactoryTestOutput {
  Q_OBJECT
 public:
  explicit FactoryIndicator(SoundPlayer& sounds, QObject* parent = nullptr);

  // The lamp button to paint and the test whose states it shows (set once both exist).
  void attach(LampButton* lamps, const FactoryTest* test);

  // --- FactoryTestOutput (any thread) ---
  void redraw_indicator() override;
  void verdict_beep() override;
  void verdict_error_sound() override;

 private:
  SoundPlayer& sounds_;
  QPointer<QWidget> lamps_;
};

}  // namespace vexa::ui
