// The path rules as Windows has them: drive letters, "\" separators, the program folder
// next to the .exe, a root folder "C:\", reports named after the part of the video's path
// after the last "\". Built into core_tests by the mingw-w64 cross build and run under
// Wine (tests/windows); elsewhere this file is empty.
#ifdef _WIN32

#include "analysis/analysis.h"
#include "config/configuration.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/paths.h"
#include "report/text_report.h"
#include "support/environment.h"
#include "support/messages.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace quantaline {
namespace {

using test::TempDir;

// Sets LOCALAPPDATA for one test and puts the old value back.
class LocalAppData {
  public:
    explicit LocalAppData(const std::string& value) {
        if (const char* old = std::getenv("LOCALAPPDATA")) {
            saved_ = old;
        }
        test::set_environment("LOCALAPPDATA", value);
    }
    ~LocalAppData() {
        if (saved_) {
            test::set_environment("LOCALAPPDATA", *saved_);
        } else {
            test::unset_environment("LOCALAPPDATA");
        }
    }
    LocalAppData(const LocalAppData&) = delete;
    LocalAppData& operator=(const LocalAppData&) = delete;

  private:
    std::optional<std::string> saved_;
};

bool exists_utf8(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path_from_utf8(path), error);
}

TEST(WindowsPaths, SeparatorsAndDriveLetters) {
    EXPECT_EQ(native_separator, '\\');
    const struct {
        const char* folder;
        const char* expected;
    } folders[] = {
        {"C:\\Program Files\\Pegasys\\TMPGEnc", "C:\\Program Files\\Pegasys\\TMPGEnc\\"},
        {"C:\\Program Files\\Pegasys\\TMPGEnc\\", "C:\\Program Files\\Pegasys\\TMPGEnc\\"},
        {"C:\\", "C:\\"},
        {"d:\\", "d:\\"},
        {"\\\\serveur\\encodeurs", "\\\\serveur\\encodeurs\\"},
        {"Encodeurs", "Encodeurs\\"},
    };
    for (const auto& c : folders) {
        EXPECT_EQ(with_trailing_separator(c.folder), c.expected) << c.folder;
    }

    const struct {
        const char* path;
        const char* name;
    } names[] = {
        {"D:\\Vidéos\\Mariage\\film.vob", "film.vob"},
        {"C:\\film.m2v", "film.m2v"},
        {"E:\\VIDEO_TS\\VTS_01_1.VOB", "VTS_01_1.VOB"},
        {"\\\\serveur\\dvd\\VTS_01_1.VOB", "VTS_01_1.VOB"},
        {"D:\\Vidéos\\", ""},
        {"film.vob", ""},
        // "/" is not the native separator here: the name is what follows the last "\".
        {"D:\\Vidéos/film.vob", "Vidéos/film.vob"},
    };
    for (const auto& c : names) {
        EXPECT_EQ(after_last_separator(c.path), c.name) << c.path;
    }

    // On Windows a drive path is where the encoder is: no Wine prefix in between.
    test::set_environment("WINEPREFIX", "C:\\wine");
    EXPECT_EQ(resolve_windows_path("C:\\Program Files\\Pegasys\\TMPGEnc\\TMPGEnc.ini"),
              "C:\\Program Files\\Pegasys\\TMPGEnc\\TMPGEnc.ini");
    test::unset_environment("WINEPREFIX");
}

TEST(WindowsPaths, ProgramFolderIsTheExecutablesFolderOrLocalAppData) {
    TempDir dir;
    const std::string folder = dir.folder();
    ASSERT_TRUE(is_windows_drive_path(folder)) << folder;
    ASSERT_EQ(folder.back(), '\\');
    const LocalAppData local(dir.file("AppData"));

    // A folder that can be written: the .exe's own, ending with "\".
    EXPECT_EQ(program_folder_from_executable(dir.file("quantaline.exe")), folder);

    // One that cannot (here: missing) gives %LOCALAPPDATA%\Quantaline\, created.
    const std::string user_folder = dir.file("AppData") + "\\Quantaline\\";
    EXPECT_EQ(program_folder_from_executable(dir.file("Program Files") + "\\Quantaline\\q.exe"),
              user_folder);
    EXPECT_TRUE(std::filesystem::is_directory(path_from_utf8(user_folder)));

    // An installed program: Program Files can be written here (Wine has no permissions, an
    // administrator may), but the configuration and the reports still go to the user's
    // folder, whatever the case of the path.
    const std::string program_files = dir.file("Programmes");
    std::filesystem::create_directories(path_from_utf8(program_files + "\\Quantaline"));
    const std::optional<std::string> saved_program_files =
        std::getenv("ProgramFiles") ? std::optional<std::string>(std::getenv("ProgramFiles"))
                                    : std::nullopt;
    test::set_environment("ProgramFiles", program_files);
    EXPECT_EQ(program_folder_from_executable(program_files + "\\Quantaline\\quantaline.exe"),
              user_folder);
    std::string shouting = program_files + "\\QUANTALINE\\quantaline.exe";
    for (char& c : shouting) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    EXPECT_EQ(program_folder_from_executable(shouting), user_folder);
    // Qt gives the executable's path with "/".
    std::string forward = program_files + "\\Quantaline\\quantaline.exe";
    std::replace(forward.begin(), forward.end(), '\\', '/');
    EXPECT_EQ(program_folder_from_executable(forward), user_folder);
    // A folder whose name only begins like Program Files' is not inside it.
    std::filesystem::create_directories(path_from_utf8(program_files + " perso"));
    EXPECT_EQ(program_folder_from_executable(program_files + " perso\\quantaline.exe"),
              program_files + " perso\\");
    if (saved_program_files) {
        test::set_environment("ProgramFiles", *saved_program_files);
    } else {
        test::unset_environment("ProgramFiles");
    }

    // A program at the root of a drive: "C:\", not "C:\\" nor "C:".
    const std::string root = folder_is_writable("C:\\") ? "C:\\" : user_folder;
    EXPECT_EQ(program_folder_from_executable("C:\\quantaline.exe"), root);
}

