// Each picture's timing in the records, and the decoder's buffer over them, on streams
// whose chunks are built to the byte so that the schedule can be worked out by hand.

#include "check/buffer_model.h"
#include "check/timeline.h"
#include "mpeg/scan.h"
#include "support/stream_builder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quantaline {
namespace {

using check::BufferMode;
using check::model_buffer;
using test::PictureCoding;
using test::SequenceExtension;
using test::StreamBuilder;

mpeg::ScanResult scan_with_records(const std::vector<std::uint8_t>& bytes) {
    mpeg::ScanControl control;
    control.picture_records = true;
    return mpeg::scan_bytes(bytes, control);
}

TEST(PictureFields, EveryKindOfPicture) {
    struct Case {
        bool mpeg2, progressive_sequence;
        std::uint8_t structure;
        bool top_field_first, repeat_first_field;
        int fields;
    };
    const Case cases[] = {
        {false, false, 3, false, false, 2}, // MPEG-1
        {true, false, 1, true, false, 1},   // top field
        {true, false, 2, false, true, 1},   // bottom field: repeat_first_field has no sense
        {true, false, 3, true, false, 2},   {true, false, 3, false, true, 3},
        {true, false, 3, true, true, 3},    {true, true, 3, true, false, 2},
        {true, true, 3, false, true, 4},    {true, true, 3, true, true, 6},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mpeg::picture_fields(c.mpeg2, c.progressive_sequence, c.structure,
                                       c.top_field_first, c.repeat_first_field),
                  c.fields)
            << c.mpeg2 << c.progressive_sequence << int(c.structure) << c.top_field_first
            << c.repeat_first_field;
    }
}

TEST(DecodingClock, StepsOfFramesAndFieldPairs) {
    struct Picture {
        std::uint8_t type, structure, fields;
        int step;
    };
    // The coded order of the Sony 3:2 conformance stream's first pictures: an I field pair,
    // two P frames of 3 fields, a B field pair, an I field pair; then a B frame of 3 fields.
    // The steps are those its vbv_delay values give at its constant 4 Mbit/s.
    const Picture pictures[] = {{1, 1, 1, 1}, {2, 2, 1, 2}, {2, 3, 3, 2}, {2, 3, 3, 3},
                                {3, 2, 1, 1}, {3, 1, 1, 1}, {1, 2, 1, 1}, {2, 1, 1, 2},
                                {3, 3, 3, 3}, {2, 3, 2, 2}};
    mpeg::DecodingClock clock;
    for (std::size_t i = 0; i < std::size(pictures); ++i) {
        const Picture& p = pictures[i];
        EXPECT_EQ(clock.step_after(p.type, p.structure, p.fields, false), p.step) << i;
    }
    // Under low_delay every picture steps by its own fields.
    mpeg::DecodingClock low_delay;
    EXPECT_EQ(low_delay.step_after(1, 3, 3, true), 3);
    EXPECT_EQ(low_delay.step_after(2, 3, 2, true), 2);
    EXPECT_EQ(low_delay.step_after(2, 1, 1, true), 1);
    EXPECT_EQ(low_delay.step_after(2, 2, 1, true), 1);
}

TEST(PictureTiming, RecordsCarryTheHeadersTimingAndTheirChunks) {
    StreamBuilder b;
    // A sequence header of 12 bytes, its extension of 10, a group of 8: the first lead.
    b.sequence_header({.bit_rate_value = 0x3FFFF, .vbv_buffer_size_value = 0x3FF})
        .sequence_extension(SequenceExtension{.progressive_sequence = true,
                                              .bit_rate_extension = 2,
                                              .vbv_buffer_size_extension = 1,
                                              .low_delay = true,
                                              .frame_rate_extension_n = 1,
                                              .frame_rate_extension_d = 2})
        .group_of_pictures_header(0, 0, 0, 0)
        .picture_header(0, 1, 1234)
        .picture_coding_extension(PictureCoding{
            .top_field_first = true, .repeat_first_field = true, .progressive_frame = true})
        .slice(50);
    const std::size_t second = b.size();
    b.picture_header(1, 2, 4321)
        .picture_coding_extension(PictureCoding{.picture_structure = 1})
        .slice(20)
        .sequence_end();
    const std::size_t end = b.size();
    const mpeg::ScanResult r = scan_with_records(b.bytes());
    ASSERT_EQ(r.picture_records.size(), 2u);
    const mpeg::PictureRecord& first = r.picture_records[0];
    EXPECT_EQ(first.vbv_delay, 1234);
    EXPECT_EQ(first.lead_bytes, 30u);
    EXPECT_TRUE(first.flags.coding_extension && first.flags.top_field_first &&
                first.flags.repeat_first_field && first.flags.progressive_frame);
    EXPECT_TRUE(first.flags.after_sequence_header && first.flags.after_group &&
                first.flags.closed_gop);
    EXPECT_EQ(first.fields, 6); // progressive sequence, repeat_first_field, top first
    const mpeg::PictureRecord& field = r.picture_records[1];
    EXPECT_EQ(field.vbv_delay, 4321);
    EXPECT_EQ(field.lead_bytes, 0u);
    EXPECT_FALSE(field.flags.after_sequence_header || field.flags.after_group);
    EXPECT_EQ(field.fields, 1);
    // The sequence end code stays in the last chunk.
    EXPECT_EQ(r.chunk_tails, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{1, 4}}));
    EXPECT_EQ(field.bytes, end - 4 - second);

    ASSERT_EQ(r.sequences.size(), 1u);
    const mpeg::SequenceParameters& s = r.sequences[0];
    EXPECT_TRUE(s.mpeg2 && s.progressive_sequence && s.low_delay);
    EXPECT_EQ(s.bit_rate, 0x3FFFFu | 2u << 18);
    EXPECT_EQ(s.vbv_buffer_size, 0x3FFu | 1u << 10);
    EXPECT_DOUBLE_EQ(*mpeg::frame_rate(s), 25.0 * 2 / 3);
}

