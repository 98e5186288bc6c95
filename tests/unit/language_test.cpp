#include "analysis/display.h"
#include "export/matrix_formats.h"
#include "export/matrix_library.h"
#include "io/language.h"
#include "io/text.h"
#include "io/text_file.h"
#include "mpeg/quantiser_pass.h"
#include "mpeg/scan.h"
#include "report/report_writer.h"
#include "support/messages.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace quantaline {
namespace {

// The program's language for one test, French again after it.
class LanguageScope {
  public:
    explicit LanguageScope(Language language) { set_text_language(language); }
    LanguageScope(const LanguageScope&) = delete;
    LanguageScope& operator=(const LanguageScope&) = delete;
    ~LanguageScope() { set_text_language(Language::french); }
};

TEST(Language, FromTheEnvironment) {
    using Environment = std::map<std::string, std::string>;
    const struct {
        Environment environment;
        Language expected;
    } cases[] = {
        {{}, Language::french}, // nothing set: the C locale
        {{{"LANG", "C"}}, Language::french},
        {{{"LANG", "POSIX"}}, Language::french},
        {{{"LANG", "C.UTF-8"}}, Language::french},
        {{{"LANG", "fr_FR.UTF-8"}}, Language::french},
        {{{"LANG", "fr_CA"}}, Language::french},
        {{{"LANG", "fr_BE@euro"}}, Language::french},
        {{{"LANG", "fr"}}, Language::french},
        {{{"LANG", "en_US.UTF-8"}}, Language::english},
        {{{"LANG", "de_DE.UTF-8"}}, Language::english},
        {{{"LANG", "fy_NL"}}, Language::english}, // Frisian is not French
        {{{"LANG", "french"}}, Language::english},
        // The first non-empty of LC_ALL, LC_MESSAGES, LANG is the locale.
        {{{"LC_ALL", "en_GB.UTF-8"}, {"LANG", "fr_FR.UTF-8"}}, Language::english},
        {{{"LC_ALL", ""}, {"LC_MESSAGES", "fr_FR.UTF-8"}, {"LANG", "en_US.UTF-8"}},
         Language::french},
        {{{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "fr_FR.UTF-8"}}, Language::english},
        {{{"LC_ALL", "C"}, {"LANG", "en_US.UTF-8"}}, Language::french},
        // LANGUAGE names the language before the locale, unless the locale is C.
        {{{"LANGUAGE", "en_US:fr"}, {"LANG", "fr_FR.UTF-8"}}, Language::english},
        {{{"LANGUAGE", "fr:en"}, {"LANG", "en_US.UTF-8"}}, Language::french},
        {{{"LANGUAGE", "de"}, {"LANG", "fr_FR.UTF-8"}}, Language::english},
        {{{"LANGUAGE", "en_US"}}, Language::french},
        {{{"LANGUAGE", "en_US"}, {"LANG", "C"}}, Language::french},
        {{{"LANGUAGE", ""}, {"LANG", "en_US.UTF-8"}}, Language::english},
        {{{"LANGUAGE", ":en"}, {"LANG", "fr_FR.UTF-8"}}, Language::french},
    };
    for (const auto& c : cases) {
        const Language language = language_from_environment([&c](const char* name) {
            const auto found = c.environment.find(name);
            return found == c.environment.end() ? nullptr : found->second.c_str();
        });
        std::string described;
        for (const auto& [name, value] : c.environment) {
            described += name + "=" + value + " ";
        }
        EXPECT_EQ(language, c.expected) << described;
    }
}

TEST(Language, FromTheWindowsDisplayLanguage) {
    const struct {
        unsigned language_id;
        Language expected;
    } cases[] = {
        {0x040C, Language::french},  // French (France)
        {0x0C0C, Language::french},  // French (Canada)
        {0x100C, Language::french},  // French (Switzerland)
        {0x0409, Language::english}, // English (United States)
        {0x0407, Language::english}, // German
        {0x0413, Language::english}, // Dutch (its low byte is 0x13, not 0x0C)
        {0x000C, Language::french},  // French, neutral
    };
    for (const auto& c : cases) {
        EXPECT_EQ(language_of_windows_language_id(c.language_id), c.expected) << c.language_id;
    }
}

TEST(Text, LookUpAndFill) {
    EXPECT_EQ(fill_text("%1 à %2, %1", {"a", "b"}), "a à b, a");
    EXPECT_EQ(fill_text("100 % sûr %3", {"a"}), "100 % sûr ");
    {
        const LanguageScope english(Language::english);
        EXPECT_STREQ(tr_text("Scan", "Flux transport"), "Transport stream");
        EXPECT_STREQ(tr_text("Value", "flux %02X"), "flux %02X"); // context
        EXPECT_STREQ(tr_text("Scan", "pas un texte du programme"), "pas un texte du programme");
        EXPECT_EQ(tr_string("Value", "29,97"), "29.97");
        EXPECT_EQ(tr_string_in(Language::french, "Value", "29,97"), "29,97");
    }
    EXPECT_STREQ(tr_text("Scan", "Flux transport"), "Flux transport");
}

// Messages are values: each is worded from its id in the language asked for, its pieces in
// turn; a literal argument (a path, a system's reason) stays as it is.
TEST(Text, MessagesShownInEnglish) {
    const WriteError denied{"/home/ana/Vidéos/rapport.txt", piece(TextId::permission_denied)};
    const WriteError odd{"/tmp/] n'a pas pu être écrit : x", literal_text("Disk quota exceeded")};
    const struct {
        Message message;
        const char* title;
        const char* text;
    } cases[] = {
        {mpeg::scan_no_video_message, "No MPEG video",
         "No MPEG video sequence header was found in the file."},
        {mpeg::scan_stopped_message(1234, TextId::inside_video_packet), "Truncated file",
         "The file ends at byte 1234, inside a video packet; the analysis covers what comes "
         "before."},
        {mpeg::scan_damaged_structures_message(3, "picture_header", 99), "Damaged structures",
         "3 damaged structure(s) skipped; the first: picture_header at byte 99."},
        {mpeg::scan_damaged_slices_message(2, 5, 700, 0, 0), "Damaged slices",
         "2 damaged picture(s); the first: picture 5 at byte 700."},
        {mpeg::scan_damaged_slices_message(2, 5, 700, 4, 17), "Damaged slices",
         "2 damaged picture(s); the first: picture 5 at byte 700, slice 4 after 17 "
         "macroblock(s) read."},
        {matrix_file_failed_message(denied), "Export the matrices",
         "The file [/home/ana/Vidéos/rapport.txt] could not be written: Permission denied. The "
         "matrices were not exported."},
        // A path holding a pattern's own words, and a reason the program has no text for.
        {matrix_file_failed_message(odd), "Export the matrices",
         "The file [/tmp/] n'a pas pu être écrit : x] could not be written: Disk quota "
         "exceeded. The matrices were not exported."},
        {mpeg2enc_value_message, "Export the matrices for mpeg2enc",
         "One of the matrices holds the value 0, which mpeg2enc rejects (it accepts only values "
         "from 1 to 255). The file was not written."},
        // A literal that reads like a piece stays as it is.
        {matrix_file_skipped_message("Permission non accordée", literal_text("plus de 8 valeurs")),
         "Known matrices",
         "The matrix file [Permission non accordée] is not valid (plus de 8 valeurs) and is "
         "ignored."},
    };
    for (const auto& c : cases) {
        {
            const LanguageScope english(Language::english);
            const ShownMessage worded = shown(c.message);
            EXPECT_EQ(worded.title, c.title);
            EXPECT_EQ(worded.text, c.text);
            EXPECT_EQ(worded.icon, c.message.icon);
        }
        // French whatever the program's language, as the CLI's JSON keeps it.
        const LanguageScope in_english(Language::english);
        EXPECT_EQ(french(c.message), render(c.message, Language::french));
        EXPECT_NE(french(c.message).title, c.title);
    }
}

// Every id has its French wording, and an English one in the translations: a missing or
// stale translation would show French in an English box. Each placeholder of the French
// pattern is kept by the English one, so no argument is lost.
TEST(Text, EveryIdIsWordedInBothLanguages) {
    const auto check = [](const char* french_text, const std::string& what) {
        ASSERT_NE(french_text, nullptr) << what;
        EXPECT_NE(std::string_view(french_text), "") << what;
        const std::string english = tr_string_in(Language::english, message_context, french_text);
        EXPECT_NE(english, french_text) << what << " has no English translation";
        for (char digit = '1'; digit <= '9'; ++digit) {
            const std::string placeholder{'%', digit};
            EXPECT_EQ(std::string_view(french_text).find(placeholder) == std::string_view::npos,
                      english.find(placeholder) == std::string::npos)
                << what << " " << placeholder;
        }
    };
    for (std::size_t i = 1; i < text_id_count; ++i) {
        check(french_source(static_cast<TextId>(i)), "text " + std::to_string(i));
    }
    for (std::size_t i = 0; i < message_id_count; ++i) {
        const MessageSources sources = french_sources(static_cast<MessageId>(i));
        check(sources.title, "title of message " + std::to_string(i));
        check(sources.text, "text of message " + std::to_string(i));
    }
}

TEST(Text, ValuesAndReportInEnglish) {
    StreamInfo info;
    info.stream_type_text = "Flux programme";
    info.mpeg_version_text = "MPEG-2";
    info.horizontal_size = 720;
    info.vertical_size = 480;
    info.aspect_ratio_text = "16:9";
    info.frame_rate_text = "29,97";
    info.max_bit_rate_kbps = 9800;
    info.profile_text = "MainProfil";
    info.level_text = "HighLevel1440";
    info.chroma_format_text = "4:2:0";
    info.vbv_buffer_size_kb = 224;
    info.video_format_text = "Non-identifié";
    info.intra_dc_precision_bits = 9;
    info.picture_structure_text = "Frame Picture";
    const LanguageScope english(Language::english);
    const DisplayTexts texts = display_texts(info);
    EXPECT_EQ(texts.stream_type, "Program stream MPEG-2");
    EXPECT_EQ(texts.frame_rate, "29.97");
    EXPECT_EQ(texts.profile_and_level, "Main@High 1440");
    EXPECT_EQ(texts.video_format, "Unspecified");
    EXPECT_EQ(display_texts(StreamInfo{}).profile_and_level, "Not applicable");
    EXPECT_EQ(display_texts(StreamInfo{}).video_format, "Default");
    EXPECT_EQ(quantiser_average_text(1025), "10.25");
    EXPECT_STREQ(tr_text("Caption", caption::max_bit_rate), "Max bit rate:");

    QuantMatrixPair matrices;
    matrices.intra.fill(8);
    matrices.non_intra.fill(16);
    matrices.intra_from_stream = true;
    const auto lines = report_lines("/v/clip.m2v", info, matrices);
    const std::vector<std::string> expected_start = {
        "Quantaline   1 . 1    revision 0 ",
        "",
        "",
        "File = /v/clip.m2v",
        "",
        "Stream type = Program stream MPEG-2",
        "",
        "Resolution =  720  X  480 ",
        "Aspect ratio = 16:9",
        "Frame rate = 29.97 frames per second",
        "Max bit rate =  9800  kbit/s",
        "Profile and level = Main@High 1440",
        "Chroma format = 4:2:0",
        "VBV buffer size =  224  KiB",
        "Video format = Unspecified",
        "DC precision =  9 ",
        "Picture structure = Frame Picture",
    };
    ASSERT_GT(lines.size(), expected_start.size() + 5);
    for (std::size_t i = 0; i < expected_start.size(); ++i) {
        EXPECT_EQ(lines[i], expected_start[i]) << i;
    }
    EXPECT_EQ(lines[expected_start.size() + 4].substr(0, 19), "Custom intra matrix");
    EXPECT_EQ(lines.back(), "End of report.");
}

} // namespace
} // namespace quantaline
