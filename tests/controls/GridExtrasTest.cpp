// What the grid adds beyond showing and editing: the refusal of a dataset
// that reads only forwards, the vertical bar, the selection of several
// records, the CSV export of every row with its quoting, ISO dates and
// atomic replacement, and the ISO date text it writes.

#include "tests/controls/ControlsFixture.h"

#include "base/FormatSettings.h"
#include "controls/GridExport.h"
#include "fib/FIBQuery.h"

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace veltor::test;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Faculties 101 .. 100 + count, in the test's transaction (rolled back).
void AddFaculties(FacultyView& v, int count) {
    if (!v.tr->Active())
        v.tr->StartTransaction();
    TFIBQuery q;
    q.SetDatabase(v.db);
    q.SetTransaction(v.tr);
    for (int i = 1; i <= count; ++i) {
        q.SetSQLText(
            QStringLiteral("insert into fakultet values (%1, 'Факультет %1', 'Ф%1')").arg(100 + i));
        q.ExecQuery();
    }
}

std::vector<TCsvColumn> GridColumns(const TDBGrid& grid) {
    std::vector<TCsvColumn> columns;
    for (const TColumn& c : grid.Columns())
        columns.push_back({c.Field, c.Title()});
    return columns;
}

} // namespace

TEST(IsoDateTime, DatesTimesAndBothWithMillisecondsOnlyWhenThere) {
    const auto at = [](int y, int m, int d, int h, int n, int s, int ms = 0) {
        return EncodeDateTime(QDate(y, m, d), QTime(h, n, s, ms));
    };
    const struct {
        double value;
        TFieldType type;
        const char* text;
    } cases[] = {
        {at(2024, 5, 17, 0, 0, 0), ftDate, "2024-05-17"},
        {at(2024, 5, 17, 13, 5, 9), ftDate, "2024-05-17"},
        {at(2024, 5, 17, 13, 5, 9), ftDateTime, "2024-05-17T13:05:09"},
        {at(2024, 5, 17, 13, 5, 9, 250), ftDateTime, "2024-05-17T13:05:09.250"},
        {at(2024, 5, 17, 23, 59, 59, 999), ftDateTime, "2024-05-17T23:59:59.999"},
        {0.5, ftTime, "12:00:00"},
        {at(1899, 12, 30, 0, 0, 0), ftDateTime, "1899-12-30T00:00:00"},
        {at(1850, 3, 1, 10, 30, 0), ftDateTime, "1850-03-01T10:30:00"},
        {at(9, 1, 2, 1, 2, 3), ftDateTime, "0009-01-02T01:02:03"},
    };
    for (const auto& c : cases) {
        QByteArray out;
        AppendIsoDateTime(out, c.value, c.type);
        EXPECT_EQ(out, QByteArray(c.text));
    }
}

TEST_F(FacultyViewTest, AUnidirectionalDatasetIsRefusedAndLeftClosed) {
    v->ds->UniDirectional = true;
    v->tr->StartTransaction();
    try {
        v->ds->Open();
        ADD_FAILURE() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Operation not allowed on a unidirectional dataset");
    }
    EXPECT_FALSE(v->ds->Active());
    EXPECT_FALSE(v->grid->DataLink().Active());
    ASSERT_EQ(v->grid->Columns().size(), 1u);
    EXPECT_EQ(v->grid->Columns()[0].Field, nullptr);
    EXPECT_FALSE(v->navigator->Button(TNavigateBtn::nbNext)->isEnabled());

    // Already open when the grid is pointed at it: the grid shows nothing.
    v->grid->SetDataSource(nullptr);
    v->ds->Open();
    EXPECT_THROW(v->grid->SetDataSource(v->source), EDatabaseError);
    ASSERT_EQ(v->grid->Columns().size(), 1u);
    EXPECT_EQ(v->grid->Columns()[0].Field, nullptr);
    QTest::keyClick(v->grid, Qt::Key_Down);
    EXPECT_EQ(v->ds->RecordNumber(), 1);

    // The same dataset read both ways is shown as usual.
    v->grid->SetDataSource(nullptr);
    v->ds->Close();
    v->ds->UniDirectional = false;
    v->grid->SetDataSource(v->source);
    v->Open();
    EXPECT_EQ(v->grid->Columns().size(), 3u);
}

