#include "base/Csv.h"

namespace {

bool NeedsQuotes(QByteArrayView utf8) {
    for (const char c : utf8)
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

} // namespace

void AppendCsvField(QByteArray& out, QByteArrayView utf8) {
    if (!NeedsQuotes(utf8)) {
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

void AppendCsvField(QByteArray& out, const QString& text) {
    AppendCsvField(out, QByteArrayView(text.toUtf8()));
}
