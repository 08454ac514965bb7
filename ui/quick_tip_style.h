#pragma once
// The platform style, with tool tips that show after 100 ms: the icon row is learnt by pointing.
#include <QProxyStyle>

namespace vexa::ui {

inline constexpr int kToolTipDelayMs = 100;

class QuickTipStyle final : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                QStyleHintReturn* data = nullptr) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return kToolTipDelayMs;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

}  // namespace vexa::ui
