#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace vexa::ui {

QString qt_translations_folder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

QString qt_translation_file(char language, const QString& folder) {
  const char lower = static_cast<char>(language | 0x20);  // a hand-edited "F" too
  const char* code = lower == 'f' ? "fr" : lower == 'd' ? "de" : nullptr;
  if (!code) return {};
  return folder + QStringLiteral("/qtbase_") + QLatin1String(code) + QStringLiteral(".qm");
}

QtTranslations::~QtTranslations() { remove(); }

void QtTranslations::remove() {
  if (translator_) QCoreApplication::removeTranslator(translator_.get());
  translator_.reset();
}

bool QtTranslations::use(char language, const QString& folder) {
  // Native dialogs would take the desktop's language, not the program's.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  remove();
  missing_.clear();
  const QString file = qt_translation_file(language, folder);
  if (file.isEmpty()) return true;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(file)) {
    missing_ = file.toStdString();
    return false;
  }
  QCoreApplication::installTranslator(translator.get());
  translator_ = std::move(translator);
  return true;
}

}  // namespace vexa::ui
