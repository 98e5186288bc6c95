#include "session/codec_stream.h"

#include "io/text.h"
#include "session/codec_view.h"

#include <algorithm>
#include <cstdio>

namespace quantaline {

namespace {

std::string list_sets_text(std::size_t sets) {
    return counted(sets, TR_NOOP_TEXT("WholeStream", "jeu de listes"),
                   TR_NOOP_TEXT("WholeStream", "jeux de listes"));
}

} // namespace

StreamReadTexts codec_stream_read_texts(const CodecScan& result, bool cancelled) {
    const std::size_t sets = result.sets.size();
    return read_end_texts(
        pictures_text(result.pictures) + ", " + list_sets_text(sets),
        sets > 1
            ? fill_text(tr_text("WholeStream", "Les listes changent en cours de flux : %1 jeux"),
                        {grouped_number(sets)})
            : std::string(),
        result.messages, cancelled);
}

std::vector<SummaryLine> codec_stream_summary(const CodecScan& result) {
    CodecAnalysis kind;
    kind.container = result.container;
    kind.codec = result.codec;
    std::vector<SummaryLine> lines = {
        {tr_text("WholeStream", "Type de flux :"), codec_stream_type(kind)},
        {tr_text("WholeStream", "Images :"), grouped_number(result.pictures)},
        {tr_text("WholeStream", "Jeux de paramètres :"), grouped_number(result.parameter_sets)},
        {tr_text("WholeStream", "Changements de listes :"),
         grouped_number(result.changes.empty() ? 0 : result.changes.size() - 1)}};
    if (result.pictures_without_lists > 0) {
        lines.push_back({tr_text("WholeStream", "Images sans listes connues :"),
                         grouped_number(result.pictures_without_lists)});
    }
    const auto pictures = codec_picture_lines(result);
    lines.insert(lines.end(), pictures.begin(), pictures.end());
    for (const Message& message : result.messages) {
        lines.push_back({tr_text("WholeStream", "Messages :"), shown(message).text});
    }
    return lines;
}

namespace {

constexpr char picture_types[] = {'I', 'P', 'B', 'S'};

// "I : 12, P : 300, B : 800"
std::string picture_types_text(const CodecPictureSummary& summary) {
    const std::uint64_t counts[] = {summary.i, summary.p, summary.b, summary.s};
    std::string text;
    for (std::size_t t = 0; t < 4; ++t) {
        if (counts[t] != 0) {
            text += (text.empty() ? "" : ", ") +
                    fill_text(tr_text("WholeStream", "%1 : %2"),
                              {std::string(1, picture_types[t]), grouped_number(counts[t])});
        }
    }
    return text;
}

std::string groups_text(const CodecPictureSummary& summary) {
    std::uint64_t open = 0;
    for (const CodecGop& gop : summary.gops) {
        open += gop.closed ? 0 : 1;
    }
    std::string text = grouped_number(summary.gops.size());
    if (open != 0) {
        text += fill_text(tr_text("WholeStream", " (dont %1 ouverts)"), {grouped_number(open)});
    }
    return text;
}

// The slice QP of the pictures of one type: the average of their averages, the lowest
// and the highest.
std::optional<std::string> slice_qp_text(const std::vector<CodecPicture>& pictures, char type) {
    std::uint64_t sum = 0;
    std::uint64_t count = 0;
    int lowest = 255;
    int highest = 0;
    for (const CodecPicture& p : pictures) {
        if (p.type == type && p.qp_average_hundredths) {
            sum += *p.qp_average_hundredths;
            ++count;
            lowest = std::min<int>(lowest, p.qp_min);
            highest = std::max<int>(highest, p.qp_max);
        }
    }
    if (count == 0) {
        return std::nullopt;
    }
    const std::uint64_t average = (sum + count / 2) / count;
    char number[32];
    std::snprintf(number, sizeof number, "%llu%c%02llu",
                  static_cast<unsigned long long>(average / 100),
                  text_language() == Language::french ? ',' : '.',
                  static_cast<unsigned long long>(average % 100));
    return fill_text(tr_text("WholeStream", "moyen %1, min %2, max %3"),
                     {number, std::to_string(lowest), std::to_string(highest)});
}

// The HDR metadata the stream begins with, and the pictures it changes at.
void hdr_lines(const std::vector<CodecHdrChange>& changes, std::vector<SummaryLine>& lines) {
    if (changes.empty()) {
        return;
    }
    const mpeg::HdrMetadata& first = changes.front().hdr;
    if (first.mastering_display) {
        lines.push_back({tr_text("Session", "Écran de mastering :"),
                         mastering_display_text(*first.mastering_display)});
    }
    if (first.content_light_level) {
        lines.push_back({tr_text("Session", "Niveaux de lumière :"),
                         light_level_text(*first.content_light_level)});
    }
    if (changes.size() < 2 && changes.front().picture == 0) {
        return;
    }
    // The pictures it changes at, the first few of them.
    constexpr std::size_t named = 8;
    std::string at;
    for (std::size_t i = 0; i < changes.size() && i < named; ++i) {
        at += (at.empty() ? "" : ", ") + grouped_number(changes[i].picture);
    }
    at += changes.size() > named ? ", ..." : "";
    lines.push_back({tr_text("WholeStream", "Métadonnées HDR :"),
                     fill_text(tr_text("WholeStream", "données ou changées aux images %1"), {at})});
}

} // namespace

std::vector<SummaryLine> codec_picture_lines(const CodecScan& result) {
    const CodecPictureSummary& summary = result.summary;
    std::vector<SummaryLine> lines;
    if (summary.before_parameter_sets > 0) {
        lines.push_back(
            {tr_text("WholeStream", "Début de la capture :"),
             fill_text(tr_text("WholeStream", "%1 image(s) avant le premier jeu de paramètres"),
                       {grouped_number(summary.before_parameter_sets)})});
    }
    if (result.picture_records.empty()) {
        return lines;
    }
    lines.push_back({tr_text("WholeStream", "Types d'images :"), picture_types_text(summary)});
    lines.push_back({tr_text("WholeStream", "Groupes d'images :"), groups_text(summary)});
    const bool timed = summary.duration && summary.average_bit_rate;
    lines.push_back({tr_text("WholeStream", "Durée :"),
                     summary.duration ? duration_text(*summary.duration) : "???"});
    if (summary.clock != nullptr) {
        const std::string_view clock = summary.clock;
        lines.push_back({tr_text("WholeStream", "Temps des images :"),
                         clock == "container" ? tr_text("WholeStream", "du conteneur")
                         : clock == "vui"     ? tr_text("WholeStream", "de la VUI du flux")
                                              : tr_text("WholeStream", "des VOP du flux")});
    }
    lines.push_back({tr_text("WholeStream", "Débit moyen :"),
                     timed ? rate_text(*summary.average_bit_rate) : "???"});
    lines.push_back({tr_text("WholeStream", "Débit maximal sur une seconde :"),
                     timed ? rate_text(*summary.highest_bit_rate) : "???"});
    static constexpr const char* qp_captions[] = {
        TR_NOOP_TEXT("WholeStream", "QP des tranches I :"),
        TR_NOOP_TEXT("WholeStream", "QP des tranches P :"),
        TR_NOOP_TEXT("WholeStream", "QP des tranches B :"),
        TR_NOOP_TEXT("WholeStream", "QP des tranches S :")};
    for (std::size_t t = 0; t < 4; ++t) {
        if (const auto text = slice_qp_text(result.picture_records, picture_types[t])) {
            lines.push_back({tr_text("WholeStream", qp_captions[t]), *text});
        }
    }
    hdr_lines(summary.hdr_changes, lines);
    return lines;
}

std::vector<ListSetRow> list_set_rows(const CodecScan& result) {
    std::vector<ListSetRow> rows;
    for (std::size_t i = 0; i < result.sets.size(); ++i) {
        const CodecListSet& set = result.sets[i];
        std::string origin;
        for (const CodecListChange& change : result.changes) {
            if (change.set == i && origin.empty()) {
                origin = change.origin;
            }
        }
        rows.push_back({grouped_number(i + 1), grouped_number(set.first_picture),
                        grouped_number(set.pictures), origin});
    }
    return rows;
}

CodecAnalysis list_set_analysis(const CodecScan& result, std::size_t index) {
    CodecAnalysis analysis;
    analysis.container = result.container;
    analysis.codec = result.codec;
    if (index < result.sets.size()) {
        analysis.lists = result.sets[index].lists;
    }
    return analysis;
}

mpeg::ScanResult codec_graph_stream(const CodecScan& result) {
    mpeg::ScanResult graph;
    graph.quantiser_read = true;
    for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
        const CodecPicture& p = result.picture_records[i];
        mpeg::PictureRecord record;
        record.index = i;
        record.offset = p.offset;
        record.bytes = p.bytes;
        record.matrix_set = static_cast<std::uint32_t>(p.list_set);
        record.picture_coding_type = p.type == 'I' ? 1 : p.type == 'B' ? 3 : 2;
        record.picture_structure = p.structure == CodecPictureStructure::top_field      ? 1
                                   : p.structure == CodecPictureStructure::bottom_field ? 2
                                                                                        : 3;
        record.fields =
            static_cast<std::uint8_t>(p.structure == CodecPictureStructure::frame ? 2 : 1);
        if (p.qp_average_hundredths) {
            record.quantiser.read = true;
            record.quantiser.quantiser_min = p.qp_min;
            record.quantiser.quantiser_max = p.qp_max;
            record.quantiser.quantiser_average_hundredths = static_cast<std::uint16_t>(
                std::min<std::uint32_t>(*p.qp_average_hundredths, 65535));
        }
        graph.picture_records.push_back(record);
    }
    graph.pictures = result.picture_records.size();
    // The changes of lists at the first picture with the new set, as a record counts them.
    const std::uint64_t skipped = result.summary.before_parameter_sets;
    for (const CodecListChange& change : result.changes) {
        if (change.picture >= skipped && change.picture - skipped < graph.pictures) {
            mpeg::MatrixChange moved;
            moved.offset = change.offset;
            moved.picture = change.picture - skipped;
            graph.changes.push_back(moved);
        }
    }
    return graph;
}

check::Timeline codec_timeline(const CodecScan& result) {
    check::Timeline timeline;
    const auto& pictures = result.picture_records;
    if (pictures.empty() || !pictures.front().decode_time || !result.summary.duration) {
        return timeline;
    }
    timeline.duration = *result.summary.duration;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const double time = pictures[i].decode_time.value_or(0);
        timeline.times.push_back(time);
        const auto second = static_cast<std::size_t>(std::max(0.0, time));
        if (timeline.second_bits.size() <= second) {
            timeline.second_bits.resize(second + 1, 0);
        }
        timeline.second_bits[second] += static_cast<double>(pictures[i].bytes) * 8;
        if (i == 0 || pictures[i].random_access) {
            timeline.group_starts.push_back(i);
            timeline.group_bits.push_back(0);
        }
        timeline.group_bits.back() += static_cast<double>(pictures[i].bytes) * 8;
    }
    return timeline;
}

} // namespace quantaline
