#include "io/utf8.h"

#include <array>
#include <cstdint>

namespace quantaline {

namespace {

// The smallest code point a sequence of 2, 3 or 4 bytes may carry; less is an overlong form.
constexpr std::array<char32_t, 5> smallest_of_length = {0, 0, 0x80, 0x800, 0x10000};

} // namespace

char32_t next_code_point(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) {
        return lead;
    }
    const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || i + static_cast<std::size_t>(length - 1) > text.size()) {
        return replacement_character;
    }
    char32_t c = lead & (0x7Fu >> length);
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k - 1)]);
        if ((next & 0xC0) != 0x80) {
            return replacement_character;
        }
        c = (c << 6) | (next & 0x3Fu);
    }
    if (c < smallest_of_length[static_cast<std::size_t>(length)] || c > 0x10FFFF ||
        (c >= 0xD800 && c <= 0xDFFF)) {
        return replacement_character;
    }
    i += static_cast<std::size_t>(length - 1);
    return c;
}

bool valid_sequence_at(std::string_view text, std::size_t i) {
    const std::size_t start = i;
    return next_code_point(text, i) != replacement_character ||
           text.substr(start, 3) == "\xEF\xBF\xBD";
}

void append_utf8(std::string& out, char32_t c) {
    const auto byte = [&out](std::uint32_t value) { out += static_cast<char>(value); };
    if (c < 0x80) {
        byte(c);
    } else if (c < 0x800) {
        byte(0xC0 | (c >> 6));
        byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        byte(0xE0 | (c >> 12));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    } else {
        byte(0xF0 | (c >> 18));
        byte(0x80 | ((c >> 12) & 0x3F));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    }
}

} // namespace quantaline
