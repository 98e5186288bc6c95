#include "export/codec_picture_table.h"

#include "export/picture_table.h"
#include "hevc/slice.h"
#include "io/atomic_file.h"

namespace quantaline {

std::string_view codec_nal_type_key(container::Codec codec, std::uint8_t nal_type) {
    if (codec == container::Codec::h264) {
        return nal_type == 5 ? "IDR" : "non-IDR";
    }
    if (codec == container::Codec::hevc) {
        return hevc::picture_type_name(nal_type);
    }
    return {};
}

std::string_view codec_structure_key(const CodecPicture& picture) {
    switch (picture.structure) {
    case CodecPictureStructure::top_field:
        return "top";
    case CodecPictureStructure::bottom_field:
        return "bottom";
    default:
        return picture.mbaff ? "mbaff" : "frame";
    }
}

void append_codec_picture_csv_rows(std::string& out, const std::string& file,
                                   container::Codec codec,
                                   const std::vector<CodecPicture>& pictures,
                                   const std::vector<check::CpbPicture>& cpb, std::size_t begin,
                                   std::size_t end) {
    const std::string name = csv_field(file) + ",";
    for (std::size_t i = begin; i < end; ++i) {
        const CodecPicture& p = pictures[i];
        out += name;
        append_decimal(out, i);
        out += ',';
        append_decimal(out, p.offset);
        out += ',';
        out += p.type;
        out += ',';
        out += codec_nal_type_key(codec, p.nal_type);
        out += ',';
        out += codec_structure_key(p);
        out += p.reference ? ",1," : ",0,";
        if (p.poc) {
            out += std::to_string(*p.poc);
        }
        out += ',';
        append_decimal(out, p.bytes);
        out += ',';
        if (p.list_set != 0) {
            append_decimal(out, p.list_set);
        }
        if (p.qp_average_hundredths) {
            out += ',';
            append_hundredths(out, *p.qp_average_hundredths);
            out += ',';
            append_decimal(out, p.qp_min);
            out += ',';
            append_decimal(out, p.qp_max);
        } else {
            out += ",,,";
        }
        for (const auto& time : {p.decode_time, p.presentation_time}) {
            out += ',';
            if (time) {
                append_fixed(out, *time, decode_time_decimals);
            }
        }
        if (i < cpb.size()) {
            const check::CpbPicture& c = cpb[i];
            for (const double time : {c.arrival_start, c.arrival_end, c.removal}) {
                out += ',';
                append_fixed(out, time, decode_time_decimals);
            }
            out += ',';
            append_fixed(out, c.fullness, occupancy_decimals);
        } else {
            out += ",,,,";
        }
        out += '\n';
    }
}

std::vector<check::CpbPicture> stream_cpb(container::Codec codec,
                                          const std::vector<CodecPicture>& pictures,
                                          const CodecPictureSummary& summary) {
    if (codec != container::Codec::h264 && codec != container::Codec::hevc) {
        return {};
    }
    return check::check_codec_pictures(codec, pictures, summary, "none", {}).cpb;
}

std::optional<Message> write_codec_picture_table(const std::string& path, const std::string& file,
                                                 container::Codec codec,
                                                 const std::vector<CodecPicture>& pictures,
                                                 const CodecPictureSummary& summary) {
    std::string text = codec_picture_csv_header;
    append_codec_picture_csv_rows(text, file, codec, pictures, stream_cpb(codec, pictures, summary),
                                  0, pictures.size());
    if (const auto error = write_file_atomically(path, text)) {
        return picture_table_failed_message(*error);
    }
    return std::nullopt;
}

} // namespace quantaline
