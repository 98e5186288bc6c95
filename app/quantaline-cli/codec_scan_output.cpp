#include "codec_scan_output.h"

#include "analysis/display.h"
#include "codec_output.h"
#include "export/picture_table.h"
#include "io/text.h"
#include "json.h"
#include "session/codec_stream.h"

#include <cstdio>

namespace quantaline::cli {

namespace {

// A set's lists as an analysis of their own, for the writers of `info`.
CodecAnalysis lists_of(const CodecScan& result, const CodecListSet& set) {
    CodecAnalysis analysis;
    analysis.container = result.container;
    analysis.codec = result.codec;
    analysis.lists = set.lists;
    return analysis;
}

// The names of the lists whose values differ from the set before.
std::string changed_lists_text(const CodecListSet* before, const CodecListSet& after) {
    if (before == nullptr) {
        return tr_text("Scan", "listes initiales");
    }
    std::string text;
    for (const CodecList& list : after.lists) {
        const CodecList* old = nullptr;
        for (const CodecList& candidate : before->lists) {
            old = candidate.key == list.key ? &candidate : old;
        }
        if (old == nullptr || old->values != list.values || old->dc != list.dc) {
            text += (text.empty() ? "" : ", ") + list.key;
        }
    }
    return text;
}

void write_changes_text(std::string& out, const CodecScan& result) {
    out += '\n';
    out += tr_text("Cli", "Changements :");
    out += '\n';
    char row[256];
    std::snprintf(row, sizeof row, "%12s %8s  %-20s  %s\n", tr_text("Cli", "Octet"),
                  tr_text("Cli", "Image"), tr_text("Cli", "Origine"), tr_text("Cli", "Listes"));
    out += row;
    const CodecListSet* before = nullptr;
    for (const CodecListChange& change : result.changes) {
        const CodecListSet& after = result.sets[change.set];
        std::snprintf(row, sizeof row, "%12llu %8llu  %-20s  ",
                      static_cast<unsigned long long>(change.offset),
                      static_cast<unsigned long long>(change.picture), change.origin.c_str());
        out += row + changed_lists_text(before, after) + '\n';
        before = &after;
    }
}

void append_json_seconds(std::string& out, const char* key, const std::optional<double>& value,
                         int decimals) {
    out += key;
    if (value) {
        append_fixed(out, *value, decimals);
    } else {
        out += "null";
    }
}

// The pictures by type, the groups of pictures, the duration and the bit rates.
void append_json_summary(std::string& out, const CodecPictureSummary& summary) {
    out += ",\"pictures_before_parameter_sets\":" + std::to_string(summary.before_parameter_sets);
    out += ",\"types\":{\"I\":" + std::to_string(summary.i) +
           ",\"P\":" + std::to_string(summary.p) + ",\"B\":" + std::to_string(summary.b) +
           ",\"S\":" + std::to_string(summary.s) + '}';
    std::uint64_t open = 0;
    for (const CodecGop& gop : summary.gops) {
        open += gop.closed ? 0 : 1;
    }
    out += ",\"gops\":" + std::to_string(summary.gops.size());
    out += ",\"open_gops\":" + std::to_string(open);
    out += ",\"clock\":" +
           (summary.clock != nullptr ? json_string(summary.clock) : std::string("null"));
    append_json_seconds(out, ",\"duration\":", summary.duration, decode_time_decimals);
    append_json_seconds(out, ",\"average_bit_rate\":", summary.average_bit_rate, 0);
    append_json_seconds(out, ",\"highest_bit_rate\":", summary.highest_bit_rate, 0);
    out += ",\"hdr\":[";
    for (const CodecHdrChange& change : summary.hdr_changes) {
        out += &change == summary.hdr_changes.data() ? "{" : ",{";
        out += "\"picture\":" + std::to_string(change.picture);
        out += ",\"offset\":" + std::to_string(change.offset);
        const mpeg::HdrMetadata& hdr = change.hdr;
        out += ",\"mastering_display\":" +
               (hdr.mastering_display ? mastering_display_json(*hdr.mastering_display) : "null");
        out += ",\"content_light_level\":" +
               (hdr.content_light_level ? light_level_json(*hdr.content_light_level) : "null");
        out += '}';
    }
    out += ']';
}

} // namespace

std::string codec_scan_text(const std::string& file, const CodecScan& result) {
    std::string out;
    const auto line = [&out](const std::string& caption, const std::string& value) {
        out += caption + value + '\n';
    };
    CodecAnalysis kind;
    kind.container = result.container;
    kind.codec = result.codec;
    line(tr_text("Cli", "Fichier : "), file);
    line(plain_caption(tr_text("Caption", caption::stream_type)) + " ", codec_stream_type(kind));
    line(tr_text("Cli", "Images : "), std::to_string(result.pictures));
    if (result.pictures_without_lists > 0) {
        line(tr_text("Cli", "Images sans listes connues : "),
             std::to_string(result.pictures_without_lists));
    }
    line(tr_text("Cli", "Jeux de paramètres : "), std::to_string(result.parameter_sets));
    for (const SummaryLine& summary : codec_picture_lines(result)) {
        line(summary.caption + " ", summary.value);
    }
    if (!result.changes.empty()) {
        write_changes_text(out, result);
    }
    for (std::size_t i = 0; i < result.sets.size(); ++i) {
        const CodecListSet& set = result.sets[i];
        out += '\n';
        out += fill_text(tr_text("Cli", "Jeu de listes %1 : %2 image(s), la première : %3"),
                         {std::to_string(i + 1), std::to_string(set.pictures),
                          std::to_string(set.first_picture)});
        out += '\n';
        out += set.lists.empty()
                   ? std::string(tr_text("Codec", "sans matrice (quantification H.263)")) + '\n'
                   : codec_lists_text(lists_of(result, set));
    }
    return out;
}

std::string codec_scan_json(const std::string& file, const CodecScan& result) {
    std::string out = "{\"file\":" + json_string(file);
    out += ",\"codec\":" + json_string(codec_key(result.codec));
    out += ",\"container\":" + json_string(container_key(result.container));
    out += ",\"pictures\":" + std::to_string(result.pictures);
    out += ",\"pictures_without_lists\":" + std::to_string(result.pictures_without_lists);
    out += ",\"parameter_sets\":" + std::to_string(result.parameter_sets);
    append_json_summary(out, result.summary);
    out += ",\"changes\":[";
    for (std::size_t i = 0; i < result.changes.size(); ++i) {
        const CodecListChange& change = result.changes[i];
        out += i == 0 ? "{" : ",{";
        out += "\"offset\":" + std::to_string(change.offset);
        out += ",\"picture\":" + std::to_string(change.picture);
        out += ",\"origin\":" + json_string(change.origin);
        out += ",\"set\":" + std::to_string(change.set + 1) + '}';
    }
    out += "],\"sets\":[";
    for (std::size_t i = 0; i < result.sets.size(); ++i) {
        const CodecListSet& set = result.sets[i];
        // The lists as `info --json` gives them, with the set's pictures.
        std::string lists = codec_lists_json(lists_of(result, set));
        out += i == 0 ? "{" : ",{";
        out += "\"first_picture\":" + std::to_string(set.first_picture);
        out += ",\"pictures\":" + std::to_string(set.pictures) + ',' + lists + '}';
    }
    return out + "],\"messages\":" + json_messages(result.messages) + "}\n";
}

} // namespace quantaline::cli
