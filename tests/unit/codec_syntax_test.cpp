// The bit reading of the parameter sets (Exp-Golomb codes, emulation prevention, the end of
// an RBSP), the coefficient scans, and the H.264 matrices in force with every fall-back path.
#include "mpeg/rbsp.h"
#include "scaling/h264_matrices.h"
#include "scaling/hevc_matrices.h"
#include "support/codec_builder.h"

#include <gtest/gtest.h>
#include <string>

namespace quantaline {
namespace {

using scaling::Level;
using scaling::ListSource;
using scaling::Origin;

// "0100 1" as bytes, the last one padded with zeros.
std::vector<std::uint8_t> bits(const std::string& text) {
    test::BitWriter w;
    for (const char c : text) {
        if (c == '0' || c == '1') {
            w.put(c == '1' ? 1 : 0, 1);
        }
    }
    return w.bytes();
}

TEST(ExpGolomb, CodesReadAsTheirValues) {
    struct Case {
        const char* code;
        std::uint32_t ue;
        std::int32_t se;
    };
    const Case cases[] = {
        {"1", 0, 0},        {"010", 1, 1},        {"011", 2, -1},
        {"00100", 3, 2},    {"00101", 4, -2},     {"0001000", 7, 4},
        {"0001110", 13, 7}, {"000010000", 15, 8}, {"00000000111111111", 510, -255},
    };
    for (const auto& c : cases) {
        const auto bytes = bits(std::string(c.code) + "1"); // a 1 after, not taken
        mpeg::BitReader ue(bytes);
        EXPECT_EQ(ue.read_ue(), c.ue) << c.code;
        EXPECT_EQ(ue.bit_position(), std::string(c.code).size()) << c.code;
        mpeg::BitReader se(bytes);
        EXPECT_EQ(se.read_se(), c.se) << c.code;
        EXPECT_FALSE(se.invalid_code() || se.overrun()) << c.code;
    }
    // 31 leading zeros is the longest code; 32 is none, and a run into the end is cut.
    const auto longest = bits(std::string(31, '0') + "1" + std::string(31, '1'));
    mpeg::BitReader r(longest);
    EXPECT_EQ(r.read_ue(), 0xFFFFFFFEu);
    EXPECT_FALSE(r.invalid_code());
    const auto thirty_two = bits(std::string(32, '0') + "1");
    mpeg::BitReader too_long(thirty_two);
    too_long.read_ue();
    EXPECT_TRUE(too_long.invalid_code());
    const auto zeros = bits("0000");
    mpeg::BitReader cut(zeros);
    cut.read_ue();
    EXPECT_TRUE(cut.overrun());
}

TEST(Rbsp, EmulationPreventionAndTheStopBit) {
    struct Case {
        std::vector<std::uint8_t> unit;
        std::vector<std::uint8_t> rbsp;
    };
    const Case cases[] = {
        {{0x00, 0x00, 0x03, 0x01}, {0x00, 0x00, 0x01}},
        {{0x00, 0x00, 0x03, 0x00, 0x00, 0x03, 0x02}, {0x00, 0x00, 0x00, 0x00, 0x02}},
        {{0x00, 0x03, 0x00, 0x00, 0x03}, {0x00, 0x03, 0x00, 0x00}},
        {{0x00, 0x00, 0x03, 0x03, 0x00}, {0x00, 0x00, 0x03, 0x00}},
        {{0x00, 0x00, 0x00, 0x03}, {0x00, 0x00, 0x00}},
        {{0x25, 0x03, 0x00, 0x03}, {0x25, 0x03, 0x00, 0x03}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mpeg::remove_emulation_prevention(c.unit), c.rbsp);
    }
    // The builder's units read back as the RBSP they were made from.
    const std::vector<std::uint8_t> rbsp = {0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x02, 0x80};
    const auto unit = test::nal_unit({}, rbsp);
    EXPECT_EQ(unit.size(), rbsp.size() + 3);
    EXPECT_EQ(mpeg::remove_emulation_prevention(unit), rbsp);

    struct More {
        const char* bytes;
        std::size_t position;
        bool more;
    };
    const More more[] = {
        {"1000 0000", 0, false},           {"1100 0000", 0, true},
        {"1100 0000", 1, false},           {"0100 0000 0000 0000", 0, true},
        {"0100 0000 0000 0000", 1, false}, {"0000 0000", 0, false},
        {"1010 1000 0000 0000", 4, false}, {"1010 1000", 3, true},
    };
    for (const auto& m : more) {
        const auto bytes = bits(m.bytes);
        mpeg::BitReader r(bytes);
        r.skip(m.position);
        EXPECT_EQ(r.more_rbsp_data(), m.more) << m.bytes << " at " << m.position;
    }
}

// The header fields read from the bytes at hand agree with the bit reader's parse of the
// header, for every pair of bytes; a PPS's link to its SPS is its second field.
TEST(NalHeader, ByteReadingsAgreeWithTheParse) {
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            const std::uint8_t unit[] = {static_cast<std::uint8_t>(first),
                                         static_cast<std::uint8_t>(second)};
            const auto header = hevc::nal_unit_header(unit).fields;
            ASSERT_EQ(hevc::nal_type_of(unit[0]), header.nal_unit_type) << first;
            ASSERT_EQ(hevc::nal_layer_of(unit[0], unit[1]), header.nuh_layer_id) << first;
            ASSERT_EQ(hevc::temporal_id_of(unit[1]),
                      static_cast<std::uint8_t>(header.nuh_temporal_id_plus1 - 1))
                << second;
        }
    }
    // ue(v) 3 then ue(v) 17: "00100" "000010010", then bits that are not read.
    const auto ids = mpeg::picture_set_ids(bits("0010 0000 0100 1011 1111"));
    EXPECT_EQ(ids.pps, 3u);
    EXPECT_EQ(ids.sps, 17u);
}

