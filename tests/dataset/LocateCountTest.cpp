// Locate over the cache and the cursor, and counting a select on the server.

#include "DataSetFixture.h"

#include "fib/fib.h"

using namespace veltor::test;

namespace {

class LocateCountTest : public DataSetTest {};

TEST_F(LocateCountTest, LocateMatchesByTheFieldsRules) {
    TpFIBDataSet* ds = NewDataSet(
        QStringLiteral("SELECT ID, T12, C5, DBL, NUM FROM MANY_ROWS WHERE ID <= 300 ORDER BY ID"));
    EXPECT_SQL(ds->Open());
    TField* id = ds->FieldByName(QStringLiteral("ID"));
    struct Case {
        const char* what;
        QString fields;
        Variant key;
        TLocateOptions options;
        int expectedId; // 0: no match
    };
    const std::vector<Case> cases = {
        {"integer key", QStringLiteral("ID"), Variant(int32_t{120}), 0, 120},
        {"text key on an integer field", QStringLiteral("id"), Variant(QStringLiteral("2")), 0, 2},
        {"null matches the first null", QStringLiteral("T12"), Variant::Null(), 0, 7},
        {"exact text", QStringLiteral("T12"), Variant(QStringLiteral("xxxxxxxxx100")), 0, 100},
        {"case-insensitive text", QStringLiteral("T12"), Variant(QStringLiteral("XXXXXXXXX101")),
         loCaseInsensitive, 101},
        {"case matters without the option", QStringLiteral("T12"),
         Variant(QStringLiteral("XXXXXXXXX101")), 0, 0},
        {"partial key", QStringLiteral("T12"), Variant(QStringLiteral("xxxxxxxxx2")), loPartialKey,
         200},
        {"CHAR value without its trailing blanks", QStringLiteral("C5"),
         Variant(QStringLiteral("ab")), 0, 3},
        {"key with trailing blanks", QStringLiteral("C5"), Variant(QStringLiteral("ab   ")), 0, 3},
        {"float within 1e-11", QStringLiteral("DBL"), Variant(250.5 + 4e-12), 0, 250},
        {"float off by 1e-9", QStringLiteral("DBL"), Variant(250.5 + 1e-9), 0, 0},
        {"two fields", QStringLiteral("C5;ID"),
         Variant::Array({Variant(QStringLiteral("abcde")), Variant(int32_t{5})}), 0, 5},
        {"a scaled number", QStringLiteral("NUM"), Variant(-249.99), 0, 1},
        {"nothing", QStringLiteral("ID"), Variant(int32_t{100000}), 0, 0},
    };
    for (const Case& c : cases) {
        ds->First();
        ds->MoveBy(3); // a record that none of the cases finds
        bool found = false;
        EXPECT_SQL(found = ds->Locate(c.fields, c.key, c.options));
        EXPECT_EQ(found, c.expectedId != 0) << c.what;
        EXPECT_EQ(id->AsInteger(), c.expectedId ? c.expectedId : 4)
            << c.what << ": a miss leaves the current record";
    }
    EXPECT_EQ(ds->FetchedCount(), 300) << "a miss fetched every row";
    EXPECT_TRUE(ds->AllFetched());
    EXPECT_NE(MessageOf([&] { ds->Locate(QStringLiteral("ID"), Variant(QStringLiteral("x")), 0); }),
              QStringLiteral("(no exception)"));
    EXPECT_EQ(MessageOf([&] { ds->Locate(QStringLiteral("NOPE"), Variant(int32_t{1}), 0); }),
              QStringLiteral("ds: Field 'NOPE' not found"));
}

TEST_F(LocateCountTest, LocateFindsCyrillicTextInAnyCaseAndCentresTheWindow) {
    TpFIBDataSet* ds = NewDataSet(QStringLiteral("SELECT F_ID, NAZVA FROM FAKULTET ORDER BY F_ID"));
    TDataSource src(&form);
    src.SetDataSet(ds);
    EXPECT_SQL(ds->Open());
    EXPECT_TRUE(ds->Locate(QStringLiteral("NAZVA"),
                           Variant(QString::fromUtf8("фізичний факультет")), loCaseInsensitive));
    EXPECT_EQ(ds->FieldByName(QStringLiteral("F_ID"))->AsInteger(), 2);

    TpFIBDataSet* empty = NewDataSet(QStringLiteral("SELECT F_ID FROM FAKULTET WHERE 1 = 0"),
                                     QStringLiteral("empty"));
    EXPECT_SQL(empty->Open());
    EXPECT_FALSE(empty->Locate(QStringLiteral("F_ID"), Variant(int32_t{1}), 0));
    empty->Close();
    EXPECT_EQ(MessageOf([&] { empty->Locate(QStringLiteral("F_ID"), Variant(int32_t{1}), 0); }),
              QStringLiteral("empty: Cannot perform this operation on a closed dataset"));
}

TEST_F(LocateCountTest, CountRecordsOnServerCountsWithTheSelectsParameters) {
    TpFIBDataSet* ds =
        NewDataSet(QStringLiteral("SELECT S_ID FROM STUDENT WHERE F_ID = :F ORDER BY S_ID"));
    EXPECT_EQ(ds->CountRecordsOnServer(), 0) << "no active transaction";
    EXPECT_SQL(ds->Prepare());
    ds->ParamByName(QStringLiteral("F")).SetAsInteger(1);
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(ds->RecordCount(), 1);
    EXPECT_EQ(ds->CountRecordsOnServer(), 3);
    ds->Close();
    ds->ParamByName(QStringLiteral("F")).SetAsInteger(2);
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(ds->CountRecordsOnServer(), 2);

    ds->OnAskRecordCount = [](TFIBCustomDataSet&) {
        return QStringLiteral("SELECT COUNT(*) FROM NO_SUCH_TABLE");
    };
    const QString message = MessageOf([&] { ds->CountRecordsOnServer(); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("frm.ds unable to get number of records\r\n")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("NO_SUCH_TABLE"))) << message.toStdString();
    ds->OnAskRecordCount = nullptr;
    EXPECT_EQ(ds->CountRecordsOnServer(), 2);
}

} // namespace
