#include "check/check.h"

#include "mpeg/codes.h"

#include <algorithm>

namespace quantaline::check {

namespace {

constexpr double bit_rate_unit = 400;

// Where each group of pictures begins, by its first picture.
class Groups {
  public:
    explicit Groups(const mpeg::ScanResult& result) {
        for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
            if (result.picture_records[i].flags.after_group) {
                starts_.push_back(i);
            }
        }
    }
    std::optional<std::uint64_t> of(std::uint64_t picture) const {
        const auto after = std::upper_bound(starts_.begin(), starts_.end(), picture);
        if (after == starts_.begin()) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(after - starts_.begin() - 1);
    }
    const std::vector<std::uint64_t>& starts() const { return starts_; }

  private:
    std::vector<std::uint64_t> starts_;
};

struct Context {
    const mpeg::ScanResult& result;
    const Profile& profile;
    const Groups& groups;
    std::vector<Finding>& findings;

    Finding& add(Rule rule, std::uint64_t picture, Value found = {}, Value limit = {}) {
        Finding f;
        f.rule = rule;
        f.picture = picture;
        f.gop = groups.of(picture);
        if (picture < result.picture_records.size()) {
            f.offset = result.picture_records[picture].offset;
        }
        f.found = std::move(found);
        f.limit = std::move(limit);
        findings.push_back(std::move(f));
        return findings.back();
    }
};

const Format* format_of(const Profile& profile, const mpeg::SequenceParameters& s) {
    for (const Format& f : profile.formats) {
        if (f.mpeg2 == s.mpeg2 && f.width == s.horizontal_size && f.height == s.vertical_size) {
            return &f;
        }
    }
    return nullptr;
}

std::string size_text(unsigned width, unsigned height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

// The codes whose bit is set, as a finding lists them.
std::vector<Value> codes_of(std::uint16_t bits) {
    std::vector<Value> codes;
    for (unsigned code = 0; code < 16; ++code) {
        if ((bits >> code & 1) != 0) {
            codes.emplace_back(static_cast<double>(code));
        }
    }
    return codes;
}

void check_format(Context& c, const mpeg::SequenceParameters& s) {
    if (c.profile.formats.empty()) {
        return;
    }
    const Format* format = format_of(c.profile, s);
    if (format == nullptr) {
        Finding& f =
            c.add(Rule::resolution, s.first_picture, size_text(s.horizontal_size, s.vertical_size));
        f.meaning = Meaning::resolution;
        for (const Format& admitted : c.profile.formats) {
            const Value size = size_text(admitted.width, admitted.height);
            if (admitted.mpeg2 == s.mpeg2 &&
                std::find(f.allowed.begin(), f.allowed.end(), size) == f.allowed.end()) {
                f.allowed.push_back(size);
            }
        }
        return;
    }
    if (format->frame_rate_codes != 0 && (format->frame_rate_codes >> s.frame_rate_code & 1) == 0) {
        Finding& f =
            c.add(Rule::frame_rate, s.first_picture, static_cast<double>(s.frame_rate_code));
        f.meaning = Meaning::frame_rate;
        f.allowed = codes_of(format->frame_rate_codes);
    }
    if (format->aspect_ratios != 0 &&
        (format->aspect_ratios >> s.aspect_ratio_information & 1) == 0) {
        Finding& f = c.add(Rule::aspect_ratio, s.first_picture,
                           static_cast<double>(s.aspect_ratio_information));
        f.meaning = Meaning::aspect_ratio;
        f.allowed = codes_of(format->aspect_ratios);
    }
}

void check_rates(Context& c, const mpeg::SequenceParameters& s) {
    const Format* format = format_of(c.profile, s);
    const double limit = format != nullptr && format->max_bit_rate != 0 ? format->max_bit_rate
                                                                        : c.profile.max_bit_rate;
    const double rate = bit_rate_unit * s.bit_rate;
    if (limit != 0 && (c.profile.exact_bit_rate ? rate != limit : rate > limit)) {
        c.add(Rule::bit_rate, s.first_picture, rate, limit);
    }
    if (c.profile.max_vbv_buffer_size != 0 && s.vbv_buffer_size > c.profile.max_vbv_buffer_size) {
        c.add(Rule::vbv_buffer_size, s.first_picture, static_cast<double>(s.vbv_buffer_size),
              static_cast<double>(c.profile.max_vbv_buffer_size));
    }
}

// main_profile_main_level: no escape.
constexpr std::uint8_t main_profile_at_main_level =
    mpeg::profile_and_level(mpeg::main_profile, mpeg::main_level);

void check_sequence(Context& c, const mpeg::SequenceParameters& s) {
    check_format(c, s);
    check_rates(c, s);
    if (c.profile.no_low_delay && s.low_delay) {
        c.add(Rule::low_delay, s.first_picture, 1.0, 0.0);
    }
    if (c.profile.main_profile_main_level && s.mpeg2 &&
        s.profile_and_level_indication != main_profile_at_main_level) {
        Finding& f = c.add(Rule::profile_level, s.first_picture,
                           static_cast<double>(s.profile_and_level_indication),
                           static_cast<double>(main_profile_at_main_level));
        f.meaning = Meaning::profile_level;
        f.allowed = {f.limit};
    }
    if (c.profile.chroma_420 && s.mpeg2 && s.chroma_format != mpeg::chroma_420) {
        Finding& f = c.add(Rule::chroma_format, s.first_picture,
                           static_cast<double>(s.chroma_format), double{mpeg::chroma_420});
        f.meaning = Meaning::chroma_format;
        f.allowed = {f.limit};
    }
}

void fix_sequence_offsets(std::vector<Finding>& findings, std::size_t from,
                          const mpeg::SequenceParameters& s) {
    for (std::size_t i = from; i < findings.size(); ++i) {
        findings[i].offset = s.offset;
    }
}

// The frames a group codes (a field counts half) against the profile's length.
void check_groups(Context& c) {
    const auto& records = c.result.picture_records;
    const auto& starts = c.groups.starts();
    std::size_t sequence = 0;
    for (std::size_t g = 0; g < starts.size(); ++g) {
        const std::uint64_t first = starts[g];
        const std::uint64_t end = g + 1 < starts.size() ? starts[g + 1] : records.size();
        const mpeg::PictureRecord& head = records[first];
        if (g == 0 && c.profile.first_gop_closed && !head.flags.closed_gop) {
            c.add(Rule::first_gop_open, first).pictures = end - first;
        }
        if (c.profile.sequence_header_every_gop && !head.flags.after_sequence_header) {
            c.add(Rule::sequence_header, first).pictures = end - first;
        }
        while (sequence + 1 < c.result.sequences.size() &&
               c.result.sequences[sequence + 1].first_picture <= first) {
            ++sequence;
        }
        if (c.result.sequences.empty()) {
            continue;
        }
        const std::uint8_t code = c.result.sequences[sequence].frame_rate_code;
        const std::uint8_t limit = code == mpeg::frame_rate_25      ? c.profile.gop_frames_25
                                   : code == mpeg::frame_rate_29_97 ? c.profile.gop_frames_30
                                                                    : 0;
        double frames = 0;
        for (std::uint64_t i = first; i < end; ++i) {
            frames += records[i].picture_structure == mpeg::frame_picture ? 1.0 : 0.5;
        }
        if (limit != 0 && frames > limit) {
            c.add(Rule::gop_length, first, frames, static_cast<double>(limit)).pictures =
                end - first;
        }
    }
}

// Consecutive pictures for which `bad` holds: one finding each run, with the worst value.
template <class Bad, class Worse, class Values>
void runs(Context& c, Rule rule, std::uint64_t first, std::uint64_t count, Bad bad, Worse worse,
          Values values) {
    // The run under way, from `start`; a plain flag rather than an optional, which GCC's
    // flow analysis takes for unset under some optimisations.
    bool in_run = false;
    std::uint64_t start = 0;
    std::uint64_t worst = 0;
    for (std::uint64_t i = first; i <= first + count; ++i) {
        const bool is_bad = i < first + count && bad(i);
        if (is_bad && !in_run) {
            in_run = true;
            start = i;
            worst = i;
        } else if (is_bad && worse(i, worst)) {
            worst = i;
        }
        if (!is_bad && in_run) {
            const auto [found, limit] = values(worst);
            c.add(rule, start, found, limit).pictures = i - start;
            in_run = false;
        }
    }
}

void check_buffer(Context& c, const BufferModel& m, BufferSummary& summary) {
    const std::uint64_t first = m.first_picture;
    const std::uint64_t count = m.pictures.size();
    const auto p = [&](std::uint64_t i) -> const PictureBuffer& { return m.pictures[i - first]; };
    const auto margin = [&](std::uint64_t i) { return p(i).occupancy - p(i).chunk_bits; };
    runs(
        c, Rule::vbv_underflow, first, count, [&](std::uint64_t i) { return p(i).underflow; },
        [&](std::uint64_t i, std::uint64_t w) { return margin(i) < margin(w); },
        [&](std::uint64_t w) {
            return std::pair<Value, Value>{p(w).occupancy, p(w).chunk_bits};
        });
    runs(
        c, Rule::vbv_overflow, first, count, [&](std::uint64_t i) { return p(i).overflow; },
        [&](std::uint64_t i, std::uint64_t w) { return p(i).occupancy > p(w).occupancy; },
        [&](std::uint64_t w) {
            return std::pair<Value, Value>{p(w).occupancy, p(w).buffer_size};
        });
    for (std::uint64_t i = first; i < first + count; ++i) {
        if (p(i).underflow && summary.underflow_pictures++ == 0) {
            summary.first_underflow = i;
        }
        if (p(i).overflow && summary.overflow_pictures++ == 0) {
            summary.first_overflow = i;
        }
        if (!p(i).all_entered && (!summary.least_margin || margin(i) < *summary.least_margin)) {
            summary.least_margin = margin(i);
            summary.least_margin_picture = i;
        }
    }
}

void check_rate_excesses(Context& c, const BufferModel& m) {
    const auto& excesses = m.rate_excesses;
    for (std::size_t i = 0; i < excesses.size();) {
        std::size_t end = i + 1;
        while (end < excesses.size() && excesses[end].picture == excesses[end - 1].picture + 1) {
            ++end;
        }
        // The fastest of the run; a start code entering no later than the one before is
        // the fastest of all, with no finite rate.
        Value fastest;
        double best = 0;
        for (std::size_t k = i; k < end; ++k) {
            if (!excesses[k].rate) {
                fastest = {};
                break;
            }
            if (*excesses[k].rate > best) {
                best = *excesses[k].rate;
                fastest = best;
            }
        }
        c.add(Rule::vbv_rate, excesses[i].picture, fastest, excesses[i].bit_rate).pictures =
            end - i;
        i = end;
    }
}

void check_vbv_delays(Context& c, const BufferModel& m) {
    const auto& records = c.result.picture_records;
    if (m.mixed_picture) {
        c.add(Rule::vbv_delay_mixed, *m.mixed_picture,
              static_cast<double>(records[*m.mixed_picture].vbv_delay));
    }
    if (c.profile.max_vbv_delay == 0) {
        return;
    }
    const double limit = c.profile.max_vbv_delay;
    const auto delay = [&](std::uint64_t i) { return records[i].vbv_delay; };
    runs(
        c, Rule::vbv_delay_limit, 0, records.size(),
        [&](std::uint64_t i) { return delay(i) != vbv_delay_unset && delay(i) > limit; },
        [&](std::uint64_t i, std::uint64_t w) { return delay(i) > delay(w); },
        [&](std::uint64_t w) {
            return std::pair<Value, Value>{static_cast<double>(delay(w)), limit};
        });
}

} // namespace

bool is_profile_name(std::string_view name) {
    return name == "auto" || find_profile(name) != nullptr;
}

CheckResult check_stream(const mpeg::ScanResult& result, std::string_view profile_name) {
    CheckResult out;
    const Profile* profile = find_profile(profile_name);
    if (profile == nullptr) {
        out.profile_chosen_automatically = profile_name == "auto";
        profile = result.sequences.empty() || !out.profile_chosen_automatically
                      ? &no_profile()
                      : &auto_profile(result.sequences[0]);
    }
    out.profile = profile;
    const Groups groups(result);
    Context c{result, *profile, groups, out.findings};
    for (const mpeg::SequenceParameters& s : result.sequences) {
        const std::size_t from = out.findings.size();
        check_sequence(c, s);
        fix_sequence_offsets(out.findings, from, s);
    }
    check_groups(c);
    out.buffer = model_buffer(result);
    check_buffer(c, out.buffer, out.summary);
    check_rate_excesses(c, out.buffer);
    check_vbv_delays(c, out.buffer);
    out.cadence = read_cadence(result);
    for (const std::uint64_t picture : out.cadence.field_order_breaks) {
        c.add(Rule::field_order_break, picture).pictures = 1;
    }
    std::stable_sort(out.findings.begin(), out.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.picture < b.picture; });
    return out;
}

} // namespace quantaline::check
