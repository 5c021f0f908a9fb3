#pragma once
// The one place where fields reach the text routines of the shared layer
// (date-time format tokens, numeric display formats, float and currency
// rendering). Fields call only these.

#include <QString>

// A date-time rendered with a DisplayFormat ("dd.mm.yyyy hh:mm AMPM").
QString DateTimeText(const QString& format, double value);
// A number rendered with a numeric DisplayFormat or EditFormat ("#,##0.00").
QString NumberText(const QString& format, double value);
// The general floating-point rendering with that many significant digits.
QString GeneralFloatText(double value, int precision);
// The locale's currency rendering.
QString CurrencyText(double value);