TEST(Scans, CodedPositionsLandWhereTheyBelong) {
    // H.264's 4x4 zig-zag, HEVC's up-right diagonals: the raster index of each coded position.
    const std::array<std::uint8_t, 16> zigzag = {0, 1,  4,  8,  5, 2,  3,  6,
                                                 9, 12, 13, 10, 7, 11, 14, 15};
    EXPECT_EQ(h264::zigzag_4x4, zigzag);
    const std::array<std::uint8_t, 16> diagonal = {0, 4, 1,  8,  5, 2,  12, 9,
                                                   6, 3, 13, 10, 7, 14, 11, 15};
    EXPECT_EQ(hevc::diagonal_4x4, diagonal);
    const std::vector<std::uint8_t> first = {0,  8, 1,  16, 9,  2,  24, 17,
                                             10, 3, 32, 25, 18, 11, 4,  40};
    const std::vector<std::uint8_t> last = {61, 54, 47, 62, 55, 63};
    EXPECT_EQ(
        std::vector<std::uint8_t>(hevc::diagonal_8x8.begin(), hevc::diagonal_8x8.begin() + 16),
        first);
    EXPECT_EQ(std::vector<std::uint8_t>(hevc::diagonal_8x8.end() - 6, hevc::diagonal_8x8.end()),
              last);
    std::array<bool, 64> seen{};
    for (const auto index : hevc::diagonal_8x8) {
        seen[index] = true;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 64);
}

// A 4x4 list coded 1, 2 ... 16 (base 0), in raster order.
std::array<std::uint8_t, 16> ramp_4x4(int base) {
    const std::array<int, 16> raster = {1, 2, 6, 7, 3, 5, 8, 13, 4, 9, 12, 14, 10, 11, 15, 16};
    std::array<std::uint8_t, 16> out{};
    for (std::size_t i = 0; i < 16; ++i) {
        out[i] = static_cast<std::uint8_t>(raster[i] + base);
    }
    return out;
}
std::vector<int> coded_ramp(int base, int size) {
    std::vector<int> v;
    for (int i = 1; i <= size; ++i) {
        v.push_back(base + i);
    }
    return v;
}
mpeg::Matrix ramp_8x8(int base) {
    mpeg::Matrix out{};
    for (std::size_t n = 0; n < 64; ++n) {
        out[mpeg::zigzag_scan[n]] = static_cast<std::uint8_t>(base + 1 + n);
    }
    return out;
}

