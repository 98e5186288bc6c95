#include "io/atomic_file.h"
#include "io/paths.h"
#include "io/text_file.h"
#include "support/messages.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quantaline {
namespace {

using test::read_all;
using test::TempDir;

TEST(Cp1252, MapsEveryCharacterOfTheCodePage) {
    struct Case {
        const char* utf8;
        const char* cp1252;
    };
    const Case cases[] = {
        {"abc =\\[]", "abc =\\[]"},
        {"é", "\xE9"},
        {"Clé du registre", "Cl\xE9 du registre"},
        {"àçèêëîïôùûüÿ ÀÉÈ", "\xE0\xE7\xE8\xEA\xEB\xEE\xEF\xF4\xF9\xFB\xFC\xFF \xC0\xC9\xC8"},
        {"\u00A0¡«°»¿×÷", "\xA0\xA1\xAB\xB0\xBB\xBF\xD7\xF7"},
        {"€‚ƒ„…†‡ˆ‰Š‹ŒŽ", "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E"},
        {"‘’“”•–—˜™š›œžŸ", "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F"},
        // Not in the code page: one "?" per character, however many bytes it takes.
        {"Ā中😀", "???"},
        {"\u0080", "?"},
        // Malformed UTF-8: a stray continuation byte, a cut sequence, an overlong "/", a
        // surrogate.
        {"a\x80z", "a?z"},
        {"a\xC3", "a?"},
        {"\xC0\xAF", "??"},
        {"\xED\xA0\x80", "???"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8_to_cp1252(c.utf8), c.cp1252) << c.utf8;
    }
    EXPECT_EQ(cp1252_to_utf8("\x80\x8C\x9C\x9F\xE9\xFF"), "€ŒœŸéÿ");
}

TEST(Cp1252, EveryByteSurvivesTheWayThroughUtf8) {
    std::string all_bytes;
    for (int byte = 0; byte < 256; ++byte) {
        all_bytes += static_cast<char>(byte);
    }
    EXPECT_EQ(utf8_to_cp1252(cp1252_to_utf8(all_bytes)), all_bytes);
}

TEST(ReadTextLines, SplitsOnEveryLineEnding) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"LF", "a\nb\n", {"a", "b"}},
        {"lone CR", "a\rb\r", {"a", "b"}},
        {"mixed", "a\r\n\nb\r\r\nc", {"a", "", "b", "", "c"}},
        {"last line without ending", "a\r\nb", {"a", "b"}},
        {"empty lines at the end", "a\r\n\r\n\r\n", {"a", "", ""}},
        {"empty file", "", {}},
        {"Windows-1252", "Cl\xE9\r\n\x80", {"Clé", "€"}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const auto lines = read_text_lines(dir.write_text("f.txt", c.bytes));
        ASSERT_TRUE(lines) << c.name;
        EXPECT_EQ(*lines, c.lines) << c.name;
    }
}

TEST(ReadTextLines, GivesNothingForWhatCannotBeRead) {
    TempDir dir;
    EXPECT_FALSE(read_text_lines(dir.file("missing.txt")));
    EXPECT_FALSE(read_text_lines(dir.folder()));
}

