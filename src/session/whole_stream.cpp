#include "session/whole_stream.h"

#include "analysis/display.h"
#include "io/text.h"
#include "mpeg/codes.h"
#include "mpeg/timing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace quantaline {

std::string grouped_number(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    // French groups thousands with a blank, English with a comma.
    const char separator = text_language() == Language::french ? ' ' : ',';
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) {
            out += separator;
        }
        out += digits[i];
    }
    return out;
}

// "hh:mm:ss,cc": a short stream still tells its length. The decimal separator is the
// language's.
std::string duration_text(double seconds) {
    const auto hundredths = static_cast<unsigned long long>(std::llround(seconds * 100));
    const unsigned long long whole = hundredths / 100;
    const char separator = text_language() == Language::french ? ',' : '.';
    char text[40];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu%c%02llu", whole / 3600, whole / 60 % 60,
                  whole % 60, separator, hundredths % 100);
    return text;
}

std::string rate_text(double bits_per_second) {
    return grouped_number(static_cast<std::uint64_t>(std::llround(bits_per_second / 1000))) +
           " kbit/s";
}

std::string counted(std::uint64_t count, const char* singular, const char* plural) {
    const bool one = text_language() == Language::french ? count < 2 : count == 1;
    return grouped_number(count) + " " + tr_string("WholeStream", one ? singular : plural);
}

std::string pictures_text(std::uint64_t pictures) {
    return counted(pictures, TR_NOOP_TEXT("WholeStream", "image"),
                   TR_NOOP_TEXT("WholeStream", "images"));
}

namespace {

std::string sets_text(std::size_t sets) {
    return counted(sets, TR_NOOP_TEXT("WholeStream", "jeu de matrices"),
                   TR_NOOP_TEXT("WholeStream", "jeux de matrices"));
}

} // namespace

StreamReadTexts read_end_texts(const std::string& found, std::string change,
                               const Messages& messages, bool cancelled) {
    StreamReadTexts texts;
    texts.status = fill_text(cancelled ? tr_text("WholeStream", "Lecture interrompue : %1")
                                       : tr_text("WholeStream", "Flux complet : %1"),
                             {found});
    texts.change = std::move(change);
    for (const Message& message : messages) {
        // The stop asked for is the status's to tell, not a damage.
        if (message.id != MessageId::scan_interrupted) {
            texts.damage.push_back(shown(message).text);
        }
    }
    return texts;
}

StreamReadTexts stream_read_texts(const mpeg::ScanResult& result, bool cancelled) {
    const std::size_t sets = result.matrix_sets.size();
    return read_end_texts(
        pictures_text(result.pictures) + ", " + sets_text(sets),
        sets > 1
            ? fill_text(tr_text("WholeStream", "Les matrices changent en cours de flux : %1 jeux"),
                        {grouped_number(sets)})
            : std::string(),
        result.messages, cancelled);
}

double frame_count(const mpeg::ScanResult& result) {
    double frames = 0;
    for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
        frames += result.picture_records[i].picture_structure == mpeg::frame_picture ? 1.0 : 0.5;
    }
    return frames;
}

double frames_per_second(unsigned frame_rate_code) {
    return mpeg::frames_per_second(frame_rate_code).value_or(0);
}

namespace {

// The most bits any one second of pictures carries: a window of one second's frames slides
// over the pictures, a field picture counting as half a frame.
double peak_rate(const mpeg::PictureRecords& records, double fps) {
    double peak = 0;
    double bits = 0;
    double frames = 0;
    std::size_t first = 0;
    const auto frames_of = [&records](std::size_t i) {
        return records[i].picture_structure == mpeg::frame_picture ? 1.0 : 0.5;
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        bits += static_cast<double>(records[i].bytes) * 8;
        frames += frames_of(i);
        while (frames > fps + 1e-9) {
            bits -= static_cast<double>(records[first].bytes) * 8;
            frames -= frames_of(first);
            ++first;
        }
        if (frames > fps - 1) {
            peak = std::max(peak, bits * fps / frames);
        }
    }
    return peak;
}

std::string video_stream_text(const mpeg::ScanResult& result) {
    // An elementary stream is the video; a container that places its samples has one track.
    if (result.container == mpeg::Container::elementary || mpeg::reads_samples(result.container)) {
        return tr_text("WholeStream", "Sans objet");
    }
    return result.video ? video_id_text(result.container, *result.video)
                        : tr_text("WholeStream", "aucun");
}

// The pictures of each type (0 for the others, 1 to 4 by picture_coding_type) and their
// bytes.
struct PictureCounts {
    std::array<std::uint64_t, 5> by_type{};
    std::uint64_t bytes = 0;
};

PictureCounts picture_counts(const mpeg::ScanResult& result) {
    PictureCounts counts;
    for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
        const mpeg::PictureRecord& p = result.picture_records[i];
        ++counts.by_type[mpeg::is_picture_coding_type(p.picture_coding_type) ? p.picture_coding_type
                                                                             : 0];
        counts.bytes += p.bytes;
    }
    return counts;
}

