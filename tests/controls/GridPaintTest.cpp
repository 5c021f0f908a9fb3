// What a painted data cell holds: its text aligned as the field says, kept
// inside the cell when it is too long, and drawn in the grid's font after
// the font changes (laid-out texts are reused between paints).

#include "tests/controls/ControlsFixture.h"

#include <QApplication>
#include <QImage>

using namespace veltor::test;

namespace {

// The grid's viewport as painted, in viewport coordinates.
QImage PaintedViewport(TDBGrid& grid) {
    QImage image(grid.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    grid.render(&image);
    return image.copy(grid.viewport()->geometry());
}

// The bounding box of the pixels of `area` that differ from `back`.
QRect InkIn(const QImage& image, const QRect& area, QColor back) {
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != back)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace

TEST_F(FacultyViewTest, CellTextIsAlignedAsItsFieldSaysAndCentredInTheRow) {
    v->Open();
    const QColor base = v->grid->palette().color(QPalette::Base);
    const QImage image = PaintedViewport(*v->grid);
    // The second record is not the current one: its cells have the plain
    // background. Column 0 is F_ID (right-aligned), column 1 NAZVA (left).
    struct Case {
        int column;
        bool right;
    };
    for (const Case c : {Case{0, true}, Case{1, false}}) {
        SCOPED_TRACE(c.column);
        const QRect cell = v->grid->CellRect(c.column, 1);
        const QRect box = cell.adjusted(2, 0, -2, 0);
        const QRect ink = InkIn(image, cell, base);
        ASSERT_FALSE(ink.isNull());
        if (c.right) {
            EXPECT_GE(ink.right(), box.right() - 2);
            EXPECT_LE(ink.right(), box.right());
            EXPECT_GT(ink.left(), box.center().x());
        } else {
            EXPECT_GE(ink.left(), box.left());
            EXPECT_LE(ink.left(), box.left() + 2);
        }
        EXPECT_LE(std::abs(ink.center().y() - cell.center().y()), 3);
    }
}

TEST_F(FacultyViewTest, TextLongerThanItsCellStaysInsideTheCellsMargins) {
    v->Open();
    v->fName->SetDisplayWidth(3); // narrower than "Фізичний факультет"
    QApplication::processEvents();
    const QColor base = v->grid->palette().color(QPalette::Base);
    const QImage image = PaintedViewport(*v->grid);
    const QRect cell = v->grid->CellRect(1, 1);
    ASSERT_LT(cell.width(), QFontMetrics(v->grid->font()).horizontalAdvance("Фізичний факультет"));
    // Text fills the cell up to its 2-pixel margins and no further.
    const QRect ink = InkIn(image, cell, base);
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.left(), cell.left() + 2);
    EXPECT_LE(ink.right(), cell.right() - 2);
    EXPECT_GE(ink.right(), cell.right() - 6);
}

TEST_F(FacultyViewTest, TextFollowsAFontChangeAfterItWasPaintedOnce) {
    v->Open();
    const QColor base = v->grid->palette().color(QPalette::Base);
    const QRect before = InkIn(PaintedViewport(*v->grid), v->grid->CellRect(1, 1), base);
    QFont larger = v->grid->font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    v->grid->setFont(larger);
    QApplication::processEvents();
    const QRect after = InkIn(PaintedViewport(*v->grid), v->grid->CellRect(1, 1), base);
    ASSERT_FALSE(before.isNull());
    ASSERT_FALSE(after.isNull());
    EXPECT_GE(after.height(), before.height() * 3 / 2);
    EXPECT_GE(after.width(), before.width() * 3 / 2);
}
