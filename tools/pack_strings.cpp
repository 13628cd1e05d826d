// Build tool: packs the editable string tables of resources/strings into text resources and
// writes them as byte arrays into a C++ source that is compiled into quillon_app.
//
//   quillon_pack_strings <manifest> <output.cpp>
//
// It also checks the tables: every directive of a text must match the values its entry
// declares, translations must be complete and declare the same values as the table they
// translate, and a substitution list must leave no word behind that it is meant to change.
// Any problem stops the build with a message naming the file and line.
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/text_resource.h"

namespace {

struct Entry {
    std::string text;       // UTF-8, escapes resolved
    std::string signature;  // value classes, e.g. "dds"; "-" for a text that is not formatted
    int line = 0;
};

struct Table {
    std::string file;
    std::map<int, Entry> entries;
};

struct Resource {
    int number = 0;
    std::string kind;      // table, text, substitution
    std::string encoding;  // ascii, cp1252, cp932
    std::string file;
    int translates = -1;          // table: the resource whose entries it must match
    std::vector<int> applies_to;  // substitution: the tables it is checked against
    std::vector<std::uint8_t> payload;
    Table table;
};

int g_errors = 0;

void fail(const std::string& where, int line, const std::string& message)
{
    std::fprintf(stderr, "%s:%d: error: %s\n", where.c_str(), line, message.c_str());
    ++g_errors;
}

std::string folder_of(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool read_file(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    out = buffer.str();
    return true;
}

std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// Converts UTF-8 to the resource's code page; false when a character has no equivalent.
bool convert(const std::string& utf8, const std::string& encoding, std::string& out)
{
    if (encoding == "ascii") {
        for (unsigned char c : utf8)
            if (c >= 128)
                return false;
        out = utf8;
        return true;
    }
    const char* target = encoding == "cp932" ? "CP932" : "WINDOWS-1252";
    iconv_t converter = iconv_open(target, "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string result(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* outp = result.data();
    std::size_t out_left = result.size();
    std::size_t done = iconv(converter, &in, &in_left, &outp, &out_left);
    iconv_close(converter);
    if (done == static_cast<std::size_t>(-1) || in_left != 0)
        return false;
    result.resize(result.size() - out_left);
    out = result;
    return true;
}

// The value classes a text's directives read, in order, following the formatter's directive
// language: d u x (integers) give 'd', s 's', f 'f', c 'c'; a 'v' width or maximum and an 's'
// sign mode read an integer first. False when a '%' does not open a known directive.
bool directive_signature(const std::string& text, std::string& out, std::string& problem)
{
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) {
            problem = "a lone '%' ends the text (write %%% for a percent sign)";
            return false;
        }
        char type = text[i + 1];
        std::size_t close = text.find('%', i + 2);
        if (close == std::string::npos) {
            problem = "a directive is not closed by a second '%'";
            return false;
        }
        std::string spec = text.substr(i + 2, close - i - 2);
        switch (type) {
        case '%':
            if (!spec.empty()) {
                problem = "'%%' must be written %%% for a percent sign";
                return false;
            }
            break;
        case 'd':
        case 'u':
        case 'x':
        case 's': {
            std::size_t p = 0;
            if (type != 's' && p < spec.size() && (spec[p] == 'l' || spec[p] == 's' || spec[p] == 'b'))
                ++p;
            for (char c : spec.substr(p))
                if (c == 'v')
                    out += 'd';
            out += type == 's' ? 's' : 'd';
            break;
        }
        case 'c':
            for (char c : spec)
                if (c == 'v')
                    out += 'd';
            out += 'c';
            break;
        case 'f':
            if (!spec.empty() && spec[0] == 's')
                out += 'd';
            for (char c : spec)
                if (c == 'v')
                    out += 'd';
            out += 'f';
            break;
        default:
            problem = std::string("unknown directive '%") + type + "'";
            return false;
        }
        i = close + 1;
    }
    return true;
}

std::string unescape(const std::string& text, std::string& problem)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 >= text.size()) {
            problem = "a backslash ends the text";
            return out;
        }
        char code = text[++i];
        if (code == 'n')
            out += '\r';  // the program's line break is the single character 13
        else if (code == 't')
            out += '\t';
        else if (code == '\\')
            out += '\\';
        else if (code == 's')
            out += ' ';
        else
            problem = std::string("unknown escape '\\") + code + "'";
    }
    return out;
}

