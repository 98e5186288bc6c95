// The first-header analysis of program and transport streams: the video read through the
// demultiplexers, whatever the packet boundaries, with the windows measured on the file.

#include "analysis/analysis.h"
#include "support/stream_builder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <tuple>

namespace quantaline {

namespace {

using test::counting_scan_matrix;
using test::Multiplexed;
using test::scan_matrix_of;
using test::StreamBuilder;

std::vector<std::uint8_t> file_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

AnalysisResult analyse(const std::vector<std::uint8_t>& bytes) {
    return analyse_bytes(std::span<const std::uint8_t>(bytes));
}

// The result of an elementary stream once multiplexed: the same values and matrices, the
// container's type, and the header where the multiplex put its first byte.
void expect_same_analysis(const AnalysisResult& multiplexed, const AnalysisResult& elementary,
                          const std::string& type, std::uint64_t header_offset) {
    StreamInfo expected = elementary.info;
    expected.stream_type_text = type;
    expected.header_position = static_cast<std::int32_t>(header_offset);
    const auto fields = [](const StreamInfo& i) {
        return std::tuple(i.stream_type_text, i.header_position, i.mpeg_version_text,
                          i.horizontal_size, i.vertical_size, i.aspect_ratio_text,
                          i.frame_rate_text, i.max_bit_rate_kbps, i.vbv_buffer_size_kb,
                          i.profile_text, i.level_text, i.chroma_format_text,
                          i.intra_dc_precision_bits, i.video_format_text, i.picture_structure_text);
    };
    // Field by field, so that a failure names them.
    EXPECT_EQ(fields(multiplexed.info), fields(expected));
    EXPECT_EQ(multiplexed.matrices, elementary.matrices);
    EXPECT_EQ(multiplexed.messages, elementary.messages);
    EXPECT_EQ(multiplexed.codes.sequence_extension, elementary.codes.sequence_extension);
}

struct Wrapping {
    const char* name;
    const char* type;
    std::function<Multiplexed(const std::vector<std::uint8_t>&, std::size_t cut)> wrap;
};

// The containers, each with its first video packet ending `cut` bytes into the video.
const std::vector<Wrapping>& wrappings() {
    static const std::vector<Wrapping> all = {
        {"MPEG-2 program stream", "Flux programme",
         [](const auto& es, std::size_t cut) { return test::program_stream(es, {.cuts = {cut}}); }},
        {"MPEG-1 program stream", "Flux programme",
         [](const auto& es, std::size_t cut) {
             return test::program_stream(es, {.cuts = {cut}, .mpeg1 = true});
         }},
        {"transport stream", "Flux transport",
         [](const auto& es, std::size_t cut) {
             return test::transport_stream(es, {.cuts = {cut}, .other_streams = false});
         }},
        {"M2TS", "Flux transport",
         [](const auto& es, std::size_t cut) {
             return test::transport_stream(es,
                                           {.cuts = {cut}, .m2ts = true, .other_streams = false});
         }},
    };
    return all;
}

TEST(FirstHeader, EveryMatrixStreamOfTheTestDataWhereverAPacketCutsItsHeader) {
    int streams = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUANTALINE_TEST_DATA)) {
        const auto extension = entry.path().extension();
        if (extension != ".m1v" && extension != ".m2v") {
            continue;
        }
        const auto es = file_bytes(entry.path());
        const auto elementary = analyse(es);
        ASSERT_EQ(elementary.info.header_position, 0) << entry.path();
        if (!elementary.matrices.intra_from_stream && !elementary.matrices.non_intra_from_stream) {
            continue;
        }
        ++streams;
        // Every first-packet size from one byte (inside the start code) to past the header
        // and its sequence extension.
        const std::size_t header_end = 12 + (elementary.matrices.intra_from_stream ? 64 : 0) +
                                       (elementary.matrices.non_intra_from_stream ? 64 : 0);
        for (std::size_t cut = 1; cut <= header_end + 12; ++cut) {
            for (const auto& wrapping : wrappings()) {
                SCOPED_TRACE(entry.path().filename().string() + " in a " + wrapping.name +
                             ", first packet of " + std::to_string(cut) + " bytes");
                const Multiplexed m = wrapping.wrap(es, cut);
                expect_same_analysis(analyse(m.bytes), elementary, wrapping.type, m.offsets[0]);
            }
        }
    }
    EXPECT_GE(streams, 9);
}

// A stream whose every part the analysis reads: both matrices, the three extensions.
StreamBuilder full_stream() {
    StreamBuilder s;
    s.sequence_header({.intra = counting_scan_matrix(), .non_intra = scan_matrix_of(30)});
    s.sequence_extension(0x48, 2).sequence_display_extension(2);
    s.group_of_pictures_header(0, 0, 0, 0).picture_header(0, 1).picture_coding_extension(2, 1);
    return s.slice(100);
}

