#include "mpeg/matrix_tracker.h"

#include "mpeg/codes.h"

#include <algorithm>
#include <limits>

namespace quantaline::mpeg {

void MatrixTracker::damaged(const char* kind, std::uint64_t offset) {
    if (damaged_count_++ == 0) {
        first_damaged_kind_ = kind;
        first_damaged_offset_ = offset;
    }
}

void MatrixTracker::unit(const VideoUnit& unit) {
    switch (unit.code) {
    case start_code::sequence_header:
        sequence_header(unit);
        break;
    case start_code::extension:
        if (extension_start_code_identifier(unit.bytes) == extension_id::quant_matrix) {
            quant_matrix_extension(unit);
        } else if (extension_start_code_identifier(unit.bytes) == extension_id::picture_coding) {
            picture_coding_extension(unit);
        } else if (extension_start_code_identifier(unit.bytes) == extension_id::sequence) {
            sequence_extension(unit);
        }
        break;
    case start_code::group:
        group(unit);
        break;
    case start_code::picture:
        picture(unit);
        break;
    case start_code::sequence_end:
        close_picture(unit.position);
        // What came before a sequence end leads no picture's chunk.
        chunk_start_.reset();
        headers_before_ = {};
        break;
    default:
        break;
    }
}

namespace {

constexpr std::size_t unused = static_cast<std::size_t>(-1);

std::uint64_t hash_of(const MatrixSet& set) {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const Matrix* m : {&set.intra, &set.non_intra, &set.chroma_intra, &set.chroma_non_intra}) {
        for (const std::uint8_t value : *m) {
            hash = (hash ^ value) * 1099511628211ull;
        }
    }
    return hash;
}

} // namespace

std::size_t MatrixTracker::distinct_index(const MatrixSet& matrices) {
    const std::uint64_t hash = hash_of(matrices);
    const auto [first, last] = by_hash_.equal_range(hash);
    for (auto it = first; it != last; ++it) {
        if (result_.matrices[it->second] == matrices) {
            return it->second;
        }
    }
    result_.matrices.push_back(matrices);
    use_of_.push_back(unused);
    by_hash_.emplace(hash, result_.matrices.size() - 1);
    return result_.matrices.size() - 1;
}

void MatrixTracker::close_picture(std::uint64_t end_position) {
    if (!picture_open_) {
        return;
    }
    picture_open_ = false;
    // A picture before any sequence header: its matrices are unknown, its set number 0.
    std::uint32_t set_number = 0;
    if (have_matrices_) {
        std::size_t& use = use_of_[current_index_];
        if (use == unused) {
            use = result_.matrix_sets.size();
            result_.matrix_sets.push_back({current_index_, result_.pictures - 1, 0});
        }
        ++result_.matrix_sets[use].pictures;
        set_number = static_cast<std::uint32_t>(use + 1);
    }
    if (keep_records_) {
        record_.bytes = end_position > picture_position_ ? end_position - picture_position_ : 0;
        record_.matrix_set = set_number;
        close_record_timing();
        result_.picture_records.push_back(record_);
    }
}

void MatrixTracker::apply(const MatrixSet& matrices, ChangeKind kind, std::uint64_t offset) {
    const bool first = !have_matrices_;
    if (!first && matrices == current_) {
        return;
    }
    have_matrices_ = true;
    current_ = matrices;
    current_index_ = distinct_index(matrices);
    MatrixChange change;
    change.offset = offset;
    change.kind = kind;
    change.matrices = current_index_;
    if (kind == ChangeKind::quant_matrix_extension && picture_open_) {
        // It sits in the header of the picture being read: that picture uses it.
        change.picture = result_.pictures - 1;
    } else if (!change_waiting_) {
        change_waiting_ = result_.changes.size();
        gop_after_change_ = false;
    }
    result_.changes.push_back(change);
}

void MatrixTracker::sequence_header(const VideoUnit& unit) {
    close_picture(unit.position);
    chunk_header(true, unit.position);
    const auto parsed = mpeg::sequence_header(unit.bytes);
    if (!parsed.ok()) {
        damaged("sequence_header", unit.offset);
        return;
    }
    const SequenceHeader& h = parsed.fields;
    sequence_start_ = unit.offset;
    sequence_timing(h, unit.offset);
    if (result_.sequence_headers++ == 0) {
        result_.frame_rate_code = h.frame_rate_code;
    }
    MatrixSet set;
    set.intra =
        h.load_intra_quantiser_matrix ? h.intra_quantiser_matrix : default_intra_quantiser_matrix;
    set.non_intra = h.load_non_intra_quantiser_matrix ? h.non_intra_quantiser_matrix
                                                      : default_non_intra_quantiser_matrix;
    set.chroma_intra = set.intra;
    set.chroma_non_intra = set.non_intra;
    apply(set, ChangeKind::sequence_header, unit.offset);
}

