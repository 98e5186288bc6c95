#include "scan_runs.h"

#include "analysis/codec_matrices.h"
#include "command_line.h"
#include "io/file_system.h"
#include "io/folder_walk.h"
#include "io/text.h"
#include "mpeg/scan_runner.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#define QUANTALINE_ISATTY(fd) _isatty(fd)
#define QUANTALINE_FILENO(file) _fileno(file)
#else
#include <unistd.h>
#define QUANTALINE_ISATTY(fd) isatty(fd)
#define QUANTALINE_FILENO(file) fileno(file)
#endif

namespace quantaline::cli {

namespace {

// Files above this size show a progress line on a terminal.
constexpr std::uint64_t progress_threshold = 100'000'000;

// Ctrl-C: the runner's scans stop at their next read and what they found is still printed.
std::atomic<bool> stop_requested{false};
std::atomic<mpeg::ScanRunner*> running{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<mpeg::ScanRunner*>::is_always_lock_free);

extern "C" void on_interrupt(int) {
    stop_requested.store(true);
    if (mpeg::ScanRunner* runner = running.load()) {
        runner->cancel();
    }
}

} // namespace

std::vector<std::string> files_of_arguments(const std::vector<std::string>& inputs, bool recursive,
                                            int& status) {
    std::vector<std::string> files;
    for (const auto& input : inputs) {
        std::error_code error;
        if (std::filesystem::is_directory(path_from_utf8(input), error)) {
            const auto found = video_files_in(input, recursive, error);
            if (error) {
                std::fprintf(stderr, "quantaline-cli: %s: %s\n", input.c_str(),
                             shown(reason_text(error)).c_str());
                status = exit_message;
            } else if (found.empty()) {
                // A mistyped folder or a forgotten -r must not pass for a clean run.
                std::fprintf(stderr, "quantaline-cli: %s: no video file in this folder%s\n",
                             input.c_str(), recursive ? " or its subfolders" : "");
                status = exit_message;
            }
            files.insert(files.end(), found.begin(), found.end());
        } else {
            files.push_back(input);
        }
    }
    return files;
}

std::optional<Message> pictures_not_read(const std::string& file) {
    const container::Codec codec = container::read_video_configuration(file).codec;
    if (!is_codec_read_here(codec)) {
        return std::nullopt;
    }
    return Message{MessageId::codec_pictures_not_read, {literal_text(codec_name(codec))}};
}

int run_scans(const std::vector<std::string>& arguments, bool picture_records, bool quantiser,
              const std::function<void(std::size_t index, const std::string& file,
                                       const mpeg::ScanResult& result)>& print,
              int status) {
    // An MPEG-4 Part 2, H.264 or HEVC video has no MPEG pictures to read: said up front,
    // rather than read as an MPEG stream that is not there.
    std::vector<std::string> files;
    for (const std::string& file : arguments) {
        if (const auto message = pictures_not_read(file)) {
            print_messages(file, {*message});
            status = exit_message;
        } else {
            files.push_back(file);
        }
    }
    mpeg::ScanRunnerOptions options;
    options.picture_records = picture_records;
    options.quantiser = quantiser;
    mpeg::ScanRunner runner(files, options);
    std::uint64_t large_bytes = 0;
    for (std::size_t i = 0; i < runner.file_count(); ++i) {
        if (runner.file_size(i) > progress_threshold) {
            large_bytes += runner.file_size(i);
        }
    }
    const bool show_progress = large_bytes > 0 && QUANTALINE_ISATTY(QUANTALINE_FILENO(stderr)) != 0;

    stop_requested.store(false);
    running.store(&runner);
    std::signal(SIGINT, on_interrupt);
    runner.start();

    // Results in argument order as soon as each is ready; the progress line meanwhile.
    const auto started = std::chrono::steady_clock::now();
    bool progress_shown = false;
    const auto clear_progress = [&] {
        if (progress_shown) {
            std::fputs("\r\033[K", stderr);
            progress_shown = false;
        }
    };
    for (std::size_t index = 0; index < runner.file_count(); ++index) {
        auto state = runner.wait(index, std::chrono::milliseconds(200));
        while (state == mpeg::ScanRunner::State::pending) {
            if (show_progress) {
                const mpeg::ScanProgress progress = runner.progress();
                const double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started)
                        .count();
                const double rate =
                    seconds > 0 ? static_cast<double>(progress.bytes_done) / 1e6 / seconds : 0;
                std::fprintf(
                    stderr, tr_text("Cli", "\rAnalyse : %3u %% (%.0f Mo/s)"),
                    static_cast<unsigned>(progress.bytes_total != 0
                                              ? progress.bytes_done * 100 / progress.bytes_total
                                              : 100),
                    rate);
                std::fflush(stderr);
                progress_shown = true;
            }
            state = runner.wait(index, std::chrono::milliseconds(200));
        }
        if (state != mpeg::ScanRunner::State::ready) {
            break; // never begun: Ctrl-C came first
        }
        // Taken out of the runner: once printed, the result leaves memory.
        const mpeg::ScanResult result = runner.take(index);
        clear_progress();
        if (!result.messages.empty()) {
            status = exit_message;
        }
        print(index, runner.file(index), result);
        std::fflush(stdout);
    }
    runner.join();
    running.store(nullptr);
    clear_progress();
    std::signal(SIGINT, SIG_DFL);
    return stop_requested.load() ? exit_interrupted : status;
}

} // namespace quantaline::cli
