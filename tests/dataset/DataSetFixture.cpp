#include "DataSetFixture.h"

#include "base/FormatSettings.h"
#include "fib/FIBStoredForms.h"

namespace veltor::test {

namespace {

// Row values as SQL expressions of :I, and the same in C++ below.
const char* const kFill = R"(
CREATE TABLE MANY_ROWS (ID INTEGER NOT NULL PRIMARY KEY, T12 VARCHAR(12), T13 VARCHAR(13),
    NUM NUMERIC(9,2), D DATE, TS TIMESTAMP, C5 CHAR(5), DBL DOUBLE PRECISION);
COMMIT;
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE I INTEGER = 1;
BEGIN
  WHILE (I <= 100000) DO
  BEGIN
    INSERT INTO MANY_ROWS VALUES (:I,
      IIF(MOD(:I, 7) = 0, NULL, LPAD(:I, 12, 'x')),
      IIF(MOD(:I, 11) = 0, NULL, 'Ж' || LPAD(:I, 12, 'y')),
      IIF(MOD(:I, 5) = 0, NULL, :I / 100.00 - 250),
      DATEADD(:I DAY TO DATE '1990-01-01'),
      DATEADD(:I * 61 SECOND TO TIMESTAMP '2020-02-29 13:05:00'),
      IIF(MOD(:I, 3) = 0, 'ab', 'abcde'),
      :I + 0.5);
    I = I + 1;
  END
END^
SET TERM ; ^
COMMIT;
)";
} // namespace

TestDatabase& DataSetTestDatabase() {
    return ProgramDatabase(TestData::Fixture, QString::fromUtf8(kFill));
}

QString ExpectedT12(int id) {
    if (id % 7 == 0)
        return QString();
    return QString::number(id).rightJustified(12, u'x');
}

QString ExpectedT13(int id) {
    if (id % 11 == 0)
        return QString();
    return QString::fromUtf8("Ж") + QString::number(id).rightJustified(12, u'y');
}

bool ExpectedNumNull(int id) {
    return id % 5 == 0;
}

double ExpectedNum(int id) {
    return id / 100.0 - 250;
}

double ExpectedDate(int id) {
    return EncodeDateTime(QDate(1990, 1, 1).addDays(id), QTime(0, 0));
}

double ExpectedStamp(int id) {
    const QDateTime t =
        QDateTime(QDate(2020, 2, 29), QTime(13, 5), Qt::UTC).addSecs(static_cast<qint64>(id) * 61);
    return EncodeDateTime(t.date(), t.time());
}

void DataSetTest::SetUp() {
    form.SetName(QStringLiteral("frm"));
    EXPECT_SQL(connection = std::make_unique<ProgramConnection>(DataSetTestDatabase(),
                                                                QStringLiteral("frm")));
    ASSERT_TRUE(connection && connection->Db().Connected());
    db = &connection->Db();
    tr = &connection->Tr();
}

void DataSetTest::TearDown() {
    if (tr && tr->Active())
        tr->Rollback();
}

TpFIBDataSet* DataSetTest::NewDataSet(const QString& select, const QString& name) {
    auto* ds = new TpFIBDataSet(&form);
    ds->SetName(name);
    ds->SetDatabase(db);
    ds->SetTransaction(tr);
    ds->SetSelectSQLText(select);
    return ds;
}

} // namespace veltor::test
