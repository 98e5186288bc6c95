// The macroblock layer: every variable-length code of its tables at every bit alignment,
// and hand-built pictures whose slices exercise each macroblock type, the escapes, the
// stuffing, the motion vector forms, the chroma formats and the damage a slice can carry.

#include "mpeg/macroblock.h"
#include "support/stream_builder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace quantaline {
namespace {

using mpeg::MacroblockError;
using mpeg::PictureContext;
using mpeg::SliceBits;
using test::BitWriter;

// "0000 01s" with the sign given: the bits of a code as the tables print them.
std::string code_bits(const char* text, int sign) {
    std::string bits;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '0' || *c == '1') {
            bits += *c;
        } else if (*c == 's') {
            bits += sign != 0 ? '1' : '0';
        }
    }
    return bits;
}

bool has_sign(const char* text) {
    return std::string(text).find('s') != std::string::npos;
}

void put_bits(BitWriter& w, const std::string& text) {
    for (char c : text) {
        if (c == '0' || c == '1') {
            w.put(c == '1' ? 1u : 0u, 1);
        }
    }
}

// `prefix` bits of 1 and 0 in turn, the code, then bits that must not change the decoding.
std::vector<std::uint8_t> at_alignment(int prefix, const std::string& code) {
    BitWriter w;
    for (int i = 0; i < prefix; ++i) {
        w.put(static_cast<std::uint32_t>(i % 2), 1);
    }
    put_bits(w, code);
    put_bits(w, "1011 0111 0110 1101 1110 0101 1011 1010 0110 1");
    return w.bytes();
}

struct Row {
    std::string bits;
    int value;
};

// Every row of a table, each sign of it as its own row.
template <class Codes> std::vector<Row> rows_of(const Codes& codes) {
    std::vector<Row> rows;
    for (const auto& code : codes) {
        rows.push_back({code_bits(code.bits, 0), code.value});
        if (has_sign(code.bits)) {
            rows.push_back({code_bits(code.bits, 1), -code.value});
        }
    }
    return rows;
}

PictureContext mpeg2_picture(std::uint8_t chroma_format = 1) {
    PictureContext p;
    p.mpeg2 = true;
    p.chroma_format = chroma_format;
    p.picture_coding_type = 2;
    p.f_code = {{{1, 1}, {1, 1}}};
    return p;
}

