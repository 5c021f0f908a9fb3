// Reading and writing single values: scales, dates, text, nulls, variants.

#include "XSQLTestSupport.h"

#include "base/FormatSettings.h"
#include "fib/FIBStoredForms.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace veltor::test;

namespace {

class Owner : public TFIBXSQLDefaultOwner {
public:
    int XSQLDialect() const override { return dialect; }
    bool XSQLTrimCharFields() const override { return trim; }
    bool XSQLRowAvailable() const override { return rowAvailable; }
    void XSQLMacroChanged() override { ++macroChanges; }
    int dialect = 3;
    bool trim = false;
    bool rowAvailable = true;
    int macroChanges = 0;
};

class XSQLVarTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = FormatSettings();
        FormatSettings().DecimalSeparator = u'.';
        FormatSettings().ShortDateFormat = QStringLiteral("dd.MM.yyyy");
        FormatSettings().LongTimeFormat = QStringLiteral("HH:mm:ss");
    }
    void TearDown() override { FormatSettings() = saved_; }

    TFIBXSQLVAR& Column(ColumnDescription d) {
        DescribeColumns(row, {d});
        return row[0];
    }
    // A parameter the server described as the given type.
    TFIBXSQLVAR& Param(ColumnDescription d, const char* name = "P") {
        params.SetCount(1);
        params[0].SetName(QString::fromLatin1(name));
        params[0].TakeDescription(MakeXSQLVAR(d));
        return params[0];
    }
    QByteArray SentBytes(const TFIBXSQLVAR& p) const {
        return QByteArray(p.Data()->sqldata, p.Data()->sqllen);
    }

    Owner owner;
    TFIBXSQLDA row{&owner, false};
    TFIBXSQLDA params{&owner, true};
    TFormatSettings saved_;
};

