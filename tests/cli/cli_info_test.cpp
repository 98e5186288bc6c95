// quantaline-cli info, end to end: the real binary, its exit statuses, its texts and
// its JSON Lines.

#include "support/cli_run.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quantaline::test {
namespace {

using cli_run::CliRun;
using cli_run::Json;
using cli_run::lines_of;
using cli_run::parse_json;
using cli_run::run_cli;
using cli_run::valid_utf8;

// --- expected texts, spelled out --------------------------------------------------------

const std::string usage_head = "Usage: quantaline-cli COMMAND [OPTIONS]\n";

const std::string scan_title = "impossible de lire le fichier...";
const std::string scan_text = "Une erreur s'est produite à la lecture du fichier, cer...";
const std::string warning_title = "Problême(s) en lisant l'entête du fichier...";
const std::string warning_text =
    "Une erreur s'est produite à la lecture du fichier, Quantaline n'a pas pu décrypter "
    "correctement les informations.\r\nLes données affichées sont peut-être fausses. Il est "
    "déconseillé d'exporter les matrices dans ce cas ";

const std::vector<std::vector<int>> default_intra_rows = {
    {8, 16, 19, 22, 26, 27, 29, 34},  {16, 16, 22, 24, 27, 29, 34, 37},
    {19, 22, 26, 27, 29, 34, 34, 38}, {22, 22, 26, 27, 29, 34, 37, 40},
    {22, 26, 27, 29, 32, 35, 40, 48}, {26, 27, 29, 32, 35, 40, 48, 58},
    {26, 27, 29, 34, 38, 46, 56, 69}, {27, 29, 35, 38, 46, 56, 69, 83}};

std::vector<std::vector<int>> rows_of(const Json& matrix) {
    std::vector<std::vector<int>> rows;
    for (const auto& row : matrix.array()) {
        std::vector<int> values;
        for (const auto& value : row.array()) {
            values.push_back(static_cast<int>(value.number()));
        }
        rows.push_back(values);
    }
    return rows;
}

std::string sample() {
    return std::string(QUANTALINE_TEST_DATA) + "/sample-dvd.vob";
}

// An MPEG-1 elementary stream (no extension at all), 352 x 240 at 29,97, both matrices
// default.
std::vector<std::uint8_t> mpeg1_stream() {
    StreamBuilder stream;
    stream.sequence_header({.horizontal_size = 352,
                            .vertical_size = 240,
                            .aspect_ratio_information = 12,
                            .frame_rate_code = 4,
                            .bit_rate_value = 2875,
                            .vbv_buffer_size_value = 20});
    return stream.bytes();
}

// A DVD-like program stream: pack header, header with a non-intra matrix, extensions.
std::vector<std::uint8_t> mpeg2_program_stream() {
    StreamBuilder stream;
    stream.pack_header()
        .sequence_header({.aspect_ratio_information = 3,
                          .frame_rate_code = 3,
                          .bit_rate_value = 24500,
                          .vbv_buffer_size_value = 112,
                          .non_intra = scan_matrix_of(20)})
        .sequence_extension(0x48)
        .sequence_display_extension(1)
        .picture_coding_extension(1, 3);
    return stream.bytes();
}

// --- the tests --------------------------------------------------------------------------

TEST(CliInfo, UsageErrorsExitWithTwoAndTheUsageText) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {"frobnicate"}, {"info"}, {"info", "--json"}, {"info", "--xml", sample()}, {"--jsn"},
    };
    for (const auto& arguments : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const CliRun run = run_cli(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("quantaline-cli: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(usage_head), std::string::npos) << run.err;
    }
}

TEST(CliInfo, HelpAndVersion) {
    const CliRun help = run_cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind(usage_head, 0), 0u) << help.out;
    EXPECT_NE(help.out.find("info [--json] FILE..."), std::string::npos);
    EXPECT_EQ(help.err, "");

    const CliRun version = run_cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quantaline-cli 1.1.0\n");
    EXPECT_EQ(version.err, "");

    // Every command answers --help wherever it stands among its arguments, even beside
    // arguments it would refuse; after "--" it is a file name.
    for (const std::string command :
         {"info", "report", "export-cce", "export-tmpgenc", "matrix", "scan"}) {
        for (const auto& arguments : std::vector<std::vector<std::string>>{
                 {command, "--help"}, {command, "missing.vob", "--bogus", "-h"}}) {
            SCOPED_TRACE(testing::PrintToString(arguments));
            const CliRun run = run_cli(arguments);
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.out.rfind("Usage: quantaline-cli " + command + " ", 0), 0u) << run.out;
            EXPECT_EQ(run.out.find(usage_head), std::string::npos) << "only its own usage";
            EXPECT_EQ(run.err, "");
        }
    }
    const CliRun file_named_help = run_cli({"info", "--", "--help"});
    EXPECT_EQ(file_named_help.status, 1);
    EXPECT_EQ(file_named_help.out.find("Usage:"), std::string::npos);
}

