#pragma once
// Lexical work on statement text: the statement's kind, its parameter and
// macro references, the text that is prepared on the server, the forced
// IS NULL rewriting, small clause utilities used by the dataset layer, and the
// quoting of identifiers. Positions are 1-based character positions in the
// UTF-16 text; nothing here talks to the server.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class TComponent;

// ---------------------------------------------------------------------------
// Character classes. Every test is on one UTF-16 code unit; a unit of 256 or
// above belongs to no class. NUL stands for "past the end of the text" where
// a rule looks at the next character.
//
//   class                 members
//   --------------------  ---------------------------------------------------
//   ccBlank               TAB LF CR space
//   ccName                # $ % . 0-9 A-Z _ a-z
//   ccLeadIn              TAB LF CR space " )          (may precede a keyword)
//   ccTerminator          NUL TAB LF CR space " ( - / ; ^  (may follow one)
//   ccFirstSkip           NUL TAB LF CR space ( ; ^    (skipped before the
//                                                        first token)
//   ccLineEnd             NUL LF CR                    (ends a -- comment)
//   ccMacroEnd            LF CR space                  (ends a single-@ macro)
//   ccOperatorBlank       same as ccTerminator         (between a comparison
//                                                        and its parameter)
// ---------------------------------------------------------------------------
enum TSQLCharClass : uint16_t {
    ccBlank = 1 << 0,
    ccName = 1 << 1,
    ccLeadIn = 1 << 2,
    ccTerminator = 1 << 3,
    ccFirstSkip = 1 << 4,
    ccLineEnd = 1 << 5,
    ccMacroEnd = 1 << 6,
    ccOperatorBlank = 1 << 7,
};

bool IsSQLCharClass(char16_t c, TSQLCharClass cls);

// True when keyword (upper case) stands at pos as a whole keyword: preceded by
// a lead-in character (or at position 1), each character equal to the
// keyword's or its lower-case form, followed by a terminator or the end.
bool MatchKeyword(QStringView keyword, QStringView text, qsizetype pos);

// Position of the first significant character at or after from, skipping
// blanks, "(", ";", "^" and comments; text.size() + 1 when there is none.
qsizetype FirstTokenPos(QStringView text, qsizetype from = 1);

// The lexical kind, decided by the first keyword; stored values are fixed.
enum TStatementKind : uint8_t {
    stkUnknown = 0,
    stkSelect = 1,
    stkUpdate = 2,
    stkInsert = 3,
    stkDelete = 4,
    stkExecProcedure = 5,
    stkDDL = 6,
    stkExecBlock = 7,
};

// One parameter (:NAME, :"Name", ?NAME) or macro (@NAME, @@NAME@) reference.
struct TSQLParamRef {
    QString Name;         // without marker and quotes; upper-cased unless quoted
    qsizetype StartPos{}; // position of the marker
    qsizetype EndPos{};   // position of the reference's last character
    bool Quoted = false;
    bool InWhereClause = false;
    bool CanForceIsNull = false; // in a WHERE clause and not an operand of + - * / ||
    bool IsMacro = false;
    bool MacroQuoted = false; // the default was written with a leading #
    QString MacroDefault;
};
Q_DECLARE_TYPEINFO(TSQLParamRef, Q_RELOCATABLE_TYPE);

// Collect builds the user-visible list (parameters and macros); prepare also
// builds ProcessedText and keeps only the parameters the server will see.
enum class TScanMode { smCollect, smPrepare };

struct TScanResult {
    QList<TSQLParamRef> Params;
    QString ProcessedText; // prepare mode: the input with each reference
                           // blanked out ("?" + spaces, or spaces for a macro)
    bool StoppedWhileLoading = false;
};

// Whether a text can hold any reference at all; texts shorter than two
// characters never do. A cheap filter in front of ScanParameters.
bool NeedsScan(QStringView text);

// A table reference of a statement: a table name and its alias.
struct TTableRef {
    QString Table; // upper-cased unless the entry holds a quoted name
    QString Alias; // empty when none was written
    bool operator==(const TTableRef&) const = default;
};

// Holds one statement text and what its first keyword tells about it.
class TSQLParser {
public:
    TSQLParser() = default;
    explicit TSQLParser(const QString& text) { SetText(text); }

