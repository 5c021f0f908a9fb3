// Data sources and data links: the window they ask for, where each link's
// rows start, the order events reach them, and their guards.

#include "DataSetFixture.h"
#include "Recorder.h"

using namespace veltor::test;

namespace {

class DataLinkTest : public DataSetTest {};

const QString kManyIds = QStringLiteral("SELECT ID FROM MANY_ROWS WHERE ID <= 40 ORDER BY ID");

TEST_F(DataLinkTest, TheWindowIsTheLargestBufferRowsAndFirstRowFollowsScrolls) {
    TpFIBDataSet* ds = NewDataSet(kManyIds);
    TDataSource a(&form);
    TDataSource b(&form);
    a.SetDataSet(ds);
    b.SetDataSet(ds);
    RecordingLink one(nullptr, QString(), true);
    RecordingLink ten(nullptr, QString(), true);
    RecordingLink five(nullptr, QString(), true);
    one.SetDataSource(&a);
    ten.SetDataSource(&a);
    five.SetDataSource(&b);
    ten.SetBufferRows(10);
    five.SetBufferRows(5);
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(ds->WindowSize(), 10);
    EXPECT_EQ(ds->WindowCount(), 10);
    EXPECT_EQ(ds->FetchedCount(), 10) << "the window is filled at open, nothing more";
    EXPECT_EQ(ten.RecordCount(), 10);
    EXPECT_EQ(five.RecordCount(), 5);
    EXPECT_EQ(one.RecordCount(), 1);

    EXPECT_EQ(ds->MoveBy(7), 7);
    EXPECT_EQ(ds->ActiveRow(), 7);
    EXPECT_EQ(ten.FirstRow(), 0);
    EXPECT_EQ(five.FirstRow(), 3);
    EXPECT_EQ(one.FirstRow(), 7);
    EXPECT_EQ(five.ActiveRow(), 4);

    // Three records past the window's end: its contents move up by three.
    EXPECT_EQ(ds->MoveBy(5), 5);
    EXPECT_EQ(ds->ActiveRow(), 9);
    EXPECT_EQ(ds->RecordNumber(), 13);
    EXPECT_EQ(ten.FirstRow(), 0);
    EXPECT_EQ(five.FirstRow(), 5);
    EXPECT_EQ(one.FirstRow(), 9);

    // Painting row 2 of the five-row link reads window row 7.
    five.SetActiveRow(2);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("ID"))->AsInteger(), 11);
    five.SetActiveRow(4);

    ds->First();
    EXPECT_EQ(five.FirstRow(), 0) << "clamped back to the current record";
    EXPECT_EQ(one.FirstRow(), 0);

    // A link that goes away shrinks the window to the others' need.
    ten.SetDataSource(nullptr);
    EXPECT_EQ(ds->WindowSize(), 5);
    EXPECT_EQ(ds->WindowCount(), 5);
}

TEST_F(DataLinkTest, DetailLinksHearEventsBeforeControlsAndTheLatestFirst) {
    QStringList log; // outlives the sources that write into it
    TpFIBDataSet* ds = NewDataSet(kManyIds);
    TDataSource src(&form);
    src.SetDataSet(ds);
    RecordSource(src, &log);
    RecordingLink grid(&log, QStringLiteral("grid"), true);
    RecordingLink detail1(&log, QStringLiteral("detail1"), false);
    RecordingLink navigator(&log, QStringLiteral("navigator"), true);
    RecordingLink detail2(&log, QStringLiteral("detail2"), false);
    for (TDataLink* l : std::initializer_list<TDataLink*>{&grid, &detail1, &navigator, &detail2})
        l->SetDataSource(&src);
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(log,
              (QStringList{"detail2.ActiveChange", "detail1.ActiveChange", "navigator.ActiveChange",
                           "grid.ActiveChange", "src.StateChange", "src.DataChange"}));
    log.clear();
    ds->Next();
    EXPECT_EQ(log, (QStringList{"detail2.CheckBrowseMode", "detail1.CheckBrowseMode",
                                "navigator.CheckBrowseMode", "grid.CheckBrowseMode",
                                "detail2.DataSetScroll(1)", "detail1.DataSetScroll(1)",
                                "navigator.DataSetScroll(1)", "grid.DataSetScroll(1)",
                                "src.DataChange"}));
}

