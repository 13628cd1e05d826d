// NUL-terminated byte strings in blocks of exactly their length plus one, from the general
// allocator, and the ASCII character tests the parsers share. StrPtr owns one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

char* StrDup(const char* text);
char* StrDupN(const char* text, std::size_t n);
void StrFree(char* text);
std::size_t StrLen(const char* text);
// Copies at most n bytes of source and always terminates; destination holds n + 1 bytes.
char* StrCopyN(char* destination, const char* source, std::size_t n);
bool StrEqual(const char* a, const char* b);
int StrCompare(const char* a, const char* b);
// First (last) occurrence of c; the character NUL finds the terminator. Null when absent.
const char* StrFindChar(const char* text, char c);
const char* StrFindLastChar(const char* text, char c);

bool CharIsDigit(std::uint8_t c);
bool CharIsHexDigit(std::uint8_t c);
std::uint8_t CharDigitValue(std::uint8_t c);  // 255 for a non-digit
std::uint8_t CharHexValue(std::uint8_t c);    // 255 for a non-digit
bool CharIsUpper(std::uint8_t c);
bool CharIsLower(std::uint8_t c);
std::uint8_t CharToUpper(std::uint8_t c);
std::uint8_t CharToLower(std::uint8_t c);

struct StrDeleter {
    void operator()(char* text) const { StrFree(text); }
};
using StrPtr = std::unique_ptr<char, StrDeleter>;