TEST(MacroblockCodes, EveryCodeDecodesAtEveryAlignment) {
    using Decode = std::function<MacroblockError(SliceBits&, int&)>;
    const PictureContext picture = mpeg2_picture();
    struct Table {
        const char* name;
        std::vector<Row> rows;
        Decode decode;
    };
    const auto type_of = [](std::uint8_t picture_coding_type) {
        return [picture_coding_type](SliceBits& b, int& v) {
            return mpeg::macroblock_type(b, picture_coding_type, v);
        };
    };
    const std::vector<Table> tables = {
        {"B.1 macroblock_address_increment", rows_of(mpeg::vlc::macroblock_address_increment_codes),
         [](SliceBits& b, int& v) {
             std::uint32_t increment = 0;
             const auto error = mpeg::macroblock_address_increment(b, increment);
             v = static_cast<int>(increment);
             return error;
         }},
        {"B.2 macroblock_type (I)", rows_of(mpeg::vlc::macroblock_type_i_codes), type_of(1)},
        {"B.3 macroblock_type (P)", rows_of(mpeg::vlc::macroblock_type_p_codes), type_of(2)},
        {"B.4 macroblock_type (B)", rows_of(mpeg::vlc::macroblock_type_b_codes), type_of(3)},
        {"macroblock_type (D)", rows_of(mpeg::vlc::macroblock_type_d_codes), type_of(4)},
        {"B.9 coded_block_pattern", rows_of(mpeg::vlc::coded_block_pattern_codes),
         [&picture](SliceBits& b, int& v) {
             std::uint32_t pattern = 0;
             const auto error = mpeg::coded_block_pattern(b, picture, pattern);
             v = static_cast<int>(pattern);
             return error;
         }},
        {"B.10 motion_code", rows_of(mpeg::vlc::motion_code_codes), mpeg::motion_code},
        {"B.11 dmvector", rows_of(mpeg::vlc::dmvector_codes), mpeg::dmvector},
        {"B.12 dct_dc_size_luminance", rows_of(mpeg::vlc::dct_dc_size_luminance_codes),
         mpeg::dct_dc_size_luminance},
        {"B.13 dct_dc_size_chrominance", rows_of(mpeg::vlc::dct_dc_size_chrominance_codes),
         mpeg::dct_dc_size_chrominance},
    };
    for (const auto& table : tables) {
        for (auto row : table.rows) {
            // An escape or stuffing is followed by an increment of 1.
            const bool increments = &table == &tables.front();
            if (increments && row.value == mpeg::vlc::macroblock_escape) {
                row = {row.bits + "1", 34};
            } else if (increments && row.value == mpeg::vlc::macroblock_stuffing) {
                row = {row.bits + "1", 1};
            }
            for (int prefix = 0; prefix < 8; ++prefix) {
                const auto bytes = at_alignment(prefix, row.bits);
                SliceBits bits(bytes, static_cast<std::size_t>(prefix));
                int value = -999;
                const auto error = table.decode(bits, value);
                SCOPED_TRACE(std::string(table.name) + " " + row.bits + " at bit " +
                             std::to_string(prefix));
                EXPECT_EQ(error, MacroblockError::none);
                EXPECT_EQ(value, row.value);
                EXPECT_EQ(bits.position(), prefix + row.bits.size());
            }
        }
    }
}

TEST(MacroblockCodes, EveryDctCoefficientDecodesAtEveryAlignmentInsideABlock) {
    struct Table {
        const char* name;
        const std::array<mpeg::vlc::DctCode, 113>* codes;
        bool intra_vlc_format;
        const char* end_of_block;
    };
    const Table tables[] = {
        {"B.14", &mpeg::vlc::dct_coefficients_table_zero, false, "10"},
        {"B.15", &mpeg::vlc::dct_coefficients_table_one, true, "0110"},
    };
    for (const auto& table : tables) {
        PictureContext picture = mpeg2_picture();
        picture.intra_vlc_format = table.intra_vlc_format;
        for (const auto& code : *table.codes) {
            for (int sign = 0; sign <= (has_sign(code.bits) ? 1 : 0); ++sign) {
                std::string body = code_bits(code.bits, sign);
                if (code.run == mpeg::vlc::escape) {
                    body += "000011000000000011"; // run 3, level 3
                }
                // An intra luminance block: dct_dc_size 0, the code, end_of_block; the end
                // of block alone when the code is the end of block.
                const std::string block =
                    "100" + body + (code.run == mpeg::vlc::end_of_block ? "" : table.end_of_block);
                for (int prefix = 0; prefix < 8; ++prefix) {
                    SCOPED_TRACE(std::string(table.name) + " " + body + " at bit " +
                                 std::to_string(prefix));
                    const auto bytes = at_alignment(prefix, block);
                    SliceBits bits(bytes, static_cast<std::size_t>(prefix));
                    EXPECT_EQ(mpeg::block(bits, picture, 0, true), MacroblockError::none);
                    EXPECT_EQ(bits.position(), prefix + block.size());
                    if (code.run >= 0) {
                        // The lookup gives the row's run, level and length, sign included.
                        SliceBits at(bytes, static_cast<std::size_t>(prefix) + 3);
                        const auto& entry = mpeg::vlc::dct_entry(
                            table.intra_vlc_format ? mpeg::vlc::table_one : mpeg::vlc::table_zero,
                            at.peek());
                        EXPECT_EQ(entry.run, code.run);
                        EXPECT_EQ(entry.level, code.level);
                        EXPECT_EQ(entry.length, body.size());
                    }
                }
            }
        }
    }
}

