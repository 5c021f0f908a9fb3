#include "base/FieldText.h"

#include "base/TextCodec.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

QChar Lower(QChar c) {
    return c.unicode() < 128 ? c.toLower() : c;
}

bool IsAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Case-insensitive match of an ASCII word at position i.
bool MatchesAt(const QString& text, qsizetype i, QLatin1StringView word) {
    return QStringView(text).mid(i).startsWith(word, Qt::CaseInsensitive);
}

QString Padded(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// --- Decimal digits -----------------------------------------------------------

// A non-negative value as significant decimal digits: value = 0.d1d2... x
// 10^exponent. No leading or trailing zeros; no digits means zero. Taken from
// the double's 15 significant digits, so that rounding works on what the user
// would see in the general rendering (2.675 rounds to 2.68).
struct Decimal {
    std::string digits;
    int exponent = 0;

    bool IsZero() const { return digits.empty(); }

    static Decimal Of(double value) {
        Decimal d;
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
        const char* p = buffer;
        for (; *p && *p != 'e'; ++p)
            if (*p >= '0' && *p <= '9')
                d.digits += *p;
        d.exponent = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
        d.Normalise();
        return d;
    }

    // Keeps the first `keep` digits, rounding half away from zero.
    void RoundToDigits(int keep) {
        if (keep >= static_cast<int>(digits.size()))
            return;
        if (keep < 0) {
            digits.clear();
            return;
        }
        const bool up = digits[keep] >= '5';
        digits.resize(keep);
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[i] == '9')
                digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                digits.insert(digits.begin(), '1');
                ++exponent;
            }
        }
        Normalise();
    }
    void RoundToDecimals(int decimals) { RoundToDigits(exponent + decimals); }

    // The digits before the decimal point (empty for values below 1).
    QString IntegerDigits() const {
        if (exponent <= 0)
            return {};
        QString s = QString::fromLatin1(digits.data(), qMin<qsizetype>(exponent, digits.size()));
        if (exponent > static_cast<int>(digits.size()))
            s += QString(exponent - static_cast<int>(digits.size()), u'0');
        return s;
    }
    // The digits after the decimal point, without trailing zeros.
    QString FractionDigits() const {
        if (static_cast<int>(digits.size()) <= exponent)
            return {};
        QString s;
        if (exponent < 0)
            s = QString(-exponent, u'0');
        s += QString::fromLatin1(digits.data() + qMax(exponent, 0),
                                 static_cast<qsizetype>(digits.size()) - qMax(exponent, 0));
        return s;
    }

private:
    void Normalise() {
        while (!digits.empty() && digits.back() == '0')
            digits.pop_back();
        std::size_t lead = 0;
        while (lead < digits.size() && digits[lead] == '0')
            ++lead;
        digits.erase(0, lead);
        exponent -= static_cast<int>(lead);
        if (digits.empty())
            exponent = 0;
    }
};

QString Grouped(const QString& integerDigits, QChar separator) {
    if (separator.isNull() || integerDigits.size() <= 3)
        return integerDigits;
    QString out;
    const qsizetype n = integerDigits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += integerDigits.at(i);
    }
    return out;
}

QString NonFinite(double value) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
}

// Fixed digits of |value| rounded to `decimals`, optionally grouped.
QString FixedDigits(double value, int decimals, QChar group, QChar point) {
    Decimal d = Decimal::Of(value);
    d.RoundToDecimals(decimals);
    QString integer = d.IntegerDigits();
    if (integer.isEmpty())
        integer = QStringLiteral("0");
    QString text = Grouped(integer, group);
    if (decimals > 0) {
        QString fraction = d.FractionDigits();
        fraction += QString(decimals - fraction.size(), u'0');
        text += point + fraction;
    }
    return text;
}

// Whether a rendering shows no digit but zeros (a negative value then shows
// without its sign).
bool AllZero(const QString& digits) {
    for (const QChar c : digits)
        if (c >= u'1' && c <= u'9')
            return false;
    return true;
}

// --- Numeric display formats -------------------------------------------------

struct NumericSection {
    QString prefix;
    QString suffix;
    bool hasNumber = false;
    bool grouping = false;
    int minInteger = 0;  // digits from the first "0" of the integer part on
    int minFraction = 0; // up to the last "0" of the fraction
    int maxFraction = 0;
};

