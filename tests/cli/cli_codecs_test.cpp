// quantaline-cli info and matrix on MPEG-4 Part 2, H.264 and HEVC encodes made by ffmpeg in
// every container: the matrices handed to the encoder come back from the file, and the
// encoder's own matrix file that Quantaline writes is the one the encoder was given.

#include "support/cli_run.h"
#include "support/ffmpeg.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace quantaline::test {
namespace {

bool has_encoder(const std::string& name) {
    return has_ffmpeg_encoder(name);
}

bool encode(const std::string& arguments, const std::string& file) {
    return encode_test_pattern(arguments, file, "64x64", 3);
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A list's rows as the encoders' files hold them: "a, b, c" a line.
std::string rows(int grid, int first, int step) {
    std::string out;
    for (int row = 0; row < grid; ++row) {
        for (int column = 0; column < grid; ++column) {
            out += (column > 0 ? ", " : "") + std::to_string(first + (row * grid + column) * step);
        }
        out += '\n';
    }
    return out;
}

// x264's file for 4:2:0: six 4x4 lists (Cr as Cb: x264 keeps one chroma list) and the
// two luma 8x8 lists, each of its own values.
std::string x264_file() {
    std::string out;
    const char* names[] = {"INTRA4X4_LUMA", "INTRA4X4_CHROMAU", "INTRA4X4_CHROMAV",
                           "INTER4X4_LUMA", "INTER4X4_CHROMAU", "INTER4X4_CHROMAV",
                           "INTRA8X8_LUMA", "INTER8X8_LUMA"};
    const int first[] = {6, 9, 9, 11, 14, 14, 7, 12};
    for (int i = 0; i < 8; ++i) {
        out += std::string(names[i]) + " =\n" + rows(i < 6 ? 4 : 8, first[i], i < 6 ? 3 : 1);
    }
    return out;
}

// x265's file for 4:2:0, every list of its own values and the DC values apart.
std::string x265_file() {
    std::string out;
    const char* kinds[] = {"INTRA", "INTER"};
    const char* planes[] = {"LUMA", "CHROMAU", "CHROMAV"};
    int first = 8;
    for (const int size : {4, 8, 16, 32}) {
        for (const char* kind : kinds) {
            for (const char* plane : planes) {
                if (size == 32 && std::string(plane) != "LUMA") {
                    continue;
                }
                const std::string name = std::string(kind) + std::to_string(size) + "X" +
                                         std::to_string(size) + "_" + plane;
                out += name + " =\n" + rows(size == 4 ? 4 : 8, first, size == 4 ? 2 : 1);
                if (size >= 16) {
                    out += name + "_DC =\n" + std::to_string(first + 3) + "\n";
                }
                first += 5;
            }
        }
    }
    return out;
}

std::string matrix_values(int first, int step) {
    std::string out;
    for (int i = 0; i < 64; ++i) {
        out += (i > 0 ? "," : "") + std::to_string(std::min(255, first + i * step));
    }
    return out;
}

TEST(CliCodecs, EncodesInEveryContainerGiveBackTheirMatrices) {
    TempDir dir;
    const std::string cqm = dir.file("given.cqm");
    const std::string scaling = dir.file("given.txt");
    std::ofstream(cqm, std::ios::binary) << x264_file();
    std::ofstream(scaling, std::ios::binary) << x265_file();
    const std::string mpeg4_options =
        "-intra_matrix " + matrix_values(8, 2) + " -inter_matrix " + matrix_values(16, 1);
    struct Case {
        const char* encoder;
        std::string arguments;
        const char* file;
        const char* codec;
        const char* container;
        const char* format;   // the format that gives back what the encoder was given
        std::string expected; // that format's bytes
    };
    const std::string x264 = "-c:v libx264 -x264-params cqmfile=" + cqm;
    const std::string x265 = "-c:v libx265 -x265-params log-level=error:scaling-list=" + scaling;
    const std::string mpeg4 = "-c:v mpeg4 -mpeg_quant 1 " + mpeg4_options;
    const std::vector<Case> cases = {
        {"libx264", x264 + " -f h264", "a.264", "h264", "elementary", "x264", x264_file()},
        {"libx264", x264, "a.mkv", "h264", "matroska", "x264", x264_file()},
        {"libx264", x264, "a.mp4", "h264", "mp4", "x264", x264_file()},
        {"libx264", x264, "a.ts", "h264", "transport", "x264", x264_file()},
        {"libx265", x265 + " -f hevc", "b.265", "hevc", "elementary", "x265", x265_file()},
        {"libx265", x265, "b.mkv", "hevc", "matroska", "x265", x265_file()},
        {"libx265", x265, "b.mp4", "hevc", "mp4", "x265", x265_file()},
        {"libx265", x265, "b.ts", "hevc", "transport", "x265", x265_file()},
        {"mpeg4", mpeg4 + " -f m4v", "c.m4v", "mpeg4", "elementary", "ffmpeg",
         mpeg4_options + "\n"},
        {"mpeg4", mpeg4, "c.avi", "mpeg4", "avi", "ffmpeg", mpeg4_options + "\n"},
        {"mpeg4", mpeg4, "c.mkv", "mpeg4", "matroska", "ffmpeg", mpeg4_options + "\n"},
        {"mpeg4", mpeg4, "c.mp4", "mpeg4", "mp4", "ffmpeg", mpeg4_options + "\n"},
    };
    int encoded = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (!has_encoder(c.encoder)) {
            continue;
        }
        const std::string file = dir.file(c.file);
        ASSERT_TRUE(encode(c.arguments, file));
        ++encoded;
        const auto info = cli_run::run_cli({"info", "--json", file});
        EXPECT_EQ(info.status, 0) << info.err;
        EXPECT_NE(info.out.find(std::string("\"codec\":\"") + c.codec + "\""), std::string::npos);
        EXPECT_NE(info.out.find(std::string("\"container\":\"") + c.container + "\""),
                  std::string::npos)
            << info.out.substr(0, 200);
        // Written to a file, as a script hands it to the encoder.
        const std::string written = dir.file(std::string(c.file) + "." + c.format);
        const auto matrix =
            cli_run::run_cli({"matrix", file, "--format", c.format, "--output", written});
        EXPECT_EQ(matrix.status, 0) << matrix.err;
        EXPECT_EQ(read_text(written), c.expected);
    }
    if (encoded == 0) {
        GTEST_SKIP() << "ffmpeg with libx264, libx265 or mpeg4 is not on this machine";
    }
}

TEST(CliCodecs, TextShowsTheCodecAndEachListWithItsSource) {
    if (!has_encoder("libx264")) {
        GTEST_SKIP() << "ffmpeg with libx264 is not on this machine";
    }
    TempDir dir;
    const std::string file = dir.file("jvt.mkv");
    ASSERT_TRUE(encode("-c:v libx264 -x264-params cqm=jvt", file));
    const auto info = cli_run::run_cli({"info", file});
    EXPECT_EQ(info.status, 0) << info.err;
    for (const char* line :
         {"Type de flux : Matroska H.264\n", "Résolution : 64 x 64\n", "Format YUV : 4:2:0\n",
          "intra_4x4_y (", "   6  13  20  28\n", "inter_8x8_y ("}) {
        EXPECT_NE(info.out.find(line), std::string::npos) << line << " in\n" << info.out;
    }
    const auto english =
        cli_run::run_cli({"info", file}, {.environment = {"LANG=en_US.UTF-8", "LANGUAGE=en"}});
    EXPECT_NE(english.out.find("Stream type: Matroska H.264\n"), std::string::npos) << english.out;
}

// A format that cannot carry the source's lists is refused, with why, and writes nothing.
TEST(CliCodecs, FormatsThatCannotCarryTheListsAreRefused) {
    TempDir dir;
    struct Case {
        const char* encoder;
        const char* arguments;
        const char* file;
        const char* format;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"libx265", "-c:v libx265 -x265-params log-level=error:scaling-list=default", "h.mp4",
         "x264", "16x16 et 32x32"},
        {"libx264", "-c:v libx264 -x264-params cqm=jvt", "a.mkv", "x265", "x265"},
        {"libx264", "-c:v libx264 -x264-params cqm=jvt", "a.mkv", "ffmpeg",
         "Le format ffmpeg ne peut pas porter les matrices de la vidéo H.264"},
        {"libx264", "-c:v libx264 -x264-params cqm=jvt", "a.mkv", "mpeg2enc", "mpeg2enc"},
        {"mpeg4", "-c:v mpeg4", "m.avi", "ffmpeg", "H.263"},
        {"mpeg4", "-c:v mpeg4 -mpeg_quant 1", "q.avi", "x264", "MPEG-4 Part 2"},
        {"mpeg2video", "-c:v mpeg2video -f mpeg2video", "v.m2v", "x265",
         "Le format x265 ne peut pas porter les matrices de la vidéo MPEG-2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.format);
        if (!has_encoder(c.encoder)) {
            continue;
        }
        const std::string file = dir.file(c.file);
        if (!std::filesystem::exists(file)) {
            ASSERT_TRUE(encode(c.arguments, file));
        }
        const std::string output = dir.file("out");
        const auto run =
            cli_run::run_cli({"matrix", file, "--format", c.format, "--output", output});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(c.why), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

// What the commands cannot judge they say, rather than read a video that is not there:
// the macroblocks of these codecs, the buffer of MPEG-4 visual.
TEST(CliCodecs, MacroblocksAndMpeg4ChecksSayTheyDoNotReadTheseVideos) {
    if (!has_encoder("libx264") || !has_encoder("mpeg4")) {
        GTEST_SKIP() << "ffmpeg with libx264 and mpeg4 is not on this machine";
    }
    TempDir dir;
    const std::string h264 = dir.file("a.mkv");
    const std::string mpeg4 = dir.file("b.avi");
    ASSERT_TRUE(encode("-c:v libx264", h264));
    ASSERT_TRUE(encode("-c:v mpeg4", mpeg4));
    const std::vector<std::pair<std::vector<std::string>, std::string>> commands = {
        {{"check", mpeg4},
         "b.avi: Lecture du flux...: La vidéo de ce fichier est en MPEG-4 Part 2"},
        {{"macroblocks", h264, "--picture", "0"},
         "a.mkv: Lecture du flux...: La vidéo de ce fichier est en H.264"}};
    for (const auto& [command, said] : commands) {
        SCOPED_TRACE(command.front());
        const auto run = cli_run::run_cli(command);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find(command[1]), std::string::npos) << run.out;
    }
}

// ffprobe's view of a file: each packet's size in stream order, each frame's type in
// display order.
struct Probed {
    std::vector<long> packet_sizes;
    std::string frame_types;
};
Probed probe(const std::string& file, const std::string& folder) {
    const std::string packets = folder + "/packets.csv";
    const std::string frames = folder + "/frames.csv";
    Probed probed;
    if (std::system(
            ("ffprobe -v error -select_streams v:0 -show_entries packet=size -of csv=p=0 '" + file +
             "' > '" + packets + "'")
                .c_str()) != 0 ||
        std::system(("ffprobe -v error -select_streams v:0 -show_entries frame=pict_type -of "
                     "csv=p=0 '" +
                     file + "' > '" + frames + "'")
                        .c_str()) != 0) {
        return probed;
    }
    std::istringstream sizes(read_text(packets));
    // Side data may add lines of its own.
    for (std::string line; std::getline(sizes, line);) {
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
            probed.packet_sizes.push_back(std::stol(line));
        }
    }
    std::istringstream types(read_text(frames));
    for (std::string line; std::getline(types, line);) {
        if (!line.empty() && std::string("IPBS").find(line[0]) != std::string::npos) {
            probed.frame_types += line.substr(0, 1);
        }
    }
    return probed;
}

// The CSV's rows as fields.
std::vector<std::vector<std::string>> csv_rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line); // the header
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::stringstream cells(line + ",");
        for (std::string cell; std::getline(cells, cell, ',');) {
            fields.push_back(cell);
        }
        rows.push_back(fields);
    }
    return rows;
}