// No code of a table is the start of another one: a row copied wrong from the standard
// almost always breaks this, even in a table the real streams seldom reach.
TEST(MacroblockCodes, NoCodeStartsAnother) {
    const auto dct_rows = [](const std::array<mpeg::vlc::DctCode, 113>& codes) {
        std::vector<Row> rows;
        for (const auto& code : codes) {
            rows.push_back({code_bits(code.bits, 0), code.run});
            if (has_sign(code.bits)) {
                rows.push_back({code_bits(code.bits, 1), code.run});
            }
        }
        return rows;
    };
    const std::vector<std::pair<const char*, std::vector<Row>>> tables = {
        {"B.1", rows_of(mpeg::vlc::macroblock_address_increment_codes)},
        {"B.2", rows_of(mpeg::vlc::macroblock_type_i_codes)},
        {"B.3", rows_of(mpeg::vlc::macroblock_type_p_codes)},
        {"B.4", rows_of(mpeg::vlc::macroblock_type_b_codes)},
        {"B.9", rows_of(mpeg::vlc::coded_block_pattern_codes)},
        {"B.10", rows_of(mpeg::vlc::motion_code_codes)},
        {"B.11", rows_of(mpeg::vlc::dmvector_codes)},
        {"B.12", rows_of(mpeg::vlc::dct_dc_size_luminance_codes)},
        {"B.13", rows_of(mpeg::vlc::dct_dc_size_chrominance_codes)},
        {"B.14", dct_rows(mpeg::vlc::dct_coefficients_table_zero)},
        {"B.15", dct_rows(mpeg::vlc::dct_coefficients_table_one)},
    };
    for (const auto& [name, rows] : tables) {
        for (std::size_t a = 0; a < rows.size(); ++a) {
            for (std::size_t b = 0; b < rows.size(); ++b) {
                if (a != b) {
                    EXPECT_NE(rows[b].bits.rfind(rows[a].bits, 0), 0u)
                        << name << ": " << rows[a].bits << " starts " << rows[b].bits;
                }
            }
        }
    }
}

// --- hand-built pictures -------------------------------------------------------------------

struct Picture {
    bool mpeg2 = true;
    int type = 1; // 1 I, 2 P, 3 B, 4 D
    int structure = 3;
    bool frame_pred_frame_dct = true;
    bool concealment_motion_vectors = false;
    bool q_scale_type = false;
    bool intra_vlc_format = false;
    int f_code = 1;
    int chroma_format = 1;
    bool progressive_sequence = true;
};

struct Slice {
    int slice_vertical_position;
    int quantiser_scale_code;
    std::string macroblocks; // the bits after extra_bit_slice, as the tables print them
};

// A sequence of 720 x 64: 45 macroblocks a row, 4 rows.
mpeg::SequenceContext sequence_of(const Picture& p) {
    return {p.mpeg2, static_cast<std::uint8_t>(p.chroma_format), 720, 64, p.progressive_sequence};
}

