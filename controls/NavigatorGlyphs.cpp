#include "controls/NavigatorGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kGrid = 12;

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c) {
    p.drawPolygon(QPolygonF{{a, b, c}});
}

// A stroke on the grid: square caps and mitre joins keep the ends of the
// check mark and the cross on whole grid cells.
QPen GridPen(const QColor& color, qreal width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

void PaintRefresh(QPainter& p, const QColor& color) {
    // Three quarters of a circle, open at the top right, with its head there.
    const QRectF circle(2.5, 2.5, 7, 7);
    QPainterPath arc;
    arc.arcMoveTo(circle, 60);
    arc.arcTo(circle, 60, 270);
    p.setBrush(Qt::NoBrush);
    p.setPen(GridPen(color, 1.5));
    p.drawPath(arc);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    Triangle(p, {6, 0}, {10, 3}, {6, 6});
}

} // namespace

int NavigatorGlyphSide(const QSize& buttonSize, double scale) {
    const int room = std::min(buttonSize.width(), buttonSize.height()) - 4;
    const int wanted = static_cast<int>(std::lround(kGrid * std::max(scale, 1.0)));
    if (room >= wanted)
        return wanted;
    return std::max(room, 4);
}

void PaintNavigatorGlyph(QPainter& p, TNavigateBtn button, const QRect& box, const QColor& color,
                         double scale) {
    const int side = NavigatorGlyphSide(box.size() + QSize(4, 4), scale);
    const int left = box.left() + (box.width() - side) / 2;
    const int top = box.top() + (box.height() - side) / 2;

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(left, top);
    const qreal unit = qreal(side) / kGrid;
    p.scale(unit, unit);
    p.setPen(Qt::NoPen);
    p.setBrush(color);

    switch (button) {
    case TNavigateBtn::nbFirst:
        p.drawRect(QRectF(2, 2, 2, 8));
        Triangle(p, {10, 2}, {10, 10}, {6, 6});
        break;
    case TNavigateBtn::nbPrior:
        Triangle(p, {8, 2}, {8, 10}, {4, 6});
        break;
    case TNavigateBtn::nbNext:
        Triangle(p, {4, 2}, {4, 10}, {8, 6});
        break;
    case TNavigateBtn::nbLast:
        Triangle(p, {2, 2}, {2, 10}, {6, 6});
        p.drawRect(QRectF(8, 2, 2, 8));
        break;
    case TNavigateBtn::nbInsert:
        p.drawRect(QRectF(2, 5, 8, 2));
        p.drawRect(QRectF(5, 2, 2, 8));
        break;
    case TNavigateBtn::nbDelete:
        p.drawRect(QRectF(2, 5, 8, 2));
        break;
    case TNavigateBtn::nbEdit:
        Triangle(p, {2, 8}, {10, 8}, {6, 4});
        break;
    case TNavigateBtn::nbPost:
        p.setBrush(Qt::NoBrush);
        p.setPen(GridPen(color, 2));
        p.drawPolyline(QPolygonF{{{1.5, 6}, {4.5, 9}, {10.5, 3}}});
        break;
    case TNavigateBtn::nbCancel:
        p.setBrush(Qt::NoBrush);
        p.setPen(GridPen(color, 2));
        p.drawLine(QPointF(3, 3), QPointF(9, 9));
        p.drawLine(QPointF(9, 3), QPointF(3, 9));
        break;
    case TNavigateBtn::nbRefresh:
        PaintRefresh(p, color);
        break;
    }
    p.restore();
}
