// The whole-stream scan: the syntax structures, the matrix semantics, the three containers
// with start codes cut anywhere, damaged and truncated input.

#include "analysis/analysis.h"
#include "analysis/display.h"
#include "container/video_configuration.h"
#include "mpeg/scan.h"
#include "mpeg/syntax.h"
#include "support/messages.h"
#include "support/stream_builder.h"

#include <gtest/gtest.h>
#include <random>

namespace quantaline {
namespace {

using mpeg::ChangeKind;
using mpeg::Container;
using mpeg::Matrix;
using mpeg::MatrixSet;
using mpeg::ScanResult;
using mpeg::SyntaxError;
using test::counting_scan_matrix;
using test::scan_matrix_of;
using test::SequenceHeader;
using test::StreamBuilder;

ScanResult scan(const std::vector<std::uint8_t>& bytes) {
    return mpeg::scan_bytes(std::span<const std::uint8_t>(bytes));
}

// The bytes of a structure after its 32-bit start code.
std::vector<std::uint8_t> body(const StreamBuilder& s) {
    return {s.bytes().begin() + 4, s.bytes().end()};
}

Matrix raster_of(const test::ScanMatrix& scan_order) {
    Matrix raster{};
    for (std::size_t n = 0; n < 64; ++n) {
        raster[mpeg::zigzag_scan[n]] = scan_order[n];
    }
    return raster;
}

const Matrix D = mpeg::default_intra_quantiser_matrix;
const Matrix F = mpeg::default_non_intra_quantiser_matrix;
const Matrix A = raster_of(scan_matrix_of(20));
const Matrix B = raster_of(counting_scan_matrix());
const Matrix C = raster_of(scan_matrix_of(200));

// --- syntax structures ------------------------------------------------------------------

TEST(SyntaxStructures, BrokenStructuresAreReportedNeverTrusted) {
    using Check = std::function<SyntaxError(std::span<const std::uint8_t>)>;
    const auto flip = [](std::vector<std::uint8_t> bytes, std::size_t bit) {
        bytes[bit / 8] ^= static_cast<std::uint8_t>(0x80 >> (bit % 8));
        return bytes;
    };
    const auto cut = [](std::vector<std::uint8_t> bytes, std::size_t size) {
        bytes.resize(size);
        return bytes;
    };
    const Check sequence_header = [](auto b) { return mpeg::sequence_header(b).error; };
    const Check sequence_extension = [](auto b) { return mpeg::sequence_extension(b).error; };
    const Check display = [](auto b) { return mpeg::sequence_display_extension(b).error; };
    const Check gop = [](auto b) { return mpeg::group_of_pictures_header(b).error; };
    const Check picture = [](auto b) { return mpeg::picture_header(b).error; };
    const Check coding = [](auto b) { return mpeg::picture_coding_extension(b).error; };
    const Check qme = [](auto b) { return mpeg::quant_matrix_extension(b).error; };

    const auto header = body(StreamBuilder().sequence_header(
        {.intra = counting_scan_matrix(), .non_intra = scan_matrix_of(9)}));
    const auto extension = body(StreamBuilder().sequence_extension(0x48));
    const auto display_ext = body(StreamBuilder().sequence_display_extension(1));
    const auto chroma_qme =
        body(StreamBuilder().quant_matrix_extension({.chroma_non_intra = scan_matrix_of(3)}));
    struct Case {
        const char* name;
        Check check;
        std::vector<std::uint8_t> bytes;
        SyntaxError expected;
    };
    const std::vector<Case> cases = {
        {"sequence header with both matrices", sequence_header, header, SyntaxError::none},
        {"sequence header without its marker bit", sequence_header, flip(header, 50),
         SyntaxError::marker_bit},
        {"sequence header cut in its non-intra matrix", sequence_header, cut(header, 135),
         SyntaxError::truncated},
        {"sequence header cut in its fixed part", sequence_header, cut(header, 7),
         SyntaxError::truncated},
        {"sequence extension", sequence_extension, extension, SyntaxError::none},
        {"sequence extension without its marker bit", sequence_extension, flip(extension, 31),
         SyntaxError::marker_bit},
        {"display extension read as sequence extension", sequence_extension, display_ext,
         SyntaxError::wrong_extension},
        {"sequence display extension", display, display_ext, SyntaxError::none},
        {"sequence display extension without its marker bit", display, flip(display_ext, 22),
         SyntaxError::marker_bit},
        {"group of pictures", gop, body(StreamBuilder().group_of_pictures_header(1, 2, 3, 4)),
         SyntaxError::none},
        {"group of pictures without its marker bit", gop,
         body(StreamBuilder().group_of_pictures_header(1, 2, 3, 4, false)),
         SyntaxError::marker_bit},
        {"B picture header", picture, body(StreamBuilder().picture_header(5, 3)),
         SyntaxError::none},
        {"picture header cut", picture, cut(body(StreamBuilder().picture_header(5, 3)), 3),
         SyntaxError::truncated},
        {"picture coding extension", coding, body(StreamBuilder().picture_coding_extension(1, 3)),
         SyntaxError::none},
        {"quant_matrix_extension with a chroma matrix", qme, chroma_qme, SyntaxError::none},
        {"quant_matrix_extension cut in its chroma matrix", qme, cut(chroma_qme, 60),
         SyntaxError::truncated},
        {"quant_matrix_extension read from a sequence extension", qme, extension,
         SyntaxError::wrong_extension},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.check(c.bytes), c.expected) << c.name;
    }
}

TEST(SyntaxStructures, FieldsAsTheStandardCodesThem) {
    const auto header = mpeg::sequence_header(
        body(StreamBuilder().sequence_header({.horizontal_size = 1920,
                                              .vertical_size = 1080,
                                              .aspect_ratio_information = 3,
                                              .frame_rate_code = 4,
                                              .bit_rate_value = 262143,
                                              .vbv_buffer_size_value = 977,
                                              .intra = counting_scan_matrix()})));
    ASSERT_TRUE(header.ok());
    EXPECT_EQ(header.fields.horizontal_size_value, 1920);
    EXPECT_EQ(header.fields.vertical_size_value, 1080);
    EXPECT_EQ(header.fields.aspect_ratio_information, 3);
    EXPECT_EQ(header.fields.frame_rate_code, 4);
    EXPECT_EQ(header.fields.bit_rate_value, 262143u);
    EXPECT_EQ(header.fields.vbv_buffer_size_value, 977);
    EXPECT_TRUE(header.fields.load_intra_quantiser_matrix);
    EXPECT_FALSE(header.fields.load_non_intra_quantiser_matrix);
    // Stream order 1, 2, 3, ... in raster order: first row 1 2 6 7, first column 1 3 4 10.
    const auto& m = header.fields.intra_quantiser_matrix;
    EXPECT_EQ((std::array{m[0], m[1], m[2], m[3], m[8], m[16], m[24]}),
              (std::array<std::uint8_t, 7>{1, 2, 6, 7, 3, 4, 10}));
    EXPECT_EQ(header.fields.size, 72u);

    const auto gop = mpeg::group_of_pictures_header(
        body(StreamBuilder().group_of_pictures_header(23, 59, 58, 24)));
    EXPECT_EQ(time_code_text({gop.fields.drop_frame_flag, gop.fields.time_code_hours,
                              gop.fields.time_code_minutes, gop.fields.time_code_seconds,
                              gop.fields.time_code_pictures}),
              "23:59:58:24");

    const auto picture = mpeg::picture_header(body(StreamBuilder().picture_header(513, 2)));
    EXPECT_EQ(picture.fields.temporal_reference, 513);
    EXPECT_EQ(picture.fields.picture_coding_type, 2);
    EXPECT_EQ(picture.fields.forward_f_code, 7);
}

TEST(BitReader, ReadsZerosPastTheEndAndTellsSo) {
    const std::vector<std::uint8_t> bytes = {0xA5, 0x0F};
    mpeg::BitReader r(bytes);
    EXPECT_EQ(r.read(3), 0x5u);
    EXPECT_EQ(r.read(9), 0x050u);
    EXPECT_FALSE(r.overrun());
    EXPECT_EQ(r.read(8), 0xF0u); // 1111 then four padding zeros
    EXPECT_TRUE(r.overrun());
    EXPECT_EQ(r.byte_position(), 3u);
}

// --- matrix semantics -------------------------------------------------------------------

struct ExpectedChange {
    ChangeKind kind;
    std::optional<std::uint64_t> picture;
    std::optional<std::string> time_code;
    MatrixSet matrices;
};
struct ExpectedSet {
    MatrixSet matrices;
    std::uint64_t first_picture;
    std::uint64_t pictures;
};

void expect_scan(const std::string& name, const ScanResult& r,
                 const std::vector<ExpectedChange>& changes, const std::vector<ExpectedSet>& sets) {
    SCOPED_TRACE(name);
    ASSERT_EQ(r.changes.size(), changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i) {
        SCOPED_TRACE("change " + std::to_string(i));
        EXPECT_EQ(r.changes[i].kind, changes[i].kind);
        EXPECT_EQ(r.changes[i].picture, changes[i].picture);
        EXPECT_EQ(r.changes[i].time_code ? std::optional(time_code_text(*r.changes[i].time_code))
                                         : std::nullopt,
                  changes[i].time_code);
        EXPECT_TRUE(r.matrices_of(r.changes[i]) == changes[i].matrices);
    }
    ASSERT_EQ(r.matrix_sets.size(), sets.size());
    for (std::size_t i = 0; i < sets.size(); ++i) {
        SCOPED_TRACE("set " + std::to_string(i));
        EXPECT_TRUE(r.matrices_of(r.matrix_sets[i]) == sets[i].matrices);
        EXPECT_EQ(r.matrix_sets[i].first_picture, sets[i].first_picture);
        EXPECT_EQ(r.matrix_sets[i].pictures, sets[i].pictures);
    }
}

TEST(MatrixSemantics, ChangesAndSetsFollowTheStandard) {
    const auto sh = [](std::optional<test::ScanMatrix> intra,
                       std::optional<test::ScanMatrix> non_intra) {
        return SequenceHeader{.intra = intra, .non_intra = non_intra};
    };
    const auto a = scan_matrix_of(20);
    const auto b = counting_scan_matrix();
    const auto c = scan_matrix_of(200);
    // A picture whose header carries a quant_matrix_extension.
    const auto picture_with = [](StreamBuilder& s, const test::QuantMatrixExtension& e) {
        s.picture_header(0, 2).picture_coding_extension(0, 3).quant_matrix_extension(e).slice(30);
    };
    const ChangeKind SH = ChangeKind::sequence_header;
    const ChangeKind QME = ChangeKind::quant_matrix_extension;
    const std::nullopt_t none = std::nullopt;

    struct Case {
        const char* name;
        std::function<void(StreamBuilder&)> build;
        std::array<std::uint64_t, 3> counts; // pictures, sequence headers, extensions
        std::vector<ExpectedChange> changes;
        std::vector<ExpectedSet> sets;
    };
    const std::vector<Case> cases = {
        {"defaults: intra default, non-intra all 16",
         [&](StreamBuilder& s) {
             s.sequence_header({}).group_of_pictures_header(0, 0, 0, 0).picture(0, 1).picture(1, 2);
         },
         {2, 1, 0},
         {{SH, 0, "00:00:00:00", {D, F, D, F}}},
         {{{D, F, D, F}, 0, 2}}},
        {"a header that loads the matrices in force is no change",
         [&](StreamBuilder& s) {
             s.sequence_header(sh(a, none)).group_of_pictures_header(0, 0, 0, 0).picture(0, 1);
             s.sequence_header(sh(a, none)).group_of_pictures_header(0, 0, 1, 0).picture(0, 1);
         },
         {2, 2, 0},
         {{SH, 0, "00:00:00:00", {A, F, A, F}}},
         {{{A, F, A, F}, 0, 2}}},
        {"a later header with other matrices: time code of the GOP after it",
         [&](StreamBuilder& s) {
             s.sequence_header(sh(a, none)).picture(0, 1).picture(1, 2);
             s.sequence_header(sh(none, b)).group_of_pictures_header(1, 2, 3, 4).picture(0, 1);
             s.sequence_header(sh(a, none)).picture(0, 1);
         },
         {4, 3, 0},
         {{SH, 0, none, {A, F, A, F}},
          {SH, 2, "01:02:03:04", {D, B, D, B}},
          {SH, 3, none, {A, F, A, F}}},
         {{{A, F, A, F}, 0, 3}, {{D, B, D, B}, 2, 1}}},
        {"a quant_matrix_extension's intra matrix sets chroma intra too, for its own picture",
         [&](StreamBuilder& s) {
             s.sequence_header({}).group_of_pictures_header(0, 0, 0, 0);
             picture_with(s, {.intra = a});
             s.picture(1, 2);
         },
         {2, 1, 1},
         {{SH, 0, "00:00:00:00", {D, F, D, F}}, {QME, 0, none, {A, F, A, F}}},
         {{{A, F, A, F}, 0, 2}}},
        {"a non-intra matrix sets chroma non-intra; a chroma matrix only itself",
         [&](StreamBuilder& s) {
             s.sequence_header(sh(a, none)).picture(0, 1);
             picture_with(s, {.non_intra = b});
             picture_with(s, {.chroma_intra = c});
             picture_with(s, {.chroma_non_intra = a});
         },
         {4, 1, 3},
         {{SH, 0, none, {A, F, A, F}},
          {QME, 1, none, {A, B, A, B}},
          {QME, 2, none, {A, B, C, B}},
          {QME, 3, none, {A, B, C, A}}},
         {{{A, F, A, F}, 0, 1}, {{A, B, A, B}, 1, 1}, {{A, B, C, B}, 2, 1}, {{A, B, C, A}, 3, 1}}},
        {"a sequence header sets the chroma matrices back to its own",
         [&](StreamBuilder& s) {
             s.sequence_header(sh(a, b)).picture(0, 1);
             picture_with(s, {.chroma_intra = c});
             s.sequence_header(sh(a, b)).picture(0, 1);
         },
         {3, 2, 1},
         {{SH, 0, none, {A, B, A, B}}, {QME, 1, none, {A, B, C, B}}, {SH, 2, none, {A, B, A, B}}},
         {{{A, B, A, B}, 0, 2}, {{A, B, C, B}, 1, 1}}},
        {"a quant_matrix_extension that loads the matrices in force is no change",
         [&](StreamBuilder& s) {
             s.sequence_header(sh(a, b)).picture(0, 1);
             picture_with(s, {.intra = a, .chroma_non_intra = b});
         },
         {2, 1, 1},
         {{SH, 0, none, {A, B, A, B}}},
         {{{A, B, A, B}, 0, 2}}},
        {"outside a picture's header a quant_matrix_extension is the next picture's",
         [&](StreamBuilder& s) {
             s.sequence_header({}).sequence_extension(0x48).quant_matrix_extension(
                 {.non_intra = a});
             s.group_of_pictures_header(0, 0, 0, 1).picture(0, 1);
         },
         {1, 1, 1},
         {{SH, 0, "00:00:00:01", {D, F, D, F}}, {QME, 0, none, {D, A, D, A}}},
         {{{D, A, D, A}, 0, 1}}},
        {"pictures before the first sequence header are counted, in no set",
         [&](StreamBuilder& s) { s.picture(0, 2).picture(1, 3).sequence_header({}).picture(0, 1); },
         {3, 1, 0},
         {{SH, 2, none, {D, F, D, F}}},
         {{{D, F, D, F}, 2, 1}}},
        {"a change that no picture follows",
         [&](StreamBuilder& s) {
             s.sequence_header({}).picture(0, 1).sequence_header(sh(a, none)).sequence_end();
         },
         {1, 2, 0},
         {{SH, 0, none, {D, F, D, F}}, {SH, none, none, {A, F, A, F}}},
         {{{D, F, D, F}, 0, 1}}},
        {"a damaged sequence header is not trusted",
         [&](StreamBuilder& s) {
             s.sequence_header(sh(a, none)).picture(0, 1);
             StreamBuilder broken;
             broken.sequence_header(sh(b, none));
             auto bytes = broken.bytes();
             bytes[4 + 6] ^= 0x20; // marker_bit
             s.append(bytes).picture(0, 1);
         },
         {2, 1, 0},
         {{SH, 0, none, {A, F, A, F}}},
         {{{A, F, A, F}, 0, 2}}},
    };
    for (const auto& semantics : cases) {
        StreamBuilder s;
        semantics.build(s);
        const ScanResult r = scan(s.bytes());
        EXPECT_EQ(r.container, Container::elementary) << semantics.name;
        EXPECT_EQ((std::array{r.pictures, r.sequence_headers, r.quant_matrix_extensions}),
                  semantics.counts)
            << semantics.name;
        expect_scan(semantics.name, r, semantics.changes, semantics.sets);
        const bool damaged = std::string(semantics.name).find("damaged") != std::string::npos;
        EXPECT_EQ(r.messages.size(), damaged ? 1u : 0u) << semantics.name;
    }
}

// A sequence extension is its header's only when it is the next start code: after user
// data, a group or another extension the header is MPEG-1's, in every pass over the stream.
TEST(MatrixSemantics, AnExtensionBelongsToTheHeaderItFollows) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> between;
        bool mpeg2;
    };
    const std::vector<Case> cases = {
        {"the extension next", {}, true},
        {"user data between", {0x00, 0x00, 0x01, 0xB2, 0x51, 0x4C}, false},
        {"a group between", {0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x00}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StreamBuilder s;
        s.sequence_header({}).raw(c.between).sequence_extension(0x48);
        s.group_of_pictures_header(0, 0, 0, 0).picture(0, 1).slice(1).picture(1, 2).slice(1);
        for (const bool quantiser : {false, true}) {
            mpeg::ScanControl control;
            control.picture_records = true;
            control.quantiser = quantiser;
            const ScanResult r = mpeg::scan_bytes(s.bytes(), control);
            ASSERT_EQ(r.sequences.size(), 1u);
            EXPECT_EQ(r.sequences[0].mpeg2, c.mpeg2);
            EXPECT_EQ(r.pictures, 2u);
        }
    }
}

