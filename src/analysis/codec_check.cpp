#include "analysis/codec_check.h"

#include "check/texts.h"
#include "io/text.h"

#include <algorithm>
#include <cmath>

namespace quantaline::check {

namespace {

using container::Codec;

constexpr double ticks_90khz = 90000.0;

struct Schedule {
    double rate = 0;
    double size = 0;
    bool cbr = false;
};

std::optional<Schedule> schedule_of(const CodecSequence& sequence, const CpbOptions& options) {
    const auto& list = options.vcl ? sequence.vcl : sequence.nal;
    if (options.schedule >= list.size() || list[options.schedule].bit_rate == 0) {
        return std::nullopt;
    }
    const CodecHrdSchedule& s = list[options.schedule];
    return Schedule{static_cast<double>(s.bit_rate), static_cast<double>(s.cpb_size), s.cbr};
}

const CodecSequence* sequence_of(const CodecPictureSummary& summary, const CodecPicture& p) {
    return p.sequence != 0 && p.sequence <= summary.sequences.size()
               ? &summary.sequences[p.sequence - 1]
               : nullptr;
}

std::optional<std::uint64_t> gop_of(const CodecPictureSummary& summary, std::uint64_t picture) {
    const auto after = std::upper_bound(
        summary.gops.begin(), summary.gops.end(), picture,
        [](std::uint64_t index, const CodecGop& gop) { return index < gop.first_picture; });
    if (after == summary.gops.begin()) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(after - summary.gops.begin() - 1);
}

// Where findings are put: each one placed at its picture, its group and its offset.
struct Place {
    const std::vector<CodecPicture>& pictures;
    const CodecPictureSummary& summary;
    Finding at(Rule rule, std::optional<std::uint64_t> picture) const {
        return finding_at(rule, pictures, summary, picture);
    }
};

// A run of pictures that break one rule: the first of them, how many, the worst value.
struct Run {
    bool open = false;
    std::uint64_t first = 0;
    std::uint64_t count = 0;
    double worst = 0;
    double limit = 0;
};

class Runs {
  public:
    Runs(const Place& place, Rule rule, std::vector<Finding>& findings, bool higher_is_worse)
        : place_(place), rule_(rule), findings_(findings), higher_(higher_is_worse) {}
    void picture(std::uint64_t index, bool broken, double found, double limit) {
        if (broken) {
            if (!run_.open) {
                run_ = {true, index, 0, found, limit};
            }
            ++run_.count;
            ++total;
            if (higher_ ? found > run_.worst : found < run_.worst) {
                run_.worst = found;
                run_.limit = limit;
            }
        } else {
            end();
        }
    }
    void end() {
        if (run_.open) {
            Finding f = place_.at(rule_, run_.first);
            f.pictures = run_.count;
            f.found = run_.worst;
            f.limit = run_.limit;
            findings_.push_back(f);
        }
        run_ = {};
    }
    std::uint64_t total = 0;

