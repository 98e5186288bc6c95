#pragma once

// The decoder's video buffer (the VBV of ISO/IEC 13818-2 Annex C, 11172-2 for MPEG-1)
// over the picture records of one read: each picture's decoding time and the bits in the
// buffer just before its chunk is taken out.

#include "mpeg/scan.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quantaline::check {

// How the buffer fills: from the pictures' vbv_delay, at the bit rate whenever it is not
// full (every vbv_delay 0xFFFF), or not at all (no sequence header, no bit rate, no
// buffer size or no frame rate to time it by).
enum class BufferMode { none, vbv_delay, fill };

struct PictureBuffer {
    double decode_time = 0; // seconds from the first bit's entry
    double occupancy = 0;   // bits just before its chunk is removed
    double chunk_bits = 0;
    double buffer_size = 0; // B of its sequence
    bool underflow = false; // fewer bits than its chunk (never under low_delay)
    bool overflow = false;  // more bits than the buffer holds
    // Every bit of the stream had entered by its decoding time: it cannot underflow, and
    // the last pictures always take the buffer down to their own bits.
    bool all_entered = false;
};

// Bits between two picture start codes entering faster than the bit rate allows.
struct RateExcess {
    std::uint64_t picture = 0;  // the first of the two, in stream order
    std::optional<double> rate; // bit/s; nothing when the second enters no later
    double bit_rate = 0;        // R of its sequence
};

struct BufferModel {
    BufferMode mode = BufferMode::none;
    // The first picture modelled: the first one after a sequence header.
    std::uint64_t first_picture = 0;
    std::vector<PictureBuffer> pictures; // from first_picture on
    double bit_rate = 0;                 // R of the first sequence, bit/s
    double buffer_size = 0;              // B of the first sequence, bits
    // The first picture whose vbv_delay is 0xFFFF when the first's is not, or the reverse.
    std::optional<std::uint64_t> mixed_picture;
    std::vector<RateExcess> rate_excesses;

    // The picture of this index in stream order, when it was modelled.
    const PictureBuffer* at(std::uint64_t index) const {
        if (index < first_picture || index - first_picture >= pictures.size()) {
            return nullptr;
        }
        return &pictures[index - first_picture];
    }
};

// Less than half a bit short or over is rounding, not a fault.
inline constexpr double bit_tolerance = 0.5;
// A rate between two start codes above R by more than this is a finding.
inline constexpr double rate_tolerance = 1.01;
inline constexpr std::uint16_t vbv_delay_unset = 0xFFFF;

BufferModel model_buffer(const mpeg::ScanResult& result);

} // namespace quantaline::check