// --- containers -------------------------------------------------------------------------

// An elementary stream whose matrices change at a sequence header and at a
// quant_matrix_extension; `second_header` is where the second sequence header starts.
std::vector<std::uint8_t> changing_stream(std::size_t& second_header, std::size_t& qme) {
    StreamBuilder s;
    s.sequence_header({.intra = scan_matrix_of(20)}).sequence_extension(0x48);
    s.group_of_pictures_header(0, 0, 0, 0).picture(0, 1).picture(1, 2);
    second_header = s.size();
    s.sequence_header({.non_intra = counting_scan_matrix()}).sequence_extension(0x48);
    s.group_of_pictures_header(0, 0, 1, 0).picture(0, 1);
    s.picture_header(1, 3).picture_coding_extension(0, 3);
    qme = s.size();
    s.quant_matrix_extension({.chroma_intra = scan_matrix_of(200)}).slice(50);
    s.picture(2, 2);
    return s.bytes();
}

TEST(Containers, TheSameVideoWhereverItsStartCodesAreCut) {
    std::size_t second = 0;
    std::size_t qme = 0;
    const auto es = changing_stream(second, qme);
    const ScanResult reference = scan(es);
    ASSERT_EQ(reference.changes.size(), 3u);
    ASSERT_EQ(reference.changes[1].offset, second);
    ASSERT_EQ(reference.changes[2].offset, qme);
    ASSERT_EQ(reference.pictures, 5u);
    ASSERT_TRUE(reference.messages.empty());

    struct Case {
        std::string name;
        test::Multiplexed stream;
        Container container;
        std::uint32_t video;
    };
    std::vector<Case> cases;
    // Cut after 0, 1, 2 or 3 bytes of each start code, and inside the structures.
    for (const std::size_t at : {second, qme}) {
        for (std::size_t k = 1; k <= 6; ++k) {
            const std::string where = std::to_string(at) + "+" + std::to_string(k);
            cases.push_back({"program stream cut at " + where,
                             test::program_stream(es, {.cuts = {at + k}}), Container::program,
                             0xE0});
            cases.push_back({"MPEG-1 program stream cut at " + where,
                             test::program_stream(es, {.cuts = {at + k}, .mpeg1 = true}),
                             Container::program, 0xE0});
            cases.push_back({"transport stream cut at " + where,
                             test::transport_stream(es, {.cuts = {at + k}}), Container::transport,
                             0x100});
            cases.push_back({"new PES packet at " + where,
                             test::transport_stream(es, {.pes_starts = {0, at + k}}),
                             Container::transport, 0x100});
        }
    }
    cases.push_back({"program stream of 1-byte packets",
                     test::program_stream(es, {.max_payload = 1}), Container::program, 0xE0});
    cases.push_back({"program stream of 3-byte packets without other streams",
                     test::program_stream(es, {.max_payload = 3, .other_streams = false}),
                     Container::program, 0xE0});
    cases.push_back({"video stream E7", test::program_stream(es, {.stream_id = 0xE7}),
                     Container::program, 0xE7});
    cases.push_back(
        {"M2TS", test::transport_stream(es, {.m2ts = true}), Container::transport, 0x100});
    cases.push_back({"MPEG-1 video in a transport stream, PID 0x1FFE",
                     test::transport_stream(es, {.video_pid = 0x1FFE, .stream_type = 0x01}),
                     Container::transport, 0x1FFE});
    std::vector<std::size_t> every_byte(es.size());
    for (std::size_t i = 0; i < es.size(); ++i) {
        every_byte[i] = i;
    }
    cases.push_back({"transport packets of one byte of video each",
                     test::transport_stream(es, {.cuts = every_byte}), Container::transport,
                     0x100});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanResult r = scan(c.stream.bytes);
        EXPECT_EQ(r.container, c.container);
        EXPECT_EQ(r.video, c.video);
        EXPECT_EQ(r.pictures, reference.pictures);
        EXPECT_EQ(r.sequence_headers, 2u);
        EXPECT_EQ(r.quant_matrix_extensions, 1u);
        ASSERT_EQ(r.changes.size(), reference.changes.size());
        for (std::size_t i = 0; i < r.changes.size(); ++i) {
            // Where the first 00 of the start code lies in the file.
            EXPECT_EQ(r.changes[i].offset, c.stream.offsets[reference.changes[i].offset]);
            EXPECT_EQ(r.changes[i].picture, reference.changes[i].picture);
            EXPECT_EQ(r.changes[i].time_code, reference.changes[i].time_code);
            EXPECT_TRUE(r.matrices_of(r.changes[i]) == reference.matrices_of(reference.changes[i]));
        }
        EXPECT_EQ(r.matrix_sets, reference.matrix_sets);
        EXPECT_EQ(r.matrices, reference.matrices);
        EXPECT_TRUE(r.messages.empty()) << (r.messages.empty() ? "" : french(r.messages[0]).text);
        EXPECT_EQ(r.bytes_read, c.stream.bytes.size());
    }
}

