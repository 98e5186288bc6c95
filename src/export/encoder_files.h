#pragma once

// The matrices in force written into the encoders' own matrix files: x264's --cqmfile,
// x265's --scaling-list, and an MPEG-4 visual stream's two 8x8 matrices for the ffmpeg and
// mpeg2enc formats. A file is written only when it makes the encoder use exactly the
// source's matrices: an H.264 source for x264, an HEVC source for x265, an MPEG-4 source
// that quantises with matrices for the 8x8 formats. Anything else is refused with the
// message that says why, rather than converted with lists made up or dropped.

#include "analysis/stream_info.h"
#include "io/message.h"
#include "scaling/h264_matrices.h"
#include "scaling/hevc_matrices.h"
#include "scaling/mpeg4_matrices.h"

#include <optional>
#include <string>

namespace quantaline {

// The text of a file, or the message that says why none is written.
struct EncoderFileText {
    std::string text;
    std::optional<Message> refused;
    bool ok() const { return !refused.has_value(); }
};

// x264's --cqmfile: the name line "INTRA4X4_LUMA =" then the rows of the list, values in
// raster order separated by ", ", every line ending with LF; the six 4x4 lists, the two
// luma 8x8 lists, and for 4:4:4 the four chroma 8x8 lists. A list holding a 0 is refused,
// and so is a source whose Cr lists differ from its Cb ones: x264 takes the Cb lists only.
EncoderFileText x264_cqm_file(const scaling::H264Matrices& matrices);
// HEVC's 16x16 and 32x32 lists have no place in x264's file: refused.
EncoderFileText x264_cqm_file(const scaling::HevcMatrices& matrices);

// x265's --scaling-list: for each size and list the name line then its coded grid (4x4 or
// 8x8) in raster order, and for 16x16 and 32x32 the "_DC" line; LF line endings. The
// 32x32 chroma lists are left out: the decoder takes them from the 16x16 ones, as x265
// does. A list holding a 0 is refused.
EncoderFileText x265_scaling_list_file(const scaling::HevcMatrices& matrices);
// An H.264 source has no 16x16 and 32x32 lists; making them up would change the
// quantisation: refused.
EncoderFileText x265_scaling_list_file(const scaling::H264Matrices& matrices);

// The 8x8 pair of an MPEG-4 visual stream for ffmpeg_options and the mpeg2enc file, or,
// for H.263 quantisation, the message that there is none.
struct Mpeg4MatrixPair {
    QuantMatrixPair matrices{};
    std::optional<Message> refused;
    bool ok() const { return !refused.has_value(); }
};
Mpeg4MatrixPair mpeg4_matrix_pair(const scaling::Mpeg4Matrices& matrices);

} // namespace quantaline
