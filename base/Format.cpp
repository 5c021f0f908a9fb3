#include "base/Format.h"

#include <vector>

namespace {

QString ArgAsText(const FormatArg& a) {
    return a.IsText() ? a.Text() : QString::number(a.Number());
}

} // namespace

QString FormatText(const QString& format, std::initializer_list<FormatArg> args) {
    const std::vector<FormatArg> list(args);
    size_t next = 0;
    QString out;
    out.reserve(format.size() + 32);
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format[i];
        if (c != QLatin1Char('%') || i + 1 >= n) {
            out += c;
            continue;
        }
        if (format[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        // %[.precision](s|d|x)
        qsizetype j = i + 1;
        int precision = -1;
        if (format[j] == QLatin1Char('.')) {
            precision = 0;
            ++j;
            while (j < n && format[j].isDigit())
                precision = precision * 10 + format[j++].digitValue();
        }
        if (j >= n || !QStringView(u"sdx").contains(format[j]) || next >= list.size()) {
            out += c;
            continue;
        }
        const FormatArg& a = list[next++];
        const QChar kind = format[j];
        if (kind == QLatin1Char('s')) {
            out += ArgAsText(a);
        } else if (kind == QLatin1Char('d')) {
            QString digits = ArgAsText(a);
            out += digits;
        } else {
            QString hex = a.IsText()
                              ? a.Text()
                              : QString::number(static_cast<uint32_t>(a.Number()), 16).toUpper();
            while (precision > 0 && hex.size() < precision)
                hex.prepend(QLatin1Char('0'));
            out += hex;
        }
        i = j;
    }
    return out;
}