// `pictures` on encodes of the three codecs in their containers, against ffprobe: one
// record per picture whose bytes are the packets' (a packed AVI chunk holds two VOPs), the
// types in display order as the decoder shows them, and on a constant-QP encode the slice
// QP of every picture.
TEST(CliCodecs, PicturesGiveEveryPictureAsTheDecoderSeesIt) {
    if (!has_encoder("libx264") || !has_encoder("libx265") || !has_encoder("libxvid")) {
        GTEST_SKIP() << "ffmpeg with libx264, libx265 and libxvid is not on this machine";
    }
    struct Case {
        const char* file;
        std::string options;
        bool packets_are_pictures; // else only their sum is the pictures'
        const char* qp;            // every picture's "average,min,max", or nothing to check
        const char* structure;
    };
    const std::string x264 = "-c:v libx264 -x264-params "
                             "bframes=3:b-pyramid=normal:keyint=12:slices=4:qp=30:ipratio=1:"
                             "pbratio=1";
    const std::string x265 = "-c:v libx265 -x265-params "
                             "bframes=4:keyint=12:open-gop=1:slices=2:qp=30:ipratio=1:pbratio=1:"
                             "log-level=error";
    const std::vector<Case> cases = {
        {"x264.264", x264 + " -f h264", true, "30.00,30,30", "frame"},
        {"x264.mp4", x264, true, "30.00,30,30", "frame"},
        {"x264.mkv", x264, true, "30.00,30,30", "frame"},
        {"x264.ts", x264, true, "30.00,30,30", "frame"},
        {"mbaff.mkv", "-c:v libx264 -flags +ildct -x264-params interlaced=1:bframes=2", true,
         nullptr, "mbaff"},
        // The start code's zero byte is the access unit's own: ffprobe's parser gives it to
        // the unit before, so only the MP4 samples are compared one by one.
        {"x265.hevc", x265 + " -f hevc", false, "30.00,30,30", "frame"},
        {"x265.mp4", x265, true, "30.00,30,30", "frame"},
        {"mpeg4.avi", "-c:v mpeg4 -bf 2 -g 12 -qscale:v 5 -b_qfactor 1 -b_qoffset 0", true,
         "5.00,5,5", "frame"},
        {"mpeg4.mp4", "-c:v mpeg4 -bf 2 -g 12 -qscale:v 5 -b_qfactor 1 -b_qoffset 0", true,
         "5.00,5,5", "frame"},
        {"xvid.avi", "-c:v libxvid -bf 2 -g 12", false, nullptr, "frame"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = dir.file(c.file);
        ASSERT_TRUE(encode_test_pattern(c.options, file, "320x240", 30));
        const auto run = cli_run::run_cli({"pictures", file});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto rows = csv_rows(run.out);
        const Probed probed = probe(file, dir.path().string());
        ASSERT_FALSE(rows.empty());
        long total = 0;
        std::vector<long> bytes;
        std::vector<std::pair<double, char>> shown;
        for (const auto& row : rows) {
            ASSERT_EQ(row.size(), 19u) << run.out;
            bytes.push_back(std::stol(row[8]));
            total += bytes.back();
            shown.emplace_back(std::stod(row[14]), row[3][0]);
            EXPECT_EQ(row[5], c.structure);
            if (c.qp != nullptr) {
                EXPECT_EQ(row[10] + "," + row[11] + "," + row[12], c.qp) << "picture " << row[1];
            }
        }
        long probed_total = 0;
        for (const long size : probed.packet_sizes) {
            probed_total += size;
        }
        EXPECT_EQ(total, probed_total);
        if (c.packets_are_pictures) {
            EXPECT_EQ(bytes, probed.packet_sizes);
            std::sort(shown.begin(), shown.end());
            std::string types;
            for (const auto& [time, type] : shown) {
                types += type;
            }
            EXPECT_EQ(types, probed.frame_types);
        }
    }
}

// ffprobe's stream fields of a file, "key=value" a line.
std::string probed_stream(const std::string& file, const std::string& folder) {
    const std::string out = folder + "/stream.txt";
    const std::string command =
        "ffprobe -v error -select_streams v:0 -show_streams '" + file + "' > '" + out + "'";
    return std::system(command.c_str()) == 0 ? read_text(out) : std::string();
}
std::string probed_field(const std::string& stream, const std::string& key) {
    const std::size_t at = stream.find("\n" + key + "=");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t from = at + key.size() + 2;
    return stream.substr(from, stream.find('\n', from) - from);
}
// A JSON string or number value of `info --json`.
std::string json_field(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos) {
        return "absent";
    }
    std::size_t from = at + key.size() + 3;
    const bool quoted = json[from] == '"';
    from += quoted ? 1 : 0;
    return json.substr(from, json.find_first_of(quoted ? "\"" : ",}", from) - from);
}

