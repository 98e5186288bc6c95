// Real encodes: small streams made by ffmpeg's encoders at test time with the matrices the
// test gives them, split into units here, and the matrices resolved compared with those
// given, the profile, level and size with ffmpeg's own header trace.
#include "scaling/h264_matrices.h"
#include "scaling/hevc_matrices.h"
#include "scaling/mpeg4_matrices.h"
#include "support/codec_builder.h"
#include "support/ffmpeg.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace quantaline {
namespace {

bool has_encoder(const std::string& name) {
    return test::has_ffmpeg_encoder(name);
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// 64x64 test pattern, two frames, through `encoder` into `file` (an elementary stream).
bool encode(const std::string& arguments, const std::string& file) {
    return test::run_ffmpeg_once("-f lavfi -i testsrc=size=64x64:rate=25 -frames:v 2 " + arguments,
                                 file);
}

// ffmpeg's trace of the stream's headers: "name    bits = value" a line.
std::string trace_headers(const std::string& file, const std::string& folder) {
    const std::string out = folder + "/trace.txt";
    const std::string command = "ffmpeg -hide_banner -i '" + file +
                                "' -c copy -bsf:v trace_headers -f null - 2>'" + out + "'";
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    return test::read_all(out);
}
// The value of the first traced field of this name.
long traced(const std::string& trace, const std::string& name) {
    std::istringstream lines(trace);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            if (word == name) {
                const auto equals = line.rfind("= ");
                return equals == std::string::npos ? -1 : std::stol(line.substr(equals + 2));
            }
        }
    }
    return -1;
}

// `count` values in raster order, from `first` up, each row `row_step` above the last.
std::vector<int> ramp(int first, int count, int row_step) {
    const int side = count == 16 ? 4 : 8;
    std::vector<int> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(first + i % side + (i / side) * row_step);
    }
    return values;
}
std::string joined(const std::vector<int>& values) {
    std::string text;
    for (const int v : values) {
        text += (text.empty() ? "" : ",") + std::to_string(v);
    }
    return text;
}
template <class Array> std::vector<int> as_ints(const Array& values, std::size_t count) {
    return {values.begin(), values.begin() + static_cast<std::ptrdiff_t>(count)};
}

TEST(RealEncodes, H264ScalingListsOfX264) {
    if (!has_encoder("libx264")) {
        GTEST_SKIP() << "ffmpeg with libx264 is not on this machine";
    }
    test::TempDir dir;
    const auto intra_4x4 = ramp(4, 16, 5);
    const auto inter_4x4 = ramp(30, 16, 2);
    const auto intra_8x8 = ramp(6, 64, 3);
    const auto inter_8x8 = ramp(40, 64, 1);
    const std::string custom = dir.file("custom.264");
    ASSERT_TRUE(encode("-c:v libx264 -pix_fmt yuv420p -x264-params cqm4iy=" + joined(intra_4x4) +
                           ":cqm4py=" + joined(inter_4x4) + ":cqm8i=" + joined(intra_8x8) +
                           ":cqm8p=" + joined(inter_8x8),
                       custom));
    const auto units = test::annex_b_units(read_bytes(custom));
    const auto resolved = scaling::resolve_h264(test::spans(units));
    ASSERT_TRUE(resolved.ok()) << static_cast<int>(resolved.error);
    const auto& m = resolved.matrices;
    EXPECT_EQ(as_ints(m.lists_4x4[0].values, 16), intra_4x4);
    EXPECT_EQ(as_ints(m.lists_4x4[3].values, 16), inter_4x4);
    EXPECT_EQ(as_ints(m.lists_8x8[0].values, 64), intra_8x8);
    EXPECT_EQ(as_ints(m.lists_8x8[1].values, 64), inter_8x8);
    EXPECT_EQ(m.lists_4x4[0].source.origin, scaling::Origin::coded);
    // The chroma lists x264 leaves flat, whichever way it codes them.
    EXPECT_EQ(as_ints(m.lists_4x4[2].values, 16), std::vector<int>(16, 16));
    EXPECT_EQ(as_ints(m.lists_4x4[5].values, 16), std::vector<int>(16, 16));

    const auto trace = trace_headers(custom, dir.path().string());
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(m.profile_idc, traced(trace, "profile_idc"));
    EXPECT_EQ(m.level_idc, traced(trace, "level_idc"));
    EXPECT_EQ(m.width, (traced(trace, "pic_width_in_mbs_minus1") + 1) * 16);
    EXPECT_EQ(m.width, 64u);
    EXPECT_EQ(m.height, 64u);

    // The JVT's lists are the defaults, however the encoder signals them.
    const std::string jvt = dir.file("jvt.264");
    ASSERT_TRUE(encode("-c:v libx264 -pix_fmt yuv444p -x264-params cqm=jvt", jvt));
    const auto jvt_units = test::annex_b_units(read_bytes(jvt));
    const auto defaults = scaling::resolve_h264(test::spans(jvt_units));
    ASSERT_TRUE(defaults.ok());
    EXPECT_EQ(defaults.matrices.chroma_format_idc, 3);
    EXPECT_EQ(defaults.matrices.lists_8x8_count, 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(defaults.matrices.lists_4x4[i].values,
                  i < 3 ? scaling::default_4x4_intra : scaling::default_4x4_inter);
        EXPECT_EQ(defaults.matrices.lists_8x8[i].values,
                  i % 2 == 0 ? scaling::default_8x8_intra : scaling::default_8x8_inter);
    }
    EXPECT_EQ(defaults.matrices.lists_4x4[0].values[15], 42); // the JVT's, not a flat list
}

