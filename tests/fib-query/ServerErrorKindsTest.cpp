// Failures the server reports, each provoked on the test database, and what
// kind each predicate takes it for.

#include "QueryFixture.h"

#include "fib/FIBDatabase.h"
#include "fib/FIBErrorKinds.h"

#include <functional>
#include <gtest/gtest.h>

using namespace veltor::test;

namespace {

// A committed row the cases fight over, and a unique index for a duplicate
// that no constraint catches.
constexpr int kRow = 9300;

class ServerErrorKinds : public ::testing::Test {
protected:
    void SetUp() override {
        QueryTestDatabase().Isql(
            QStringLiteral("DELETE FROM TYPES WHERE ID >= %1;\n"
                           "INSERT INTO TYPES (ID) VALUES (%1);\nCOMMIT;\n"
                           "CREATE UNIQUE INDEX TYPES_BI_UNIQUE ON TYPES (BI);\n"
                           "COMMIT;\n")
                .arg(kRow));
    }
    void TearDown() override {
        QueryTestDatabase().Isql(QStringLiteral("DROP INDEX TYPES_BI_UNIQUE;\n"
                                                "DELETE FROM TYPES WHERE ID >= %1;\nCOMMIT;\n")
                                     .arg(kRow));
    }
};

void Run(Connection& c, TFIBTransaction& tr, const QString& sql) {
    if (!tr.Active())
        tr.StartTransaction();
    auto q = c.Query(sql);
    q->SetTransaction(&tr);
    q->ExecQuery();
}

void Run(Connection& c, const QString& sql) {
    Run(c, c.Tr(), sql);
}

// What the statement raised; the transaction is rolled back after it.
EFIBError Refused(Connection& c, TFIBTransaction& tr, const QString& sql) {
    EFIBError error = Raised<EFIBError>([&] { Run(c, tr, sql); });
    if (tr.Active())
        tr.Rollback();
    return error;
}

EFIBError Refused(Connection& c, const QString& sql) {
    return Refused(c, c.Tr(), sql);
}

QString UpdateRow(int value) {
    return QStringLiteral("UPDATE TYPES SET SI = %1 WHERE ID = %2").arg(value).arg(kRow);
}

EFIBError DuplicatePrimaryKey() {
    Connection c;
    return Refused(c, QStringLiteral("INSERT INTO TYPES (ID) VALUES (%1)").arg(kRow));
}

EFIBError DuplicateInUniqueIndex() {
    Connection c;
    Run(c, QStringLiteral("INSERT INTO TYPES (ID, BI) VALUES (%1, 7)").arg(kRow + 1));
    return Refused(c, QStringLiteral("INSERT INTO TYPES (ID, BI) VALUES (%1, 7)").arg(kRow + 2));
}

// The program's own transactions: read committed, no wait.
EFIBError RowHeldByAnotherTransaction() {
    Connection holder;
    Connection c;
    Run(holder, UpdateRow(1));
    EFIBError error = Refused(c, UpdateRow(2));
    holder.Tr().Rollback();
    return error;
}

EFIBError RowChangedSinceASnapshotBegan() {
    Connection other;
    Connection c;
    TFIBTransaction snapshot;
    snapshot.SetDefaultDatabase(&c.Db());
    snapshot.SetTRParams(
        {QStringLiteral("write"), QStringLiteral("isc_tpb_nowait"), QStringLiteral("concurrency")});
    snapshot.StartTransaction();
    Run(other, UpdateRow(1));
    other.Tr().Commit();
    return Refused(c, snapshot, UpdateRow(2));
}

EFIBError ForeignKeyStillPointing() {
    Connection c;
    return Refused(c, QStringLiteral("DELETE FROM FAKULTET WHERE F_ID = 1"));
}

EFIBError UnknownColumn() {
    Connection c;
    return Refused(c, QStringLiteral("select NOTHING from TYPES"));
}

// Another connection deletes this one's attachment, as an administrator
// does from the monitoring tables.
EFIBError AttachmentKilled() {
    Connection killer;
    Connection c;
    Run(c, QStringLiteral("select count(*) from TYPES"));
    const QString id =
        c.Db()
            .SelectValue(QStringLiteral("select current_connection from rdb$database"), 0, &c.Tr())
            .toString();
    Run(killer, QStringLiteral("delete from mon$attachments where mon$attachment_id = ") + id);
    killer.Tr().Commit();
    EFIBError error = Refused(c, QStringLiteral("select count(*) from TYPES"));
    EXPECT_TRUE(c.Db().ConnectionLost());
    return error;
}

struct KindCase {
    const char* name;
    EFIBError (*provoke)();
    bool keyViolation;
    bool rowConflict;
    bool lostConnection;
};

const KindCase kCases[] = {
    {"a duplicate primary key", DuplicatePrimaryKey, true, false, false},
    {"a duplicate in a unique index", DuplicateInUniqueIndex, true, false, false},
    {"a row another transaction holds", RowHeldByAnotherTransaction, false, true, false},
    {"a row changed since a snapshot began", RowChangedSinceASnapshotBegan, false, true, false},
    {"a foreign key still pointing at the row", ForeignKeyStillPointing, false, false, false},
    {"an unknown column", UnknownColumn, false, false, false},
    {"the attachment killed", AttachmentKilled, false, false, true},
};

TEST_F(ServerErrorKinds, EachPredicateTakesOnlyItsOwnKind) {
    for (const KindCase& k : kCases) {
        SCOPED_TRACE(k.name);
        const EFIBError error = k.provoke();
        SCOPED_TRACE(error.Message().toStdString());
        EXPECT_EQ(IsKeyViolation(error), k.keyViolation);
        EXPECT_EQ(IsRowConflict(error), k.rowConflict);
        EXPECT_EQ(IsLostConnection(error), k.lostConnection);
    }
}

} // namespace
