#include "gif/document_edits.h"

#include <cstring>
#include <string>

#include "app/report.h"
#include "app/string_tables.h"
#include "codec/frame_coding.h"
#include "foundation/formatter.h"
#include "foundation/time_text.h"
#include "optimize/frame_optimizer.h"

namespace {

constexpr int kProgramTitle = 1;
constexpr int kDatePlaceholder = 148;  // then time, user, program
constexpr int kFirstMonth = 152;
constexpr int kNonInterlacedCaption = 244;
constexpr int kDelaysCaption = 247;
constexpr char kLineBreak = '\r';

struct Range {
    std::int32_t first = 0;
    std::int32_t last = -1;  // empty when last < first
};

// first..last ordered and clamped to the frame list.
Range frame_range(const Document& document, std::int32_t first, std::int32_t last)
{
    if (first > last) {
        const std::int32_t swap = first;
        first = last;
        last = swap;
    }
    Range range;
    range.first = first < 0 ? 0 : first;
    range.last = last >= document.frame_count ? document.frame_count - 1 : last;
    return range;
}

bool has_text(const StrPtr& text) { return text && text.get()[0] != '\0'; }

}  // namespace

void set_looping(Document& document, Looping looping, std::uint16_t count)
{
    switch (looping) {
    case Looping::Once:
        document.loop_present = 0;
        return;
    case Looping::Count:
        document.loop_present = 1;
        document.loop_count = count == 0 ? 1 : count;
        return;
    case Looping::Forever:
        document.loop_present = 1;
        document.loop_count = 0;
        return;
    }
}

void scale_delays(Document& document, std::int32_t first, std::int32_t last, double factor, std::uint32_t lower,
                  std::uint32_t upper)
{
    const Range range = frame_range(document, first, last);
    if (range.last < range.first)
        return;
    Reporter& progress = reporter();
    progress.begin_progress(app_string(kDelaysCaption), static_cast<std::uint32_t>(range.last - range.first + 1));
    std::int64_t old_sum = 0, new_sum = 0;
    for (std::int32_t i = range.first; i <= range.last; ++i) {
        Frame& frame = *document_frame_at(document, i);
        const double scaled = static_cast<double>(frame.delay) * factor + 0.5;
        std::uint32_t delay = scaled >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(scaled);
        delay = delay < lower ? lower : (delay > upper ? upper : delay);
        old_sum += frame.delay;
        new_sum += delay;
        frame.delay = delay;
        progress.advance_progress(1);
    }
    progress.end_progress();
    document.total_delay =
        static_cast<std::uint32_t>(static_cast<std::int64_t>(document.total_delay) + new_sum - old_sum);
}

void clear_frame_comments(Document& document, std::int32_t first, std::int32_t last)
{
    const Range range = frame_range(document, first, last);
    for (std::int32_t i = range.first; i <= range.last; ++i) {
        Frame& frame = *document_frame_at(document, i);
        if (has_text(frame.comment))
            frame.comment.reset(StrDup(""));
    }
}

void clear_all_comments(Document& document)
{
    clear_frame_comments(document, 0, document.frame_count - 1);
    if (has_text(document.leading_comment))
        document.leading_comment.reset(StrDup(""));
    if (has_text(document.trailing_comment))
        document.trailing_comment.reset(StrDup(""));
}

StrPtr compose_stamp(const char* stamp_template, std::int64_t now_seconds, const char* user_name)
{
    const LocalTime local = LocalTimeRecord(now_seconds);
    const StrPtr date(FormatNew("%s% %d% %d%", app_string(kFirstMonth + local.month - 1), static_cast<int>(local.day),
                                static_cast<int>(local.year)));
    const std::string time = TimeOfDayText(now_seconds, WithSeconds::No);
    const std::string values[4] = {date.get(), time, user_name ? user_name : "", app_string(kProgramTitle)};
    std::string placeholders[4];
    for (int k = 0; k < 4; ++k)
        placeholders[k] = app_string(kDatePlaceholder + k);
    std::string out;
    for (const char* at = stamp_template ? stamp_template : ""; *at;) {
        bool replaced = false;
        for (int k = 0; k < 4 && !replaced; ++k) {
            const std::string& placeholder = placeholders[k];
            if (!placeholder.empty() && std::strncmp(at, placeholder.c_str(), placeholder.size()) == 0) {
                out += values[k];
                at += placeholder.size();
                replaced = true;
            }
        }
        if (!replaced)
            out += *at++;
    }
    return StrPtr(StrDupN(out.data(), out.size()));
}

void insert_stamp_comment(Document& document, const char* stamp)
{
    std::string text = stamp ? stamp : "";
    if (has_text(document.trailing_comment)) {
        text += kLineBreak;
        text += kLineBreak;
        text += document.trailing_comment.get();
    }
    document.trailing_comment.reset(StrDupN(text.data(), text.size()));
}

void make_non_interlaced(Document& document, std::int32_t first, std::int32_t last)
{
    const Range range = frame_range(document, first, last);
    if (range.last < range.first)
        return;
    Reporter& progress = reporter();
    progress.begin_progress(app_string(kNonInterlacedCaption),
                            static_cast<std::uint32_t>(range.last - range.first + 1));
    for (std::int32_t i = range.first; i <= range.last; ++i) {
        Frame& frame = *document_frame_at(document, i);
        if (frame.interlaced &&
            decode_frame_onto(document.canvas, frame, TransparentAware::No) != DecodeResult::Failed) {
            frame.interlaced = 0;
            encode_frame_into(frame, document.canvas, false, colours_needed(document.palette_size, frame));
        }
        progress.advance_progress(1);
    }
    progress.end_progress();
}
