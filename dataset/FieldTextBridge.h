#pragma once
// The one place where fields reach the shared text routines (date-time
// format tokens, numeric display formats, float and currency rendering, the
// parsers behind field writes and their messages, the code page check).
// Fields call only these.

#include <QString>
#include <cstdint>

// A date-time rendered with a DisplayFormat ("dd.mm.yyyy hh:mm AMPM").
QString DateTimeText(const QString& format, double value);
// A number rendered with a numeric DisplayFormat or EditFormat ("#,##0.00").
QString NumberText(const QString& format, double value);
// The general floating-point rendering with that many significant digits.
QString GeneralFloatText(double value, int precision);
// The locale's currency rendering.
QString CurrencyText(double value);

enum class TFieldDateKind { Date, Time, DateTime };
// Parsers of typed text; blanks around the text are ignored.
bool ParseFieldInteger(const QString& text, int64_t* value);
bool ParseFieldFloat(const QString& text, double* value);
bool ParseFieldDateTime(const QString& text, TFieldDateKind kind, double* value);
// The platform's message for a date or time text that did not parse.
QString InvalidFieldDateTime(const QString& text, TFieldDateKind kind);
// The first character code page 1251 cannot hold; false when all fit.
bool FirstCharOutsideCodePage(const QString& text, char32_t* character);
// A character for a message: "'Ω' (U+03A9)".
QString CharacterText(char32_t character);
