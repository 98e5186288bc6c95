#pragma once

// The macroblock layer of ISO/IEC 13818-2 and 11172-2, read without reconstructing a
// pixel: every variable-length code of every macroblock is read, so that each
// macroblock's quantiser scale is known, but nothing is decoded. One function per syntax
// structure, named as the standards name it; errors are returned as values.

#include "mpeg/codes.h"
#include "mpeg/syntax.h"
#include "mpeg/vlc.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quantaline::mpeg {

// What a picture's macroblocks need of their sequence header and sequence extension.
struct SequenceContext {
    bool mpeg2 = false; // a sequence_extension follows the sequence header
    std::uint8_t chroma_format = chroma_420;
    std::uint32_t horizontal_size = 0; // with the extension's high bits
    std::uint32_t vertical_size = 0;
    bool progressive_sequence = true;
};

// MPEG-1 when `extension` is null.
SequenceContext sequence_context(const SequenceHeader& header, const SequenceExtension* extension);

// Why a slice cannot be read past a point.
enum class MacroblockError : std::uint8_t {
    none,
    invalid_code,             // bits that are no code of the table they are read with
    zero_quantiser_scale,     // quantiser_scale_code 0
    address_outside_picture,  // a macroblock past the picture's last one
    skipped_in_intra_picture, // macroblocks skipped in an I or D picture
    too_many_coefficients,    // a block's runs go past its 64th coefficient
    invalid_escape_level,     // an escaped level of 0 or -2048
    reserved_motion_type,     // frame_motion_type or field_motion_type 0
    marker_bit,               // the marker_bit after concealment vectors is 0
    overrun,                  // the slice's bytes end inside a macroblock
};

// Why a picture's macroblocks cannot be read at all.
enum class PictureError : std::uint8_t {
    none,
    no_picture_header,           // the bytes do not start with a picture start code
    truncated_picture_header,    // ...or end inside it
    no_picture_coding_extension, // MPEG-2 slices without their picture's coding extension
    unknown_picture_coding_type, // neither I, P, B nor D
};

// What a picture's header and coding extension tell its macroblocks.
struct PictureContext {
    bool mpeg2 = false;
    std::uint8_t chroma_format = chroma_420;
    std::uint8_t picture_coding_type = 0;
    std::uint8_t picture_structure = frame_picture;
    bool frame_pred_frame_dct = true;
    bool concealment_motion_vectors = false;
    bool q_scale_type = false;
    bool intra_vlc_format = false;
    std::array<std::array<std::uint8_t, 2>, 2> f_code{}; // [forward/backward][horizontal/vertical]
    std::uint32_t mb_width = 0;
    std::uint32_t mb_height = 0;           // of this picture: a field has half a frame's rows
    bool slice_vertical_extension = false; // vertical_size above 2800
};

// The kind of a macroblock for the counts and the map.
enum class MacroblockKind : std::uint8_t { intra, coded, skipped };

struct MacroblockInfo {
    std::uint32_t address = 0; // row * mb_width + column, in the picture (a field's own rows)
    std::uint8_t quantiser_scale = 0;
    MacroblockKind kind = MacroblockKind::coded;
};

// What a map may want of each slice: where it lies and where its bits end.
struct SliceInfo {
    std::uint32_t slice_vertical_position = 0; // with its extension; 1 is the first row
    std::uint32_t first_address = 0;           // of its first macroblock, when it has one
    std::uint32_t macroblocks = 0;             // read, skipped ones included
    // In the picture's bytes: the bit where its last macroblock ends (where the damage
    // starts, for a damaged slice), and the byte of the next start code.
    std::size_t end_bit = 0;
    std::size_t next_start_code = 0;
    bool damaged = false;
};

// Receives every macroblock of a picture in stream order, when a map is asked for.
class MacroblockSink {
  public:
    virtual ~MacroblockSink() = default;
    virtual void macroblock(const MacroblockInfo& info) = 0;
    // After the macroblocks of each slice. An MPEG-1 slice's first macroblock may lie in
    // a later row than its slice_vertical_position.
    virtual void slice(const SliceInfo& /*info*/) {}
};

struct SliceDamage {
    std::uint32_t slice_vertical_position = 0; // with its extension; 1 is the first row
    std::uint32_t macroblocks_read = 0;        // before the damage, skipped ones included
    std::size_t offset = 0; // in the picture's bytes, where the faulty macroblock starts
    MacroblockError error = MacroblockError::none;
};