QList<QString> SplitSections(const QString& format) {
    QList<QString> sections{QString()};
    QChar quote;
    for (const QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            sections.append(QString());
            continue;
        }
        sections.last() += c;
    }
    return sections;
}

bool IsNumberChar(QChar c) {
    return c == u'0' || c == u'#' || c == u'.' || c == u',';
}

NumericSection ParseSection(const QString& section) {
    NumericSection s;
    enum { Before, InNumber, After } where = Before;
    bool inFraction = false;
    bool seenZero = false;
    int integerCount = 0;
    const qsizetype n = section.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = section.at(i);
        QString& literal = where == Before ? s.prefix : s.suffix;
        if (c == u'\'' || c == u'"') {
            qsizetype end = section.indexOf(c, i + 1);
            if (end < 0)
                end = n;
            literal += section.mid(i + 1, end - i - 1);
            if (where == InNumber)
                where = After;
            i = end;
            continue;
        }
        if (where != After && IsNumberChar(c)) {
            where = InNumber;
            s.hasNumber = true;
            if (c == u'.') {
                inFraction = true;
            } else if (c == u',') {
                if (!inFraction)
                    s.grouping = true;
            } else if (inFraction) {
                ++s.maxFraction;
                if (c == u'0')
                    s.minFraction = s.maxFraction;
            } else {
                seenZero = seenZero || c == u'0';
                if (seenZero)
                    ++integerCount;
            }
            continue;
        }
        if (where == InNumber) {
            where = After;
            s.suffix += c;
            continue;
        }
        literal += c;
    }
    s.minInteger = integerCount;
    return s;
}

// |value| in the section's shape; sets *zero when every digit shown is zero.
QString RenderSection(const NumericSection& s, double value, const TFormatSettings& settings,
                      bool* zero) {
    Decimal d = Decimal::Of(value);
    d.RoundToDecimals(s.maxFraction);
    *zero = d.IsZero();
    if (!s.hasNumber)
        return s.prefix + s.suffix;
    QString integer = d.IntegerDigits();
    if (integer.size() < s.minInteger)
        integer = QString(s.minInteger - integer.size(), u'0') + integer;
    QString fraction = d.FractionDigits();
    if (fraction.size() < s.minFraction)
        fraction += QString(s.minFraction - fraction.size(), u'0');
    QString text = s.prefix + Grouped(integer, s.grouping ? settings.ThousandSeparator : QChar());
    if (!fraction.isEmpty())
        text += settings.DecimalSeparator + fraction;
    return text + s.suffix;
}

// --- Date-time display formats ------------------------------------------------

constexpr double kMaxDays = 1e9;

// Nested patterns (c, t, ddddd) may name further patterns; two levels are
// enough for any sound pattern and stop a pattern that names itself.
constexpr int kMaxPatternDepth = 2;

class DateTimeWriter {
public:
    DateTimeWriter(double dateTime, const TFormatSettings& settings) : settings_(settings) {
        const QDate date = DateOf(dateTime);
        const QTime time = TimeOf(dateTime);
        if (date.isValid())
            date.getDate(&year_, &month_, &day_);
        dayOfWeek_ = date.isValid() ? date.dayOfWeek() : 0;
        hour_ = time.hour();
        minute_ = time.minute();
        second_ = time.second();
        msec_ = time.msec();
    }

    QString Text() const { return out_; }