TEST(Containers, ProgramStreamReadsTheFirstVideoStreamToTheEndOfJoinedFiles) {
    StreamBuilder first;
    first.sequence_header({.intra = scan_matrix_of(20)}).picture(0, 1);
    StreamBuilder other;
    other.sequence_header({.intra = scan_matrix_of(30)}).picture(0, 1).picture(1, 2);
    StreamBuilder second;
    second.sequence_header({.non_intra = scan_matrix_of(40)}).picture(0, 1);

    // VTS_1 (E0) + a stream E1 + VTS_2 (E0), each ending with a program end code.
    std::vector<std::uint8_t> joined = test::program_stream(first.bytes()).bytes;
    const auto e1 = test::program_stream(other.bytes(), {.stream_id = 0xE1}).bytes;
    joined.insert(joined.end(), e1.begin(), e1.end());
    const std::size_t second_start = joined.size();
    const auto vts2 = test::program_stream(second.bytes());
    joined.insert(joined.end(), vts2.bytes.begin(), vts2.bytes.end());

    const ScanResult r = scan(joined);
    EXPECT_EQ(r.video, 0xE0u);
    EXPECT_EQ(r.pictures, 2u);
    EXPECT_EQ(r.sequence_headers, 2u);
    ASSERT_EQ(r.changes.size(), 2u);
    EXPECT_EQ(r.changes[1].offset, second_start + vts2.offsets[0]);
    EXPECT_EQ(r.matrices_of(r.changes[1]).non_intra, raster_of(scan_matrix_of(40)));
    EXPECT_TRUE(r.messages.empty());
}

