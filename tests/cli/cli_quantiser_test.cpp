// quantaline-cli pictures --quantiser and scan --quantiser, end to end. The figures of the
// VCD stream are those ffmpeg's decoder prints for it (-debug qp, MPEG-1 scales halved),
// as tests/reference/check_quantiser.py holds them macroblock by macroblock.

#include "support/cli_run.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace quantaline::test {
namespace {

using cli_run::parse_json;
using cli_run::run_cli;

const std::string vcd = std::string(QUANTALINE_TEST_DATA) + "/mpeg1-ps-pal-vcd.mpg";

TEST(CliQuantiser, EveryOutputSpelledOut) {
    const struct {
        std::vector<std::string> arguments;
        std::string expected; // the whole output, or the part from its first line on
        bool whole;
    } cases[] = {
        {{"pictures", "--quantiser", vcd},
         "file,index,offset,type,structure,temporal_reference,bytes,matrix_set,"
         "quantiser_average,quantiser_min,quantiser_max,macroblocks_intra,macroblocks_coded,"
         "macroblocks_skipped,macroblocks_missing\n" +
             vcd + ",0,2436,I,frame,0,11300,1,2.00,2,2,396,0,0,0\n" + vcd +
             ",1,18469,P,frame,1,13773,1,2.00,2,2,3,152,241,0\n" + vcd +
             ",2,32365,P,frame,2,9170,1,2.00,2,2,2,126,268,0\n" + vcd +
             ",3,41620,P,frame,3,7629,1,3.00,3,3,0,105,291,0\n",
         true},
        // Without the option, nothing of the pass.
        {{"pictures", vcd},
         "file,index,offset,type,structure,temporal_reference,bytes,matrix_set\n" + vcd +
             ",0,2436,I,frame,0,11300,1\n",
         false},
        {{"scan", "--quantiser", vcd},
         "Extensions de matrices : 0\n"
         "\n"
         "Quantificateur par type d'image :\n"
         "Type   Images  Moyenne  Minimum  Maximum\n"
         "I           1     2,00        2        2\n"
         "P           3     2,33        2        3\n"
         "\n"
         "Changements :\n",
         false},
        {{"scan", "--quantiser", "--json", vcd},
         ",\"quantiser\":{\"I\":{\"pictures\":1,\"average\":2.00,\"min\":2,\"max\":2},"
         "\"P\":{\"pictures\":3,\"average\":2.33,\"min\":2,\"max\":3},\"B\":null,\"D\":null},"
         "\"messages\":[]}\n",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0] + " " + c.arguments[1]);
        const auto run = run_cli(c.arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        if (c.whole) {
            // The timing columns that end the rows are checked with the buffer model.
            EXPECT_EQ(cli_run::without_timing_columns(run.out), c.expected);
        } else {
            const std::string out =
                c.arguments[0] == "pictures" ? cli_run::without_timing_columns(run.out) : run.out;
            EXPECT_NE(out.find(c.expected), std::string::npos) << run.out;
        }
    }
    // The plain scan shows no quantiser.
    const auto plain = run_cli({"scan", "--json", vcd});
    EXPECT_EQ(plain.out.find("\"quantiser\""), std::string::npos);
}

TEST(CliQuantiser, JsonKeysNullsAndDamage) {
    TempDir dir;
    // An I picture before the first sequence header (8 bytes of header, a slice of 24:
    // its macroblocks cannot be read, it has no set), then a
    // sequence whose picture holds bytes that are no macroblock.
    StreamBuilder s;
    s.picture_header(0, 1).slice(20);
    s.sequence_header({}).sequence_extension(0x48);
    const std::size_t damaged_at = s.size();
    s.picture_header(0, 1).picture_coding_extension(0, 3).raw(
        {0x00, 0x00, 0x01, 0x01, 0x10, 0x00, 0x00, 0x00});
    const std::string file = dir.write("video.m2v", s.bytes());

    const auto json = run_cli({"pictures", "--quantiser", "--format", "json", vcd, file});
    ASSERT_EQ(json.status, 1) << json.err;
    const auto lines = cli_run::lines_of(json.out);
    ASSERT_EQ(lines.size(), 2u);
    const auto first = parse_json(lines[0])["pictures"][1];
    EXPECT_EQ(first.keys(), (std::vector<std::string>{
                                "index", "offset", "type", "structure", "temporal_reference",
                                "bytes", "matrix_set", "quantiser", "macroblocks", "vbv_delay",
                                "top_field_first", "repeat_first_field", "progressive_frame",
                                "fields", "decode_time", "vbv_occupancy"}));
    EXPECT_EQ(first["quantiser"].keys(), (std::vector<std::string>{"average", "min", "max"}));
    EXPECT_EQ(first["macroblocks"].keys(),
              (std::vector<std::string>{"intra", "coded", "skipped", "missing"}));
    EXPECT_EQ(first["macroblocks"]["skipped"].number(), 241);

    const auto damaged = parse_json(lines[1]);
    EXPECT_TRUE(std::holds_alternative<std::nullptr_t>(damaged["pictures"][0]["quantiser"].value));
    EXPECT_TRUE(
        std::holds_alternative<std::nullptr_t>(damaged["pictures"][0]["macroblocks"].value));
    EXPECT_EQ(damaged["messages"][0]["text"].text(),
              "1 image(s) endommagée(s) ; la première : image 1 à l'octet " +
                  std::to_string(damaged_at) + ", tranche 1 après 0 macrobloc(s) lu(s).");

    const auto csv = run_cli({"pictures", "--quantiser", file});
    ASSERT_EQ(csv.status, 1);
    const auto rows = cli_run::lines_of(csv.out);
    ASSERT_EQ(rows.size(), 3u);
    // Before any sequence header: its vbv_delay, and no flags, fields nor buffer.
    EXPECT_EQ(rows[1], file + ",0,0,I,frame,0,32,,,,,,,,,65535,,,,,,");
    EXPECT_NE(csv.err.find(": Tranche(s) endommagée(s): 1 image(s) endommagée(s)"),
              std::string::npos)
        << csv.err;
}

// A conformance stream whose MPEG-1 slices start past the row their start code names:
// the macroblocks no slice reaches are counted in the picture that lacks them, in both
// formats, and the damage message counts the pictures that lack some.
TEST(CliQuantiser, MacroblocksOutsideEverySliceAreCountedPerPicture) {
    const std::string stream = std::string(QUANTALINE_TEST_DATA) +
                               "/../../../shared/streams/"
                               "mwgoldsmith_mpeg2_tz_walken_mpeg1_start_slice_stream.m1v";
    if (!std::filesystem::exists(stream)) {
        GTEST_SKIP() << "../shared/streams is absent: " << stream << " is not read";
    }
    const auto json = run_cli({"pictures", "--quantiser", "--format", "json", stream});
    const auto pictures = parse_json(cli_run::lines_of(json.out).at(0))["pictures"].array();
    ASSERT_EQ(pictures.size(), 100u);
    const auto csv = cli_run::lines_of(run_cli({"pictures", "--quantiser", stream}).out);
    ASSERT_EQ(csv.size(), 101u);
    const auto split = [](const std::string& row) {
        std::vector<std::string> fields(1);
        for (const char c : row) {
            if (c == ',') {
                fields.emplace_back();
            } else {
                fields.back().push_back(c);
            }
        }
        return fields;
    };
    const auto column = [&](const std::string& row, const std::string& name) {
        const auto names = split(csv[0]);
        const auto values = split(row);
        const auto at = std::find(names.begin(), names.end(), name) - names.begin();
        return values.at(static_cast<std::size_t>(at));
    };
    std::vector<std::pair<std::size_t, double>> missing;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const double count = pictures[i]["macroblocks"]["missing"].number();
        EXPECT_EQ(column(csv[i + 1], "macroblocks_missing"), std::to_string(int(count)));
        if (count > 0) {
            missing.emplace_back(i, count);
        }
    }
    // The first as the macroblock layer's own test finds them; every picture that lacks
    // macroblocks is one the damage message counts.
    ASSERT_GE(missing.size(), 4u);
    EXPECT_EQ(missing[0], (std::pair<std::size_t, double>{1, 8}));
    EXPECT_EQ(missing[1], (std::pair<std::size_t, double>{2, 18}));
    EXPECT_EQ(missing[2], (std::pair<std::size_t, double>{3, 3}));
    EXPECT_EQ(missing[3], (std::pair<std::size_t, double>{4, 1}));
    const auto messages = parse_json(cli_run::lines_of(json.out).at(0))["messages"].array();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0]["text"].text().starts_with(std::to_string(missing.size()) +
                                                       " image(s) endommagée(s)"))
        << messages[0]["text"].text();
}

} // namespace
} // namespace quantaline::test
