#pragma once

#include "io/text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quantaline {

// Every text inside the program is UTF-8; the files it reads and writes are Windows-1252.
// A character the code page cannot hold becomes "?". The five bytes the code page leaves
// unassigned (81, 8D, 8F, 90, 9D) map to the control characters of the same number, so
// that any file read and written back keeps its bytes.
std::string utf8_to_cp1252(std::string_view utf8);
std::string cp1252_to_utf8(std::string_view cp1252);

// Windows-1252 text cut into UTF-8 lines, by the rules of read_text_lines.
std::vector<std::string> split_text_lines(std::string_view cp1252_bytes);

// The lines of a Windows-1252 text file, as UTF-8. Lines end with CR LF, LF or a lone CR;
// a last line without an ending still counts. Nothing when the file cannot be read.
std::optional<std::vector<std::string>> read_text_lines(const std::string& path);

// A text holding CR or LF would add lines of its own to a file written line by line.
bool has_line_break(const std::string& text);

enum class WriteErrorKind {
    system,     // the system refused: `reason` tells why
    line_break, // a value held a line break; nothing was tried
};

struct WriteError {
    std::string path;
    Text reason; // the system's reason
    WriteErrorKind kind = WriteErrorKind::system;
};

// Writes the lines in Windows-1252, each followed by CR LF, to a temporary file in the
// same folder and renames it over `path`: on failure the previous file is untouched and
// no temporary file is left. Nothing on success.
std::optional<WriteError> write_text_lines(const std::string& path,
                                           const std::vector<std::string>& utf8_lines);

// "Le fichier [PATH] n'a pas pu être écrit : REASON." — the one wording of a failed write;
// the line-break refusal for a refused line break.
Text write_error_text(const WriteError& error);

} // namespace quantaline
