// The encoders' own matrix files: their exact bytes, what they refuse, and round trips
// through the real encoders (made at test time, split into units, the matrices resolved
// and compared with those written).
#include "export/encoder_files.h"
#include "export/matrix_formats.h"
#include "support/codec_builder.h"
#include "support/ffmpeg.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace quantaline {
namespace {

using scaling::H264Matrices;
using scaling::HevcMatrices;
using scaling::Mpeg4Matrices;

// Values from `first` up, one a place, wrapping inside 1..255.
template <class Array> void fill(Array& values, int first, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        values[i] = static_cast<std::uint8_t>(1 + (first + static_cast<int>(i) - 1) % 255);
    }
}

// 4:2:0 with Cr lists equal to the Cb ones, every other list its own values.
H264Matrices h264_source(std::uint8_t chroma_format_idc) {
    H264Matrices m;
    m.chroma_format_idc = chroma_format_idc;
    m.lists_8x8_count = chroma_format_idc == 3 ? 6 : 2;
    for (std::size_t list = 0; list < 6; ++list) {
        fill(m.lists_4x4[list].values, 10 + 20 * static_cast<int>(list % 3 == 2 ? list - 1 : list),
             16);
        fill(m.lists_8x8[list].values, 1 + 30 * static_cast<int>(list >= 4 ? list - 2 : list), 64);
    }
    return m;
}

HevcMatrices hevc_source(std::uint8_t chroma_format_idc) {
    HevcMatrices m;
    m.chroma_format_idc = chroma_format_idc;
    m.scaling_list_enabled_flag = true;
    for (std::size_t size = 0; size < 4; ++size) {
        for (std::size_t list = 0; list < 6; ++list) {
            auto& l = m.lists[size][list];
            fill(l.values, 5 + 7 * static_cast<int>(size) + 9 * static_cast<int>(list),
                 size == 0 ? 16 : 64);
            l.dc = static_cast<std::uint8_t>(40 + 10 * size + list);
            l.in_use = size < 3 || list % 3 == 0 || chroma_format_idc == 3;
        }
    }
    // The 32x32 chroma lists of 4:4:4 are those of 16x16.
    for (const std::size_t list : {1u, 2u, 4u, 5u}) {
        m.lists[3][list].values = m.lists[2][list].values;
        m.lists[3][list].dc = m.lists[2][list].dc;
    }
    return m;
}

TEST(EncoderFiles, X264FileBytes) {
    const auto text = x264_cqm_file(h264_source(1));
    ASSERT_TRUE(text.ok());
    // LF line endings: x264 splits on any white space and reads both.
    EXPECT_EQ(text.text, "INTRA4X4_LUMA =\n"
                         "10, 11, 12, 13\n14, 15, 16, 17\n18, 19, 20, 21\n22, 23, 24, 25\n"
                         "INTRA4X4_CHROMAU =\n"
                         "30, 31, 32, 33\n34, 35, 36, 37\n38, 39, 40, 41\n42, 43, 44, 45\n"
                         "INTRA4X4_CHROMAV =\n"
                         "30, 31, 32, 33\n34, 35, 36, 37\n38, 39, 40, 41\n42, 43, 44, 45\n"
                         "INTER4X4_LUMA =\n"
                         "70, 71, 72, 73\n74, 75, 76, 77\n78, 79, 80, 81\n82, 83, 84, 85\n"
                         "INTER4X4_CHROMAU =\n"
                         "90, 91, 92, 93\n94, 95, 96, 97\n98, 99, 100, 101\n102, 103, 104, 105\n"
                         "INTER4X4_CHROMAV =\n"
                         "90, 91, 92, 93\n94, 95, 96, 97\n98, 99, 100, 101\n102, 103, 104, 105\n"
                         "INTRA8X8_LUMA =\n"
                         "1, 2, 3, 4, 5, 6, 7, 8\n9, 10, 11, 12, 13, 14, 15, 16\n"
                         "17, 18, 19, 20, 21, 22, 23, 24\n25, 26, 27, 28, 29, 30, 31, 32\n"
                         "33, 34, 35, 36, 37, 38, 39, 40\n41, 42, 43, 44, 45, 46, 47, 48\n"
                         "49, 50, 51, 52, 53, 54, 55, 56\n57, 58, 59, 60, 61, 62, 63, 64\n"
                         "INTER8X8_LUMA =\n"
                         "31, 32, 33, 34, 35, 36, 37, 38\n39, 40, 41, 42, 43, 44, 45, 46\n"
                         "47, 48, 49, 50, 51, 52, 53, 54\n55, 56, 57, 58, 59, 60, 61, 62\n"
                         "63, 64, 65, 66, 67, 68, 69, 70\n71, 72, 73, 74, 75, 76, 77, 78\n"
                         "79, 80, 81, 82, 83, 84, 85, 86\n87, 88, 89, 90, 91, 92, 93, 94\n");
    // 4:4:4 adds the chroma 8x8 lists, Cb before Cr, intra before inter.
    const auto full = x264_cqm_file(h264_source(3));
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(full.text.substr(0, text.text.size()), text.text);
    EXPECT_EQ(full.text.substr(text.text.size(), 62),
              "INTRA8X8_CHROMAU =\n61, 62, 63, 64, 65, 66, 67, 68\n69, 70, 71, ");
    EXPECT_NE(full.text.find("\nINTER8X8_CHROMAU =\n91, 92, "), std::string::npos);
    EXPECT_NE(full.text.find("\nINTRA8X8_CHROMAV =\n61, 62, "), std::string::npos);
    EXPECT_NE(full.text.find("\nINTER8X8_CHROMAV =\n91, 92, "), std::string::npos);
}

