#include "fib/FIBStoredForms.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Splits a program date-time into whole days and milliseconds of the day,
// the fraction counting forward from midnight also for negative values.
void SplitDateTime(double dateTime, int64_t* days, int64_t* ms) {
    const double whole = std::trunc(dateTime);
    *days = static_cast<int64_t>(whole);
    *ms = std::llround(std::fabs(dateTime - whole) * static_cast<double>(kMSecsPerDayInt));
    if (*ms >= kMSecsPerDayInt) { // rounded up to the next midnight
        *ms -= kMSecsPerDayInt;
        *days += dateTime < 0 ? -1 : 1;
    }
}

double JoinDateTime(int64_t days, double fraction) {
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

} // namespace

double ServerTimestampToDateTime(int32_t date, uint32_t time) {
    return JoinDateTime(static_cast<int64_t>(date) - kServerToProgramDays,
                        static_cast<double>(time) / static_cast<double>(kTimeUnitsPerDay));
}

double ServerDateToDateTime(int32_t date) {
    return static_cast<double>(static_cast<int64_t>(date) - kServerToProgramDays);
}

double ServerTimeToDateTime(uint32_t time) {
    return static_cast<double>(time) / static_cast<double>(kTimeUnitsPerDay);
}

TServerTimestamp DateTimeToServerTimestamp(double dateTime) {
    int64_t days = 0;
    int64_t ms = 0;
    SplitDateTime(dateTime, &days, &ms);
    return {static_cast<int32_t>(days + kServerToProgramDays), static_cast<uint32_t>(ms * 10)};
}

double StoredTimestamp(int32_t date, uint32_t time) {
    return static_cast<double>((static_cast<int64_t>(date) + kServerDateDelta) * kMSecsPerDayInt +
                               time / 10);
}

int32_t StoredDate(int32_t date) {
    // A server date is always far inside the range; a damaged one must not
    // overflow.
    return static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(date) + kServerDateDelta,
                                                    std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int32_t StoredTime(uint32_t time) {
    return static_cast<int32_t>(time / 10);
}

double StoredTimestampToDateTime(double ms) {
    const double days = std::floor(ms / static_cast<double>(kMSecsPerDayInt));
    const double rest = ms - days * static_cast<double>(kMSecsPerDayInt);
    return JoinDateTime(static_cast<int64_t>(days) - kProgramDateDelta,
                        rest / static_cast<double>(kMSecsPerDayInt));
}

double StoredDateToDateTime(int32_t dayNumber) {
    return static_cast<double>(static_cast<int64_t>(dayNumber) - kProgramDateDelta);
}

double StoredTimeToDateTime(int32_t ms) {
    return static_cast<double>(ms) / static_cast<double>(kMSecsPerDayInt);
}

double PowerOfTen(int exponent) {
    static const double table[37] = {
        1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9, 1e-8, 1e-7, 1e-6,
        1e-5,  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,  1e5,  1e6,  1e7,
        1e8,   1e9,   1e10,  1e11,  1e12,  1e13,  1e14,  1e15,  1e16,  1e17, 1e18};
    if (exponent < -18 || exponent > 18)
        return std::pow(10.0, exponent);
    return table[exponent + 18];
}

int64_t IntPowerOfTen(int exponent) {
    int64_t v = 1;
    for (int i = 0; i < exponent && i < 18; ++i)
        v *= 10;
    return v;
}
