// Opening, navigating and closing a dataset, and the events each step sends.

#include "DataSetFixture.h"
#include "Recorder.h"

#include "fib/fib.h"

#include <functional>

using namespace veltor::test;

namespace {

class DataSetNavigationTest : public DataSetTest {};

const QString kFaculties = QStringLiteral("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET ORDER BY F_ID");

TEST_F(DataSetNavigationTest, EachStepSendsTheEventsOfItsKindInOrder) {
    QStringList log; // outlives the sources that write into it
    TpFIBDataSet* ds = NewDataSet(kFaculties);
    TDataSource src(&form);
    src.SetDataSet(ds);
    RecordSource(src, &log);
    RecordingLink link(&log, QString(), true);
    link.SetDataSource(&src);

    const QString check = QStringLiteral("CheckBrowseMode");
    const QString change = QStringLiteral("DataSetChange");
    const QString data = QStringLiteral("src.DataChange");
    struct Step {
        const char* what;
        std::function<void()> action;
        QStringList expected;
    };
    const std::vector<Step> steps = {
        {"open",
         [&] { ds->Open(); },
         {QStringLiteral("ActiveChange"), QStringLiteral("src.StateChange"), data}},
        {"two rows on, recycling the one-row window",
         [&] { EXPECT_EQ(ds->MoveBy(2), 2); },
         {check, QStringLiteral("DataSetScroll(2)"), data}},
        {"next on the last row finds the end",
         [&] { EXPECT_EQ(ds->Next(), 0); },
         {check, QStringLiteral("DataSetScroll(0)"), data}},
        {"next at the end", [&] { EXPECT_EQ(ds->Next(), 0); }, {check}},
        {"first", [&] { ds->First(); }, {check, change, data}},
        {"first at the top", [&] { ds->First(); }, {check, change, data}},
        {"move by 0", [&] { EXPECT_EQ(ds->MoveBy(0), 0); }, {check}},
        {"prior at the top", [&] { EXPECT_EQ(ds->Prior(), 0); }, {check}},
        {"last", [&] { ds->Last(); }, {check, change, data}},
        {"disabled: a move",
         [&] {
             ds->DisableControls();
             ds->Prior();
             ds->EnableControls();
         },
         {change, data}},
        {"disabled: a move, close and open",
         [&] {
             ds->DisableControls();
             ds->Prior();
             ds->Close();
             ds->Open();
             ds->EnableControls();
         },
         {QStringLiteral("LayoutChange"), data}},
        {"nested disabling sends once",
         [&] {
             ds->DisableControls();
             ds->DisableControls();
             ds->Next();
             ds->EnableControls();
             EXPECT_TRUE(log.isEmpty());
             ds->EnableControls();
         },
         {change, data}},
        {"close",
         [&] { ds->Close(); },
         {QStringLiteral("ActiveChange"), QStringLiteral("src.StateChange")}},
    };
    for (const Step& s : steps) {
        log.clear();
        EXPECT_SQL(s.action());
        EXPECT_EQ(log, s.expected) << s.what << ": " << log.join(u' ').toStdString();
    }
}

TEST_F(DataSetNavigationTest, EdgesOfEmptyOneRowAndLongerResults) {
    TpFIBDataSet* empty = NewDataSet(QStringLiteral("SELECT F_ID FROM FAKULTET WHERE 1 = 0"),
                                     QStringLiteral("empty"));
    EXPECT_SQL(empty->Open());
    EXPECT_TRUE(empty->IsEmpty());
    EXPECT_TRUE(empty->AtBegin());
    EXPECT_TRUE(empty->AtEnd()) << "an empty dataset is at both ends, so Next and Last are off";
    EXPECT_EQ(empty->Next(), 0);
    EXPECT_EQ(empty->RecordCount(), 0);
    EXPECT_EQ(empty->RecordNumber(), 0);
    EXPECT_TRUE(empty->FieldByName(QStringLiteral("F_ID"))->IsNull());

    TpFIBDataSet* one = NewDataSet(QStringLiteral("SELECT F_ID FROM FAKULTET WHERE F_ID = 2"),
                                   QStringLiteral("one"));
    EXPECT_SQL(one->Open());
    EXPECT_TRUE(one->AtBegin());
    EXPECT_FALSE(one->AtEnd()) << "Next stays enabled until it is pressed";
    EXPECT_EQ(one->Next(), 0);
    EXPECT_TRUE(one->AtEnd());
    EXPECT_EQ(one->FieldByName(QStringLiteral("F_ID"))->AsInteger(), 2);

    TpFIBDataSet* three = NewDataSet(kFaculties, QStringLiteral("three"));
    EXPECT_SQL(three->Open());
    TField* id = three->FieldByName(QStringLiteral("F_ID"));
    EXPECT_EQ(three->Prior(), 0);
    EXPECT_TRUE(three->AtBegin());
    EXPECT_EQ(three->MoveBy(5), 2) << "passes the records there are";
    EXPECT_TRUE(three->AtEnd());
    EXPECT_EQ(id->AsInteger(), 3);
    EXPECT_EQ(three->RecordNumber(), 3);
    EXPECT_EQ(three->MoveBy(-1), -1);
    EXPECT_FALSE(three->AtEnd());
    EXPECT_EQ(id->AsInteger(), 2);
    EXPECT_EQ(three->MoveBy(-5), -1);
    EXPECT_TRUE(three->AtBegin());
    EXPECT_EQ(id->AsInteger(), 1);
    three->Last();
    EXPECT_TRUE(three->AtEnd());
    EXPECT_EQ(id->AsInteger(), 3);
}

TEST_F(DataSetNavigationTest, AnUnwatchedDatasetFetchesOneRowAtOpenAndMoreOnDemand) {
    TpFIBDataSet* ds = NewDataSet(QStringLiteral("SELECT ID FROM MANY_ROWS ORDER BY ID"));
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(ds->FetchedCount(), 1);
    ds->First();
    EXPECT_EQ(ds->RecordCount(), 1);
    EXPECT_EQ(ds->CountRecordsOnServer(), kManyRows);
    EXPECT_EQ(ds->Next(), 1);
    EXPECT_EQ(ds->FetchedCount(), 2);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("ID"))->AsInteger(), 2);
    EXPECT_FALSE(ds->IsSequenced());
    ds->Last();
    EXPECT_EQ(ds->RecordCount(), kManyRows);
    EXPECT_TRUE(ds->IsSequenced());
}