// The sequence header's fields beyond the lists, against ffprobe's: aspect ratios, frame
// rate, colour description and range, bit depth; the ones a stream does not say are null.
TEST(CliCodecs, InfoGivesTheHeaderInFull) {
    if (!has_encoder("libx264") || !has_encoder("libx265") || !has_encoder("mpeg4")) {
        GTEST_SKIP() << "ffmpeg with libx264, libx265 and mpeg4 is not on this machine";
    }
    const std::string hdr = " -vf setsar=16/11 -color_primaries bt2020 -color_trc smpte2084 "
                            "-colorspace bt2020nc -color_range pc";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"sar.264", "-c:v libx264" + hdr + " -f h264"},
        {"sar.mkv", "-c:v libx265 -x265-params log-level=error" + hdr},
        {"bt709.mp4", "-c:v libx264 -color_primaries bt709 -color_trc bt709 -colorspace bt709"},
        {"ntsc.mp4", "-c:v libx265 -x265-params log-level=error -color_primaries smpte170m "
                     "-color_trc smpte170m -colorspace smpte170m -vf setsar=10/11"},
        {"vol.avi", "-c:v mpeg4 -vf setsar=12/11"},
    };
    TempDir dir;
    for (const auto& [name, options] : cases) {
        SCOPED_TRACE(name);
        const std::string file = dir.file(name);
        ASSERT_TRUE(encode_test_pattern(options, file, "352x288", 3));
        const auto run = cli_run::run_cli({"info", "--json", file});
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string stream = probed_stream(file, dir.path().string());
        const auto expect = [&](const std::string& key, const std::string& probed_key) {
            std::string probed = probed_field(stream, probed_key);
            probed = probed.empty() || probed == "unknown" || probed == "N/A" ? "null" : probed;
            EXPECT_EQ(json_field(run.out, key), probed) << key << "\n" << run.out;
        };
        expect("sample_aspect_ratio", "sample_aspect_ratio");
        expect("display_aspect_ratio", "display_aspect_ratio");
        // ffmpeg's MPEG-4 layer has no fixed rate: the rate is the container's.
        expect("frame_rate", "r_frame_rate");
        EXPECT_EQ(json_field(run.out, "frame_rate_source"),
                  std::string(name) == "vol.avi" ? "container" : "stream");
        expect("colour_primaries", "color_primaries");
        expect("transfer_characteristics", "color_transfer");
        expect("matrix_coefficients", "color_space");
        EXPECT_EQ(json_field(run.out, "bit_depth"), "8");
        const std::string range = probed_field(stream, "color_range");
        EXPECT_EQ(json_field(run.out, "full_range"), range == "pc"   ? "true"
                                                     : range == "tv" ? "false"
                                                                     : "null");
        EXPECT_EQ(json_field(run.out, "scan"), "progressive");
    }
}

// A capture that starts between two parameter sets: its lists, header and pictures are
// read from the first parameter sets met, the pictures before them counted and said.
TEST(CliCodecs, ACaptureJoinedMidStreamIsReadFromItsFirstParameterSets) {
    if (!has_encoder("libx264")) {
        GTEST_SKIP() << "ffmpeg with libx264 is not on this machine";
    }
    TempDir dir;
    const std::string whole = dir.file("whole.ts");
    ASSERT_TRUE(encode_test_pattern("-c:v libx264 -bf 0 -x264-params keyint=10:repeat-headers=1",
                                    whole, "320x240", 25));
    const auto rows = csv_rows(cli_run::run_cli({"pictures", whole}).out);
    ASSERT_EQ(rows.size(), 25u);
    ASSERT_EQ(rows[10][4], "IDR");
    // Cut at a packet inside the third picture: pictures 3 to 9 come before the second IDR.
    const long cut = (std::stol(rows[2][2]) / 188 + 1) * 188;
    ASSERT_LT(cut, std::stol(rows[3][2]));
    const std::string bytes = read_text(whole);
    const std::string joined = dir.file("joined.ts");
    std::ofstream(joined, std::ios::binary) << bytes.substr(static_cast<std::size_t>(cut));

    const auto info = cli_run::run_cli({"info", joined});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("7 image(s) avant le premier jeu de paramètres\n"), std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("intra_8x8_y (plate)"), std::string::npos) << info.out;
    const auto scan = cli_run::run_cli({"scan", joined});
    EXPECT_EQ(scan.status, 0) << scan.err;
    EXPECT_NE(scan.out.find("Début de la capture : 7 image(s) avant le premier jeu de paramètres"),
              std::string::npos)
        << scan.out;
    const auto joined_rows = csv_rows(cli_run::run_cli({"pictures", joined}).out);
    ASSERT_EQ(joined_rows.size(), 15u);
    EXPECT_EQ(joined_rows[0][4], "IDR");
    EXPECT_EQ(std::stol(joined_rows[0][2]) + cut, std::stol(rows[10][2]));
}

