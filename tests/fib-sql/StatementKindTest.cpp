// Keyword matching, the first significant token, the lexical kind, and the
// rules for parameter names.

#include "fib/SqlTxtRtns.h"

#include <gtest/gtest.h>

namespace {

struct KeywordCase {
    const char* text;
    qsizetype pos;
    bool match;
};

TEST(MatchKeyword, NeedsLeadInBeforeAndTerminatorAfter) {
    const KeywordCase cases[] = {
        {"WHERE", 1, true},     // whole text
        {"where x", 1, true},   // lower case
        {"WhErE x", 1, true},   // mixed case
        {" WHERE(", 2, true},   // ( terminates
        {")WHERE\"", 2, true},  // ) leads in, " terminates
        {"\"WHERE-", 2, true},  // - terminates
        {"XWHERE ", 2, false},  // a name character before it
        {",WHERE ", 2, false},  // comma is not a lead-in
        {"WHEREVER", 1, false}, // longer word
        {"WHERE,", 1, false},   // comma is not a terminator
        {"WHER", 1, false},     // too short
        {"WHERE;", 1, true},    {"WHERE^", 1, true},
        {"WHERE/", 1, true},    {"  WHERE", 10, false}, // beyond the end
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchKeyword(u"WHERE", QString::fromUtf8(c.text), c.pos), c.match) << c.text;
}

TEST(MatchKeyword, UnicodeLetterIsNoLowerCaseForm) {
    // 'W' + 32 is 'w'; a code unit that differs by more never matches.
    EXPECT_FALSE(MatchKeyword(u"AS", QString::fromUtf8("Аs"), 1));
}

TEST(FirstTokenPos, SkipsBlanksCommentsAndSeparators) {
    const struct {
        const char* text;
        qsizetype pos;
    } cases[] = {
        {"SELECT", 1},
        {"  \r\n\tSELECT", 6},
        {"-- note\r\nSELECT", 10},
        {"/* a */ SELECT", 9},
        {"(;^SELECT", 4},
        {"-1", 1},      // a lone - is significant
        {"/x", 1},      // so is a lone /
        {"/* open", 8}, // unterminated comment: past the end
        {"", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirstTokenPos(QString::fromUtf8(c.text)), c.pos) << c.text;
}

TEST(StatementKind, IsDecidedByTheFirstKeyword) {
    const struct {
        const char* text;
        TStatementKind kind;
    } cases[] = {
        {"SELECT * FROM T", stkSelect},
        {"  select 1 from rdb$database", stkSelect},
        {"-- c\r\n/* d */ SELECT 1 FROM T", stkSelect},
        {"MERGE INTO T USING S ON 1=1", stkSelect},
        {"UPDATE T SET A=1", stkUpdate},
        {"DELETE FROM T", stkDelete},
        {"INSERT INTO T VALUES(1)", stkInsert},
        {"EXECUTE PROCEDURE P(1)", stkExecProcedure},
        {"EXECUTE /* x */\r\n PROCEDURE P", stkExecProcedure},
        {"execute block as begin end", stkExecBlock},
        {"EXECUTE STATEMENT 'x'", stkUnknown},
        {"ALTER TABLE T ADD C INT", stkDDL},
        {"CREATE PROCEDURE P AS BEGIN END", stkDDL},
        {"COMMENT ON TABLE T IS 'x'", stkDDL},
        {"DROP TABLE T", stkDDL},
        {"DECLARE EXTERNAL FUNCTION F", stkDDL},
        {"RECREATE VIEW V AS SELECT 1 FROM T", stkDDL},
        {"SET GENERATOR G TO 1", stkDDL},
        {"SET \r\n GENERATOR G TO 1", stkDDL},
        {"SET GENERATOR", stkDDL},
        {"SET(\tGENERATOR G TO 1", stkDDL}, // the terminator after SET is passed over
        {"SET(GENERATOR G TO 1", stkUnknown},
        {"SET TRANSACTION", stkUnknown},
        {"COMMIT", stkUnknown},
        {"SELECTED", stkUnknown},
        {"WITH X AS (SELECT 1 FROM T) SELECT * FROM X", stkUnknown},
        {"", stkUnknown},
    };
    for (const auto& c : cases) {
        const TSQLParser parser(QString::fromUtf8(c.text));
        EXPECT_EQ(parser.Kind(), c.kind) << c.text;
        EXPECT_EQ(parser.ParamsAllowed(), c.kind != stkDDL) << c.text;
    }
}

TEST(StatementKind, NewTextClearsTheTableCache) {
    TSQLParser parser(QStringLiteral("SELECT * FROM A"));
    ASSERT_EQ(parser.StatementTables().size(), 1);
    EXPECT_EQ(parser.StatementTables()[0].Table, QStringLiteral("A"));
    parser.SetText(QStringLiteral("UPDATE B SET X = 1"));
    ASSERT_EQ(parser.StatementTables().size(), 1);
    EXPECT_EQ(parser.StatementTables()[0].Table, QStringLiteral("B"));
    EXPECT_EQ(parser.Kind(), stkUpdate);
}

TEST(ParamPrefix, NeedsThreeLettersUnderscoreAndAFieldName) {
    const struct {
        const char* name;
        bool old_, new_, mas;
    } cases[] = {
        {"OLD_F_ID", true, false, false}, {"old_x", true, false, false},
        {"New_X", false, true, false},    {"MAS_F_ID", false, false, true},
        {"MAS_", false, false, false},    {"MASX_ID", false, false, false},
        {"OLDF", false, false, false},    {"", false, false, false},
    };
    for (const auto& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(HasPrefixOld(name), c.old_) << c.name;
        EXPECT_EQ(HasPrefixNew(name), c.new_) << c.name;
        EXPECT_EQ(HasPrefixMas(name), c.mas) << c.name;
    }
    EXPECT_EQ(PrefixedFieldName(u"MAS_F_ID"), QStringLiteral("F_ID"));
}

TEST(NameLookup, IgnoresCaseAndSurroundingQuotes) {
    EXPECT_TRUE(SameSQLName(u"a", u"A"));
    EXPECT_TRUE(SameSQLName(u"\"a\"", u"A"));
    EXPECT_TRUE(SameSQLName(QString::fromUtf8("\"Имя\""), QString::fromUtf8("ИМЯ")));
    EXPECT_FALSE(SameSQLName(u"A", u"B"));

    const QStringList names{"F_ID", "NAZVA", "f_id"};
    TNameIndex index;
    EXPECT_EQ(index.IndexOf(u"\"nazva\"", names), 1);
    EXPECT_EQ(index.IndexOf(u"F_id", names), 0); // the first of equal names
    EXPECT_EQ(index.IndexOf(u"KURS", names), -1);
    const QStringList changed{"KURS"};
    EXPECT_EQ(index.IndexOf(u"KURS", changed), -1); // cached until cleared
    index.Clear();
    EXPECT_EQ(index.IndexOf(u"KURS", changed), 0);
}

} // namespace
