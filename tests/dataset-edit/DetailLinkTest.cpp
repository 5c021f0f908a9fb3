// A detail dataset following its master: reopened only when a master value
// differs, with one layout change and one scroll by 0 for its controls.

#include "ProgramDataSets.h"

#include "fib/FIBQuery.h"

#include <gtest/gtest.h>

using namespace veltor::test;

namespace {

QList<int> Keys(TpFIBDataSet& d, const char* field) {
    QList<int> out;
    d.First();
    while (!d.AtEnd() && !d.IsEmpty()) {
        out << d.FieldByName(QString::fromLatin1(field))->AsInteger();
        d.Next();
    }
    d.First();
    return out;
}

class DetailLink : public ::testing::Test {
protected:
    void SetUp() override {
        EXPECT_SQL(p = std::make_unique<ProgramDataSets>());
        ASSERT_TRUE(p);
    }
    std::unique_ptr<ProgramDataSets> p;
};

TEST_F(DetailLink, MovingTheMasterReopensTheDetailOnlyWhenTheKeyDiffers) {
    TpFIBDataSet& f = p->Faculty();
    TpFIBDataSet& s = p->Student();
    EXPECT_SQL(f.Open());
    EXPECT_SQL(s.Open());
    EXPECT_EQ(Keys(s, "S_ID"), (QList<int>{1, 2, 3}));
    TField* surname = s.FieldByName(QStringLiteral("FAMILIYA"));
    const int prepares = s.SelectQuery().PrepareCount();
    RecordingLink controls(&p->StudentSource());

    EXPECT_SQL(f.Next()); // faculty 2
    // The close and open inside reach the controls only as the disabled
    // state notes; the controls redraw once.
    EXPECT_EQ(controls.events,
              (QStringList{QStringLiteral("dnDisabledStateChange"),
                           QStringLiteral("dnDisabledStateChange"),
                           QStringLiteral("dnLayoutChange"), QStringLiteral("dnDataSetScroll 0")}));
    EXPECT_FALSE(controls.sawInactive) << "the controls never see the detail closed";
    EXPECT_EQ(s.State(), stBrowse);
    EXPECT_EQ(s.FieldByName(QStringLiteral("FAMILIYA")), surname)
        << "fields created at open survive the reopen";
    EXPECT_EQ(s.SelectQuery().PrepareCount(), prepares) << "no new prepare";
    EXPECT_EQ(Keys(s, "S_ID"), (QList<int>{4, 5}));

    // A master whose consecutive records share the key: no reopen.
    f.Close();
    EXPECT_FALSE(s.Active()) << "closing the master closes the detail";
    f.SetSelectSQL({QStringLiteral("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET"),
                    QStringLiteral("UNION ALL SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET"),
                    QStringLiteral("ORDER BY 1")});
    EXPECT_SQL(f.Open());
    EXPECT_SQL(s.Open());
    controls.events.clear();
    EXPECT_SQL(f.Next()); // the same faculty 1 again
    EXPECT_TRUE(controls.events.isEmpty()) << controls.events.join(u',').toStdString();
    EXPECT_SQL(f.Next()); // faculty 2
    EXPECT_EQ(controls.events.size(), 4);
}

TEST_F(DetailLink, MasterInsertEmptiesTheDetailAndCancelBringsItsRowsBack) {
    TpFIBDataSet& f = p->Faculty();
    TpFIBDataSet& s = p->Student();
    EXPECT_SQL(f.Open());
    EXPECT_SQL(s.Open());
    EXPECT_SQL(f.Insert());
    EXPECT_TRUE(s.Active());
    EXPECT_TRUE(s.IsEmpty()) << "the new key selects no students";
    EXPECT_SQL(f.Cancel());
    EXPECT_EQ(f.FieldByName(QStringLiteral("F_ID"))->AsInteger(), 1);
    EXPECT_EQ(Keys(s, "S_ID"), (QList<int>{1, 2, 3}));
}

TEST_F(DetailLink, TypingIntoTheMasterKeyWaitsForThePost) {
    TpFIBDataSet& f = p->Faculty();
    TpFIBDataSet& s = p->Student();
    // The master's post changes only its cache, so the typed key stays.
    f.SetUpdateSQL({QStringLiteral("No Action")});
    f.SetRefreshSQL({});
    EXPECT_SQL(f.Open());
    EXPECT_SQL(s.Open());
    EXPECT_SQL(f.Edit());
    EXPECT_SQL(f.FieldByName(QStringLiteral("F_ID"))->SetAsInteger(2));
    EXPECT_EQ(Keys(s, "S_ID"), (QList<int>{1, 2, 3})) << "not before the post";
    EXPECT_SQL(f.Post());
    EXPECT_EQ(Keys(s, "S_ID"), (QList<int>{4, 5}));
}

TEST_F(DetailLink, ADetailOpenedBeforeItsMasterSelectsNullKeysThenFollows) {
    EditTestDatabase().Isql(QStringLiteral(
        "INSERT INTO STUDENT (S_ID, FAMILIYA, F_ID) VALUES (900, 'Без факультету', NULL);\n"
        "COMMIT;\n"));
    TpFIBDataSet& f = p->Faculty();
    TpFIBDataSet& s = p->Student();
    EXPECT_SQL(s.Open());
    EXPECT_EQ(Keys(s, "S_ID"), (QList<int>{900})) << "F_ID = :MAS_F_ID sent as IS NULL";
    EXPECT_SQL(f.Open());
    EXPECT_EQ(Keys(s, "S_ID"), (QList<int>{1, 2, 3}));
    EditTestDatabase().Isql(QStringLiteral("DELETE FROM STUDENT WHERE S_ID = 900;\nCOMMIT;\n"));
}

TEST_F(DetailLink, SeveralDetailsAreServedMostRecentlyAttachedFirst) {
    TpFIBDataSet& f = p->Faculty();
    TpFIBDataSet& s = p->Student();
    TpFIBDataSet second(&p->Form());
    second.SetName(QStringLiteral("second_detail"));
    second.SetDatabase(&p->Db());
    second.SetTransaction(&p->Tr());
    // A lower-case prefix names a master parameter too.
    second.SetSelectSQL({QStringLiteral("SELECT S_ID FROM STUDENT WHERE F_ID = :mas_f_id")});
    second.SetDataSource(&p->FacultySource());
    QStringList order;
    s.BeforeOpen = [&](TDataSet&) { order << QStringLiteral("student"); };
    second.BeforeOpen = [&](TDataSet&) { order << QStringLiteral("second"); };
    EXPECT_SQL(f.Open());
    EXPECT_SQL(s.Open());
    EXPECT_SQL(second.Open());
    order.clear();
    EXPECT_SQL(f.Next());
    EXPECT_EQ(order, (QStringList{QStringLiteral("second"), QStringLiteral("student")}));
    EXPECT_EQ(Keys(second, "S_ID"), (QList<int>{4, 5}));
    second.Close();
}

TEST_F(DetailLink, ADetailErrorFailsTheMasterMoveAndLeavesTheDetailClosed) {
    TpFIBDataSet& f = p->Faculty();
    TpFIBDataSet& s = p->Student();
    // Division by zero for the students of faculty 2 only.
    s.SetSelectSQL({QStringLiteral("SELECT S_ID, F_ID FROM STUDENT WHERE F_ID = :MAS_F_ID"),
                    QStringLiteral("AND S_ID / (F_ID - 2) <> 0")});
    EXPECT_SQL(f.Open());
    EXPECT_SQL(s.Open());
    RecordingLink controls(&p->StudentSource());
    const QString message = MessageOf([&] { f.Next(); });
    EXPECT_TRUE(message.contains(QStringLiteral("divide by zero"))) << message.toStdString();
    EXPECT_FALSE(s.Active());
    EXPECT_FALSE(s.ControlsDisabled()) << "notifications resumed";
    // A closed detail is not reopened by later moves; opening it brings it back.
    EXPECT_SQL(f.Next());
    EXPECT_FALSE(s.Active());
    EXPECT_SQL(s.Open());
    EXPECT_TRUE(s.Active());
}

// The results view: a detail whose select has no parameter follows only the
// master's opening and closing.
TEST_F(DetailLink, ADetailWithoutParametersFollowsOnlyOpenAndClose) {
    TpFIBDataSet& f = p->Faculty();
    TpFIBDataSet results(&p->Form());
    results.SetName(QStringLiteral("resultat_dataset"));
    results.SetDatabase(&p->Db());
    results.SetTransaction(&p->Tr());
    results.SetSelectSQL({QStringLiteral("SELECT R_ID FROM RESULTAT")});
    results.SetDataSource(&p->FacultySource());
    TDataSource source(&p->Form());
    source.SetDataSet(&results);
    {
        RecordingLink controls(&source);
        EXPECT_SQL(results.Open());
        EXPECT_SQL(f.Open());
        EXPECT_EQ(controls.events.count(QStringLiteral("dnLayoutChange")), 1)
            << "reopened when the master opened";
        controls.events.clear();
        EXPECT_SQL(f.Next());
        EXPECT_SQL(f.Next());
        EXPECT_TRUE(controls.events.isEmpty()) << controls.events.join(u',').toStdString();
        f.Close();
        EXPECT_FALSE(results.Active());
        EXPECT_SQL(f.Open());
        EXPECT_FALSE(results.Active()) << "a closed detail stays closed";
    }
    results.SetDataSource(nullptr);
}

TEST_F(DetailLink, CircularLinksAreRefused) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_EQ(MessageOf([&] { f.SetDataSource(&p->StudentSource()); }),
              QStringLiteral("Circular references not permitted.(main_frm.faculty_dataset)"));
    EXPECT_EQ(f.DataSource(), nullptr);
    TDataSource loop(&p->Form());
    loop.SetName(QStringLiteral("loop_source"));
    p->Faculty().SetDataSource(&loop);
    EXPECT_EQ(MessageOf([&] { loop.SetDataSet(&p->Student()); }),
              QStringLiteral("loop_source: Circular datalinks are not allowed"));
    EXPECT_EQ(loop.DataSet(), nullptr);
    p->Faculty().SetDataSource(nullptr);
}

} // namespace