// The JVT's default lists in raster order, as encoders spell them out.
const std::array<std::uint8_t, 16> jvt_4x4_intra = {6,  13, 20, 28, 13, 20, 28, 32,
                                                    20, 28, 32, 37, 28, 32, 37, 42};
const std::array<std::uint8_t, 16> jvt_4x4_inter = {10, 14, 20, 24, 14, 20, 24, 27,
                                                    20, 24, 27, 30, 24, 27, 30, 34};
const mpeg::Matrix jvt_8x8_intra = {6,  10, 13, 16, 18, 23, 25, 27, 10, 11, 16, 18, 23, 25, 27, 29,
                                    13, 16, 18, 23, 25, 27, 29, 31, 16, 18, 23, 25, 27, 29, 31, 33,
                                    18, 23, 25, 27, 29, 31, 33, 36, 23, 25, 27, 29, 31, 33, 36, 38,
                                    25, 27, 29, 31, 33, 36, 38, 40, 27, 29, 31, 33, 36, 38, 40, 42};
const mpeg::Matrix jvt_8x8_inter = {9,  13, 15, 17, 19, 21, 22, 24, 13, 13, 17, 19, 21, 22, 24, 25,
                                    15, 17, 19, 21, 22, 24, 25, 27, 17, 19, 21, 22, 24, 25, 27, 28,
                                    19, 21, 22, 24, 25, 27, 28, 30, 21, 22, 24, 25, 27, 28, 30, 32,
                                    22, 24, 25, 27, 28, 30, 32, 33, 24, 25, 27, 28, 30, 32, 33, 35};

TEST(H264Matrices, DefaultTablesAreTheJvtLists) {
    EXPECT_EQ(scaling::default_4x4_intra, jvt_4x4_intra);
    EXPECT_EQ(scaling::default_4x4_inter, jvt_4x4_inter);
    EXPECT_EQ(scaling::default_8x8_intra, jvt_8x8_intra);
    EXPECT_EQ(scaling::default_8x8_inter, jvt_8x8_inter);
}

// What a list should hold: a table of the test's own.
enum class Values { flat, intra, inter, ramp0, ramp100, ramp_short };
std::vector<std::uint8_t> expected_values(Values v, bool eight) {
    auto to_vector = [](const auto& a) { return std::vector<std::uint8_t>(a.begin(), a.end()); };
    switch (v) {
    case Values::flat:
        return std::vector<std::uint8_t>(eight ? 64 : 16, 16);
    case Values::intra:
        return eight ? to_vector(jvt_8x8_intra) : to_vector(jvt_4x4_intra);
    case Values::inter:
        return eight ? to_vector(jvt_8x8_inter) : to_vector(jvt_4x4_inter);
    case Values::ramp0:
        return eight ? to_vector(ramp_8x8(0)) : to_vector(ramp_4x4(0));
    case Values::ramp100:
        return eight ? to_vector(ramp_8x8(100)) : to_vector(ramp_4x4(100));
    case Values::ramp_short: {
        // Coded 20, 30, then the list ends: the last value fills the rest.
        std::vector<std::uint8_t> out(eight ? 64 : 16, 30);
        out[0] = 20;
        out[1] = 30;
        return out;
    }
    }
    return {};
}

struct ListExpectation {
    int list;
    Values values;
    ListSource source;
};

struct H264Case {
    const char* name;
    test::H264Sps sps;
    test::H264Pps pps;
    std::vector<ListExpectation> expected;
};

constexpr auto seq = Level::sequence;
constexpr auto pic = Level::picture;
constexpr std::int8_t dflt = scaling::default_table;

test::H264List ramp(int base, int size) {
    return test::h264_values(coded_ramp(base, size));
}

// Lists 0-7 of an SPS that goes through every path of rule A.
std::vector<test::H264List> rule_a_lists() {
    return {ramp(0, 16), {}, test::h264_default(), {}, ramp(100, 16), {}, {}, ramp(0, 64)};
}

