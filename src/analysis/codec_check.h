#pragma once

// Does an H.264 or HEVC encode hold? Its coded picture buffer modelled as the hypothetical
// reference decoder fills and empties it, from the pictures' records and the HRD of the
// sequence in force; and for H.264 the rules of the Blu-ray disc.

#include "analysis/codec_pictures.h"
#include "check/buffer_model.h"
#include "check/check.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quantaline::check {

struct CpbOptions {
    bool vcl = false;             // the VCL HRD rather than the NAL one
    std::size_t schedule = 0;     // SchedSelIdx
    std::optional<double> rate;   // bits per second, for a stream without HRD parameters
    std::optional<double> buffer; // bits
    bool cbr = false;
    bool m2ts = false; // the file is a transport stream of 192-byte packets
};

// One access unit in the buffer: when its first and last bits arrive, when it is
// removed (seconds from the first bit's arrival), the bits in the buffer just before.
struct CpbPicture {
    double arrival_start = 0;
    double arrival_end = 0;
    double removal = 0;
    double fullness = 0;
    double buffer_size = 0; // of its sequence's schedule, bits
    bool underflow = false; // not all arrived at its removal
    bool overflow = false;  // the buffer over its size just before its removal
};

enum class CpbSource : std::uint8_t {
    none,    // no HRD parameters and no --rate and --buffer: not modelled
    hrd,     // the stream's HRD parameters and buffering period SEI
    options, // --rate and --buffer, the initial delay buffer ÷ rate
};

struct CodecCheckResult {
    const char* profile = "none"; // "none", "bluray"
    const char* title = "";       // "Blu-ray"
    bool profile_chosen_automatically = false;
    std::vector<Finding> findings; // the CPB's, then the disc's by rule
    std::vector<Finding> notes;    // what is said but breaks no rule
    CpbSource source = CpbSource::none;
    bool vcl = false;
    double bit_rate = 0;    // of the first picture's sequence
    double buffer_size = 0; // bits
    bool cbr = false;
    std::vector<CpbPicture> cpb; // one per picture when modelled
    std::uint64_t underflow_pictures = 0;
    std::uint64_t overflow_pictures = 0;
};

// `profile` is "auto", "none" or "bluray".
CodecCheckResult check_codec_pictures(container::Codec codec,
                                      const std::vector<CodecPicture>& pictures,
                                      const CodecPictureSummary& summary, std::string_view profile,
                                      const CpbOptions& options);
bool is_codec_profile_name(std::string_view name);
// A finding of `rule` at `picture` (none: the stream's), with its group of pictures and its
// offset.
Finding finding_at(Rule rule, const std::vector<CodecPicture>& pictures,
                   const CodecPictureSummary& summary, std::optional<std::uint64_t> picture);
// What "auto" takes: "bluray" for an H.264 stream in a Blu-ray format in a transport stream
// of 192-byte packets, else "none".
const char* auto_codec_profile(container::Codec codec, const std::vector<CodecPicture>& pictures,
                               const CodecPictureSummary& summary, bool m2ts);

// The buffer as the graph draws it: each picture's removal time and fullness; mode none
// when it was not modelled.
BufferModel cpb_buffer_model(const CodecCheckResult& result,
                             const std::vector<CodecPicture>& pictures);

// "Conforme au profil Blu-ray", "3 écarts au profil Blu-ray", "Aucun écart".
std::string codec_verdict_text(const CodecCheckResult& result);
// "Tampon CPB : HRD NAL, 40000000 bit/s, 30000000 bits, CBR" or why it is not modelled.
std::string cpb_text(const CodecCheckResult& result);
// "hrd", "options", "none"
const char* cpb_source_key(CpbSource source);

} // namespace quantaline::check
