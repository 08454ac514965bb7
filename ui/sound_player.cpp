#include "ui/sound_player.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QThread>

#include "platform/installed_data.h"

// The built-in "error.wav" lives in a static library: its resources are registered by hand.
static void register_sound_resources() { Q_INIT_RESOURCE(sounds); }

namespace vexa::ui {

namespace {

constexpr char kErrorSound[] = "error.wav";

}  // namespace

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) { register_sound_resources(); }

SoundPlayer::~SoundPlayer() {
  // Qt's sample cache deadlocks at exit when a sample is still being read: let it finish.
  for (int i = 0; i < 50 && effect_ && effect_->status() == QSoundEffect::Loading; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(10);
  }
}

QUrl SoundPlayer::error_sound_source(const QString& current_dir, const QString& program_dir) {
  const QString installed = QString::fromStdString(installed_data_dir());
  for (const QString& dir : {current_dir, program_dir, installed}) {
    if (dir.isEmpty()) continue;
    const QFileInfo file(QDir(dir).filePath(kErrorSound));
    if (file.isFile()) return QUrl::fromLocalFile(file.absoluteFilePath());
  }
  return QUrl(QStringLiteral("qrc:/sounds/error.wav"));
}

void SoundPlayer::beep() {
  ++beeps_;
  QApplication::beep();
}

void SoundPlayer::play_error() {
  ++error_sounds_;
  last_source_ = error_sound_source(QDir::currentPath(), QCoreApplication::applicationDirPath());
  // Without a sound device there is nothing to play (and Qt's sound machinery is best left
  // unstarted: its sample cache can hang a program at exit).
  if (!effect_ && QMediaDevices::audioOutputs().isEmpty()) return;
  if (!effect_) effect_ = new QSoundEffect(this);
  if (effect_->source() != last_source_) effect_->setSource(last_source_);
  effect_->stop();
  effect_->play();  // without a sound device this does nothing, quietly
}

}  // namespace vexa::ui
