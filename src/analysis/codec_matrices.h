#pragma once

// The matrices in force for the first picture of an MPEG-4 Part 2, H.264 or HEVC video,
// whatever carries it: the container's configuration read, the parameter sets resolved as
// the decoder resolves them, every list under one name with where it came from. MPEG-1
// and MPEG-2 files are not read here: analyse_file() reads them. The names of the codecs,
// profiles, chroma formats and lists' sources are in codec_names.cpp.

#include "analysis/codec_header.h"
#include "container/video_configuration.h"
#include "io/message.h"
#include "io/text.h"
#include "scaling/h264_matrices.h"
#include "scaling/hevc_matrices.h"
#include "scaling/mpeg4_matrices.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quantaline {

// One list as the front ends show it: for 4x4 and 8x8 lists all their values; for HEVC's
// 16x16 and 32x32 lists the 8x8 grid that is coded (each value covering 2x2 or 4x4
// coefficients) and the DC value that replaces the first coefficient. Raster order.
struct CodecList {
    std::string key; // "intra_4x4_y", "inter_8x8_cb", "intra_16x16_y", "intra", ...
    int size = 8;    // the list's own size: 4, 8, 16 or 32
    int grid = 8;    // the values' rows and columns: 4 or 8
    std::vector<std::uint8_t> values;
    std::optional<std::uint8_t> dc;
    scaling::ListSource source{};
    std::string reference_key; // the list copied or predicted from, when another list
    // What the key says, for the front ends to pair and name the lists without reading it.
    container::Codec codec = container::Codec::unknown;
    bool intra = true;          // intra (MPEG-4: intra), else inter (non_intra)
    std::uint8_t component = 0; // 0 Y, 1 Cb, 2 Cr (MPEG-4's matrices: 0)
    std::uint8_t at(int row, int column) const {
        return values[static_cast<std::size_t>(row) * static_cast<std::size_t>(grid) +
                      static_cast<std::size_t>(column)];
    }
};

struct CodecAnalysis {
    container::Container container = container::Container::unknown;
    container::Codec codec = container::Codec::unknown;
    std::optional<scaling::H264Matrices> h264;
    std::optional<scaling::HevcMatrices> hevc;
    std::optional<scaling::Mpeg4Matrices> mpeg4;
    // In display order: H.264's six 4x4 then its 8x8 lists; HEVC's by size then by
    // matrix id (the 32x32 chroma lists only for 4:4:4); MPEG-4's intra and non_intra
    // (none with H.263 quantisation).
    std::vector<CodecList> lists;
    // The rest of the sequence header; the pictures a capture held before it.
    CodecHeader header;
    std::uint64_t pictures_before_configuration = 0;
    Messages messages; // why the matrices could not be read; empty when they were
    bool ok() const { return messages.empty(); }
};

// Why a container's reading stopped, as a piece of the messages.
TextId configuration_reason(container::ConfigurationError error);

// MPEG-4 Part 2, H.264 and HEVC: the codecs read here.
bool is_codec_read_here(container::Codec codec);

// The file's first video configuration, read and resolved. When its codec is not one of
// the codecs read here (MPEG-1, MPEG-2, an unknown file), only `container` and `codec`
// are set and the caller reads the file as an MPEG file.
CodecAnalysis analyse_codec_file(const std::string& path);
// The same from a configuration already read.
CodecAnalysis analyse_codec(const container::VideoConfiguration& configuration);

// Texts, in the program's language unless another is asked for (the CLI's JSON keeps
// French, whatever the language).
std::string codec_name(container::Codec codec); // "H.264", "HEVC", "MPEG-4 Part 2"
// "Flux transport H.264", "MP4 HEVC"
std::string codec_stream_type(const CodecAnalysis& result, Language language = text_language());
// The profile and the level apart: "High" and "4.1", "Main 10" and "5.1 (High tier)",
// "Simple" and "L1"; no level when the stream names none.
struct CodecProfile {
    std::string profile;
    std::string level;
};
CodecProfile codec_profile(const CodecAnalysis& result, Language language = text_language());
// "High@4.1", "Main 10@5.1"
std::string codec_profile_text(const CodecAnalysis& result, Language language = text_language());
std::string codec_chroma_text(const CodecAnalysis& result); // "4:2:0"
// "SPS", "SPS, repli A : intra_4x4_y"
std::string list_source_text(const CodecList& list, Language language = text_language());
// The list's rows, values right-aligned in fields of 4, each row ending with LF.
std::string codec_list_grid(const CodecList& list);

// The picture's size as the sequence level gives it (cropped, or inside the conformance
// window); 0 x 0 when the matrices could not be read.
struct CodecPictureSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};
CodecPictureSize codec_picture_size(const CodecAnalysis& result);

// The list named `key`, or none.
const CodecList* find_list(const CodecAnalysis& result, const std::string& key);

} // namespace quantaline
