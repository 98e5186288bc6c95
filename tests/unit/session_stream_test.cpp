// The desktop's background read of a whole stream, without windows: the strip's texts,
// the summary and the matrix-set table; start, progress, cancel, another file, quit; the
// choice of a set for the exports; the per-picture table written from the window.

#include "analysis/analysis.h"
#include "mpeg/scan.h"
#include "session/session.h"
#include "session/whole_stream.h"
#include "support/messages.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace quantaline {
namespace {

using Clock = std::chrono::steady_clock;
using test::StreamBuilder;

const std::string data_folder = QUANTALINE_TEST_DATA;

// Polls as the window's timer does; false when the read did not end within `limit`.
bool wait_for_end(Session& session, std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        if (session.poll(Session::Read::stream).ended) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

TEST(WholeStream, GroupedNumbers) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0"},
        {7, "7"},
        {999, "999"},
        {1000, "1 000"},
        {12345, "12 345"},
        {100000, "100 000"},
        {1000000, "1 000 000"},
        {18446744073709551615ull, "18 446 744 073 709 551 615"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(grouped_number(value), text);
    }
}

TEST(WholeStream, StripTexts) {
    struct Case {
        std::uint64_t pictures;
        std::size_t sets;
        bool cancelled;
        Messages messages;
        StreamReadTexts expected;
    };
    const Message damage = mpeg::scan_damaged_structures_message(2, "picture_header", 4242);
    const Case cases[] = {
        {12345, 1, false, {}, {"Flux complet : 12 345 images, 1 jeu de matrices", "", {}}},
        {1, 1, false, {}, {"Flux complet : 1 image, 1 jeu de matrices", "", {}}},
        {0, 0, false, {}, {"Flux complet : 0 image, 0 jeu de matrices", "", {}}},
        {1234567,
         3,
         false,
         {damage},
         {"Flux complet : 1 234 567 images, 3 jeux de matrices",
          "Les matrices changent en cours de flux : 3 jeux",
          {"2 structure(s) endommagée(s) ignorée(s) ; la première : picture_header à l'octet "
           "4242."}}},
        // The user's stop is the status's to tell; the damage before it stays.
        {40,
         2,
         true,
         {damage, mpeg::scan_interrupted_message(1048576)},
         {"Lecture interrompue : 40 images, 2 jeux de matrices",
          "Les matrices changent en cours de flux : 2 jeux",
          {french(damage).text}}},
    };
    for (const Case& c : cases) {
        mpeg::ScanResult result;
        result.pictures = c.pictures;
        result.matrix_sets.resize(c.sets);
        result.messages = c.messages;
        const StreamReadTexts texts = stream_read_texts(result, c.cancelled);
        EXPECT_EQ(texts.status, c.expected.status);
        EXPECT_EQ(texts.change, c.expected.change);
        EXPECT_EQ(texts.damage, c.expected.damage);
    }
}

// A stream whose matrices change: read in the background to its end, summarised, its sets
// in the table and each of them chosen for the exports.
TEST(WholeStream, ReadToTheEndAndChooseASet) {
    AppState state;
    Session session(state);
    EXPECT_EQ(session.read_state(Session::Read::stream), Session::ReadState::none);
    session.open(data_folder + "/mpeg2-es-joined.m2v");
    const QuantMatrixPair first_header = state.matrices;
    session.start_stream_read();
    EXPECT_EQ(session.read_state(Session::Read::stream), Session::ReadState::reading);
    ASSERT_TRUE(wait_for_end(session, std::chrono::seconds(20)));
    EXPECT_EQ(session.read_state(Session::Read::stream), Session::ReadState::finished);
    EXPECT_EQ(session.read_per_mille(Session::Read::stream), 1000);
    ASSERT_NE(session.whole_stream(), nullptr);

    // ffmpeg's trace of the three joined parts: a sequence header and a group before each
    // pair of pictures, I P, 25 frames a second (the trace shows the first header twice,
    // once as the extradata).
    const StreamReadTexts texts = session.stream_read_texts();
    EXPECT_EQ(texts.status, "Flux complet : 12 images, 2 jeux de matrices");
    EXPECT_EQ(texts.change, "Les matrices changent en cours de flux : 2 jeux");
    EXPECT_TRUE(texts.damage.empty());
    const std::vector<SummaryLine> summary = session.stream_summary();
    ASSERT_GE(summary.size(), 9u);
    const std::vector<SummaryLine> expected_head = {
        {"Conteneur :", "Flux élémentaire"}, {"Vidéo :", "Sans objet"},
        {"Images :", "12 (I : 6, P : 6)"},   {"En-têtes de séquence :", "6"},
        {"Groupes d'images :", "6"},         {"Durée :", "00:00:00,48"},
    };
    EXPECT_EQ(std::vector<SummaryLine>(summary.begin(), summary.begin() + 6), expected_head);
    EXPECT_EQ(summary[6].caption, "Débit moyen :");
    EXPECT_EQ(summary[7].caption, "Débit maximal sur une seconde :");
    // Shorter than a second: the busiest second is the whole stream.
    EXPECT_EQ(summary[6].value, summary[7].value);
    EXPECT_EQ(summary.back(), (SummaryLine{"Messages :", "aucun"}));

    const std::vector<MatrixSetRow> rows = matrix_set_rows(*session.whole_stream(), {});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (MatrixSetRow{"1", "0", "8", "00:00:00:00", "", ""}));
    EXPECT_EQ(rows[1], (MatrixSetRow{"2", "4", "4", "00:00:00:00", "", ""}));

