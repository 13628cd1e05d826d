#include "platform/qt/text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "platform/qt/qt_internal.h"

namespace platform {

namespace {

const char* iconv_name(int code_page)
{
    switch (code_page) {
    case 932:
        return "CP932";
    case 936:
        return "GBK";
    case 949:
        return "CP949";
    case 950:
        return "BIG5";
    default:
        return "CP1252";
    }
}

// Converts with iconv, replacing what cannot be converted by '?' one byte at a time.
std::string convert(const char* to, const char* from, const char* text, std::size_t length)
{
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        out.assign(text, length);
        return out;
    }
    char buffer[256];
    char* in = const_cast<char*>(text);
    std::size_t in_left = length;
    while (in_left > 0) {
        char* o = buffer;
        std::size_t o_left = sizeof buffer;
        std::size_t r = iconv(cd, &in, &in_left, &o, &o_left);
        out.append(buffer, static_cast<std::size_t>(o - buffer));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // An invalid or incomplete sequence: show it as one '?' and go on behind it.
            out.push_back('?');
            ++in;
            --in_left;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

bool has_high_bytes(const char* text, int length)
{
    for (int i = 0; i < length; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return true;
    return false;
}

}  // namespace

void SetTextCodePage(int code_page) { platform_state().code_page = code_page; }
int TextCodePage() { return platform_state().code_page; }

bool IsValidUtf8(const char* text, int length)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    int i = 0;
    while (i < length) {
        unsigned char c = s[i];
        int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || (extra == 1 && c < 0xC2) || i + extra >= length)
            return false;
        std::uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string TextToUtf8(const char* text, int length)
{
    if (text == nullptr)
        return {};
    if (length < 0)
        length = static_cast<int>(std::strlen(text));
    if (!has_high_bytes(text, length))
        return std::string(text, static_cast<std::size_t>(length));
    if (IsValidUtf8(text, length))
        return std::string(text, static_cast<std::size_t>(length));
    return convert("UTF-8", iconv_name(platform_state().code_page), text, static_cast<std::size_t>(length));
}

std::string Utf8ToText(const std::string& utf8)
{
    if (!has_high_bytes(utf8.data(), static_cast<int>(utf8.size())))
        return utf8;
    return convert(iconv_name(platform_state().code_page), "UTF-8", utf8.data(), utf8.size());
}

}  // namespace platform
