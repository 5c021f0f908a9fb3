#pragma once
// The server's date and time encodings, and the forms in which a dataset
// record keeps fetched values:
//   TIMESTAMP  double, milliseconds since 1 January 0001 (day 1)
//   DATE       int32, day number (1 January 0001 = day 1)
//   TIME       int32, milliseconds since midnight
//   BIGINT     int64 for scales -4 and above, else a double of the value
//   CHAR/VARCHAR  the bytes in a fixed slot of sqllen bytes plus a zero byte,
//              or, above 12 declared characters, a 32-bit length + the bytes
//   others     as the server sends them

#include <cstdint>

// Days from 1 January 0001 (day 1) to 17 November 1858, the server's day 0.
constexpr int32_t kServerDateDelta = 678576;
// Days from 17 November 1858 to 30 December 1899, the program's day 0.
constexpr int32_t kServerToProgramDays = 15018;
// Days from 1 January 0001 (day 1) to 30 December 1899.
constexpr int32_t kProgramDateDelta = kServerDateDelta + kServerToProgramDays;
constexpr int64_t kMSecsPerDayInt = 86400000;
constexpr int64_t kTimeUnitsPerDay = 864000000; // 1/10000 s

struct TServerTimestamp {
    int32_t date;  // days since 17 November 1858
    uint32_t time; // 1/10000 s since midnight
};

double ServerTimestampToDateTime(int32_t date, uint32_t time);
double ServerDateToDateTime(int32_t date);
double ServerTimeToDateTime(uint32_t time);
// Whole milliseconds, the way the program's date-times carry them.
TServerTimestamp DateTimeToServerTimestamp(double dateTime);

double StoredTimestamp(int32_t date, uint32_t time);
int32_t StoredDate(int32_t date);
int32_t StoredTime(uint32_t time);
double StoredTimestampToDateTime(double ms);
double StoredDateToDateTime(int32_t dayNumber);
double StoredTimeToDateTime(int32_t ms);

// 10^exponent for exponent -18..18.
double PowerOfTen(int exponent);
int64_t IntPowerOfTen(int exponent); // 0..18
