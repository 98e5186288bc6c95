#pragma once

#include "analysis/stream_info.h"

#include <string>
#include <string_view>
#include <vector>

namespace quantaline {

// Print zones are this many columns wide; a column is one character in a file and the
// font's average character width on paper.
inline constexpr int columns_per_zone = 14;

// Where report lines go. A text file counts positions in characters; a printer measures
// them in its own units. Print zones are 14 average character widths wide on both.
class ReportSink {
  public:
    virtual ~ReportSink() = default;
    // Puts text at the current position and moves past it.
    virtual void write(std::string_view utf8_text) = 0;
    // The current position on the line, from 0 at its start.
    virtual double position() const = 0;
    // The width of one print zone, in the units of position().
    virtual double zone_width() const = 0;
    // Moves to `target`, which is beyond the current position.
    virtual void move_to(double target) = 0;
    virtual void end_line() = 0;
};

// Puts report items on a line: texts as they are, numbers in their print form (a blank or a
// minus sign, the digits, a blank) and advances to the next print zone.
class ReportLineWriter {
  public:
    explicit ReportLineWriter(ReportSink& sink) : sink_(sink) {}

    ReportLineWriter& text(std::string_view utf8_text);
    ReportLineWriter& number(long long value);
    // To the next multiple of the zone width; a whole zone from the start of one.
    ReportLineWriter& zone();
    void end_line();

  private:
    ReportSink& sink_;
};

// Empty lines before "Fin du document.": four in the file (36 lines), seven on paper (39).
inline constexpr int file_closing_blank_lines = 4;
inline constexpr int printed_closing_blank_lines = 7;

// Writes the report on `file_path`'s stream through `writer`.
void write_report(ReportLineWriter& writer, const std::string& file_path, const StreamInfo& info,
                  const QuantMatrixPair& matrices,
                  int closing_blank_lines = file_closing_blank_lines);

// The same lines as text, without their line endings.
std::vector<std::string> report_lines(const std::string& file_path, const StreamInfo& info,
                                      const QuantMatrixPair& matrices,
                                      int closing_blank_lines = file_closing_blank_lines);

} // namespace quantaline
