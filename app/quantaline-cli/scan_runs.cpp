#include "scan_runs.h"

#include "analysis/video.h"
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
    const container::Codec codec = video_codec(file);
    if (!is_codec_read_here(codec)) {
        return std::nullopt;
    }
    return Message{MessageId::codec_pictures_not_read, {literal_text(codec_name(codec))}};
}

namespace {

// Results in argument order as soon as each is ready; the progress line meanwhile.
class ResultLoop {
  public:
    ResultLoop(mpeg::ScanRunner& runner, bool show_progress)
        : runner_(runner), show_progress_(show_progress),
          started_(std::chrono::steady_clock::now()) {}
    ~ResultLoop() { clear_progress(); }
    ResultLoop(const ResultLoop&) = delete;
    ResultLoop& operator=(const ResultLoop&) = delete;

    // The runner's result `index` once ready; none when it never began (Ctrl-C first).
    std::optional<mpeg::ScanResult> take(std::size_t index) {
        auto state = runner_.wait(index, std::chrono::milliseconds(200));
        while (state == mpeg::ScanRunner::State::pending) {
            show_progress();
            state = runner_.wait(index, std::chrono::milliseconds(200));
        }
        if (state != mpeg::ScanRunner::State::ready) {
            return std::nullopt;
        }
        // Taken out of the runner: once printed, the result leaves memory.
        auto result = runner_.take(index);
        clear_progress();
        return result;
    }

  private:
    void show_progress() {
        if (!show_progress_) {
            return;
        }
        const mpeg::ScanProgress progress = runner_.progress();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        const double rate =
            seconds > 0 ? static_cast<double>(progress.bytes_done) / 1e6 / seconds : 0;
        std::fprintf(stderr, tr_text("Cli", "\rAnalyse : %3u %% (%.0f Mo/s)"),
                     static_cast<unsigned>(progress.bytes_total != 0
                                               ? progress.bytes_done * 100 / progress.bytes_total
                                               : 100),
                     rate);
        std::fflush(stderr);
        shown_ = true;
    }
    void clear_progress() {
        if (shown_) {
            std::fputs("\r\033[K", stderr);
            shown_ = false;
        }
    }

    mpeg::ScanRunner& runner_;
    bool show_progress_;
    std::chrono::steady_clock::time_point started_;
    bool shown_ = false;
};

} // namespace

int run_scans(const std::vector<std::string>& arguments, bool picture_records, bool quantiser,
              const ScanPrint& print, int status, const CodecScanPrint& print_codec) {
    // An MPEG-4 Part 2, H.264 or HEVC video is not read as an MPEG stream that is not
    // there: read by its own scan where the command has one, else said up front.
    std::vector<std::string> files;
    std::vector<std::optional<std::size_t>> runner_index(arguments.size());
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (const auto message = pictures_not_read(arguments[i])) {
            if (!print_codec) {
                print_messages(arguments[i], {*message});
                status = exit_message;
            }
        } else {
            runner_index[i] = files.size();
            files.push_back(arguments[i]);
        }
    }
    mpeg::ScanRunnerOptions options;
    options.picture_records = picture_records;
    options.quantiser = quantiser;
    options.layout_of = mpeg_layout;
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
    {
        ResultLoop loop(runner, show_progress);
        std::size_t printed = 0;
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            // After Ctrl-C no codec scan begins; the runner's results under way still print.
            if (!runner_index[i] && (!print_codec || stop_requested.load())) {
                continue;
            }
            if (!runner_index[i]) {
                const CodecScan result = scan_codec_file(arguments[i], {&stop_requested, {}});
                status = result.messages.empty() ? status : exit_message;
                print_codec(printed++, arguments[i], result);
                std::fflush(stdout);
                continue;
            }
            const auto result = loop.take(*runner_index[i]);
            if (!result) {
                break; // never begun: Ctrl-C came first
            }
            status = result->messages.empty() ? status : exit_message;
            print(printed++, runner.file(*runner_index[i]), *result);
            std::fflush(stdout);
        }
    }
    runner.join();
    running.store(nullptr);
    std::signal(SIGINT, SIG_DFL);
    return stop_requested.load() ? exit_interrupted : status;
}

} // namespace quantaline::cli
