// The text sent to the server: macro values and the forced IS NULL rewriting.

#include "SqlTestText.h"
#include "fib/SqlTxtRtns.h"

#include <QMap>

#include <gtest/gtest.h>

namespace {

// Builds the server text of text with the named parameters null and the named
// macros set; everything else has a value.
TServerText Build(const QString& text, const QStringList& nulls,
                  const QMap<QString, QString>& macros = {}, bool forExecute = true,
                  bool noForceIsNull = false) {
    const TScanResult scan = ScanParameters(text, TScanMode::smCollect);
    std::vector<TServerTextValue> values;
    for (const auto& ref : scan.Params)
        values.push_back({nulls.contains(ref.Name), macros.value(ref.Name, ref.MacroDefault)});
    return BuildServerText(text, scan.Params, values, {forExecute, noForceIsNull});
}

TEST(ServerText, NullMasterParameterBecomesIsNull) {
    const TServerText r = Build(Text(StudentStatements().SelectSQL), {"MAS_F_ID"});
    EXPECT_TRUE(r.Text.endsWith(QStringLiteral("WHERE\r\n    F_ID  IS NULL \r\n")))
        << r.Text.toStdString();
    EXPECT_TRUE(r.Rewritten);
    EXPECT_EQ(r.ForcedNull, std::vector<qsizetype>{0});
    // The rewritten text has no parameter left.
    EXPECT_TRUE(ScanParameters(r.Text, TScanMode::smPrepare).Params.isEmpty());
}

TEST(ServerText, OperatorDecidesTheRewrite) {
    const struct {
        const char* condition;
        const char* expected;
    } cases[] = {
        {"A = :X", "A  IS NULL "},
        {"A=:X", "A IS NULL "},
        {"A <> :X", "A  IS NOT NULL "},
        {"A != :X", "A  IS NOT NULL "},
        {"A ^= :X", "A  IS NOT NULL "},
        {"A ~= :X", "A  IS NOT NULL "},
        {"A >= :X", "A >= :X"},
        {"A <= :X", "A <= :X"},
        {"A < :X", "A < :X"},
        {"A > :X", "A > :X"},
        {"A LIKE :X", "A LIKE :X"},
        {"A = :X + 1", "A = :X + 1"}, // an operand, not a comparison
        {"A =\r\n\t:X -- c", "A  IS NULL  -- c"},
        {"(A = :X)", "(A  IS NULL )"},
        // Dropping the parenthesis would unbalance the text: left as written.
        {"A = (:X)", "A = (:X)"},
        {"A = :\"x\" AND B = 1", "A  IS NULL  AND B = 1"},
    };
    for (const auto& c : cases) {
        const QString prefix = QStringLiteral("SELECT * FROM T WHERE ");
        const TServerText r = Build(prefix + QString::fromUtf8(c.condition), {"X", "x"});
        EXPECT_EQ(r.Text, prefix + QString::fromUtf8(c.expected)) << c.condition;
    }
}

TEST(ServerText, ForcedNullsNeedExecutionNullValueAndWhereClause) {
    const QString text = QStringLiteral("UPDATE T SET A = :A WHERE B = :B AND C = :C");
    // Only the null parameter inside the WHERE clause changes.
    EXPECT_EQ(Build(text, {"A", "B"}).Text,
              QStringLiteral("UPDATE T SET A = :A WHERE B  IS NULL  AND C = :C"));
    // An explicit Prepare, or a statement that disables the rule, keeps the text.
    const TServerText prepared = Build(text, {"B"}, {}, false);
    EXPECT_EQ(prepared.Text, text);
    EXPECT_FALSE(prepared.Rewritten);
    const TServerText disabled = Build(text, {"B"}, {}, true, true);
    EXPECT_EQ(disabled.Text, text);
    EXPECT_FALSE(disabled.Rewritten);
    EXPECT_TRUE(disabled.ForcedNull.empty());
    // Nothing null: nothing rewritten.
    EXPECT_FALSE(Build(text, {}).Rewritten);
}

TEST(ServerText, EveryOccurrenceOfANullNameIsRewritten) {
    const TServerText r = Build(Text(TestStatements().RefreshSQL), {"MAS_D_ID", "OLD_T_ID"});
    EXPECT_TRUE(r.Text.contains(QStringLiteral("D_ID IS NULL ")));
    EXPECT_TRUE(r.Text.contains(QStringLiteral("TEST.T_ID  IS NULL ")));
    EXPECT_EQ(r.ForcedNull.size(), 2u);
}

TEST(ServerText, MacrosTakeTheirValues) {
    const struct {
        const char* text;
        QMap<QString, QString> macros;
        const char* expected;
    } cases[] = {
        {"SELECT * FROM @TAB%FAKULTET", {}, "SELECT * FROM FAKULTET"},
        {"SELECT * FROM @TAB%FAKULTET", {{"TAB", "STUDENT"}}, "SELECT * FROM STUDENT"},
        {"SELECT * FROM T WHERE @@C%1=1@ ORDER BY 1", {}, "SELECT * FROM T WHERE 1=1 ORDER BY 1"},
        {"SELECT * FROM T WHERE N = @N%#", {}, "SELECT * FROM T WHERE N = ''"},
        {"SELECT * FROM T WHERE N = @N%#", {{"N", "abc"}}, "SELECT * FROM T WHERE N = 'abc'"},
        {"SELECT * FROM T WHERE N = @N%#", {{"N", "'abc'"}}, "SELECT * FROM T WHERE N = 'abc'"},
        {"SELECT * FROM T WHERE N = @N%#", {{"N", "#abc"}}, "SELECT * FROM T WHERE N = 'abc'"},
        // A quote inside the value cannot end the literal early.
        {"SELECT * FROM T WHERE N = @N%#",
         {{"N", "O'Hara"}},
         "SELECT * FROM T WHERE N = 'O''Hara'"},
        {"SELECT @A @B FROM T", {{"A", "X,"}, {"B", "Y"}}, "SELECT X, Y FROM T"},
    };
    for (const auto& c : cases) {
        const TServerText r = Build(QString::fromUtf8(c.text), {}, c.macros);
        EXPECT_EQ(r.Text, QString::fromUtf8(c.expected)) << c.text;
        EXPECT_TRUE(r.Rewritten) << c.text;
    }
}

TEST(ServerText, MacroValueMaySupplyTheComparisonOfAForcedNull) {
    const struct {
        const char* text;
        QMap<QString, QString> macros;
        const char* expected;
    } cases[] = {
        {"SELECT * FROM T WHERE A @OP%= :X", {}, "SELECT * FROM T WHERE A  IS NULL "},
        {"SELECT * FROM T WHERE A @OP%= :X",
         {{"OP", "<>"}},
         "SELECT * FROM T WHERE A  IS NOT NULL "},
        {"SELECT * FROM T WHERE A @OP%= :X", {{"OP", ">="}}, "SELECT * FROM T WHERE A >= :X"},
        {"SELECT * FROM T WHERE @@C%A =@ :X", {}, "SELECT * FROM T WHERE A  IS NULL "},
    };
    for (const auto& c : cases) {
        const TServerText r = Build(QString::fromUtf8(c.text), {"X"}, c.macros);
        EXPECT_EQ(r.Text, QString::fromUtf8(c.expected)) << c.text;
    }
}

TEST(ServerText, MacroValueMayBringParametersForThePrepareScan) {
    const QString text = QStringLiteral("SELECT * FROM T WHERE @COND%1=1 AND B = :B");
    const TServerText r = Build(text, {}, {{"COND", "A = :A"}});
    EXPECT_EQ(r.Text, QStringLiteral("SELECT * FROM T WHERE A = :A AND B = :B"));
    const TScanResult prepared = ScanParameters(r.Text, TScanMode::smPrepare);
    ASSERT_EQ(prepared.Params.size(), 2);
    EXPECT_EQ(prepared.Params[0].Name, QStringLiteral("A"));
    EXPECT_EQ(prepared.ProcessedText, QStringLiteral("SELECT * FROM T WHERE A = ?  AND B = ? "));
}

} // namespace
