// The code tables of mpeg/codes.h against the numbers and names the windows, the report
// and the CLI showed before they were one table: every code of each field, the forbidden
// and reserved ones included, and past the field's width.

#include "analysis/display.h"
#include "mpeg/codes.h"
#include "mpeg/syntax.h"
#include "mpeg/timing.h"
#include "session/whole_stream.h"

#include <array>
#include <gtest/gtest.h>
#include <string_view>

namespace quantaline {
namespace {

TEST(Codes, EveryCodeHasTheNameTheDisplayShowed) {
    struct Field {
        const char* name;
        std::string_view (*text)(unsigned code);
        // The texts of codes 0, 1, ... 17 as the presentation gave them.
        std::array<std::string_view, 18> texts;
    };
    const std::array<Field, 6> fields = {{
        {"aspect_ratio_information",
         aspect_ratio_text,
         {"", "1:1", "4:3", "16:9", "2.21:1", "", "", "", "", "", "", "", "", "", "", "", "", ""}},
        {"frame_rate_code",
         frame_rate_text,
         {"", "23,976", "24", "25", "29,97", "30", "50", "59,94", "60", "", "", "", "", "", "", "",
          "", ""}},
        {"profile",
         profile_text,
         {"ProfilInconnu", "HighProfil", "ProfilInconnu", "ProfilInconnu", "MainProfil",
          "SimpleProfil", "ProfilInconnu", "ProfilInconnu", "", "", "", "", "", "", "", "", "",
          ""}},
        {"level",
         level_text,
         {"LevelInconnu", "LevelInconnu", "LevelInconnu", "LevelInconnu", "HighLevel",
          "LevelInconnu", "HighLevel1440", "LevelInconnu", "MainLevel", "LevelInconnu", "LowLevel",
          "LevelInconnu", "LevelInconnu", "LevelInconnu", "LevelInconnu", "LevelInconnu",
          "LevelInconnu", "LevelInconnu"}},
        {"chroma_format",
         chroma_format_text,
         {"Inconnu", "4:2:0", "4:2:2", "4:4:4", "", "", "", "", "", "", "", "", "", "", "", "", "",
          ""}},
        {"picture_structure",
         picture_structure_text,
         {"Inconnue", "Top Field", "Bottom Field", "Frame Picture", "", "", "", "", "", "", "", "",
          "", "", "", "", "", ""}},
    }};
    for (const Field& field : fields) {
        for (unsigned code = 0; code < field.texts.size(); ++code) {
            EXPECT_EQ(field.text(code), field.texts[code]) << field.name << " " << code;
        }
        EXPECT_EQ(field.text(256 + 3),
                  field.name == std::string_view("level") ? "LevelInconnu" : "")
            << field.name << ": a value past the byte is no code";
    }
}

TEST(Codes, FrameRatesAsFractionsWithTheExtensionApplied) {
    // The frames per second the summary's duration and rates were computed with.
    const std::array<double, 17> before = {
        0, 24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60, 0, 0, 0, 0, 0, 0, 0,
        0};
    for (unsigned code = 0; code < before.size(); ++code) {
        EXPECT_EQ(frames_per_second(code), before[code]) << code;
        EXPECT_EQ(mpeg::frames_per_second(code).has_value(), before[code] != 0) << code;
    }
    const std::array<std::array<std::uint32_t, 3>, 8> fractions = {{{1, 24000, 1001},
                                                                    {2, 24, 1},
                                                                    {3, 25, 1},
                                                                    {4, 30000, 1001},
                                                                    {5, 30, 1},
                                                                    {6, 50, 1},
                                                                    {7, 60000, 1001},
                                                                    {8, 60, 1}}};
    for (const auto& [code, numerator, denominator] : fractions) {
        const mpeg::FrameRateCode* entry = mpeg::frame_rate_code_entry(code);
        ASSERT_NE(entry, nullptr) << code;
        EXPECT_EQ(entry->numerator, numerator) << code;
        EXPECT_EQ(entry->denominator, denominator) << code;
        EXPECT_EQ(entry->name, frame_rate_text(code)) << code;
    }

    // frame_rate_extension_n and _d scale an MPEG-2 sequence's rate by (n + 1) / (d + 1);
    // MPEG-1 has no extension.
    struct Case {
        bool mpeg2;
        std::uint8_t code, n, d;
        double frames_per_second;
    };
    const std::array<Case, 6> cases = {{
        {true, mpeg::frame_rate_29_97, 0, 0, 30000.0 / 1001},
        {true, mpeg::frame_rate_29_97, 1, 0, 60000.0 / 1001},
        {true, mpeg::frame_rate_25, 0, 1, 12.5},
        {true, mpeg::frame_rate_24, 3, 31, 3},
        {false, mpeg::frame_rate_25, 1, 0, 25},
        {true, 0, 1, 0, 0},
    }};
    for (const Case& c : cases) {
        mpeg::SequenceParameters s;
        s.mpeg2 = c.mpeg2;
        s.frame_rate_code = c.code;
        s.frame_rate_extension_n = c.n;
        s.frame_rate_extension_d = c.d;
        EXPECT_DOUBLE_EQ(mpeg::frame_rate(s).value_or(0), c.frames_per_second)
            << int(c.code) << " " << int(c.n) << "/" << int(c.d);
    }
}

TEST(Codes, ProfileAndLevelAndPictureTypes) {
    EXPECT_EQ(mpeg::profile_and_level(mpeg::main_profile, mpeg::main_level), 0x48);
    EXPECT_EQ(mpeg::profile_and_level(mpeg::high_profile, mpeg::high_1440_level), 0x16);
    EXPECT_EQ(mpeg::profile_and_level(mpeg::simple_profile, mpeg::low_level), 0x5A);
    for (const std::uint8_t indication :
         std::array<std::uint8_t, 6>{0x14, 0x46, 0x58, 0x4A, 0x85, 0x28}) {
        EXPECT_EQ(mpeg::profile_and_level(mpeg::profile_identification(indication),
                                          mpeg::level_identification(indication)),
                  indication & 0x7F);
    }

    const std::array<std::string_view, 9> letters = {"", "I", "P", "B", "D", "", "", "", ""};
    for (std::size_t code = 0; code < letters.size(); ++code) {
        EXPECT_EQ(mpeg::picture_coding_type_name(static_cast<std::uint8_t>(code)), letters[code])
            << code;
        EXPECT_EQ(mpeg::is_picture_coding_type(static_cast<unsigned>(code)), !letters[code].empty())
            << code;
    }
}

} // namespace
} // namespace quantaline