TEST_F(DataLinkTest, ASourceReportsItsDatasetsStateOnlyWhileEnabled) {
    QStringList log; // outlives the sources that write into it
    TpFIBDataSet* ds = NewDataSet(kManyIds);
    TDataSource src(&form);
    RecordSource(src, &log);
    src.SetEnabled(false);
    src.SetDataSet(ds);
    RecordingLink link(&log, QString(), true);
    link.SetDataSource(&src);
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(src.State(), stInactive);
    EXPECT_FALSE(link.Active());
    ds->Next();
    EXPECT_TRUE(log.isEmpty()) << log.join(u' ').toStdString();
    src.SetEnabled(true);
    EXPECT_EQ(src.State(), stBrowse);
    EXPECT_EQ(log, (QStringList{"ActiveChange", "src.StateChange", "src.DataChange"}));
    EXPECT_EQ(link.FirstRow(), 0);
}

TEST_F(DataLinkTest, EditingFlowsThroughTheLinksAndFlushesTheirText) {
    QStringList log; // outlives the sources that write into it
    TpFIBDataSet* ds =
        NewDataSet(QStringLiteral("SELECT F_ID, KNAZVA FROM FAKULTET ORDER BY F_ID"));
    ds->SetUpdateSQL(
        {QStringLiteral("UPDATE FAKULTET SET KNAZVA = :KNAZVA WHERE F_ID = :OLD_F_ID")});
    TDataSource src(&form);
    src.SetDataSet(ds);
    RecordSource(src, &log);

    // A control that writes its text when asked, like a grid's editor.
    struct Editor : RecordingLink {
        using RecordingLink::RecordingLink;
        void LinkUpdateData() override {
            RecordingLink::LinkUpdateData();
            DataSet()->FieldByName(QStringLiteral("KNAZVA"))->SetAsString(QStringLiteral("ed"));
        }
    } editor(&log, QStringLiteral("ed"), true);
    editor.SetDataSource(&src);
    EXPECT_SQL(ds->Open());
    log.clear();

    src.SetAutoEdit(false);
    EXPECT_FALSE(editor.Edit()) << "AutoEdit off: typing does not start editing";
    EXPECT_EQ(ds->State(), stBrowse);
    src.SetAutoEdit(true);
    EXPECT_TRUE(editor.Edit());
    EXPECT_EQ(ds->State(), stEdit);
    EXPECT_EQ(log, (QStringList{"ed.CheckBrowseMode", "ed.EditingChange", "src.StateChange",
                                "ed.RecordChange", "src.DataChange"}));
    log.clear();
    EXPECT_SQL(ds->Post());
    // The editor's own write does not come back to it as a record change.
    EXPECT_EQ(log.mid(0, 3),
              (QStringList{"ed.UpdateData", "src.DataChange(KNAZVA)", "src.UpdateData"}));
    EXPECT_EQ(ds->FieldByName(QStringLiteral("KNAZVA"))->AsString(), QStringLiteral("ed"));
    EXPECT_FALSE(editor.Editing());
}

TEST_F(DataLinkTest, GuardsAgainstCircularAndFixedLinks) {
    TpFIBDataSet* detail = NewDataSet(kManyIds, QStringLiteral("detail"));
    TDataSource src(&form);
    src.SetName(QStringLiteral("src"));
    detail->SetDataSource(&src);
    EXPECT_EQ(MessageOf([&] { src.SetDataSet(detail); }),
              QStringLiteral("src: Circular datalinks are not allowed"));
    EXPECT_EQ(src.DataSet(), nullptr);

    RecordingLink link(nullptr, QString(), true);
    link.SetDataSource(&src);
    link.SetDataSourceFixed(true);
    EXPECT_EQ(MessageOf([&] { link.SetDataSource(nullptr); }),
              QStringLiteral("DataSource cannot be changed"));
    EXPECT_EQ(link.DataSource(), &src);
    link.SetDataSourceFixed(false);
}

} // namespace
