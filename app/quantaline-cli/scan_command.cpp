// quantaline-cli scan: every matrix set a file's video uses and where it changes, for
// several files at once on all cores, printed in argument order.

#include "analysis/display.h"
#include "codec_scan_output.h"
#include "command_line.h"
#include "commands.h"
#include "export/matrix_formats.h"
#include "io/text.h"
#include "json.h"
#include "mpeg/codes.h"
#include "mpeg/scan.h"
#include "scan_runs.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace quantaline::cli {

namespace {

using mpeg::ScanResult;

// --- text output ------------------------------------------------------------------------

std::string video_text(const ScanResult& result) {
    return result.video ? video_id_text(result.container, *result.video)
                        : std::string(tr_text("Cli", "aucune"));
}

// Pads to `width` characters, counting a UTF-8 sequence as one.
std::string padded(const std::string& text, std::size_t width) {
    std::size_t characters = 0;
    for (const char c : text) {
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return text + std::string(width > characters ? width - characters : 0, ' ');
}

std::string capitalised(std::string_view text) {
    std::string out(text);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') {
        out[0] = static_cast<char>(out[0] - 'a' + 'A');
    }
    return out;
}

// The letters of the picture types, in the order of ScanResult::quantiser_by_type.
constexpr const std::array<std::string_view, 4>& type_keys = mpeg::picture_coding_type_names;

// The quantiser of each picture type met: its pictures, its average over their
// macroblocks, its smallest and largest.
void write_quantiser_text(std::string& out, const ScanResult& result) {
    out += '\n';
    out += tr_text("Cli", "Quantificateur par type d'image :");
    out += '\n';
    char row[160];
    std::snprintf(row, sizeof row, "%-4s %8s %8s %8s %8s\n", tr_text("Cli", "Type"),
                  tr_text("Cli", "Images"), tr_text("Cli", "Moyenne"), tr_text("Cli", "Minimum"),
                  tr_text("Cli", "Maximum"));
    out += row;
    for (std::size_t t = 0; t < type_keys.size(); ++t) {
        const mpeg::QuantiserTotals& totals = result.quantiser_by_type[t];
        if (totals.pictures == 0) {
            continue;
        }
        std::snprintf(row, sizeof row, "%-4s %8llu %8s %8u %8u\n",
                      std::string(type_keys[t]).c_str(),
                      static_cast<unsigned long long>(totals.pictures),
                      quantiser_average_text(totals.quantiser_average_hundredths()).c_str(),
                      static_cast<unsigned>(totals.quantiser_min),
                      static_cast<unsigned>(totals.quantiser_max));
        out += row;
    }
}

void write_text(Writer& writer, const std::string& file, const ScanResult& result) {
    std::string& out = writer.text;
    const auto line = [&out](const char* caption, const std::string& value) {
        out += caption;
        out += value;
        out += '\n';
    };
    line(tr_text("Cli", "Fichier : "), file);
    line(tr_text("Cli", "Conteneur : "), std::string(container_text(result.container)));
    if (result.container != mpeg::Container::elementary) {
        line(tr_text("Cli", "Vidéo : "), video_text(result));
    }
    line(tr_text("Cli", "Images : "), std::to_string(result.pictures));
    line(tr_text("Cli", "En-têtes de séquence : "), std::to_string(result.sequence_headers));
    line(tr_text("Cli", "Extensions de matrices : "),
         std::to_string(result.quant_matrix_extensions));
    if (result.quantiser_read) {
        write_quantiser_text(out, result);
    }
    if (!result.changes.empty()) {
        out += '\n';
        out += tr_text("Cli", "Changements :");
        out += '\n';
        char row[160];
        std::snprintf(row, sizeof row, "%12s %8s  %-13s  %s %s\n", tr_text("Cli", "Octet"),
                      tr_text("Cli", "Image"), tr_text("Cli", "Code temporel"),
                      padded(tr_text("Cli", "Origine"), 22).c_str(), tr_text("Cli", "Matrices"));
        out += row;
        const mpeg::MatrixSet* before = nullptr;
        for (const auto& change : result.changes) {
            const mpeg::MatrixSet& after = result.matrices_of(change);
            const std::string picture = change.picture ? std::to_string(*change.picture) : "-";
            const std::string time = change.time_code ? time_code_text(*change.time_code) : "-";
            const std::string kind(change_kind_text(change.kind));
            std::snprintf(row, sizeof row, "%12llu %8s  %-13s  %s %s\n",
                          static_cast<unsigned long long>(change.offset), picture.c_str(),
                          time.c_str(), padded(kind, 22).c_str(),
                          changed_matrices_text(before, after).c_str());
            out += row;
            before = &after;
            writer.flush_if_large();
        }
    }
    for (std::size_t i = 0; i < result.matrix_sets.size(); ++i) {
        const auto& set = result.matrix_sets[i];
        out += '\n';
        out += fill_text(tr_text("Cli", "Jeu de matrices %1 : %2 image(s), la première : %3"),
                         {std::to_string(i + 1), std::to_string(set.pictures),
                          std::to_string(set.first_picture)});
        out += '\n';
        for (int m = 0; m < 4; ++m) {
            out += fill_text(tr_text("Cli", "%1 :"), {capitalised(matrix_name(m))});
            out += '\n';
            out += matrix_grid_text(result.matrices_of(set).at(static_cast<std::size_t>(m)));
        }
        writer.flush_if_large();
    }
}

// --- JSON ---------------------------------------------------------------------------------

std::string json_matrices(const mpeg::MatrixSet& set) {
    return "\"intra\":" + json_matrix(set.intra) + ",\"non_intra\":" + json_matrix(set.non_intra) +
           ",\"chroma_intra\":" + json_matrix(set.chroma_intra) +
           ",\"chroma_non_intra\":" + json_matrix(set.chroma_non_intra);
}

void write_json_line(Writer& writer, const std::string& file, const ScanResult& result) {
    std::string& out = writer.text;
    out += "{\"file\":" + json_string(file);
    out += ",\"container\":\"";
    out += container_key(result.container);
    out += "\",\"video\":" + (result.video ? std::to_string(*result.video) : "null");
    out += ",\"pictures\":" + std::to_string(result.pictures);
    out += ",\"sequence_headers\":" + std::to_string(result.sequence_headers);
    out += ",\"quant_matrix_extensions\":" + std::to_string(result.quant_matrix_extensions);
    out += ",\"changes\":[";
    for (std::size_t i = 0; i < result.changes.size(); ++i) {
        const auto& change = result.changes[i];
        out += i == 0 ? "{" : ",{";
        out += "\"offset\":" + std::to_string(change.offset);
        out += ",\"picture\":" + (change.picture ? std::to_string(*change.picture) : "null");
        out += ",\"time_code\":" +
               (change.time_code ? "\"" + time_code_text(*change.time_code) + "\"" : "null");
        out += change.kind == mpeg::ChangeKind::sequence_header
                   ? ",\"kind\":\"sequence_header\","
                   : ",\"kind\":\"quant_matrix_extension\",";
        out += json_matrices(result.matrices_of(change));
        out += '}';
        writer.flush_if_large();
    }
    out += "],\"matrix_sets\":[";
    for (std::size_t i = 0; i < result.matrix_sets.size(); ++i) {
        const auto& set = result.matrix_sets[i];
        out += i == 0 ? "{" : ",{";
        out += json_matrices(result.matrices_of(set));
        out += ",\"first_picture\":" + std::to_string(set.first_picture);
        out += ",\"pictures\":" + std::to_string(set.pictures);
        out += '}';
    }
    out += ']';
    if (result.quantiser_read) {
        out += ",\"quantiser\":{";
        for (std::size_t t = 0; t < type_keys.size(); ++t) {
            const mpeg::QuantiserTotals& totals = result.quantiser_by_type[t];
            out += t == 0 ? "\"" : ",\"";
            out += type_keys[t];
            out += "\":";
            if (totals.pictures == 0) {
                out += "null";
                continue;
            }
            const std::uint64_t average = totals.quantiser_average_hundredths();
            char figures[160];
            std::snprintf(figures, sizeof figures,
                          "{\"pictures\":%llu,\"average\":%llu.%02llu,\"min\":%u,\"max\":%u}",
                          static_cast<unsigned long long>(totals.pictures),
                          static_cast<unsigned long long>(average / 100),
                          static_cast<unsigned long long>(average % 100),
                          static_cast<unsigned>(totals.quantiser_min),
                          static_cast<unsigned>(totals.quantiser_max));
            out += figures;
        }
        out += '}';
    }
    out += ",\"messages\":" + json_messages(result.messages) + "}\n";
}

} // namespace

