// HEVC's scaling lists in force (flat, default, coded, predicted, DC values, 4:4:4's 32x32
// chroma lists, the PPS over the SPS) and MPEG-4 visual's video object layer and matrices.
#include "scaling/hevc_matrices.h"
#include "scaling/mpeg4_matrices.h"
#include "support/codec_builder.h"

#include <gtest/gtest.h>

namespace quantaline {
namespace {

using scaling::Level;
using scaling::ListSource;
using scaling::Origin;

// The default 8x8 lists in raster order, as they are printed in encoders' list files.
const std::array<std::uint8_t, 64> hevc_intra = {
    16, 16, 16, 16, 17, 18, 21, 24, 16, 16, 16, 16, 17, 19, 22, 25, 16, 16, 17, 18, 20, 22,
    25, 29, 16, 16, 18, 21, 24, 27, 31, 36, 17, 17, 20, 24, 30, 35, 41, 47, 18, 19, 22, 27,
    35, 44, 54, 65, 21, 22, 25, 31, 41, 54, 70, 88, 24, 25, 29, 36, 47, 65, 88, 115};
const std::array<std::uint8_t, 64> hevc_inter = {
    16, 16, 16, 16, 17, 18, 20, 24, 16, 16, 16, 17, 18, 20, 24, 25, 16, 16, 17, 18, 20, 24,
    25, 28, 16, 17, 18, 20, 24, 25, 28, 33, 17, 18, 20, 24, 25, 28, 33, 41, 18, 20, 24, 25,
    28, 33, 41, 54, 20, 24, 25, 28, 33, 41, 54, 71, 24, 25, 28, 33, 41, 54, 71, 91};

TEST(HevcMatrices, DefaultListsAreTheStandardOnes) {
    EXPECT_EQ(scaling::hevc_default_8x8_intra, hevc_intra);
    EXPECT_EQ(scaling::hevc_default_8x8_inter, hevc_inter);
}

// A list of hevc_all_explicit() in raster order: value 10 + 20 sizeId + matrixId + the
// coded position, the positions along the up-right diagonals.
std::array<std::uint8_t, 64> explicit_raster(int size_id, int matrix_id) {
    // The diagonal positions of a 4x4 list and of the first rows of an 8x8 one.
    const std::array<int, 16> order_4x4 = {0, 2, 5, 9, 1, 4, 8, 12, 3, 7, 11, 14, 6, 10, 13, 15};
    std::array<std::uint8_t, 64> out{};
    const int base = 10 + 20 * size_id + matrix_id;
    if (size_id == 0) {
        for (int i = 0; i < 16; ++i) {
            out[i] = static_cast<std::uint8_t>(base + order_4x4[i]);
        }
        return out;
    }
    // Raster (x, y) on diagonal d = x + y: the positions of the diagonals before it, then
    // y counted from the bottom-left end of its diagonal.
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const int d = x + y;
            int before = 0;
            for (int k = 0; k < d; ++k) {
                before += k < 8 ? k + 1 : 15 - k;
            }
            const int top = d < 8 ? d : 7; // the largest y on this diagonal
            out[y * 8 + x] = static_cast<std::uint8_t>(base + before + (top - y));
        }
    }
    return out;
}

struct HevcExpectation {
    int size_id;
    int matrix_id;
    enum { flat, intra, inter, explicit_list, flat_4x4 } values;
    int explicit_size; // for explicit_list: whose values (sizeId, matrixId)
    int explicit_matrix;
    int dc;
    ListSource source;
    bool in_use = true;
};

struct HevcCase {
    const char* name;
    test::HevcSps sps;
    test::HevcPps pps;
    std::vector<HevcExpectation> expected;
};

constexpr auto seq = Level::sequence;
constexpr auto pic = Level::picture;

test::HevcListData predictions() {
    auto d = test::hevc_all_explicit();
    d[0][1] = test::hevc_predicted(1); // a copy of [0][0]
    d[0][2] = test::hevc_predicted(0); // the default
    d[1][5] = test::hevc_predicted(3); // a copy of [1][2]
    d[2][1] = test::hevc_predicted(0); // the default, its DC 16
    d[2][4] = test::hevc_predicted(1); // a copy of [2][3], its DC too
    d[3][3] = test::hevc_predicted(1); // a copy of [3][0], its DC too
    return d;
}

