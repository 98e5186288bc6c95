#include "mpeg/scan_runner.h"

#include "io/file_system.h"

#include <algorithm>
#include <filesystem>

namespace quantaline::mpeg {

ScanRunner::ScanRunner(std::vector<std::string> files, ScanRunnerOptions options)
    : options_(std::move(options)), jobs_(files.size()) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        jobs_[i].file = std::move(files[i]);
        std::error_code error;
        const auto size = std::filesystem::file_size(path_from_utf8(jobs_[i].file), error);
        jobs_[i].size = error ? 0 : static_cast<std::uint64_t>(size);
    }
}

ScanRunner::~ScanRunner() {
    cancel();
    join();
}

void ScanRunner::start() {
    if (!threads_.empty()) {
        return;
    }
    std::size_t count = options_.threads != 0
                            ? options_.threads
                            : std::max<std::size_t>(1, std::thread::hardware_concurrency());
    count = std::min(count, jobs_.size());
    const std::size_t cores = std::max<std::size_t>(1, std::thread::hardware_concurrency());
    quantiser_threads_ = count == 0 ? 0 : std::max<std::size_t>(1, cores / count);
    for (std::size_t i = 0; i < count; ++i) {
        threads_.emplace_back([this] { work(); });
    }
}

void ScanRunner::work() {
    while (true) {
        std::size_t index = 0;
        {
            const std::lock_guard lock(mutex_);
            // Checked under the lock that claims a job: once cancelled and seen so, no file
            // that was not begun will be.
            if (stop_.load() || next_job_ >= jobs_.size()) {
                break;
            }
            index = next_job_++;
            jobs_[index].started = true;
        }
        Job& job = jobs_[index];
        ScanControl control;
        control.stop = &stop_;
        control.picture_records = options_.picture_records;
        control.quantiser = options_.quantiser;
        control.quantiser_threads = quantiser_threads_;
        if (options_.layout_of) {
            control.layout = options_.layout_of(job.file);
        }
        control.progress = [&job](std::uint64_t bytes) {
            job.done.store(bytes, std::memory_order_relaxed);
        };
        ScanResult result = scan_file(job.file, control);
        // A file read to its end (or to a read error) is done whole; a stopped one only as
        // far as it was read.
        job.done.store(stop_.load() ? result.bytes_read : job.size, std::memory_order_relaxed);
        {
            const std::lock_guard lock(mutex_);
            job.result = std::move(result);
        }
        changed_.notify_all();
        if (options_.finished) {
            options_.finished(index);
        }
    }
}

ScanProgress ScanRunner::progress() const {
    ScanProgress progress;
    progress.files = jobs_.size();
    const std::lock_guard lock(mutex_);
    for (const auto& job : jobs_) {
        progress.bytes_done += std::min(job.done.load(std::memory_order_relaxed), job.size);
        progress.bytes_total += job.size;
        if (job.result || job.taken) {
            ++progress.files_done;
        }
    }
    return progress;
}

ScanRunner::State ScanRunner::state_locked(std::size_t index) const {
    const Job& job = jobs_[index];
    if (job.taken) {
        return State::taken;
    }
    if (job.result) {
        return State::ready;
    }
    if (!job.started && stop_.load()) {
        return State::never;
    }
    return State::pending;
}

ScanRunner::State ScanRunner::state(std::size_t index) const {
    const std::lock_guard lock(mutex_);
    return state_locked(index);
}

ScanRunner::State ScanRunner::wait(std::size_t index, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return state_locked(index) != State::pending; });
    return state_locked(index);
}

ScanResult ScanRunner::take(std::size_t index) {
    const std::lock_guard lock(mutex_);
    Job& job = jobs_[index];
    if (!job.result) {
        return {};
    }
    ScanResult result = std::move(*job.result);
    job.result.reset();
    job.taken = true;
    return result;
}

void ScanRunner::join() {
    for (auto& thread : threads_) {
        if (thread.joinable()) {
            thread.join();
        }
    }
}

} // namespace quantaline::mpeg
