// quantaline-cli macroblocks: one picture's macroblocks in CSV and JSON, agreeing with the
// figures `pictures --quantiser` gives for that picture, and its refusals.

#include "support/cli_run.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace quantaline::test {
namespace {

using cli_run::lines_of;
using cli_run::parse_json;
using cli_run::run_cli;

const std::string vob = std::string(QUANTALINE_TEST_DATA) + "/mpeg2-ps-joined.vob";

TEST(CliMacroblocks, EachPictureAgreesWithItsFiguresInBothFormats) {
    const auto pictures = run_cli({"pictures", vob, "--format", "json", "--quantiser"});
    ASSERT_EQ(pictures.status, 0) << pictures.err;
    const auto all = parse_json(pictures.out)["pictures"].array();
    ASSERT_GE(all.size(), 3u);
    for (const std::size_t index : {std::size_t{0}, all.size() / 2, all.size() - 1}) {
        SCOPED_TRACE(index);
        const auto& figures = all[index]["macroblocks"];
        const auto csv = run_cli({"macroblocks", vob, "--picture", std::to_string(index)});
        ASSERT_EQ(csv.status, 0) << csv.err;
        const auto rows = lines_of(csv.out);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0], "row,column,kind,quantiser");
        std::map<std::string, double> kinds;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            std::istringstream fields(rows[i]);
            std::string row, column, kind, quantiser;
            std::getline(fields, row, ',');
            std::getline(fields, column, ',');
            std::getline(fields, kind, ',');
            std::getline(fields, quantiser, ',');
            ++kinds[kind];
        }
        EXPECT_EQ(kinds["intra"], figures["intra"].number());
        EXPECT_EQ(kinds["coded"], figures["coded"].number());
        EXPECT_EQ(kinds["skipped"], figures["skipped"].number());

        const auto json =
            run_cli({"macroblocks", vob, "--picture", std::to_string(index), "--format", "json"});
        ASSERT_EQ(json.status, 0) << json.err;
        const auto map = parse_json(json.out);
        EXPECT_EQ(map["picture"].number(), static_cast<double>(index));
        EXPECT_EQ(map["type"].text(), all[index]["type"].text());
        const auto& macroblocks = map["macroblocks"].array();
        ASSERT_EQ(macroblocks.size(), rows.size() - 1);
        const auto& last = macroblocks.back();
        EXPECT_EQ(std::to_string(static_cast<int>(last["row"].number())) + "," +
                      std::to_string(static_cast<int>(last["column"].number())) + "," +
                      last["kind"].text() + "," +
                      std::to_string(static_cast<int>(last["quantiser"].number())),
                  rows.back());
    }
}

TEST(CliMacroblocks, RefusesWhatItCannotRead) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string in_err;
    };
    const std::vector<Case> cases = {
        {{"macroblocks", vob}, 2, "--picture"},
        {{"macroblocks", vob, "--picture", "x1"}, 2, "not a picture number"},
        {{"macroblocks", vob, "--picture", "1", "--format", "xml"}, 2, "unknown format"},
        {{"macroblocks", vob, "--picture", "100000"}, 1, "Image introuvable"},
        {{"macroblocks", "/nonexistent.vob", "--picture", "0"}, 1, "impossible de lire"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        const auto run = run_cli(c.arguments, {.environment = {"LANG=fr_FR.UTF-8"}});
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find(c.in_err), std::string::npos) << run.err;
    }
}

} // namespace
} // namespace quantaline::test
