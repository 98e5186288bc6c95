#pragma once

// The per-picture table of an MPEG-4 Part 2, H.264 or HEVC video: one CSV row per picture,
// as `quantaline-cli pictures` prints it, with MPEG-2's columns where they mean the same.

#include "analysis/codec_check.h"
#include "analysis/codec_pictures.h"
#include "container/video_configuration.h"
#include "io/message.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quantaline {

inline constexpr const char* codec_picture_csv_header =
    "file,index,offset,type,nal_type,structure,reference,poc,bytes,list_set,qp_average,qp_min,"
    "qp_max,decode_time,presentation_time,cpb_arrival_start,cpb_arrival_end,cpb_removal,"
    "cpb_fullness\n";

// "IDR" or "non-IDR" (H.264), HEVC's type names ("TRAIL_R", "CRA_NUT", …); nothing for
// MPEG-4 Part 2.
std::string_view codec_nal_type_key(container::Codec codec, std::uint8_t nal_type);
// "frame", "top", "bottom", or "mbaff" for a frame coded with adaptive frame/field macroblocks.
std::string_view codec_structure_key(const CodecPicture& picture);

// The rows of pictures [begin, end), LF-ended, `file` in the first column; a value the
// stream does not give is an empty field. The buffer's columns are `cpb`'s (the check's
// model of the stream's own HRD), empty when it is.
void append_codec_picture_csv_rows(std::string& out, const std::string& file,
                                   container::Codec codec,
                                   const std::vector<CodecPicture>& pictures,
                                   const std::vector<check::CpbPicture>& cpb, std::size_t begin,
                                   std::size_t end);
// The buffer as its own HRD parameters model it, for the pictures' tables.
std::vector<check::CpbPicture> stream_cpb(container::Codec codec,
                                          const std::vector<CodecPicture>& pictures,
                                          const CodecPictureSummary& summary);

// The header and every row, written atomically as the CLI prints them (UTF-8, LF line
// ends). Nothing on success, else the message.
std::optional<Message> write_codec_picture_table(const std::string& path, const std::string& file,
                                                 container::Codec codec,
                                                 const std::vector<CodecPicture>& pictures,
                                                 const CodecPictureSummary& summary);

} // namespace quantaline
