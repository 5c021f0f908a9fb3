// Character classes, keyword matching, the statement kind and parameter
// names.

#include "fib/SqlTxtRtns.h"
#include "fib/SqlLexer.h"

namespace sqllex {

namespace {

constexpr std::array<uint16_t, 256> BuildCharClass() {
    std::array<uint16_t, 256> t{};
    auto add = [&t](std::u16string_view chars, uint16_t cls) {
        for (char16_t c : chars)
            t[c] |= cls;
    };
    const std::u16string_view nul(u"\0", 1);
    add(u"\t\n\r ", ccBlank);
    add(u"#$%._", ccName);
    for (char16_t c = u'0'; c <= u'9'; ++c)
        t[c] |= ccName;
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        t[c] |= ccName, t[c + 32] |= ccName;
    add(u"\t\n\r \")", ccLeadIn);
    add(nul, ccTerminator | ccFirstSkip | ccLineEnd | ccOperatorBlank);
    add(u"\t\n\r \"(-/;^", ccTerminator | ccOperatorBlank);
    add(u"\t\n\r (;^", ccFirstSkip);
    add(u"\n\r", ccLineEnd);
    add(u"\n\r ", ccMacroEnd);
    return t;
}

} // namespace

const std::array<uint16_t, 256> kCharClass = BuildCharClass();

void UpperAsciiInPlace(QString& s) {
    for (QChar& c : s)
        if (c.unicode() >= u'a' && c.unicode() <= u'z')
            c = QChar(c.unicode() - 32);
}

QString UpperAscii(QStringView s) {
    QString r = s.toString();
    UpperAsciiInPlace(r);
    return r;
}

bool KeywordAt(QStringView keyword, QStringView text, qsizetype i) {
    const qsizetype len = keyword.size();
    if (i < 0 || text.size() - i < len)
        return false;
    if (i > 0 && !Is(text[i - 1].unicode(), ccLeadIn))
        return false;
    for (qsizetype k = 0; k < len; ++k) {
        const char16_t c = text[i + k].unicode();
        const char16_t w = keyword[k].unicode();
        if (c != w && c != char16_t(w + 32))
            return false;
    }
    return i + len == text.size() || Is(text[i + len].unicode(), ccTerminator);
}

qsizetype SkipNonCode(QStringView text, qsizetype i) {
    const qsizetype n = text.size();
    const char16_t c = At(text, i);
    const char16_t next = At(text, i + 1);
    if (c == u'\'' || c == u'"') {
        // A doubled quote is an escaped one and keeps the literal going.
        for (qsizetype k = i + 1;;) {
            k = text.indexOf(QChar(c), k);
            if (k < 0)
                return n;
            if (At(text, k + 1) != c)
                return k + 1;
            k += 2;
        }
    }
    if (c == u'-' && next == u'-') {
        qsizetype k = i + 2;
        while (k < n && !Is(text[k].unicode(), ccLineEnd))
            ++k;
        return k;
    }
    if (c == u'/' && next == u'*') {
        const qsizetype k = text.indexOf(u"*/", i + 2);
        return k < 0 ? n : k + 2;
    }
    return i;
}

QString StripComments(QStringView text) {
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype j = SkipNonCode(text, i);
        if (j == i) {
            ++i;
            continue;
        }
        const char16_t c = text[i].unicode();
        if (c == u'-' || c == u'/') {
            out += text.mid(copied, i - copied);
            out += u' ';
            copied = j;
        }
        i = j;
    }
    out += text.mid(copied);
    return out;
}

qsizetype FindTopLevelKeyword(QStringView text, qsizetype from,
                              std::initializer_list<QStringView> keywords) {
    int depth = 0;
    for (qsizetype i = from; i < text.size();) {
        const qsizetype j = SkipNonCode(text, i);
        if (j != i) {
            i = j;
            continue;
        }
        const char16_t c = text[i].unicode();
        if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        } else if (depth == 0 && Is(c, ccName)) {
            for (QStringView k : keywords)
                if (UpperAscii(c) == k[0].unicode() && KeywordAt(k, text, i))
                    return i;
        }
        ++i;
    }
    return -1;
}

} // namespace sqllex

using namespace sqllex;

bool IsSQLCharClass(char16_t c, TSQLCharClass cls) {
    return Is(c, cls);
}

bool MatchKeyword(QStringView keyword, QStringView text, qsizetype pos) {
    return KeywordAt(keyword, text, pos - 1);
}

