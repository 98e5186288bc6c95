// The containers of MPEG-4 Part 2, H.264 and HEVC: real files written by ffmpeg at test
// time, each container's units against those of the same encode's elementary stream; then
// hostile structures from a tiny builder, and the MPEG-1/2 files keeping their container.
#include "container/video_configuration.h"
#include "mpeg/demux.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace quantaline::container;
using quantaline::test::TempDir;

std::vector<std::uint8_t> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool ffmpeg_present() {
    static const bool present = std::system("ffmpeg -hide_banner -version >/dev/null 2>&1") == 0;
    return present;
}

bool ffmpeg(const TempDir& dir, const std::string& arguments) {
    const std::string command = "cd '" + dir.path().string() +
                                "' && ffmpeg -hide_banner -loglevel error -y " + arguments +
                                " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

struct Remux {
    std::string file;
    Container container;
};

struct Encode {
    const char* name;
    Codec codec;
    // Writes src.<ext> from a short test picture.
    std::string encode;
    // Writes the elementary stream ref.<ext> from the source, stream copied.
    std::string elementary;
    std::vector<Remux> containers;
};

std::vector<std::vector<std::uint8_t>> bytes_of(const VideoConfiguration& config) {
    std::vector<std::vector<std::uint8_t>> units;
    for (const auto& unit : config.units) {
        units.push_back(unit.bytes);
    }
    return units;
}

const std::string picture = "-f lavfi -i testsrc=size=128x96:rate=25 -frames:v 3 -pix_fmt yuv420p ";

const std::vector<Encode> encodes = {
    {"h264",
     Codec::h264,
     picture + "-c:v libx264 -x264-params cqm=jvt src.mp4",
     "-i src.mp4 -c copy -bsf:v h264_mp4toannexb -f h264 ref.264",
     {{"src.mp4", Container::mp4},
      {"out.mkv", Container::matroska},
      {"out.ts", Container::transport},
      {"ref.264", Container::elementary}}},
    {"hevc",
     Codec::hevc,
     picture + "-c:v libx265 -x265-params scaling-list=default:log-level=error src.mp4",
     "-i src.mp4 -c copy -bsf:v hevc_mp4toannexb -f hevc ref.265",
     {{"src.mp4", Container::mp4},
      {"out.mkv", Container::matroska},
      {"out.ts", Container::transport},
      {"ref.265", Container::elementary}}},
    {"mpeg4",
     Codec::mpeg4,
     picture + "-c:v mpeg4 src.avi",
     "-i src.avi -c copy -f m4v ref.m4v",
     {{"src.avi", Container::avi},
      {"out.mp4", Container::mp4},
      {"out.mkv", Container::matroska},
      {"out.ts", Container::transport},
      {"ref.m4v", Container::elementary}}},
    {"xvid",
     Codec::mpeg4,
     picture + "-c:v libxvid src.avi",
     "-i src.avi -c copy -f m4v ref.m4v",
     {{"src.avi", Container::avi},
      {"out.mkv", Container::matroska},
      {"ref.m4v", Container::elementary}}},
};

TEST(VideoContainers, EachContainerHoldsTheUnitsOfItsElementaryStream) {
    if (!ffmpeg_present()) {
        GTEST_SKIP() << "ffmpeg is not installed: no real files to read";
    }
    for (const Encode& encode : encodes) {
        SCOPED_TRACE(encode.name);
        TempDir dir;
        ASSERT_TRUE(ffmpeg(dir, encode.encode)) << encode.encode;
        ASSERT_TRUE(ffmpeg(dir, encode.elementary)) << encode.elementary;
        const std::string reference_file = encode.containers.back().file;
        const VideoConfiguration reference = read_video_configuration(dir.file(reference_file));
        ASSERT_EQ(reference.error, ConfigurationError::none);
        ASSERT_FALSE(reference.units.empty());
        for (const Remux& remux : encode.containers) {
            SCOPED_TRACE(remux.file);
            if (!std::filesystem::exists(dir.file(remux.file))) {
                ASSERT_TRUE(
                    ffmpeg(dir, "-i " + encode.containers.front().file + " -c copy " + remux.file));
            }
            const auto bytes = file_bytes(dir.file(remux.file));
            EXPECT_EQ(detect_format(bytes).container, remux.container);
            const VideoConfiguration config = read_video_configuration(dir.file(remux.file));
            EXPECT_EQ(config.error, ConfigurationError::none);
            EXPECT_EQ(config.container, remux.container);
            EXPECT_EQ(config.codec, encode.codec);
            EXPECT_EQ(bytes_of(config), bytes_of(reference));
            // Each unit lies where it says in the file; only a transport stream's may be
            // cut by its packets.
            for (const auto& unit : config.units) {
                if (remux.container == Container::transport && !unit.offset) {
                    continue;
                }
                ASSERT_TRUE(unit.offset.has_value());
                ASSERT_LE(*unit.offset + unit.bytes.size(), bytes.size());
                EXPECT_TRUE(std::equal(unit.bytes.begin(), unit.bytes.end(),
                                       bytes.begin() + static_cast<std::ptrdiff_t>(*unit.offset)));
            }
            // The same bytes read from memory give the same configuration.
            EXPECT_EQ(bytes_of(read_video_configuration(bytes)), bytes_of(config));
        }
    }
}

} // namespace
