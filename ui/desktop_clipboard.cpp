#include "ui/desktop_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace vexa::ui {

std::optional<std::string> desktop_clipboard_text() {
  const QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return std::nullopt;
  const QString text = clipboard->text();
  if (text.isEmpty()) return std::nullopt;
  return text.toStdString();
}

}  // namespace vexa::ui
