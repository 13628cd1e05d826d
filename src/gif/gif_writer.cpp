#include "gif/gif_writer.h"

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "app/report.h"
#include "app/string_ids.h"
#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "codec/frame_coding.h"
#include "codec/output_buffer.h"
#include "gif/gif_blocks.h"
#include "gif/gif_state.h"
#include "optimize/frame_optimizer.h"
#include "platform/core/files.h"

namespace {

// Application strings of the writer.
constexpr int kSavingCaption = 107, kWritingCaption = 108;
constexpr int kSizeUnits = 135, kSizeThousands = 136, kSizeMillions = 137;
constexpr int kReportLarger = 176, kReportLargerButton = 177;
constexpr int kReportSame = 178, kReportSameButton = 179;
constexpr int kReportSmaller256 = 180, kReportSmaller256Button = 181;
constexpr int kReportSmaller = 182, kReportSmallerButton = 183;
constexpr int kAskLarger = 184, kAskLargerYes = 185, kAskLargerNo = 186;
constexpr int kAskSame = 187, kAskSameYes = 188, kAskSameNo = 189;
constexpr int kSaved256 = 190, kSaved256Button = 191;
// More than 256 colours merged into 255 (the count is the last value).
constexpr int kReportSmallerMerged = 439, kReportSmallerMergedButton = 440;
constexpr int kSavedMerged = 441, kSavedMergedButton = 442;
constexpr int kSaved = 192, kSavedButton = 193;

const char* file_name_of(const char* path)
{
    const char* slash = StrFindLastChar(path, '/');
    return slash ? slash + 1 : path;
}

// The background index written in the header: a free table entry that gets the background
// colour, or else the table entry nearest to it.
std::uint8_t choose_background_index(Document& document, int table_bits)
{
    std::uint8_t* palette = document.palette.get();
    const std::uint32_t entries = 1u << table_bits;
    if (entries > document.palette_size) {
        std::memcpy(palette + document.palette_size * 3, palette + 255 * 3, 3);
        return static_cast<std::uint8_t>(document.palette_size);
    }
    int best = 768;
    std::uint8_t nearest = 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        int distance = 0;
        for (int c = 0; c < 3; ++c) {
            const int d = palette[i * 3 + c] - palette[255 * 3 + c];
            distance += d < 0 ? -d : d;
        }
        if (distance < best) {
            best = distance;
            nearest = static_cast<std::uint8_t>(i);
        }
    }
    return nearest;
}

void write_document_header(OutputBuffer& out, Document& document)
{
    std::uint16_t largest = 0;
    for (Frame* frame = document_first_frame(document); frame; frame = document_next_frame(document)) {
        const std::uint16_t needed = colours_needed(document.palette_size, *frame);
        if (needed > largest)
            largest = needed;
    }
    const int bits = table_bits_for(largest);
    const std::uint8_t background = choose_background_index(document, bits);
    write_header(out, document.screen_width, document.screen_height, background, bits, document.palette.get());
}

void write_frames(OutputBuffer& out, Document& document)
{
    for (Frame* frame = document_first_frame(document); frame; frame = document_next_frame(document)) {
        if (frame->comment && frame->comment.get()[0] != '\0')
            write_comment(out, frame->comment.get());
        write_graphic_control(out, *frame);
        write_image_descriptor(out, *frame);
        if (frame->encoded_data)
            out.append(frame->encoded_data.get(), frame->encoded_length);
        reporter().advance_progress(1);
    }
}

bool has_text(const StrPtr& text) { return text && text.get()[0] != '\0'; }

void show_failure(int message, int button, const char* file_name)
{
    reporter().beep();
    const StrPtr text(FormatNew(app_string(message), file_name));
    reporter().alert(AlertKind::Stop, text.get(), app_string(button));
}

bool write_chunks(SaveFileOperations& files, int fd, const OutputBuffer& out)
{
    for (std::size_t i = 0; i < out.chunk_count(); ++i) {
        const std::uint32_t length = out.chunk_length(i);
        if (length > 0 && !files.write(fd, out.chunk_data(i), length))
            return false;
    }
    return files.sync(fd);
}

