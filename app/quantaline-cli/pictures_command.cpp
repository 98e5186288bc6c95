// quantaline-cli pictures: every coded picture of a file's video, one record each, for
// several files at once on all cores, printed in argument order.

#include "check/buffer_model.h"
#include "codec_output.h"
#include "command_line.h"
#include "commands.h"
#include "export/codec_picture_table.h"
#include "export/picture_table.h"
#include "json.h"
#include "mpeg/scan.h"
#include "scan_runs.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quantaline::cli {

namespace {

using mpeg::PictureRecord;
using mpeg::ScanResult;

void append_json_quantiser(std::string& out, const mpeg::PictureQuantiserFigures& q) {
    if (!q.read) {
        out += ",\"quantiser\":null,\"macroblocks\":null";
        return;
    }
    out += ",\"quantiser\":{\"average\":";
    append_hundredths(out, q.quantiser_average_hundredths);
    out += ",\"min\":";
    append_decimal(out, q.quantiser_min);
    out += ",\"max\":";
    append_decimal(out, q.quantiser_max);
    out += "},\"macroblocks\":{\"intra\":";
    append_decimal(out, q.intra);
    out += ",\"coded\":";
    append_decimal(out, q.coded);
    out += ",\"skipped\":";
    append_decimal(out, q.skipped);
    out += ",\"missing\":";
    append_decimal(out, q.missing);
    out += '}';
}

void append_json_flag(std::string& out, const char* key, bool known, bool value) {
    out += key;
    out += known ? (value ? "true" : "false") : "null";
}

void append_json_timing(std::string& out, const PictureRecord& p,
                        const check::BufferModel& buffer) {
    out += ",\"vbv_delay\":";
    append_decimal(out, p.vbv_delay);
    append_json_flag(out, ",\"top_field_first\":", p.flags.coding_extension,
                     p.flags.top_field_first);
    append_json_flag(out, ",\"repeat_first_field\":", p.flags.coding_extension,
                     p.flags.repeat_first_field);
    append_json_flag(out, ",\"progressive_frame\":", p.flags.coding_extension,
                     p.flags.progressive_frame);
    out += ",\"fields\":";
    if (p.fields != 0) {
        append_decimal(out, p.fields);
    } else {
        out += "null";
    }
    const check::PictureBuffer* b = buffer.at(p.index);
    if (b == nullptr) {
        out += ",\"decode_time\":null,\"vbv_occupancy\":null";
        return;
    }
    out += ",\"decode_time\":";
    append_fixed(out, b->decode_time, decode_time_decimals);
    out += ",\"vbv_occupancy\":";
    append_fixed(out, b->occupancy, occupancy_decimals);
}

void write_csv_rows(Writer& writer, const std::string& file, const ScanResult& result,
                    bool quantiser) {
    const check::BufferModel buffer = check::model_buffer(result);
    // In pieces: a file with a million pictures never sits whole in memory as text.
    constexpr std::size_t rows_at_once = 1024;
    const std::size_t count = result.picture_records.size();
    for (std::size_t begin = 0; begin < count; begin += rows_at_once) {
        append_picture_csv_rows(writer.text, file, result, begin,
                                std::min(count, begin + rows_at_once), quantiser, &buffer);
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
    const check::BufferModel buffer = check::model_buffer(result);
    out += "{\"file\":" + json_string(file);
    out += ",\"container\":\"";
    out += container_key(result.container);
    out += "\",\"video\":" + (result.video ? std::to_string(*result.video) : "null");
    out += ",\"pictures\":[";
    for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
        const PictureRecord& p = result.picture_records[i];
        out += i == 0 ? "{\"index\":" : ",{\"index\":";
        append_decimal(out, p.index);
        out += ",\"offset\":";
        append_decimal(out, p.offset);
        out += ",\"type\":";
        append_json_key(out, picture_type_key(p.picture_coding_type));
        out += ",\"structure\":";
        append_json_key(out, picture_structure_key(p.picture_structure));
        out += ",\"temporal_reference\":";
        append_decimal(out, p.temporal_reference);
        out += ",\"bytes\":";
        append_decimal(out, p.bytes);
        out += ",\"matrix_set\":";
        if (p.matrix_set != 0) {
            append_decimal(out, p.matrix_set);
        } else {
            out += "null";
        }
        if (quantiser) {
            append_json_quantiser(out, p.quantiser);
        }
        append_json_timing(out, p, buffer);
        out += '}';
        writer.flush_if_large();
    }
    out += "],\"messages\":" + json_messages(result.messages) + "}\n";
}

void write_codec_csv_rows(Writer& writer, const std::string& file, const CodecScan& result) {
    constexpr std::size_t rows_at_once = 1024;
    const std::size_t count = result.picture_records.size();
    const auto cpb = stream_cpb(result.codec, result.picture_records, result.summary);
    for (std::size_t begin = 0; begin < count; begin += rows_at_once) {
        append_codec_picture_csv_rows(writer.text, file, result.codec, result.picture_records, cpb,
                                      begin, std::min(count, begin + rows_at_once));
        writer.flush_if_large();
    }
}

void append_json_time(std::string& out, const char* key, const std::optional<double>& time) {
    out += key;
    if (time) {
        append_fixed(out, *time, decode_time_decimals);
    } else {
        out += "null";
    }
}

void append_json_codec_picture(std::string& out, container::Codec codec, std::size_t index,
                               const CodecPicture& p, const check::CpbPicture* cpb) {
    out += index == 0 ? "{\"index\":" : ",{\"index\":";
    append_decimal(out, index);
    out += ",\"offset\":";
    append_decimal(out, p.offset);
    out += ",\"type\":\"";
    out += p.type;
    out += "\",\"nal_type\":";
    append_json_key(out, codec_nal_type_key(codec, p.nal_type));
    out += ",\"structure\":";
    append_json_key(out, codec_structure_key(p));
    out += p.reference ? ",\"reference\":true" : ",\"reference\":false";
    out += ",\"poc\":" + (p.poc ? std::to_string(*p.poc) : std::string("null"));
    out += ",\"bytes\":";
    append_decimal(out, p.bytes);
    out += ",\"list_set\":" + (p.list_set != 0 ? std::to_string(p.list_set) : std::string("null"));
    if (p.qp_average_hundredths) {
        out += ",\"qp\":{\"average\":";
        append_hundredths(out, *p.qp_average_hundredths);
        out += ",\"min\":";
        append_decimal(out, p.qp_min);
        out += ",\"max\":";
        append_decimal(out, p.qp_max);
        out += '}';
    } else {
        out += ",\"qp\":null";
    }
    append_json_time(out, ",\"decode_time\":", p.decode_time);
    append_json_time(out, ",\"presentation_time\":", p.presentation_time);
    const auto at = [cpb](double check::CpbPicture::*field) {
        return cpb != nullptr ? std::optional<double>(cpb->*field) : std::nullopt;
    };
    append_json_time(out, ",\"cpb_arrival_start\":", at(&check::CpbPicture::arrival_start));
    append_json_time(out, ",\"cpb_arrival_end\":", at(&check::CpbPicture::arrival_end));
    append_json_time(out, ",\"cpb_removal\":", at(&check::CpbPicture::removal));
    out += ",\"cpb_fullness\":";
    if (cpb != nullptr) {
        append_fixed(out, cpb->fullness, occupancy_decimals);
    } else {
        out += "null";
    }
    out += '}';
}

void write_codec_json_line(Writer& writer, const std::string& file, const CodecScan& result) {
    std::string& out = writer.text;
    out += "{\"file\":" + json_string(file);
    out += ",\"codec\":" + json_string(codec_key(result.codec));
    out += ",\"container\":" + json_string(container_key(result.container));
    out += ",\"pictures_before_parameter_sets\":" +
           std::to_string(result.summary.before_parameter_sets);
    out += ",\"pictures\":[";
    const auto cpb = stream_cpb(result.codec, result.picture_records, result.summary);
    for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
        append_json_codec_picture(out, result.codec, i, result.picture_records[i],
                                  i < cpb.size() ? &cpb[i] : nullptr);
        writer.flush_if_large();
    }
    out += "],\"messages\":" + json_messages(result.messages) + "}\n";
}