TEST(Containers, DamageIsReportedAndSteppedOver) {
    std::size_t second = 0;
    std::size_t qme = 0;
    const auto es = changing_stream(second, qme);
    const auto ts = test::transport_stream(es);
    const auto ps = test::program_stream(es, {.max_payload = 100});

    const auto resized = [](std::vector<std::uint8_t> bytes, std::size_t size) {
        bytes.resize(size);
        return bytes;
    };
    auto ts_junk = ts.bytes;
    ts_junk.insert(ts_junk.begin() + std::ptrdiff_t{564}, 50, 0x00); // after the first video packet
    ts_junk[188 * 3 + 20] = 0x47; // a sync byte that the next packet's does not confirm
    auto ps_junk = ps.bytes;
    const std::vector<std::uint8_t> junk = {0x12, 0x00, 0x00, 0x01, 0x00, 0x34};
    ps_junk.insert(ps_junk.begin(), junk.begin(), junk.end());
    // A recovered file: a program stream after 150 000 bytes without a start code.
    auto ps_far = ps.bytes;
    ps_far.insert(ps_far.begin(), 150000, 0x5A);

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::optional<std::uint64_t> pictures; // none: what the damage left is not counted
        std::string title;
        std::string text_part; // in the last message
    };
    const std::vector<Case> cases = {
        {"a lost transport packet", test::transport_stream(es, {.lost_packets = {2}}).bytes,
         std::nullopt, "Paquets perdus",
         "1 discontinuité(s) dans les paquets de la vidéo (PID 256)"},
        {"a scrambled video packet", test::transport_stream(es, {.scrambled_packets = {2}}).bytes,
         std::nullopt, "Vidéo chiffrée",
         "1 paquet(s) de la vidéo chiffré(s) ignoré(s), le premier à l'octet " +
             std::to_string(188 * 6)},
        {"a transport stream cut in a packet", resized(ts.bytes, 188 * 7 + 100), std::nullopt,
         "Fichier incomplet", "l'octet " + std::to_string(188 * 7) + ","},
        {"junk between transport packets", ts_junk, 5, "Données endommagées",
         "la première à l'octet 564 ; 50 octet(s)"},
        {"junk before the first pack", ps_junk, 5, "Données endommagées",
         "la première à l'octet 0 ; 6 octet(s)"},
        {"a program stream after 150 000 bytes of junk", ps_far, 5, "Données endommagées",
         "la première à l'octet 0 ; 150000 octet(s)"},
        {"a program stream cut in a video packet", resized(ps.bytes, ps.bytes.size() - 30), 5,
         "Fichier incomplet", "au milieu d'un paquet de la vidéo"},
        {"an elementary stream cut in a quant_matrix_extension", resized(es, qme + 40), 4,
         "Structure(s) endommagée(s)", "quant_matrix_extension à l'octet " + std::to_string(qme)},
        {"no video at all", std::vector<std::uint8_t>(5000, 0x00), 0, "Aucune vidéo MPEG", ""},
    };
    for (const auto& damage : cases) {
        SCOPED_TRACE(damage.name);
        const ScanResult r = scan(damage.bytes);
        if (damage.pictures) {
            EXPECT_EQ(r.pictures, *damage.pictures);
        }
        // The structure that a cut or a lost packet breaks may be reported first.
        std::vector<std::string> titles;
        for (const auto& m : r.messages) {
            if (titles.empty() && french(m).title == "Structure(s) endommagée(s)" &&
                damage.title != french(m).title) {
                continue;
            }
            titles.push_back(french(m).title);
        }
        EXPECT_EQ(titles, std::vector<std::string>{damage.title});
        ASSERT_FALSE(r.messages.empty());
        EXPECT_NE(french(r.messages.back()).text.find(damage.text_part), std::string::npos)
            << french(r.messages.back()).text;
    }
    // The first-header analysis and the container read tell the same container.
    EXPECT_EQ(analyse_bytes(ps_far).info.stream_type_text, "Flux programme");
    EXPECT_EQ(container::detect_format(ps_far).container, container::Container::program);
}

