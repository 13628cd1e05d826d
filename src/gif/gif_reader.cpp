#include "gif/gif_reader.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/report.h"
#include "app/string_ids.h"
#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "codec/codec_state.h"
#include "codec/frame_coding.h"
#include "gif/gif_blocks.h"
#include "gif/gif_normalise.h"
#include "gif/gif_state.h"
#include "platform/core/files.h"

namespace {

// Application strings of the reader.
constexpr int kLoadingCaption = 21;
constexpr int kNotGifType = 98, kNotGifTypeButton = 99;
constexpr int kPreparingCaption = 102;
constexpr int kDamagedAtEnd = 111, kDamagedAt = 112;
constexpr int kUnknownApplication = 113;
constexpr int kDataAfterTrailer = 138;
constexpr int kTrailingCodes = 199;
constexpr int kNotGifSignature = 328, kNotGifSignatureButton = 54;
constexpr int kCanvasTooLarge = 411;
constexpr int kNoTrailer = 412;

using namespace gif_block;

// Screen-sized canvases that a load and the save after it hold at the same time, and the
// decoder's image of one frame.
constexpr std::uint64_t kCanvasCopies = 5;
// Frame lists count in 16 bits.
constexpr std::uint32_t kMostFrames = 65535;

std::uint16_t read_u16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)); }

// The graphic-control state that applies to the next image.
struct GraphicControl {
    Disposal disposal = Disposal::Keep;
    std::uint8_t user_input = 0;
    std::uint8_t transparent = 0;
    std::uint32_t delay = 0;
    std::uint8_t transparent_index = 0;
};

// Partial: an image whose data broke off; the rows decoded before it were kept.
enum class BlockResult : std::uint8_t { Ok, Bad, TooLarge, Partial };

// One load: the document being filled and what the block loop carries between blocks.
class Parse {
public:
    Parse(Document& document, const char* file_name) : m_document(document), m_file_name(file_name) { }

    // The logical screen descriptor and the global palette; false on a short read.
    [[nodiscard]] bool read_logical_screen();
    // The block loop after the screen; false when the load fails.
    [[nodiscard]] bool read_blocks(Tolerance tolerance);
    bool screen_too_large() const { return m_screen_too_large; }

private:
    BlockResult read_extension();
    BlockResult read_graphic_control();
    BlockResult read_comment();
    BlockResult read_plain_text();
    BlockResult read_application();
    BlockResult read_image();
    [[nodiscard]] bool read_frame_palette(Frame& frame, std::uint8_t packed);
    BlockResult read_image_pixels(Frame& frame, bool interlaced);
    [[nodiscard]] bool keep_decoded_rows(Frame& frame, bool interlaced, std::uint32_t rows);
    [[nodiscard]] bool skip_sub_blocks();
    void take_comment(const char* text, std::size_t length);
    StrPtr take_pending_comment();

public:
    // A comment still pending after the last block becomes the trailing comment.
    void finish_comments();

private:
    bool canvas_fits(std::uint32_t width, std::uint32_t height) const;
    bool within_budget(std::uint64_t more_bytes, std::uint64_t frames) const;
    void queue_bad_block(std::uint32_t position, BlockResult why);
    void advance_to_position();

    Document& m_document;
    const char* m_file_name;
    GraphicControl m_control;
    Tolerance m_tolerance = Tolerance::Tolerant;
    std::uint32_t m_reported_position = 0;
    std::uint64_t m_held_bytes = 0;  // frame encodings and comments kept so far
    std::uint32_t m_frames = 0;
    // Comments gathered since the last image; grown in place, so that many comments before
    // one image cost time in proportion to their length.
    std::string m_pending;
    bool m_has_pending = false;
    bool m_screen_too_large = false;
};

InputWindow& input() { return codec_state().input; }

bool Parse::canvas_fits(std::uint32_t width, std::uint32_t height) const
{
    // Screen rectangles are 16-bit signed, so neither side may pass 32767.
    if (width > 32767 || height > 32767)
        return false;
    const std::uint64_t pixels = std::uint64_t{width} * height;
    const GifState& limits = gif_state();
    return pixels <= limits.canvas_pixel_limit && pixels * kCanvasCopies <= limits.memory_budget;
}

