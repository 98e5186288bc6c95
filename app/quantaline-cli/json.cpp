#include "json.h"

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

} // namespace quantaline::cli
