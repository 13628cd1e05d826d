#include "cli/cli_edits.h"

#include "app/settings.h"
#include "foundation/time_text.h"
#include "gif/document_edits.h"

namespace {

// A comment typed on the command line, with the program's line breaks.
StrPtr comment_text(const std::string& typed)
{
    std::string text;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        if (typed[i] == '\r' && i + 1 < typed.size() && typed[i + 1] == '\n')
            continue;
        text += typed[i] == '\n' ? '\r' : typed[i];
    }
    return StrPtr(StrDupN(text.data(), text.size()));
}

}  // namespace

bool apply_edits(const CliEdits& edits, Document& document, std::string* problem)
{
    const std::int32_t first = edits.first_frame > 0 ? edits.first_frame - 1 : 0;
    const std::int32_t last = edits.last_frame > 0 ? edits.last_frame - 1 : document.frame_count - 1;
    if (edits.delay_scale >= 0.0 && first >= document.frame_count) {
        *problem = "has " + std::to_string(document.frame_count) + " frames, so --frames " +
            std::to_string(edits.first_frame) + "- names none of them";
        return false;
    }
    if (edits.strip_comments)
        clear_all_comments(document);
    if (edits.has_comment)
        document.trailing_comment = comment_text(edits.comment);
    if (edits.stamp) {
        const char* stamp_template = settings().template_text ? settings().template_text : "";
        const StrPtr stamp = compose_stamp(stamp_template, NowSeconds(), "");
        insert_stamp_comment(document, stamp.get());
    }
    switch (edits.loop) {
    case LoopEdit::Keep:
        break;
    case LoopEdit::Forever:
        set_looping(document, Looping::Forever, 0);
        break;
    case LoopEdit::Count:
        set_looping(document, Looping::Count, static_cast<std::uint16_t>(edits.loop_count));
        break;
    case LoopEdit::None:
        set_looping(document, Looping::Once, 0);
        break;
    }
    if (edits.delay_scale >= 0.0)
        scale_delays(document, first, last, edits.delay_scale, static_cast<std::uint32_t>(edits.delay_min),
                     static_cast<std::uint32_t>(edits.delay_max));
    if (edits.no_interlace)
        make_non_interlaced(document, 0, document.frame_count - 1);
    return true;
}
