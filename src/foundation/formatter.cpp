#include "foundation/formatter.h"

#include "foundation/list.h"
#include "foundation/memory.h"
#include "platform/core/locale.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr ListValue kTempMark = ~ListValue(0);
constexpr std::uint32_t kNumberMaximum = 255;
constexpr std::uint32_t kStringMaximum = 1000000;
constexpr std::uint32_t kFractionMaximum = 10;
constexpr int kSignificantDigits = 25;

// Arguments of one pass; a struct so that the list can be handed on by reference.
struct Arguments {
    va_list list;
};

// One pass over the format: counts characters (measuring) or writes them (rendering).
// Every handler runs the same code in both passes, so the measured length is by
// construction the rendered one.
class Output {
public:
    explicit Output(char* destination) : m_at(destination) { }
    void put(char c)
    {
        if (m_at)
            *m_at++ = c;
        ++m_count;
    }
    void put(char c, std::size_t times)
    {
        if (m_at) {
            std::memset(m_at, c, times);
            m_at += times;
        }
        m_count += times;
    }
    void put(const char* text, std::size_t length)
    {
        if (m_at && length > 0) {
            std::memcpy(m_at, text, length);
            m_at += length;
        }
        m_count += length;
    }
    void finish()
    {
        if (m_at)
            *m_at = '\0';
    }
    std::size_t count() const { return m_count; }

private:
    char* m_at;
    std::size_t m_count = 0;
};

// The field text of one directive: the characters between its type letter and its
// closing '%', read left to right.
struct Spec {
    const char* at;
    const char* end;
    char peek(std::size_t ahead = 0) const { return at + ahead < end ? at[ahead] : '\0'; }
    bool done() const { return at >= end; }
};

using Handler = void (*)(Spec& spec, Arguments& arguments, Output& out);

struct Formatter {
    Handler handlers[256] = {};
    bool initialised = false;
    char decimal_separator = '.';
    List* temporaries = nullptr;
};

