// quantaline-cli scan: every matrix set a file's video uses and where it changes, for
// several files at once on all cores, printed in argument order.

#include "analysis/display.h"
#include "command_line.h"
#include "commands.h"
#include "export/matrix_formats.h"
#include "io/file_system.h"
#include "io/folder_walk.h"
#include "json.h"
#include "mpeg/scan.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

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

using mpeg::ScanResult;

// Files above this size show a progress line on a terminal.
constexpr std::uint64_t progress_threshold = 100'000'000;
constexpr int exit_interrupted = 130;

// Ctrl-C: the scans stop at their next read and what they found is still printed.
std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void on_interrupt(int) {
    stop_requested.store(true);
}

// Output written in pieces: a file with thousands of changes never sits whole in memory.
class Writer {
  public:
    Writer() = default;
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    ~Writer() { flush(); }

    std::string text;
    void flush_if_large() {
        if (text.size() >= 1 << 16) {
            flush();
        }
    }
    void flush() {
        std::fwrite(text.data(), 1, text.size(), stdout);
        text.clear();
    }
};

// --- text output ------------------------------------------------------------------------

const mpeg::Matrix& matrix_of(const mpeg::MatrixSet& set, int index) {
    switch (index) {
    case 0:
        return set.intra;
    case 1:
        return set.non_intra;
    case 2:
        return set.chroma_intra;
    default:
        return set.chroma_non_intra;
    }
}

std::string video_text(const ScanResult& result) {
    if (!result.video) {
        return "aucune";
    }
    char text[32];
    if (result.container == mpeg::Container::program) {
        std::snprintf(text, sizeof text, "flux %02X", *result.video);
    } else {
        std::snprintf(text, sizeof text, "PID %u", *result.video);
    }
    return text;
}

// Pads to `width` characters, counting a UTF-8 sequence as one.
std::string padded(const std::string& text, std::size_t width) {
    std::size_t characters = 0;
    for (const char c : text) {
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return text + std::string(width > characters ? width - characters : 0, ' ');
}

std::string capitalised(std::string_view text) {
    std::string out(text);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') {
        out[0] = static_cast<char>(out[0] - 'a' + 'A');
    }
    return out;
}

void write_text(Writer& writer, const std::string& file, const ScanResult& result) {
    std::string& out = writer.text;
    const auto line = [&out](const char* caption, const std::string& value) {
        out += caption;
        out += value;
        out += '\n';
    };
    line("Fichier : ", file);
    line("Conteneur : ", std::string(container_text(result.container)));
    if (result.container != mpeg::Container::elementary) {
        line("Vidéo : ", video_text(result));
    }
    line("Images : ", std::to_string(result.pictures));
    line("En-têtes de séquence : ", std::to_string(result.sequence_headers));
    line("Extensions de matrices : ", std::to_string(result.quant_matrix_extensions));
    if (!result.changes.empty()) {
        out += "\nChangements :\n";
        char row[160];
        std::snprintf(row, sizeof row, "%12s %8s  %-13s  %s %s\n", "Octet", "Image",
                      "Code temporel", padded("Origine", 22).c_str(), "Matrices");
        out += row;
        const mpeg::MatrixSet* before = nullptr;
        for (const auto& change : result.changes) {
            const mpeg::MatrixSet& after = result.matrices_of(change);
            const std::string picture = change.picture ? std::to_string(*change.picture) : "-";
            const std::string time = change.time_code ? time_code_text(*change.time_code) : "-";
            const std::string kind(change_kind_text(change.kind));
            std::snprintf(row, sizeof row, "%12llu %8s  %-13s  %s %s\n",
                          static_cast<unsigned long long>(change.offset), picture.c_str(),
                          time.c_str(), padded(kind, 22).c_str(),
                          changed_matrices_text(before, after).c_str());
            out += row;
            before = &after;
            writer.flush_if_large();
        }
    }
    for (std::size_t i = 0; i < result.matrix_sets.size(); ++i) {
        const auto& set = result.matrix_sets[i];
        out += "\nJeu de matrices " + std::to_string(i + 1) + " : " + std::to_string(set.pictures) +
               " image(s), la première : " + std::to_string(set.first_picture) + "\n";
        for (int m = 0; m < 4; ++m) {
            out += capitalised(matrix_name(m)) + " :\n";
            out += matrix_grid_text(matrix_of(result.matrices_of(set), m));
        }
        writer.flush_if_large();
    }
}