std::vector<H264Case> h264_cases() {
    std::vector<H264Case> cases;
    cases.push_back({"no matrix anywhere: flat",
                     {},
                     {},
                     {{0, Values::flat, {Origin::flat}},
                      {5, Values::flat, {Origin::flat}},
                      {6, Values::flat, {Origin::flat}},
                      {7, Values::flat, {Origin::flat}}}});
    cases.push_back({"rule A, the PPS coding nothing",
                     {.scaling = rule_a_lists()},
                     {.transform_8x8_mode_flag = true},
                     {{0, Values::ramp0, {Origin::coded, seq}},
                      {1, Values::ramp0, {Origin::fall_back_a, seq, 0, seq}},
                      {2, Values::intra, {Origin::signalled_default, seq}},
                      {3, Values::inter, {Origin::fall_back_a, seq, dflt, seq}},
                      {4, Values::ramp100, {Origin::coded, seq}},
                      {5, Values::ramp100, {Origin::fall_back_a, seq, 4, seq}},
                      {6, Values::intra, {Origin::fall_back_a, seq, dflt, seq}},
                      {7, Values::ramp0, {Origin::coded, seq}}}});
    cases.push_back(
        {"rule B over rule A",
         {.scaling = rule_a_lists()},
         {.transform_8x8_mode_flag = true,
          .scaling =
              {{}, {}, ramp(100, 16), {}, {}, test::h264_default(), {}, test::h264_default()}},
         {{0, Values::ramp0, {Origin::fall_back_b, pic, 0, seq}},
          {1, Values::ramp0, {Origin::fall_back_b, pic, 0, pic}},
          {2, Values::ramp100, {Origin::coded, pic}},
          {3, Values::inter, {Origin::fall_back_b, pic, 3, seq}},
          {4, Values::inter, {Origin::fall_back_b, pic, 3, pic}},
          {5, Values::inter, {Origin::signalled_default, pic}},
          {6, Values::intra, {Origin::fall_back_b, pic, 6, seq}},
          {7, Values::inter, {Origin::signalled_default, pic}}}});
    cases.push_back(
        {"rule A in a PPS over an SPS without matrix; lists that end early repeat their last value",
         {},
         {.transform_8x8_mode_flag = true,
          .scaling =
              {{}, test::h264_values({20, 30}), {}, {}, {}, {}, {}, test::h264_values({20, 30})}},
         {{0, Values::intra, {Origin::fall_back_a, pic, dflt, pic}},
          {1, Values::ramp_short, {Origin::coded, pic}},
          {2, Values::ramp_short, {Origin::fall_back_a, pic, 1, pic}},
          {3, Values::inter, {Origin::fall_back_a, pic, dflt, pic}},
          {4, Values::inter, {Origin::fall_back_a, pic, 3, pic}},
          {6, Values::intra, {Origin::fall_back_a, pic, dflt, pic}},
          {7, Values::ramp_short, {Origin::coded, pic}}}});
    cases.push_back({"a PPS without transform_8x8_mode_flag codes six lists",
                     {.scaling = rule_a_lists()},
                     {.transform_8x8_mode_flag = false, .scaling = {{}, ramp(100, 16)}},
                     {{1, Values::ramp100, {Origin::coded, pic}},
                      {7, Values::ramp0, {Origin::fall_back_b, pic, 7, seq}}}});
    cases.push_back(
        {"4:4:4: six 8x8 lists, Cb after Y and Cr after Cb",
         {.profile_idc = 244,
          .chroma_format_idc = 3,
          .scaling = {{}, {}, {}, {}, {}, {}, ramp(0, 64), {}, {}, ramp(100, 64), {}, {}}},
         {.transform_8x8_mode_flag = true,
          .scaling = {{}, {}, {}, {}, {}, {}, {}, {}, {}, {}, ramp(0, 64), {}},
          .chroma_format_idc = 3},
         {{6, Values::ramp0, {Origin::fall_back_b, pic, 6, seq}},
          {7, Values::inter, {Origin::fall_back_b, pic, 7, seq}},
          {8, Values::ramp0, {Origin::fall_back_b, pic, 6, pic}},
          {9, Values::inter, {Origin::fall_back_b, pic, 7, pic}},
          {10, Values::ramp0, {Origin::coded, pic}},
          {11, Values::inter, {Origin::fall_back_b, pic, 9, pic}}}});
    cases.push_back(
        {"4:4:4 in the SPS: rule A along the chroma 8x8 lists",
         {.profile_idc = 244,
          .chroma_format_idc = 3,
          .scaling = {{}, {}, {}, {}, {}, {}, ramp(0, 64), {}, {}, ramp(100, 64), {}, {}}},
         {.chroma_format_idc = 3},
         {{8, Values::ramp0, {Origin::fall_back_a, seq, 6, seq}},
          {9, Values::ramp100, {Origin::coded, seq}},
          {10, Values::ramp0, {Origin::fall_back_a, seq, 8, seq}},
          {11, Values::ramp100, {Origin::fall_back_a, seq, 9, seq}}}});
    return cases;
}