std::vector<std::uint8_t> picture_bytes(const Picture& p, const std::vector<Slice>& slices) {
    BitWriter w;
    w.put(0x00000100, 32);
    w.put(0, 10);                                 // temporal_reference
    w.put(static_cast<std::uint32_t>(p.type), 3); // picture_coding_type
    w.put(0xFFFF, 16);                            // vbv_delay
    const std::uint32_t header_f_code = p.mpeg2 ? 7 : static_cast<std::uint32_t>(p.f_code);
    if (p.type == 2 || p.type == 3) {
        w.put(0, 1);             // full_pel_forward_vector
        w.put(header_f_code, 3); // forward_f_code
    }
    if (p.type == 3) {
        w.put(0, 1);             // full_pel_backward_vector
        w.put(header_f_code, 3); // backward_f_code
    }
    w.put(0, 1); // extra_bit_picture
    w.align();
    if (p.mpeg2) {
        w.put(0x000001B5, 32);
        w.put(8, 4); // extension_start_code_identifier
        const auto f = static_cast<std::uint32_t>(p.f_code);
        const std::uint32_t forward = p.type == 1 ? 15 : f;
        const std::uint32_t backward = p.type == 3 ? f : 15;
        for (std::uint32_t code : {forward, forward, backward, backward}) {
            w.put(code, 4); // f_code[s][t]
        }
        w.put(0, 2); // intra_dc_precision
        w.put(static_cast<std::uint32_t>(p.structure), 2);
        w.put(1, 1); // top_field_first
        w.put(p.frame_pred_frame_dct ? 1 : 0, 1);
        w.put(p.concealment_motion_vectors ? 1 : 0, 1);
        w.put(p.q_scale_type ? 1 : 0, 1);
        w.put(p.intra_vlc_format ? 1 : 0, 1);
        w.put(0, 1); // alternate_scan
        w.put(0, 1); // repeat_first_field
        w.put(1, 1); // chroma_420_type
        w.put(1, 1); // progressive_frame
        w.put(0, 1); // composite_display_flag
        w.align();
    }
    for (const auto& slice : slices) {
        w.put(0x00000100u | static_cast<std::uint32_t>(slice.slice_vertical_position), 32);
        w.put(static_cast<std::uint32_t>(slice.quantiser_scale_code), 5);
        w.put(0, 1); // extra_bit_slice
        put_bits(w, slice.macroblocks);
        w.align();
    }
    return w.bytes();
}

// The blocks of an intra macroblock whose coefficients are all zero: dct_dc_size 0 and
// end_of_block, in table zero ("Y", "C") or table one ("Y1", "C1").
const std::string Y = "100 10 ";
const std::string C = "00 10 ";
const std::string Y1 = "100 0110 ";
const std::string C1 = "00 0110 ";
const std::string I6 = Y + Y + Y + Y + C + C;
// A non-intra block with one coefficient: the first coefficient's "1s", end_of_block.
const std::string N = "10 10 ";

class Map : public mpeg::MacroblockSink {
  public:
    void macroblock(const mpeg::MacroblockInfo& info) override {
        static constexpr char kinds[] = {'I', 'C', 'S'};
        text += (text.empty() ? "" : " ") + std::to_string(info.address) + ":" +
                kinds[static_cast<int>(info.kind)] + std::to_string(info.quantiser_scale);
    }
    std::string text;
};

struct Expected {
    std::uint32_t intra, coded, skipped;
    std::uint32_t average_hundredths;
    int min, max;
    std::string map; // address:kind scale of each macroblock, in stream order
    std::uint32_t damaged_slices = 0;
    MacroblockError error = MacroblockError::none;
    std::uint32_t macroblocks_read = 0; // in the damaged slice
};

struct SliceCase {
    const char* name;
    Picture picture;
    std::vector<Slice> slices;
    Expected expected;
};

