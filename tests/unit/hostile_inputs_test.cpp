// Files a user can point the program at that are not plain, readable MPEG files.
#include "analysis/analysis.h"
#include "report/text_report.h"
#include "support/messages.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <fstream>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quantaline {
namespace {

using test::StreamBuilder;
using test::TempDir;

std::vector<std::uint8_t> small_stream() {
    StreamBuilder s;
    s.pack_header().sequence_header({.horizontal_size = 704, .vertical_size = 480});
    s.sequence_extension(0x48).sequence_display_extension(2).picture_coding_extension(1, 3);
    return s.bytes();
}

// FIFOs, symbolic links, devices, permission bits, sparse files and the kernel's read
// count are POSIX; tests/unit/analysis_test.cpp covers pipes and devices on Windows.
#ifndef _WIN32
bool unreadable(const AnalysisResult& result) {
    return result.messages == Messages{scan_read_failure_message, header_read_warning_message} &&
           result.info == StreamInfo{} && result.matrices.intra == default_intra &&
           result.matrices.non_intra == default_non_intra;
}

// bytes read by this process so far, from the kernel's own count
long long bytes_read_by_process() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return -1;
}

TEST(HostileInputs, NonRegularFilesAndTheirSymlinksAreUnreadableAndNeverBlock) {
    TempDir dir;
    const auto fifo = dir.file("pipe.vob");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder.mpg"));
    std::filesystem::create_symlink(fifo, dir.file("to-pipe.vob"));
    std::filesystem::create_symlink(dir.file("folder.mpg"), dir.file("to-folder.mpg"));
    std::filesystem::create_symlink(dir.file("gone.mpg"), dir.file("dangling.mpg"));

    for (const auto* name :
         {"pipe.vob", "folder.mpg", "to-pipe.vob", "to-folder.mpg", "dangling.mpg"}) {
        EXPECT_TRUE(unreadable(analyse_file(dir.file(name)))) << name;
    }
    // A character device with endless data is not read either.
    EXPECT_TRUE(unreadable(analyse_file("/dev/zero")));
}

TEST(HostileInputs, FileNamesThatAreNotUtf8AndSymlinksToRealFiles) {
    TempDir dir;
    const std::string latin1_name = "clip\xe9t\xe9\xff.m2v"; // not valid UTF-8
    const auto path = dir.write(latin1_name, small_stream());
    std::filesystem::create_symlink(path, dir.file("link\xfe.m2v"));
    for (const auto& candidate : {path, dir.file("link\xfe.m2v")}) {
        const auto result = analyse_file(candidate);
        EXPECT_TRUE(result.messages.empty());
        EXPECT_EQ(result.info.horizontal_size, 704);
        EXPECT_EQ(result.info.video_format_text, "NTSC");
    }
}

TEST(HostileInputs, AFileWithoutReadPermission) {
    TempDir dir;
    const auto path = dir.write("locked.m2v", small_stream());
    ::chmod(path.c_str(), 0000);
    ::chmod(dir.path().c_str(), 0755);

    const auto outcome = test::run_unprivileged([&] { return unreadable(analyse_file(path)); });
    if (!outcome) {
        GTEST_SKIP() << "cannot drop root privileges to test a file without read permission";
    }
    EXPECT_TRUE(*outcome);
}

TEST(HostileInputs, AFiveGigabyteSparseFileIsReadOnlyForItsPrefix) {
    TempDir dir;
    const auto path = dir.write("huge.vob", small_stream());
    ASSERT_EQ(::truncate(path.c_str(), 5LL * 1024 * 1024 * 1024), 0);

    const long long before = bytes_read_by_process();
    ASSERT_GE(before, 0);
    const auto result = analyse_file(path);
    const long long read = bytes_read_by_process() - before;

    EXPECT_TRUE(result.messages.empty());
    EXPECT_EQ(result.info.horizontal_size, 704);
    EXPECT_LE(read, static_cast<long long>(analysis_prefix_size) + 4096);
    EXPECT_GE(read, static_cast<long long>(analysis_prefix_size));
}

#endif // _WIN32

TEST(HostileInputs, AFileThatShrinksWhileItIsAnalysedGivesTheResultOfWhatWasRead) {
    TempDir dir;
    const auto bytes = small_stream();
    const auto path = dir.write("shrinking.mpg", bytes);
    // The file is cut to three bytes as soon as its prefix has been read: the
    // analysis never goes back to the file, so the result is that of the full bytes.
    const PrefixReader shrink_after_read = [](const std::string& p,
                                              std::span<std::uint8_t> buffer) {
        const PrefixRead prefix = read_file_prefix(p, buffer);
        std::error_code error;
        std::filesystem::resize_file(p, 3, error);
        EXPECT_FALSE(error) << error.message();
        return prefix;
    };
    const auto result = analyse_file(path, shrink_after_read);
    EXPECT_EQ(result.info, analyse_bytes(std::span<const std::uint8_t>(bytes)).info);
    EXPECT_EQ(std::filesystem::file_size(path), 3u);
    EXPECT_EQ(result.info.horizontal_size, 704);
}

} // namespace
} // namespace quantaline

namespace quantaline {
namespace {

TEST(HostileInputs, ReportsOnNamesTheCodePageCannotHold) {
    test::TempDir dir;
    struct Case {
        std::string name;         // the video file's name, as the file system holds it
        std::string line_4_bytes; // what line 4 holds after "Nom du fichier trait\xE9 = "
    };
    // clang-format off
    const Case cases[] = {
        {"clip-\xe6\x97\xa5\xe6\x9c\xac.m2v", "clip-??.m2v"}, // two CJK characters
        {"\xce\xb1\xce\xb2-\xe2\x82\xac.vob", "?" "?-\x80.vob"}, // Greek letters, the euro sign
#ifndef _WIN32 // Windows names are UTF-16: they always convert to valid UTF-8
        {"caf\xe9-latin1.mpg", "caf?-latin1.mpg"},            // a Latin-1 byte, not UTF-8
#endif
        {"\xf0\x9f\x8e\xac film.m2v", "? film.m2v"},          // outside the BMP
    };
    // clang-format on
    for (const auto& c : cases) {
        const std::string video = dir.folder() + c.name;
        const auto outcome =
            write_text_report(dir.folder(), video, StreamInfo{}, QuantMatrixPair{});
        ASSERT_TRUE(outcome.written) << french(outcome.message).text;
        // The report's own name keeps the video's name, so it stays easy to find and open.
        EXPECT_EQ(outcome.path, dir.folder() + "matrice de " + c.name + ".txt");
        const std::string bytes = test::read_all(outcome.path);
        // The temporary folder's path is plain ASCII, the same in both encodings.
        const std::string line_4 =
            "\r\nNom du fichier trait\xE9 = " + dir.folder() + c.line_4_bytes + "\r\n";
        EXPECT_NE(bytes.find(line_4), std::string::npos) << c.name;
    }
}

} // namespace
} // namespace quantaline
