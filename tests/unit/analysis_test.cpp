#include "analysis/analysis.h"
#include "support/messages.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace quantaline {

namespace {

using test::counting_scan_matrix;
using test::scan_matrix_of;
using test::SequenceHeader;
using test::StreamBuilder;

AnalysisResult analyse(const StreamBuilder& stream) {
    return analyse_bytes(std::span<const std::uint8_t>(stream.bytes()));
}

// A DVD-like program stream: pack header, sequence header, its extensions.
StreamBuilder dvd_like(const SequenceHeader& header = {}) {
    StreamBuilder s;
    s.pack_header().raw({0x00, 0x00, 0x01, 0xBB, 0x00, 0x00}).sequence_header(header);
    s.sequence_extension(0x48).sequence_display_extension(1);
    s.raw({0x00, 0x00, 0x01, 0xB8, 0, 0, 0, 0}).raw({0x00, 0x00, 0x01, 0x00, 0, 0, 0, 0});
    s.picture_coding_extension(2, 3);
    return s;
}

TEST(StreamScan, DecidesElementaryOrProgramStream) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> start;
        std::string expected_type;
        std::int32_t expected_position;
    };
    const std::vector<std::uint8_t> header = {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x23};
    const auto with_header_at_10 = [&](std::vector<std::uint8_t> start) {
        start.resize(10, 0xFF);
        start.insert(start.end(), header.begin(), header.end());
        return start;
    };
    // The one container rule of the whole program: a PES packet or system header first, or a
    // pack header before any sequence header, makes a program stream; a sequence header
    // before those makes an elementary stream, whatever comes before it.
    const std::vector<Case> cases = {
        {"sequence header first", header, "Flux élémentaire", 0},
        {"PES packet first",
         {0x00, 0x00, 0x01, 0xE0, 0x00, 0x20, 0x81, 0x80, 0x05, 0x21, 0x00,
          0x01, 0x00, 0x01, 0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x23},
         "Flux programme",
         14},
        {"broken PES header first", with_header_at_10({0x00, 0x00, 0x01, 0xE0}), "Flux élémentaire",
         10},
        {"picture start code first", with_header_at_10({0x00, 0x00, 0x01, 0x00}),
         "Flux élémentaire", 10},
        {"group of pictures first", with_header_at_10({0x00, 0x00, 0x01, 0xB8}), "Flux élémentaire",
         10},
        {"PES packet, no sequence header", {0x00, 0x00, 0x01, 0xE0, 0x07, 0xEC, 0x81}, "", 0},
        {"pack header first", with_header_at_10({0x00, 0x00, 0x01, 0xBA}), "Flux programme", 10},
        {"first byte not 00", with_header_at_10({0x47}), "Flux élémentaire", 10},
        {"ten zero bytes first", with_header_at_10(std::vector<std::uint8_t>(10, 0x00)),
         "Flux élémentaire", 10},
        {"pack header, no sequence header", {0x00, 0x00, 0x01, 0xBA, 0x44, 0x00}, "", 0},
        {"empty file", {}, "", 0},
        {"three bytes of a start code prefix", {0x00, 0x00, 0x01}, "", 0},
        {"header cut before its code", {0x00, 0x00, 0x01, 0xBA, 0x00, 0x00, 0x01}, "", 0},
        {"overlapping windows", {0xBA, 0x00, 0x00, 0x00, 0x01, 0xB3}, "Flux élémentaire", 2},
    };
    for (const auto& c : cases) {
        const auto location = find_sequence_header(c.start);
        EXPECT_EQ(location.stream_type_text, c.expected_type) << c.name;
        EXPECT_EQ(location.header_position, c.expected_position) << c.name;
        const auto result = analyse_bytes(std::span<const std::uint8_t>(c.start));
        EXPECT_EQ(result.info.header_position, c.expected_position) << c.name;
        EXPECT_EQ(result.messages,
                  c.expected_type.empty() ? Messages{no_sequence_header_message} : Messages{})
            << c.name;
    }
}