    // Set 2 carries both matrices (B of the joined parts); set 1 is the first header's.
    struct Choice {
        std::size_t number;
        bool accepted;
        std::uint8_t intra_second, non_intra_first;
        bool intra_from_stream, non_intra_from_stream;
    };
    const Choice choices[] = {
        {2, true, 16, 16, true, true},
        {1, true, 9, 16, true, false},
        {3, false, 9, 16, true, false},
        {0, true, 9, 16, true, false},
    };
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(session.use_matrix_set(c.number), c.accepted);
        EXPECT_EQ(state.matrices.intra[1], c.intra_second);
        EXPECT_EQ(state.matrices.non_intra[0], c.non_intra_first);
        EXPECT_EQ(state.matrices.intra_from_stream, c.intra_from_stream);
        EXPECT_EQ(state.matrices.non_intra_from_stream, c.non_intra_from_stream);
        if (c.accepted) {
            EXPECT_EQ(session.matrix_set_in_use(), c.number);
        }
    }
    EXPECT_EQ(state.matrices, first_header);

    // Another file: the set chosen and the result go with the old one.
    session.use_matrix_set(2);
    session.open(data_folder + "/mpeg2-es-bframes.m2v");
    EXPECT_EQ(session.whole_stream(), nullptr);
    EXPECT_EQ(session.matrix_set_in_use(), 0u);
    EXPECT_EQ(session.read_state(Session::Read::stream), Session::ReadState::none);
}

// Sparse: a picture, then zeros that cost no disk but take the scan a while.
std::string long_file(const test::TempDir& dir, const std::string& name) {
    StreamBuilder s;
    s.sequence_header({}).picture(0, 1);
    std::string path = dir.write(name, s.bytes());
    std::filesystem::resize_file(path, std::uintmax_t{8} << 30);
    return path;
}

