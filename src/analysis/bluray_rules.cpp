// The Blu-ray disc's rules for an H.264 primary video: its formats, profile, level, buffer
// and HRD, its timing, and how its pictures are cut and ordered.
#include "analysis/codec_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

namespace quantaline::check {

namespace {

enum class Scan : std::uint8_t { progressive, interlaced };

struct DiscFormat {
    std::uint32_t width;
    std::uint32_t height;
    double rate; // frames per second
    Scan scan;
};

constexpr double film = 24000.0 / 1001;
constexpr double ntsc = 30000.0 / 1001;
constexpr double ntsc_60 = 60000.0 / 1001;

constexpr std::array<DiscFormat, 14> formats = {{
    {1920, 1080, film, Scan::progressive},
    {1920, 1080, 24, Scan::progressive},
    {1920, 1080, 25, Scan::interlaced},
    {1920, 1080, ntsc, Scan::interlaced},
    {1440, 1080, film, Scan::progressive},
    {1440, 1080, 24, Scan::progressive},
    {1440, 1080, 25, Scan::interlaced},
    {1440, 1080, ntsc, Scan::interlaced},
    {1280, 720, film, Scan::progressive},
    {1280, 720, 24, Scan::progressive},
    {1280, 720, 50, Scan::progressive},
    {1280, 720, ntsc_60, Scan::progressive},
    {720, 576, 25, Scan::interlaced},
    {720, 480, ntsc, Scan::interlaced},
}};

double frame_rate(const CodecSequence& s) {
    return s.num_units_in_tick != 0 ? s.time_scale / (2.0 * s.num_units_in_tick) : 0;
}

// Interlaced: coded as fields or MBAFF, or progressive frames shown as two fields (PsF).
Scan scan_of(const CodecSequence& s) {
    return !s.frame_mbs_only || s.pic_struct_present ? Scan::interlaced : Scan::progressive;
}

const DiscFormat* disc_format(const CodecSequence& s) {
    const double rate = frame_rate(s);
    for (const DiscFormat& f : formats) {
        if (f.width == s.width && f.height == s.height && std::abs(f.rate - rate) < 0.01 &&
            (f.scan == scan_of(s) || (f.scan == Scan::interlaced && s.frame_mbs_only))) {
            return &f;
        }
    }
    return nullptr;
}

// "1920x1080i 29.97", whatever the language: the finding's data.
std::string format_text(const CodecSequence& s) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.3f", frame_rate(s));
    std::string text = rate;
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == '.') {
        text.pop_back();
    }
    return std::to_string(s.width) + "x" + std::to_string(s.height) +
           (scan_of(s) == Scan::interlaced ? "i " : "p ") + text;
}

// The aspect_ratio_idc values a size admits.
std::vector<double> admitted_aspects(const CodecSequence& s) {
    if (s.width == 1920 || s.width == 1280) {
        return {1};
    }
    if (s.width == 1440) {
        return {14};
    }
    return s.height == 576 ? std::vector<double>{2, 4} : std::vector<double>{3, 5};
}

// The frames level 4.1's decoded picture buffer holds at the stream's size.
std::uint32_t level_41_frames(const CodecSequence& s) {
    const std::uint32_t mbs = ((s.width + 15) / 16) * ((s.height + 15) / 16);
    return mbs == 0 ? 16 : std::min<std::uint32_t>(16, 32768 / mbs);
}

struct Sink {
    const std::vector<CodecPicture>& pictures;
    const CodecPictureSummary& summary;
    std::vector<Finding>& findings;
    Finding& add(Rule rule, std::optional<std::uint64_t> picture = std::nullopt) {
        findings.push_back(finding_at(rule, pictures, summary, picture));
        return findings.back();
    }
};