// An encoder's scaling list file: each list in raster order, the DC values of 16x16 and
// 32x32 after them. Values 10 + size + 3 (inter) + colour + position tell each list apart.
struct ListFile {
    std::string text;
    std::array<std::array<std::vector<int>, 6>, 4> lists;
    std::array<std::array<int, 6>, 4> dc{};
};
ListFile list_file() {
    ListFile f;
    const char* kinds[] = {"INTRA", "INTER"};
    const char* colours[] = {"LUMA", "CHROMAU", "CHROMAV"};
    const int sizes[] = {4, 8, 16, 32};
    for (int size_id = 0; size_id < 4; ++size_id) {
        for (int matrix_id = 0; matrix_id < 6; ++matrix_id) {
            const int size = sizes[size_id];
            if (size_id == 3 && matrix_id % 3 != 0) {
                continue;
            }
            const std::string name = std::string(kinds[matrix_id / 3]) + std::to_string(size) +
                                     "X" + std::to_string(size) + "_" + colours[matrix_id % 3];
            auto& values = f.lists[size_id][matrix_id];
            values = ramp(10 + size + matrix_id, size_id == 0 ? 16 : 64, 1);
            f.text += name + " =\n" + joined(values) + "\n";
            if (size_id >= 2) {
                f.dc[size_id][matrix_id] = 100 + size + matrix_id;
                f.text += name + "_DC =\n" + std::to_string(f.dc[size_id][matrix_id]) + "\n";
            }
        }
    }
    return f;
}

