#include "ui/report_commands.h"

#include "report/report_writer.h"
#include "report/text_report.h"
#include "ui/platform.h"

namespace quantaline {

const Message print_failed_message{Icon::exclamation, "Impression impossible...",
                                   "Impossible d'imprimer le document; Vérifiez l'imprimante !",
                                   Buttons::ok, Button::ok};

namespace {

constexpr double report_font_points = 10;

// Positions on paper: a text ends where its printed width ends, and a column is the font's
// average character width, so zones fall where the printed widths take them.
class PrinterSink final : public ReportSink {
  public:
    explicit PrinterSink(PrintDocument& document) : document_(document) {}

    void write(std::string_view utf8_text) override {
        if (utf8_text.empty()) {
            return;
        }
        document_.print_text(x_, utf8_text);
        x_ += document_.text_width(utf8_text);
    }
    double position() const override { return x_; }
    double zone_width() const override { return columns_per_zone * document_.average_char_width(); }
    void move_to(double target) override { x_ = target; }
    void end_line() override {
        document_.new_line();
        x_ = 0;
    }

  private:
    PrintDocument& document_;
    double x_ = 0;
};

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
        PrinterSink sink(*document);
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
