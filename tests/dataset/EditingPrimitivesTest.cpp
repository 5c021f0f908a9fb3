// The storage side of editing as the generic dataset drives it: new records
// in the window and the cache, deletes that hide records, refresh and the
// capability errors.

#include "DataSetFixture.h"

#include "fib/fib.h"
#include "tests/support/PrintQString.h"

#include <functional>

using namespace veltor::test;

namespace {

class EditingPrimitivesTest : public DataSetTest {
protected:
    TpFIBDataSet* Faculties() {
        TpFIBDataSet* ds =
            NewDataSet(QStringLiteral("SELECT F_ID, NAZVA FROM FAKULTET ORDER BY F_ID"));
        ds->SetInsertSQL(
            {QStringLiteral("INSERT INTO FAKULTET (F_ID, NAZVA) VALUES (:F_ID, :NAZVA)")});
        ds->SetDeleteSQL({QStringLiteral("DELETE FROM FAKULTET WHERE F_ID = :OLD_F_ID")});
        ds->SetRefreshSQL(
            {QStringLiteral("SELECT F_ID, NAZVA FROM FAKULTET WHERE F_ID = :OLD_F_ID")});
        return ds;
    }
    static QList<int> Ids(TDataSet& ds) {
        QList<int> ids;
        ds.First();
        do
            ids.append(ds.Fields(0)->AsInteger());
        while (ds.Next() == 1);
        return ids;
    }
};

TEST_F(EditingPrimitivesTest, InsertPostsBeforeTheCurrentRecordAndCancelDropsIt) {
    TpFIBDataSet* ds = Faculties();
    TDataSource src(&form);
    src.SetDataSet(ds);
    EXPECT_SQL(ds->Open());
    ds->Next();
    EXPECT_SQL(ds->Insert());
    EXPECT_EQ(ds->State(), stInsert);
    EXPECT_TRUE(ds->Fields(0)->IsNull());
    EXPECT_SQL(ds->Cancel());
    EXPECT_EQ(ds->State(), stBrowse);
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 2) << "back on the record it was inserted before";

    EXPECT_SQL(ds->Insert());
    ds->Fields(0)->SetAsInteger(10);
    ds->Fields(1)->SetAsString(QStringLiteral("Ten"));
    EXPECT_SQL(ds->Post());
    EXPECT_EQ(ds->State(), stBrowse);
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 10);
    EXPECT_EQ(ds->RecordCount(), 3) << "rows 1, 2 and the new one; row 3 is not fetched yet";
    EXPECT_EQ(Ids(*ds), (QList<int>{1, 10, 2, 3}));

    EXPECT_SQL(ds->Append());
    ds->Fields(0)->SetAsInteger(11);
    EXPECT_SQL(ds->Post());
    EXPECT_EQ(Ids(*ds), (QList<int>{1, 10, 2, 3, 11}));

    ds->Close();
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(Ids(*ds), (QList<int>{1, 2, 3, 10, 11})) << "both rows reached the server";
}

TEST_F(EditingPrimitivesTest, DeleteHidesTheRecordAndCountsIt) {
    TpFIBDataSet* ds = Faculties();
    EXPECT_SQL(ds->Open());
    EXPECT_SQL(ds->Insert());
    ds->Fields(0)->SetAsInteger(20);
    EXPECT_SQL(ds->Post());
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 20);
    EXPECT_SQL(ds->Delete());
    EXPECT_EQ(ds->DeletedCount(), 1);
    EXPECT_EQ(ds->RecordCount(), ds->FetchedCount() - 1);
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 1) << "the next record becomes current";
    EXPECT_FALSE(ds->Locate(QStringLiteral("F_ID"), Variant(int32_t{20}), 0));

    EXPECT_SQL(ds->Insert());
    EXPECT_SQL(ds->Delete());
    EXPECT_EQ(ds->State(), stBrowse) << "deleting a new record cancels it";
    EXPECT_EQ(ds->DeletedCount(), 1);
}

TEST_F(EditingPrimitivesTest, CapabilitiesGateEditingAndRefresh) {
    TpFIBDataSet* ds = NewDataSet(QStringLiteral("SELECT F_ID, NAZVA FROM FAKULTET ORDER BY F_ID"));
    EXPECT_SQL(ds->Open());
    EXPECT_FALSE(ds->CanModify());
    EXPECT_EQ(MessageOf([&] { ds->Insert(); }),
              QStringLiteral("ds: Cannot modify a read-only dataset"));
    EXPECT_EQ(MessageOf([&] { ds->Refresh(); }), QStringLiteral("Can't refresh row. (frm.ds)"));

    TpFIBDataSet* faculties = Faculties();
    faculties->SetName(QStringLiteral("faculties"));
    EXPECT_SQL(faculties->Open());
    EXPECT_FALSE(faculties->CanEdit());
    EXPECT_EQ(MessageOf([&] { faculties->Fields(1)->SetAsString(QStringLiteral("x")); }),
              QStringLiteral("DataSet not in Edit or Insert mode.(frm.faculties)"));
    faculties->Fields(1)->SetRequired(true);
    EXPECT_SQL(faculties->Insert());
    faculties->Fields(0)->SetAsInteger(30);
    EXPECT_EQ(MessageOf([&] { faculties->Post(); }),
              QStringLiteral("Field 'NAZVA' must have a value"));
    EXPECT_EQ(faculties->State(), stInsert) << "a refused post keeps the new record";
    faculties->Fields(1)->SetAsString(QStringLiteral("Thirty"));
    EXPECT_SQL(faculties->Post());
    EXPECT_SQL(faculties->Refresh());
    EXPECT_EQ(faculties->Fields(1)->AsString(), QStringLiteral("Thirty"));
}

