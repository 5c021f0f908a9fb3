#pragma once
// The texts of field values: display formats for dates and numbers, the
// general, fixed and currency renderings of floats, the parsers behind field
// writes with the messages a failed parse shows, and the check that a text
// fits the connection's code page. Pure functions of their arguments and the
// given format settings; nothing here knows about datasets or fields.

#include "base/FormatSettings.h"

#include <QString>
#include <cstdint>
#include <optional>

// --- Date-time display formats ---------------------------------------------
//
// Tokens (letters in any case; text in single or double quotes is copied
// without the quotes; every other character is copied):
//   d dd            day of month (dd: two digits)
//   ddd dddd        short / long day name
//   ddddd dddddd    the short / long date pattern
//   m mm            month number; minutes when the most recent letter token
//                   before it was an h ("hh:mm")
//   mmm mmmm        short / long month name
//   yy yyyy         two-digit / four-digit year (a lone y is yy, three or
//                   more are yyyy)
//   h hh            hour; on a 12-hour clock (0 shows as 12) when AMPM, AM/PM
//                   or A/P follows before the next h
//   n nn  s ss      minutes, seconds
//   z zz zzz        milliseconds (z unpadded, zz and zzz three digits)
//   AMPM            the AM designator before noon, the PM designator after;
//                   where both designators are empty it does not turn the
//                   hours to a 12-hour clock, so the time stays unambiguous
//   AM/PM A/P       the first or second half, as written in the format
//   /  :            the date / time separator
//   c               short date pattern, then a blank and the long time
//                   pattern when the time of day is not 00:00:00
//   t tt            short / long time pattern
QString FormatDateTime(const QString& format, double dateTime,
                       const TFormatSettings& settings = FormatSettings());

// --- Numbers ----------------------------------------------------------------

// General rendering with at most `precision` significant digits (kept within
// 2..15), decimal rounding half away from zero, exponent form (1.5E20, 1E-5)
// only where the exponent is below -4 or not below `precision`.
// FormatGeneralFloat(v, 15) is FloatToStr(v).
QString FormatGeneralFloat(double value, int precision,
                           const TFormatSettings& settings = FormatSettings());
// Plain digits with exactly `decimals` decimals (0..18), no grouping: the
// edit text of a currency value.
QString FormatFixedFloat(double value, int decimals,
                         const TFormatSettings& settings = FormatSettings());
// The currency rendering: grouped digits, CurrencyDecimals decimals, the
// currency symbol placed as CurrencyFormat says, a leading "-" when negative.
QString FormatCurrencyFloat(double value, const TFormatSettings& settings = FormatSettings());

// A numeric display format such as "#,##0.00", "0.", "#,##0." or "0.000":
//   0   a digit, shown even when it is a leading or trailing zero
//   #   a digit, left out when it is a leading or trailing zero
//   .   the place of the decimal separator, shown only when a digit follows
//   ,   anywhere in the integer part: group the integer digits in threes
//   ;   separates sections: positive;negative;zero (an empty or missing
//       negative section uses the first with a leading "-")
// Quoted text and other characters before the first or after the last
// placeholder are copied. Not supported: scientific formats (E+00), and
// literal characters between placeholders (they end the number part).
// An empty format gives FormatGeneralFloat(value, 15).
QString FormatFloat(const QString& format, double value,
                    const TFormatSettings& settings = FormatSettings());

// --- Parsers for field writes ----------------------------------------------
// Blanks around the text are ignored. On failure the value is left unchanged.

// Decimal digits with an optional sign; anything beyond 64 bits fails (the
// caller checks its own range).
bool TryParseInteger(const QString& text, int64_t* value);
// A float in the settings' locale: optional sign, digits with at most one
// DecimalSeparator, optional exponent (1,5E3). No grouping, no infinities, no
// NaN; a value beyond the double range fails.
bool TryParseFloat(const QString& text, double* value,
                   const TFormatSettings& settings = FormatSettings());

enum class TDateTimeKind { Date, Time, DateTime };

// Date: numbers in the order of ShortDatePattern separated by DateSeparator;
// a missing year is the current one, a two-digit year the one within 50 years
// of today. Time: h[:n[:s[.zzz]]] with TimeSeparator, optionally followed by
// the AM or PM designator (or "AM" / "PM"). Date and time: a date, or a date,
// blanks and a time (what the default edit text of a date-time looks like).
bool TryParseDateTime(const QString& text, TDateTimeKind kind, double* value,
                      const TFormatSettings& settings = FormatSettings());
// The platform's message for a text that did not parse, the text inserted:
// "'%s' is not a valid date", "'%s' is not a valid time" and (quotes doubled)
// "''%s'' is not a valid date and time".
QString InvalidDateTimeMessage(const QString& text, TDateTimeKind kind);

// --- Code page check --------------------------------------------------------

// The first character (a whole code point, surrogate pairs included) of the
// text that code page 1251 cannot hold, or nothing when every one fits.
std::optional<char32_t> FirstCharOutsideWin1251(const QString& text);
// A character for a message: the character itself and its code point, as in
// "'Ω' (U+03A9)".
QString DescribeCharacter(char32_t c);
