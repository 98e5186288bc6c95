#pragma once

// A piece of work on a thread of its own, the one kind of background work of the desktop
// flow (the whole-stream read, the quantiser pass, a picture's macroblocks): it starts at
// once, tells its progress in thousandths, stops when asked at the next point its work
// looks, and hands its result over once. Its end asks it to stop and waits for its thread,
// so a job never outlives what its work reads.

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <utility>

namespace quantaline {

// What the work sees of its job.
class JobControl {
  public:
    // Set by cancel(): the work looks at it and returns what it has.
    const std::atomic<bool>& stop() const { return stop_; }
    bool stop_requested() const { return stop_.load(); }
    void set_per_mille(int value) {
        per_mille_.store(std::clamp(value, 0, 1000), std::memory_order_relaxed);
    }

  private:
    template <class> friend class BackgroundJob;
    std::atomic<bool> stop_{false};
    std::atomic<int> per_mille_{0};
};

// What a caller follows of any job, whatever its result: its progress, its end, its cancel.
// Destroying it ends the job as the job's own end does.
class Job {
  public:
    virtual ~Job() = default;
    // Only an atomic store: the work stops at its next look.
    virtual void cancel() noexcept = 0;
    virtual bool cancelled() const noexcept = 0;
    virtual int per_mille() const = 0;
    // The work has returned and its result is not taken yet.
    virtual bool ready() const = 0;
};

template <class Result> class BackgroundJob final : public Job {
  public:
    explicit BackgroundJob(std::function<Result(JobControl&)> work)
        : thread_([this, work = std::move(work)] {
              result_.emplace(work(control_));
              done_.store(true, std::memory_order_release);
          }) {}
    ~BackgroundJob() override {
        cancel();
        thread_.join();
    }
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    void cancel() noexcept override { control_.stop_.store(true); }
    bool cancelled() const noexcept override { return control_.stop_.load(); }
    int per_mille() const override { return control_.per_mille_.load(std::memory_order_relaxed); }
    bool ready() const override { return done_.load(std::memory_order_acquire) && !taken_; }
    // The result, once, when the work has returned; nothing before and nothing after.
    std::optional<Result> take() {
        if (!ready()) {
            return std::nullopt;
        }
        taken_ = true;
        return std::move(result_);
    }

  private:
    JobControl control_;
    std::atomic<bool> done_{false};
    bool taken_ = false;
    std::optional<Result> result_;
    // Last: the thread starts once everything it touches is made.
    std::thread thread_;
};

} // namespace quantaline
