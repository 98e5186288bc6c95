// Picture records: one per picture header, in stream order, with its type, structure,
// temporal reference, matrix set, file offset and elementary-stream bytes, in every
// container and wherever the packets cut the stream.

#include "mpeg/scan.h"
#include "support/messages.h"
#include "support/stream_builder.h"

#include <gtest/gtest.h>

namespace quantaline {
namespace {

using mpeg::PictureRecord;
using mpeg::ScanResult;
using test::scan_matrix_of;
using test::StreamBuilder;

ScanResult scan_pictures(const std::vector<std::uint8_t>& bytes) {
    mpeg::ScanControl control;
    control.picture_records = true;
    return mpeg::scan_bytes(std::span<const std::uint8_t>(bytes), control);
}

std::vector<PictureRecord> records_of(const ScanResult& result) {
    std::vector<PictureRecord> records;
    for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
        records.push_back(result.picture_records[i]);
    }
    return records;
}

constexpr std::uint8_t I = 1, P = 2, B = 3, D = 4;
constexpr std::uint8_t top = 1, bottom = 2, frame = 3;

// A stream with every case a record has to get right; `start[n]` is where picture n's
// start code lies in it, `end[n]` where its bytes stop.
struct Expected {
    std::uint8_t type;
    std::uint8_t structure;
    std::uint16_t temporal_reference;
    std::uint32_t matrix_set;
};

struct Built {
    std::vector<std::uint8_t> es;
    std::vector<std::size_t> start;
    std::vector<std::size_t> end;
    std::vector<Expected> expected;
};

Built every_case() {
    Built b;
    StreamBuilder s;
    const auto begin = [&](const Expected& e) {
        b.start.push_back(s.size());
        b.expected.push_back(e);
    };
    const auto stop = [&] { b.end.push_back(s.size()); };
    // A picture before any sequence header: no set, and an MPEG-1 picture (no coding
    // extension) is a frame.
    begin({P, frame, 7, 0});
    s.picture_header(7, 2).slice(30);
    stop();
    s.sequence_header({}).sequence_extension(0x48).group_of_pictures_header(0, 0, 0, 0);
    // In coded order: I, then two B pictures that are shown before it.
    begin({I, frame, 2, 1});
    s.picture(2, 1);
    stop();
    begin({B, frame, 0, 1});
    s.picture(0, 3);
    // User data inside a picture is the picture's.
    s.start_code(0xB2).raw({0x47, 0x41, 0x39, 0x34});
    stop();
    begin({B, frame, 1, 1});
    s.picture(1, 3);
    // Zero stuffing before the next start code is this picture's too.
    s.raw({0x00, 0x00, 0x00});
    stop();
    // A pair of field pictures, the second with a quant_matrix_extension in its header:
    // the set it is coded with is the second set met.
    begin({P, top, 5, 1});
    s.picture_header(5, 2).picture_coding_extension(0, 1).slice(25);
    stop();
    begin({P, bottom, 5, 2});
    s.picture_header(5, 2).picture_coding_extension(0, 2);
    s.quant_matrix_extension({.intra = scan_matrix_of(40)}).slice(25);
    stop();
    // A D picture ended by the sequence end code.
    begin({D, frame, 6, 2});
    s.picture_header(6, 4).picture_coding_extension(0, 3).slice(10);
    stop();
    s.sequence_end();
    // A new sequence with the first matrices again: set 1, ended by a GOP header.
    s.sequence_header({}).sequence_extension(0x48).group_of_pictures_header(0, 0, 1, 0);
    begin({I, frame, 0, 1});
    s.picture(0, 1);
    stop();
    s.group_of_pictures_header(0, 0, 2, 0);
    // A damaged picture coding extension: the structure is unknown (0), the rest stands.
    begin({I, 0, 0, 1});
    s.picture_header(0, 1).raw({0x00, 0x00, 0x01, 0xB5, 0x80}).slice(12);
    stop();
    // The last picture runs to the end of the stream.
    begin({B, frame, 1023, 1});
    s.picture(1023, 3);
    stop();
    b.es = s.bytes();
    return b;
}

TEST(PictureRecords, EachPictureInEveryContainerWhereverItIsCut) {
    const Built b = every_case();
    struct Case {
        std::string name;
        test::Multiplexed stream;
    };
    std::vector<Case> cases;
    test::Multiplexed es{b.es, {}};
    for (std::size_t i = 0; i < b.es.size(); ++i) {
        es.offsets.push_back(i);
    }
    cases.push_back({"elementary stream", es});
    cases.push_back({"program stream", test::program_stream(b.es)});
    cases.push_back({"MPEG-1 program stream of 7-byte packets",
                     test::program_stream(b.es, {.max_payload = 7, .mpeg1 = true})});
    cases.push_back({"transport stream", test::transport_stream(b.es)});
    cases.push_back({"M2TS", test::transport_stream(b.es, {.m2ts = true})});
    // Packets cut 1, 2 and 3 bytes into each picture start code, and right before it.
    for (std::size_t k = 0; k <= 3; ++k) {
        std::vector<std::size_t> cuts;
        for (const std::size_t start : b.start) {
            cuts.push_back(start + k);
        }
        cases.push_back({"program stream cut " + std::to_string(k) + " bytes into each picture",
                         test::program_stream(b.es, {.cuts = cuts})});
        // A new PES packet there too: its header lies inside the start code.
        std::vector<std::size_t> pes_starts = cuts;
        pes_starts.push_back(0);
        cases.push_back({"transport stream cut " + std::to_string(k) + " bytes into each picture",
                         test::transport_stream(b.es, {.cuts = cuts, .pes_starts = pes_starts})});
    }

    std::vector<PictureRecord> expected;
    for (std::size_t n = 0; n < b.start.size(); ++n) {
        const Expected& e = b.expected[n];
        expected.push_back(
            {n, 0, b.end[n] - b.start[n], e.matrix_set, e.temporal_reference, e.type, e.structure});
    }
    std::vector<PictureRecord> es_timing;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> es_tails;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanResult result = scan_pictures(c.stream.bytes);
        EXPECT_TRUE(result.messages.empty()) << french(result.messages.front()).text;
        ASSERT_EQ(result.pictures, expected.size());
        ASSERT_EQ(result.matrix_sets.size(), 2u);
        for (std::size_t n = 0; n < expected.size(); ++n) {
            expected[n].offset = c.stream.offsets[b.start[n]];
        }
        // The timing has tests of its own; here it must not depend on the container.
        std::vector<PictureRecord> records = records_of(result);
        std::vector<PictureRecord> timing;
        for (PictureRecord& r : records) {
            PictureRecord t;
            t.vbv_delay = r.vbv_delay;
            t.fields = r.fields;
            t.flags = r.flags;
            t.lead_bytes = r.lead_bytes;
            timing.push_back(t);
            r.vbv_delay = 0;
            r.fields = 0;
            r.flags = {};
            r.lead_bytes = 0;
        }
        EXPECT_EQ(records, expected);
        if (es_timing.empty()) {
            es_timing = timing;
            es_tails = result.chunk_tails;
        }
        EXPECT_EQ(timing, es_timing);
        EXPECT_EQ(result.chunk_tails, es_tails);
    }
}

