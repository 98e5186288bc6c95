#pragma once

#include "analysis/stream_info.h"
#include "io/message.h"
#include "io/text_file.h"

#include <optional>
#include <string>

namespace quantaline {

// The matrices in the formats other encoders and tools read. Every format lists the
// values in raster order, row after row, the intra matrix before the non-intra one.

// The eight rows of one grid, four columns per value, each row ending with LF: the grid
// the CLI's `info` prints and the window copies.
std::string matrix_grid_text(const mpeg::Matrix& matrix);

// 16 lines of 8 comma-separated values, intra first, each line ending with LF.
std::string matrix_pair_csv(const QuantMatrixPair& matrices);

// The value of ffmpeg's -intra_matrix or -inter_matrix option: 64 values and 63 commas.
std::string ffmpeg_matrix_values(const mpeg::Matrix& matrix);
// "-intra_matrix A -inter_matrix B", without a line ending.
std::string ffmpeg_options(const QuantMatrixPair& matrices);

// mpeg2enc takes matrix values 1 to 255 only, and on a file it refuses encodes with its
// own matrices without failing; a matrix holding a 0 (a damaged stream) is never written.
extern const Message mpeg2enc_value_message;
bool mpeg2enc_accepts(const QuantMatrixPair& matrices);

// The comment line "# " + the video's file name, cut to the 79 bytes mpeg2enc reads in
// one piece (at a character boundary) and with control characters replaced by "?", so
// that the rest of the name never becomes a line of values.
std::string mpeg2enc_comment_line(const std::string& video_path);

// The whole file for mpeg2enc's -K file=PATH: the comment line, then matrix_pair_csv;
// LF line endings, UTF-8.
std::string mpeg2enc_file_text(const QuantMatrixPair& matrices, const std::string& video_path);

// Writes the mpeg2enc file atomically. Nothing on success; otherwise the message to show:
// mpeg2enc_value_message (nothing written) or the failed write.
std::optional<Message> write_mpeg2enc_file(const std::string& path, const QuantMatrixPair& matrices,
                                           const std::string& video_path);

// The message of a matrix file that could not be written.
Message matrix_file_failed_message(const WriteError& error);

} // namespace quantaline