// Zero bytes after the last packet are stuffing (ffmpeg's Video CDs end with 20 of them);
// a start code that the end of the file cuts is still said.
TEST(Containers, ZeroStuffingEndsAStreamCleanly) {
    std::size_t second = 0;
    std::size_t qme = 0;
    const auto es = changing_stream(second, qme);
    const auto ps = test::program_stream(es, {.max_payload = 100}).bytes;
    const auto ending = [](std::vector<std::uint8_t> bytes, std::vector<std::uint8_t> end) {
        bytes.insert(bytes.end(), end.begin(), end.end());
        return bytes;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::vector<std::string> titles;
    };
    const std::vector<Case> cases = {
        {"20 zero bytes", ending(ps, std::vector<std::uint8_t>(20, 0)), {}},
        {"one zero byte", ending(ps, {0}), {}},
        {"2 zero bytes", ending(ps, {0, 0}), {}},
        {"a start code cut after 00 00 01", ending(ps, {0, 0, 1}), {"Fichier incomplet"}},
        {"zeros, then a start code cut", ending(ps, {0, 0, 0, 0, 0, 1}), {"Fichier incomplet"}},
        {"an elementary stream and 20 zero bytes",
         ending(es, std::vector<std::uint8_t>(20, 0)),
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanResult r = scan(c.bytes);
        EXPECT_EQ(r.pictures, 5u);
        std::vector<std::string> titles;
        for (const auto& m : r.messages) {
            titles.push_back(french(m).title);
        }
        EXPECT_EQ(titles, c.titles);
        if (!c.titles.empty()) {
            EXPECT_NE(french(r.messages[0]).text.find("au milieu d'un code de début"),
                      std::string::npos);
        }
    }
}

// Captures as a receiver meets them: video before the tables, a file cut inside a
// packet, a service whose video starts megabytes into the multiplex. The scan and the
// first-header analysis read the same video as from a plain stream, and say what they
// stepped over.
TEST(Containers, TransportStreamsReadAsAReceiverReadsThem) {
    std::size_t second = 0;
    std::size_t qme = 0;
    const auto es = changing_stream(second, qme);
    const ScanResult reference = scan(es);
    const AnalysisResult header = analyse_bytes(es);
    ASSERT_TRUE(header.codes.found());

    struct Case {
        std::string name;
        test::Multiplexed stream;
        std::size_t cut; // bytes taken off the file's start
        std::vector<std::string> messages;
    };
    const auto resync = [](std::size_t skipped) {
        return "Synchronisation perdue 1 fois, la première à l'octet 0 ; " +
               std::to_string(skipped) + " octet(s) ignoré(s).";
    };
    std::vector<Case> cases = {
        {"the tables after three video packets",
         test::transport_stream(es, {.video_packets_before_tables = 3}),
         0,
         {}},
        {"the tables after every video packet",
         test::transport_stream(es, {.video_packets_before_tables = 1000}),
         0,
         {}},
        {"the video 2 MB into the multiplex",
         test::transport_stream(es, {.leading_packets = (2 << 20) / 188}),
         0,
         {}},
        {"no tables at all, the video 2 MB into the multiplex",
         test::transport_stream(es, {.leading_packets = (2 << 20) / 188, .no_tables = true}),
         0,
         {"Aucune table des programmes : la vidéo est lue sur le PID 0x0100"}},
    };
    for (const std::size_t cut : {1, 4, 100, 187}) {
        cases.push_back({"188-byte packets, the first cut by " + std::to_string(cut),
                         test::transport_stream(es, {.leading_packets = 1}),
                         cut,
                         {resync(188 - cut)}});
    }
    for (const std::size_t cut : {1, 3, 4, 5, 191}) {
        cases.push_back({"192-byte packets, the first cut by " + std::to_string(cut),
                         test::transport_stream(es, {.m2ts = true, .leading_packets = 1}),
                         cut,
                         {resync(192 - cut)}});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> bytes(
            c.stream.bytes.begin() + static_cast<std::ptrdiff_t>(c.cut), c.stream.bytes.end());
        const ScanResult r = scan(bytes);
        EXPECT_EQ(r.container, Container::transport);
        EXPECT_EQ(r.pictures, reference.pictures);
        EXPECT_EQ(r.sequence_headers, reference.sequence_headers);
        EXPECT_EQ(r.matrix_sets, reference.matrix_sets);
        ASSERT_EQ(r.changes.size(), reference.changes.size());
        EXPECT_EQ(r.changes[0].offset, c.stream.offsets[0] - c.cut);
        std::vector<std::string> texts;
        for (const auto& m : r.messages) {
            texts.push_back(french(m).text);
        }
        EXPECT_EQ(texts, c.messages);

        const AnalysisResult first = analyse_bytes(bytes);
        EXPECT_EQ(first.info.stream_type_text, "Flux transport");
        EXPECT_EQ(first.info.header_position,
                  static_cast<std::int32_t>(c.stream.offsets[0] - c.cut));
        EXPECT_EQ(first.matrices, header.matrices);
        EXPECT_EQ(first.codes.sequence_extension, header.codes.sequence_extension);
        // The header read tells a missing table as the scan does.
        const bool without_tables = c.name.starts_with("no tables");
        ASSERT_EQ(first.messages.size(), without_tables ? 1u : 0u);
        if (without_tables) {
            EXPECT_EQ(french(first.messages[0]).text, c.messages[0]);
        }
    }
}

TEST(Containers, EveryTruncationAndCorruptionEndsCleanly) {
    std::size_t second = 0;
    std::size_t qme = 0;
    const auto es = changing_stream(second, qme);
    for (const auto& stream : {test::program_stream(es, {.max_payload = 64}).bytes,
                               test::program_stream(es, {.max_payload = 64, .mpeg1 = true}).bytes,
                               test::transport_stream(es, {.m2ts = true}).bytes, es}) {
        std::uint64_t last_pictures = 0;
        for (std::size_t size = 0; size <= stream.size(); ++size) {
            const std::vector<std::uint8_t> cut(stream.begin(),
                                                stream.begin() + static_cast<std::ptrdiff_t>(size));
            const ScanResult r = scan(cut);
            ASSERT_EQ(r.bytes_read, size);
            // A longer prefix never finds fewer pictures.
            ASSERT_GE(r.pictures, last_pictures) << size;
            last_pictures = r.pictures;
        }
        EXPECT_EQ(last_pictures, 5u);
        std::mt19937 random(12);
        for (int round = 0; round < 300; ++round) {
            auto damaged = stream;
            for (int k = 0; k < 8; ++k) {
                damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
            }
            const ScanResult r = scan(damaged);
            ASSERT_EQ(r.bytes_read, damaged.size());
            ASSERT_LE(r.pictures, 64u);
        }
    }
}

TEST(Containers, StartCodesAcrossTheReadBuffer) {
    // Sequence headers whose start codes straddle the 1 MiB buffer at each possible cut,
    // in an elementary stream and in a program stream whose packets cross the boundary.
    for (std::size_t before = 0; before <= 4; ++before) {
        StreamBuilder s;
        s.sequence_header({}).picture(0, 1);
        s.fill_to(mpeg::scan_buffer_size - before, 0x55);
        s.sequence_header({.intra = scan_matrix_of(77)}).picture(0, 1);
        const ScanResult r = scan(s.bytes());
        ASSERT_EQ(r.changes.size(), 2u) << before;
        EXPECT_EQ(r.changes[1].offset, mpeg::scan_buffer_size - before);
        EXPECT_EQ(r.pictures, 2u);

        const auto ps = test::program_stream(s.bytes(), {.max_payload = 65000});
        const ScanResult p = scan(ps.bytes);
        ASSERT_EQ(p.changes.size(), 2u) << before;
        EXPECT_EQ(p.changes[1].offset, ps.offsets[mpeg::scan_buffer_size - before]);
        EXPECT_TRUE(p.messages.empty());

        // Junk up to a pack header that straddles the buffer: the resynchronisation finds it.
        const auto video_packet = [](StreamBuilder& out, std::uint8_t intra) {
            StreamBuilder es;
            es.sequence_header({.intra = scan_matrix_of(intra)}).picture(0, 1);
            const auto payload = es.bytes();
            const std::size_t length = payload.size() + 3;
            out.pack_header().raw({0x00, 0x00, 0x01, 0xE0, static_cast<std::uint8_t>(length >> 8),
                                   static_cast<std::uint8_t>(length), 0x81, 0x00, 0x00});
            out.raw(payload);
        };
        StreamBuilder junk;
        video_packet(junk, 30);
        junk.fill_to(mpeg::scan_buffer_size - before, 0x55);
        video_packet(junk, 77);
        const ScanResult resynced = scan(junk.bytes());
        ASSERT_EQ(resynced.changes.size(), 2u) << before;
        ASSERT_EQ(resynced.messages.size(), 1u) << before;
        EXPECT_EQ(french(resynced.messages[0]).title, "Données endommagées");
    }
}

TEST(Scan, StopsWhenAskedAndSaysWhere) {
    StreamBuilder s;
    s.sequence_header({}).picture(0, 1);
    s.fill_to(3 * mpeg::scan_buffer_size, 0x55);
    std::atomic<bool> stop{false};
    std::vector<std::uint64_t> progress;
    mpeg::ScanControl control;
    control.stop = &stop;
    control.progress = [&](std::uint64_t bytes) {
        progress.push_back(bytes);
        stop = true;
    };
    const ScanResult r = mpeg::scan_bytes(std::span<const std::uint8_t>(s.bytes()), control);
    EXPECT_EQ(progress, std::vector<std::uint64_t>{mpeg::scan_buffer_size});
    EXPECT_EQ(r.bytes_read, mpeg::scan_buffer_size);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(french(r.messages[0]).title, "Analyse interrompue");
    EXPECT_EQ(r.pictures, 1u);
}

TEST(Scan, AFileThatCannotBeOpened) {
    const ScanResult r = mpeg::scan_file("/nonexistent/quantaline/file.vob");
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0], mpeg::scan_unreadable_message);
}

TEST(DisplayTexts, ChangedMatricesAreNamed) {
    const MatrixSet before{A, B, A, B};
    EXPECT_EQ(changed_matrices_text(nullptr, before), "matrices initiales");
    EXPECT_EQ(changed_matrices_text(&before, {C, B, C, B}), "intra, chroma intra");
    EXPECT_EQ(changed_matrices_text(&before, {A, B, A, F}), "chroma non-intra");
    EXPECT_EQ(changed_matrices_text(&before, {D, F, D, F}),
              "intra, non-intra, chroma intra, chroma non-intra");
}

} // namespace
} // namespace quantaline
