#include "app/language_file.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/report.h"
#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"

namespace {

// Lines are read into a buffer of this size and terminated there; the rest of a longer line
// is skipped, so it cannot turn into lines of its own.
constexpr std::size_t kLineBuffer = 5000;

// The language file module's process-wide state.
struct LanguageFileState {
    void (*end_hook)() = nullptr;  // instead of ending the program after a fatal message
};

LanguageFileState& language_file_state()
{
    static LanguageFileState state;
    return state;
}

void end_program()
{
    if (void (*hook)() = language_file_state().end_hook) {
        hook();
        return;
    }
    std::exit(EXIT_FAILURE);
}

std::string format_message(const char* pattern, ...)
{
    va_list arguments;
    va_start(arguments, pattern);
    StrPtr text(FormatNewV(pattern, arguments));
    va_end(arguments);
    return text.get();
}

enum class Script { Western, SingleByte, DoubleByte };

Script script_for(int language)
{
    switch (language) {
    case 5:
    case 6:
    case 9:
    case 10:
        return Script::DoubleByte;
    case 12:
        return Script::SingleByte;
    default:
        return Script::Western;
    }
}

// One-character escape codes and the Windows-1252 character each gives.
struct SingleCode {
    char code;
    unsigned char result;
};
constexpr SingleCode kSingleCodes[] = {
    {'n', 13}, {'\\', '\\'}, {' ', 160}, {'!', 161}, {'?', 191},
    {'*', 45}, {'+', 177},   {'c', 169}, {'d', 176}, {'8', 17},
};

// Two-character codes: first character, second character, result (0: no character).
struct PairCode {
    char first;
    char second;
    unsigned char result;
};
constexpr PairCode kPairCodes[] = {
    {'a', 'p', 20},  {'\'', ' ', 39}, {'\'', '\'', 34}, {'`', ' ', 39},  {'`', '`', 34},  {',', ',', 132},
    {'A', 'E', 198}, {'a', 'e', 230}, {'O', 'E', 140},  {'o', 'e', 156}, {'s', 's', 223}, {'/', 'O', 216},
    {'/', 'o', 248}, {'5', 'C', 199}, {'5', 'c', 231},  {'o', 'A', 197}, {'o', 'a', 229}, {'o', 'o', 0},
};

// Accent codes with the letters they accept and the Windows-1252 results, in the same order.
struct Accent {
    char code;
    const char* letters;
    const unsigned char* results;
};
constexpr unsigned char kAcute[] = {193, 201, 205, 211, 218, 221, 225, 233, 237, 243, 250, 253};
constexpr unsigned char kGrave[] = {192, 200, 204, 210, 217, 224, 232, 236, 242, 249};
constexpr unsigned char kCircumflex[] = {194, 202, 206, 212, 219, 226, 234, 238, 244, 251};
constexpr unsigned char kDiaeresis[] = {196, 203, 207, 214, 220, 228, 235, 239, 246, 252};
constexpr unsigned char kTilde[] = {195, 209, 213, 227, 241, 245};
constexpr Accent kAccents[] = {
    {'\'', "AEIOUYaeiouy", kAcute},  {'`', "AEIOUaeiou", kGrave}, {'^', "AEIOUaeiou", kCircumflex},
    {':', "AEIOUaeiou", kDiaeresis}, {'~', "ANOano", kTilde},
};

bool is_first_of_pair(char code)
{
    for (const PairCode& pair : kPairCodes)
        if (pair.first == code)
            return true;
    for (const Accent& accent : kAccents)
        if (accent.code == code)
            return true;
    return code == '0';
}

// A raw byte of 128 or more is allowed only when an escape produces it.
bool has_escape(unsigned char byte)
{
    for (const SingleCode& single : kSingleCodes)
        if (single.result == byte)
            return true;
    for (const PairCode& pair : kPairCodes)
        if (pair.result == byte)
            return true;
    for (const Accent& accent : kAccents)
        for (std::size_t i = 0; accent.letters[i] != 0; ++i)
            if (accent.results[i] == byte)
                return true;
    return false;
}

// Decodes the two-character code first, second; false when second is not accepted.
bool decode_pair(char first, char second, std::string& out)
{
    for (const PairCode& pair : kPairCodes) {
        if (pair.first == first && pair.second == second) {
            if (pair.result != 0)
                out += static_cast<char>(pair.result);
            return true;
        }
    }
    for (const Accent& accent : kAccents) {
        if (accent.code != first)
            continue;
        for (std::size_t i = 0; accent.letters[i] != 0; ++i) {
            if (accent.letters[i] == second) {
                out += static_cast<char>(accent.results[i]);
                return true;
            }
        }
    }
    return false;
}

// The escape sequence at p (p[0] is the backslash): appends its character and gives the
// bytes it takes, or 0 with the message for the line when the escape is invalid.
std::size_t decode_escape(const unsigned char* p, std::string& out, char letter, int index, std::string& message)
{
    const unsigned char code = p[1];
    if (code >= 32 && code <= 126) {
        for (const SingleCode& single : kSingleCodes) {
            if (single.code == static_cast<char>(code)) {
                out += static_cast<char>(single.result);
                return 2;
            }
        }
    }
    if (code < 32 || code > 126 || !is_first_of_pair(static_cast<char>(code))) {
        message = format_message("Invalid code  '\\%c%' in line %c%%d% .", code, letter, index);
        return 0;
    }
    const unsigned char second = p[2];
    if (code == '0') {
        // The byte with the octal value of the next three digits (not checked).
        if (p[2] == 0 || p[3] == 0 || p[4] == 0) {
            message = format_message("Invalid code '\\%c%%c%' in line %c%%d%.", code, second, letter, index);
            return 0;
        }
        const unsigned value = (p[2] - '0') * 64u + (p[3] - '0') * 8u + (p[4] - '0');
        out += static_cast<char>(value & 0xFF);
        return 5;
    }
    if (second == 0 || !decode_pair(static_cast<char>(code), static_cast<char>(second), out)) {
        message = format_message("Invalid code '\\%c%%c%' in line %c%%d%.", code, second, letter, index);
        return 0;
    }
    return 3;
}

DecodedText decode_western(const char* text, char letter, int index)
{
    DecodedText result;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
        const unsigned char c = *p;
        if (c >= 128 && !has_escape(c)) {
            result.ok = false;
            result.message = format_message("Invalid code '%c%' in line %c%%d%.", c, letter, index);
            return result;
        }
        if (c != '\\') {
            result.text += static_cast<char>(c);
            ++p;
            continue;
        }
        const std::size_t taken = decode_escape(p, result.text, letter, index, result.message);
        if (taken == 0) {
            result.ok = false;
            return result;
        }
        p += taken;
    }
    return result;
}

