#pragma once
// The program's locale formats (decimal separator, short date, long time) and
// the number and date-time text conversions that use them. A date-time is a
// double counting days since 30 December 1899, the fraction being the time of
// day (for negative values the fraction still counts forward from midnight).

#include <QChar>
#include <QDate>
#include <QString>
#include <QTime>
#include <cstdint>

struct TFormatSettings {
    QChar DecimalSeparator = u'.';
    QString ShortDateFormat = QStringLiteral("dd.MM.yyyy"); // Qt date format
    QString LongTimeFormat = QStringLiteral("HH:mm:ss");    // Qt time format
};

// Process-wide settings, taken from the system locale at first use; tests and
// the program may change them.
TFormatSettings& FormatSettings();

// General floating-point text: up to 15 significant digits, exponent form
// (1E20, 1E-5) only where plain digits would not do.
QString FloatToStr(double value);
// Decimal text in the program's locale; surrounding blanks are ignored.
bool TryStrToFloat(const QString& text, double* value);
bool TryStrToInt64(const QString& text, int64_t* value);

constexpr double kMSecsPerDay = 86400000.0;

double EncodeDateTime(const QDate& date, const QTime& time);
QDate DateOf(double dateTime);
QTime TimeOf(double dateTime); // to the millisecond, rounded
// Short date, plus the long time unless it is midnight.
QString DateTimeToStr(double dateTime);
QString DateToStr(double dateTime);
QString TimeToStr(double dateTime);
// Accepts the short date, optionally followed by the long time (or hh:mm), or
// an ISO date-time.
bool TryStrToDateTime(const QString& text, double* value);