    void Write(const QString& format, int depth = 0) {
        QChar lastToken;
        const qsizetype n = format.size();
        qsizetype i = 0;
        while (i < n) {
            const QChar c = format.at(i);
            if (c == u'\'' || c == u'"') {
                qsizetype end = format.indexOf(c, i + 1);
                if (end < 0)
                    end = n;
                out_ += QStringView(format).mid(i + 1, end - i - 1);
                i = end + 1;
                continue;
            }
            if (c == u'/') {
                AppendChar(settings_.DateSeparator);
                ++i;
                continue;
            }
            if (c == u':') {
                AppendChar(settings_.TimeSeparator);
                ++i;
                continue;
            }
            if (!IsAsciiLetter(c)) {
                out_ += c;
                ++i;
                continue;
            }
            const QChar lc = Lower(c);
            qsizetype run = 1;
            while (i + run < n && Lower(format.at(i + run)) == lc)
                ++run;
            const int used = WriteToken(format, i, lc, static_cast<int>(run), lastToken, depth);
            if (used == 0) {
                out_ += c; // a letter that is no token
                ++i;
            } else {
                lastToken = lc;
                i += used;
            }
        }
    }

private:
    // Writes the token starting at i; returns how many characters it took
    // (0: not a token).
    int WriteToken(const QString& format, qsizetype i, QChar lc, int run, QChar lastToken,
                   int depth) {
        switch (lc.unicode()) {
        case u'd': {
            const int len = qMin(run, 6);
            if (len <= 2)
                out_ += Padded(day_, len);
            else if (len == 3)
                out_ += DayName(settings_.ShortDayNames);
            else if (len == 4)
                out_ += DayName(settings_.LongDayNames);
            else
                Nested(len == 5 ? settings_.ShortDatePattern : settings_.LongDatePattern, depth);
            return len;
        }
        case u'm': {
            const int len = qMin(run, 4);
            if (len <= 2 && lastToken == u'h')
                out_ += Padded(minute_, len);
            else if (len <= 2)
                out_ += Padded(month_, len);
            else if (month_ >= 1)
                out_ +=
                    (len == 3 ? settings_.ShortMonthNames : settings_.LongMonthNames)[month_ - 1];
            return len;
        }
        case u'y':
            out_ += run <= 2 ? Padded(year_ % 100, 2) : Padded(year_, 4);
            return run;
        case u'h': {
            const int len = qMin(run, 2);
            int hour = hour_;
            if (TwelveHourClock(format, i + len))
                hour = hour % 12 == 0 ? 12 : hour % 12;
            out_ += Padded(hour, len);
            return len;
        }
        case u'n':
            out_ += Padded(minute_, qMin(run, 2));
            return qMin(run, 2);
        case u's':
            out_ += Padded(second_, qMin(run, 2));
            return qMin(run, 2);
        case u'z':
            out_ += Padded(msec_, run == 1 ? 1 : 3);
            return qMin(run, 3);
        case u't':
            Nested(run == 1 ? settings_.ShortTimePattern : settings_.LongTimePattern, depth);
            return qMin(run, 2);
        case u'c':
            Nested(settings_.ShortDatePattern, depth);
            if (hour_ != 0 || minute_ != 0 || second_ != 0) {
                out_ += u' ';
                Nested(settings_.LongTimePattern, depth);
            }
            return 1;
        case u'a':
            return WriteDesignator(format, i);
        default:
            return 0;
        }
    }

    int WriteDesignator(const QString& format, qsizetype i) {
        const bool pm = hour_ >= 12;
        if (MatchesAt(format, i, QLatin1StringView("ampm"))) {
            out_ += pm ? settings_.TimePMString : settings_.TimeAMString;
            return 4;
        }
        if (MatchesAt(format, i, QLatin1StringView("am/pm"))) {
            out_ += format.mid(pm ? i + 3 : i, 2);
            return 5;
        }
        if (MatchesAt(format, i, QLatin1StringView("a/p"))) {
            out_ += format.mid(pm ? i + 2 : i, 1);
            return 3;
        }
        return 0;
    }

    // Whether a designator token follows from `from` on, before the next h.
    // AMPM with both designators empty would leave the afternoon hours
    // indistinguishable from the morning ones, so it keeps a 24-hour clock.
    bool TwelveHourClock(const QString& format, qsizetype from) const {
        const qsizetype n = format.size();
        for (qsizetype i = from; i < n; ++i) {
            const QChar c = format.at(i);
            if (c == u'\'' || c == u'"') {
                const qsizetype end = format.indexOf(c, i + 1);
                if (end < 0)
                    return false;
                i = end;
                continue;
            }
            const QChar lc = Lower(c);
            if (lc == u'h')
                return false;
            if (lc != u'a')
                continue;
            if (MatchesAt(format, i, QLatin1StringView("ampm")))
                return !(settings_.TimeAMString.isEmpty() && settings_.TimePMString.isEmpty());
            if (MatchesAt(format, i, QLatin1StringView("am/pm")) ||
                MatchesAt(format, i, QLatin1StringView("a/p")))
                return true;
        }
        return false;
    }

