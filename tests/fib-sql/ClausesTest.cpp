// The count statement, table references, aliases and ORDER BY lists of the
// program's own statements and of harder ones.

#include "SqlTestText.h"
#include "fib/SqlTxtRtns.h"

#include <gtest/gtest.h>

namespace {

const char* kFacultyNames = "SELECT NAZVA FROM FAKULTET ORDER BY NAZVA";
const char* kLinkedFaculties =
    "SELECT DISTINCT FAKULTET.nazva FROM D_F_K INNER JOIN FAKULTET ON D_F_K.F_ID=FAKULTET.F_ID "
    "where D_ID='3' ORDER BY FAKULTET.nazva";
const char* kCourses = "SELECT DISTINCT KURS FROM STUDENT INNER JOIN FAKULTET ON "
                       "STUDENT.F_ID=FAKULTET.F_ID WHERE FAKULTET.nazva = 'Fiz, mat' ORDER BY KURS";
const char* kLinkedCourses =
    "SELECT KURS FROM D_F_K INNER JOIN FAKULTET ON D_F_K.F_ID=FAKULTET.F_ID where D_ID='3' AND "
    "FAKULTET.NAZVA='Fiz' ORDER BY FAKULTET.nazva";
const char* kFacultyKey = "select F_ID from fakultet where nazva = 'Fiz'";
const char* kLinkInsert =
    "insert into d_f_k( DFK_ID, D_ID, F_ID, KURS )VALUES( gen_id(gen_d_f_k_id,1),3, 1, 2 )";
const char* kLinkDelete = "DELETE FROM D_F_K WHERE KURS = '2' AND D_ID = '3' AND F_ID = '1'";

QString Tables(const QString& text) {
    QStringList out;
    for (const TTableRef& t : StatementTables(text))
        out << (t.Alias.isEmpty() ? t.Table : t.Table + u'|' + t.Alias);
    return out.join(u',');
}

TEST(StatementTables, OfTheProgramsStatements) {
    const struct {
        QString text;
        const char* tables;
    } cases[] = {
        {Text(FacultyStatements().SelectSQL), "FAKULTET"},
        {Text(StudentStatements().SelectSQL), "STUDENT"},
        {Text(ResultatStatements().SelectSQL), "RESULTAT,STUDENT,FAKULTET"},
        {Text(StudentStatements().InsertSQL), "STUDENT"},
        {Text(FacultyStatements().UpdateSQL), "FAKULTET"},
        {Text(FacultyStatements().DeleteSQL), "FAKULTET"},
        {Text(TestStatements().RefreshSQL), "TEST"},
        {kFacultyNames, "FAKULTET"},
        {kLinkedFaculties, "D_F_K,FAKULTET"},
        {kCourses, "STUDENT,FAKULTET"},
        {kLinkedCourses, "D_F_K,FAKULTET"},
        {kFacultyKey, "FAKULTET"},
        {kLinkInsert, "D_F_K"},
        {kLinkDelete, "D_F_K"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Tables(c.text), QString::fromUtf8(c.tables)) << c.text.toStdString();
}

TEST(StatementTables, AliasesJoinsAndDerivedParts) {
    const struct {
        const char* text;
        const char* tables;
    } cases[] = {
        {"SELECT * FROM FAKULTET F JOIN student AS s ON s.F_ID = F.F_ID LEFT OUTER JOIN \"Tab\" t "
         "ON (a = b), D_F_K",
         "FAKULTET|F,STUDENT|S,\"Tab\"|t,D_F_K"},
        // An entry that holds a quoted name is kept exactly as written.
        {"SELECT * FROM fakultet \"F\", \"Tab\" AS t, student s",
         "fakultet|\"F\",\"Tab\"|t,STUDENT|S"},
        {"UPDATE \"Tab\" t SET A = 1", "\"Tab\"|t"},
        {"SELECT * FROM A /* B, C */ CROSS JOIN B -- , D\r\n", "A,B"},
        {"SELECT * FROM A\r\n\t  NATURAL   JOIN B USING (K)", "A,B"},
        {"SELECT * FROM A JOIN B ON A.K IN (1, 2) AND A.L = B.L", "A,B"},
        {"SELECT * FROM PROC(1, 2) P, (SELECT X FROM Y) D WHERE 1=1", "PROC|P,D"},
        {"SELECT (SELECT 1 FROM Z) FROM A", "A"},
        {"UPDATE fakultet f SET NAZVA = 'x'", "FAKULTET|F"},
        {"DELETE FROM \"Tab\" WHERE 1=1", "\"Tab\""},
        {"INSERT INTO T VALUES (1)", "T"},
        {"EXECUTE PROCEDURE P", ""},
        {"SELECT 1", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Tables(QString::fromUtf8(c.text)), QString::fromUtf8(c.tables)) << c.text;
}

TEST(TableAliasOf, ComparesUnquotedNamesWithoutCase) {
    const QString text = QStringLiteral("SELECT * FROM FAKULTET F JOIN STUDENT AS S ON S.F_ID = "
                                        "F.F_ID JOIN \"Tab\" T ON 1=1, D_F_K");
    const struct {
        const char* table;
        const char* alias;
    } cases[] = {
        {"fakultet", "F"}, {"\"STUDENT\"", "S"}, {"\"Tab\"", "T"},
        {"TAB", "TAB"},    {"D_F_K", "D_F_K"},   {"NONE", "NONE"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TableAliasOf(text, QString::fromUtf8(c.table)), QString::fromUtf8(c.alias))
            << c.table;
}

TEST(CountStatementText, KeepsFromAndWhereOfASelect) {
    EXPECT_EQ(CountStatementText(Text(StudentStatements().SelectSQL)),
              QStringLiteral("Select Count(*) FROM\r\n    STUDENT\r\n\r\n WHERE \r\n    F_ID = "
                             ":MAS_F_ID\r\n"));
    EXPECT_EQ(CountStatementText(QString::fromUtf8(kFacultyNames)),
              QStringLiteral("Select Count(*) FROM FAKULTET "));
    EXPECT_EQ(CountStatementText(QStringLiteral("SELECT A, (SELECT MAX(B) FROM U WHERE U.K = T.K) "
                                                "FROM T WHERE A = 'x' PLAN (T NATURAL)")),
              QStringLiteral("Select Count(*) FROM T \r\n WHERE  A = 'x' "));
    EXPECT_EQ(CountStatementText(Text(FacultyStatements().UpdateSQL)), QString());
    EXPECT_EQ(CountStatementText(QStringLiteral("SELECT 1")), QString());
}

TEST(CountStatementText, SelectsWhoseRowsARewriteWouldMiscountAreCountedWhole) {
    const char* texts[] = {
        kCourses, // DISTINCT
        "SELECT F_ID, COUNT(*) FROM STUDENT GROUP BY F_ID",
        "SELECT A FROM T UNION SELECT B FROM U",
        "SELECT FIRST 5 A FROM T",
        "SELECT A FROM T ROWS 5",
    };
    for (const char* t : texts)
        EXPECT_EQ(CountStatementText(QString::fromUtf8(t)),
                  QStringLiteral("Select Count(*) from (") + QString::fromUtf8(t) + u')')
            << t;
}

QString Rows(const std::optional<QList<TOrderByItem>>& list) {
    if (!list)
        return QStringLiteral("none");
    QStringList out;
    for (const auto& r : *list)
        out << r.Column + (r.Ascending ? "|asc" : "|desc") + (r.NullsFirst ? "|first" : "");
    return out.join(u',');
}

TEST(OrderByList, DescribesEachSortItem) {
    const struct {
        const char* text;
        const char* rows;
    } cases[] = {
        {kLinkedFaculties, "FAKULTET.NAZVA|asc"},
        {kCourses, "KURS|asc"},
        {kFacultyNames, "NAZVA|asc"},
        {kFacultyKey, "none"},
        {"SELECT * FROM T ORDER BY KURS desc", "KURS|desc"},
        {"SELECT * FROM T ORDER BY 2 DESCENDING NULLS FIRST, a . b ASC, \"Mixed\" COLLATE "
         "UNICODE, c nulls last",
         "2|desc|first,A.B|asc,\"Mixed\"|asc,c|asc"},
        {"SELECT * FROM T ORDER BY a -- c, d\r\n , b /* x, y */", "a|asc,b|asc"},
        {"SELECT * FROM T ORDER BY ,a,,b", "a|asc,b|asc"},
        {"SELECT * FROM T ORDER BY x ROWS 10", "x|asc"},
        {"SELECT * FROM T ORDER BY COALESCE(a, b) DESC", "COALESCE(a, b)|desc"},
        {"SELECT * FROM T ORDER BY \"desc col\"", "\"desc col\"|asc"},
        {"SELECT * FROM T ORDER BY t.\"Col\".x", "T.\"Col\"|asc"},
        {"SELECT (SELECT x FROM y ORDER BY z) FROM t", "none"},
        {"SELECT 'ORDER BY x' FROM t", "none"},
        {"SELECT * FROM t ORDER", "none"},
        {"SELECT * FROM t ORDER BY", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rows(OrderByList(QString::fromUtf8(c.text))), QString::fromUtf8(c.rows))
            << c.text;
}

} // namespace