TEST(StreamScan, SearchLimitIsStartOffset299998) {
    for (const auto& [offset, found] : {std::pair{299998, true}, std::pair{299999, false}}) {
        StreamBuilder s;
        s.pack_header().fill_to(static_cast<std::size_t>(offset));
        s.sequence_header({.horizontal_size = 352, .vertical_size = 288});
        const auto result = analyse(s);
        EXPECT_EQ(result.info.stream_type_text, found ? "Flux programme" : "") << offset;
        EXPECT_EQ(result.info.header_position, found ? offset : 0) << offset;
        // Not found: nothing is decoded.
        EXPECT_EQ(result.info.horizontal_size, found ? 352 : 0) << offset;
    }
}

TEST(SequenceHeader, DecodesFieldsWithTheirFormulas) {
    struct Case {
        SequenceHeader header;
        std::int16_t width, height;
        const char* aspect;
        const char* frame_rate;
        std::int32_t kbps, vbv;
    };
    const std::vector<Case> cases = {
        {{720, 576, 2, 3, 24500, 112}, 720, 576, "4:3", "25", 9800, 224},
        {{1920, 1080, 3, 4, 37500, 46}, 1920, 1080, "16:9", "29,97", 15000, 92},
        {{352, 240, 1, 1, 262143, 20}, 352, 240, "1:1", "23,976", 104857, 40},
        {{4095, 4095, 4, 8, 1, 1023}, 4095, 4095, "2.21:1", "60", 0, 2046},
        {{16, 16, 0, 0, 3, 0}, 16, 16, "", "", 1, 0},
        {{16, 16, 5, 9, 2, 0}, 16, 16, "", "", 1, 0},
        {{16, 16, 15, 15, 0, 0}, 16, 16, "", "", 0, 0},
        {{16, 16, 1, 2, 0, 0}, 16, 16, "1:1", "24", 0, 0},
        {{16, 16, 1, 5, 0, 0}, 16, 16, "1:1", "30", 0, 0},
        {{16, 16, 1, 6, 0, 0}, 16, 16, "1:1", "50", 0, 0},
        {{16, 16, 1, 7, 0, 0}, 16, 16, "1:1", "59,94", 0, 0},
    };
    for (const auto& c : cases) {
        StreamBuilder s;
        s.sequence_header(c.header);
        const auto info = analyse(s).info;
        EXPECT_EQ(info.stream_type_text, "Flux élémentaire");
        EXPECT_EQ(info.horizontal_size, c.width);
        EXPECT_EQ(info.vertical_size, c.height);
        EXPECT_EQ(info.aspect_ratio_text, c.aspect) << c.header.aspect_ratio_information;
        EXPECT_EQ(info.frame_rate_text, c.frame_rate) << c.header.frame_rate_code;
        EXPECT_EQ(info.max_bit_rate_kbps, c.kbps) << c.header.bit_rate_value;
        EXPECT_EQ(info.vbv_buffer_size_kb, c.vbv) << c.header.vbv_buffer_size_value;
    }
}

TEST(QuantiserMatrices, LoadBitsShiftAndDefaults) {
    const auto counting = counting_scan_matrix();
    const auto filled = [](std::uint8_t value) {
        mpeg::Matrix m{};
        m.fill(value);
        return m;
    };
    // 1..64 in stream order put through the zigzag scan.
    const std::array<int, 8> first_row = {1, 2, 6, 7, 15, 16, 28, 29};
    const std::array<int, 8> first_column = {1, 3, 4, 10, 11, 21, 22, 36};

    struct Case {
        const char* name;
        std::optional<test::ScanMatrix> intra, non_intra;
    };
    const std::vector<Case> cases = {
        {"none", std::nullopt, std::nullopt},
        {"both", counting, scan_matrix_of(200)},
        {"intra only", scan_matrix_of(255), std::nullopt},
        {"non-intra only", std::nullopt, counting},
        {"values of 128 and more", scan_matrix_of(129), scan_matrix_of(128)},
        {"zero values stay zero", scan_matrix_of(0), scan_matrix_of(0)},
    };
    for (const auto& c : cases) {
        StreamBuilder s;
        s.sequence_header({.intra = c.intra, .non_intra = c.non_intra});
        const std::size_t expected_size = 12 + (c.intra ? 64 : 0) + (c.non_intra ? 64 : 0);
        ASSERT_EQ(s.size(), expected_size) << c.name;
        const auto m = analyse(s).matrices;
        EXPECT_EQ(m.intra_from_stream, c.intra.has_value()) << c.name;
        EXPECT_EQ(m.non_intra_from_stream, c.non_intra.has_value()) << c.name;
        for (int i = 0; i < 8; ++i) {
            if (c.intra == counting) {
                EXPECT_EQ(m.intra_at(1, i + 1), first_row[i]) << c.name;
                EXPECT_EQ(m.intra_at(i + 1, 1), first_column[i]) << c.name;
            }
            if (c.non_intra == counting) {
                EXPECT_EQ(m.non_intra_at(1, i + 1), first_row[i]) << c.name;
                EXPECT_EQ(m.non_intra_at(i + 1, 1), first_column[i]) << c.name;
            }
        }
        if (c.intra && *c.intra != counting) {
            EXPECT_EQ(m.intra, filled((*c.intra)[0])) << c.name;
        }
        if (!c.intra) {
            EXPECT_EQ(m.intra, default_intra) << c.name;
        }
        if (!c.non_intra) {
            EXPECT_EQ(m.non_intra, default_non_intra) << c.name;
        }
        if (c.non_intra && *c.non_intra != counting) {
            EXPECT_EQ(m.non_intra, filled((*c.non_intra)[0])) << c.name;
        }
    }
}