// "1 234 (I : 100, P : 300, ...)"
std::string pictures_text(const mpeg::ScanResult& result, const PictureCounts& counts) {
    const std::array<std::uint64_t, 5>& by_type = counts.by_type;
    std::string pictures = grouped_number(result.pictures);
    if (result.pictures != 0) {
        std::string types;
        for (std::size_t type : {1, 2, 3, 4, 0}) {
            if (by_type[type] != 0) {
                const std::string name = type == 0 ? tr_text("WholeStream", "autres")
                                                   : std::string(mpeg::picture_coding_type_name(
                                                         static_cast<std::uint8_t>(type)));
                types +=
                    (types.empty() ? "" : ", ") + fill_text(tr_text("WholeStream", "%1 : %2"),
                                                            {name, grouped_number(by_type[type])});
            }
        }
        pictures += " (" + types + ")";
    }
    return pictures;
}

// The duration and the rates, "???" without a frame rate.
void add_rates(std::vector<SummaryLine>& lines, const mpeg::ScanResult& result,
               unsigned frame_rate_code, std::uint64_t bytes) {
    // The first sequence's rate, its extension applied (MPEG-2's 1000/1001 or x2 rates).
    const double fps = !result.sequences.empty()
                           ? mpeg::frame_rate(result.sequences.front()).value_or(0)
                           : frames_per_second(frame_rate_code);
    const double seconds = fps > 0 ? frame_count(result) / fps : 0;
    if (seconds > 0) {
        lines.push_back({tr_text("WholeStream", "Durée :"), duration_text(seconds)});
        lines.push_back({tr_text("WholeStream", "Débit moyen :"),
                         rate_text(static_cast<double>(bytes) * 8 / seconds)});
        // Shorter than a second, the whole stream is the busiest second.
        const double peak = peak_rate(result.picture_records, fps);
        lines.push_back({tr_text("WholeStream", "Débit maximal sur une seconde :"),
                         rate_text(peak > 0 ? peak : static_cast<double>(bytes) * 8 / seconds)});
    } else {
        lines.push_back({tr_text("WholeStream", "Durée :"), "???"});
        lines.push_back({tr_text("WholeStream", "Débit moyen :"), "???"});
        lines.push_back({tr_text("WholeStream", "Débit maximal sur une seconde :"), "???"});
    }
}

// The quantiser of each picture type, once the macroblocks were read.
void add_quantiser(std::vector<SummaryLine>& lines, const mpeg::ScanResult& result) {
    if (result.quantiser_read) {
        const std::uint64_t read = quantiser_pictures(result);
        if (read < result.picture_records.size()) {
            lines.push_back(
                {tr_text("WholeStream", "Macroblocs lus :"), quantiser_pictures_text(result)});
        }
        constexpr std::array<const char*, 4> captions = {
            TR_NOOP_TEXT("WholeStream", "Quantificateur I :"),
            TR_NOOP_TEXT("WholeStream", "Quantificateur P :"),
            TR_NOOP_TEXT("WholeStream", "Quantificateur B :"),
            TR_NOOP_TEXT("WholeStream", "Quantificateur D :")};
        for (std::size_t type = 0; type < 4; ++type) {
            const mpeg::QuantiserTotals& totals = result.quantiser_by_type[type];
            if (totals.macroblocks != 0) {
                lines.push_back(
                    {tr_string("WholeStream", captions[type]),
                     fill_text(tr_text("WholeStream", "moyen %1, min %2, max %3"),
                               {quantiser_average_text(totals.quantiser_average_hundredths()),
                                std::to_string(totals.quantiser_min),
                                std::to_string(totals.quantiser_max)})});
            }
        }
    }
}

