// quantaline-cli in its user's language: under French or no language, exactly today's
// output whatever variable says it; under English no French left in the text output and
// messages; the data outputs (JSON, CSV, encoder formats, written files) the same bytes
// under both.

#include "support/cli_run.h"
#include "support/ffmpeg.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

namespace quantaline::test {
namespace {

using cli_run::CliRun;
using cli_run::run_cli;

const std::string data = QUANTALINE_TEST_DATA;

const std::vector<std::string> english = {"LANG=en_US.UTF-8"};

const std::vector<std::vector<std::string>> french_environments = {
    {"LANG=fr_FR.UTF-8"},
    {"LANG=C"},
    {"LC_ALL=fr_CA.UTF-8", "LANG=en_US.UTF-8"},
    {"LANGUAGE=fr:en", "LANG=en_GB.UTF-8"},
};

// The text commands, their messages included (a cut transport stream, a missing file).
const std::vector<std::vector<std::string>> text_commands = {
    {"info", data + "/mpeg2-ps-dvd.vob", data + "/mpeg2-es-dc9-pal.m2v"},
    {"info", data + "/mpeg2-ts-truncated.ts", data + "/no-such-file.m2v"},
    {"scan", data + "/mpeg2-ps-joined.vob", data + "/mpeg2-ts-truncated.ts"},
    {"scan", "--quantiser", data + "/mpeg2-ts-422.ts"},
    {"matrix", data + "/mpeg2-es-mpeg2enc.m2v"},
    {"matrix", data + "/no-such-file.m2v"},
    {"pictures", data + "/no-such-file.m2v"},
    {"--help"},
    {"scan", "--help"},
};

std::string described(const std::vector<std::string>& arguments) {
    std::string out;
    for (const auto& argument : arguments) {
        out += argument + " ";
    }
    return out;
}

TEST(CliLanguage, FrenchWhateverVariableSaysItIsTodaysOutput) {
    for (const auto& arguments : text_commands) {
        const CliRun unset = run_cli(arguments);
        ASSERT_FALSE(unset.timed_out);
        for (const auto& environment : french_environments) {
            const CliRun french = run_cli(arguments, {.environment = environment});
            EXPECT_EQ(french.out, unset.out) << described(arguments) << environment[0];
            EXPECT_EQ(french.err, unset.err) << described(arguments) << environment[0];
            EXPECT_EQ(french.status, unset.status) << described(arguments);
        }
    }
}

TEST(CliLanguage, EnglishLeavesNoFrench) {
    // Words the French output has and English never does.
    const std::regex french_word(
        "\\b(Fichier|Conteneur|Vidéo|Images|Changements|Jeu|matrices initiales|Matrice|"
        "Type de flux|Profil|octet|fichier|aucune|Aucun|Flux|Structure|Fréquence|Débit|"
        "Quantificateur|Moyenne|Analyse|endommagée|incomplet|porte|précède|le|la|les|du|de)\\b");
    for (const auto& arguments : text_commands) {
        const CliRun unset = run_cli(arguments);
        const CliRun run = run_cli(arguments, {.environment = english});
        ASSERT_FALSE(run.timed_out);
        EXPECT_EQ(run.status, unset.status) << described(arguments);
        for (const std::string* text : {&run.out, &run.err}) {
            for (const char c : *text) {
                EXPECT_LT(static_cast<unsigned char>(c), 0x80) << described(arguments) << *text;
            }
            std::smatch found;
            EXPECT_FALSE(std::regex_search(*text, found, french_word))
                << described(arguments) << "\"" << found.str() << "\" in\n"
                << *text;
        }
    }
}

TEST(CliLanguage, EnglishSpelledOut) {
    const struct {
        std::vector<std::string> arguments;
        std::vector<std::string> out_lines; // each found as a whole line in standard output
        std::string err;                    // found in standard error
    } cases[] = {
        {{"info", data + "/mpeg2-ps-dvd.vob"},
         {"Stream type: Program stream MPEG-2", "Frame rate: 29.97", "Profile: Main@Main",
          "Video format: Default", "Default MPEG intra matrix (MPEG)",
          "Default MPEG non-intra matrix (MPEG)"},
         ""},
        {{"scan", "--quantiser", data + "/mpeg2-ts-422.ts"},
         {"Container: Transport stream", "Video: PID 256", "Quant matrix extensions: 0",
          "Quantiser by picture type:", "Type Pictures  Average  Minimum  Maximum",
          "I           1     8.00        8        8",
          "      Offset  Picture  Time code      Source                 Matrices",
          "         595        0  00:00:00:00    sequence header        initial matrices",
          "Matrix set 1: 3 picture(s), the first: 0", "Chroma non-intra:"},
         ""},
        {{"scan", data + "/mpeg2-ts-truncated.ts"},
         {},
         "mpeg2-ts-truncated.ts: Truncated file: The file ends at byte "},
        {{"info", data + "/no-such-file.m2v"}, {}, "no-such-file.m2v: Cannot read the file: "},
    };
    for (const auto& c : cases) {
        const CliRun run = run_cli(c.arguments, {.environment = english});
        const auto lines = cli_run::lines_of(run.out);
        for (const auto& line : c.out_lines) {
            EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end())
                << described(c.arguments) << "no line \"" << line << "\" in\n"
                << run.out;
        }
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
}

TEST(CliLanguage, DataIsTheSameUnderBothLanguages) {
    std::vector<std::vector<std::string>> data_commands = {
        {"info", "--json", data + "/mpeg2-ps-dvd.vob", data + "/mpeg2-ts-truncated.ts",
         data + "/no-such-file.m2v"},
        {"scan", "--json", "--quantiser", data + "/mpeg2-ps-joined.vob",
         data + "/mpeg2-ts-truncated.ts"},
        {"pictures", "--quantiser", data + "/mpeg2-ts-422.ts", data + "/mpeg2-ts-truncated.ts"},
        {"pictures", "--format", "json", data + "/mpeg2-ts-truncated.ts"},
        {"matrix", "--format", "csv", data + "/mpeg2-es-mpeg2enc.m2v"},
        {"matrix", "--format", "ffmpeg", data + "/mpeg2-es-mpeg2enc.m2v"},
        {"matrix", "--format", "mpeg2enc", data + "/mpeg2-es-mpeg2enc.m2v"},
    };
    // The other codecs' JSON: their stream types and lists' sources stay French.
    TempDir encodes;
    if (has_ffmpeg_encoder("libx264")) {
        const std::string ts = encodes.file("a.ts");
        const std::string mkv = encodes.file("jvt.mkv");
        ASSERT_TRUE(encode_test_pattern("-c:v libx264", ts, "64x64", 3));
        ASSERT_TRUE(encode_test_pattern("-c:v libx264 -x264-params cqm=jvt", mkv, "64x64", 3));
        data_commands.push_back({"info", "--json", ts, mkv});
        data_commands.push_back({"scan", "--json", ts, mkv});
    }
    for (const auto& arguments : data_commands) {
        const CliRun french = run_cli(arguments);
        const CliRun run = run_cli(arguments, {.environment = english});
        EXPECT_FALSE(french.out.empty()) << described(arguments);
        EXPECT_EQ(run.out, french.out) << described(arguments);
        EXPECT_EQ(run.status, french.status) << described(arguments);
    }
    // The written files: the CCE registry script and TMPGEnc.ini.
    std::string written[2];
    for (int i = 0; i < 2; ++i) {
        TempDir dir;
        const std::string ini =
            dir.write_text("TMPGEnc.ini", "[Tools.QuantizeMatrix]\r\nCount=0\r\n");
        const auto environment = i == 0 ? std::vector<std::string>{} : english;
        const std::string video = data + "/mpeg2-es-mpeg2enc.m2v";
        ASSERT_EQ(run_cli({"export-cce", video, "--key", "K", "--name", "N", "--output",
                           dir.folder() + "q.reg"},
                          {.environment = environment})
                      .status,
                  0);
        ASSERT_EQ(run_cli({"export-tmpgenc", video, "--folder", dir.folder(), "--name", "N"},
                          {.environment = environment})
                      .status,
                  0);
        written[i] = read_all(dir.folder() + "q.reg") + read_all(ini);
    }
    EXPECT_FALSE(written[0].empty());
    EXPECT_EQ(written[1], written[0]);
}

} // namespace
} // namespace quantaline::test