int run_scan(const Arguments& arguments) {
    int parse_status = exit_ok;
    const auto parsed = parse_arguments(
        "scan", arguments, {}, {"--json", "-r", "--recursive", "--quantiser"}, false, parse_status);
    if (!parsed) {
        return parse_status;
    }
    const bool json = parsed->flags.contains("--json");
    const bool recursive = parsed->flags.contains("-r") || parsed->flags.contains("--recursive");
    const bool quantiser = parsed->flags.contains("--quantiser");
    const std::vector<std::string>& inputs = parsed->files;

    int status = exit_ok;
    const std::vector<std::string> files = files_of_arguments(inputs, recursive, status);
    return run_scans(
        files, false, quantiser,
        [json](std::size_t index, const std::string& file, const ScanResult& result) {
            Writer writer;
            if (json) {
                write_json_line(writer, file, result);
            } else {
                print_messages(file, result.messages);
                writer.text = index == 0 ? "" : "\n";
                write_text(writer, file, result);
            }
        },
        status,
        [json](std::size_t index, const std::string& file, const CodecScan& result) {
            Writer writer;
            if (json) {
                writer.text = codec_scan_json(file, result);
            } else {
                print_messages(file, result.messages);
                writer.text = (index == 0 ? "" : "\n") + codec_scan_text(file, result);
            }
        });
}

} // namespace quantaline::cli