  private:
    const Place& place_;
    Rule rule_;
    std::vector<Finding>& findings_;
    bool higher_;
    Run run_;
};

// The bits, in the buffer's sense, of each picture.
double bits_of(const CodecPicture& p, bool vcl) {
    return 8.0 * static_cast<double>(vcl ? p.vcl_bytes : p.nal_bytes);
}

// A buffering period's initial delay and offset, within the bounds the buffer's size and
// rate set; the sum's change within a coded video sequence said.
struct Period {
    std::uint32_t delay = 0;
    std::uint32_t offset = 0;
    std::optional<std::uint64_t> sequence_sum; // delay + offset since the last IDR/IRAP
};

// Past the first buffering period the delay must fit the gap between the last bit of the
// picture before and this one's removal, t_g: at most its ceiling (VBR), between its floor
// and its ceiling (CBR). `gap` is t_g in 90 kHz ticks, negative for the first period.
void check_period(const Place& place, std::uint64_t k, const Schedule& s, Period& period,
                  bool sequence_start, double gap, CodecCheckResult& r) {
    const double bound = ticks_90khz * s.size / s.rate;
    const double sum = static_cast<double>(period.delay) + period.offset;
    const double delay = period.delay;
    Finding f = place.at(Rule::cpb_initial_delay, k);
    f.found = delay;
    if (delay == 0 || delay > bound + 1e-9) {
        f.limit = std::floor(bound);
    } else if (!s.cbr && sum > bound + 1e-9) {
        f.found = sum;
        f.limit = std::floor(bound);
    } else if (gap >= 0 &&
               (delay > std::ceil(gap - 1e-6) || (s.cbr && delay < std::floor(gap + 1e-6)))) {
        f.limit = delay > gap ? std::ceil(gap - 1e-6) : std::floor(gap + 1e-6);
    }
    if (!std::holds_alternative<std::monostate>(f.limit)) {
        r.findings.push_back(f);
    }
    const std::uint64_t whole = std::uint64_t{period.delay} + period.offset;
    if (sequence_start || !period.sequence_sum) {
        period.sequence_sum = whole;
    } else if (*period.sequence_sum != whole) {
        Finding note = place.at(Rule::cpb_delay_changed, k);
        note.found = static_cast<double>(whole);
        note.limit = static_cast<double>(*period.sequence_sum);
        r.notes.push_back(note);
        period.sequence_sum = whole;
    }
}

bool begins_sequence(Codec codec, const CodecPicture& p) {
    return p.random_access &&
           (codec == Codec::hevc ? p.nal_type >= 16 && p.nal_type <= 21 : p.nal_type == 5);
}

// The removal and arrival times of every picture from the HRD and the SEI. False when the
// stream gives neither the HRD nor a first buffering period.
bool hrd_times(Codec codec, const std::vector<CodecPicture>& pictures,
               const CodecPictureSummary& summary, const CpbOptions& options,
               std::vector<Schedule>& schedules, CodecCheckResult& r) {
    const CodecSequence* sequence = sequence_of(summary, pictures[0]);
    const auto first = sequence != nullptr ? schedule_of(*sequence, options) : std::nullopt;
    if (!first || sequence->tick <= 0 || pictures[0].buffering_period == 0) {
        return false;
    }
    const Place place{pictures, summary};
    Schedule s = *first;
    double tick = sequence->tick;
    double base = 0; // the nominal removal of the last buffering period's picture
    Period period;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        const CodecPicture& p = pictures[k];
        if (const CodecSequence* q = sequence_of(summary, p)) {
            s = schedule_of(*q, options).value_or(s);
            tick = q->tick > 0 ? q->tick : tick;
        }
        const mpeg::BufferingPeriod* bp = nullptr;
        if (p.buffering_period != 0) {
            bp = &summary.buffering_periods[p.buffering_period - 1];
            const auto& delays = options.vcl ? bp->vcl : bp->nal;
            if (options.schedule < delays.size()) {
                period.delay = delays[options.schedule].first;
                period.offset = delays[options.schedule].second;
            } else {
                bp = nullptr;
            }
        }
        double removal = period.delay / ticks_90khz;
        if (k > 0) {
            const double previous = r.cpb[k - 1].removal;
            const double next = previous + tick * std::max<std::uint32_t>(p.ticks, 1);
            removal = bp != nullptr && bp->concatenation_flag
                          ? previous + tick * bp->au_cpb_removal_delay_delta
                      : p.cpb_removal_delay ? base + tick * *p.cpb_removal_delay
                                            : next;
            // Two encodes joined: the second's first period counts its delay from its own
            // start, before the pictures of the first. Its clock goes on from theirs; its
            // initial delay is then judged against the gap it finds.
            if (bp != nullptr && removal <= previous) {
                removal = next;
            }
        }
        base = bp != nullptr || k == 0 ? removal : base;
        if (bp != nullptr) {
            const double gap = k > 0 ? ticks_90khz * (removal - r.cpb[k - 1].arrival_end) : -1.0;
            check_period(place, k, s, period, begins_sequence(codec, p), gap, r);
        }
        double start = 0;
        if (k > 0) {
            const double earliest =
                removal -
                (bp != nullptr ? period.delay : period.delay + period.offset) / ticks_90khz;
            start = s.cbr ? r.cpb[k - 1].arrival_end : std::max(r.cpb[k - 1].arrival_end, earliest);
        }
        r.cpb[k] = {start, start + bits_of(p, options.vcl) / s.rate, removal, 0};
        schedules[k] = s;
    }
    return true;
}

// Under fixed_frame_rate_flag the output times (removal + dpb_output_delay ticks) step, in
// output order, by each picture's own duration (its fields under pic_struct, two for a
// frame, one for a field). H.264 only: HEVC's step is its elemental duration, not read.
// Each run of pictures that steps otherwise is a note, in ticks.
void check_output_intervals(const std::vector<CodecPicture>& pictures,
                            const CodecPictureSummary& summary, CodecCheckResult& r) {
    struct Output {
        double time;
        std::size_t picture;
    };
    std::vector<Output> outputs;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        const CodecSequence* q = sequence_of(summary, pictures[k]);
        if (q == nullptr || !q->fixed_frame_rate || q->tick <= 0 || !pictures[k].dpb_output_delay) {
            continue;
        }
        outputs.push_back({r.cpb[k].removal + q->tick * *pictures[k].dpb_output_delay, k});
    }
    std::stable_sort(outputs.begin(), outputs.end(),
                     [](const Output& a, const Output& b) { return a.time < b.time; });
    const Place place{pictures, summary};
    Runs steps(place, Rule::output_interval, r.notes, true);
    for (std::size_t i = 1; i < outputs.size(); ++i) {
        const CodecPicture& p = pictures[outputs[i - 1].picture];
        const double tick = sequence_of(summary, p)->tick;
        const double step = (outputs[i].time - outputs[i - 1].time) / tick;
        const double expected = p.ticks != 0 ? p.ticks : 2.0;
        steps.picture(outputs[i - 1].picture, std::abs(step - expected) > 0.01,
                      std::round(step * 100) / 100, expected);
    }
    steps.end();
}

