// The containers of MPEG-4 Part 2, H.264 and HEVC: real files written by ffmpeg at test
// time, each container's units against those of the same encode's elementary stream; then
// hostile structures from a tiny builder, and the MPEG-1/2 files keeping their container.
#include "container/units.h"
#include "container/video_configuration.h"
#include "mpeg/demux.h"
#include "mpeg/scan.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
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
      {"out.m2ts", Container::transport},
      {"ref.264", Container::elementary}}},
    {"hevc",
     Codec::hevc,
     picture + "-c:v libx265 -x265-params scaling-list=default:log-level=error src.mp4",
     "-i src.mp4 -c copy -bsf:v hevc_mp4toannexb -f hevc ref.265",
     {{"src.mp4", Container::mp4},
      {"out.mkv", Container::matroska},
      {"out.ts", Container::transport},
      {"out.m2ts", Container::transport},
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
            if (remux.file == "out.ts") {
                // The same packets without the tables (PAT, PMT, SDT), as a capture of one
                // PID has them: the video is read from its PES stream all the same.
                std::vector<std::uint8_t> bare;
                for (std::size_t at = 0; at + 188 <= bytes.size(); at += 188) {
                    const unsigned pid = (bytes[at + 1] & 0x1Fu) << 8 | bytes[at + 2];
                    if (pid != 0x0000 && pid != 0x0011 && pid != 0x1000) {
                        bare.insert(bare.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                    bytes.begin() + static_cast<std::ptrdiff_t>(at + 188));
                    }
                }
                ASSERT_LT(bare.size(), bytes.size());
                const VideoConfiguration without =
                    read_video_configuration(dir.write("bare.ts", bare));
                EXPECT_EQ(without.error, ConfigurationError::none);
                EXPECT_EQ(without.codec, encode.codec);
                EXPECT_EQ(bytes_of(without), bytes_of(reference));
            }
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

// A tiny writer of boxes, EBML elements and RIFF chunks from readable calls.
using Bytes = std::vector<std::uint8_t>;

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}
Bytes text(const std::string& chars) {
    return {chars.begin(), chars.end()};
}
Bytes be(std::uint64_t value, int bytes) {
    Bytes out;
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(i < 8 ? value >> (8 * i) : 0));
    }
    return out;
}
Bytes le(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}
// A box whose size field says `size` (its true size when absent).
Bytes box(const std::string& type, const Bytes& payload, std::optional<std::uint32_t> size = {}) {
    return cat({be(size.value_or(static_cast<std::uint32_t>(8 + payload.size())), 4), text(type),
                payload});
}
Bytes large_box(const std::string& type, std::uint64_t size, const Bytes& payload) {
    return cat({be(1, 4), text(type), be(size, 8), payload});
}
Bytes ftyp() {
    return box("ftyp", cat({text("isom"), be(0, 4)}));
}
Bytes video_handler() {
    return box("hdlr", cat({be(0, 8), text("vide"), be(0, 12)}));
}
Bytes sample_table(const Bytes& entry) {
    return box("stbl", box("stsd", cat({be(0, 4), be(1, 4), entry})));
}
Bytes video_track(const Bytes& entry) {
    return box("trak", box("mdia", cat({video_handler(), box("minf", sample_table(entry))})));
}
Bytes visual_entry(const std::string& type, const Bytes& boxes) {
    return box(type, cat({Bytes(78, 0), boxes}));
}
// EBML: an id as written, a size of `width` bytes (8 at most).
Bytes ebml(std::uint32_t id, const Bytes& payload, int width = 8,
           std::optional<std::uint64_t> size = {}) {
    Bytes out = id > 0xFFFFFF ? be(id, 4)
                : id > 0xFFFF ? be(id, 3)
                : id > 0xFF   ? be(id, 2)
                              : be(id, 1);
    Bytes field = be(size.value_or(payload.size()), width);
    field[0] = static_cast<std::uint8_t>(field[0] | (0x80 >> (width - 1)));
    return cat({out, field, payload});
}
Bytes ebml_header() {
    return ebml(0x1A45DFA3, ebml(0x4282, text("matroska"), 1));
}
Bytes chunk(const std::string& id, const Bytes& payload, std::optional<std::uint32_t> size = {}) {
    return cat({text(id), le(size.value_or(static_cast<std::uint32_t>(payload.size()))), payload});
}
Bytes list(const std::string& type, const Bytes& payload) {
    return chunk("LIST", cat({text(type), payload}));
}

