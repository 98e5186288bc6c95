// The encoder matrix formats, the lenient reader of matrix files, the library of known
// matrices and the nearest-matrix search.

#include "analysis/analysis.h"
#include "export/matrix_formats.h"
#include "export/matrix_library.h"
#include "report/matrix_text.h"
#include "session/session.h"
#include "support/messages.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quantaline {
namespace {

using test::TempDir;

// Intra: 1 to 64 row by row; non-intra: 255 down to 192. Neither is symmetric, so an
// exchange of rows and columns or a zigzag order shows.
QuantMatrixPair counting_pair() {
    QuantMatrixPair matrices;
    for (std::size_t i = 0; i < 64; ++i) {
        matrices.intra[i] = static_cast<std::uint8_t>(i + 1);
        matrices.non_intra[i] = static_cast<std::uint8_t>(255 - i);
    }
    matrices.intra_from_stream = true;
    return matrices;
}

const std::string counting_csv = "1,2,3,4,5,6,7,8\n"
                                 "9,10,11,12,13,14,15,16\n"
                                 "17,18,19,20,21,22,23,24\n"
                                 "25,26,27,28,29,30,31,32\n"
                                 "33,34,35,36,37,38,39,40\n"
                                 "41,42,43,44,45,46,47,48\n"
                                 "49,50,51,52,53,54,55,56\n"
                                 "57,58,59,60,61,62,63,64\n"
                                 "255,254,253,252,251,250,249,248\n"
                                 "247,246,245,244,243,242,241,240\n"
                                 "239,238,237,236,235,234,233,232\n"
                                 "231,230,229,228,227,226,225,224\n"
                                 "223,222,221,220,219,218,217,216\n"
                                 "215,214,213,212,211,210,209,208\n"
                                 "207,206,205,204,203,202,201,200\n"
                                 "199,198,197,196,195,194,193,192\n";

TEST(MatrixFormats, EachFormatSpelledOut) {
    const QuantMatrixPair matrices = counting_pair();
    const std::string intra_values = "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,"
                                     "23,24,25,26,27,28,29,30,31,32,33,34,35,36,37,38,39,40,41,"
                                     "42,43,44,45,46,47,48,49,50,51,52,53,54,55,56,57,58,59,60,"
                                     "61,62,63,64";
    const std::string text_start = "Matrice INTRA-BLOCK speciale (mine)\n"
                                   "   1   2   3   4   5   6   7   8\n"
                                   "   9  10  11  12  13  14  15  16\n";
    const std::string text_end = "  57  58  59  60  61  62  63  64\n"
                                 "\n"
                                 "Matrice non INTRA-BLOCK Standard MPEG\n"
                                 " 255 254 253 252 251 250 249 248\n";
    const std::string text = matrix_pair_text(matrices, "mine", "");
    EXPECT_EQ(text.substr(0, text_start.size()), text_start);
    EXPECT_EQ(text.substr(text.find("  57"), text_end.size()), text_end);
    EXPECT_EQ(text.size(), 36u + 8 * 33 + 1 + 38 + 8 * 33);

    EXPECT_EQ(matrix_pair_csv(matrices), counting_csv);
    EXPECT_EQ(mpeg2enc_file_text(matrices, "/videos/clip.m2v"), "# clip.m2v\n" + counting_csv);
    const std::string options = ffmpeg_options(matrices);
    EXPECT_TRUE(
        options.starts_with("-intra_matrix " + intra_values + " -inter_matrix 255,254,253,"))
        << options;
    EXPECT_TRUE(options.ends_with(",195,194,193,192")) << options;
}

TEST(MatrixFormats, TheMpeg2encCommentLineFitsOnePieceOfItsReader) {
    const std::string a77(77, 'a');
    const std::string e = "\xC3\xA9"; // "é", two bytes
    const struct {
        std::string path, expected;
    } cases[] = {
        {"clip.m2v", "# clip.m2v"},
        {"/videos/clip.m2v", "# clip.m2v"},
        {"/videos/", "# "},
        {"/videos/a\nb\r\tc.m2v", "# a?b??c.m2v"},                       // never a line of its own
        {"/v/" + a77, "# " + a77},                                       // 79 bytes: whole
        {"/v/" + a77 + "b", "# " + a77},                                 // 80 bytes: cut
        {"/v/" + std::string(76, 'a') + e, "# " + std::string(76, 'a')}, // é would end at 80
        {"/v/" + std::string(75, 'a') + e + "x", "# " + std::string(75, 'a') + e},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mpeg2enc_comment_line(c.path), c.expected) << c.path;
    }
}