void MatrixTracker::quant_matrix_extension(const VideoUnit& unit) {
    const auto parsed = mpeg::quant_matrix_extension(unit.bytes);
    if (!parsed.ok()) {
        damaged("quant_matrix_extension", unit.offset);
        return;
    }
    ++result_.quant_matrix_extensions;
    if (!have_matrices_) {
        // No sequence header yet: there is nothing for it to change.
        return;
    }
    const QuantMatrixExtension& e = parsed.fields;
    MatrixSet set = current_;
    if (e.load_intra_quantiser_matrix) {
        set.intra = set.chroma_intra = e.intra_quantiser_matrix;
    }
    if (e.load_non_intra_quantiser_matrix) {
        set.non_intra = set.chroma_non_intra = e.non_intra_quantiser_matrix;
    }
    if (e.load_chroma_intra_quantiser_matrix) {
        set.chroma_intra = e.chroma_intra_quantiser_matrix;
    }
    if (e.load_chroma_non_intra_quantiser_matrix) {
        set.chroma_non_intra = e.chroma_non_intra_quantiser_matrix;
    }
    apply(set, ChangeKind::quant_matrix_extension, unit.offset);
}

void MatrixTracker::group(const VideoUnit& unit) {
    close_picture(unit.position);
    chunk_header(false, unit.position);
    ++result_.groups_of_pictures;
    const auto parsed = group_of_pictures_header(unit.bytes);
    if (!parsed.ok()) {
        damaged("group_of_pictures_header", unit.offset);
        return;
    }
    headers_before_.closed_gop = parsed.fields.closed_gop;
    if (!change_waiting_ || gop_after_change_) {
        return;
    }
    gop_after_change_ = true;
    const GroupOfPicturesHeader& g = parsed.fields;
    const TimeCode time_code{g.drop_frame_flag, g.time_code_hours, g.time_code_minutes,
                             g.time_code_seconds, g.time_code_pictures};
    for (std::size_t i = *change_waiting_; i < result_.changes.size(); ++i) {
        if (result_.changes[i].kind == ChangeKind::sequence_header) {
            result_.changes[i].time_code = time_code;
        }
    }
}

void MatrixTracker::picture(const VideoUnit& unit) {
    close_picture(unit.position);
    const auto parsed = picture_header(unit.bytes);
    if (!parsed.ok()) {
        damaged("picture_header", unit.offset);
        return;
    }
    const std::uint64_t number = result_.pictures++;
    if (sequence_start_ && keep_records_) {
        result_.sequence_starts.push_back({*sequence_start_, number});
    }
    sequence_start_.reset();
    picture_open_ = true;
    coding_extension_seen_ = false;
    picture_position_ = unit.position;
    record_ = {};
    record_.index = number;
    record_.offset = unit.offset;
    record_.temporal_reference = parsed.fields.temporal_reference;
    record_.picture_coding_type = parsed.fields.picture_coding_type;
    record_.picture_structure = frame_picture;
    open_record_timing(number, unit.position, parsed.fields.vbv_delay);
    // 0 and 5 to 7 are forbidden or reserved: the picture is kept, and named as damage.
    if (!is_picture_coding_type(record_.picture_coding_type)) {
        if (forbidden_type_count_++ == 0) {
            first_forbidden_type_offset_ = unit.offset;
        }
    }
    if (change_waiting_) {
        for (std::size_t i = *change_waiting_; i < result_.changes.size(); ++i) {
            result_.changes[i].picture = number;
        }
        change_waiting_.reset();
    }
}

void MatrixTracker::picture_coding_extension(const VideoUnit& unit) {
    // The first picture coding extension after the picture header is the picture's; a
    // second one before the next picture is damage, not a new structure.
    if (!picture_open_ || coding_extension_seen_) {
        return;
    }
    coding_extension_seen_ = true;
    const auto parsed = mpeg::picture_coding_extension(unit.bytes);
    record_.picture_structure = parsed.ok() ? parsed.fields.picture_structure : 0;
    if (parsed.ok()) {
        record_.flags.coding_extension = true;
        record_.flags.top_field_first = parsed.fields.top_field_first;
        record_.flags.repeat_first_field = parsed.fields.repeat_first_field;
        record_.flags.progressive_frame = parsed.fields.progressive_frame;
    }
}

