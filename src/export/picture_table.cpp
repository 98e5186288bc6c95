#include "export/picture_table.h"

#include "io/atomic_file.h"

#include <charconv>

namespace quantaline {

std::string_view picture_type_key(std::uint8_t picture_coding_type) {
    return mpeg::picture_coding_type_name(picture_coding_type);
}

std::string_view picture_structure_key(std::uint8_t picture_structure) {
    switch (picture_structure) {
    case mpeg::top_field:
        return "top";
    case mpeg::bottom_field:
        return "bottom";
    case mpeg::frame_picture:
        return "frame";
    default:
        return {};
    }
}

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

Message picture_table_failed_message(const WriteError& error) {
    return {Icon::critical, TR_NOOP_TEXT("Message", "Enregistrer les images..."),
            fill_text(TR_NOOP_TEXT("Message", "%1 Le tableau des images n'a pas été enregistré."),
                      {write_error_text(error)}),
            Buttons::ok, Button::ok};
}

void append_decimal(std::string& out, std::uint64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void append_hundredths(std::string& out, std::uint32_t hundredths) {
    append_decimal(out, hundredths / 100);
    out += '.';
    out += static_cast<char>('0' + hundredths % 100 / 10);
    out += static_cast<char>('0' + hundredths % 10);
}

namespace {

void append_csv_quantiser(std::string& out, const mpeg::PictureQuantiserFigures& q) {
    if (!q.read) {
        out += ",,,,,,";
        return;
    }
    out += ',';
    append_hundredths(out, q.quantiser_average_hundredths);
    for (const std::uint32_t value :
         {std::uint32_t{q.quantiser_min}, std::uint32_t{q.quantiser_max}, q.intra, q.coded,
          q.skipped}) {
        out += ',';
        append_decimal(out, value);
    }
}

} // namespace

void append_picture_csv_rows(std::string& out, const std::string& file,
                             const mpeg::ScanResult& result, std::size_t begin, std::size_t end,
                             bool quantiser) {
    const std::string name = csv_field(file) + ",";
    for (std::size_t i = begin; i < end; ++i) {
        const mpeg::PictureRecord& p = result.picture_records[i];
        out += name;
        append_decimal(out, p.index);
        out += ',';
        append_decimal(out, p.offset);
        out += ',';
        // A forbidden or reserved type reads "?", as in the window.
        const std::string_view type = picture_type_key(p.picture_coding_type);
        out += type.empty() ? std::string_view("?") : type;
        out += ',';
        out += picture_structure_key(p.picture_structure);
        out += ',';
        append_decimal(out, p.temporal_reference);
        out += ',';
        append_decimal(out, p.bytes);
        out += ',';
        if (p.matrix_set != 0) {
            append_decimal(out, p.matrix_set);
        }
        if (quantiser) {
            append_csv_quantiser(out, p.quantiser);
        }
        out += '\n';
    }
}

std::optional<Message> write_picture_table(const std::string& path, const std::string& file,
                                           const mpeg::ScanResult& result) {
    std::string text = picture_csv_header;
    append_picture_csv_rows(text, file, result, 0, result.picture_records.size());
    if (const auto error = write_file_atomically(path, text)) {
        return picture_table_failed_message(*error);
    }
    return std::nullopt;
}

} // namespace quantaline