    void Nested(const QString& pattern, int depth) {
        if (depth < kMaxPatternDepth)
            Write(pattern, depth + 1);
    }

    void AppendChar(QChar c) {
        if (!c.isNull())
            out_ += c;
    }

    QString DayName(const std::array<QString, 7>& names) const {
        return dayOfWeek_ >= 1 ? names[dayOfWeek_ - 1] : QString();
    }

    const TFormatSettings& settings_;
    QString out_;
    int year_ = 0, month_ = 0, day_ = 0, dayOfWeek_ = 0;
    int hour_ = 0, minute_ = 0, second_ = 0, msec_ = 0;
};

// --- Date and time parsing ------------------------------------------------------

// A left-to-right reader over the text of a date or a time.
class Scanner {
public:
    explicit Scanner(QStringView text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    qsizetype Pos() const { return pos_; }
    void SkipBlanks() {
        while (pos_ < text_.size() && text_.at(pos_).isSpace())
            ++pos_;
    }
    // Decimal digits; *digits receives how many were read (at most 9).
    bool Number(int* value, int* digits = nullptr) {
        int count = 0;
        int v = 0;
        while (pos_ < text_.size() && IsAsciiDigit(text_.at(pos_))) {
            if (++count > 9)
                return false;
            v = v * 10 + (text_.at(pos_).unicode() - u'0');
            ++pos_;
        }
        if (count == 0)
            return false;
        *value = v;
        if (digits)
            *digits = count;
        return true;
    }
    bool Char(QChar c) {
        if (c.isNull() || pos_ >= text_.size() || text_.at(pos_) != c)
            return false;
        ++pos_;
        return true;
    }
    bool Word(const QString& word) {
        if (word.isEmpty() || !text_.mid(pos_).startsWith(word, Qt::CaseInsensitive))
            return false;
        pos_ += word.size();
        return true;
    }

private:
    QStringView text_;
    qsizetype pos_ = 0;
};

// The order of day, month and year in a date pattern, as "dmy", "mdy", "ymd".
QString DateOrder(const QString& pattern) {
    QString order;
    QChar quote;
    for (const QChar c : pattern) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            continue;
        }
        const QChar lc = Lower(c);
        if ((lc == u'd' || lc == u'm' || lc == u'y') && !order.contains(lc))
            order += lc;
    }
    return order.size() == 3 ? order : QStringLiteral("dmy");
}

// A two-digit year is the one within 50 years of the current year.
int FullYear(int year, int digits) {
    if (digits > 2)
        return year;
    const int base = QDate::currentDate().year() - 50;
    int full = base / 100 * 100 + year;
    if (full < base)
        full += 100;
    return full;
}

bool ScanDate(Scanner& in, const TFormatSettings& settings, QDate* date) {
    int numbers[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int count = 0;
    if (!in.Number(&numbers[0], &digits[0]))
        return false;
    count = 1;
    while (count < 3 && in.Char(settings.DateSeparator)) {
        if (!in.Number(&numbers[count], &digits[count]))
            return false;
        ++count;
    }
    if (count < 2)
        return false;
    const QString order = DateOrder(settings.ShortDatePattern);
    int day = 0, month = 0, year = QDate::currentDate().year();
    int next = 0;
    for (const QChar part : order) {
        if (part == u'y' && count == 2)
            continue; // the year left out: this year
        if (part == u'd')
            day = numbers[next];
        else if (part == u'm')
            month = numbers[next];
        else
            year = FullYear(numbers[next], digits[next]);
        ++next;
    }
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day))
        return false;
    *date = QDate(year, month, day);
    return true;
}

// The designator at the scanner's position: 0 AM, 1 PM, -1 none.
int ScanDesignator(Scanner& in, const TFormatSettings& settings) {
    // The longer words first, so that "PM" is not taken for "P".
    if (in.Word(settings.TimeAMString) || in.Word(QStringLiteral("AM")))
        return 0;
    if (in.Word(settings.TimePMString) || in.Word(QStringLiteral("PM")))
        return 1;
    return -1;
}

