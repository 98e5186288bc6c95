// The rules a stream is checked against: their ids and texts, the profile auto chooses, and
// each rule found at its place in hand-built streams that break it alone.

#include "check/check.h"
#include "check/texts.h"
#include "io/text.h"
#include "mpeg/scan.h"
#include "support/stream_builder.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quantaline {
namespace {

using test::PictureCoding;
using test::SequenceExtension;
using test::StreamBuilder;

TEST(CheckRules, IdsAndTextsInBothLanguages) {
    const struct {
        check::Rule rule;
        const char* id;
        const char* french;
        const char* english;
    } rules[] = {
        {check::Rule::vbv_underflow, "vbv-underflow", "Sous-alimentation du tampon VBV",
         "VBV buffer underflow"},
        {check::Rule::vbv_overflow, "vbv-overflow", "Débordement du tampon VBV",
         "VBV buffer overflow"},
        {check::Rule::vbv_rate, "vbv-rate", "Débit de vbv_delay supérieur au débit maximum",
         "vbv_delay implies a rate above the maximum bit rate"},
        {check::Rule::vbv_delay_mixed, "vbv-delay-mixed", "vbv_delay incohérents",
         "Inconsistent vbv_delay values"},
        {check::Rule::resolution, "resolution", "Résolution non admise", "Resolution not allowed"},
        {check::Rule::frame_rate, "frame-rate", "Fréquence d'image non admise",
         "Frame rate not allowed"},
        {check::Rule::aspect_ratio, "aspect-ratio", "Aspect ratio non admis",
         "Aspect ratio not allowed"},
        {check::Rule::bit_rate, "bit-rate", "Débit maximum trop élevé",
         "Maximum bit rate too high"},
        {check::Rule::vbv_buffer_size, "vbv-buffer-size", "Tampon VBV trop grand",
         "VBV buffer too large"},
        {check::Rule::vbv_delay_limit, "vbv-delay-limit", "vbv_delay trop grand",
         "vbv_delay too large"},
        {check::Rule::gop_length, "gop-length", "Groupe d'images trop long", "GOP too long"},
        {check::Rule::sequence_header, "sequence-header",
         "Groupe d'images sans en-tête de séquence", "GOP without a sequence header"},
        {check::Rule::first_gop_open, "first-gop-open", "Premier groupe d'images ouvert",
         "First GOP is open"},
        {check::Rule::low_delay, "low-delay", "low_delay non admis", "low_delay not allowed"},
        {check::Rule::profile_level, "profile-level", "Profil ou niveau non admis",
         "Profile or level not allowed"},
        {check::Rule::chroma_format, "chroma-format", "Format YUV non admis",
         "Chroma format not allowed"},
        {check::Rule::field_order_break, "field-order-break", "Rupture de l'ordre des trames",
         "Field order break"},
        {check::Rule::cpb_underflow, "cpb-underflow", "Sous-alimentation du tampon CPB",
         "CPB underflow"},
        {check::Rule::cpb_overflow, "cpb-overflow", "Débordement du tampon CPB", "CPB overflow"},
        {check::Rule::cpb_initial_delay, "cpb-initial-delay",
         "Délai initial du tampon CPB hors de ses bornes", "CPB initial delay out of bounds"},
        {check::Rule::cpb_delay_changed, "cpb-delay-changed",
         "Délai initial et décalage changés dans une séquence",
         "Initial delay and offset changed within a sequence"},
        {check::Rule::output_interval, "output-interval",
         "Intervalle de sortie contraire à la cadence fixe",
         "Output interval contrary to the fixed frame rate"},
        {check::Rule::bd_format, "bd-format", "Format d'image non admis",
         "Picture format not allowed"},
        {check::Rule::bd_profile, "bd-profile", "Profil non admis", "Profile not allowed"},
        {check::Rule::bd_level, "bd-level", "Niveau non admis", "Level not allowed"},
        {check::Rule::bd_bitrate, "bd-bitrate", "Débit du HRD trop élevé", "HRD bit rate too high"},
        {check::Rule::bd_cpb_size, "bd-cpb-size", "Tampon CPB trop grand", "CPB too large"},
        {check::Rule::bd_hrd, "bd-hrd", "Paramètres HRD absents ou non admis",
         "HRD parameters missing or not allowed"},
        {check::Rule::bd_fixed_frame_rate, "bd-fixed-frame-rate", "Fréquence d'image non fixée",
         "Frame rate not fixed"},
        {check::Rule::bd_vui_aspect, "bd-vui-aspect", "aspect_ratio_idc non admis",
         "aspect_ratio_idc not allowed"},
        {check::Rule::bd_pic_struct, "bd-pic-struct", "Codage entrelacé sans pic_struct",
         "Interlaced coding without pic_struct"},
        {check::Rule::bd_slices, "bd-slices", "Moins de 4 tranches par image",
         "Fewer than 4 slices per picture"},
        {check::Rule::bd_slice_type, "bd-slice-type", "Tranches de types différents dans une image",
         "Slices of different types in one picture"},
        {check::Rule::bd_gop_length, "bd-gop-length", "Plus d'une seconde entre deux images I",
         "More than one second between two I pictures"},
        {check::Rule::bd_consecutive_b, "bd-consecutive-b", "Plus de 3 images B consécutives",
         "More than 3 consecutive B pictures"},
        {check::Rule::bd_aud, "bd-aud", "Unité d'accès sans délimiteur",
         "Access unit without a delimiter"},
        {check::Rule::bd_refs, "bd-refs", "Trop d'images de référence",
         "Too many reference pictures"},
        {check::Rule::bd_chroma_loc, "bd-chroma-loc", "Position de la chrominance non admise",
         "Chroma location not allowed"},
    };
    EXPECT_EQ(check::rule_infos().size(), std::size(rules));
    for (const auto& r : rules) {
        EXPECT_STREQ(check::rule_id(r.rule), r.id);
        EXPECT_EQ(check::rule_of_id(r.id), r.rule);
        EXPECT_STREQ(check::rule_text(r.rule), r.french);
        EXPECT_EQ(tr_string_in(Language::english, check::rule_context, r.french), r.english);
    }
}

// Numbers and times as the findings table and the CLI write them, in each language.
TEST(CheckTexts, NumbersAndTimesInBothLanguages) {
    const struct {
        double value;
        const char* french_number;
        const char* english_number;
        const char* french_time;
        const char* english_time;
    } cases[] = {
        {0, "0", "0", "00:00:00,000", "00:00:00.000"},
        {1834957.8934, "1834957,893", "1834957.893", "509:42:37,893", "509:42:37.893"},
        {23.976, "23,976", "23.976", "00:00:23,976", "00:00:23.976"},
        {3661.5, "3661,5", "3661.5", "01:01:01,500", "01:01:01.500"},
        {59.9996, "60", "60", "00:01:00,000", "00:01:00.000"},
    };
    for (const Language language : {Language::french, Language::english}) {
        set_text_language(language);
        const bool french = language == Language::french;
        for (const auto& c : cases) {
            EXPECT_EQ(check::number_text(c.value), french ? c.french_number : c.english_number);
            EXPECT_EQ(check::time_text(c.value), french ? c.french_time : c.english_time)
                << c.value;
        }
    }
    set_text_language(Language::french);
}

TEST(CheckProfiles, AutoChoosesByTheFirstSequenceHeader) {
    const struct {
        bool mpeg2;
        std::uint16_t width, height;
        const char* profile;
    } cases[] = {
        {false, 352, 288, "vcd"},  {false, 352, 240, "vcd"}, {false, 720, 576, "none"},
        {true, 480, 576, "svcd"},  {true, 480, 480, "svcd"}, {true, 720, 576, "dvd"},
        {true, 704, 480, "dvd"},   {true, 352, 240, "dvd"},  {true, 1920, 1080, "atsc"},
        {true, 1280, 720, "atsc"}, {true, 640, 480, "none"}, {true, 352, 288, "dvd"},
    };
    for (const auto& c : cases) {
        mpeg::SequenceParameters s;
        s.mpeg2 = c.mpeg2;
        s.horizontal_size = c.width;
        s.vertical_size = c.height;
        EXPECT_STREQ(check::auto_profile(s).name, c.profile) << c.width << "x" << c.height;
    }
    for (const char* name : {"auto", "dvd", "svcd", "vcd", "atsc", "none"}) {
        EXPECT_TRUE(check::is_profile_name(name)) << name;
    }
    EXPECT_FALSE(check::is_profile_name("DVD"));
}

// A DVD stream of PAL frames: two groups of `frames` I/P frames each, every vbv_delay
// 0xFFFF and few bytes, so that the buffer holds them all; `change` alters one thing.
struct Dvd {
    test::SequenceHeader header{};
    SequenceExtension extension{};
    int frames = 3;
    bool first_closed = true;
    bool second_sequence_header = true;
    std::uint16_t vbv_delay = 0xFFFF;
    std::uint16_t second_picture_vbv_delay = 0xFFFF;
    bool flip_top_field_first = false; // of the second picture
};

std::vector<std::uint8_t> dvd_stream(const Dvd& d) {
    StreamBuilder b;
    int number = 0;
    for (int group = 0; group < 2; ++group) {
        if (group == 0 || d.second_sequence_header) {
            b.sequence_header(d.header).sequence_extension(d.extension);
        }
        b.group_of_pictures_header(0, 0, group, 0, true, group > 0 || d.first_closed);
        for (int i = 0; i < d.frames; ++i, ++number) {
            const bool flip = d.flip_top_field_first && number == 1;
            b.picture_header(i, i == 0 ? 1 : 2,
                             number == 1 ? d.second_picture_vbv_delay : d.vbv_delay)
                .picture_coding_extension(PictureCoding{.top_field_first = !flip})
                .slice(100);
        }
    }
    return b.bytes();
}

check::CheckResult checked(const std::vector<std::uint8_t>& bytes, const char* profile) {
    mpeg::ScanControl control;
    control.picture_records = true;
    return check::check_stream(mpeg::scan_bytes(bytes, control), profile);
}

std::vector<std::string> rule_ids(const check::CheckResult& r) {
    std::vector<std::string> ids;
    for (const auto& f : r.findings) {
        ids.emplace_back(check::rule_id(f.rule));
    }
    return ids;
}

TEST(CheckStream, EachPlantedFaultIsTheOnlyFinding) {
    struct Case {
        const char* name;
        std::function<void(Dvd&)> change;
        std::vector<std::string> rules;
        std::uint64_t picture; // of the first finding
        check::Value found;
        check::Value limit;
    };
    const std::vector<Case> cases = {
        {"compliant", [](Dvd&) {}, {}, 0, {}, {}},
        {"640 wide",
         [](Dvd& d) { d.header.horizontal_size = 640; },
         {"resolution"},
         0,
         std::string("640x576"),
         {}},
        {"29,97 Hz at 576 lines",
         [](Dvd& d) { d.header.frame_rate_code = 4; },
         {"frame-rate"},
         0,
         4.0,
         {}},
        {"16:9 at 352",
         [](Dvd& d) {
             d.header.horizontal_size = 352;
             d.header.aspect_ratio_information = 3;
         },
         {"aspect-ratio"},
         0,
         3.0,
         {}},
        {"9 800 400 bit/s",
         [](Dvd& d) { d.header.bit_rate_value = 24501; },
         {"bit-rate"},
         0,
         9800400.0,
         9800000.0},
        {"vbv_buffer_size 113",
         [](Dvd& d) { d.header.vbv_buffer_size_value = 113; },
         {"vbv-buffer-size"},
         0,
         113.0,
         112.0},
        {"16 frames a group",
         [](Dvd& d) { d.frames = 16; },
         {"gop-length", "gop-length"},
         0,
         16.0,
         15.0},
        {"no sequence header before the second group",
         [](Dvd& d) { d.second_sequence_header = false; },
         {"sequence-header"},
         3,
         {},
         {}},
        {"the first group open",
         [](Dvd& d) { d.first_closed = false; },
         {"first-gop-open"},
         0,
         {},
         {}},
        {"low_delay", [](Dvd& d) { d.extension.low_delay = true; }, {"low-delay"}, 0, 1.0, 0.0},
        {"high level",
         [](Dvd& d) { d.extension.profile_and_level_indication = 0x44; },
         {"profile-level"},
         0,
         68.0,
         72.0},
        {"4:2:2", [](Dvd& d) { d.extension.chroma_format = 2; }, {"chroma-format"}, 0, 2.0, 1.0},
        {"one vbv_delay set",
         [](Dvd& d) { d.second_picture_vbv_delay = 3000; },
         {"vbv-delay-mixed"},
         1,
         3000.0,
         {}},
        // Top first, then bottom first: its first field has the parity of the last field
        // before it, and so does the next picture's.
        {"a top_field_first flipped",
         [](Dvd& d) { d.flip_top_field_first = true; },
         {"field-order-break", "field-order-break"},
         1,
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Dvd d;
        c.change(d);
        const check::CheckResult r = checked(dvd_stream(d), "dvd");
        EXPECT_STREQ(r.profile->name, "dvd");
        EXPECT_EQ(rule_ids(r), c.rules);
        if (!r.findings.empty()) {
            EXPECT_EQ(r.findings[0].picture, c.picture);
            EXPECT_EQ(r.findings[0].found, c.found);
            EXPECT_EQ(r.findings[0].limit, c.limit);
        }
    }
}

TEST(CheckStream, AutoChoosesDvdForTheCompliantStream) {
    const check::CheckResult r = checked(dvd_stream({}), "auto");
    EXPECT_STREQ(r.profile->name, "dvd");
    EXPECT_TRUE(r.profile_chosen_automatically);
    EXPECT_TRUE(r.findings.empty());
    EXPECT_EQ(r.cadence.pattern, "interlaced TFF");
    EXPECT_EQ(r.buffer.mode, check::BufferMode::fill);
}

TEST(CheckStream, PlacesOfGroupAndSequenceFindings) {
    Dvd d;
    d.frames = 16;
    d.header.vbv_buffer_size_value = 200;
    const auto bytes = dvd_stream(d);
    mpeg::ScanControl control;
    control.picture_records = true;
    const mpeg::ScanResult scan = mpeg::scan_bytes(bytes, control);
    const check::CheckResult r = check::check_stream(scan, "dvd");
    ASSERT_EQ(rule_ids(r),
              (std::vector<std::string>{"vbv-buffer-size", "gop-length", "gop-length"}));
    // A sequence rule sits at its sequence header, a group rule at the group's first picture.
    EXPECT_EQ(r.findings[0].offset, 0u);
    EXPECT_EQ(r.findings[0].gop, 0u);
    EXPECT_EQ(r.findings[2].gop, 1u);
    EXPECT_EQ(r.findings[2].picture, 16u);
    EXPECT_EQ(r.findings[2].pictures, 16u);
    EXPECT_EQ(r.findings[2].offset, scan.picture_records[16].offset);
    // The same stream under `none`: no disc rule.
    EXPECT_TRUE(check::check_stream(scan, "none").findings.empty());
}

TEST(CheckStream, ConsecutiveUnderflowsAreOneFinding) {
    // A buffer of 16 384 bits, every picture's chunk more than that: each one underflows.
    Dvd d;
    d.header.vbv_buffer_size_value = 1;
    StreamBuilder b;
    b.sequence_header(d.header)
        .sequence_extension(d.extension)
        .group_of_pictures_header(0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        b.picture_header(i, i == 0 ? 1 : 2)
            .picture_coding_extension(PictureCoding{.top_field_first = true})
            .slice(3000);
    }
    const check::CheckResult r = checked(b.bytes(), "none");
    ASSERT_EQ(rule_ids(r), std::vector<std::string>{"vbv-underflow"});
    const check::Finding& f = r.findings[0];
    EXPECT_EQ(f.picture, 0u);
    EXPECT_EQ(f.pictures, 4u);
    // The worst: the least occupancy against its chunk.
    const auto& worst = r.buffer.pictures[*r.summary.least_margin_picture];
    EXPECT_EQ(f.found, check::Value(worst.occupancy));
    EXPECT_EQ(f.limit, check::Value(worst.chunk_bits));
    EXPECT_EQ(r.summary.underflow_pictures, 4u);
    EXPECT_EQ(r.summary.first_underflow, 0u);
    EXPECT_EQ(r.summary.overflow_pictures, 0u);
    EXPECT_LT(*r.summary.least_margin, 0);
}

TEST(CheckStream, AtscVbvDelayLimit) {
    // 704x480 at 29,97 Hz, every vbv_delay 50 000 (0,56 s): one finding for the run.
    Dvd d;
    d.header.horizontal_size = 704;
    d.header.vertical_size = 480;
    d.header.frame_rate_code = 4;
    d.header.bit_rate_value = 48500;
    d.header.vbv_buffer_size_value = 488;
    d.vbv_delay = d.second_picture_vbv_delay = 50000;
    const check::CheckResult r = checked(dvd_stream(d), "atsc");
    ASSERT_EQ(rule_ids(r), std::vector<std::string>{"vbv-delay-limit"});
    EXPECT_EQ(r.findings[0].pictures, 6u);
    EXPECT_EQ(r.findings[0].found, check::Value(50000.0));
    EXPECT_EQ(r.findings[0].limit, check::Value(45000.0));
    EXPECT_EQ(r.buffer.mode, check::BufferMode::vbv_delay);
}

} // namespace
} // namespace quantaline