// The mastering display and light levels an HDR10 encode was given, in `info` whatever its
// container, and in `scan` at the pictures they change at (two encodes joined); the
// buffer's rate and size from the HRD parameters, HEVC's as H.264's.
TEST(CliCodecs, HdrMetadataAndTheBufferAreReadAsTheEncoderWasTold) {
    if (!has_encoder("libx264") || !has_encoder("libx265")) {
        GTEST_SKIP() << "ffmpeg with libx264 and libx265 is not on this machine";
    }
    const std::string display = "master-display=G(13250,34500)B(7500,3000)R(34000,16000)"
                                "WP(15635,16450)L(10000000,1)";
    // The shell takes the parentheses when quoted.
    const std::string hdr10 = "-pix_fmt yuv420p10le -c:v libx265 -x265-params "
                              "'log-level=error:hdr10=1:repeat-headers=1:keyint=5:" +
                              display;
    const std::string mastering =
        "{\"red_x\":0.68,\"red_y\":0.32,\"green_x\":0.265,\"green_y\":0.69,\"blue_x\":0.15,"
        "\"blue_y\":0.06,\"white_point_x\":0.3127,\"white_point_y\":0.329,\"min_luminance\":"
        "0.0001,\"max_luminance\":1000}";
    const std::string vbv = "vbv-maxrate=1500:vbv-bufsize=3000:";
    struct Case {
        const char* file;
        std::string options;
        const char* mastering; // the JSON object, or null
        const char* levels;
        bool buffer; // the HRD says 1 500 000 bit/s and 3 000 000 bits
    };
    const std::vector<Case> cases = {
        {"hdr10.hevc", hdr10 + ":max-cll=1000,400' -f hevc", mastering.c_str(),
         "{\"max_cll\":1000,\"max_fall\":400}", false},
        {"hdr10.mp4", hdr10 + ":max-cll=1000,400'", mastering.c_str(),
         "{\"max_cll\":1000,\"max_fall\":400}", false},
        // Told no light levels, x265 says 0 and 0.
        {"hdr10.mkv", hdr10 + "'", mastering.c_str(), "{\"max_cll\":0,\"max_fall\":0}", false},
        {"hrd.hevc", "-c:v libx265 -x265-params log-level=error:hrd=1:" + vbv + "crf=30 -f hevc",
         "null", "null", true},
        {"hrd.264", "-c:v libx264 -x264-params nal-hrd=vbr:" + vbv + "crf=30 -f h264", "null",
         "null", true},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = dir.file(c.file);
        ASSERT_TRUE(encode_test_pattern(c.options, file, "320x240", 10));
        const auto run = cli_run::run_cli({"info", "--json", file});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto object = [&](const std::string& key) {
            const std::size_t at = run.out.find("\"" + key + "\":");
            const std::size_t from = at + key.size() + 3;
            return at == std::string::npos
                       ? std::string("absent")
                       : run.out.substr(from, run.out[from] == '{'
                                                  ? run.out.find('}', from) + 1 - from
                                                  : run.out.find_first_of(",}", from) - from);
        };
        EXPECT_EQ(object("mastering_display"), c.mastering);
        EXPECT_EQ(object("content_light_level"), c.levels);
        if (c.buffer) {
            // Rounded to the scale the HRD codes them in.
            EXPECT_NEAR(std::stod(json_field(run.out, "bit_rate")), 1500000, 1500000 / 64.0);
            EXPECT_NEAR(std::stod(json_field(run.out, "buffer_size")), 3000000, 3000000 / 64.0);
        }
    }
    // Two HDR10 encodes joined: the light levels change where the second begins.
    const std::string first = dir.file("first.hevc");
    const std::string second = dir.file("second.hevc");
    ASSERT_TRUE(encode_test_pattern(hdr10 + ":max-cll=1000,400' -f hevc", first, "320x240", 10));
    ASSERT_TRUE(encode_test_pattern(hdr10 + ":max-cll=600,200' -f hevc", second, "320x240", 10));
    const std::string joined = dir.file("joined.hevc");
    std::ofstream(joined, std::ios::binary) << read_text(first) << read_text(second);
    const auto scan = cli_run::run_cli({"scan", "--json", joined});
    ASSERT_EQ(scan.status, 0) << scan.err;
    EXPECT_NE(
        scan.out.find("\"hdr\":[{\"picture\":0,\"offset\":0,\"mastering_display\":" + mastering +
                      ",\"content_light_level\":{\"max_cll\":1000,"
                      "\"max_fall\":400}},{\"picture\":10,"),
        std::string::npos)
        << scan.out;
    EXPECT_NE(scan.out.find("\"max_cll\":600,\"max_fall\":200}}]"), std::string::npos);
    const auto text = cli_run::run_cli({"scan", joined});
    EXPECT_NE(text.out.find("Niveaux de lumière : MaxCLL 1000 cd/m², MaxFALL 400 cd/m²\n"
                            "Métadonnées HDR : données ou changées aux images 0, 10\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("Écran de mastering : R(0,68 0,32) V(0,265 0,69) B(0,15 0,06), "
                            "blanc (0,3127 0,329), 0,0001 à 1000 cd/m²\n"),
              std::string::npos);
}

// ffprobe's packets of the video in decoding order: their presentation and decoding times.
std::vector<std::pair<double, double>> probed_times(const std::string& file,
                                                    const std::string& folder) {
    const std::string out = folder + "/times.csv";
    const std::string command = "ffprobe -v error -select_streams v:0 -show_entries "
                                "packet=pts_time,dts_time -of csv=p=0 '" +
                                file + "' > '" + out + "'";
    std::vector<std::pair<double, double>> times;
    if (std::system(command.c_str()) != 0) {
        return times;
    }
    std::istringstream lines(read_text(out));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t comma = line.find(',');
        if (comma != std::string::npos && line[0] != 'N') {
            const std::string dts = line.substr(comma + 1);
            times.emplace_back(std::stod(line.substr(0, comma)),
                               dts.empty() || dts[0] == 'N' ? 0.0 : std::stod(dts));
        }
    }
    return times;
}

