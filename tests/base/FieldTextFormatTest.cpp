// Display formats of dates and numbers under two sets of locale data: one
// with AM/PM designators and one without, differing also in separators,
// names and patterns.

#include "base/FieldText.h"
#include "tests/support/PrintQString.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>

namespace {

double At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

// English names, designators, "-" and ":" as separators.
TFormatSettings WithDesignators() {
    TFormatSettings s;
    s.DateSeparator = u'-';
    s.TimeSeparator = u':';
    s.ShortDatePattern = QStringLiteral("dd/mm/yyyy");
    s.LongDatePattern = QStringLiteral("dddd, d mmmm yyyy");
    s.ShortTimePattern = QStringLiteral("hh:nn");
    s.LongTimePattern = QStringLiteral("hh:nn:ss");
    s.TimeAMString = QStringLiteral("AM");
    s.TimePMString = QStringLiteral("PM");
    s.DecimalSeparator = u'.';
    s.ThousandSeparator = u',';
    s.CurrencyString = QStringLiteral("$");
    s.CurrencyFormat = 0;
    s.CurrencyDecimals = 2;
    return s;
}

// Russian names, no designators, "." for both separators, a comma as the
// decimal separator and a blank for grouping.
TFormatSettings WithoutDesignators() {
    TFormatSettings s = FormatSettingsOf(QLocale(QLocale::Russian, QLocale::Russia));
    s.DateSeparator = u'.';
    s.TimeSeparator = u'.';
    s.ShortDatePattern = QStringLiteral("dd/mm/yy");
    s.LongDatePattern = QStringLiteral("d mmmm yyyy 'г.'");
    s.ShortTimePattern = QStringLiteral("h:nn");
    s.LongTimePattern = QStringLiteral("h:nn:ss");
    s.TimeAMString.clear();
    s.TimePMString.clear();
    s.DecimalSeparator = u',';
    s.ThousandSeparator = u' ';
    s.CurrencyString = QStringLiteral("₽");
    s.CurrencyFormat = 3;
    s.CurrencyDecimals = 2;
    return s;
}

const double kAfternoon = At(2009, 12, 22, 13, 5, 7, 45); // a Tuesday
const double kNight = At(2009, 3, 5, 0, 30, 9, 7);        // a Thursday
const double kMidnight = At(2009, 12, 22, 0, 0, 0, 500);

struct TokenCase {
    const char* format;
    double value;
    const char* withDesignators;
    const char* withoutDesignators;
};

TEST(FormatDateTime, EveryTokenUnderTwoLocales) {
    const TokenCase cases[] = {
        {"d", kNight, "5", "5"},
        {"dd", kNight, "05", "05"},
        {"ddd", kAfternoon, "Tue", "вт"},
        {"dddd", kAfternoon, "Tuesday", "вторник"},
        {"ddddd", kAfternoon, "22-12-2009", "22.12.09"},
        {"dddddd", kAfternoon, "Tuesday, 22 December 2009", "22 декабря 2009 г."},
        {"m", kNight, "3", "3"},
        {"mm", kNight, "03", "03"},
        {"mmm", kAfternoon, "Dec", "дек."},
        {"mmmm", kAfternoon, "December", "декабря"},
        {"y", kAfternoon, "09", "09"},
        {"yy", kAfternoon, "09", "09"},
        {"yyy", kAfternoon, "2009", "2009"},
        {"yyyy", kAfternoon, "2009", "2009"},
        {"h", kAfternoon, "13", "13"},
        {"hh", kNight, "00", "00"},
        {"n:nn", kAfternoon, "5:05", "5.05"},
        {"s ss", kNight, "9 09", "9 09"},
        {"z zz zzz", kAfternoon, "45 045 045", "45 045 045"},
        {"zzz", kNight, "007", "007"},
        // m after h means minutes, also across a separator; after other tokens a month
        {"h:m", kAfternoon, "13:5", "13.5"},
        {"hh:mm", kAfternoon, "13:05", "13.05"},
        {"hh ss mm", kAfternoon, "13 07 12", "13 07 12"},
        // the 12-hour clock
        {"hh:mm AMPM", kAfternoon, "01:05 PM", "13.05 "},
        {"hh:mm AMPM", kNight, "12:30 AM", "00.30 "},
        {"h:nn am/pm", kAfternoon, "1:05 pm", "1.05 pm"},
        {"h:nn AM/PM", kNight, "12:30 AM", "12.30 AM"},
        {"h:nn A/P", kAfternoon, "1:05 P", "1.05 P"},
        {"h:nn a/p", kNight, "12:30 a", "12.30 a"},
        {"AMPM hh", kAfternoon, "PM 13", " 13"},          // the designator must follow
        {"hh AMPM hh", kAfternoon, "01 PM 13", "13  13"}, // each h looks up to the next
        {"hh 'AMPM'", kAfternoon, "13 AMPM", "13 AMPM"},  // quoted text is no token
        {"hh AMPM mm", kAfternoon, "01 PM 12", "13  12"}, // AMPM ends the minutes rule
        // patterns of the locale
        {"c", kAfternoon, "22-12-2009 13:05:07", "22.12.09 13.05.07"},
        {"c", kMidnight, "22-12-2009", "22.12.09"}, // milliseconds alone are midnight
        {"t", kAfternoon, "13:05", "13.05"},
        {"tt", kAfternoon, "13:05:07", "13.05.07"},
        // the program's display format, letters in any case, literals
        {"dd.mm.yyyy hh:mm AMPM", kAfternoon, "22.12.2009 01:05 PM", "22.12.2009 13.05 "},
        {"DD/MM/YYYY HH:NN", kAfternoon, "22-12-2009 13:05", "22.12.2009 13.05"},
        {"'dd' \"mm\" dd", kAfternoon, "dd mm 22", "dd mm 22"},
        {"[d] x#", kAfternoon, "[22] x#", "[22] x#"},
        {"hh 'open", kAfternoon, "13 open", "13 open"},
    };
    const TFormatSettings a = WithDesignators();
    const TFormatSettings b = WithoutDesignators();
    for (const TokenCase& c : cases) {
        const QString format = QString::fromUtf8(c.format);
        EXPECT_EQ(FormatDateTime(format, c.value, a), QString::fromUtf8(c.withDesignators))
            << c.format;
        EXPECT_EQ(FormatDateTime(format, c.value, b), QString::fromUtf8(c.withoutDesignators))
            << c.format;
    }
}

TEST(FormatDateTime, TwelveHourClockAroundMidnightAndNoon) {
    const TFormatSettings a = WithDesignators();
    const QString format = QStringLiteral("dd.mm.yyyy hh:mm AMPM");
    EXPECT_EQ(FormatDateTime(format, At(2009, 12, 22, 0, 30), a), "22.12.2009 12:30 AM");
    EXPECT_EQ(FormatDateTime(format, At(2009, 12, 22, 11, 59), a), "22.12.2009 11:59 AM");
    EXPECT_EQ(FormatDateTime(format, At(2009, 12, 22, 12, 0), a), "22.12.2009 12:00 PM");
    EXPECT_EQ(FormatDateTime(format, At(2009, 12, 22, 23, 1), a), "22.12.2009 11:01 PM");
}

// Without designators 13:05 would read as 01:05 with nothing to tell the
// afternoon from the night; the hour stays on the 24-hour clock.
TEST(FormatDateTime, EmptyDesignatorsKeepTheTwentyFourHourClock) {
    TFormatSettings s = WithDesignators();
    s.TimeAMString.clear();
    s.TimePMString.clear();
    const QString format = QStringLiteral("dd.mm.yyyy hh:mm AMPM");
    EXPECT_EQ(FormatDateTime(format, At(2009, 12, 22, 13, 5), s), "22.12.2009 13:05 ");
    EXPECT_EQ(FormatDateTime(format, At(2009, 12, 22, 0, 30), s), "22.12.2009 00:30 ");
    // one designator is enough to tell them apart
    s.TimePMString = QStringLiteral("pm");
    EXPECT_EQ(FormatDateTime(format, At(2009, 12, 22, 13, 5), s), "22.12.2009 01:05 pm");
    EXPECT_EQ(FormatDateTime(format, At(2009, 12, 22, 0, 30), s), "22.12.2009 12:30 ");
}

TEST(FormatDateTime, PatternsThatNameThemselvesEnd) {
    TFormatSettings s = WithDesignators();
    s.ShortDatePattern = QStringLiteral("c|");
    s.LongTimePattern = QStringLiteral("tt");
    // two levels of nesting, then nothing
    EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd"), kAfternoon, s), " | |");
}

TEST(FormatDateTime, NoDateGivesNoText) {
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), std::nan(""), WithDesignators()), "");
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), 1e300, WithDesignators()), "");
}