TEST_F(XSQLVarTest, ScaledIntegersReadInEveryForm) {
    struct Case {
        short type;
        short scale;
        int64_t stored;
        int64_t asInt64;
        double asDouble;
        const char* asString;
    };
    const Case cases[] = {
        {SQL_LONG, -2, 12345, 123, 123.45, "123.45"},
        {SQL_LONG, -2, -12345, -123, -123.45, "-123.45"},
        {SQL_SHORT, -1, 55, 5, 5.5, "5.5"},
        {SQL_LONG, 0, 42, 42, 42, "42"},
        {SQL_INT64, -4, 1234567, 123, 123.4567, "123.4567"},
        {SQL_INT64, -4, -5, 0, -0.0005, "-0.0005"},
        {SQL_INT64, -6, 123456789, 123, 123.456789, "123.456789"},
        {SQL_INT64, 0, 9000000000LL, 9000000000LL, 9e9, "9000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asString);
        TFIBXSQLVAR& col = Column({static_cast<short>(c.type + 1), c.scale,
                                   static_cast<short>(c.type == SQL_SHORT  ? 2
                                                      : c.type == SQL_LONG ? 4
                                                                           : 8)});
        if (c.type == SQL_SHORT)
            Fetch(col, static_cast<int16_t>(c.stored));
        else if (c.type == SQL_LONG)
            Fetch(col, static_cast<int32_t>(c.stored));
        else
            Fetch(col, c.stored);
        EXPECT_EQ(col.AsInt64(), c.asInt64);
        EXPECT_DOUBLE_EQ(col.AsDouble(), c.asDouble);
        EXPECT_EQ(col.AsString(), QByteArray(c.asString));
    }
}

TEST_F(XSQLVarTest, ScaledTextUsesTheLocaleDecimalSeparator) {
    FormatSettings().DecimalSeparator = u',';
    TFIBXSQLVAR& col = Column({SQL_INT64 + 1, -2, 8});
    Fetch(col, int64_t{-705});
    EXPECT_EQ(col.AsWideString(), QStringLiteral("-7,05"));
}

TEST_F(XSQLVarTest, VariantKindFollowsTypeAndScale) {
    TFIBXSQLVAR& col = Column({SQL_INT64 + 1, -2, 8});
    Fetch(col, int64_t{12345});
    EXPECT_EQ(col.AsVariant().Type(), TVarType::varDouble);
    EXPECT_DOUBLE_EQ(col.AsVariant().ToDouble(), 123.45);
    // Beyond the currency range the product would overflow 64 bits.
    TFIBXSQLVAR& huge = Column({SQL_INT64 + 1, -2, 8});
    Fetch(huge, int64_t{900000000000000000});
    EXPECT_DOUBLE_EQ(huge.AsVariant().ToDouble(), 9e15);
    TFIBXSQLVAR& big = Column({SQL_INT64 + 1, 0, 8});
    Fetch(big, int64_t{1} << 40);
    EXPECT_EQ(big.AsVariant(), Variant(int64_t{1} << 40));
    TFIBXSQLVAR& small = Column({SQL_SHORT + 1, 0, 2});
    Fetch(small, int16_t{-7});
    EXPECT_EQ(small.AsVariant().Type(), TVarType::varInteger);
    TFIBXSQLVAR& flag = Column({SQL_BOOLEAN + 1, 0, 1});
    Fetch(flag, char{1});
    EXPECT_EQ(flag.AsVariant(), Variant(true));
    EXPECT_EQ(flag.AsString(), QByteArray("True"));
}

TEST_F(XSQLVarTest, TimestampDecodesToDaysSince1899AndStoresMilliseconds) {
    TFIBXSQLVAR& col = Column({SQL_TIMESTAMP + 1, 0, 8});
    const int32_t date = 55187;
    const uint32_t time = 495305000;
    char bytes[8];
    std::memcpy(bytes, &date, 4);
    std::memcpy(bytes + 4, &time, 4);
    Fetch(col, bytes);
    EXPECT_DOUBLE_EQ(col.AsDateTime(), 40169 + 49530.5 / 86400);
    EXPECT_EQ(col.AsString(), QByteArray("22.12.2009 13:45:30"));
    ASSERT_EQ(col.StoredSize(), 8);
    double stored = 0;
    col.WriteStored(reinterpret_cast<char*>(&stored));
    EXPECT_EQ(stored, 63397172730500.0);
    EXPECT_DOUBLE_EQ(StoredTimestampToDateTime(stored), col.AsDateTime());
}

TEST_F(XSQLVarTest, DateAndTimeColumnsAndTheirStoredForms) {
    TFIBXSQLVAR& day = Column({SQL_TYPE_DATE + 1, 0, 4});
    Fetch(day, int32_t{55187});
    EXPECT_EQ(day.AsDateTime(), 40169.0);
    EXPECT_EQ(day.AsString(), QByteArray("22.12.2009"));
    int32_t storedDay = 0;
    day.WriteStored(reinterpret_cast<char*>(&storedDay));
    EXPECT_EQ(storedDay, 733763);
    EXPECT_EQ(StoredDateToDateTime(storedDay), 40169.0);

    // A damaged day number at either end stays a number, without overflow.
    for (const int32_t damaged :
         {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
        Fetch(day, damaged);
        day.WriteStored(reinterpret_cast<char*>(&storedDay));
        EXPECT_TRUE(std::isfinite(StoredDateToDateTime(storedDay))) << damaged;
    }

    TFIBXSQLVAR& time = Column({SQL_TYPE_TIME + 1, 0, 4});
    Fetch(time, uint32_t{495305000});
    EXPECT_DOUBLE_EQ(time.AsDateTime(), 49530.5 / 86400);
    EXPECT_EQ(time.AsString(), QByteArray("13:45:30"));
    int32_t storedTime = 0;
    time.WriteStored(reinterpret_cast<char*>(&storedTime));
    EXPECT_EQ(storedTime, 49530500);
}

TEST_F(XSQLVarTest, DateTimeSetterSendsTimestampAndRoundTrips) {
    const double values[] = {40169 + 49530.5 / 86400, 0.0, 40169.0, -1.25, -700000.5, 2958465.75};
    for (double value : values) {
        SCOPED_TRACE(value);
        TFIBXSQLVAR& p = Param({SQL_TIMESTAMP + 1, 0, 8});
        p.SetAsDateTime(value);
        EXPECT_EQ(p.SQLType(), SQL_TIMESTAMP);
        EXPECT_NEAR(p.AsDateTime(), value, 0.5 / 86400000);
    }
    TFIBXSQLVAR& p = Param({SQL_TIMESTAMP + 1, 0, 8});
    p.SetAsDateTime(40169 + 49530.5 / 86400);
    int32_t date = 0;
    uint32_t time = 0;
    std::memcpy(&date, p.Data()->sqldata, 4);
    std::memcpy(&time, p.Data()->sqldata + 4, 4);
    EXPECT_EQ(date, 55187);
    EXPECT_EQ(time, 495305000u);
    p.SetAsDate(40169.75);
    EXPECT_EQ(p.AsDateTime(), 40169.0);
}

TEST_F(XSQLVarTest, CharTrimmedOnlyWithTrimOption) {
    TFIBXSQLVAR& col = Column({SQL_TEXT + 1, 0, 10});
    std::memcpy(col.Data()->sqldata, "abc       ", 10);
    *col.Data()->sqlind = 0;
    EXPECT_EQ(col.AsString(), QByteArray("abc       "));
    owner.trim = true;
    EXPECT_EQ(col.AsString(), QByteArray("abc"));
}

TEST_F(XSQLVarTest, VarcharReadsItsLengthAndStoresInSlotOrWithLength) {
    TFIBXSQLVAR& shortCol = Column({SQL_VARYING + 1, 0, 10});
    FetchVarchar(shortCol, QByteArray("\xCF\xF0\xE8"));
    EXPECT_EQ(shortCol.AsWideString(), QString::fromUtf8("При"));
    ASSERT_EQ(shortCol.StoredSize(), 11);
    char slot[11];
    shortCol.WriteStored(slot);
    EXPECT_EQ(QByteArray(slot, 11), QByteArray("\xCF\xF0\xE8\0\0\0\0\0\0\0\0", 11));

    TFIBXSQLVAR& longCol = Column({SQL_VARYING + 1, 0, 50});
    FetchVarchar(longCol, QByteArray("hello"));
    ASSERT_EQ(longCol.StoredSize(), 54);
    std::vector<char> buffer(54);
    longCol.WriteStored(buffer.data());
    int32_t len = 0;
    std::memcpy(&len, buffer.data(), 4);
    EXPECT_EQ(len, 5);
    EXPECT_EQ(QByteArray(buffer.data() + 4, 5), QByteArray("hello"));
}

TEST_F(XSQLVarTest, ColumnIsNullBeforeTheFirstRowAndWhenIndicatorSaysSo) {
    TFIBXSQLVAR& col = Column({SQL_LONG + 1, 0, 4});
    Fetch(col, int32_t{5});
    owner.rowAvailable = false;
    EXPECT_TRUE(col.IsNull());
    EXPECT_EQ(col.AsInteger(), 0);
    owner.rowAvailable = true;
    EXPECT_FALSE(col.IsNull());
    *col.Data()->sqlind = -1;
    EXPECT_TRUE(col.IsNull());
    EXPECT_EQ(col.AsString(), QByteArray());
    EXPECT_TRUE(col.AsVariant().IsNull());
}

TEST_F(XSQLVarTest, ConversionsNotDefinedForTheTypeRaiseInvalidDataConversion) {
    TFIBXSQLVAR& col = Column({SQL_TIMESTAMP + 1, 0, 8});
    Fetch(col, int64_t{0});
    EXPECT_EQ(ClientErrorOf([&] { col.AsInteger(); }), fibeInvalidDataConversion);
    EXPECT_EQ(ClientErrorOf([&] { col.AsDouble(); }), fibeInvalidDataConversion);
    TFIBXSQLVAR& text = Column({SQL_VARYING + 1, 0, 10});
    FetchVarchar(text, QByteArray("12x"));
    EXPECT_EQ(ClientErrorOf([&] { text.AsInteger(); }), fibeInvalidDataConversion);
    EXPECT_EQ(ClientErrorOf([&] { text.AsDateTime(); }), fibeInvalidDataConversion);
    // Beyond the currency range the product would overflow 64 bits.
    TFIBXSQLVAR& huge = Column({SQL_INT64 + 1, -2, 8});
    Fetch(huge, int64_t{900000000000000000});
    EXPECT_DOUBLE_EQ(huge.AsVariant().ToDouble(), 9e15);
    TFIBXSQLVAR& big = Column({SQL_INT64 + 1, 0, 8});
    Fetch(big, int64_t{1} << 40);
    EXPECT_EQ(ClientErrorOf([&] { big.AsInteger(); }), fibeInvalidDataConversion);
}

TEST_F(XSQLVarTest, UnknownColumnTypeIsClientError30) {
    EXPECT_EQ(ClientErrorOf([&] { Column({12345, 0, 4}); }), fibeUnknownSQLDataType);
}

TEST_F(XSQLVarTest, TextOnNumericParameterUsesAPointAndEmptyTextMeansNull) {
    TFIBXSQLVAR& d = Param({SQL_DOUBLE + 1, 0, 8});
    d.SetAsString("12,5");
    EXPECT_EQ(d.SQLType(), SQL_TEXT);
    EXPECT_EQ(SentBytes(d), QByteArray("12.5"));
    FormatSettings().DecimalSeparator = QChar(0x066B); // Arabic decimal separator
    d.SetAsWideString(QString::fromUtf8("7\u066B25"));
    EXPECT_EQ(SentBytes(d), QByteArray("7.25")) << "a separator outside WIN1251 arrives as ?";

    TFIBXSQLVAR& i = Param({SQL_LONG + 1, 0, 4});
    i.SetAsInteger(5);
    i.SetAsString("");
    EXPECT_TRUE(i.IsNull());
    TFIBXSQLVAR& ts = Param({SQL_TIMESTAMP + 1, 0, 8});
    ts.SetAsWideString(QString());
    EXPECT_TRUE(ts.IsNull());

    TFIBXSQLVAR& v = Param({SQL_VARYING + 1, 0, 20});
    v.SetAsString("");
    EXPECT_FALSE(v.IsNull());
    EXPECT_EQ(v.SQLType(), SQL_TEXT);
    EXPECT_EQ(v.SQLLen(), 0);
}

TEST_F(XSQLVarTest, TextParameterIsCharOfExactlyItsLength) {
    TFIBXSQLVAR& v = Param({SQL_VARYING + 1, 0, 3});
    v.SetAsWideString(QString::fromUtf8("Київ"));
    EXPECT_EQ(v.SQLType(), SQL_TEXT);
    EXPECT_EQ(SentBytes(v), QByteArray("\xCA\xE8\xBF\xE2"));
    EXPECT_EQ(v.AsWideString(), QString::fromUtf8("Київ"));
    EXPECT_TRUE(v.IsNullable()) << "the nullable bit of the description is kept";
}

TEST_F(XSQLVarTest, LongTextFromWideStringIsRefusedAndFromStringBecomesBlob) {
    TFIBXSQLVAR& v = Param({SQL_VARYING + 1, 0, 100}, "NAZVA");
    try {
        v.SetAsWideString(QString(32768, u'x'));
        FAIL() << "no exception";
    } catch (const EFIBError&) {
        FAIL() << "a plain exception is expected";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral(". Value for WideString Parameter \"NAZVA\" too long"));
    }
    const QByteArray big(40000, 'y');
    v.SetAsString(big);
    EXPECT_TRUE(v.HasBlobContent());
    EXPECT_EQ(v.SQLType(), SQL_BLOB);
    EXPECT_FALSE(v.IsNull());
    EXPECT_EQ(v.AsString(), big);
}

TEST_F(XSQLVarTest, NullOnUntypedParameterMakesNullableEmptyChar) {
    params.SetCount(1);
    TFIBXSQLVAR& p = params[0];
    EXPECT_TRUE(p.IsNull()) << "never given a type";
    p.SetIsNull(true);
    EXPECT_EQ(p.SQLType(), SQL_TEXT);
    EXPECT_EQ(p.SQLLen(), 0);
    EXPECT_TRUE(p.IsNullable());
    EXPECT_EQ(*p.Data()->sqlind, -1);
    p.SetIsNull(false);
    EXPECT_EQ(*p.Data()->sqlind, 0);
}

TEST_F(XSQLVarTest, CurrencyAndInt64DependOnDialect) {
    TFIBXSQLVAR& p = Param({SQL_INT64 + 1, -2, 8});
    p.SetAsCurrency(1234500); // 123.45
    EXPECT_EQ(p.SQLType(), SQL_INT64);
    EXPECT_EQ(p.SQLScale(), -4);
    EXPECT_DOUBLE_EQ(p.AsDouble(), 123.45);
    owner.dialect = 1;
    p.SetAsCurrency(1234500);
    EXPECT_EQ(p.SQLType(), SQL_DOUBLE);
    EXPECT_DOUBLE_EQ(p.AsDouble(), 123.45);
    p.SetAsInt64(77);
    EXPECT_EQ(p.SQLType(), SQL_LONG);
    p.SetAsInt64(int64_t{1} << 40);
    EXPECT_EQ(p.SQLType(), SQL_DOUBLE) << "not cut to 32 bits";
    EXPECT_EQ(p.AsInt64(), int64_t{1} << 40);
}

TEST_F(XSQLVarTest, VariantSetterDispatchesOnKind) {
    TFIBXSQLVAR& p = Param({SQL_VARYING + 1, 0, 20});
    struct Case {
        Variant value;
        short type;
    };
    const Case cases[] = {
        {Variant(int8_t{3}), SQL_LONG},
        {Variant(int32_t{3}), SQL_LONG},
        {Variant(int64_t{3}), SQL_INT64},
        {Variant(2.5), SQL_DOUBLE},
        {Variant(2.5f), SQL_DOUBLE},
        {Variant::Currency(25000), SQL_INT64},
        {Variant::DateTime(40169.5), SQL_TIMESTAMP},
        {Variant(QByteArray("ab")), SQL_TEXT},
        {Variant(QStringLiteral("ab")), SQL_TEXT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.value.Type()));
        p.SetAsVariant(c.value);
        EXPECT_EQ(p.SQLType(), c.type);
        EXPECT_FALSE(p.IsNull());
    }
    p.SetAsVariant(Variant::Null());
    EXPECT_TRUE(p.IsNull());
    p.SetAsVariant(Variant::ByteArray(QByteArray("\x01\x02", 2)));
    EXPECT_TRUE(p.HasBlobContent());
    EXPECT_EQ(ClientErrorOf([&] { p.SetAsVariant(Variant::Array({})); }), 2);
}