TEST(QuantiserMatrices, DefaultTablesAreTheMpegOnes) {
    const std::array<int, 8> first_row = {8, 16, 19, 22, 26, 27, 29, 34};
    const std::array<int, 8> last_row = {27, 29, 35, 38, 46, 56, 69, 83};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(default_intra[static_cast<std::size_t>(c)], first_row[c]);
        EXPECT_EQ(default_intra[static_cast<std::size_t>(56 + c)], last_row[c]);
    }
    for (auto value : default_non_intra) {
        EXPECT_EQ(value, 16);
    }
    EXPECT_EQ(QuantMatrixPair{}.intra, mpeg::Matrix{});
    EXPECT_FALSE(QuantMatrixPair{}.intra_from_stream);
}

TEST(Extensions, DvdLikeProgramStream) {
    const auto result = analyse(dvd_like());
    const auto& info = result.info;
    EXPECT_EQ(info.stream_type_text, "Flux programme");
    EXPECT_EQ(info.header_position, 20);
    EXPECT_EQ(info.profile_text, "MainProfil");
    EXPECT_EQ(info.level_text, "MainLevel");
    EXPECT_EQ(info.chroma_format_text, "4:2:0");
    EXPECT_EQ(info.video_format_text, "PAL");
    EXPECT_EQ(info.intra_dc_precision_bits, 10);
    EXPECT_EQ(info.picture_structure_text, "Frame Picture");
    EXPECT_EQ(mpeg_version_text(info), "MPEG-2");
    EXPECT_TRUE(result.messages.empty());
}

TEST(Extensions, TablesOfTheSequenceExtension) {
    struct Case {
        std::uint8_t profile_and_level;
        int chroma;
        const char *profile, *level, *chroma_text;
    };
    const std::vector<Case> cases = {
        {0x14, 1, "HighProfil", "HighLevel", "4:2:0"},
        {0x46, 2, "MainProfil", "HighLevel1440", "4:2:2"},
        {0x58, 3, "SimpleProfil", "MainLevel", "4:4:4"},
        {0x4A, 0, "MainProfil", "LowLevel", "Inconnu"},
        {0x85, 1, "ProfilInconnu", "LevelInconnu", "4:2:0"},
        {0x28, 1, "ProfilInconnu", "MainLevel", "4:2:0"},
        {0x38, 1, "ProfilInconnu", "MainLevel", "4:2:0"},
        {0x00, 1, "ProfilInconnu", "LevelInconnu", "4:2:0"},
        {0xF2, 1, "ProfilInconnu", "LevelInconnu", "4:2:0"},
    };
    for (const auto& c : cases) {
        StreamBuilder s;
        s.sequence_header({}).sequence_extension(c.profile_and_level, c.chroma);
        const auto info = analyse(s).info;
        EXPECT_EQ(info.profile_text, c.profile) << int(c.profile_and_level);
        EXPECT_EQ(info.level_text, c.level) << int(c.profile_and_level);
        EXPECT_EQ(info.chroma_format_text, c.chroma_text) << c.chroma;
    }
}

