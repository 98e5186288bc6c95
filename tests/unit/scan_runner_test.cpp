// The runner the CLI and the session share: every file's result, whichever thread ends
// first; progress; a cancel that stops the scans under way within a read and never begins
// the others; a runner dropped while it works.

#include "mpeg/scan_runner.h"
#include "support/messages.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>

namespace quantaline {
namespace {

using mpeg::ScanRunner;
using State = mpeg::ScanRunner::State;
using test::StreamBuilder;

std::vector<std::uint8_t> pictures(int count) {
    StreamBuilder s;
    s.sequence_header({});
    for (int i = 0; i < count; ++i) {
        s.picture(i, i == 0 ? 1 : 2);
    }
    return s.bytes();
}

// Sparse: a file of `size` bytes whose first bytes are a picture, the rest zeros that cost
// no disk and take a scan a while.
std::string huge_file(const test::TempDir& dir, const std::string& name, std::uintmax_t size) {
    std::string path = dir.write(name, pictures(1));
    std::filesystem::resize_file(path, size);
    return path;
}

TEST(ScanRunner, EveryFileInItsPlaceWhicheverEndsFirst) {
    test::TempDir dir;
    std::vector<std::string> files;
    std::vector<std::uint64_t> expected_pictures;
    for (int i = 0; i < 6; ++i) {
        // The first files are the longest: later ones end first on the other threads.
        StreamBuilder s;
        s.append(pictures(i + 1)).fill_to(static_cast<std::size_t>(6 - i) * 400000, 0x55);
        files.push_back(dir.write("f" + std::to_string(i) + ".m2v", s.bytes()));
        expected_pictures.push_back(static_cast<std::uint64_t>(i + 1));
    }
    files.insert(files.begin() + 2, dir.file("missing.m2v"));
    expected_pictures.insert(expected_pictures.begin() + 2, 0);

    for (const bool records : {false, true}) {
        SCOPED_TRACE(records ? "with picture records" : "without");
        std::mutex mutex;
        std::vector<std::size_t> finished;
        mpeg::ScanRunnerOptions options;
        options.picture_records = records;
        options.threads = 3;
        options.finished = [&](std::size_t index) {
            const std::lock_guard lock(mutex);
            finished.push_back(index);
        };
        ScanRunner runner(files, options);
        EXPECT_EQ(runner.state(0), State::pending);
        runner.start();
        for (std::size_t i = 0; i < files.size(); ++i) {
            ASSERT_EQ(runner.wait(i, std::chrono::seconds(30)), State::ready) << i;
            const mpeg::ScanResult result = runner.take(i);
            EXPECT_EQ(runner.state(i), State::taken);
            EXPECT_EQ(result.pictures, expected_pictures[i]) << i;
            EXPECT_EQ(result.picture_records.size(), records ? expected_pictures[i] : 0) << i;
            EXPECT_EQ(result.messages.size(), i == 2 ? 1u : 0u) << i;
        }
        runner.join();
        const mpeg::ScanProgress progress = runner.progress();
        EXPECT_EQ(progress.files, files.size());
        EXPECT_EQ(progress.files_done, files.size());
        EXPECT_EQ(progress.bytes_done, progress.bytes_total);
        std::uint64_t total = 0;
        for (const auto& file : files) {
            std::error_code error;
            const auto size = std::filesystem::file_size(file, error);
            total += error ? 0 : size;
        }
        EXPECT_EQ(progress.bytes_total, total);
        std::sort(finished.begin(), finished.end());
        EXPECT_EQ(finished, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6}));
    }
}

TEST(ScanRunner, CancelStopsTheScansUnderWayAndBeginsNoOther) {
    test::TempDir dir;
    const std::string huge = huge_file(dir, "huge.m2v", 8'000'000'000);
    const std::string small = dir.write("small.m2v", pictures(2));

    struct Case {
        const char* name;
        std::size_t threads;
        std::vector<State> states; // of huge, huge, small after the cancel
    };
    const std::vector<Case> cases = {
        {"one thread: the second and third files never begin",
         1,
         {State::ready, State::never, State::never}},
        {"three threads: all were under way", 3, {State::ready, State::ready, State::ready}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        mpeg::ScanRunnerOptions options;
        options.threads = c.threads;
        ScanRunner runner({huge, huge, small}, options);
        runner.start();
        // The small file is done at once on its own thread; the huge ones are not.
        if (c.threads == 3) {
            ASSERT_EQ(runner.wait(2, std::chrono::seconds(30)), State::ready);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(runner.state(0), State::pending);
        const auto cancelled = std::chrono::steady_clock::now();
        runner.cancel();
        EXPECT_TRUE(runner.cancelled());
        std::vector<State> states;
        for (std::size_t i = 0; i < 3; ++i) {
            states.push_back(runner.wait(i, std::chrono::seconds(10)));
        }
        EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(2));
        EXPECT_EQ(states, c.states);
        for (std::size_t i = 0; i < 2; ++i) {
            if (states[i] != State::ready) {
                continue;
            }
            const mpeg::ScanResult result = runner.take(i);
            EXPECT_EQ(result.pictures, 1u);
            ASSERT_EQ(result.messages.size(), 1u);
            EXPECT_EQ(french(result.messages[0]).title, "Analyse interrompue");
            EXPECT_LT(result.bytes_read, 8'000'000'000u);
        }
        EXPECT_LT(runner.progress().bytes_done, runner.progress().bytes_total);
    }

    // Dropped while it reads: the destructor stops and joins its threads.
    const auto dropped = std::chrono::steady_clock::now();
    {
        ScanRunner runner({huge, huge}, {});
        runner.start();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - dropped, std::chrono::seconds(2));
}

} // namespace
} // namespace quantaline
