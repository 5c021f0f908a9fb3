#pragma once
// Contrast measured from the pixels of a picture of the real window.

#include <QHash>
#include <QImage>
#include <QRect>
#include <algorithm>
#include <cmath>

namespace veltor::test {

// Relative luminance and contrast as the guidelines define them, worked out
// here from the pixels, apart from the program's own arithmetic.
inline double Linear(int c8) {
    const double c = c8 / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
inline double Luminance(QRgb p) {
    return 0.2126 * Linear(qRed(p)) + 0.7152 * Linear(qGreen(p)) + 0.0722 * Linear(qBlue(p));
}
inline double Contrast(QRgb a, QRgb b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// In a box of the picture: the background is the commonest colour, the ink
// the colour that stands out most from it (the core of a glyph's stroke).
struct Measured {
    QRgb background = 0;
    QRgb ink = 0;
    double ratio = 0;
};
inline Measured Measure(const QImage& picture, const QRect& box) {
    QHash<QRgb, int> counts;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            ++counts[picture.pixel(x, y) | 0xff000000u];
    Measured m;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            m.background = it.key();
        }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (const double r = Contrast(it.key(), m.background); r > m.ratio) {
            m.ratio = r;
            m.ink = it.key();
        }
    return m;
}

// The smallest rectangle of the box holding every pixel that stands out from
// the box's background by at least least: the extent of a glyph painted there.
inline QRect InkBounds(const QImage& picture, const QRect& box, double least = 2.0) {
    const QRgb background = Measure(picture, box).background;
    QRect ink;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (Contrast(picture.pixel(x, y) | 0xff000000u, background) >= least)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace veltor::test
