// The formatter: every text built from values (titles, menu texts, sizes, times, messages)
// goes through its directive language, "%d%", "%ds02%", "%x08%", "%s5%", "%c3%", "%f1,5.3,3%".
// Each directive is closed by a second '%'; numbers are right-aligned and cut to their
// low-order digits, strings left-aligned. Arguments: integers and characters as int
// (32 bits), strings as const char*, f values as double. Also owns the temporaries stack
// that gives FormatTemp results the lifetime of one event-loop step. Not reentrant.
#pragma once
#include <cstdarg>
#include <cstdint>

// Start-up of the formatter: the temporaries stack, the decimal separator from the locale,
// then FormatterInit. Safe to call again (nothing is created twice).
void FormatterStart();
// Builds the table of directive handlers.
void FormatterInit();
// The character written between the integer and fraction parts of "%f%" ('.' by default).
void FormatSetDecimalSeparator(char separator);
char FormatDecimalSeparator();

// A new text recorded on the temporaries stack: freed by the TempRelease that pops the
// innermost mark below it. The caller must not free it.
char* FormatTemp(const char* format, ...);
// A new text owned by the caller, freed with MemFree (or held in a StrPtr).
char* FormatNew(const char* format, ...);
// Renders into destination without measuring; the caller guarantees the room. Returns it.
char* FormatInto(char* destination, const char* format, ...);
char* FormatTempV(const char* format, va_list arguments);
char* FormatNewV(const char* format, va_list arguments);
char* FormatIntoV(char* destination, const char* format, va_list arguments);
// The exact length (without the NUL) that the format gives with these arguments.
std::size_t FormatLengthV(const char* format, va_list arguments);
// Writes value as "%u%" does (at most 10 digits and the NUL) and returns destination.
char* UIntToText(char* destination, std::uint32_t value);

// Temporaries: a stack of blocks and marks.
void TempMark();
// Frees every block pushed since the most recent mark, then pops the mark.
void TempRelease();
// Pushes a block allocated with MemAlloc so that the next TempRelease frees it.
void TempKeep(void* block);
// Diagnostics: the entries on the temporaries stack (blocks and marks).
std::uint16_t TempDepth();
