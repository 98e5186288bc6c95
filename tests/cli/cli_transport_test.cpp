// Program and transport streams whose sequence header a packet boundary cuts: info, the
// encoder formats and the report give the values of the video they carry.

#include "support/cli_run.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>
#include <type_traits>
#include <variant>

namespace quantaline::test {
namespace {

using cli_run::CliRun;
using cli_run::Json;
using cli_run::lines_of;
using cli_run::parse_json;
using cli_run::run_cli;

// MPEG-2, both matrices loaded: intra 1, 4, 7 ... in stream order, non-intra 200 down.
std::vector<std::uint8_t> elementary_stream() {
    ScanMatrix intra{}, non_intra{};
    for (std::size_t i = 0; i < 64; ++i) {
        intra[i] = static_cast<std::uint8_t>(1 + 3 * i);
        non_intra[i] = static_cast<std::uint8_t>(200 - i);
    }
    StreamBuilder s;
    s.sequence_header({.intra = intra, .non_intra = non_intra});
    s.sequence_extension(0x48).sequence_display_extension(1);
    s.group_of_pictures_header(0, 0, 0, 0).picture(0, 1);
    return s.bytes();
}

// A value as text, to compare two of them.
std::string dump(const Json& json) {
    std::string text;
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::nullptr_t>) {
                text = "null";
            } else if constexpr (std::is_same_v<T, bool>) {
                text = v ? "true" : "false";
            } else if constexpr (std::is_same_v<T, double>) {
                text = std::to_string(v);
            } else if constexpr (std::is_same_v<T, std::string>) {
                text = '"' + v + '"';
            } else if constexpr (std::is_same_v<T, cli_run::JsonArray>) {
                text = "[";
                for (const auto& item : v) {
                    text += dump(item) + ",";
                }
                text += "]";
            } else {
                text = "{";
                for (const auto& [key, item] : v) {
                    text += key + ":" + dump(item) + ",";
                }
                text += "}";
            }
        },
        json.value);
    return text;
}

// The one line of info --json.
Json info_json(const std::string& path) {
    const CliRun run = run_cli({"info", "--json", path});
    EXPECT_EQ(run.status, 0) << run.err;
    const auto lines = lines_of(run.out);
    EXPECT_EQ(lines.size(), 1u);
    return parse_json(lines.empty() ? "{}" : lines[0]);
}

TEST(CliTransport, AHeaderCutByAPacketGivesTheValuesOfTheVideo) {
    TempDir dir;
    const auto es = elementary_stream();
    const std::string es_path = dir.write("video.m2v", es);
    struct Case {
        const char* name;
        Multiplexed stream;
        const char* type;
    };
    const std::vector<Case> cases = {
        // The first video packet has a 120-byte adaptation field: 50 bytes of the header.
        {"dvb.ts", transport_stream(es, {.cuts = {50}}), "Flux transport"},
        {"camera.m2ts", transport_stream(es, {.cuts = {50}, .m2ts = true}), "Flux transport"},
        // The first PES packet holds 60 bytes of the header.
        {"small-packs.mpg", program_stream(es, {.cuts = {60}}), "Flux programme"},
    };
    const Json expected = info_json(es_path);
    const CliRun expected_ffmpeg = run_cli({"matrix", es_path, "--format", "ffmpeg"});
    ASSERT_EQ(expected_ffmpeg.status, 0) << expected_ffmpeg.err;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write(c.name, c.stream.bytes);
        const Json actual = info_json(path);
        for (const auto& [key, value] : expected.object()) {
            if (key == "file" || key == "header_position") {
                continue;
            }
            if (key == "stream_type_text") {
                EXPECT_EQ(actual[key].text(), c.type);
            } else if (key == "messages") {
                EXPECT_TRUE(actual[key].array().empty());
            } else {
                EXPECT_EQ(dump(actual[key]), dump(value)) << key;
            }
        }
        EXPECT_EQ(actual["header_position"].number(), static_cast<double>(c.stream.offsets[0]));
        EXPECT_EQ(actual["mpeg_version_text"].text(), "MPEG-2");

        const CliRun ffmpeg = run_cli({"matrix", path, "--format", "ffmpeg"});
        EXPECT_EQ(ffmpeg.status, 0) << ffmpeg.err;
        EXPECT_EQ(ffmpeg.out, expected_ffmpeg.out);

        const CliRun human = run_cli({"info", path});
        EXPECT_NE(human.out.find(std::string("Type de flux : ") + c.type + " MPEG-2\n"),
                  std::string::npos)
            << human.out;

        const CliRun report = run_cli({"report", path, "--output-dir", dir.path().string()});
        ASSERT_EQ(report.status, 0) << report.err;
        const std::string bytes = read_all(dir.folder() + "matrice de " + c.name + ".txt");
        EXPECT_NE(bytes.find(std::string("\r\nType de flux = ") + c.type + " MPEG-2\r\n"),
                  std::string::npos);
    }
}

TEST(CliTransport, TheTestTransportStreamsAreTransportStreams) {
    for (const char* name : {"mpeg2-ts-audio.ts", "mpeg2-m2ts-audio.m2ts", "mpeg2-ts-422.ts"}) {
        const Json json = info_json(std::string(QUANTALINE_TEST_DATA) + "/" + name);
        EXPECT_EQ(json["stream_type_text"].text(), "Flux transport") << name;
        EXPECT_EQ(json["mpeg_version_text"].text(), "MPEG-2") << name;
        EXPECT_TRUE(json["messages"].array().empty()) << name;
    }
}

} // namespace
} // namespace quantaline::test