TEST(EncoderFiles, X265FileBytes) {
    const auto text = x265_scaling_list_file(hevc_source(1));
    ASSERT_TRUE(text.ok());
    const std::string& t = text.text;
    EXPECT_EQ(t.substr(0, 71),
              "INTRA4X4_LUMA =\n5, 6, 7, 8\n9, 10, 11, 12\n13, 14, 15, 16\n17, 18, 19, 20\n");
    EXPECT_NE(t.find("\nINTRA16X16_LUMA =\n19, 20, 21, 22, 23, 24, 25, 26\n"), std::string::npos);
    EXPECT_NE(t.find("75, 76, 77, 78, 79, 80, 81, 82\nINTRA16X16_LUMA_DC =\n60\n"
                     "INTRA16X16_CHROMAU =\n28, "),
              std::string::npos);
    EXPECT_EQ(t.substr(t.size() - 24), "INTER32X32_LUMA_DC =\n73\n")
        << "the file ends with the 32x32 inter luma list's DC";
    // The blocks in the order x265 reads them; the 32x32 chroma lists left out.
    std::vector<std::string> names;
    std::size_t at = 0;
    while ((at = t.find(" =\n", at)) != std::string::npos) {
        const std::size_t start = t.rfind('\n', at);
        names.push_back(t.substr(start == std::string::npos ? 0 : start + 1,
                                 at - (start == std::string::npos ? 0 : start + 1)));
        at += 3;
    }
    const std::vector<std::string> expected{
        "INTRA4X4_LUMA",         "INTRA4X4_CHROMAU",   "INTRA4X4_CHROMAV",
        "INTER4X4_LUMA",         "INTER4X4_CHROMAU",   "INTER4X4_CHROMAV",
        "INTRA8X8_LUMA",         "INTRA8X8_CHROMAU",   "INTRA8X8_CHROMAV",
        "INTER8X8_LUMA",         "INTER8X8_CHROMAU",   "INTER8X8_CHROMAV",
        "INTRA16X16_LUMA",       "INTRA16X16_LUMA_DC", "INTRA16X16_CHROMAU",
        "INTRA16X16_CHROMAU_DC", "INTRA16X16_CHROMAV", "INTRA16X16_CHROMAV_DC",
        "INTER16X16_LUMA",       "INTER16X16_LUMA_DC", "INTER16X16_CHROMAU",
        "INTER16X16_CHROMAU_DC", "INTER16X16_CHROMAV", "INTER16X16_CHROMAV_DC",
        "INTRA32X32_LUMA",       "INTRA32X32_LUMA_DC", "INTER32X32_LUMA",
        "INTER32X32_LUMA_DC"};
    EXPECT_EQ(names, expected);
}

