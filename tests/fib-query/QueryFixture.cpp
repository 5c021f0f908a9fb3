#include "QueryFixture.h"

namespace veltor::test {

TestDatabase& QueryTestDatabase() {
    return ProgramDatabase(
        TestData::Fixture,
        QStringLiteral(
            "CREATE TABLE TYPES (ID INTEGER NOT NULL PRIMARY KEY, N92 NUMERIC(9,2), "
            "B4 NUMERIC(18,4), B6 NUMERIC(18,6), BI BIGINT, SI SMALLINT, D DOUBLE PRECISION, "
            "F FLOAT, DT DATE, TM TIME, TS TIMESTAMP, BO BOOLEAN, BL BLOB SUB_TYPE TEXT, "
            "V VARCHAR(50), C CHAR(10), LONGV VARCHAR(8000));\nCOMMIT;\n"
            "SET TERM ^ ;\nCREATE PROCEDURE DOUBLE_IT (X INTEGER) RETURNS (Y INTEGER) AS "
            "BEGIN Y = X * 2; END^\nSET TERM ; ^\nCOMMIT;\n"));
}

std::unique_ptr<TFIBQuery> Connection::Query(const QString& text, TComponent* owner) {
    auto q = std::make_unique<TFIBQuery>(owner);
    q->SetDatabase(&Db());
    q->SetTransaction(&Tr());
    q->SetSQLText(text);
    return q;
}

} // namespace veltor::test

namespace veltor::test {

void ConnectedTest::SetUp() {
    EXPECT_SQL(c = std::make_unique<Connection>());
    ASSERT_TRUE(c && c->Db().Connected());
    c->Tr().StartTransaction();
}

void ConnectedTest::TearDown() {
    if (c && c->Tr().Active())
        c->Tr().Rollback();
}

} // namespace veltor::test