TEST(MatrixFiles, ReadLenientlyButNeverHalfUsed) {
    const auto replaced = [](const std::string& text, char c, const std::string& by) {
        std::string out;
        for (const char t : text) {
            out += t == c ? by : std::string(1, t);
        }
        return out;
    };
    const std::string half = counting_csv.substr(0, counting_csv.find("255"));
    const std::string good[] = {
        counting_csv,
        replaced(counting_csv, '\n', "\r\n"),
        replaced(replaced(counting_csv, ',', ", \t"), '\n', " \n"), // blanks after commas
        "\xEF\xBB\xBF# from an editor\n\n" + half + "  # between\n   \n" +
            counting_csv.substr(half.size()) + "# end\n\n",
        counting_csv.substr(0, counting_csv.size() - 1), // no LF after the last line
    };
    for (const auto& text : good) {
        Text problem;
        const auto read = read_matrix_values(text, problem);
        ASSERT_TRUE(read) << text << french(problem);
        EXPECT_EQ(read->intra, counting_pair().intra);
        EXPECT_EQ(read->non_intra, counting_pair().non_intra);
    }

    const struct {
        std::string text, problem;
    } bad[] = {
        {"", "0 lignes de valeurs au lieu de 16"},
        {half, "8 lignes de valeurs au lieu de 16"},
        {counting_csv + "1,2,3,4,5,6,7,8\n", "ligne 17 : plus de 16 lignes de valeurs"},
        {"1,2,3,4,5,6,7\n" + counting_csv, "ligne 1 : 7 valeurs au lieu de 8"},
        {"#\n1,2,3,4,5,6,7,8,9\n", "ligne 2 : plus de 8 valeurs"},
        {"1,2,3,4,5,6,7,0\n", "ligne 1 : 8 valeurs de 1 à 255"},
        {"1,2,3,4,5,6,7,256\n", "ligne 1 : 8 valeurs de 1 à 255"},
        {"1,2,3,4,5,6,,8\n", "ligne 1 : 8 valeurs de 1 à 255"},
        {"1;2;3;4;5;6;7;8\n", "ligne 1 : 8 valeurs de 1 à 255"},
        {"[MPEG]\n" + counting_csv, "ligne 1 : 8 valeurs de 1 à 255"},
    };
    for (const auto& c : bad) {
        Text problem;
        EXPECT_FALSE(read_matrix_values(c.text, problem)) << c.text;
        EXPECT_EQ(french(problem).rfind(c.problem, 0), 0u) << c.text << " gave " << french(problem);
    }
}

mpeg::Matrix filled(std::uint8_t value) {
    mpeg::Matrix matrix;
    matrix.fill(value);
    return matrix;
}

TEST(MatrixLibrary, BuiltInEntriesInTheirOrder) {
    const auto& entries = builtin_matrices();
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"MPEG", "mpeg2enc hi-res", "mpeg2enc kvcd",
                                               "mpeg2enc tmpgenc", "mpeg2enc flat"}));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].intra, default_intra);
    EXPECT_EQ(entries[0].non_intra, default_non_intra);
    EXPECT_EQ(entries[1].non_intra, filled(16)); // hi-res writes no non-intra matrix
    EXPECT_EQ(entries[4].intra, filled(16));
    EXPECT_EQ(entries[3].intra, default_intra); // the tmpgenc set keeps the MPEG intra matrix
    // Spot values as the encoder wrote them: kvcd's corners.
    EXPECT_EQ(entries[2].intra[1], 9);
    EXPECT_EQ(entries[2].intra[63], 79);
    EXPECT_EQ(entries[2].non_intra[63], 44);
}

