#pragma once
// How wide a widget must be to show a text whole, at its own font and in its own style, and a
// tab bar style whose tabs leave less room around their texts, so that a row of many short
// sub-tabs fits without scroll arrows.
#include <QProxyStyle>
#include <QString>

class QTabBar;
class QWidget;

namespace vexa::ui {

// The width the widget needs to show text as its caption or content: the text's advance plus
// the frame, margins, indicator or arrow the style adds. 0 for widgets whose text wraps or
// scrolls (multi-line texts) or that show no text.
int needed_text_width(const QWidget& widget, const QString& text);

// The padding a tab keeps on either side of its text in a compact bar.
inline constexpr int kCompactTabPadding = 5;

class CompactTabStyle final : public QProxyStyle {
 public:
  // base: the style to follow (taken over); null: the application's style.
  explicit CompactTabStyle(QStyle* base = nullptr);
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
};

// Gives the bar compact tabs (the style is owned by the bar).
void make_tabs_compact(QTabBar& bar);

}  // namespace vexa::ui