TEST(PictureTiming, Mpeg1PicturesHaveNoFlagsAndTwoFields) {
    StreamBuilder b;
    b.sequence_header({.horizontal_size = 352, .vertical_size = 288})
        .picture_header(0, 1, 0xFFFF)
        .slice(30);
    const mpeg::ScanResult r = scan_with_records(b.bytes());
    ASSERT_EQ(r.picture_records.size(), 1u);
    EXPECT_FALSE(r.picture_records[0].flags.coding_extension);
    EXPECT_EQ(r.picture_records[0].fields, 2);
    ASSERT_EQ(r.sequences.size(), 1u);
    EXPECT_FALSE(r.sequences[0].mpeg2);
}

// One picture of a hand-built stream: its chunk is padded to `chunk_bytes` exactly.
struct Picture {
    int type;
    int temporal_reference;
    std::uint16_t vbv_delay;
    std::size_t chunk_bytes;
    bool repeat_first_field = false;
};

// 720 000 bit/s: one byte enters the buffer in one tick of the 90 kHz clock. 25 Hz.
std::vector<std::uint8_t> cbr_stream(const std::vector<Picture>& pictures, int vbv_buffer_size,
                                     bool low_delay = false) {
    StreamBuilder b;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Picture& p = pictures[i];
        const std::size_t start = b.size();
        if (i == 0) {
            b.sequence_header({.bit_rate_value = 1800, .vbv_buffer_size_value = vbv_buffer_size})
                .sequence_extension(SequenceExtension{.low_delay = low_delay})
                .group_of_pictures_header(0, 0, 0, 0);
        }
        b.picture_header(p.temporal_reference, p.type, p.vbv_delay)
            .picture_coding_extension(PictureCoding{.repeat_first_field = p.repeat_first_field});
        b.slice(p.chunk_bytes - (b.size() - start) - 4);
    }
    return b.bytes();
}

struct BufferCase {
    const char* name;
    std::vector<Picture> pictures;
    int vbv_buffer_size;
    bool low_delay;
    BufferMode mode;
    std::vector<double> decode_ticks; // 90 kHz
    std::vector<double> occupancy;    // bits; empty: not checked
    std::vector<bool> underflow;
    std::vector<bool> overflow;
    std::vector<std::uint64_t> rate_excesses;
};

// I (repeat_first_field: 3 fields), P, B, B: chunks of 9 000, 6 000, 3 000 and 3 000 bytes,
// the picture start codes at 30, 9 000, 15 000 and 18 000, 21 000 bytes in all. The steps
// after them are 3 fields (the I's own), 3 (the I's, as the P waits for it), 2 and 2: 5 400,
// 5 400 and 3 600 ticks. Arriving at the bit rate from time 0, picture n's start code
// enters at its position less 30 ticks, so vbv_delay(n) = t(n) - P(n) + 30.
std::vector<Picture> ipbb(std::uint16_t t0, int rate_shift = 0) {
    return {{1, 2, t0, 9000, true},
            {2, 5, static_cast<std::uint16_t>(t0 + 5400 - 8970), 6000},
            {3, 3, static_cast<std::uint16_t>(t0 + 10800 - 14970 + rate_shift), 3000},
            {3, 4, static_cast<std::uint16_t>(t0 + 14400 - 17970), 3000}};
}