// What the document will hold with `frames` frames and `more_bytes` more kept: its
// canvases, a snapshot of the whole screen on every eighth frame (counted at a byte a
// pixel, what a busy screen takes; this also bounds the time spent making them) and the
// encodings and comments. A small file of many tiny frames on a huge screen would otherwise
// need memory and time in proportion to frames times screen size.
bool Parse::within_budget(std::uint64_t more_bytes, std::uint64_t frames) const
{
    const std::uint64_t pixels = std::uint64_t{m_document.screen_width} * m_document.screen_height;
    const std::uint64_t need = pixels * kCanvasCopies + frames / 8 * pixels + m_held_bytes + more_bytes;
    return need <= gif_state().memory_budget;
}

bool Parse::read_logical_screen()
{
    const std::uint8_t* screen = input().read_window(7);
    if (!screen)
        return false;
    const std::uint16_t width = read_u16(screen);
    const std::uint16_t height = read_u16(screen + 2);
    const std::uint8_t packed = screen[4];
    const std::uint8_t background = screen[5];
    m_document.aspect = screen[6];
    if (packed & kScreenGlobalTable) {
        m_document.background_index = background;
        m_document.palette_size = static_cast<std::uint16_t>(table_entries(packed));
        const std::uint8_t* table = input().read_window(m_document.palette_size * 3u);
        if (!table)
            return false;
        std::memcpy(m_document.palette.get(), table, m_document.palette_size * 3u);
    } else {
        m_document.background_index = 0;
        m_document.palette_size = 0;
    }
    if (!canvas_fits(width, height)) {
        m_screen_too_large = true;
        return true;
    }
    m_document.screen_width = width;
    m_document.screen_height = height;
    canvas_resize(m_document.canvas, width, height);
    return true;
}

void Parse::advance_to_position()
{
    const std::uint32_t position = input().position();
    if (position > m_reported_position) {
        reporter().advance_progress(position - m_reported_position);
        m_reported_position = position;
    }
}

void Parse::queue_bad_block(std::uint32_t position, BlockResult why)
{
    const char* too_large = find_app_string(kCanvasTooLarge);
    if (why == BlockResult::TooLarge && too_large && too_large[0])
        warning_queue().add(3, StrPtr(FormatNew(too_large, m_file_name)));
    const std::uint32_t total = input().total_size();
    const std::uint32_t left = total > position ? total - position : 0;
    if (left < 8) {
        warning_queue().add(3, StrPtr(FormatNew(app_string(kDamagedAtEnd), m_file_name)));
        return;
    }
    const double percentage = position * 100.0 / total;
    warning_queue().add(3, StrPtr(FormatNew(app_string(kDamagedAt), m_file_name, percentage)));
}

bool Parse::read_blocks(Tolerance tolerance)
{
    m_control = GraphicControl{};
    m_tolerance = tolerance;
    m_reported_position = input().position();
    if (m_screen_too_large) {
        queue_bad_block(m_reported_position, BlockResult::TooLarge);
        return tolerance == Tolerance::Tolerant;
    }
    for (;;) {
        const std::uint32_t position = input().position();
        advance_to_position();
        std::uint8_t introducer = 0;
        BlockResult result = BlockResult::Bad;
        if (!input().read_byte(introducer)) {
            // The file ends where its trailer byte belongs, after complete images: nothing
            // is lost, and the file written later gets its trailer.
            if (m_frames > 0 && position == input().total_size()) {
                warning_queue().add(1, StrPtr(FormatNew(app_string(kNoTrailer), m_file_name)));
                return true;
            }
            result = BlockResult::Bad;
        } else if (introducer == kImageIntroducer) {
            result = read_image();
            m_control = GraphicControl{};
        } else if (introducer == kExtensionIntroducer) {
            result = read_extension();
        } else if (introducer == kTrailer) {
            advance_to_position();
            if (input().position() < input().total_size())
                warning_queue().add(4, StrPtr(FormatNew(app_string(kDataAfterTrailer), m_file_name)));
            return true;
        }
        if (result != BlockResult::Ok) {
            queue_bad_block(position, result);
            return tolerance == Tolerance::Tolerant;
        }
    }
}