    void SetText(const QString& text);
    const QString& Text() const { return text_; }
    qsizetype Length() const { return text_.size(); }
    qsizetype FirstTokenPos() const { return firstTokenPos_; }
    TStatementKind Kind() const { return kind_; }
    bool ParamsAllowed() const { return kind_ != stkDDL; }

    // The table references of the text, computed once per text.
    const QList<TTableRef>& StatementTables() const;

    // Scans the text for references. Raises client error 51 for an
    // unterminated comment or string, or a marker without a name; the latter
    // stops the scan silently while statement or an owner is loading.
    TScanResult ScanParameters(TScanMode mode, const TComponent* statement = nullptr) const;

private:
    QString text_;
    qsizetype firstTokenPos_ = 1;
    TStatementKind kind_ = stkUnknown;
    mutable std::optional<QList<TTableRef>> tables_;
};

TStatementKind StatementKindOf(QStringView text, qsizetype firstTokenPos);

// Convenience over TSQLParser for a text of its own.
TScanResult ScanParameters(const QString& text, TScanMode mode,
                           const TComponent* statement = nullptr);

// ---------------------------------------------------------------------------
// Server text: macros replaced by their values, and with forced nulls a null
// WHERE parameter compared by =, !=, ^=, ~= or <> turned into IS [NOT] NULL.
// ---------------------------------------------------------------------------
struct TServerTextValue {
    bool IsNull = false; // parameters
    QString MacroValue;  // macros: the current value as text
};

struct TServerTextOptions {
    bool ForExecute = false;    // built for an execution, not an explicit Prepare
    bool NoForceIsNull = false; // the statement disables forced nulls
};

struct TServerText {
    QString Text;
    // ForExecute and something was substituted: the server's parameter list
    // differs from the user-visible one.
    bool Rewritten = false;
    std::vector<qsizetype> ForcedNull; // indexes of parameters written as IS [NOT] NULL
};

// refs is the collect-mode list of text; values holds one entry per ref.
TServerText BuildServerText(const QString& text, std::span<const TSQLParamRef> refs,
                            std::span<const TServerTextValue> values, TServerTextOptions options);

// A macro value in the form it takes in the text of a quoted macro.
QString QuotedMacroValue(const QString& value);

// ---------------------------------------------------------------------------
// Parameter names.
// ---------------------------------------------------------------------------
// OLD_x, NEW_x, MAS_x (any letter case, at least one character after "_").
bool HasPrefixOld(QStringView name);
bool HasPrefixNew(QStringView name);
bool HasPrefixMas(QStringView name);
// The field a prefixed name refers to: the name from its fifth character on.
QString PrefixedFieldName(QStringView name);

// Names of parameters and columns are compared without regard to case, a name
// in double quotes with the quotes removed first.
QString NameLookupKey(QStringView name);
bool SameSQLName(QStringView a, QStringView b);

// Remembers the answers of earlier look-ups in one list of names; Clear() it
// whenever the list changes.
class TNameIndex {
public:
    void Clear() { cache_.clear(); }
    qsizetype IndexOf(QStringView name, const QStringList& names);

private:
    QHash<QString, qsizetype> cache_;
};

// ---------------------------------------------------------------------------
// Clause utilities for the dataset layer.
// ---------------------------------------------------------------------------
// Select Count(*) over the FROM part and WHERE condition of a select; empty
// for any other kind.
QString CountStatementText(const QString& selectText);

QList<TTableRef> StatementTables(const QString& text);
// The alias of table in the select, or table itself when it has none.
QString TableAliasOf(const QString& selectText, const QString& table);

struct TOrderByItem {
    QString Column;
    bool Ascending = true;
    bool NullsFirst = false;
    bool operator==(const TOrderByItem&) const = default;
};
// The ORDER BY list of a select; nullopt when it has no ORDER BY clause.
std::optional<QList<TOrderByItem>> OrderByList(const QString& selectText);

// ---------------------------------------------------------------------------
// Identifiers (generator and table names written into SQL text).
// ---------------------------------------------------------------------------
// lenient: lower-case letters count as letters (the connection's OldStyleNames).
bool NeedsQuoting(QStringView name, bool lenient);
QString FormatIdentifier(const QString& name, int dialect, bool lenient);
// The process-wide reserved-word set, compared without regard to ASCII case.
bool IsReservedWord(QStringView word);