TEST(CliInfo, DoubleDashEndsTheOptions) {
    TempDir dir;
    dir.write("--json", mpeg1_stream());
    // From inside the folder, the file is named "--json".
    const CliRun run =
        run_cli({"info", "--json", "--", "--json"}, {.working_folder = dir.path().string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(parse_json(run.out)["file"].text(), "--json");
    EXPECT_EQ(parse_json(run.out)["horizontal_size"].number(), 352);
}

TEST(CliInfo, JsonHasExactlyTheKeysInOrder) {
    const CliRun run = run_cli({"info", "--json", sample()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto lines = lines_of(run.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(run.out.back(), '\n');
    const Json json = parse_json(lines[0]);

    const auto keys = json.keys();
    const std::vector<std::string> expected = {"file",
                                               "stream_type_text",
                                               "header_position",
                                               "mpeg_version_text",
                                               "horizontal_size",
                                               "vertical_size",
                                               "aspect_ratio_text",
                                               "frame_rate_text",
                                               "max_bit_rate_kbps",
                                               "vbv_buffer_size_kb",
                                               "profile_text",
                                               "level_text",
                                               "chroma_format_text",
                                               "intra_dc_precision_bits",
                                               "video_format_text",
                                               "picture_structure_text",
                                               "intra",
                                               "non_intra",
                                               "intra_from_stream",
                                               "non_intra_from_stream",
                                               "intra_match",
                                               "non_intra_match",
                                               "messages"};
    EXPECT_EQ(keys, expected);
    for (const char* matrix : {"intra", "non_intra"}) {
        const auto rows = rows_of(json[matrix]);
        ASSERT_EQ(rows.size(), 8u);
        for (const auto& row : rows) {
            EXPECT_EQ(row.size(), 8u);
        }
    }
    EXPECT_TRUE(json["messages"].array().empty());
}

TEST(CliInfo, JsonCarriesTheRawValuesNotTheWindowTexts) {
    TempDir dir;
    const std::string mpeg1 = dir.write("mpeg1.m1v", mpeg1_stream());
    const std::string mpeg2 = dir.write("dvd.vob", mpeg2_program_stream());
    const CliRun run = run_cli({"info", "--json", mpeg1, mpeg2});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = lines_of(run.out);
    ASSERT_EQ(lines.size(), 2u);

    const Json first = parse_json(lines[0]);
    EXPECT_EQ(first["file"].text(), mpeg1);
    EXPECT_EQ(first["stream_type_text"].text(), "Flux élémentaire");
    EXPECT_EQ(first["header_position"].number(), 0);
    EXPECT_EQ(first["mpeg_version_text"].text(), "MPEG-1");
    EXPECT_EQ(first["horizontal_size"].number(), 352);
    EXPECT_EQ(first["vertical_size"].number(), 240);
    EXPECT_EQ(first["aspect_ratio_text"].text(), ""); // code 12: no "???" in the JSON
    EXPECT_EQ(first["frame_rate_text"].text(), "29,97");
    EXPECT_EQ(first["max_bit_rate_kbps"].number(), 1150);
    EXPECT_EQ(first["vbv_buffer_size_kb"].number(), 40);
    for (const char* key : {"profile_text", "level_text", "chroma_format_text", "video_format_text",
                            "picture_structure_text"}) {
        EXPECT_EQ(first[key].text(), "") << key;
    }
    EXPECT_EQ(first["intra_dc_precision_bits"].number(), 0);
    EXPECT_EQ(rows_of(first["intra"]), default_intra_rows);
    EXPECT_EQ(rows_of(first["non_intra"]),
              std::vector<std::vector<int>>(8, std::vector<int>(8, 16)));
    EXPECT_FALSE(first["intra_from_stream"].boolean());
    EXPECT_FALSE(first["non_intra_from_stream"].boolean());

    const Json second = parse_json(lines[1]);
    EXPECT_EQ(second["file"].text(), mpeg2);
    EXPECT_EQ(second["stream_type_text"].text(), "Flux programme");
    EXPECT_EQ(second["header_position"].number(), 14);
    EXPECT_EQ(second["mpeg_version_text"].text(), "MPEG-2");
    EXPECT_EQ(second["aspect_ratio_text"].text(), "16:9");
    EXPECT_EQ(second["frame_rate_text"].text(), "25");
    EXPECT_EQ(second["max_bit_rate_kbps"].number(), 9800);
    EXPECT_EQ(second["vbv_buffer_size_kb"].number(), 224);
    EXPECT_EQ(second["profile_text"].text(), "MainProfil");
    EXPECT_EQ(second["level_text"].text(), "MainLevel");
    EXPECT_EQ(second["chroma_format_text"].text(), "4:2:0");
    EXPECT_EQ(second["video_format_text"].text(), "PAL");
    EXPECT_EQ(second["intra_dc_precision_bits"].number(), 9);
    EXPECT_EQ(second["picture_structure_text"].text(), "Frame Picture");
    EXPECT_EQ(rows_of(second["non_intra"]),
              std::vector<std::vector<int>>(8, std::vector<int>(8, 20)));
    EXPECT_FALSE(second["intra_from_stream"].boolean());
    EXPECT_TRUE(second["non_intra_from_stream"].boolean());
}

TEST(CliInfo, HumanOutputUsesTheWindowTexts) {
    TempDir dir;
    const std::string mpeg1 = dir.write("mpeg1.m1v", mpeg1_stream());
    const CliRun run = run_cli({"info", mpeg1});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string expected = "Fichier : " + mpeg1 +
                                 "\n"
                                 "Type de flux : Flux élémentaire MPEG-1\n"
                                 "Résolution : 352 x 240\n"
                                 "Aspect ratio : ???\n"
                                 "Fréquence d'image : 29,97\n"
                                 "Débit maximum : 1150\n"
                                 "VBV : 40\n"
                                 "Profil : Sans objet\n"
                                 "Format YUV : ???\n"
                                 "Format Video : Défaut\n"
                                 "DCT :???\n"
                                 "Structure d'image : ???\n"
                                 "\n"
                                 "Matrice INTRA-BLOCK Standard MPEG (MPEG)\n"
                                 "   8  16  19  22  26  27  29  34\n"
                                 "  16  16  22  24  27  29  34  37\n"
                                 "  19  22  26  27  29  34  34  38\n"
                                 "  22  22  26  27  29  34  37  40\n"
                                 "  22  26  27  29  32  35  40  48\n"
                                 "  26  27  29  32  35  40  48  58\n"
                                 "  26  27  29  34  38  46  56  69\n"
                                 "  27  29  35  38  46  56  69  83\n"
                                 "\n"
                                 "Matrice non INTRA-BLOCK Standard MPEG (MPEG)\n" +
                                 [] {
                                     std::string grid;
                                     for (int row = 0; row < 8; ++row) {
                                         grid += "  16  16  16  16  16  16  16  16\n";
                                     }
                                     return grid;
                                 }();
    EXPECT_EQ(run.out, expected);

    const std::string mpeg2 = dir.write("dvd.vob", mpeg2_program_stream());
    const CliRun dvd = run_cli({"info", mpeg2});
    ASSERT_EQ(dvd.status, 0) << dvd.err;
    for (const char* line :
         {"Type de flux : Flux programme MPEG-2\n", "Profil : MainProfil@MainLevel\n",
          "Format YUV : 4:2:0\n", "Format Video : PAL\n", "DCT : 9\n",
          "Structure d'image : Frame Picture\n", "Matrice INTRA-BLOCK Standard MPEG (MPEG)\n",
          "Matrice non INTRA-BLOCK speciale\n"}) {
        EXPECT_NE(dvd.out.find(line), std::string::npos) << line;
    }
}

// Unreadable inputs: a missing file, a folder, a FIFO with no writer (which must not
// block), a file without read permission. Each gives both messages, in order, and the
// system's reason; the JSON keeps its object (cleared values, the default matrices) with
// the reason in the first message, the text form prints nothing on standard output.
TEST(CliInfo, UnreadableInputsGiveBothMessagesTheReasonAndNeverHang) {
    TempDir dir;
    const std::string fifo = dir.file("pipe.vob");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir.file("folder.vob");
    std::filesystem::create_directory(folder);
    const std::string not_regular = "Ce n'est pas un fichier ordinaire";
    std::vector<std::pair<std::string, std::string>> inputs = {
        {dir.file("missing.vob"), "Aucun fichier ou dossier de ce nom"},
        {folder, "C'est un dossier"},
        {fifo, not_regular},
        {"/dev/null", not_regular}};
    if (geteuid() != 0) { // root reads anything
        const std::string locked = dir.write("locked.vob", mpeg1_stream());
        chmod(locked.c_str(), 0);
        inputs.emplace_back(locked, "Permission non accordée");
    }

    for (const auto& [input, reason] : inputs) {
        SCOPED_TRACE(input);
        const CliRun json = run_cli({"info", "--json", input}, {.timeout_ms = 60000});
        ASSERT_FALSE(json.timed_out);
        EXPECT_EQ(json.status, 1);
        const Json line = parse_json(json.out);
        const auto& messages = line["messages"].array();
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0]["icon"].text(), "critical");
        EXPECT_EQ(messages[0]["title"].text(), scan_title);
        EXPECT_EQ(messages[0]["text"].text(), scan_text);
        EXPECT_EQ(messages[0]["reason"].text(), reason);
        EXPECT_EQ(messages[1]["icon"].text(), "exclamation");
        EXPECT_EQ(messages[1]["title"].text(), warning_title);
        EXPECT_EQ(messages[1]["text"].text(), warning_text);
        EXPECT_EQ(line["stream_type_text"].text(), "");
        EXPECT_EQ(line["horizontal_size"].number(), 0);
        EXPECT_EQ(line["max_bit_rate_kbps"].number(), 0);
        EXPECT_EQ(line["mpeg_version_text"].text(), "");
        EXPECT_EQ(rows_of(line["intra"]), default_intra_rows);
        EXPECT_FALSE(line["intra_from_stream"].boolean());
        EXPECT_FALSE(line["non_intra_from_stream"].boolean());

        // The default mode prints the same messages and the reason on standard error.
        const CliRun human = run_cli({"info", input}, {.timeout_ms = 60000});
        ASSERT_FALSE(human.timed_out);
        EXPECT_EQ(human.status, 1);
        EXPECT_EQ(human.err, input + ": " + scan_title + ": " + scan_text + "\n" + input + ": " +
                                 warning_title + ": " + warning_text + "\n" + input + ": " +
                                 reason + "\n");
        EXPECT_EQ(human.out, "");
    }
    // A readable file after an unreadable one begins the output, with no blank line.
    const CliRun both =
        run_cli({"info", dir.file("missing.vob"), dir.write("ok.m1v", mpeg1_stream())});
    EXPECT_EQ(both.out.rfind(std::string("Fichier : ") + dir.file("ok.m1v"), 0), 0u) << both.out;
}

// No sequence header within the search window: one information message, nothing decoded.
TEST(CliInfo, NoSequenceHeaderGivesOneInformationMessageAndNothingDecoded) {
    const std::string title = "Aucune séquence MPEG...";
    const std::string text = "Aucun en-tête de séquence MPEG n'a été trouvé dans les 300000 "
                             "premiers octets du fichier. Les matrices affichées sont celles de "
                             "la norme MPEG.";
    TempDir dir;
    StreamBuilder late;
    late.fill_to(299999, 0x55).sequence_header({.non_intra = scan_matrix_of(20)});
    const std::vector<std::string> inputs = {
        dir.write("late.m2v", late.bytes()), dir.write("empty.m2v", {}),
        std::string(QUANTALINE_TEST_DATA) + "/mpeg2-ps-no-header.vob"};
    for (const auto& input : inputs) {
        SCOPED_TRACE(input);
        const CliRun json = run_cli({"info", "--json", input});
        EXPECT_EQ(json.status, 1);
        EXPECT_EQ(json.err, "");
        const Json line = parse_json(json.out);
        const auto& messages = line["messages"].array();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0]["icon"].text(), "information");
        EXPECT_EQ(messages[0]["title"].text(), title);
        EXPECT_EQ(messages[0]["text"].text(), text);
        for (const char* key :
             {"stream_type_text", "mpeg_version_text", "aspect_ratio_text", "frame_rate_text",
              "profile_text", "level_text", "chroma_format_text", "video_format_text",
              "picture_structure_text"}) {
            EXPECT_EQ(line[key].text(), "") << key;
        }
        for (const char* key :
             {"header_position", "horizontal_size", "vertical_size", "max_bit_rate_kbps",
              "vbv_buffer_size_kb", "intra_dc_precision_bits"}) {
            EXPECT_EQ(line[key].number(), 0) << key;
        }
        EXPECT_EQ(rows_of(line["intra"]), default_intra_rows);
        EXPECT_EQ(rows_of(line["non_intra"]),
                  std::vector<std::vector<int>>(8, std::vector<int>(8, 16)));
        EXPECT_FALSE(line["intra_from_stream"].boolean());
        EXPECT_FALSE(line["non_intra_from_stream"].boolean());

        const CliRun human = run_cli({"info", input});
        EXPECT_EQ(human.status, 1);
        EXPECT_EQ(human.err, input + ": " + title + ": " + text + "\n");
        EXPECT_NE(human.out.find("Type de flux : ???\n"), std::string::npos) << human.out;
        EXPECT_NE(human.out.find("Résolution : 0 x 0\n"), std::string::npos) << human.out;
    }
}

TEST(CliInfo, SeveralFilesGiveOneLineEachInOrderAndStatusOneOnAnyMessage) {
    TempDir dir;
    const std::string good = dir.write("a.m1v", mpeg1_stream());
    const std::string missing = dir.file("missing.m2v");
    const CliRun run = run_cli({"info", "--json", good, missing, sample(), good});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, ""); // with --json the messages are in the JSON
    const auto lines = lines_of(run.out);
    ASSERT_EQ(lines.size(), 4u);
    const std::vector<std::string> files = {good, missing, sample(), good};
    const std::vector<std::size_t> message_counts = {0, 2, 0, 0};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Json line = parse_json(lines[i]);
        EXPECT_EQ(line["file"].text(), files[i]);
        EXPECT_EQ(line["messages"].array().size(), message_counts[i]);
    }

    // The default mode separates the files with an empty line.
    const CliRun human = run_cli({"info", good, good});
    EXPECT_EQ(human.status, 0);
    const auto second = human.out.find("\n\nFichier : ");
    EXPECT_NE(second, std::string::npos);
    EXPECT_EQ(human.out.substr(0, second + 1), human.out.substr(second + 2));
}

TEST(CliInfo, FileNamesThatAreNotUtf8StillGiveValidJson) {
    TempDir dir;
    // Latin-1 "é", a lone continuation byte and a control character.
    const std::string name = dir.file("caf\xE9-\x80-\x01.m1v");
    {
        std::ofstream out(name, std::ios::binary);
        const auto bytes = mpeg1_stream();
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    const CliRun run = run_cli({"info", "--json", name});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_TRUE(valid_utf8(run.out));
    const Json line = parse_json(run.out);
    EXPECT_EQ(line["file"].text(), dir.file("caf\xEF\xBF\xBD-\xEF\xBF\xBD-\x01.m1v"));
    EXPECT_EQ(line["horizontal_size"].number(), 352);
}

} // namespace
} // namespace quantaline::test