// What a walk hands on, written down: "config N" for the container's configuration, then
// "set XX", "picture XX" and "other XX" with each unit's first byte, its size, its offset
// and its position among the video's bytes.
class RecordingSink final : public UnitSink {
  public:
    void configuration(Codec, std::span<const ConfigurationUnit> units) override {
        record += "config " + std::to_string(units.size()) + "\n";
    }
    void unit(Codec, const WalkedUnit& unit) override {
        static constexpr const char* kinds[] = {"set", "picture", "other"};
        char line[96];
        std::snprintf(line, sizeof line, "%s %02X %zu @%s #%llu\n",
                      kinds[static_cast<int>(unit.kind)], unit.bytes.empty() ? 0 : unit.bytes[0],
                      unit.bytes.size(), unit.offset ? std::to_string(*unit.offset).c_str() : "-",
                      static_cast<unsigned long long>(unit.position));
        record += line;
    }
    std::string record;
};

// Walking a byte stream: every parameter set whole, each picture's head only (its body of
// any length stepped over), the same whatever pieces the bytes come in.
TEST(VideoContainers, WalksHandOnEveryUnitWhateverThePieces) {
    const Bytes body(5000, 0x55);
    struct Stream {
        const char* name;
        Codec codec;
        Bytes bytes;
        std::string expected;
    };
    const std::vector<Stream> streams = {
        {"h264", Codec::h264,
         cat({Bytes{0, 0, 0, 1, 0x67, 0x64, 0, 0x1E}, Bytes{0, 0, 1, 0x68, 0xEB, 0xE3},
              Bytes{0, 0, 1, 0x65, 0x88}, body, Bytes{0, 0, 1, 0x06, 5},
              Bytes{0, 0, 1, 0x41, 0x9A, 0x21}, Bytes{0, 0, 1, 0x67, 0x4D, 1}}),
         "set 67 4 @4 #0\nset 68 3 @11 #8\npicture 65 256 @17 #14\nother 06 2 @5022 #5019\n"
         "picture 41 3 @5027 #5024\nset 67 3 @5033 #5030\n"},
        {"hevc", Codec::hevc,
         cat({Bytes{0, 0, 1, 0x42, 1, 1}, Bytes{0, 0, 1, 0x44, 1, 0xC1}, Bytes{0, 0, 1, 0x26, 1},
              body, Bytes{0, 0, 1, 0x4E, 1, 5}, Bytes{0, 0, 1, 0x02, 1, 0xD0}}),
         "set 42 3 @3 #0\nset 44 3 @9 #6\npicture 26 256 @15 #12\nother 4E 3 @5020 #5017\n"
         "picture 02 3 @5026 #5023\n"},
        // The headers joined up to their VOP; a group of VOPs ends them too.
        {"mpeg4", Codec::mpeg4,
         cat({Bytes{0, 0, 1, 0xB0, 1}, Bytes{0, 0, 1, 0x00}, Bytes{0, 0, 1, 0x20, 0, 0xC4},
              Bytes{0, 0, 1, 0xB6, 0x10}, body, Bytes{0, 0, 1, 0x20, 0, 0xC8},
              Bytes{0, 0, 1, 0xB3, 0}, Bytes{0, 0, 1, 0xB6, 0x50}}),
         "set 00 15 @0 #0\npicture B6 256 @18 #15\nset 00 6 @5020 #5020\nother B3 1 @5029 #5026\n"
         "picture B6 2 @5034 #5030\n"},
    };
    for (const Stream& stream : streams) {
        SCOPED_TRACE(stream.name);
        for (const std::size_t piece : {stream.bytes.size(), std::size_t{1}, std::size_t{7},
                                        std::size_t{188}, std::size_t{4096}}) {
            RecordingSink sink;
            sink.configuration_given = true; // the splitter's alone: no container
            VideoConfiguration config;
            config.walk = &sink;
            UnitCollector collector(stream.codec, config);
            StartCodeSplitter splitter(collector);
            for (std::size_t at = 0; at < stream.bytes.size(); at += piece) {
                const std::size_t size = std::min(piece, stream.bytes.size() - at);
                ASSERT_TRUE(splitter.feed(
                    std::span<const std::uint8_t>(stream.bytes).subspan(at, size), at));
            }
            splitter.finish();
            EXPECT_EQ(sink.record, stream.expected) << "pieces of " << piece;
            EXPECT_TRUE(config.units.empty());
        }
    }
}

