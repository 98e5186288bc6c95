#pragma once

// The variable-length codes of the macroblock layer (ISO/IEC 13818-2 tables B.1 to B.4 and
// B.9 to B.15, which ISO/IEC 11172-2 shares), written as the standard prints them, and the
// lookup tables built from them at compile time: every code is decoded with one lookup
// (two for the longest DCT coefficients) over a 32-bit window of the slice's bits.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace quantaline::mpeg {

// The bits of a slice, read through a 32-bit window. Bits past the end read as 0, which
// is also what the zero bits before the next start code are; a caller compares position()
// with the end of its slice to tell that it ran off it.
class SliceBits {
  public:
    explicit SliceBits(std::span<const std::uint8_t> bytes, std::size_t bit_position = 0)
        : data_(bytes.data()), size_(bytes.size()), position_(bit_position) {}

    // The next 57 bits at least, the first in the top bit.
    std::uint64_t peek_wide() const {
        const std::size_t byte = position_ >> 3;
        std::uint64_t word = 0;
        if (byte + 8 <= size_) {
            std::memcpy(&word, data_ + byte, 8);
            word = to_big_endian(word);
        } else {
            for (std::size_t i = 0; i < 8; ++i) {
                word = (word << 8) | (byte + i < size_ ? data_[byte + i] : 0u);
            }
        }
        return word << (position_ & 7);
    }
    // The next 32 bits, the first in the top bit.
    std::uint32_t peek() const { return static_cast<std::uint32_t>(peek_wide() >> 32); }
    // The next `bits` bits (1 to 32) without taking them.
    std::uint32_t show(int bits) const {
        return static_cast<std::uint32_t>(std::uint64_t{peek()} >> (32 - bits));
    }
    std::uint32_t get(int bits) {
        const std::uint32_t value = show(bits);
        position_ += static_cast<std::size_t>(bits);
        return value;
    }
    void skip(int bits) { position_ += static_cast<std::size_t>(bits); }
    std::size_t position() const { return position_; }

