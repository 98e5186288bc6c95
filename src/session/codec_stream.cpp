#include "session/codec_stream.h"

#include "io/text.h"

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
    for (const Message& message : result.messages) {
        lines.push_back({tr_text("WholeStream", "Messages :"), shown(message).text});
    }
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

} // namespace quantaline
