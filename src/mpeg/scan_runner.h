#pragma once

// Whole-stream scans of several files on a pool of threads, off the caller's thread: the
// one runner of the CLI and the desktop session. It starts, tells its progress, stops
// within one read of a cancel, and hands each file's result over as soon as it is ready.

#include "mpeg/scan.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quantaline::mpeg {

struct ScanRunnerOptions {
    // Keep one PictureRecord per picture in each result.
    bool picture_records = false;
    // Read every picture's macroblocks too (ScanControl::quantiser): one file alone spreads
    // that pass over every core, several files share the cores between them.
    bool quantiser = false;
    // 0: one thread per core, never more than there are files.
    std::size_t threads = 0;
    // Called on a worker thread as each file's result becomes ready, with the file's index;
    // a window posts it to its event loop.
    std::function<void(std::size_t)> finished;
    // Called on a worker thread before each file is read: the container the containers'
    // reader tells (ScanControl::layout), or nothing to tell it from the first bytes.
    std::function<std::optional<Layout>(const std::string&)> layout_of;
};

struct ScanProgress {
    std::uint64_t bytes_done = 0;
    std::uint64_t bytes_total = 0; // the files' sizes when the run was made
    std::size_t files_done = 0;
    std::size_t files = 0;
};

class ScanRunner {
  public:
    explicit ScanRunner(std::vector<std::string> files, ScanRunnerOptions options = {});
    // Cancels what still runs and waits for it: a runner never outlives its threads.
    ~ScanRunner();
    ScanRunner(const ScanRunner&) = delete;
    ScanRunner& operator=(const ScanRunner&) = delete;

    void start();
    // The scans under way stop at their next read (their results say where, with the
    // "Analyse interrompue" message); files not begun are never scanned. Only an atomic
    // store: a signal handler may call it.
    void cancel() noexcept { stop_.store(true); }
    bool cancelled() const noexcept { return stop_.load(); }

    std::size_t file_count() const { return jobs_.size(); }
    const std::string& file(std::size_t index) const { return jobs_[index].file; }
    // The file's size when the runner was made; 0 when it could not be told.
    std::uint64_t file_size(std::size_t index) const { return jobs_[index].size; }
    ScanProgress progress() const;

    enum class State {
        pending, // not begun, or under way
        ready,   // its result waits in take()
        taken,
        never, // cancelled before it began: there is no result
    };
    State state(std::size_t index) const;
    // Waits at most `timeout` for the file to be ready (or never to be).
    State wait(std::size_t index, std::chrono::milliseconds timeout);
    // The result of a ready file, moved out so that its memory goes with the caller.
    ScanResult take(std::size_t index);
    // Waits for every thread to end.
    void join();

  private:
    struct Job {
        std::string file;
        std::uint64_t size = 0;
        std::atomic<std::uint64_t> done{0};
        bool started = false;
        std::optional<ScanResult> result;
        bool taken = false;
    };
    void work();
    State state_locked(std::size_t index) const;

    ScanRunnerOptions options_;
    std::vector<Job> jobs_;
    std::atomic<bool> stop_{false};
    static_assert(std::atomic<bool>::is_always_lock_free);
    std::size_t next_job_ = 0; // under mutex_
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
    std::size_t quantiser_threads_ = 0; // of each file's quantiser pass
};

} // namespace quantaline::mpeg
