// Language text files: plain text files that supply the strings of one interface language
// line by line ("g12 text", "+continuation"), read when the interface language is set so
// that a translation can be used without rebuilding the text resources. The reader is
// strict: a malformed line is reported (naming the line) and ends the program.
#pragma once
#include <string>

enum class LanguageFileResult { Missing, Read, Malformed };

// Reads the file at path for `language` (its script selects how texts are decoded) into the
// string tables of the interface language. A malformed line shows its message through the
// reporter (exclamation, button "Ok") and then calls the end hook; when the hook returns
// (tests), the reading stops there and Malformed is answered.
LanguageFileResult read_language_file(const char* path, int language);

// The step that ends the program after a malformed line; null restores the default, which
// exits the process with a failure status.
void set_language_file_end_hook(void (*hook)());

// Decodes the text of one line for `language`; letter and index name the line in messages.
// On failure ok is false and message holds the text that the reader reports.
struct DecodedText {
    bool ok = true;
    std::string text;
    std::string message;
};
DecodedText decode_language_text(const char* text, int language, char letter, int index);
