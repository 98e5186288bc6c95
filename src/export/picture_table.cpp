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
    return Message{MessageId::picture_table_not_written, {write_error_text(error)}};
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

void append_fixed(std::string& out, double value, int decimals) {
    char digits[64];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    out.append(digits, result.ec == std::errc() ? result.ptr : digits);
}

namespace {

void append_flag(std::string& out, bool known, bool value) {
    out += ',';
    if (known) {
        out += value ? '1' : '0';
    }
}

void append_csv_timing(std::string& out, const mpeg::PictureRecord& p,
                       const check::BufferModel* buffer) {
    out += ',';
    append_decimal(out, p.vbv_delay);
    append_flag(out, p.flags.coding_extension, p.flags.top_field_first);
    append_flag(out, p.flags.coding_extension, p.flags.repeat_first_field);
    append_flag(out, p.flags.coding_extension, p.flags.progressive_frame);
    out += ',';
    if (p.fields != 0) {
        append_decimal(out, p.fields);
    }
    const check::PictureBuffer* b = buffer ? buffer->at(p.index) : nullptr;
    if (b == nullptr || buffer->mode == check::BufferMode::none) {
        out += ",,";
        return;
    }
    out += ',';
    append_fixed(out, b->decode_time, decode_time_decimals);
    out += ',';
    append_fixed(out, b->occupancy, occupancy_decimals);
}

void append_csv_quantiser(std::string& out, const mpeg::PictureQuantiserFigures& q) {
    if (!q.read) {
        out += ",,,,,,,";
        return;
    }
    out += ',';
    append_hundredths(out, q.quantiser_average_hundredths);
    for (const std::uint32_t value :
         {std::uint32_t{q.quantiser_min}, std::uint32_t{q.quantiser_max}, q.intra, q.coded,
          q.skipped, q.missing}) {
        out += ',';
        append_decimal(out, value);
    }
}

} // namespace

void append_picture_csv_rows(std::string& out, const std::string& file,
                             const mpeg::ScanResult& result, std::size_t begin, std::size_t end,
                             bool quantiser, const check::BufferModel* buffer) {
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
        append_csv_timing(out, p, buffer);
        out += '\n';
    }
}

std::optional<Message> write_picture_table(const std::string& path, const std::string& file,
                                           const mpeg::ScanResult& result) {
    std::string text = picture_csv_header;
    const check::BufferModel buffer = check::model_buffer(result);
    append_picture_csv_rows(text, file, result, 0, result.picture_records.size(), false, &buffer);
    if (const auto error = write_file_atomically(path, text)) {
        return picture_table_failed_message(*error);
    }
    return std::nullopt;
}

} // namespace quantaline