// A picture's times come from the container where it has them (MP4's decoding and
// composition times, Matroska's block times), from the VUI elsewhere: an encode whose VUI
// says 30 pictures a second, muxed at 25, is timed at 25 in MP4 and Matroska and at 30 in
// its elementary stream; 3:2 pulldown's pictures last two and three fields in turn.
TEST(CliCodecs, TimesComeFromTheContainerWhereItHasThem) {
    if (!has_encoder("libx264")) {
        GTEST_SKIP() << "ffmpeg with libx264 is not on this machine";
    }
    const std::string options = "-c:v libx264 -x264-params bframes=3:b-pyramid=normal:keyint=8 "
                                "-bsf:v h264_metadata=tick_rate=60";
    struct Case {
        const char* file;
        std::string options;
        const char* clock;
        bool decoding_times; // the container's own, compared too
    };
    const std::vector<Case> cases = {
        {"timed.mp4", options, "container", true},
        {"timed.mkv", options, "container", false},
        {"timed.264", options + " -f h264", "vui", false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = dir.file(c.file);
        ASSERT_TRUE(encode_test_pattern(c.options, file, "320x240", 20));
        const auto rows = csv_rows(cli_run::run_cli({"pictures", file}).out);
        const auto scan = cli_run::run_cli({"scan", "--json", file});
        EXPECT_EQ(json_field(scan.out, "clock"), c.clock);
        ASSERT_EQ(rows.size(), 20u);
        const double step = std::string(c.clock) == "vui" ? 1.0 / 30 : 1.0 / 25;
        EXPECT_NEAR(std::stod(json_field(scan.out, "duration")), 20 * step, 1e-6);
        // ffprobe times an elementary stream's packets by its own guess.
        const auto probed = c.decoding_times || std::string(c.clock) == "container"
                                ? probed_times(file, dir.path().string())
                                : std::vector<std::pair<double, double>>(rows.size());
        ASSERT_EQ(probed.size(), rows.size());
        std::vector<double> shown;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            shown.push_back(std::stod(rows[k][14]));
            if (std::string(c.clock) == "container") {
                EXPECT_NEAR(shown.back() - std::stod(rows[0][14]),
                            probed[k].first - probed[0].first, 1e-3)
                    << "picture " << k;
            }
            if (c.decoding_times) {
                EXPECT_NEAR(std::stod(rows[k][13]), probed[k].second - probed[0].second, 1e-6);
            }
        }
        std::sort(shown.begin(), shown.end());
        for (std::size_t k = 1; k < shown.size(); ++k) {
            EXPECT_NEAR(shown[k] - shown[k - 1], step, 1e-3) << "picture " << k;
        }
    }
    // 3:2 pulldown (x264's own, which ffmpeg's libx264 does not pass on): each picture's
    // pic_struct SEI, the first one's before any slice, three fields then two.
    if (std::system("x264 --version > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "x264 is not on this machine: 3:2 pulldown not checked";
    }
    const std::string source = dir.file("film.y4m");
    const std::string pulldown = dir.file("pulldown.264");
    ASSERT_TRUE(run_ffmpeg_once("-f lavfi -i testsrc=size=320x240:rate=24000/1001 -frames:v 8 "
                                "-pix_fmt yuv420p -f yuv4mpegpipe",
                                source));
    ASSERT_EQ(std::system(("x264 --quiet --pulldown 32 --bframes 0 -o '" + pulldown + "' '" +
                           source + "' 2> /dev/null")
                              .c_str()),
              0);
    const auto rows = csv_rows(cli_run::run_cli({"pictures", pulldown}).out);
    ASSERT_EQ(rows.size(), 8u);
    const double field = 1001 / 60000.0;
    for (std::size_t k = 1; k < rows.size(); ++k) {
        EXPECT_NEAR(std::stod(rows[k][14]) - std::stod(rows[k - 1][14]),
                    (k % 2 == 1 ? 3 : 2) * field, 1e-6)
            << "picture " << k;
    }
}

// The rule ids of a check's findings, in order.
std::string finding_rules(const std::string& json) {
    std::string rules;
    const std::string key = "\"rule\":\"";
    const std::size_t notes = json.find("\"notes\":");
    for (std::size_t at = json.find(key); at != std::string::npos && at < notes;
         at = json.find(key, at + 1)) {
        const std::size_t from = at + key.size();
        rules += (rules.empty() ? "" : " ") + json.substr(from, json.find('"', from) - from);
    }
    return rules;
}

// Each buffering period's first initial_cpb_removal_delay, as ffmpeg's header trace reads it.
std::vector<double> traced_initial_delays(const std::string& file, const std::string& folder) {
    const std::string out = folder + "/trace.txt";
    const std::string command = "ffmpeg -hide_banner -i '" + file +
                                "' -c copy -bsf:v trace_headers -f null - > '" + out + "' 2>&1";
    std::vector<double> delays;
    if (std::system(command.c_str()) != 0) {
        return delays;
    }
    std::istringstream lines(read_text(out));
    for (std::string line; std::getline(lines, line);) {
        if (line.find(" initial_cpb_removal_delay[0] ") != std::string::npos) {
            delays.push_back(std::stod(line.substr(line.rfind("= ") + 2)));
        }
    }
    return delays;
}

// The coded picture buffer modelled against the encoders that hold it: a CBR x264 stream
// finds its buffer exactly as full as each buffering period says, in every container that
// keeps its bytes; a transport stream's added delimiters, x265's uncounted non-VCL units
// and a buffer smaller than the encoder's are found.
TEST(CliCodecs, CheckModelsTheBufferAsTheEncoderHeldIt) {
    if (!has_encoder("libx264") || !has_encoder("libx265")) {
        GTEST_SKIP() << "ffmpeg with libx264 and libx265 is not on this machine";
    }
    TempDir dir;
    const std::string cbr = dir.file("cbr.264");
    ASSERT_TRUE(encode_test_pattern("-c:v libx264 -x264-params nal-hrd=cbr:vbv-maxrate=2000:"
                                    "vbv-bufsize=2000:bitrate=2000:keyint=12 -f h264",
                                    cbr, "640x360", 96));
    struct Case {
        const char* file;
        std::string encode; // ffmpeg's options, or empty for a copy of the CBR stream
        std::vector<std::string> check;
        const char* findings;
        bool periods_full; // at each buffering period, as full as its delay says
    };
    const std::vector<Case> cases = {
        {"cbr.264", "", {}, "", true},
        {"cbr.mp4", "", {}, "", true},
        {"cbr.mkv", "", {}, "", true},
        // ffmpeg's muxer adds the delimiters the encoder never counted.
        {"cbr.ts", "", {}, "cpb-initial-delay", false},
        {"vbr.264",
         "-c:v libx264 -x264-params nal-hrd=vbr:vbv-maxrate=2000:vbv-bufsize=2000:crf=18:"
         "keyint=12 -f h264",
         {},
         "",
         false},
        {"x265.hevc",
         "-c:v libx265 -x265-params log-level=error:hrd=1:vbv-maxrate=1000:vbv-bufsize=1000:"
         "bitrate=1000:keyint=12:strict-cbr=1 -f hevc",
         {},
         "cpb-initial-delay",
         false},
        {"vbv.264",
         "-c:v libx264 -x264-params vbv-maxrate=2000:vbv-bufsize=2000:crf=18 -f h264",
         {"--rate", "2000000", "--buffer", "2000000"},
         "",
         false},
        // Filled at the constant rate, a buffer smaller than the encoder's spills over; filled
        // no earlier than its delay, the first picture is not all there when removed.
        {"small.264",
         "-c:v libx264 -x264-params vbv-maxrate=2000:vbv-bufsize=2000:crf=18 -f h264",
         {"--rate", "2000000", "--buffer", "100000", "--cbr"},
         "cpb-overflow",
         false},
        {"tiny.264",
         "-c:v libx264 -x264-params vbv-maxrate=2000:vbv-bufsize=2000:crf=18 -f h264",
         {"--rate", "2000000", "--buffer", "20000"},
         "cpb-underflow",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = dir.file(c.file);
        if (c.encode.empty() && file != cbr) {
            // Matroska and the transport stream take their times from the MP4 made before.
            const std::string from = file.ends_with(".mp4") ? cbr : dir.file("cbr.mp4");
            ASSERT_TRUE(run_ffmpeg_once("-i '" + from + "' -c copy", file));
        } else if (!c.encode.empty()) {
            ASSERT_TRUE(encode_test_pattern(c.encode, file, "640x360", 96));
        }
        std::vector<std::string> command = {"check", "--json", file};
        command.insert(command.end(), c.check.begin(), c.check.end());
        const auto run = cli_run::run_cli(command);
        EXPECT_EQ(finding_rules(run.out).rfind(c.findings, 0), 0u) << run.out;
        EXPECT_EQ(run.status, std::string(c.findings).empty() ? 0 : 1) << run.err;
        if (!c.periods_full) {
            continue;
        }
        const auto delays = traced_initial_delays(file, dir.path().string());
        const auto rows = csv_rows(cli_run::run_cli({"pictures", file}).out);
        ASSERT_FALSE(rows.empty());
        ASSERT_EQ(rows.back().size(), 19u);
        // Past the stream's last bit the buffer fills no more: the periods before it.
        const double last_bit = std::stod(rows.back()[16]);
        std::size_t period = 0;
        std::size_t checked = 0;
        for (const auto& row : rows) {
            if (row[3] == "I" && period < delays.size() && std::stod(row[17]) < last_bit) {
                // Within one 90 kHz tick of the rate.
                EXPECT_NEAR(std::stod(row[18]), 2000000 * delays[period] / 90000, 2000000 / 90000.0)
                    << "picture " << row[1];
                ++checked;
            }
            period += row[3] == "I" ? 1 : 0;
        }
        EXPECT_GE(checked, 5u);
    }
}

// An SPS's payload with its HRD told otherwise: the 4-bit scale of its bit rate (or of its
// buffer size) lowered by one, so that it states half the rate (or size) it was encoded
// for; empty when not found. The HRD is found by its bits: cpb_cnt_minus1 0, the two
// scales, the rate's and the size's values.
std::string with_halved_hrd(const std::string& payload, std::uint64_t rate, std::uint64_t size,
                            bool halve_rate) {
    std::vector<bool> bits;
    int zeros = 0;
    for (const char c : payload) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (zeros >= 2 && byte == 3) {
            zeros = 0;
            continue;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        for (int b = 7; b >= 0; --b) {
            bits.push_back(((byte >> b) & 1) != 0);
        }
    }
    const auto put = [](std::vector<bool>& out, std::uint64_t v, int length) {
        for (int b = length - 1; b >= 0; --b) {
            out.push_back(((v >> b) & 1) != 0);
        }
    };
    const auto ue = [&](std::vector<bool>& out, std::uint64_t v) {
        const int length = static_cast<int>(std::bit_width(v + 1));
        out.insert(out.end(), static_cast<std::size_t>(length - 1), false);
        put(out, v + 1, length);
    };
    for (unsigned rs = 1; rs < 16; ++rs) {
        for (unsigned ss = 1; ss < 16; ++ss) {
            if ((rate >> (6 + rs)) << (6 + rs) != rate || (size >> (4 + ss)) << (4 + ss) != size) {
                continue;
            }
            std::vector<bool> pattern = {true};
            put(pattern, rs, 4);
            put(pattern, ss, 4);
            ue(pattern, (rate >> (6 + rs)) - 1);
            ue(pattern, (size >> (4 + ss)) - 1);
            const auto at = std::search(bits.begin(), bits.end(), pattern.begin(), pattern.end());
            if (at == bits.end()) {
                continue;
            }
            std::vector<bool> lowered;
            put(lowered, (halve_rate ? rs : ss) - 1, 4);
            std::copy(lowered.begin(), lowered.end(), at + 1 + (halve_rate ? 0 : 4));
            std::string out;
            zeros = 0;
            for (std::size_t i = 0; i + 8 <= bits.size(); i += 8) {
                std::uint8_t byte = 0;
                for (std::size_t b = 0; b < 8; ++b) {
                    byte = static_cast<std::uint8_t>(byte << 1 | (bits[i + b] ? 1 : 0));
                }
                if (zeros >= 2 && byte <= 3) {
                    out += '\3';
                    zeros = 0;
                }
                zeros = byte == 0 ? zeros + 1 : 0;
                out += static_cast<char>(byte);
            }
            return out;
        }
    }
    return {};
}

// The byte stream with every SPS's HRD told as with_halved_hrd tells it; empty when one
// could not be.
std::string with_halved_hrds(const std::string& stream, std::uint64_t rate, std::uint64_t size,
                             bool halve_rate) {
    const std::string start_code("\0\0\1", 3);
    std::string out;
    std::size_t copied = 0;
    for (std::size_t at = stream.find(start_code); at != std::string::npos;
         at = stream.find(start_code, at + 3)) {
        if (at + 3 >= stream.size() || (stream[at + 3] & 0x1F) != 7) {
            continue;
        }
        std::size_t end = stream.find(start_code, at + 4);
        end = end == std::string::npos ? stream.size() : end;
        while (end > at + 4 && stream[end - 1] == '\0') {
            --end; // the next start code's leading zero
        }
        const std::string patched =
            with_halved_hrd(stream.substr(at + 4, end - at - 4), rate, size, halve_rate);
        if (patched.empty()) {
            return {};
        }
        out += stream.substr(copied, at + 4 - copied) + patched;
        copied = end;
    }
    return out.empty() ? out : out + stream.substr(copied);
}

// Two CBR encodes joined, and an encode whose SPS states half its buffer or half its rate:
// the join's second encode is timed on from the first (its removals never go back) and
// breaks the initial delay's bound there; the halved buffer spills over, the halved rate
// leaves pictures short at their removal.
TEST(CliCodecs, JoinedAndMisstatedBuffersBreakTheirRules) {
    if (!has_encoder("libx264")) {
        GTEST_SKIP() << "ffmpeg with libx264 is not on this machine";
    }
    TempDir dir;
    const std::string options =
        "-c:v libx264 -x264-params nal-hrd=cbr:vbv-maxrate=2000:vbv-bufsize=2000:bitrate=2000:"
        "keyint=12 -f h264";
    const std::string first = dir.file("first.264");
    const std::string second = dir.file("second.264");
    ASSERT_TRUE(encode_test_pattern(options, first, "640x360", 48));
    ASSERT_TRUE(encode_test_pattern("-vf hflip " + options, second, "640x360", 48));
    const std::string encoded = read_text(first);
    std::ofstream(dir.file("joined.264"), std::ios::binary) << encoded << read_text(second);
    const std::string size = with_halved_hrds(encoded, 2000000, 2000000, false);
    const std::string rate = with_halved_hrds(encoded, 2000000, 2000000, true);
    ASSERT_FALSE(size.empty());
    ASSERT_FALSE(rate.empty());
    std::ofstream(dir.file("size.264"), std::ios::binary) << size;
    std::ofstream(dir.file("rate.264"), std::ios::binary) << rate;
    struct Case {
        const char* file;
        const char* stated; // what the check says of the buffer
        std::vector<std::string> rules;
        const char* first_picture; // of the first finding
    };
    const std::vector<Case> cases = {
        {"joined.264", "\"bit_rate\":2000000,\"buffer_size\":2000000", {"cpb-initial-delay"}, "48"},
        {"size.264",
         "\"bit_rate\":2000000,\"buffer_size\":1000000",
         {"cpb-initial-delay", "cpb-overflow"},
         "0"},
        {"rate.264", "\"bit_rate\":1000000,\"buffer_size\":2000000", {"cpb-underflow"}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = dir.file(c.file);
        const auto run = cli_run::run_cli({"check", "--json", file});
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.out.find(c.stated), std::string::npos) << run.out;
        const std::string rules = finding_rules(run.out);
        for (const std::string& rule : c.rules) {
            EXPECT_NE(rules.find(rule), std::string::npos) << rules;
        }
        if (c.first_picture != nullptr) {
            EXPECT_EQ(rules.rfind(c.rules.front(), 0), 0u) << rules;
            const std::string key = std::string("\"picture\":") + c.first_picture + ",";
            EXPECT_EQ(run.out.find("\"picture\":"), run.out.find(key)) << run.out;
        }
        // Removed one after the other, in decoding order.
        const auto rows = csv_rows(cli_run::run_cli({"pictures", file}).out);
        ASSERT_GT(rows.size(), 2u);
        for (std::size_t r = 2; r < rows.size(); ++r) {
            EXPECT_GT(std::stod(rows[r][17]), std::stod(rows[r - 1][17])) << "picture " << r - 1;
        }
    }
}

// The Blu-ray rules: x264's Blu-ray settings keep every one, and each encode that changes
// one setting breaks its rule alone; `auto` takes the profile for a 192-byte-packet
// transport stream of a Blu-ray format.
TEST(CliCodecs, BlurayRulesAreEachBrokenAlone) {
    if (!has_encoder("libx264")) {
        GTEST_SKIP() << "ffmpeg with libx264 is not on this machine";
    }
    const std::string recipe = "bluray-compat=1:level=4.1:vbv-maxrate=40000:vbv-bufsize=30000:"
                               "nal-hrd=vbr:bitrate=20000:keyint=24:min-keyint=1:slices=4:aud=1:"
                               "b-pyramid=strict:bframes=3:ref=4:force-cfr=1";
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string changed = recipe;
        changed.replace(changed.find(from), from.size(), to);
        return changed;
    };
    struct Case {
        const char* file;
        std::string size;
        std::string params;
        std::string more; // ffmpeg's own options
        const char* findings;
    };
    const std::vector<Case> cases = {
        {"recipe.m2ts", "1920x1080", recipe, "-aspect 16:9 -mpegts_m2ts_mode 1", ""},
        {"slices.ts", "1920x1080", with("slices=4", "slices=1"), "-aspect 16:9", "bd-slices"},
        {"gop.ts", "1920x1080", with("keyint=24", "keyint=30"), "-aspect 16:9", "bd-gop-length"},
        {"rate.ts", "1920x1080", with("maxrate=40000", "maxrate=45000"), "-aspect 16:9",
         "bd-bitrate"},
        {"buffer.ts", "1920x1080", with("bufsize=30000", "bufsize=35000"), "-aspect 16:9",
         "bd-cpb-size"},
        {"aspect.ts", "1920x1080", recipe, "-aspect 4:3", "bd-vui-aspect"},
        {"size.ts", "1280x544", recipe, "-aspect 1280:544", "bd-format"},
        {"level.ts", "1920x1080", with("level=4.1", "level=5.1"), "-aspect 16:9", "bd-level"},
        {"refs.ts", "1920x1080", with("ref=4", "ref=6"), "-aspect 16:9", "bd-refs"},
        {"profile.ts", "1920x1080", recipe, "-aspect 16:9 -pix_fmt yuv420p10le", "bd-profile"},
        // x264's Blu-ray settings force delimiters and three B pictures at most.
        {"aud.264", "1920x1080",
         with("compat=1:level=4.1", "compat=0:level=4.1").replace(recipe.find("aud=1"), 5, "aud=0"),
         "-aspect 16:9 -f h264", "bd-aud"},
        {"b.ts", "1920x1080", with("bframes=3", "bframes=5:b-adapt=0:bluray-compat=0"),
         "-aspect 16:9", "bd-consecutive-b"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = dir.file(c.file);
        ASSERT_TRUE(run_ffmpeg_once("-f lavfi -i testsrc=size=" + c.size +
                                        ":rate=24000/1001 -frames:v 30 -pix_fmt yuv420p -c:v "
                                        "libx264 -preset ultrafast -x264-params " +
                                        c.params + " " + c.more,
                                    file));
        const bool automatic = std::string(c.file) == "recipe.m2ts";
        const auto run =
            cli_run::run_cli({"check", "--json", "--profile", automatic ? "auto" : "bluray", file});
        EXPECT_EQ(finding_rules(run.out), c.findings) << run.out;
        EXPECT_EQ(json_field(run.out, "profile"), "bluray");
    }
    const auto text = cli_run::run_cli({"check", dir.file("recipe.m2ts")});
    EXPECT_NE(text.out.find(": Conforme au profil Blu-ray\n  Profil : bluray (auto)\n"),
              std::string::npos)
        << text.out;
}

// The report, CCE and TMPGEnc take an MPEG-4 Part 2 video's two matrices, as they take an
// MPEG-2 video's (the same bytes for the same matrices); for the videos that have no such
// pair they refuse, write nothing and change nothing.
TEST(CliCodecs, ReportAndMpeg2ExportsTakeTwoMatricesOrRefuse) {
    if (!has_encoder("mpeg4") || !has_encoder("mpeg2video")) {
        GTEST_SKIP() << "ffmpeg with mpeg4 and mpeg2video is not on this machine";
    }
    TempDir dir;
    const std::string matrices =
        " -intra_matrix " + matrix_values(8, 2) + " -inter_matrix " + matrix_values(16, 1);
    struct File {
        const char* encoder;
        std::string arguments;
        const char* name;
        const char* why; // empty: its matrices are taken
    };
    const std::vector<File> files = {
        {"mpeg2video", "-c:v mpeg2video -f mpeg2video" + matrices, "v.m2v", ""},
        {"mpeg4", "-c:v mpeg4 -mpeg_quant 1" + matrices, "c.avi", ""},
        {"mpeg4", "-c:v mpeg4", "m.avi", "la vidéo MPEG-4 Part 2 n'en a pas"},
        {"libx264", "-c:v libx264", "h.mp4", "la vidéo H.264 n'en a pas"},
        {"libx265", "-c:v libx265 -x265-params log-level=error", "x.mkv",
         "la vidéo HEVC n'en a pas"},
    };
    // What each command wrote, from the matrices on for the report (its header is the
    // video's own).
    const auto outputs = [&](const File& f, const std::string& folder, int& status,
                             std::string& err) {
        std::filesystem::create_directories(folder);
        const std::string ini = folder + "/TMPGEnc.ini";
        std::ofstream(ini, std::ios::binary) << "[Tools.QuantizeMatrix]\r\nCount=0\r\n";
        const std::string video = dir.file(f.name);
        std::vector<std::string> written;
        status = 0;
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"report", video, "--output-dir", folder + "/"},
              {"export-cce", video, "--key", "K", "--name", "N", "--output", folder + "/q.reg"},
              {"export-tmpgenc", video, "--folder", folder, "--name", "N"}}) {
            const auto run = cli_run::run_cli(command);
            status |= run.status;
            err += run.err;
        }
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        for (const auto& name : names) {
            std::string text = read_text(folder + "/" + name);
            if (name.starts_with("matrice de ")) {
                text = text.substr(text.find("Matrice INTRA"));
                written.push_back("report");
            } else {
                written.push_back(name);
            }
            written.push_back(text);
        }
        return written;
    };
    std::vector<std::string> mpeg2;
    for (const File& f : files) {
        SCOPED_TRACE(f.name);
        if (!has_encoder(f.encoder)) {
            continue;
        }
        ASSERT_TRUE(encode(f.arguments, dir.file(f.name)));
        int status = 0;
        std::string err;
        const auto written = outputs(f, dir.file(std::string(f.name) + ".out"), status, err);
        if (std::string(f.why).empty()) {
            EXPECT_EQ(status, 0) << err;
            if (mpeg2.empty()) {
                mpeg2 = written;
                ASSERT_EQ(mpeg2.size(), 6u); // TMPGEnc.ini, the report, q.reg
            }
            EXPECT_EQ(written, mpeg2);
            continue;
        }
        EXPECT_EQ(status, 1);
        // Three refusals, the report's own and the encoders' two.
        EXPECT_NE(err.find(std::string("Le rapport et l'impression montrent deux matrices 8x8 "
                                       "MPEG : ") +
                           f.why),
                  std::string::npos)
            << err;
        EXPECT_NE(err.find(std::string("TMPGEnc et CCE prennent des matrices MPEG-2 : ") + f.why),
                  std::string::npos)
            << err;
        const std::vector<std::string> untouched = {"TMPGEnc.ini",
                                                    "[Tools.QuantizeMatrix]\r\nCount=0\r\n"};
        EXPECT_EQ(written, untouched);
    }
}

