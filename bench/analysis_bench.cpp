// analyse_file on real streams from the page cache: the cost of one analysis as the
// window and the CLI pay it, file open and read included.
//
//   build/bench/analysis_bench [--benchmark_repetitions=5]

#include "analysis/analysis.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

const std::string data_folder = QUANTALINE_TEST_DATA;

void analyse(benchmark::State& state, const std::string& name) {
    const std::string path = data_folder + "/" + name;
    // Once before timing: the file is then in the page cache, and a missing file
    // fails the benchmark instead of timing the error path. (A file without a sequence
    // header is readable: its message says so.)
    const auto first = quantaline::analyse_file(path);
    if (!first.messages.empty() &&
        first.messages.front() == quantaline::scan_read_failure_message) {
        state.SkipWithError(("cannot read " + path).c_str());
        return;
    }
    for (auto _ : state) {
        auto result = quantaline::analyse_file(path);
        benchmark::DoNotOptimize(result);
    }
}

// A DVD program stream: the header after a pack, the extension search runs to the
// display extension.
void dvd_program_stream(benchmark::State& state) {
    analyse(state, "sample-dvd.vob");
}
// An elementary stream without display extension, longer than 150000 bytes: both
// extension searches run to their ends.
void elementary_stream_whole_windows(benchmark::State& state) {
    analyse(state, "mpeg2-es-nodisp-long.m2v");
}
// A program stream whose header lies past 299998: the header search runs to its end.
void program_stream_no_header(benchmark::State& state) {
    analyse(state, "mpeg2-ps-no-header.vob");
}
// A small MPEG-1 elementary stream.
void elementary_stream_small(benchmark::State& state) {
    analyse(state, "mpeg1-es-matrices.m1v");
}

BENCHMARK(dvd_program_stream)->Unit(benchmark::kMicrosecond);
BENCHMARK(elementary_stream_whole_windows)->Unit(benchmark::kMicrosecond);
BENCHMARK(program_stream_no_header)->Unit(benchmark::kMicrosecond);
BENCHMARK(elementary_stream_small)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