// Without HRD parameters: --rate and --buffer, the first picture removed once the buffer
// would be full, the others at their decoding times.
bool option_times(const std::vector<CodecPicture>& pictures, const CpbOptions& options,
                  std::vector<Schedule>& schedules, CodecCheckResult& r) {
    if (!options.rate || !options.buffer || *options.rate <= 0 || !pictures[0].decode_time) {
        return false;
    }
    const Schedule s{*options.rate, *options.buffer, options.cbr};
    const double delay = s.size / s.rate;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        const double removal =
            delay + pictures[k].decode_time.value_or(0) - *pictures[0].decode_time;
        const double start = k == 0  ? 0
                             : s.cbr ? r.cpb[k - 1].arrival_end
                                     : std::max(r.cpb[k - 1].arrival_end, removal - delay);
        r.cpb[k] = {start, start + bits_of(pictures[k], options.vcl) / s.rate, removal, 0};
        schedules[k] = s;
    }
    return true;
}

// The bits in the buffer just before each removal; the pictures not all there at their
// removal, and those that found the buffer over its size.
void fill_and_judge(const std::vector<CodecPicture>& pictures, const CodecPictureSummary& summary,
                    const std::vector<Schedule>& schedules, bool vcl, CodecCheckResult& r) {
    const Place place{pictures, summary};
    Runs underflows(place, Rule::cpb_underflow, r.findings, true);
    Runs overflows(place, Rule::cpb_overflow, r.findings, true);
    std::size_t arriving = 0;
    double arrived = 0;
    double removed = 0;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        CpbPicture& c = r.cpb[k];
        while (arriving < pictures.size() && r.cpb[arriving].arrival_end <= c.removal) {
            arrived += bits_of(pictures[arriving++], vcl);
        }
        double partial = 0;
        if (arriving < pictures.size() && r.cpb[arriving].arrival_start < c.removal) {
            partial =
                std::min(bits_of(pictures[arriving], vcl),
                         (c.removal - r.cpb[arriving].arrival_start) * schedules[arriving].rate);
        }
        c.fullness = arrived + partial - removed;
        c.buffer_size = schedules[k].size;
        c.underflow = c.arrival_end > c.removal + 1e-7;
        c.overflow = c.fullness > schedules[k].size + 1;
        underflows.picture(k, c.underflow, c.arrival_end, c.removal);
        overflows.picture(k, c.overflow, c.fullness, schedules[k].size);
        removed += bits_of(pictures[k], vcl);
    }
    underflows.end();
    overflows.end();
    r.underflow_pictures = underflows.total;
    r.overflow_pictures = overflows.total;
}

} // namespace

Finding finding_at(Rule rule, const std::vector<CodecPicture>& pictures,
                   const CodecPictureSummary& summary, std::optional<std::uint64_t> picture) {
    Finding f;
    f.rule = rule;
    if (picture && *picture < pictures.size()) {
        f.picture = *picture;
        f.gop = gop_of(summary, *picture);
        f.offset = pictures[*picture].offset;
    }
    return f;
}

