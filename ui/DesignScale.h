#pragma once
// The windows are laid out in fixed pixels for text 14 pixels high, the
// 9-point sans serif of a desktop at 96 dots per inch. Under a larger
// desktop font every designed position and size grows by as much as the
// text did, so each caption keeps the room the layout gave it; under that
// font or a smaller one the layout stays exactly as designed.

#include <QPoint>
#include <QRect>
#include <QSize>

class QFont;

class TDesignScale {
public:
    static constexpr int kDesignedTextHeight = 14;

    // The scale for text shown in font.
    explicit TDesignScale(const QFont& font);

    double Factor() const { return factor_; }

    int operator()(int designed) const;
    QPoint operator()(QPoint designed) const;
    QSize operator()(QSize designed) const;
    // The edges are scaled, not the width and height on their own, so that
    // controls designed edge to edge stay so. A rectangle without a size
    // (one sized by its content) keeps it.
    QRect operator()(const QRect& designed) const;

private:
    double factor_ = 1.0;
};
