#include "check/timeline.h"

#include "mpeg/timing.h"

#include <algorithm>
#include <cmath>

namespace quantaline::check {

namespace {

// Decoding times from the pictures' fields; nothing when a sequence has no frame rate.
std::vector<double> times_from_fields(const mpeg::ScanResult& result, double& duration) {
    const mpeg::PictureRecords& records = result.picture_records;
    std::vector<double> times(records.size(), 0.0);
    if (result.sequences.empty()) {
        return {};
    }
    mpeg::DecodingClock clock;
    std::size_t sequence = 0;
    double now = 0;
    for (std::size_t i = result.sequences[0].first_picture; i < records.size(); ++i) {
        while (sequence + 1 < result.sequences.size() &&
               result.sequences[sequence + 1].first_picture <= i) {
            ++sequence;
        }
        const mpeg::SequenceParameters& s = result.sequences[sequence];
        const std::optional<double> rate = mpeg::frame_rate(s);
        if (!rate) {
            return {};
        }
        times[i] = now;
        const mpeg::PictureRecord& p = records[i];
        now += clock.step_after(p.picture_coding_type, p.picture_structure, p.fields, s.low_delay) /
               (2 * *rate);
    }
    duration = now;
    return times;
}

void count_bits(const mpeg::ScanResult& result, Timeline& timeline) {
    const mpeg::PictureRecords& records = result.picture_records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const mpeg::PictureRecord& p = records[i];
        const double bits = 8.0 * (static_cast<double>(p.bytes) + p.lead_bytes);
        if (i == 0 || p.flags.after_group) {
            timeline.group_starts.push_back(i);
            timeline.group_bits.push_back(0);
        }
        timeline.group_bits.back() += bits;
        if (!timeline.times.empty()) {
            const auto second = static_cast<std::size_t>(std::max(0.0, timeline.times[i]));
            if (second >= timeline.second_bits.size()) {
                timeline.second_bits.resize(second + 1, 0.0);
            }
            timeline.second_bits[second] += bits;
        }
    }
}

} // namespace

Timeline make_timeline(const mpeg::ScanResult& result) {
    Timeline timeline;
    timeline.times = times_from_fields(result, timeline.duration);
    count_bits(result, timeline);
    return timeline;
}

} // namespace quantaline::check
