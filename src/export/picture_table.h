#pragma once

// The per-picture table: one CSV row per coded picture, as `quantaline-cli pictures`
// prints it and the "Flux complet" window saves it.

#include "check/buffer_model.h"
#include "io/message.h"
#include "io/text_file.h"
#include "mpeg/scan.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quantaline {

inline constexpr const char* picture_csv_header =
    "file,index,offset,type,structure,temporal_reference,bytes,matrix_set,vbv_delay,"
    "top_field_first,repeat_first_field,progressive_frame,fields,decode_time,vbv_occupancy\n";
// The header with the quantiser columns of `pictures --quantiser`.
inline constexpr const char* picture_csv_quantiser_header =
    "file,index,offset,type,structure,temporal_reference,bytes,matrix_set,quantiser_average,"
    "quantiser_min,quantiser_max,macroblocks_intra,macroblocks_coded,macroblocks_skipped,"
    "macroblocks_missing,vbv_delay,top_field_first,repeat_first_field,progressive_frame,fields,"
    "decode_time,"
    "vbv_occupancy\n";

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
// A number with `decimals` decimals, whatever the locale: 0.360000.
void append_fixed(std::string& out, double value, int decimals);
// A decoding time in seconds (microseconds) and an occupancy in bits (tenths), as the
// picture table and the JSON write them.
inline constexpr int decode_time_decimals = 6;
inline constexpr int occupancy_decimals = 1;

// The rows of the records [begin, end) of `result`, LF-ended, with `file` in the first
// column; a null set number is an empty field. With `quantiser`, the six quantiser columns
// follow, empty where the picture's macroblocks were not read. The timing columns end the
// row: the picture coding extension's flags (empty in MPEG-1), the fields, and the decoding
// time and occupancy of `buffer` (empty without it or where it does not reach).
void append_picture_csv_rows(std::string& out, const std::string& file,
                             const mpeg::ScanResult& result, std::size_t begin, std::size_t end,
                             bool quantiser = false, const check::BufferModel* buffer = nullptr);

// The message of a picture table that could not be written.
Message picture_table_failed_message(const WriteError& error);

// The header and every row, written atomically: UTF-8 with LF line ends, the same bytes
// the CLI prints, since scripts read both alike. Nothing on success, else the message.
std::optional<Message> write_picture_table(const std::string& path, const std::string& file,
                                           const mpeg::ScanResult& result);

} // namespace quantaline
