// The picture graph of the "Flux complet" window drawn at a million pictures: one frame
// into a 1200 x 300 image, zoomed out, at a third of the stream and at 20 pictures, and
// the pyramid of maxima built once per stream. Runs on the offscreen platform.
//
//   QT_QPA_PLATFORM=offscreen build/bench/graph_bench

#include "ui/picture_graph.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

using quantaline::PictureGraph;
using namespace quantaline::mpeg;

// I B B P B B ..., sizes by type, the matrix set changing every 100 000 pictures.
const ScanResult& million_pictures() {
    static const ScanResult result = [] {
        ScanResult r;
        for (std::uint64_t i = 0; i < 1000000; ++i) {
            PictureRecord p;
            p.index = i;
            const auto in_group = i % 12;
            p.picture_coding_type = in_group == 0 ? 1 : in_group % 3 == 0 ? 2 : 3;
            p.bytes = p.picture_coding_type == 1 ? 60000 + i % 7000 : 12000 + i % 20000;
            p.matrix_set = static_cast<std::uint32_t>(i / 100000 % 2 + 1);
            p.picture_structure = frame_picture;
            r.picture_records.push_back(p);
            if (i % 100000 == 0) {
                MatrixChange change;
                change.picture = i;
                r.changes.push_back(change);
            }
        }
        r.pictures = 1000000;
        return r;
    }();
    return result;
}

void draw_frame(benchmark::State& state) {
    PictureGraph graph;
    graph.resize(1200, 300);
    graph.set_stream(&million_pictures());
    const auto count = static_cast<double>(state.range(0));
    graph.set_view(500000 - count / 2, count);
    QImage image(graph.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        graph.draw(painter, image.rect());
        painter.end();
        benchmark::DoNotOptimize(image.bits());
    }
    state.SetLabel(std::to_string(state.range(0)) + " pictures across 1200 px");
}
BENCHMARK(draw_frame)->Arg(1000000)->Arg(300000)->Arg(20)->Unit(benchmark::kMillisecond);

void build_pyramid(benchmark::State& state) {
    PictureGraph graph;
    for (auto _ : state) {
        graph.set_stream(&million_pictures());
    }
}
BENCHMARK(build_pyramid)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