bool ScanTime(Scanner& in, const TFormatSettings& settings, QTime* time) {
    int designator = ScanDesignator(in, settings);
    if (designator >= 0)
        in.SkipBlanks();
    int hour = 0, minute = 0, second = 0, msec = 0;
    if (!in.Number(&hour))
        return false;
    bool hasMinutes = false;
    if (in.Char(settings.TimeSeparator)) {
        if (!in.Number(&minute))
            return false;
        hasMinutes = true;
        if (in.Char(settings.TimeSeparator)) {
            if (!in.Number(&second))
                return false;
            if (in.Char(u'.') || in.Char(settings.DecimalSeparator)) {
                int digits = 0;
                if (!in.Number(&msec, &digits) || digits > 3)
                    return false;
                for (; digits < 3; ++digits)
                    msec *= 10; // ".5" is half a second
            }
        }
    }
    if (designator < 0) {
        in.SkipBlanks();
        designator = ScanDesignator(in, settings);
    }
    if (!hasMinutes && designator < 0)
        return false; // a bare number is no time
    if (designator >= 0) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (designator == 1 ? 12 : 0);
    }
    if (!QTime::isValid(hour, minute, second, msec))
        return false;
    *time = QTime(hour, minute, second, msec);
    return true;
}

} // namespace

// --- Public functions -------------------------------------------------------------

QString FormatDateTime(const QString& format, double dateTime, const TFormatSettings& settings) {
    // Beyond any calendar date (and not convertible to a day number at all).
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > kMaxDays)
        return {};
    DateTimeWriter writer(dateTime, settings);
    writer.Write(format);
    return writer.Text();
}

QString FormatGeneralFloat(double value, int precision, const TFormatSettings& settings) {
    if (!std::isfinite(value))
        return NonFinite(value);
    precision = qBound(2, precision, 15);
    Decimal d = Decimal::Of(value);
    d.RoundToDigits(precision);
    if (d.IsZero())
        return QStringLiteral("0");
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    const int exponent = d.exponent - 1; // of the first digit
    if (exponent < -4 || exponent >= precision) {
        QString text = sign + QChar(d.digits[0]);
        if (d.digits.size() > 1)
            text += settings.DecimalSeparator +
                    QString::fromLatin1(d.digits.data() + 1, d.digits.size() - 1);
        return text + u'E' + QString::number(exponent);
    }
    QString integer = d.IntegerDigits();
    if (integer.isEmpty())
        integer = QStringLiteral("0");
    const QString fraction = d.FractionDigits();
    return sign + integer + (fraction.isEmpty() ? QString() : settings.DecimalSeparator + fraction);
}

QString FormatFixedFloat(double value, int decimals, const TFormatSettings& settings) {
    if (!std::isfinite(value))
        return NonFinite(value);
    decimals = qBound(0, decimals, 18);
    const QString digits = FixedDigits(value, decimals, QChar(), settings.DecimalSeparator);
    return (value < 0 && !AllZero(digits) ? QStringLiteral("-") : QString()) + digits;
}

QString FormatCurrencyFloat(double value, const TFormatSettings& settings) {
    if (!std::isfinite(value))
        return NonFinite(value);
    const int decimals = qBound(0, settings.CurrencyDecimals, 18);
    const QString digits =
        FixedDigits(value, decimals, settings.ThousandSeparator, settings.DecimalSeparator);
    const QString& symbol = settings.CurrencyString;
    QString text;
    switch (settings.CurrencyFormat) {
    case 0:
        text = symbol + digits;
        break;
    case 2:
        text = symbol + u' ' + digits;
        break;
    case 3:
        text = digits + u' ' + symbol;
        break;
    default:
        text = digits + symbol;
        break;
    }
    return (value < 0 && !AllZero(digits) ? QStringLiteral("-") : QString()) + text;
}

QString FormatFloat(const QString& format, double value, const TFormatSettings& settings) {
    if (format.isEmpty() || !std::isfinite(value))
        return FormatGeneralFloat(value, 15, settings);
    const QList<QString> sections = SplitSections(format);
    const NumericSection first = ParseSection(sections[0]);
    bool zero = false;
    if (value < 0 && sections.size() > 1 && !sections[1].isEmpty())
        return RenderSection(ParseSection(sections[1]), value, settings, &zero);
    if (value == 0 && sections.size() > 2 && !sections[2].isEmpty())
        return RenderSection(ParseSection(sections[2]), value, settings, &zero);
    const QString text = RenderSection(first, value, settings, &zero);
    // A negative value that rounds to zero shows without its sign.
    return value < 0 && !zero ? u'-' + text : text;
}