std::vector<HevcCase> hevc_cases() {
    using E = HevcExpectation;
    std::vector<HevcCase> cases;
    cases.push_back(
        {"scaling lists off: flat",
         {},
         {},
         {{0, 0, E::flat, 0, 0, 16, {Origin::flat}}, {3, 0, E::flat, 0, 0, 16, {Origin::flat}}}});
    cases.push_back({"on without data: the defaults",
                     {.scaling_list_enabled = true},
                     {},
                     {{0, 4, E::flat_4x4, 0, 0, 16, {Origin::default_list, seq}},
                      {1, 0, E::intra, 0, 0, 16, {Origin::default_list, seq}},
                      {2, 5, E::inter, 0, 0, 16, {Origin::default_list, seq}},
                      {3, 3, E::inter, 0, 0, 16, {Origin::default_list, seq}},
                      {3, 1, E::intra, 0, 0, 16, {Origin::default_list, seq}, false}}});
    cases.push_back(
        {"every list coded, the DC values with them",
         {.scaling_list_enabled = true, .scaling = test::hevc_all_explicit()},
         {},
         {{0, 0, E::explicit_list, 0, 0, -1, {Origin::coded, seq}},
          {0, 5, E::explicit_list, 0, 5, -1, {Origin::coded, seq}},
          {1, 3, E::explicit_list, 1, 3, -1, {Origin::coded, seq}},
          {2, 2, E::explicit_list, 2, 2, 122, {Origin::coded, seq}},
          {3, 0, E::explicit_list, 3, 0, 130, {Origin::coded, seq}},
          {3, 3, E::explicit_list, 3, 3, 133, {Origin::coded, seq}},
          {3, 2, E::explicit_list, 2, 2, 122, {Origin::from_16x16, seq, 2, seq}, false}}});
    cases.push_back({"predictions: from the default, from each kind of reference",
                     {.scaling_list_enabled = true, .scaling = predictions()},
                     {},
                     {{0, 1, E::explicit_list, 0, 0, -1, {Origin::predicted, seq, 0, seq}},
                      {0, 2, E::flat_4x4, 0, 0, 16, {Origin::signalled_default, seq}},
                      {1, 5, E::explicit_list, 1, 2, -1, {Origin::predicted, seq, 2, seq}},
                      {2, 1, E::intra, 0, 0, 16, {Origin::signalled_default, seq}},
                      {2, 4, E::explicit_list, 2, 3, 123, {Origin::predicted, seq, 3, seq}},
                      {3, 3, E::explicit_list, 3, 0, 130, {Origin::predicted, seq, 0, seq}}}});
    cases.push_back({"the PPS over the SPS",
                     {.scaling_list_enabled = true, .scaling = predictions()},
                     {.scaling = test::hevc_all_explicit()},
                     {{0, 1, E::explicit_list, 0, 1, -1, {Origin::coded, pic}},
                      {2, 4, E::explicit_list, 2, 4, 124, {Origin::coded, pic}}}});
    cases.push_back({"the PPS over default lists",
                     {.scaling_list_enabled = true},
                     {.scaling = predictions()},
                     {{0, 2, E::flat_4x4, 0, 0, 16, {Origin::signalled_default, pic}},
                      {3, 3, E::explicit_list, 3, 0, 130, {Origin::predicted, pic, 0, pic}}}});
    cases.push_back({"4:4:4: the 32x32 chroma lists from the 16x16 ones",
                     {.general_profile_idc = 4,
                      .chroma_format_idc = 3,
                      .scaling_list_enabled = true,
                      .scaling = predictions()},
                     {},
                     {{3, 1, E::intra, 0, 0, 16, {Origin::from_16x16, seq, 1, seq}},
                      {3, 2, E::explicit_list, 2, 2, 122, {Origin::from_16x16, seq, 2, seq}},
                      {3, 4, E::explicit_list, 2, 3, 123, {Origin::from_16x16, seq, 4, seq}},
                      {3, 5, E::explicit_list, 2, 5, 125, {Origin::from_16x16, seq, 5, seq}},
                      {3, 3, E::explicit_list, 3, 0, 130, {Origin::predicted, seq, 0, seq}}}});
    return cases;
}

