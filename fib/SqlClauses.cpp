// Clause utilities for the dataset layer: the count statement of a select,
// the tables a statement names, their aliases and the ORDER BY list.

#include "fib/SqlLexer.h"
#include "fib/SqlTxtRtns.h"

#include <algorithm>

using namespace sqllex;

namespace {

// Keywords that end a select's FROM part or WHERE condition.
constexpr std::initializer_list<QStringView> kAfterWhere = {u"GROUP",  u"HAVING", u"ORDER", u"PLAN",
                                                            u"UNION",  u"ROWS",   u"FOR",   u"WITH",
                                                            u"OFFSET", u"FETCH"};

struct TSelectParts {
    qsizetype from = -1;     // index of FROM
    qsizetype fromEnd = -1;  // end of the FROM part
    qsizetype where = -1;    // index of WHERE, or -1
    qsizetype whereEnd = -1; // end of the WHERE condition
};

// The top-level FROM part and WHERE condition of a text starting with SELECT.
std::optional<TSelectParts> SplitSelect(QStringView t, const TSQLParser& parser) {
    if (parser.Kind() != stkSelect || !MatchKeyword(u"SELECT", t, parser.FirstTokenPos()))
        return std::nullopt;
    TSelectParts p;
    p.from = FindTopLevelKeyword(t, parser.FirstTokenPos() - 1 + 6, {u"FROM"});
    if (p.from < 0)
        return std::nullopt;
    qsizetype end = -1;
    const qsizetype where = FindTopLevelKeyword(t, p.from + 4, {u"WHERE"});
    const qsizetype other = FindTopLevelKeyword(t, p.from + 4, kAfterWhere);
    if (where >= 0 && (other < 0 || where < other)) {
        p.where = where;
        end = where;
        const qsizetype whereEnd = FindTopLevelKeyword(t, where + 5, kAfterWhere);
        p.whereEnd = whereEnd < 0 ? t.size() : whereEnd;
    } else {
        end = other;
    }
    p.fromEnd = end < 0 ? t.size() : end;
    return p;
}

// A count that drops these clauses would not count the select's rows.
bool CountableByRewrite(QStringView t, const TSQLParser& parser, const TSelectParts& p) {
    const qsizetype afterSelect = FirstTokenPos(t, parser.FirstTokenPos() + 6);
    for (QStringView w : {u"DISTINCT", u"FIRST", u"SKIP"})
        if (MatchKeyword(w, t, afterSelect))
            return false;
    return FindTopLevelKeyword(t, p.from,
                               {u"GROUP", u"HAVING", u"UNION", u"ROWS", u"OFFSET", u"FETCH"}) < 0;
}

// ---------------------------------------------------------------------------
// A tiny tokenizer for table lists: words, "quoted names", commas and
// parenthesised groups (which the callers drop whole).

enum class TTokKind { tkEnd, tkWord, tkQuoted, tkComma, tkGroup, tkOther };

struct TTok {
    TTokKind kind = TTokKind::tkEnd;
    QStringView text;
};

TTok NextTok(QStringView t, qsizetype& i) {
    const qsizetype n = t.size();
    while (i < n && Is(t[i].unicode(), ccBlank))
        ++i;
    if (i >= n)
        return {};
    const qsizetype start = i;
    const char16_t c = t[i].unicode();
    if (c == u',') {
        ++i;
        return {TTokKind::tkComma, t.mid(start, 1)};
    }
    if (c == u'"' || c == u'\'') {
        i = SkipNonCode(t, i);
        return {c == u'"' ? TTokKind::tkQuoted : TTokKind::tkOther, t.mid(start, i - start)};
    }
    if (c == u'(') {
        int depth = 0;
        while (i < n) {
            const qsizetype j = SkipNonCode(t, i);
            if (j != i) {
                i = j;
                continue;
            }
            if (t[i] == u'(')
                ++depth;
            else if (t[i] == u')' && --depth == 0) {
                ++i;
                break;
            }
            ++i;
        }
        return {TTokKind::tkGroup, t.mid(start, i - start)};
    }
    if (c == u')') {
        ++i;
        return {TTokKind::tkOther, t.mid(start, 1)};
    }
    while (i < n) {
        const char16_t d = t[i].unicode();
        if (Is(d, ccBlank) || d == u',' || d == u'(' || d == u')' || d == u'"' || d == u'\'')
            break;
        ++i;
    }
    return {TTokKind::tkWord, t.mid(start, i - start)};
}

bool IsWord(const TTok& tok, QStringView upperWord) {
    return tok.kind == TTokKind::tkWord && tok.text.compare(upperWord, Qt::CaseInsensitive) == 0;
}

// Builds one reference from the names of an entry: table, optional AS, alias.
// An entry that holds a double-quoted name keeps every name as written; any
// other entry is upper-cased.
void AddEntry(QList<TTableRef>& out, const std::vector<TTok>& names) {
    if (names.empty())
        return;
    const bool asWritten = std::any_of(
        names.begin(), names.end(), [](const TTok& tok) { return tok.kind == TTokKind::tkQuoted; });
    const auto NormalName = [asWritten](const TTok& tok) {
        return asWritten ? tok.text.toString() : UpperAscii(tok.text);
    };
    TTableRef ref;
    ref.Table = NormalName(names[0]);
    std::size_t k = 1;
    if (k < names.size() && IsWord(names[k], u"AS"))
        ++k;
    QStringList alias;
    for (; k < names.size(); ++k)
        alias << NormalName(names[k]);
    ref.Alias = alias.join(u' ');
    out.append(ref);
}

QList<TTableRef> ParseTableList(QStringView part) {
    QList<TTableRef> out;
    std::vector<TTok> entry;
    bool inCondition = false; // skipping an ON / USING condition
    qsizetype i = 0;
    for (TTok tok = NextTok(part, i); tok.kind != TTokKind::tkEnd; tok = NextTok(part, i)) {
        const bool separator = tok.kind == TTokKind::tkComma || IsWord(tok, u"JOIN");
        if (separator) {
            AddEntry(out, entry);
            entry.clear();
            inCondition = false;
            continue;
        }
        if (inCondition || tok.kind == TTokKind::tkGroup || tok.kind == TTokKind::tkOther)
            continue;
        if (IsWord(tok, u"ON") || IsWord(tok, u"USING")) {
            inCondition = true;
            continue;
        }
        bool joinWord = false;
        for (QStringView w : {u"LEFT", u"RIGHT", u"FULL", u"INNER", u"OUTER", u"CROSS", u"NATURAL"})
            joinWord = joinWord || IsWord(tok, w);
        if (!joinWord)
            entry.push_back(tok);
    }
    AddEntry(out, entry);
    return out;
}

// The table after UPDATE / INSERT INTO / DELETE FROM, with an alias when one
// is written before the clause that follows.
QList<TTableRef> SingleTable(QStringView rest, std::initializer_list<QStringView> stopWords) {
    std::vector<TTok> names;
    qsizetype i = 0;
    for (TTok tok = NextTok(rest, i);
         tok.kind == TTokKind::tkWord || tok.kind == TTokKind::tkQuoted; tok = NextTok(rest, i)) {
        bool stop = false;
        for (QStringView w : stopWords)
            stop = stop || IsWord(tok, w);
        if (stop || names.size() == 3)
            break;
        names.push_back(tok);
    }
    QList<TTableRef> out;
    AddEntry(out, names);
    return out;
}

QString NameKey(QStringView name) {
    name = name.trimmed();
    if (name.size() >= 2 && name.front() == u'"' && name.back() == u'"')
        return name.mid(1, name.size() - 2).toString();
    return UpperAscii(name);
}

// ---------------------------------------------------------------------------

// Index of word in item as a whole word outside double quotes, or -1.
qsizetype FindWord(QStringView item, QStringView word) {
    for (qsizetype i = 0; i < item.size();) {
        if (item[i] == u'"') {
            i = SkipNonCode(item, i);
            continue;
        }
        if (KeywordAt(word, item, i))
            return i;
        ++i;
    }
    return -1;
}

qsizetype FindFirstWord(QStringView item, std::initializer_list<QStringView> words) {
    qsizetype best = -1;
    for (QStringView w : words) {
        const qsizetype k = FindWord(item, w);
        if (k >= 0 && (best < 0 || k < best))
            best = k;
    }
    return best;
}

QString UpperUnlessQuoted(QStringView part) {
    part = part.trimmed();
    return part.startsWith(u'"') ? part.toString() : UpperAscii(part);
}

TOrderByItem OrderItem(QStringView piece) {
    QString item = piece.trimmed().toString();
    if (item.contains(u'.')) {
        const QStringList parts = item.split(u'.');
        item = UpperUnlessQuoted(parts[0]) + u'.' + UpperUnlessQuoted(parts[1]);
    }
    TOrderByItem row;
    const qsizetype nulls = FindWord(item, u"NULLS");
    if (nulls >= 0) {
        const qsizetype next = FirstTokenPos(item, nulls + 1 + 5) - 1;
        row.NullsFirst = next < item.size() && (item[next] == u'F' || item[next] == u'f');
        item.truncate(nulls);
    }
    const qsizetype desc = FindFirstWord(item, {u"DESC", u"DESCENDING"});
    if (desc >= 0) {
        row.Ascending = false;
        item.truncate(desc);
    } else {
        const qsizetype asc = FindFirstWord(item, {u"ASC", u"ASCENDING"});
        if (asc >= 0)
            item.truncate(asc);
    }
    const qsizetype collate = FindWord(item, u"COLLATE");
    if (collate >= 0)
        item.truncate(collate);
    row.Column = item.trimmed();
    return row;
}

// Splits at commas outside parentheses and double quotes.
QList<QStringView> SplitItems(QStringView clause) {
    QList<QStringView> items;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < clause.size();) {
        const qsizetype j = SkipNonCode(clause, i);
        if (j != i) {
            i = j;
            continue;
        }
        const char16_t c = clause[i].unicode();
        if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        else if (c == u',' && depth == 0) {
            items.append(clause.mid(start, i - start));
            start = i + 1;
        }
        ++i;
    }
    items.append(clause.mid(start));
    return items;
}

} // namespace

