#include "support/cli_run.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace quantaline {
namespace {

using test::read_all;
using test::TempDir;

const std::string sample = std::string(QUANTALINE_TEST_DATA) + "/mpeg2-ps-dvd.vob";

// Runs the command line tool (or `program`) from `dir`, with `environment` over ours.
test::cli_run::CliRun run(const TempDir& dir, const std::vector<std::string>& arguments,
                          const std::string& program = QUANTALINE_CLI,
                          const std::vector<std::string>& environment = {}) {
    return test::cli_run::run_cli(
        arguments,
        {.working_folder = dir.path().string(), .program = program, .environment = environment});
}

std::size_t entries_in(const TempDir& dir) {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(dir.path()), {}));
}

TEST(CliReport, WritesTheReportOfARealStream) {
    TempDir dir;
    const auto result = run(dir, {"report", sample, "--output-dir", dir.path().string()});
    EXPECT_EQ(result.status, 0) << result.err;
    const auto path = dir.folder() + "matrice de mpeg2-ps-dvd.vob.txt";
    EXPECT_EQ(result.out, path + "\n");
    const std::string bytes = read_all(path);
    const std::string absolute = std::filesystem::absolute(sample).string();
    EXPECT_TRUE(bytes.starts_with("Quantaline   1 . 1    revision 0 \r\n\r\n\r\n"
                                  "Nom du fichier trait\xE9 = " +
                                  absolute + "\r\n\r\nType de flux = Flux programme MPEG-2\r\n"))
        << bytes.substr(0, 200);
    EXPECT_NE(bytes.find("\r\nR\xE9solution =  720  X  480 \r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nMatrice INTRA-BLOCK Standard MPEG" + std::string(37, ' ') +
                         "Matrice non INTRA-BLOCK Standard MPEG\r\n\r\n 8  16  19 "),
              std::string::npos);
    EXPECT_TRUE(bytes.ends_with("\r\nFin du document.\r\n"));
}

TEST(CliReport, DefaultsToTheProgramFolder) {
    TempDir dir;
    const auto program = dir.file("quantaline-cli");
    std::filesystem::copy_file(QUANTALINE_CLI, program);
    TempDir elsewhere;
    const auto result = run(elsewhere, {"report", sample}, program);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, dir.folder() + "matrice de mpeg2-ps-dvd.vob.txt\n");
    EXPECT_TRUE(std::filesystem::exists(dir.file("matrice de mpeg2-ps-dvd.vob.txt")));
}