// One header before each run of files of the same kind: MPEG-1/2's columns are not the
// other codecs'.
class CsvHeaders {
  public:
    explicit CsvHeaders(bool quantiser) : quantiser_(quantiser) {}
    void before(Writer& writer, bool codec) {
        const char* header = codec        ? codec_picture_csv_header
                             : quantiser_ ? picture_csv_quantiser_header
                                          : picture_csv_header;
        if (header != last_) {
            writer.text += header;
            last_ = header;
        }
    }

  private:
    bool quantiser_;
    const char* last_ = nullptr;
};

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
    CsvHeaders headers(quantiser);
    return run_scans(
        files, true, quantiser,
        [json, quantiser, &headers](std::size_t, const std::string& file,
                                    const ScanResult& result) {
            Writer writer;
            if (json) {
                write_json_line(writer, file, result, quantiser);
            } else {
                headers.before(writer, false);
                writer.flush();
                print_messages(file, result.messages);
                write_csv_rows(writer, file, result, quantiser);
            }
        },
        status,
        [json, &headers](std::size_t, const std::string& file, const CodecScan& result) {
            Writer writer;
            if (json) {
                write_codec_json_line(writer, file, result);
            } else {
                headers.before(writer, true);
                writer.flush();
                print_messages(file, result.messages);
                write_codec_csv_rows(writer, file, result);
            }
        });
}

} // namespace quantaline::cli
