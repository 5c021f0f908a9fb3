#include "dataset/FieldTextBridge.h"

#include "base/FieldText.h"

#include <optional>

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
