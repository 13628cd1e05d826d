#include "ui/frame_entry.h"

#include <climits>
#include <cmath>

#include "app/string_tables.h"
#include "foundation/formatter.h"

namespace {

constexpr int kPatternHoursMinutesSeconds = 83, kPatternMinutesSeconds = 82, kPatternSeconds = 81;
constexpr int kTimeWithHours = 64, kTimeBelowAnHour = 65;
constexpr std::uint64_t kHundredthsPerHour = 360000;
constexpr double kLongestDelay = 65535;

bool is_space(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

const char* skip_spaces(const char* p)
{
    while (is_space(*p))
        ++p;
    return p;
}

// A number at p: spaces, an optional sign, digits and (with a fraction) a decimal point
// followed by more digits. Null when there is no digit. Large values grow toward infinity
// but never wrap.
const char* read_number(const char* p, bool fraction, double* value)
{
    p = skip_spaces(p);
    double sign = 1;
    if (*p == '+' || *p == '-') {
        sign = *p == '-' ? -1 : 1;
        ++p;
    }
    double v = 0;
    int digits = 0;
    for (; is_digit(*p); ++p, ++digits)
        v = v * 10 + (*p - '0');
    if (fraction && (*p == '.' || *p == FormatDecimalSeparator())) {
        ++p;
        double scale = 0.1;
        for (; is_digit(*p); ++p, ++digits, scale /= 10)
            v += (*p - '0') * scale;
    }
    if (digits == 0)
        return nullptr;
    *value = sign * v;
    return p;
}

}  // namespace

PatternMatch match_pattern(const char* pattern, const char* text)
{
    PatternMatch match;
    if (pattern == nullptr || text == nullptr)
        return match;
    const char* p = pattern;
    const char* t = text;
    while (*p != '\0') {
        if (*p == '%') {
            const char type = p[1];
            if ((type != 'd' && type != 'f') || match.fields == 4)
                return match;
            p += 2;
            while (*p != '\0' && *p != '%')
                ++p;  // a field specification changes nothing when reading
            if (*p == '%')
                ++p;
            double value = 0;
            const char* after = read_number(t, type == 'f', &value);
            if (after == nullptr)
                return match;
            match.values[match.fields++] = value;
            t = after;
            continue;
        }
        if (is_space(*p)) {
            t = skip_spaces(t);
            ++p;
            continue;
        }
        if (*t != *p)
            return match;
        ++p;
        ++t;
    }
    match.complete = *skip_spaces(t) == '\0';
    return match;
}

FrameNumberEntry read_frame_number(const char* text, std::int32_t frame_count)
{
    FrameNumberEntry entry;
    const PatternMatch m = match_pattern("%d%", text);
    if (!m.complete || m.fields != 1)
        return entry;
    const double v = m.values[0];
    entry.typed = v >= INT_MAX ? INT_MAX : v <= INT_MIN ? INT_MIN : static_cast<std::int32_t>(v);
    entry.number = entry.typed;
    if (entry.typed < 1) {
        entry.verdict = FrameNumberVerdict::BelowOne;
    } else if (entry.typed > frame_count) {
        entry.verdict = FrameNumberVerdict::AboveCount;
        entry.number = frame_count;
    } else {
        entry.verdict = FrameNumberVerdict::Accepted;
    }
    return entry;
}

DelayEntry read_delay(const char* text)
{
    struct Pattern {
        int string;
        int fields;
    };
    static constexpr Pattern patterns[] = {
        {kPatternHoursMinutesSeconds, 3}, {kPatternMinutesSeconds, 2}, {kPatternSeconds, 1}};
    DelayEntry entry;
    for (const Pattern& pattern : patterns) {
        const PatternMatch m = match_pattern(app_string(pattern.string), text);
        if (!m.complete || m.fields != pattern.fields)
            continue;
        // Missing parts count as 0: seconds are always the last field read.
        double parts[3] = {0, 0, 0};  // hours, minutes, seconds
        for (int i = 0; i < m.fields; ++i)
            parts[3 - m.fields + i] = m.values[i];
        if (parts[0] < 0 || parts[1] < 0 || parts[2] < 0)
            return entry;
        const double value = ((parts[0] * 60 + parts[1]) * 60 + parts[2] + 0.005) * 100;
        if (!(value < kLongestDelay + 1)) {
            entry.verdict = DelayVerdict::TooLong;
            entry.value = static_cast<std::uint16_t>(kLongestDelay);
            return entry;
        }
        entry.verdict = DelayVerdict::Accepted;
        entry.value = static_cast<std::uint16_t>(std::trunc(value));
        return entry;
    }
    return entry;
}

StrPtr time_text(std::uint64_t hundredths)
{
    const auto hh = static_cast<int>(hundredths % 100);
    const auto seconds = static_cast<int>(hundredths / 100 % 60);
    const auto minutes = static_cast<int>(hundredths / 6000 % 60);
    if (hundredths < kHundredthsPerHour)
        return StrPtr(FormatNew(app_string(kTimeBelowAnHour), minutes, seconds, hh));
    const std::uint64_t hours = hundredths / kHundredthsPerHour;
    const int shown_hours = hours > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(hours);
    return StrPtr(FormatNew(app_string(kTimeWithHours), shown_hours, minutes, seconds, hh));
}