const std::vector<BufferCase>& buffer_cases() {
    static const std::vector<BufferCase> cases = {
        // Bits entered by t: the 30 lead bytes and t ticks' bytes, at most the 21 000; the
        // occupancy is that less the chunks before, in bits.
        {"held",
         ipbb(12000),
         20,
         false,
         BufferMode::vbv_delay,
         {12000, 17400, 22800, 26400},
         {8 * 12030.0, 8 * (17430.0 - 9000), 8 * (21000.0 - 15000), 8 * (21000.0 - 18000)},
         {false, false, false, false},
         {false, false, false, false},
         {}},
        {"underflow at the P picture",
         ipbb(9000),
         20,
         false,
         BufferMode::vbv_delay,
         {9000, 14400, 19800, 23400},
         {8 * 9030.0, 8 * (14430.0 - 9000), 8 * (19830.0 - 15000), 8 * (21000.0 - 18000)},
         {false, true, false, false},
         {false, false, false, false},
         {}},
        // The same stream under low_delay: the steps are each picture's own fields, so the
        // first B is decoded 1 800 ticks sooner and its start code (vbv_delay 4 830) enters
        // at 13 170, 4 200 ticks after the P's: 1 028 571 bit/s.
        {"low_delay: no underflow",
         ipbb(9000),
         20,
         true,
         BufferMode::vbv_delay,
         {9000, 14400, 18000, 21600},
         {},
         {false, false, false, false},
         {false, false, false, false},
         {1}},
        // A buffer of 81 920 bits holds less than the first picture's 96 240.
        {"overflow at the I picture",
         ipbb(12000),
         5,
         false,
         BufferMode::vbv_delay,
         {12000, 17400, 22800, 26400},
         {},
         {false, false, false, false},
         {true, false, false, false},
         {}},
        // The first B's start code 300 ticks early: the P's 48 000 bits enter in 5 700 ticks
        // (757 895 bit/s). At t(0) = 12 000 the P's bits are entering (8 970 to 14 670):
        // 9 000 + 3 030 / 5 700 x 6 000 bytes; at t(1) = 17 400 the first B's (14 670 to
        // 17 970): 15 000 + 2 730 / 3 300 x 3 000.
        {"rate above the bit rate",
         ipbb(12000, 300),
         20,
         false,
         BufferMode::vbv_delay,
         {12000, 17400, 22800, 26400},
         {8 * (9000 + 3030.0 / 5700 * 6000), 8 * (15000 + 2730.0 / 3300 * 3000 - 9000),
          8 * (21000.0 - 15000), 8 * (21000.0 - 18000)},
         {false, false, false, false},
         {false, false, false, false},
         {1}},
        // Every vbv_delay 0xFFFF, a buffer of 32 768 bits (4 096 ticks to fill), chunks of
        // 3 000, 6 000, 1 000 and 1 000 bytes. After the I: 8 768 bits, 5 400 ticks fill it
        // (43 200 bits could enter). The P's 48 000 bits are more than it holds: -15 232
        // after it; 5 400 ticks bring the 31 232 bits left; 8 000 remain for the last B.
        {"filled at the bit rate",
         {{1, 2, 0xFFFF, 3000, true},
          {2, 5, 0xFFFF, 6000},
          {3, 3, 0xFFFF, 1000},
          {3, 4, 0xFFFF, 1000}},
         2,
         false,
         BufferMode::fill,
         {4096, 9496, 14896, 18496},
         {32768, 32768, 16000, 8000},
         {false, true, false, false},
         {false, false, false, false},
         {}},
        // Mixed: read as if every one were 0xFFFF.
        {"mixed vbv_delay",
         {{1, 2, 0xFFFF, 3000, true},
          {2, 5, 3000, 6000},
          {3, 3, 0xFFFF, 1000},
          {3, 4, 0xFFFF, 1000}},
         2,
         false,
         BufferMode::fill,
         {4096, 9496, 14896, 18496},
         {32768, 32768, 16000, 8000},
         {false, true, false, false},
         {false, false, false, false},
         {}},
    };
    return cases;
}

TEST(BufferModel, HandBuiltSchedules) {
    for (const BufferCase& c : buffer_cases()) {
        SCOPED_TRACE(c.name);
        const mpeg::ScanResult r =
            scan_with_records(cbr_stream(c.pictures, c.vbv_buffer_size, c.low_delay));
        const check::BufferModel m = model_buffer(r);
        EXPECT_EQ(m.mode, c.mode);
        EXPECT_DOUBLE_EQ(m.bit_rate, 720000);
        EXPECT_DOUBLE_EQ(m.buffer_size, 16384.0 * c.vbv_buffer_size);
        ASSERT_EQ(m.pictures.size(), c.pictures.size());
        std::vector<std::uint64_t> excesses;
        for (const auto& e : m.rate_excesses) {
            excesses.push_back(e.picture);
        }
        EXPECT_EQ(excesses, c.rate_excesses);
        EXPECT_EQ(m.mixed_picture.has_value(), std::string(c.name) == "mixed vbv_delay");
        for (std::size_t n = 0; n < c.pictures.size(); ++n) {
            SCOPED_TRACE(n);
            EXPECT_NEAR(m.pictures[n].decode_time, c.decode_ticks[n] / 90000, 1e-9);
            EXPECT_DOUBLE_EQ(m.pictures[n].chunk_bits,
                             8.0 * static_cast<double>(c.pictures[n].chunk_bytes));
            if (!c.occupancy.empty()) {
                EXPECT_NEAR(m.pictures[n].occupancy, c.occupancy[n], 1e-3);
            }
            EXPECT_EQ(m.pictures[n].underflow, c.underflow[n]);
            EXPECT_EQ(m.pictures[n].overflow, c.overflow[n]);
        }
    }
}

