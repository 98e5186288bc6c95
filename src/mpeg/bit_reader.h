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

    std::uint32_t read(int bits) {
        std::uint32_t value = 0;
        for (int i = 0; i < bits; ++i) {
            const std::size_t byte = position_ >> 3;
            std::uint32_t bit = 0;
            if (byte < bytes_.size()) {
                bit = (bytes_[byte] >> (7 - (position_ & 7))) & 1u;
            } else {
                overrun_ = true;
            }
            value = (value << 1) | bit;
            ++position_;
        }
        return value;
    }
    bool read_flag() { return read(1) != 0; }
    void skip(std::size_t bits) {
        position_ += bits;
        if (position_ > bytes_.size() * 8) {
            overrun_ = true;
        }
    }

    std::size_t bit_position() const { return position_; }
    // The byte offset just after the last bit read (a partly read byte counts whole).
    std::size_t byte_position() const { return (position_ + 7) / 8; }
    bool overrun() const { return overrun_; }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool overrun_ = false;
};

} // namespace quantaline::mpeg