// The walks over the samples of each container, built by hand where ffmpeg's files do not
// go: a fragmented MP4, Matroska clusters of unknown size, an AVI past its first RIFF.
TEST(VideoContainers, WalksReachEverySampleOfTheirContainer) {
    const Bytes sps = {0x67, 0x64, 0x00, 0x1E, 0xAC};
    const Bytes pps = {0x68, 0xEB, 0xE3};
    const Bytes avcc = cat({Bytes{1, 0x64, 0, 0x1E, 0xFF, 0xE1}, be(sps.size(), 2), sps, Bytes{1},
                            be(pps.size(), 2), pps});
    const Bytes idr = {0x65, 0x88, 0x84, 0x21};
    const Bytes slice = {0x41, 0x9A, 0x02};
    const auto prefixed = [](std::initializer_list<Bytes> units) {
        Bytes out;
        for (const Bytes& unit : units) {
            out = cat({out, be(unit.size(), 4), unit});
        }
        return out;
    };
    const Bytes first = prefixed({Bytes{0x67, 0x4D, 0, 0x1F}, idr});
    const Bytes second = prefixed({slice});

    // moov with an empty sample table, then a fragment of two samples of track 7.
    const Bytes trak =
        box("trak",
            cat({box("tkhd", cat({be(0, 12), be(7, 4), be(0, 8)})),
                 box("mdia",
                     cat({video_handler(),
                          box("minf",
                              box("stbl",
                                  cat({box("stsd", cat({be(0, 4), be(1, 4),
                                                        visual_entry("avc1", box("avcC", avcc))})),
                                       box("stsz", be(0, 12)), box("stsc", be(0, 8)),
                                       box("stco", be(0, 8))})))}))}));
    const Bytes moov =
        box("moov",
            cat({trak, box("mvex", box("trex", cat({be(0, 4), be(7, 4), be(0, 8), be(0, 8)})))}));
    const auto moof_with = [&](std::uint32_t data_offset) {
        return box(
            "moof",
            box("traf", cat({box("tfhd", cat({be(0x020000, 4), be(7, 4)})),
                             box("trun", cat({be(0x000201, 4), be(2, 4), be(data_offset, 4),
                                              be(first.size(), 4), be(second.size(), 4)}))})));
    };
    const std::size_t moof_size = moof_with(0).size();
    const Bytes fragmented =
        cat({ftyp(), moov, moof_with(static_cast<std::uint32_t>(moof_size + 8)),
             box("mdat", cat({first, second}))});

    const Bytes block_header = {0x81, 0, 0, 0x80};
    const Bytes track = ebml(0xAE,
                             cat({ebml(0xD7, {1}, 1), ebml(0x83, {1}, 1),
                                  ebml(0x86, text("V_MPEG4/ISO/AVC"), 1), ebml(0x63A2, avcc, 1)}),
                             1);
    const Bytes unknown_clusters =
        cat({ebml_header(),
             ebml(0x18538067,
                  cat({ebml(0x1654AE6B, track, 1),
                       ebml(0x1F43B675,
                            cat({ebml(0xE7, {0}, 1), ebml(0xA3, cat({block_header, first}), 1)}), 1,
                            0x7F),
                       ebml(0x1F43B675,
                            cat({ebml(0xE7, {1}, 1), ebml(0xA3, cat({block_header, second}), 1)}),
                            1, 0x7F)}),
                  1, 0x7F)});

    const Bytes annex_b_first =
        cat({Bytes{0, 0, 0, 1}, sps, Bytes{0, 0, 1}, pps, Bytes{0, 0, 1}, idr});
    const Bytes strf = cat({le(40), le(64), le(64), Bytes(4, 0), text("H264"), Bytes(20, 0)});
    const Bytes riff = chunk(
        "RIFF",
        cat({text("AVI "),
             list("hdrl",
                  list("strl", cat({chunk("strh", cat({text("vids"), text("H264"), Bytes(48, 0)})),
                                    chunk("strf", strf)}))),
             list("movi", chunk("00dc", annex_b_first))}));
    const Bytes avix = chunk(
        "RIFF", cat({text("AVIX"), list("movi", chunk("00dc", cat({Bytes{0, 0, 1}, slice})))}));
    const Bytes avi = cat({riff, avix});

    struct Case {
        const char* name;
        Bytes bytes;
        std::string expected; // the record without offsets
    };
    const std::vector<Case> cases = {
        {"fragmented mp4", fragmented, "config 2\nset 67\npicture 65\npicture 41\n"},
        {"matroska clusters of unknown size", unknown_clusters,
         "config 2\nset 67\npicture 65\npicture 41\n"},
        {"avi with an AVIX part", avi, "config 0\nset 67\nset 68\npicture 65\npicture 41\n"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        RecordingSink sink;
        const VideoConfiguration config = walk_video_stream(test.bytes, sink);
        EXPECT_EQ(config.error, ConfigurationError::none);
        EXPECT_EQ(config.codec, Codec::h264);
        // Each line's first two words.
        std::string kinds;
        std::istringstream lines(sink.record);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t words = line.find(' ', line.find(' ') + 1);
            kinds += line.substr(0, words) + "\n";
        }
        EXPECT_EQ(kinds, test.expected) << sink.record;
    }
}