BlockResult Parse::read_extension()
{
    std::uint8_t label = 0;
    if (!input().read_byte(label))
        return BlockResult::Bad;
    switch (label) {
    case kPlainTextLabel:
        return read_plain_text();
    case kGraphicControlLabel:
        return read_graphic_control();
    case kCommentLabel:
        return read_comment();
    case kApplicationLabel:
        return read_application();
    default:
        return BlockResult::Bad;
    }
}

bool Parse::skip_sub_blocks()
{
    for (;;) {
        std::uint32_t length = 0;
        if (!input().read_sub_block(length))
            return false;
        if (length == 0)
            return true;
    }
}

BlockResult Parse::read_graphic_control()
{
    std::uint32_t length = 0;
    const std::uint8_t* data = input().read_sub_block(length);
    if (!data || length != 4)
        return BlockResult::Bad;
    const std::uint8_t packed = data[0];
    m_control.disposal = static_cast<Disposal>((packed >> kControlDisposalShift) & kControlDisposalMask);
    m_control.user_input = (packed & kControlUserInput) ? 1 : 0;
    m_control.transparent = (packed & kControlTransparent) ? 1 : 0;
    m_control.delay = read_u16(data + 1);
    m_control.transparent_index = data[3];
    if (!input().read_sub_block(length) || length != 0)
        return BlockResult::Bad;
    return BlockResult::Ok;
}

BlockResult Parse::read_comment()
{
    std::vector<char> text;
    for (;;) {
        std::uint32_t length = 0;
        const std::uint8_t* data = input().read_sub_block(length);
        if (!data)
            return BlockResult::Bad;
        if (length == 0)
            break;
        for (std::uint32_t i = 0; i < length; ++i)
            text.push_back(data[i] == 0 ? '#' : static_cast<char>(data[i]));
    }
    // Line breaks inside the program are single CRs; a comment keeps none of its own.
    std::size_t kept = 0;
    for (char c : text)
        if (c != '\r')
            text[kept++] = c;
    if (!within_budget(kept, m_frames))
        return BlockResult::TooLarge;
    m_held_bytes += kept;
    take_comment(kept ? text.data() : "", kept);  // an empty vector has no data pointer
    return BlockResult::Ok;
}

void Parse::take_comment(const char* text, std::size_t length)
{
    if (m_frames == 0 && !m_document.leading_comment) {
        m_document.leading_comment.reset(StrDupN(text, length));
        return;
    }
    // Comments that gather before one image are joined with an empty line between them.
    if (m_has_pending)
        m_pending.append("\r\r");
    m_pending.append(text, length);
    m_has_pending = true;
}

StrPtr Parse::take_pending_comment()
{
    StrPtr comment(StrDupN(m_pending.data(), m_pending.size()));
    m_pending.clear();
    m_has_pending = false;
    return comment;
}

void Parse::finish_comments()
{
    if (m_has_pending)
        m_document.trailing_comment = take_pending_comment();
}

BlockResult Parse::read_plain_text()
{
    std::uint32_t length = 0;
    if (!input().read_sub_block(length) || length != 12)
        return BlockResult::Bad;
    return skip_sub_blocks() ? BlockResult::Ok : BlockResult::Bad;
}

BlockResult Parse::read_application()
{
    std::uint32_t length = 0;
    const std::uint8_t* data = input().read_sub_block(length);
    if (!data || length != 11)
        return BlockResult::Bad;
    char identifier[12] = {};
    std::memcpy(identifier, data, 11);
    // Both looping blocks share one layout: sub-block 1, loop count, terminator.
    if (std::memcmp(identifier, "NETSCAPE2.0", 11) == 0 || std::memcmp(identifier, "ANIMEXTS1.0", 11) == 0) {
        data = input().read_sub_block(length);
        if (!data || length != 3)
            return BlockResult::Bad;
        m_document.loop_present = 1;
        m_document.loop_count = read_u16(data + 1);
        if (!input().read_sub_block(length) || length != 0)
            return BlockResult::Bad;
        return BlockResult::Ok;
    }
    warning_queue().add(1, StrPtr(FormatNew(app_string(kUnknownApplication), identifier)));
    return skip_sub_blocks() ? BlockResult::Ok : BlockResult::Bad;
}