TEST(BufferModel, NothingToModelWithoutASequenceOrABitRate) {
    StreamBuilder before;
    before.picture_header(0, 1, 100).slice(20);
    EXPECT_EQ(model_buffer(scan_with_records(before.bytes())).mode, BufferMode::none);
    StreamBuilder no_rate;
    no_rate.sequence_header({.bit_rate_value = 0}).picture_header(0, 1, 100).slice(20);
    EXPECT_EQ(model_buffer(scan_with_records(no_rate.bytes())).mode, BufferMode::none);
    // A picture before the first sequence header is left out; the model starts after it.
    StreamBuilder late;
    late.picture_header(0, 2, 100)
        .slice(20)
        .sequence_header({})
        .picture_header(0, 1, 0xFFFF)
        .slice(20);
    const check::BufferModel m = model_buffer(scan_with_records(late.bytes()));
    EXPECT_EQ(m.mode, BufferMode::fill);
    EXPECT_EQ(m.first_picture, 1u);
    EXPECT_EQ(m.at(0), nullptr);
    ASSERT_NE(m.at(1), nullptr);
}

} // namespace
} // namespace quantaline

namespace quantaline {
namespace {

// The window's time axis: the decoding times step by the anchors' fields, the bits of each
// second and of each group add up to the pictures' chunks; without a frame rate, no time.
TEST(Timeline, TimesSecondsAndGroups) {
    for (const int frame_rate_code : {3, 0}) {
        StreamBuilder b;
        b.sequence_header({.frame_rate_code = frame_rate_code})
            .sequence_extension(SequenceExtension{})
            .group_of_pictures_header(0, 0, 0, 0);
        // I with repeat_first_field (3 fields), P, B; then a group of I, B.
        const std::vector<std::pair<int, bool>> pictures = {{1, true}, {2, false}, {3, false}};
        int reference = 0;
        for (const auto& [type, repeat] : pictures) {
            b.picture_header(reference++, type, 0xFFFF)
                .picture_coding_extension(PictureCoding{.repeat_first_field = repeat})
                .slice(40);
        }
        b.group_of_pictures_header(0, 0, 1, 0);
        for (const int type : {1, 3}) {
            b.picture_header(type == 1 ? 1 : 0, type, 0xFFFF)
                .picture_coding_extension(PictureCoding{})
                .slice(40);
        }
        const mpeg::ScanResult r = scan_with_records(b.bytes());
        ASSERT_EQ(r.picture_records.size(), 5u);
        const check::Timeline t = check::make_timeline(r);
        EXPECT_EQ(t.group_starts, (std::vector<std::uint64_t>{0, 3})) << frame_rate_code;
        double all_bits = 0;
        for (std::size_t i = 0; i < 5; ++i) {
            all_bits += 8.0 * static_cast<double>(r.picture_records[i].bytes +
                                                  r.picture_records[i].lead_bytes);
        }
        ASSERT_EQ(t.group_bits.size(), 2u);
        EXPECT_DOUBLE_EQ(t.group_bits[0] + t.group_bits[1], all_bits);
        if (frame_rate_code == 0) {
            EXPECT_TRUE(t.times.empty() && t.second_bits.empty());
            continue;
        }
        // At 25 Hz a field is 20 ms: I (own 3 fields), P (I's 3), B (its 2), I (P's 2), B.
        const std::vector<double> times = {0, 0.06, 0.12, 0.16, 0.20};
        ASSERT_EQ(t.times.size(), times.size());
        for (std::size_t i = 0; i < times.size(); ++i) {
            EXPECT_NEAR(t.times[i], times[i], 1e-12) << i;
        }
        EXPECT_NEAR(t.duration, 0.24, 1e-12);
        ASSERT_EQ(t.second_bits.size(), 1u);
        EXPECT_DOUBLE_EQ(t.second_bits[0], all_bits);
    }
}

} // namespace
} // namespace quantaline