qsizetype FirstTokenPos(QStringView text, qsizetype from) {
    const qsizetype n = text.size();
    qsizetype i = from - 1;
    while (i < n - 1) {
        const char16_t c = text[i].unicode();
        const char16_t next = text[i + 1].unicode();
        if (Is(c, ccFirstSkip)) {
            ++i;
        } else if (c == u'-' && next == u'-') {
            i += 2;
            while (i < n && text[i] != u'\r' && text[i] != u'\n')
                ++i;
        } else if (c == u'/' && next == u'*') {
            const qsizetype k = text.indexOf(u"*/", i + 2);
            i = k < 0 ? n : k + 2;
        } else {
            break;
        }
    }
    return std::max<qsizetype>(i, 0) + 1;
}

namespace {

bool IsDDL(QStringView text, qsizetype pos) {
    switch (UpperAscii(At(text, pos - 1))) {
    case u'A':
        return MatchKeyword(u"ALTER", text, pos);
    case u'C':
        return MatchKeyword(u"CREATE", text, pos) || MatchKeyword(u"COMMENT", text, pos);
    case u'D':
        return MatchKeyword(u"DROP", text, pos) || MatchKeyword(u"DECLARE", text, pos);
    case u'R':
        return MatchKeyword(u"RECREATE", text, pos);
    case u'S': {
        if (!MatchKeyword(u"SET", text, pos))
            return false;
        // The character right after SET is its terminator and is not looked at.
        qsizetype p = pos + 4;
        while (p <= text.size() && Is(text[p - 1].unicode(), ccLeadIn))
            ++p;
        return MatchKeyword(u"GENERATOR", text, p);
    }
    default:
        return false;
    }
}

} // namespace

TStatementKind StatementKindOf(QStringView text, qsizetype pos) {
    if (MatchKeyword(u"SELECT", text, pos) || MatchKeyword(u"MERGE", text, pos))
        return stkSelect;
    if (MatchKeyword(u"UPDATE", text, pos))
        return stkUpdate;
    if (MatchKeyword(u"DELETE", text, pos))
        return stkDelete;
    if (MatchKeyword(u"INSERT", text, pos))
        return stkInsert;
    if (MatchKeyword(u"EXECUTE", text, pos)) {
        const qsizetype second = FirstTokenPos(text, pos + 7);
        if (MatchKeyword(u"PROCEDURE", text, second))
            return stkExecProcedure;
        if (MatchKeyword(u"BLOCK", text, second))
            return stkExecBlock;
    }
    if ((pos == 1 || Is(At(text, pos - 2), ccLeadIn)) && IsDDL(text, pos))
        return stkDDL;
    return stkUnknown;
}

void TSQLParser::SetText(const QString& text) {
    text_ = text;
    firstTokenPos_ = ::FirstTokenPos(text_);
    kind_ = StatementKindOf(text_, firstTokenPos_);
    tables_.reset();
}

const QList<TTableRef>& TSQLParser::StatementTables() const {
    if (!tables_)
        tables_ = ::StatementTables(text_);
    return *tables_;
}

// ---------------------------------------------------------------------------

namespace {

bool HasPrefix(QStringView name, const char16_t (&prefix)[4]) {
    if (name.size() < 5 || name[3] != u'_')
        return false;
    for (int k = 0; k < 3; ++k)
        if (UpperAscii(name[k].unicode()) != prefix[k])
            return false;
    return true;
}

} // namespace

bool HasPrefixOld(QStringView name) {
    return HasPrefix(name, u"OLD");
}

bool HasPrefixNew(QStringView name) {
    return HasPrefix(name, u"NEW");
}

bool HasPrefixMas(QStringView name) {
    return HasPrefix(name, u"MAS");
}

QString PrefixedFieldName(QStringView name) {
    return name.mid(std::min<qsizetype>(4, name.size())).toString();
}

QString NameLookupKey(QStringView name) {
    if (name.size() >= 2 && name.front() == u'"' && name.back() == u'"')
        name = name.mid(1, name.size() - 2);
    return name.toString().toCaseFolded();
}

bool SameSQLName(QStringView a, QStringView b) {
    return NameLookupKey(a) == NameLookupKey(b);
}

qsizetype TNameIndex::IndexOf(QStringView name, const QStringList& names) {
    const QString key = NameLookupKey(name);
    const auto hit = cache_.constFind(key);
    if (hit != cache_.constEnd())
        return hit.value();
    qsizetype found = -1;
    for (qsizetype i = 0; i < names.size(); ++i)
        if (NameLookupKey(names[i]) == key) {
            found = i;
            break;
        }
    cache_.insert(key, found);
    return found;
}
