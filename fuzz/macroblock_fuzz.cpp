// Arbitrary bytes as one picture's bytes through the macroblock layer. The first byte
// chooses the sequence (MPEG-1 or 2, chroma format, a large or small picture); the rest
// follows a picture start code. Every picture is read to its end without a crash or a
// hang; the counts, the figures and the map agree with one another.
#include "mpeg/macroblock.h"

#include <cstdlib>
#include <vector>

namespace {

class Map : public quantaline::mpeg::MacroblockSink {
  public:
    void macroblock(const quantaline::mpeg::MacroblockInfo& info) override {
        ++count;
        if (info.quantiser_scale == 0 || info.quantiser_scale > 112) {
            std::abort();
        }
    }
    std::uint64_t count = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quantaline::mpeg;
    if (size == 0) {
        return 0;
    }
    SequenceContext sequence;
    sequence.mpeg2 = (data[0] & 1) != 0;
    sequence.chroma_format = static_cast<std::uint8_t>(1 + (data[0] >> 1) % 3);
    sequence.progressive_sequence = (data[0] & 8) != 0;
    sequence.horizontal_size = (data[0] & 16) != 0 ? 720 : 48;
    sequence.vertical_size = (data[0] & 32) != 0 ? 3000 : 48;
    std::vector<std::uint8_t> picture = {0x00, 0x00, 0x01, 0x00};
    picture.insert(picture.end(), data + 1, data + size);

    Map map;
    const PictureQuantiser q = picture_quantiser(picture, sequence, &map);
    if (map.count != q.macroblocks() || q.damaged_slices > q.slices ||
        q.first_damage.has_value() != (q.damaged_slices != 0)) {
        std::abort();
    }
    if (q.macroblocks() != 0 && (q.quantiser_min == 0 || q.quantiser_min > q.quantiser_max ||
                                 q.quantiser_average_hundredths() < 100u * q.quantiser_min ||
                                 q.quantiser_average_hundredths() > 100u * q.quantiser_max ||
                                 (!sequence.mpeg2 && q.quantiser_max > 31))) {
        std::abort();
    }
    return 0;
}
