#include "base/FormatSettings.h"

#include <QLocale>
#include <QStringList>
#include <cmath>

namespace {

// Julian day of 30 December 1899, the program's date-time zero.
constexpr qint64 kJulianDayZero = 2415019;

TFormatSettings FromSystemLocale() {
    TFormatSettings s;
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        return s; // the defaults above read better than the C locale's
    s.DecimalSeparator = locale.decimalPoint().isEmpty() ? u'.' : locale.decimalPoint().at(0);
    s.ShortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    QString time = locale.timeFormat(QLocale::LongFormat);
    time.remove(QLatin1Char('t')); // no time zone in a column value
    s.LongTimeFormat = time.trimmed();
    return s;
}

QString WithSeparator(QString text) {
    const QChar sep = FormatSettings().DecimalSeparator;
    if (sep != u'.')
        text.replace(u'.', sep);
    return text;
}

} // namespace

TFormatSettings& FormatSettings() {
    static TFormatSettings settings = FromSystemLocale();
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
