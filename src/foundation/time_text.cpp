#include "foundation/time_text.h"

#include "foundation/formatter.h"
#include "foundation/heap_string.h"

#include <ctime>

namespace {

// Where the texts come from; none until the application sets its source.
struct TimeTextState {
    TextSource source = nullptr;
};

TimeTextState& time_text_state()
{
    static TimeTextState state;
    return state;
}

const char* text(int id)
{
    const TextSource source = time_text_state().source;
    const char* found = source ? source(id) : nullptr;
    return found ? found : "";
}

constexpr std::uint32_t kKilo = 1024;
constexpr std::uint32_t kMega = 1024 * 1024;
constexpr std::uint32_t kGiga = 1024 * 1024 * 1024;

}  // namespace

void SetTimeTextSource(TextSource source) { time_text_state().source = source; }

char* SizeText(int base_id, std::uint32_t count)
{
    if (count < kKilo) {
        if (count == 1)
            return FormatNew(text(base_id));
        return FormatNew(text(base_id + 1), static_cast<int>(count));
    }
    int unit = base_id + 4;
    double value = static_cast<double>(count) / kGiga;
    if (count < kMega) {
        unit = base_id + 2;
        value = static_cast<double>(count) / kKilo;
    } else if (count < kGiga) {
        unit = base_id + 3;
        value = static_cast<double>(count) / kMega;
    }
    // Below 100 one fraction digit, shown only when it is not 0; from 100 whole numbers.
    StrPtr number(FormatNew(value < 100 ? "%f .0,1%" : "%f .0,0%", value));
    return FormatNew(text(unit), number.get());
}

LocalTime LocalTimeRecord(std::int64_t seconds)
{
    auto t = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (!localtime_r(&t, &parts))
        return LocalTime{1970, 1, 1, 5, 0, 0, 0};
    return LocalTime{static_cast<std::uint16_t>(parts.tm_year + 1900), static_cast<std::uint8_t>(parts.tm_mon + 1),
                     static_cast<std::uint8_t>(parts.tm_mday),         static_cast<std::uint8_t>(parts.tm_wday + 1),
                     static_cast<std::uint8_t>(parts.tm_hour),         static_cast<std::uint8_t>(parts.tm_min),
                     static_cast<std::uint8_t>(parts.tm_sec)};
}

std::int64_t NowSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

char* TimeOfDayText(std::int64_t seconds, WithSeconds with_seconds)
{
    LocalTime local = LocalTimeRecord(seconds);
    int hour = local.hour % 12;
    if (hour == 0)
        hour = 12;
    const char* half = local.hour < 12 ? "AM" : "PM";
    if (with_seconds == WithSeconds::Yes)
        return FormatTemp("%ds%:%ds02%:%ds02% %s%", hour, static_cast<int>(local.minute),
                          static_cast<int>(local.second), half);
    return FormatTemp("%ds%:%ds02% %s%", hour, static_cast<int>(local.minute), half);
}