TEST(H264Matrices, FallBackRulesAAndB) {
    for (const auto& c : h264_cases()) {
        const std::vector<std::vector<std::uint8_t>> units = {test::h264_sps(c.sps),
                                                              test::h264_pps(c.pps)};
        const auto resolved = scaling::resolve_h264(test::spans(units));
        ASSERT_TRUE(resolved.ok()) << c.name << ": " << static_cast<int>(resolved.error) << " "
                                   << static_cast<int>(resolved.syntax);
        const auto& m = resolved.matrices;
        EXPECT_EQ(m.lists_8x8_count, c.sps.chroma_format_idc == 3 ? 6 : 2) << c.name;
        for (const auto& e : c.expected) {
            const bool eight = e.list >= 6;
            const auto& list_source =
                eight ? m.lists_8x8[e.list - 6].source : m.lists_4x4[e.list].source;
            const std::vector<std::uint8_t> values =
                eight ? std::vector<std::uint8_t>(m.lists_8x8[e.list - 6].values.begin(),
                                                  m.lists_8x8[e.list - 6].values.end())
                      : std::vector<std::uint8_t>(m.lists_4x4[e.list].values.begin(),
                                                  m.lists_4x4[e.list].values.end());
            EXPECT_EQ(values, expected_values(e.values, eight)) << c.name << ", list " << e.list;
            EXPECT_EQ(list_source, e.source) << c.name << ", list " << e.list;
        }
    }
}

TEST(H264Syntax, FieldsBeforeAndAfterTheListsReadRight) {
    // Every slice group map, picture order count type 1 and a cropped field picture: the
    // fields that follow them come out right.
    // Each map type with three slice groups, and the explicit map (type 6) with 2 to 8
    // groups, its ids of 1, 2 and 3 bits.
    const std::pair<int, int> maps[] = {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2},
                                        {6, 1}, {6, 2}, {6, 3}, {6, 4}, {6, 7}};
    for (const auto& [map_type, groups_minus1] : maps) {
        const test::H264Sps sps{.level_idc = 31,
                                .seq_parameter_set_id = 5,
                                .pic_order_cnt_type = 1,
                                .offset_for_ref_frame = {1, -2, 300},
                                .pic_width_in_mbs = 45,
                                .pic_height_in_map_units = 18,
                                .frame_mbs_only_flag = false,
                                .crop = std::array<int, 4>{0, 4, 0, 2}};
        const test::H264Pps other{.pic_parameter_set_id = 1, .seq_parameter_set_id = 2};
        const test::H264Pps pps{.pic_parameter_set_id = 9,
                                .seq_parameter_set_id = 5,
                                .num_slice_groups_minus1 = groups_minus1,
                                .slice_group_map_type = map_type,
                                .pic_size_in_map_units_minus1 = 809,
                                .transform_8x8_mode_flag = true,
                                .scaling = {ramp(0, 16)}};
        const std::vector<std::vector<std::uint8_t>> units = {
            test::h264_pps(other), test::h264_sps(sps), test::h264_pps(pps)};
        const auto resolved = scaling::resolve_h264(test::spans(units));
        ASSERT_TRUE(resolved.ok()) << map_type << " " << groups_minus1;
        const auto& m = resolved.matrices;
        EXPECT_EQ(m.pic_parameter_set_id, 9) << map_type;
        EXPECT_EQ(m.seq_parameter_set_id, 5);
        EXPECT_EQ(m.level_idc, 31);
        EXPECT_EQ(m.profile_idc, 100);
        EXPECT_EQ(m.width, 720u - 8u);
        EXPECT_EQ(m.height, 576u - 8u); // two fields of 18 rows of macroblocks, 2 x 2 x 2 cropped
        EXPECT_TRUE(m.transform_8x8_mode_flag);
        EXPECT_EQ(m.lists_4x4[0].values, ramp_4x4(0)) << map_type << " " << groups_minus1;
        const auto pps_fields = h264::pic_parameter_set_rbsp(
            mpeg::remove_emulation_prevention(std::span(units[2]).subspan(1)), 1);
        EXPECT_EQ(pps_fields.fields.second_chroma_qp_index_offset, -2) << map_type;
        EXPECT_EQ(pps_fields.fields.pic_init_qp_minus26, -3) << map_type;
    }
}