TEST_F(DataSetNavigationTest, OpenFailuresLeaveTheDatasetClosed) {
    TpFIBDataSet* blank = NewDataSet(QString(), QStringLiteral("blank"));
    blank->SetSelectSQL({QStringLiteral(""), QStringLiteral("   ")});
    EXPECT_EQ(MessageOf([&] { blank->Open(); }),
              QStringLiteral("Can't Prepare frm.blank , because  query is empty"));
    EXPECT_FALSE(blank->Active());

    TpFIBDataSet* bad =
        NewDataSet(QStringLiteral("SELECT X FROM NO_SUCH_TABLE"), QStringLiteral("bad"));
    EXPECT_NE(MessageOf([&] { bad->Open(); }), QStringLiteral("(no exception)"));
    EXPECT_FALSE(bad->Active());
    EXPECT_EQ(bad->FieldCount(), 0);

    EXPECT_EQ(MessageOf([&] { bad->Next(); }),
              QStringLiteral("bad: Cannot perform this operation on a closed dataset"));
}

TEST_F(DataSetNavigationTest, SelectTextCannotChangeUnderAnOpenCursor) {
    TpFIBDataSet* ds = NewDataSet(kFaculties);
    EXPECT_SQL(ds->Open());
    const QStringList before = ds->SelectSQL();
    const QString message =
        MessageOf([&] { ds->SetSelectSQLText(QStringLiteral("SELECT S_ID FROM STUDENT")); });
    EXPECT_TRUE(message.startsWith(
        QStringLiteral("Can't change sql text because frm.ds.SelectQuery dataset open.")))
        << message.toStdString();
    EXPECT_EQ(ds->SelectSQL(), before);
    EXPECT_TRUE(ds->Active());

    ds->Close();
    EXPECT_SQL(
        ds->SetSelectSQLText(QStringLiteral("SELECT S_ID, IMYA FROM STUDENT ORDER BY S_ID")));
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(ds->FieldCount(), 2) << "fields follow the new columns";
    EXPECT_EQ(ds->FindField(QStringLiteral("NAZVA")), nullptr);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("imya"))->AsString(), QString::fromUtf8("Тарас"));
}