// Each way out of a read under way stops it within 100 ms and leaves the session ready
// for the next file.
TEST(WholeStream, CancelAnotherFileAndQuitStopWithin100ms) {
    test::TempDir dir;
    const std::string huge = long_file(dir, "long.m2v");
    enum class Way { cancel, another_file, quit };
    for (const Way way : {Way::cancel, Way::another_file, Way::quit}) {
        SCOPED_TRACE(static_cast<int>(way));
        AppState state;
        Session session(state);
        session.open(huge);
        session.start_stream_read();
        // Under way, and telling so.
        const auto begun = Clock::now() + std::chrono::seconds(10);
        while (session.read_per_mille(Session::Read::stream) == 0 && Clock::now() < begun) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_GT(session.read_per_mille(Session::Read::stream), 0);
        EXPECT_LT(session.read_per_mille(Session::Read::stream), 1000);
        EXPECT_FALSE(session.poll(Session::Read::stream).ended);

        const auto start = Clock::now();
        switch (way) {
        case Way::cancel:
            session.cancel(Session::Read::stream);
            ASSERT_TRUE(wait_for_end(session, std::chrono::seconds(5)));
            break;
        case Way::another_file:
            session.open(data_folder + "/mpeg2-es-joined.m2v");
            break;
        case Way::quit:
            session.quit();
            break;
        }
        const double elapsed = milliseconds_since(start);
        std::printf("stop by way %d: %.2f ms\n", static_cast<int>(way), elapsed);
        EXPECT_LT(elapsed, 100.0);

        if (way == Way::cancel) {
            EXPECT_EQ(session.read_state(Session::Read::stream), Session::ReadState::cancelled);
            EXPECT_EQ(session.stream_read_texts().status,
                      "Lecture interrompue : 1 image, 1 jeu de matrices");
            EXPECT_TRUE(session.stream_read_texts().damage.empty());
            EXPECT_LT(session.whole_stream()->bytes_read, std::uint64_t{8} << 30);
        } else {
            EXPECT_EQ(session.read_state(Session::Read::stream), Session::ReadState::none);
            EXPECT_EQ(session.whole_stream(), nullptr);
        }
        if (way == Way::another_file) {
            // The new file's read is its own.
            session.start_stream_read();
            ASSERT_TRUE(wait_for_end(session, std::chrono::seconds(20)));
            EXPECT_EQ(session.whole_stream()->pictures, 12u);
        }
    }
}

// The whole stream is read whatever the first header's analysis found: a file with no
// video reads to nothing, one whose first sequence header lies past the first header's
// reach gives its set, which then serves the exports as a first header would.
TEST(WholeStream, ReadEvenWithoutAFirstHeaderInReach) {
    test::TempDir dir;
    AppState state;
    Session session(state);
    session.open(dir.write_text("text.m2v", "no video here"));
    session.start_stream_read();
    ASSERT_TRUE(wait_for_end(session, std::chrono::seconds(20)));
    EXPECT_EQ(session.whole_stream()->pictures, 0u);
    EXPECT_FALSE(session.use_matrix_set(1));
    EXPECT_FALSE(session.has_stream());

    test::ScanMatrix intra{};
    intra.fill(40);
    StreamBuilder late;
    late.fill_to(400000, 0x55).sequence_header({.intra = intra}).picture_header(0, 1).slice(40);
    late.picture_header(1, 2).slice(40);
    EXPECT_FALSE(session.open(dir.write("late.m1v", late.bytes())).empty());
    EXPECT_FALSE(session.has_stream());
    session.start_stream_read();
    ASSERT_TRUE(wait_for_end(session, std::chrono::seconds(20)));
    EXPECT_EQ(session.stream_read_texts().status, "Flux complet : 2 images, 1 jeu de matrices");
    ASSERT_TRUE(session.use_matrix_set(1));
    EXPECT_TRUE(session.has_stream());
    EXPECT_TRUE(std::all_of(state.matrices.intra.begin(), state.matrices.intra.end(),
                            [](std::uint8_t v) { return v == 40; }));
    EXPECT_TRUE(state.matrices.intra_from_stream);
    EXPECT_FALSE(state.matrices.non_intra_from_stream);
    // Back to the first header's (the defaults): nothing to export again.
    ASSERT_TRUE(session.use_matrix_set(0));
    EXPECT_FALSE(session.has_stream());
}

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The table the window saves: the CLI's CSV, byte for byte. The stream is MPEG-1 (no
// extensions): a 12-byte sequence header, an I picture of 8 + 44 bytes, a P picture of
// 9 + 44, a 76-byte sequence header with an intra matrix, an I picture. Every vbv_delay is
// 0xFFFF: the buffer (1 835 008 bits) never fills with the 1 960 bits of the stream, which
// enter at 9.8 Mbit/s in 0.0002 s; the chunks take 512, 424 and 1 024 bits out.
TEST(WholeStream, PictureTableSavedFromTheWindow) {
    test::TempDir dir;
    test::ScanMatrix intra{};
    intra.fill(30);
    StreamBuilder s;
    s.sequence_header({}).picture_header(0, 1).slice(40);
    s.picture_header(1, 2).slice(40);
    s.sequence_header({.intra = intra}).picture_header(0, 1).slice(40);
    const std::string video = dir.write("a,b.m1v", s.bytes());

    AppState state;
    Session session(state);
    session.open(video);
    EXPECT_EQ(session.picture_table_suggested_path(), dir.file("a,b.images.csv"));
    session.start_stream_read();
    ASSERT_TRUE(wait_for_end(session, std::chrono::seconds(20)));
    const std::string table = dir.file("table.csv");
    EXPECT_EQ(session.save_picture_table(table), std::nullopt);
    const std::string name = "\"" + video + "\"";
    EXPECT_EQ(file_text(table), "file,index,offset,type,structure,temporal_reference,bytes,"
                                "matrix_set,vbv_delay,top_field_first,repeat_first_field,"
                                "progressive_frame,fields,decode_time,vbv_occupancy\n" +
                                    name + ",0,12,I,frame,0,52,1,65535,,,,2,0.000200,1960.0\n" +
                                    name + ",1,64,P,frame,1,53,1,65535,,,,2,0.040200,1448.0\n" +
                                    name + ",2,193,I,frame,0,52,2,65535,,,,2,0.080200,1024.0\n");

    // A folder in place of the file: the message, and nothing written.
    std::filesystem::create_directory(dir.file("folder.csv"));
    const auto failure = session.save_picture_table(dir.file("folder.csv"));
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(french(*failure).title, "Enregistrer les images...");
    EXPECT_NE(french(*failure).text.find("Le tableau des images n'a pas été enregistré."),
              std::string::npos);
}