// The patterns taken from a locale render a date and a time as the locale
// itself does.
TEST(FormatSettingsOf, PatternsRenderAsTheLocaleDoes) {
    const QDate date(2009, 3, 5);
    const QTime time(13, 5, 7);
    const QLocale locales[] = {
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::Russian, QLocale::Russia),
        QLocale(QLocale::Japanese, QLocale::Japan),
        QLocale(QLocale::Finnish, QLocale::Finland),
        QLocale(QLocale::Swedish, QLocale::Sweden),
        QLocale(QLocale::English, QLocale::UnitedKingdom),
        QLocale(QLocale::Ukrainian, QLocale::Ukraine),
    };
    for (const QLocale& locale : locales) {
        const TFormatSettings s = FormatSettingsOf(locale);
        const double value = EncodeDateTime(date, time);
        EXPECT_EQ(FormatDateTime(s.ShortDatePattern, value, s),
                  locale.toString(date, QLocale::ShortFormat))
            << locale.name().toStdString();
        EXPECT_EQ(FormatDateTime(s.LongDatePattern, value, s),
                  locale.toString(date, QLocale::LongFormat))
            << locale.name().toStdString();
        EXPECT_EQ(FormatDateTime(s.ShortTimePattern, value, s),
                  locale.toString(time, QLocale::ShortFormat))
            << locale.name().toStdString();
    }
}

