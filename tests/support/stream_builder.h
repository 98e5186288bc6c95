#pragma once

// Builds MPEG video byte streams for tests from readable calls: each syntax element
// is written with its width, as the standard lays it out.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quantaline::test {

class BitWriter {
  public:
    void put(std::uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (bit_count_ % 8 == 0) {
                bytes_.push_back(0);
            }
            if ((value >> i) & 1u) {
                bytes_.back() =
                    static_cast<std::uint8_t>(bytes_.back() | (0x80u >> (bit_count_ % 8)));
            }
            ++bit_count_;
        }
    }
    // Zero bits up to the next byte boundary.
    void align() { bit_count_ = bytes_.size() * 8; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::size_t bit_count_ = 0;
};

// A 64-value matrix in the order the stream carries it (zigzag scan order).
using ScanMatrix = std::array<std::uint8_t, 64>;

struct SequenceHeader {
    int horizontal_size = 720;
    int vertical_size = 576;
    int aspect_ratio_information = 2;
    int frame_rate_code = 3;
    std::uint32_t bit_rate_value = 24500;
    int vbv_buffer_size_value = 112;
    std::optional<ScanMatrix> intra;
    std::optional<ScanMatrix> non_intra;
};

class StreamBuilder {
  public:
    StreamBuilder& raw(std::initializer_list<std::uint8_t> values) {
        bytes_.insert(bytes_.end(), values);
        return *this;
    }
    StreamBuilder& start_code(std::uint8_t code) { return raw({0x00, 0x00, 0x01, code}); }
    // Filler bytes (0xFF never forms a start code) up to an absolute offset.
    StreamBuilder& fill_to(std::size_t offset, std::uint8_t filler = 0xFF) {
        if (bytes_.size() < offset) {
            bytes_.resize(offset, filler);
        }
        return *this;
    }
    // An MPEG-2 pack header (14 bytes, no stuffing).
    StreamBuilder& pack_header() {
        start_code(0xBA);
        return raw({0x44, 0x00, 0x04, 0x00, 0x04, 0x01, 0x01, 0x89, 0xC3, 0xF8});
    }
    StreamBuilder& sequence_header(const SequenceHeader& h) {
        BitWriter w;
        w.put(0x000001B3, 32);
        w.put(static_cast<std::uint32_t>(h.horizontal_size), 12);
        w.put(static_cast<std::uint32_t>(h.vertical_size), 12);
        w.put(static_cast<std::uint32_t>(h.aspect_ratio_information), 4);
        w.put(static_cast<std::uint32_t>(h.frame_rate_code), 4);
        w.put(h.bit_rate_value, 18);
        w.put(1, 1); // marker_bit
        w.put(static_cast<std::uint32_t>(h.vbv_buffer_size_value), 10);
        w.put(0, 1);               // constrained_parameters_flag
        w.put(h.intra ? 1 : 0, 1); // load_intra_quantiser_matrix
        if (h.intra) {
            for (auto value : *h.intra) {
                w.put(value, 8);
            }
        }
        w.put(h.non_intra ? 1 : 0, 1); // load_non_intra_quantiser_matrix
        if (h.non_intra) {
            for (auto value : *h.non_intra) {
                w.put(value, 8);
            }
        }
        return append(w);
    }
    StreamBuilder& sequence_extension(std::uint8_t profile_and_level_indication,
                                      int chroma_format = 1) {
        BitWriter w;
        w.put(0x000001B5, 32);
        w.put(1, 4); // extension_start_code_identifier
        w.put(profile_and_level_indication, 8);
        w.put(0, 1); // progressive_sequence
        w.put(static_cast<std::uint32_t>(chroma_format), 2);
        w.put(0, 2);  // horizontal_size_extension
        w.put(0, 2);  // vertical_size_extension
        w.put(0, 12); // bit_rate_extension
        w.put(1, 1);  // marker_bit
        w.put(0, 8);  // vbv_buffer_size_extension
        w.put(0, 1);  // low_delay
        w.put(0, 2);  // frame_rate_extension_n
        w.put(0, 5);  // frame_rate_extension_d
        return append(w);
    }
    StreamBuilder& sequence_display_extension(int video_format) {
        BitWriter w;
        w.put(0x000001B5, 32);
        w.put(2, 4); // extension_start_code_identifier
        w.put(static_cast<std::uint32_t>(video_format), 3);
        w.put(0, 1);    // colour_description
        w.put(720, 14); // display_horizontal_size
        w.put(1, 1);    // marker_bit
        w.put(576, 14); // display_vertical_size
        return append(w);
    }
    StreamBuilder& quant_matrix_extension(std::uint8_t value) {
        BitWriter w;
        w.put(0x000001B5, 32);
        w.put(3, 4); // extension_start_code_identifier
        w.put(1, 1); // load_intra_quantiser_matrix
        for (int i = 0; i < 64; ++i) {
            w.put(value, 8);
        }
        w.put(1, 1); // load_non_intra_quantiser_matrix
        for (int i = 0; i < 64; ++i) {
            w.put(value, 8);
        }
        w.put(0, 1); // load_chroma_intra_quantiser_matrix
        w.put(0, 1); // load_chroma_non_intra_quantiser_matrix
        return append(w);
    }
    StreamBuilder& picture_coding_extension(int intra_dc_precision, int picture_structure) {
        BitWriter w;
        w.put(0x000001B5, 32);
        w.put(8, 4); // extension_start_code_identifier
        for (int i = 0; i < 4; ++i) {
            w.put(15, 4); // f_code[s][t]
        }
        w.put(static_cast<std::uint32_t>(intra_dc_precision), 2);
        w.put(static_cast<std::uint32_t>(picture_structure), 2);
        w.put(0, 8); // top_field_first .. q_scale_type etc., kept simple
        w.put(0, 8);
        return append(w);
    }
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    StreamBuilder& append(const BitWriter& w) {
        bytes_.insert(bytes_.end(), w.bytes().begin(), w.bytes().end());
        return *this;
    }
    std::vector<std::uint8_t> bytes_;
};

inline ScanMatrix scan_matrix_of(std::uint8_t value) {
    ScanMatrix m{};
    m.fill(value);
    return m;
}

// 1, 2, ..., 64 in stream order.
inline ScanMatrix counting_scan_matrix() {
    ScanMatrix m{};
    for (int i = 0; i < 64; ++i) {
        m[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i + 1);
    }
    return m;
}

} // namespace quantaline::test
