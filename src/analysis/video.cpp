#include "analysis/video.h"

namespace quantaline {

OpenedVideo open_video(const std::string& path) {
    OpenedVideo video;
    if (CodecAnalysis codec = analyse_codec_file(path); is_codec_read_here(codec.codec)) {
        video.codec = std::move(codec);
    } else {
        video.mpeg = analyse_file(path);
    }
    return video;
}

container::Codec video_codec(const std::string& path) {
    return container::read_video_configuration(path).codec;
}

} // namespace quantaline
