// The grid's columns, rows and look: what it shows for a closed, an empty
// and an open dataset, the column width arithmetic, the window of buffered
// rows, column resizing and moving with the mouse, and pictures at 1x and 2x.

#include "tests/controls/ControlsFixture.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QTest>

using namespace veltor::test;

namespace {

std::vector<QString> Titles(const TDBGrid& grid) {
    std::vector<QString> titles;
    for (const TColumn& c : grid.Columns())
        titles.push_back(c.Title());
    return titles;
}

QImage Picture(QWidget& widget, int dpr) {
    QImage image(widget.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    widget.render(&image);
    return image;
}

} // namespace

TEST(GridColumnWidth, ZeroWidthTimesDisplayWidthPlusFourWidenedToTheTitle) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    const QFontMetrics fm(font);
    const int zero = fm.horizontalAdvance(QLatin1Char('0'));
    EXPECT_EQ(GridColumnWidth(fm, 69, &fm, QStringLiteral("_NAME_")), zero * 69 + 4);
    EXPECT_EQ(GridColumnWidth(fm, 1, &fm, QStringLiteral("_SHORT_NAME_")),
              fm.horizontalAdvance(QStringLiteral("_SHORT_NAME_")) + 4);
    EXPECT_EQ(GridColumnWidth(fm, 1, nullptr, QStringLiteral("_SHORT_NAME_")), zero + 4);
    // Back from pixels: half an average character rounds up.
    const int avg = fm.averageCharWidth();
    EXPECT_EQ(DisplayWidthForPixels(fm, 10 * avg + 3), 10);
    EXPECT_EQ(DisplayWidthForPixels(fm, 10 * avg + 3 - avg / 2 - 1), 9);
}

TEST_F(FacultyViewTest, ClosedGridShowsOneEmptyColumnAndRow) {
    ASSERT_EQ(v->grid->Columns().size(), 1u);
    EXPECT_EQ(v->grid->Columns()[0].Field, nullptr);
    EXPECT_EQ(v->grid->Columns()[0].Width, TDBGrid::kDefaultColWidth);
    EXPECT_EQ(v->grid->ShownRowCount(), 1);

    v->Open();
    EXPECT_EQ(Titles(*v->grid), (std::vector<QString>{"F_ID", "_NAME_", "_SHORT_NAME_"}));
    EXPECT_EQ(v->grid->ShownRowCount(), 3);

    v->ds->Close();
    EXPECT_EQ(v->grid->Columns().size(), 1u);
    EXPECT_EQ(v->grid->ShownRowCount(), 1);
    EXPECT_FALSE(v->grid->EditorMode());

    // Reopened, the columns come back from the fields.
    v->fShort->SetVisible(false);
    v->ds->Open();
    EXPECT_EQ(Titles(*v->grid), (std::vector<QString>{"F_ID", "_NAME_"}));
}

TEST_F(FacultyViewTest, EmptyDatasetShowsItsColumnsAndOneEmptyRow) {
    v->ds->SetSelectSQLText("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET WHERE F_ID < 0");
    v->Open();
    EXPECT_EQ(v->grid->Columns().size(), 3u);
    EXPECT_EQ(v->grid->ShownRowCount(), 1);
}

TEST_F(FacultyViewTest, ColumnsFollowTheFieldsWidthsLabelsAndReadOnly) {
    v->fId->SetReadOnly(true);
    v->Open();
    const QFontMetrics fm(v->grid->font());
    const QFontMetrics tfm(v->grid->TitleFont());
    const int zero = fm.horizontalAdvance(QLatin1Char('0'));
    const auto& cols = v->grid->Columns();
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[0].Width, std::max(zero * 6 + 4, tfm.horizontalAdvance("F_ID") + 4));
    EXPECT_EQ(cols[1].Width, std::max(zero * 69 + 4, tfm.horizontalAdvance("_NAME_") + 4));
    EXPECT_EQ(cols[2].Width, std::max(zero * 18 + 4, tfm.horizontalAdvance("_SHORT_NAME_") + 4));
    EXPECT_TRUE(cols[0].ReadOnly);
    EXPECT_FALSE(cols[0].TabStop);
    EXPECT_TRUE(cols[1].TabStop);

    // A read-only column is skipped by Tab and gets no editor.
    QTest::keyClick(v->grid, Qt::Key_End);
    QTest::keyClick(v->grid, Qt::Key_Tab);
    EXPECT_EQ(v->CurrentId(), 2);
    EXPECT_EQ(v->grid->SelectedIndex(), 1);
    QTest::keyClick(v->grid, Qt::Key_Home);
    QTest::keyClick(v->grid, Qt::Key_F2);
    EXPECT_FALSE(v->grid->EditorMode());

    // Label and width changes of an open dataset rebuild the columns.
    v->fShort->SetDisplayLabel("Коротко");
    v->fShort->SetDisplayWidth(2);
    EXPECT_EQ(v->grid->Columns()[2].Title(), "Коротко");
    EXPECT_EQ(v->grid->Columns()[2].Width,
              std::max(zero * 2 + 4, tfm.horizontalAdvance("Коротко") + 4));
}

