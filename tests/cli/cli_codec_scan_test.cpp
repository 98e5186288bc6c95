// quantaline-cli scan on MPEG-4 Part 2, H.264 and HEVC videos whose lists change during the
// stream: encodes of other lists joined one after the other, in each container (elementary,
// MP4, fragmented MP4, Matroska, transport and program streams, AVI), read through to the
// end.

#include "support/cli_run.h"
#include "support/ffmpeg.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quantaline::test {
namespace {

bool has_encoders() {
    return has_ffmpeg_encoder("libx264") && has_ffmpeg_encoder("libx265");
}

bool run(const std::string& arguments) {
    return run_ffmpeg(arguments);
}

constexpr int pictures_per_part = 3;

bool encode(const std::string& options, const std::string& file) {
    return encode_test_pattern(options, file, "64x64", pictures_per_part);
}

// The JSON value after the `nth` "key": of a line, its brackets balanced.
std::string member(const std::string& json, const std::string& key, int nth = 0) {
    std::size_t at = std::string::npos;
    for (int i = 0; i <= nth; ++i) {
        at = json.find('"' + key + "\":", at == std::string::npos ? 0 : at + 1);
        if (at == std::string::npos) {
            return {};
        }
    }
    const std::size_t begin = at + key.size() + 3;
    std::size_t end = begin;
    int depth = 0;
    do {
        const char c = json[end++];
        depth += c == '{' || c == '[' ? 1 : c == '}' || c == ']' ? -1 : 0;
    } while (end < json.size() && depth > 0);
    return json.substr(begin, end - begin);
}

// Three parts, A then B then A again, of the same codec with other lists.
TEST(CliCodecScan, ListsThatChangeDuringTheStreamAreFoundInEveryContainer) {
    if (!has_encoders()) {
        GTEST_SKIP() << "ffmpeg with libx264 and libx265 is not on this machine";
    }
    TempDir dir;
    const auto path = [&dir](const std::string& name) { return dir.file(name); };
    std::string ramp;
    for (int i = 0; i < 64; ++i) {
        ramp += (i > 0 ? "," : "") + std::to_string(8 + i);
    }
    struct Codec {
        const char* name;
        std::string a;                       // the options of part A
        std::string b;                       // of part B
        const char* raw;                     // the elementary stream's muxer
        std::vector<std::string> containers; // made from the joined elementary stream
    };
    const std::vector<Codec> codecs = {
        {"h264", "-c:v libx264 -x264-params cqm=jvt", "-c:v libx264", "h264", {"mp4", "mkv"}},
        {"hevc",
         "-c:v libx265 -x265-params log-level=error:scaling-list=default",
         "-c:v libx265 -x265-params log-level=error",
         "hevc",
         {"mp4", "mkv"}},
        {"mpeg4", "-c:v mpeg4", "-c:v mpeg4 -mpeg_quant 1 -intra_matrix " + ramp, "m4v", {"avi"}},
    };
    for (const Codec& codec : codecs) {
        SCOPED_TRACE(codec.name);
        const std::string name = codec.name;
        const std::string a = path(name + "-a.es");
        const std::string b = path(name + "-b.es");
        const std::string joined = path(name + "-joined.es");
        ASSERT_TRUE(encode(codec.a + " -f " + codec.raw, a));
        ASSERT_TRUE(encode(codec.b + " -f " + codec.raw, b));
        ASSERT_EQ(
            std::system(("cat '" + a + "' '" + b + "' '" + a + "' > '" + joined + "'").c_str()), 0);
        std::vector<std::string> files = {joined};
        for (const std::string& container : codec.containers) {
            // Matroska from the MP4, which has the timestamps a raw stream lacks.
            const std::string from = container == "mkv" ? files[1] : joined;
            const std::string file = path(name + "-joined." + container);
            ASSERT_TRUE(run("-fflags +genpts -r 25 -i '" + from + "' -c copy '" + file + "'"));
            files.push_back(file);
        }
        if (name != "mpeg4") {
            // A transport stream of its own: the parts' streams one after the other.
            const std::string ts = path(name + "-joined.ts");
            ASSERT_TRUE(encode(codec.a + " -f mpegts", path(name + "-a.ts")));
            ASSERT_TRUE(encode(codec.b + " -f mpegts", path(name + "-b.ts")));
            ASSERT_EQ(std::system(("cat '" + path(name + "-a.ts") + "' '" + path(name + "-b.ts") +
                                   "' '" + path(name + "-a.ts") + "' > '" + ts + "'")
                                      .c_str()),
                      0);
            files.push_back(ts);
        }
        // A program stream from the transport stream (MPEG-4 Part 2: from the AVI), and a
        // fragmented MP4 (MPEG-4 Part 2 has none).
        const std::string vob = path(name + "-joined.vob");
        ASSERT_TRUE(run("-i '" + files.back() + "' -c copy -f vob '" + vob + "'"));
        files.push_back(vob);
        if (name != "mpeg4") {
            const std::string fragmented = path(name + "-fragmented.mp4");
            ASSERT_TRUE(run("-i '" + files[1] + "' -c copy -movflags frag_keyframe+empty_moov '" +
                            fragmented + "'"));
            files.push_back(fragmented);
        }
        // Each part read alone gives the lists the scan must find for it.
        const auto info_a = cli_run::run_cli({"info", a, "--json"});
        const auto info_b = cli_run::run_cli({"info", b, "--json"});
        ASSERT_EQ(info_a.status, 0) << info_a.err;
        ASSERT_EQ(info_b.status, 0) << info_b.err;
        ASSERT_NE(member(info_a.out, "matrices"), member(info_b.out, "matrices"));
        for (const std::string& file : files) {
            SCOPED_TRACE(file);
            const auto scan = cli_run::run_cli({"scan", file, "--json"});
            ASSERT_EQ(scan.status, 0) << scan.err;
            const auto json = cli_run::parse_json(scan.out);
            EXPECT_EQ(json["codec"].text(), name);
            EXPECT_EQ(json["pictures"].number(), 3 * pictures_per_part);
            EXPECT_EQ(json["pictures_without_lists"].number(), 0);
            ASSERT_EQ(json["changes"].array().size(), 3u);
            ASSERT_EQ(json["sets"].array().size(), 2u);
            for (int part = 0; part < 3; ++part) {
                EXPECT_EQ(json["changes"][part]["picture"].number(), part * pictures_per_part);
                EXPECT_EQ(json["changes"][part]["set"].number(), part == 1 ? 2 : 1);
            }
            EXPECT_EQ(json["sets"][0]["pictures"].number(), 2 * pictures_per_part);
            EXPECT_EQ(json["sets"][1]["first_picture"].number(), pictures_per_part);
            for (const char* key : {"matrices", "dc"}) {
                EXPECT_EQ(member(scan.out, key, 0), member(info_a.out, key)) << key;
                EXPECT_EQ(member(scan.out, key, 1), member(info_b.out, key)) << key;
            }
        }
    }
}

// The text names where each change lies and which lists it changes.
TEST(CliCodecScan, TextListsTheChangesAndTheSets) {
    if (!has_encoders()) {
        GTEST_SKIP() << "ffmpeg with libx264 and libx265 is not on this machine";
    }
    TempDir dir;
    const std::string a = dir.file("a.264");
    const std::string b = dir.file("b.264");
    const std::string joined = dir.file("ab.264");
    ASSERT_TRUE(encode("-c:v libx264 -x264-params cqm=jvt -f h264", a));
    ASSERT_TRUE(encode("-c:v libx264 -f h264", b));
    ASSERT_EQ(std::system(("cat '" + a + "' '" + b + "' > '" + joined + "'").c_str()), 0);
    const auto scan = cli_run::run_cli({"scan", joined});
    ASSERT_EQ(scan.status, 0) << scan.err;
    const auto lines = cli_run::lines_of(scan.out);
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[1], "Type de flux : Flux élémentaire H.264");
    EXPECT_EQ(lines[2], "Images : 6");
    // Two encodes joined: two closed groups of pictures.
    EXPECT_EQ(lines[5], "Groupes d'images : 2");
    const auto changes = std::find(lines.begin(), lines.end(), "Changements :") - lines.begin();
    ASSERT_LT(changes + 3, static_cast<std::ptrdiff_t>(lines.size())) << scan.out;
    EXPECT_EQ(lines[changes + 1], "       Octet    Image  Origine               Listes");
    EXPECT_NE(lines[changes + 2].find("       0  SPS 0, PPS 0          listes initiales"),
              std::string::npos)
        << lines[changes + 2];
    // Flat lists after the JVT ones: every list changes.
    EXPECT_NE(lines[changes + 3].find("       3  SPS 0, PPS 0          intra_4x4_y, intra_4x4_cb, "
                                      "intra_4x4_cr, inter_4x4_y, inter_4x4_cb, inter_4x4_cr, "
                                      "intra_8x8_y, inter_8x8_y"),
              std::string::npos)
        << lines[changes + 3];
    EXPECT_NE(scan.out.find("Jeu de listes 2 : 3 image(s), la première : 3\nintra_4x4_y (plate) :"),
              std::string::npos)
        << scan.out;
}

} // namespace
} // namespace quantaline::test
