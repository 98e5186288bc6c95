#include "scaling/mpeg4_matrices.h"

#include "mpeg/start_code.h"

namespace quantaline::scaling {

namespace {

Mpeg4List list_of(bool loaded, const mpeg::Matrix& coded, const mpeg::Matrix& default_matrix) {
    if (loaded) {
        return {coded, {Origin::coded, Level::sequence}};
    }
    return {default_matrix, {Origin::default_list, Level::sequence}};
}

bool video_object_layer_code(std::uint8_t code) {
    return code >= mpeg4::start_code::video_object_layer_first &&
           code <= mpeg4::start_code::video_object_layer_last;
}

} // namespace

Mpeg4Matrices mpeg4_matrices(const mpeg4::VideoObjectLayer& vol) {
    Mpeg4Matrices m;
    m.video_object_type_indication = vol.video_object_type_indication;
    m.video_object_layer_verid = vol.video_object_layer_verid;
    m.chroma_format = vol.chroma_format;
    m.width = vol.video_object_layer_width;
    m.height = vol.video_object_layer_height;
    if (!vol.quant_type) {
        m.intra.source = m.nonintra.source = {Origin::unused, Level::sequence};
        return m;
    }
    m.quantisation = Quantisation::mpeg;
    m.intra =
        list_of(vol.load_intra_quant_mat, vol.intra_quant_mat, mpeg4::default_intra_quant_mat);
    m.nonintra = list_of(vol.load_nonintra_quant_mat, vol.nonintra_quant_mat,
                         mpeg4::default_nonintra_quant_mat);
    return m;
}

Resolved<Mpeg4Matrices> resolve_mpeg4(std::span<const std::uint8_t> configuration) {
    Resolved<Mpeg4Matrices> result;
    const std::uint8_t* data = configuration.data();
    const std::size_t size = configuration.size();
    bool sequence = false;
    std::uint8_t profile_and_level = 0;
    std::uint8_t verid = 1;
    for (std::size_t s = mpeg::find_start_code_prefix(data, 0, size); s + 3 < size;) {
        const std::uint8_t code = data[s + 3];
        const std::size_t next = mpeg::find_start_code_prefix(data, s + 4, size);
        const auto body = configuration.subspan(s + 4, next - (s + 4));
        if (code == mpeg4::start_code::visual_object_sequence) {
            sequence = true;
            profile_and_level =
                mpeg4::visual_object_sequence(body).fields.profile_and_level_indication;
        } else if (code == mpeg4::start_code::visual_object) {
            verid = mpeg4::visual_object(body).fields.visual_object_verid;
        } else if (video_object_layer_code(code)) {
            const auto vol = mpeg4::video_object_layer(body, verid);
            if (!vol.ok()) {
                result.error = ResolveError::damaged_sequence_header;
                result.syntax = vol.error;
                return result;
            }
            if (vol.fields.video_object_layer_shape == mpeg4::shape::binary_only) {
                result.error = ResolveError::unsupported; // a shape without texture
                return result;
            }
            result.matrices = mpeg4_matrices(vol.fields);
            result.matrices.visual_object_sequence = sequence;
            result.matrices.profile_and_level_indication = profile_and_level;
            return result;
        } else if (code == mpeg4::start_code::vop) {
            break; // the pictures begin: the configuration held no layer
        }
        s = next;
    }
    result.error = ResolveError::no_sequence_header;
    return result;
}

} // namespace quantaline::scaling
