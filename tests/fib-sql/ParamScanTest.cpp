// Finding parameter and macro references, the processed text and the parse
// errors.

#include "SqlTestText.h"
#include "base/Component.h"
#include "fib/SqlTxtRtns.h"
#include "fib/fib.h"
#include "tests/support/Raised.h"

#include <gtest/gtest.h>

using veltor::test::Raised;

namespace {

QStringList Names(const TScanResult& r) {
    QStringList names;
    for (const auto& p : r.Params)
        names << p.Name;
    return names;
}

TScanResult Collect(const QString& text) {
    try {
        return ScanParameters(text, TScanMode::smCollect);
    } catch (const Exception& e) {
        ADD_FAILURE() << "scan failed: " << e.Message().toStdString();
        return {};
    }
}

TEST(ParamScan, MasterParameterIsForcibleAndBlankedToQuestionMark) {
    const QString text = Text(StudentStatements().SelectSQL);
    const TScanResult r = ScanParameters(text, TScanMode::smPrepare);
    ASSERT_EQ(r.Params.size(), 1);
    const TSQLParamRef& p = r.Params[0];
    EXPECT_EQ(p.Name, QStringLiteral("MAS_F_ID"));
    EXPECT_TRUE(p.InWhereClause);
    EXPECT_TRUE(p.CanForceIsNull);
    EXPECT_FALSE(p.Quoted);
    EXPECT_EQ(text.mid(p.StartPos - 1, p.EndPos - p.StartPos + 1), QStringLiteral(":MAS_F_ID"));

    QString expected = text;
    expected.replace(QStringLiteral(":MAS_F_ID"), QStringLiteral("?        "));
    EXPECT_EQ(r.ProcessedText, expected);
    EXPECT_EQ(r.ProcessedText.size(), text.size());
    EXPECT_TRUE(r.ProcessedText.endsWith(QStringLiteral("F_ID = ?        \r\n")));
}

TEST(ParamScan, FindsReferencesOfTheProgramsStatements) {
    const struct {
        QString text;
        QStringList names;
        QList<bool> inWhere;
    } cases[] = {
        {Text(StudentStatements().InsertSQL),
         {"S_ID", "FAMILIYA", "IMYA", "OTCHESTVO", "MAS_F_ID", "KURS", "GRUPA"},
         {false, false, false, false, false, false, false}},
        {Text(FacultyStatements().UpdateSQL),
         {"NAZVA", "KNAZVA", "OLD_F_ID"},
         {false, false, true}},
        {Text(StudentStatements().RefreshSQL), {"MAS_F_ID", "OLD_S_ID"}, {true, true}},
        {Text(TestStatements().RefreshSQL), {"MAS_D_ID", "OLD_T_ID"}, {true, true}},
        {Text(FacultyStatements().DeleteSQL), {"OLD_F_ID"}, {true}},
    };
    for (const auto& c : cases) {
        const TScanResult r = Collect(c.text);
        EXPECT_EQ(Names(r), c.names) << c.text.toStdString();
        for (qsizetype i = 0; i < r.Params.size() && i < c.inWhere.size(); ++i) {
            EXPECT_EQ(r.Params[i].InWhereClause, c.inWhere[i]) << c.text.toStdString() << i;
            EXPECT_EQ(r.Params[i].CanForceIsNull, c.inWhere[i]) << c.text.toStdString() << i;
        }
    }
}

TEST(ParamScan, MarkersInsideLiteralsAndCommentsAreText) {
    const char* texts[] = {
        "SELECT 'a:b' FROM T WHERE X = :P\r\n",
        "SELECT \"x:y\" FROM T WHERE X = :P\r\n",
        "SELECT A -- :c\r\nFROM T WHERE X = :P\r\n",
        "SELECT A /* :d\r\n ?e @f */ FROM T WHERE X = :P\r\n",
        "SELECT 'it''s :no' FROM T WHERE X = :P\r\n",
        "SELECT A FROM T WHERE X = :P -- :tail",
        "SELECT A FROM T WHERE X = :P /*/ :still in the comment */",
    };
    for (const char* t : texts)
        EXPECT_EQ(Names(Collect(QString::fromUtf8(t))), QStringList{"P"}) << t;
}

TEST(ParamScan, NamesQuotedAndUnquoted) {
    const TScanResult r = Collect(
        QStringLiteral("SELECT * FROM T WHERE A = :a AND B = :\"a\" AND C = ?x.y AND D = :$1#%"));
    EXPECT_EQ(Names(r), (QStringList{"A", "a", "X.Y", "$1#%"}));
    ASSERT_EQ(r.Params.size(), 4);
    EXPECT_FALSE(r.Params[0].Quoted);
    EXPECT_TRUE(r.Params[1].Quoted);
    EXPECT_EQ(r.Params[1].EndPos - r.Params[1].StartPos + 1, 4); // :"a" including quotes
    EXPECT_TRUE(SameSQLName(r.Params[0].Name, r.Params[1].Name));
    // A character of 256 or above is no name character and ends the name.
    EXPECT_EQ(Names(Collect(QString::fromUtf8("SELECT :Abc\u0436 FROM T"))), QStringList{"ABC"});
}

TEST(ParamScan, CanForceIsNullLooksAtTheNextCharacter) {
    const struct {
        const char* where;
        bool canForce;
    } cases[] = {
        {"A = :X", true},           {"A = :X + 1", false},    {"A = :X\r\n  * 2", false},
        {"A = :X || 'a'", false},   {"A = :X - 1", false},    {"A = :X -- note", true},
        {"A = :X / 2", false},      {"A = :X /* c */", true}, {"A = :X)", true},
        {"A = :X AND B = 1", true}, {"A = :X\r\n", true},
    };
    for (const auto& c : cases) {
        const TScanResult r =
            Collect(QStringLiteral("SELECT * FROM T WHERE ") + QString::fromUtf8(c.where));
        ASSERT_EQ(r.Params.size(), 1) << c.where;
        EXPECT_TRUE(r.Params[0].InWhereClause) << c.where;
        EXPECT_EQ(r.Params[0].CanForceIsNull, c.canForce) << c.where;
    }
}

TEST(ParamScan, WhereClauseEndsAtClauseKeywordsAndClosingParenthesis) {
    const struct {
        const char* text;
        QList<bool> inWhere;
    } cases[] = {
        {"SELECT :A FROM T WHERE B = :B", {false, true}},
        {"SELECT * FROM T WHERE B = :B GROUP BY C HAVING COUNT(*) > :H", {true, false}},
        {"SELECT * FROM T WHERE B = :B ORDER BY :O", {true, false}},
        {"SELECT * FROM T WHERE B = :B UNION SELECT * FROM U WHERE C = :C", {true, true}},
        {"SELECT (SELECT X FROM U WHERE U.K = :K) FROM T WHERE A = :A", {true, true}},
        {"SELECT (SELECT X FROM U WHERE U.K = :K), :S FROM T", {true, false}},
        // A clause keyword inside a sub-select does not end the outer clause.
        {"SELECT * FROM T WHERE A IN (SELECT X FROM U GROUP BY X) AND B = :B", {true}},
        {"SELECT * FROM T WHERE A = :A FOR UPDATE", {true}},
        {"SELECT * FROM T WHERE_X = :A", {false}},
        {"UPDATE T SET A = :A WHERE B = :B", {false, true}},
        {"EXECUTE PROCEDURE P :A", {false}},
    };
    for (const auto& c : cases) {
        const TScanResult r = Collect(QString::fromUtf8(c.text));
        ASSERT_EQ(r.Params.size(), c.inWhere.size()) << c.text;
        for (qsizetype i = 0; i < r.Params.size(); ++i)
            EXPECT_EQ(r.Params[i].InWhereClause, c.inWhere[i]) << c.text << " #" << i;
    }
}

TEST(ParamScan, DDLAndExecuteBlockBodiesHaveNoParameters) {
    EXPECT_TRUE(Collect(Lines({"CREATE PROCEDURE P(X INT) AS", "BEGIN", "  Y = :X;", "END"}))
                    .Params.isEmpty());
    const QString block =
        Lines({"EXECUTE BLOCK (P INT = :P, CLASS INT = :CLASS)", "RETURNS (R INT)", "AS",
               "DECLARE V INT;", "BEGIN", "  V = :P;", "  R = :V;", "  SUSPEND;", "END"});
    EXPECT_EQ(Names(Collect(block)), (QStringList{"P", "CLASS"}));
}

TEST(ParamScan, MacrosCarryNameAndDefault) {
    const QString text = QStringLiteral(
        "SELECT * FROM @TABLE%FAKULTET WHERE @@COND%1=1@ AND N = @VAL%#x y\r\n ORDER BY @O\tX");
    const TScanResult r = Collect(text);
    ASSERT_EQ(r.Params.size(), 4);
    const auto& table = r.Params[0];
    EXPECT_TRUE(table.IsMacro);
    EXPECT_EQ(table.Name, QStringLiteral("TABLE"));
    EXPECT_EQ(table.MacroDefault, QStringLiteral("FAKULTET"));
    EXPECT_FALSE(table.MacroQuoted);
    const auto& cond = r.Params[1];
    EXPECT_EQ(cond.Name, QStringLiteral("COND"));
    EXPECT_EQ(cond.MacroDefault, QStringLiteral("1=1"));
    EXPECT_EQ(text.mid(cond.StartPos - 1, cond.EndPos - cond.StartPos + 1),
              QStringLiteral("@@COND%1=1@"));
    EXPECT_TRUE(cond.InWhereClause);
    const auto& val = r.Params[2];
    EXPECT_EQ(val.Name, QStringLiteral("VAL"));
    EXPECT_TRUE(val.MacroQuoted);
    EXPECT_EQ(val.MacroDefault, QStringLiteral("x"));    // a space ends a single-@ macro
    EXPECT_EQ(r.Params[3].Name, QStringLiteral("O\tX")); // a TAB does not

    const TScanResult prepared = ScanParameters(text, TScanMode::smPrepare);
    EXPECT_TRUE(prepared.Params.isEmpty());
    EXPECT_EQ(prepared.ProcessedText.size(), text.size());
    EXPECT_FALSE(prepared.ProcessedText.contains(u'@'));
    EXPECT_TRUE(prepared.ProcessedText.startsWith(QStringLiteral("SELECT * FROM ") +
                                                  QString(15, u' ') + QStringLiteral(" WHERE ")));
}

TEST(ParamScan, MacroNameIsCutAt255Characters) {
    const QString name(300, u'M');
    const TScanResult r = Collect(QStringLiteral("SELECT @") + name + QStringLiteral(" FROM T"));
    ASSERT_EQ(r.Params.size(), 1);
    EXPECT_EQ(r.Params[0].Name.size(), 255);
}

struct ErrorCase {
    const char* text;
    const char* message;
};

TEST(ParamScan, MalformedTextRaisesParseError51) {
    TComponent form;
    form.SetName("main_frm");
    TComponent query(&form);
    query.SetName("SelectQuery");
    const ErrorCase cases[] = {
        {"SELECT * FROM T /* open", "EOF in comment detected"},
        {"SELECT * FROM T WHERE A = 'open", "EOF in string detected"},
        {"SELECT * FROM T WHERE A = 'it''", "EOF in string detected"},
        {"SELECT * FROM T WHERE A = :\"open", "EOF in string detected"},
        {"SELECT * FROM T WHERE A = : X", "Parameter name expected"},
        {"SELECT * FROM T WHERE A = ?", "Parameter name expected"},
        {"SELECT * FROM T WHERE A = ?\r\n", "Parameter name expected"},
        {"SELECT * FROM T WHERE A = :(1)", "Parameter name expected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const EFIBClientError e = Raised<EFIBClientError>(
            [&] { ScanParameters(QString::fromUtf8(c.text), TScanMode::smCollect, &query); });
        EXPECT_EQ(e.SQLErrorCode(), fibeSQLParseError);
        EXPECT_EQ(e.Message(), QStringLiteral("SQL Parse Error in :main_frm.SelectQuery \r\n\r\n") +
                                   QString::fromUtf8(c.message));
    }
}

TEST(ParamScan, MissingNameStopsSilentlyWhileAnOwnerIsLoading) {
    TComponent form;
    TComponent query(&form);
    form.BeginLoading();
    const TScanResult r =
        ScanParameters(QStringLiteral("SELECT * FROM T WHERE A = :A AND B = : AND C = :C"),
                       TScanMode::smCollect, &query);
    EXPECT_TRUE(r.StoppedWhileLoading);
    EXPECT_EQ(Names(r), QStringList{"A"});
    // Only the missing name is forgiven.
    EXPECT_THROW(ScanParameters(QStringLiteral("SELECT 'x FROM T"), TScanMode::smCollect, &query),
                 EFIBClientError);
    form.EndLoading();
    EXPECT_THROW(
        ScanParameters(QStringLiteral("SELECT * FROM T WHERE B = :"), TScanMode::smCollect, &query),
        EFIBClientError);
}

TEST(NeedsScan, OnlyMarkersOutsideLiteralsAndCommentsCount) {
    const struct {
        const char* text;
        bool needs;
    } cases[] = {
        {"", false},
        {":", false},
        {"?", false},
        {"SELECT * FROM T", false},
        {"SELECT ':x' FROM T", false},
        {"SELECT \"?x\" FROM T", false},
        {"SELECT 1 /* @m */ FROM T", false},
        {"SELECT 1 -- :p\r\nFROM T", false},
        {"SELECT 1 -- c\nFROM T WHERE A = :P", true},
        {"SELECT * FROM T WHERE A = :P", true},
        {"SELECT * FROM @T", true},
        {"SELECT 'it''s' FROM T WHERE A = ?B", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NeedsScan(QString::fromUtf8(c.text)), c.needs) << c.text;
}

} // namespace