void add_messages(std::vector<SummaryLine>& lines, const mpeg::ScanResult& result) {
    if (result.messages.empty()) {
        lines.push_back({tr_text("WholeStream", "Messages :"), tr_text("WholeStream", "aucun")});
    }
    for (const Message& message : result.messages) {
        lines.push_back({tr_text("WholeStream", "Messages :"), shown(message).text});
    }
}

} // namespace

std::vector<SummaryLine> stream_summary(const mpeg::ScanResult& result, unsigned frame_rate_code) {
    std::vector<SummaryLine> lines;
    lines.push_back(
        {tr_text("WholeStream", "Conteneur :"), std::string(container_text(result.container))});
    lines.push_back({tr_text("WholeStream", "Vidéo :"), video_stream_text(result)});

    const PictureCounts counts = picture_counts(result);
    const std::string pictures = pictures_text(result, counts);
    lines.push_back({tr_text("WholeStream", "Images :"), pictures});
    lines.push_back({tr_text("WholeStream", "En-têtes de séquence :"),
                     grouped_number(result.sequence_headers)});
    lines.push_back(
        {tr_text("WholeStream", "Groupes d'images :"), grouped_number(result.groups_of_pictures)});
    add_rates(lines, result, frame_rate_code, counts.bytes);
    add_quantiser(lines, result);
    add_messages(lines, result);
    return lines;
}

std::string matrix_name_text(const std::vector<NamedMatrices>& library, const mpeg::Matrix& matrix,
                             MatrixKind kind) {
    const auto match = nearest_matrix(library, matrix, kind);
    if (!match) {
        return {};
    }
    if (match->distance == 0) {
        return match->name;
    }
    return fill_text(tr_text("WholeStream", "%1 (distance %2)"),
                     {match->name, std::to_string(match->distance)});
}

std::vector<MatrixSetRow> matrix_set_rows(const mpeg::ScanResult& result,
                                          const std::vector<NamedMatrices>& library) {
    std::vector<MatrixSetRow> rows;
    for (std::size_t i = 0; i < result.matrix_sets.size(); ++i) {
        const mpeg::MatrixSetUse& use = result.matrix_sets[i];
        const mpeg::MatrixSet& set = result.matrices_of(use);
        MatrixSetRow row;
        row.number = std::to_string(i + 1);
        row.first_picture = grouped_number(use.first_picture);
        row.pictures = grouped_number(use.pictures);
        row.time_code = "-";
        // The change that brought the set in for its first picture.
        for (const mpeg::MatrixChange& change : result.changes) {
            if (change.matrices == use.matrices && change.picture == use.first_picture) {
                if (change.time_code) {
                    row.time_code = time_code_text(*change.time_code);
                }
                break;
            }
        }
        row.intra_name = matrix_name_text(library, set.intra, MatrixKind::intra);
        row.non_intra_name = matrix_name_text(library, set.non_intra, MatrixKind::non_intra);
        rows.push_back(std::move(row));
    }
    return rows;
}

void merge_quantiser_pass(mpeg::ScanResult& whole, const mpeg::ScanResult& pass) {
    whole.quantiser_read = pass.quantiser_read;
    whole.quantiser_by_type = pass.quantiser_by_type;
    whole.damaged_pictures = pass.damaged_pictures;
    // A read error may be the header read's own, told again.
    for (const Message& message : pass.messages) {
        if (message.id != MessageId::scan_interrupted &&
            std::find(whole.messages.begin(), whole.messages.end(), message) ==
                whole.messages.end()) {
            whole.messages.push_back(message);
        }
    }
}

std::uint64_t quantiser_pictures(const mpeg::ScanResult& result) {
    std::uint64_t read = 0;
    for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
        read += result.picture_records[i].quantiser.read ? 1 : 0;
    }
    return read;
}

std::string quantiser_pictures_text(const mpeg::ScanResult& result) {
    return fill_text(
        tr_text("WholeStream", "%1 sur %2"),
        {pictures_text(quantiser_pictures(result)), grouped_number(result.picture_records.size())});
}

