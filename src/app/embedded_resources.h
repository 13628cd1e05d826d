// The text resources compiled into the binaries. The source that defines these functions is
// generated at build time from resources/strings by tools/pack_strings.cpp.
#pragma once
#include <cstddef>

struct EmbeddedBytes {
    const unsigned char* data;
    std::size_t size;
};

// The stored bytes of text resource `number`; {nullptr, 0} when the build has none.
EmbeddedBytes embedded_text_resource(int number);
// The values an entry of an original (untranslated) string table is formatted with, one
// letter per value (d integer, s text, f real number, c character), "" for none and "-" for a
// text shown as it is; null when the table has no such entry.
const char* embedded_string_values(int resource, int number);
// The numbers of all compiled-in resources.
int embedded_text_resource_numbers(const int** numbers);
