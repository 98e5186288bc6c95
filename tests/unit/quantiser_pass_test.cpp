// The quantiser pass of the scan: each picture's macroblocks read from the demultiplexed
// video of every container, the same figures on one thread or many, damage named by its
// picture, bounded memory for a runaway picture, a map read again from the file.

#include "mpeg/quantiser_pass.h"
#include "mpeg/scan.h"
#include "support/messages.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <iterator>
#include <tuple>

namespace quantaline {
namespace {

using mpeg::ScanResult;

std::vector<std::uint8_t> read_file(const std::string& name) {
    std::ifstream in(std::string(QUANTALINE_TEST_DATA) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// 176x144 (99 macroblocks), I, P and B pictures, every one at ffmpeg's -q:v 8: MPEG-2's
// linear quantiser_scale 16 everywhere. Joined 40 times it fills several batches.
std::vector<std::uint8_t> long_stream() {
    const auto one = read_file("mpeg2-es-bframes.m2v");
    std::vector<std::uint8_t> es;
    for (int i = 0; i < 40; ++i) {
        es.insert(es.end(), one.begin(), one.end());
    }
    return es;
}

ScanResult scan_quantiser(std::span<const std::uint8_t> bytes, std::size_t threads,
                          bool records = true) {
    mpeg::ScanControl control;
    control.picture_records = records;
    control.quantiser = true;
    control.quantiser_threads = threads;
    return mpeg::scan_bytes(bytes, control);
}

TEST(QuantiserPass, SameFiguresInEveryContainerOnAnyNumberOfThreads) {
    const auto es = long_stream();
    ASSERT_GT(es.size(), 2 * mpeg::QuantiserPass::batch_bytes);
    const ScanResult reference = scan_quantiser(es, 1);
    ASSERT_EQ(reference.pictures, 400u);
    ASSERT_EQ(reference.picture_records.size(), 400u);
    std::array<std::uint64_t, 4> macroblocks_by_type{};
    for (std::size_t i = 0; i < reference.picture_records.size(); ++i) {
        const auto& r = reference.picture_records[i];
        const auto& q = r.quantiser;
        ASSERT_TRUE(q.read) << i;
        EXPECT_EQ(q.intra + q.coded + q.skipped, 99u) << i;
        EXPECT_EQ(q.quantiser_average_hundredths, 1600u) << i;
        EXPECT_EQ(q.quantiser_min, 16u) << i;
        EXPECT_EQ(q.quantiser_max, 16u) << i;
        if (r.picture_coding_type == 1) {
            EXPECT_EQ(q.intra, 99u) << i;
        }
        macroblocks_by_type[r.picture_coding_type - 1] += 99;
    }
    for (std::size_t t = 0; t < 3; ++t) {
        const auto& totals = reference.quantiser_by_type[t];
        EXPECT_EQ(totals.macroblocks, macroblocks_by_type[t]) << t;
        EXPECT_EQ(totals.pictures * 99, macroblocks_by_type[t]) << t;
        EXPECT_EQ(totals.quantiser_average_hundredths(), 1600u) << t;
        EXPECT_EQ(totals.quantiser_min, 16u);
        EXPECT_EQ(totals.quantiser_max, 16u);
    }
    EXPECT_EQ(reference.quantiser_by_type[3].pictures, 0u);
    EXPECT_EQ(reference.damaged_pictures, 0u);
    EXPECT_TRUE(reference.messages.empty());

    // Packets cut at odd places, so that start codes and pictures straddle them.
    test::ProgramStreamLayout program;
    program.max_payload = 777;
    test::TransportStreamLayout transport;
    for (std::size_t cut = 5; cut < es.size(); cut += 4093) {
        transport.cuts.push_back(cut);
        transport.pes_starts.push_back(cut);
    }
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::size_t threads;
    } cases[] = {
        {"elementary, 2 threads", es, 2},
        {"elementary, 5 threads", es, 5},
        {"program, 1 thread", test::program_stream(es, program).bytes, 1},
        {"program, 3 threads", test::program_stream(es, program).bytes, 3},
        {"transport, 1 thread", test::transport_stream(es, transport).bytes, 1},
        {"transport, 4 threads", test::transport_stream(es, transport).bytes, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanResult result = scan_quantiser(c.bytes, c.threads);
        ASSERT_EQ(result.picture_records.size(), reference.picture_records.size());
        for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
            ASSERT_EQ(result.picture_records[i].quantiser, reference.picture_records[i].quantiser)
                << i;
        }
        for (std::size_t t = 0; t < 4; ++t) {
            EXPECT_EQ(result.quantiser_by_type[t].macroblocks,
                      reference.quantiser_by_type[t].macroblocks);
            EXPECT_EQ(result.quantiser_by_type[t].quantiser_sum,
                      reference.quantiser_by_type[t].quantiser_sum);
        }
        EXPECT_EQ(result.damaged_pictures, 0u);
        // Without records the totals are the same.
        const ScanResult totals_only = scan_quantiser(c.bytes, c.threads, false);
        EXPECT_TRUE(totals_only.picture_records.empty());
        EXPECT_EQ(totals_only.quantiser_by_type[2].macroblocks,
                  reference.quantiser_by_type[2].macroblocks);
    }
}

TEST(QuantiserPass, DamageIsOneMessageNamingTheFirstDamagedPicture) {
    const auto one = read_file("mpeg2-es-bframes.m2v");
    const ScanResult whole = scan_quantiser(one, 1);
    ASSERT_EQ(whole.picture_records.size(), 10u);
    const auto& last = whole.picture_records[9];

    // The file cut in the last picture's first slice, one byte after its start code: the
    // quantiser_scale_code is there, no macroblock is.
    const std::uint8_t slice_code[] = {0x00, 0x00, 0x01, 0x01};
    const auto slice_at = std::search(one.begin() + static_cast<std::ptrdiff_t>(last.offset),
                                      one.end(), std::begin(slice_code), std::end(slice_code));
    ASSERT_NE(slice_at, one.end());
    const std::vector<std::uint8_t> cut(one.begin(), slice_at + 5);
    // ...or cut where its second slice starts: the first slice is whole, the rows below it
    // are missing.
    const std::uint8_t second_code[] = {0x00, 0x00, 0x01, 0x02};
    const auto second_at =
        std::search(slice_at, one.end(), std::begin(second_code), std::end(second_code));
    ASSERT_NE(second_at, one.end());
    const std::vector<std::uint8_t> rows_missing(one.begin(), second_at);
    // Picture 3's transport packets lose one in the middle: its bytes run across the gap.
    // The first video packet carries 170 bytes after its PES header, the others 184.
    const auto& third = whole.picture_records[3];
    test::TransportStreamLayout lose;
    lose.lost_packets = {
        static_cast<std::size_t>(1 + (third.offset + third.bytes / 2 - 170) / 184)};
    // A picture that never ends: 17 MiB of bytes with no start code after its header.
    test::StreamBuilder runaway;
    runaway.sequence_header({}).sequence_extension(0x48);
    const std::size_t runaway_at = runaway.size();
    runaway.picture_header(0, 1).picture_coding_extension(0, 3);
    auto endless = runaway.bytes();
    endless.resize(endless.size() + (std::size_t{17} << 20), 0xFF);

    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::uint64_t damaged;
        std::string text; // the whole message text
    } cases[] = {
        {"cut inside the last picture", cut, 1,
         "1 image(s) endommagée(s) ; la première : image 9 à l'octet " +
             std::to_string(last.offset) + ", tranche 1 après 0 macrobloc(s) lu(s)."},
        {"the last picture's rows after its first slice missing", rows_missing, 1,
         "1 image(s) endommagée(s) ; la première : image 9 à l'octet " +
             std::to_string(last.offset) + "."},
        {"a packet lost inside picture 3", test::transport_stream(one, lose).bytes, 1, ""},
        {"a picture past the largest any decoder buffers", endless, 1,
         "1 image(s) endommagée(s) ; la première : image 0 à l'octet " +
             std::to_string(runaway_at) + "."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::size_t threads : {1u, 2u}) {
            const ScanResult result = scan_quantiser(c.bytes, threads);
            EXPECT_EQ(result.damaged_pictures, c.damaged);
            const auto message =
                std::find_if(result.messages.begin(), result.messages.end(), [](const Message& m) {
                    return french(m).title == "Tranche(s) endommagée(s)";
                });
            ASSERT_NE(message, result.messages.end());
            if (!c.text.empty()) {
                EXPECT_EQ(french(*message).text, c.text);
            } else {
                EXPECT_NE(french(*message).text.find("la première : image 3 à l'octet "),
                          std::string::npos)
                    << french(*message).text;
            }
        }
    }
}

TEST(QuantiserPass, MacroblockMapReadAgainFromTheFile) {
    test::TempDir dir;
    const auto es = read_file("mpeg2-es-bframes.m2v");
    const std::string path = dir.write("video.ts", test::transport_stream(es).bytes);
    mpeg::ScanControl control;
    control.picture_records = true;
    control.quantiser = true;
    const ScanResult result = mpeg::scan_file(path, control);
    ASSERT_EQ(result.picture_records.size(), 10u);

    struct Count final : mpeg::MacroblockSink {
        void macroblock(const mpeg::MacroblockInfo& info) override {
            ++kinds[static_cast<int>(info.kind)];
            sum += info.quantiser_scale;
        }
        std::array<std::uint32_t, 3> kinds{};
        std::uint64_t sum = 0;
    };
    for (const std::uint64_t index : {0u, 1u, 4u, 9u}) {
        SCOPED_TRACE(index);
        Count map;
        const auto q = mpeg::read_picture_macroblocks(path, index, map);
        ASSERT_TRUE(q);
        const auto& f = result.picture_records[index].quantiser;
        EXPECT_EQ(map.kinds, (std::array<std::uint32_t, 3>{f.intra, f.coded, f.skipped}));
        EXPECT_EQ(map.sum, 16u * 99u);
        EXPECT_EQ(q->picture_coding_type, result.picture_records[index].picture_coding_type);
    }
    Count none;
    EXPECT_FALSE(mpeg::read_picture_macroblocks(path, 10, none));
    const std::atomic<bool> stopped{true};
    EXPECT_FALSE(mpeg::read_picture_macroblocks(path, 9, none, &stopped));
    EXPECT_EQ(none.kinds, (std::array<std::uint32_t, 3>{}));
}

} // namespace
} // namespace quantaline