TEST(FirstHeader, StructuresCutByAPacketAreReadWhole) {
    const auto es = full_stream().bytes();
    const auto elementary = analyse(es);
    ASSERT_EQ(elementary.info.video_format_text, "NTSC");
    ASSERT_EQ(elementary.info.picture_structure_text, "Top Field");
    // Offsets in the elementary stream: the header's 140 bytes, then the extensions.
    struct Cut {
        const char* where;
        std::size_t at;
    };
    const std::vector<Cut> cuts = {
        {"after 00", 1},
        {"after 00 00", 2},
        {"between 00 00 01 and the start code value", 3},
        {"inside the header's fields", 7},
        {"inside the intra matrix", 40},
        {"between the matrices", 76},
        {"inside the non-intra matrix", 130},
        {"inside the sequence extension's start code", 142},
        {"inside the sequence extension", 145},
        {"inside the display extension", 155},
        {"inside the picture coding extension", 174 + 8 + 8 + 5},
    };
    for (const auto& cut : cuts) {
        for (const auto& wrapping : wrappings()) {
            SCOPED_TRACE(std::string(wrapping.name) + " cut " + cut.where);
            const Multiplexed m = wrapping.wrap(es, cut.at);
            expect_same_analysis(analyse(m.bytes), elementary, wrapping.type, m.offsets[0]);
        }
    }
}

