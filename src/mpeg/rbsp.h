#pragma once

// The payload of a NAL unit (H.264, HEVC) without its emulation prevention bytes: the
// encoder put a 03 after every 00 00 that a byte of 03 or less followed, so that no start
// code appears inside a unit; the syntax is read from the bytes with those taken out.

#include "mpeg/bit_reader.h"
#include "mpeg/syntax.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace quantaline::mpeg {

// Every 03 that follows 00 00 dropped (the 00 00 after it counts afresh).
std::vector<std::uint8_t> remove_emulation_prevention(std::span<const std::uint8_t> unit);
// A NAL unit's RBSP: the bytes after its `header`, emulation prevention taken out.
inline std::vector<std::uint8_t> rbsp_after(std::span<const std::uint8_t> unit,
                                            std::size_t header) {
    return unit.size() > header ? remove_emulation_prevention(unit.subspan(header))
                                : std::vector<std::uint8_t>{};
}

// A picture parameter set's first two fields, H.264's and HEVC's alike: its own id, then
// the id of the SPS it refers to (which H.264's PPS needs to be read further). The one
// reading of a PPS's link to its SPS.
struct PictureSetIds {
    std::uint32_t pps = 0;
    std::uint32_t sps = 0;
};
inline PictureSetIds picture_set_ids(std::span<const std::uint8_t> rbsp) {
    BitReader r(rbsp);
    PictureSetIds ids;
    ids.pps = r.read_ue();
    ids.sps = r.read_ue();
    return ids;
}

// The readers of the parameter sets' fields, each held to the range its field may take:
// a value outside it is the structure's error (the first one kept), the field clamped;
// past the end of the bytes the error is the truncation, which finish_rbsp reports.
inline void note(SyntaxError& error, SyntaxError found) {
    if (error == SyntaxError::none) {
        error = found;
    }
}
template <class T> T ue(BitReader& r, std::uint32_t max, SyntaxError& error) {
    const std::uint32_t value = r.read_ue();
    if (value > max) {
        if (!r.overrun()) {
            note(error, SyntaxError::out_of_range);
        }
        return static_cast<T>(max);
    }
    return static_cast<T>(value);
}
template <class T> T se(BitReader& r, std::int32_t min, std::int32_t max, SyntaxError& error) {
    const std::int32_t value = r.read_se();
    if (value < min || value > max || r.invalid_code()) {
        if (!r.overrun()) {
            note(error, SyntaxError::out_of_range);
        }
        return static_cast<T>(std::clamp(value, min, max));
    }
    return static_cast<T>(value);
}
template <class T> T field(BitReader& r, int bits) {
    return static_cast<T>(r.read(bits));
}
// Marker bits are checked as they are read; the first failure is the one reported. A
// marker bit past the end is the truncation's fault, reported as such.
inline void marker_bit(BitReader& r, SyntaxError& error) {
    if (r.read(1) != 1 && !r.overrun()) {
        note(error, SyntaxError::marker_bit);
    }
}
// The messages of an SEI unit's RBSP (H.264, HEVC): each one's payloadType and its payload,
// handed to `take` in order; a size past the end ends the walk.
template <class Take> void for_each_sei_message(std::span<const std::uint8_t> rbsp, Take take) {
    std::size_t at = 0;
    const auto coded_value = [&] { // a run of FF bytes and the last one
        std::uint32_t value = 0;
        while (at < rbsp.size() && rbsp[at] == 0xFF) {
            value += 255;
            ++at;
        }
        return value + (at < rbsp.size() ? rbsp[at++] : 0u);
    };
    // The last byte of 80 is the RBSP's stop bit.
    while (at + 1 < rbsp.size() || (at < rbsp.size() && rbsp[at] != 0x80)) {
        const std::uint32_t type = coded_value();
        const std::uint32_t size = coded_value();
        if (size > rbsp.size() - at) {
            return;
        }
        take(type, rbsp.subspan(at, size));
        at += size;
    }
}

// The structure's fields with its first error; bits past the end are a truncation.
template <class Fields>
Parsed<Fields> finish_rbsp(const BitReader& r, Fields fields, SyntaxError error) {
    if (r.overrun()) {
        note(error, SyntaxError::truncated);
    }
    if (r.invalid_code()) {
        note(error, SyntaxError::out_of_range);
    }
    return {fields, error};
}

} // namespace quantaline::mpeg