BlockResult Parse::read_image()
{
    const std::uint8_t* descriptor = input().read_window(9);
    if (!descriptor)
        return BlockResult::Bad;
    const std::uint32_t left = read_u16(descriptor);
    const std::uint32_t top = read_u16(descriptor + 2);
    const std::uint32_t right = left + read_u16(descriptor + 4);
    const std::uint32_t bottom = top + read_u16(descriptor + 6);
    const std::uint8_t packed = descriptor[8];
    // Frame edges are 16-bit signed screen coordinates; larger ones cannot be shown.
    if (right > 32767 || bottom > 32767)
        return BlockResult::TooLarge;

    FramePtr frame(new_frame());
    frame->rect = ScreenRect{static_cast<std::int16_t>(top), static_cast<std::int16_t>(left),
                             static_cast<std::int16_t>(bottom), static_cast<std::int16_t>(right)};
    const bool interlaced = (packed & kImageInterlaced) != 0;
    frame->interlaced = interlaced ? 1 : 0;
    frame->delay = m_control.delay;
    frame->disposal = m_control.disposal;
    frame->user_input = m_control.user_input;
    frame->transparent = m_control.transparent;
    frame->transparent_index = m_control.transparent_index;

    if (right > m_document.screen_width || bottom > m_document.screen_height) {
        const std::uint32_t width = right > m_document.screen_width ? right : m_document.screen_width;
        const std::uint32_t height = bottom > m_document.screen_height ? bottom : m_document.screen_height;
        if (!canvas_fits(width, height))
            return BlockResult::TooLarge;
        m_document.screen_width = static_cast<std::uint16_t>(width);
        m_document.screen_height = static_cast<std::uint16_t>(height);
        canvas_resize(m_document.canvas, m_document.screen_width, m_document.screen_height);
    }

    if (!read_frame_palette(*frame, packed))
        return BlockResult::Bad;
    frame_reset_usage(*frame, frame->load_palette_size);
    const BlockResult pixels = read_image_pixels(*frame, interlaced);
    if (pixels != BlockResult::Ok && pixels != BlockResult::Partial)
        return pixels;
    if (m_frames == kMostFrames || !within_budget(frame->encoded_length, std::uint64_t{m_frames} + 1))
        return BlockResult::TooLarge;
    m_held_bytes += frame->encoded_length;
    ++m_frames;
    // The pending comment belongs to the image only once the image has been read whole.
    frame->comment = take_pending_comment();
    m_document.total_delay += frame->delay;
    document_append_frame(m_document, std::move(frame));
    return pixels;
}

bool Parse::read_frame_palette(Frame& frame, std::uint8_t packed)
{
    const bool local_table = (packed & kImageLocalTable) != 0;
    const std::uint32_t local_entries = table_entries(packed);
    std::uint32_t palette_size = local_table ? local_entries : m_document.palette_size;
    if (palette_size == 0)
        palette_size = 256;
    if (frame.transparent)
        while (palette_size <= frame.transparent_index)
            palette_size *= 2;
    frame.load_palette_size = static_cast<std::uint16_t>(palette_size);
    if (!local_table)
        return true;
    // Entries beyond the table the file gives (grown for the transparent index) are zero.
    frame.local_palette.reset(static_cast<std::uint8_t*>(MemAlloc(palette_size * 3)));
    std::memset(frame.local_palette.get(), 0, palette_size * 3);
    const std::uint8_t* table = input().read_window(local_entries * 3);
    if (!table)
        return false;
    std::memcpy(frame.local_palette.get(), table, local_entries * 3);
    return true;
}