void sequence_rules(const CodecSequence& s, Sink& sink) {
    if (disc_format(s) == nullptr) {
        Finding& f = sink.add(Rule::bd_format, 0);
        f.found = format_text(s);
    }
    if (s.profile_idc != 77 && s.profile_idc != 100) {
        Finding& f = sink.add(Rule::bd_profile, 0);
        f.found = static_cast<double>(s.profile_idc);
        f.allowed = {77.0, 100.0};
    }
    if (s.level_idc < 30 || s.level_idc > 41 || (s.level_idc == 11 && s.constraint_set3)) {
        Finding& f = sink.add(Rule::bd_level, 0);
        f.found = s.level_idc / 10.0;
        f.limit = 4.1;
    }
    if (!s.nal.empty() && s.nal[0].bit_rate > 40000000) {
        Finding& f = sink.add(Rule::bd_bitrate, 0);
        f.found = static_cast<double>(s.nal[0].bit_rate);
        f.limit = 40000000.0;
    }
    if (!s.nal.empty() && s.nal[0].cpb_size > 30000000) {
        Finding& f = sink.add(Rule::bd_cpb_size, 0);
        f.found = static_cast<double>(s.nal[0].cpb_size);
        f.limit = 30000000.0;
    }
    if (s.nal.size() != 1 || s.low_delay) {
        Finding& f = sink.add(Rule::bd_hrd, 0);
        f.found = static_cast<double>(s.nal.size());
        f.limit = 1.0;
    }
    if (s.tick <= 0 || !s.fixed_frame_rate) {
        sink.add(Rule::bd_fixed_frame_rate, 0).found = s.tick > 0 ? 0.0 : -1.0;
    }
    const auto aspects = admitted_aspects(s);
    if (!s.aspect_ratio_idc ||
        std::find(aspects.begin(), aspects.end(), *s.aspect_ratio_idc) == aspects.end()) {
        Finding& f = sink.add(Rule::bd_vui_aspect, 0);
        f.found = s.aspect_ratio_idc ? Value(static_cast<double>(*s.aspect_ratio_idc)) : Value();
        f.allowed.assign(aspects.begin(), aspects.end());
    }
    if (!s.frame_mbs_only && !s.pic_struct_present) {
        sink.add(Rule::bd_pic_struct, 0);
    }
    const std::uint32_t frames = level_41_frames(s);
    const std::uint32_t buffering = s.max_dec_frame_buffering.value_or(0);
    if (s.max_num_ref_frames > frames || buffering > frames) {
        Finding& f = sink.add(Rule::bd_refs, 0);
        f.found = static_cast<double>(std::max(s.max_num_ref_frames, buffering));
        f.limit = static_cast<double>(frames);
    }
    const auto chroma_ok = [](std::optional<std::uint8_t> loc) {
        return !loc || *loc == 0 || *loc == 2;
    };
    if (!chroma_ok(s.chroma_loc_top) || !chroma_ok(s.chroma_loc_bottom)) {
        Finding& f = sink.add(Rule::bd_chroma_loc, 0);
        f.found = static_cast<double>(chroma_ok(s.chroma_loc_top) ? *s.chroma_loc_bottom
                                                                  : *s.chroma_loc_top);
        f.allowed = {0.0, 2.0};
    }
}

// A rule each picture keeps or breaks: one finding, at the first picture that breaks it,
// with how many do.
template <class Breaks> void picture_rule(Sink& sink, Rule rule, Breaks breaks) {
    std::optional<std::uint64_t> first;
    std::uint64_t count = 0;
    for (std::size_t k = 0; k < sink.pictures.size(); ++k) {
        if (breaks(sink.pictures[k])) {
            first = first ? first : std::optional<std::uint64_t>(k);
            ++count;
        }
    }
    if (first) {
        sink.add(rule, *first).pictures = count;
    }
}

// At most one second of frames between two I pictures, three B pictures in a row; a
// field counts half a frame.
void order_rules(const CodecSequence& s, Sink& sink) {
    const double rate = frame_rate(s);
    const double longest = rate < 24.5 ? 24 : rate < 26 ? 25 : rate < 31 ? 30 : rate < 51 ? 50 : 60;
    double since_intra = 0;
    double b_run = 0;
    std::optional<std::uint64_t> long_gop;
    std::optional<std::uint64_t> b_runs;
    double longest_found = 0;
    double most_b = 0;
    for (std::size_t k = 0; k < sink.pictures.size(); ++k) {
        const CodecPicture& p = sink.pictures[k];
        const double share = p.structure == CodecPictureStructure::frame ? 1.0 : 0.5;
        since_intra =
            p.type == 'I' && (share == 1.0 || since_intra >= 1.0) ? share : since_intra + share;
        b_run = p.type == 'B' ? b_run + share : 0;
        if (since_intra > longest && !long_gop) {
            long_gop = k;
        }
        if (b_run > 3 && !b_runs) {
            b_runs = k;
        }
        longest_found = std::max(longest_found, since_intra);
        most_b = std::max(most_b, b_run);
    }
    if (long_gop) {
        Finding& f = sink.add(Rule::bd_gop_length, *long_gop);
        f.found = std::ceil(longest_found);
        f.limit = longest;
    }
    if (b_runs) {
        Finding& f = sink.add(Rule::bd_consecutive_b, *b_runs);
        f.found = std::ceil(most_b);
        f.limit = 3.0;
    }
}

} // namespace

bool is_bluray_format(const CodecSequence& sequence) {
    return disc_format(sequence) != nullptr;
}

void check_bluray(const std::vector<CodecPicture>& pictures, const CodecPictureSummary& summary,
                  std::vector<Finding>& findings) {
    if (pictures.empty() || pictures[0].sequence == 0) {
        return;
    }
    Sink sink{pictures, summary, findings};
    const CodecSequence& s = summary.sequences[pictures[0].sequence - 1];
    sequence_rules(s, sink);
    if (s.level_idc == 41) {
        picture_rule(sink, Rule::bd_slices, [](const CodecPicture& p) { return p.slices < 4; });
    }
    picture_rule(sink, Rule::bd_slice_type,
                 [](const CodecPicture& p) { return p.mixed_slice_types; });
    order_rules(s, sink);
    picture_rule(sink, Rule::bd_aud, [](const CodecPicture& p) { return !p.delimited; });
}

} // namespace quantaline::check
