#pragma once
// The program's two sounds: the system beep, and "error.wav" played asynchronously. The file is
// looked for in the current directory, then beside the program; without one there the
// program's own copy plays. Use on the window thread.
#include <QObject>
#include <QString>
#include <QUrl>

class QSoundEffect;

namespace vexa::ui {

class SoundPlayer : public QObject {
  Q_OBJECT
 public:
  explicit SoundPlayer(QObject* parent = nullptr);
  ~SoundPlayer() override;

  void beep();
  // Starts "error.wav" and returns at once; a sound that is still playing starts again.
  void play_error();

  // Where play_error looks: the first of these that exists, else the built-in copy.
  static QUrl error_sound_source(const QString& current_dir, const QString& program_dir);

  int beeps() const { return beeps_; }
  int error_sounds() const { return error_sounds_; }
  QUrl last_source() const { return last_source_; }

 private:
  QSoundEffect* effect_ = nullptr;
  int beeps_ = 0;
  int error_sounds_ = 0;
  QUrl last_source_;
};

}  // namespace vexa::ui
