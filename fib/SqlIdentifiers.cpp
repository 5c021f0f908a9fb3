// How generator and table names are written into SQL text, and the set of
// words that must be quoted when used as names.

#include "fib/SqlLexer.h"
#include "fib/SqlTxtRtns.h"

#include <QSet>

using namespace sqllex;

namespace {

constexpr const char* kReservedWords[] = {
    // functions
    "AVG", "CAST", "COUNT", "GEN_ID", "MAX", "MIN", "SUM", "UPPER", "IIF", "SUBSTRING",
    // data types
    "BLOB", "CHAR", "CHARACTER", "DATE", "DECIMAL", "DOUBLE", "FLOAT", "INTEGER", "NUMERIC",
    "SMALLINT", "TIME", "TIMESTAMP", "VARCHAR", "INT64", "BIGINT", "BOOLEAN", "CSTRING",
    // keywords
    "ACTIVE", "ADD", "AFTER", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "ASCENDING", "AT", "AUTO",
    "AUTODDL", "BASED", "BASENAME", "BASE_NAME", "BEFORE", "BEGIN", "BETWEEN", "BLOBEDIT", "BUFFER",
    "BY", "CASE", "CACHE", "CHARACTER_LENGTH", "CHAR_LENGTH", "CHECK", "CHECK_POINT_LEN",
    "CHECK_POINT_LENGTH", "COLLATE", "COLLATION", "COLUMN", "COMMIT", "COMMITED", "COMPILETIME",
    "COMPUTED", "CROSS", "CLOSE", "CONDITIONAL", "CONNECT", "CONSTRAINT", "CONTAINING", "CONTINUE",
    "CREATE", "CURRENT", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURSOR", "DATABASE",
    "DAY", "DB_KEY", "DEBUG", "DEC", "DECLARE", "DEFAULT", "DELETE", "DESC", "DESCENDING",
    "DESCRIBE", "DESCRIPTOR", "DISCONNECT", "DISTINCT", "DO", "DOMAIN", "DROP", "ECHO", "EDIT",
    "ELSE", "END", "ENTRY_POINT", "ESCAPE", "EVENT", "EXCEPTION", "EXECUTE", "EXISTS", "EXIT",
    "EXTERN", "EXTERNAL", "EXTRACT", "FALSE", "FETCH", "FILE", "FILTER", "FOR", "FOREIGN", "FOUND",
    "FROM", "FULL", "FUNCTION", "GDSCODE", "GENERATOR", "GLOBAL", "GOTO", "GRANT", "GROUP",
    "GROUP_COMMIT_WAIT", "GROUP_COMMIT_WAIT_TIME", "HAVING", "HELP", "HOUR", "IF", "IMMEDIATE",
    "IN", "INACTIVE", "INDEX", "INDICATOR", "INIT", "INNER", "INPUT", "INPUT_TYPE", "INSERT", "INT",
    "INTO", "IS", "ISOLATION", "ISQL", "JOIN", "KEY", "LC_MESSAGES", "LC_TYPE", "LEFT", "LENGTH",
    "LEV", "LEVEL", "LIKE", "LOGFILE", "LOG_BUFFER_SIZE", "LOG_BUF_SIZE", "LONG", "MANUAL",
    "MAXIMUM", "MAXIMUM_SEGMENT", "MAX_SEGMENT", "MERGE", "MESSAGE", "MINIMUM", "MINUTE",
    "MODULE_NAME", "MONTH", "NAMES", "NATIONAL", "NATURAL", "NCHAR", "NO", "NOAUTO", "NOT", "NULL",
    "NUM_LOG_BUFFS", "NUM_LOG_BUFFERS", "OCTET_LENGTH", "OF", "ON", "ONLY", "OPEN", "OPTION", "OR",
    "ORDER", "OUTER", "OUTPUT", "OUTPUT_TYPE", "OVERFLOW", "PAGE", "PAGELENGTH", "PAGES",
    "PAGE_SIZE", "PARAMETER", "PASSWORD", "PLAN", "POSITION", "POST_EVENT", "PRECISION", "PREPARE",
    "PROCEDURE", "PROTECTED", "PRIMARY", "PRIVILEGES", "PUBLIC", "QUIT", "RAW_PARTITIONS", "READ",
    "REAL", "RECORD_VERSION", "REFERENCES", "RELEASE", "RESERV", "RESERVING", "RETAIN", "RETURN",
    "RETURNING_VALUES", "RETURNS", "REVOKE", "RIGHT", "ROLLBACK", "ROWS", "RUNTIME", "SAVEPOINT",
    "SCHEMA", "SECOND", "SEGMENT", "SELECT", "SEQUENCE", "SET", "SHADOW", "SHARED", "SHELL", "SHOW",
    "SINGULAR", "SIZE", "SNAPSHOT", "SOME", "SORT", "SQL", "SQLCODE", "SQLERROR", "SQLWARNING",
    "STABILITY", "STARTING", "STARTS", "STATEMENT", "STATIC", "STATISTICS", "SUB_TYPE", "SUSPEND",
    "TABLE", "TERMINATOR", "THEN", "TO", "TRANSACTION", "TRANSLATE", "TRANSLATION", "TRIGGER",
    "TRIM", "TRUE", "TYPE", "UNCOMMITTED", "UNION", "UNIQUE", "UNKNOWN", "UPDATE", "USER", "USING",
    "VALUE", "VALUES", "VARIABLE", "VARYING", "VERSION", "VIEW", "WAIT", "WEEKDAY", "WHEN",
    "WHENEVER", "WHERE", "WHILE", "WITH", "WORK", "WRITE", "YEAR", "YEARDAY", "FIRST", "SKIP",
    "RECREATE", "CURRENT_USER", "CURRENT_ROLE", "PLANONLY", "LIMIT", "SECONDS", "PERCENT", "TIES",
    "NEW", "OLD", "CURRENT_CONNECTION", "CURRENT_TRANSACTION", "INSERTING", "UPDATING", "DELETING",
    "ROW_COUNT", "FREE_IT"};

// Built once, on first use, and shared by every thread afterwards.
const QSet<QString>& ReservedWords() {
    static const QSet<QString> words = [] {
        QSet<QString> s;
        for (const char* w : kReservedWords)
            s.insert(QString::fromLatin1(w));
        return s;
    }();
    return words;
}

bool IsUpperLetter(char16_t c) {
    return c >= u'A' && c <= u'Z';
}

bool IsLetter(char16_t c, bool lenient) {
    return IsUpperLetter(c) || (lenient && c >= u'a' && c <= u'z');
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool IsPlainNameChar(char16_t c, bool lenient) {
    return IsLetter(c, lenient) || IsDigit(c) || c == u'#' || c == u'$' || c == u'%' || c == u'_';
}

} // namespace

bool IsReservedWord(QStringView word) {
    return ReservedWords().contains(UpperAscii(word));
}

bool NeedsQuoting(QStringView name, bool lenient) {
    if (name.isEmpty() || name.front() == u'"')
        return false;
    if (!IsLetter(name.front().unicode(), lenient))
        return true;
    for (qsizetype k = 1; k < name.size(); ++k)
        if (!IsPlainNameChar(name[k].unicode(), lenient))
            return true;
    if (name.size() == 1 || IsDigit(name[1].unicode()))
        return false;
    return IsReservedWord(name);
}

QString FormatIdentifier(const QString& name, int dialect, bool lenient) {
    if (dialect == 1)
        return UpperAscii(QStringView(name).trimmed());
    if (name.startsWith(u'"'))
        return name;
    if (!NeedsQuoting(name, lenient))
        return UpperAscii(name);
    // A double quote inside the name would otherwise end the identifier.
    QString inner = name;
    inner.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}
