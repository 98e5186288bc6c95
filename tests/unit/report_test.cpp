#include "analysis/analysis.h"
#include "io/paths.h"
#include "report/report_writer.h"
#include "report/text_report.h"
#include "support/messages.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quantaline {
namespace {

using test::read_all;
using test::TempDir;

std::string blanks(std::size_t count) {
    return std::string(count, ' ');
}

StreamInfo dvd_info() {
    StreamInfo info;
    info.stream_type_text = "Flux programme";
    info.mpeg_version_text = "MPEG-2";
    info.horizontal_size = 720;
    info.vertical_size = 576;
    info.aspect_ratio_text = "4:3";
    info.frame_rate_text = "25";
    info.max_bit_rate_kbps = 9800;
    info.profile_text = "MainProfil";
    info.level_text = "MainLevel";
    info.chroma_format_text = "4:2:0";
    info.vbv_buffer_size_kb = 224;
    info.video_format_text = "PAL";
    info.intra_dc_precision_bits = 9;
    info.picture_structure_text = "Frame Picture";
    return info;
}

QuantMatrixPair default_pair() {
    QuantMatrixPair matrices;
    matrices.intra = default_intra;
    matrices.non_intra.fill(16);
    return matrices;
}

// Items through a sink that records what it is asked, as a printer would be.
class RecordingSink : public ReportSink {
  public:
    void write(std::string_view text) override {
        log += "[" + std::string(text) + "]";
        at += static_cast<double>(text.size()) * 2.5;
    }
    double position() const override { return at; }
    double zone_width() const override { return 35; }
    void move_to(double target) override {
        log += "@" + std::to_string(static_cast<int>(target));
        at = target;
    }
    void end_line() override {
        log += "|";
        at = 0;
    }
    std::string log;
    double at = 0;
};

TEST(ReportLineWriter, NumbersAndZones) {
    RecordingSink sink;
    ReportLineWriter writer(sink);
    writer.number(720).number(-3).number(0).end_line();
    writer.zone().text("ab").zone().zone().end_line();
    writer.text("abcdefghijklmn").zone().end_line(); // 14 characters: on a zone start
    EXPECT_EQ(sink.log, "[ 720 ][-3 ][ 0 ]|@35[ab]@70@105|[abcdefghijklmn]@70|");
}

TEST(TextReport, TheThirtySixLines) {
    const auto lines = report_lines("/videos/clip.m2v", dvd_info(), default_pair());
    const std::vector<std::string> expected = {
        "Quantaline   1 . 1    revision 0 ",
        "",
        "",
        "Nom du fichier traité = /videos/clip.m2v",
        "",
        "Type de flux = Flux programme MPEG-2",
        "",
        "Résolution =  720  X  576 ",
        "Aspect ratio = 4:3",
        "Fréquense d'image = 25images par secondes",
        "Débir maximum =  9800  Kbit/s",
        "Profil et Level = MainProfil@MainLevel",
        "Format YUV = 4:2:0",
        "VBV buffer size =  224  Kbit",
        "Format video = PAL",
        "DCT =  9 ",
        "Structure d'image = Frame Picture",
        "",
        "",
        "",
        "",
        "Matrice INTRA-BLOCK Standard MPEG" + blanks(37) + "Matrice non INTRA-BLOCK Standard MPEG",
        "",
        " 8  16  19  22  26  27  29  34 " + blanks(39) + " 16  16  16  16  16  16  16  16 ",
        " 16  16  22  24  27  29  34  37 " + blanks(38) + " 16  16  16  16  16  16  16  16 ",
        " 19  22  26  27  29  34  34  38 " + blanks(38) + " 16  16  16  16  16  16  16  16 ",
        " 22  22  26  27  29  34  37  40 " + blanks(38) + " 16  16  16  16  16  16  16  16 ",
        " 22  26  27  29  32  35  40  48 " + blanks(38) + " 16  16  16  16  16  16  16  16 ",
        " 26  27  29  32  35  40  48  58 " + blanks(38) + " 16  16  16  16  16  16  16  16 ",
        " 26  27  29  34  38  46  56  69 " + blanks(38) + " 16  16  16  16  16  16  16  16 ",
        " 27  29  35  38  46  56  69  83 " + blanks(38) + " 16  16  16  16  16  16  16  16 ",
        "",
        "",
        "",
        "",
        "Fin du document.",
    };
    EXPECT_EQ(lines, expected);
}

TEST(TextReport, ColumnsFollowTheZones) {
    struct Case {
        const char* name;
        bool intra_from_stream, non_intra_from_stream;
        std::uint8_t intra_row_value;
        std::size_t heading_column, values_column;
    };
    const Case cases[] = {
        {"one digit: 24 characters", true, true, 7, 70, 56},
        {"two digits: 32 characters", false, true, 42, 70, 70},
        {"three digits: 40 characters", true, false, 255, 70, 70},
    };
    for (const auto& c : cases) {
        QuantMatrixPair matrices = default_pair();
        matrices.intra.fill(c.intra_row_value);
        matrices.intra_from_stream = c.intra_from_stream;
        matrices.non_intra_from_stream = c.non_intra_from_stream;
        const auto lines = report_lines("clip", StreamInfo{}, matrices);
        const std::string non_intra_heading = c.non_intra_from_stream
                                                  ? "Matrice non INTRA-BLOCK speciale"
                                                  : "Matrice non INTRA-BLOCK Standard MPEG";
        EXPECT_EQ(lines[21].find(non_intra_heading), c.heading_column) << c.name;
        EXPECT_TRUE(lines[21].starts_with(c.intra_from_stream
                                              ? "Matrice INTRA-BLOCK speciale "
                                              : "Matrice INTRA-BLOCK Standard MPEG "))
            << c.name;
        EXPECT_EQ(lines[23].substr(c.values_column), " 16  16  16  16  16  16  16  16 ") << c.name;
        EXPECT_EQ(lines[23].find_first_not_of(" 0123456789"), std::string::npos) << c.name;
    }
}

TEST(TextReport, EmptyValuesOfAnMpeg1Stream) {
    StreamInfo info;
    info.stream_type_text = "Flux élémentaire";
    info.mpeg_version_text = "MPEG-1";
    const auto lines = report_lines("x", info, default_pair());
    EXPECT_EQ(lines[5], "Type de flux = Flux élémentaire MPEG-1");
    EXPECT_EQ(lines[11], "Profil et Level = @");
    EXPECT_EQ(lines[12], "Format YUV = ");
    EXPECT_EQ(lines[14], "Format video = ");
    EXPECT_EQ(lines[15], "DCT =  0 ");
    EXPECT_EQ(lines[9], "Fréquense d'image = images par secondes");
}

// A video's path as the platform writes it: the report is named after its last part.
#ifdef _WIN32
constexpr const char* video_path = "D:\\videos\\clip.m2v";
#else
constexpr const char* video_path = "/videos/clip.m2v";
#endif

TEST(TextReport, IsWrittenToTheProgramFolderWithItsConfirmation) {
    TempDir dir;
    const auto outcome = write_text_report(dir.folder(), video_path, dvd_info(), default_pair());
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(outcome.path, dir.folder() + "matrice de clip.m2v.txt");
    EXPECT_EQ(french(outcome.message),
              (ShownMessage{Icon::information, "Matrice sauvegardées...",
                            "Le fichier [matrice de clip.m2v.txt] a été crée dans le dossier de "
                            "Quantaline",
                            Buttons::ok, Button::ok}));
    const std::string bytes = read_all(outcome.path);
    EXPECT_TRUE(bytes.starts_with(std::string("Quantaline   1 . 1    revision 0 \r\n\r\n\r\n"
                                              "Nom du fichier trait\xE9 = ") +
                                  video_path + "\r\n\r\n"))
        << bytes.substr(0, 80);
    EXPECT_TRUE(bytes.find("\r\nR\xE9solution =  720  X  576 \r\n") != std::string::npos);
    EXPECT_TRUE(bytes.find("\r\nFr\xE9quense d'image = 25images") != std::string::npos);
    EXPECT_TRUE(bytes.ends_with("\r\n\r\n\r\n\r\n\r\nFin du document.\r\n"));
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 36);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 36);

    // A path without a separator names the file "matrice de .txt".
    const auto bare = write_text_report(dir.folder(), "clip.m2v", dvd_info(), default_pair());
    EXPECT_EQ(bare.path, dir.folder() + "matrice de .txt");
    EXPECT_EQ(french(bare.message).text,
              "Le fichier [matrice de .txt] a été crée dans le dossier de Quantaline");
}

TEST(TextReport, AReportThatCannotBeWrittenSaysWhy) {
    TempDir dir;
    const auto folder = dir.file("missing") + native_separator;
    const auto outcome = write_text_report(folder, video_path, dvd_info(), default_pair());
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.message.icon, Icon::critical);
    EXPECT_EQ(french(outcome.message).title, "Rapport non enregistré...");
    EXPECT_EQ(french(outcome.message).text,
              "Le fichier [" + folder +
                  "matrice de clip.m2v.txt] n'a pas pu être écrit : Aucun "
                  "fichier ou dossier de ce nom. Le rapport n'a pas été "
                  "enregistré.");
    EXPECT_FALSE(std::filesystem::exists(folder));
}

} // namespace
} // namespace quantaline