TEST(WindowsPaths, ConfigurationLivesInTheProgramFolder) {
    TempDir dir;
    const std::string folder = dir.folder();
    const Configuration defaults = load_configuration(folder, "QUANTALINE.EXE");
    EXPECT_TRUE(defaults.values_are_default);
    EXPECT_EQ(defaults.tmpgenc_folder, "C:\\Program Files\\Pegasys\\TMPGEnc\\");
    const std::string written = test::read_all(dir.file("quantaline.cfg"));
    // The first line names the executable without its ".EXE".
    EXPECT_EQ(written.substr(0, written.find("\r\n")), "[QUANTALINE 1  1 ]");

    const Configuration mine{"HKEY_CURRENT_USER\\Software\\CCE\\qmat", "D:\\Encodeurs\\TMPGEnc\\",
                             false};
    ASSERT_FALSE(save_configuration(folder, mine, "QUANTALINE.EXE"));
    const Configuration loaded = load_configuration(folder);
    EXPECT_EQ(loaded.cce_registry_key, mine.cce_registry_key);
    EXPECT_EQ(loaded.tmpgenc_folder, mine.tmpgenc_folder);
    EXPECT_FALSE(loaded.values_are_default);
}

TEST(WindowsPaths, ReportsAreNamedAfterThePartAfterTheLastBackslash) {
    EXPECT_EQ(text_report_path("C:\\Quantaline\\", "D:\\Vidéos\\film.vob"),
              "C:\\Quantaline\\matrice de film.vob.txt");
    EXPECT_EQ(text_report_path("C:\\", "C:\\film.m2v"), "C:\\matrice de film.m2v.txt");

    // Written for real, with a name outside the ANSI code page: the file on disk must
    // carry it, not its "?" replacement.
    TempDir dir;
    const ReportOutcome outcome =
        write_text_report(dir.folder(), "D:\\Vidéos\\Été Ω.vob", StreamInfo{}, QuantMatrixPair{});
    EXPECT_TRUE(outcome.written) << french(outcome.message).text;
    EXPECT_EQ(outcome.path, dir.folder() + "matrice de Été Ω.vob.txt");
    EXPECT_TRUE(exists_utf8(outcome.path));
    EXPECT_EQ(french(outcome.message).text,
              "Le fichier [matrice de Été Ω.vob.txt] a été crée dans le dossier de Quantaline");

    // At the root of a drive, where the program may sit.
    if (folder_is_writable("C:\\")) {
        const ReportOutcome at_root =
            write_text_report("C:\\", "E:\\VIDEO_TS\\VTS_01_1.VOB", StreamInfo{}, {});
        EXPECT_TRUE(at_root.written) << french(at_root.message).text;
        EXPECT_EQ(at_root.path, "C:\\matrice de VTS_01_1.VOB.txt");
        EXPECT_TRUE(exists_utf8("C:\\matrice de VTS_01_1.VOB.txt"));
        std::filesystem::remove("C:\\matrice de VTS_01_1.VOB.txt");
    }
}

TEST(WindowsPaths, AVideoWithAnAccentedNameIsRead) {
    TempDir dir;
    test::StreamBuilder s;
    s.sequence_header({.horizontal_size = 704});
    const std::string path = dir.folder() + "Vidéo été Ω.m2v";
    {
        std::FILE* file = open_file(path_from_utf8(path), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(s.bytes().data(), 1, s.bytes().size(), file);
        std::fclose(file);
    }
    const AnalysisResult result = analyse_file(path);
    EXPECT_TRUE(result.messages.empty());
    EXPECT_EQ(result.info.horizontal_size, 704);
}

} // namespace
} // namespace quantaline

#endif // _WIN32
