#pragma once

// The per-picture table: one CSV row per coded picture, as `quantaline-cli pictures`
// prints it and the "Flux complet" window saves it.

#include "io/message.h"
#include "io/text_file.h"
#include "mpeg/scan.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quantaline {

inline constexpr const char* picture_csv_header =
    "file,index,offset,type,structure,temporal_reference,bytes,matrix_set\n";
// The header with the quantiser columns of `pictures --quantiser`.
inline constexpr const char* picture_csv_quantiser_header =
    "file,index,offset,type,structure,temporal_reference,bytes,matrix_set,quantiser_average,"
    "quantiser_min,quantiser_max,macroblocks_intra,macroblocks_coded,macroblocks_skipped\n";

// The picture_coding_type as scripts read it ("I", "P", "B", "D"); nothing for the forbidden
// and reserved codes.
std::string_view picture_type_key(std::uint8_t picture_coding_type);
// "top", "bottom", "frame"; nothing for a damaged picture coding extension.
std::string_view picture_structure_key(std::uint8_t picture_structure);

// A CSV field as RFC 4180 quotes it: a file name may hold commas, quotes or line ends.
std::string csv_field(const std::string& text);

void append_decimal(std::string& out, std::uint64_t value);
// An average in hundredths as a number with two decimals: 10.25, 8.00.
void append_hundredths(std::string& out, std::uint32_t hundredths);

// The rows of the records [begin, end) of `result`, LF-ended, with `file` in the first
// column; a null set number is an empty field. With `quantiser`, the six quantiser columns
// follow, empty where the picture's macroblocks were not read.
void append_picture_csv_rows(std::string& out, const std::string& file,
                             const mpeg::ScanResult& result, std::size_t begin, std::size_t end,
                             bool quantiser = false);

// The message of a picture table that could not be written.
Message picture_table_failed_message(const WriteError& error);

// The header and every row, written atomically: UTF-8 with LF line ends, the same bytes
// the CLI prints, since scripts read both alike. Nothing on success, else the message.
std::optional<Message> write_picture_table(const std::string& path, const std::string& file,
                                           const mpeg::ScanResult& result);

} // namespace quantaline