TEST(HevcMatrices, EveryWayAListIsGiven) {
    for (const auto& c : hevc_cases()) {
        const std::vector<std::vector<std::uint8_t>> units = {test::hevc_sps(c.sps),
                                                              test::hevc_pps(c.pps)};
        const auto resolved = scaling::resolve_hevc(test::spans(units));
        ASSERT_TRUE(resolved.ok()) << c.name << ": " << static_cast<int>(resolved.error) << " "
                                   << static_cast<int>(resolved.syntax);
        for (const auto& e : c.expected) {
            const auto& list = resolved.matrices.lists[e.size_id][e.matrix_id];
            std::array<std::uint8_t, 64> values{};
            switch (e.values) {
            case HevcExpectation::flat:
                values.fill(16);
                break;
            case HevcExpectation::flat_4x4:
                std::fill_n(values.begin(), 16, std::uint8_t{16});
                break;
            case HevcExpectation::intra:
                values = e.size_id == 0 ? values : hevc_intra;
                break;
            case HevcExpectation::inter:
                values = hevc_inter;
                break;
            case HevcExpectation::explicit_list:
                values = explicit_raster(e.explicit_size, e.explicit_matrix);
                break;
            }
            const std::string where = std::string(c.name) + " [" + std::to_string(e.size_id) +
                                      "][" + std::to_string(e.matrix_id) + "]";
            EXPECT_EQ(list.values, values) << where;
            if (e.dc >= 0) {
                EXPECT_EQ(list.dc, e.dc) << where;
            }
            EXPECT_EQ(list.source, e.source) << where;
            EXPECT_EQ(list.in_use, e.in_use) << where;
        }
    }
}

TEST(HevcSyntax, SubLayersWindowsAndTilesBeforeTheLists) {
    struct Case {
        int sub_layers_minus1;
        bool ordering_info;
        std::optional<std::array<int, 4>> window;
        int chroma;
        std::uint32_t width;
        std::uint32_t height;
    };
    const Case cases[] = {
        {0, true, std::nullopt, 1, 1920, 1088},
        {3, false, std::array<int, 4>{0, 0, 0, 4}, 1, 1920, 1080},
        {6, true, std::array<int, 4>{2, 2, 1, 3}, 2, 1912, 1084},
        {1, true, std::array<int, 4>{1, 2, 3, 4}, 3, 1917, 1081},
    };
    for (const auto& c : cases) {
        const test::HevcSps sps{.max_sub_layers_minus1 = c.sub_layers_minus1,
                                .general_level_idc = 123,
                                .seq_parameter_set_id = 7,
                                .chroma_format_idc = c.chroma,
                                .width = 1920,
                                .height = 1088,
                                .conformance_window = c.window,
                                .sub_layer_ordering_info_present = c.ordering_info,
                                .scaling_list_enabled = true,
                                .scaling = test::hevc_all_explicit()};
        const test::HevcPps pps{.pic_parameter_set_id = 12,
                                .seq_parameter_set_id = 7,
                                .tiles =
                                    std::pair<std::vector<int>, std::vector<int>>{{3, 5, 200}, {9}},
                                .scaling = predictions()};
        const std::vector<std::vector<std::uint8_t>> units = {
            test::hevc_sps({.seq_parameter_set_id = 1, .nuh_layer_id = 1}), // another layer's
            test::hevc_pps({.seq_parameter_set_id = 3}), test::hevc_sps(sps), test::hevc_pps(pps)};
        const auto resolved = scaling::resolve_hevc(test::spans(units));
        ASSERT_TRUE(resolved.ok())
            << c.sub_layers_minus1 << " " << static_cast<int>(resolved.syntax);
        const auto& m = resolved.matrices;
        EXPECT_EQ(m.general_level_idc, 123) << c.sub_layers_minus1;
        EXPECT_EQ(m.general_profile_idc, 1);
        EXPECT_EQ(m.sps_seq_parameter_set_id, 7);
        EXPECT_EQ(m.pps_pic_parameter_set_id, 12);
        EXPECT_EQ(m.chroma_format_idc, c.chroma);
        EXPECT_EQ(m.bit_depth_luma, 10);
        EXPECT_EQ(m.width, c.width) << c.sub_layers_minus1;
        EXPECT_EQ(m.height, c.height) << c.sub_layers_minus1;
        EXPECT_EQ(m.lists[2][4].dc, 123) << c.sub_layers_minus1; // read from the PPS's lists
        EXPECT_EQ(m.lists[2][4].source, (ListSource{Origin::predicted, pic, 3, pic}));
    }
}

