#pragma once

// Splits a video elementary stream into its pictures for the macroblock layer, until the
// picture records of the whole-stream scan hand them over: each picture's bytes from its
// picture start code through its last slice, with the sequence context in force.

#include "mpeg/macroblock.h"
#include "mpeg/syntax.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace quantaline::test {

// Calls on_picture(const mpeg::SequenceContext&, std::span<const std::uint8_t>) for each
// picture after a sequence header, in stream order.
template <class OnPicture>
void for_each_picture(std::span<const std::uint8_t> stream, OnPicture&& on_picture) {
    const auto next_code = [&](std::size_t from) {
        for (std::size_t s = from; s + 3 < stream.size();) {
            const void* hit = std::memchr(stream.data() + s + 2, 0x01, stream.size() - s - 3);
            if (hit == nullptr) {
                break;
            }
            const auto k =
                static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - stream.data());
            if (stream[k - 1] == 0 && stream[k - 2] == 0) {
                return k - 2;
            }
            s = k - 1;
        }
        return stream.size();
    };
    mpeg::SequenceHeader header{};
    bool have_header = false;
    mpeg::SequenceContext context;
    std::size_t picture_start = 0;
    bool in_picture = false;
    for (std::size_t at = next_code(0); at < stream.size();) {
        const std::uint8_t code = stream[at + 3];
        const std::size_t next = next_code(at + 4);
        const auto body = stream.subspan(at + 4, next - at - 4);
        const bool inside =
            code == mpeg::start_code::extension || code == mpeg::start_code::user_data ||
            (code >= mpeg::start_code::slice_first && code <= mpeg::start_code::slice_last);
        if (in_picture && !inside) {
            on_picture(context, stream.subspan(picture_start, at - picture_start));
            in_picture = false;
        }
        if (code == mpeg::start_code::sequence_header) {
            const auto parsed = mpeg::sequence_header(body);
            header = parsed.fields;
            have_header = true;
            context = mpeg::sequence_context(header, nullptr);
        } else if (code == mpeg::start_code::extension && have_header && !in_picture &&
                   mpeg::extension_start_code_identifier(body) == mpeg::extension_id::sequence) {
            const auto extension = mpeg::sequence_extension(body);
            context = mpeg::sequence_context(header, &extension.fields);
        } else if (code == mpeg::start_code::picture && have_header) {
            picture_start = at;
            in_picture = true;
        }
        at = next;
    }
    if (in_picture) {
        on_picture(context, stream.subspan(picture_start));
    }
}

} // namespace quantaline::test
