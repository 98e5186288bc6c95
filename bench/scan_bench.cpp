// quantaline-cli scan on files of at least 1 GB made from the test streams, against
// `cat FILE > /dev/null` and ffmpeg's `-c copy -bsf:v trace_headers -f null -` in the
// same run, from the page cache. Prints the median wall times, the ratios and the peak
// resident memory of each process. The files are written to a temporary folder and
// removed at the end. POSIX only.
//
//   build/bench/scan_bench [--size-mb N] [--runs N] [--ffmpeg-runs N] [--only es|ps|ts]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Measure {
    double seconds = 0;
    long peak_kib = 0;
    int status = 0;
};

// Runs argv with standard output and error to /dev/null; wall time and peak memory.
Measure run(const std::vector<std::string>& arguments) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::vector<char*> argv;
        argv.reserve(arguments.size() + 1);
        for (const auto& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Measure m;
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peak_kib = usage.ru_maxrss;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m;
}

Measure median(const std::vector<std::string>& arguments, int runs) {
    if (runs <= 0) {
        return {0, 0, -1};
    }
    std::vector<Measure> all;
    all.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        all.push_back(run(arguments));
    }
    std::sort(all.begin(), all.end(),
              [](const Measure& a, const Measure& b) { return a.seconds < b.seconds; });
    Measure m = all[all.size() / 2];
    for (const auto& one : all) {
        m.peak_kib = std::max(m.peak_kib, one.peak_kib);
    }
    return m;
}

// The stream repeated up to `size` bytes: joined copies of one file, as joined VOBs and
// cut recordings are.
void write_repeated(const fs::path& stream, const fs::path& target, std::uintmax_t size) {
    std::ifstream in(stream, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::ofstream out(target, std::ios::binary);
    std::uintmax_t written = 0;
    while (written < size) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        written += bytes.size();
    }
}

} // namespace

int main(int argc, char** argv) {
    std::uintmax_t size_mb = 1024;
    int runs = 5;
    int ffmpeg_runs = 1;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--size-mb") {
            size_mb = std::strtoull(argv[i + 1], nullptr, 10);
        } else if (option == "--runs") {
            runs = std::atoi(argv[i + 1]);
        } else if (option == "--ffmpeg-runs") {
            ffmpeg_runs = std::atoi(argv[i + 1]);
        } else if (option == "--only") {
            only = argv[i + 1];
        }
    }
    const fs::path data = QUANTALINE_TEST_DATA;
    const std::string cli = QUANTALINE_CLI;
    struct Input {
        const char* kind;
        const char* stream;
        const char* name;
    };
    const Input inputs[] = {
        {"es", "mpeg2-es-joined.m2v", "joined.m2v"},
        {"ps", "sample-dvd.vob", "joined.vob"},
        {"ts", "mpeg2-ts-audio.ts", "joined.ts"},
    };
    const fs::path folder =
        fs::temp_directory_path() / ("quantaline-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("files of %ju MB, median of %d runs (ffmpeg: %d), from the page cache\n\n", size_mb,
                runs, ffmpeg_runs);
    std::printf("%-12s %-10s %10s %10s %12s\n", "file", "command", "seconds", "MB/s", "peak KiB");
    for (const auto& input : inputs) {
        if (!only.empty() && only != input.kind) {
            continue;
        }
        const fs::path file = folder / input.name;
        write_repeated(data / input.stream, file, size_mb * 1024 * 1024);
        const double mb = static_cast<double>(fs::file_size(file)) / 1e6;
        run({"cat", file.string()}); // into the page cache
        const Measure cat = median({"cat", file.string()}, runs);
        const Measure scan = median({cli, "scan", "--json", file.string()}, runs);
        const Measure ffmpeg =
            median({"ffmpeg", "-nostdin", "-hide_banner", "-i", file.string(), "-map", "0:v:0",
                    "-c", "copy", "-bsf:v", "trace_headers", "-f", "null", "-"},
                   ffmpeg_runs);
        const auto line = [&](const char* command, const Measure& m) {
            // Status 1: messages, as the continuity errors where transport files are joined.
            std::printf("%-12s %-10s %10.3f %10.0f %12ld%s\n", input.name, command, m.seconds,
                        mb / m.seconds, m.peak_kib,
                        m.status == 0   ? ""
                        : m.status == 1 ? "  (with messages)"
                                        : "  (failed)");
        };
        line("cat", cat);
        line("scan", scan);
        line("ffmpeg", ffmpeg);
        std::printf("%-12s scan / cat = %.2f, ffmpeg / scan = %.1f, scan peak = %.1f MiB\n\n",
                    input.name, scan.seconds / cat.seconds, ffmpeg.seconds / scan.seconds,
                    static_cast<double>(scan.peak_kib) / 1024);
        fs::remove(file);
    }
    fs::remove_all(folder);
    return 0;
}