TEST(HevcMatrices, ErrorsAsValues) {
    auto bad_reference = test::hevc_all_explicit();
    bad_reference[1][2] = test::hevc_predicted(3); // only lists 0 to 2 lie before it
    auto bad_dc = test::hevc_all_explicit();
    bad_dc[2][0].dc = 0; // scaling_list_dc_coef_minus8 of -8
    auto cut = test::hevc_sps({});
    cut.resize(12);
    struct Case {
        const char* name;
        std::vector<std::vector<std::uint8_t>> units;
        scaling::ResolveError error;
        mpeg::SyntaxError syntax;
    };
    const Case cases[] = {
        {"no SPS",
         {test::hevc_pps({})},
         scaling::ResolveError::no_sequence_header,
         mpeg::SyntaxError::none},
        {"another layer's SPS only",
         {test::hevc_sps({.nuh_layer_id = 2}), test::hevc_pps({})},
         scaling::ResolveError::no_sequence_header,
         mpeg::SyntaxError::none},
        {"no PPS of its SPS",
         {test::hevc_sps({.seq_parameter_set_id = 2}), test::hevc_pps({})},
         scaling::ResolveError::no_picture_header,
         mpeg::SyntaxError::none},
        {"a reference past the lists before it",
         {test::hevc_sps({.scaling_list_enabled = true, .scaling = bad_reference})},
         scaling::ResolveError::damaged_sequence_header,
         mpeg::SyntaxError::out_of_range},
        {"a DC value of 0",
         {test::hevc_sps({}), test::hevc_pps({.scaling = bad_dc})},
         scaling::ResolveError::damaged_picture_header,
         mpeg::SyntaxError::out_of_range},
        {"cut SPS",
         {cut},
         scaling::ResolveError::damaged_sequence_header,
         mpeg::SyntaxError::truncated},
    };
    for (const auto& c : cases) {
        const auto resolved = scaling::resolve_hevc(test::spans(c.units));
        EXPECT_EQ(resolved.error, c.error) << c.name;
        EXPECT_EQ(resolved.syntax, c.syntax) << c.name;
    }
}

// A matrix coded in zig-zag order as 1, 2, 3 ..., put in raster order by the test's own walk.
mpeg::Matrix zigzag_ramp(int count) {
    mpeg::Matrix out{};
    int n = 0;
    for (int d = 0; d < 15; ++d) {
        for (int k = 0; k <= d; ++k) {
            // Odd diagonals run down from the top row, even ones up from the left column.
            const int row = d % 2 == 0 ? d - k : k;
            const int column = d - row;
            if (row < 8 && column < 8) {
                ++n;
                out[row * 8 + column] = static_cast<std::uint8_t>(std::min(n, count));
            }
        }
    }
    return out;
}

