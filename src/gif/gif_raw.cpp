#include "gif/gif_raw.h"

#include <cstring>

#include "gif/gif_blocks.h"

namespace {

using namespace gif_block;

constexpr std::size_t kDescriptorBytes = 10;  // introducer, rectangle and packed byte
constexpr std::size_t kControlBytes = 4;      // packed byte, delay, transparent index
constexpr std::size_t kHeaderBytes = 13;      // signature, version and logical screen descriptor
// Files address their bytes in 32 bits.
constexpr std::size_t kLargestFile = 0xFFFFFFFFu;

// A cursor over the data that never passes its end.
class Cursor {
public:
    Cursor(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) { }
    std::size_t at() const { return m_at; }
    void move_to(std::size_t at) { m_at = at < m_size ? at : m_size; }
    std::size_t left() const { return m_size - m_at; }
    const std::uint8_t* take(std::size_t count)
    {
        if (count > left())
            return nullptr;
        const std::uint8_t* bytes = m_data + m_at;
        m_at += count;
        return bytes;
    }
    bool byte(std::uint8_t* value)
    {
        const std::uint8_t* bytes = take(1);
        if (bytes)
            *value = *bytes;
        return bytes != nullptr;
    }
    // Sub-blocks through the terminator; their data bytes are counted, and appended to `text`
    // when given. False when the data ends first.
    bool sub_blocks(std::uint32_t* data_bytes, std::string* text)
    {
        for (;;) {
            std::uint8_t length = 0;
            if (!byte(&length))
                return false;
            if (length == 0)
                return true;
            const std::uint8_t* bytes = take(length);
            if (!bytes)
                return false;
            *data_bytes += length;
            if (text)
                text->append(reinterpret_cast<const char*>(bytes), length);
        }
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

std::uint16_t u16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)); }

std::uint16_t table_size(std::uint8_t packed) { return static_cast<std::uint16_t>(table_entries(packed)); }

bool read_image(Cursor& in, RawBlock& block)
{
    const std::uint8_t* descriptor = in.take(9);
    if (!descriptor)
        return false;
    RawImageBlock& image = block.image;
    image.left = u16(descriptor);
    image.top = u16(descriptor + 2);
    image.width = u16(descriptor + 4);
    image.height = u16(descriptor + 6);
    const std::uint8_t packed = descriptor[8];
    image.interlaced = (packed & kImageInterlaced) != 0;
    image.table_sorted = (packed & kImageSorted) != 0;
    if (packed & kImageLocalTable) {
        image.local_table = table_size(packed);
        if (!in.take(image.local_table * 3u))
            return false;
    }
    image.data_offset = static_cast<std::uint32_t>(in.at());
    return in.byte(&image.minimum_code_size) && in.sub_blocks(&image.data_bytes, nullptr);
}

bool read_graphic_control(Cursor& in, RawBlock& block)
{
    const std::size_t start = in.at();
    std::uint32_t bytes = 0;
    std::string data;
    if (!in.sub_blocks(&bytes, &data) || data.size() < kControlBytes)
        return false;
    const auto* fields = reinterpret_cast<const std::uint8_t*>(data.data());
    RawGraphicControl& control = block.control;
    control.disposal = static_cast<std::uint8_t>((fields[0] >> kControlDisposalShift) & kControlDisposalMask);
    control.user_input = (fields[0] & kControlUserInput) != 0;
    control.transparent = (fields[0] & kControlTransparent) != 0;
    control.delay = u16(fields + 1);
    control.transparent_index = fields[3];
    // Its length byte, the four bytes and the terminator, nothing more.
    control.single_block = data.size() == kControlBytes && in.at() - start == kControlBytes + 2;
    return true;
}

bool read_application(Cursor& in, RawBlock& block)
{
    std::uint8_t length = 0;
    if (!in.byte(&length))
        return false;
    if (length == 0)
        return true;  // a terminator where the identifier would be: the block ends here
    const std::uint8_t* identifier = in.take(length);
    if (!identifier)
        return false;
    block.text.assign(reinterpret_cast<const char*>(identifier), length);
    std::uint32_t bytes = 0;
    std::string data;
    if (!in.sub_blocks(&bytes, &data))
        return false;
    const bool looping = block.text == "NETSCAPE2.0" || block.text == "ANIMEXTS1.0";
    if (looping && data.size() >= 3 && data[0] == 1)
        block.loop = u16(reinterpret_cast<const std::uint8_t*>(data.data()) + 1);
    return true;
}

bool read_extension(Cursor& in, RawBlock& block)
{
    if (!in.byte(&block.label))
        return false;
    std::uint32_t bytes = 0;
    switch (block.label) {
    case kGraphicControlLabel:
        block.kind = RawBlockKind::GraphicControl;
        return read_graphic_control(in, block);
    case kCommentLabel:
        block.kind = RawBlockKind::Comment;
        return in.sub_blocks(&bytes, &block.text);
    case kApplicationLabel:
        block.kind = RawBlockKind::Application;
        return read_application(in, block);
    case kPlainTextLabel:
        block.kind = RawBlockKind::PlainText;
        return in.sub_blocks(&bytes, nullptr);
    default:
        block.kind = RawBlockKind::UnknownExtension;
        return in.sub_blocks(&bytes, nullptr);
    }
}

