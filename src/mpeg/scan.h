#pragma once

// The whole-stream scan: every sequence header and quant_matrix_extension of a file's
// video, the four matrices in force after each, the pictures coded with each set, and on
// request one compact record per picture.

#include "io/message.h"
#include "mpeg/codes.h"
#include "mpeg/scan_control.h"
#include "mpeg/syntax.h"
#include "mpeg/timing.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace quantaline::mpeg {

// The four matrices a picture is coded with, raster order.
struct MatrixSet {
    Matrix intra{};
    Matrix non_intra{};
    Matrix chroma_intra{};
    Matrix chroma_non_intra{};

    // 0 intra, 1 non-intra, 2 chroma intra, 3 chroma non-intra.
    const Matrix& at(std::size_t index) const {
        switch (index) {
        case 0:
            return intra;
        case 1:
            return non_intra;
        case 2:
            return chroma_intra;
        default:
            return chroma_non_intra;
        }
    }

    bool operator==(const MatrixSet&) const = default;
};

enum class ChangeKind { sequence_header, quant_matrix_extension };

struct TimeCode {
    bool drop_frame_flag = false;
    std::uint8_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint8_t pictures = 0;

    bool operator==(const TimeCode&) const = default;
};

// A sequence header or quant_matrix_extension after which the matrices in force differ
// (and always the first sequence header).
struct MatrixChange {
    std::uint64_t offset = 0;
    // The first picture coded with it, 0-based in stream order; none when no picture
    // followed.
    std::optional<std::uint64_t> picture;
    // The group_of_pictures_header between a sequence header and that picture.
    std::optional<TimeCode> time_code;
    ChangeKind kind = ChangeKind::sequence_header;
    // The four matrices after it: an index in ScanResult::matrices.
    std::size_t matrices = 0;

    bool operator==(const MatrixChange&) const = default;
};

struct MatrixSetUse {
    std::size_t matrices = 0; // index in ScanResult::matrices
    std::uint64_t first_picture = 0;
    std::uint64_t pictures = 0;

    bool operator==(const MatrixSetUse&) const = default;
};

// One picture's quantiser figures, when the quantiser pass read its macroblocks.
struct PictureQuantiserFigures {
    bool read = false; // false: not asked for, before any sequence header, or not reached
    std::uint8_t quantiser_min = 0;
    std::uint8_t quantiser_max = 0;
    std::uint16_t quantiser_average_hundredths = 0; // at most 11200
    std::uint16_t damaged_slices = 0;               // at most 65535 counted
    std::uint32_t intra = 0;
    std::uint32_t coded = 0;
    std::uint32_t skipped = 0;
    // Macroblocks of the picture that no slice reached, in none of the figures above.
    std::uint32_t missing = 0;

    bool operator==(const PictureQuantiserFigures&) const = default;
};

// A picture's picture_coding_extension flags and the headers just before it.
struct PictureFlags {
    bool coding_extension : 1 = false; // the three flags below were read (MPEG-2)
    bool top_field_first : 1 = false;
    bool repeat_first_field : 1 = false;
    bool progressive_frame : 1 = false;
    bool after_sequence_header : 1 = false; // a sequence header since the previous picture
    bool after_group : 1 = false;           // a group of pictures header since then
    bool closed_gop : 1 = false;            // that group's closed_gop

    bool operator==(const PictureFlags&) const = default;
};
static_assert(sizeof(PictureFlags) == 1);

// One coded picture, as the stream codes it. Compact: a ten-hour transport stream has a
// million of them, and later per-picture figures must still fit in 64 bytes.
struct PictureRecord {
    std::uint64_t index = 0; // in stream order, from 0
    // File offset of the first 00 of its picture start code.
    std::uint64_t offset = 0;
    // Its bytes in the video elementary stream, from its picture start code up to the next
    // picture start code, sequence header, group of pictures header or sequence end code,
    // or the end of the stream. Container bytes never count.
    std::uint64_t bytes = 0;
    // The 1-based number of its set in ScanResult::matrix_sets; 0 before the first
    // sequence header, where its matrices are unknown.
    std::uint32_t matrix_set = 0;
    std::uint16_t temporal_reference = 0;
    std::uint8_t picture_coding_type = 0; // 1 I, 2 P, 3 B, 4 D
    // 1 top field, 2 bottom field, 3 frame (an MPEG-1 picture, which has no picture coding
    // extension, is a frame); 0 when its picture coding extension is damaged.
    std::uint8_t picture_structure = 0;
    PictureQuantiserFigures quantiser;
    // The picture header's vbv_delay (0xFFFF: the buffer is not described by it).
    std::uint16_t vbv_delay = 0;
    // Its display duration in field periods (picture_fields); 0 before any sequence header.
    std::uint8_t fields = 0;
    PictureFlags flags;
    // Its chunk's bytes before its picture start code: the sequence header, extensions,
    // group of pictures header and user data just before it. The chunk of the buffer model
    // runs from there to the next picture's chunk.
    std::uint32_t lead_bytes = 0;

    bool operator==(const PictureRecord&) const = default;
};
static_assert(sizeof(PictureRecord) <= 64);

// The records of a whole stream, in chunks: growing never copies what is stored, so the
// memory stays the records' own size plus one chunk.
class PictureRecords {
  public:
    static constexpr std::size_t chunk_size = 4096;