void MatrixTracker::sequence_timing(const SequenceHeader& h, std::uint64_t offset) {
    if (!keep_records_) {
        return;
    }
    SequenceParameters s;
    s.offset = offset;
    s.horizontal_size = h.horizontal_size_value;
    s.vertical_size = h.vertical_size_value;
    s.aspect_ratio_information = h.aspect_ratio_information;
    s.frame_rate_code = h.frame_rate_code;
    s.bit_rate = h.bit_rate_value;
    s.vbv_buffer_size = h.vbv_buffer_size_value;
    sequence_waiting_ = s;
}

void MatrixTracker::sequence_extension(const VideoUnit& unit) {
    if (!sequence_waiting_ || !unit.follows_sequence_header) {
        return;
    }
    const auto parsed = mpeg::sequence_extension(unit.bytes);
    if (!parsed.ok()) {
        return;
    }
    const SequenceExtension& e = parsed.fields;
    SequenceParameters& s = *sequence_waiting_;
    s.mpeg2 = true;
    s.horizontal_size =
        static_cast<std::uint16_t>(s.horizontal_size | e.horizontal_size_extension << 12);
    s.vertical_size = static_cast<std::uint16_t>(s.vertical_size | e.vertical_size_extension << 12);
    s.bit_rate |= std::uint32_t{e.bit_rate_extension} << 18;
    s.vbv_buffer_size |= std::uint32_t{e.vbv_buffer_size_extension} << 10;
    s.profile_and_level_indication = e.profile_and_level_indication;
    s.chroma_format = e.chroma_format;
    s.progressive_sequence = e.progressive_sequence;
    s.low_delay = e.low_delay;
    s.frame_rate_extension_n = e.frame_rate_extension_n;
    s.frame_rate_extension_d = e.frame_rate_extension_d;
}

void MatrixTracker::chunk_header(bool sequence_header, std::uint64_t position) {
    if (!keep_records_) {
        return;
    }
    // The chunk begins at the sequence header just before the picture, else at the group.
    if (sequence_header) {
        chunk_start_ = position;
        headers_before_.after_sequence_header = true;
    } else {
        if (!chunk_start_) {
            chunk_start_ = position;
        }
        headers_before_.after_group = true;
    }
}

void MatrixTracker::open_record_timing(std::uint64_t number, std::uint64_t position,
                                       std::uint16_t vbv_delay) {
    if (!keep_records_) {
        return;
    }
    if (sequence_waiting_) {
        sequence_waiting_->first_picture = number;
        if (result_.sequences.empty() ||
            !result_.sequences.back().same_values(*sequence_waiting_)) {
            result_.sequences.push_back(*sequence_waiting_);
        }
        sequence_in_force_ = sequence_waiting_;
        sequence_waiting_.reset();
    }
    const std::uint64_t start = std::min(chunk_start_.value_or(position), position);
    // Bytes between the previous record's end and this chunk: a sequence end code, a damaged
    // picture; they stay in the previous chunk.
    if (last_record_end_ && start > *last_record_end_) {
        result_.chunk_tails.emplace_back(last_record_index_, start - *last_record_end_);
    }
    last_record_end_.reset();
    record_.vbv_delay = vbv_delay;
    record_.flags = headers_before_;
    record_.lead_bytes = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(position - start, std::numeric_limits<std::uint32_t>::max()));
    chunk_start_.reset();
    headers_before_ = {};
}

void MatrixTracker::close_record_timing() {
    if (sequence_in_force_) {
        const SequenceParameters& s = *sequence_in_force_;
        // A damaged picture coding extension leaves the structure unknown: a frame is shown.
        const std::uint8_t structure =
            record_.picture_structure == 0 ? frame_picture : record_.picture_structure;
        record_.fields =
            picture_fields(s.mpeg2, s.progressive_sequence, structure,
                           record_.flags.top_field_first, record_.flags.repeat_first_field);
    }
    last_record_end_ = picture_position_ + record_.bytes;
    last_record_index_ = record_.index;
}

void MatrixTracker::finish(std::uint64_t end_position) {
    close_picture(end_position);
    if (keep_records_ && last_record_end_ && end_position > *last_record_end_) {
        result_.chunk_tails.emplace_back(last_record_index_, end_position - *last_record_end_);
    }
    if (damaged_count_ > 0) {
        result_.messages.push_back(scan_damaged_structures_message(
            damaged_count_, first_damaged_kind_, first_damaged_offset_));
    }
    if (forbidden_type_count_ > 0) {
        result_.messages.push_back(
            scan_forbidden_type_message(forbidden_type_count_, first_forbidden_type_offset_));
    }
}

} // namespace quantaline::mpeg
