#include "cli/cli_result.h"

#include <cstdio>
#include <cstring>

const char* status_name(FileStatus status)
{
    switch (status) {
    case FileStatus::Written:
        return "written";
    case FileStatus::Reported:
        return "reported";
    case FileStatus::Skipped:
        return "skipped";
    case FileStatus::Damaged:
        return "damaged";
    case FileStatus::Failed:
        break;
    }
    return "failed";
}

std::string json_string(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", byte);
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

namespace {

std::string json_list(const FileResult& result, AlertKind kind)
{
    std::string out = "[";
    bool first = true;
    for (const CliMessage& message : result.messages) {
        if (message.kind != kind)
            continue;
        if (!first)
            out += ",";
        out += json_string(message.text);
        first = false;
    }
    return out + "]";
}

}  // namespace

std::string result_json(const FileResult& result)
{
    std::string out = "{\"path\":" + json_string(result.path);
    if (!result.output.empty())
        out += ",\"output\":" + json_string(result.output);
    if (result.has_sizes) {
        char percent[32];
        std::snprintf(percent, sizeof percent, "%.2f", result.saved_percent);
        out += ",\"old_size\":" + std::to_string(result.old_size) + ",\"new_size\":" + std::to_string(result.new_size) +
            ",\"saved_percent\":" + percent;
    }
    out += ",\"warnings\":" + json_list(result, AlertKind::Exclamation);
    out += ",\"errors\":" + json_list(result, AlertKind::Stop);
    out += ",\"status\":" + json_string(status_name(result.status)) + "}";
    return out;
}

void print_result(const FileResult& result, bool quiet, std::string& out, std::string& err)
{
    for (const CliMessage& message : result.messages) {
        if (message.kind == AlertKind::Stop) {
            err += message.text + "\n";
            continue;
        }
        if (quiet)
            continue;
        if (message.kind == AlertKind::Information)
            out += message.text + "\n";
        else
            err += message.text + "\n";
    }
    if (result.status == FileStatus::Skipped && !quiet)
        err += result.path + ": not written (use --allow-larger to write it anyway)\n";
    if (result.status == FileStatus::Damaged)
        err += result.path +
            ": not written: the file is damaged and the result would keep only what comes "
            "before the damage (use --keep-damaged to write it anyway)\n";
}

namespace {

void put_u32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void put_text(std::string& out, const std::string& text)
{
    put_u32(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

class Reader {
public:
    explicit Reader(const std::string& bytes) : m_bytes(bytes) { }
    bool u32(std::uint32_t* value)
    {
        if (m_bytes.size() - m_at < 4)
            return false;
        *value = 0;
        for (int i = 0; i < 4; ++i)
            *value |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_bytes[m_at + i])) << (8 * i);
        m_at += 4;
        return true;
    }
    bool text(std::string* out)
    {
        std::uint32_t length = 0;
        if (!u32(&length) || m_bytes.size() - m_at < length)
            return false;
        *out = m_bytes.substr(m_at, length);
        m_at += length;
        return true;
    }
    bool done() const { return m_at == m_bytes.size(); }

private:
    const std::string& m_bytes;
    std::size_t m_at = 0;
};

}  // namespace

std::string encode_result(const FileResult& result)
{
    std::string out;
    put_text(out, result.path);
    put_text(out, result.output);
    put_u32(out, static_cast<std::uint32_t>(result.status));
    put_u32(out, result.old_size);
    put_u32(out, result.new_size);
    std::uint64_t percent_bits = 0;
    std::memcpy(&percent_bits, &result.saved_percent, sizeof percent_bits);
    put_u32(out, static_cast<std::uint32_t>(percent_bits));
    put_u32(out, static_cast<std::uint32_t>(percent_bits >> 32));
    put_u32(out, result.has_sizes ? 1 : 0);
    put_u32(out, static_cast<std::uint32_t>(result.messages.size()));
    for (const CliMessage& message : result.messages) {
        put_u32(out, static_cast<std::uint32_t>(message.kind));
        put_text(out, message.text);
    }
    return out;
}

bool decode_result(const std::string& bytes, FileResult* result)
{
    Reader in(bytes);
    std::uint32_t status = 0, low = 0, high = 0, has_sizes = 0, count = 0;
    if (!in.text(&result->path) || !in.text(&result->output) || !in.u32(&status) || status > 4 ||
        !in.u32(&result->old_size) || !in.u32(&result->new_size) || !in.u32(&low) || !in.u32(&high) ||
        !in.u32(&has_sizes) || !in.u32(&count))
        return false;
    result->status = static_cast<FileStatus>(status);
    const std::uint64_t percent_bits = (std::uint64_t{high} << 32) | low;
    std::memcpy(&result->saved_percent, &percent_bits, sizeof percent_bits);
    result->has_sizes = has_sizes != 0;
    result->messages.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t kind = 0;
        CliMessage message{AlertKind::Information, {}};
        if (!in.u32(&kind) || !in.text(&message.text))
            return false;
        message.kind = static_cast<AlertKind>(kind);
        result->messages.push_back(std::move(message));
    }
    return in.done();
}
