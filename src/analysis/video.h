#pragma once

// What a file holds, decided once: its container and its codec (from its first bytes and,
// for a multiplex, its tables), then its first configuration read by that codec's reader.
// Every command and the window start here; nothing else tells a file's format.

#include "analysis/analysis.h"
#include "analysis/codec_matrices.h"

#include <optional>
#include <string>

namespace quantaline {

struct OpenedVideo {
    // MPEG-4 Part 2, H.264 or HEVC: the lists in force for the first picture, resolved.
    std::optional<CodecAnalysis> codec;
    // Any other file, read as MPEG-1 or MPEG-2: the first-header analysis.
    std::optional<AnalysisResult> mpeg;
    // An MPEG-1 or MPEG-2 video in a container that places its samples (MP4, Matroska,
    // AVI, MXF): how mpeg/'s reads (the whole stream, a picture's macroblocks) take it.
    std::optional<mpeg::Layout> layout;
};

OpenedVideo open_video(const std::string& path);

// The codec open_video() decides, for the readers that need only that (the whole-stream
// scans choose their reader by it): MPEG-4 Part 2, H.264 or HEVC, else MPEG-1 or MPEG-2
// (unknown when the file is no video read here).
container::Codec video_codec(const std::string& path);

// The layout of open_video() alone, for the whole-stream reads of an MPEG file.
std::optional<mpeg::Layout> mpeg_layout(const std::string& path);

} // namespace quantaline