DecodedText decode_single_byte(const char* text)
{
    DecodedText result;
    for (const char* p = text; *p != 0; ++p) {
        if (p[0] == '\\' && p[1] == 'n') {
            result.text += '\r';
            ++p;
        } else {
            result.text += *p;
        }
    }
    return result;
}

// Shift_JIS keeps its half-width katakana (0xA1 to 0xDF) in single bytes; every other byte
// of 128 or more starts a two-byte character, whose second byte may be a backslash.
bool starts_double_byte(int language, unsigned char byte)
{
    if (byte < 128)
        return false;
    if (language == 9 && byte >= 0xA1 && byte <= 0xDF)
        return false;
    return true;
}

DecodedText decode_double_byte(const char* text, int language)
{
    DecodedText result;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
        if (starts_double_byte(language, *p)) {
            if (p[1] == 0)
                break;  // a lead byte cut off at the end of the line
            // Korean full-width quotation marks become the ASCII double quote.
            if (language == 6 && p[0] == 0xA1 && (p[1] == 0xB0 || p[1] == 0xB1))
                result.text += '"';
            else
                result.text.append(reinterpret_cast<const char*>(p), 2);
            p += 2;
            continue;
        }
        if (p[0] == '\\' && p[1] == 'n') {
            result.text += '\r';
            p += 2;
            continue;
        }
        result.text += static_cast<char>(*p);
        ++p;
    }
    return result;
}

