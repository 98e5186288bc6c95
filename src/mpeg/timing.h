#pragma once

// The timing of pictures as ISO/IEC 13818-2 (6.3.10, Annex C) and 11172-2 give it: how many
// field periods each picture is shown for, the frame period of a sequence, and the steps
// between decoding times. Codes only; the buffer model above uses them.

#include "mpeg/codes.h"

#include <cstdint>
#include <optional>

namespace quantaline::mpeg {

// The values of a sequence header and its sequence_extension that the timing, the buffer
// and the disc's rules read, with the extensions folded in.
struct SequenceParameters {
    // The first picture coded under it, in stream order from 0.
    std::uint64_t first_picture = 0;
    // File offset of the first 00 of its sequence header.
    std::uint64_t offset = 0;
    bool mpeg2 = false; // a sequence_extension follows the header
    std::uint16_t horizontal_size = 0;
    std::uint16_t vertical_size = 0;
    std::uint8_t aspect_ratio_information = 0;
    std::uint8_t frame_rate_code = 0;
    std::uint8_t frame_rate_extension_n = 0;
    std::uint8_t frame_rate_extension_d = 0;
    std::uint32_t bit_rate = 0;        // in units of 400 bit/s
    std::uint32_t vbv_buffer_size = 0; // in units of 16 384 bits
    std::uint8_t profile_and_level_indication = 0;
    std::uint8_t chroma_format = chroma_420; // as MPEG-1 always is
    bool progressive_sequence = false;
    bool low_delay = false;

    // Equal when every coded value is; where it starts does not count.
    bool same_values(const SequenceParameters& other) const;
};

// Frames per second of frame_rate_code with frame_rate_extension_n and _d; nothing for a
// forbidden or reserved code.
std::optional<double> frame_rate(const SequenceParameters& sequence);

// The display duration of a picture in field periods: a field picture 1; a frame picture
// 2, 3 with repeat_first_field in an interlaced sequence, or 2, 4, 6 in a progressive one
// (repeat_first_field with top_field_first 0 or 1). An MPEG-1 picture is 2.
std::uint8_t picture_fields(bool mpeg2, bool progressive_sequence, std::uint8_t picture_structure,
                            bool top_field_first, bool repeat_first_field);

// Follows the decoding times of a stream's pictures in coded order: the step from a
// picture to the next is its own fields for a B picture or under low_delay, the fields of
// the previous I or P picture otherwise (its own when there is none). The two fields of a
// frame coded as field pictures are one picture of two fields there: the first is followed
// by the second one field period later, the second by the rest of the frame's step (the
// whole of it for the stream's first frame, which has no step before it), as encoders
// write vbv_delay (the Sony 3:2 conformance stream mixes both kinds).
class DecodingClock {
  public:
    // The step in field periods after the picture of this type, structure and fields.
    std::uint8_t step_after(std::uint8_t picture_coding_type, std::uint8_t picture_structure,
                            std::uint8_t fields, bool low_delay);

  private:
    std::uint8_t frame_step(std::uint8_t picture_coding_type, std::uint8_t fields, bool low_delay);

    std::optional<std::uint8_t> anchor_fields_; // of the previous I or P frame
    bool second_field_next_ = false;
};

} // namespace quantaline::mpeg
