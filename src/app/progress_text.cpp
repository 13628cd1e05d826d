#include "app/progress_text.h"

#include "app/string_tables.h"
#include "foundation/formatter.h"

namespace {

constexpr int kRemainingSentence = 343;
constexpr int kSecond = 344, kSeconds = 345;
constexpr int kMinute = 346, kMinutes = 347;
constexpr int kHour = 348, kHours = 349;
constexpr int kOnePart = 350, kTwoParts = 351;

StrPtr unit_text(std::uint32_t count, int singular, int plural)
{
    return StrPtr(FormatNew(app_string(count == 1 ? singular : plural), count));
}

}  // namespace

StrPtr format_duration(std::uint32_t milliseconds)
{
    std::uint32_t t = milliseconds + 1000;  // round up by one second
    const std::uint32_t hours = t / 3600000;
    t %= 3600000;
    const std::uint32_t minutes = t / 60000;
    t %= 60000;
    const std::uint32_t seconds = t / 1000;

    const StrPtr hour_text = unit_text(hours, kHour, kHours);
    const StrPtr minute_text = unit_text(minutes, kMinute, kMinutes);
    const StrPtr second_text = unit_text(seconds, kSecond, kSeconds);
    if (hours > 0) {
        if (minutes != 0 && hours < 10)
            return StrPtr(FormatNew(app_string(kTwoParts), hour_text.get(), minute_text.get()));
        return StrPtr(FormatNew(app_string(kOnePart), hour_text.get()));
    }
    if (minutes > 0) {
        if (seconds != 0 && minutes < 10)
            return StrPtr(FormatNew(app_string(kTwoParts), minute_text.get(), second_text.get()));
        return StrPtr(FormatNew(app_string(kOnePart), minute_text.get()));
    }
    return StrPtr(FormatNew(app_string(kOnePart), second_text.get()));
}

StrPtr remaining_time_text(std::int32_t elapsed_ms, std::uint32_t done, std::uint32_t total)
{
    if (done == 0 || total == 0)
        return nullptr;
    const double estimated = static_cast<double>(elapsed_ms) / done * static_cast<double>(total);
    const auto estimated_total = static_cast<std::int64_t>(estimated);
    std::int64_t remaining = estimated_total - elapsed_ms;
    if (remaining < 0)
        remaining = 0;
    const StrPtr words = format_duration(static_cast<std::uint32_t>(remaining));
    return StrPtr(FormatNew(app_string(kRemainingSentence), words.get()));
}

bool progress_should_show(std::int32_t elapsed_ms, std::uint32_t done, std::uint32_t total)
{
    if (elapsed_ms >= 3000)
        return true;
    if (elapsed_ms < 2000)
        return false;
    return static_cast<std::uint64_t>(done) * 3 <= static_cast<std::uint64_t>(total) * 2;
}
