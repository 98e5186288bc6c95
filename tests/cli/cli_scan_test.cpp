// quantaline-cli scan, end to end: the JSON keys and values, the text table and grids,
// folders, argument order under parallel scanning, exit statuses, Ctrl-C.

#include "support/cli_run.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quantaline::test {
namespace {

using cli_run::Json;
using cli_run::lines_of;
using cli_run::parse_json;
using cli_run::run_cli;

std::vector<std::uint8_t> two_sets() {
    StreamBuilder s;
    s.sequence_header({}).group_of_pictures_header(0, 0, 0, 0).picture(0, 1).picture(1, 2);
    s.sequence_header({.intra = scan_matrix_of(20)}).group_of_pictures_header(10, 20, 30, 12);
    s.picture(0, 1);
    return s.bytes();
}

std::vector<double> row(const Json& matrix, std::size_t index) {
    std::vector<double> values;
    for (const auto& value : matrix[index].array()) {
        values.push_back(value.number());
    }
    return values;
}

TEST(CliScan, JsonHasExactlyTheKeysAndValues) {
    TempDir dir;
    const auto es = two_sets();
    const auto ts = transport_stream(es);
    const std::string file = dir.write("video.ts", ts.bytes);
    const auto run = run_cli({"scan", "--json", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto lines = lines_of(run.out);
    ASSERT_EQ(lines.size(), 1u);
    const Json json = parse_json(lines[0]);

    const auto keys = json.keys();
    EXPECT_EQ(keys, (std::vector<std::string>{"file", "container", "video", "pictures",
                                              "sequence_headers", "quant_matrix_extensions",
                                              "changes", "matrix_sets", "messages"}));
    EXPECT_EQ(json["file"].text(), file);
    EXPECT_EQ(json["container"].text(), "transport");
    EXPECT_EQ(json["video"].number(), 256);
    EXPECT_EQ(json["pictures"].number(), 3);
    EXPECT_EQ(json["sequence_headers"].number(), 2);
    EXPECT_EQ(json["quant_matrix_extensions"].number(), 0);
    EXPECT_TRUE(json["messages"].array().empty());

    const auto& changes = json["changes"].array();
    ASSERT_EQ(changes.size(), 2u);
    const auto change_keys = changes[1].keys();
    EXPECT_EQ(change_keys,
              (std::vector<std::string>{"offset", "picture", "time_code", "kind", "intra",
                                        "non_intra", "chroma_intra", "chroma_non_intra"}));
    // Each start code: where its first 00 lies in the transport stream.
    StreamBuilder first_part;
    first_part.sequence_header({}).group_of_pictures_header(0, 0, 0, 0).picture(0, 1).picture(1, 2);
    EXPECT_EQ(changes[0]["offset"].number(), static_cast<double>(ts.offsets[0]));
    EXPECT_EQ(changes[1]["offset"].number(), static_cast<double>(ts.offsets[first_part.size()]));
    EXPECT_EQ(changes[0]["picture"].number(), 0);
    EXPECT_EQ(changes[1]["picture"].number(), 2);
    EXPECT_EQ(changes[0]["time_code"].text(), "00:00:00:00");
    EXPECT_EQ(changes[1]["time_code"].text(), "10:20:30:12");
    EXPECT_EQ(changes[1]["kind"].text(), "sequence_header");
    EXPECT_EQ(row(changes[0]["intra"], 0), (std::vector<double>{8, 16, 19, 22, 26, 27, 29, 34}));
    EXPECT_EQ(row(changes[1]["chroma_intra"], 3), std::vector<double>(8, 20));
    EXPECT_EQ(row(changes[1]["chroma_non_intra"], 7), std::vector<double>(8, 16));

    const auto& sets = json["matrix_sets"].array();
    ASSERT_EQ(sets.size(), 2u);
    const auto set_keys = sets[0].keys();
    EXPECT_EQ(set_keys,
              (std::vector<std::string>{"intra", "non_intra", "chroma_intra", "chroma_non_intra",
                                        "first_picture", "pictures"}));
    EXPECT_EQ(sets[0]["first_picture"].number(), 0);
    EXPECT_EQ(sets[0]["pictures"].number(), 2);
    EXPECT_EQ(sets[1]["first_picture"].number(), 2);
    EXPECT_EQ(sets[1]["pictures"].number(), 1);
}

TEST(CliScan, TextShowsTheChangesAndEachSetAsGrids) {
    TempDir dir;
    StreamBuilder s;
    s.sequence_header({}).group_of_pictures_header(0, 0, 0, 0).picture(0, 1);
    s.picture_header(1, 2).picture_coding_extension(0, 3);
    const std::size_t qme = s.size();
    s.quant_matrix_extension({.chroma_non_intra = scan_matrix_of(9)}).slice(20);
    const std::string file = dir.write("video.m2v", s.bytes());
    const auto run = run_cli({"scan", file});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string grid_intra = "   8  16  19  22  26  27  29  34\n"
                                   "  16  16  22  24  27  29  34  37\n"
                                   "  19  22  26  27  29  34  34  38\n"
                                   "  22  22  26  27  29  34  37  40\n"
                                   "  22  26  27  29  32  35  40  48\n"
                                   "  26  27  29  32  35  40  48  58\n"
                                   "  26  27  29  34  38  46  56  69\n"
                                   "  27  29  35  38  46  56  69  83\n";
    std::string grid_16;
    std::string grid_9;
    for (int i = 0; i < 8; ++i) {
        grid_16 += "  16  16  16  16  16  16  16  16\n";
        grid_9 += "   9   9   9   9   9   9   9   9\n";
    }
    char qme_row[120];
    std::snprintf(qme_row, sizeof qme_row, "%12zu", qme);
    const std::string expected =
        "Fichier : " + file + "\n" +
        "Conteneur : Flux élémentaire\n"
        "Images : 2\n"
        "En-têtes de séquence : 1\n"
        "Extensions de matrices : 1\n"
        "\n"
        "Changements :\n"
        "       Octet    Image  Code temporel  Origine                Matrices\n"
        "           0        0  00:00:00:00    en-tête de séquence    matrices initiales\n" +
        qme_row + "        1  -              extension de matrices  chroma non-intra\n" +
        "\n"
        "Jeu de matrices 1 : 1 image(s), la première : 0\n"
        "Intra :\n" +
        grid_intra + "Non-intra :\n" + grid_16 + "Chroma intra :\n" + grid_intra +
        "Chroma non-intra :\n" + grid_16 +
        "\n"
        "Jeu de matrices 2 : 1 image(s), la première : 1\n"
        "Intra :\n" +
        grid_intra + "Non-intra :\n" + grid_16 + "Chroma intra :\n" + grid_intra +
        "Chroma non-intra :\n" + grid_9;
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "");
}

TEST(CliScan, FoldersInNameOrderAndFilesInArgumentOrder) {
    TempDir dir;
    const auto video = two_sets();
    for (const char* name : {"b.vob", "a.M2V", "c.txt", "z.m2ts", "sub/d.ts", "sub2/e.MTS",
                             "sub2/deeper/f.mpeg", "mpg"}) {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        dir.write(name, video);
    }
    const auto files_of = [](const std::string& out) {
        std::vector<std::string> files;
        for (const auto& line : lines_of(out)) {
            files.push_back(parse_json(line)["file"].text());
        }
        return files;
    };
    const std::string top = dir.path().string();
    const auto flat = run_cli({"scan", "--json", top});
    EXPECT_EQ(flat.status, 0);
    EXPECT_EQ(files_of(flat.out),
              (std::vector<std::string>{top + "/a.M2V", top + "/b.vob", top + "/z.m2ts"}));
    const auto deep = run_cli({"scan", "-r", "--json", top});
    EXPECT_EQ(files_of(deep.out),
              (std::vector<std::string>{top + "/a.M2V", top + "/b.vob", top + "/sub/d.ts",
                                        top + "/sub2/deeper/f.mpeg", top + "/sub2/e.MTS",
                                        top + "/z.m2ts"}));

    // Many files of different sizes at once: the output keeps the order of the arguments,
    // whichever scan ends first; a file given by name is read whatever its extension.
    std::vector<std::string> arguments = {"scan", "--json"};
    std::vector<std::string> expected;
    for (int i = 0; i < 16; ++i) {
        StreamBuilder s;
        s.sequence_header({}).picture(0, 1);
        s.fill_to(static_cast<std::size_t>(16 - i) * 300000, 0x55);
        const std::string name = dir.write("many-" + std::to_string(i) + ".bin", s.bytes());
        arguments.push_back(name);
        expected.push_back(name);
    }
    arguments.push_back(dir.file("c.txt"));
    expected.push_back(dir.file("c.txt"));
    const auto many = run_cli(arguments);
    EXPECT_EQ(many.status, 0) << many.err;
    EXPECT_EQ(files_of(many.out), expected);
}

TEST(CliScan, ExitStatusesAndMessages) {
    TempDir dir;
    const std::string good = dir.write("good.m2v", two_sets());
    const std::string empty = dir.write("empty.mpg", {});
    const std::string missing = dir.file("missing.vob");
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int status;
        std::vector<std::string> message_titles; // per JSON line, joined by "|"
    };
    const std::vector<Case> cases = {
        {"one good file", {"scan", "--json", good}, 0, {""}},
        {"no video, and a missing file, between good ones",
         {"scan", "--json", good, empty, missing, good},
         1,
         {"", "Aucune vidéo MPEG", "impossible de lire le fichier...", ""}},
        {"no file", {"scan", "--json"}, 2, {}},
        {"an unknown option", {"scan", "--fast", good}, 2, {}},
        {"-- ends the options", {"scan", "--json", "--", good}, 0, {""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = run_cli(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        std::vector<std::string> titles;
        for (const auto& line : lines_of(run.out)) {
            std::string joined;
            const Json json = parse_json(line);
            for (const auto& message : json["messages"].array()) {
                joined += (joined.empty() ? "" : "|") + message["title"].text();
            }
            titles.push_back(joined);
        }
        EXPECT_EQ(titles, c.message_titles);
        if (c.status == 2) {
            EXPECT_NE(run.err.find("Usage: quantaline-cli"), std::string::npos);
        }
    }
    // A folder without a video file says so, with or without -r, beside good files too.
    const std::string bare = dir.file("bare");
    std::filesystem::create_directories(bare + "/sub");
    dir.write("bare/notes.txt", {});
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"scan", bare}, {"scan", "-r", "--json", good, bare}}) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const auto run = run_cli(arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("quantaline-cli: " + bare + ": no video file in this folder"),
                  std::string::npos)
            << run.err;
    }