bool is_codec_profile_name(std::string_view name) {
    return name == "auto" || name == "none" || name == "bluray";
}

// The Blu-ray rules, in bluray_rules.cpp.
bool is_bluray_format(const CodecSequence& sequence);
void check_bluray(const std::vector<CodecPicture>& pictures, const CodecPictureSummary& summary,
                  std::vector<Finding>& findings);

const char* auto_codec_profile(Codec codec, const std::vector<CodecPicture>& pictures,
                               const CodecPictureSummary& summary, bool m2ts) {
    const CodecSequence* first =
        pictures.empty() ? nullptr : sequence_of(summary, pictures.front());
    return codec == Codec::h264 && m2ts && first != nullptr && is_bluray_format(*first) ? "bluray"
                                                                                        : "none";
}

CodecCheckResult check_codec_pictures(Codec codec, const std::vector<CodecPicture>& pictures,
                                      const CodecPictureSummary& summary, std::string_view profile,
                                      const CpbOptions& options) {
    CodecCheckResult r;
    r.vcl = options.vcl;
    const bool bluray =
        codec == Codec::h264 &&
        (profile == "bluray" ||
         (profile == "auto" && std::string_view(auto_codec_profile(codec, pictures, summary,
                                                                   options.m2ts)) == "bluray"));
    r.profile = bluray ? "bluray" : "none";
    r.title = bluray ? "Blu-ray" : "";
    r.profile_chosen_automatically = profile == "auto";
    if (pictures.empty()) {
        return r;
    }
    r.cpb.resize(pictures.size());
    std::vector<Schedule> schedules(pictures.size());
    if (hrd_times(codec, pictures, summary, options, schedules, r)) {
        r.source = CpbSource::hrd;
    } else if (option_times(pictures, options, schedules, r)) {
        r.source = CpbSource::options;
    }
    if (r.source == CpbSource::none) {
        r.cpb.clear();
    } else {
        r.bit_rate = schedules[0].rate;
        r.buffer_size = schedules[0].size;
        r.cbr = schedules[0].cbr;
        fill_and_judge(pictures, summary, schedules, options.vcl, r);
        if (codec == Codec::h264 && r.source == CpbSource::hrd) {
            check_output_intervals(pictures, summary, r);
        }
    }
    if (bluray) {
        check_bluray(pictures, summary, r.findings);
    }
    return r;
}

BufferModel cpb_buffer_model(const CodecCheckResult& result,
                             const std::vector<CodecPicture>& pictures) {
    BufferModel model;
    if (result.cpb.size() != pictures.size() || pictures.empty()) {
        return model;
    }
    model.mode = BufferMode::fill;
    model.bit_rate = result.bit_rate;
    model.buffer_size = result.buffer_size;
    model.pictures.reserve(pictures.size());
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        const CpbPicture& c = result.cpb[k];
        PictureBuffer& p = model.pictures.emplace_back();
        p.decode_time = c.removal;
        p.occupancy = c.fullness;
        p.chunk_bits = bits_of(pictures[k], result.vcl);
        p.buffer_size = c.buffer_size;
        p.underflow = c.underflow;
        p.overflow = c.overflow;
    }
    return model;
}

std::string codec_verdict_text(const CodecCheckResult& result) {
    return verdict_text(result.findings.size(), result.title);
}

const char* cpb_source_key(CpbSource source) {
    switch (source) {
    case CpbSource::hrd:
        return "hrd";
    case CpbSource::options:
        return "options";
    default:
        return "none";
    }
}

std::string cpb_text(const CodecCheckResult& result) {
    if (result.source == CpbSource::none) {
        return tr_text("Check", "Tampon CPB : non modélisé (ni paramètres HRD ni --rate et "
                                "--buffer)");
    }
    const std::string from = result.source == CpbSource::options
                                 ? tr_text("Check", "--rate et --buffer, délai initial "
                                                    "tampon ÷ débit")
                             : result.vcl ? tr_text("Check", "HRD VCL")
                                          : tr_text("Check", "HRD NAL");
    return fill_text(tr_text("Check", "Tampon CPB : %1, %2 bit/s, %3 bits, %4"),
                     {from, number_text(result.bit_rate), number_text(result.buffer_size),
                      result.cbr ? "CBR" : "VBR"});
}

} // namespace quantaline::check
