// quantaline-cli check end to end, on streams made at test time by the encoders of the
// field: each passes the disc it was made for, and fails exactly one rule once one of its
// header fields is rewritten. pictures' timing columns on a hand-built stream.

#include "support/cli_run.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace quantaline::test {
namespace {

using cli_run::Json;
using cli_run::lines_of;
using cli_run::parse_json;
using cli_run::run_cli;

bool installed(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs an encoder's command line in `dir`; true when it succeeded.
bool encode(const TempDir& dir, const std::string& command_line) {
    const int status = std::system(
        ("cd '" + dir.path().string() + "' && " + command_line + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::uint8_t> bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Rewrites a field of every sequence header of the file: `bits` bits from bit `first` after
// the start code (horizontal_size_value 0, vertical 12, aspect 24, frame_rate_code 28,
// bit_rate_value 32, vbv_buffer_size_value 51).
void rewrite_sequence_headers(const std::string& path, int first, int bits, std::uint32_t value) {
    std::vector<std::uint8_t> b = bytes_of(path);
    for (std::size_t i = 0; i + 16 < b.size(); ++i) {
        if (b[i] != 0 || b[i + 1] != 0 || b[i + 2] != 1 || b[i + 3] != 0xB3) {
            continue;
        }
        for (int k = 0; k < bits; ++k) {
            const int bit = first + k;
            std::uint8_t& byte = b[i + 4 + static_cast<std::size_t>(bit / 8)];
            const auto mask = static_cast<std::uint8_t>(0x80 >> (bit % 8));
            const bool set = (value >> (bits - 1 - k)) & 1u;
            byte = static_cast<std::uint8_t>(set ? byte | mask : byte & ~mask);
        }
    }
    write_bytes(path, b);
}

Json check_json(const std::string& file, const std::string& profile, int& status) {
    const auto run = run_cli({"check", "--json", "--profile", profile, file});
    status = run.status;
    const auto lines = lines_of(run.out);
    EXPECT_EQ(lines.size(), 1u) << run.out << run.err;
    return lines.empty() ? Json{} : parse_json(lines[0]);
}

std::vector<std::string> rules_of(const Json& json) {
    std::vector<std::string> rules;
    for (const Json& f : json["findings"].array()) {
        rules.push_back(f["rule"].text());
    }
    return rules;
}

constexpr const char* ffmpeg = "ffmpeg -nostdin -loglevel error -y ";

TEST(CliCheck, EncodesPassTheirDiscAndOneRewrittenFieldFailsOneRule) {
    if (!installed("ffmpeg")) {
        GTEST_SKIP() << "ffmpeg is not installed (Debian package ffmpeg)";
    }
    // The test pattern's pixels are square: -aspect gives the disc's 4:3.
    const std::string pal = "-f lavfi -i testsrc2=size=720x576:rate=25 -t 2 -aspect 4:3 ";
    const std::string ntsc = "-f lavfi -i testsrc2=size=720x480:rate=30000/1001 -t 2 -aspect 4:3 ";
    struct Case {
        const char* name;
        std::string encoder; // writes out.mpg
        const char* profile; // the one auto chooses
        const char* mode;
        int first, bits; // the sequence header field rewritten, and its new value
        std::uint32_t value;
        const char* rule;
    };
    const std::vector<Case> cases = {
        {"pal-dvd", pal + "-target pal-dvd out.mpg", "dvd", "0xFFFF", 51, 10, 113,
         "vbv-buffer-size"},
        {"ntsc-dvd", ntsc + "-target ntsc-dvd out.mpg", "dvd", "0xFFFF", 12, 12, 486, "resolution"},
        {"pal-svcd", pal + "-target pal-svcd out.mpg", "svcd", "0xFFFF", 32, 18, 6501, "bit-rate"},
        {"pal-vcd", pal + "-target pal-vcd out.mpg", "vcd", "vbv_delay", 32, 18, 2876, "bit-rate"},
        // CBR with real vbv_delay at the DVD's buffer; then a header claiming 40 KiB, which
        // the buffer's 1,8 Mbit overflow.
        {"CBR DVD",
         pal + "-c:v mpeg2video -g 12 -bf 2 -b:v 6M -minrate 6M -maxrate 6M -bufsize "
               "1835k -f vob out.mpg",
         "dvd", "vbv_delay", 51, 10, 20, "vbv-overflow"},
        {"VBR DVD at 9 Mbit/s",
         pal + "-c:v mpeg2video -g 15 -bf 2 -b:v 5M -maxrate 9M -bufsize 1835k -f vob out.mpg",
         "dvd", "0xFFFF", 24, 4, 1, "aspect-ratio"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ASSERT_TRUE(encode(dir, ffmpeg + c.encoder));
        const std::string file = dir.file("out.mpg");
        int status = -1;
        const Json passed = check_json(file, "auto", status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(passed["profile"].text(), c.profile);
        EXPECT_EQ(rules_of(passed), std::vector<std::string>{});
        EXPECT_EQ(passed["buffer"]["mode"].text(), c.mode);
        EXPECT_EQ(passed["buffer"]["underflow_pictures"].number(), 0);

        rewrite_sequence_headers(file, c.first, c.bits, c.value);
        const Json failed = check_json(file, c.profile, status);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(rules_of(failed), std::vector<std::string>{c.rule});
    }
}

TEST(CliCheck, CbrVbvDelayGivesTheBitRate) {
    if (!installed("ffmpeg")) {
        GTEST_SKIP() << "ffmpeg is not installed (Debian package ffmpeg)";
    }
    // Each picture start code enters at its decoding time less its vbv_delay: between the
    // first and the last, the bits of an elementary stream (offsets are its positions) must
    // have entered at the header's bit rate.
    for (const char* rate : {"4M", "8M"}) {
        SCOPED_TRACE(rate);
        TempDir dir;
        ASSERT_TRUE(encode(dir, std::string(ffmpeg) +
                                    "-f lavfi -i testsrc2=size=720x576:rate=25 -t 3 -c:v "
                                    "mpeg2video -bf 2 -b:v " +
                                    rate + " -minrate " + rate + " -maxrate " + rate +
                                    " -bufsize 1835k out.m2v"));
        const auto run = run_cli({"pictures", "--format", "json", dir.file("out.m2v")});
        ASSERT_EQ(run.status, 0) << run.err;
        const Json json = parse_json(lines_of(run.out)[0]);
        const auto& pictures = json["pictures"].array();
        ASSERT_GT(pictures.size(), 50u);
        const auto entry = [](const Json& p) {
            return p["decode_time"].number() - p["vbv_delay"].number() / 90000;
        };
        const Json& first = pictures.front();
        const Json& last = pictures.back();
        const double bits = 8 * (last["offset"].number() - first["offset"].number());
        const double implied = bits / (entry(last) - entry(first));
        const double header = std::string(rate) == "4M" ? 4e6 : 8e6;
        EXPECT_NEAR(implied / header, 1.0, 0.001) << implied;
    }
}

TEST(CliCheck, SoftTelecinePassesAndOneFlippedFieldOrderBreaksThere) {
    if (!installed("ffmpeg") || !installed("mpeg2enc")) {
        GTEST_SKIP() << "mpeg2enc (Debian package mjpegtools) or ffmpeg is not installed";
    }
    TempDir dir;
    ASSERT_TRUE(
        encode(dir, std::string(ffmpeg) +
                        "-f lavfi -i testsrc2=size=720x480:rate=24000/1001 -t 2 "
                        "-pix_fmt yuv420p -f yuv4mpegpipe - | mpeg2enc -v 0 -f 8 -a 2 -p -o "
                        "film.m2v"));
    const std::string file = dir.file("film.m2v");
    int status = -1;
    const Json passed = check_json(file, "auto", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(passed["profile"].text(), "dvd");
    EXPECT_EQ(rules_of(passed), std::vector<std::string>{});
    EXPECT_EQ(passed["cadence"]["pattern"].text(), "3:2");
    EXPECT_NEAR(passed["cadence"]["frame_rate"].number(), 23.976, 0.001);

    // top_field_first of the tenth picture coding extension flipped.
    std::vector<std::uint8_t> b = bytes_of(file);
    std::size_t seen = 0, picture = 0;
    std::optional<std::size_t> flipped;
    for (std::size_t i = 0; i + 8 < b.size() && !flipped; ++i) {
        if (b[i] != 0 || b[i + 1] != 0 || b[i + 2] != 1) {
            continue;
        }
        if (b[i + 3] == 0x00) {
            ++picture;
        } else if (b[i + 3] == 0xB5 && b[i + 4] >> 4 == 8 && ++seen == 10) {
            b[i + 7] ^= 0x80; // top_field_first: the first bit of the extension's fourth byte
            flipped = picture - 1;
        }
    }
    ASSERT_TRUE(flipped);
    write_bytes(file, b);
    const Json failed = check_json(file, "dvd", status);
    EXPECT_EQ(status, 1);
    ASSERT_FALSE(failed["findings"].array().empty());
    EXPECT_EQ(failed["findings"][0]["rule"].text(), "field-order-break");
    const auto& breaks = failed["cadence"]["field_order_breaks"].array();
    ASSERT_FALSE(breaks.empty());
    EXPECT_EQ(breaks[0].number(), static_cast<double>(*flipped));
}

// Conformance streams of ISO/IEC 13818-4 from ../shared/streams, which their makers coded
// within the buffer: under `none` nothing is found, whatever their structure (field
// pictures, 3:2 with repeated fields, 4:2:2 at 50 Mbit/s).
TEST(CliCheck, ConformanceStreamsHoldTheBuffer) {
    const std::string folder = std::string(QUANTALINE_TEST_DATA) + "/../../../shared/streams";
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << folder << " is absent: the conformance streams cannot be checked";
    }
    for (const char* name : {"mwgoldsmith_mpeg2_sony_sony-ct3_stream.m2v",
                             "mwgoldsmith_mpeg2_422-profile_Tek6-422-bigBpic_stream.m2v",
                             "mwgoldsmith_mpeg2_tcela_tcela-9-fp-dp_stream.m2v",
                             "mwgoldsmith_mpeg2_mei_mei.2conftest.60f.new_stream.m2v",
                             "mwgoldsmith_mpeg2_nokia_nokia6_stream.m2v"}) {
        SCOPED_TRACE(name);
        const std::string file = folder + "/" + name;
        if (!std::filesystem::exists(file)) {
            ADD_FAILURE() << "missing from " << folder;
            continue;
        }
        int status = -1;
        const Json json = check_json(file, "none", status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(json["buffer"]["mode"].text(), "vbv_delay");
        EXPECT_EQ(rules_of(json), std::vector<std::string>{});
    }
}

TEST(CliCheck, KeysTextsAndExitStatuses) {
    TempDir dir;
    // MPEG-1 at 352x288: vcd, whose bit rate this one (9,8 Mbit/s) breaks.
    StreamBuilder s;
    s.sequence_header({.horizontal_size = 352, .vertical_size = 288, .vbv_buffer_size_value = 20})
        .group_of_pictures_header(0, 0, 0, 0)
        .picture_header(0, 1)
        .slice(40);
    const std::string file = dir.write("one.m1v", s.bytes());
    const std::string empty = dir.write("empty.mpg", {});

    const auto json = run_cli({"check", "--json", file});
    EXPECT_EQ(json.status, 1);
    const Json j = parse_json(lines_of(json.out)[0]);
    EXPECT_EQ(j.keys(), (std::vector<std::string>{"file", "profile", "findings", "buffer",
                                                  "cadence", "messages"}));
    EXPECT_EQ(j["profile"].text(), "vcd");
    ASSERT_EQ(j["findings"].array().size(), 1u);
    const Json& f = j["findings"][0];
    EXPECT_EQ(f.keys(), (std::vector<std::string>{"rule", "gop", "picture", "pictures", "offset",
                                                  "found", "limit", "allowed"}));
    EXPECT_EQ(f["rule"].text(), "bit-rate");
    EXPECT_TRUE(std::holds_alternative<std::nullptr_t>(f["allowed"].value));
    EXPECT_EQ(f["found"].number(), 9800000);
    EXPECT_EQ(f["limit"].number(), 1150000);
    EXPECT_EQ(f["offset"].number(), 0);
    EXPECT_EQ(j["buffer"].keys(),
              (std::vector<std::string>{"mode", "bit_rate", "buffer_size", "underflow_pictures",
                                        "overflow_pictures", "first_underflow", "first_overflow",
                                        "least_margin", "least_margin_picture"}));
    EXPECT_EQ(j["buffer"]["mode"].text(), "0xFFFF");
    EXPECT_EQ(j["buffer"]["bit_rate"].number(), 9800000);
    EXPECT_EQ(j["buffer"]["buffer_size"].number(), 20 * 16384);
    // Its one picture is decoded once every bit has entered: no margin to tell.
    for (const char* key : {"first_underflow", "least_margin", "least_margin_picture"}) {
        EXPECT_TRUE(std::holds_alternative<std::nullptr_t>(j["buffer"][key].value)) << key;
    }
    EXPECT_EQ(j["cadence"]["pattern"].text(), "progressive");

    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> environment;
        int status;
        std::string out_part;
    };
    const std::vector<Case> cases = {
        {{"check", file},
         {},
         1,
         file + " : 1 écart au profil VCD\n  Profil : vcd (auto)\n"
                "  Tampon VBV : mode 0xFFFF, 9800000 bit/s, 327680 bits\n  Cadence : progressive\n "
                " Débit maximum trop élevé : image 0, GOP 0, "
                "octet 0, trouvé 9800000, limite 1150000\n"},
        {{"check", file},
         {"LANG=en_GB.UTF-8"},
         1,
         file + " : 1 deviation from the VCD profile\n  Profile: vcd (auto)\n"},
        {{"check", "--profile", "none", file}, {}, 0, file + " : Aucun écart\n"},
        {{"check", "--profile", "dvd", file}, {}, 1, "Conforme"},
        {{"check", empty}, {}, 1, empty + " : Aucune image\n"},
        {{"check", "--profile", "DVD", file}, {}, 2, ""},
        {{"check"}, {}, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        const auto run = run_cli(c.arguments, {.environment = c.environment});
        EXPECT_EQ(run.status, c.status) << run.err;
        if (c.out_part == "Conforme") {
            EXPECT_EQ(run.out.find("Conforme"), std::string::npos) << run.out;
        } else {
            EXPECT_NE(run.out.find(c.out_part), std::string::npos) << run.out;
        }
    }
}

// A finding on an enumerated value says what the code found means and which values the
// profile admits; the JSON keeps the codes, and gives the admitted ones as data.
TEST(CliCheck, EnumeratedFindingsSayWhatTheirCodesMean) {
    TempDir dir;
    struct Case {
        const char* name;
        test::SequenceHeader header;
        std::uint8_t profile_and_level = 0x48;
        int chroma_format = 1;
        std::string rule;
        double found_code;
        std::vector<double> allowed; // empty: sizes, checked by the text
        std::string french, english; // the finding's values, as the text ends
    };
    const std::vector<Case> cases = {
        {"square pixels",
         {.aspect_ratio_information = 1},
         0x48,
         1,
         "aspect-ratio",
         1,
         {2, 3},
         "trouvé 1:1 (pixels carrés), limite 4:3 ou 16:9",
         "found 1:1 (square pixels), limit 4:3 or 16:9"},
        {"2.21:1",
         {.aspect_ratio_information = 4},
         0x48,
         1,
         "aspect-ratio",
         4,
         {2, 3},
         "trouvé 2,21:1, limite 4:3 ou 16:9",
         "found 2.21:1, limit 4:3 or 16:9"},
        {"NTSC's rate at PAL's size",
         {.frame_rate_code = 4},
         0x48,
         1,
         "frame-rate",
         4,
         {3},
         "trouvé 29,97 images/s, limite 25 images/s",
         "found 29.97 frames/s, limit 25 frames/s"},
        {"4:2:2",
         {},
         0x48,
         2,
         "chroma-format",
         2,
         {1},
         "trouvé 4:2:2, limite 4:2:0",
         "found 4:2:2, limit 4:2:0"},
        {"main profile at high level",
         {},
         0x44,
         1,
         "profile-level",
         0x44,
         {0x48},
         "trouvé MainProfil@HighLevel, limite MainProfil@MainLevel",
         "found Main@High, limit Main@Main"},
        {"a size of no disc",
         {.horizontal_size = 640, .vertical_size = 480},
         0x48,
         1,
         "resolution",
         0,
         {},
         "trouvé 640x480, limite 720x576, 704x576, 352x576, 352x288, 720x480, 704x480, 352x480 "
         "ou 352x240",
         "found 640x480, limit 720x576, 704x576, 352x576, 352x288, 720x480, 704x480, 352x480 "
         "or 352x240"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StreamBuilder s;
        s.sequence_header(c.header)
            .sequence_extension(c.profile_and_level, c.chroma_format)
            .group_of_pictures_header(0, 0, 0, 0)
            .picture(0, 1);
        const std::string file = dir.write("one.m2v", s.bytes());
        const auto json = run_cli({"check", "--json", "--profile", "dvd", file});
        const Json j = parse_json(lines_of(json.out)[0]);
        const auto& findings = j["findings"].array();
        const auto finding = std::find_if(findings.begin(), findings.end(), [&](const Json& f) {
            return f["rule"].text() == c.rule;
        });
        ASSERT_NE(finding, findings.end()) << json.out;
        if (c.allowed.empty()) {
            EXPECT_EQ((*finding)["found"].text(), "640x480");
            EXPECT_EQ((*finding)["allowed"].array().size(), 8u);
        } else {
            EXPECT_EQ((*finding)["found"].number(), c.found_code);
            std::vector<double> allowed;
            for (const Json& code : (*finding)["allowed"].array()) {
                allowed.push_back(code.number());
            }
            EXPECT_EQ(allowed, c.allowed);
        }
        for (const auto& [environment, expected] :
             {std::pair{std::vector<std::string>{}, c.french},
              std::pair{std::vector<std::string>{"LANG=en_GB.UTF-8"}, c.english}}) {
            const auto text =
                run_cli({"check", "--profile", "dvd", file}, {.environment = environment});
            EXPECT_NE(text.out.find(expected + "\n"), std::string::npos) << text.out;
        }
    }
}

// pictures' timing columns: 720 000 bit/s, a buffer of 32 768 bits; an I of 3 fields
// (repeat_first_field) whose chunk is 3 043 bytes (24 344 bits), a P and a B of 122 bytes
// (976 bits), the B's vbv_delay 0x1234: read as 0xFFFF. The 26 296 bits never fill the
// buffer: the I is decoded when all have entered, at 26 296 / 720 000 s.
TEST(CliPictures, TimingColumns) {
    TempDir dir;
    StreamBuilder s;
    s.sequence_header({.bit_rate_value = 1800, .vbv_buffer_size_value = 2})
        .sequence_extension(SequenceExtension{})
        .picture_header(0, 1)
        .picture_coding_extension(
            PictureCoding{.top_field_first = true, .repeat_first_field = true})
        .slice(3000)
        .picture_header(2, 2)
        .picture_coding_extension(PictureCoding{.progressive_frame = true})
        .slice(100)
        .picture_header(1, 3, 0x1234)
        .picture_coding_extension(PictureCoding{})
        .slice(100);
    const std::string file = dir.write("t.m2v", s.bytes());
    const auto run = run_cli({"pictures", file});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = lines_of(run.out);
    ASSERT_EQ(lines.size(), 4u);
    const auto tail = [](const std::string& line) {
        std::size_t at = line.size();
        for (int i = 0; i < 7; ++i) {
            at = line.rfind(',', at - 1);
        }
        return line.substr(at + 1);
    };
    // After the I (3 fields) 0,06 s, after the P (the I's 3) 0,06 s again.
    EXPECT_EQ(tail(lines[1]), "65535,1,1,0,3,0.036522,26296.0");
    EXPECT_EQ(tail(lines[2]), "65535,0,0,1,2,0.096522,1952.0");
    EXPECT_EQ(tail(lines[3]), "4660,0,0,0,2,0.156522,976.0");
}

} // namespace
} // namespace quantaline::test
