#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quantaline::mpeg {

// Reads big-endian bit fields. Bits past the end read as 0, as the first-header analysis
// has always taken missing bytes; overrun() tells a structure that it ran off its bytes.
class BitReader {
  public:
    explicit BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // At most 32 bits, taken a byte (or what is left of one) at a time.
    std::uint32_t read(int bits) {
        std::uint32_t value = 0;
        while (bits > 0) {
            const std::size_t byte = position_ >> 3;
            const int left_in_byte = 8 - static_cast<int>(position_ & 7);
            const int take = bits < left_in_byte ? bits : left_in_byte;
            std::uint32_t current = 0;
            if (byte < bytes_.size()) {
                current = bytes_[byte];
            } else {
                overrun_ = true;
            }
            const std::uint32_t part = (current >> (left_in_byte - take)) & ((1u << take) - 1);
            value = take == 32 ? part : (value << take) | part;
            position_ += static_cast<std::size_t>(take);
            bits -= take;
        }
        return value;
    }
    bool read_flag() { return read(1) != 0; }
    // `count` fields of 8 bits, as read(8) would give them; whole bytes at a time where
    // they all lie in the data.
    void read_bytes(std::uint8_t* out, std::size_t count) {
        const std::size_t byte = position_ >> 3;
        const unsigned shift = static_cast<unsigned>(position_ & 7);
        if (byte + count + (shift != 0 ? 1 : 0) > bytes_.size()) {
            for (std::size_t i = 0; i < count; ++i) {
                out[i] = static_cast<std::uint8_t>(read(8));
            }
            return;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned pair = (unsigned{bytes_[byte + i]} << 8) |
                                  (shift != 0 ? unsigned{bytes_[byte + i + 1]} : 0u);
            out[i] = static_cast<std::uint8_t>(pair >> (8 - shift));
        }
        position_ += count * 8;
    }
    void skip(std::size_t bits) {
        position_ += bits;
        if (position_ > bytes_.size() * 8) {
            overrun_ = true;
        }
    }

    // ue(v): an Exp-Golomb code of at most 31 leading zeros. A longer run (32 bits no
    // value may take) reads as the largest value and marks the reader invalid_code(); a
    // run into the end reads as 0 and leaves overrun() to tell.
    std::uint32_t read_ue() {
        int leading_zeros = 0;
        while (read(1) == 0) {
            if (overrun_) {
                return 0; // a code cut by the end: the truncation tells
            }
            if (++leading_zeros == 32) {
                invalid_code_ = true;
                return 0xFFFFFFFFu;
            }
        }
        if (leading_zeros == 0) {
            return 0;
        }
        return ((1u << leading_zeros) - 1u) + read(leading_zeros);
    }
    // se(v): the signed values taken in the order 0, 1, -1, 2, -2...
    std::int32_t read_se() {
        const std::uint32_t code = read_ue();
        const auto magnitude = static_cast<std::int64_t>((std::uint64_t{code} + 1) / 2);
        return static_cast<std::int32_t>((code & 1u) != 0 ? magnitude : -magnitude);
    }
    // Whether fields lie before the rbsp_stop_one_bit (the last 1 bit of the bytes).
    bool more_rbsp_data() const {
        std::size_t last = bytes_.size();
        while (last > 0 && bytes_[last - 1] == 0) {
            --last;
        }
        if (last == 0) {
            return false;
        }
        int trailing_zeros = 0;
        while (((bytes_[last - 1] >> trailing_zeros) & 1u) == 0) {
            ++trailing_zeros;
        }
        const std::size_t stop_bit = last * 8 - 1 - static_cast<std::size_t>(trailing_zeros);
        return position_ < stop_bit;
    }

    std::size_t bit_position() const { return position_; }
    // The byte offset just after the last bit read (a partly read byte counts whole).
    std::size_t byte_position() const { return (position_ + 7) / 8; }
    bool overrun() const { return overrun_; }
    bool invalid_code() const { return invalid_code_; }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool overrun_ = false;
    bool invalid_code_ = false;
};

} // namespace quantaline::mpeg
