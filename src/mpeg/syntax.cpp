#include "mpeg/syntax.h"

#include "mpeg/codes.h"
#include "mpeg/rbsp.h"

namespace quantaline::mpeg {

namespace {

template <class Fields>
Parsed<Fields> finish(const BitReader& r, Fields fields, SyntaxError error) {
    if (r.overrun() && error == SyntaxError::none) {
        error = SyntaxError::truncated;
    }
    return {fields, error};
}

bool extension_identifier_is(BitReader& r, std::uint8_t expected) {
    return r.read(4) == expected;
}

} // namespace

Matrix quantiser_matrix(BitReader& reader) {
    std::array<std::uint8_t, 64> scan_order{};
    reader.read_bytes(scan_order.data(), scan_order.size());
    Matrix raster{};
    for (std::size_t n = 0; n < 64; ++n) {
        raster[zigzag_scan[n]] = scan_order[n];
    }
    return raster;
}

Parsed<SequenceHeader> sequence_header(std::span<const std::uint8_t> bytes) {
    BitReader r(bytes);
    SequenceHeader h;
    SyntaxError error = SyntaxError::none;
    h.horizontal_size_value = field<std::uint16_t>(r, 12);
    h.vertical_size_value = field<std::uint16_t>(r, 12);
    h.aspect_ratio_information = field<std::uint8_t>(r, 4);
    h.frame_rate_code = field<std::uint8_t>(r, 4);
    h.bit_rate_value = field<std::uint32_t>(r, 18);
    marker_bit(r, error);
    h.vbv_buffer_size_value = field<std::uint16_t>(r, 10);
    h.constrained_parameters_flag = r.read_flag();
    h.load_intra_quantiser_matrix = r.read_flag();
    if (h.load_intra_quantiser_matrix) {
        h.intra_quantiser_matrix = quantiser_matrix(r);
    }
    h.load_non_intra_quantiser_matrix = r.read_flag();
    if (h.load_non_intra_quantiser_matrix) {
        h.non_intra_quantiser_matrix = quantiser_matrix(r);
    }
    h.size = r.byte_position();
    return finish(r, h, error);
}

Parsed<SequenceExtension> sequence_extension(std::span<const std::uint8_t> bytes) {
    BitReader r(bytes);
    SequenceExtension e;
    SyntaxError error = SyntaxError::none;
    if (!extension_identifier_is(r, extension_id::sequence)) {
        error = SyntaxError::wrong_extension;
    }
    e.profile_and_level_indication = field<std::uint8_t>(r, 8);
    e.progressive_sequence = r.read_flag();
    e.chroma_format = field<std::uint8_t>(r, 2);
    e.horizontal_size_extension = field<std::uint8_t>(r, 2);
    e.vertical_size_extension = field<std::uint8_t>(r, 2);
    e.bit_rate_extension = field<std::uint16_t>(r, 12);
    marker_bit(r, error);
    e.vbv_buffer_size_extension = field<std::uint8_t>(r, 8);
    e.low_delay = r.read_flag();
    e.frame_rate_extension_n = field<std::uint8_t>(r, 2);
    e.frame_rate_extension_d = field<std::uint8_t>(r, 5);
    return finish(r, e, error);
}

Parsed<SequenceDisplayExtension> sequence_display_extension(std::span<const std::uint8_t> bytes) {
    BitReader r(bytes);
    SequenceDisplayExtension e;
    SyntaxError error = SyntaxError::none;
    if (!extension_identifier_is(r, extension_id::sequence_display)) {
        error = SyntaxError::wrong_extension;
    }
    e.video_format = field<std::uint8_t>(r, 3);
    e.colour_description = r.read_flag();
    if (e.colour_description) {
        e.colour_primaries = field<std::uint8_t>(r, 8);
        e.transfer_characteristics = field<std::uint8_t>(r, 8);
        e.matrix_coefficients = field<std::uint8_t>(r, 8);
    }
    e.display_horizontal_size = field<std::uint16_t>(r, 14);
    marker_bit(r, error);
    e.display_vertical_size = field<std::uint16_t>(r, 14);
    return finish(r, e, error);
}

Parsed<QuantMatrixExtension> quant_matrix_extension(std::span<const std::uint8_t> bytes) {
    BitReader r(bytes);
    QuantMatrixExtension e;
    SyntaxError error = SyntaxError::none;
    if (!extension_identifier_is(r, extension_id::quant_matrix)) {
        error = SyntaxError::wrong_extension;
    }
    e.load_intra_quantiser_matrix = r.read_flag();
    if (e.load_intra_quantiser_matrix) {
        e.intra_quantiser_matrix = quantiser_matrix(r);
    }
    e.load_non_intra_quantiser_matrix = r.read_flag();
    if (e.load_non_intra_quantiser_matrix) {
        e.non_intra_quantiser_matrix = quantiser_matrix(r);
    }
    e.load_chroma_intra_quantiser_matrix = r.read_flag();
    if (e.load_chroma_intra_quantiser_matrix) {
        e.chroma_intra_quantiser_matrix = quantiser_matrix(r);
    }
    e.load_chroma_non_intra_quantiser_matrix = r.read_flag();
    if (e.load_chroma_non_intra_quantiser_matrix) {
        e.chroma_non_intra_quantiser_matrix = quantiser_matrix(r);
    }
    return finish(r, e, error);
}

Parsed<PictureCodingExtension> picture_coding_extension(std::span<const std::uint8_t> bytes) {
    BitReader r(bytes);
    PictureCodingExtension e;
    SyntaxError error = SyntaxError::none;
    if (!extension_identifier_is(r, extension_id::picture_coding)) {
        error = SyntaxError::wrong_extension;
    }
    for (auto& direction : e.f_code) {
        for (auto& code : direction) {
            code = field<std::uint8_t>(r, 4);
        }
    }
    e.intra_dc_precision = field<std::uint8_t>(r, 2);
    e.picture_structure = field<std::uint8_t>(r, 2);
    e.top_field_first = r.read_flag();
    e.frame_pred_frame_dct = r.read_flag();
    e.concealment_motion_vectors = r.read_flag();
    e.q_scale_type = r.read_flag();
    e.intra_vlc_format = r.read_flag();
    e.alternate_scan = r.read_flag();
    e.repeat_first_field = r.read_flag();
    e.chroma_420_type = r.read_flag();
    e.progressive_frame = r.read_flag();
    e.composite_display_flag = r.read_flag();
    if (e.composite_display_flag) {
        r.skip(1 + 3 + 1 + 7 + 8); // v_axis .. sub_carrier_phase
    }
    return finish(r, e, error);
}

Parsed<GroupOfPicturesHeader> group_of_pictures_header(std::span<const std::uint8_t> bytes) {
    BitReader r(bytes);
    GroupOfPicturesHeader g;
    SyntaxError error = SyntaxError::none;
    // time_code: 25 bits
    g.drop_frame_flag = r.read_flag();
    g.time_code_hours = field<std::uint8_t>(r, 5);
    g.time_code_minutes = field<std::uint8_t>(r, 6);
    marker_bit(r, error);
    g.time_code_seconds = field<std::uint8_t>(r, 6);
    g.time_code_pictures = field<std::uint8_t>(r, 6);
    g.closed_gop = r.read_flag();
    g.broken_link = r.read_flag();
    return finish(r, g, error);
}

Parsed<PictureHeader> picture_header(std::span<const std::uint8_t> bytes) {
    BitReader r(bytes);
    PictureHeader p;
    p.temporal_reference = field<std::uint16_t>(r, 10);
    p.picture_coding_type = field<std::uint8_t>(r, 3);
    p.vbv_delay = field<std::uint16_t>(r, 16);
    // P and B pictures carry their forward vector codes, B pictures the backward ones too.
    if (p.picture_coding_type == predictive_coded ||
        p.picture_coding_type == bidirectionally_predictive_coded) {
        p.full_pel_forward_vector = r.read_flag();
        p.forward_f_code = field<std::uint8_t>(r, 3);
    }
    if (p.picture_coding_type == bidirectionally_predictive_coded) {
        p.full_pel_backward_vector = r.read_flag();
        p.backward_f_code = field<std::uint8_t>(r, 3);
    }
    // extra_bit_picture and extra_information_picture follow; they carry nothing here.
    return finish(r, p, SyntaxError::none);
}

} // namespace quantaline::mpeg