TEST(Mpeg4Matrices, LayerFieldsAndMatrices) {
    std::vector<int> ramp64;
    for (int i = 1; i <= 64; ++i) {
        ramp64.push_back(i);
    }
    struct Case {
        const char* name;
        test::Mpeg4Vol vol;
        std::uint16_t width;
        std::uint16_t height;
        std::uint8_t verid;
    };
    const std::vector<Case> cases = {
        {"plain", {.intra = ramp64}, 176, 144, 1},
        {"verid 2 from the visual object, GMC sprites",
         {.visual_object_verid = 2, .sprite_enable = 2, .intra = ramp64},
         176,
         144,
         2},
        {"verid 1 static sprite, extended PAR",
         {.aspect_ratio_info = 15,
          .par_width = 12,
          .par_height = 11,
          .width = 720,
          .height = 576,
          .sprite_enable = 1,
          .intra = ramp64},
         720,
         576,
         1},
        {"layer verid 2 over the object's 1, static sprite",
         {.visual_object_verid = 1,
          .video_object_layer_verid = 2,
          .sprite_enable = 1,
          .intra = ramp64},
         176,
         144,
         2},
        {"vbv parameters, fixed rate of 15 bits, not 8 bit",
         {.vol_control_parameters = true,
          .vbv_parameters = true,
          .vop_time_increment_resolution = 30000,
          .fixed_vop_time_increment = 1001,
          .width = 640,
          .height = 480,
          .interlaced = true,
          .not_8_bit = std::pair{7, 10},
          .intra = ramp64},
         640,
         480,
         1},
        {"fixed rate of 1 bit",
         {.vop_time_increment_resolution = 1, .fixed_vop_time_increment = 0, .intra = ramp64},
         176,
         144,
         1},
        {"binary shape, verid 2",
         {.video_object_layer_verid = 2, .shape = 1, .intra = ramp64},
         0,
         0,
         2},
    };
    for (const auto& c : cases) {
        const auto resolved = scaling::resolve_mpeg4(test::mpeg4_configuration(c.vol));
        ASSERT_TRUE(resolved.ok()) << c.name << " " << static_cast<int>(resolved.syntax);
        const auto& m = resolved.matrices;
        EXPECT_TRUE(m.visual_object_sequence);
        EXPECT_EQ(m.profile_and_level_indication, 0xF5);
        EXPECT_EQ(m.width, c.width) << c.name;
        EXPECT_EQ(m.height, c.height) << c.name;
        EXPECT_EQ(m.video_object_layer_verid, c.verid) << c.name;
        EXPECT_EQ(m.quantisation, scaling::Quantisation::mpeg) << c.name;
        EXPECT_EQ(m.intra.values, zigzag_ramp(64)) << c.name;
        EXPECT_EQ(m.intra.source, (ListSource{Origin::coded, Level::sequence})) << c.name;
        EXPECT_EQ(m.nonintra.source, (ListSource{Origin::default_list, Level::sequence})) << c.name;
        EXPECT_EQ(m.nonintra.values[0], 16) << c.name;
        EXPECT_EQ(m.nonintra.values[63], 33) << c.name;
    }
}

TEST(Mpeg4Matrices, ShortListsH263AndErrors) {
    // Three values then the 0: the third fills the rest of the zig-zag.
    const auto short_lists = scaling::resolve_mpeg4(test::mpeg4_configuration(
        {.intra = std::vector{1, 2, 3}, .nonintra = std::vector<int>(63, 40)}));
    ASSERT_TRUE(short_lists.ok());
    EXPECT_EQ(short_lists.matrices.intra.values, zigzag_ramp(3));
    auto forty = zigzag_ramp(1);
    std::fill(forty.begin(), forty.end(), std::uint8_t{40});
    EXPECT_EQ(short_lists.matrices.nonintra.values, forty);

    const auto h263 = scaling::resolve_mpeg4(test::mpeg4_configuration({.quant_type = false}));
    ASSERT_TRUE(h263.ok());
    EXPECT_EQ(h263.matrices.quantisation, scaling::Quantisation::h263);
    EXPECT_EQ(h263.matrices.intra.source.origin, Origin::unused);
    EXPECT_EQ(h263.matrices.nonintra.source.origin, Origin::unused);

    const auto defaults = scaling::resolve_mpeg4(test::mpeg4_configuration({}));
    ASSERT_TRUE(defaults.ok());
    EXPECT_EQ(defaults.matrices.intra.source.origin, Origin::default_list);
    EXPECT_EQ(defaults.matrices.intra.values[0], 8);
    EXPECT_EQ(defaults.matrices.intra.values[63], 45);

    auto cut = test::mpeg4_configuration({.intra = std::vector<int>(64, 9)});
    cut.resize(cut.size() - 40);
    EXPECT_EQ(scaling::resolve_mpeg4(cut).error, scaling::ResolveError::damaged_sequence_header);
    EXPECT_EQ(scaling::resolve_mpeg4(cut).syntax, mpeg::SyntaxError::truncated);
    EXPECT_EQ(
        scaling::resolve_mpeg4(test::mpeg4_configuration({.intra = std::vector<int>{}})).syntax,
        mpeg::SyntaxError::out_of_range); // a list that ends before its first value
    EXPECT_EQ(scaling::resolve_mpeg4(test::mpeg4_configuration({.shape = 2})).error,
              scaling::ResolveError::unsupported);
    const std::vector<std::uint8_t> vop_only = {0x00, 0x00, 0x01, 0xB6, 0x10,
                                                0x00, 0x00, 0x01, 0x20, 0x00};
    EXPECT_EQ(scaling::resolve_mpeg4(vop_only).error, scaling::ResolveError::no_sequence_header);
}

} // namespace
} // namespace quantaline