TEST(RealEncodes, HevcScalingListsOfX265) {
    if (!has_encoder("libx265")) {
        GTEST_SKIP() << "ffmpeg with libx265 is not on this machine";
    }
    test::TempDir dir;
    const auto file = list_file();
    const auto lists = dir.write_text("lists.txt", file.text);
    for (const char* format : {"yuv420p", "yuv444p"}) {
        const std::string stream = dir.file(std::string(format) + ".265");
        ASSERT_TRUE(encode(std::string("-c:v libx265 -pix_fmt ") + format +
                               " -x265-params log-level=error:scaling-list=" + lists,
                           stream));
        const auto units = test::annex_b_units(read_bytes(stream));
        const auto resolved = scaling::resolve_hevc(test::spans(units));
        ASSERT_TRUE(resolved.ok()) << format << " " << static_cast<int>(resolved.error);
        const auto& m = resolved.matrices;
        const bool chroma_444 = std::string(format) == "yuv444p";
        for (int size_id = 0; size_id < 4; ++size_id) {
            for (int matrix_id = 0; matrix_id < 6; ++matrix_id) {
                const auto& list = m.lists[size_id][matrix_id];
                const bool derived = size_id == 3 && matrix_id % 3 != 0;
                // 4:4:4's 32x32 chroma lists are the 16x16 ones.
                const int from_size = derived ? 2 : size_id;
                EXPECT_EQ(as_ints(list.values, size_id == 0 ? 16 : 64),
                          file.lists[from_size][matrix_id])
                    << format << " [" << size_id << "][" << matrix_id << "]";
                if (size_id >= 2) {
                    EXPECT_EQ(list.dc, file.dc[from_size][matrix_id]) << format << " " << size_id;
                }
                EXPECT_EQ(list.in_use, !derived || chroma_444);
            }
        }
        const auto trace = trace_headers(stream, dir.path().string());
        ASSERT_FALSE(trace.empty());
        EXPECT_EQ(m.general_profile_idc, traced(trace, "general_profile_idc")) << format;
        EXPECT_EQ(m.general_level_idc, traced(trace, "general_level_idc")) << format;
        EXPECT_EQ(m.chroma_format_idc, traced(trace, "chroma_format_idc")) << format;
        EXPECT_EQ(m.width, traced(trace, "pic_width_in_luma_samples")) << format;
        EXPECT_EQ(m.height, 64u);
    }

    // The encoder's default lists: scaling lists on, the standard's lists in force.
    const std::string stream = dir.file("default.265");
    ASSERT_TRUE(encode(
        "-c:v libx265 -pix_fmt yuv420p -x265-params log-level=error:scaling-list=default", stream));
    const auto units = test::annex_b_units(read_bytes(stream));
    const auto resolved = scaling::resolve_hevc(test::spans(units));
    ASSERT_TRUE(resolved.ok());
    EXPECT_TRUE(resolved.matrices.scaling_list_enabled_flag);
    EXPECT_EQ(resolved.matrices.lists[1][0].values, scaling::hevc_default_8x8_intra);
    EXPECT_EQ(resolved.matrices.lists[3][3].values, scaling::hevc_default_8x8_inter);
    EXPECT_EQ(resolved.matrices.lists[3][3].values[63], 91);
}

TEST(RealEncodes, Mpeg4MatricesOfTwoEncoders) {
    const auto intra = ramp(8, 64, 2);
    // Past the first row of zig-zag positions every value is the same: an encoder may end
    // the list early and let the last value repeat.
    std::vector<int> inter(64, 40);
    inter[0] = 16;
    inter[1] = 20;
    inter[8] = 24;
    struct Case {
        const char* encoder;
        const char* arguments;
    };
    const Case cases[] = {{"mpeg4", "-c:v mpeg4 -mpeg_quant 1"},
                          {"libxvid", "-c:v libxvid -mpeg_quant 1"}};
    bool any = false;
    for (const auto& c : cases) {
        if (!has_encoder(c.encoder)) {
            continue;
        }
        any = true;
        test::TempDir dir;
        const std::string stream = dir.file("a.m4v");
        ASSERT_TRUE(encode(std::string(c.arguments) + " -intra_matrix " + joined(intra) +
                               " -inter_matrix " + joined(inter) + " -f m4v",
                           stream))
            << c.encoder;
        const auto resolved = scaling::resolve_mpeg4(read_bytes(stream));
        ASSERT_TRUE(resolved.ok()) << c.encoder << " " << static_cast<int>(resolved.syntax);
        const auto& m = resolved.matrices;
        EXPECT_EQ(m.quantisation, scaling::Quantisation::mpeg) << c.encoder;
        EXPECT_EQ(as_ints(m.intra.values, 64), intra) << c.encoder;
        EXPECT_EQ(as_ints(m.nonintra.values, 64), inter) << c.encoder;
        EXPECT_EQ(m.width, 64) << c.encoder;
        EXPECT_EQ(m.height, 64) << c.encoder;

        const std::string h263 = dir.file("b.m4v");
        ASSERT_TRUE(encode(std::string("-c:v ") + c.encoder + " -f m4v", h263));
        const auto plain = scaling::resolve_mpeg4(read_bytes(h263));
        ASSERT_TRUE(plain.ok()) << c.encoder;
        EXPECT_EQ(plain.matrices.quantisation, scaling::Quantisation::h263) << c.encoder;
    }
    if (!any) {
        GTEST_SKIP() << "ffmpeg with an MPEG-4 visual encoder is not on this machine";
    }
}

} // namespace
} // namespace quantaline