bool TryParseInteger(const QString& text, int64_t* value) {
    const QString t = text.trimmed();
    qsizetype i = (t.startsWith(u'-') || t.startsWith(u'+')) ? 1 : 0;
    if (i >= t.size())
        return false;
    for (qsizetype j = i; j < t.size(); ++j)
        if (!IsAsciiDigit(t.at(j)))
            return false;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, 10);
    if (ok)
        *value = v;
    return ok;
}

bool TryParseFloat(const QString& text, double* value, const TFormatSettings& settings) {
    const QString t = text.trimmed();
    std::string plain; // the number with a point, for the C locale's parser
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t.at(i) == u'-' || t.at(i) == u'+'))
        plain += static_cast<char>(t.at(i++).unicode());
    int mantissaDigits = 0;
    bool point = false;
    for (; i < n; ++i) {
        const QChar c = t.at(i);
        if (IsAsciiDigit(c)) {
            plain += static_cast<char>(c.unicode());
            ++mantissaDigits;
        } else if (c == settings.DecimalSeparator && !point) {
            plain += '.';
            point = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < n && (t.at(i) == u'e' || t.at(i) == u'E')) {
        plain += 'e';
        ++i;
        if (i < n && (t.at(i) == u'-' || t.at(i) == u'+'))
            plain += static_cast<char>(t.at(i++).unicode());
        int exponentDigits = 0;
        for (; i < n && IsAsciiDigit(t.at(i)); ++i, ++exponentDigits)
            plain += static_cast<char>(t.at(i).unicode());
        if (exponentDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    bool ok = false;
    const double v = QLocale::c().toDouble(QLatin1StringView(plain.data(), plain.size()), &ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

bool TryParseDateTime(const QString& text, TDateTimeKind kind, double* value,
                      const TFormatSettings& settings) {
    const QString t = text.trimmed();
    QDate date(1899, 12, 30);
    QTime time(0, 0);
    bool parsed = false;
    if (kind != TDateTimeKind::Time) {
        Scanner in(t);
        if (ScanDate(in, settings, &date)) {
            in.SkipBlanks();
            parsed = in.AtEnd() || (kind == TDateTimeKind::DateTime &&
                                    ScanTime(in, settings, &time) && (in.SkipBlanks(), in.AtEnd()));
        }
    }
    if (!parsed && kind != TDateTimeKind::Date) {
        // a time alone (for a date and time: on the zero day)
        Scanner in(t);
        date = QDate(1899, 12, 30);
        parsed = ScanTime(in, settings, &time) && (in.SkipBlanks(), in.AtEnd());
    }
    if (!parsed)
        return false;
    *value = EncodeDateTime(date, time);
    return true;
}

// The platform's texts, the doubled quotes of the date-and-time one included.
QString InvalidDateTimeMessage(const QString& text, TDateTimeKind kind) {
    switch (kind) {
    case TDateTimeKind::Date:
        return QStringLiteral("'%1' is not a valid date").arg(text);
    case TDateTimeKind::Time:
        return QStringLiteral("'%1' is not a valid time").arg(text);
    case TDateTimeKind::DateTime:
        break;
    }
    return QStringLiteral("''%1'' is not a valid date and time").arg(text);
}

std::optional<char32_t> FirstCharOutsideWin1251(const QString& text) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80)
            continue;
        if (c.isSurrogate()) {
            // no character beyond the basic plane exists in the code page
            if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate())
                return QChar::surrogateToUcs4(c, text.at(i + 1));
            return c.unicode();
        }
        const QByteArray byte = EncodeText(QString(c));
        if (byte.size() != 1 || DecodeText(byte) != QString(c))
            return c.unicode();
    }
    return std::nullopt;
}

QString DescribeCharacter(char32_t c) {
    const QString code = QStringLiteral("%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'));
    return QStringLiteral("'%1' (U+%2)").arg(QString::fromUcs4(&c, 1), code.toUpper());
}