TEST(MatrixLibrary, UserFilesComeAfterInFileNameOrderAndABadOneIsSkippedWhole) {
    TempDir dir;
    const std::string first = "# mine\n" + counting_csv;
    dir.write_text("b.txt", first);
    dir.write_text("a b.txt", counting_csv);
    dir.write_text("bad.txt", counting_csv.substr(0, 40)); // cut in line 3
    dir.write_text("notes.md", counting_csv);
    std::filesystem::create_directory(dir.path() / "folder.txt");

    const MatrixLibrary library = load_matrix_library(dir.folder());
    ASSERT_EQ(library.entries.size(), builtin_matrices().size() + 2);
    EXPECT_EQ(library.entries[5].name, "a b");
    EXPECT_EQ(library.entries[6].name, "b");
    EXPECT_EQ(library.entries[6].non_intra, counting_pair().non_intra);
    ASSERT_EQ(library.messages.size(), 1u);
    EXPECT_EQ(french(library.messages[0]).text,
              "Le fichier de matrices [bad.txt] n'est pas valable "
              "(ligne 3 : 1 valeur au lieu de 8) : il est ignoré.");

    const MatrixLibrary none = load_matrix_library(dir.file("missing"));
    EXPECT_EQ(none.entries, builtin_matrices());
    EXPECT_TRUE(none.messages.empty());
}

// The window reads the library at every file it opens: a malformed file is told once, and
// again only after the folder changed (a file edited, added or removed).
TEST(MatrixLibrary, TheWindowTellsOfAMalformedFileOncePerStateOfTheFolder) {
    TempDir dir;
    AppState state;
    Session session(state);
    const auto told = [&] { return session.known_matrices(dir.folder()).messages.size(); };
    dir.write_text("good.txt", counting_csv);
    EXPECT_EQ(told(), 0u);
    dir.write_text("bad.txt", counting_csv.substr(0, 40));
    EXPECT_EQ(told(), 1u);
    EXPECT_EQ(told(), 0u);
    EXPECT_EQ(session.known_matrices(dir.folder()).entries.size(), builtin_matrices().size() + 1);
    dir.write_text("bad.txt", counting_csv.substr(0, 20)); // edited, still malformed
    EXPECT_EQ(told(), 1u);
    dir.write_text("other.txt", counting_csv); // another file beside it
    EXPECT_EQ(told(), 1u);
    EXPECT_EQ(told(), 0u);
}

TEST(MatrixLibrary, NearestMatrixByDistanceFirstWinsATie) {
    mpeg::Matrix near = filled(16);
    near[0] = 19;  // +3
    near[63] = 14; // -2
    const std::vector<NamedMatrices> library = {
        {"A", filled(20), filled(10)},
        {"B", near, filled(30)},
        {"C", near, filled(10)},
    };
    const struct {
        const char* what;
        std::vector<NamedMatrices> library;
        mpeg::Matrix matrix;
        MatrixKind kind;
        std::optional<MatrixMatch> expected;
    } cases[] = {
        {"exact, first of two", library, near, MatrixKind::intra, MatrixMatch{"B", 0}},
        {"distance sums both signs", library, filled(16), MatrixKind::intra, MatrixMatch{"B", 5}},
        {"non-intra looks at non-intra", library, filled(10), MatrixKind::non_intra,
         MatrixMatch{"A", 0}},
        {"tie at a distance", library, filled(20), MatrixKind::non_intra, MatrixMatch{"A", 640}},
        {"empty library", {}, near, MatrixKind::intra, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nearest_matrix(c.library, c.matrix, c.kind), c.expected) << c.what;
    }
    EXPECT_EQ(exact_matrix_name(library, near, MatrixKind::intra), "B");
    EXPECT_EQ(exact_matrix_name(library, filled(16), MatrixKind::intra), "");
}

} // namespace
} // namespace quantaline
