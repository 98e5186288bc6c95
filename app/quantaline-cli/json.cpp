#include "json.h"

#include "io/text.h"
#include "io/utf8.h"

#include <cstdio>

namespace quantaline::cli {

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\r') {
            out += "\\r";
            ++i;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
            ++i;
        } else if (valid_sequence_at(text, i)) {
            const std::size_t start = i;
            next_code_point(text, i);
            out.append(text.substr(start, i - start));
        } else {
            out += "\\ufffd";
            ++i;
        }
    }
    out += '"';
    return out;
}

std::string json_matrix(const std::array<std::uint8_t, 64>& matrix) {
    // The numbers 0 to 255 once: a file with many changes prints many matrices.
    static const std::array<std::string, 256> numbers = [] {
        std::array<std::string, 256> texts;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            texts[i] = std::to_string(i);
        }
        return texts;
    }();
    std::string out = "[";
    for (std::size_t row = 0; row < 8; ++row) {
        out += row == 0 ? "[" : ",[";
        for (std::size_t column = 0; column < 8; ++column) {
            if (column > 0) {
                out += ',';
            }
            out += numbers[matrix[row * 8 + column]];
        }
        out += ']';
    }
    out += ']';
    return out;
}

std::string json_messages(const Messages& messages, const std::string& first_reason) {
    std::string out = "[";
    for (std::size_t i = 0; i < messages.size(); ++i) {
        // The JSON keeps the program's own French wording, whatever the language.
        const ShownMessage message = render(messages[i], Language::french);
        out += i == 0 ? "{" : ",{";
        out += "\"icon\":" + json_string(icon_name(message.icon));
        out += ",\"title\":" + json_string(message.title);
        out += ",\"text\":" + json_string(message.text);
        if (i == 0 && !first_reason.empty()) {
            out += ",\"reason\":" + json_string(first_reason);
        }
        out += '}';
    }
    return out + "]";
}

const char* container_key(mpeg::Container container) {
    switch (container) {
    case mpeg::Container::program:
        return "program";
    case mpeg::Container::transport:
        return "transport";
    case mpeg::Container::mp4:
        return "mp4";
    case mpeg::Container::matroska:
        return "matroska";
    case mpeg::Container::avi:
        return "avi";
    case mpeg::Container::mxf:
        return "mxf";
    case mpeg::Container::unknown:
        return "unknown";
    case mpeg::Container::elementary:
        break;
    }
    return "elementary";
}

} // namespace quantaline::cli