bool read_header(Cursor& in, RawFile& file)
{
    const std::uint8_t* header = in.take(kHeaderBytes);
    if (!header || std::memcmp(header, "GIF", 3) != 0)
        return false;
    file.version.assign(reinterpret_cast<const char*>(header), 6);
    if (file.version != "GIF87a" && file.version != "GIF89a")
        return false;
    RawScreen& screen = file.screen;
    screen.width = u16(header + 6);
    screen.height = u16(header + 8);
    const std::uint8_t packed = header[10];
    screen.packed = packed;
    screen.colour_resolution =
        static_cast<std::uint8_t>(((packed >> kScreenResolutionShift) & kScreenResolutionMask) + 1);
    screen.table_sorted = (packed & kScreenSorted) != 0;
    screen.background_index = header[11];
    screen.aspect = header[12];
    if (packed & kScreenGlobalTable) {
        screen.global_table = table_size(packed);
        if (!in.take(screen.global_table * 3u)) {
            file.fault = "the global colour table is cut short";
            file.end = static_cast<std::uint32_t>(in.at());
        }
    }
    return true;
}

}  // namespace

bool read_raw_blocks(const std::uint8_t* data, std::size_t size, RawFile* file)
{
    *file = RawFile{};
    if (!data || size > kLargestFile)
        return false;
    Cursor in(data, size);
    if (!read_header(in, *file))
        return false;
    if (!file->fault.empty())
        return true;
    for (;;) {
        const std::size_t start = in.at();
        std::uint8_t introducer = 0;
        if (!in.byte(&introducer)) {
            file->fault = "the file ends without its trailer byte";
            break;
        }
        if (introducer == kTrailer) {
            file->trailer = true;
            file->after_trailer = static_cast<std::uint32_t>(in.left());
            break;
        }
        RawBlock block;
        block.offset = static_cast<std::uint32_t>(start);
        bool whole = false;
        if (introducer == kImageIntroducer) {
            block.kind = RawBlockKind::Image;
            block.label = kImageIntroducer;
            whole = read_image(in, block);
        } else if (introducer == kExtensionIntroducer) {
            whole = read_extension(in, block);
        } else {
            in.move_to(start);  // reading stopped where the unknown byte stands
            file->fault = "an unknown block introducer";
            break;
        }
        if (!whole) {
            file->fault = "a block is cut short";
            in.move_to(start);
            break;
        }
        block.length = static_cast<std::uint32_t>(in.at() - start);
        file->blocks.push_back(std::move(block));
    }
    file->end = static_cast<std::uint32_t>(in.at());
    return true;
}

namespace {

std::vector<std::uint32_t> colour_table(const std::uint8_t* bytes, std::size_t entries)
{
    std::vector<std::uint32_t> table(entries);
    for (std::size_t i = 0; i < entries; ++i)
        table[i] = static_cast<std::uint32_t>(bytes[3 * i] << 16 | bytes[3 * i + 1] << 8 | bytes[3 * i + 2]);
    return table;
}

void take_control(const RawGraphicControl& control, RawImage& pending)
{
    pending.has_control = true;
    pending.disposal = control.disposal;
    pending.user_input = control.user_input;
    pending.has_transparent = control.transparent;
    pending.delay = control.delay;
    pending.transparent_index = control.transparent_index;
}

void take_image(const std::uint8_t* bytes, const RawBlock& block, RawImage& image)
{
    const RawImageBlock& stored = block.image;
    image.left = stored.left;
    image.top = stored.top;
    image.width = stored.width;
    image.height = stored.height;
    image.interlaced = stored.interlaced;
    image.sorted = stored.table_sorted;
    if (stored.local_table)
        image.local_table = colour_table(bytes + block.offset + kDescriptorBytes, stored.local_table);
    image.data = {stored.data_offset, std::size_t{block.offset} + block.length - stored.data_offset};
}

}  // namespace

RawReadResult read_raw_gif(const std::uint8_t* bytes, std::size_t size, RawGif& gif)
{
    gif = RawGif();
    RawFile file;
    if (!read_raw_blocks(bytes, size, &file))
        return RawReadResult::NotGif;
    if (!file.trailer || !file.fault.empty())
        return RawReadResult::Damaged;
    gif.width = file.screen.width;
    gif.height = file.screen.height;
    gif.screen_flags = file.screen.packed;
    gif.background = file.screen.background_index;
    gif.aspect = file.screen.aspect;
    if (file.screen.global_table)
        gif.global_table = colour_table(bytes + kHeaderBytes, file.screen.global_table);
    RawImage pending;
    for (const RawBlock& block : file.blocks) {
        switch (block.kind) {
        case RawBlockKind::GraphicControl:
            if (!block.control.single_block)
                return RawReadResult::Damaged;
            take_control(block.control, pending);
            break;
        case RawBlockKind::Image:
            take_image(bytes, block, pending);
            gif.images.push_back(std::move(pending));
            pending = RawImage();
            break;
        default:
            gif.has_plain_text = gif.has_plain_text || block.kind == RawBlockKind::PlainText;
            pending.extensions_before.push_back({block.offset, block.length});
            break;
        }
    }
    gif.trailing_extensions = std::move(pending.extensions_before);
    return RawReadResult::Complete;
}
