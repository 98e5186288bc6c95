#include "export/tmpgenc_export.h"

#include "export/export_messages.h"
#include "io/paths.h"
#include "io/text.h"
#include "io/text_file.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace quantaline {

namespace {

constexpr std::string_view section_header = "[Tools.QuantizeMatrix]";
constexpr std::string_view count_key = "Count=";
Message unreadable_message(const std::string& path) {
    return Message{MessageId::tmpgenc_file_unusable,
                   {piece(TextId::tmpgenc_unreadable, {literal_text(path)})}};
}

Message missing_section_message(const std::string& path) {
    return Message{MessageId::tmpgenc_file_unusable,
                   {piece(TextId::tmpgenc_no_section,
                          {literal_text(path), literal_text(std::string(section_header))})}};
}

Message bad_count_message(const std::string& path) {
    return Message{MessageId::tmpgenc_file_unusable,
                   {piece(TextId::tmpgenc_bad_count_line,
                          {literal_text(path), literal_text(std::string(section_header))})}};
}

// N from "Count=N"; nothing unless N is a plain decimal number whose successor still fits.
std::optional<int> entry_count(const std::string& line) {
    if (!line.starts_with(count_key) || line.size() == count_key.size()) {
        return std::nullopt;
    }
    int count = 0;
    const char* first = line.data() + count_key.size();
    const char* last = line.data() + line.size();
    const auto [end, error] = std::from_chars(first, last, count);
    if (error != std::errc() || end != last || *first == '-' ||
        count == std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return count;
}

std::string row_text(const mpeg::Matrix& matrix, int row) {
    std::string text;
    for (int column = 0; column < 8; ++column) {
        if (column > 0) {
            text += ' ';
        }
        text += std::to_string(
            matrix[static_cast<std::size_t>(row) * 8 + static_cast<std::size_t>(column)]);
    }
    return text;
}

std::vector<std::string> entry_lines(int number, const std::string& name,
                                     const QuantMatrixPair& matrices) {
    const std::string n = std::to_string(number);
    std::vector<std::string> lines = {"Name" + n + "=\"" + name + "\"", "ReadOnly" + n + "=0"};
    for (int k = 0; k < 8; ++k) {
        lines.push_back("Intra" + n + "_" + std::to_string(k) + "=" + row_text(matrices.intra, k));
    }
    for (int k = 0; k < 8; ++k) {
        lines.push_back("NonIntra" + n + "_" + std::to_string(k) + "=" +
                        row_text(matrices.non_intra, k));
    }
    return lines;
}

// A line the Windows INI reader takes for the start of a section.
bool starts_section(const std::string& line) {
    const auto first = line.find_first_not_of(" \t");
    return first != std::string::npos && line[first] == '[';
}

} // namespace

std::string tmpgenc_ini_path(const std::string& folder_text) {
    return resolve_windows_path(with_trailing_separator(folder_text) + "TMPGEnc.ini");
}

std::optional<Message> export_tmpgenc(const std::string& folder_text, const std::string& name,
                                      const QuantMatrixPair& matrices,
                                      Configuration& configuration) {
    configuration.tmpgenc_folder = with_trailing_separator(folder_text);
    const std::string path = tmpgenc_ini_path(folder_text);
    if (has_line_break(name)) {
        return line_break_message;
    }
    auto lines = read_text_lines(path);
    if (!lines) {
        return unreadable_message(path);
    }
    if (auto problem = add_tmpgenc_entry(*lines, path, name, matrices)) {
        return problem;
    }
    if (const auto error = write_text_lines(path, *lines)) {
        return Message{MessageId::tmpgenc_file_not_written, {write_error_text(*error)}};
    }
    return std::nullopt;
}

std::optional<Message> add_tmpgenc_entry(std::vector<std::string>& lines, const std::string& path,
                                         const std::string& name, const QuantMatrixPair& matrices) {
    const auto used_end = std::find_if(lines.rbegin(), lines.rend(), [](const auto& line) {
                              return !line.empty();
                          }).base();
    const auto header = std::find(lines.begin(), used_end, section_header);
    if (header == used_end) {
        return missing_section_message(path);
    }
    const auto count_line = header + 1;
    const auto count = count_line == used_end ? std::nullopt : entry_count(*count_line);
    if (!count) {
        return bad_count_message(path);
    }
    *count_line = std::string(count_key) + std::to_string(*count + 1);

    auto entry = entry_lines(*count, name, matrices);
    const auto section_end = std::find_if(count_line + 1, used_end, starts_section);
    if (section_end == used_end) {
        // The usual case: the entry ends the file, followed by one empty line that takes
        // the place of any trailing ones.
        lines.erase(used_end, lines.end());
        entry.emplace_back();
        lines.insert(lines.end(), entry.begin(), entry.end());
    } else {
        // Another section follows: the entry goes after this section's last line that is
        // not empty, so that the Windows INI reader finds it where the count says.
        auto insert_at = section_end;
        while (insert_at[-1].empty()) {
            --insert_at;
        }
        lines.insert(insert_at, entry.begin(), entry.end());
    }
    return std::nullopt;
}

} // namespace quantaline
