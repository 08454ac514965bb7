#pragma once
// The desktop clipboard's plain text.
#include <optional>
#include <string>

namespace vexa::ui {

// As UTF-8; nothing when there is no clipboard or it holds no text.
std::optional<std::string> desktop_clipboard_text();

}  // namespace vexa::ui
