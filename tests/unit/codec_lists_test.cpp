// The lists of an H.264, HEVC or MPEG-4 video as the front ends show them: each under its
// name, with the source that names the list it was copied from, and the profile texts.

#include "analysis/codec_matrices.h"
#include "analysis/codec_scan.h"
#include "io/text.h"
#include "support/codec_builder.h"

#include <gtest/gtest.h>
#include <tuple>

namespace quantaline {
namespace {

using container::Codec;
using container::Container;
using container::VideoConfiguration;

VideoConfiguration configuration(Codec codec, const std::vector<std::vector<std::uint8_t>>& units) {
    VideoConfiguration config;
    config.container = Container::matroska;
    config.codec = codec;
    for (const auto& unit : units) {
        config.units.push_back({unit, std::nullopt});
    }
    return config;
}

std::vector<int> counting(int first, int count) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(first + i);
    }
    return values;
}

TEST(CodecLists, EachListNamedWithTheListItComesFrom) {
    // H.264 4:4:4: the SPS codes intra Y 4x4 and intra Y 8x8 only; the PPS codes its 4x4
    // intra Y and leaves inter Y to rule B.
    test::H264Sps sps;
    sps.profile_idc = 244;
    sps.level_idc = 41;
    sps.chroma_format_idc = 3;
    sps.scaling.assign(12, {});
    sps.scaling[0] = test::h264_values(counting(10, 16));
    sps.scaling[6] = test::h264_values(counting(20, 64));
    test::H264Pps pps;
    pps.chroma_format_idc = 3;
    pps.transform_8x8_mode_flag = true;
    pps.scaling.assign(12, {});
    pps.scaling[0] = test::h264_values(counting(30, 16));
    const CodecAnalysis h264 =
        analyse_codec(configuration(Codec::h264, {test::h264_sps(sps), test::h264_pps(pps)}));

    // HEVC 4:4:4 over the SPS's lists: 8x8 intra Cb predicted from intra Y.
    test::HevcSps hevc_sps;
    hevc_sps.general_profile_idc = 2;
    hevc_sps.general_level_idc = 153;
    hevc_sps.chroma_format_idc = 3;
    hevc_sps.scaling_list_enabled = true;
    hevc_sps.scaling = test::hevc_all_explicit();
    (*hevc_sps.scaling)[1][1] = test::hevc_predicted(1);
    const CodecAnalysis hevc =
        analyse_codec(configuration(Codec::hevc, {test::hevc_sps(hevc_sps), test::hevc_pps({})}));

    ASSERT_TRUE(h264.ok());
    ASSERT_TRUE(hevc.ok());
    EXPECT_EQ(h264.lists.size(), 12u);
    EXPECT_EQ(hevc.lists.size(), 24u);
    struct Case {
        const CodecAnalysis* result;
        const char* key;
        const char* source;
        int first_value;
    };
    const std::vector<Case> cases = {
        {&h264, "intra_4x4_y", "PPS", 30},
        {&h264, "intra_4x4_cb", "PPS, repli B : intra_4x4_y", 30},
        {&h264, "inter_4x4_y", "PPS, repli B : inter_4x4_y du SPS", 10},
        {&h264, "intra_8x8_y", "PPS, repli B : intra_8x8_y du SPS", 20},
        {&h264, "intra_8x8_cb", "PPS, repli B : intra_8x8_y", 20},
        {&h264, "inter_8x8_cr", "PPS, repli B : inter_8x8_cb", 9},
        {&hevc, "intra_8x8_cb", "SPS, prédite de intra_8x8_y", 30},
        {&hevc, "intra_32x32_cb", "reprise de intra_16x16_cb", 51},
        {&hevc, "inter_32x32_y", "SPS", 73},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const CodecList* list = find_list(*c.result, c.key);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list_source_text(*list), c.source);
        EXPECT_EQ(list->values.front(), c.first_value);
    }
    EXPECT_EQ(find_list(hevc, "intra_32x32_cb")->dc, 121);
    EXPECT_EQ(find_list(hevc, "intra_4x4_y")->dc, std::nullopt);
    EXPECT_EQ(codec_profile_text(h264), "High 4:4:4 Predictive@4.1");
    EXPECT_EQ(codec_profile_text(hevc), "Main 10@5.1");
    EXPECT_EQ(codec_chroma_text(hevc), "4:4:4");
    EXPECT_EQ(codec_stream_type(hevc), "Matroska HEVC");
    set_text_language(Language::english);
    EXPECT_EQ(list_source_text(*find_list(h264, "inter_4x4_y")),
              "PPS, fall-back B: inter_4x4_y of the SPS");
    set_text_language(Language::french);
}