    void push_back(const PictureRecord& record) {
        if (size_ % chunk_size == 0) {
            chunks_.emplace_back();
            chunks_.back().reserve(chunk_size);
        }
        chunks_.back().push_back(record);
        ++size_;
    }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const PictureRecord& operator[](std::size_t index) const {
        return chunks_[index / chunk_size][index % chunk_size];
    }
    PictureRecord& operator[](std::size_t index) {
        return chunks_[index / chunk_size][index % chunk_size];
    }
    void clear() {
        chunks_.clear();
        size_ = 0;
    }

  private:
    std::vector<std::vector<PictureRecord>> chunks_;
    std::size_t size_ = 0;
};

// The quantiser over every macroblock of the pictures of one picture_coding_type.
struct QuantiserTotals {
    std::uint64_t pictures = 0; // with at least one macroblock read
    std::uint64_t macroblocks = 0;
    std::uint64_t quantiser_sum = 0;
    std::uint8_t quantiser_min = 0;
    std::uint8_t quantiser_max = 0;

    // The average in hundredths, rounded half up as a picture's is; 0 without macroblocks.
    std::uint64_t quantiser_average_hundredths() const {
        return macroblocks == 0 ? 0 : (quantiser_sum * 200 + macroblocks) / (2 * macroblocks);
    }
};

struct ScanResult {
    Container container = Container::elementary;
    // The video's samples, for the containers read through them.
    std::shared_ptr<const std::vector<Extent>> samples;
    // The PES stream_id (program stream) or the PID (transport stream) of the video read.
    std::optional<std::uint32_t> video;
    std::uint64_t pictures = 0;
    std::uint64_t sequence_headers = 0;
    // The first sequence header's frame_rate_code; 0 without one.
    std::uint8_t frame_rate_code = 0;
    std::uint64_t groups_of_pictures = 0;
    std::uint64_t quant_matrix_extensions = 0;
    std::vector<MatrixChange> changes;
    std::vector<MatrixSetUse> matrix_sets;
    // Each distinct set of four matrices met, once: a file whose matrices change at every
    // picture between a few sets keeps a few sets, not one per change.
    std::vector<MatrixSet> matrices;

    const MatrixSet& matrices_of(const MatrixChange& change) const {
        return matrices[change.matrices];
    }
    const MatrixSet& matrices_of(const MatrixSetUse& use) const { return matrices[use.matrices]; }
    // One per picture header read, when ScanControl::picture_records asked for them.
    PictureRecords picture_records;
    // With the records: where a read may begin to reach any picture, one entry per sequence
    // header that a picture follows (a DVD has one before each group of pictures).
    struct SequenceStart {
        std::uint64_t offset = 0;        // the sequence header's first byte in the file
        std::uint64_t first_picture = 0; // the index of the picture after it

        bool operator==(const SequenceStart&) const = default;
    };
    std::vector<SequenceStart> sequence_starts;
    // With the records: the sequence parameters in force from each entry's first picture
    // on, one entry for the first sequence header followed by a picture and one each time
    // they change.
    std::vector<SequenceParameters> sequences;
    // With the records: bytes of the video elementary stream after the end of a picture
    // (its `bytes`) that belong to its chunk, by picture index, for the few pictures that
    // have them (a sequence end code and what follows it up to the next chunk).
    std::vector<std::pair<std::uint64_t, std::uint64_t>> chunk_tails;
    // When ScanControl::quantiser asked for it: index picture_coding_type - 1 (I, P, B, D).
    bool quantiser_read = false;
    std::array<QuantiserTotals, 4> quantiser_by_type{};
    // Pictures with a damaged slice, a damaged header or bytes lost inside them.
    std::uint64_t damaged_pictures = 0;
    Messages messages;
    // Bytes of the file read before the scan stopped.
    std::uint64_t bytes_read = 0;
};

ScanResult scan_source(ByteSource& source, const ScanControl& control = {});
ScanResult scan_bytes(std::span<const std::uint8_t> bytes, const ScanControl& control = {});
// A file that cannot be opened gives the read failure message of `info`.
ScanResult scan_file(const std::string& path, const ScanControl& control = {});

// The messages of the scan, one constant or one builder per message.
extern const Message scan_no_video_message;
Message scan_stopped_message(std::uint64_t offset, TextId where);
Message scan_interrupted_message(std::uint64_t offset);
Message scan_damaged_structures_message(std::uint64_t count, const char* first_kind,
                                        std::uint64_t first_offset);
Message scan_resync_message(std::uint64_t count, std::uint64_t first_offset,
                            std::uint64_t skipped_bytes);
Message scan_continuity_message(std::uint64_t count, std::uint32_t pid);
Message scan_dropped_before_tables_message(std::uint64_t count, std::uint64_t first_offset);
// A transport stream without program tables, whose video is read on `pid`.
Message scan_read_without_tables_message(std::uint16_t pid);
// Video packets whose transport_scrambling_control is set.
Message scan_scrambled_message(std::uint64_t count, std::uint64_t first_offset);
// Pictures whose picture_coding_type is forbidden or reserved.
Message scan_forbidden_type_message(std::uint64_t count, std::uint64_t first_offset);
Message scan_read_error_message(std::uint64_t offset);
extern const Message scan_unreadable_message;
// `slice` is the first damage's slice_vertical_position, 0 when the picture's header was
// the damage or its bytes were lost.
Message scan_damaged_slices_message(std::uint64_t pictures, std::uint64_t first_picture,
                                    std::uint64_t first_offset, std::uint32_t slice,
                                    std::uint32_t macroblocks_read);

} // namespace quantaline::mpeg