bool family_of(char letter, TextFamily& family)
{
    switch (letter) {
    case 'g':
        family = TextFamily::Application;
        return true;
    case 'o':
        family = TextFamily::ErrorHandling;
        return true;
    case 'm':
        family = TextFamily::Menu;
        return true;
    case 'l':
        family = TextFamily::LanguageNames;
        return true;
    case 'r':
        family = TextFamily::Window;
        return true;
    case 'j':
        family = TextFamily::Framework;
        return true;
    default:
        return false;
    }
}

bool is_white_space(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

struct ReaderState {
    int language = 1;
    bool has_family = false;
    TextFamily family = TextFamily::Application;
    char previous_letter = 0;
    int last_index = -1;
};

bool stop(const std::string& message)
{
    reporter().alert(AlertKind::Exclamation, message.c_str(), "Ok");
    end_program();
    return false;
}

bool read_line(ReaderState& reader, const char* line)
{
    if (line[0] == '+') {
        if (!reader.has_family || reader.last_index < 0)
            return true;
        DecodedText decoded =
            decode_language_text(line + 1, reader.language, reader.previous_letter, reader.last_index);
        if (!decoded.ok)
            return stop(decoded.message);
        family_table(reader.family).append(reader.last_index, decoded.text.c_str());
        return true;
    }
    char letter = line[0];
    const char* p = line + 1;
    reader.has_family = family_of(letter, reader.family);
    if (*p == 'm')
        reader.has_family = false;
    if (*p == 'w' || *p == 'm')
        ++p;
    if (letter != reader.previous_letter)
        reader.last_index = -1;
    reader.previous_letter = letter;
    if (!reader.has_family)
        return true;

    if (!CharIsDigit(static_cast<std::uint8_t>(*p)))
        return stop(format_message("Missing or misplaced string index in line '%s%'.", line));
    long index = 0;
    while (CharIsDigit(static_cast<std::uint8_t>(*p))) {
        index = index * 10 + CharDigitValue(static_cast<std::uint8_t>(*p));
        if (index > 1000000)
            index = 1000000;  // far beyond any table; refused below as unexpected
        ++p;
    }
    if (index != reader.last_index + 1)
        return stop(format_message("Unexpected string index in line '%s%'.", line));
    reader.last_index = static_cast<int>(index);
    if (!is_white_space(*p))
        return stop(format_message("Missing space after string index in line '%s%'.", line));
    ++p;
    if (*p == 0)
        return true;  // an empty text leaves the entry as it was
    DecodedText decoded = decode_language_text(p, reader.language, letter, reader.last_index);
    if (!decoded.ok)
        return stop(decoded.message);
    family_table(reader.family).set(reader.last_index, decoded.text.c_str());
    return true;
}

// Reads one line of at most kLineBuffer - 1 bytes without its line end; false at the end.
bool next_line(std::FILE* file, char* buffer)
{
    std::size_t length = 0;
    int c = std::fgetc(file);
    if (c == EOF)
        return false;
    for (; c != EOF && c != '\n'; c = std::fgetc(file)) {
        if (length < kLineBuffer - 1)
            buffer[length++] = static_cast<char>(c);
    }
    if (length > 0 && buffer[length - 1] == '\r')
        --length;
    buffer[length] = 0;
    return true;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

DecodedText decode_language_text(const char* text, int language, char letter, int index)
{
    switch (script_for(language)) {
    case Script::SingleByte:
        return decode_single_byte(text);
    case Script::DoubleByte:
        return decode_double_byte(text, language);
    case Script::Western:
        break;
    }
    return decode_western(text, letter, index);
}

void set_language_file_end_hook(void (*hook)()) { language_file_state().end_hook = hook; }

LanguageFileResult read_language_file(const char* path, int language)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file)
        return LanguageFileResult::Missing;
    empty_language_file_caches();
    ReaderState reader;
    reader.language = language;
    auto buffer = std::make_unique<char[]>(kLineBuffer);
    while (next_line(file.get(), buffer.get())) {
        if (buffer[0] == 0)
            continue;
        if (!read_line(reader, buffer.get()))
            return LanguageFileResult::Malformed;
    }
    hand_framework_texts();
    return LanguageFileResult::Read;
}
