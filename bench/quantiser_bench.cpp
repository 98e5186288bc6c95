// The quantiser pass of the whole-stream scan over DVD-like streams against ffmpeg's
// single-threaded decode of the same files (`ffmpeg -threads 1 -i FILE -f null -`): CPU
// time (user and system) of each and their ratio, the pass's throughput on one core and
// its wall time on all of them, and its peak memory. The streams are made in a temporary
// folder by ffmpeg (mpeg2video, also muxed into a VOB) and mpeg2enc from ffmpeg's test
// pattern with noise, 720x576 at 25 pictures a second with B pictures, and removed at the
// end. Each pass runs in a child process so that its CPU time and peak memory are its
// own. POSIX.
//
//   build/bench/quantiser_bench [--seconds N] [--runs N] [--file FILE]
//
// --file measures a file of one's own (any container) instead.

#include "mpeg/scan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

double cpu_seconds(const timeval& user, const timeval& system) {
    return static_cast<double>(user.tv_sec + system.tv_sec) +
           static_cast<double>(user.tv_usec + system.tv_usec) / 1e6;
}

// CPU time of a child process run with its output to /dev/null.
double run_cpu(const std::string& command) {
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
    return cpu_seconds(usage.ru_utime, usage.ru_stime);
}

struct Pass {
    double cpu = 0;
    double wall = 0;
    long peak_kib = 0;
    std::uint64_t pictures = 0;
    std::uint64_t macroblocks = 0;
    std::uint64_t damaged = 0;
};

// The scan with its quantiser pass on `threads` threads (1: on the reading thread), in a
// child process; the figures come back through a pipe.
Pass quantiser_pass(const fs::path& file, std::size_t threads) {
    int channel[2];
    if (pipe(channel) != 0) {
        std::exit(1);
    }
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        quantaline::mpeg::ScanControl control;
        control.quantiser = true;
        control.quantiser_threads = threads;
        const auto result = quantaline::mpeg::scan_file(file.string(), control);
        std::uint64_t figures[3] = {result.pictures, 0, result.damaged_pictures};
        for (const auto& totals : result.quantiser_by_type) {
            figures[1] += totals.macroblocks;
        }
        const ssize_t written = write(channel[1], figures, sizeof figures);
        _exit(written == static_cast<ssize_t>(sizeof figures) ? 0 : 1);
    }
    close(channel[1]);
    std::uint64_t figures[3] = {};
    const ssize_t got = read(channel[0], figures, sizeof figures);
    close(channel[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (got != static_cast<ssize_t>(sizeof figures) || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the pass failed on %s\n", file.c_str());
        std::exit(1);
    }
    Pass pass;
    pass.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    pass.cpu = cpu_seconds(usage.ru_utime, usage.ru_stime);
    pass.peak_kib = usage.ru_maxrss;
    pass.pictures = figures[0];
    pass.macroblocks = figures[1];
    pass.damaged = figures[2];
    return pass;
}

} // namespace

int main(int argc, char** argv) {
    int seconds = 20;
    int runs = 3;
    std::string own_file;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--seconds") {
            seconds = std::atoi(argv[i + 1]);
        } else if (option == "--runs") {
            runs = std::atoi(argv[i + 1]);
        } else if (option == "--file") {
            own_file = argv[i + 1];
        }
    }
    const fs::path folder =
        fs::temp_directory_path() / ("quantiser_bench." + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string source =
        "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc2=size=720x576:rate=25 "
        "-vf noise=alls=12:allf=t+u -frames:v " +
        std::to_string(seconds * 25);
    struct Stream {
        std::string name;
        std::string command;
    };
    std::vector<Stream> streams = {
        {"ffmpeg.m2v", source + " -c:v mpeg2video -b:v 6000k -maxrate 9000k -bufsize 1835k -bf 2 "
                                "-g 12 -flags +ilme+ildct -lumi_mask 0.1 -f mpeg2video "},
        {"ffmpeg.vob", "ffmpeg -nostdin -loglevel error -i " + (folder / "ffmpeg.m2v").string() +
                           " -c:v copy -f vob "},
        {"mpeg2enc.m2v", source + " -pix_fmt yuv420p -f yuv4mpegpipe - | mpeg2enc -f 8 -b 6000 "
                                  "-q 4 -o "},
    };
    if (!own_file.empty()) {
        streams = {{own_file, ""}};
    }
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    std::printf("Machine: %ld cores, load average ", cores);
    std::fflush(stdout);
    std::system("cut -d' ' -f1-3 /proc/loadavg");
    std::printf("%d s of 720x576 at 25 pictures/s a stream; best of %d runs\n\n", seconds, runs);
    for (const auto& stream : streams) {
        const fs::path file = own_file.empty() ? folder / stream.name : fs::path(own_file);
        if (own_file.empty()) {
            run_cpu(stream.command + file.string());
        }
        const double megabytes = static_cast<double>(fs::file_size(file)) / 1e6;
        Pass one;
        Pass all;
        one.cpu = all.cpu = one.wall = all.wall = 1e9;
        double ffmpeg = 1e9;
        for (int r = 0; r < runs; ++r) {
            const Pass a = quantiser_pass(file, 1);
            one = a.cpu < one.cpu ? a : one;
            const Pass b = quantiser_pass(file, static_cast<std::size_t>(cores));
            all = b.wall < all.wall ? b : all;
            ffmpeg = std::min(
                ffmpeg, run_cpu("ffmpeg -nostdin -threads 1 -i " + file.string() + " -f null -"));
        }
        std::printf("%s: %.1f MB, %llu pictures, %llu macroblocks, %llu damaged pictures\n",
                    stream.name.c_str(), megabytes, static_cast<unsigned long long>(one.pictures),
                    static_cast<unsigned long long>(one.macroblocks),
                    static_cast<unsigned long long>(one.damaged));
        std::printf("  quantiser pass, 1 thread    %7.3f s CPU %7.3f s wall %7.1f MB/s per core "
                    "%6ld KiB peak\n",
                    one.cpu, one.wall, megabytes / one.cpu, one.peak_kib);
        std::printf("  quantiser pass, %ld threads  %7.3f s CPU %7.3f s wall %7.1f MB/s "
                    "%6ld KiB peak\n",
                    cores, all.cpu, all.wall, megabytes / all.wall, all.peak_kib);
        std::printf("  ffmpeg -threads 1 decode    %7.3f s CPU %7.1f MB/s\n", ffmpeg,
                    megabytes / ffmpeg);
        std::printf("  CPU time: %.1f%% of ffmpeg's (%.1f times less); wall time on %ld cores: "
                    "%.0f%% of one thread's\n\n",
                    100 * one.cpu / ffmpeg, ffmpeg / one.cpu, cores, 100 * all.wall / one.wall);
    }
    fs::remove_all(folder);
    return 0;
}