TEST(CodecLists, WhatCannotBeReadSaysWhy) {
    test::H264Sps sps;
    struct Case {
        VideoConfiguration config;
        TextId why;
    };
    VideoConfiguration cut = configuration(Codec::h264, {});
    cut.error = container::ConfigurationError::truncated;
    const std::vector<Case> cases = {
        {cut, TextId::configuration_truncated},
        {configuration(Codec::hevc, {}), TextId::configuration_missing},
        {configuration(Codec::h264, {test::h264_sps(sps)}), TextId::no_picture_parameter_set},
        {configuration(Codec::h264, {{0x67, 0x64}}), TextId::damaged_sequence_parameter_set},
    };
    for (const Case& c : cases) {
        const CodecAnalysis result = analyse_codec(c.config);
        ASSERT_EQ(result.messages.size(), 1u);
        EXPECT_EQ(result.messages[0].id, MessageId::codec_matrices_unreadable);
        EXPECT_EQ(result.messages[0].arguments.at(1).id, c.why);
        EXPECT_TRUE(result.lists.empty());
    }
    // MPEG-1 and MPEG-2 are the first-header analysis's.
    const CodecAnalysis mpeg2 = analyse_codec(configuration(Codec::mpeg2, {}));
    EXPECT_TRUE(mpeg2.ok());
    EXPECT_FALSE(is_codec_read_here(mpeg2.codec));
}

} // namespace
} // namespace quantaline

namespace quantaline {
namespace {

// An H.264 slice's first fields: first_mb_in_slice, slice_type, pic_parameter_set_id.
std::vector<std::uint8_t> slice(int first_mb, int pps) {
    test::CodeWriter w;
    w.ue(static_cast<std::uint32_t>(first_mb));
    w.ue(7);
    w.ue(static_cast<std::uint32_t>(pps));
    w.trailing_bits();
    return test::nal_unit({0x65}, w.bytes());
}

// A stream whose pictures switch between two PPS already sent, as an encoder may do: each
// switch is a change, back to a set already met; a later slice of a picture is no picture;
// a picture before any set has no lists.
TEST(CodecLists, ScanFollowsThePpsOfEachPicture) {
    test::H264Pps flat;
    test::H264Pps defaults;
    defaults.pic_parameter_set_id = 1;
    defaults.transform_8x8_mode_flag = false;
    defaults.scaling.assign(6, test::h264_default());
    const std::vector<std::vector<std::uint8_t>> units = {
        slice(0, 0), test::h264_sps({}), test::h264_pps(flat), test::h264_pps(defaults),
        slice(0, 0), slice(8, 0),        slice(0, 1),          slice(0, 0),
        slice(0, 1)};
    std::vector<std::uint8_t> stream;
    std::vector<std::uint64_t> offsets;
    for (const auto& unit : units) {
        stream.insert(stream.end(), {0, 0, 1});
        offsets.push_back(stream.size());
        stream.insert(stream.end(), unit.begin(), unit.end());
    }
    const CodecScan scan = scan_codec_bytes(stream);
    EXPECT_TRUE(scan.messages.empty());
    EXPECT_EQ(scan.pictures, 5u);
    EXPECT_EQ(scan.pictures_without_lists, 1u);
    EXPECT_EQ(scan.parameter_sets, 3u);
    ASSERT_EQ(scan.sets.size(), 2u);
    EXPECT_EQ(scan.sets[0].lists.front().values, std::vector<std::uint8_t>(16, 16));
    EXPECT_EQ(scan.sets[1].lists.front().source.origin, scaling::Origin::signalled_default);
    EXPECT_EQ(scan.sets[0].pictures, 2u);
    EXPECT_EQ(scan.sets[1].pictures, 2u);
    // The first change lies at the PPS that came just before its picture; the switches, at
    // their pictures' slices.
    const std::vector<std::tuple<std::uint64_t, std::uint64_t, std::string, std::size_t>> changes =
        {{offsets[2], 1, "SPS 0, PPS 0", 0},
         {offsets[6], 2, "SPS 0, PPS 1", 1},
         {offsets[7], 3, "SPS 0, PPS 0", 0},
         {offsets[8], 4, "SPS 0, PPS 1", 1}};
    ASSERT_EQ(scan.changes.size(), changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const auto& [offset, picture, origin, set] = changes[i];
        EXPECT_EQ(scan.changes[i].offset, offset) << i;
        EXPECT_EQ(scan.changes[i].picture, picture) << i;
        EXPECT_EQ(scan.changes[i].origin, origin) << i;
        EXPECT_EQ(scan.changes[i].set, set) << i;
    }
}

// Ids no parameter set may have name nothing: a PPS that refers to SPS 256 (where PPS 0
// is kept) has no lists rather than PPS 0's taken for an SPS, and a PPS id near 2^31 is
// no set at all (its key, 0x100 more, would overflow).
TEST(CodecLists, IdsOutOfRangeNameNoSet) {
    test::H264Pps flat;
    test::H264Pps astray;
    astray.pic_parameter_set_id = 1;
    astray.seq_parameter_set_id = 256;
    test::H264Pps huge;
    huge.pic_parameter_set_id = 0x7FFFFFF0;
    const std::vector<std::vector<std::uint8_t>> units = {
        test::h264_sps({}),   test::h264_pps(flat), test::h264_pps(astray),
        test::h264_pps(huge), slice(0, 0),          slice(0, 1)};
    std::vector<std::uint8_t> stream;
    for (const auto& unit : units) {
        stream.insert(stream.end(), {0, 0, 1});
        stream.insert(stream.end(), unit.begin(), unit.end());
    }
    const CodecScan scan = scan_codec_bytes(stream);
    EXPECT_EQ(scan.pictures, 2u);
    EXPECT_EQ(scan.pictures_without_lists, 1u);
    ASSERT_EQ(scan.sets.size(), 1u);
    EXPECT_EQ(scan.sets[0].lists.front().values, std::vector<std::uint8_t>(16, 16));
}

} // namespace
} // namespace quantaline
