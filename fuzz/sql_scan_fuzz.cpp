// libFuzzer target for the SQL text routines: arbitrary text must never crash,
// read out of bounds or hit undefined behaviour, and the scanner's promises
// (a processed text of the input's length, references in order and inside
// the text) must hold.
//
// Input: one control byte, then the text. Control bit 0: the text is raw
// UTF-16 (else one character per byte); bit 1: dialect 1 (else 3); bit 2:
// lenient identifiers; bit 3: the statement's owner is being loaded.

#include "base/Component.h"
#include "fib/SqlTxtRtns.h"
#include "fib/fib.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

QString Decode(const uint8_t* data, size_t size, bool utf16) {
    if (!utf16)
        return QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, (size / 2) * 2);
    return text;
}

void CheckRefs(const QString& text, const TScanResult& r, bool prepare) {
    qsizetype previousEnd = 0;
    for (const TSQLParamRef& p : r.Params) {
        Require(p.StartPos > previousEnd, "references in order, not overlapping");
        Require(p.StartPos <= p.EndPos && p.EndPos <= text.size(), "reference inside the text");
        const QChar marker = text[p.StartPos - 1];
        Require(marker == u':' || marker == u'?' || marker == u'@', "reference starts at a marker");
        Require(p.IsMacro == (marker == u'@'), "macro flag matches the marker");
        Require(!(prepare && p.IsMacro), "no macros after the prepare scan");
        Require(!p.CanForceIsNull || p.InWhereClause, "CanForceIsNull only in a WHERE clause");
        previousEnd = p.EndPos;
    }
    if (prepare && !r.StoppedWhileLoading)
        Require(r.ProcessedText.size() == text.size(), "processed text keeps the length");
}

std::optional<TScanResult> Scan(const TSQLParser& parser, TScanMode mode,
                                const TComponent* statement) {
    try {
        return parser.ScanParameters(mode, statement);
    } catch (const EFIBClientError& e) {
        Require(e.SQLErrorCode() == fibeSQLParseError, "only parse errors");
        return std::nullopt;
    }
}

void Exercise(const QString& text, uint8_t control) {
    TComponent owner;
    TComponent statement(&owner);
    statement.SetName(QStringLiteral("q"));
    if (control & 8)
        owner.BeginLoading();

    const TSQLParser parser(text);
    Require(parser.FirstTokenPos() >= 1 && parser.FirstTokenPos() <= text.size() + 1,
            "first token inside the text");
    Require(parser.Kind() <= stkExecBlock, "a known kind");
    const bool needsScan = NeedsScan(text);

    const auto collected = Scan(parser, TScanMode::smCollect, &statement);
    if (collected) {
        CheckRefs(text, *collected, false);
        if (!needsScan && text.size() >= 2)
            Require(collected->Params.isEmpty(), "NeedsScan false means nothing to find");
        std::vector<TServerTextValue> values;
        for (qsizetype i = 0; i < collected->Params.size(); ++i)
            values.push_back({i % 2 == 0, text.mid(i, 3)});
        const TServerText server =
            BuildServerText(text, collected->Params, values, {true, (control & 16) != 0});
        if (collected->Params.isEmpty())
            Require(server.Text == text, "nothing to substitute, nothing changed");
        const TSQLParser serverParser(server.Text);
        if (const auto prepared = Scan(serverParser, TScanMode::smPrepare, &statement))
            CheckRefs(server.Text, *prepared, true);
        for (const TSQLParamRef& p : collected->Params) {
            (void)HasPrefixOld(p.Name);
            (void)FormatIdentifier(p.Name, (control & 2) ? 1 : 3, (control & 4) != 0);
        }
    }
    if (const auto prepared = Scan(parser, TScanMode::smPrepare, &statement))
        CheckRefs(text, *prepared, true);

    (void)CountStatementText(text);
    const QList<TTableRef> tables = parser.StatementTables();
    if (!tables.isEmpty())
        (void)TableAliasOf(text, tables.front().Table);
    (void)OrderByList(text);
    (void)FormatIdentifier(text, (control & 2) ? 1 : 3, (control & 4) != 0);
    (void)NeedsQuoting(text, (control & 4) != 0);
    const qsizetype probes = std::min<qsizetype>(text.size() + 2, 64);
    for (qsizetype pos = 0; pos < probes; ++pos) {
        (void)MatchKeyword(u"WHERE", text, pos);
        (void)FirstTokenPos(text, pos);
    }
    if (control & 8)
        owner.EndLoading();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const uint8_t control = data[0];
    Exercise(Decode(data + 1, size - 1, control & 1), control);
    return 0;
}