// A replaced file keeps its permission bits; a new one gets the usual ones.
void keep_permissions(int fd, const char* path)
{
    struct stat old_file { };
    if (::stat(path, &old_file) == 0) {
        (void)::fchmod(fd, old_file.st_mode & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(fd, 0666 & ~mask);
}

// The texts of one save report.
struct SizeReport {
    const char* name;
    StrPtr old_text;
    StrPtr new_text;
    double percent;
    bool many_colours;
    std::uint32_t merged_from;  // above 256: that many colours were merged into 255
};

// Mode Report: only tells how the new size compares.
void report_sizes(const SizeReport& r, std::uint32_t old_size, std::uint32_t new_size)
{
    StrPtr text;
    int button = 0;
    if (new_size > old_size) {
        text.reset(FormatNew(app_string(kReportLarger), r.name, r.old_text.get(), r.new_text.get()));
        button = kReportLargerButton;
    } else if (new_size < old_size && r.merged_from > 256) {
        text.reset(FormatNew(app_string(kReportSmallerMerged), r.name, r.old_text.get(), r.new_text.get(), r.percent,
                             static_cast<int>(r.merged_from)));
        button = kReportSmallerMergedButton;
    } else if (new_size < old_size) {
        text.reset(FormatNew(app_string(r.many_colours ? kReportSmaller256 : kReportSmaller), r.name, r.old_text.get(),
                             r.new_text.get(), r.percent));
        button = r.many_colours ? kReportSmaller256Button : kReportSmallerButton;
    } else {
        text.reset(FormatNew(app_string(kReportSame), r.name));
        button = kReportSameButton;
    }
    reporter().alert(AlertKind::Information, text.get(), app_string(button));
}

// Before writing a file that is not shorter: true when the user wants it written anyway.
bool confirm_not_shorter(const SizeReport& r, bool larger)
{
    Reporter& out = reporter();
    out.beep();
    const StrPtr question(larger ? FormatNew(app_string(kAskLarger), r.name, r.old_text.get(), r.new_text.get())
                                 : FormatNew(app_string(kAskSame), r.name, r.new_text.get()));
    return out.ask(AlertKind::Exclamation, question.get(), app_string(larger ? kAskLargerYes : kAskSameYes),
                   app_string(larger ? kAskLargerNo : kAskSameNo));
}

// The save report of a finished build: tells the sizes, asks before writing a file that is
// not shorter, writes. Returns true when a file was written.
bool save_report(Document& document, SaveMode mode, const char* path, std::uint32_t old_size, std::uint32_t new_size,
                 FileColours colours, SaveSummary& summary)
{
    const double percent = old_size ? (static_cast<double>(old_size) - new_size) * 100.0 / old_size : 0.0;
    const bool merged = colours == FileColours::AsDocument;
    const SizeReport report{file_name_of(path),
                            save_size_text(old_size),
                            save_size_text(new_size),
                            percent,
                            merged && (document.has_256_colours != 0 || document.file_colours == 256),
                            merged && document.file_colours > 256 ? document.file_colours : 0};
    summary.old_size = old_size;
    summary.new_size = new_size;
    summary.saved_percent = percent;
    if (mode == SaveMode::Report) {
        summary.outcome = SaveOutcome::Reported;
        report_sizes(report, old_size, new_size);
        return false;
    }
    if (new_size >= old_size && !confirm_not_shorter(report, new_size > old_size)) {
        summary.outcome = SaveOutcome::Declined;
        return false;
    }
    if (!write_output_to_file(output_buffer(), path)) {
        summary.outcome = SaveOutcome::WriteFailed;
        return false;
    }
    summary.outcome = SaveOutcome::Written;
    document.file_size = new_size;
    if (new_size < old_size && report.merged_from > 256) {
        const StrPtr text(FormatNew(app_string(kSavedMerged), report.name, report.old_text.get(), report.new_text.get(),
                                    percent, static_cast<int>(report.merged_from)));
        reporter().alert(AlertKind::Information, text.get(), app_string(kSavedMergedButton));
    } else if (new_size < old_size) {
        const bool many = report.many_colours;
        const StrPtr text(FormatNew(app_string(many ? kSaved256 : kSaved), report.name, report.old_text.get(),
                                    report.new_text.get(), percent));
        reporter().alert(AlertKind::Information, text.get(), app_string(many ? kSaved256Button : kSavedButton));
    }
    return true;
}

}  // namespace

int table_bits_for(std::uint32_t colour_count)
{
    if (colour_count < 3)
        return 1;
    int bits = 0;
    for (std::uint32_t v = colour_count - 1; v != 0; v >>= 1)
        ++bits;
    return bits;
}

void write_header(OutputBuffer& out, std::uint16_t width, std::uint16_t height, std::uint8_t background_index,
                  int table_bits, const std::uint8_t* palette)
{
    static const std::uint8_t kSignature[] = {'G', 'I', 'F', '8', '9', 'a'};
    out.append(kSignature, sizeof kSignature);
    out.append_u16(width);
    out.append_u16(height);
    // The colour resolution is written as the table's own bits.
    const int size_field = (table_bits - 1) & gif_block::kScreenTableSizeMask;
    std::uint8_t packed = static_cast<std::uint8_t>((size_field << gif_block::kScreenResolutionShift) | size_field);
    if (palette)
        packed |= gif_block::kScreenGlobalTable;
    out.append_byte(packed);
    out.append_byte(background_index);
    out.append_byte(0x31);  // aspect byte as every file of this program carries it
    if (palette)
        out.append(palette, (std::size_t{1} << table_bits) * 3);
    // Images written later without a local table take their code size from the header.
    set_header_table_bits(table_bits);
}

void write_looping_block(OutputBuffer& out, std::uint16_t loop_count)
{
    out.append_byte(gif_block::kExtensionIntroducer);
    out.append_byte(gif_block::kApplicationLabel);
    // The 11-byte identifier, then a 3-byte sub-block: 1 and the loop count.
    static const std::uint8_t kIdentifier[] = {0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01};
    out.append(kIdentifier, sizeof kIdentifier);
    out.append_u16(loop_count);
    out.append_byte(0x00);
}

void write_comment(OutputBuffer& out, const char* text)
{
    out.append_byte(gif_block::kExtensionIntroducer);
    out.append_byte(gif_block::kCommentLabel);
    // The whole text, however long, in sub-blocks of at most 255 bytes.
    std::size_t left = StrLen(text);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
    while (left > 0) {
        const std::size_t piece = left < 255 ? left : 255;
        out.append_byte(static_cast<std::uint8_t>(piece));
        out.append(bytes, piece);
        bytes += piece;
        left -= piece;
    }
    out.append_byte(0x00);
}

void write_graphic_control(OutputBuffer& out, const Frame& frame)
{
    out.append_byte(gif_block::kExtensionIntroducer);
    out.append_byte(gif_block::kGraphicControlLabel);
    out.append_byte(0x04);
    const int disposal = static_cast<int>(frame.disposal) & gif_block::kControlDisposalMask;
    int packed = disposal << gif_block::kControlDisposalShift;
    if (frame.user_input & 1)
        packed |= gif_block::kControlUserInput;
    if (frame.transparent & 1)
        packed |= gif_block::kControlTransparent;
    out.append_byte(static_cast<std::uint8_t>(packed));
    out.append_u16(static_cast<std::uint16_t>(frame.delay));
    out.append_byte(frame.transparent_index);
    out.append_byte(0x00);
}

void write_image_descriptor(OutputBuffer& out, const Frame& frame)
{
    out.append_byte(gif_block::kImageIntroducer);
    out.append_u16(static_cast<std::uint16_t>(frame.rect.left));
    out.append_u16(static_cast<std::uint16_t>(frame.rect.top));
    out.append_u16(static_cast<std::uint16_t>(frame.rect.width()));
    out.append_u16(static_cast<std::uint16_t>(frame.rect.height()));
    // Never a local table: every frame uses the one global palette.
    out.append_byte((frame.interlaced & 1) ? gif_block::kImageInterlaced : 0);
}

void write_trailer(OutputBuffer& out) { out.append_byte(gif_block::kTrailer); }

StrPtr save_size_text(std::uint32_t bytes)
{
    const std::uint32_t millions = bytes / 1000000;
    const std::uint32_t thousands = (bytes / 1000) % 1000;
    const std::uint32_t units = bytes % 1000;
    if (millions > 0)
        return StrPtr(FormatNew(app_string(kSizeMillions), millions, thousands, units));
    if (thousands > 0)
        return StrPtr(FormatNew(app_string(kSizeThousands), thousands, units));
    return StrPtr(FormatNew(app_string(kSizeUnits), units));
}

std::uint32_t write_gif_to_buffer(Document& document, const char* path)
{
    Reporter& progress = reporter();
    const char* name = file_name_of(path);
    const StrPtr caption(FormatNew(app_string(kSavingCaption), name));
    progress.begin_progress(caption.get(), static_cast<std::uint32_t>(document.frame_count) * 2 + 2);
    optimize_document(document);
    const StrPtr writing(FormatNew(app_string(kWritingCaption), name));
    progress.set_progress_caption(writing.get());

    OutputBuffer& out = output_buffer();
    out.reset();
    write_document_header(out, document);
    progress.advance_progress(1);
    if (document.loop_present)
        write_looping_block(out, document.loop_count);
    // An empty leading comment is still written before a commented first frame, so that the
    // frame's comment is read back as the frame's own.
    Frame* first = document_first_frame(document);
    if (has_text(document.leading_comment) || (first && has_text(first->comment)))
        write_comment(out, document.leading_comment ? document.leading_comment.get() : "");
    write_frames(out, document);
    if (has_text(document.trailing_comment))
        write_comment(out, document.trailing_comment.get());
    write_trailer(out);
    progress.advance_progress(1);
    progress.end_progress();
    return out.total();
}

bool save_document(Document& document, SaveMode mode, SaveSummary* summary)
{
    SaveSummary local;
    SaveSummary& result = summary ? *summary : local;
    const char* path = document.path ? document.path.get() : "";
    const std::uint32_t new_size = write_gif_to_buffer(document, path);
    return save_report(document, mode, path, document.file_size, new_size, FileColours::AsDocument, result);
}

bool save_output_buffer(Document& document, SaveMode mode, FileColours colours, SaveSummary* summary)
{
    SaveSummary local;
    const char* path = document.path ? document.path.get() : "";
    return save_report(document, mode, path, document.file_size, output_buffer().total(), colours,
                       summary ? *summary : local);
}

bool write_output_to_file(const OutputBuffer& out, const char* path)
{
    const char* name = file_name_of(path);
    SaveFileOperations& files = *gif_state().save_files;
    std::string temporary;
    const int fd = files.create_beside(path, &temporary);
    if (fd == platform::kNoFile) {
        show_failure(kTextCannotCreate, kTextCannotCreateButton, name);
        return false;
    }
    keep_permissions(fd, path);
    const bool written = write_chunks(files, fd, out);
    const bool closed = files.close(fd);
    if (!written || !closed) {
        files.remove(temporary.c_str());
        show_failure(kTextCannotWrite, kTextCannotWriteButton, name);
        return false;
    }
    if (!files.replace(temporary.c_str(), path)) {
        files.remove(temporary.c_str());
        show_failure(kTextCannotReplace, kTextCannotReplaceButton, name);
        return false;
    }
    return true;
}

void set_save_file_operations(SaveFileOperations* operations)
{
    GifState& state = gif_state();
    state.save_files = operations ? operations : &state.platform_files;
}