// The canvas row of the image's row number `i` in stream order.
int stored_row_offset(std::uint32_t i, std::uint32_t height, bool interlaced)
{
    if (!interlaced)
        return static_cast<int>(i);
    static const std::uint32_t kStart[] = {0, 4, 2, 1};
    static const std::uint32_t kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const std::uint32_t rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (i < rows)
            return static_cast<int>(kStart[pass] + i * kStep[pass]);
        i -= rows;
    }
    return static_cast<int>(height);
}

// An image whose data broke off after `rows` rows: those rows stay and the others become
// empty (transparent, showing the screen beneath). A frame that had no transparency gets the
// lowest index its decoded rows do not use. False when no index is free.
bool Parse::keep_decoded_rows(Frame& frame, bool interlaced, std::uint32_t rows)
{
    const ScreenRect& rect = frame.rect;
    const auto height = static_cast<std::uint32_t>(rect.height());
    std::vector<bool> written(height, false);
    bool used[256] = {};
    for (std::uint32_t i = 0; i < rows && i < height; ++i) {
        const int offset = stored_row_offset(i, height, interlaced);
        written[static_cast<std::size_t>(offset)] = true;
        const std::uint8_t* row = m_document.canvas.row(rect.top + offset);
        for (int x = rect.left; x < rect.right; ++x)
            used[row[x]] = true;
    }
    if (!frame.transparent) {
        int free_index = 0;
        while (free_index < 256 && used[free_index])
            ++free_index;
        if (free_index == 256)
            return false;
        frame.transparent = 1;
        frame.transparent_index = static_cast<std::uint8_t>(free_index);
        if (free_index >= frame.load_palette_size) {
            const std::uint16_t grown = static_cast<std::uint16_t>(free_index + 1);
            if (frame.local_palette) {
                MemPtr<std::uint8_t> table(static_cast<std::uint8_t*>(MemAlloc(grown * 3u)));
                std::memset(table.get(), 0, grown * 3u);
                std::memcpy(table.get(), frame.local_palette.get(), frame.load_palette_size * 3u);
                frame.local_palette = std::move(table);
            }
            frame.load_palette_size = grown;
        }
        frame_reset_usage(frame, frame.load_palette_size);
    }
    for (std::uint32_t y = 0; y < height; ++y)
        if (!written[y])
            std::memset(m_document.canvas.row(rect.top + static_cast<int>(y)) + rect.left, frame.transparent_index,
                        static_cast<std::size_t>(rect.width()));
    return true;
}

BlockResult Parse::read_image_pixels(Frame& frame, bool interlaced)
{
    std::uint32_t rows = 0;
    const DecodeResult decoded = decode_image(m_document.canvas, frame, interlaced, TransparentAware::No, &rows);
    const bool partial = decoded == DecodeResult::Failed;
    if (partial && (m_tolerance != Tolerance::Tolerant || rows == 0 || !keep_decoded_rows(frame, interlaced, rows)))
        return BlockResult::Bad;
    if (decoded == DecodeResult::TrailingSkipped)
        warning_queue().add(2, StrPtr(StrDup(app_string(kTrailingCodes))));

    const ScreenRect& rect = frame.rect;
    std::uint32_t* usage = frame.colour_usage.get();
    for (int y = rect.top; y < rect.bottom; ++y) {
        const std::uint8_t* row = m_document.canvas.row(y);
        for (int x = rect.left; x < rect.right; ++x) {
            if (row[x] >= frame.load_palette_size)
                return BlockResult::Bad;
            ++usage[row[x]];
        }
    }
    if (frame.transparent)
        usage[frame.transparent_index] = 0;
    encode_frame_into(frame, m_document.canvas, interlaced, frame.load_palette_size);
    return partial ? BlockResult::Partial : BlockResult::Ok;
}

const char* file_name_of(const char* path)
{
    const char* slash = StrFindLastChar(path, '/');
    return slash ? slash + 1 : path;
}

enum class Signature : std::uint8_t { Unknown, Gif87a, Gif89a };