// --- JSON ---------------------------------------------------------------------------------

std::string json_matrices(const mpeg::MatrixSet& set) {
    return "\"intra\":" + json_matrix(set.intra) + ",\"non_intra\":" + json_matrix(set.non_intra) +
           ",\"chroma_intra\":" + json_matrix(set.chroma_intra) +
           ",\"chroma_non_intra\":" + json_matrix(set.chroma_non_intra);
}

void write_json_line(Writer& writer, const std::string& file, const ScanResult& result) {
    constexpr const char* containers[] = {"elementary", "program", "transport"};
    std::string& out = writer.text;
    out += "{\"file\":" + json_string(file);
    out += ",\"container\":\"";
    out += containers[static_cast<int>(result.container)];
    out += "\",\"video\":" + (result.video ? std::to_string(*result.video) : "null");
    out += ",\"pictures\":" + std::to_string(result.pictures);
    out += ",\"sequence_headers\":" + std::to_string(result.sequence_headers);
    out += ",\"quant_matrix_extensions\":" + std::to_string(result.quant_matrix_extensions);
    out += ",\"changes\":[";
    for (std::size_t i = 0; i < result.changes.size(); ++i) {
        const auto& change = result.changes[i];
        out += i == 0 ? "{" : ",{";
        out += "\"offset\":" + std::to_string(change.offset);
        out += ",\"picture\":" + (change.picture ? std::to_string(*change.picture) : "null");
        out += ",\"time_code\":" +
               (change.time_code ? "\"" + time_code_text(*change.time_code) + "\"" : "null");
        out += change.kind == mpeg::ChangeKind::sequence_header
                   ? ",\"kind\":\"sequence_header\","
                   : ",\"kind\":\"quant_matrix_extension\",";
        out += json_matrices(result.matrices_of(change));
        out += '}';
        writer.flush_if_large();
    }
    out += "],\"matrix_sets\":[";
    for (std::size_t i = 0; i < result.matrix_sets.size(); ++i) {
        const auto& set = result.matrix_sets[i];
        out += i == 0 ? "{" : ",{";
        out += json_matrices(result.matrices_of(set));
        out += ",\"first_picture\":" + std::to_string(set.first_picture);
        out += ",\"pictures\":" + std::to_string(set.pictures);
        out += '}';
    }
    out += "],\"messages\":" + json_messages(result.messages) + "}\n";
}

// --- running ------------------------------------------------------------------------------

struct Job {
    std::string file;
    std::uint64_t size = 0;
    std::atomic<std::uint64_t> done{0};
    std::optional<ScanResult> result;
};

} // namespace