  private:
    static std::uint64_t to_big_endian(std::uint64_t word) {
#if defined(__GNUC__) || defined(__clang__)
        return __builtin_bswap64(word);
#else
        std::uint64_t swapped = 0;
        for (int i = 0; i < 8; ++i) {
            swapped = (swapped << 8) | ((word >> (8 * i)) & 0xFF);
        }
        return swapped;
#endif
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_;
};

namespace vlc {

// One row of a code table: the code as the standard prints it (blanks between groups of
// four; a final "s" is the sign bit, which makes two codes of the row) and its value.
struct Code {
    const char* bits;
    int value;
};

// macroblock_address_increment values that are not increments.
inline constexpr int macroblock_escape = 34;
inline constexpr int macroblock_stuffing = 35;

// B.1
inline constexpr std::array<Code, 35> macroblock_address_increment_codes = {{
    {"1", 1},
    {"011", 2},
    {"010", 3},
    {"0011", 4},
    {"0010", 5},
    {"0001 1", 6},
    {"0001 0", 7},
    {"0000 111", 8},
    {"0000 110", 9},
    {"0000 1011", 10},
    {"0000 1010", 11},
    {"0000 1001", 12},
    {"0000 1000", 13},
    {"0000 0111", 14},
    {"0000 0110", 15},
    {"0000 0101 11", 16},
    {"0000 0101 10", 17},
    {"0000 0101 01", 18},
    {"0000 0101 00", 19},
    {"0000 0100 11", 20},
    {"0000 0100 10", 21},
    {"0000 0100 011", 22},
    {"0000 0100 010", 23},
    {"0000 0100 001", 24},
    {"0000 0100 000", 25},
    {"0000 0011 111", 26},
    {"0000 0011 110", 27},
    {"0000 0011 101", 28},
    {"0000 0011 100", 29},
    {"0000 0011 011", 30},
    {"0000 0011 010", 31},
    {"0000 0011 001", 32},
    {"0000 0011 000", 33},
    {"0000 0001 111", macroblock_stuffing},
    {"0000 0001 000", macroblock_escape},
}};

// macroblock_type: the flags of each type.
namespace type {
inline constexpr int quant = 1;
inline constexpr int motion_forward = 2;
inline constexpr int motion_backward = 4;
inline constexpr int pattern = 8;
inline constexpr int intra = 16;
} // namespace type

// B.2, I pictures
inline constexpr std::array<Code, 2> macroblock_type_i_codes = {{
    {"1", type::intra},
    {"01", type::quant | type::intra},
}};

// B.3, P pictures
inline constexpr std::array<Code, 7> macroblock_type_p_codes = {{
    {"1", type::motion_forward | type::pattern},
    {"01", type::pattern},
    {"001", type::motion_forward},
    {"0001 1", type::intra},
    {"0001 0", type::quant | type::motion_forward | type::pattern},
    {"0000 1", type::quant | type::pattern},
    {"0000 01", type::quant | type::intra},
}};

// B.4, B pictures
inline constexpr std::array<Code, 11> macroblock_type_b_codes = {{
    {"10", type::motion_forward | type::motion_backward},
    {"11", type::motion_forward | type::motion_backward | type::pattern},
    {"010", type::motion_backward},
    {"011", type::motion_backward | type::pattern},
    {"0010", type::motion_forward},
    {"0011", type::motion_forward | type::pattern},
    {"0001 1", type::intra},
    {"0001 0", type::quant | type::motion_forward | type::motion_backward | type::pattern},
    {"0000 11", type::quant | type::motion_forward | type::pattern},
    {"0000 10", type::quant | type::motion_backward | type::pattern},
    {"0000 01", type::quant | type::intra},
}};

// D pictures (ISO/IEC 11172-2 only): DC coefficients alone.
inline constexpr std::array<Code, 1> macroblock_type_d_codes = {{
    {"1", type::intra},
}};

// B.9: coded_block_pattern_420. 0 is an MPEG-2 code only.
inline constexpr std::array<Code, 64> coded_block_pattern_codes = {{
    {"111", 60},         {"1101", 4},         {"1100", 8},         {"1011", 16},
    {"1010", 32},        {"1001 1", 12},      {"1001 0", 48},      {"1000 1", 20},
    {"1000 0", 40},      {"0111 1", 28},      {"0111 0", 44},      {"0110 1", 52},
    {"0110 0", 56},      {"0101 1", 1},       {"0101 0", 61},      {"0100 1", 2},
    {"0100 0", 62},      {"0011 11", 24},     {"0011 10", 36},     {"0011 01", 3},
    {"0011 00", 63},     {"0010 111", 5},     {"0010 110", 9},     {"0010 101", 17},
    {"0010 100", 33},    {"0010 011", 6},     {"0010 010", 10},    {"0010 001", 18},
    {"0010 000", 34},    {"0001 1111", 7},    {"0001 1110", 11},   {"0001 1101", 19},
    {"0001 1100", 35},   {"0001 1011", 13},   {"0001 1010", 49},   {"0001 1001", 21},
    {"0001 1000", 41},   {"0001 0111", 14},   {"0001 0110", 50},   {"0001 0101", 22},
    {"0001 0100", 42},   {"0001 0011", 15},   {"0001 0010", 51},   {"0001 0001", 23},
    {"0001 0000", 43},   {"0000 1111", 25},   {"0000 1110", 37},   {"0000 1101", 26},
    {"0000 1100", 38},   {"0000 1011", 29},   {"0000 1010", 45},   {"0000 1001", 53},
    {"0000 1000", 57},   {"0000 0111", 30},   {"0000 0110", 46},   {"0000 0101", 54},
    {"0000 0100", 58},   {"0000 0011 1", 31}, {"0000 0011 0", 47}, {"0000 0010 1", 55},
    {"0000 0010 0", 59}, {"0000 0001 1", 27}, {"0000 0001 0", 39}, {"0000 0000 1", 0},
}};

// B.10: motion_code, the sign last (1: negative).
inline constexpr std::array<Code, 17> motion_code_codes = {{
    {"1", 0},
    {"01s", 1},
    {"001s", 2},
    {"0001s", 3},
    {"0000 11s", 4},
    {"0000 101s", 5},
    {"0000 100s", 6},
    {"0000 011s", 7},
    {"0000 0101 1s", 8},
    {"0000 0101 0s", 9},
    {"0000 0100 1s", 10},
    {"0000 0100 01s", 11},
    {"0000 0100 00s", 12},
    {"0000 0011 11s", 13},
    {"0000 0011 10s", 14},
    {"0000 0011 01s", 15},
    {"0000 0011 00s", 16},
}};

// B.11
inline constexpr std::array<Code, 3> dmvector_codes = {{
    {"0", 0},
    {"10", 1},
    {"11", -1},
}};

// B.12
inline constexpr std::array<Code, 12> dct_dc_size_luminance_codes = {{
    {"100", 0},
    {"00", 1},
    {"01", 2},
    {"101", 3},
    {"110", 4},
    {"1110", 5},
    {"1111 0", 6},
    {"1111 10", 7},
    {"1111 110", 8},
    {"1111 1110", 9},
    {"1111 1111 0", 10},
    {"1111 1111 1", 11},
}};

// B.13
inline constexpr std::array<Code, 12> dct_dc_size_chrominance_codes = {{
    {"00", 0},
    {"01", 1},
    {"10", 2},
    {"110", 3},
    {"1110", 4},
    {"1111 0", 5},
    {"1111 10", 6},
    {"1111 110", 7},
    {"1111 1110", 8},
    {"1111 1111 0", 9},
    {"1111 1111 10", 10},
    {"1111 1111 11", 11},
}};

// A row of B.14 or B.15: run and level, or the end of block, or the escape.
struct DctCode {
    const char* bits;
    int run;
    int level;
};
inline constexpr int end_of_block = -1;
inline constexpr int escape = -2;

// B.14, DCT coefficients table zero. The first coefficient of a non-intra block has its
// own short code "1s" for run 0, level 1, which the block reads before this table.
inline constexpr std::array<DctCode, 113> dct_coefficients_table_zero = {{
    {"10", end_of_block, 0},
    {"11s", 0, 1},
    {"011s", 1, 1},
    {"0100 s", 0, 2},
    {"0101 s", 2, 1},
    {"0010 1s", 0, 3},
    {"0011 1s", 3, 1},
    {"0011 0s", 4, 1},
    {"0001 10s", 1, 2},
    {"0001 11s", 5, 1},
    {"0001 01s", 6, 1},
    {"0001 00s", 7, 1},
    {"0000 110s", 0, 4},
    {"0000 100s", 2, 2},
    {"0000 111s", 8, 1},
    {"0000 101s", 9, 1},
    {"0000 01", escape, 0},
    {"0010 0110 s", 0, 5},
    {"0010 0001 s", 0, 6},
    {"0010 0101 s", 1, 3},
    {"0010 0100 s", 3, 2},
    {"0010 0111 s", 10, 1},
    {"0010 0011 s", 11, 1},
    {"0010 0010 s", 12, 1},
    {"0010 0000 s", 13, 1},
    {"0000 0010 10s", 0, 7},
    {"0000 0011 00s", 1, 4},
    {"0000 0010 11s", 2, 3},
    {"0000 0011 11s", 4, 2},
    {"0000 0010 01s", 5, 2},
    {"0000 0011 10s", 14, 1},
    {"0000 0011 01s", 15, 1},
    {"0000 0010 00s", 16, 1},
    {"0000 0001 1101 s", 0, 8},
    {"0000 0001 1000 s", 0, 9},
    {"0000 0001 0011 s", 0, 10},
    {"0000 0001 0000 s", 0, 11},
    {"0000 0001 1011 s", 1, 5},
    {"0000 0001 0100 s", 2, 4},
    {"0000 0001 1100 s", 3, 3},
    {"0000 0001 0010 s", 4, 3},
    {"0000 0001 1110 s", 6, 2},
    {"0000 0001 0101 s", 7, 2},
    {"0000 0001 0001 s", 8, 2},
    {"0000 0001 1111 s", 17, 1},
    {"0000 0001 1010 s", 18, 1},
    {"0000 0001 1001 s", 19, 1},
    {"0000 0001 0111 s", 20, 1},
    {"0000 0001 0110 s", 21, 1},
    {"0000 0000 1101 0s", 0, 12},
    {"0000 0000 1100 1s", 0, 13},
    {"0000 0000 1100 0s", 0, 14},
    {"0000 0000 1011 1s", 0, 15},
    {"0000 0000 1011 0s", 1, 6},
    {"0000 0000 1010 1s", 1, 7},
    {"0000 0000 1010 0s", 2, 5},
    {"0000 0000 1001 1s", 3, 4},
    {"0000 0000 1001 0s", 5, 3},
    {"0000 0000 1000 1s", 9, 2},
    {"0000 0000 1000 0s", 10, 2},
    {"0000 0000 1111 1s", 22, 1},
    {"0000 0000 1111 0s", 23, 1},
    {"0000 0000 1110 1s", 24, 1},
    {"0000 0000 1110 0s", 25, 1},
    {"0000 0000 1101 1s", 26, 1},
    {"0000 0000 0111 11s", 0, 16},
    {"0000 0000 0111 10s", 0, 17},
    {"0000 0000 0111 01s", 0, 18},
    {"0000 0000 0111 00s", 0, 19},
    {"0000 0000 0110 11s", 0, 20},
    {"0000 0000 0110 10s", 0, 21},
    {"0000 0000 0110 01s", 0, 22},
    {"0000 0000 0110 00s", 0, 23},
    {"0000 0000 0101 11s", 0, 24},
    {"0000 0000 0101 10s", 0, 25},
    {"0000 0000 0101 01s", 0, 26},
    {"0000 0000 0101 00s", 0, 27},
    {"0000 0000 0100 11s", 0, 28},
    {"0000 0000 0100 10s", 0, 29},
    {"0000 0000 0100 01s", 0, 30},
    {"0000 0000 0100 00s", 0, 31},
    {"0000 0000 0011 000s", 0, 32},
    {"0000 0000 0010 111s", 0, 33},
    {"0000 0000 0010 110s", 0, 34},
    {"0000 0000 0010 101s", 0, 35},
    {"0000 0000 0010 100s", 0, 36},
    {"0000 0000 0010 011s", 0, 37},
    {"0000 0000 0010 010s", 0, 38},
    {"0000 0000 0010 001s", 0, 39},
    {"0000 0000 0010 000s", 0, 40},
    {"0000 0000 0011 111s", 1, 8},
    {"0000 0000 0011 110s", 1, 9},
    {"0000 0000 0011 101s", 1, 10},
    {"0000 0000 0011 100s", 1, 11},
    {"0000 0000 0011 011s", 1, 12},
    {"0000 0000 0011 010s", 1, 13},
    {"0000 0000 0011 001s", 1, 14},
    {"0000 0000 0001 0011 s", 1, 15},
    {"0000 0000 0001 0010 s", 1, 16},
    {"0000 0000 0001 0001 s", 1, 17},
    {"0000 0000 0001 0000 s", 1, 18},
    {"0000 0000 0001 0100 s", 6, 3},
    {"0000 0000 0001 1010 s", 11, 2},
    {"0000 0000 0001 1001 s", 12, 2},
    {"0000 0000 0001 1000 s", 13, 2},
    {"0000 0000 0001 0111 s", 14, 2},
    {"0000 0000 0001 0110 s", 15, 2},
    {"0000 0000 0001 0101 s", 16, 2},
    {"0000 0000 0001 1111 s", 27, 1},
    {"0000 0000 0001 1110 s", 28, 1},
    {"0000 0000 0001 1101 s", 29, 1},
    {"0000 0000 0001 1100 s", 30, 1},
    {"0000 0000 0001 1011 s", 31, 1},
}};

// B.15, DCT coefficients table one, for intra blocks when intra_vlc_format is 1: the rows
// of its codes shorter than 14 bits. Its codes of 14 bits and more (from run 0, level 16 on)
// are those of table zero, joined to these below.
inline constexpr std::array<DctCode, 65> dct_coefficients_table_one_short = {{
    {"0110", end_of_block, 0},
    {"10s", 0, 1},
    {"010s", 1, 1},
    {"110s", 0, 2},
    {"0010 1s", 2, 1},
    {"0111 s", 0, 3},
    {"0011 1s", 3, 1},
    {"0001 10s", 4, 1},
    {"0011 0s", 1, 2},
    {"0001 11s", 5, 1},
    {"0000 110s", 6, 1},
    {"0000 100s", 7, 1},
    {"1110 0s", 0, 4},
    {"0000 111s", 2, 2},
    {"0000 101s", 8, 1},
    {"1111 000s", 9, 1},
    {"0000 01", escape, 0},
    {"1110 1s", 0, 5},
    {"0001 01s", 0, 6},
    {"1111 001s", 1, 3},
    {"0010 0110 s", 3, 2},
    {"1111 010s", 10, 1},
    {"0010 0001 s", 11, 1},
    {"0010 0101 s", 12, 1},
    {"0010 0100 s", 13, 1},
    {"0001 00s", 0, 7},
    {"0010 0111 s", 1, 4},
    {"1111 1100 s", 2, 3},
    {"1111 1101 s", 4, 2},
    {"0000 0010 0s", 5, 2},
    {"0000 0010 1s", 14, 1},
    {"0000 0011 1s", 15, 1},
    {"0000 0011 01s", 16, 1},
    {"1111 011s", 0, 8},
    {"1111 100s", 0, 9},
    {"0010 0011 s", 0, 10},
    {"0010 0010 s", 0, 11},
    {"0010 0000 s", 1, 5},
    {"0000 0011 00s", 2, 4},
    {"0000 0001 1100 s", 3, 3},
    {"0000 0001 0010 s", 4, 3},
    {"0000 0001 1110 s", 6, 2},
    {"0000 0001 0101 s", 7, 2},
    {"0000 0001 0001 s", 8, 2},
    {"0000 0001 1111 s", 17, 1},
    {"0000 0001 1010 s", 18, 1},
    {"0000 0001 1001 s", 19, 1},
    {"0000 0001 0111 s", 20, 1},
    {"0000 0001 0110 s", 21, 1},
    {"1111 1010 s", 0, 12},
    {"1111 1011 s", 0, 13},
    {"1111 1110 s", 0, 14},
    {"1111 1111 s", 0, 15},
    {"0000 0000 1011 0s", 1, 6},
    {"0000 0000 1010 1s", 1, 7},
    {"0000 0000 1010 0s", 2, 5},
    {"0000 0000 1001 1s", 3, 4},
    {"0000 0000 1001 0s", 5, 3},
    {"0000 0000 1000 1s", 9, 2},
    {"0000 0000 1000 0s", 10, 2},
    {"0000 0000 1111 1s", 22, 1},
    {"0000 0000 1111 0s", 23, 1},
    {"0000 0000 1110 1s", 24, 1},
    {"0000 0000 1110 0s", 25, 1},
    {"0000 0000 1101 1s", 26, 1},
}};

// The number of bits of a code, its sign left out.
constexpr int code_length(const char* bits) {
    int length = 0;
    for (const char* c = bits; *c != '\0'; ++c) {
        length += (*c == '0' || *c == '1') ? 1 : 0;
    }
    return length;
}

inline constexpr int dct_long_code_length = 14;

// The rows of table zero that table one shares: its codes of 14 bits and more.
constexpr std::size_t shared_long_rows() {
    std::size_t count = 0;
    for (const DctCode& row : dct_coefficients_table_zero) {
        count += code_length(row.bits) >= dct_long_code_length ? 1 : 0;
    }
    return count;
}
static_assert(dct_coefficients_table_one_short.size() + shared_long_rows() == 113,
              "table one has 113 rows, as table zero has");

// Table one whole: its own short rows, then table zero's long ones.
inline constexpr std::array<DctCode, 113> dct_coefficients_table_one = [] {
    std::array<DctCode, 113> rows{};
    std::size_t next = 0;
    for (const DctCode& row : dct_coefficients_table_one_short) {
        rows[next++] = row;
    }
    for (const DctCode& row : dct_coefficients_table_zero) {
        if (code_length(row.bits) >= dct_long_code_length) {
            rows[next++] = row;
        }
    }
    return rows;
}();

// --- the lookup tables built from the rows above --------------------------------------

// A code string's bits and length, the sign left out.
struct Bits {
    std::uint32_t value = 0;
    int length = 0;
    bool sign = false;
};
constexpr Bits parse(const char* text) {
    Bits bits;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '0' || *c == '1') {
            bits.value = (bits.value << 1) | static_cast<std::uint32_t>(*c - '0');
            ++bits.length;
        } else if (*c == 's') {
            bits.sign = true;
        }
    }
    return bits;
}