TEST_F(XSQLVarTest, NumericVariantOnTimestampParameterIsADateTime) {
    TFIBXSQLVAR& p = Param({SQL_TIMESTAMP + 1, 0, 8});
    p.SetAsVariant(Variant(int32_t{40169}));
    EXPECT_EQ(p.SQLType(), SQL_TIMESTAMP);
    EXPECT_EQ(p.AsDateTime(), 40169.0);
}

TEST_F(XSQLVarTest, ValueGivenBeforeDescriptionIsAppliedAgainAfterwards) {
    params.SetCount(1);
    TFIBXSQLVAR& p = params[0];
    p.SetName(QStringLiteral("OCINKA"));
    p.SetAsString("12,5");
    EXPECT_TRUE(p.Deferred());
    EXPECT_TRUE(params.HasDeferred());
    EXPECT_EQ(SentBytes(p), QByteArray("12,5"));
    p.TakeDescription(MakeXSQLVAR({SQL_DOUBLE + 1, 0, 8}));
    EXPECT_EQ(p.SQLType(), SQL_TEXT) << "a value keeps its type at description";
    params.ApplyDeferred();
    EXPECT_FALSE(p.Deferred());
    EXPECT_EQ(SentBytes(p), QByteArray("12.5"));
}

TEST_F(XSQLVarTest, MacroValueChangeAsksForPreparation) {
    params.SetCount(1);
    TFIBXSQLVAR& m = params[0];
    m.SetName(QStringLiteral("ORDER_COL"));
    m.SetMacro(false, QString());
    m.SetAsString("NAZVA");
    EXPECT_EQ(owner.macroChanges, 1);
    m.SetAsString("NAZVA");
    EXPECT_EQ(owner.macroChanges, 1);
    m.SetAsWideString(QStringLiteral("KNAZVA"));
    EXPECT_EQ(owner.macroChanges, 2);
}

} // namespace
