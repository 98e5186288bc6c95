#include "check/buffer_model.h"

#include <algorithm>

namespace quantaline::check {

namespace {

constexpr double vbv_delay_clock = 90000;
constexpr double bit_rate_unit = 400;
constexpr double buffer_size_unit = 16384;

// One picture as the model reads it, bits counted from its first chunk's first byte.
struct Input {
    std::uint64_t index = 0;
    double start_code_bits = 0; // where its picture start code lies
    double chunk_start_bits = 0;
    double chunk_bits = 0;
    double decode_offset = 0; // its decoding time after the first picture's
    double bit_rate = 0;
    double buffer_size = 0;
    bool low_delay = false;
    std::uint16_t vbv_delay = 0;
};

// The inputs of the pictures after the first sequence header; nothing when one of their
// sequences cannot be modelled.
std::optional<std::vector<Input>> model_inputs(const mpeg::ScanResult& result,
                                               std::uint64_t first) {
    std::vector<Input> inputs;
    inputs.reserve(result.picture_records.size() - first);
    std::size_t sequence = 0;
    std::size_t tail = 0;
    double position = 0; // chunk start of the picture, in bytes
    double decode_offset = 0;
    mpeg::DecodingClock clock;
    for (std::size_t i = first; i < result.picture_records.size(); ++i) {
        const mpeg::PictureRecord& p = result.picture_records[i];
        while (sequence + 1 < result.sequences.size() &&
               result.sequences[sequence + 1].first_picture <= p.index) {
            ++sequence;
        }
        const mpeg::SequenceParameters& s = result.sequences[sequence];
        const std::optional<double> rate = mpeg::frame_rate(s);
        if (!rate || s.bit_rate == 0 || s.vbv_buffer_size == 0) {
            return std::nullopt;
        }
        while (tail < result.chunk_tails.size() && result.chunk_tails[tail].first < p.index) {
            ++tail;
        }
        double tail_bytes = 0;
        if (tail < result.chunk_tails.size() && result.chunk_tails[tail].first == p.index) {
            tail_bytes = static_cast<double>(result.chunk_tails[tail].second);
        }
        Input in;
        in.index = p.index;
        in.chunk_start_bits = 8 * position;
        in.start_code_bits = 8 * (position + p.lead_bytes);
        const double chunk_bytes = p.lead_bytes + static_cast<double>(p.bytes) + tail_bytes;
        in.chunk_bits = 8 * chunk_bytes;
        in.decode_offset = decode_offset;
        in.bit_rate = bit_rate_unit * s.bit_rate;
        in.buffer_size = buffer_size_unit * s.vbv_buffer_size;
        in.low_delay = s.low_delay;
        in.vbv_delay = p.vbv_delay;
        inputs.push_back(in);
        position += chunk_bytes;
        // Field periods are half a frame period.
        decode_offset +=
            clock.step_after(p.picture_coding_type, p.picture_structure, p.fields, s.low_delay) /
            (2 * *rate);
    }
    return inputs;
}

// Every picture start code enters at its decoding time less its vbv_delay; the bits between
// two enter at a constant rate, those after the last at R.
void fill_from_vbv_delay(const std::vector<Input>& in, BufferModel& model) {
    const double t0 = in[0].vbv_delay / vbv_delay_clock;
    std::vector<double> arrival(in.size());
    for (std::size_t n = 0; n < in.size(); ++n) {
        arrival[n] = t0 + in[n].decode_offset - in[n].vbv_delay / vbv_delay_clock;
        if (n > 0) {
            const double bits = in[n].start_code_bits - in[n - 1].start_code_bits;
            const double span = arrival[n] - arrival[n - 1];
            if (span <= 0 || bits / span > rate_tolerance * in[n - 1].bit_rate) {
                model.rate_excesses.push_back(
                    {in[n - 1].index, span > 0 ? std::optional<double>(bits / span) : std::nullopt,
                     in[n - 1].bit_rate});
            }
            // A start code that would enter before the one ahead of it enters with it.
            arrival[n] = std::max(arrival[n], arrival[n - 1]);
        }
    }
    const double total = in.back().chunk_start_bits + in.back().chunk_bits;
    std::size_t j = 0; // the last start code entered by the decoding time
    for (std::size_t n = 0; n < in.size(); ++n) {
        const double t = t0 + in[n].decode_offset;
        while (j + 1 < in.size() && arrival[j + 1] <= t) {
            ++j;
        }
        double entered = 0;
        if (j + 1 < in.size()) {
            const double share = (t - arrival[j]) / (arrival[j + 1] - arrival[j]);
            entered =
                in[j].start_code_bits + share * (in[j + 1].start_code_bits - in[j].start_code_bits);
        } else {
            entered = std::min(total, in[j].start_code_bits + in[j].bit_rate * (t - arrival[j]));
        }
        model.pictures[n].decode_time = t;
        model.pictures[n].occupancy = entered - in[n].chunk_start_bits;
        model.pictures[n].all_entered = entered >= total;
    }
}

// Empty at time 0, the bits enter at R whenever the buffer is not full; the first picture
// is removed when it is first full, or when every bit has entered.
void fill_at_bit_rate(const std::vector<Input>& in, BufferModel& model) {
    const double total = in.back().chunk_start_bits + in.back().chunk_bits;
    const double t0 = std::min(in[0].buffer_size, total) / in[0].bit_rate;
    double entered = std::min(in[0].buffer_size, total);
    double after_removal = 0;
    for (std::size_t n = 0; n < in.size(); ++n) {
        const double t = t0 + in[n].decode_offset;
        double occupancy = entered;
        if (n > 0) {
            const double room = in[n].buffer_size - after_removal;
            const double flow = in[n].bit_rate * (t - model.pictures[n - 1].decode_time);
            const double added = std::max(0.0, std::min({flow, room, total - entered}));
            entered += added;
            occupancy = after_removal + added;
        }
        model.pictures[n].decode_time = t;
        model.pictures[n].occupancy = occupancy;
        model.pictures[n].all_entered = entered >= total;
        after_removal = occupancy - in[n].chunk_bits;
    }
}

} // namespace

BufferModel model_buffer(const mpeg::ScanResult& result) {
    BufferModel model;
    if (result.sequences.empty() ||
        result.sequences[0].first_picture >= result.picture_records.size()) {
        return model;
    }
    model.first_picture = result.sequences[0].first_picture;
    model.bit_rate = bit_rate_unit * result.sequences[0].bit_rate;
    model.buffer_size = buffer_size_unit * result.sequences[0].vbv_buffer_size;
    const auto inputs = model_inputs(result, model.first_picture);
    if (!inputs) {
        return model;
    }
    const bool first_unset = (*inputs)[0].vbv_delay == vbv_delay_unset;
    for (const Input& in : *inputs) {
        if ((in.vbv_delay == vbv_delay_unset) != first_unset) {
            model.mixed_picture = in.index;
            break;
        }
    }
    model.pictures.resize(inputs->size());
    if (first_unset || model.mixed_picture) {
        model.mode = BufferMode::fill;
        fill_at_bit_rate(*inputs, model);
    } else {
        model.mode = BufferMode::vbv_delay;
        fill_from_vbv_delay(*inputs, model);
    }
    for (std::size_t n = 0; n < inputs->size(); ++n) {
        PictureBuffer& p = model.pictures[n];
        p.chunk_bits = (*inputs)[n].chunk_bits;
        p.buffer_size = (*inputs)[n].buffer_size;
        p.underflow = !(*inputs)[n].low_delay && p.occupancy + bit_tolerance < p.chunk_bits;
        p.overflow = p.occupancy > p.buffer_size + bit_tolerance;
    }
    return model;
}

} // namespace quantaline::check