TEST(WriteTextLines, WritesWindows1252WithCrLfAfterEachLine) {
    TempDir dir;
    const auto path = dir.file("out.txt");
    EXPECT_FALSE(write_text_lines(path, {"Résolution", "", "€ 中"}));
    EXPECT_EQ(read_all(path), "R\xE9solution\r\n\r\n\x80 ?\r\n");
    EXPECT_FALSE(write_text_lines(path, {"x"}));
    EXPECT_EQ(read_all(path), "x\r\n");
    EXPECT_FALSE(write_text_lines(path, {}));
    EXPECT_EQ(read_all(path), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

std::size_t entries_in(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(WriteTextLines, AFailedWriteLeavesThePreviousFileAsItWas) {
    for (const auto step :
         {WriteStep::create, WriteStep::write, WriteStep::flush, WriteStep::rename}) {
        TempDir dir;
        const auto path = dir.write_text("TMPGEnc.ini", "old\r\ncontent\r\n");
        const auto error = write_file_atomically(path, "new\r\n", step);
        ASSERT_TRUE(error) << static_cast<int>(step);
        EXPECT_EQ(error->path, path);
        EXPECT_EQ(french(error->reason), "Erreur d'entrée/sortie");
        EXPECT_EQ(read_all(path), "old\r\ncontent\r\n");
        EXPECT_EQ(entries_in(dir.path()), 1u) << "a temporary file was left behind";
    }
}

TEST(WriteTextLines, ReportsTheSystemsReasonInFrench) {
    TempDir dir;
    const auto missing_folder = dir.file("missing") + "/out.txt";
    const auto no_folder = write_text_lines(missing_folder, {"x"});
    ASSERT_TRUE(no_folder);
    EXPECT_EQ(no_folder->path, missing_folder);
    EXPECT_EQ(french(no_folder->reason), "Aucun fichier ou dossier de ce nom");
    EXPECT_EQ(french(write_error_text(*no_folder)),
              "Le fichier [" + missing_folder +
                  "] n'a pas pu être écrit : Aucun fichier ou "
                  "dossier de ce nom.");

    // The rename itself fails: a folder with content stands where the file should go.
    std::filesystem::create_directories(dir.path() / "taken" / "inside");
    const auto over_folder = write_text_lines(dir.file("taken"), {"x"});
    ASSERT_TRUE(over_folder);
#ifdef _WIN32
    // Windows refuses to replace a folder with "access denied".
    EXPECT_EQ(french(over_folder->reason), "Permission non accordée");
#else
    EXPECT_EQ(french(over_folder->reason), "C'est un dossier");
#endif
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken" / "inside"));
    EXPECT_EQ(entries_in(dir.path()), 1u);
}

TEST(WriteTextLines, AReadOnlyFolderRefusesTheWrite) {
    TempDir dir;
    const auto path = dir.write_text("quantaline.cfg", "old\r\n");
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    const auto outcome = test::run_unprivileged([&] {
        const auto error = write_text_lines(path, {"new"});
        return error && french(error->reason) == "Permission non accordée" &&
               read_all(path) == "old\r\n" && !folder_is_writable(dir.folder()) &&
               std::distance(std::filesystem::directory_iterator(dir.path()),
                             std::filesystem::directory_iterator()) == 1;
    });
    if (!outcome) {
        GTEST_SKIP() << "cannot drop root privileges to test a read-only folder";
    }
    EXPECT_TRUE(*outcome);
}

TEST(WriteTextLines, ReadOnlyFilesAreRefusedAndSymlinksWrittenThrough) {
    TempDir dir;
    const auto read_only = dir.write_text("TMPGEnc.ini", "old\r\n");
    std::filesystem::permissions(read_only, std::filesystem::perms::owner_read |
                                                std::filesystem::perms::group_read |
                                                std::filesystem::perms::others_read);
    const auto error = write_text_lines(read_only, {"new"});
    ASSERT_TRUE(error);
    EXPECT_EQ(french(error->reason), "Permission non accordée");
    EXPECT_EQ(read_all(read_only), "old\r\n");

#ifndef _WIN32 // creating a symbolic link takes a privilege on Windows, and Wine has none
    const auto real = dir.write_text("real.cfg", "old\r\n");
    std::filesystem::create_symlink(real, dir.file("link.cfg"));
    EXPECT_FALSE(write_text_lines(dir.file("link.cfg"), {"new"}));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.cfg")));
    EXPECT_EQ(read_all(real), "new\r\n");
    // Only the three files: no temporary file left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              3);
#else
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
#endif
}

#ifndef _WIN32
// Only the right to write counts: a file the user may write but not read is written, and
// keeps its mode. Checked as an ordinary user, since root writes anything.
TEST(WriteTextLines, WritePermissionAloneDecides) {
    struct Case {
        mode_t mode;
        bool written;
    };
    for (const auto& c : {Case{0200, true}, Case{0600, true}, Case{0400, false}, Case{0, false}}) {
        TempDir dir;
        ::chmod(dir.path().c_str(), 0777);
        const auto path = dir.write_text("quantaline.cfg", "old\r\n");
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        }
        ::chmod(path.c_str(), c.mode);
        const auto outcome = test::run_unprivileged([&] {
            const auto error = write_text_lines(path, {"new"});
            return c.written ? !error : error && french(error->reason) == "Permission non accordée";
        });
        if (!outcome) {
            GTEST_SKIP() << "cannot drop root privileges to test write permissions";
        }
        EXPECT_TRUE(*outcome) << std::oct << c.mode;
        struct stat status {};
        ASSERT_EQ(::stat(path.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, c.mode) << std::oct << c.mode;
        ::chmod(path.c_str(), 0600);
        EXPECT_EQ(read_all(path), c.written ? "new\r\n" : "old\r\n") << std::oct << c.mode;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  1);
    }
}
#endif

// The POSIX rules; tests/unit/windows_paths_test.cpp holds the Windows ones.
#ifndef _WIN32
TEST(Paths, SeparatorsAndWinePrefix) {
    EXPECT_EQ(with_trailing_separator("/opt/tmpgenc"), "/opt/tmpgenc/");
    EXPECT_EQ(with_trailing_separator("/opt/tmpgenc/"), "/opt/tmpgenc/");
    EXPECT_EQ(with_trailing_separator("/"), "/");
    EXPECT_EQ(with_trailing_separator("C:\\TMPGEnc"), "C:\\TMPGEnc\\");
    EXPECT_EQ(with_trailing_separator("C:\\"), "C:\\");
    EXPECT_EQ(after_last_separator("/videos/clip.m2v"), "clip.m2v");
    EXPECT_EQ(after_last_separator("clip.m2v"), "");
    EXPECT_EQ(after_last_separator("/videos/"), "");

    const char* saved = std::getenv("WINEPREFIX");
    const std::string saved_prefix = saved ? saved : "";
    setenv("WINEPREFIX", "/tmp/prefix", 1);
    EXPECT_EQ(resolve_windows_path("C:\\Program Files\\Pegasys\\TMPGEnc\\TMPGEnc.ini"),
              "/tmp/prefix/dosdevices/c:/Program Files/Pegasys/TMPGEnc/TMPGEnc.ini");
    EXPECT_EQ(resolve_windows_path("D:/enc/TMPGEnc.ini"),
              "/tmp/prefix/dosdevices/d:/enc/TMPGEnc.ini");
    EXPECT_EQ(resolve_windows_path("/opt/TMPGEnc.ini"), "/opt/TMPGEnc.ini");
    unsetenv("WINEPREFIX");
    const std::string home = std::getenv("HOME");
    EXPECT_EQ(resolve_windows_path("c:\\x.ini"), home + "/.wine/dosdevices/c:/x.ini");
    if (saved) {
        setenv("WINEPREFIX", saved_prefix.c_str(), 1);
    }
}
#endif

} // namespace
} // namespace quantaline