namespace quantaline {
namespace {

// Every macroblock a read hands over, in order.
struct Macroblocks final : mpeg::MacroblockSink {
    void macroblock(const mpeg::MacroblockInfo& info) override {
        all.emplace_back(info.address, info.quantiser_scale, static_cast<int>(info.kind));
    }
    std::vector<std::tuple<std::uint32_t, std::uint8_t, int>> all;
};

TEST(QuantiserPass, AnyPictureIsReadFromTheSequenceHeaderBeforeIt) {
    // Every container of the test files: a read begun at the sequence header before a
    // picture (its pack header, its packet) gives the macroblocks a read from the file's
    // start gives.
    std::size_t resumed_inside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUANTALINE_TEST_DATA)) {
        const std::string path = entry.path().string();
        mpeg::ScanControl control;
        control.picture_records = true;
        const ScanResult whole = mpeg::scan_file(path, control);
        const std::size_t count = whole.picture_records.size();
        if (count == 0) {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        for (const std::uint64_t index :
             {std::uint64_t{0}, std::uint64_t{count / 2}, std::uint64_t{count - 1}}) {
            SCOPED_TRACE(index);
            const auto start = mpeg::picture_read_start(whole, index);
            if (!start) {
                continue; // no sequence header before it: read from the start only
            }
            EXPECT_LE(start->sequence.first_picture, index);
            const auto resume = mpeg::resume_point(path, *start);
            ASSERT_TRUE(resume);
            EXPECT_LE(resume->offset, start->sequence.offset);
            resumed_inside += resume->offset > 0 ? 1 : 0;
            Macroblocks from_start;
            Macroblocks from_header;
            const auto a = mpeg::read_picture_macroblocks(path, index, from_start);
            const auto b = mpeg::read_picture_macroblocks(path, index, from_header, nullptr, start);
            ASSERT_EQ(a.has_value(), b.has_value());
            EXPECT_EQ(from_start.all, from_header.all);
            if (a) {
                EXPECT_EQ(a->picture_coding_type, b->picture_coding_type);
                EXPECT_EQ(a->temporal_reference, b->temporal_reference);
                EXPECT_EQ(a->quantiser_sum, b->quantiser_sum);
            }
        }
    }
    // The joined files and the DVD-like ones have headers past their start.
    EXPECT_GE(resumed_inside, 5u);
}

} // namespace
} // namespace quantaline