bool wait_for_quantiser(Session& session, std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        if (session.poll(Session::Read::quantiser).ended ||
            session.poll(Session::Read::picture_map).ended) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

// The duration and the rates take the first sequence's frame rate with its extension: 50
// pictures coded at 25 Hz last two seconds, at 25 x 2 one.
TEST(WholeStream, TheSummaryRatesTakeTheFrameRateExtension) {
    struct Case {
        int frame_rate_extension_n;
        const char* duration;
    };
    for (const Case& c : {Case{0, "00:00:02,00"}, Case{1, "00:00:01,00"}}) {
        SCOPED_TRACE(c.frame_rate_extension_n);
        StreamBuilder s;
        s.sequence_header({.frame_rate_code = 3})
            .sequence_extension({.frame_rate_extension_n = c.frame_rate_extension_n});
        s.group_of_pictures_header(0, 0, 0, 0);
        for (int i = 0; i < 50; ++i) {
            s.picture(i, 1).slice(1);
        }
        mpeg::ScanControl control;
        control.picture_records = true;
        const mpeg::ScanResult result = mpeg::scan_bytes(s.bytes(), control);
        const std::vector<SummaryLine> lines = stream_summary(result, 3);
        const auto duration = std::find_if(lines.begin(), lines.end(), [](const SummaryLine& l) {
            return l.caption == "Durée :";
        });
        ASSERT_NE(duration, lines.end());
        EXPECT_EQ(duration->value, c.duration);
    }
}

// The macroblocks after the headers: the pass follows the header read by itself, its figures
// join the pictures the window shows, and one picture's map is read again on demand.
TEST(WholeStream, QuantiserPassThenOnePicturesMacroblocks) {
    AppState state;
    Session session(state);
    // MPEG-1 in a program stream; ffmpeg's decoder gives its P pictures quantisers 2 and 3.
    const std::string vob = data_folder + "/mpeg1-ps-pal-vcd.mpg";
    session.open(vob);
    session.start_stream_read();
    ASSERT_TRUE(wait_for_end(session, std::chrono::seconds(20)));
    EXPECT_EQ(session.read_state(Session::Read::quantiser), Session::ReadState::reading);
    EXPECT_EQ(session.stream_phase(), Session::Read::quantiser);
    // The window meanwhile shows the records the pass fills: their sizes, the summary.
    const auto until = Clock::now() + std::chrono::seconds(60);
    Session::ReadStatus status;
    while (!(status = session.poll(session.stream_phase())).ended && Clock::now() < until) {
        std::uint64_t bytes = 0;
        for (std::size_t i = 0; i < session.whole_stream()->picture_records.size(); ++i) {
            bytes += session.whole_stream()->picture_records[i].bytes;
        }
        EXPECT_GT(bytes, 0u);
        // The figures count once the pass has ended.
        const std::vector<SummaryLine> lines = session.stream_summary();
        EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const SummaryLine& line) {
            return line.caption == "Quantificateur I :";
        }));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(status.ended);
    EXPECT_EQ(session.read_state(Session::Read::quantiser), Session::ReadState::finished);
    EXPECT_EQ(session.read_per_mille(Session::Read::quantiser), 1000);

    mpeg::ScanControl control;
    control.picture_records = true;
    control.quantiser = true;
    const mpeg::ScanResult reference = mpeg::scan_file(vob, control);
    const mpeg::ScanResult& whole = *session.whole_stream();
    ASSERT_EQ(whole.picture_records.size(), reference.picture_records.size());
    for (std::size_t i = 0; i < whole.picture_records.size(); ++i) {
        ASSERT_TRUE(whole.picture_records[i].quantiser.read) << i;
        ASSERT_EQ(whole.picture_records[i], reference.picture_records[i]) << i;
    }
    const std::vector<SummaryLine> summary = session.stream_summary();
    const std::vector<SummaryLine> quantiser_lines = {
        {"Quantificateur I :", "moyen 2,00, min 2, max 2"},
        {"Quantificateur P :", "moyen 2,33, min 2, max 3"},
    };
    for (const SummaryLine& line : quantiser_lines) {
        EXPECT_NE(std::find(summary.begin(), summary.end(), line), summary.end()) << line.caption;
    }

    struct Map {
        std::uint64_t index;
        bool found;
    };
    for (const Map& m : {Map{1, true}, Map{whole.pictures - 1, true}, Map{whole.pictures, false}}) {
        SCOPED_TRACE(m.index);
        session.start_picture_map(m.index);
        ASSERT_TRUE(wait_for_quantiser(session, std::chrono::seconds(20)));
        ASSERT_EQ(session.picture_map() != nullptr, m.found);
        if (!m.found) {
            continue;
        }
        const PictureMap& map = *session.picture_map();
        const mpeg::PictureQuantiserFigures& figures = whole.picture_records[m.index].quantiser;
        EXPECT_EQ(map.figures.quantiser_average_hundredths(), figures.quantiser_average_hundredths);
        EXPECT_EQ(map.figures.skipped, figures.skipped);
        // Every macroblock of the frame, once, in stream order.
        ASSERT_EQ(map.macroblocks.size(),
                  std::size_t{map.figures.mb_width} * map.figures.mb_height);
        for (std::size_t a = 0; a < map.macroblocks.size(); ++a) {
            ASSERT_EQ(map.macroblocks[a].address, a);
        }
        const std::string last = macroblock_text(map, map.macroblocks.back());
        EXPECT_EQ(last.rfind("Colonne " + std::to_string(map.figures.mb_width - 1) + ", rangée " +
                                 std::to_string(map.figures.mb_height - 1) + " : ",
                             0),
                  0u)
            << last;
    }
}

