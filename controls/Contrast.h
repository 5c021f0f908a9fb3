#pragma once
// Contrast of colours as the web's accessibility guidelines measure it, and
// a colour brought to a readable contrast: a warning's red stays red where
// the palette lets it, and moves toward the palette's own text colour where
// it would not be read (a red on a dark theme's window).

#include <QColor>

// The ratio of the lighter colour's relative luminance to the darker one's,
// each plus 0.05: 1 for equal colours, 21 for black on white.
double ContrastRatio(const QColor& a, const QColor& b);

// Text needs 4.5:1 against its background to be read by most users with low
// vision.
inline constexpr double kReadableContrast = 4.5;

// wanted, or the nearest mix of it with ink that reaches kReadableContrast
// against background (ink itself when no mix does).
QColor ReadableOn(const QColor& wanted, const QColor& background, const QColor& ink);