int run_scan(const Arguments& arguments) {
    int parse_status = exit_ok;
    const auto parsed = parse_arguments("scan", arguments, {}, {"--json", "-r", "--recursive"},
                                        false, parse_status);
    if (!parsed) {
        return parse_status;
    }
    const bool json = parsed->flags.contains("--json");
    const bool recursive = parsed->flags.contains("-r") || parsed->flags.contains("--recursive");
    const std::vector<std::string>& inputs = parsed->files;

    int status = exit_ok;
    std::vector<std::string> files;
    for (const auto& input : inputs) {
        std::error_code error;
        if (std::filesystem::is_directory(path_from_utf8(input), error)) {
            const auto found = video_files_in(input, recursive, error);
            if (error) {
                std::fprintf(stderr, "quantaline-cli: %s: %s\n", input.c_str(),
                             reason_text(error).c_str());
                status = exit_message;
            } else if (found.empty()) {
                // A mistyped folder or a forgotten -r must not pass for a clean scan.
                std::fprintf(stderr, "quantaline-cli: %s: no video file in this folder%s\n",
                             input.c_str(), recursive ? " or its subfolders" : "");
                status = exit_message;
            }
            files.insert(files.end(), found.begin(), found.end());
        } else {
            files.push_back(input);
        }
    }

    std::vector<Job> jobs(files.size());
    std::uint64_t large_bytes = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        jobs[i].file = files[i];
        std::error_code error;
        const auto size = std::filesystem::file_size(path_from_utf8(files[i]), error);
        jobs[i].size = error ? 0 : static_cast<std::uint64_t>(size);
        if (jobs[i].size > progress_threshold) {
            large_bytes += jobs[i].size;
        }
    }
    const bool show_progress = large_bytes > 0 && QUANTALINE_ISATTY(QUANTALINE_FILENO(stderr)) != 0;

    stop_requested.store(false);
    std::signal(SIGINT, on_interrupt);

    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<std::size_t> next_job{0};
    const auto worker = [&] {
        while (!stop_requested.load()) {
            const std::size_t index = next_job.fetch_add(1);
            if (index >= jobs.size()) {
                return;
            }
            Job& job = jobs[index];
            mpeg::ScanControl control;
            control.stop = &stop_requested;
            control.progress = [&job](std::uint64_t bytes) {
                job.done.store(bytes, std::memory_order_relaxed);
            };
            ScanResult result = mpeg::scan_file(job.file, control);
            job.done.store(job.size, std::memory_order_relaxed);
            {
                const std::lock_guard lock(mutex);
                job.result = std::move(result);
            }
            finished.notify_all();
        }
    };
    const std::size_t thread_count = std::max<std::size_t>(
        1, std::min<std::size_t>(std::thread::hardware_concurrency(), jobs.size()));
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < thread_count; ++i) {
        threads.emplace_back(worker);
    }

    // Results in argument order as soon as each is ready; the progress line meanwhile.
    const auto started = std::chrono::steady_clock::now();
    bool progress_shown = false;
    const auto clear_progress = [&] {
        if (progress_shown) {
            std::fputs("\r\033[K", stderr);
            progress_shown = false;
        }
    };
    std::size_t printed = 0;
    while (printed < jobs.size()) {
        std::unique_lock lock(mutex);
        finished.wait_for(lock, std::chrono::milliseconds(200),
                          [&] { return jobs[printed].result.has_value(); });
        if (!jobs[printed].result) {
            if (stop_requested.load() && next_job.load() <= printed) {
                break; // never started: Ctrl-C came first
            }
            lock.unlock();
            if (show_progress) {
                std::uint64_t done = 0;
                std::uint64_t total = 0;
                for (const auto& job : jobs) {
                    done += std::min(job.done.load(std::memory_order_relaxed), job.size);
                    total += job.size;
                }
                const double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started)
                        .count();
                const double rate = seconds > 0 ? static_cast<double>(done) / 1e6 / seconds : 0;
                std::fprintf(stderr, "\rAnalyse : %3u %% (%.0f Mo/s)",
                             static_cast<unsigned>(total ? done * 100 / total : 100), rate);
                std::fflush(stderr);
                progress_shown = true;
            }
            continue;
        }
        const ScanResult& result = *jobs[printed].result;
        lock.unlock();
        clear_progress();
        if (!result.messages.empty()) {
            status = exit_message;
        }
        {
            Writer writer;
            if (json) {
                write_json_line(writer, jobs[printed].file, result);
            } else {
                print_messages(jobs[printed].file, result.messages);
                writer.text = printed == 0 ? "" : "\n";
                write_text(writer, jobs[printed].file, result);
            }
        }
        std::fflush(stdout);
        // Its output is written: the result need not stay in memory.
        {
            const std::lock_guard relock(mutex);
            jobs[printed].result->changes = {};
            jobs[printed].result->matrices = {};
        }
        ++printed;
    }
    for (auto& thread : threads) {
        thread.join();
    }
    clear_progress();
    std::signal(SIGINT, SIG_DFL);
    return stop_requested.load() ? exit_interrupted : status;
}

} // namespace quantaline::cli