Formatter& formatter()
{
    static Formatter state;
    return state;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A width, maximum or count: a run of digits (taken modulo 65536) or 'v' for the low 16
// bits of the next argument. Absent: 0.
std::uint32_t read_number(Spec& spec, Arguments& arguments)
{
    if (spec.peek() == 'v') {
        ++spec.at;
        return static_cast<std::uint16_t>(va_arg(arguments.list, int));
    }
    std::uint16_t value = 0;
    while (is_digit(spec.peek())) {
        value = static_cast<std::uint16_t>(value * 10 + (*spec.at - '0'));
        ++spec.at;
    }
    return value;
}

struct Field {
    char pad;
    std::uint32_t width;
    std::uint32_t maximum;
};

// Pad character, width, then a maximum introduced by a comma that a digit or 'v' follows.
Field read_field(Spec& spec, Arguments& arguments, char default_pad, std::uint32_t default_maximum)
{
    Field field{default_pad, 0, default_maximum};
    char first = spec.peek();
    if (!spec.done() && !(first >= '1' && first <= '9') && first != 'v') {
        field.pad = first;
        ++spec.at;
    }
    field.width = read_number(spec, arguments);
    char after = spec.peek(1);
    if (spec.peek() == ',' && (is_digit(after) || after == 'v')) {
        ++spec.at;
        field.maximum = read_number(spec, arguments);
    }
    return field;
}

void skip_size_letter(Spec& spec)
{
    char c = spec.peek();
    if (c == 'l' || c == 's' || c == 'b')
        ++spec.at;
}

// Right-aligned digits: pad up to the width, then the lowest min(count, maximum) digits.
void put_digits(Output& out, const Field& field, std::uint32_t value, std::uint32_t base)
{
    static const char kDigits[] = "0123456789ABCDEF";
    char digits[16];
    std::size_t count = 0;
    do {
        digits[count++] = kDigits[value % base];
        value /= base;
    } while (value != 0);
    if (field.width > count)
        out.put(field.pad, field.width - count);
    std::size_t shown = count < field.maximum ? count : field.maximum;
    for (std::size_t i = shown; i > 0; --i)
        out.put(digits[i - 1]);
}

void handle_signed(Spec& spec, Arguments& arguments, Output& out)
{
    skip_size_letter(spec);
    Field field = read_field(spec, arguments, ' ', kNumberMaximum);
    int value = va_arg(arguments.list, int);
    auto magnitude = static_cast<std::uint32_t>(value);
    if (value < 0) {
        out.put('-');
        magnitude = 0u - magnitude;
    }
    put_digits(out, field, magnitude, 10);
}

void handle_unsigned(Spec& spec, Arguments& arguments, Output& out)
{
    skip_size_letter(spec);
    Field field = read_field(spec, arguments, ' ', kNumberMaximum);
    put_digits(out, field, va_arg(arguments.list, unsigned int), 10);
}

void handle_hex(Spec& spec, Arguments& arguments, Output& out)
{
    skip_size_letter(spec);
    Field field = read_field(spec, arguments, ' ', kNumberMaximum);
    put_digits(out, field, va_arg(arguments.list, unsigned int), 16);
}

void handle_char(Spec& spec, Arguments& arguments, Output& out)
{
    char first = spec.peek();
    std::uint32_t count = (is_digit(first) || first == 'v') ? read_number(spec, arguments) : 1;
    auto c = static_cast<char>(va_arg(arguments.list, int));
    out.put(c, count);
}

void handle_string(Spec& spec, Arguments& arguments, Output& out)
{
    Field field = read_field(spec, arguments, ' ', kStringMaximum);
    const char* text = va_arg(arguments.list, const char*);
    // A null string is shown as an empty one rather than crashing the program.
    std::size_t length = text ? strnlen(text, field.maximum) : 0;
    out.put(text, length);
    if (field.width > length)
        out.put(field.pad, field.width - length);
}

void handle_percent(Spec&, Arguments&, Output& out) { out.put('%'); }

// A decimal digit string with the position of its decimal point: the value is
// 0.digits * 10^point, so point is the number of integer digits (0 or negative below 1).
struct Decimal {
    char* digits = nullptr;
    std::size_t length = 0;
    long point = 0;
    char small[400];
    MemPtr<char> large;
};

// The first 25 significant digits of magnitude, correctly rounded (glibc's conversions
// round exactly), with the position of the decimal point.
void significant_digits(double magnitude, Decimal& decimal)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", kSignificantDigits - 1, magnitude);
    std::size_t length = 0;
    const char* c = text;
    for (; *c && *c != 'e'; ++c) {
        if (is_digit(*c))
            decimal.small[length++] = *c;
    }
    long exponent = (*c == 'e') ? std::strtol(c + 1, nullptr, 10) : 0;
    decimal.digits = decimal.small;
    decimal.length = length;
    decimal.point = exponent + 1;
}

// True when magnitude lies exactly halfway between two values of n fraction digits: its
// binary fraction then has exactly n + 1 bits, so its decimal one has n + 1 digits ending in 5.
bool is_exact_half(double magnitude, std::uint32_t n)
{
    if (n >= 1100)
        return false;  // beyond the longest binary fraction of a double
    double wider = std::ldexp(magnitude, static_cast<int>(n) + 1);
    double narrower = std::ldexp(magnitude, static_cast<int>(n));
    return wider == std::floor(wider) && narrower != std::floor(narrower);
}

// magnitude rounded to n fraction digits (halves away from zero, as people round),
// leading zeros dropped; a value that rounds to
// zero becomes n zeros behind the point, so that its fraction shows zeros.
void fixed_digits(double magnitude, std::uint32_t n, Decimal& decimal)
{
    std::size_t room = 320 + n;  // 309 integer digits at most, the point, n digits, NUL
    char* text = decimal.small;
    if (room > sizeof decimal.small) {
        decimal.large.reset(static_cast<char*>(MemAlloc(room)));
        text = decimal.large.get();
    }
    // glibc rounds exact halves to even; the next double above a half rounds up instead.
    if (is_exact_half(magnitude, n))
        magnitude = std::nextafter(magnitude, INFINITY);
    int written = std::snprintf(text, room, "%.*f", static_cast<int>(n), magnitude);
    if (written < 0)
        written = 0;
    long integer_digits = 0;
    std::size_t length = 0;
    bool in_fraction = false;
    for (int i = 0; i < written; ++i) {
        if (!is_digit(text[i])) {
            in_fraction = true;
            continue;
        }
        if (!in_fraction)
            ++integer_digits;
        text[length++] = text[i];
    }
    std::size_t zeros = 0;
    while (zeros < length && text[zeros] == '0')
        ++zeros;
    decimal.digits = text + zeros;
    decimal.length = length - zeros;
    decimal.point = integer_digits - static_cast<long>(zeros);
    if (decimal.length == 0) {
        decimal.digits = text;
        decimal.length = n;
        std::memset(text, '0', n);
        decimal.point = 0;
    }
}

