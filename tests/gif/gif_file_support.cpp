#include "gif/gif_file_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

#include "foundation/formatter.h"
#include "gif/gif_reader.h"

namespace gif_file_test {

Bytes lzw_image_data(const std::vector<std::uint8_t>& pixels, int minimum_code_size)
{
    const int clear = 1 << minimum_code_size;
    const int end = clear + 1;
    Bytes data;
    std::uint32_t accumulator = 0;
    int bits = 0;
    int width = minimum_code_size + 1;
    auto emit = [&](int code) {
        accumulator |= static_cast<std::uint32_t>(code) << bits;
        bits += width;
        while (bits >= 8) {
            data.push_back(static_cast<std::uint8_t>(accumulator & 0xFF));
            accumulator >>= 8;
            bits -= 8;
        }
    };
    std::map<std::pair<int, int>, int> table;
    int next = clear + 2;
    emit(clear);
    int prefix = pixels.empty() ? -1 : pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const auto found = table.find({prefix, pixels[i]});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        emit(prefix);
        if (next < 4096) {
            table[{prefix, pixels[i]}] = next++;
            if (next > (1 << width) && width < 12)
                ++width;
        } else {
            emit(clear);
            table.clear();
            next = clear + 2;
            width = minimum_code_size + 1;
        }
        prefix = pixels[i];
    }
    if (prefix >= 0)
        emit(prefix);
    emit(end);
    if (bits > 0)
        data.push_back(static_cast<std::uint8_t>(accumulator & 0xFF));
    Bytes out{static_cast<std::uint8_t>(minimum_code_size)};
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t piece = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(piece));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + piece));
    }
    out.push_back(0);
    return out;
}

void GifBuilder::put16(int value)
{
    m_bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    m_bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void GifBuilder::put_table(const std::vector<std::uint32_t>& colours, int bits)
{
    for (int i = 0; i < (1 << bits); ++i) {
        const std::uint32_t c = i < static_cast<int>(colours.size()) ? colours[static_cast<std::size_t>(i)] : 0;
        m_bytes.push_back(static_cast<std::uint8_t>(c >> 16));
        m_bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        m_bytes.push_back(static_cast<std::uint8_t>(c));
    }
}

GifBuilder& GifBuilder::header(const char* signature)
{
    m_bytes.insert(m_bytes.end(), signature, signature + 6);
    return *this;
}

GifBuilder& GifBuilder::screen(int width, int height, const std::vector<std::uint32_t>& colours, int bits,
                               int background)
{
    put16(width);
    put16(height);
    m_bytes.push_back(colours.empty() ? 0x00 : static_cast<std::uint8_t>(0x80 | ((bits - 1) << 4) | (bits - 1)));
    m_bytes.push_back(static_cast<std::uint8_t>(background));
    m_bytes.push_back(0);
    if (!colours.empty())
        put_table(colours, bits);
    return *this;
}

GifBuilder& GifBuilder::graphic_control(int disposal, int delay, bool transparent, int transparent_index,
                                        bool user_input)
{
    raw({0x21, 0xF9, 0x04, static_cast<std::uint8_t>((disposal << 2) | (user_input ? 2 : 0) | (transparent ? 1 : 0))});
    put16(delay);
    raw({static_cast<std::uint8_t>(transparent_index), 0x00});
    return *this;
}

GifBuilder& GifBuilder::comment(const std::string& text)
{
    raw({0x21, 0xFE});
    for (std::size_t at = 0; at < text.size(); at += 255) {
        const std::size_t piece = std::min<std::size_t>(255, text.size() - at);
        m_bytes.push_back(static_cast<std::uint8_t>(piece));
        m_bytes.insert(m_bytes.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                       text.begin() + static_cast<std::ptrdiff_t>(at + piece));
    }
    m_bytes.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::application(const std::string& identifier, const Bytes& first_sub_block)
{
    raw({0x21, 0xFF, static_cast<std::uint8_t>(identifier.size())});
    m_bytes.insert(m_bytes.end(), identifier.begin(), identifier.end());
    m_bytes.push_back(static_cast<std::uint8_t>(first_sub_block.size()));
    raw(first_sub_block);
    m_bytes.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::netscape_loop(int count)
{
    return application("NETSCAPE2.0",
                       {1, static_cast<std::uint8_t>(count & 0xFF), static_cast<std::uint8_t>((count >> 8) & 0xFF)});
}

GifBuilder& GifBuilder::image(int left, int top, int width, int height, const std::vector<std::uint8_t>& pixels,
                              const std::vector<std::uint32_t>& local, int local_bits, bool interlaced)
{
    m_bytes.push_back(0x2C);
    put16(left);
    put16(top);
    put16(width);
    put16(height);
    std::uint8_t packed = interlaced ? 0x40 : 0x00;
    if (!local.empty())
        packed |= static_cast<std::uint8_t>(0x80 | (local_bits - 1));
    m_bytes.push_back(packed);
    if (!local.empty())
        put_table(local, local_bits);
    int highest = 0;
    for (std::uint8_t p : pixels)
        highest = std::max<int>(highest, p);
    int size = 2;
    while ((1 << size) <= highest)
        ++size;
    raw(lzw_image_data(pixels, size));
    return *this;
}

GifBuilder& GifBuilder::raw(const Bytes& bytes)
{
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

GifBuilder& GifBuilder::trailer()
{
    m_bytes.push_back(0x3B);
    return *this;
}

RecordingReporter::RecordingReporter() : m_previous(set_reporter(this)) { }
RecordingReporter::~RecordingReporter() { set_reporter(m_previous); }

void RecordingReporter::alert(AlertKind kind, const char* message, const char*)
{
    alerts.push_back(RecordedAlert{kind, message ? message : ""});
}

bool RecordingReporter::ask(AlertKind kind, const char* message, const char*, const char*)
{
    alerts.push_back(RecordedAlert{kind, message ? message : ""});
    return answer;
}

std::vector<RecordedWarning>& recorded_warnings()
{
    static std::vector<RecordedWarning> warnings;
    return warnings;
}

namespace {

bool record_warning(std::uint8_t severity, const char* text, bool)
{
    recorded_warnings().push_back(RecordedWarning{severity, text ? text : ""});
    return true;
}

}  // namespace

void record_warnings()
{
    recorded_warnings().clear();
    set_warning_ask(&record_warning);
}

TempFolder::TempFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillon-gif-XXXXXX";
    if (char* made = ::mkdtemp(pattern.data()))
        m_path = made;
}

TempFolder::~TempFolder()
{
    if (!m_path.empty())
        (void)std::system(("chmod -R u+w '" + m_path + "' 2>/dev/null; rm -rf '" + m_path + "'").c_str());
}

bool write_file(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

Bytes read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

DocumentPtr load_path(const std::string& path, bool tolerant)
{
    start_engine_for_tests();
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return nullptr;
    DocumentPtr document(load_gif_document(path.c_str(), fd, tolerant ? Tolerance::Tolerant : Tolerance::Strict));
    ::close(fd);
    return document;
}

DocumentPtr load_bytes(const TempFolder& folder, const Bytes& bytes, const std::string& name, bool tolerant)
{
    const std::string path = folder.file(name);
    if (!write_file(path, bytes))
        return nullptr;
    return load_path(path, tolerant);
}

void start_engine_for_tests()
{
    static bool started = false;
    if (!started) {
        FormatterStart();
        started = true;
    }
}

}  // namespace gif_file_test
