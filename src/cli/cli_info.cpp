// The `info` command: what a file holds, as the program reads it.
#include <cstdio>
#include <string>

#include "cli/cli_input.h"
#include "cli/cli_run.h"

namespace {

const char* disposal_name(int disposal)
{
    static const char* const kNames[] = {"none", "keep", "background", "previous"};
    return disposal >= 0 && disposal < 4 ? kNames[disposal] : "other";
}

std::string comment_line(const char* text)
{
    std::string out;
    for (const char* c = text; *c; ++c)
        out += *c == '\r' ? std::string("\\n") : std::string(1, *c);
    return out;
}

void list_frames(Document& d, std::string& listing)
{
    char line[512];
    int index = 0;
    for (Frame* frame = document_first_frame(d); frame; frame = document_next_frame(d), ++index) {
        const std::string transparency =
            frame->transparent ? "transparent " + std::to_string(frame->transparent_index) : "opaque";
        std::snprintf(line, sizeof line, "  frame %d: %dx%d at (%d,%d), delay %u, disposal %d (%s), %s%s, %u bytes\n",
                      index + 1, frame->rect.width(), frame->rect.height(), frame->rect.left, frame->rect.top,
                      frame->delay, frame->disposal, disposal_name(frame->disposal), transparency.c_str(),
                      frame->interlaced ? ", interlaced" : "", frame->encoded_length);
        listing += line;
        if (frame->comment && frame->comment.get()[0])
            listing += "    comment: " + comment_line(frame->comment.get()) + "\n";
    }
}

}  // namespace

FileResult describe_file(const std::string& path, CliReporter& reporter, std::string& listing)
{
    FileResult result;
    result.path = path;
    std::string damage_text;
    LoadedInput loaded = load_input(path, reporter, &damage_text);
    if (loaded.damaged)
        reporter.alert(AlertKind::Exclamation, damage_text.c_str(), "");
    result.messages = reporter.take_messages();
    result.reason = loaded.problem;
    if (!loaded.document)
        return result;
    result.status = FileStatus::Reported;
    Document& d = *loaded.document;
    result.colours = d.file_colours;
    result.colours_merged = d.file_colours > 255;
    char line[512];
    listing += path + "\n";
    std::snprintf(line, sizeof line,
                  "  screen %u x %u, %u colours in the file, %u in the document, %d frames, "
                  "total delay %u/100 s\n",
                  d.screen_width, d.screen_height, d.file_colours, d.palette_size, d.frame_count, d.total_delay);
    listing += line;
    if (d.loop_present)
        listing += d.loop_count == 0 ? "  loops forever\n" : "  loops " + std::to_string(d.loop_count) + " times\n";
    else
        listing += "  no looping block\n";
    if (d.leading_comment && d.leading_comment.get()[0])
        listing += "  leading comment: " + comment_line(d.leading_comment.get()) + "\n";
    list_frames(d, listing);
    if (d.trailing_comment && d.trailing_comment.get()[0])
        listing += "  trailing comment: " + comment_line(d.trailing_comment.get()) + "\n";
    return result;
}
