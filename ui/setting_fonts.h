#pragma once
// The two fonts named by the settings: the proportional one (`fontvar`, `fontvarsize`) of the
// controls and the board pictures, and the fixed one (`fontfix`, `fontfixsize`) of the terminal.
#include <QFont>

namespace vexa {
class Settings;
}

namespace vexa::ui {

// A font from a face setting and a size setting (the size is the character height in pixels).
QFont font_from_settings(const Settings& settings, const char* face_key, const char* face_fallback,
                         const char* size_key, const char* size_fallback, QFont::StyleHint hint);

QFont proportional_font(const Settings& settings);
QFont fixed_font(const Settings& settings);

}  // namespace vexa::ui