// One entry per value of the next `Width` bits: the value of the code they start with and
// its length with the sign bit; length 0 where no code starts so.
struct Entry {
    std::int16_t value = 0;
    std::uint8_t length = 0;
};

template <int Width, std::size_t N>
constexpr std::array<Entry, (1u << Width)> lookup(const std::array<Code, N>& codes) {
    std::array<Entry, (1u << Width)> table{};
    for (const Code& code : codes) {
        const Bits bits = parse(code.bits);
        const int total = bits.length + (bits.sign ? 1 : 0);
        const int free = Width - total;
        for (int sign = 0; sign <= (bits.sign ? 1 : 0); ++sign) {
            const std::uint32_t prefix =
                bits.sign ? (bits.value << 1) | std::uint32_t(sign) : bits.value;
            for (std::uint32_t rest = 0; rest < (1u << free); ++rest) {
                Entry& entry = table[(prefix << free) | rest];
                entry.value = static_cast<std::int16_t>(sign != 0 ? -code.value : code.value);
                entry.length = static_cast<std::uint8_t>(total);
            }
        }
    }
    return table;
}

inline constexpr auto macroblock_address_increment_table =
    lookup<11>(macroblock_address_increment_codes);
inline constexpr auto macroblock_type_i_table = lookup<2>(macroblock_type_i_codes);
inline constexpr auto macroblock_type_p_table = lookup<6>(macroblock_type_p_codes);
inline constexpr auto macroblock_type_b_table = lookup<6>(macroblock_type_b_codes);
inline constexpr auto macroblock_type_d_table = lookup<1>(macroblock_type_d_codes);
inline constexpr auto coded_block_pattern_table = lookup<9>(coded_block_pattern_codes);
inline constexpr auto motion_code_table = lookup<11>(motion_code_codes);
inline constexpr auto dmvector_table = lookup<2>(dmvector_codes);
inline constexpr auto dct_dc_size_luminance_table = lookup<9>(dct_dc_size_luminance_codes);
inline constexpr auto dct_dc_size_chrominance_table = lookup<10>(dct_dc_size_chrominance_codes);

