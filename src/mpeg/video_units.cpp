#include "mpeg/video_units.h"

#include "mpeg/start_code.h"
#include "mpeg/syntax.h"

#include <algorithm>
#include <cstring>

namespace quantaline::mpeg {

namespace {

// How many bytes after its code each header the scan reads can take; 0 for the others.
std::size_t unit_capacity(std::uint8_t code) {
    switch (code) {
    case start_code::picture:
        return 8;
    case start_code::sequence_header:
        return 136;
    case start_code::extension:
        return VideoUnitSplitter::max_unit_size;
    case start_code::group:
        return 8;
    default:
        return 0;
    }
}

} // namespace

std::uint64_t VideoUnitSplitter::file_offset_of(std::uint64_t position) const {
    const std::size_t count = std::min(piece_count_, pieces_.size());
    for (std::size_t i = 0; i < count; ++i) {
        const Piece& piece = pieces_[(piece_count_ - 1 - i) % pieces_.size()];
        if (position >= piece.position && position < piece.position + piece.size) {
            return piece.file_offset + (position - piece.position);
        }
    }
    return 0;
}

void VideoUnitSplitter::end_unit(std::uint64_t end_position) {
    if (!collecting_) {
        return;
    }
    collecting_ = false;
    const std::uint64_t length = end_position > unit_start_ ? end_position - unit_start_ : 0;
    const std::size_t size =
        static_cast<std::size_t>(std::min<std::uint64_t>(unit_stored_, length));
    sink_.unit({unit_code_, unit_offset_, unit_position_,
                std::span<const std::uint8_t>(unit_bytes_.data(), size),
                unit_follows_sequence_header_});
}

void VideoUnitSplitter::on_code(const std::uint8_t* data, std::size_t size, std::size_t index) {
    const std::uint64_t code_position = position_ + index;
    // The header being collected ends where this start code's prefix begins.
    end_unit(code_position - 3);
    const std::uint8_t code = data[index];
    const bool follows_sequence_header = last_code_ == start_code::sequence_header;
    last_code_ = code;
    const std::size_t capacity = unit_capacity(code);
    if (capacity == 0 && code != start_code::sequence_end) {
        return;
    }
    collecting_ = true;
    unit_code_ = code;
    unit_follows_sequence_header_ = follows_sequence_header;
    unit_offset_ = file_offset_of(code_position - 3);
    unit_position_ = code_position - 3;
    unit_start_ = code_position + 1;
    unit_capacity_ = capacity;
    unit_stored_ = std::min(capacity, size - index - 1);
    std::memcpy(unit_bytes_.data(), data + index + 1, unit_stored_);
    fit_capacity();
}

void VideoUnitSplitter::fit_capacity() {
    // Of the extensions only a quant_matrix_extension is long: the others (one follows
    // every picture header) need not be copied at its length.
    constexpr std::size_t short_extension = 16;
    if (unit_code_ == start_code::extension && unit_stored_ > 0 &&
        extension_start_code_identifier(std::span(unit_bytes_.data(), 1)) !=
            extension_id::quant_matrix) {
        unit_capacity_ = std::min(unit_capacity_, short_extension);
        unit_stored_ = std::min(unit_stored_, unit_capacity_);
    }
}

inline void VideoUnitSplitter::collect(const std::uint8_t* data, std::size_t size) {
    const std::size_t more = std::min(unit_capacity_ - unit_stored_, size);
    std::memcpy(unit_bytes_.data() + unit_stored_, data, more);
    unit_stored_ += more;
    fit_capacity();
}

namespace {

// Zeros at the end of a piece that a start code in the next piece may begin with: at most
// two, none before `reset`, with those carried from before when the piece is zeros alone.
inline int trailing_zeros(const std::uint8_t* data, std::size_t size, std::size_t reset,
                          int carried_zeros) {
    int zeros = 0;
    for (std::size_t j = size; j > reset && zeros < 2 && data[j - 1] == 0; --j) {
        ++zeros;
    }
    if (zeros == static_cast<int>(size - reset) && reset == 0) {
        zeros = std::min(2, zeros + carried_zeros);
    }
    return zeros;
}

} // namespace

void VideoUnitSplitter::feed(const std::uint8_t* data, std::size_t size,
                             std::uint64_t file_offset) {
    if (size == 0) {
        return;
    }
    pieces_[piece_count_ % pieces_.size()] = {position_, file_offset, size};
    ++piece_count_;

    if (collecting_ && unit_stored_ < unit_capacity_) {
        collect(data, size);
    }

    // Bytes before `reset` cannot begin a start code: they end one already found.
    std::size_t reset = 0;
    const int carried_zeros = zeros_;
    std::size_t i = 0;
    if (code_next_) {
        code_next_ = false;
        on_code(data, size, 0);
        reset = i = 1;
    }
    while (i < size) {
        std::size_t k = i; // where the 01 of a start code prefix may lie
        if (k < reset + 2) {
            // The first two places after a reset may complete zeros carried from the
            // previous piece.
            const bool prefix =
                data[k] == 1 && reset == 0 &&
                (k == 1 ? data[0] == 0 && carried_zeros >= 1 : k == 0 && carried_zeros >= 2);
            if (!prefix) {
                i = k + 1;
                continue;
            }
        } else {
            const std::size_t start = find_start_code_prefix(data, k - 2, size);
            if (start == size) {
                break;
            }
            k = start + 2;
        }
        if (k + 1 >= size) {
            code_next_ = true;
            zeros_ = 0;
            position_ += size;
            return;
        }
        on_code(data, size, k + 1);
        reset = i = k + 2;
    }

    zeros_ = trailing_zeros(data, size, reset, carried_zeros);
    position_ += size;
}

void VideoUnitSplitter::discontinuity() {
    end_unit(position_);
    zeros_ = 0;
    code_next_ = false;
}

void VideoUnitSplitter::finish() {
    end_unit(position_);
    zeros_ = 0;
    code_next_ = false;
}

} // namespace quantaline::mpeg
