#include "export/cce_export.h"

#include "export/export_messages.h"
#include "io/text_file.h"

#include <algorithm>

namespace quantaline {

namespace {

// REGEDIT4 reads \" and \\ inside a quoted name as one character each; left bare they
// would end the name early or swallow the quote.
std::string escaped_value_name(const std::string& name) {
    std::string out;
    for (const char c : name) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

Message script_failed_message(const WriteError& error) {
    return Message{MessageId::cce_script_not_written, {write_error_text(error)}};
}

} // namespace

std::string cce_script_path(const std::string& program_folder) {
    return program_folder + "quantaline.reg";
}

std::array<std::uint8_t, 128> cce_values(const QuantMatrixPair& matrices) {
    std::array<std::uint8_t, 128> values{};
    std::copy(matrices.intra.begin(), matrices.intra.end(), values.begin());
    std::copy(matrices.non_intra.begin(), matrices.non_intra.end(), values.begin() + 64);
    return values;
}

std::optional<Message> write_cce_script(const std::string& path, const std::string& key,
                                        const std::string& name,
                                        const std::array<std::uint8_t, 128>& values) {
    if (has_line_break(key) || has_line_break(name)) {
        return line_break_message;
    }
    constexpr const char* hex_digits = "0123456789ABCDEF";
    std::string value_line = "\"" + escaped_value_name(name) + "\"=hex:";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            value_line += ", ";
        }
        value_line += hex_digits[values[i] >> 4];
        value_line += hex_digits[values[i] & 15];
    }
    if (const auto error = write_text_lines(path, {"REGEDIT4", "", "[" + key + "]", value_line})) {
        return script_failed_message(*error);
    }
    return std::nullopt;
}

} // namespace quantaline