// A DCT coefficient entry: run, level and length with the sign bit, or the end of block
// or the escape (run end_of_block or escape), or no code (length 0).
struct DctEntry {
    std::int8_t run = 0;
    std::uint8_t level = 0;
    std::uint8_t length = 0;
};

// Two tables of 1024 entries: codes whose first six bits are not all zero, by their first
// ten bits; the others (all of them 16 bits long at most), by their first sixteen bits,
// whose first six are zero.
//
// And for the common case, one lookup by the first eleven bits that takes up to two whole
// codes at once: the codes' run + 1 summed, their length, and whether the last is the end of
// block. Length 0 sends the reader to the code-by-code tables (a long code, an escape, a
// second code not whole within the eleven bits is left for the next lookup).
struct alignas(4) DctPair {
    std::uint8_t length = 0;
    std::uint8_t advance = 0;
    bool end = false;
};
inline constexpr int dct_pair_bits = 11;

struct DctTables {
    std::array<DctEntry, 1024> short_codes{};
    std::array<DctEntry, 1024> long_codes{};
    std::array<DctPair, (1u << dct_pair_bits)> pairs{};
};

constexpr DctTables dct_lookup(const std::array<DctCode, 113>& codes) {
    DctTables tables;
    for (const DctCode& code : codes) {
        const Bits bits = parse(code.bits);
        const int total = bits.length + (bits.sign ? 1 : 0);
        for (int sign = 0; sign <= (bits.sign ? 1 : 0); ++sign) {
            const std::uint32_t prefix =
                bits.sign ? (bits.value << 1) | std::uint32_t(sign) : bits.value;
            // The code's place in the 16 bits that start with it.
            const int free = 16 - total;
            const std::uint32_t first = free >= 0 ? prefix << free : prefix >> -free;
            const std::uint32_t count = free >= 0 ? 1u << free : 1u;
            for (std::uint32_t rest = 0; rest < count; ++rest) {
                const std::uint32_t index16 = first | rest;
                DctEntry entry{static_cast<std::int8_t>(code.run),
                               static_cast<std::uint8_t>(code.level),
                               static_cast<std::uint8_t>(total)};
                if (index16 >= 0x400) {
                    tables.short_codes[index16 >> 6] = entry;
                } else {
                    tables.long_codes[index16] = entry;
                }
            }
        }
    }
    // A code whose bits all lie within the ones known is the code there, whatever follows:
    // no code is the start of another.
    const auto whole_code = [&tables](std::uint32_t window, int known) {
        const DctEntry& e = window >= 0x04000000u ? tables.short_codes[window >> 22]
                                                  : tables.long_codes[window >> 16];
        return e.length != 0 && e.length <= known && e.run != escape ? &e : nullptr;
    };
    for (std::uint32_t index = 0; index < tables.pairs.size(); ++index) {
        const std::uint32_t window = index << (32 - dct_pair_bits);
        const DctEntry* first = whole_code(window, dct_pair_bits);
        if (first == nullptr) {
            continue;
        }
        DctPair& pair = tables.pairs[index];
        pair.length = first->length;
        if (first->run == end_of_block) {
            pair.end = true;
            continue;
        }
        pair.advance = static_cast<std::uint8_t>(first->run + 1);
        const DctEntry* second = whole_code(window << first->length, dct_pair_bits - first->length);
        if (second == nullptr) {
            continue;
        }
        pair.length = static_cast<std::uint8_t>(pair.length + second->length);
        if (second->run == end_of_block) {
            pair.end = true;
        } else {
            pair.advance = static_cast<std::uint8_t>(pair.advance + second->run + 1);
        }
    }
    return tables;
}

inline constexpr DctTables table_zero = dct_lookup(dct_coefficients_table_zero);
inline constexpr DctTables table_one = dct_lookup(dct_coefficients_table_one);

// The entry for the code at the top of `window` (the next 32 bits).
inline const DctEntry& dct_entry(const DctTables& tables, std::uint32_t window) {
    return window >= 0x04000000u ? tables.short_codes[window >> 22]
                                 : tables.long_codes[window >> 16];
}

// The entry of a one-lookup table for the code at the top of `window`.
template <std::size_t Size>
inline const Entry& entry(const std::array<Entry, Size>& table, std::uint32_t window) {
    constexpr int width = std::countr_zero(Size);
    return table[window >> (32 - width)];
}

} // namespace vlc
} // namespace quantaline::mpeg