// Entry lines: "<number> [{values}] <text>", "+<text>" continues the previous entry with a
// line break, '#' starts a comment line. "{}" declares a text formatted with no values, no
// braces a text that is shown as it is.
bool parse_table(const std::string& path, Table& table)
{
    std::string content;
    if (!read_file(path, content)) {
        fail(path, 0, "cannot read the file");
        return false;
    }
    table.file = path;
    int last = -1;
    int line_number = 0;
    for (const std::string& line : split_lines(content)) {
        ++line_number;
        if (line.empty() || line[0] == '#')
            continue;
        std::string problem;
        if (line[0] == '+') {
            if (last < 0) {
                fail(path, line_number, "a continuation line before the first entry");
                continue;
            }
            table.entries[last].text += '\r' + unescape(line.substr(1), problem);
            if (!problem.empty())
                fail(path, line_number, problem);
            continue;
        }
        std::size_t p = 0;
        while (p < line.size() && line[p] >= '0' && line[p] <= '9')
            ++p;
        if (p == 0 || p == line.size() || line[p] != ' ') {
            fail(path, line_number, "expected '<number> <text>'");
            continue;
        }
        int number = std::stoi(line.substr(0, p));
        ++p;
        Entry entry;
        entry.line = line_number;
        entry.signature = "-";
        if (p < line.size() && line[p] == '{') {
            std::size_t close = line.find('}', p);
            if (close == std::string::npos) {
                fail(path, line_number, "unclosed '{'");
                continue;
            }
            entry.signature.clear();
            for (char c : line.substr(p + 1, close - p - 1)) {
                if (c == ' ')
                    continue;
                if (c != 'd' && c != 's' && c != 'f' && c != 'c') {
                    fail(path, line_number, std::string("unknown value class '") + c + "'");
                    continue;
                }
                entry.signature += c;
            }
            p = close + 1;
            if (p < line.size()) {
                if (line[p] != ' ') {
                    fail(path, line_number, "expected one space after the values");
                    continue;
                }
                ++p;
            }
        }
        entry.text = unescape(line.substr(p), problem);
        if (!problem.empty())
            fail(path, line_number, problem);
        if (table.entries.count(number) != 0)
            fail(path, line_number, "string " + std::to_string(number) + " is defined twice");
        table.entries[number] = entry;
        last = number;
    }
    return true;
}

void check_directives(const Table& table, const Table* master)
{
    for (const auto& [number, entry] : table.entries) {
        std::string wanted = entry.signature;
        if (master != nullptr) {
            auto found = master->entries.find(number);
            if (found == master->entries.end()) {
                fail(table.file, entry.line, "string " + std::to_string(number) + " does not exist in " + master->file);
                continue;
            }
            if (found->second.signature != entry.signature)
                fail(table.file, entry.line,
                     "string " + std::to_string(number) + " declares values {" + entry.signature + "}, the original {" +
                         found->second.signature + "}");
            wanted = found->second.signature;
        }
        std::string actual;
        std::string problem;
        if (wanted == "-") {
            if (entry.text.find('%') != std::string::npos)
                fail(table.file, entry.line,
                     "string " + std::to_string(number) +
                         " is shown unformatted but holds a '%' (declare its values with {})");
            continue;
        }
        if (!directive_signature(entry.text, actual, problem)) {
            fail(table.file, entry.line, "string " + std::to_string(number) + ": " + problem);
            continue;
        }
        if (actual != wanted)
            fail(table.file, entry.line,
                 "string " + std::to_string(number) + " reads values {" + actual + "} but is formatted with {" +
                     wanted + "}");
    }
    if (master == nullptr)
        return;
    for (const auto& [number, entry] : master->entries)
        if (table.entries.count(number) == 0)
            fail(table.file, 0, "string " + std::to_string(number) + " of " + master->file + " has no translation");
}