namespace {

std::string picture_type_name(std::uint8_t picture_coding_type) {
    const std::string_view name = mpeg::picture_coding_type_name(picture_coding_type);
    return name.empty() ? "?" : std::string(name);
}

} // namespace

std::vector<int> map_addresses(const PictureMap& map) {
    const std::uint32_t width = map.figures.mb_width;
    std::vector<int> addresses(
        std::size_t{width} * std::max<std::uint32_t>(1, map.figures.mb_height), map_outside_slices);
    // The rest of a damaged slice, up to the next slice's first macroblock, was not read.
    for (const mpeg::SliceInfo& slice : map.slices) {
        if (!slice.damaged) {
            continue;
        }
        const std::size_t start = slice.macroblocks > 0
                                      ? slice.first_address
                                      : std::size_t{slice.slice_vertical_position - 1} * width;
        std::size_t end = addresses.size();
        for (const mpeg::SliceInfo& next : map.slices) {
            if (next.macroblocks > 0 && next.first_address > start) {
                end = std::min<std::size_t>(end, next.first_address);
            }
        }
        for (std::size_t a = start + slice.macroblocks; a < end && a < addresses.size(); ++a) {
            addresses[a] = map_not_read;
        }
    }
    for (std::size_t i = 0; i < map.macroblocks.size(); ++i) {
        const std::uint32_t address = map.macroblocks[i].address;
        if (address < addresses.size()) {
            addresses[address] = static_cast<int>(i);
        }
    }
    return addresses;
}

std::string picture_map_text(const PictureMap& map) {
    const mpeg::PictureQuantiser& q = map.figures;
    std::string text =
        fill_text(tr_text("WholeStream", "Image %1 (%2) : %3 (intra %4, codés %5, sautés %6)"),
                  {grouped_number(map.index), picture_type_name(q.picture_coding_type),
                   counted(q.macroblocks(), TR_NOOP_TEXT("WholeStream", "macrobloc"),
                           TR_NOOP_TEXT("WholeStream", "macroblocs")),
                   grouped_number(q.intra), grouped_number(q.coded), grouped_number(q.skipped)});
    if (q.macroblocks() != 0) {
        text += fill_text(tr_text("WholeStream", ", quantificateur moyen %1, min %2, max %3"),
                          {quantiser_average_text(q.quantiser_average_hundredths()),
                           std::to_string(q.quantiser_min), std::to_string(q.quantiser_max)});
    }
    if (q.damaged_slices != 0) {
        text += ", " + counted(q.damaged_slices, TR_NOOP_TEXT("WholeStream", "tranche endommagée"),
                               TR_NOOP_TEXT("WholeStream", "tranches endommagées"));
    }
    const auto addresses = map_addresses(map);
    const auto outside = static_cast<std::uint64_t>(
        std::count(addresses.begin(), addresses.end(), map_outside_slices));
    if (outside != 0) {
        text += ", " + counted(outside, TR_NOOP_TEXT("WholeStream", "macrobloc hors tranche"),
                               TR_NOOP_TEXT("WholeStream", "macroblocs hors tranche"));
    }
    return text;
}

std::string macroblock_text(const PictureMap& map, const mpeg::MacroblockInfo& macroblock) {
    const std::uint32_t width = std::max<std::uint32_t>(1, map.figures.mb_width);
    constexpr std::array<const char*, 3> kinds = {TR_NOOP_TEXT("WholeStream", "intra"),
                                                  TR_NOOP_TEXT("WholeStream", "codé"),
                                                  TR_NOOP_TEXT("WholeStream", "sauté")};
    return fill_text(tr_text("WholeStream", "Colonne %1, rangée %2 : %3, quantificateur %4"),
                     {std::to_string(macroblock.address % width),
                      std::to_string(macroblock.address / width),
                      tr_string("WholeStream", kinds[static_cast<std::size_t>(macroblock.kind)]),
                      std::to_string(macroblock.quantiser_scale)});
}

bool is_default_matrix(const mpeg::Matrix& matrix, bool intra) {
    return matrix == (intra ? mpeg::default_intra_quantiser_matrix
                            : mpeg::default_non_intra_quantiser_matrix);
}

} // namespace quantaline