TEST(PictureRecords, OnlyWhenAskedAndOnlyWhatTheStreamHolds) {
    const Built b = every_case();
    // The scan alone keeps none: its memory stays what it was.
    EXPECT_TRUE(mpeg::scan_bytes(std::span<const std::uint8_t>(b.es)).picture_records.empty());

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint64_t> sizes; // the bytes of each record
    };
    StreamBuilder damaged;
    damaged.sequence_header({});
    const std::size_t first = damaged.size();
    damaged.picture(0, 1);
    const std::size_t cut = damaged.size();
    damaged.raw({0x00, 0x00, 0x01, 0x00, 0x12}); // a picture header cut short
    const std::size_t second = damaged.size();
    damaged.picture(1, 2);

    StreamBuilder lost;
    lost.sequence_header({}).group_of_pictures_header(0, 0, 0, 0);
    const std::size_t lost_first = lost.size();
    lost.picture(0, 1);
    const std::size_t lost_second = lost.size();
    lost.picture(1, 2);
    const std::size_t picture_size = lost.size() - lost_second;
    lost.picture(2, 2);
    // Packet 0 ends 20 bytes into the second picture (its header and coding extension),
    // packet 1 holds the next 20 bytes, and is lost.
    const test::TransportStreamLayout layout{.cuts = {lost_second + 20, lost_second + 40},
                                             .lost_packets = {1}};

    const std::vector<Case> cases = {
        {"no video", {}, {}},
        {"a damaged picture header is no picture: the one before ends at it",
         damaged.bytes(),
         {cut - first, damaged.size() - second}},
        // The bytes that never arrived are counted nowhere.
        {"a lost transport packet",
         test::transport_stream(lost.bytes(), layout).bytes,
         {lost_second - lost_first, picture_size - 20, picture_size}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanResult result = scan_pictures(c.bytes);
        std::vector<std::uint64_t> sizes;
        for (const auto& record : records_of(result)) {
            sizes.push_back(record.bytes);
        }
        EXPECT_EQ(sizes, c.sizes);
    }
}

