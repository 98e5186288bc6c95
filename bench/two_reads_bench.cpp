// The desktop's two reads of a whole stream, as the session runs them: the headers with a
// record per picture, then the quantiser pass. The pass goes over the header read's
// records (ScanControl::recorded: no header read again) or, for comparison, reads the
// headers again and builds records of its own, as a one-read scan does. Best wall and CPU
// time of a few runs each, the file in the page cache after the first; the figures of both
// are compared. POSIX.
//
//   build/bench/two_reads_bench FILE [--runs N] [--threads N]

#include "mpeg/scan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

using quantaline::mpeg::ScanControl;
using quantaline::mpeg::ScanResult;

double cpu_now() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double headers_wall = 1e9;
    double pass_wall = 1e9;
    double pass_cpu = 1e9;
};

std::uint64_t quantiser_sum(const ScanResult& result) {
    std::uint64_t sum = 0;
    for (const auto& totals : result.quantiser_by_type) {
        sum += totals.quantiser_sum;
    }
    return sum;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: two_reads_bench FILE [--runs N] [--threads N]\n");
        return 2;
    }
    const std::string file = argv[1];
    int runs = 3;
    std::size_t threads = std::max<std::size_t>(1, std::thread::hardware_concurrency());
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--runs") {
            runs = std::atoi(argv[i + 1]);
        } else if (option == "--threads") {
            threads = static_cast<std::size_t>(std::max(1, std::atoi(argv[i + 1])));
        }
    }
    Timing over_records;
    Timing read_again;
    std::uint64_t sums[2] = {};
    std::uint64_t pictures = 0;
    for (int r = 0; r < runs; ++r) {
        for (const bool recorded : {true, false}) {
            Timing& timing = recorded ? over_records : read_again;
            const auto started = std::chrono::steady_clock::now();
            ScanControl headers;
            headers.picture_records = true;
            ScanResult whole = quantaline::mpeg::scan_file(file, headers);
            const auto headers_read = std::chrono::steady_clock::now();
            const double cpu = cpu_now();
            ScanControl pass;
            pass.quantiser = true;
            pass.quantiser_threads = threads;
            if (recorded) {
                pass.recorded = &whole;
            } else {
                pass.picture_records = true;
            }
            const ScanResult result = quantaline::mpeg::scan_file(file, pass);
            const auto done = std::chrono::steady_clock::now();
            using seconds = std::chrono::duration<double>;
            timing.headers_wall =
                std::min(timing.headers_wall, seconds(headers_read - started).count());
            timing.pass_wall = std::min(timing.pass_wall, seconds(done - headers_read).count());
            timing.pass_cpu = std::min(timing.pass_cpu, cpu_now() - cpu);
            sums[recorded ? 0 : 1] = quantiser_sum(result);
            pictures = whole.pictures;
        }
    }
    std::printf("%s: %llu pictures, %zu threads, best of %d runs\n", file.c_str(),
                static_cast<unsigned long long>(pictures), threads, runs);
    for (const bool recorded : {true, false}) {
        const Timing& t = recorded ? over_records : read_again;
        std::printf("  %-28s headers %6.3f s + pass %6.3f s wall (%6.3f s CPU) = %6.3f s\n",
                    recorded ? "pass over the records" : "pass reading headers again",
                    t.headers_wall, t.pass_wall, t.pass_cpu, t.headers_wall + t.pass_wall);
    }
    std::printf("  same quantiser sums: %s\n", sums[0] == sums[1] ? "yes" : "NO");
    return sums[0] == sums[1] ? 0 : 1;
}
