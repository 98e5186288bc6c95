#include "analysis/video.h"

namespace quantaline {

namespace {

// The containers whose MPEG video mpeg/ reads through the samples they place.
bool places_samples(container::Container container) {
    return container == container::Container::mp4 || container == container::Container::matroska ||
           container == container::Container::avi || container == container::Container::mxf;
}

} // namespace

OpenedVideo open_video(const std::string& path) {
    OpenedVideo video;
    CodecAnalysis codec = analyse_codec_file(path);
    if (is_codec_read_here(codec.codec)) {
        video.codec = std::move(codec);
        return video;
    }
    if (places_samples(codec.container)) {
        video.layout = container::mpeg_sample_layout(path);
    }
    video.mpeg = analyse_file(path, video.layout);
    return video;
}

std::optional<mpeg::Layout> mpeg_layout(const std::string& path) {
    // Nothing for any other file: its first bytes tell.
    return container::mpeg_sample_layout(path);
}

container::Codec video_codec(const std::string& path) {
    return container::read_video_configuration(path).codec;
}

} // namespace quantaline