std::string lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Applies the list as the program does (first occurrence per pair, case-insensitive, the
// upper-case rule) and reports words the list was meant to change that are still there.
void check_substitution(const Resource& list, const std::map<int, Resource*>& resources)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const auto& [number, entry] : list.table.entries) {
        if (number == 0)
            continue;
        std::size_t space = entry.text.find(' ');
        if (space == std::string::npos || space == 0 || space + 1 >= entry.text.size()) {
            fail(list.file, entry.line, "a pair must read 'FROM TO'");
            continue;
        }
        pairs.emplace_back(entry.text.substr(0, space), entry.text.substr(space + 1));
    }
    auto count_entry = list.table.entries.find(0);
    if (count_entry == list.table.entries.end() || count_entry->second.text != std::to_string(pairs.size()))
        fail(list.file, 1, "text 0 must hold the number of pairs, " + std::to_string(pairs.size()));
    for (int target : list.applies_to) {
        auto found = resources.find(target);
        if (found == resources.end()) {
            fail(list.file, 0, "unknown table " + std::to_string(target));
            continue;
        }
        const Table& table = found->second->table;
        for (const auto& [number, entry] : table.entries) {
            std::string text = entry.text;
            for (const auto& [from, to] : pairs) {
                std::size_t at = lower(text).find(lower(from));
                if (at == std::string::npos)
                    continue;
                std::string replacement = to;
                if (text[at] >= 'A' && text[at] <= 'Z' && replacement[0] >= 'a' && replacement[0] <= 'z')
                    replacement[0] = static_cast<char>(replacement[0] - 'a' + 'A');
                text.replace(at, from.size(), replacement);
            }
            for (const auto& [from, to] : pairs) {
                std::string low = lower(text);
                if (low.find(lower(from)) != std::string::npos && lower(to).find(lower(from)) == std::string::npos)
                    fail(table.file, entry.line,
                         "after the list of " + list.file + " string " + std::to_string(number) + " still holds '" +
                             from + "' (repeat the pair once per occurrence)");
            }
        }
    }
}

bool parse_manifest(const std::string& path, std::vector<Resource>& out)
{
    std::string content;
    if (!read_file(path, content)) {
        fail(path, 0, "cannot read the manifest");
        return false;
    }
    std::string folder = folder_of(path);
    int line_number = 0;
    for (const std::string& line : split_lines(content)) {
        ++line_number;
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        Resource resource;
        std::string keyword;
        if (!(fields >> resource.number >> resource.kind >> resource.encoding >> resource.file)) {
            fail(path, line_number, "expected '<number> <kind> <encoding> <file> [translates N | applies N...]'");
            continue;
        }
        resource.file = folder + "/" + resource.file;
        if (fields >> keyword) {
            int value = 0;
            while (fields >> value) {
                if (keyword == "translates")
                    resource.translates = value;
                else if (keyword == "applies")
                    resource.applies_to.push_back(value);
            }
        }
        if (resource.kind != "table" && resource.kind != "text" && resource.kind != "substitution")
            fail(path, line_number, "unknown kind " + resource.kind);
        if (resource.encoding != "ascii" && resource.encoding != "cp1252" && resource.encoding != "cp932")
            fail(path, line_number, "unknown encoding " + resource.encoding);
        out.push_back(std::move(resource));
    }
    return true;
}

bool build_payload(Resource& resource)
{
    if (resource.kind == "text") {
        std::string content;
        if (!read_file(resource.file, content)) {
            fail(resource.file, 0, "cannot read the file");
            return false;
        }
        std::string text;
        for (char c : content)
            if (c != '\r')
                text += c == '\n' ? '\r' : c;
        while (!text.empty() && text.back() == '\r')
            text.pop_back();
        std::string converted;
        if (!convert(text, resource.encoding, converted)) {
            fail(resource.file, 0, "a character has no equivalent in " + resource.encoding);
            return false;
        }
        resource.payload.assign(converted.begin(), converted.end());
        return true;
    }
    int count = resource.table.entries.empty() ? 0 : resource.table.entries.rbegin()->first + 1;
    std::vector<std::string> texts(static_cast<std::size_t>(count));
    for (const auto& [number, entry] : resource.table.entries) {
        std::string converted;
        if (!convert(entry.text, resource.encoding, converted)) {
            fail(resource.file, entry.line,
                 "string " + std::to_string(number) + " has a character without an equivalent in " + resource.encoding);
            continue;
        }
        texts[static_cast<std::size_t>(number)] = converted;
    }
    resource.payload = encode_string_table(texts);
    return true;
}

