#include "ui/sound_player.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSoundEffect>

// The built-in "error.wav" lives in a static library: its resources are registered by hand.
static void register_sound_resources() { Q_INIT_RESOURCE(sounds); }

namespace vexa::ui {

namespace {

constexpr char kErrorSound[] = "error.wav";

}  // namespace

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) { register_sound_resources(); }

SoundPlayer::~SoundPlayer() = default;

QUrl SoundPlayer::error_sound_source(const QString& current_dir, const QString& program_dir) {
  for (const QString& dir : {current_dir, program_dir}) {
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
  if (!effect_) effect_ = new QSoundEffect(this);
  if (effect_->source() != last_source_) effect_->setSource(last_source_);
  effect_->stop();
  effect_->play();  // without a sound device this does nothing, quietly
}

}  // namespace vexa::ui