// The map tells the rest of a damaged slice (not read) from macroblocks that no slice
// reached (a slice that starts past its row, a slice left out), and counts the latter.
TEST(PictureMapCells, DamagedSlicesAndMacroblocksOutsideEverySlice) {
    const int n = map_not_read, o = map_outside_slices;
    const auto slice = [](std::uint32_t row, std::uint32_t first, std::uint32_t count,
                          bool damaged) {
        mpeg::SliceInfo s;
        s.slice_vertical_position = row;
        s.first_address = first;
        s.macroblocks = count;
        s.damaged = damaged;
        return s;
    };
    struct Case {
        const char* name;
        std::vector<mpeg::SliceInfo> slices; // a picture of 3 x 3 macroblocks
        std::vector<int> addresses;          // the macroblocks read: their index
        std::string text_end;
    };
    const std::vector<Case> cases = {
        {"every slice whole",
         {slice(1, 0, 3, false), slice(2, 3, 3, false), slice(3, 6, 3, false)},
         {0, 1, 2, 3, 4, 5, 6, 7, 8},
         "max 4"},
        {"the slice of row 2 starts in its second column",
         {slice(1, 0, 3, false), slice(2, 4, 2, false), slice(3, 6, 3, false)},
         {0, 1, 2, o, 3, 4, 5, 6, 7},
         "max 4, 1 macrobloc hors tranche"},
        {"row 2 damaged after one macroblock",
         {slice(1, 0, 3, false), slice(2, 3, 1, true), slice(3, 6, 3, false)},
         {0, 1, 2, 3, n, n, 4, 5, 6},
         "1 tranche endommagée"},
        {"row 2 damaged at its first macroblock, row 3 left out",
         {slice(1, 0, 3, false), slice(2, 0, 0, true)},
         {0, 1, 2, n, n, n, n, n, n},
         "1 tranche endommagée"},
        {"row 1 left out",
         {slice(2, 3, 3, false), slice(3, 6, 3, false)},
         {o, o, o, 0, 1, 2, 3, 4, 5},
         "3 macroblocs hors tranche"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PictureMap map;
        map.figures.mb_width = 3;
        map.figures.mb_height = 3;
        map.slices = c.slices;
        for (const auto& s : c.slices) {
            map.figures.damaged_slices += s.damaged ? 1 : 0;
            for (std::uint32_t k = 0; k < s.macroblocks; ++k) {
                map.macroblocks.push_back({.address = s.first_address + k, .quantiser_scale = 4});
                ++map.figures.coded;
            }
        }
        map.figures.quantiser_sum = 4 * map.macroblocks.size();
        map.figures.quantiser_min = map.figures.quantiser_max = 4;
        EXPECT_EQ(map_addresses(map), c.addresses);
        const std::string text = picture_map_text(map);
        EXPECT_TRUE(text.ends_with(c.text_end)) << text;
    }
}

// "Annuler" during the macroblocks: the headers stay, the figures read so far too, and the
// strip says how far the pass went.
TEST(WholeStream, QuantiserPassCancelled) {
    test::TempDir dir;
    StreamBuilder s;
    s.sequence_header({}).picture(0, 1);
    const std::string path = dir.write("long.m2v", s.bytes());
    std::filesystem::resize_file(path, std::uintmax_t{1} << 30);
    AppState state;
    Session session(state);
    session.open(path);
    session.start_stream_read();
    ASSERT_TRUE(wait_for_end(session, std::chrono::seconds(120)));
    ASSERT_EQ(session.read_state(Session::Read::quantiser), Session::ReadState::reading);
    session.cancel(Session::Read::quantiser);
    ASSERT_TRUE(wait_for_quantiser(session, std::chrono::seconds(5)));
    EXPECT_EQ(session.read_state(Session::Read::quantiser), Session::ReadState::cancelled);
    EXPECT_EQ(session.stream_read_texts().status, "Flux complet : 1 image, 1 jeu de matrices");
    EXPECT_EQ(session.stream_read_texts().damage,
              std::vector<std::string>{"Lecture des macroblocs interrompue : 0 image sur 1"});
    const std::vector<SummaryLine> summary = session.stream_summary();
    EXPECT_NE(
        std::find(summary.begin(), summary.end(), SummaryLine{"Macroblocs lus :", "0 image sur 1"}),
        summary.end());
}

} // namespace
} // namespace quantaline
