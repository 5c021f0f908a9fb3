// Values through the server: every column type written through parameters
// and read back, text in WIN1251, nulls.

#include "QueryFixture.h"

#include "base/FormatSettings.h"
#include "fib/fib.h"

#include <gtest/gtest.h>

using namespace veltor::test;

namespace {

class FIBValuesServerTest : public ConnectedTest {
protected:
    void SetUp() override {
        FormatSettings().DecimalSeparator = u'.';
        ConnectedTest::SetUp();
    }
    // Inserts one row through parameters, then selects it back.
    std::unique_ptr<TFIBQuery> RoundTrip(const QString& column,
                                         const std::function<void(TFIBXSQLVAR&)>& set) {
        auto ins =
            c->Query(QStringLiteral("INSERT INTO TYPES (ID, %1) VALUES (:ID, :VAL)").arg(column));
        ins->ParamByName(QStringLiteral("ID")).SetAsInteger(++id_);
        set(ins->ParamByName(QStringLiteral("VAL")));
        EXPECT_SQL(ins->ExecQuery());
        auto sel = c->Query(QStringLiteral("SELECT %1 FROM TYPES WHERE ID = :ID").arg(column));
        sel->ParamByName(QStringLiteral("ID")).SetAsInteger(id_);
        EXPECT_SQL(sel->ExecQuery());
        EXPECT_FALSE(sel->Eof());
        return sel;
    }
    int id_ = 0;
};

TEST_F(FIBValuesServerTest, ScaledNumbersRoundTrip) {
    auto n = RoundTrip("N92", [](TFIBXSQLVAR& p) { p.SetAsString("123,45"); });
    EXPECT_EQ(n->Fields(0).SQLType(), SQL_LONG);
    EXPECT_EQ(n->Fields(0).SQLScale(), -2);
    EXPECT_EQ(n->Fields(0).AsInteger(), 123);
    EXPECT_DOUBLE_EQ(n->Fields(0).AsDouble(), 123.45);
    EXPECT_EQ(n->Fields(0).AsString(), QByteArray("123.45"));

    auto b4 = RoundTrip("B4", [](TFIBXSQLVAR& p) { p.SetAsCurrency(-98765432); });
    EXPECT_EQ(b4->Fields(0).SQLType(), SQL_INT64);
    EXPECT_EQ(b4->Fields(0).AsString(), QByteArray("-9876.5432"));
    EXPECT_EQ(b4->Fields(0).AsInt64(), -9876);
    EXPECT_EQ(b4->Fields(0).AsVariant(), Variant(-9876.5432));

    auto b6 = RoundTrip("B6", [](TFIBXSQLVAR& p) { p.SetAsDouble(1.000001); });
    EXPECT_EQ(b6->Fields(0).AsString(), QByteArray("1.000001"));
    EXPECT_DOUBLE_EQ(b6->Fields(0).AsDouble(), 1.000001);
    EXPECT_EQ(b6->Fields(0).AsVariant().Type(), TVarType::varDouble);

    auto bi = RoundTrip("BI", [](TFIBXSQLVAR& p) { p.SetAsInt64(int64_t{1} << 50); });
    EXPECT_EQ(bi->Fields(0).AsInt64(), int64_t{1} << 50);
    auto si = RoundTrip("SI", [](TFIBXSQLVAR& p) { p.SetAsSmallInt(-300); });
    EXPECT_EQ(si->Fields(0).AsInteger(), -300);
}

TEST_F(FIBValuesServerTest, FloatingPointRoundTrips) {
    auto d = RoundTrip("D", [](TFIBXSQLVAR& p) { p.SetAsDouble(87.125); });
    EXPECT_EQ(d->Fields(0).SQLType(), SQL_DOUBLE);
    EXPECT_EQ(d->Fields(0).AsDouble(), 87.125);
    EXPECT_EQ(d->Fields(0).AsInteger(), 87);
    auto f = RoundTrip("F", [](TFIBXSQLVAR& p) { p.SetAsVariant(Variant(2.5f)); });
    EXPECT_EQ(f->Fields(0).SQLType(), SQL_FLOAT);
    EXPECT_EQ(f->Fields(0).AsDouble(), 2.5);
}

TEST_F(FIBValuesServerTest, DateTimeValuesUseTheServerEncoding) {
    const double moment = 40169 + 49530.5 / 86400; // 2009-12-22 13:45:30.5
    auto ts = RoundTrip("TS", [&](TFIBXSQLVAR& p) { p.SetAsDateTime(moment); });
    TFIBXSQLVAR& col = ts->Fields(0);
    int32_t date = 0;
    uint32_t time = 0;
    std::memcpy(&date, col.Data()->sqldata, 4);
    std::memcpy(&time, col.Data()->sqldata + 4, 4);
    EXPECT_EQ(date, 55187);
    EXPECT_EQ(time, 495305000u);
    EXPECT_DOUBLE_EQ(col.AsDateTime(), moment);
    double stored = 0;
    col.WriteStored(reinterpret_cast<char*>(&stored));
    EXPECT_EQ(stored, 63397172730500.0);

    auto dt = RoundTrip("DT", [&](TFIBXSQLVAR& p) { p.SetAsDateTime(moment); });
    EXPECT_EQ(dt->Fields(0).AsDateTime(), 40169.0);
    int32_t storedDay = 0;
    dt->Fields(0).WriteStored(reinterpret_cast<char*>(&storedDay));
    EXPECT_EQ(storedDay, 733763);

    auto tm = RoundTrip("TM", [&](TFIBXSQLVAR& p) { p.SetAsDateTime(moment); });
    EXPECT_DOUBLE_EQ(tm->Fields(0).AsDateTime(), 49530.5 / 86400);

    // A text date is converted by the server.
    auto text = RoundTrip("DT", [](TFIBXSQLVAR& p) { p.SetAsString("2009-12-22"); });
    EXPECT_EQ(text->Fields(0).AsDateTime(), 40169.0);
}

TEST_F(FIBValuesServerTest, BooleanAndBlobTextRoundTrip) {
    auto t = RoundTrip("BO", [](TFIBXSQLVAR& p) { p.SetAsVariant(Variant(true)); });
    EXPECT_EQ(t->Fields(0).AsVariant(), Variant(true));
    EXPECT_EQ(t->Fields(0).AsString(), QByteArray("True"));
    auto f = RoundTrip("BO", [](TFIBXSQLVAR& p) { p.SetAsBoolean(false); });
    EXPECT_EQ(f->Fields(0).AsString(), QByteArray("False"));

    const QString text = QString::fromUtf8("Опис дисципліни, ") + QString(40000, u'ж');
    auto b = RoundTrip("BL", [&](TFIBXSQLVAR& p) { p.SetAsString(EncodeText(text)); });
    EXPECT_EQ(b->Fields(0).SQLType(), SQL_BLOB);
    EXPECT_EQ(b->Fields(0).AsWideString(), text);
    auto small =
        RoundTrip("BL", [](TFIBXSQLVAR& p) { p.SetAsWideString(QStringLiteral("short")); });
    EXPECT_EQ(small->Fields(0).AsString(), QByteArray("short"));
}

TEST_F(FIBValuesServerTest, NullsTravelBothWays) {
    auto n = RoundTrip("D", [](TFIBXSQLVAR& p) { p.SetIsNull(true); });
    EXPECT_TRUE(n->Fields(0).IsNull());
    EXPECT_EQ(n->Fields(0).AsDouble(), 0.0);
    EXPECT_TRUE(n->Fields(0).AsVariant().IsNull());
    auto e = RoundTrip("N92", [](TFIBXSQLVAR& p) { p.SetAsString(""); });
    EXPECT_TRUE(e->Fields(0).IsNull()) << "an empty text on a numeric parameter is null";
    auto v = RoundTrip("V", [](TFIBXSQLVAR& p) { p.SetAsString(""); });
    EXPECT_FALSE(v->Fields(0).IsNull()) << "an empty text on a text parameter is empty";
}

TEST_F(FIBValuesServerTest, CyrillicTravelsInWin1251AndOtherCharactersBecomeQuestionMarks) {
    const QString word = QString::fromUtf8("Їжачок Ґанок ёж №5");
    auto v = RoundTrip("V", [&](TFIBXSQLVAR& p) { p.SetAsWideString(word); });
    EXPECT_EQ(v->Fields(0).AsWideString(), word);
    auto greek =
        RoundTrip("V", [](TFIBXSQLVAR& p) { p.SetAsWideString(QString::fromUtf8("Ω-тест")); });
    EXPECT_EQ(greek->Fields(0).AsWideString(), QString::fromUtf8("?-тест"));
    auto ch = RoundTrip("C", [](TFIBXSQLVAR& p) { p.SetAsWideString(QString::fromUtf8("Абв")); });
    EXPECT_EQ(ch->Fields(0).AsWideString(), QString::fromUtf8("Абв       "));
    ch->SetOptions(qoTrimCharFields);
    EXPECT_EQ(ch->Fields(0).AsWideString(), QString::fromUtf8("Абв"));
}

TEST_F(FIBValuesServerTest, WideTextOver32767BytesIsRefused) {
    auto q = c->Query(QStringLiteral("INSERT INTO TYPES (ID, LONGV) VALUES (999, :LONG_TEXT)"));
    q->SetName(QStringLiteral("LongQuery"));
    EXPECT_EQ(MessageOf([&] {
                  q->ParamByName(QStringLiteral("LONG_TEXT")).SetAsWideString(QString(32768, u'ы'));
              }),
              QStringLiteral("LongQuery. Value for WideString Parameter \"LONG_TEXT\" too long"));
}

TEST_F(FIBValuesServerTest, TextTooLongForItsColumnIsRejectedByTheServer) {
    auto q = c->Query(QStringLiteral("INSERT INTO TYPES (ID, V) VALUES (998, :V)"));
    q->ParamByName(QStringLiteral("V")).SetAsWideString(QString(51, u'a'));
    try {
        q->ExecQuery();
        ADD_FAILURE() << "no error";
    } catch (const EFIBInterBaseError& e) {
        EXPECT_NE(e.GDSCode(), 0);
    }
}

} // namespace