TEST(EncoderFiles, Refusals) {
    auto zero_h264 = h264_source(1);
    zero_h264.lists_8x8[1].values[63] = 0;
    auto cr_h264 = h264_source(1);
    cr_h264.lists_4x4[5].values[0] = 200;
    auto cr_8x8 = h264_source(3);
    cr_8x8.lists_8x8[4].values[10] = 1;
    auto zero_hevc = hevc_source(1);
    zero_hevc.lists[0][4].values[15] = 0;
    auto zero_dc = hevc_source(1);
    zero_dc.lists[3][3].dc = 0;
    const struct {
        const char* name;
        EncoderFileText text;
        MessageId expected;
    } cases[] = {
        {"x264 from HEVC", x264_cqm_file(hevc_source(1)), MessageId::x264_file_hevc_source},
        {"x265 from H.264", x265_scaling_list_file(h264_source(1)),
         MessageId::x265_file_h264_source},
        {"x264, a 0", x264_cqm_file(zero_h264), MessageId::encoder_file_zero_value},
        {"x264, own 4x4 Cr", x264_cqm_file(cr_h264), MessageId::x264_file_separate_cr},
        {"x264, own 8x8 Cr", x264_cqm_file(cr_8x8), MessageId::x264_file_separate_cr},
        {"x265, a 0", x265_scaling_list_file(zero_hevc), MessageId::encoder_file_zero_value},
        {"x265, a DC of 0", x265_scaling_list_file(zero_dc), MessageId::encoder_file_zero_value},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.text.ok()) << c.name;
        EXPECT_EQ(c.text.refused->id, c.expected) << c.name;
        EXPECT_TRUE(c.text.text.empty()) << c.name;
    }
    // A different Cr 8x8 list matters for 4:4:4 only.
    auto cr_8x8_420 = h264_source(1);
    cr_8x8_420.lists_8x8[4].values[10] = 1;
    EXPECT_TRUE(x264_cqm_file(cr_8x8_420).ok());

    Mpeg4Matrices h263;
    EXPECT_EQ(mpeg4_matrix_pair(h263).refused->id, MessageId::mpeg4_h263_no_matrices);
    Mpeg4Matrices mpeg;
    mpeg.quantisation = scaling::Quantisation::mpeg;
    fill(mpeg.intra.values, 8, 64);
    mpeg.intra.source.origin = scaling::Origin::coded;
    fill(mpeg.nonintra.values, 16, 64);
    mpeg.nonintra.source.origin = scaling::Origin::default_list;
    const auto pair = mpeg4_matrix_pair(mpeg);
    ASSERT_TRUE(pair.ok());
    EXPECT_EQ(pair.matrices.intra, mpeg.intra.values);
    EXPECT_EQ(pair.matrices.non_intra, mpeg.nonintra.values);
    EXPECT_TRUE(pair.matrices.intra_from_stream);
    EXPECT_FALSE(pair.matrices.non_intra_from_stream);
    EXPECT_EQ(ffmpeg_matrix_values(pair.matrices.intra).substr(0, 12), "8,9,10,11,12");
}

// Round trips through the real encoders.

