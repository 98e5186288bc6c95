// Arbitrary bytes through the parameter sets of H.264 and HEVC and MPEG-4 visual's video
// object layer: the first byte picks the codec, the rest is cut at its start codes into NAL
// units (or read whole as an MPEG-4 configuration). A result is whole or an error, never
// a list with a 0 in it nor a picture with no size; and what resolves is written into the
// encoders' files whole.
#include "export/encoder_files.h"
#include "mpeg/start_code.h"
#include "scaling/h264_matrices.h"
#include "scaling/hevc_matrices.h"
#include "scaling/mpeg4_matrices.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

using namespace quantaline;

std::vector<std::span<const std::uint8_t>> units_of(std::span<const std::uint8_t> bytes) {
    std::vector<std::span<const std::uint8_t>> units;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t next = mpeg::find_start_code_prefix(bytes.data(), start, bytes.size());
        units.push_back(bytes.subspan(start, next - start));
        start = next + 3;
    }
    return units;
}

// The lines "NAME =" of an encoder's file.
std::size_t name_lines(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find(" =\n"); at != std::string::npos;
         at = text.find(" =\n", at + 1)) {
        ++count;
    }
    return count;
}

template <class Values> bool has_zero(const Values& values, std::size_t count) {
    return std::find(values.begin(), values.begin() + count, 0) != values.begin() + count;
}

void check_h264(std::span<const std::uint8_t> bytes) {
    const auto units = units_of(bytes);
    const auto result = scaling::resolve_h264(units);
    if (!result.ok()) {
        return;
    }
    const auto& m = result.matrices;
    if (m.width == 0 || m.height == 0 || (m.lists_8x8_count != 2 && m.lists_8x8_count != 6)) {
        std::abort();
    }
    for (const auto& list : m.lists_4x4) {
        if (has_zero(list.values, 16)) {
            std::abort();
        }
    }
    for (const auto& list : m.lists_8x8) {
        if (has_zero(list.values, 64)) {
            std::abort();
        }
    }
    // Refused only when Cr's lists are not Cb's.
    const EncoderFileText file = x264_cqm_file(m);
    if (file.ok() ? name_lines(file.text) != 6u + m.lists_8x8_count
                  : file.refused->id != MessageId::x264_file_separate_cr) {
        std::abort();
    }
}

void check_hevc(std::span<const std::uint8_t> bytes) {
    const auto units = units_of(bytes);
    const auto result = scaling::resolve_hevc(units);
    if (!result.ok()) {
        return;
    }
    const auto& m = result.matrices;
    if (m.width == 0 || m.height == 0) {
        std::abort();
    }
    for (int size_id = 0; size_id < 4; ++size_id) {
        for (const auto& list : m.lists[size_id]) {
            if (has_zero(list.values, size_id == 0 ? 16 : 64) || list.dc == 0) {
                std::abort();
            }
        }
    }
    // Six lists of each size but 32x32's two luma lists, and six DC lines.
    const EncoderFileText file = x265_scaling_list_file(m);
    if (!file.ok() || name_lines(file.text) != 28) {
        std::abort();
    }
}

void check_mpeg4(std::span<const std::uint8_t> bytes) {
    const auto result = scaling::resolve_mpeg4(bytes);
    if (!result.ok() || result.matrices.quantisation != scaling::Quantisation::mpeg) {
        return;
    }
    if (has_zero(result.matrices.intra.values, 64) ||
        has_zero(result.matrices.nonintra.values, 64) || !mpeg4_matrix_pair(result.matrices).ok()) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        check_h264(bytes);
        break;
    case 1:
        check_hevc(bytes);
        break;
    default:
        check_mpeg4(bytes);
        break;
    }
    return 0;
}
