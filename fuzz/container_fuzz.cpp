// Arbitrary bytes through the container readers: MP4, Matroska, AVI, transport and
// elementary streams alike, damaged anywhere.
#include "container/video_configuration.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quantaline::container;
    const std::span<const std::uint8_t> bytes(data, size);
    const VideoConfiguration config = read_video_configuration(bytes);
    // Detection is the reading's own; no error means units; a unit's offset lies in the
    // input and holds the unit's bytes.
    if (config.container != detect_format(bytes).container) {
        std::abort();
    }
    if (config.error == ConfigurationError::none && config.units.empty() &&
        config.codec != Codec::mpeg1 && config.codec != Codec::mpeg2 &&
        config.container != Container::program) {
        std::abort();
    }
    for (const auto& unit : config.units) {
        if (unit.bytes.empty() ||
            (unit.offset && (*unit.offset > size || size - *unit.offset < unit.bytes.size()))) {
            std::abort();
        }
        if (unit.offset && !std::equal(unit.bytes.begin(), unit.bytes.end(), data + *unit.offset)) {
            std::abort();
        }
    }
    return 0;
}
