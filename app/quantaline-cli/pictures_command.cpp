// quantaline-cli pictures: every coded picture of a file's video, one record each, for
// several files at once on all cores, printed in argument order.

#include "command_line.h"
#include "commands.h"
#include "json.h"
#include "mpeg/scan.h"
#include "scan_runs.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quantaline::cli {

namespace {

using mpeg::PictureRecord;
using mpeg::ScanResult;

// The picture_coding_type as scripts read it; nothing for the forbidden and reserved codes.
std::string_view type_key(std::uint8_t picture_coding_type) {
    switch (picture_coding_type) {
    case 1:
        return "I";
    case 2:
        return "P";
    case 3:
        return "B";
    case 4:
        return "D";
    default:
        return {};
    }
}

std::string_view structure_key(std::uint8_t picture_structure) {
    switch (picture_structure) {
    case 1:
        return "top";
    case 2:
        return "bottom";
    case mpeg::frame_picture:
        return "frame";
    default:
        return {};
    }
}

void append_number(std::string& out, std::uint64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// A CSV field as RFC 4180 quotes it: a name may hold commas, quotes or line ends.
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

constexpr const char* csv_header =
    "file,index,offset,type,structure,temporal_reference,bytes,matrix_set";
constexpr const char* csv_quantiser_header =
    ",quantiser_average,quantiser_min,quantiser_max,macroblocks_intra,macroblocks_coded,"
    "macroblocks_skipped";

// An average in hundredths as a number with two decimals: 10.25, 8.00.
void append_average(std::string& out, std::uint32_t hundredths) {
    append_number(out, hundredths / 100);
    out += '.';
    out += static_cast<char>('0' + hundredths % 100 / 10);
    out += static_cast<char>('0' + hundredths % 10);
}

// The six quantiser columns; empty where the picture's macroblocks were not read (before
// the first sequence header, or after Ctrl-C).
void append_csv_quantiser(std::string& out, const mpeg::PictureQuantiserFigures& q) {
    if (!q.read) {
        out += ",,,,,,";
        return;
    }
    out += ',';
    append_average(out, q.quantiser_average_hundredths);
    for (const std::uint32_t value :
         {std::uint32_t{q.quantiser_min}, std::uint32_t{q.quantiser_max}, q.intra, q.coded,
          q.skipped}) {
        out += ',';
        append_number(out, value);
    }
}

void append_json_quantiser(std::string& out, const mpeg::PictureQuantiserFigures& q) {
    if (!q.read) {
        out += ",\"quantiser\":null,\"macroblocks\":null";
        return;
    }
    out += ",\"quantiser\":{\"average\":";
    append_average(out, q.quantiser_average_hundredths);
    out += ",\"min\":";
    append_number(out, q.quantiser_min);
    out += ",\"max\":";
    append_number(out, q.quantiser_max);
    out += "},\"macroblocks\":{\"intra\":";
    append_number(out, q.intra);
    out += ",\"coded\":";
    append_number(out, q.coded);
    out += ",\"skipped\":";
    append_number(out, q.skipped);
    out += '}';
}

void write_csv_rows(Writer& writer, const std::string& file, const ScanResult& result,
                    bool quantiser) {
    const std::string name = csv_field(file) + ",";
    std::string& out = writer.text;
    for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
        const PictureRecord& p = result.picture_records[i];
        out += name;
        append_number(out, p.index);
        out += ',';
        append_number(out, p.offset);
        out += ',';
        out += type_key(p.picture_coding_type);
        out += ',';
        out += structure_key(p.picture_structure);
        out += ',';
        append_number(out, p.temporal_reference);
        out += ',';
        append_number(out, p.bytes);
        out += ',';
        if (p.matrix_set != 0) {
            append_number(out, p.matrix_set);
        }
        if (quantiser) {
            append_csv_quantiser(out, p.quantiser);
        }
        out += '\n';
        writer.flush_if_large();
    }
}

// A key's text value, or null.
void append_json_key(std::string& out, std::string_view key) {
    if (key.empty()) {
        out += "null";
    } else {
        out += '"';
        out += key;
        out += '"';
    }
}

void write_json_line(Writer& writer, const std::string& file, const ScanResult& result,
                     bool quantiser) {
    std::string& out = writer.text;
    out += "{\"file\":" + json_string(file);
    out += ",\"container\":\"";
    out += container_key(result.container);
    out += "\",\"video\":" + (result.video ? std::to_string(*result.video) : "null");
    out += ",\"pictures\":[";
    for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
        const PictureRecord& p = result.picture_records[i];
        out += i == 0 ? "{\"index\":" : ",{\"index\":";
        append_number(out, p.index);
        out += ",\"offset\":";
        append_number(out, p.offset);
        out += ",\"type\":";
        append_json_key(out, type_key(p.picture_coding_type));
        out += ",\"structure\":";
        append_json_key(out, structure_key(p.picture_structure));
        out += ",\"temporal_reference\":";
        append_number(out, p.temporal_reference);
        out += ",\"bytes\":";
        append_number(out, p.bytes);
        out += ",\"matrix_set\":";
        if (p.matrix_set != 0) {
            append_number(out, p.matrix_set);
        } else {
            out += "null";
        }
        if (quantiser) {
            append_json_quantiser(out, p.quantiser);
        }
        out += '}';
        writer.flush_if_large();
    }
    out += "],\"messages\":" + json_messages(result.messages) + "}\n";
}

} // namespace

int run_pictures(const Arguments& arguments) {
    int parse_status = exit_ok;
    const auto parsed = parse_arguments("pictures", arguments, {"--format"},
                                        {"-r", "--recursive", "--quantiser"}, false, parse_status);
    if (!parsed) {
        return parse_status;
    }
    const auto format_option = parsed->values.find("--format");
    const std::string format =
        format_option == parsed->values.end() ? "csv" : format_option->second;
    if (format != "csv" && format != "json") {
        return usage_error("unknown format for pictures: " + format);
    }
    const bool json = format == "json";
    const bool recursive = parsed->flags.contains("-r") || parsed->flags.contains("--recursive");
    const bool quantiser = parsed->flags.contains("--quantiser");

    int status = exit_ok;
    const std::vector<std::string> files = files_of_arguments(parsed->files, recursive, status);
    if (!json && !files.empty()) {
        std::printf("%s%s\n", csv_header, quantiser ? csv_quantiser_header : "");
    }
    return run_scans(
        files, true, quantiser,
        [json, quantiser](std::size_t, const std::string& file, const ScanResult& result) {
            Writer writer;
            if (json) {
                write_json_line(writer, file, result, quantiser);
            } else {
                print_messages(file, result.messages);
                write_csv_rows(writer, file, result, quantiser);
            }
        },
        status);
}

} // namespace quantaline::cli