TEST_F(DataSetNavigationTest, OpeningAStatementThatIsNotASelectRunsItOnce) {
    TpFIBDataSet* ds =
        NewDataSet(QStringLiteral("INSERT INTO FAKULTET (F_ID, NAZVA) VALUES (77, 'Новий')"));
    EXPECT_SQL(ds->Open());
    EXPECT_TRUE(ds->Active());
    EXPECT_EQ(ds->FieldCount(), 0);
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_SQL(ds->Close());
    TpFIBDataSet* check = NewDataSet(
        QStringLiteral("SELECT COUNT(*) FROM FAKULTET WHERE F_ID = 77"), QStringLiteral("check"));
    EXPECT_SQL(check->Open());
    EXPECT_EQ(check->Fields(0)->AsInteger(), 1);
}

TEST_F(DataSetNavigationTest, CloseDiscardsAPendingEditAndACommitClosesTheDataset) {
    TpFIBDataSet* ds = NewDataSet(kFaculties);
    ds->SetUpdateSQL(
        {QStringLiteral("UPDATE FAKULTET SET KNAZVA = :KNAZVA WHERE F_ID = :OLD_F_ID")});
    EXPECT_SQL(ds->Open());
    EXPECT_SQL(ds->Edit());
    EXPECT_EQ(ds->State(), stEdit);
    EXPECT_SQL(ds->FieldByName(QStringLiteral("KNAZVA"))->SetAsString(QStringLiteral("zzz")));
    EXPECT_SQL(ds->Close());
    EXPECT_EQ(ds->State(), stInactive);
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(ds->FieldByName(QStringLiteral("KNAZVA"))->AsString(), QString::fromUtf8("ФКН"));

    tr->Commit();
    EXPECT_FALSE(ds->Active());
    EXPECT_SQL(ds->Open()); // a reopen starts the transaction again
    EXPECT_TRUE(tr->Active());
}

TEST_F(DataSetNavigationTest, PostWritesThroughTheUpdateStatementAndTheCache) {
    TpFIBDataSet* ds = NewDataSet(kFaculties);
    ds->SetUpdateSQL(
        {QStringLiteral("UPDATE FAKULTET SET KNAZVA = :KNAZVA WHERE F_ID = :OLD_F_ID")});
    EXPECT_SQL(ds->Open());
    ds->Next();
    EXPECT_SQL(ds->Edit());
    EXPECT_SQL(ds->FieldByName(QStringLiteral("KNAZVA"))->SetAsString(QString::fromUtf8("Фіз")));
    EXPECT_TRUE(ds->Modified());
    EXPECT_SQL(ds->Post());
    EXPECT_EQ(ds->State(), stBrowse);
    EXPECT_EQ(ds->UpdateStatus(), cusUnmodified);
    ds->First();
    ds->Next();
    EXPECT_EQ(ds->FieldByName(QStringLiteral("KNAZVA"))->AsString(), QString::fromUtf8("Фіз"));
    TpFIBDataSet* check = NewDataSet(QStringLiteral("SELECT KNAZVA FROM FAKULTET WHERE F_ID = 2"),
                                     QStringLiteral("check"));
    EXPECT_SQL(check->Open());
    EXPECT_EQ(check->Fields(0)->AsString(), QString::fromUtf8("Фіз"));
}

} // namespace