QString CountStatementText(const QString& selectText) {
    const TSQLParser parser(selectText);
    const QStringView t(selectText);
    const auto parts = SplitSelect(t, parser);
    if (!parts)
        return QString();
    // Dropping DISTINCT, GROUP BY, UNION or a row limit would change the
    // count; such a select is counted as a derived table instead.
    if (!CountableByRewrite(t, parser, *parts))
        return QStringLiteral("Select Count(*) from (") + selectText + u')';
    QString result = QStringLiteral("Select Count(*) ") +
                     t.mid(parts->from, parts->fromEnd - parts->from).toString();
    if (parts->where >= 0)
        result += QStringLiteral("\r\n WHERE ") +
                  t.mid(parts->where + 5, parts->whereEnd - parts->where - 5).toString();
    return result;
}

QList<TTableRef> StatementTables(const QString& text) {
    const TSQLParser parser(text);
    const QStringView t(text);
    const qsizetype first = parser.FirstTokenPos() - 1;
    switch (parser.Kind()) {
    case stkSelect: {
        const auto parts = SplitSelect(t, parser);
        if (!parts)
            return {};
        const QString part =
            StripComments(t.mid(parts->from + 4, parts->fromEnd - parts->from - 4));
        return ParseTableList(part);
    }
    case stkUpdate: {
        const QString rest = StripComments(t.mid(first + 6));
        return SingleTable(rest, {u"SET"});
    }
    case stkInsert:
    case stkDelete: {
        const QStringView second = parser.Kind() == stkInsert ? u"INTO" : u"FROM";
        const qsizetype pos = FirstTokenPos(t, first + 1 + 6);
        if (!MatchKeyword(second, t, pos))
            return {};
        const QString rest = StripComments(t.mid(pos - 1 + second.size()));
        return SingleTable(rest, {u"WHERE", u"PLAN", u"ORDER", u"ROWS", u"RETURNING", u"VALUES",
                                  u"SELECT", u"DEFAULT"});
    }
    default:
        return {};
    }
}

QString TableAliasOf(const QString& selectText, const QString& table) {
    const QString key = NameKey(table);
    for (const TTableRef& ref : StatementTables(selectText))
        if (NameKey(ref.Table) == key)
            return ref.Alias.isEmpty() ? table : ref.Alias;
    return table;
}

std::optional<QList<TOrderByItem>> OrderByList(const QString& selectText) {
    const QStringView t(selectText);
    const qsizetype order = FindTopLevelKeyword(t, FirstTokenPos(t) - 1, {u"ORDER"});
    if (order < 0)
        return std::nullopt;
    const qsizetype by = FindTopLevelKeyword(t, order + 5, {u"BY"});
    if (by < 0)
        return std::nullopt;
    // A row limit or FOR UPDATE after the list is not part of it.
    qsizetype end = FindTopLevelKeyword(t, by + 2, {u"ROWS", u"OFFSET", u"FETCH", u"FOR"});
    if (end < 0)
        end = t.size();
    const QString clause = StripComments(t.mid(by + 2, end - by - 2)).trimmed();
    QList<TOrderByItem> rows;
    for (QStringView piece : SplitItems(clause))
        if (!piece.trimmed().isEmpty())
            rows.append(OrderItem(piece));
    return rows;
}