TEST(PictureRecords, RealStreamsInCodedOrderAsFfmpegTracesThem) {
    // picture_coding_type and temporal_reference of each picture header, as
    // `ffmpeg -i FILE -map 0:v:0 -c copy -bsf:v trace_headers -f null -` prints them.
    struct Case {
        const char* file;
        const char* types;
        std::vector<std::uint16_t> temporal_references;
    };
    const std::vector<Case> cases = {
        {"mpeg2-es-bframes.m2v", "IPBBPBBIBB", {0, 3, 1, 2, 6, 4, 5, 2, 0, 1}},
        {"mpeg2-ts-bframes.ts", "IPBBPBBIBB", {0, 3, 1, 2, 6, 4, 5, 2, 0, 1}},
        {"mpeg2-ps-mpeg2enc.mpg", "IPBBPBIBB", {0, 3, 1, 2, 5, 4, 2, 0, 1}},
        {"mpeg2-ts-audio.ts", "IPPIPP", {0, 1, 2, 0, 1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        mpeg::ScanControl control;
        control.picture_records = true;
        const ScanResult result =
            mpeg::scan_file(std::string(QUANTALINE_TEST_DATA) + "/" + c.file, control);
        EXPECT_TRUE(result.messages.empty());
        std::string types;
        std::vector<std::uint16_t> temporal_references;
        for (const auto& record : records_of(result)) {
            types += " IPBD"[record.picture_coding_type];
            temporal_references.push_back(record.temporal_reference);
            EXPECT_EQ(record.picture_structure, frame);
            EXPECT_EQ(record.matrix_set, 1u);
        }
        EXPECT_EQ(types, c.types);
        EXPECT_EQ(temporal_references, c.temporal_references);
    }
}

TEST(PictureRecords, StoredInChunksAndReadBackAcrossThem) {
    mpeg::PictureRecords records;
    const std::size_t count = 2 * mpeg::PictureRecords::chunk_size + 3;
    for (std::size_t i = 0; i < count; ++i) {
        records.push_back({.index = i, .offset = 3 * i, .bytes = i % 1000});
    }
    ASSERT_EQ(records.size(), count);
    for (const std::size_t i : {std::size_t{0}, mpeg::PictureRecords::chunk_size - 1,
                                mpeg::PictureRecords::chunk_size, count - 1}) {
        EXPECT_EQ(records[i].index, i);
        EXPECT_EQ(records[i].offset, 3 * i);
        EXPECT_EQ(records[i].bytes, i % 1000);
    }
    records.clear();
    EXPECT_TRUE(records.empty());
}

} // namespace
} // namespace quantaline
