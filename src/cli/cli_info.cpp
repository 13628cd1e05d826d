// The `info` command: the file's blocks as stored (rectangles, tables, disposal, extensions)
// and the document the program reads from it, as text or as JSON members.
#include <string>

#include "cli/cli_input.h"
#include "cli/cli_run.h"
#include "gif/gif_raw.h"

namespace {

const char* disposal_name(int disposal)
{
    static const char* const kNames[] = {"none", "keep", "background", "previous"};
    return disposal >= 0 && disposal < 4 ? kNames[disposal] : "undefined";
}

// Bytes as a line of text: line breaks and other control bytes as escapes.
std::string printable(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\r' || c == '\n')
            out += "\\n";
        else if (static_cast<unsigned char>(c) < 0x20)
            out += '?';
        else
            out += c;
    }
    return out;
}

std::string number(std::uint64_t value) { return std::to_string(value); }

std::string table_text(std::uint16_t entries, const char* none)
{
    return entries ? number(entries) + " colours" : std::string(none);
}

// One stored block as a line; the graphic control in force is folded into the image's line.
std::string block_line(const RawBlock& block, const RawGraphicControl* control, int frame)
{
    const std::string at = " at byte " + number(block.offset) + " (" + number(block.length) + " bytes)";
    switch (block.kind) {
    case RawBlockKind::Image: {
        const RawImageBlock& image = block.image;
        std::string line = "frame " + std::to_string(frame) + ": " + number(image.width) + "x" + number(image.height) +
            " at (" + number(image.left) + "," + number(image.top) + "), local table " +
            table_text(image.local_table, "none") + (image.interlaced ? ", interlaced" : "");
        if (control)
            line += ", disposal " + number(control->disposal) + " (" + disposal_name(control->disposal) + "), delay " +
                number(control->delay) +
                (control->transparent ? ", transparent index " + number(control->transparent_index)
                                      : std::string(", opaque"));
        return line + ", " + number(image.data_bytes) + " data bytes" + at;
    }
    case RawBlockKind::Comment:
        return "comment" + at + ": " + printable(block.text);
    case RawBlockKind::Application:
        if (block.loop >= 0)
            return "looping block " + printable(block.text) + at + ": " +
                (block.loop == 0 ? std::string("loops forever") : "loops " + number(block.loop) + " times");
        return "application block " + printable(block.text) + at;
    case RawBlockKind::PlainText:
        return "plain text block" + at;
    case RawBlockKind::UnknownExtension: {
        static const char kHex[] = "0123456789abcdef";
        return std::string("unknown extension 0x") + kHex[block.label >> 4] + kHex[block.label & 15] + at;
    }
    case RawBlockKind::GraphicControl:
        break;
    }
    return {};
}

std::string stored_listing(const RawFile& file)
{
    const RawScreen& screen = file.screen;
    std::string out = "  stored: " + file.version + ", screen " + number(screen.width) + " x " + number(screen.height) +
        ", global table " + table_text(screen.global_table, "none") + ", background index " +
        number(screen.background_index) + ", aspect " + number(screen.aspect) + "\n";
    const RawGraphicControl* control = nullptr;
    int frame = 0;
    for (const RawBlock& block : file.blocks) {
        if (block.kind == RawBlockKind::GraphicControl) {
            control = &block.control;
            continue;
        }
        if (block.kind == RawBlockKind::Image)
            ++frame;
        out += "  " + block_line(block, control, frame) + "\n";
        if (block.kind == RawBlockKind::Image)
            control = nullptr;
    }
    if (!file.fault.empty())
        out += "  reading stopped at byte " + number(file.end) + ": " + file.fault + "\n";
    else if (file.after_trailer)
        out += "  " + number(file.after_trailer) + " bytes follow the trailer\n";
    return out;
}

std::string json_bool(bool value) { return value ? "true" : "false"; }

