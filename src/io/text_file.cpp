#include "io/text_file.h"

#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/utf8.h"

#include <array>
#include <cstdint>

namespace quantaline {

namespace {

// Bytes 80 to 9F of Windows-1252. The unassigned bytes keep the control character of
// their own number.
constexpr std::array<char32_t, 32> cp1252_high = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t code_point_of_byte(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? cp1252_high[byte - 0x80] : byte;
}

char byte_of_code_point(char32_t code_point) {
    if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
        return static_cast<char>(code_point);
    }
    for (std::size_t i = 0; i < cp1252_high.size(); ++i) {
        if (cp1252_high[i] == code_point) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

} // namespace

std::string utf8_to_cp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        out += byte_of_code_point(next_code_point(utf8, i));
    }
    return out;
}

std::string cp1252_to_utf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 8);
    for (const char byte : cp1252) {
        append_utf8(out, code_point_of_byte(static_cast<unsigned char>(byte)));
    }
    return out;
}

std::vector<std::string> split_text_lines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.push_back(cp1252_to_utf8(bytes.substr(start, i - start)));
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < bytes.size()) {
        lines.push_back(cp1252_to_utf8(bytes.substr(start)));
    }
    return lines;
}

std::optional<std::vector<std::string>> read_text_lines(const std::string& path) {
    const auto file_path = path_from_utf8(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file_path, error)) {
        return std::nullopt;
    }
    std::FILE* file = open_file(file_path, "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string bytes;
    std::array<char, 65536> buffer;
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
        bytes.append(buffer.data(), count);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        return std::nullopt;
    }
    return split_text_lines(bytes);
}

std::optional<WriteError> write_text_lines(const std::string& path,
                                           const std::vector<std::string>& utf8_lines) {
    std::string bytes;
    for (const auto& line : utf8_lines) {
        bytes += utf8_to_cp1252(line);
        bytes += "\r\n";
    }
    return write_file_atomically(path, bytes);
}

bool has_line_break(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

Text write_error_text(const WriteError& error) {
    if (error.kind == WriteErrorKind::line_break) {
        return piece(TextId::line_break);
    }
    return piece(TextId::file_not_written, {literal_text(error.path), error.reason});
}

} // namespace quantaline
