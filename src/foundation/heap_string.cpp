#include "foundation/heap_string.h"

#include "foundation/memory.h"

#include <cstring>

char* StrDup(const char* text) { return StrDupN(text, std::strlen(text)); }

char* StrDupN(const char* text, std::size_t n)
{
    auto* copy = static_cast<char*>(MemAlloc(n + 1));
    if (n > 0)  // an empty text may come as a null pointer (an empty vector's data)
        std::memcpy(copy, text, n);
    copy[n] = '\0';
    return copy;
}

void StrFree(char* text) { MemFree(text); }

std::size_t StrLen(const char* text) { return std::strlen(text); }

char* StrCopyN(char* destination, const char* source, std::size_t n)
{
    std::size_t length = strnlen(source, n);
    std::memcpy(destination, source, length);
    destination[length] = '\0';
    return destination;
}

bool StrEqual(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

int StrCompare(const char* a, const char* b) { return std::strcmp(a, b); }

const char* StrFindChar(const char* text, char c) { return std::strchr(text, c); }

const char* StrFindLastChar(const char* text, char c) { return std::strrchr(text, c); }

bool CharIsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

bool CharIsHexDigit(std::uint8_t c) { return CharHexValue(c) != 255; }

std::uint8_t CharDigitValue(std::uint8_t c) { return CharIsDigit(c) ? static_cast<std::uint8_t>(c - '0') : 255; }

std::uint8_t CharHexValue(std::uint8_t c)
{
    if (CharIsDigit(c))
        return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint8_t>(c - 'a' + 10);
    return 255;
}

bool CharIsUpper(std::uint8_t c) { return c >= 'A' && c <= 'Z'; }

bool CharIsLower(std::uint8_t c) { return c >= 'a' && c <= 'z'; }

std::uint8_t CharToUpper(std::uint8_t c) { return CharIsLower(c) ? static_cast<std::uint8_t>(c - 32) : c; }

std::uint8_t CharToLower(std::uint8_t c) { return CharIsUpper(c) ? static_cast<std::uint8_t>(c + 32) : c; }
