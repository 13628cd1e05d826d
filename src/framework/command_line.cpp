// The command line: a print or open switch with one file name, or plain file arguments.
#include <string>

#include "foundation/heap_string.h"
#include "framework/event_loop.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

CommandLineRequest ParseCommandLineSwitch(const char* line)
{
    CommandLineRequest request;
    if (line == nullptr)
        return request;
    // The switch is looked for at the first slash only.
    const char* slash = StrFindChar(line, '/');
    if (slash == nullptr || (slash != line && !blank(slash[-1])))
        return request;
    char letter = static_cast<char>(CharToLower(static_cast<std::uint8_t>(slash[1])));
    if ((letter != 'o' && letter != 'p') || !blank(slash[2]))
        return request;
    const char* name = slash + 2;
    while (blank(*name))
        ++name;
    const char* end;
    if (*name == '"') {
        ++name;
        end = StrFindChar(name, '"');
        if (end == nullptr)
            return request;  // a quote that is never closed names nothing
    } else {
        // Up to the first blank after the first period, else the rest of the line.
        const char* period = StrFindChar(name, '.');
        end = period != nullptr ? period : name;
        while (*end != 0 && !(period != nullptr && blank(*end)))
            ++end;
    }
    if (end == name)
        return request;
    request.action = letter == 'o' ? CommandLineAction::open : CommandLineAction::print;
    request.path = name;
    request.path_length = static_cast<int>(end - name);
    return request;
}

void HandleCommandLine(int argc, char** argv)
{
    if (argc < 2 || argv == nullptr)
        return;
    std::string first = argv[1] != nullptr ? argv[1] : "";
    bool is_switch = first.size() == 2 && first[0] == '/' &&
        (first[1] == 'o' || first[1] == 'O' || first[1] == 'p' || first[1] == 'P');
    if (!is_switch) {
        // Paths on Linux start with a slash: every argument is a file to open.
        for (int i = 1; i < argc; ++i)
            if (argv[i] != nullptr && argv[i][0] != 0)
                CallDocumentEvent(DocumentEvent::open, argv[i]);
        return;
    }
    // A switch: the rest of the line as one command line, quoted when it holds blanks.
    std::string line = first + " ";
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i] != nullptr ? argv[i] : "";
        bool quote = arg.find_first_of(" \t") != std::string::npos && arg.find('"') == std::string::npos;
        if (i > 2)
            line += ' ';
        line += quote ? "\"" + arg + "\"" : arg;
    }
    CommandLineRequest request = ParseCommandLineSwitch(line.c_str());
    if (request.action == CommandLineAction::none)
        return;
    std::string path(request.path, static_cast<std::size_t>(request.path_length));
    if (request.action == CommandLineAction::open) {
        CallDocumentEvent(DocumentEvent::open, path.c_str());
        return;
    }
    CallDocumentEvent(DocumentEvent::print, path.c_str());
    CallDocumentEvent(DocumentEvent::quit, nullptr);
}
