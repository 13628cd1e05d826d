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

bool result_is_fine(const FileResult& result)
{
    return result.status == FileStatus::Written || result.status == FileStatus::Reported;
}

std::string byte_text(std::uint64_t bytes) { return grouped_number(bytes) + (bytes == 1 ? " byte" : " bytes"); }

std::string grouped_number(std::uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

namespace {

// "50.0% smaller", "12 bytes smaller", "3.1% larger", "the same size".
std::string change_text(std::uint64_t old_size, std::uint64_t new_size)
{
    if (old_size == new_size)
        return "the same size";
    const bool smaller = new_size < old_size;
    const std::uint64_t difference = smaller ? old_size - new_size : new_size - old_size;
    const double percent = old_size ? static_cast<double>(difference) * 100.0 / static_cast<double>(old_size) : 100.0;
    if (percent < 0.05)
        return byte_text(difference) + (smaller ? " smaller" : " larger");
    char text[48];
    std::snprintf(text, sizeof text, "%.1f%% %s", percent, smaller ? "smaller" : "larger");
    return text;
}

}  // namespace

std::string size_line(const FileResult& original)
{
    FileResult result = original;  // shown with the names of the standard streams
    if (result.path == "-")
        result.path = "standard input";
    if (result.output == "-")
        result.output = "standard output";
    const std::string sizes = grouped_number(result.old_size) + " -> " + byte_text(result.new_size);
    if (result.damaged && result.status == FileStatus::Written)
        return result.path + ": written from a damaged file to " + result.output + ": " + byte_text(result.old_size) +
            " read, " + byte_text(result.new_size) + " written (what could not be read is lost; no saving)";
    if (result.status == FileStatus::Reported)
        return result.path + ": " + byte_text(result.old_size) + " would become " + byte_text(result.new_size) +
            (result.damaged ? " (from a damaged file: no saving)"
                            : ", " + change_text(result.old_size, result.new_size));
    std::string line = result.path + ": " + sizes + ", " + change_text(result.old_size, result.new_size);
    if (!result.output.empty())
        line += ", written to " + result.output;
    return line;
}

void BatchTotals::add(const FileResult& result)
{
    ++files;
    if (result.status == FileStatus::Written)
        ++written;
    else if (result.status == FileStatus::Skipped || result.status == FileStatus::Damaged)
        ++skipped;
    else if (result.status == FileStatus::Failed)
        ++failed;
    if (result_is_fine(result) && result.has_sizes && !result.damaged) {
        old_bytes += result.old_size;
        new_bytes += result.new_size;
    }
}

std::string totals_line(const BatchTotals& totals)
{
    std::string line = "quillon-cli: " + std::to_string(totals.files) + " files";
    if (totals.written)
        line += ", " + std::to_string(totals.written) + " written";
    if (totals.skipped)
        line += ", " + std::to_string(totals.skipped) + " skipped";
    if (totals.failed)
        line += ", " + std::to_string(totals.failed) + " failed";
    if (totals.old_bytes)
        line += "; " + grouped_number(totals.old_bytes) + " -> " + byte_text(totals.new_bytes) + ", " +
            change_text(totals.old_bytes, totals.new_bytes);
    return line;
}

std::string result_json(const FileResult& result)
{
    std::string out = "{\"path\":" + json_string(result.path);
    if (!result.output.empty())
        out += ",\"output\":" + json_string(result.output);
    if (result.has_sizes) {
        out += ",\"old_size\":" + std::to_string(result.old_size) + ",\"new_size\":" + std::to_string(result.new_size);
        if (!result.damaged) {
            char percent[32];
            std::snprintf(percent, sizeof percent, "%.2f", result.saved_percent);
            out += std::string(",\"saved_percent\":") + percent;
        }
    }
    if (result.colours > 0)
        out += ",\"colours\":" + std::to_string(result.colours) +
            ",\"colours_merged\":" + (result.colours_merged ? "true" : "false");
    if (result.damaged)
        out += ",\"damaged\":true";
    if (!result.reason.empty())
        out += ",\"reason\":" + json_string(result.reason);
    if (!result.details.empty())
        out += "," + result.details;
    out += ",\"warnings\":" + json_list(result, AlertKind::Exclamation);
    out += ",\"errors\":" + json_list(result, AlertKind::Stop);
    out += ",\"status\":" + json_string(status_name(result.status)) + "}";
    return out;
}

namespace {

std::string merge_line(const FileResult& result)
{
    if (result.colours == 256)
        return result.path + ": 256 colours; two that look almost alike were merged into one";
    return result.path + ": " + grouped_number(result.colours) +
        " colours were merged into 255; the frames do not show exactly the same colours";
}

}  // namespace

void print_result(const FileResult& result, bool quiet, std::string& out, std::string& err)
{
    const std::string prefix = "quillon-cli: ";
    for (const CliMessage& message : result.messages) {
        if (message.kind == AlertKind::Stop)
            err += prefix + message.text + "\n";
        else if (!quiet && message.kind == AlertKind::Information)
            out += message.text + "\n";
        else if (!quiet)  // warnings name their file: in a batch they are told apart
            err += prefix + result.path + ": " + message.text + "\n";
    }
    if (result.colours_merged && result.status != FileStatus::Skipped)
        err += prefix + merge_line(result) + "\n";
    if (!result.reason.empty())
        err += prefix + result.path + ": " + result.reason + "\n";
    if (!quiet && result_is_fine(result) && result.has_sizes)
        out += size_line(result) + "\n";
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
    put_u32(out, result.colours);
    put_u32(out, (result.colours_merged ? 1u : 0u) | (result.damaged ? 2u : 0u));
    put_text(out, result.reason);
    put_text(out, result.details);
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
    std::uint32_t status = 0, low = 0, high = 0, has_sizes = 0, count = 0, flags = 0;
    if (!in.text(&result->path) || !in.text(&result->output) || !in.u32(&status) || status > 4 ||
        !in.u32(&result->old_size) || !in.u32(&result->new_size) || !in.u32(&low) || !in.u32(&high) ||
        !in.u32(&has_sizes) || !in.u32(&result->colours) || !in.u32(&flags) || !in.text(&result->reason) ||
        !in.text(&result->details) || !in.u32(&count))
        return false;
    result->colours_merged = (flags & 1) != 0;
    result->damaged = (flags & 2) != 0;
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
