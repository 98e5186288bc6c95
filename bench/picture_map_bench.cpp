// A picture's macroblock map as a click in "Flux complet" reads it: the file's pictures
// read once as the window reads them (their records and where each sequence header lies),
// then the maps of the first, middle and last pictures, each read from the sequence header
// before it. Prints one line per picture: "first MS", "middle MS", "last MS", the best of
// five reads.
//
//   build/bench/picture_map_bench FILE

#include "mpeg/quantiser_pass.h"
#include "mpeg/scan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

using namespace quantaline;

struct Count final : mpeg::MacroblockSink {
    void macroblock(const mpeg::MacroblockInfo&) override { ++macroblocks; }
    std::uint64_t macroblocks = 0;
};

double map_milliseconds(const std::string& path, const mpeg::ScanResult& whole,
                        std::uint64_t index) {
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        const auto begin = std::chrono::steady_clock::now();
        Count count;
        const auto figures = mpeg::read_picture_macroblocks(path, index, count, nullptr,
                                                            mpeg::picture_read_start(whole, index));
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - begin;
        if (!figures) {
            std::fprintf(stderr, "picture %llu could not be read\n",
                         static_cast<unsigned long long>(index));
            return -1;
        }
        best = std::min(best, took.count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: picture_map_bench FILE\n");
        return 2;
    }
    const std::string path = argv[1];
    mpeg::ScanControl control;
    control.picture_records = true;
    const mpeg::ScanResult whole = mpeg::scan_file(path, control);
    const std::uint64_t count = whole.picture_records.size();
    if (count == 0) {
        std::fprintf(stderr, "%s: no picture\n", path.c_str());
        return 1;
    }
    const struct {
        const char* name;
        std::uint64_t index;
    } pictures[] = {{"first", 0}, {"middle", count / 2}, {"last", count - 1}};
    for (const auto& picture : pictures) {
        std::printf("%s %.1f\n", picture.name, map_milliseconds(path, whole, picture.index));
    }
    return 0;
}
