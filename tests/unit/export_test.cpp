#include "analysis/analysis.h"
#include "export/cce_export.h"
#include "export/tmpgenc_export.h"
#include "support/messages.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <filesystem>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace quantaline {
namespace {

using test::read_all;
using test::TempDir;

// The default intra matrix and a non-intra matrix counting 1 to 64 row by row.
QuantMatrixPair export_pair() {
    QuantMatrixPair matrices;
    matrices.intra = default_intra;
    for (std::size_t i = 0; i < 64; ++i) {
        matrices.non_intra[i] = static_cast<std::uint8_t>(i + 1);
    }
    return matrices;
}

// The 18 lines of entry N for export_pair(), CR LF included.
std::string entry(const std::string& n, const std::string& name) {
    return "Name" + n + "=\"" + name + "\"\r\n" + "ReadOnly" + n + "=0\r\n" + //
           "Intra" + n + "_0=8 16 19 22 26 27 29 34\r\n" +                    //
           "Intra" + n + "_1=16 16 22 24 27 29 34 37\r\n" +                   //
           "Intra" + n + "_2=19 22 26 27 29 34 34 38\r\n" +                   //
           "Intra" + n + "_3=22 22 26 27 29 34 37 40\r\n" +                   //
           "Intra" + n + "_4=22 26 27 29 32 35 40 48\r\n" +                   //
           "Intra" + n + "_5=26 27 29 32 35 40 48 58\r\n" +                   //
           "Intra" + n + "_6=26 27 29 34 38 46 56 69\r\n" +                   //
           "Intra" + n + "_7=27 29 35 38 46 56 69 83\r\n" +                   //
           "NonIntra" + n + "_0=1 2 3 4 5 6 7 8\r\n" +                        //
           "NonIntra" + n + "_1=9 10 11 12 13 14 15 16\r\n" +                 //
           "NonIntra" + n + "_2=17 18 19 20 21 22 23 24\r\n" +                //
           "NonIntra" + n + "_3=25 26 27 28 29 30 31 32\r\n" +                //
           "NonIntra" + n + "_4=33 34 35 36 37 38 39 40\r\n" +                //
           "NonIntra" + n + "_5=41 42 43 44 45 46 47 48\r\n" +                //
           "NonIntra" + n + "_6=49 50 51 52 53 54 55 56\r\n" +                //
           "NonIntra" + n + "_7=57 58 59 60 61 62 63 64\r\n";
}

TEST(TmpgencExport, AddsAnEntryAfterTheLastOne) {
    TempDir dir;
    dir.write_text("TMPGEnc.ini", "[Environment]\r\nLanguage=fr\r\n\r\n"
                                  "[Tools.QuantizeMatrix]\r\nCount=2\r\nName0=\"a\"\r\n"
                                  "Name1=\"b\"\r\n");
    Configuration configuration;
    EXPECT_FALSE(export_tmpgenc(dir.path().string(), "Ma matrice é", export_pair(), configuration));
    EXPECT_EQ(configuration.tmpgenc_folder, dir.folder());
    EXPECT_EQ(read_all(dir.file("TMPGEnc.ini")),
              "[Environment]\r\nLanguage=fr\r\n\r\n[Tools.QuantizeMatrix]\r\nCount=3\r\n"
              "Name0=\"a\"\r\nName1=\"b\"\r\n"
              "Name2=\"Ma matrice \xE9\"\r\n"
              "ReadOnly2=0\r\n"
              "Intra2_0=8 16 19 22 26 27 29 34\r\n"
              "Intra2_1=16 16 22 24 27 29 34 37\r\n"
              "Intra2_2=19 22 26 27 29 34 34 38\r\n"
              "Intra2_3=22 22 26 27 29 34 37 40\r\n"
              "Intra2_4=22 26 27 29 32 35 40 48\r\n"
              "Intra2_5=26 27 29 32 35 40 48 58\r\n"
              "Intra2_6=26 27 29 34 38 46 56 69\r\n"
              "Intra2_7=27 29 35 38 46 56 69 83\r\n"
              "NonIntra2_0=1 2 3 4 5 6 7 8\r\n"
              "NonIntra2_1=9 10 11 12 13 14 15 16\r\n"
              "NonIntra2_2=17 18 19 20 21 22 23 24\r\n"
              "NonIntra2_3=25 26 27 28 29 30 31 32\r\n"
              "NonIntra2_4=33 34 35 36 37 38 39 40\r\n"
              "NonIntra2_5=41 42 43 44 45 46 47 48\r\n"
              "NonIntra2_6=49 50 51 52 53 54 55 56\r\n"
              "NonIntra2_7=57 58 59 60 61 62 63 64\r\n"
              "\r\n");
}

TEST(TmpgencExport, PlacesTheEntryInsideItsSection) {
    struct Case {
        const char* name;
        std::string before, after;
    };
    const std::string others = "[Other]\r\nKey=1\r\n";
    const std::vector<Case> cases = {
        {"Count=0", "[Tools.QuantizeMatrix]\r\nCount=0\r\n",
         "[Tools.QuantizeMatrix]\r\nCount=1\r\n" + entry("0", "m") + "\r\n"},
        {"trailing empty lines and LF endings", "[Tools.QuantizeMatrix]\nCount=0\n\n\n\n",
         "[Tools.QuantizeMatrix]\r\nCount=1\r\n" + entry("0", "m") + "\r\n"},
        {"another section follows",
         "[Tools.QuantizeMatrix]\r\nCount=1\r\nName0=\"x\"\r\n\r\n\r\n" + others + "\r\n\r\n",
         "[Tools.QuantizeMatrix]\r\nCount=2\r\nName0=\"x\"\r\n" + entry("1", "m") + "\r\n\r\n" +
             others + "\r\n\r\n"},
        {"another section right after", "[Tools.QuantizeMatrix]\r\nCount=0\r\n" + others,
         "[Tools.QuantizeMatrix]\r\nCount=1\r\n" + entry("0", "m") + others},
        {"empty lines inside the section stay",
         "[Tools.QuantizeMatrix]\r\nCount=1\r\n\r\nName0=\"x\"\r\n  [Next]\r\n",
         "[Tools.QuantizeMatrix]\r\nCount=2\r\n\r\nName0=\"x\"\r\n" + entry("1", "m") +
             "  [Next]\r\n"},
        {"a second header: only the first counts",
         "[Tools.QuantizeMatrix]\r\nCount=4\r\n[Tools.QuantizeMatrix]\r\nCount=9\r\n",
         "[Tools.QuantizeMatrix]\r\nCount=5\r\n" + entry("4", "m") +
             "[Tools.QuantizeMatrix]\r\nCount=9\r\n"},
        {"a header in another case is not the section",
         "[tools.quantizematrix]\r\nCount=7\r\n[Tools.QuantizeMatrix]\r\nCount=1\r\n",
         "[tools.quantizematrix]\r\nCount=7\r\n[Tools.QuantizeMatrix]\r\nCount=2\r\n" +
             entry("1", "m") + "\r\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write_text("TMPGEnc.ini", c.before);
        Configuration configuration;
        EXPECT_FALSE(export_tmpgenc(dir.folder(), "m", export_pair(), configuration)) << c.name;
        EXPECT_EQ(read_all(dir.file("TMPGEnc.ini")), c.after) << c.name;
    }
}

TEST(TmpgencExport, TwoExportsInARowAndALongFile) {
    TempDir dir;
    std::string lines = "[Tools.QuantizeMatrix]\r\nCount=0\r\n";
    std::string filler;
    for (int i = 0; i < 700; ++i) {
        filler += "Unrelated" + std::to_string(i) + "=x\r\n";
    }
    dir.write_text("TMPGEnc.ini", "[Big]\r\n" + filler + lines);
    Configuration configuration;
    EXPECT_FALSE(export_tmpgenc(dir.folder(), "un", export_pair(), configuration));
    EXPECT_FALSE(export_tmpgenc(dir.folder(), "deux", export_pair(), configuration));
    EXPECT_EQ(read_all(dir.file("TMPGEnc.ini")),
              "[Big]\r\n" + filler + "[Tools.QuantizeMatrix]\r\nCount=2\r\n" + entry("0", "un") +
                  entry("1", "deux") + "\r\n");
}

TEST(TmpgencExport, RefusesWhatItCannotUnderstandAndChangesNothing) {
    struct Case {
        const char* name;
        std::optional<std::string> file;
        std::string text_end;
    };
    const std::string no_change = " Le fichier n'a pas été modifié.";
    const std::vector<Case> cases = {
        {"no file", std::nullopt, "] est introuvable ou illisible. Vérifiez le chemin de TMPGEnc."},
        {"no section", "[Tools.Other]\r\nCount=1\r\n",
         "] ne contient pas de section [Tools.QuantizeMatrix]."},
        {"header followed by a blank", "[Tools.QuantizeMatrix] \r\nCount=1\r\n",
         "] ne contient pas de section [Tools.QuantizeMatrix]."},
        {"header on the last line", "x\r\n[Tools.QuantizeMatrix]\r\n\r\n", ""},
        {"count not a number", "[Tools.QuantizeMatrix]\r\nCount=deux\r\n", ""},
        {"count with a sign", "[Tools.QuantizeMatrix]\r\nCount=-1\r\n", ""},
        {"count and more", "[Tools.QuantizeMatrix]\r\nCount=2x\r\n", ""},
        {"count empty", "[Tools.QuantizeMatrix]\r\nCount=\r\n", ""},
        {"count too large", "[Tools.QuantizeMatrix]\r\nCount=99999999999\r\n", ""},
        {"count line missing", "[Tools.QuantizeMatrix]\r\nName0=\"a\"\r\n", ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        if (c.file) {
            dir.write_text("TMPGEnc.ini", *c.file);
        }
        Configuration configuration;
        const auto message = export_tmpgenc(dir.folder(), "m", export_pair(), configuration);
        ASSERT_TRUE(message) << c.name;
        const std::string path = dir.file("TMPGEnc.ini");
        const std::string text_end =
            c.text_end.empty() ? "], la ligne qui suit [Tools.QuantizeMatrix] n'est pas de la "
                                 "forme Count=nombre."
                               : c.text_end;
        EXPECT_EQ(message->icon, Icon::exclamation) << c.name;
        EXPECT_EQ(french(*message).title, "Exporter les matrices dans TMPGEnc...") << c.name;
        EXPECT_EQ(french(*message).text,
                  (c.text_end.empty() ? "Dans le fichier [" : "Le fichier [") + path + text_end +
                      no_change)
            << c.name;
        if (c.file) {
            EXPECT_EQ(read_all(path), *c.file) << c.name;
        } else {
            EXPECT_FALSE(std::filesystem::exists(path));
        }
    }
}

// Off Windows only: on Windows a drive path is the path itself.
#ifndef _WIN32
TEST(TmpgencExport, AWindowsFolderIsFoundInTheWinePrefix) {
    TempDir dir;
    const auto folder = dir.path() / "dosdevices" / "c:" / "Program Files" / "TMPGEnc";
    std::filesystem::create_directories(folder);
    const auto ini = (folder / "TMPGEnc.ini").string();
    std::ofstream(ini, std::ios::binary) << "[Tools.QuantizeMatrix]\r\nCount=0\r\n";
    setenv("WINEPREFIX", dir.path().c_str(), 1);
    Configuration configuration;
    const auto message =
        export_tmpgenc("C:\\Program Files\\TMPGEnc", "m", export_pair(), configuration);
    unsetenv("WINEPREFIX");
    EXPECT_FALSE(message);
    EXPECT_EQ(configuration.tmpgenc_folder, "C:\\Program Files\\TMPGEnc\\");
    EXPECT_EQ(read_all(ini), "[Tools.QuantizeMatrix]\r\nCount=1\r\n" + entry("0", "m") + "\r\n");
}
#endif

TEST(TmpgencExport, ANameWithALineBreakIsRefused) {
    TempDir dir;
    const std::string before = "[Tools.QuantizeMatrix]\r\nCount=0\r\n";
    dir.write_text("TMPGEnc.ini", before);
    Configuration configuration;
    const auto message = export_tmpgenc(dir.folder(), "a\nCount=9", export_pair(), configuration);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->icon, Icon::exclamation);
    EXPECT_EQ(read_all(dir.file("TMPGEnc.ini")), before);
}

TEST(TmpgencExport, AFileThatCannotBeReplacedStaysAsItWas) {
    const std::string before = "[Tools.QuantizeMatrix]\r\nCount=0\r\n";
    const auto refused = [&](const TempDir& dir) {
        Configuration configuration;
        const auto message = export_tmpgenc(dir.folder(), "m", export_pair(), configuration);
        return message && message->icon == Icon::critical &&
               french(*message).text == "Le fichier [" + dir.file("TMPGEnc.ini") +
                                            "] n'a pas pu être écrit : Permission non accordée. Le "
                                            "fichier n'a pas été modifié." &&
               read_all(dir.file("TMPGEnc.ini")) == before &&
               std::distance(std::filesystem::directory_iterator(dir.path()),
                             std::filesystem::directory_iterator()) == 1;
    };
    // A TMPGEnc.ini marked read-only, in a folder that can be written.
    TempDir read_only_file;
    read_only_file.write_text("TMPGEnc.ini", before);
    std::filesystem::permissions(read_only_file.file("TMPGEnc.ini"),
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_TRUE(refused(read_only_file));

    // A writable TMPGEnc.ini in a folder that cannot be written: as an ordinary user.
    TempDir read_only_folder;
    read_only_folder.write_text("TMPGEnc.ini", before);
    std::filesystem::permissions(read_only_folder.file("TMPGEnc.ini"), std::filesystem::perms::all);
    std::filesystem::permissions(read_only_folder.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    const auto outcome = test::run_unprivileged([&] { return refused(read_only_folder); });
    if (!outcome) {
        GTEST_SKIP() << "cannot drop root privileges to test a read-only folder";
    }
    EXPECT_TRUE(*outcome);
}

std::string repeated(const std::string& item, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += (i > 0 ? ", " : "") + item;
    }
    return out;
}

TEST(CceExport, WritesTheFourLinesOfTheScript) {
    struct Case {
        const char* name;
        std::string value_name, key, quoted_name, key_bytes;
    };
    const Case cases[] = {
        {"plain", "Ma matrice", "HKEY_CURRENT_USER\\Software\\CCE\\qmat", "Ma matrice",
         "HKEY_CURRENT_USER\\Software\\CCE\\qmat"},
        {"accents", "Vidéo œuvre", "HKCU\\Clé", "Vid\xE9o \x9Cuvre", "HKCU\\Cl\xE9"},
        {"empty", "", "K", "", "K"},
        {"quote and backslash escaped", "a\"b\\c", "K", "a\\\"b\\\\c", "K"},
    };
    QuantMatrixPair matrices;
    matrices.intra = default_intra;
    matrices.non_intra.fill(16);
    matrices.intra[63] = 255;
    for (const auto& c : cases) {
        TempDir dir;
        const auto path = cce_script_path(dir.folder());
        EXPECT_EQ(path, dir.folder() + "quantaline.reg");
        EXPECT_FALSE(write_cce_script(path, c.key, c.value_name, cce_values(matrices))) << c.name;
        const std::string key_line = "[" + c.key_bytes + "]";
        EXPECT_EQ(read_all(path),
                  "REGEDIT4\r\n\r\n" + key_line + "\r\n\"" + c.quoted_name +
                      "\"=hex:08, 10, 13, 16, 1A, 1B, 1D, 22, 10, 10, 16, 18, 1B, 1D, 22, 25, "
                      "13, 16, 1A, 1B, 1D, 22, 22, 26, 16, 16, 1A, 1B, 1D, 22, 25, 28, "
                      "16, 1A, 1B, 1D, 20, 23, 28, 30, 1A, 1B, 1D, 20, 23, 28, 30, 3A, "
                      "1A, 1B, 1D, 22, 26, 2E, 38, 45, 1B, 1D, 23, 26, 2E, 38, 45, FF, " +
                      repeated("10", 64) + "\r\n")
            << c.name;
    }
}

TEST(CceExport, FailuresWriteNothing) {
    TempDir dir;
    const auto values = cce_values(QuantMatrixPair{});
    const auto missing = dir.file("missing") + "/quantaline.reg";
    const auto message = write_cce_script(missing, "K", "n", values);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->icon, Icon::critical);
    EXPECT_EQ(french(*message).text,
              "Le fichier [" + missing +
                  "] n'a pas pu être écrit : Aucun fichier ou dossier de ce nom. "
                  "Les matrices n'ont pas été exportées.");

    const auto path = dir.write_text("quantaline.reg", "old");
    EXPECT_TRUE(write_cce_script(path, "K\r\n[HKEY_LOCAL_MACHINE\\X]", "n", values));
    EXPECT_TRUE(write_cce_script(path, "K", "n\"=hex:00\r\n\"x", values));
    EXPECT_EQ(read_all(path), "old");
}

} // namespace
} // namespace quantaline
