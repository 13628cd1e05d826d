// Two small text builders for values shown to the user: a byte count in the largest
// fitting unit (powers of 1024) and the time of day on a 12-hour clock; plus the local
// time record they use. Unit words come from the application's string table through a
// text source the application installs, so this module needs nothing of the application.
#pragma once
#include <cstdint>

// Answers the text of a string id; never null (an empty text for a missing id).
using TextSource = const char* (*)(int id);
// Installs the source of the unit strings (null: every string is empty).
void SetTimeTextSource(TextSource source);

struct LocalTime {
    std::uint16_t year;    // full year
    std::uint8_t month;    // 1-12
    std::uint8_t day;      // day of the month, 1-31
    std::uint8_t weekday;  // 1-7, Sunday first
    std::uint8_t hour;     // 0-23
    std::uint8_t minute;
    std::uint8_t second;
};

enum class WithSeconds { No, Yes };

// The byte count with the strings base_id (one byte), base_id + 1 (bytes, "%d%"-style
// count), base_id + 2, 3, 4 (kilo-, mega-, gigabytes, the number as a "%s%" argument).
// Owned by the caller.
char* SizeText(int base_id, std::uint32_t count);
// "1:05 PM" or "9:07:03 AM" for a calendar time, as a temporary text.
char* TimeOfDayText(std::int64_t seconds, WithSeconds with_seconds);
LocalTime LocalTimeRecord(std::int64_t seconds);
std::int64_t NowSeconds();