struct Hostile {
    const char* name;
    Bytes bytes;
    ConfigurationError error;
};

TEST(VideoContainers, HostileStructuresGiveAnErrorValue) {
    // A header partition pack's key, its length and value to follow.
    const Bytes mxf_partition = {0x06, 0x0E, 0x2B, 0x34, 0x02, 0x05, 0x01, 0x01,
                                 0x0D, 0x01, 0x02, 0x01, 0x01, 0x02, 0x04, 0x00};
    const Bytes sps = {0x67, 0x64, 0x00, 0x1E, 0xAC};
    const Bytes avcc_claiming_more = cat({Bytes{1, 0x64, 0, 0x1E, 0xFF, 0xE1}, be(200, 2), sps});
    const Bytes deep = [] {
        Bytes inner = box("free", {});
        for (int i = 0; i < 2000; ++i) {
            inner = box("trak", inner);
        }
        return cat({ftyp(), box("moov", inner)});
    }();
    const std::vector<Hostile> cases = {
        {"moov past the end", cat({ftyp(), box("moov", Bytes(16, 0), 4096)}),
         ConfigurationError::truncated},
        {"box smaller than its header", cat({ftyp(), box("free", {}, 4)}),
         ConfigurationError::damaged},
        {"video track without its sample table",
         cat({ftyp(), box("moov", box("trak", box("mdia", video_handler())))}),
         ConfigurationError::damaged},
        {"64-bit size below its header", cat({ftyp(), large_box("moov", 8, {})}),
         ConfigurationError::damaged},
        {"64-bit size past the end", cat({ftyp(), large_box("moov", std::uint64_t{1} << 62, {})}),
         ConfigurationError::truncated},
        {"size 0 ends the file without a moov", cat({ftyp(), box("mdat", Bytes(32, 0), 0)}),
         ConfigurationError::no_video},
        {"child past its parent", cat({ftyp(), box("moov", box("trak", Bytes(8, 0), 64))}),
         ConfigurationError::truncated},
        {"deep nesting", deep, ConfigurationError::no_video},
        {"avcC's set past its box",
         cat({ftyp(),
              box("moov", video_track(visual_entry("avc1", box("avcC", avcc_claiming_more))))}),
         ConfigurationError::damaged},
        {"sample entry cut", cat({ftyp(), box("moov", video_track(box("avc1", Bytes(20, 0))))}),
         ConfigurationError::truncated},
        {"EBML size of 8 bytes past the end",
         cat({ebml_header(), ebml(0x18538067, ebml(0x1654AE6B, {}, 8, std::uint64_t{1} << 55))}),
         ConfigurationError::truncated},
        {"EBML id longer than 4 bytes", cat({ebml_header(), Bytes{0x08, 1, 2, 3, 4, 0x81, 0}}),
         ConfigurationError::damaged},
        {"EBML size of unknown length",
         cat({ebml_header(), Bytes{0x18, 0x53, 0x80, 0x67, 0x00, 0, 0}}),
         ConfigurationError::damaged},
        {"tracks of unknown size",
         cat({ebml_header(), ebml(0x18538067, ebml(0x1654AE6B, {}, 8, 0xFFFFFFFFFFFFFFull >> 0))}),
         ConfigurationError::truncated},
        {"matroska without video",
         cat({ebml_header(), ebml(0x18538067, ebml(0x1654AE6B, ebml(0xAE, ebml(0x83, {2}, 1))))}),
         ConfigurationError::no_video},
        {"AVI header list past the end",
         cat({text("RIFF"), le(100), text("AVI "), chunk("LIST", text("hdrl"), 5000)}),
         ConfigurationError::truncated},
        {"AVI without a video stream",
         chunk("RIFF",
               cat({text("AVI "),
                    list("hdrl", list("strl", chunk("strh", cat({text("auds"), Bytes(52, 0)}))))})),
         ConfigurationError::no_video},
        {"H.264 without parameter sets",
         cat({Bytes{0, 0, 0, 1, 0x09, 0x10}, Bytes{0, 0, 1, 0x65, 0x88}}),
         ConfigurationError::no_configuration},
        {"MXF packet past the end", cat({mxf_partition, Bytes{0x83, 0x10, 0x00, 0x00}}),
         ConfigurationError::truncated},
        {"MXF length of 9 bytes", cat({mxf_partition, Bytes{0x89}, Bytes(9, 0xFF)}),
         ConfigurationError::damaged},
        {"MXF without picture essence", cat({mxf_partition, Bytes{0x04, 0, 0, 0, 0}}),
         ConfigurationError::no_video},
    };
    for (const Hostile& hostile : cases) {
        SCOPED_TRACE(hostile.name);
        const auto config = read_video_configuration(hostile.bytes);
        EXPECT_EQ(config.error, hostile.error) << static_cast<int>(config.container);
    }
}