// An MPEG-2 video in a container that places its samples is read through them: the same
// pictures, quantisers and times as its elementary stream, whatever the container, and the
// container named; H.264 in MXF is read as in the other containers.
TEST(CliCodecs, MpegVideoInEveryContainerIsReadThroughItsSamples) {
    if (!has_encoder("mpeg2video")) {
        GTEST_SKIP() << "ffmpeg with mpeg2video is not on this machine";
    }
    TempDir dir;
    const std::string pattern = "-f lavfi -i testsrc=size=176x144:rate=25 -frames:v 24 ";
    const std::string mpeg2 = pattern + "-pix_fmt yuv420p -c:v mpeg2video -g 12 -bf 2 ";
    // Every picture's record but the file and its offset, which the container moves.
    const auto records = [](const std::string& csv) {
        std::string out;
        std::istringstream lines(csv);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t index = line.find(',');
            const std::size_t offset = line.find(',', index + 1);
            const std::size_t type = line.find(',', offset + 1);
            out += line.substr(index + 1, offset - index) + line.substr(type + 1) + '\n';
        }
        return out;
    };
    const std::string elementary = dir.file("ref.m2v");
    ASSERT_TRUE(run_ffmpeg_once(mpeg2 + "-f mpeg2video", elementary));
    const auto reference = cli_run::run_cli({"pictures", "--quantiser", elementary});
    ASSERT_EQ(reference.status, 0) << reference.err;
    ASSERT_EQ(std::count(reference.out.begin(), reference.out.end(), '\n'), 25);
    struct Case {
        std::string arguments;
        const char* file;
        const char* stream_type;
    };
    const std::vector<Case> cases = {
        {mpeg2, "a.mp4", "MP4"},
        {mpeg2, "a.mov", "MP4"},
        {mpeg2, "a.mkv", "Matroska"},
        {mpeg2, "a.avi", "AVI"},
        {mpeg2 + "-f mxf", "a.mxf", "MXF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = dir.file(c.file);
        ASSERT_TRUE(run_ffmpeg_once(c.arguments, file));
        const auto info = cli_run::run_cli({"info", "--json", file});
        EXPECT_EQ(info.status, 0) << info.err;
        EXPECT_NE(info.out.find(std::string("\"stream_type_text\":\"") + c.stream_type +
                                "\",\"header_position\""),
                  std::string::npos)
            << info.out;
        EXPECT_NE(info.out.find("\"mpeg_version_text\":\"MPEG-2\""), std::string::npos);
        const auto pictures = cli_run::run_cli({"pictures", "--quantiser", file});
        EXPECT_EQ(pictures.status, 0) << pictures.err;
        EXPECT_EQ(records(pictures.out), records(reference.out));
        const auto scan = cli_run::run_cli({"scan", file});
        EXPECT_NE(scan.out.find(std::string("Conteneur : ") + c.stream_type + "\n"),
                  std::string::npos)
            << scan.out;
    }
    // IMX (D-10): one content package a frame, its picture item the MPEG-2 frame.
    const std::string imx = dir.file("imx.mxf");
    if (run_ffmpeg_once("-f lavfi -i testsrc=size=720x576:rate=25 -frames:v 5 -pix_fmt yuv422p "
                        "-c:v mpeg2video -b:v 30M -minrate 30M -maxrate 30M -bufsize 1200000 "
                        "-rc_init_occupancy 1200000 -f mxf_d10",
                        imx)) {
        const auto scan = cli_run::run_cli({"scan", "--json", imx});
        EXPECT_NE(scan.out.find("\"pictures\":5,"), std::string::npos) << scan.out;
    }
    if (has_encoder("libx264")) {
        const std::string h264 = dir.file("h.mxf");
        ASSERT_TRUE(
            run_ffmpeg_once(pattern + "-pix_fmt yuv420p -c:v libx264 -x264-params cqm=jvt", h264));
        const auto info = cli_run::run_cli({"info", "--json", h264});
        EXPECT_NE(info.out.find("\"codec\":\"h264\",\"container\":\"mxf\""), std::string::npos)
            << info.out;
        const auto scan = cli_run::run_cli({"scan", "--json", h264});
        EXPECT_NE(scan.out.find("\"pictures\":24,"), std::string::npos) << scan.out;
    }
}

} // namespace
} // namespace quantaline::test