TEST(CliExportCce, WritesTheScriptAndHandsItOn) {
    TempDir dir;
    // A stand-in for the desktop's opener that notes what it was given.
    const auto opener = dir.write_text("xdg-open", "#!/bin/sh\necho \"$1\" > \"$(dirname "
                                                   "\"$0\")/opened\"\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    const auto script = dir.file("cce.reg");
    const auto result =
        run(dir,
            {"export-cce", sample, "--key", "HKEY_CURRENT_USER\\Software\\CCE", "--name",
             "Matrice DVD", "--output", script, "--open"},
            QUANTALINE_CLI, {"PATH=" + dir.path().string() + ":" + std::getenv("PATH")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, script + "\n");
    const std::string bytes = read_all(script);
    EXPECT_TRUE(bytes.starts_with("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\CCE]\r\n"
                                  "\"Matrice DVD\"=hex:08, 10, 13, 16, 1A, 1B, 1D, 22, 10, "))
        << bytes;
    std::string tail = ", 45, 53"; // the last intra values, then 64 times 16
    for (int i = 0; i < 64; ++i) {
        tail += ", 10";
    }
    EXPECT_TRUE(bytes.ends_with(tail + "\r\n")) << bytes;
    EXPECT_EQ(read_all(dir.file("opened")), script + "\n");
}

TEST(CliExportTmpgenc, AddsTheEntry) {
    TempDir dir;
    dir.write_text("TMPGEnc.ini", "[Tools.QuantizeMatrix]\r\nCount=0\r\n\r\n\r\n");
    const auto result =
        run(dir, {"export-tmpgenc", sample, "--folder", dir.path().string(), "--name", "DVD"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, dir.file("TMPGEnc.ini") + "\n");
    const std::string bytes = read_all(dir.file("TMPGEnc.ini"));
    EXPECT_TRUE(bytes.starts_with("[Tools.QuantizeMatrix]\r\nCount=1\r\nName0=\"DVD\"\r\n"
                                  "ReadOnly0=0\r\nIntra0_0=8 16 19 22 26 27 29 34\r\n"))
        << bytes;
    EXPECT_TRUE(bytes.ends_with("\r\nNonIntra0_7=16 16 16 16 16 16 16 16\r\n\r\n")) << bytes;
}

TEST(CliFiles, FailuresChangeNothing) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int status;
        std::string err_part;
    };
    TempDir dir;
    const std::string ini = "[Tools.QuantizeMatrix]\r\nCount=deux\r\n";
    dir.write_text("TMPGEnc.ini", ini);
    const std::string missing = dir.file("missing");
    const std::string no_header = std::string(QUANTALINE_TEST_DATA) + "/mpeg2-ps-no-header.vob";
    const std::vector<Case> cases = {
        {"report into a missing folder",
         {"report", sample, "--output-dir", missing},
         1,
         "Rapport non enregistré...: Le fichier [" + missing +
             "/matrice de mpeg2-ps-dvd.vob.txt] n'a pas pu être écrit : Aucun fichier ou dossier "
             "de ce nom. Le rapport n'a pas été enregistré.\n"},
        {"report on a file that cannot be read",
         {"report", missing + ".vob", "--output-dir", dir.path().string()},
         1,
         "impossible de lire le fichier..."},
        // Nothing decoded, nothing to hand on: no report, no script, no entry.
        {"report on a file without a sequence header",
         {"report", no_header, "--output-dir", dir.path().string()},
         1,
         "Aucune séquence MPEG...: Aucun en-tête de séquence MPEG n'a été trouvé"},
        {"script of a file without a sequence header",
         {"export-cce", no_header, "--key", "K", "--name", "n", "--output", dir.file("q.reg")},
         1,
         "Aucune séquence MPEG..."},
        {"entry of a file without a sequence header",
         {"export-tmpgenc", no_header, "--folder", dir.path().string(), "--name", "n"},
         1,
         "Aucune séquence MPEG..."},
        {"script into a missing folder",
         {"export-cce", sample, "--key", "K", "--name", "n", "--output", missing + "/q.reg",
          "--open"},
         1,
         "n'a pas pu être écrit"},
        {"malformed count line",
         {"export-tmpgenc", sample, "--folder", dir.path().string(), "--name", "n"},
         1,
         "n'est pas de la forme Count=nombre. Le fichier n'a pas été modifié.\n"},
        {"missing --name", {"export-cce", sample, "--key", "K"}, 2, "needs --key KEY and --name"},
        {"missing --folder", {"export-tmpgenc", sample, "--name", "n"}, 2, "--folder DIR"},
        {"option without its value", {"report", sample, "--output-dir"}, 2, "needs a value"},
        {"two files", {"report", sample, sample}, 2, "takes one FILE"},
        {"unknown option", {"export-cce", sample, "--force"}, 2, "unknown option"},
    };
    for (const auto& c : cases) {
        const auto result = run(dir, c.arguments);
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_NE(result.err.find(c.err_part), std::string::npos) << c.name << ": " << result.err;
        EXPECT_EQ(result.out, "") << c.name;
        EXPECT_EQ(entries_in(dir), 1u) << c.name;
        EXPECT_EQ(read_all(dir.file("TMPGEnc.ini")), ini) << c.name;
    }
}

} // namespace
} // namespace quantaline
