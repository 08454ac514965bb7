#include "ui/text_fit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabBar>

namespace vexa::ui {

namespace {

// A line edit keeps this much room on either side of its text, and one pixel for the cursor
// of an editable one (Qt's own, not reported by the style).
constexpr int kLineEditMargin = 2;
constexpr int kCursorWidth = 1;
// A push button's text keeps this much room inside the frame on either side.
constexpr int kButtonTextMargin = 2;

// The text's extent as the style lays a caption out (rounded up, unlike the advance).
int caption_width(const QWidget& widget, const QFontMetrics& metrics, const QString& text) {
  return widget.style()->itemTextRect(metrics, QRect(), Qt::TextShowMnemonic, false, text).width();
}

}  // namespace

int needed_text_width(const QWidget& widget, const QString& text) {
  if (text.isEmpty()) return 0;
  const QFontMetrics metrics = widget.fontMetrics();
  QStyle* style = widget.style();
  if (auto* label = qobject_cast<const QLabel*>(&widget)) {
    if (label->wordWrap() || text.contains(QLatin1Char('\n'))) return 0;
    const QMargins m = label->contentsMargins();  // with the frame
    int indent = label->indent();
    if (indent < 0) indent = label->frameWidth() > 0 ? metrics.horizontalAdvance(QLatin1Char('x')) / 2 : 0;
    const int extent = metrics.boundingRect(QRect(0, 0, 0, 0), Qt::TextSingleLine | Qt::TextExpandTabs, text).width();
    return extent + 2 * label->margin() + m.left() + m.right() + indent;
  }
  if (qobject_cast<const QCheckBox*>(&widget) || qobject_cast<const QRadioButton*>(&widget)) {
    QStyleOptionButton option;
    option.initFrom(&widget);
    option.text = text;
    const QSize contents(caption_width(widget, metrics, text), metrics.height());
    const bool radio = qobject_cast<const QRadioButton*>(&widget);
    return style->sizeFromContents(radio ? QStyle::CT_RadioButton : QStyle::CT_CheckBox, &option, contents, &widget)
        .width();
  }
  if (qobject_cast<const QPushButton*>(&widget)) {
    // Not the style's whole size hint: that has a minimum width for dialog buttons.
    QStyleOptionButton option;
    option.initFrom(&widget);
    const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &widget);
    return caption_width(widget, metrics, text) + 2 * (frame + kButtonTextMargin);
  }
  if (auto* edit = qobject_cast<const QLineEdit*>(&widget)) {
    // The text goes where the line edit draws it: the style's contents rect, less Qt's margins.
    QStyleOptionFrame option;
    option.initFrom(&widget);
    option.lineWidth = edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &widget) : 0;
    const QRect contents = style->subElementRect(QStyle::SE_LineEditContents, &option, &widget);
    const QMargins text_margins = edit->textMargins();
    const int cursor = edit->isReadOnly() ? 0 : kCursorWidth;
    return metrics.size(Qt::TextSingleLine, text).width() + 2 * kLineEditMargin + cursor + text_margins.left() +
           text_margins.right() + (widget.width() - contents.width());
  }
  if (auto* combo = qobject_cast<const QComboBox*>(&widget)) {
    QStyleOptionComboBox option;
    option.initFrom(&widget);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    option.currentText = text;
    const int inner =
        metrics.size(Qt::TextSingleLine, text).width() + (combo->isEditable() ? 2 * kLineEditMargin + kCursorWidth : 0);
    return style->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(inner, metrics.height()), &widget).width();
  }
  return 0;
}

CompactTabStyle::CompactTabStyle(QStyle* base)
    : QProxyStyle(base ? base : QStyleFactory::create(QApplication::style()->name())) {}

int CompactTabStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  if (metric == PM_TabBarTabHSpace) return 2 * kCompactTabPadding;
  return QProxyStyle::pixelMetric(metric, option, widget);
}

void make_tabs_compact(QTabBar& bar) {
  auto* style = new CompactTabStyle;
  style->setParent(&bar);
  bar.setStyle(style);
}

}  // namespace vexa::ui
