#include "base/Csv.h"

#include "base/TextCodec.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cstring>

bool CsvFieldNeedsQuotes(QByteArrayView utf8, char separator) {
    for (const char c : utf8)
        if (c == separator || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

void AppendCsvField(QByteArray& out, QByteArrayView utf8, char separator) {
    if (!CsvFieldNeedsQuotes(utf8, separator)) {
        out.append(utf8);
        return;
    }
    out.append('"');
    qsizetype from = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] != '"')
            continue;
        out.append(utf8.sliced(from, i - from + 1));
        out.append('"');
        from = i + 1;
    }
    out.append(utf8.sliced(from));
    out.append('"');
}

void AppendCsvField(QByteArray& out, const QString& text, char separator) {
    AppendCsvField(out, QByteArrayView(text.toUtf8()), separator);
}

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

// Text has no control characters but tab and the line breaks; anything else
// (a NUL above all) is a binary file, or UTF-16, which is not offered.
bool LooksLikeText(QByteArrayView bytes) {
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r')
            return false;
    }
    return true;
}

// The separator that the first record holding any uses most; on a tie the
// earlier in kCsvSeparators. Quoted text does not count.
char DetectSeparator(const QString& text) {
    std::array<int, std::size(kCsvSeparators)> counts{};
    bool quoted = false;
    bool any = false;
    for (const QChar ch : text) {
        if (ch == u'"') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (ch == u'\n' || ch == u'\r') {
            if (any)
                break;
            continue;
        }
        for (size_t i = 0; i < counts.size(); ++i)
            if (ch == QLatin1Char(kCsvSeparators[i])) {
                ++counts[i];
                any = true;
            }
    }
    size_t best = 0;
    for (size_t i = 1; i < counts.size(); ++i)
        if (counts[i] > counts[best])
            best = i;
    return kCsvSeparators[best];
}

bool AllEmpty(const QStringList& record) {
    for (const QString& f : record)
        if (!f.isEmpty())
            return false;
    return true;
}

class Parser {
public:
    Parser(const QString& text, char separator, TCsvTable& table)
        : text_(text), sep_(QLatin1Char(separator)), table_(table) {}

    void Run() {
        const QChar* p = text_.constData();
        const qsizetype n = text_.size();
        qsizetype i = 0;
        while (i < n) {
            const QChar c = p[i];
            if (c == u'"' && field_.isEmpty() && !quotedField_) {
                i = Quoted(p, n, i + 1);
                quotedField_ = true;
            } else if (c == sep_) {
                EndField();
                ++i;
            } else if (c == u'\r' || c == u'\n') {
                EndRecord();
                i += (c == u'\r' && i + 1 < n && p[i + 1] == u'\n') ? 2 : 1;
                ++line_;
                recordLine_ = line_;
            } else {
                // An unquoted run, taken at once up to the next special
                // character; a quote inside it is an ordinary character, as
                // spreadsheets read it.
                qsizetype j = i + 1;
                while (j < n && p[j] != sep_ && p[j] != u'\r' && p[j] != u'\n')
                    ++j;
                field_.append(p + i, j - i);
                i = j;
            }
        }
        EndRecord();
    }

private:
    // From just after an opening quote to just after its closing quote.
    qsizetype Quoted(const QChar* p, qsizetype n, qsizetype i) {
        const int opened = line_;
        for (;;) {
            qsizetype j = i;
            while (j < n && p[j] != u'"') {
                if (p[j] == u'\n' || (p[j] == u'\r' && !(j + 1 < n && p[j + 1] == u'\n')))
                    ++line_;
                ++j;
            }
            field_.append(p + i, j - i);
            if (j >= n)
                throw ECsvError(
                    TCsvProblem::cpUnclosedQuote,
                    QStringLiteral("The quote opened on line %1 is never closed").arg(opened),
                    opened);
            if (j + 1 < n && p[j + 1] == u'"') {
                field_.append(u'"');
                i = j + 2;
                continue;
            }
            return j + 1;
        }
    }

    void EndField() {
        record_.append(field_);
        field_.clear();
        quotedField_ = false;
        anyField_ = true;
    }

    void EndRecord() {
        if (!anyField_ && field_.isEmpty() && !quotedField_)
            return; // a line with nothing on it
        EndField();
        if (!AllEmpty(record_)) {
            table_.records.append(record_);
            table_.lines.append(recordLine_);
        }
        record_.clear();
        anyField_ = false;
    }

    const QString& text_;
    const QChar sep_;
    TCsvTable& table_;
    QStringList record_;
    QString field_;
    bool quotedField_ = false;
    bool anyField_ = false;
    int line_ = 1;
    int recordLine_ = 1;
};

} // namespace

TCsvTable ReadCsv(QByteArrayView bytes, const TCsvReadOptions& options) {
    if (!LooksLikeText(bytes))
        throw ECsvError(TCsvProblem::cpNotText, QStringLiteral("The file is not text"));
    const bool bom = bytes.size() >= 3 && std::memcmp(bytes.data(), kBom, 3) == 0;
    if (bom)
        bytes = bytes.sliced(3);
    TCsvTable table;
    table.encoding = options.encoding;
    if (table.encoding == TCsvEncoding::Detect)
        table.encoding = bom || bytes.isValidUtf8() ? TCsvEncoding::Utf8 : TCsvEncoding::Win1251;
    const QString text = table.encoding == TCsvEncoding::Utf8
                             ? QString::fromUtf8(bytes)
                             : DecodeText(bytes.data(), bytes.size(), TTextCodec::Win1251);
    if (text.trimmed().isEmpty())
        throw ECsvError(TCsvProblem::cpEmpty, QStringLiteral("The file is empty"));
    table.separator = options.separator ? options.separator : DetectSeparator(text);
    Parser(text, table.separator, table).Run();
    if (table.records.isEmpty())
        throw ECsvError(TCsvProblem::cpEmpty, QStringLiteral("The file is empty"));
    return table;
}

TCsvTable ReadCsvFile(const QString& path, const TCsvReadOptions& options) {
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        throw ECsvError(TCsvProblem::cpCannotOpen,
                        QStringLiteral("Cannot open %1: no such file").arg(path));
    if (info.size() > options.maxBytes)
        throw ECsvError(
            TCsvProblem::cpTooLarge,
            QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(options.maxBytes));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ECsvError(TCsvProblem::cpCannotOpen,
                        QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    // Read to the end rather than by the size seen before opening: a file
    // that grows past the limit or shrinks while it is read is caught here.
    QByteArray bytes;
    const qint64 expected = info.size();
    bytes.reserve(expected);
    char chunk[64 * 1024];
    for (;;) {
        const qint64 got = file.read(chunk, sizeof chunk);
        if (got < 0)
            throw ECsvError(TCsvProblem::cpReadFailed,
                            QStringLiteral("Reading %1 failed: %2").arg(path, file.errorString()));
        if (got == 0)
            break;
        bytes.append(chunk, got);
        if (bytes.size() > options.maxBytes)
            throw ECsvError(
                TCsvProblem::cpTooLarge,
                QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(options.maxBytes));
    }
    if (bytes.size() < expected || !QFileInfo::exists(path))
        throw ECsvError(TCsvProblem::cpReadFailed,
                        QStringLiteral("%1 changed or went away while it was read").arg(path));
    return ReadCsv(bytes, options);
}