// A real file cut anywhere, or with a byte changed anywhere, is read without a crash, and
// a reading that reports no error found units.
TEST(VideoContainers, CutAndDamagedRealFilesEndCleanly) {
    if (!ffmpeg_present()) {
        GTEST_SKIP() << "ffmpeg is not installed: no real files to read";
    }
    TempDir dir;
    ASSERT_TRUE(ffmpeg(dir, picture + "-c:v libx264 -x264-params cqm=jvt src.mp4"));
    ASSERT_TRUE(ffmpeg(dir, "-i src.mp4 -c copy out.mkv"));
    ASSERT_TRUE(ffmpeg(dir, picture + "-c:v mpeg4 out.avi"));
    for (const char* name : {"src.mp4", "out.mkv", "out.avi"}) {
        SCOPED_TRACE(name);
        const Bytes whole = file_bytes(dir.file(name));
        for (std::size_t cut = 0; cut < whole.size(); cut += 1 + cut / 8) {
            const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
            const auto config = read_video_configuration(part);
            EXPECT_TRUE(config.error != ConfigurationError::none || !config.units.empty()) << cut;
            Bytes damaged = whole;
            damaged[cut] = static_cast<std::uint8_t>(damaged[cut] ^ 0xFF);
            const auto changed = read_video_configuration(damaged);
            EXPECT_TRUE(changed.error != ConfigurationError::none || !changed.units.empty()) << cut;
        }
    }
}