TEST(FirstHeader, OtherStreamsThatCarryHeaderBytesAreNeverReadAsVideo) {
    const auto es = full_stream().bytes();
    const auto elementary = analyse(es);
    struct Case {
        const char* name;
        Multiplexed stream;
        const char* type;
    };
    // Each time a byte search of the file meets another stream's sequence header (of
    // 256 x 16) before the video's own start code is whole.
    const std::vector<Case> cases = {
        // Before each video packet: sound, private stream 1 and padding packets.
        {"program stream", test::program_stream(es), "Flux programme"},
        {"MPEG-1 program stream of 5-byte packets",
         test::program_stream(es, {.max_payload = 5, .mpeg1 = true}), "Flux programme"},
        {"program stream, video stream EA", test::program_stream(es, {.stream_id = 0xEA}),
         "Flux programme"},
        // After each video packet, a sound packet; the first video packet holds 00 00 only,
        // and the PMT lists a second video stream after the first.
        {"transport stream", test::transport_stream(es, {.cuts = {2}}), "Flux transport"},
        {"MPEG-1 video in a transport stream",
         test::transport_stream(es, {.cuts = {1}, .video_pid = 0x1FFE, .stream_type = 0x01}),
         "Flux transport"},
        {"transport stream, a new PES packet after 00 00 01",
         test::transport_stream(es, {.pes_starts = {0, 3}}), "Flux transport"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> code = {0x00, 0x00, 0x01, 0xB3};
        const auto raw = static_cast<std::size_t>(
            std::search(c.stream.bytes.begin(), c.stream.bytes.end(), code.begin(), code.end()) -
            c.stream.bytes.begin());
        ASSERT_LT(raw, c.stream.offsets[3]);
        ASSERT_NE(raw, c.stream.offsets[0]);
        expect_same_analysis(analyse(c.stream.bytes), elementary, c.type, c.stream.offsets[0]);
    }
}

// A transport stream whose sequence header starts at file offset `header`: null packets
// (PID 0x1FFF) after the PAT and the PMT push the video on, and the first video packet
// ends inside the header so that its first byte lies there.
Multiplexed transport_with_header_at(std::size_t header, const std::vector<std::uint8_t>& es) {
    const std::size_t tables = std::size_t{2} * 188;
    const std::size_t first_packet_end = tables + 188;
    std::size_t packets = 0;
    while (first_packet_end + 188 * packets < header + 1) {
        ++packets;
    }
    // The video packet's last `cut` bytes are the stream's first ones.
    std::size_t cut = first_packet_end + 188 * packets - header;
    if (cut > 170) {
        --packets;
        cut -= 188;
    }
    const Multiplexed plain = test::transport_stream(es, {.cuts = {cut}, .other_streams = false});
    std::vector<std::uint8_t> null_packet(188, 0xFF);
    null_packet[0] = 0x47, null_packet[1] = 0x1F, null_packet[2] = 0xFF, null_packet[3] = 0x10;
    Multiplexed moved;
    moved.bytes.assign(plain.bytes.begin(), plain.bytes.begin() + tables);
    for (std::size_t i = 0; i < packets; ++i) {
        moved.bytes.insert(moved.bytes.end(), null_packet.begin(), null_packet.end());
    }
    moved.bytes.insert(moved.bytes.end(), plain.bytes.begin() + tables, plain.bytes.end());
    for (const auto offset : plain.offsets) {
        moved.offsets.push_back(offset + packets * 188);
    }
    EXPECT_EQ(moved.offsets[0], header);
    return moved;
}

// A program stream whose first video packet holds the header's first `cut` bytes, then
// `padding` bytes of padding packets before the rest of the video.
Multiplexed program_with_padding(const std::vector<std::uint8_t>& es, std::size_t cut,
                                 std::size_t padding) {
    Multiplexed m = test::program_stream(es, {.cuts = {cut}, .other_streams = false});
    const std::size_t first_packet_end = m.offsets[cut - 1] + 1;
    std::vector<std::uint8_t> packets;
    for (std::size_t left = padding; left > 0;) {
        const std::size_t length = std::min<std::size_t>(left - 6, 60000);
        packets.insert(packets.end(),
                       {0x00, 0x00, 0x01, 0xBE, static_cast<std::uint8_t>(length >> 8),
                        static_cast<std::uint8_t>(length)});
        packets.insert(packets.end(), length, 0xFF);
        left -= 6 + length;
    }
    m.bytes.insert(m.bytes.begin() + static_cast<std::ptrdiff_t>(first_packet_end), packets.begin(),
                   packets.end());
    for (auto& offset : m.offsets) {
        offset += offset >= first_packet_end ? packets.size() : 0;
    }
    return m;
}

TEST(FirstHeader, TransportStreamHeaderSearchReach) {
    const auto es = full_stream().bytes();
    const auto elementary = analyse(es);
    // A transport stream's video is looked for in its first 16 MiB, and its extension
    // windows begin at its header: wherever the header lies in reach, the whole analysis.
    const std::size_t last = last_transport_header_search_offset;
    for (const std::size_t header :
         {std::size_t{299998}, std::size_t{299999}, std::size_t{2097278}, last, last + 1}) {
        SCOPED_TRACE("header at " + std::to_string(header));
        const auto result = analyse(transport_with_header_at(header, es).bytes);
        if (header <= last) {
            expect_same_analysis(result, elementary, "Flux transport", header);
        } else {
            EXPECT_FALSE(result.codes.found());
            EXPECT_EQ(result.info, StreamInfo{});
            EXPECT_EQ(result.messages, Messages{no_transport_sequence_header_message});
        }
    }
    // A transport stream whose only video is not MPEG-1 or MPEG-2 (H.264 here), though
    // its packets carry a sequence header: no header.
    const auto other =
        analyse(test::transport_stream(es, {.stream_type = 0x1B, .other_streams = false}).bytes);
    EXPECT_FALSE(other.codes.found());
    EXPECT_EQ(other.messages, Messages{no_transport_sequence_header_message});
}

// A reader over a file in memory that counts its calls.
PrefixReader memory_reader(const std::vector<std::uint8_t>& file, int& calls) {
    return [&file, &calls](const std::string&, std::span<std::uint8_t> buffer) {
        ++calls;
        const std::size_t size = std::min(file.size(), buffer.size());
        std::copy_n(file.begin(), size, buffer.begin());
        return PrefixRead{.opened = true, .size = size};
    };
}

TEST(FirstHeader, AHeaderCutPastTheFirstReadHasTheFileReadFurther) {
    const auto es = full_stream().bytes();
    const auto elementary = analyse(es);
    // Whatever lies past the extension windows is not read: the header and its matrices.
    StreamBuilder header_only;
    header_only.sequence_header({.intra = counting_scan_matrix(), .non_intra = scan_matrix_of(30)});
    const auto just_the_header = analyse(header_only.bytes());
    struct Case {
        const char* name;
        Multiplexed stream;
        const char* type;
        const AnalysisResult& expected;
        int reads;
    };
    const std::vector<Case> cases = {
        // The header's last bytes lie past offset 300 138; its windows begin at it.
        {"transport stream, header at 299998", transport_with_header_at(299998, es),
         "Flux transport", elementary, 2},
        // Past the first read and the elementary streams' reach.
        {"transport stream, header at 3 MiB", transport_with_header_at(3 << 20, es),
         "Flux transport", elementary, 2},
        {"transport stream, header at 1000", transport_with_header_at(1000, es), "Flux transport",
         elementary, 1},
        // 20 bytes of the header, then 350 000 bytes of padding before the rest.
        {"program stream, padding inside the header", program_with_padding(es, 20, 350000),
         "Flux programme", just_the_header, 2},
        // Padding after the picture coding extension: nothing more is needed.
        {"program stream, padding after the extensions", program_with_padding(es, 184, 350000),
         "Flux programme", elementary, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int calls = 0;
        const auto result = analyse_file("cut.ts", memory_reader(c.stream.bytes, calls));
        expect_same_analysis(result, c.expected, c.type, c.stream.offsets[0]);
        EXPECT_EQ(calls, c.reads);
    }
}

TEST(FirstHeader, ReadFailuresInsideACutHeaderAreToldByTheStepThatNeededTheBytes) {
    const auto es = full_stream().bytes();
    // The first video packet ends 20 bytes into the header, the second inside the picture
    // coding extension; a sound packet follows each. A packet cut by the failure is lost.
    const Multiplexed m = test::transport_stream(es, {.cuts = {20, 181}});
    const auto header = static_cast<std::size_t>(m.offsets[0]);
    struct Case {
        const char* name;
        std::size_t fail_at;
        Messages expected;
    };
    const std::vector<Case> cases = {
        {"inside the header's start code", header + 2, {scan_read_failure_message}},
        {"inside the header's rest, in the next video packet",
         m.offsets[60],
         {header_read_warning_message}},
        {"in the packet that ends the picture coding extension",
         m.offsets[181],
         {header_read_warning_message}},
        {"in the last sound packet", m.bytes.size() - 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto reader = [&](const std::string&, std::span<std::uint8_t> buffer) {
            const std::size_t size = std::min({m.bytes.size(), buffer.size(), c.fail_at});
            std::copy_n(m.bytes.begin(), size, buffer.begin());
            return PrefixRead{.opened = true, .size = size, .failed = size == c.fail_at};
        };
        const auto result = analyse_file("scratched.ts", reader);
        EXPECT_EQ(result.messages, c.expected);
        EXPECT_EQ(result.codes.found(), c.expected != Messages{scan_read_failure_message});
    }
}

TEST(Presentation, TheCodesOfAnAnalysisBecomeItsNumbersAndTexts) {
    StreamCodes codes;
    EXPECT_EQ(stream_info(codes), StreamInfo{});
    EXPECT_EQ(display_texts(stream_info(codes)).stream_type, "???");

    codes.container = mpeg::Container::transport;
    codes.header_position = 595;
    codes.horizontal_size_value = 1920;
    codes.vertical_size_value = 1080;
    codes.aspect_ratio_information = 3;
    codes.frame_rate_code = 4;
    codes.bit_rate_value = 37500;
    codes.vbv_buffer_size_value = 46;
    codes.sequence_extension = StreamCodes::SequenceExtension{0x85, 2};
    codes.video_format = 5;
    codes.picture_coding = StreamCodes::PictureCoding{3, 2};
    const StreamInfo info = stream_info(codes);
    EXPECT_EQ(info.stream_type_text, "Flux transport");
    EXPECT_EQ(info.header_position, 595);
    EXPECT_EQ(info.mpeg_version_text, "MPEG-2");
    EXPECT_EQ(info.horizontal_size, 1920);
    EXPECT_EQ(info.vertical_size, 1080);
    EXPECT_EQ(info.aspect_ratio_text, "16:9");
    EXPECT_EQ(info.frame_rate_text, "29,97");
    EXPECT_EQ(info.max_bit_rate_kbps, 15000);
    EXPECT_EQ(info.vbv_buffer_size_kb, 92);
    // The escape bit is not the profile's.
    EXPECT_EQ(info.profile_text, "ProfilInconnu");
    EXPECT_EQ(info.level_text, "LevelInconnu");
    EXPECT_EQ(info.chroma_format_text, "4:2:2");
    EXPECT_EQ(info.video_format_text, "Defaut");
    EXPECT_EQ(info.intra_dc_precision_bits, 11);
    EXPECT_EQ(info.picture_structure_text, "Bottom Field");
    EXPECT_EQ(display_texts(info).stream_type, "Flux transport MPEG-2");

    // A program stream without extensions: MPEG-1, the extensions' texts empty.
    codes.container = mpeg::Container::program;
    codes.sequence_extension.reset();
    codes.video_format.reset();
    codes.picture_coding.reset();
    const StreamInfo mpeg1 = stream_info(codes);
    EXPECT_EQ(display_texts(mpeg1).stream_type, "Flux programme MPEG-1");
    EXPECT_EQ(mpeg1.profile_text + mpeg1.level_text + mpeg1.chroma_format_text +
                  mpeg1.video_format_text + mpeg1.picture_structure_text,
              "");
    EXPECT_EQ(mpeg1.intra_dc_precision_bits, 0);
    EXPECT_EQ(stream_type_text(mpeg::Container::elementary), "Flux élémentaire");
}

} // namespace
} // namespace quantaline