TEST(H264Syntax, TheProfilesThatCodeAChromaFormat) {
    // The high profiles code the chroma format and a matrix; the others neither, and the
    // fields after them must come out right either way.
    const std::vector<int> high = {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135};
    for (const int profile :
         {66, 77, 88, 100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135}) {
        const bool codes = std::find(high.begin(), high.end(), profile) != high.end();
        const std::vector<std::vector<std::uint8_t>> units = {
            test::h264_sps({.profile_idc = profile,
                            .chroma_format_idc = 2,
                            .scaling = {ramp(0, 16)},
                            .pic_width_in_mbs = 20,
                            .pic_height_in_map_units = 9}),
            test::h264_pps({})};
        const auto resolved = scaling::resolve_h264(test::spans(units));
        ASSERT_TRUE(resolved.ok()) << profile;
        EXPECT_EQ(resolved.matrices.profile_idc, profile);
        EXPECT_EQ(resolved.matrices.chroma_format_idc, codes ? 2 : 1) << profile;
        std::array<std::uint8_t, 16> flat{};
        flat.fill(16);
        EXPECT_EQ(resolved.matrices.lists_4x4[0].values, codes ? ramp_4x4(0) : flat) << profile;
        EXPECT_EQ(resolved.matrices.width, 320u) << profile;
        EXPECT_EQ(resolved.matrices.height, 144u) << profile;
    }
}

TEST(H264Matrices, ErrorsAsValues) {
    const auto sps = test::h264_sps({.seq_parameter_set_id = 1});
    const auto pps_other = test::h264_pps({.seq_parameter_set_id = 0});
    auto truncated = sps;
    truncated.resize(5);
    const auto bad_id = test::h264_sps({.seq_parameter_set_id = 32});
    struct Case {
        const char* name;
        std::vector<std::vector<std::uint8_t>> units;
        scaling::ResolveError error;
        mpeg::SyntaxError syntax;
    };
    const Case cases[] = {
        {"nothing", {}, scaling::ResolveError::no_sequence_header, mpeg::SyntaxError::none},
        {"PPS only",
         {pps_other},
         scaling::ResolveError::no_sequence_header,
         mpeg::SyntaxError::none},
        {"no PPS of its SPS",
         {sps, pps_other},
         scaling::ResolveError::no_picture_header,
         mpeg::SyntaxError::none},
        {"cut SPS",
         {truncated},
         scaling::ResolveError::damaged_sequence_header,
         mpeg::SyntaxError::truncated},
        {"seq_parameter_set_id past 31",
         {bad_id},
         scaling::ResolveError::damaged_sequence_header,
         mpeg::SyntaxError::out_of_range},
        {"empty unit", {{}}, scaling::ResolveError::no_sequence_header, mpeg::SyntaxError::none},
    };
    for (const auto& c : cases) {
        const auto resolved = scaling::resolve_h264(test::spans(c.units));
        EXPECT_EQ(resolved.error, c.error) << c.name;
        EXPECT_EQ(resolved.syntax, c.syntax) << c.name;
    }
}

} // namespace
} // namespace quantaline
