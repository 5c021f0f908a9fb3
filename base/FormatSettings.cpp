#include "base/FormatSettings.h"

#include <QLocale>
#include <QStringList>
#include <cmath>

namespace {

// Julian day of 30 December 1899, the program's date-time zero.
constexpr qint64 kJulianDayZero = 2415019;

// The first separator character of a Qt date or time format: the first
// character that is neither a letter, a quote nor an invisible format mark.
QChar SeparatorOf(const QString& qtFormat, QChar fallback) {
    bool quoted = false;
    for (const QChar c : qtFormat) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted || c.isLetter() || c.category() == QChar::Other_Format || c.isSpace())
            continue;
        return c;
    }
    return fallback;
}

// A Qt date or time format in the display-format token language. The given
// separator becomes the separator token (role "/" or ":"); ASCII letters that
// are not Qt tokens, quoted text and the other token characters are quoted so
// that they stay literal; Qt's time zone token is dropped.
QString PatternOf(const QString& qtFormat, QChar separator, QChar role) {
    QString out;
    QString literal;
    const auto flushLiteral = [&] {
        if (!literal.isEmpty())
            out += u'"' + literal + u'"';
        literal.clear();
    };
    const qsizetype n = qtFormat.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = qtFormat.at(i);
        if (c == u'\'') {
            // 'text' is literal text, '' a single quote
            if (i + 1 < n && qtFormat.at(i + 1) == u'\'') {
                literal += u'\'';
                i += 2;
                continue;
            }
            qsizetype end = qtFormat.indexOf(u'\'', i + 1);
            if (end < 0)
                end = n;
            literal += qtFormat.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < n && qtFormat.at(i + run) == c)
            ++run;
        QString token;
        bool isToken = true;
        switch (c.unicode()) {
        case u'd':
            token = QString(qMin<qsizetype>(run, 4), u'd');
            break;
        case u'M':
            token = QString(qMin<qsizetype>(run, 4), u'm');
            break;
        case u'y':
            token = run == 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
            break;
        case u'h':
        case u'H':
            token = run >= 2 ? QStringLiteral("hh") : QStringLiteral("h");
            break;
        case u'm':
            token = run >= 2 ? QStringLiteral("nn") : QStringLiteral("n");
            break;
        case u's':
            token = run >= 2 ? QStringLiteral("ss") : QStringLiteral("s");
            break;
        case u'z':
            token = run >= 2 ? QStringLiteral("zzz") : QStringLiteral("z");
            break;
        case u'A':
        case u'a':
            // AP, ap, A, a: the locale's designators
            if (i + 1 < n && (qtFormat.at(i + 1) == u'P' || qtFormat.at(i + 1) == u'p'))
                ++run;
            token = QStringLiteral("AMPM");
            break;
        case u't':
            break; // no time zone in a column value
        default:
            isToken = false;
            break;
        }
        if (isToken) {
            flushLiteral();
            out += token;
            i += run;
            continue;
        }
        if (c == separator && !separator.isNull()) {
            flushLiteral();
            out += role;
        } else if (c.isLetter() && c.unicode() < 128) {
            literal += c;
        } else if (c == u'/' || c == u':' || c == u'"') {
            // the token characters, and the quote that would end the literal
            flushLiteral();
            out += c == u'"' ? QStringLiteral("'\"'") : u'"' + QString(c) + u'"';
        } else {
            flushLiteral();
            out += c;
        }
        ++i;
    }
    flushLiteral();
    return out.trimmed();
}

int CurrencyDecimalsOf(const QLocale& locale) {
    const QString one = locale.toCurrencyString(1.0, QStringLiteral("X"));
    const qsizetype point = one.indexOf(locale.decimalPoint());
    if (point < 0)
        return 0;
    int digits = 0;
    for (qsizetype i = point + locale.decimalPoint().size(); i < one.size(); ++i) {
        if (!one.at(i).isDigit())
            break;
        ++digits;
    }
    return digits;
}

// Where the locale puts its currency symbol around a positive amount.
int CurrencyFormatOf(const QLocale& locale) {
    const QString one = locale.toCurrencyString(1.0, QStringLiteral("X"));
    const qsizetype x = one.indexOf(u'X');
    qsizetype digit = 0;
    while (digit < one.size() && !one.at(digit).isDigit())
        ++digit;
    if (x < 0)
        return 1;
    const bool prefix = x < digit;
    const bool spaced = prefix ? (x + 1 < one.size() && one.at(x + 1).isSpace())
                               : (x > 0 && one.at(x - 1).isSpace());
    return prefix ? (spaced ? 2 : 0) : (spaced ? 3 : 1);
}

} // namespace

TFormatSettings FormatSettingsOf(const QLocale& locale) {
    TFormatSettings s;
    if (locale.language() == QLocale::C)
        return s; // the defaults read better than the C locale's
    s.DecimalSeparator = locale.decimalPoint().isEmpty() ? u'.' : locale.decimalPoint().at(0);
    s.ShortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    QString time = locale.timeFormat(QLocale::LongFormat);
    time.remove(QLatin1Char('t')); // no time zone in a column value
    s.LongTimeFormat = time.trimmed();

    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    s.DateSeparator = SeparatorOf(s.ShortDateFormat, u'/');
    s.TimeSeparator = SeparatorOf(shortTime, u':');
    s.ShortDatePattern = PatternOf(s.ShortDateFormat, s.DateSeparator, u'/');
    s.LongDatePattern = PatternOf(locale.dateFormat(QLocale::LongFormat), s.DateSeparator, u'/');
    s.ShortTimePattern = PatternOf(shortTime, s.TimeSeparator, u':');
    s.LongTimePattern = PatternOf(s.LongTimeFormat, s.TimeSeparator, u':');
    for (int i = 0; i < 12; ++i) {
        s.ShortMonthNames[i] = locale.monthName(i + 1, QLocale::ShortFormat);
        s.LongMonthNames[i] = locale.monthName(i + 1, QLocale::LongFormat);
    }
    for (int i = 0; i < 7; ++i) {
        s.ShortDayNames[i] = locale.dayName(i + 1, QLocale::ShortFormat);
        s.LongDayNames[i] = locale.dayName(i + 1, QLocale::LongFormat);
    }
    s.TimeAMString = locale.amText();
    s.TimePMString = locale.pmText();
    const QString group = locale.groupSeparator();
    s.ThousandSeparator = group.isEmpty() ? QChar() : group.at(0);
    s.CurrencyString = locale.currencySymbol();
    s.CurrencyFormat = CurrencyFormatOf(locale);
    s.CurrencyDecimals = CurrencyDecimalsOf(locale);
    return s;
}