bool has_encoder(const std::string& name) {
    return test::has_ffmpeg_encoder(name);
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool encode(const std::string& arguments, const std::string& file) {
    return test::run_ffmpeg_once("-f lavfi -i testsrc=size=64x64:rate=25 -frames:v 3 " + arguments,
                                 file);
}

TEST(EncoderFilesRoundTrip, X264) {
    if (!has_encoder("libx264")) {
        GTEST_SKIP() << "ffmpeg with libx264 is not on this machine";
    }
    test::TempDir dir;
    for (const auto& [pix_fmt, chroma] : {std::pair{"yuv420p", 1}, std::pair{"yuv444p", 3}}) {
        const auto written = h264_source(static_cast<std::uint8_t>(chroma));
        const std::string cqm = dir.file("x264.cqm");
        write_text(cqm, x264_cqm_file(written).text);
        const std::string stream = dir.file("a.264");
        ASSERT_TRUE(
            encode(std::string("-c:v libx264 -pix_fmt ") + pix_fmt + " -x264-params cqmfile=" + cqm,
                   stream))
            << pix_fmt;
        const auto units = test::annex_b_units(read_bytes(stream));
        const auto resolved = scaling::resolve_h264(test::spans(units));
        ASSERT_TRUE(resolved.ok()) << pix_fmt;
        const auto& m = resolved.matrices;
        ASSERT_EQ(m.lists_8x8_count, written.lists_8x8_count) << pix_fmt;
        for (std::size_t list = 0; list < 6; ++list) {
            EXPECT_EQ(m.lists_4x4[list].values, written.lists_4x4[list].values) << pix_fmt << list;
        }
        for (std::size_t list = 0; list < m.lists_8x8_count; ++list) {
            EXPECT_EQ(m.lists_8x8[list].values, written.lists_8x8[list].values) << pix_fmt << list;
        }
    }
}

TEST(EncoderFilesRoundTrip, X265) {
    if (!has_encoder("libx265")) {
        GTEST_SKIP() << "ffmpeg with libx265 is not on this machine";
    }
    test::TempDir dir;
    for (const auto& [pix_fmt, chroma] : {std::pair{"yuv420p", 1}, std::pair{"yuv444p", 3}}) {
        const auto written = hevc_source(static_cast<std::uint8_t>(chroma));
        const std::string file = dir.file("x265.txt");
        write_text(file, x265_scaling_list_file(written).text);
        const std::string stream = dir.file("a.265");
        ASSERT_TRUE(encode(std::string("-c:v libx265 -pix_fmt ") + pix_fmt +
                               " -x265-params log-level=error:scaling-list=" + file,
                           stream))
            << pix_fmt;
        const auto units = test::annex_b_units(read_bytes(stream));
        const auto resolved = scaling::resolve_hevc(test::spans(units));
        ASSERT_TRUE(resolved.ok()) << pix_fmt;
        const auto& m = resolved.matrices;
        EXPECT_TRUE(m.scaling_list_enabled_flag);
        for (std::size_t size = 0; size < 4; ++size) {
            for (std::size_t list = 0; list < 6; ++list) {
                const auto& got = m.lists[size][list];
                const auto& want = written.lists[size][list];
                if (!want.in_use) {
                    continue;
                }
                const std::size_t count = size == 0 ? 16 : 64;
                EXPECT_TRUE(std::equal(got.values.begin(),
                                       got.values.begin() + static_cast<std::ptrdiff_t>(count),
                                       want.values.begin()))
                    << pix_fmt << " size " << size << " list " << list;
                if (size >= 2) {
                    EXPECT_EQ(got.dc, want.dc) << pix_fmt << " size " << size << " list " << list;
                }
            }
        }
    }
}

TEST(EncoderFilesRoundTrip, Mpeg4ThroughTheFfmpegFormat) {
    if (!has_encoder("mpeg4")) {
        GTEST_SKIP() << "ffmpeg with its mpeg4 encoder is not on this machine";
    }
    test::TempDir dir;
    Mpeg4Matrices source;
    source.quantisation = scaling::Quantisation::mpeg;
    fill(source.intra.values, 8, 64);
    fill(source.nonintra.values, 17, 64);
    const auto pair = mpeg4_matrix_pair(source);
    ASSERT_TRUE(pair.ok());
    const std::string stream = dir.file("a.m4v");
    ASSERT_TRUE(
        encode("-c:v mpeg4 -mpeg_quant 1 " + ffmpeg_options(pair.matrices) + " -f m4v", stream));
    const auto resolved = scaling::resolve_mpeg4(read_bytes(stream));
    ASSERT_TRUE(resolved.ok());
    ASSERT_EQ(resolved.matrices.quantisation, scaling::Quantisation::mpeg);
    EXPECT_EQ(resolved.matrices.intra.values, pair.matrices.intra);
    EXPECT_EQ(resolved.matrices.nonintra.values, pair.matrices.non_intra);
    // And back: the stream's pair is the one handed to the encoder.
    EXPECT_EQ(ffmpeg_options(mpeg4_matrix_pair(resolved.matrices).matrices),
              ffmpeg_options(pair.matrices));
}

} // namespace
} // namespace quantaline
