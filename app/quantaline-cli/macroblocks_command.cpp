// quantaline-cli macroblocks: one picture's macroblocks (where each lies, what kind it is,
// its quantiser), read from the file up to that picture.

#include "analysis/video.h"
#include "command_line.h"
#include "commands.h"
#include "export/picture_table.h"
#include "io/file_reader.h"
#include "io/text.h"
#include "json.h"
#include "mpeg/quantiser_pass.h"
#include "scan_runs.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

namespace quantaline::cli {

namespace {

const char* kind_key(mpeg::MacroblockKind kind) {
    switch (kind) {
    case mpeg::MacroblockKind::intra:
        return "intra";
    case mpeg::MacroblockKind::coded:
        return "coded";
    case mpeg::MacroblockKind::skipped:
        return "skipped";
    }
    return "coded";
}

class Collector final : public mpeg::MacroblockSink {
  public:
    void macroblock(const mpeg::MacroblockInfo& info) override { macroblocks.push_back(info); }
    std::vector<mpeg::MacroblockInfo> macroblocks;
};

std::optional<std::uint64_t> picture_number(const std::string& text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

void write_csv(Writer& writer, const mpeg::PictureQuantiser& picture,
               const std::vector<mpeg::MacroblockInfo>& macroblocks) {
    writer.text += "row,column,kind,quantiser\n";
    const std::uint32_t width = std::max<std::uint32_t>(1, picture.mb_width);
    for (const auto& m : macroblocks) {
        writer.text += std::to_string(m.address / width) + ',' + std::to_string(m.address % width) +
                       ',' + kind_key(m.kind) + ',' + std::to_string(m.quantiser_scale) + '\n';
        writer.flush_if_large();
    }
}

void write_json(Writer& writer, const std::string& file, std::uint64_t index,
                const mpeg::PictureQuantiser& picture,
                const std::vector<mpeg::MacroblockInfo>& macroblocks) {
    std::string& out = writer.text;
    out += "{\"file\":" + json_string(file) + ",\"picture\":" + std::to_string(index);
    const auto type = picture_type_key(picture.picture_coding_type);
    out += ",\"type\":" + (type.empty() ? std::string("null") : '"' + std::string(type) + '"');
    out += ",\"mb_width\":" + std::to_string(picture.mb_width) +
           ",\"mb_height\":" + std::to_string(picture.mb_height) + ",\"macroblocks\":[";
    const std::uint32_t width = std::max<std::uint32_t>(1, picture.mb_width);
    for (std::size_t i = 0; i < macroblocks.size(); ++i) {
        const auto& m = macroblocks[i];
        out += i == 0 ? "{\"row\":" : ",{\"row\":";
        out += std::to_string(m.address / width) +
               ",\"column\":" + std::to_string(m.address % width) + ",\"kind\":\"" +
               kind_key(m.kind) + "\",\"quantiser\":" + std::to_string(m.quantiser_scale) + '}';
        writer.flush_if_large();
    }
    out += "]}\n";
}

Message no_such_picture_message(std::uint64_t index) {
    return Message{MessageId::no_such_picture, {literal_text(std::to_string(index))}};
}

} // namespace

int run_macroblocks(const Arguments& arguments) {
    int status = exit_ok;
    const auto parsed =
        parse_arguments("macroblocks", arguments, {"--picture", "--format"}, {}, true, status);
    if (!parsed) {
        return status;
    }
    const auto picture_option = parsed->values.find("--picture");
    if (picture_option == parsed->values.end()) {
        return usage_error("macroblocks needs --picture N");
    }
    const auto index = picture_number(picture_option->second);
    if (!index) {
        return usage_error("not a picture number: " + picture_option->second);
    }
    const auto format_option = parsed->values.find("--format");
    const std::string format =
        format_option == parsed->values.end() ? "csv" : format_option->second;
    if (format != "csv" && format != "json") {
        return usage_error("unknown format for macroblocks: " + format);
    }
    const std::string& file = parsed->files.front();
    if (!FileReader(file).is_open()) {
        print_messages(file, {mpeg::scan_unreadable_message});
        return exit_message;
    }
    if (const auto message = pictures_not_read(file)) {
        print_messages(file, {*message});
        return exit_message;
    }
    Collector collector;
    const auto picture = mpeg::read_picture_macroblocks(file, *index, collector, nullptr,
                                                        std::nullopt, mpeg_layout(file));
    if (!picture) {
        print_messages(file, {no_such_picture_message(*index)});
        return exit_message;
    }
    Writer writer;
    if (format == "json") {
        write_json(writer, file, *index, *picture, collector.macroblocks);
    } else {
        write_csv(writer, *picture, collector.macroblocks);
    }
    return exit_ok;
}

} // namespace quantaline::cli