    // Without --json the messages go to standard error, one line each.
    const auto text = run_cli({"scan", empty});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.err, empty + ": Aucune vidéo MPEG: Aucun en-tête de séquence vidéo MPEG n'a "
                                "été trouvé dans le fichier.\n");
}

TEST(CliScan, LargeFilesShowNoProgressOffATerminalAndCtrlCStopsCleanly) {
    TempDir dir;
    StreamBuilder s;
    s.sequence_header({}).picture(0, 1);
    const std::string large = dir.write("large.m2v", s.bytes());
    // Sparse: 150 MB and 8 GB of zeros cost no disk.
    std::filesystem::resize_file(large, 150'000'000);
    const auto quiet = run_cli({"scan", large});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, ""); // standard error is a pipe here: no progress line

    const std::string huge = dir.write("huge.m2v", s.bytes());
    std::filesystem::resize_file(huge, 8'000'000'000);
    const std::string never = dir.write("never.m2v", s.bytes());
    const auto started = std::chrono::steady_clock::now();
    const auto stopped = run_cli({"scan", "--json", huge, huge, huge, never},
                                 {.timeout_ms = 20000, .interrupt_after_ms = 300});
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_FALSE(stopped.timed_out);
    EXPECT_LT(seconds, 5.0);
    EXPECT_EQ(stopped.status, 130);
    const auto lines = lines_of(stopped.out);
    // The scans under way report where they stopped; the files not begun are not printed.
    ASSERT_GE(lines.size(), 1u);
    EXPECT_LT(lines.size(), 4u);
    for (const auto& line : lines) {
        const Json json = parse_json(line);
        EXPECT_EQ(json["file"].text(), huge);
        ASSERT_EQ(json["messages"].array().size(), 1u);
        EXPECT_EQ(json["messages"][0]["title"].text(), "Analyse interrompue");
        EXPECT_EQ(json["pictures"].number(), 1);
    }
}

} // namespace
} // namespace quantaline::test
