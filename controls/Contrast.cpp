#include "controls/Contrast.h"

#include <algorithm>
#include <cmath>

namespace {

double Channel(double c) {
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
    const QColor rgb = c.toRgb();
    return 0.2126 * Channel(rgb.redF()) + 0.7152 * Channel(rgb.greenF()) +
           0.0722 * Channel(rgb.blueF());
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    const QColor x = a.toRgb();
    const QColor y = b.toRgb();
    return QColor::fromRgbF(static_cast<float>(x.redF() + (y.redF() - x.redF()) * t),
                            static_cast<float>(x.greenF() + (y.greenF() - x.greenF()) * t),
                            static_cast<float>(x.blueF() + (y.blueF() - x.blueF()) * t));
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& wanted, const QColor& background, const QColor& ink) {
    for (int step = 0; step <= 20; ++step) {
        const QColor c = Mix(wanted, ink, step / 20.0);
        if (ContrastRatio(c, background) >= kReadableContrast)
            return c;
    }
    return ink;
}