TEST(MacroblockLayer, HandBuiltSlices) {
    const std::vector<SliceCase> cases = {
        {"I picture: intra, a quantiser change, a second slice afresh",
         {.type = 1},
         {{1, 4, "1 1 " + I6 + "1 01 00110 " + I6}, {2, 10, "1 1 " + I6}},
         {3, 0, 0, 1333, 8, 20, "0:I8 1:I12 45:I20"}},
        {"P picture: motion compensated, not compensated, skipped, intra with quant",
         {.type = 2},
         {{1, 2,
           "1 1 1 1 1101 " + N +                // coded with a zero vector, block 3
               "0010 01 111 " + N + N + N + N + // 4 skipped; pattern only, blocks 0 to 3
               "1 001 1 1 " +                   // motion compensated, not coded
               "1 0000 01 11111 " + I6}},       // intra with quantiser_scale_code 31
         {1, 3, 4, 1125, 4, 62, "0:C4 1:S4 2:S4 3:S4 4:S4 5:C4 6:C4 7:I62"}},
        {"increment escape and stuffing",
         {.type = 2},
         {{1, 1,
           "0000 0001 111 1 01 1101 " + N + // stuffing before the first increment
               "0000 0001 000 0000 0001 111 011 01 1101 " + N}}, // 33 + 2: 34 skipped
         {0, 2, 34, 200, 2, 2, ""}},
        {"B picture: interpolated, backward, forward with quant, a skipped one",
         {.type = 3},
         {{1, 2,
           "1 11 1 1 1 1 1101 " + N +             // interpolated, coded
               "011 010 1 1 " +                   // 1 skipped; backward, not coded
               "1 0000 11 01000 1 1 1100 " + N}}, // forward, quant 8: 16
         {0, 3, 1, 700, 4, 16, "0:C4 1:S4 2:C4 3:C16"}},
        {"non-linear quantiser_scale",
         {.type = 1, .q_scale_type = true},
         {{1, 31, "1 1 " + I6 + "1 01 10001 " + I6}},
         {2, 0, 0, 7000, 28, 112, "0:I112 1:I28"}},
        {"MPEG-1: quantizer_scale as coded, f_code 2, a 16-bit escaped level",
         {.mpeg2 = false, .type = 2, .f_code = 2},
         {{1, 31,
           std::string("1 1 010 1 1 1101 0000 01 000000 00000000 10000000 10 ") + // vector +1
               "1 0000 1 00011 1101 " + N}},
         {0, 2, 0, 1700, 3, 31, "0:C31 1:C3"}},
        {"MPEG-1 D picture: DC coefficients and end_of_macroblock",
         {.mpeg2 = false, .type = 4},
         {{1, 5, "1 1 100 100 100 100 00 00 1 1 1 100 100 100 100 00 00 1"}},
         {2, 0, 0, 500, 5, 5, "0:I5 1:I5"}},
        {"field picture: concealment vectors, intra_vlc_format, an escape in table one",
         {.type = 1,
          .structure = 1,
          .frame_pred_frame_dct = false,
          .concealment_motion_vectors = true,
          .intra_vlc_format = true,
          .progressive_sequence = false},
         {{2, 3, "1 1 0 1 1 1 100 0000 01 000001 000000000101 0110 " + Y1 + Y1 + Y1 + C1 + C1}},
         {1, 0, 0, 600, 6, 6, "45:I6"}},
        {"frame picture: field vectors, dual-prime, dct_type",
         {.type = 2, .frame_pred_frame_dct = false},
         {{1, 4,
           "1 1 01 0 0 1 1 1 1 1 1101 " + N + // field prediction: two vectors
               "1 001 11 1 0 1 10 " +         // dual-prime, not coded: no dct_type
               "1 0001 1 1 " + I6}},          // intra with dct_type
         {1, 2, 0, 800, 8, 8, "0:C8 1:C8 2:I8"}},
        {"4:2:2: coded_block_pattern_1; an intra macroblock has 8 blocks",
         {.type = 2, .chroma_format = 2},
         {{1, 1, "1 01 0000 0000 1 01 " + N + "1 0001 1 " + I6 + C + C}},
         {1, 1, 0, 200, 2, 2, "0:C2 1:I2"}},
        {"4:4:4: coded_block_pattern_2; an intra macroblock has 12 blocks",
         {.type = 2, .chroma_format = 3},
         {{1, 1,
           "1 01 111 000001 " + N + N + N + N + N + "1 0001 1 " + I6 + C + C + C + C + C + C}},
         {1, 1, 0, 200, 2, 2, "0:C2 1:I2"}},
        // Damage: what came before counts, the next slice starts afresh.
        {"a code no table has ends the slice",
         {.type = 1},
         {{1, 4, "1 1 " + I6 + "1 00 " + I6}, {2, 5, "1 1 " + I6}},
         {2, 0, 0, 900, 8, 10, "0:I8 45:I10", 1, MacroblockError::invalid_code, 1}},
        {"quantiser_scale_code 0 in a macroblock",
         {.type = 1},
         {{1, 4, "1 1 " + I6 + "1 01 00000 " + I6}},
         {1, 0, 0, 800, 8, 8, "0:I8", 1, MacroblockError::zero_quantiser_scale, 1}},
        {"a block's runs past its 64th coefficient",
         {.type = 2},
         {{1, 4, "1 01 1101 0000 01 111111 000000000001 110 10"}},
         {0, 0, 0, 0, 0, 0, "", 1, MacroblockError::too_many_coefficients, 0}},
        {"an escaped level of 0",
         {.type = 2},
         {{1, 4, "1 01 1101 0000 01 000000 000000000000 10"}},
         {0, 0, 0, 0, 0, 0, "", 1, MacroblockError::invalid_escape_level, 0}},
        {"macroblocks skipped in an I picture",
         {.type = 1},
         {{1, 4, "1 1 " + I6 + "011 1 " + I6}},
         {1, 0, 0, 800, 8, 8, "0:I8", 1, MacroblockError::skipped_in_intra_picture, 1}},
        {"a slice below the picture's last row",
         {.type = 1},
         {{5, 4, "1 1 " + I6}},
         {0, 0, 0, 0, 0, 0, "", 1, MacroblockError::address_outside_picture, 0}},
        {"frame_motion_type 0",
         {.type = 2, .frame_pred_frame_dct = false},
         {{1, 4, "1 001 00 1 1"}},
         {0, 0, 0, 0, 0, 0, "", 1, MacroblockError::reserved_motion_type, 0}},
        {"the marker bit after a concealment vector is 0",
         {.type = 1, .concealment_motion_vectors = true},
         {{1, 4, "1 1 1 1 0 " + I6}},
         {0, 0, 0, 0, 0, 0, "", 1, MacroblockError::marker_bit, 0}},
        {"a slice cut inside a block",
         {.type = 1},
         {{1, 4, "1 1 " + I6 + "1 1 100 0101"}},
         {1, 0, 0, 800, 8, 8, "0:I8", 1, MacroblockError::invalid_code, 1}},
        {"a slice whose quantiser_scale_code is 0",
         {.type = 1},
         {{1, 0, "1 1 " + I6}, {2, 4, "1 1 " + I6}},
         {1, 0, 0, 800, 8, 8, "45:I8", 1, MacroblockError::zero_quantiser_scale, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bytes = picture_bytes(c.picture, c.slices);
        Map map;
        const auto q = mpeg::picture_quantiser(bytes, sequence_of(c.picture), &map);
        EXPECT_EQ(q.error, mpeg::PictureError::none);
        EXPECT_EQ(q.picture_coding_type, c.picture.type);
        EXPECT_EQ(q.slices, c.slices.size());
        EXPECT_EQ(q.intra, c.expected.intra);
        EXPECT_EQ(q.coded, c.expected.coded);
        EXPECT_EQ(q.skipped, c.expected.skipped);
        EXPECT_EQ(q.quantiser_average_hundredths(), c.expected.average_hundredths);
        EXPECT_EQ(q.quantiser_min, c.expected.min);
        EXPECT_EQ(q.quantiser_max, c.expected.max);
        if (!c.expected.map.empty()) {
            EXPECT_EQ(map.text, c.expected.map);
        }
        EXPECT_EQ(q.damaged_slices, c.expected.damaged_slices);
        if (c.expected.damaged_slices != 0 && q.first_damage) {
            EXPECT_EQ(q.first_damage->error, c.expected.error);
            EXPECT_EQ(q.first_damage->macroblocks_read, c.expected.macroblocks_read);
            EXPECT_EQ(q.first_damage->slice_vertical_position,
                      static_cast<std::uint32_t>(c.slices[0].slice_vertical_position));
        }
        EXPECT_EQ(q.first_damage.has_value(), c.expected.damaged_slices != 0);
    }
}

TEST(MacroblockLayer, PicturesThatCannotBeRead) {
    const Picture i{.type = 1};
    const auto good = picture_bytes(i, {{1, 4, "1 1 " + I6}});
    auto no_extension = picture_bytes({.mpeg2 = false, .type = 1}, {{1, 4, "1 1 " + I6}});
    auto d_in_mpeg2 = good;
    d_in_mpeg2[5] = static_cast<std::uint8_t>((d_in_mpeg2[5] & ~0x38) | (4 << 3));
    auto type_zero = good;
    type_zero[5] = static_cast<std::uint8_t>(type_zero[5] & ~0x38);
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        mpeg::PictureError error;
    } cases[] = {
        {"no picture start code",
         {good.begin() + 1, good.end()},
         mpeg::PictureError::no_picture_header},
        {"nothing but the start code",
         {good.begin(), good.begin() + 5},
         mpeg::PictureError::truncated_picture_header},
        {"MPEG-2 slices without a picture coding extension", no_extension,
         mpeg::PictureError::no_picture_coding_extension},
        {"a D picture in MPEG-2", d_in_mpeg2, mpeg::PictureError::unknown_picture_coding_type},
        {"picture_coding_type 0", type_zero, mpeg::PictureError::unknown_picture_coding_type},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto q = mpeg::picture_quantiser(c.bytes, sequence_of(i));
        EXPECT_EQ(q.error, c.error);
        EXPECT_EQ(q.macroblocks(), 0u);
    }
    EXPECT_EQ(mpeg::picture_quantiser(good, sequence_of(i)).intra, 1u);
}

TEST(MacroblockLayer, MacroblocksNoSliceReaches) {
    // 32 x 32: two macroblocks a row, two rows.
    const mpeg::SequenceContext sequence{true, 1, 32, 32, true};
    const std::string row = "1 1 " + I6 + "1 1 " + I6;
    const struct {
        const char* name;
        std::vector<Slice> slices;
        std::uint32_t read, missing;
    } cases[] = {
        {"every macroblock in a slice", {{1, 4, row}, {2, 4, row}}, 4, 0},
        {"the second row's slice left out (a picture cut short)", {{1, 4, row}}, 2, 2},
        {"a slice that starts in its row's second column",
         {{1, 4, row}, {2, 4, "011 1 " + I6}},
         3,
         1},
        {"the rest of a damaged slice", {{1, 4, "1 1 " + I6 + "1 00 " + I6}, {2, 4, row}}, 3, 1},
        {"no slice at all", {}, 0, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto q = mpeg::picture_quantiser(picture_bytes({.type = 1}, c.slices), sequence);
        EXPECT_EQ(q.error, mpeg::PictureError::none);
        EXPECT_EQ(q.macroblocks(), c.read);
        EXPECT_EQ(q.missing, c.missing);
        EXPECT_EQ(q.mb_height, 2u);
    }
}

// --- a real stream, from ../shared/streams when it is there ------------------------------

class Slices : public mpeg::MacroblockSink {
  public:
    void macroblock(const mpeg::MacroblockInfo&) override {}
    void slice(const mpeg::SliceInfo& info) override { slices.push_back(info); }
    std::vector<mpeg::SliceInfo> slices;
};

// An MPEG-1 stream whose slices start mid-row, some of them past the row their start code
// names; ffmpeg drops those, and the last slices of two pictures, and conceals them. Every
// slice is read here without damage to its next start code, with nothing but zero bits
// left, and lands where its first macroblock_address_increment puts it.
TEST(MacroblockLayer, RealMpeg1SlicesStartingPastTheirRow) {
    const std::filesystem::path path = std::filesystem::path(QUANTALINE_TEST_DATA) /
                                       "../../../shared/streams" /
                                       "mwgoldsmith_mpeg2_tz_walken_mpeg1_start_slice_stream.m1v";
    if (!std::filesystem::exists(path)) {
        GTEST_SKIP() << "../shared/streams is absent: " << path.filename() << " is not read";
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> es{std::istreambuf_iterator<char>(in),
                                       std::istreambuf_iterator<char>()};
    ASSERT_GE(es.size(), 12u);
    ASSERT_EQ(es[3], 0xB3);
    const auto header = mpeg::sequence_header(std::span(es).subspan(4));
    ASSERT_TRUE(header.ok());
    const auto sequence = mpeg::sequence_context(header.fields, nullptr);
    ASSERT_EQ(sequence.horizontal_size, 360u); // 23 macroblocks a row, slices of 22
    // Each picture's bytes: from its start code to the next picture, group, sequence
    // header or sequence end start code.
    std::vector<std::span<const std::uint8_t>> pictures;
    std::size_t open = 0;
    bool in_picture = false;
    for (std::size_t i = 0; i + 3 < es.size(); ++i) {
        if (es[i] != 0 || es[i + 1] != 0 || es[i + 2] != 1) {
            continue;
        }
        const std::uint8_t code = es[i + 3];
        if (code == 0x00 || code == 0xB3 || code == 0xB8 || code == 0xB7) {
            if (in_picture) {
                pictures.push_back(std::span(es).subspan(open, i - open));
            }
            in_picture = code == 0x00;
            open = i;
        }
    }
    if (in_picture) {
        pictures.push_back(std::span(es).subspan(open));
    }
    ASSERT_EQ(pictures.size(), 100u);

    // Every slice of every picture.
    std::uint32_t slices = 0, past_their_row = 0;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        Slices map;
        const auto q = mpeg::picture_quantiser(pictures[k], sequence, &map);
        ASSERT_EQ(q.damaged_slices, 0u) << "picture " << k;
        for (const auto& slice : map.slices) {
            ++slices;
            EXPECT_FALSE(slice.damaged);
            past_their_row += slice.first_address / 23 > slice.slice_vertical_position - 1;
            for (std::size_t bit = slice.end_bit; bit < slice.next_start_code * 8; ++bit) {
                ASSERT_EQ((pictures[k][bit / 8] >> (7 - bit % 8)) & 1, 0)
                    << "picture " << k << ", slice " << slice.slice_vertical_position;
            }
        }
    }
    EXPECT_EQ(slices, 1600u);
    EXPECT_GT(past_their_row, 0u);

    // The slices ffmpeg drops in the first pictures, as the concealed macroblocks it counts
    // there tell: in picture 1, 46 = 8 missing + 18 + 20; in picture 3, 16 = 3 + 13; in
    // picture 4, 15 = 1 + 14.
    const struct {
        const char* name;
        std::size_t picture, slice;
        std::uint32_t slice_vertical_position, first_address, macroblocks, missing;
        int last_byte; // where its last macroblock ends in the byte before the start code
    } cases[] = {
        {"P picture: the second slice of row 1 starts in row 2", 1, 1, 1, 25, 18, 8, -1},
        {"P picture: the slice of row 2 starts in row 3", 1, 2, 2, 46, 20, 8, -1},
        {"B picture: the last end_of_block ends in the zero byte before the start code", 3, 15, 15,
         330, 13, 3, 0x00},
        {"P picture: the last slice ends five bits into its last byte", 4, 15, 15, 330, 14, 1,
         0x70},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Slices map;
        const auto q = mpeg::picture_quantiser(pictures[c.picture], sequence, &map);
        EXPECT_EQ(q.missing, c.missing);
        ASSERT_LT(c.slice, map.slices.size());
        const auto& slice = map.slices[c.slice];
        EXPECT_EQ(slice.slice_vertical_position, c.slice_vertical_position);
        EXPECT_EQ(slice.first_address, c.first_address);
        EXPECT_EQ(slice.macroblocks, c.macroblocks);
        if (c.last_byte >= 0) {
            EXPECT_EQ(c.slice + 1, map.slices.size()); // the picture's last slice
            EXPECT_GT(slice.end_bit, (slice.next_start_code - 1) * 8);
            EXPECT_EQ(pictures[c.picture][slice.next_start_code - 1], c.last_byte);
        }
    }
}

} // namespace
} // namespace quantaline