std::string escape_c(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 32 || c >= 127) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\%03o", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool write_output(const std::string& path, const std::vector<Resource>& resources)
{
    std::ostringstream out;
    out << "// Generated by quillon_pack_strings from resources/strings; do not edit.\n"
        << "#include \"app/embedded_resources.h\"\n\n"
        << "namespace {\n\n";
    for (const Resource& resource : resources) {
        std::vector<std::uint8_t> packed = pack_text_resource(resource.payload.data(), resource.payload.size());
        out << "const unsigned char resource_" << resource.number << "[" << packed.size() << "] = {";
        for (std::size_t i = 0; i < packed.size(); ++i)
            out << (i % 20 == 0 ? "\n    " : " ") << static_cast<int>(packed[i]) << ",";
        out << "\n};\n\n";
    }
    out << "struct SignatureRow {\n    int resource;\n    int number;\n    const char* values;\n};\n\n"
        << "const SignatureRow kSignatures[] = {\n";
    for (const Resource& resource : resources) {
        if (resource.kind != "table" || resource.translates >= 0)
            continue;
        for (const auto& [number, entry] : resource.table.entries)
            out << "    {" << resource.number << ", " << number << ", \"" << escape_c(entry.signature) << "\"},\n";
    }
    out << "    {0, 0, nullptr},\n};\n\n}  // namespace\n\n"
        << "EmbeddedBytes embedded_text_resource(int number) {\n    switch (number) {\n";
    for (const Resource& resource : resources)
        out << "    case " << resource.number << ":\n        return {resource_" << resource.number
            << ", sizeof resource_" << resource.number << "};\n";
    out << "    default:\n        return {nullptr, 0};\n    }\n}\n\n"
        << "const char* embedded_string_values(int resource, int number) {\n"
        << "    for (const SignatureRow* row = kSignatures; row->values != nullptr; ++row)\n"
        << "        if (row->resource == resource && row->number == number)\n"
        << "            return row->values;\n"
        << "    return nullptr;\n}\n\n"
        << "int embedded_text_resource_numbers(const int** numbers) {\n"
        << "    static const int kNumbers[] = {";
    for (const Resource& resource : resources)
        out << resource.number << ", ";
    out << "};\n    *numbers = kNumbers;\n    return static_cast<int>(sizeof kNumbers / sizeof kNumbers[0]);\n}\n";

    std::string text = out.str();
    std::string old;
    if (read_file(path, old) && old == text)
        return true;  // unchanged: keep the time stamp so nothing recompiles
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file << text;
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillon_pack_strings <manifest> <output.cpp>\n");
        return 2;
    }
    std::vector<Resource> resources;
    if (!parse_manifest(argv[1], resources))
        return 1;
    std::map<int, Resource*> by_number;
    for (Resource& resource : resources) {
        if (by_number.count(resource.number) != 0)
            fail(argv[1], 0, "resource " + std::to_string(resource.number) + " is listed twice");
        by_number[resource.number] = &resource;
        if (resource.kind != "text")
            parse_table(resource.file, resource.table);
    }
    for (Resource& resource : resources) {
        if (resource.kind != "table")
            continue;
        const Table* master = nullptr;
        if (resource.translates >= 0) {
            auto found = by_number.find(resource.translates);
            if (found == by_number.end())
                fail(resource.file, 0, "translates unknown resource " + std::to_string(resource.translates));
            else
                master = &found->second->table;
        }
        check_directives(resource.table, master);
    }
    for (Resource& resource : resources)
        if (resource.kind == "substitution")
            check_substitution(resource, by_number);
    for (Resource& resource : resources)
        build_payload(resource);
    if (g_errors != 0) {
        std::fprintf(stderr, "quillon_pack_strings: %d error(s), nothing written\n", g_errors);
        return 1;
    }
    if (!write_output(argv[2], resources)) {
        std::fprintf(stderr, "quillon_pack_strings: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