// Digit t of the 25-digit string as a fraction digit: zeros before and after it.
char digit_at(const Decimal& decimal, long t)
{
    if (t < 0 || t >= static_cast<long>(decimal.length))
        return '0';
    return decimal.digits[t];
}

// Fraction digits to show: at least the width, then up to the maximum while a non-zero
// digit remains (judged on the 25 significant digits, before rounding to that count).
std::uint32_t fraction_digit_count(double magnitude, const Field& fraction)
{
    if (fraction.maximum <= fraction.width)
        return fraction.width;
    Decimal decimal;
    significant_digits(magnitude, decimal);
    // Fraction digit i (from 1) is digit point + i - 1 of the string; beyond the 25
    // significant digits every digit is 0, so the search stops there.
    long candidates = static_cast<long>(fraction.maximum - fraction.width);
    long reach = static_cast<long>(decimal.length) - decimal.point - static_cast<long>(fraction.width);
    if (reach < candidates)
        candidates = reach;
    for (long k = candidates; k >= 1; --k) {
        if (digit_at(decimal, decimal.point + static_cast<long>(fraction.width) + k - 1) != '0')
            return fraction.width + static_cast<std::uint32_t>(k);
    }
    return fraction.width;
}

void put_float_digits(Output& out, const Decimal& decimal, const Field& integer, char fraction_pad, std::uint32_t n,
                      char separator)
{
    long point = decimal.point;
    long width = point > static_cast<long>(integer.width)
        ? (point < static_cast<long>(integer.maximum) ? point : static_cast<long>(integer.maximum))
        : static_cast<long>(integer.width);
    if (width == 0)
        width = 1;
    for (long j = 0; j < width; ++j) {
        long t = point - width + j;
        if (t < 0 && j != width - 1)
            out.put(integer.pad);
        else if (t >= 0 && t < static_cast<long>(decimal.length))
            out.put(decimal.digits[t]);
        else
            out.put('0');
    }
    if (n == 0)
        return;
    out.put(separator);
    for (std::uint32_t i = 0; i < n; ++i) {
        long t = point + static_cast<long>(i);
        if (t < 0)
            out.put('0');
        else if (t < static_cast<long>(decimal.length))
            out.put(decimal.digits[t]);
        else
            out.put(fraction_pad);
    }
}

void handle_float(Spec& spec, Arguments& arguments, Output& out)
{
    bool always_sign = false;
    if (spec.peek() == '+') {
        always_sign = true;
        ++spec.at;
    } else if (spec.peek() == 's') {
        ++spec.at;
        always_sign = static_cast<std::uint8_t>(va_arg(arguments.list, int)) != 0;
    }
    Field integer = read_field(spec, arguments, ' ', kNumberMaximum);
    if (spec.peek() == '.')
        ++spec.at;
    Field fraction = read_field(spec, arguments, '0', kFractionMaximum);
    double value = va_arg(arguments.list, double);
    if (std::isnan(value)) {
        out.put("NAN", 3);
        return;
    }
    if (value < 0) {
        out.put('-');
        value = -value;
    } else if (always_sign) {
        out.put('+');
    }
    if (std::isinf(value)) {
        out.put("inf", 3);
        return;
    }
    value = std::fabs(value);  // negative zero is not negative: no sign, and no '-' digits
    std::uint32_t n = fraction_digit_count(value, fraction);
    Decimal decimal;
    fixed_digits(value, n, decimal);
    put_float_digits(out, decimal, integer, fraction.pad, n, formatter().decimal_separator);
}