TEST_F(FacultyViewTest, TheVerticalBarCountsRecordsOnlyOnceAllAreFetched) {
    AddFaculties(*v, 17); // 20 faculties
    v->grid->resize(v->grid->width(), v->grid->TitleHeight() + 3 * v->grid->RowHeight() + 6);
    QApplication::processEvents();
    v->Open();
    ASSERT_LT(v->grid->VisibleRowCount(), 6);
    QScrollBar* bar = v->grid->verticalScrollBar();

    // How many rows follow is unknown: first, between, end.
    EXPECT_EQ(bar->maximum(), 2);
    EXPECT_EQ(bar->value(), 0);
    v->ds->MoveBy(4);
    EXPECT_EQ(bar->maximum(), 2);
    EXPECT_EQ(bar->value(), 1);

    // Every row fetched: the bar counts records, a page of rows long.
    v->ds->Last();
    EXPECT_EQ(bar->maximum(), 19);
    EXPECT_EQ(bar->value(), 19);
    EXPECT_EQ(bar->pageStep(), v->grid->VisibleRowCount());
    v->ds->First();
    EXPECT_EQ(bar->value(), 0);
    v->ds->MoveBy(6);
    EXPECT_EQ(bar->value(), 6);

    // Dragging the thumb goes to the record it points at.
    bar->setSliderPosition(12);
    QApplication::processEvents();
    EXPECT_EQ(v->ds->RecordNumber(), 13);
    EXPECT_EQ(bar->value(), 12);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QApplication::processEvents();
    EXPECT_EQ(v->ds->RecordNumber(), 13 + v->grid->VisibleRowCount());
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    QApplication::processEvents();
    EXPECT_EQ(v->ds->RecordNumber(), 1);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(FacultyViewTest, MultiSelectMarksRecordsWithCtrlAndRangesWithShift) {
    AddFaculties(*v, 5); // 8 faculties
    v->grid->SetOptions(v->grid->Options().With(dgMultiSelect));
    v->window.resize(v->window.width(), 400);
    v->grid->resize(v->grid->width(), v->grid->TitleHeight() + 9 * v->grid->RowHeight() + 6);
    QApplication::processEvents();
    v->Open();
    ASSERT_GE(v->grid->DataLink().RecordCount(), 8);
    const auto selected = [&] {
        return std::vector<int>(v->grid->SelectedRows().begin(), v->grid->SelectedRows().end());
    };
    const auto click = [&](int row, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(v->grid->viewport(), Qt::LeftButton, mods,
                          v->grid->CellRect(1, row).center());
    };

    click(0);
    EXPECT_TRUE(selected().empty());
    QTest::keyClick(v->grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(v->grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(v->ds->RecordNumber(), 3);
    QTest::keyClick(v->grid, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{1, 2}));

    click(4, Qt::ControlModifier);
    EXPECT_EQ(selected(), (std::vector<int>{1, 2, 5}));
    EXPECT_FALSE(v->grid->EditorMode()) << "a marking click opens no editor";
    click(1, Qt::ControlModifier);
    EXPECT_EQ(selected(), (std::vector<int>{1, 5}));
    click(1, Qt::ControlModifier);
    EXPECT_EQ(selected(), (std::vector<int>{1, 2, 5}));

    // From the anchor (the last record marked) to the clicked one.
    click(5, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{2, 3, 4, 5, 6}));

    // The selected rows are painted highlighted, the others not.
    QImage image(v->grid->viewport()->size(), QImage::Format_ARGB32);
    v->grid->viewport()->render(&image);
    const QColor highlight = v->grid->palette().color(QPalette::Highlight);
    const auto back = [&](int row) {
        const QRect cell = v->grid->CellRect(v->grid->SelectedIndex(), row);
        return image.pixelColor(cell.right() - 2, cell.top() + 2);
    };
    EXPECT_EQ(back(2), highlight);
    EXPECT_EQ(back(3), highlight);
    EXPECT_NE(back(0), highlight);
    EXPECT_NE(back(6), highlight);

    // A plain move starts anew; deleting a record forgets the marks.
    QTest::keyClick(v->grid, Qt::Key_Down);
    EXPECT_TRUE(selected().empty());
    QTest::keyClick(v->grid, Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(selected().size(), 2u);
    v->ds->Delete();
    EXPECT_TRUE(selected().empty());

    // Without the option nothing is marked.
    v->grid->SetOptions(v->grid->Options().Without(dgMultiSelect));
    click(0, Qt::ControlModifier);
    QTest::keyClick(v->grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_TRUE(selected().empty());
}

TEST_F(FacultyViewTest, ExportWritesEveryRowQuotedAndComesBackToTheCurrentRecord) {
    AddFaculties(*v, 40); // more than the window holds, fetched as the export goes
    if (!v->tr->Active())
        v->tr->StartTransaction();
    TFIBQuery q;
    q.SetDatabase(v->db);
    q.SetTransaction(v->tr);
    q.SetSQLText("update fakultet set nazva = 'Факультет \"Нові, старі\"', knazva = null "
                 "where f_id = 2");
    q.ExecQuery();
    v->Open();
    v->ds->MoveBy(2);
    const int current = v->ds->RecordNumber();
    ASSERT_EQ(v->CurrentId(), 3);

    QTemporaryDir dir;
    const QString path = dir.filePath("faculties.csv");
    std::vector<qint64> told;
    TCsvExport exporter(*v->ds, GridColumns(*v->grid));
    ASSERT_TRUE(exporter.Run(path, [&](qint64 rows) {
        told.push_back(rows);
        return true;
    }));
    EXPECT_EQ(exporter.RowsWritten(), 43);
    EXPECT_EQ(told.front(), 0);
    EXPECT_EQ(told.back(), 43);

    QByteArray expected = "F_ID,_NAME_,_SHORT_NAME_\r\n"
                          "1,Факультет комп'ютерних наук,ФКН\r\n"
                          "2,\"Факультет \"\"Нові, старі\"\"\",\r\n"
                          "3,Історичний факультет,ІФ\r\n";
    for (int id = 101; id <= 140; ++id)
        expected += QStringLiteral("%1,Факультет %1,Ф%1\r\n").arg(id).toUtf8();
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(v->ds->RecordNumber(), current);
    EXPECT_EQ(v->CurrentId(), 3);
    EXPECT_EQ(v->grid->DataLink().ActiveRow(), 2);
}

TEST_F(FacultyViewTest, ACancelledOrFailedExportLeavesNoFile) {
    v->Open();
    QTemporaryDir dir;
    const QString path = dir.filePath("faculties.csv");
    TCsvExport exporter(*v->ds, GridColumns(*v->grid));
    EXPECT_FALSE(exporter.Run(path, [](qint64 rows) { return rows == 0; }));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(v->ds->RecordNumber(), 1);

    const QString nowhere = dir.filePath("missing/faculties.csv");
    try {
        exporter.Run(nowhere);
        ADD_FAILURE() << "written";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + nowhere);
    }
}
