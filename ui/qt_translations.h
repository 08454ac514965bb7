#pragma once
// Qt's own texts (the buttons of message boxes, the file, colour and print dialogs, the key
// names beside menu entries) in the user's language, from the translations Qt ships
// (qtbase_fr, qtbase_de). The dialogs are Qt's own widgets, never a desktop portal's, so they
// follow the program's language setting rather than the desktop's.
#include <QString>
#include <QTranslator>
#include <memory>
#include <string>

namespace vexa::ui {

// Where Qt's own translations are installed.
QString qt_translations_folder();
// "<folder>/qtbase_<code>.qm" for a language letter ('f', 'd'); empty for English, which needs
// none.
QString qt_translation_file(char language, const QString& folder = qt_translations_folder());

class QtTranslations {
 public:
  QtTranslations() = default;
  QtTranslations(const QtTranslations&) = delete;
  QtTranslations& operator=(const QtTranslations&) = delete;
  ~QtTranslations();

  // Makes Qt's texts follow the language letter, in place of any loaded before; true when they
  // do (always for English), false when the translation file is missing or unreadable.
  bool use(char language, const QString& folder = qt_translations_folder());
  // The file use() could not load; empty when nothing was missing.
  const std::string& missing_file() const { return missing_; }

 private:
  void remove();
  std::unique_ptr<QTranslator> translator_;
  std::string missing_;
};

}  // namespace vexa::ui
