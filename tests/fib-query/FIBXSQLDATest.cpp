// The list of values: column names, index and name lookup, parameters of
// one name, copying between lists.

#include "XSQLTestSupport.h"

#include <gtest/gtest.h>

using namespace veltor::test;

namespace {

class XSQLDATest : public ::testing::Test {
protected:
    TFIBXSQLDefaultOwner owner;
    TFIBXSQLDA row{&owner, false};
    TFIBXSQLDA params{&owner, true};

    void NameParams(std::initializer_list<const char*> names) {
        params.SetCount(static_cast<int>(names.size()));
        int i = 0;
        for (const char* n : names)
            params[i++].SetName(QString::fromLatin1(n));
    }
};

QStringList Names(const TFIBXSQLDA& list) {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list[i].Name();
    return names;
}

TEST_F(XSQLDATest, DuplicateAndMissingAliasesGetNumberedNames) {
    DescribeColumns(row, {{SQL_VARYING + 1, 0, 10, "NAZVA"},
                          {SQL_VARYING + 1, 0, 10, "NAZVA"},
                          {SQL_LONG, 0, 4, ""},
                          {SQL_VARYING + 1, 0, 10, "nazva"},
                          {SQL_LONG, 0, 4, ""}});
    EXPECT_EQ(Names(row), QStringList({"NAZVA", "NAZVA1", "F_1", "nazva2", "F_2"}));
    const XSQLVAR& third = row.Data()->sqlvar[1];
    EXPECT_EQ(QByteArray(third.aliasname, third.aliasname_length), QByteArray("NAZVA1"));
    EXPECT_EQ(row.ByName(QStringLiteral("\"nazva1\""))->Index(), 1);
}

TEST_F(XSQLDATest, NumberedNameOfALongAliasIsCutToFit) {
    const char* longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234"; // 31 characters
    DescribeColumns(row, {{SQL_LONG, 0, 4, longName}, {SQL_LONG, 0, 4, longName}});
    const QString second = row[1].Name();
    EXPECT_EQ(second, QString::fromLatin1(longName) + u'1');
    const XSQLVAR& v = row.Data()->sqlvar[1];
    EXPECT_EQ(v.aliasname_length, 32) << "fills the alias without a terminating zero";
    EXPECT_EQ(QByteArray(v.aliasname, 32), second.toLatin1());
}

TEST_F(XSQLDATest, IndexOutsideTheListIsClientError23) {
    row.SetCount(2);
    EXPECT_EQ(ClientErrorOf([&] { row[2]; }), fibeXSQLDAIndexOutOfRange);
    EXPECT_EQ(ClientErrorOf([&] { row[-1]; }), fibeXSQLDAIndexOutOfRange);
    EXPECT_EQ(row.ByName(QStringLiteral("NONE")), nullptr);
}

TEST_F(XSQLDATest, GrowingKeepsEntriesAndBuffersInPlace) {
    DescribeColumns(row, {{SQL_LONG + 1, 0, 4, "A"}});
    DescribeColumns(
        row,
        {{SQL_LONG + 1, 0, 4, "A"}, {SQL_DOUBLE + 1, 0, 8, "B"}, {SQL_VARYING + 1, 0, 300, "C"}});
    ASSERT_EQ(row.Count(), 3);
    EXPECT_EQ(row.Data()->sqln, 3);
    EXPECT_EQ(row.Data()->sqld, 3);
    EXPECT_EQ(row.Data()->version, SQLDA_VERSION1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(row.Data()->sqlvar[i].sqldata, row[i].Data()->sqldata);
        EXPECT_EQ(row[i].Data(), &row.Data()->sqlvar[i]);
        EXPECT_NE(row[i].Data()->sqlind, nullptr);
    }
    row.SetCount(1);
    EXPECT_EQ(row.Data()->sqln, 1);
}

TEST_F(XSQLDATest, SettingOneOfTwoOccurrencesSetsBoth) {
    NameParams({"ID", "NAZVA", "id"});
    params[0].SetAsInteger(17);
    EXPECT_EQ(params[2].AsInteger(), 17);
    EXPECT_TRUE(params[1].IsNull());
    params[2].SetIsNull(true);
    EXPECT_TRUE(params[0].IsNull());
    params[2].SetAsWideString(QStringLiteral("x"));
    EXPECT_EQ(params[0].AsWideString(), QStringLiteral("x"));
}

TEST_F(XSQLDATest, CopyByNameCarriesNullsIdsBigintsAndValues) {
    NameParams({"A", "B", "C", "D", "E"});
    params[0].SetIsNull(true);
    ISC_QUAD id{7, 9};
    params[1].SetAsQuad(id);
    params[2].SetAsCurrency(15000);
    params[3].SetAsWideString(QString::fromUtf8("Ліс"));
    params[4].SetAsDouble(2.5);

    TFIBXSQLDA target(&owner, true);
    target.SetCount(4);
    const char* names[] = {"E", "D", "C", "B"};
    for (int i = 0; i < 4; ++i)
        target[i].SetName(QString::fromLatin1(names[i]));
    target[1].SetAsInteger(1);
    target[3].TakeDescription(MakeXSQLVAR({SQL_BLOB + 1, 0, 8}));
    target.CopyValuesByName(params);

    EXPECT_DOUBLE_EQ(target[0].AsDouble(), 2.5);
    EXPECT_EQ(target[1].AsWideString(), QString::fromUtf8("Ліс"));
    EXPECT_EQ(target[2].SQLType(), SQL_INT64);
    EXPECT_EQ(target[2].SQLScale(), -4);
    EXPECT_DOUBLE_EQ(target[2].AsDouble(), 1.5);
    EXPECT_EQ(target[3].AsQuad().gds_quad_high, 7);
    EXPECT_EQ(target[3].AsQuad().gds_quad_low, 9u);
}

} // namespace