TEST(Extensions, VideoFormatPictureStructureAndDcPrecision) {
    const std::array<const char*, 8> formats = {
        "Component", "PAL", "NTSC", "SECAM", "MAC", "Defaut", "Non-identifié", "Non-identifié"};
    const std::array<const char*, 4> structures = {"Inconnue", "Top Field", "Bottom Field",
                                                   "Frame Picture"};
    for (int code = 0; code < 8; ++code) {
        StreamBuilder s;
        s.sequence_header({}).sequence_extension(0x48).sequence_display_extension(code);
        s.picture_coding_extension(code % 4, code % 4);
        const auto info = analyse(s).info;
        EXPECT_EQ(info.video_format_text, formats[static_cast<std::size_t>(code)]);
        EXPECT_EQ(info.picture_structure_text, structures[static_cast<std::size_t>(code % 4)]);
        EXPECT_EQ(info.intra_dc_precision_bits, 8 + code % 4);
    }
}

TEST(Extensions, LastSequenceExtensionBeforeDisplayExtensionWins) {
    StreamBuilder s;
    s.sequence_header({}).sequence_extension(0x48).quant_matrix_extension(99);
    s.sequence_extension(0x14, 2).sequence_display_extension(2).sequence_extension(0x58, 3);
    s.picture_coding_extension(0, 1);
    const auto result = analyse(s);
    EXPECT_EQ(result.info.profile_text, "HighProfil");
    EXPECT_EQ(result.info.chroma_format_text, "4:2:2");
    EXPECT_EQ(result.info.video_format_text, "NTSC");
    EXPECT_EQ(result.info.picture_structure_text, "Top Field");
    // The quantiser matrix extension changes nothing.
    EXPECT_EQ(result.matrices.intra, default_intra);
    EXPECT_EQ(result.matrices.non_intra, default_non_intra);
}

TEST(Extensions, WithoutDisplayExtensionPictureSearchStartsAt99999) {
    struct Case {
        std::size_t picture_extension_offset;
        std::int16_t expected_dc;
    };
    // A picture coding extension before 99999 is not seen; one at 99999..149998 is.
    for (const auto& c :
         {Case{5000, 0}, Case{99998, 0}, Case{99999, 9}, Case{149998, 9}, Case{149999, 0}}) {
        StreamBuilder s;
        s.sequence_header({}).sequence_extension(0x48).fill_to(c.picture_extension_offset);
        s.picture_coding_extension(1, 3).fill_to(160000);
        const auto info = analyse(s).info;
        EXPECT_EQ(info.video_format_text, "") << c.picture_extension_offset;
        EXPECT_EQ(info.intra_dc_precision_bits, c.expected_dc) << c.picture_extension_offset;
        EXPECT_EQ(mpeg_version_text(info), "MPEG-2");
    }
    // A short MPEG-2 file without display extension never reaches 99999.
    StreamBuilder short_file;
    short_file.sequence_header({}).sequence_extension(0x48).picture_coding_extension(1, 3);
    EXPECT_EQ(analyse(short_file).info.intra_dc_precision_bits, 0);
    EXPECT_EQ(analyse(short_file).info.picture_structure_text, "");
}

TEST(Extensions, HeaderAt99987OrLaterSkipsTheExtensionSearch) {
    for (const auto& [offset, expect_mpeg2] :
         {std::pair{99986, true}, std::pair{99987, false}, std::pair{120000, false}}) {
        StreamBuilder s;
        s.pack_header().fill_to(static_cast<std::size_t>(offset)).sequence_header({});
        s.sequence_extension(0x48).sequence_display_extension(1).picture_coding_extension(0, 3);
        const auto info = analyse(s).info;
        EXPECT_EQ(info.header_position, offset);
        EXPECT_EQ(mpeg_version_text(info), expect_mpeg2 ? "MPEG-2" : "MPEG-1") << offset;
        EXPECT_EQ(info.profile_text.empty(), !expect_mpeg2) << offset;
    }
}

TEST(Extensions, ExtensionSearchStartsAfterTheMatrices) {
    // The bytes of the matrices are skipped even when they hold an extension start code.
    test::ScanMatrix tricky = scan_matrix_of(16);
    tricky[0] = 0x00, tricky[1] = 0x00, tricky[2] = 0x01, tricky[3] = 0xB5, tricky[4] = 0x14;
    StreamBuilder s;
    s.sequence_header({.non_intra = tricky});
    EXPECT_EQ(analyse(s).info.profile_text, "");
}

