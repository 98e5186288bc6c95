// The macroblock layer's pass over DVD-like streams against ffmpeg's single-threaded
// decode of the same files (`ffmpeg -threads 1 -i FILE -f null -`): CPU time (user and
// system) of each, their ratio, and the layer's throughput. The streams are made in a
// temporary folder by ffmpeg (mpeg2video) and mpeg2enc from ffmpeg's test pattern with
// noise, 720x576 at 25 pictures a second with B pictures, and removed at the end. POSIX.
//
//   build/bench/quantiser_bench [--seconds N] [--runs N] [--file FILE.m2v]
//
// --file measures an elementary stream of one's own instead.

#include "support/elementary_pictures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
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

double process_cpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Pass {
    double cpu = 0;
    std::uint64_t pictures = 0;
    std::uint64_t macroblocks = 0;
    std::uint64_t damaged = 0;
};

// Reads the file and every picture's macroblocks, as the quantiser pass will.
Pass quantiser_pass(const fs::path& file) {
    const double start = process_cpu();
    std::vector<std::uint8_t> stream(fs::file_size(file));
    std::ifstream in(file, std::ios::binary);
    in.read(reinterpret_cast<char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
    Pass pass;
    quantaline::test::for_each_picture(stream, [&](const quantaline::mpeg::SequenceContext& context,
                                                   std::span<const std::uint8_t> bytes) {
        const auto q = quantaline::mpeg::picture_quantiser(bytes, context);
        ++pass.pictures;
        pass.macroblocks += q.macroblocks();
        pass.damaged += q.damaged_slices;
    });
    pass.cpu = process_cpu() - start;
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
        {"mpeg2enc.m2v", source + " -pix_fmt yuv420p -f yuv4mpegpipe - | mpeg2enc -f 8 -b 6000 "
                                  "-q 4 -o "},
    };
    if (!own_file.empty()) {
        streams = {{own_file, ""}};
    }
    std::printf("Machine: %ld cores, load average ", sysconf(_SC_NPROCESSORS_ONLN));
    std::fflush(stdout);
    std::system("cut -d' ' -f1-3 /proc/loadavg");
    std::printf("%d s of 720x576 at 25 pictures/s a stream; CPU time, best of %d runs\n\n", seconds,
                runs);
    for (const auto& stream : streams) {
        const fs::path file = own_file.empty() ? folder / stream.name : fs::path(own_file);
        if (own_file.empty()) {
            run_cpu(stream.command + file.string());
        }
        const double megabytes = static_cast<double>(fs::file_size(file)) / 1e6;
        Pass best;
        best.cpu = 1e9;
        double ffmpeg = 1e9;
        for (int r = 0; r < runs; ++r) {
            const Pass pass = quantiser_pass(file);
            if (pass.cpu < best.cpu) {
                best = pass;
            }
            ffmpeg = std::min(
                ffmpeg, run_cpu("ffmpeg -nostdin -threads 1 -i " + file.string() + " -f null -"));
        }
        std::printf("%s: %.1f MB, %llu pictures, %llu macroblocks, %llu damaged slices\n",
                    stream.name.c_str(), megabytes, static_cast<unsigned long long>(best.pictures),
                    static_cast<unsigned long long>(best.macroblocks),
                    static_cast<unsigned long long>(best.damaged));
        std::printf("  macroblock layer          %7.3f s CPU  %7.1f MB/s  %7.0f pictures/s\n",
                    best.cpu, megabytes / best.cpu, static_cast<double>(best.pictures) / best.cpu);
        std::printf("  ffmpeg -threads 1 decode  %7.3f s CPU  %7.1f MB/s\n", ffmpeg,
                    megabytes / ffmpeg);
        std::printf("  ratio: %.1f%% of ffmpeg's CPU time (%.1f times less)\n\n",
                    100 * best.cpu / ffmpeg, ffmpeg / best.cpu);
    }
    fs::remove_all(folder);
    return 0;
}
