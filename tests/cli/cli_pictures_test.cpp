// quantaline-cli pictures, end to end: the CSV and JSON of every picture, file names that
// CSV must quote, folders, exit statuses, Ctrl-C.

#include "support/cli_run.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace quantaline::test {
namespace {

using cli_run::Json;
using cli_run::lines_of;
using cli_run::parse_json;
using cli_run::run_cli;

// A P picture before the first sequence header, then I, a pair of B fields, and a picture
// coded with a second set.
struct Video {
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> starts; // each picture's start code
    std::vector<std::size_t> ends;   // where each picture's bytes end
};

Video video(bool forbidden_type = true) {
    Video v;
    StreamBuilder s;
    const auto picture = [&](const std::function<void()>& write) {
        v.starts.push_back(s.size());
        write();
        v.ends.push_back(s.size());
    };
    picture([&] { s.picture_header(3, 2).slice(20); });
    s.sequence_header({}).sequence_extension(0x48).group_of_pictures_header(0, 0, 0, 0);
    picture([&] { s.picture(2, 1); });
    picture([&] { s.picture_header(0, 3).picture_coding_extension(0, 1).slice(30); });
    picture([&] { s.picture_header(0, 3).picture_coding_extension(0, 2).slice(31); });
    s.sequence_header({.intra = scan_matrix_of(20)}).sequence_extension(0x48);
    // A picture_coding_type of 0 is forbidden: its type is null in JSON, "?" in CSV, and
    // the picture is named as damage.
    picture([&] {
        s.picture_header(1, forbidden_type ? 0 : 1).picture_coding_extension(0, 3).slice(5);
    });
    v.bytes = s.bytes();
    return v;
}

const std::string timing_header =
    "file,index,offset,type,structure,temporal_reference,bytes,matrix_set,vbv_delay,"
    "top_field_first,repeat_first_field,progressive_frame,fields,decode_time,vbv_occupancy\n";

TEST(CliPictures, CsvRowsSpelledOut) {
    TempDir dir;
    const Video v = video();
    // The bytes of each picture: header (8 or 9 bytes), coding extension (9), slices.
    ASSERT_EQ(v.ends[0] - v.starts[0], 9u + 24u);
    ASSERT_EQ(v.ends[1] - v.starts[1], 8u + 9u + 44u + 44u);
    ASSERT_EQ(v.ends[2] - v.starts[2], 9u + 9u + 34u);
    ASSERT_EQ(v.ends[3] - v.starts[3], 9u + 9u + 35u);
    ASSERT_EQ(v.ends[4] - v.starts[4], 8u + 9u + 9u);
    const auto ts = transport_stream(v.bytes);
    const std::string plain = dir.write("video.ts", ts.bytes);
    const std::string quoted = dir.write("a, \"b\".m2v", v.bytes);
    const auto run = run_cli({"pictures", plain, quoted});
    ASSERT_EQ(run.status, 1) << run.err;
    const auto damage = [](const std::string& file, std::uint64_t offset) {
        return file +
               ": Données endommagées: 1 image(s) d'un type interdit, la première à "
               "l'octet " +
               std::to_string(offset) + ".\n";
    };
    EXPECT_EQ(run.err, damage(plain, ts.offsets[v.starts[4]]) + damage(quoted, v.starts[4]));
    const auto rows = [](const std::string& name, const std::vector<std::uint64_t>& offsets) {
        const char* const fields[] = {"0,%llu,P,frame,3,33,\n", "1,%llu,I,frame,2,105,1\n",
                                      "2,%llu,B,top,0,52,1\n", "3,%llu,B,bottom,0,53,1\n",
                                      "4,%llu,?,frame,1,26,2\n"};
        std::string out;
        for (std::size_t n = 0; n < 5; ++n) {
            char line[100];
            std::snprintf(line, sizeof line, fields[n],
                          static_cast<unsigned long long>(offsets[n]));
            out += name + "," + line;
        }
        return out;
    };
    std::vector<std::uint64_t> ts_offsets;
    for (const std::size_t start : v.starts) {
        ts_offsets.push_back(ts.offsets[start]);
    }
    const std::vector<std::uint64_t> es_offsets(v.starts.begin(), v.starts.end());
    EXPECT_EQ(run.out.substr(0, run.out.find('\n') + 1), timing_header);
    EXPECT_EQ(cli_run::without_timing_columns(run.out),
              "file,index,offset,type,structure,temporal_reference,bytes,matrix_set\n" +
                  rows(plain, ts_offsets) +
                  rows("\"" + dir.file("a, \"\"b\"\".m2v") + "\"", es_offsets));
}

TEST(CliPictures, JsonHasTheKeysAndNulls) {
    TempDir dir;
    const Video v = video();
    const auto ps = program_stream(v.bytes, {.max_payload = 50});
    const std::string file = dir.write("video.vob", ps.bytes);
    const auto run = run_cli({"pictures", "--format", "json", file});
    ASSERT_EQ(run.status, 1) << run.err;
    const auto lines = lines_of(run.out);
    ASSERT_EQ(lines.size(), 1u);
    const Json json = parse_json(lines[0]);
    EXPECT_EQ(json.keys(),
              (std::vector<std::string>{"file", "container", "video", "pictures", "messages"}));
    EXPECT_EQ(json["file"].text(), file);
    EXPECT_EQ(json["container"].text(), "program");
    EXPECT_EQ(json["video"].number(), 0xE0);
    const auto& pictures = json["pictures"].array();
    ASSERT_EQ(pictures.size(), 5u);
    EXPECT_EQ(pictures[0].keys(),
              (std::vector<std::string>{
                  "index", "offset", "type", "structure", "temporal_reference", "bytes",
                  "matrix_set", "vbv_delay", "top_field_first", "repeat_first_field",
                  "progressive_frame", "fields", "decode_time", "vbv_occupancy"}));
    EXPECT_EQ(pictures[0]["index"].number(), 0);
    EXPECT_EQ(pictures[0]["offset"].number(), static_cast<double>(ps.offsets[0]));
    EXPECT_EQ(pictures[0]["type"].text(), "P");
    EXPECT_TRUE(std::holds_alternative<std::nullptr_t>(pictures[0]["matrix_set"].value));
    EXPECT_EQ(pictures[2]["structure"].text(), "top");
    EXPECT_EQ(pictures[3]["offset"].number(), static_cast<double>(ps.offsets[v.starts[3]]));
    EXPECT_EQ(pictures[3]["bytes"].number(), 53);
    EXPECT_EQ(pictures[4]["index"].number(), 4);
    EXPECT_TRUE(std::holds_alternative<std::nullptr_t>(pictures[4]["type"].value));
    EXPECT_EQ(pictures[4]["matrix_set"].number(), 2);
    ASSERT_EQ(json["messages"].array().size(), 1u);
    EXPECT_EQ(json["messages"].array()[0]["text"].text(),
              "1 image(s) d'un type interdit, la première à l'octet " +
                  std::to_string(ps.offsets[v.starts[4]]) + ".");
}

TEST(CliPictures, FoldersExitStatusesAndMessagesAsScan) {
    TempDir dir;
    const std::string good = dir.write("good.m2v", video(false).bytes);
    const std::string empty = dir.write("empty.mpg", {});
    const std::string bare = dir.file("bare");
    std::filesystem::create_directories(bare + "/sub");
    dir.write("bare/sub/notes.txt", {});
    std::filesystem::create_directories(dir.file("videos"));
    dir.write("videos/good.M2V", video(false).bytes);
    const std::string header = timing_header;
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int status;
        std::string err_part; // empty: nothing on standard error
        std::size_t out_lines;
    };
    const std::vector<Case> cases = {
        {"a folder without video",
         {"pictures", bare},
         1,
         "quantaline-cli: " + bare + ": no video file in this folder\n",
         0},
        {"nor in its subfolders, beside a good file",
         {"pictures", "-r", "--format", "json", good, bare},
         1,
         "quantaline-cli: " + bare + ": no video file in this folder or its subfolders\n",
         1},
        {"a file without video: the header, no row",
         {"pictures", empty},
         1,
         empty + ": Aucune vidéo MPEG: Aucun en-tête de séquence vidéo MPEG n'a été trouvé dans "
                 "le fichier.\n",
         1},
        {"a folder with a video", {"pictures", dir.file("videos")}, 0, "", 6},
        {"an unknown format",
         {"pictures", "--format", "text", good},
         2,
         "quantaline-cli: unknown format for pictures: text\n",
         0},
        {"no file", {"pictures", "--format", "csv"}, 2, "pictures needs at least one FILE", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = run_cli(c.arguments);
        EXPECT_EQ(run.status, c.status);
        if (c.err_part.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find(c.err_part), std::string::npos) << run.err;
        }
        EXPECT_EQ(lines_of(run.out).size(), c.out_lines) << run.out;
        if (c.out_lines > 0 && c.arguments[1] != "-r") {
            EXPECT_EQ(run.out.substr(0, header.size()), header);
        }
    }