TEST(Extensions, BytesPastTheEndCountAsZero) {
    StreamBuilder s;
    s.sequence_header({}).raw({0x00, 0x00, 0x01, 0xB5, 0x11}); // e1 missing
    const auto result = analyse(s);
    EXPECT_EQ(result.info.profile_text, "HighProfil");
    EXPECT_EQ(result.info.level_text, "LevelInconnu");
    EXPECT_EQ(result.info.chroma_format_text, "Inconnu");
    EXPECT_TRUE(result.messages.empty());

    StreamBuilder cut;
    cut.raw({0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02}); // ends inside the header
    const auto cut_result = analyse(cut);
    EXPECT_EQ(cut_result.info.horizontal_size, 720);
    EXPECT_EQ(cut_result.info.vertical_size, 2 * 256); // b6 missing
    EXPECT_EQ(cut_result.matrices.intra, default_intra);
    EXPECT_TRUE(cut_result.messages.empty());
}

// Nothing decoded: every value "not found", the standard's matrices, both flags false.
void expect_nothing_decoded(const AnalysisResult& result, const std::string& name) {
    EXPECT_EQ(result.info, StreamInfo{}) << name;
    EXPECT_EQ(result.matrices.intra, default_intra) << name;
    EXPECT_EQ(result.matrices.non_intra, default_non_intra) << name;
    EXPECT_FALSE(result.matrices.intra_from_stream) << name;
    EXPECT_FALSE(result.matrices.non_intra_from_stream) << name;
}

// An MPEG-2 elementary stream that loads both matrices: whatever of it is decoded shows.
StreamBuilder& append_real_stream(StreamBuilder& s) {
    s.sequence_header({.intra = counting_scan_matrix(), .non_intra = scan_matrix_of(30)});
    s.sequence_extension(0x48).sequence_display_extension(1).picture_coding_extension(1, 3);
    return s;
}

TEST(NoSequenceHeader, NothingIsDecodedAndOneInformationMessageSaysSo) {
    EXPECT_EQ(french(no_sequence_header_message),
              (ShownMessage{Icon::information, "Aucune séquence MPEG...",
                            "Aucun en-tête de séquence MPEG n'a été trouvé dans les 300000 "
                            "premiers octets du fichier. Les matrices affichées sont celles de "
                            "la norme MPEG.",
                            Buttons::ok, Button::ok}));
    struct Case {
        const char* name;
        StreamBuilder stream;
    };
    std::vector<Case> cases(6);
    cases[0].name = "299999 bytes of 0x55, then an elementary stream";
    append_real_stream(cases[0].stream.fill_to(299999, 0x55));
    cases[1].name = "pack header, sequence header at 299999";
    append_real_stream(cases[1].stream.pack_header().fill_to(299999));
    cases[2].name = "PES packet first, sequence header at 299999";
    append_real_stream(cases[2].stream.start_code(0xE0).fill_to(299999));
    cases[3].name = "no start code at all";
    cases[3].stream.fill_to(5000, 0x00);
    cases[4].name = "empty file";
    cases[5].name = "three bytes";
    cases[5].stream.raw({0x00, 0x00, 0x01});
    for (const auto& c : cases) {
        const auto result = analyse(c.stream);
        expect_nothing_decoded(result, c.name);
        EXPECT_EQ(result.messages, Messages{no_sequence_header_message}) << c.name;
    }
    const auto real = analyse_file(std::string(QUANTALINE_TEST_DATA) + "/mpeg2-ps-no-header.vob");
    expect_nothing_decoded(real, "mpeg2-ps-no-header.vob");
    EXPECT_EQ(real.messages, Messages{no_sequence_header_message});
}

