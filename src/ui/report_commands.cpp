#include "ui/report_commands.h"

#include "io/text.h"
#include "report/report_writer.h"
#include "report/text_report.h"
#include "ui/platform.h"

#include <algorithm>
#include <limits>

namespace quantaline {

const Message print_failed_message{MessageId::print_failed};

namespace {

constexpr double report_font_points = 10;

// The length in bytes of the UTF-8 character that starts at `text[at]`.
std::size_t character_length(std::string_view text, std::size_t at) {
    std::size_t length = 1;
    while (at + length < text.size() &&
           (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80) {
        ++length;
    }
    return length;
}

// Positions on paper: a text ends where its printed width ends, and zones fall every
// `zone_width`. A text that would pass the printable area's right edge (a long path)
// goes on over the next lines, broken after a folder separator where one fits.
class PrinterSink final : public ReportSink {
  public:
    PrinterSink(PrintDocument& document, double zone_width)
        : document_(document), zone_width_(zone_width) {}

    void write(std::string_view utf8_text) override {
        while (!utf8_text.empty()) {
            const std::size_t fits = fitting_length(utf8_text);
            if (fits == utf8_text.size()) {
                document_.print_text(x_, utf8_text);
                x_ += document_.text_width(utf8_text);
                return;
            }
            if (fits > 0) {
                document_.print_text(x_, utf8_text.substr(0, fits));
            }
            end_line();
            utf8_text.remove_prefix(fits);
        }
    }
    double position() const override { return x_; }
    double zone_width() const override { return zone_width_; }
    void move_to(double target) override { x_ = target; }
    void end_line() override {
        document_.new_line();
        x_ = 0;
    }

  private:
    // How many bytes of `text` go on the rest of this line: at least one character on an
    // empty line, so that the text goes on whatever the font measures.
    std::size_t fitting_length(std::string_view text) const {
        const double room = document_.page_width() - x_;
        if (document_.text_width(text) <= room) {
            return text.size();
        }
        std::size_t fits = 0;
        std::size_t after_separator = 0;
        for (std::size_t end = 0; end < text.size();) {
            end += character_length(text, end);
            if (document_.text_width(text.substr(0, end)) > room) {
                break;
            }
            fits = end;
            if (text[end - 1] == '/' || text[end - 1] == '\\') {
                after_separator = end;
            }
        }
        if (after_separator > 0) {
            return after_separator;
        }
        return fits > 0 || x_ > 0 ? fits : character_length(text, 0);
    }

    PrintDocument& document_;
    double zone_width_;
    double x_ = 0;
};

// Lays the report out without printing it, to see whether lines with zone advances stay
// on the page and what zone width keeps them there.
class MeasuringSink final : public ReportSink {
  public:
    MeasuringSink(const PrintDocument& document, double zone_width)
        : document_(document), zone_width_(zone_width) {}

    void write(std::string_view utf8_text) override {
        const double width = document_.text_width(utf8_text);
        x_ += width;
        texts_ += width;
    }
    double position() const override { return x_; }
    double zone_width() const override { return zone_width_; }
    void move_to(double target) override {
        x_ = target;
        ++zones_;
    }
    void end_line() override {
        if (zones_ > 0) {
            widest_ = std::max(widest_, x_);
            // A zone advance moves at most one zone: zones no wider than the room each line
            // leaves beside its texts, shared among its advances, keep it on the page.
            zone_room_ = std::min(zone_room_, (document_.page_width() - texts_) / zones_);
        }
        x_ = texts_ = 0;
        zones_ = 0;
    }

    double widest() const { return widest_; }
    double zone_room() const { return zone_room_; }

  private:
    const PrintDocument& document_;
    double zone_width_;
    double x_ = 0;
    double texts_ = 0;
    int zones_ = 0;
    double widest_ = 0;
    double zone_room_ = std::numeric_limits<double>::max();
};

// Zones are 14 average character widths, as columns are in the file, unless a printer's
// font measures so wide that a line would then pass the page's right edge: the zones
// then narrow until every line fits, though never below one average character.
double zone_width_on_page(const PrintDocument& document, const AppState& state) {
    const double usual = columns_per_zone * document.average_char_width();
    MeasuringSink measure(document, usual);
    ReportLineWriter writer(measure);
    write_report(writer, state.file_path, state.stream_info, state.matrices,
                 printed_closing_blank_lines);
    if (measure.widest() <= document.page_width()) {
        return usual;
    }
    return std::max(measure.zone_room(), document.average_char_width());
}

} // namespace

void write_text_report_command(QWidget* owner, const AppState& state, Platform& platform) {
    platform.show_hourglass();
    const ReportOutcome outcome =
        write_text_report(state.program_folder, state.file_path, state.stream_info, state.matrices);
    platform.show_arrow();
    platform.show_message(owner, outcome.message);
}

void print_report(QWidget* owner, const AppState& state, Platform& platform) {
    platform.show_hourglass();
    bool printed = false;
    if (auto document = platform.start_document(report_font_points)) {
        PrinterSink sink(*document, zone_width_on_page(*document, state));
        ReportLineWriter writer(sink);
        write_report(writer, state.file_path, state.stream_info, state.matrices,
                     printed_closing_blank_lines);
        printed = document->end_document();
    }
    if (!printed) {
        platform.show_message(owner, print_failed_message);
    }
    platform.show_arrow();
}

} // namespace quantaline