namespace {

QString WithSeparator(QString text) {
    const QChar sep = FormatSettings().DecimalSeparator;
    if (sep != u'.')
        text.replace(u'.', sep);
    return text;
}

} // namespace

QString TFormatSettings::CMonthName(int month, bool full) {
    return QLocale::c().monthName(month, full ? QLocale::LongFormat : QLocale::ShortFormat);
}

QString TFormatSettings::CDayName(int day, bool full) {
    return QLocale::c().dayName(day, full ? QLocale::LongFormat : QLocale::ShortFormat);
}

TFormatSettings& FormatSettings() {
    static TFormatSettings settings = FormatSettingsOf(QLocale::system());
    return settings;
}

QString FloatToStr(double value) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    QString text = QString::number(value, 'g', 15);
    const qsizetype e = text.indexOf(u'e');
    if (e >= 0) {
        // 1e+20 -> 1E20, 1e-05 -> 1E-5
        QString mantissa = text.left(e);
        QString exponent = text.mid(e + 1);
        bool negative = exponent.startsWith(u'-');
        if (exponent.startsWith(u'+') || negative)
            exponent.remove(0, 1);
        while (exponent.size() > 1 && exponent.startsWith(u'0'))
            exponent.remove(0, 1);
        text = mantissa + u'E' + (negative ? QStringLiteral("-") : QString()) + exponent;
    }
    return WithSeparator(text);
}

bool TryStrToFloat(const QString& text, double* value) {
    QString t = text.trimmed();
    const QChar sep = FormatSettings().DecimalSeparator;
    if (sep != u'.') {
        if (t.contains(u'.'))
            return false;
        t.replace(sep, u'.');
    }
    if (t.isEmpty())
        return false;
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (ok)
        *value = v;
    return ok;
}

bool TryStrToInt64(const QString& text, int64_t* value) {
    const QString t = text.trimmed();
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, 10);
    if (ok)
        *value = v;
    return ok;
}

double EncodeDateTime(const QDate& date, const QTime& time) {
    const double days = static_cast<double>(date.toJulianDay() - kJulianDayZero);
    const double fraction = time.msecsSinceStartOfDay() / kMSecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

QDate DateOf(double dateTime) {
    return QDate::fromJulianDay(kJulianDayZero + static_cast<qint64>(std::trunc(dateTime)));
}

QTime TimeOf(double dateTime) {
    double ms = std::round(std::fabs(dateTime - std::trunc(dateTime)) * kMSecsPerDay);
    if (ms >= kMSecsPerDay)
        ms = kMSecsPerDay - 1;
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
}

QString DateToStr(double dateTime) {
    return DateOf(dateTime).toString(FormatSettings().ShortDateFormat);
}

QString TimeToStr(double dateTime) {
    return TimeOf(dateTime).toString(FormatSettings().LongTimeFormat);
}

QString DateTimeToStr(double dateTime) {
    const QTime time = TimeOf(dateTime);
    if (time.msecsSinceStartOfDay() == 0)
        return DateToStr(dateTime);
    return DateToStr(dateTime) + u' ' + time.toString(FormatSettings().LongTimeFormat);
}

bool TryStrToDateTime(const QString& text, double* value) {
    const QString t = text.simplified();
    if (t.isEmpty())
        return false;
    const TFormatSettings& s = FormatSettings();
    const QStringList timeFormats{s.LongTimeFormat, QStringLiteral("HH:mm:ss.zzz"),
                                  QStringLiteral("HH:mm:ss"), QStringLiteral("H:mm")};
    QDate date = QDate::fromString(t, s.ShortDateFormat);
    if (date.isValid()) {
        *value = EncodeDateTime(date, QTime(0, 0));
        return true;
    }
    const qsizetype space = t.indexOf(u' ');
    if (space > 0) {
        date = QDate::fromString(t.left(space), s.ShortDateFormat);
        if (date.isValid()) {
            for (const QString& f : timeFormats) {
                const QTime time = QTime::fromString(t.mid(space + 1), f);
                if (time.isValid()) {
                    *value = EncodeDateTime(date, time);
                    return true;
                }
            }
        }
    }
    for (const QString& f : timeFormats) {
        const QTime time = QTime::fromString(t, f);
        if (time.isValid()) {
            *value = EncodeDateTime(QDate(1899, 12, 30), time);
            return true;
        }
    }
    const QDateTime iso = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (iso.isValid()) {
        *value = EncodeDateTime(iso.date(), iso.time());
        return true;
    }
    date = QDate::fromString(t, Qt::ISODate);
    if (date.isValid()) {
        *value = EncodeDateTime(date, QTime(0, 0));
        return true;
    }
    return false;
}
