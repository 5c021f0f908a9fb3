#pragma once
// The room a caption needs on screen: its text, and what the style draws
// beside it. Shared by the tests that check no caption is cut, at any
// language, scale factor or font.

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>

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

// Every visible caption of a window is as wide as its text and decoration,
// and no visible sibling covers that width.
inline void ExpectCaptionsWhole(QWidget* window, const std::string& where) {
    QCoreApplication::processEvents();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QString text = CaptionOf(w);
        if (!w->isVisible() || text.isEmpty() ||
            !(qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w) ||
              qobject_cast<QPushButton*>(w)))
            continue;
        const QFontMetrics fm(w->font());
        const int needed = fm.horizontalAdvance(text) + CaptionDecoration(w);
        const std::string name =
            where + (" " + w->objectName() + " \"" + text + "\"").toStdString();
        EXPECT_GE(w->width(), needed) << name;
        EXPECT_GE(w->height(), fm.height()) << name;
        const QRect shown(w->pos(), QSize(needed, w->height()));
        for (const QObject* o : w->parentWidget()->children()) {
            const auto* sibling = qobject_cast<const QWidget*>(o);
            if (sibling && sibling != w && sibling->isVisible()) {
                EXPECT_FALSE(sibling->geometry().intersects(shown))
                    << name << " is covered by " << sibling->objectName().toStdString();
            }
        }
    }
}

} // namespace veltor::test
