// Prints the macroblock layer's figures and map of every picture of a file's video, as
// the whole-stream scan hands each picture's bytes over from the demultiplexer of its
// container (elementary, program or transport stream), for check_quantiser.py to hold
// against ffmpeg's decoder:
//
//   picture INDEX TYPE TEMPORAL_REFERENCE STRUCTURE AVERAGE MIN MAX INTRA CODED SKIPPED DAMAGED
//           MPEG (1 or 2) MISSING (macroblocks no slice reached)
//   damage SLICE MACROBLOCKS_READ OFFSET ERROR      after a picture with a damaged slice
//   slice VERTICAL_POSITION FIRST_ADDRESS MACROBLOCKS
//                            one line per slice, in stream order (FIRST_ADDRESS -1 when none
//                            was read)
//   row Q[T] Q[T] ...        one line per macroblock row of the picture (a field's own rows),
//                            T: I intra, C coded, S skipped; 0? where no slice reached
//
//   quantiser_dump FILE
#include "mpeg/macroblock.h"
#include "mpeg/scan.h"
#include "support/messages.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

class Map : public quantaline::mpeg::MacroblockSink {
  public:
    void macroblock(const quantaline::mpeg::MacroblockInfo& info) override {
        if (info.address >= cells.size()) {
            cells.resize(info.address + 1, {0, '?'});
        }
        static constexpr char kinds[] = {'I', 'C', 'S'};
        cells[info.address] = {info.quantiser_scale, kinds[static_cast<int>(info.kind)]};
    }
    void slice(const quantaline::mpeg::SliceInfo& info) override {
        char line[96];
        std::snprintf(line, sizeof line, "slice %u %lld %u\n", info.slice_vertical_position,
                      info.macroblocks != 0 ? static_cast<long long>(info.first_address) : -1LL,
                      info.macroblocks);
        slices += line;
    }
    std::vector<std::pair<int, char>> cells;
    std::string slices;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quantiser_dump FILE\n");
        return 2;
    }
    quantaline::mpeg::ScanControl control;
    control.picture_bytes = [](std::uint64_t index,
                               const quantaline::mpeg::SequenceContext& context,
                               std::span<const std::uint8_t> bytes) {
        Map map;
        const auto q = quantaline::mpeg::picture_quantiser(bytes, context, &map);
        const std::uint32_t average = q.quantiser_average_hundredths();
        std::printf("picture %llu %d %d %d %u.%02u %d %d %u %u %u %u %d %u\n",
                    static_cast<unsigned long long>(index), q.picture_coding_type,
                    q.temporal_reference, q.picture_structure, average / 100, average % 100,
                    q.quantiser_min, q.quantiser_max, q.intra, q.coded, q.skipped, q.damaged_slices,
                    context.mpeg2 ? 2 : 1, q.missing);
        if (q.first_damage) {
            std::printf("damage %u %u %zu %d\n", q.first_damage->slice_vertical_position,
                        q.first_damage->macroblocks_read, q.first_damage->offset,
                        static_cast<int>(q.first_damage->error));
        }
        std::fputs(map.slices.c_str(), stdout);
        const std::uint32_t width = (context.horizontal_size + 15) / 16;
        // Every row of the picture once its height is known, so that rows no slice
        // reached are printed too.
        map.cells.resize(std::max<std::size_t>(map.cells.size(), std::size_t{width} * q.mb_height),
                         {0, '?'});
        for (std::size_t row = 0; width != 0 && row * width < map.cells.size(); ++row) {
            std::printf("row");
            for (std::size_t x = 0; x < width && row * width + x < map.cells.size(); ++x) {
                const auto& cell = map.cells[row * width + x];
                std::printf(" %d%c", cell.first, cell.second);
            }
            std::printf("\n");
        }
    };
    const auto result = quantaline::mpeg::scan_file(argv[1], control);
    for (const auto& message : result.messages) {
        std::fprintf(stderr, "%s: %s\n", french(message).title.c_str(),
                     french(message).text.c_str());
    }
    return 0;
}
