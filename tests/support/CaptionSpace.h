#pragma once
// The room a caption needs on screen: its text, and what the style draws
// beside it. Shared by the tests that check no caption is cut, at any
// language, scale factor or font.

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QWidget>

namespace veltor::test {

// What a caption needs besides its text, from the style that draws it.
inline int CaptionDecoration(const QWidget* w) {
    const QStyle* style = w->style();
    if (qobject_cast<const QCheckBox*>(w))
        return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    if (qobject_cast<const QPushButton*>(w))
        return 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w) +
               2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return w->width() - label->contentsRect().width() + 2 * label->margin();
    return 0;
}

// The caption of a label or button; empty for other widgets.
inline QString CaptionOf(const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text();
    return QString();
}

} // namespace veltor::test
