#include "dataset/FieldTextBridge.h"

#include "base/Format.h"
#include "base/FormatSettings.h"
#include "base/TextCodec.h"

#include <cmath>

#if __has_include("base/FieldText.h")
#include "base/FieldText.h"

QString DateTimeText(const QString& format, double value) {
    return FormatDateTime(format, value);
}

QString NumberText(const QString& format, double value) {
    return FormatFloat(format, value);
}

QString GeneralFloatText(double value, int precision) {
    return FormatGeneralFloat(value, precision);
}

QString CurrencyText(double value) {
    return FormatCurrencyFloat(value);
}

static TDateTimeKind KindOf(TFieldDateKind kind) {
    return kind == TFieldDateKind::Date   ? TDateTimeKind::Date
           : kind == TFieldDateKind::Time ? TDateTimeKind::Time
                                          : TDateTimeKind::DateTime;
}

bool ParseFieldInteger(const QString& text, int64_t* value) {
    return TryParseInteger(text, value);
}

bool ParseFieldFloat(const QString& text, double* value) {
    return TryParseFloat(text, value);
}

bool ParseFieldDateTime(const QString& text, TFieldDateKind kind, double* value) {
    return TryParseDateTime(text, KindOf(kind), value);
}

QString InvalidFieldDateTime(const QString& text, TFieldDateKind kind) {
    return InvalidDateTimeMessage(text, KindOf(kind));
}

bool FirstCharOutsideCodePage(const QString& text, char32_t* character) {
    const std::optional<char32_t> c = FirstCharOutsideWin1251(text);
    if (c)
        *character = *c;
    return c.has_value();
}

QString CharacterText(char32_t character) {
    return DescribeCharacter(character);
}

#else
// Until the shared text routines are in this tree: the format settings'
// conversions, and display formats rendered in the locale's default forms.

QString DateTimeText(const QString& /*format*/, double value) {
    return DateTimeToStr(value);
}

QString NumberText(const QString& /*format*/, double value) {
    return FloatToStr(value);
}

QString GeneralFloatText(double value, int precision) {
    if (precision >= 15 || !std::isfinite(value))
        return FloatToStr(value);
    return FloatToStr(QString::number(value, 'g', precision).toDouble());
}

QString CurrencyText(double value) {
    return QString::number(value, 'f', 2).replace(u'.', FormatSettings().DecimalSeparator);
}

bool ParseFieldInteger(const QString& text, int64_t* value) {
    return TryStrToInt64(text, value);
}

bool ParseFieldFloat(const QString& text, double* value) {
    return TryStrToFloat(text, value);
}

bool ParseFieldDateTime(const QString& text, TFieldDateKind kind, double* value) {
    if (kind == TFieldDateKind::Time) {
        const QTime t = QTime::fromString(text.trimmed(), FormatSettings().LongTimeFormat);
        const QTime hm =
            t.isValid() ? t : QTime::fromString(text.trimmed(), QStringLiteral("H:mm"));
        if (!hm.isValid())
            return false;
        *value = hm.msecsSinceStartOfDay() / kMSecsPerDay;
        return true;
    }
    if (!TryStrToDateTime(text, value))
        return false;
    if (kind == TFieldDateKind::Date)
        *value = std::floor(*value);
    return true;
}

QString InvalidFieldDateTime(const QString& text, TFieldDateKind kind) {
    const QString pattern =
        kind == TFieldDateKind::Date   ? QStringLiteral("'%s' is not a valid date")
        : kind == TFieldDateKind::Time ? QStringLiteral("'%s' is not a valid time")
                                       : QStringLiteral("''%s'' is not a valid date and time");
    return FormatText(pattern, {text});
}

bool FirstCharOutsideCodePage(const QString& text, char32_t* character) {
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size();
        const qsizetype width = pair ? 2 : 1;
        const QString one = text.mid(i, width);
        if (DecodeText(EncodeText(one)) != one) {
            *character =
                pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
            return true;
        }
        i += width;
    }
    return false;
}

QString CharacterText(char32_t character) {
    return QStringLiteral("'%1' (U+%2)")
        .arg(QString::fromUcs4(&character, 1))
        .arg(QString::number(static_cast<uint>(character), 16).toUpper().rightJustified(4, u'0'));
}

#endif