void handle_nothing(Spec&, Arguments&, Output&) { }

Handler handler_for(char letter)
{
    Formatter& f = formatter();
    if (!f.initialised)
        FormatterInit();
    return f.handlers[static_cast<unsigned char>(letter)];
}

// The scan shared by both passes. The format is only read: a directive's specification
// is handed on as a span, so a format in read-only memory is fine.
void scan(const char* format, Arguments& arguments, Output& out)
{
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            out.put(*p++);
            continue;
        }
        char letter = p[1];
        if (letter == '\0')
            break;  // a lone '%' at the end is dropped
        Spec spec{p + 2, nullptr};
        const char* close = std::strchr(spec.at, '%');
        spec.end = close ? close : spec.at + std::strlen(spec.at);
        handler_for(letter)(spec, arguments, out);
        if (!close)
            break;  // the unterminated directive took the rest of the format
        p = close + 1;
    }
    out.finish();
}

}  // namespace

void FormatterInit()
{
    Formatter& f = formatter();
    for (Handler& handler : f.handlers)
        handler = handle_nothing;
    f.handlers[static_cast<unsigned char>('d')] = handle_signed;
    f.handlers[static_cast<unsigned char>('u')] = handle_unsigned;
    f.handlers[static_cast<unsigned char>('x')] = handle_hex;
    f.handlers[static_cast<unsigned char>('c')] = handle_char;
    f.handlers[static_cast<unsigned char>('f')] = handle_float;
    f.handlers[static_cast<unsigned char>('s')] = handle_string;
    f.handlers[static_cast<unsigned char>('%')] = handle_percent;
    f.initialised = true;
}

void FormatterStart()
{
    Formatter& f = formatter();
    if (!f.temporaries)
        f.temporaries = ListNew();
    FormatSetDecimalSeparator(platform::decimal_separator());
    FormatterInit();
}

void FormatSetDecimalSeparator(char separator) { formatter().decimal_separator = separator ? separator : '.'; }

char FormatDecimalSeparator() { return formatter().decimal_separator; }

std::size_t FormatLengthV(const char* format, va_list arguments)
{
    Arguments measuring;
    va_copy(measuring.list, arguments);
    Output out(nullptr);
    scan(format, measuring, out);
    va_end(measuring.list);
    return out.count();
}

char* FormatIntoV(char* destination, const char* format, va_list arguments)
{
    Arguments rendering;
    va_copy(rendering.list, arguments);
    Output out(destination);
    scan(format, rendering, out);
    va_end(rendering.list);
    return destination;
}

char* FormatNewV(const char* format, va_list arguments)
{
    std::size_t length = FormatLengthV(format, arguments);
    auto* text = static_cast<char*>(MemAlloc(length + 1));
    return FormatIntoV(text, format, arguments);
}

char* FormatTempV(const char* format, va_list arguments)
{
    char* text = FormatNewV(format, arguments);
    TempKeep(text);
    return text;
}

char* FormatTemp(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    char* text = FormatTempV(format, arguments);
    va_end(arguments);
    return text;
}

char* FormatNew(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    char* text = FormatNewV(format, arguments);
    va_end(arguments);
    return text;
}

char* FormatInto(char* destination, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    FormatIntoV(destination, format, arguments);
    va_end(arguments);
    return destination;
}

char* UIntToText(char* destination, std::uint32_t value) { return FormatInto(destination, "%u%", value); }

void TempMark()
{
    Formatter& f = formatter();
    if (!f.temporaries)
        f.temporaries = ListNew();
    ListAppend(f.temporaries, kTempMark);
}

void TempRelease()
{
    List* stack = formatter().temporaries;
    if (!stack)
        return;
    while (ListCount(stack) > 0) {
        ListValue top = ListLast(stack);
        ListRemove(stack);
        if (top == kTempMark)
            return;
        MemFree(ListPointer<void>(top));
    }
}

void TempKeep(void* block)
{
    Formatter& f = formatter();
    if (!f.temporaries)
        f.temporaries = ListNew();
    ListAppend(f.temporaries, ListValueOf(block));
}

std::uint16_t TempDepth()
{
    List* stack = formatter().temporaries;
    return stack ? ListCount(stack) : 0;
}