    const auto help = run_cli({"pictures", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: quantaline-cli pictures FILE|FOLDER... [--format json|csv] "
                             "[--quantiser] [-r]\n",
                             0),
              0u)
        << help.out;
    const auto usage = run_cli({"--help"});
    EXPECT_NE(usage.out.find("  pictures FILE|FOLDER... [--format json|csv] [--quantiser] [-r]\n"),
              std::string::npos)
        << usage.out;
}

TEST(CliPictures, CtrlCStopsAndPrintsThePicturesReadSoFar) {
    TempDir dir;
    const std::string huge = dir.write("huge.m2v", video(false).bytes);
    std::filesystem::resize_file(huge, 8'000'000'000);
    const auto stopped = run_cli({"pictures", "--format", "json", huge},
                                 {.timeout_ms = 20000, .interrupt_after_ms = 300});
    EXPECT_FALSE(stopped.timed_out);
    EXPECT_EQ(stopped.status, 130);
    const auto lines = lines_of(stopped.out);
    ASSERT_EQ(lines.size(), 1u);
    const Json json = parse_json(lines[0]);
    EXPECT_EQ(json["pictures"].array().size(), 5u);
    ASSERT_EQ(json["messages"].array().size(), 1u);
    EXPECT_EQ(json["messages"][0]["title"].text(), "Analyse interrompue");
}

} // namespace
} // namespace quantaline::test