// The MPEG-1/2 files keep the container mpeg/ gives them, and state their own codec; so do
// the real streams of ../shared/streams when they are there.
TEST(VideoContainers, MpegFilesKeepTheirContainer) {
    namespace fs = std::filesystem;
    const fs::path shared =
        fs::path(QUANTALINE_TEST_DATA) / ".." / ".." / ".." / "shared" / "streams";
    std::size_t seen = 0;
    for (const fs::path& folder : {fs::path(QUANTALINE_TEST_DATA), shared}) {
        if (!fs::is_directory(folder)) {
            std::cout << "no " << folder.string() << ": its streams are not read\n";
            continue;
        }
        const bool own = folder == fs::path(QUANTALINE_TEST_DATA);
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            const std::string extension = entry.path().extension().string();
            if (own ? name.rfind("mpeg", 0) != 0
                    : extension == ".md" || extension == ".tsv" || extension == ".txt") {
                continue;
            }
            SCOPED_TRACE(name);
            ++seen;
            const Bytes bytes = file_bytes(entry.path().string());
            const auto layout = quantaline::mpeg::detect_layout(bytes);
            const Container expected =
                layout.container == quantaline::mpeg::Container::transport ? Container::transport
                : layout.container == quantaline::mpeg::Container::program ? Container::program
                                                                           : Container::elementary;
            const auto config = read_video_configuration(entry.path().string());
            EXPECT_EQ(detect_format(bytes).container, expected);
            EXPECT_EQ(config.container, expected);
            EXPECT_TRUE(config.units.empty());
            if (own && expected != Container::program) {
                EXPECT_EQ(config.codec, name.rfind("mpeg1", 0) == 0 ? Codec::mpeg1 : Codec::mpeg2);
            }
        }
    }
    EXPECT_GT(seen, 20u);
}

// The units of a byte stream are the same however its bytes arrive: whole, or in pieces
// of any size (start codes cut between two reads, 3- and 4-byte start codes, a video
// object start code followed at once by the next).
TEST(VideoContainers, UnitsDoNotDependOnHowTheBytesArrive) {
    struct Stream {
        const char* name;
        Codec codec;
        Bytes bytes;
        std::size_t units;
        bool in_one_piece = true;
    };
    const std::vector<Stream> streams = {
        {"h264", Codec::h264,
         cat({Bytes{0, 0, 0, 1, 0x09, 0x10}, Bytes{0, 0, 0, 1, 0x67, 0x64, 0, 0x1E, 0, 0, 3, 1},
              Bytes{0, 0, 1, 0x06, 5, 1, 0x80}, Bytes{0, 0, 1, 0x68, 0xEB, 0xE3, 0, 0},
              Bytes{0, 0, 1, 0x65, 0x88, 0x84}, Bytes{0, 0, 1, 0x67, 1}}),
         2},
        {"hevc", Codec::hevc,
         cat({Bytes{0, 0, 0, 1, 0x40, 1, 0x0C}, Bytes{0, 0, 1, 0x42, 1, 1, 0, 0, 3},
              Bytes{0, 0, 1, 0x44, 1, 0xC1}, Bytes{0, 0, 1, 0x4E, 1, 5},
              Bytes{0, 0, 1, 0x26, 1, 0xAF}}),
         3},
        {"mpeg4", Codec::mpeg4,
         cat({Bytes{0, 0, 1, 0xB0, 1}, Bytes{0, 0, 1, 0xB5, 0x89}, Bytes{0, 0, 1, 0x00},
              Bytes{0, 0, 1, 0x20, 0, 0xC4}, Bytes{0, 0, 1, 0xB6, 0x10}}),
         1},
        // Zero bytes stuffed between two headers: the joined unit is not the file's bytes.
        {"mpeg4 stuffed", Codec::mpeg4,
         cat({Bytes{0, 0, 1, 0xB0, 1, 0, 0}, Bytes{0, 0, 1, 0x00}, Bytes{0, 0, 1, 0x20, 0, 0xC4},
              Bytes{0, 0, 1, 0xB6, 0x10}}),
         1, false},
    };
    for (const Stream& stream : streams) {
        SCOPED_TRACE(stream.name);
        std::vector<ConfigurationUnit> whole;
        {
            UnitCollector collector(stream.codec, whole);
            StartCodeSplitter splitter(collector);
            splitter.feed(stream.bytes, 0);
            splitter.finish();
        }
        ASSERT_EQ(whole.size(), stream.units);
        for (const auto& unit : whole) {
            ASSERT_EQ(unit.offset.has_value(), stream.in_one_piece);
            if (!unit.offset) {
                continue;
            }
            EXPECT_TRUE(
                std::equal(unit.bytes.begin(), unit.bytes.end(),
                           stream.bytes.begin() + static_cast<std::ptrdiff_t>(*unit.offset)));
        }
        for (std::size_t piece = 1; piece < stream.bytes.size(); ++piece) {
            std::vector<ConfigurationUnit> pieces;
            UnitCollector collector(stream.codec, pieces);
            StartCodeSplitter splitter(collector);
            for (std::size_t at = 0; at < stream.bytes.size(); at += piece) {
                const std::size_t size = std::min(piece, stream.bytes.size() - at);
                splitter.feed(std::span<const std::uint8_t>(stream.bytes).subspan(at, size), at);
            }
            splitter.finish();
            EXPECT_EQ(pieces, whole) << "pieces of " << piece;
        }
    }
}