std::string block_json(const RawBlock& block)
{
    static const char* const kKinds[] = {"image", "graphic_control", "comment", "application", "plain_text", "unknown"};
    std::string out = "{\"kind\":\"" + std::string(kKinds[static_cast<int>(block.kind)]) +
        "\",\"offset\":" + number(block.offset) + ",\"length\":" + number(block.length);
    switch (block.kind) {
    case RawBlockKind::Image: {
        const RawImageBlock& image = block.image;
        out += ",\"left\":" + number(image.left) + ",\"top\":" + number(image.top) +
            ",\"width\":" + number(image.width) + ",\"height\":" + number(image.height) +
            ",\"local_table\":" + number(image.local_table) + ",\"interlaced\":" + json_bool(image.interlaced) +
            ",\"data_bytes\":" + number(image.data_bytes);
        break;
    }
    case RawBlockKind::GraphicControl: {
        const RawGraphicControl& control = block.control;
        out += ",\"disposal\":" + number(control.disposal) + ",\"delay\":" + number(control.delay) +
            ",\"transparent\":" + (control.transparent ? number(control.transparent_index) : std::string("null"));
        break;
    }
    case RawBlockKind::Comment:
        out += ",\"text\":" + json_string(block.text);
        break;
    case RawBlockKind::Application:
        out += ",\"identifier\":" + json_string(block.text);
        if (block.loop >= 0)
            out += ",\"loop\":" + number(static_cast<std::uint32_t>(block.loop));
        break;
    case RawBlockKind::UnknownExtension:
        out += ",\"label\":" + number(block.label);
        break;
    case RawBlockKind::PlainText:
        break;
    }
    return out + "}";
}

std::string stored_json(const RawFile& file)
{
    const RawScreen& screen = file.screen;
    std::string out = "\"stored\":{\"version\":" + json_string(file.version) + ",\"width\":" + number(screen.width) +
        ",\"height\":" + number(screen.height) + ",\"global_table\":" + number(screen.global_table) +
        ",\"background_index\":" + number(screen.background_index) + ",\"aspect\":" + number(screen.aspect) +
        ",\"blocks\":[";
    for (std::size_t i = 0; i < file.blocks.size(); ++i) {
        if (i > 0)
            out += ',';
        out += block_json(file.blocks[i]);
    }
    out += "],\"trailer\":" + json_bool(file.trailer) + ",\"after_trailer\":" + number(file.after_trailer);
    if (!file.fault.empty())
        out += ",\"fault\":" + json_string(file.fault) + ",\"fault_at\":" + number(file.end);
    return out + "}";
}

std::string document_line(const Document& d)
{
    std::string line = "  as read: " + number(d.frame_count) + " frames, total delay " + number(d.total_delay) +
        "/100 s, " + number(d.file_colours) + " colours";
    if (d.file_colours > 255)
        line += " (merged into " + number(d.palette_size) + ")";
    line += d.loop_present ? (d.loop_count == 0 ? ", loops forever" : ", loops " + number(d.loop_count) + " times")
                           : ", no looping block";
    return line + "\n";
}

std::string document_json(const Document& d)
{
    return "\"document\":{\"frames\":" + number(d.frame_count) + ",\"total_delay\":" + number(d.total_delay) +
        ",\"palette\":" + number(d.palette_size) +
        ",\"loop\":" + (d.loop_present ? number(d.loop_count) : std::string("null")) + "}";
}

}  // namespace

FileResult describe_file(const std::string& path, bool json, CliReporter& reporter, std::string& listing)
{
    FileResult result;
    result.path = path;
    std::string damage_text, bytes;
    LoadedInput loaded = load_input(path, reporter, &damage_text, &bytes);
    if (loaded.damaged)
        reporter.alert(AlertKind::Exclamation, damage_text.c_str(), "");
    result.messages = reporter.take_messages();
    note_problem(loaded, result);
    if (!loaded.document)
        return result;
    result.status = FileStatus::Reported;
    const Document& d = *loaded.document;
    result.colours = d.file_colours;
    result.colours_merged = d.file_colours > 255;
    RawFile file;
    const bool stored = read_raw_blocks(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &file);
    if (json) {
        result.details = (stored ? stored_json(file) + "," : std::string()) + document_json(d);
        return result;
    }
    listing += input_name(path) + "\n";
    if (stored)
        listing += stored_listing(file);
    listing += document_line(d);
    return result;
}