TEST(FormatSettingsOf, TakesSeparatorsNamesDesignatorsAndCurrency) {
    const TFormatSettings de = FormatSettingsOf(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(de.DateSeparator, u'.');
    EXPECT_EQ(de.TimeSeparator, u':');
    EXPECT_EQ(de.ShortDatePattern, "dd/mm/yy");
    EXPECT_EQ(de.LongTimePattern, "hh:nn:ss");
    EXPECT_EQ(de.DecimalSeparator, u',');
    EXPECT_EQ(de.ThousandSeparator, u'.');
    EXPECT_EQ(de.LongMonthNames[11], "Dezember");
    EXPECT_EQ(de.LongDayNames[0], "Montag");
    EXPECT_EQ(de.CurrencyString, "€");
    EXPECT_EQ(de.CurrencyFormat, 3);
    EXPECT_EQ(de.CurrencyDecimals, 2);

    const TFormatSettings us = FormatSettingsOf(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(us.DateSeparator, u'/');
    EXPECT_EQ(us.ShortDatePattern, "m/d/yy");
    EXPECT_EQ(us.ShortTimePattern, "h:nn AMPM");
    EXPECT_EQ(us.TimeAMString, "AM");
    EXPECT_EQ(us.TimePMString, "PM");
    EXPECT_EQ(us.CurrencyFormat, 0);

    const TFormatSettings ja = FormatSettingsOf(QLocale(QLocale::Japanese, QLocale::Japan));
    EXPECT_EQ(ja.CurrencyDecimals, 0);
    EXPECT_EQ(ja.LongTimePattern, QString::fromUtf8("h時nn分ss秒"));

    // The C locale keeps the defaults, which agree with the Qt formats.
    const TFormatSettings c = FormatSettingsOf(QLocale::c());
    const double value = At(2009, 12, 22, 13, 5, 7);
    EXPECT_EQ(FormatDateTime(c.ShortDatePattern, value, c),
              DateOf(value).toString(c.ShortDateFormat));
    EXPECT_EQ(FormatDateTime(c.LongTimePattern, value, c),
              TimeOf(value).toString(c.LongTimeFormat));
}

// --- numbers ---------------------------------------------------------------------

TEST(FormatGeneralFloat, SignificantDigitsAndExponentForm) {
    const TFormatSettings a = WithDesignators();
    struct Case {
        double value;
        int precision;
        const char* text;
    } cases[] = {
        {123.456, 15, "123.456"},
        {2.675, 3, "2.68"}, // rounded as shown, not as stored (2.67499...)
        {0.125, 2, "0.13"},
        {1.25, 1, "1.3"}, // precision kept within 2..15
        {1.0 / 3, 20, "0.333333333333333"},
        {123456789, 7, "1.234568E8"},
        {1234567, 7, "1234567"},
        {999.96, 3, "1E3"},
        {99.96, 3, "100"},
        {1e20, 15, "1E20"},
        {0.0001, 15, "0.0001"},
        {0.00001, 15, "1E-5"},
        {-1.5e-7, 15, "-1.5E-7"},
        {-1.5, 15, "-1.5"},
        {0, 15, "0"},
        {-0.0, 15, "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatGeneralFloat(c.value, c.precision, a), c.text) << c.value;
    EXPECT_EQ(FormatGeneralFloat(-1234.5, 15, WithoutDesignators()), "-1234,5");
}

// With 15 digits the general rendering is the statement layer's float text.
TEST(FormatGeneralFloat, FifteenDigitsAgreeWithFloatToStr) {
    const TFormatSettings saved = FormatSettings();
    FormatSettings().DecimalSeparator = u',';
    const double values[] = {
        1,      -2.5, 0.1,           1.0 / 3,         2.0 / 3,      123456789012345.0, 1e15,
        1.5e-5, 1e-4, 6.02214076e23, -9.87654321e-10, 4294967296.0, 12345.678,         0.007};
    for (double v : values)
        EXPECT_EQ(FormatGeneralFloat(v, 15, FormatSettings()), FloatToStr(v)) << v;
    FormatSettings() = saved;
}

TEST(FormatFloat, DisplayFormatsUnderTwoLocales) {
    struct Case {
        const char* format;
        double value;
        const char* first;
        const char* second;
    } cases[] = {
        {"#,##0.00", 1234567.891, "1,234,567.89", "1 234 567,89"},
        {"#,##0.00", 0.5, "0.50", "0,50"},
        {"#,##0.00", -1234.5, "-1,234.50", "-1 234,50"},
        {"#,##0.00", -0.001, "0.00", "0,00"}, // no sign on a shown zero
        {"#,##0.", 1234567, "1,234,567", "1 234 567"},
        {"#,##0.", 999.5, "1,000", "1 000"},
        {"0.", 1234.5, "1235", "1235"},
        {"0.", -2.5, "-3", "-3"},
        {"0.000", 2.0005, "2.001", "2,001"},
        {"0.00", 2.675, "2.68", "2,68"},
        {"#.##", 0.5, ".5", ",5"},
        {"0.0#", 1.234, "1.23", "1,23"},
        {"0.0#", 1, "1.0", "1,0"},
        {"00000", 42, "00042", "00042"},
        {"#,##0.00 'kg'", 3, "3.00 kg", "3,00 kg"},
        {"\"No. \"0", 7, "No. 7", "No. 7"},
        {"0.00;(0.00);'zero'", -5, "(5.00)", "(5,00)"},
        {"0.00;(0.00);'zero'", 0, "zero", "zero"},
        {"0.00;(0.00);'zero'", 5, "5.00", "5,00"},
        {"0.00;;", -5, "-5.00", "-5,00"},
        {"", 1.5, "1.5", "1,5"},
    };
    const TFormatSettings a = WithDesignators();
    const TFormatSettings b = WithoutDesignators();
    for (const Case& c : cases) {
        const QString format = QString::fromUtf8(c.format);
        EXPECT_EQ(FormatFloat(format, c.value, a), QString::fromUtf8(c.first)) << c.format;
        EXPECT_EQ(FormatFloat(format, c.value, b), QString::fromUtf8(c.second)) << c.format;
    }
}

TEST(FormatFloat, FixedAndCurrencyRenderings) {
    const TFormatSettings a = WithDesignators();
    TFormatSettings b = WithoutDesignators();
    EXPECT_EQ(FormatFixedFloat(2.5, 2, a), "2.50");
    EXPECT_EQ(FormatFixedFloat(1234.5, 0, a), "1235");
    EXPECT_EQ(FormatFixedFloat(-0.004, 2, a), "0.00");
    EXPECT_EQ(FormatFixedFloat(-1234.567, 2, b), "-1234,57");

    EXPECT_EQ(FormatCurrencyFloat(1234.5, a), "$1,234.50");
    EXPECT_EQ(FormatCurrencyFloat(-1234.5, a), "-$1,234.50");
    EXPECT_EQ(FormatCurrencyFloat(1234.5, b), QString::fromUtf8("1 234,50 ₽"));
    b.CurrencyDecimals = 0;
    b.CurrencyFormat = 1;
    EXPECT_EQ(FormatCurrencyFloat(1234.5, b), QString::fromUtf8("1 235₽"));
}

} // namespace
