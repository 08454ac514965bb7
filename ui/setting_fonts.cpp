#include "ui/setting_fonts.h"

#include <cstdlib>
#include <string>

#include "base/settings.h"

namespace vexa::ui {

QFont font_from_settings(const Settings& settings, const char* face_key, const char* face_fallback,
                         const char* size_key, const char* size_fallback, QFont::StyleHint hint) {
  QFont font(QString::fromStdString(settings.get_setting(face_key, face_fallback)));
  font.setStyleHint(hint);  // lets fontconfig choose a like face when the named one is missing
  const int size = std::atoi(settings.get_setting(size_key, size_fallback).c_str());
  font.setPixelSize(size > 0 ? size : std::atoi(size_fallback));
  return font;
}

QFont proportional_font(const Settings& settings) {
  return font_from_settings(settings, "fontvar", "tahoma", "fontvarsize", "11", QFont::SansSerif);
}

QFont fixed_font(const Settings& settings) {
  return font_from_settings(settings, "fontfix", "courier new", "fontfixsize", "12", QFont::Monospace);
}

}  // namespace vexa::ui
