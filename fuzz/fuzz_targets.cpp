#include "fuzz/fuzz_targets.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "document/document.h"
#include "gif/gif_raw.h"
#include "app/language_file.h"
#include "app/preferences.h"
#include "app/settings.h"
#include "app/string_tables.h"
#include "app/text_resource.h"
#include "foundation/file_ref.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "foundation/list.h"
#include "codec/codec_state.h"
#include "codec/frame_coding.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"

namespace fuzz {
namespace {

// A broken invariant: stop so that the fuzzer (or the regression test) sees a crash.
[[noreturn]] void broken(const char* what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    __builtin_trap();
}

// Everything the engine needs once per process: the formatter, the settings record and its
// defaults, and smaller limits than a user's so that one input stays fast. The limits are
// the reader's own mechanism; they do not hide a fault, they only bound the work per input.
// The screen may still pass 65535 pixels (so products that overflow 16 bits are reached);
// the budget bounds frames times screen pixels near 128 million, a second or two under the
// sanitizers.
void start_once()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    FormatterStart();
    initialise_settings();
    set_canvas_pixel_limit(std::uint64_t{1} << 17);
    set_document_memory_budget(std::uint64_t{16} << 20);
    set_language_file_end_hook([] {});
}

// A private scratch folder for the targets that read files by name, removed at exit.
struct ScratchFolder {
    std::string path;
    ~ScratchFolder()
    {
        for (const char* name : {"/fuzz.rqs", "/fuzz.language"})
            unlink((path + name).c_str());
        rmdir(path.c_str());
    }
};

const std::string& scratch_folder()
{
    static const ScratchFolder folder{[] {
        // In memory where possible: the preference writer forces every file to the disk.
        char in_memory[] = "/dev/shm/quillon-fuzz-XXXXXX";
        if (const char* made = mkdtemp(in_memory))
            return std::string(made);
        char pattern[] = "/tmp/quillon-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }()};
    return folder.path;
}

bool write_scratch(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

// An anonymous file holding the bytes, positioned at its start; -1 on failure.
int memory_file(const std::uint8_t* data, std::size_t size)
{
    const int fd = memfd_create("fuzz.gif", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) {
            close(fd);
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    if (lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

DocumentPtr load_memory(const std::uint8_t* data, std::size_t size, Tolerance tolerance)
{
    const int fd = memory_file(data, size);
    if (fd < 0)
        return nullptr;
    DocumentPtr document(load_gif_document("fuzz.gif", fd, tolerance));
    close(fd);
    return document;
}

// The optimizer's settings, varied by the input's length so that every variant is reached
// while one input always runs the same way.
void vary_settings(std::size_t size)
{
    Settings& record = settings();
    record.end_code_saving = static_cast<std::uint8_t>(size & 1);
    record.offset_frames = static_cast<std::uint8_t>((size >> 1) & 1);
    record.crop_first_frame = static_cast<std::uint8_t>((size >> 2) & 1);
    record.transparency_search = static_cast<std::uint8_t>((size >> 3) & 1);
    record.rule_value = static_cast<std::uint16_t>((size >> 4) % 7);
}

// What the animation shows, one hash per frame: the screen after the frame is drawn, in
// colours of the document's palette (pixels never drawn apart from every colour), the
// transparent index leaving pixels alone and disposal 2 emptying the frame's rectangle.
// Empty when a frame's encoding does not decode completely.
std::vector<std::uint64_t> shown_screens(const Document& document)
{
    constexpr std::uint32_t kEmpty = 0xFF000000u;
    const int width = document.screen_width;
    const int height = document.screen_height;
    std::vector<std::uint32_t> screen(static_cast<std::size_t>(width) * height, kEmpty);
    Canvas scratch;
    canvas_resize(scratch, document.screen_width, document.screen_height, 0);
    const std::uint8_t* palette = document.palette.get();
    std::vector<std::uint64_t> hashes;
    for (ListNode* node = document.frames->first; node; node = node->next) {
        const Frame& frame = *ListPointer<Frame>(node->value);
        const int top = std::max<int>(frame.rect.top, 0), bottom = std::min<int>(frame.rect.bottom, height);
        const int left = std::max<int>(frame.rect.left, 0), right = std::min<int>(frame.rect.right, width);
        if (decode_frame_onto(scratch, frame, TransparentAware::No) != DecodeResult::Complete)
            return {};
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const std::uint8_t index = scratch.row(y)[x];
                if (frame.transparent && index == frame.transparent_index)
                    continue;
                const std::uint8_t* rgb = palette + index * 3;
                screen[static_cast<std::size_t>(y) * width + x] = std::uint32_t{rgb[0]} << 16 | rgb[1] << 8 | rgb[2];
            }
        }
        std::uint64_t hash = 0xCBF29CE484222325ull;
        for (std::uint32_t pixel : screen)
            hash = (hash ^ pixel) * 0x100000001B3ull;
        hashes.push_back(hash);
        if (frame.disposal == Disposal::RestoreBackground)
            for (int y = top; y < bottom; ++y)
                std::fill(screen.begin() + static_cast<std::ptrdiff_t>(y) * width + left,
                          screen.begin() + static_cast<std::ptrdiff_t>(y) * width + right, kEmpty);
    }
    return hashes;
}

}  // namespace

int gif_roundtrip(const std::uint8_t* data, std::size_t size)
{
    start_once();
    vary_settings(size);
    DocumentPtr document = load_memory(data, size, Tolerance::Tolerant);
    if (!document)
        return 0;
    const std::int32_t frames = document->frame_count;
    const std::vector<std::uint64_t> shown = shown_screens(*document);
    const std::uint32_t length = write_gif_to_buffer(*document, "fuzz.gif");
    const std::vector<std::uint8_t> written = output_buffer().bytes();
    if (written.size() != length)
        broken("the output buffer does not hold the length the writer gave");
    document.reset();
    DocumentPtr again = load_memory(written.data(), written.size(), Tolerance::Strict);
    if (!again)
        broken("the written file does not load");
    if (again->frame_count != frames)
        broken("the written file has another frame count");
    const std::vector<std::uint64_t> shown_again = shown_screens(*again);
    if (!shown.empty() && shown_again != shown)
        broken("the written file shows other screens");
    return 0;
}

int raw_blocks(const std::uint8_t* data, std::size_t size)
{
    RawFile file;
    if (!read_raw_blocks(data, size, &file))
        return 0;
    std::uint64_t at = 13 + std::uint64_t{file.screen.global_table} * 3;
    for (const RawBlock& block : file.blocks) {
        if (block.offset != at || block.length == 0)
            broken("stored blocks leave a gap, overlap or are empty");
        at += block.length;
    }
    if (file.end > size || (!file.blocks.empty() && at > file.end))
        broken("a stored block passes the end of the data");
    if (file.trailer && std::uint64_t{file.end} + file.after_trailer != size)
        broken("the bytes after the trailer are miscounted");
    if (!file.trailer && file.fault.empty())
        broken("reading stopped without a trailer and without a reason");
    return 0;
}

int lzw_decode(const std::uint8_t* data, std::size_t size)
{
    start_once();
    if (size < 4)
        return 0;
    // Byte 0: frame width - 1 (up to 64); byte 1: frame height - 1 (up to 64); byte 2: bit 0
    // interlaced, bit 1 transparent aware, bits 2-3 left offset, bits 4-5 top offset, bit 6 a
    // canvas one pixel smaller than the frame needs; byte 3: the transparent index.
    const int width = (data[0] & 63) + 1;
    const int height = (data[1] & 63) + 1;
    const int left = (data[2] >> 2) & 3;
    const int top = (data[2] >> 4) & 3;
    const int shrink = (data[2] >> 6) & 1;
    Canvas canvas;
    canvas_resize(canvas, static_cast<std::uint16_t>(left + width - shrink),
                  static_cast<std::uint16_t>(top + height - shrink), 7);
    DecodeTarget target;
    target.canvas = &canvas;
    target.rect = ScreenRect{static_cast<std::int16_t>(top), static_cast<std::int16_t>(left),
                             static_cast<std::int16_t>(top + height), static_cast<std::int16_t>(left + width)};
    target.interlaced = (data[2] & 1) != 0;
    target.transparent_aware = (data[2] & 2) ? TransparentAware::Yes : TransparentAware::No;
    target.transparent_index = data[3];
    CodecState& codec = codec_state();
    codec.input.set_window_to_memory(static_cast<std::uint32_t>(size - 4), data + 4);
    const DecodeResult result = codec.decoder.decode(codec.input, target);
    codec.input.end_memory_window();
    if (result != DecodeResult::Complete && result != DecodeResult::Failed && result != DecodeResult::TrailingSkipped)
        broken("the decoder answered an unknown result");
    return 0;
}

int preference_file(const std::uint8_t* data, std::size_t size)
{
    start_once();
    const std::string path = scratch_folder() + "/fuzz.rqs";
    if (!write_scratch(path, data, size))
        return 0;
    const FileRefPtr file(FileRefFromPath(path.c_str()));
    Settings read;
    if (!read_preference_file(file.get(), read))
        return 0;
    // Whatever was accepted must survive a save and read back the same.
    if (!write_preference_file(file.get(), read))
        broken("the settings read could not be written");
    Settings again;
    if (!read_preference_file(file.get(), again))
        broken("the settings written do not read again");
    bool same_options = true;
    for (std::uint8_t Settings::*option : kSettingsOptionBytes)
        same_options = same_options && read.*option == again.*option;
    if (!same_options || read.rule_value != again.rule_value || read.interface_language != again.interface_language ||
        read.framework_setting != again.framework_setting ||
        StrCompare(read.template_text ? read.template_text : "", again.template_text ? again.template_text : "") != 0)
        broken("the settings written read back differently");
    return 0;
}

int language_file(const std::uint8_t* data, std::size_t size)
{
    start_once();
    if (size < 1)
        return 0;
    // Bits 0-1: Swedish (Western letters), Japanese (double-byte with single-byte katakana),
    // the single-byte non-Western script, or Korean (double-byte, full-width quotes).
    static const int kLanguages[] = {13, 9, 12, 6};
    const int language = kLanguages[data[0] & 3];
    const std::string path = scratch_folder() + "/fuzz.language";
    if (!write_scratch(path, data + 1, size - 1))
        return 0;
    (void)read_language_file(path.c_str(), language);
    return 0;
}

int string_table(const std::uint8_t* data, std::size_t size)
{
    start_once();
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0] & 3;
    const std::uint8_t* rest = data + 1;
    const std::size_t length = size - 1;
    StringTable table;
    std::vector<std::uint8_t> unpacked;
    switch (mode) {
    case 0:
        (void)decode_string_table(rest, length, table);
        break;
    case 1: {
        // A resource that passes the check, so that the length and the zlib stream are tried.
        std::vector<std::uint8_t> resource(8 + length);
        const std::uint64_t check = text_resource_check_value(rest, length);
        for (int i = 0; i < 8; ++i)
            resource[i] = static_cast<std::uint8_t>(check >> (56 - 8 * i));
        if (length)
            std::memcpy(resource.data() + 8, rest, length);
        if (unpack_text_resource(resource.data(), resource.size(), (length & 1) != 0, unpacked))
            (void)decode_string_table(unpacked.data(), unpacked.size(), table);
        break;
    }
    case 2:
        if (unpack_text_resource(rest, length, false, unpacked))
            (void)decode_string_table(unpacked.data(), unpacked.size(), table);
        break;
    default: {
        const std::vector<std::uint8_t> packed = pack_text_resource(rest, length);
        if (length > kMaxUnpackedLength)
            break;
        if (!unpack_text_resource(packed.data(), packed.size(), false, unpacked))
            broken("a packed resource does not unpack");
        if (unpacked.size() != length || (length && std::memcmp(unpacked.data(), rest, length) != 0))
            broken("a packed resource unpacks to other bytes");
        (void)decode_string_table(rest, length, table);
        break;
    }
    }
    return 0;
}

const Target kTargets[] = {
    {"gif_roundtrip", gif_roundtrip},
    {"raw_blocks", raw_blocks},
    {"lzw_decode", lzw_decode},
    {"preference_file", preference_file},
    {"language_file", language_file},
    {"string_table", string_table},
    {nullptr, nullptr},
};

const Target* find_target(const char* name)
{
    for (const Target* target = kTargets; target->name; ++target)
        if (std::strcmp(target->name, name) == 0)
            return target;
    return nullptr;
}

}  // namespace fuzz
