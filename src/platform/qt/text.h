// Decoding the program's byte texts to Unicode at the drawing boundary: valid UTF-8 that
// holds non-ASCII bytes is taken as UTF-8 (file names), anything else in the interface
// code page (1252 for Western scripts, 932, 936, 949, 950 for the East Asian ones).
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// The code page of Western scripts (Windows-1252).
inline constexpr int kWesternCodePage = 1252;
// kWesternCodePage at start; the language switch sets it.
void SetTextCodePage(int code_page);
int TextCodePage();
// The text as UTF-8 (length -1: up to the NUL).
std::string TextToUtf8(const char* text, int length = -1);
// UTF-8 to the interface code page; characters it cannot hold become '?'.
std::string Utf8ToText(const std::string& utf8);
bool IsValidUtf8(const char* text, int length);

}  // namespace platform
