// libFuzzer target for the field text routines: the parsers behind field
// writes (integer, float, date, time, date-time) and the display formats
// (date-time tokens, numeric sections), in the default settings and in the
// settings of locales whose separators differ. Promises: what a parser
// accepts is a finite value that its own rendering parses back to; nothing
// crashes or reads out of bounds on any format or text.
//
// Input: a control byte, eight bytes of a double, then the text. Control bits
// 0-1: the settings (default, Ukrainian, German, US English); bit 2: the text
// is raw UTF-16.

#include "FuzzSupport.h"

#include "base/FieldText.h"
#include "base/FormatSettings.h"

#include <QLocale>
#include <cmath>

namespace {

const TFormatSettings& SettingsOf(uint8_t choice) {
    static const TFormatSettings settings[] = {
        TFormatSettings{},
        FormatSettingsOf(QLocale(QLocale::Ukrainian, QLocale::Ukraine)),
        FormatSettingsOf(QLocale(QLocale::German, QLocale::Germany)),
        FormatSettingsOf(QLocale(QLocale::English, QLocale::UnitedStates)),
    };
    return settings[choice & 3];
}

// Dates the program can meet: years 1 to 9999.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958466.0;

void CheckInteger(const QString& text) {
    int64_t v = 0;
    if (TryParseInteger(text, &v)) {
        int64_t again = 0;
        Require(TryParseInteger(QString::number(v), &again) && again == v,
                "an accepted integer parses back from its digits");
    }
}

void CheckFloat(const QString& text, const TFormatSettings& s) {
    double v = 0;
    if (!TryParseFloat(text, &v, s))
        return;
    Require(std::isfinite(v), "an accepted float is finite");
    double again = 0;
    Require(TryParseFloat(FormatGeneralFloat(v, 15, s), &again, s),
            "a float's rendering parses back");
    (void)FormatFixedFloat(v, 2, s);
    (void)FormatCurrencyFloat(v, s);
}

void CheckDateTime(const QString& text, const TFormatSettings& s) {
    for (TDateTimeKind kind : {TDateTimeKind::Date, TDateTimeKind::Time, TDateTimeKind::DateTime}) {
        double v = 0;
        if (!TryParseDateTime(text, kind, &v, s)) {
            (void)InvalidDateTimeMessage(text, kind);
            continue;
        }
        Require(std::isfinite(v), "an accepted date-time is finite");
        Require(v >= kFirstDay && v < kLastDay, "an accepted date-time is a real day");
        (void)FormatDateTime(QStringLiteral("c"), v, s);
    }
}

void CheckFormats(const QString& format, double value, const TFormatSettings& s) {
    // A date-time value comes from a date column or a parsed text: a real day.
    if (std::isfinite(value)) {
        const double day = kFirstDay + std::fmod(std::fabs(value), kLastDay - kFirstDay);
        (void)FormatDateTime(format, day, s);
    }
    // Any double a column can hold, infinities and NaN included.
    (void)FormatFloat(format, value, s);
    (void)FormatGeneralFloat(value, 15, s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFuzzInput in(data, size);
    const uint8_t control = in.Byte();
    const double value = in.Double();
    const QString text = in.RestText((control & 4) != 0).left(512);
    const TFormatSettings& s = SettingsOf(control);
    CheckInteger(text);
    CheckFloat(text, s);
    CheckDateTime(text, s);
    CheckFormats(text, value, s);
    return 0;
}