TEST(StreamScan, APesPacketFirstIsAProgramStream) {
    // A PES packet header (14 bytes) before the stream: the file is a program stream, decoded
    // as one whose pack header comes first and whose header lies at the same offset.
    for (const std::size_t offset : {std::size_t{14}, std::size_t{299998}}) {
        StreamBuilder pes;
        pes.start_code(0xE0).raw({0x07, 0xEC, 0x81, 0x80, 0x05, 0x21, 0x00, 0x01, 0x00, 0x01});
        append_real_stream(pes.fill_to(offset));
        StreamBuilder program;
        append_real_stream(program.pack_header().fill_to(offset));

        const auto result = analyse(pes);
        auto expected = analyse(program);
        ASSERT_EQ(expected.info.header_position, static_cast<std::int32_t>(offset));
        EXPECT_EQ(result.info, expected.info) << offset;
        EXPECT_EQ(result.matrices, expected.matrices) << offset;
        EXPECT_TRUE(result.messages.empty()) << offset;
        EXPECT_EQ(result.info.horizontal_size, 720) << offset;
        EXPECT_EQ(result.info.mpeg_version_text, offset < 99987 ? "MPEG-2" : "MPEG-1") << offset;
        EXPECT_TRUE(result.matrices.intra_from_stream && result.matrices.non_intra_from_stream);
    }
}

// A reader over a file held in memory whose read fails at `fail_at`.
PrefixReader reader_failing_at(const std::vector<std::uint8_t>& file,
                               std::optional<std::size_t> fail_at) {
    return [&file, fail_at](const std::string&, std::span<std::uint8_t> buffer) {
        const std::size_t readable = std::min(file.size(), buffer.size());
        const bool fails = fail_at && *fail_at < readable;
        const std::size_t size = fails ? *fail_at : readable;
        std::copy_n(file.begin(), size, buffer.begin());
        return PrefixRead{.opened = true, .size = size, .failed = fails};
    };
}

TEST(ReadFailure, ReportedOnlyByTheStepThatNeededTheBytesPastIt) {
    const Messages none;
    const Messages scan{scan_read_failure_message};
    const Messages warning{header_read_warning_message};

    // A DVD-like stream whose parts are at known offsets.
    StreamBuilder dvd;
    dvd.pack_header().raw({0x00, 0x00, 0x01, 0xBB, 0x00, 0x00});
    const std::size_t header = dvd.size();
    dvd.sequence_header({.intra = counting_scan_matrix()});
    dvd.sequence_extension(0x48);
    const std::size_t display = dvd.size();
    dvd.sequence_display_extension(1);
    const std::size_t picture = dvd.size();
    dvd.picture_coding_extension(2, 3).fill_to(1000);

    // MPEG-2 without a display extension: both extension searches run long.
    StreamBuilder long_search;
    long_search.sequence_header({}).sequence_extension(0x48).fill_to(120000);
    long_search.picture_coding_extension(1, 3).fill_to(200000);

    // The last header the scan can find, both matrices loaded: read up to 299990 + 139.
    StreamBuilder late;
    late.pack_header().fill_to(299990);
    late.sequence_header({.intra = scan_matrix_of(40), .non_intra = scan_matrix_of(50)});

    StreamBuilder no_header;
    no_header.pack_header().fill_to(400000);

    struct Case {
        const char* name;
        const StreamBuilder& stream;
        std::size_t fail_at;
        Messages expected;
    };
    const std::vector<Case> cases = {
        {"at the first byte", dvd, 0, scan},
        {"inside the header's start code", dvd, header + 3, scan},
        {"after the start code, in the header's fields", dvd, header + 4, warning},
        {"inside the intra matrix", dvd, header + 40, warning},
        {"on the display extension's identifier", dvd, display + 4, warning},
        {"on the picture coding extension's last byte read", dvd, picture + 6, warning},
        {"just after the last byte the analysis reads", dvd, picture + 7, none},
        {"far past what the analysis reads", dvd, 500, none},
        {"in the extension search's last window", long_search, 100001, warning},
        {"past the extension search, in the picture search", long_search, 100002, warning},
        {"past the picture coding extension found", long_search, 120007, none},
        {"on the late header's last non-intra value", late, 299990 + 139, warning},
        {"past the late header's matrices", late, 299990 + 140, none},
        {"in the scan's last window", no_header, 300001, scan},
        {"past the scan's last window", no_header, 300002, Messages{no_sequence_header_message}},
    };
    for (const auto& c : cases) {
        const auto& bytes = c.stream.bytes();
        const auto result = analyse_file("scratched.vob", reader_failing_at(bytes, c.fail_at));
        EXPECT_EQ(result.messages, c.expected) << c.name;
        // The bytes from the failure on count as past the end of the file.
        const auto cut = analyse_bytes(std::span(bytes).first(c.fail_at));
        EXPECT_EQ(result.info, cut.info) << c.name;
        EXPECT_EQ(result.matrices, cut.matrices) << c.name;
        if (c.expected == scan) {
            expect_nothing_decoded(result, c.name);
        }
        if (c.expected == none) {
            const auto whole = analyse_file("whole.vob", reader_failing_at(bytes, std::nullopt));
            EXPECT_EQ(result.info, whole.info) << c.name;
            EXPECT_EQ(result.matrices, whole.matrices) << c.name;
        }
    }
    // Values whose bytes were read survive a failure further on.
    const auto partial = analyse_file("scratched.vob", reader_failing_at(dvd.bytes(), picture + 6));
    EXPECT_EQ(partial.info.header_position, static_cast<std::int32_t>(header));
    EXPECT_EQ(partial.info.horizontal_size, 720);
    EXPECT_EQ(partial.info.video_format_text, "PAL");
    EXPECT_TRUE(partial.matrices.intra_from_stream);

    // A file that cannot be opened at all: both messages, nothing decoded.
    const auto unopened = analyse_file(
        "missing.vob", [](const std::string&, std::span<std::uint8_t>) { return PrefixRead{}; });
    EXPECT_EQ(unopened.messages,
              (Messages{scan_read_failure_message, header_read_warning_message}));
    expect_nothing_decoded(unopened, "cannot be opened");
}