// The quantiser figures of one picture.
struct PictureQuantiser {
    PictureError error = PictureError::none;
    std::uint16_t temporal_reference = 0;
    std::uint8_t picture_coding_type = 0;
    std::uint8_t picture_structure = frame_picture;
    // The picture's size in macroblocks (a field's own rows); the height is known once the
    // picture's structure is (an MPEG-2 picture without its coding extension has none).
    std::uint32_t mb_width = 0;
    std::uint32_t mb_height = 0;
    std::uint32_t slices = 0;
    std::uint32_t damaged_slices = 0;
    std::optional<SliceDamage> first_damage;
    // Macroblocks of the picture that no slice reached: slices left out of the stream, a
    // picture cut short, or the rest of a damaged slice. None of them is in the figures.
    std::uint32_t missing = 0;
    // Every macroblock read is one of the three: intra, coded (read from the stream, not
    // intra) or skipped.
    std::uint32_t intra = 0;
    std::uint32_t coded = 0;
    std::uint32_t skipped = 0;
    // quantiser_scale (MPEG-2, 1 to 112) or quantizer_scale (MPEG-1, 1 to 31) in force at
    // each macroblock, skipped ones with the value in force where they lie.
    std::uint64_t quantiser_sum = 0;
    std::uint8_t quantiser_min = 0;
    std::uint8_t quantiser_max = 0;

    std::uint32_t macroblocks() const { return intra + coded + skipped; }
    // The average in hundredths, rounded half up; 0 without macroblocks.
    std::uint32_t quantiser_average_hundredths() const;
};

// One picture's bytes, from its picture start code (00 00 01 00) through its last slice,
// the picture coding extension and any other extension or user data among them. Reads
// every slice; a damaged slice counts its macroblocks before the damage and the next slice
// starts afresh. `map`, when given, receives every macroblock.
PictureQuantiser picture_quantiser(std::span<const std::uint8_t> picture,
                                   const SequenceContext& sequence, MacroblockSink* map = nullptr);

// --- the syntax structures, for the tests and for whoever reads one alone -----------------

// MPEG-2's non-linear quantiser_scale for each quantiser_scale_code (0 is forbidden).
inline constexpr std::array<std::uint8_t, 32> non_linear_quantiser_scale = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  10, 12, 14, 16, 18, 20,  22,
    24, 28, 32, 36, 40, 44, 48, 52, 56, 64, 72, 80, 88, 96, 104, 112};

// quantiser_scale_code through q_scale_type (MPEG-2) or quantizer_scale itself (MPEG-1).
inline std::uint8_t quantiser_scale(const PictureContext& picture, std::uint32_t code) {
    if (!picture.mpeg2) {
        return static_cast<std::uint8_t>(code);
    }
    return picture.q_scale_type ? non_linear_quantiser_scale[code & 31]
                                : static_cast<std::uint8_t>(code * 2);
}

// The increment with its escapes; stuffing is passed over.
MacroblockError macroblock_address_increment(SliceBits& bits, std::uint32_t& increment);

// macroblock_type and what follows it in macroblock_modes().
struct MacroblockModes {
    int type = 0; // vlc::type flags
    int motion_vector_count = 1;
    bool field_format = false; // mv_format is field
    bool dmv = false;
};
MacroblockError macroblock_type(SliceBits& bits, std::uint8_t picture_coding_type, int& type);
MacroblockError macroblock_modes(SliceBits& bits, const PictureContext& picture,
                                 MacroblockModes& modes);
// motion_code -16 to 16.
MacroblockError motion_code(SliceBits& bits, int& code);
MacroblockError dmvector(SliceBits& bits, int& value);
// motion_vector(r, s) and motion_vectors(s): read and passed over.
MacroblockError motion_vector(SliceBits& bits, const PictureContext& picture,
                              const MacroblockModes& modes, int s);
MacroblockError motion_vectors(SliceBits& bits, const PictureContext& picture,
                               const MacroblockModes& modes, int s);
// The pattern of every block, block 0 in the top bit of block_count bits.
MacroblockError coded_block_pattern(SliceBits& bits, const PictureContext& picture,
                                    std::uint32_t& pattern);
MacroblockError dct_dc_size_luminance(SliceBits& bits, int& size);
MacroblockError dct_dc_size_chrominance(SliceBits& bits, int& size);
// block(i) of a coded block; `intra` of an intra macroblock.
MacroblockError block(SliceBits& bits, const PictureContext& picture, int i, bool intra);

} // namespace quantaline::mpeg
