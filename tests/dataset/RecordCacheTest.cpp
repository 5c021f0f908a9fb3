// The record cache: every column reads back as fetched over many rows and
// block boundaries, in both directions, at little memory per row.

#include "DataSetFixture.h"
#include "Recorder.h"

#include "base/TextCodec.h"

#include <cmath>

using namespace veltor::test;

namespace {

class RecordCacheTest : public DataSetTest {};

const QString kAll =
    QStringLiteral("SELECT ID, T12, T13, NUM, D, TS, C5, DBL FROM MANY_ROWS ORDER BY ID");

// Compares the current record with what the table holds for its id; returns
// an empty text when it matches.
QString Mismatch(TDataSet& ds) {
    const int id = ds.Fields(0)->AsInteger();
    auto field = [&](int i) { return ds.Fields(i); };
    if (field(1)->IsNull() != ExpectedT12(id).isNull() || field(1)->AsString() != ExpectedT12(id))
        return QStringLiteral("T12 of %1: %2").arg(id).arg(field(1)->AsString());
    if (field(2)->IsNull() != ExpectedT13(id).isNull() || field(2)->AsString() != ExpectedT13(id))
        return QStringLiteral("T13 of %1: %2").arg(id).arg(field(2)->AsString());
    if (field(3)->IsNull() != ExpectedNumNull(id) ||
        (!ExpectedNumNull(id) && std::fabs(field(3)->AsFloat() - ExpectedNum(id)) > 1e-9))
        return QStringLiteral("NUM of %1: %2").arg(id).arg(field(3)->AsString());
    if (field(4)->AsDateTime() != ExpectedDate(id))
        return QStringLiteral("D of %1: %2").arg(id).arg(field(4)->AsString());
    if (std::fabs(field(5)->AsDateTime() - ExpectedStamp(id)) > 1e-9)
        return QStringLiteral("TS of %1: %2").arg(id).arg(field(5)->AsString());
    if (field(6)->AsString() != (id % 3 == 0 ? QStringLiteral("ab") : QStringLiteral("abcde")))
        return QStringLiteral("C5 of %1: '%2'").arg(id).arg(field(6)->AsString());
    if (field(7)->AsFloat() != id + 0.5)
        return QStringLiteral("DBL of %1: %2").arg(id).arg(field(7)->AsString());
    return QString();
}

TEST_F(RecordCacheTest, EveryColumnReadsBackAsFetchedAfterLastThenFirst) {
    TpFIBDataSet* ds = NewDataSet(kAll);
    TDataSource src(&form);
    src.SetDataSet(ds);
    RecordingLink grid(nullptr, QString(), true);
    grid.SetDataSource(&src);
    grid.SetBufferRows(30);
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(ds->FetchedCount(), 30);
    EXPECT_EQ(ds->Fields(1)->DataType(), ftString);
    EXPECT_EQ(ds->Fields(3)->DataType(), ftFloat) << "NUMERIC(9,2) is a scaled INTEGER";
    EXPECT_EQ(ds->Fields(4)->DataType(), ftDate);

    ds->Last();
    EXPECT_EQ(ds->RecordCount(), kManyRows);
    EXPECT_EQ(ds->Fields(0)->AsInteger(), kManyRows);
    EXPECT_EQ(ds->ActiveRow(), 29);
    EXPECT_EQ(Mismatch(*ds), QString());
    ds->First();
    EXPECT_EQ(ds->Fields(0)->AsInteger(), 1);

    int rows = 1;
    QString firstMismatch;
    do {
        if (firstMismatch.isEmpty())
            firstMismatch = Mismatch(*ds);
        if (ds->Fields(0)->AsInteger() != rows)
            firstMismatch =
                QStringLiteral("row %1 holds id %2").arg(rows).arg(ds->Fields(0)->AsInteger());
    } while (ds->Next() == 1 && ++rows);
    EXPECT_EQ(firstMismatch, QString());
    EXPECT_EQ(rows, kManyRows);
    EXPECT_TRUE(ds->AtEnd());

    // Backwards through the recycled window and the cache blocks.
    EXPECT_EQ(ds->MoveBy(-50000), -50000);
    EXPECT_EQ(ds->Fields(0)->AsInteger(), kManyRows - 50000);
    EXPECT_EQ(Mismatch(*ds), QString());

    // The cache holds the fixed part, T13's bytes and the index entry per
    // row, with no more than an index entry's worth of slack.
    const TRecordLayout& layout = ds->Layout();
    const double perRow = static_cast<double>(ds->Cache().MemoryUsed()) / kManyRows;
    EXPECT_LT(perRow, layout.FixedSize() + 13 + 2 * sizeof(char*))
        << "bytes per row " << perRow << ", fixed part " << layout.FixedSize();
}

TEST_F(RecordCacheTest, LongTextsAreCachedWithTheirBytesOnly) {
    TpFIBDataSet* ds =
        NewDataSet(QStringLiteral("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET ORDER BY F_ID"));
    EXPECT_SQL(ds->Open());
    const TRecordLayout& layout = ds->Layout();
    EXPECT_TRUE(layout.Column(1).Long) << "VARCHAR(255)";
    EXPECT_TRUE(layout.Column(2).Long) << "VARCHAR(50)";
    EXPECT_EQ(layout.BufferSize(), TRecordLayout::kHeaderSize + layout.FixedSize() + 255 + 50)
        << "a window buffer holds each long text whole";
    const QByteArray nazva = EncodeText(ds->Fields(1)->AsString());
    const QByteArray knazva = EncodeText(ds->Fields(2)->AsString());
    EXPECT_EQ(layout.RecordSize(ds->Cache().Record(0)),
              layout.FixedSize() + nazva.size() + knazva.size());
}

TEST_F(RecordCacheTest, SmallChunksKeepTheOrderAcrossBlocks) {
    TpFIBDataSet* ds = NewDataSet(
        QStringLiteral("SELECT ID, T13 FROM MANY_ROWS WHERE ID <= 1000 ORDER BY ID DESC"));
    ds->CacheModelOptions().BufferChunks = 0; // taken as 32
    EXPECT_EQ(ds->CacheModelOptions().EffectiveChunks(), 32);
    ds->CacheModelOptions().BufferChunks = 3;
    EXPECT_SQL(ds->Open());
    ds->Last();
    EXPECT_GT(ds->Cache().BlockCount(), 1u);
    int expected = 1;
    for (;;) {
        ASSERT_EQ(ds->Fields(0)->AsInteger(), expected);
        ASSERT_EQ(ds->Fields(1)->AsString(), ExpectedT13(expected));
        if (ds->Prior() == 0)
            break;
        ++expected;
    }
    EXPECT_EQ(expected, 1000);
}

} // namespace
