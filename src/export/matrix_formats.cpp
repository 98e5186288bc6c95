#include "export/matrix_formats.h"

#include "io/atomic_file.h"
#include "io/file_system.h"

#include <algorithm>
#include <cstdio>

namespace quantaline {

namespace {

// mpeg2enc reads its file in pieces of 80 bytes with the terminating zero: a longer line
// goes on as a line of its own.
constexpr std::size_t mpeg2enc_line_bytes = 79;

std::string comma_row(const mpeg::Matrix& matrix, std::size_t row) {
    std::string out;
    for (std::size_t column = 0; column < 8; ++column) {
        if (column > 0) {
            out += ',';
        }
        out += std::to_string(matrix[row * 8 + column]);
    }
    return out;
}

bool is_continuation_byte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

} // namespace

std::string matrix_grid_text(const mpeg::Matrix& matrix) {
    std::string out;
    for (std::size_t row = 0; row < 8; ++row) {
        for (std::size_t column = 0; column < 8; ++column) {
            char cell[8];
            std::snprintf(cell, sizeof cell, "%4u",
                          static_cast<unsigned>(matrix[row * 8 + column]));
            out += cell;
        }
        out += '\n';
    }
    return out;
}

std::string matrix_pair_csv(const QuantMatrixPair& matrices) {
    std::string out;
    for (const mpeg::Matrix* matrix : {&matrices.intra, &matrices.non_intra}) {
        for (std::size_t row = 0; row < 8; ++row) {
            out += comma_row(*matrix, row) + '\n';
        }
    }
    return out;
}

std::string ffmpeg_matrix_values(const mpeg::Matrix& matrix) {
    std::string out;
    for (std::size_t row = 0; row < 8; ++row) {
        out += (row > 0 ? "," : "") + comma_row(matrix, row);
    }
    return out;
}

std::string ffmpeg_options(const QuantMatrixPair& matrices) {
    return "-intra_matrix " + ffmpeg_matrix_values(matrices.intra) + " -inter_matrix " +
           ffmpeg_matrix_values(matrices.non_intra);
}

const Message mpeg2enc_value_message{MessageId::mpeg2enc_zero_value};

bool mpeg2enc_accepts(const QuantMatrixPair& matrices) {
    const auto zero = [](const mpeg::Matrix& matrix) {
        return std::find(matrix.begin(), matrix.end(), 0) != matrix.end();
    };
    return !zero(matrices.intra) && !zero(matrices.non_intra);
}

std::string mpeg2enc_comment_line(const std::string& video_path) {
    std::string line = "# " + path_to_utf8(path_from_utf8(video_path).filename());
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    if (line.size() > mpeg2enc_line_bytes) {
        std::size_t cut = mpeg2enc_line_bytes;
        while (cut > 0 && is_continuation_byte(line[cut])) {
            --cut;
        }
        line.resize(cut);
    }
    return line;
}

std::string mpeg2enc_file_text(const QuantMatrixPair& matrices, const std::string& video_path) {
    return mpeg2enc_comment_line(video_path) + '\n' + matrix_pair_csv(matrices);
}

Message matrix_file_failed_message(const WriteError& error) {
    return Message{MessageId::matrix_file_not_written, {write_error_text(error)}};
}

std::optional<Message> write_mpeg2enc_file(const std::string& path, const QuantMatrixPair& matrices,
                                           const std::string& video_path) {
    if (!mpeg2enc_accepts(matrices)) {
        return mpeg2enc_value_message;
    }
    if (const auto error = write_file_atomically(path, mpeg2enc_file_text(matrices, video_path))) {
        return matrix_file_failed_message(*error);
    }
    return std::nullopt;
}

} // namespace quantaline
