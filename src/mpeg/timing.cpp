#include "mpeg/timing.h"

#include "mpeg/codes.h"

namespace quantaline::mpeg {

bool SequenceParameters::same_values(const SequenceParameters& o) const {
    return mpeg2 == o.mpeg2 && horizontal_size == o.horizontal_size &&
           vertical_size == o.vertical_size &&
           aspect_ratio_information == o.aspect_ratio_information &&
           frame_rate_code == o.frame_rate_code &&
           frame_rate_extension_n == o.frame_rate_extension_n &&
           frame_rate_extension_d == o.frame_rate_extension_d && bit_rate == o.bit_rate &&
           vbv_buffer_size == o.vbv_buffer_size &&
           profile_and_level_indication == o.profile_and_level_indication &&
           chroma_format == o.chroma_format && progressive_sequence == o.progressive_sequence &&
           low_delay == o.low_delay;
}

std::optional<double> frame_rate(const SequenceParameters& s) {
    return s.mpeg2 ? frames_per_second(s.frame_rate_code, s.frame_rate_extension_n,
                                       s.frame_rate_extension_d)
                   : frames_per_second(s.frame_rate_code);
}

std::uint8_t picture_fields(bool mpeg2, bool progressive_sequence, std::uint8_t picture_structure,
                            bool top_field_first, bool repeat_first_field) {
    if (!mpeg2) {
        return 2;
    }
    if (picture_structure != frame_picture) {
        return 1;
    }
    if (!progressive_sequence) {
        return repeat_first_field ? 3 : 2;
    }
    if (!repeat_first_field) {
        return 2;
    }
    return top_field_first ? 6 : 4;
}

std::uint8_t DecodingClock::frame_step(std::uint8_t picture_coding_type, std::uint8_t fields,
                                       bool low_delay) {
    if (picture_coding_type == bidirectionally_predictive_coded || low_delay) {
        return fields;
    }
    // An I or P picture is shown when the next one is decoded: meanwhile the previous one
    // is on screen.
    const std::uint8_t step = anchor_fields_.value_or(fields);
    anchor_fields_ = fields;
    return step;
}

std::uint8_t DecodingClock::step_after(std::uint8_t picture_coding_type,
                                       std::uint8_t picture_structure, std::uint8_t fields,
                                       bool low_delay) {
    constexpr std::uint8_t frame_fields = 2;
    if (picture_structure == frame_picture || picture_structure == 0) {
        second_field_next_ = false;
        return frame_step(picture_coding_type, fields, low_delay);
    }
    if (!second_field_next_) {
        second_field_next_ = true;
        return 1;
    }
    second_field_next_ = false;
    const bool first_frame =
        !anchor_fields_ && picture_coding_type != bidirectionally_predictive_coded && !low_delay;
    const std::uint8_t step = frame_step(picture_coding_type, frame_fields, low_delay);
    return first_frame ? step : static_cast<std::uint8_t>(step - 1);
}

} // namespace quantaline::mpeg
