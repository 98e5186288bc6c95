#include "check/cadence.h"

#include "mpeg/codes.h"

#include <algorithm>

namespace quantaline::check {

namespace {

// A picture in display order, with what its fields are.
struct Shown {
    std::uint64_t index = 0;
    std::uint16_t temporal_reference = 0;
    bool interlaced = false; // an MPEG-2 picture of an interlaced sequence, flags read
    bool frame = false;
    bool top_first = false; // its first field is the top one
    bool top_last = false;  // its last field is the top one
    bool repeat_first_field = false;
    bool progressive = false; // shown as a progressive frame
};

Shown shown(const mpeg::PictureRecord& p, const mpeg::SequenceParameters* s) {
    Shown out;
    out.index = p.index;
    out.temporal_reference = p.temporal_reference;
    const bool mpeg2 = s != nullptr && s->mpeg2;
    out.interlaced = mpeg2 && !s->progressive_sequence && p.flags.coding_extension;
    out.frame = p.picture_structure == mpeg::frame_picture;
    out.repeat_first_field = p.flags.repeat_first_field;
    out.progressive = !mpeg2 || s->progressive_sequence ||
                      (p.flags.progressive_frame && !p.flags.repeat_first_field);
    if (out.frame) {
        out.top_first = p.flags.top_field_first;
        // Three fields end on the first one's parity, two on the other.
        out.top_last = p.fields == 3 ? out.top_first : !out.top_first;
    } else {
        out.top_first = out.top_last = p.picture_structure == mpeg::top_field;
    }
    return out;
}

// The pictures in display order: by temporal_reference within each group of pictures.
std::vector<Shown> display_order(const mpeg::ScanResult& result) {
    std::vector<Shown> pictures;
    pictures.reserve(result.picture_records.size());
    std::size_t sequence = 0;
    std::size_t group_start = 0;
    for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
        const mpeg::PictureRecord& p = result.picture_records[i];
        while (sequence < result.sequences.size() &&
               result.sequences[sequence].first_picture <= p.index) {
            ++sequence;
        }
        if (p.flags.after_group) {
            std::stable_sort(pictures.begin() + static_cast<std::ptrdiff_t>(group_start),
                             pictures.end(), [](const Shown& a, const Shown& b) {
                                 return a.temporal_reference < b.temporal_reference;
                             });
            group_start = pictures.size();
        }
        pictures.push_back(shown(p, sequence == 0 ? nullptr : &result.sequences[sequence - 1]));
    }
    std::stable_sort(
        pictures.begin() + static_cast<std::ptrdiff_t>(group_start), pictures.end(),
        [](const Shown& a, const Shown& b) { return a.temporal_reference < b.temporal_reference; });
    return pictures;
}

std::string pattern_of(const std::vector<Shown>& pictures, bool& telecine) {
    std::uint64_t pairs = 0, pulldown = 0, frames = 0, progressive = 0, top = 0, bottom = 0;
    std::uint64_t shown_frames = 0; // frame pictures and the first field of each pair
    bool pair_open = false;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Shown& p = pictures[i];
        if (p.frame) {
            ++frames;
            progressive += p.progressive ? 1 : 0;
            pair_open = false;
        } else {
            pair_open = !pair_open;
            if (!pair_open) {
                continue;
            }
        }
        ++shown_frames;
        top += p.interlaced && !p.repeat_first_field && p.top_first ? 1 : 0;
        bottom += p.interlaced && !p.repeat_first_field && !p.top_first ? 1 : 0;
        if (i == 0 || !p.frame || !pictures[i - 1].frame || !p.interlaced) {
            continue;
        }
        // Soft telecine: repeat_first_field every other picture, the first field taking the
        // parity the repeated field leaves.
        const Shown& before = pictures[i - 1];
        ++pairs;
        pulldown += p.repeat_first_field != before.repeat_first_field &&
                            p.top_first == (before.top_first != before.repeat_first_field)
                        ? 1
                        : 0;
    }
    telecine =
        pairs > 0 && static_cast<double>(pulldown) >= pattern_share * static_cast<double>(pairs);
    const double all = static_cast<double>(shown_frames);
    if (telecine) {
        return "3:2";
    }
    if (frames > 0 && progressive == frames && frames == pictures.size()) {
        return "progressive";
    }
    if (static_cast<double>(top) >= pattern_share * all) {
        return "interlaced TFF";
    }
    if (static_cast<double>(bottom) >= pattern_share * all) {
        return "interlaced BFF";
    }
    return "irregular";
}

} // namespace

Cadence read_cadence(const mpeg::ScanResult& result) {
    Cadence cadence;
    const std::vector<Shown> pictures = display_order(result);
    if (pictures.empty()) {
        return cadence;
    }
    for (std::size_t i = 1; i < pictures.size(); ++i) {
        const Shown& p = pictures[i];
        const Shown& before = pictures[i - 1];
        if (p.interlaced && before.interlaced && p.top_first == before.top_last) {
            cadence.field_order_breaks.push_back(p.index);
        }
    }
    std::sort(cadence.field_order_breaks.begin(), cadence.field_order_breaks.end());
    bool telecine = false;
    cadence.pattern = pattern_of(pictures, telecine);
    if (telecine && !result.sequences.empty()) {
        if (const auto rate = mpeg::frame_rate(result.sequences[0])) {
            cadence.frame_rate = *rate * 4 / 5;
        }
    }
    return cadence;
}

} // namespace quantaline::check
