#include "report/report_writer.h"

#include "config/app_info.h"
#include "io/text.h"
#include "report/headings.h"

#include <cmath>
#include <string>

namespace quantaline {

namespace {

// Counts columns in characters: each character is one byte in the file.
class TextSink : public ReportSink {
  public:
    void write(std::string_view utf8_text) override {
        line_ += utf8_text;
        for (const char byte : utf8_text) {
            if ((static_cast<unsigned char>(byte) & 0xC0) != 0x80) {
                ++column_;
            }
        }
    }
    double position() const override { return column_; }
    double zone_width() const override { return columns_per_zone; }
    void move_to(double target) override {
        const auto blanks = static_cast<int>(std::lround(target)) - column_;
        line_.append(static_cast<std::size_t>(blanks), ' ');
        column_ += blanks;
    }
    void end_line() override {
        lines_.push_back(std::move(line_));
        line_.clear();
        column_ = 0;
    }
    std::vector<std::string> take_lines() { return std::move(lines_); }

  private:
    std::string line_;
    int column_ = 0;
    std::vector<std::string> lines_;
};

} // namespace

ReportLineWriter& ReportLineWriter::text(std::string_view utf8_text) {
    sink_.write(utf8_text);
    return *this;
}

ReportLineWriter& ReportLineWriter::number(long long value) {
    std::string form = std::to_string(value) + " ";
    if (value >= 0) {
        form.insert(form.begin(), ' ');
    }
    sink_.write(form);
    return *this;
}

ReportLineWriter& ReportLineWriter::zone() {
    const double width = sink_.zone_width();
    sink_.move_to((std::floor(sink_.position() / width) + 1) * width);
    return *this;
}

void ReportLineWriter::end_line() {
    sink_.end_line();
}

namespace {

void empty_lines(ReportLineWriter& writer, int count) {
    for (int i = 0; i < count; ++i) {
        writer.end_line();
    }
}

// The program's name and version.
void write_title(ReportLineWriter& writer) {
    writer.text(app_info::title)
        .text("  ")
        .number(app_info::version_major)
        .text(".")
        .number(app_info::version_minor)
        .text("   revision")
        .number(app_info::version_revision)
        .end_line();
}

// The file and the values of its first header.
void write_values(ReportLineWriter& writer, const std::string& file_path, const StreamInfo& info) {
    writer.text(tr_text("Report", "Nom du fichier traité = ")).text(file_path).end_line();
    empty_lines(writer, 1);
    writer.text(tr_text("Report", "Type de flux = "))
        .text(tr_string("Value", info.stream_type_text))
        .text(" ")
        .text(info.mpeg_version_text)
        .end_line();
    empty_lines(writer, 1);
    writer.text(tr_text("Report", "Résolution = "))
        .number(info.horizontal_size)
        .text(" X ")
        .number(info.vertical_size)
        .end_line();
    writer.text(tr_text("Report", "Aspect ratio = ")).text(info.aspect_ratio_text).end_line();
    // "Fréquense" and "Débir" are spelt so in every report users keep (kept on purpose:
    // docs/compatibility.md).
    writer.text(tr_text("Report", "Fréquense d'image = "))
        .text(tr_string("Value", info.frame_rate_text))
        .text(tr_text("Report", "images par secondes"))
        .end_line();
    writer.text(tr_text("Report", "Débir maximum = "))
        .number(info.max_bit_rate_kbps)
        .text(tr_text("Report", " Kbit/s"))
        .end_line();
    writer.text(tr_text("Report", "Profil et Level = "))
        .text(tr_string("Value", info.profile_text))
        .text("@")
        .text(tr_string("Value", info.level_text))
        .end_line();
    writer.text(tr_text("Report", "Format YUV = "))
        .text(tr_string("Value", info.chroma_format_text))
        .end_line();
    writer.text(tr_text("Report", "VBV buffer size = "))
        .number(info.vbv_buffer_size_kb)
        .text(tr_text("Report", " Kbit"))
        .end_line();
    writer.text(tr_text("Report", "Format video = "))
        .text(tr_string("Value", info.video_format_text))
        .end_line();
    writer.text(tr_text("Report", "DCT = ")).number(info.intra_dc_precision_bits).end_line();
    writer.text(tr_text("Report", "Structure d'image = "))
        .text(tr_string("Value", info.picture_structure_text))
        .end_line();
}

// The two matrices side by side under their headings.
void write_matrices(ReportLineWriter& writer, const QuantMatrixPair& matrices) {
    writer.text(intra_heading(matrices.intra_from_stream))
        .zone()
        .zone()
        .zone()
        .text(non_intra_heading(matrices.non_intra_from_stream))
        .end_line();
    empty_lines(writer, 1);
    for (int row = 1; row <= 8; ++row) {
        for (int column = 1; column <= 8; ++column) {
            writer.number(matrices.intra_at(row, column));
        }
        writer.zone().zone().zone();
        for (int column = 1; column <= 8; ++column) {
            writer.number(matrices.non_intra_at(row, column));
        }
        writer.end_line();
    }
}

} // namespace

void write_report(ReportLineWriter& writer, const std::string& file_path, const StreamInfo& info,
                  const QuantMatrixPair& matrices, int closing_blank_lines) {
    write_title(writer);
    empty_lines(writer, 2);
    write_values(writer, file_path, info);
    empty_lines(writer, 4);
    write_matrices(writer, matrices);
    empty_lines(writer, closing_blank_lines);
    writer.text(tr_text("Report", "Fin du document.")).end_line();
}

std::vector<std::string> report_lines(const std::string& file_path, const StreamInfo& info,
                                      const QuantMatrixPair& matrices, int closing_blank_lines) {
    TextSink sink;
    ReportLineWriter writer(sink);
    write_report(writer, file_path, info, matrices, closing_blank_lines);
    return sink.take_lines();
}

} // namespace quantaline