Signature read_signature(int fd)
{
    std::uint64_t size = 0;
    if (!platform::file_size(fd, &size))
        return Signature::Unknown;
    char bytes[6] = {};
    std::uint32_t got = 0;
    if (!platform::file_read(fd, bytes, 6, &got) || got != 6)
        return Signature::Unknown;
    if (std::memcmp(bytes, "GIF87a", 6) == 0)
        return Signature::Gif87a;
    if (std::memcmp(bytes, "GIF89a", 6) == 0)
        return Signature::Gif89a;
    return Signature::Unknown;
}

void report_failure(int message, int button, const char* file_name, bool beep_first)
{
    Reporter& out = reporter();
    const StrPtr text(FormatNew(app_string(message), file_name));
    if (beep_first)
        out.beep();
    out.alert(AlertKind::Stop, text.get(), app_string(button));
    if (!beep_first)
        out.beep();
}

}  // namespace

Document* load_gif_document(const char* path, int fd, Tolerance tolerance)
{
    const char* file_name = file_name_of(path);
    if (read_signature(fd) == Signature::Unknown) {
        report_failure(kNotGifSignature, kNotGifSignatureButton, file_name, false);
        return nullptr;
    }
    InputWindow& window = input();
    warning_queue().clear();
    const bool window_ready = window.set_file_descriptor(fd);
    const std::uint32_t unread = window_ready ? window.total_size() - window.position() : 0;
    const StrPtr caption(FormatNew(app_string(kLoadingCaption), file_name));
    // A quarter of the units for reading, three quarters for the normalisation.
    const std::uint64_t units = std::uint64_t{unread} * 4;
    reporter().begin_progress(caption.get(), units > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(units));

    DocumentPtr document(new_document());
    Parse parse(*document, file_name);
    bool loaded = window_ready && parse.read_logical_screen() && parse.read_blocks(tolerance);
    parse.finish_comments();
    if (!document->leading_comment)
        document->leading_comment.reset(StrDup(""));
    if (!document->trailing_comment)
        document->trailing_comment.reset(StrDup(""));
    if (loaded) {
        document->path.reset(StrDup(path));
        document->file_size = window.total_size();
        reporter().set_progress_caption(app_string(kPreparingCaption));
        normalise_document(*document, unread);
    }
    reporter().end_progress();
    window.close();
    if (!loaded) {
        document.reset();
        warning_queue().clear();
        report_failure(kTextCannotRead, kTextCannotReadButton, file_name, true);
        return nullptr;
    }
    warning_queue().show(gif_state().warning_ask);
    return document.release();
}

Document* open_gif_file(const char* path)
{
    const char* file_name = file_name_of(path);
    const char* dot = StrFindLastChar(file_name, '.');
    const bool gif_type = dot && CharToLower(static_cast<std::uint8_t>(dot[1])) == 'g' &&
        CharToLower(static_cast<std::uint8_t>(dot[2])) == 'i' &&
        CharToLower(static_cast<std::uint8_t>(dot[3])) == 'f' && dot[4] == '\0';
    if (!gif_type) {
        report_failure(kNotGifType, kNotGifTypeButton, file_name, true);
        return nullptr;
    }
    const int fd = platform::file_open(path, platform::FileAccess::Read);
    if (fd == platform::kNoFile) {
        report_failure(kTextCannotRead, kTextCannotReadButton, file_name, true);
        return nullptr;
    }
    Document* document = load_gif_document(path, fd, Tolerance::Tolerant);
    platform::file_close(fd);
    return document;
}

void set_warning_ask(WarningAsk ask) { gif_state().warning_ask = ask ? ask : &ask_warning_alert; }
void set_canvas_pixel_limit(std::uint64_t pixels) { gif_state().canvas_pixel_limit = pixels; }
std::uint64_t canvas_pixel_limit() { return gif_state().canvas_pixel_limit; }
void set_document_memory_budget(std::uint64_t bytes) { gif_state().memory_budget = bytes; }
std::uint64_t document_memory_budget() { return gif_state().memory_budget; }