// Every read of a multiplex takes the same video: the first stream of a codec read here in
// the first program, in the PAT's order, that has one; the programs before it without a
// video (a radio service, a map without streams, a map absent from the capture) passed over.
TEST(VideoContainers, MultiplexesGiveEveryReadTheSameVideo) {
    namespace test = quantaline::test;
    test::StreamBuilder mpeg2;
    mpeg2.sequence_header({}).sequence_extension(0x48).group_of_pictures_header(0, 0, 0, 0);
    mpeg2.picture(0, 1).picture(1, 2).picture(2, 2);
    const Bytes h264 =
        cat({Bytes{0, 0, 0, 1, 0x67, 0x64, 0, 0x1E, 0, 0, 3, 1},
             Bytes{0, 0, 1, 0x68, 0xEB, 0xE3, 0, 0}, Bytes{0, 0, 1, 0x65, 0x88, 0x84}});
    const test::OtherProgram radio{{0x03, 0x0F}};
    const test::OtherProgram empty{{}};
    const test::OtherProgram absent{{0x1B}, false};
    const test::OtherProgram h264_elsewhere{{0x1B}};
    const test::OtherProgram mpeg2_elsewhere{{0x02}};
    struct Case {
        const char* name;
        bool h264_video; // the video's program carries the H.264 stream, else MPEG-2
        std::vector<test::OtherProgram> before;
        std::vector<test::OtherProgram> after;
        Codec codec;            // what the container read tells
        std::uint64_t pictures; // what the MPEG scan finds
    };
    const std::vector<Case> cases = {
        {"MPEG-2 alone", false, {}, {}, Codec::mpeg2, 3},
        {"a radio service first", false, {radio}, {}, Codec::mpeg2, 3},
        {"H.264 after a radio service", true, {radio}, {}, Codec::h264, 0},
        {"H.264 after a map without streams", true, {empty, radio}, {}, Codec::h264, 0},
        {"H.264 after a map absent from the capture", true, {absent}, {}, Codec::h264, 0},
        {"MPEG-2 then H.264", false, {}, {h264_elsewhere}, Codec::mpeg2, 3},
        {"H.264 then MPEG-2", false, {h264_elsewhere}, {}, Codec::h264, 0},
        {"MPEG-2 after a map absent from the capture",
         false,
         {absent},
         {mpeg2_elsewhere},
         Codec::mpeg2,
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto ts = test::transport_stream(
            c.h264_video ? h264 : mpeg2.bytes(),
            {.stream_type = static_cast<std::uint8_t>(c.h264_video ? 0x1B : 0x02),
             .other_streams = false,
             .programs_before = c.before,
             .programs_after = c.after});
        const VideoConfiguration config = read_video_configuration(ts.bytes);
        EXPECT_EQ(config.container, Container::transport);
        EXPECT_EQ(config.codec, c.codec);
        if (c.h264_video && c.codec == Codec::h264) {
            EXPECT_EQ(config.error, ConfigurationError::none);
            EXPECT_EQ(config.units.size(), 2u);
        }
        const quantaline::mpeg::ScanResult scan = quantaline::mpeg::scan_bytes(ts.bytes);
        EXPECT_EQ(scan.pictures, c.pictures);
    }
}

} // namespace