namespace quantaline {
namespace {

// The desktop's two reads: the headers with their records, then the quantiser pass over
// those records (no header read again), against one read that does both.
struct TwoReads {
    ScanResult headers; // its records filled by the pass
    ScanResult pass;
};

mpeg::ScanControl quantiser_control(std::size_t threads) {
    mpeg::ScanControl control;
    control.quantiser = true;
    control.quantiser_threads = threads;
    return control;
}

TwoReads two_reads(const std::string& path, std::size_t threads, mpeg::ScanControl pass = {}) {
    TwoReads reads;
    mpeg::ScanControl headers;
    headers.picture_records = true;
    reads.headers = mpeg::scan_file(path, headers);
    pass.quantiser = true;
    pass.quantiser_threads = threads;
    pass.recorded = &reads.headers;
    reads.pass = mpeg::scan_file(path, pass);
    return reads;
}

std::vector<Message> damage_of(const ScanResult& result) {
    std::vector<Message> damage;
    std::copy_if(result.messages.begin(), result.messages.end(), std::back_inserter(damage),
                 [](const Message& m) {
                     return m.id == MessageId::damaged_slices ||
                            m.id == MessageId::damaged_slices_in_slice;
                 });
    return damage;
}

TEST(QuantiserPass, OverTheHeaderReadsRecordsAsInOneRead) {
    // Every test file and, when they are there, the real streams of ../shared/streams: the
    // records end as one read leaves them, the totals, the damage and its message too.
    std::vector<std::pair<std::filesystem::path, std::vector<std::size_t>>> files;
    for (const auto& entry : std::filesystem::directory_iterator(QUANTALINE_TEST_DATA)) {
        files.push_back({entry.path(), {1, 3}});
    }
    // ...and damage of our own making: packets lost across pictures, a file cut inside a
    // slice, a picture past the largest any decoder buffers.
    test::TempDir dir;
    const auto one = read_file("mpeg2-es-bframes.m2v");
    test::TransportStreamLayout lose;
    lose.lost_packets = {20, 45, 46, 80};
    files.push_back(
        {dir.write("lost.ts", test::transport_stream(long_stream(), lose).bytes), {1, 2}});
    files.push_back({dir.write("cut.m2v", {one.begin(), one.end() - 700}), {1}});
    test::StreamBuilder runaway;
    runaway.sequence_header({}).sequence_extension(0x48);
    runaway.picture_header(0, 1).picture_coding_extension(0, 3);
    auto endless = runaway.bytes();
    endless.resize(endless.size() + (std::size_t{17} << 20), 0xFF);
    endless.insert(endless.end(), one.begin(), one.end());
    files.push_back({dir.write("runaway.m2v", endless), {1, 2}});
    const auto real = std::filesystem::path(QUANTALINE_TEST_DATA) / "../../../shared/streams";
    if (std::filesystem::exists(real)) {
        for (const auto& entry : std::filesystem::directory_iterator(real)) {
            files.push_back({entry.path(), {2}});
        }
    } else {
        std::cout << "../shared/streams is absent: only the test files are read\n";
    }
    std::size_t pictures = 0;
    std::size_t damaged_files = 0;
    for (const auto& [path, thread_counts] : files) {
        SCOPED_TRACE(path.filename().string());
        for (const std::size_t threads : thread_counts) {
            SCOPED_TRACE(threads);
            mpeg::ScanControl one_read = quantiser_control(threads);
            one_read.picture_records = true;
            const ScanResult reference = mpeg::scan_file(path.string(), one_read);
            const TwoReads reads = two_reads(path.string(), threads);
            const auto& records = reads.headers.picture_records;
            ASSERT_EQ(records.size(), reference.picture_records.size());
            for (std::size_t i = 0; i < records.size(); ++i) {
                ASSERT_EQ(records[i], reference.picture_records[i]) << "picture " << i;
            }
            EXPECT_TRUE(reads.pass.picture_records.empty());
            EXPECT_TRUE(reads.pass.quantiser_read);
            for (std::size_t t = 0; t < 4; ++t) {
                const auto& a = reads.pass.quantiser_by_type[t];
                const auto& b = reference.quantiser_by_type[t];
                EXPECT_EQ(std::tie(a.pictures, a.macroblocks, a.quantiser_sum, a.quantiser_min,
                                   a.quantiser_max),
                          std::tie(b.pictures, b.macroblocks, b.quantiser_sum, b.quantiser_min,
                                   b.quantiser_max))
                    << "type " << t + 1;
            }
            EXPECT_EQ(reads.pass.damaged_pictures, reference.damaged_pictures);
            EXPECT_EQ(damage_of(reads.pass), damage_of(reference));
            pictures += records.size();
            damaged_files += reference.damaged_pictures != 0 ? 1 : 0;
        }
    }
    EXPECT_GT(pictures, 1000u);
    // The damage is compared, not only its absence.
    EXPECT_GE(damaged_files, 5u);
}

TEST(QuantiserPass, StoppedOverTheRecordsLeavesThePicturesNotReachedUnread) {
    // About 5 MiB of pictures: the stop comes after the second read of 1 MiB, or before any.
    test::TempDir dir;
    auto es = long_stream();
    const auto one = es;
    while (es.size() < (std::size_t{5} << 20)) {
        es.insert(es.end(), one.begin(), one.end());
    }
    const std::string path = dir.write("long.m2v", es);
    const struct {
        const char* name;
        std::size_t threads;
        int reads_before_stop;
        // On the reading thread the pictures of the first read are read before the stop,
        // and they are the first ones; threads of their own may not have begun.
        bool some_read;
    } cases[] = {
        {"after the second read, on the reading thread", 1, 2, true},
        {"after the second read, on two threads", 2, 2, false},
        {"before the first read", 2, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> stop{c.reads_before_stop == 0};
        int reads_done = 0;
        mpeg::ScanControl control;
        control.stop = &stop;
        control.progress = [&](std::uint64_t) {
            if (++reads_done >= c.reads_before_stop) {
                stop.store(true);
            }
        };
        const TwoReads reads = two_reads(path, c.threads, control);
        const auto& records = reads.headers.picture_records;
        ASSERT_GT(records.size(), 2000u);
        std::size_t read = 0;
        std::size_t last_read = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (records[i].quantiser.read) {
                ++read;
                last_read = i;
                EXPECT_EQ(records[i].quantiser.quantiser_average_hundredths, 1600u) << i;
            }
        }
        if (c.reads_before_stop == 0) {
            EXPECT_EQ(read, 0u);
        }
        if (c.some_read) {
            EXPECT_GT(read, 0u);
            EXPECT_EQ(last_read + 1, read);
        }
        EXPECT_LT(read, records.size() / 2);
        std::uint64_t macroblocks = 0;
        for (const auto& totals : reads.pass.quantiser_by_type) {
            macroblocks += totals.macroblocks;
        }
        EXPECT_EQ(macroblocks, read * 99);
        EXPECT_EQ(reads.pass.damaged_pictures, 0u);
        ASSERT_EQ(reads.pass.messages.size(), 1u);
        EXPECT_EQ(reads.pass.messages[0].id, MessageId::scan_interrupted);
    }
}

} // namespace
} // namespace quantaline