TEST(AnalyseFile, UnreadableFilesGiveBothMessagesInOrderAndDefaults) {
    test::TempDir dir;
    std::vector<std::string> paths = {dir.file("missing.m2v"), dir.folder()};
#ifdef _WIN32
    // A pipe with a server that never writes, and a device: neither may be waited on.
    const std::string pipe_name =
        "\\\\.\\pipe\\quantaline-test-" + std::to_string(GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeA(pipe_name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 0, 0,
                                   0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    paths.push_back(pipe_name);
    paths.push_back("NUL");
#else
    const auto fifo = dir.file("pipe.m2v");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    paths.push_back(fifo);
#endif
    for (const auto& path : paths) {
        const auto result = analyse_file(path);
        ASSERT_EQ(result.messages.size(), 2u) << path;
        EXPECT_EQ(result.messages[0].icon, Icon::critical);
        EXPECT_EQ(french(result.messages[0]).title, "impossible de lire le fichier...");
        EXPECT_EQ(french(result.messages[0]).text,
                  "Une erreur s'est produite à la lecture du fichier, cer...");
        EXPECT_EQ(result.messages[1].icon, Icon::exclamation);
        EXPECT_EQ(french(result.messages[1]).title, "Problême(s) en lisant l'entête du fichier...");
        EXPECT_EQ(french(result.messages[1]).text,
                  "Une erreur s'est produite à la lecture du fichier, Quantaline n'a pas pu "
                  "décrypter correctement les informations.\r\nLes données affichées sont "
                  "peut-être fausses. Il est déconseillé d'exporter les matrices dans ce cas ");
        EXPECT_EQ(result.info, StreamInfo{}) << path;
        EXPECT_EQ(result.matrices.intra, default_intra);
        EXPECT_EQ(result.matrices.non_intra, default_non_intra);
        EXPECT_FALSE(result.matrices.intra_from_stream || result.matrices.non_intra_from_stream);
    }
#ifdef _WIN32
    CloseHandle(pipe);
#endif
}

TEST(AnalyseFile, ReadsTheFileOnceAndNoMoreThanThePrefix) {
    test::TempDir dir;
    StreamBuilder s;
    s.pack_header().fill_to(200000).sequence_header({.horizontal_size = 704}).fill_to(400000);
    const auto path = dir.write("big.mpg", s.bytes());
    int calls = 0;
    std::size_t largest_request = 0, largest_answer = 0;
    const PrefixReader counting = [&](const std::string& p, std::span<std::uint8_t> buffer) {
        ++calls;
        largest_request = std::max(largest_request, buffer.size());
        const PrefixRead read = read_file_prefix(p, buffer);
        largest_answer = std::max(largest_answer, read.size);
        return read;
    };
    const auto result = analyse_file(path, counting);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(largest_request, 300138u);
    EXPECT_EQ(largest_answer, 300138u);
    EXPECT_EQ(result.info.horizontal_size, 704);
    EXPECT_EQ(result.info.header_position, 200000);
}

} // namespace
} // namespace quantaline
