#pragma once
// The program's locale formats (decimal separator, short date, long time) and
// the number and date-time text conversions that use them. A date-time is a
// double counting days since 30 December 1899, the fraction being the time of
// day (for negative values the fraction still counts forward from midnight).

#include <QChar>
#include <QDate>
#include <QString>
#include <QTime>
#include <array>
#include <cstdint>

struct TFormatSettings {
    QChar DecimalSeparator = u'.';
    QString ShortDateFormat = QStringLiteral("dd.MM.yyyy"); // Qt date format
    QString LongTimeFormat = QStringLiteral("HH:mm:ss");    // Qt time format

    // What display formats and field texts need (see base/FieldText.h). The
    // four patterns below are in the display-format token language ("dd.mm.yyyy",
    // "hh:nn:ss"), not Qt's; taken from the same locale as the Qt formats above.
    QChar DateSeparator = u'.';
    QChar TimeSeparator = u':';
    QString ShortDatePattern = QStringLiteral("dd/mm/yyyy");
    QString LongDatePattern = QStringLiteral("d mmmm yyyy");
    QString ShortTimePattern = QStringLiteral("hh:nn");
    QString LongTimePattern = QStringLiteral("hh:nn:ss");
    // Index 0 is January; day names start with Monday (QDate::dayOfWeek() - 1).
    std::array<QString, 12> ShortMonthNames = DefaultNames<12>(true, false);
    std::array<QString, 12> LongMonthNames = DefaultNames<12>(true, true);
    std::array<QString, 7> ShortDayNames = DefaultNames<7>(false, false);
    std::array<QString, 7> LongDayNames = DefaultNames<7>(false, true);
    QString TimeAMString = QStringLiteral("AM"); // either designator may be empty
    QString TimePMString = QStringLiteral("PM");
    QChar ThousandSeparator = u','; // a null QChar: no grouping
    QString CurrencyString;         // the currency symbol
    // Where the symbol goes: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
    int CurrencyFormat = 1;
    int CurrencyDecimals = 2;

    // The C locale's English names, for the defaults above.
    template <int N> static std::array<QString, N> DefaultNames(bool months, bool full) {
        std::array<QString, N> names;
        for (int i = 0; i < N; ++i)
            names[i] = months ? CMonthName(i + 1, full) : CDayName(i + 1, full);
        return names;
    }
    static QString CMonthName(int month, bool full);
    static QString CDayName(int day, bool full);
};

// Process-wide settings, taken from the system locale at first use; tests and
// the program may change them.
TFormatSettings& FormatSettings();
// The settings of a given locale (the C locale gives the defaults above).
class QLocale;
TFormatSettings FormatSettingsOf(const QLocale& locale);

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