TEST_F(FacultyViewTest, BufferedRowsFollowTheVisibleRows) {
    v->Open();
    auto wholeRows = [&] {
        return (v->grid->viewport()->height() - v->grid->TitleHeight()) / v->grid->RowHeight();
    };
    const int rows = v->grid->VisibleRowCount();
    EXPECT_EQ(wholeRows(), rows);
    EXPECT_EQ(v->grid->DataLink().BufferRows(), rows);
    EXPECT_EQ(v->ds->WindowSize(), rows);

    v->grid->resize(v->grid->width(), v->grid->height() + 5 * v->grid->RowHeight());
    QApplication::processEvents();
    EXPECT_GT(v->grid->VisibleRowCount(), rows + 3);
    EXPECT_EQ(wholeRows(), v->grid->VisibleRowCount());
    EXPECT_EQ(v->grid->DataLink().BufferRows(), v->grid->VisibleRowCount());
    EXPECT_EQ(v->ds->WindowSize(), v->grid->VisibleRowCount());
}

TEST_F(FacultyViewTest, DraggingATitleEdgeStoresTheWidthInTheField) {
    v->Open();
    const QFontMetrics fm(v->grid->font());
    const QRect title = v->grid->TitleRect(2);
    const QPoint edge(title.right() + 1, title.center().y());
    const int avg = fm.averageCharWidth();
    QTest::mousePress(v->grid->viewport(), Qt::LeftButton, {}, edge);
    QTest::mouseMove(v->grid->viewport(), edge + QPoint(5 * avg, 0));
    QTest::mouseRelease(v->grid->viewport(), Qt::LeftButton, {}, edge + QPoint(5 * avg, 0));
    const int pixels = title.width() + 5 * avg;
    EXPECT_EQ(v->fShort->DisplayWidth(), DisplayWidthForPixels(fm, pixels));
    EXPECT_EQ(v->fShort->DisplayWidth(), (pixels + avg / 2 - 3) / avg);
}

TEST_F(FacultyViewTest, DraggingATitleOntoAnotherMovesItsField) {
    v->Open();
    QTest::mousePress(v->grid->viewport(), Qt::LeftButton, {}, v->grid->TitleRect(2).center());
    QTest::mouseRelease(v->grid->viewport(), Qt::LeftButton, {}, v->grid->TitleRect(0).center());
    EXPECT_EQ(v->fShort->Index(), 0);
    EXPECT_EQ(Titles(*v->grid), (std::vector<QString>{"_SHORT_NAME_", "F_ID", "_NAME_"}));
}

TEST_F(FacultyViewTest, ScreenshotsAt1xAnd2x) {
    v->Open();
    v->ds->Next();
    QTest::keyClick(v->grid, Qt::Key_Right);
    for (int dpr : {1, 2}) {
        const QImage image = Picture(v->window, dpr);
        const QString path =
            ArtefactDir() + QStringLiteral("/faculty_view_%1x.png").arg(dpr);
        ASSERT_TRUE(image.save(path)) << path.toStdString();
        EXPECT_EQ(image.size(), v->window.size() * dpr);
    }
    // The edit and insert indicators, too.
    TypeText("Щ");
    EXPECT_TRUE(Picture(v->window, 2).save(ArtefactDir() + "/faculty_view_edit_2x.png"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(v->grid, Qt::Key_Insert);
    EXPECT_TRUE(Picture(v->window, 2).save(ArtefactDir() + "/faculty_view_insert_2x.png"));
    v->ds->Cancel();
    v->ds->Close();
    EXPECT_TRUE(Picture(v->window, 1).save(ArtefactDir() + "/faculty_view_closed_1x.png"));
}

TEST_F(FacultyViewTest, PaintingLeavesTheCurrentRecordInPlace) {
    v->Open();
    v->ds->Next();
    v->grid->repaint();
    (void)Picture(*v->grid, 1);
    EXPECT_EQ(v->CurrentId(), 2);
    EXPECT_EQ(v->grid->DataLink().ActiveRow(), 1);
}