TEST_F(EditingPrimitivesTest, ADetailCannotWatchItsOwnSource) {
    TpFIBDataSet* ds = Faculties();
    TDataSource src(&form);
    src.SetDataSet(ds);
    EXPECT_EQ(MessageOf([&] { ds->SetDataSource(&src); }),
              QStringLiteral("Circular references not permitted.(frm.ds)"));
    EXPECT_EQ(ds->DataSource(), nullptr);
}

// The hooks around cancelling a new record and refreshing an edited one, in
// the order they run: a cancelled insert changes the current record, and a
// refresh is announced before it finishes the edit.
TEST_F(EditingPrimitivesTest, CancelOfAnInsertScrollsAndRefreshAnnouncesItselfFirst) {
    TpFIBDataSet* ds = Faculties();
    ds->SetUpdateSQL({QStringLiteral("UPDATE FAKULTET SET NAZVA = :NAZVA WHERE F_ID = :OLD_F_ID")});
    QStringList log;
    const auto hook = [&log](const char* name) {
        return [&log, name](TDataSet&) { log << QString::fromLatin1(name); };
    };
    ds->BeforeCancel = hook("BeforeCancel");
    ds->AfterCancel = hook("AfterCancel");
    ds->BeforeScroll = hook("BeforeScroll");
    ds->AfterScroll = hook("AfterScroll");
    ds->BeforeRefresh = hook("BeforeRefresh");
    ds->AfterRefresh = hook("AfterRefresh");
    ds->BeforePost = hook("BeforePost");
    ds->AfterPost = hook("AfterPost");
    EXPECT_SQL(ds->Open());

    const struct {
        const char* name;
        std::function<void()> start, operation;
        QStringList hooks;
    } cases[] = {
        {"cancel of an insert",
         [&] { ds->Insert(); },
         [&] { ds->Cancel(); },
         {"BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"}},
        {"cancel of an edit",
         [&] { ds->Edit(); },
         [&] { ds->Cancel(); },
         {"BeforeCancel", "AfterCancel"}},
        {"refresh of an edited record",
         [&] {
             ds->Edit();
             ds->Fields(1)->SetAsString(QStringLiteral("Refreshed"));
         },
         [&] { ds->Refresh(); },
         // the post re-reads its row too, inside the refresh
         {"BeforeRefresh", "BeforePost", "BeforeRefresh", "AfterRefresh", "AfterPost",
          "AfterRefresh"}},
    };
    for (const auto& c : cases) {
        EXPECT_SQL(c.start());
        log.clear();
        EXPECT_SQL(c.operation());
        EXPECT_EQ(log, c.hooks) << c.name;
        EXPECT_EQ(ds->State(), stBrowse) << c.name;
    }
}

// The insert reached the server and the refresh after it failed: the error
// is shown, and the post still ends as a post does (browse state, the
// window re-read, AfterPost), with the new row in the dataset.
TEST_F(EditingPrimitivesTest, ARefreshFailingAfterAnInsertStillFinishesThePost) {
    TpFIBDataSet* ds = Faculties();
    ds->SetRefreshSQL({QStringLiteral(
        "SELECT F_ID, NAZVA FROM FAKULTET WHERE F_ID = :OLD_F_ID AND 1 / (F_ID - F_ID) = 1")});
    int afterPost = 0;
    ds->AfterPost = [&afterPost](TDataSet&) { ++afterPost; };
    EXPECT_SQL(ds->Open());
    EXPECT_SQL(ds->Insert());
    ds->Fields(0)->SetAsInteger(40);
    ds->Fields(1)->SetAsString(QStringLiteral("Forty"));
    const QString message = MessageOf([&] { ds->Post(); });
    EXPECT_TRUE(message.contains(QStringLiteral("divide by zero"), Qt::CaseInsensitive))
        << message.toStdString();
    EXPECT_EQ(ds->State(), stBrowse);
    EXPECT_EQ(afterPost, 1);
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 40) << "the stored row is current";
    EXPECT_EQ(Ids(*ds), (QList<int>{40, 1, 2, 3}));
}

// Calculated fields follow what is typed: every field write recomputes them.
TEST_F(EditingPrimitivesTest, AFieldWriteRecomputesTheCalculatedFields) {
    TpFIBDataSet* ds = Faculties();
    ds->SetUpdateSQL({QStringLiteral("UPDATE FAKULTET SET NAZVA = :NAZVA WHERE F_ID = :OLD_F_ID")});
    int computed = 0;
    ds->OnCalcFields = [&computed](TDataSet&) { ++computed; };
    EXPECT_SQL(ds->Open());
    EXPECT_SQL(ds->Edit());
    const int before = computed;
    EXPECT_SQL(ds->Fields(1)->SetAsString(QStringLiteral("One")));
    EXPECT_SQL(ds->Fields(1)->SetAsString(QStringLiteral("Two")));
    EXPECT_EQ(computed, before + 2);
    EXPECT_SQL(ds->Cancel());
}

} // namespace
