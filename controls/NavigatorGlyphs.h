#pragma once
// The navigator's ten button glyphs, drawn as vectors so that they stay crisp
// at any device pixel ratio. Each glyph is laid out on a 12 x 12 grid whose
// straight edges fall on whole grid lines; it is drawn at a whole-pixel scale
// whenever the box allows, so bars and signs cover whole device pixels.

#include <QColor>
#include <QRect>

class QPainter;

enum class TNavigateBtn {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};

inline constexpr int kNavigateBtnCount = 10;

// Draws the glyph of button centred in box (logical pixels), scale times its
// designed size where the box has the room (scale grows with the font).
void PaintNavigatorGlyph(QPainter& painter, TNavigateBtn button, const QRect& box,
                         const QColor& color, double scale = 1.0);

// The side of the square a glyph takes inside a button of this size.
int NavigatorGlyphSide(const QSize& buttonSize, double scale = 1.0);
