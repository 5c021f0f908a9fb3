// The parsers behind field writes, their messages, and the code page check.

#include "base/FieldText.h"
#include "tests/support/PrintQString.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>

namespace {

double At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

TFormatSettings DayMonthYear() {
    TFormatSettings s;
    s.DecimalSeparator = u',';
    s.DateSeparator = u'.';
    s.TimeSeparator = u':';
    s.ShortDatePattern = QStringLiteral("dd/mm/yyyy");
    s.LongTimePattern = QStringLiteral("hh:nn:ss");
    s.TimeAMString = QStringLiteral("AM");
    s.TimePMString = QStringLiteral("PM");
    return s;
}

TFormatSettings MonthDayYear() {
    TFormatSettings s = FormatSettingsOf(QLocale(QLocale::English, QLocale::UnitedStates));
    s.ShortDatePattern = QStringLiteral("m/d/yyyy");
    return s;
}

TEST(TryParseInteger, DecimalDigitsWithASign) {
    struct Case {
        const char* text;
        bool ok;
        int64_t value;
    } cases[] = {
        {"42", true, 42},
        {"  -17 ", true, -17},
        {"+5", true, 5},
        {"3000000000", true, 3000000000LL}, // the field checks its own range
        {"-9223372036854775808", true, INT64_MIN},
        {"9223372036854775808", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"12a", false, 0},
        {"1.0", false, 0},
        {"1 000", false, 0},
        {"0x10", false, 0},
        {"\u0663", false, 0}, // an Arabic-Indic digit
    };
    for (const Case& c : cases) {
        int64_t value = -1;
        EXPECT_EQ(TryParseInteger(QString::fromUtf8(c.text), &value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : -1) << c.text;
    }
}

TEST(TryParseFloat, NumbersInTheLocale) {
    TFormatSettings point;
    point.DecimalSeparator = u'.';
    const TFormatSettings comma = DayMonthYear();
    struct Case {
        const char* text;
        const TFormatSettings* settings;
        bool ok;
        double value;
    } cases[] = {
        {"1.5", &point, true, 1.5},       {"1,5", &comma, true, 1.5},
        {" -2,25 ", &comma, true, -2.25}, {"1,5", &point, false, 0},
        {"1.5", &comma, false, 0},        {"1,234.5", &point, false, 0}, // no grouping
        {"1e3", &point, true, 1000},      {"1,5E-2", &comma, true, 0.015},
        {".5", &point, true, 0.5},        {"5.", &point, true, 5},
        {"", &point, false, 0},           {".", &point, false, 0},
        {"e5", &point, false, 0},         {"1e", &point, false, 0},
        {"1.2.3", &point, false, 0},      {"inf", &point, false, 0},
        {"nan", &point, false, 0},        {"1e999", &point, false, 0}, // beyond the double range
    };
    for (const Case& c : cases) {
        double value = -1;
        EXPECT_EQ(TryParseFloat(QString::fromUtf8(c.text), &value, *c.settings), c.ok) << c.text;
        EXPECT_DOUBLE_EQ(value, c.ok ? c.value : -1) << c.text;
    }
}

TEST(TryParseDateTime, DatesTimesAndBoth) {
    const TFormatSettings dmy = DayMonthYear();
    const TFormatSettings mdy = MonthDayYear();
    const int thisYear = QDate::currentDate().year();
    using K = TDateTimeKind;
    struct Case {
        const char* text;
        K kind;
        const TFormatSettings* settings;
        bool ok;
        double value;
    } cases[] = {
        {"22.12.2009", K::Date, &dmy, true, At(2009, 12, 22)},
        {" 22.12.2009 ", K::DateTime, &dmy, true, At(2009, 12, 22)},
        {"22.12", K::Date, &dmy, true, At(thisYear, 12, 22)},
        {"12/22/2009", K::Date, &mdy, true, At(2009, 12, 22)},
        {"12/22", K::Date, &mdy, true, At(thisYear, 12, 22)},
        {"22.12.2009", K::Date, &mdy, false, 0},
        {"31.02.2009", K::Date, &dmy, false, 0},
        {"2009-12-22", K::Date, &dmy, false, 0},
        {"22", K::Date, &dmy, false, 0},
        {"22.12.2009 13:05", K::Date, &dmy, false, 0},
        {"13:05", K::Date, &dmy, false, 0},
        {"22.12.2009 13:05", K::DateTime, &dmy, true, At(2009, 12, 22, 13, 5)},
        {"22.12.2009  13:05:07,250", K::DateTime, &dmy, true, At(2009, 12, 22, 13, 5, 7, 250)},
        {"22.12.2009 13:05:07.5", K::DateTime, &dmy, true, At(2009, 12, 22, 13, 5, 7, 500)},
        {"12/22/2009 1:05 PM", K::DateTime, &mdy, true, At(2009, 12, 22, 13, 5)},
        {"22.12.2009 13:05 x", K::DateTime, &dmy, false, 0},
        {"13:05", K::DateTime, &dmy, true, At(1899, 12, 30, 13, 5)},
        {"13:05", K::Time, &dmy, true, At(1899, 12, 30, 13, 5)},
        {"1:05 pm", K::Time, &dmy, true, At(1899, 12, 30, 13, 5)},
        {"12:30 AM", K::Time, &dmy, true, At(1899, 12, 30, 0, 30)},
        {"12:30 PM", K::Time, &dmy, true, At(1899, 12, 30, 12, 30)},
        {"PM 1:05", K::Time, &dmy, true, At(1899, 12, 30, 13, 5)},
        {"1 PM", K::Time, &dmy, true, At(1899, 12, 30, 13, 0)},
        {"13", K::Time, &dmy, false, 0},
        {"13:05 PM", K::Time, &dmy, false, 0},
        {"0:30 AM", K::Time, &dmy, false, 0},
        {"24:00", K::Time, &dmy, false, 0},
        {"12:60", K::Time, &dmy, false, 0},
        {"13:05:07.1234", K::Time, &dmy, false, 0},
        {"22.12.2009", K::Time, &dmy, false, 0},
        {"", K::DateTime, &dmy, false, 0},
        {"abc", K::DateTime, &dmy, false, 0},
    };
    for (const Case& c : cases) {
        double value = -1;
        EXPECT_EQ(TryParseDateTime(QString::fromUtf8(c.text), c.kind, &value, *c.settings), c.ok)
            << c.text;
        EXPECT_NEAR(value, c.ok ? c.value : -1, 1e-9) << c.text;
    }
}

TEST(TryParseDateTime, TwoDigitYearsFallWithinFiftyYearsOfToday) {
    const TFormatSettings dmy = DayMonthYear();
    const int thisYear = QDate::currentDate().year();
    for (int offset : {-50, -1, 0, 1, 49}) {
        const int year = thisYear + offset;
        const QString text = QStringLiteral("01.06.%1").arg(year % 100, 2, 10, QLatin1Char('0'));
        double value = 0;
        ASSERT_TRUE(TryParseDateTime(text, TDateTimeKind::Date, &value, dmy)) << offset;
        EXPECT_EQ(DateOf(value).year(), year) << offset;
    }
}

// What the field shows as its edit text reads back as the same value.
TEST(TryParseDateTime, ReadsBackTheDefaultEditText) {
    TFormatSettings dots = FormatSettingsOf(QLocale(QLocale::Finnish, QLocale::Finland));
    const TFormatSettings settings[] = {
        DayMonthYear(), MonthDayYear(), dots,
        FormatSettingsOf(QLocale(QLocale::Swedish, QLocale::Sweden)),
        FormatSettingsOf(QLocale(QLocale::Ukrainian, QLocale::Ukraine))};
    const double values[] = {At(2009, 12, 22, 13, 5, 7), At(2009, 3, 5, 0, 30, 9),
                             At(2031, 1, 31, 23, 59, 59), At(2009, 12, 22)};
    for (const TFormatSettings& s : settings) {
        for (double v : values) {
            const QString text = FormatDateTime(QStringLiteral("c"), v, s);
            double back = -1;
            EXPECT_TRUE(TryParseDateTime(text, TDateTimeKind::DateTime, &back, s))
                << text.toStdString();
            EXPECT_NEAR(back, v, 1e-9) << text.toStdString();
        }
    }
}

TEST(InvalidDateTimeMessage, QuotesTheTextAsThePlatformDoes) {
    EXPECT_EQ(InvalidDateTimeMessage(QStringLiteral("abc"), TDateTimeKind::DateTime),
              "''abc'' is not a valid date and time");
    EXPECT_EQ(InvalidDateTimeMessage(QStringLiteral("31.02"), TDateTimeKind::Date),
              "'31.02' is not a valid date");
    EXPECT_EQ(InvalidDateTimeMessage(QStringLiteral("25:00"), TDateTimeKind::Time),
              "'25:00' is not a valid time");
    // a %1 in the text is not taken for a marker
    EXPECT_EQ(InvalidDateTimeMessage(QStringLiteral("%1%2"), TDateTimeKind::Date),
              "'%1%2' is not a valid date");
}

TEST(FirstCharOutsideWin1251, NamesTheFirstCharacterTheCodePageCannotHold) {
    struct Case {
        const char* text;
        std::optional<char32_t> first;
    } cases[] = {
        {"", std::nullopt},
        {"Plain ASCII ?", std::nullopt},
        {"Факультет Їжак ґ № € „“ ™", std::nullopt},
        {"a\u03A9b\u4E2D", U'\u03A9'},
        {"Ж\u4E2D\u03A9", U'\u4E2D'},
        {"x\U0001F600y", U'\U0001F600'}, // the whole character, not half of it
        {"\u00C4", U'\u00C4'},           // Latin-1, but not in this code page
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirstCharOutsideWin1251(QString::fromUtf8(c.text)), c.first) << c.text;
    // a lone half of a surrogate pair is no character of the code page either
    EXPECT_EQ(FirstCharOutsideWin1251(QString(QChar(0xD83D)) + u'a'), char32_t(0xD83D));
}

TEST(FirstCharOutsideWin1251, DescribesTheCharacterWithItsCodePoint) {
    EXPECT_EQ(DescribeCharacter(0x3A9), QString::fromUtf8("'Ω' (U+03A9)"));
    EXPECT_EQ(DescribeCharacter(0x3C9), QString::fromUtf8("'ω' (U+03C9)"));
    EXPECT_EQ(DescribeCharacter(0x1F600), QString::fromUtf8("'\U0001F600' (U+1F600)"));
}

} // namespace
