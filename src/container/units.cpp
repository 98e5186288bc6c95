#include "container/units.h"

#include "h264/syntax.h"
#include "hevc/syntax.h"
#include "mpeg/start_code.h"
#include "mpeg/syntax.h"
#include "mpeg4/syntax.h"

#include <algorithm>

namespace quantaline::container {

namespace {

int nal_type(Codec codec, std::uint8_t header) {
    return codec == Codec::hevc ? hevc::nal_type_of(header) : h264::nal_type_of(header);
}

// A parameter set's type, told by a NAL unit's first byte.
bool parameter_set_header(Codec codec, std::uint8_t header) {
    if ((header & 0x80) != 0) {
        return false;
    }
    const int type = nal_type(codec, header);
    return codec == Codec::h264 ? type == 7 || type == 8
                                : codec == Codec::hevc && type >= 32 && type <= 34;
}

// Supplemental enhancement information: the times, the recovery points and the HDR
// metadata are read from it.
bool sei_header(Codec codec, std::uint8_t header) {
    const int type = nal_type(codec, header);
    return codec == Codec::h264 ? type == 6 : codec == Codec::hevc && (type == 39 || type == 40);
}

// The start code values that begin MPEG-4 Part 2's headers: visual object sequence, user
// data, visual object, video object, video object layer.
bool begins_mpeg4_header(std::uint8_t code) {
    namespace code_of = mpeg4::start_code;
    return code == code_of::visual_object_sequence || code == code_of::user_data ||
           code == code_of::visual_object || code <= code_of::video_object_layer_last;
}

// A VOP, or the group of VOPs before one: the pictures begin.
bool begins_mpeg4_pictures(std::uint8_t code) {
    return code == mpeg4::start_code::vop || code == mpeg4::start_code::group_of_vop;
}

} // namespace

bool is_parameter_set(Codec codec, std::span<const std::uint8_t> unit) {
    // HEVC's header takes two bytes.
    return unit.size() >= (codec == Codec::hevc ? 2u : 1u) && parameter_set_header(codec, unit[0]);
}

bool is_coded_picture(Codec codec, std::span<const std::uint8_t> unit) {
    if (unit.empty() || (unit[0] & 0x80) != 0) {
        return false;
    }
    const int type = nal_type(codec, unit[0]);
    if (codec == Codec::h264) {
        return type >= 1 && type <= 5;
    }
    return codec == Codec::hevc && type <= 31;
}

bool UnitCollector::steps_over(std::span<const std::uint8_t> head) const {
    if (codec_ == Codec::mpeg4 || head.empty()) {
        return begins_picture(head) ||
               (!head.empty() && head[0] == mpeg4::start_code::group_of_vop);
    }
    // Only the parameter sets and the SEI are gathered whole; of the others the head is
    // enough.
    return !parameter_set_header(codec_, head[0]) && !sei_header(codec_, head[0]);
}

bool UnitCollector::holds_configuration() const {
    if (codec_ == Codec::mpeg4) {
        return !units_.empty();
    }
    bool sequence = false;
    bool picture = false;
    for (const ConfigurationUnit& unit : units_) {
        const int type = unit.bytes.empty() ? -1 : nal_type(codec_, unit.bytes[0]);
        sequence = sequence || type == (codec_ == Codec::h264 ? 7 : 33);
        picture = picture || type == (codec_ == Codec::h264 ? 8 : 34);
    }
    return sequence && picture;
}

// A picture's first slice: its first_mb_in_slice is 0 (a lone 1 bit) or its
// first_slice_segment_in_pic_flag is set, the first bit after the unit's header.
bool UnitCollector::begins_new_picture(std::span<const std::uint8_t> head) const {
    if (codec_ == Codec::mpeg4) {
        return !head.empty() && head[0] == mpeg4::start_code::vop;
    }
    const std::size_t header = codec_ == Codec::hevc ? 2 : 1;
    return head.size() > header && (head[header] & 0x80) != 0;
}

bool UnitCollector::begins_picture(std::span<const std::uint8_t> head) const {
    if (codec_ == Codec::mpeg4) {
        return !head.empty() && begins_mpeg4_pictures(head[0]);
    }
    return is_coded_picture(codec_, head);
}

void UnitCollector::join_mpeg4_header(std::span<const std::uint8_t> unit,
                                      std::optional<std::uint64_t> offset,
                                      ConfigurationUnit& joined) {
    auto& [bytes, start] = joined;
    if (bytes.empty()) {
        start = offset ? std::optional<std::uint64_t>(*offset - 3) : std::nullopt;
    }
    // The headers joined keep an offset only while they lie end to end in the file
    // (zero bytes stuffed between two of them are not kept).
    if (start && (!offset || *offset != *start + bytes.size() + 3)) {
        start.reset();
    }
    bytes.insert(bytes.end(), {0x00, 0x00, 0x01});
    bytes.insert(bytes.end(), unit.begin(), unit.end());
}

void UnitCollector::give_configuration() {
    if (!sink_->configuration_given) {
        sink_->configuration_given = true;
        sink_->configuration(codec_, units_);
    }
}

void UnitCollector::sample(const WalkedSample& sample) {
    if (sink_ != nullptr) {
        give_configuration();
        WalkedSample placed = sample;
        placed.position = walked_;
        sink_->sample(placed);
    }
}

// Walking: every unit to the sink, whole or by its head. MPEG-4 Part 2's headers are
// joined up to the VOP that follows them, which they then precede.
void UnitCollector::hand_on(std::span<const std::uint8_t> unit, std::optional<std::uint64_t> offset,
                            std::uint64_t position, std::uint8_t prefix) {
    give_configuration();
    const auto head = unit.first(std::min(unit.size(), picture_head_size));
    if (codec_ != Codec::mpeg4) {
        if (is_parameter_set(codec_, unit)) {
            sink_->unit(codec_,
                        {UnitKind::parameter_set, unit, offset, position, prefix, length_fields_});
        } else if (is_coded_picture(codec_, unit)) {
            sink_->unit(codec_,
                        {UnitKind::picture, head, offset, position, prefix, length_fields_});
        } else {
            const bool whole = (unit[0] & 0x80) == 0 && sei_header(codec_, unit[0]);
            sink_->unit(codec_, {UnitKind::other, whole ? unit : head, offset, position, prefix,
                                 length_fields_});
        }
        return;
    }
    if (begins_mpeg4_pictures(unit[0])) {
        if (!mpeg4_header_.bytes.empty()) {
            sink_->unit(codec_, {UnitKind::parameter_set, mpeg4_header_.bytes, mpeg4_header_.offset,
                                 mpeg4_header_position_, mpeg4_header_prefix_});
            mpeg4_header_ = {};
        }
        in_mpeg4_header_ = false;
        const UnitKind kind =
            unit[0] == mpeg4::start_code::vop ? UnitKind::picture : UnitKind::other;
        sink_->unit(codec_, {kind, head, offset, position, prefix});
        return;
    }
    if (in_mpeg4_header_ || begins_mpeg4_header(unit[0])) {
        if (mpeg4_header_.bytes.empty()) {
            mpeg4_header_position_ = position;
            // The joined bytes keep their start codes: only a zero byte comes before them.
            mpeg4_header_prefix_ = static_cast<std::uint8_t>(prefix >= 3 ? prefix - 3 : 0);
        }
        in_mpeg4_header_ = true;
        join_mpeg4_header(unit, offset, mpeg4_header_);
    }
}

// The SEI units kept before the first picture: more are a damaged stream's.
constexpr std::size_t kept_messages = 16;

bool UnitCollector::take(std::span<const std::uint8_t> unit, std::optional<std::uint64_t> offset,
                         std::uint64_t position, std::uint8_t prefix) {
    if (done_ || unit.empty()) {
        return done_;
    }
    if (sink_ != nullptr) {
        hand_on(unit, offset, position, prefix);
        return false;
    }
    if (begins_picture(unit)) {
        if (holds_configuration()) {
            done_ = true;
            return true;
        }
        // A capture that starts between two configurations: its first pictures are
        // counted and stepped over until the parameter sets come.
        if (begins_new_picture(unit)) {
            ++skipped_pictures_;
        }
        if (messages_ != nullptr) {
            messages_->clear(); // they were the skipped picture's
        }
        return false;
    }
    if (codec_ != Codec::mpeg4) {
        if (is_parameter_set(codec_, unit)) {
            units_.push_back({{unit.begin(), unit.end()}, offset});
        } else if (messages_ != nullptr && messages_->size() < kept_messages &&
                   (unit[0] & 0x80) == 0 && sei_header(codec_, unit[0])) {
            messages_->push_back({{unit.begin(), unit.end()}, offset});
        }
        return false;
    }
    // MPEG-4 Part 2: the headers from the first one to the first VOP make one unit, each
    // with its start code.
    if (!in_mpeg4_header_) {
        if (!begins_mpeg4_header(unit[0])) {
            return false;
        }
        in_mpeg4_header_ = true;
        units_.emplace_back();
    }
    join_mpeg4_header(unit, offset, units_.back());
    return false;
}

std::optional<std::uint64_t> StartCodeSplitter::offset_at(std::size_t position) const {
    for (auto piece = pieces_.rbegin(); piece != pieces_.rend(); ++piece) {
        if (piece->position <= position) {
            return piece->offset
                       ? std::optional<std::uint64_t>(*piece->offset + (position - piece->position))
                       : std::nullopt;
        }
    }
    return std::nullopt;
}

void StartCodeSplitter::drop_front(std::size_t count) {
    base_ += count;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    std::size_t kept = 0;
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        const bool last = i + 1 == pieces_.size();
        if (!last && pieces_[i + 1].position <= count) {
            continue; // wholly dropped
        }
        Piece piece = pieces_[i];
        if (piece.position < count) {
            if (piece.offset) {
                *piece.offset += count - piece.position;
            }
            piece.position = 0;
        } else {
            piece.position -= count;
        }
        pieces_[kept++] = piece;
    }
    pieces_.resize(kept);
}

// The unit pending_[0, end), without the zero bytes before the next start code (its first
// byte stays: MPEG-4 Part 2's video object start code is 00).
void StartCodeSplitter::hand_over(std::size_t end) {
    while (end > 1 && pending_[end - 1] == 0x00) {
        --end;
    }
    collector_.take(std::span<const std::uint8_t>(pending_.data(), end), contiguous_offset(end),
                    unit_start_, unit_prefix_);
}

// The offset of pending_[0, end) only when its bytes follow each other in the file.
std::optional<std::uint64_t> StartCodeSplitter::contiguous_offset(std::size_t end) const {
    std::optional<std::uint64_t> offset = offset_at(0);
    for (const Piece& piece : pieces_) {
        if (piece.position > 0 && piece.position < end && offset &&
            piece.offset != *offset + piece.position) {
            offset.reset();
        }
    }
    return offset;
}

// Inside the body of a unit stepped over, with at most the three bytes that may begin a start
// code (and its zero byte) pending: bytes without a start code are looked at where they lie, never
// gathered.
bool StartCodeSplitter::steps_over_bytes(std::span<const std::uint8_t> bytes,
                                         std::optional<std::uint64_t> offset) {
    if (!in_unit_ || !head_given_ || pending_.size() > kept_bytes || bytes.size() < kept_bytes) {
        return false;
    }
    // A start code across the pending bytes and the new ones, or in the new ones.
    std::uint8_t seam[kept_bytes + 2] = {1, 1, 1, 1, 1};
    std::copy(pending_.begin(), pending_.end(), seam + (kept_bytes - pending_.size()));
    seam[kept_bytes] = bytes[0];
    seam[kept_bytes + 1] = bytes[1];
    if (mpeg::find_start_code_prefix(seam, 0, sizeof seam) < sizeof seam ||
        mpeg::find_start_code_prefix(bytes.data(), 0, bytes.size()) < bytes.size()) {
        return false;
    }
    pending_.assign(bytes.end() - kept_bytes, bytes.end());
    base_ = fed_ - kept_bytes;
    pieces_.assign(1, {0, offset ? std::optional<std::uint64_t>(*offset + bytes.size() - kept_bytes)
                                 : std::nullopt});
    scan_from_ = 0;
    return true;
}

bool StartCodeSplitter::feed(std::span<const std::uint8_t> bytes,
                             std::optional<std::uint64_t> offset) {
    if (done() || bytes.empty()) {
        return true;
    }
    fed_ += bytes.size();
    collector_.set_walked(origin_ + fed_);
    if (steps_over_bytes(bytes, offset)) {
        return true;
    }
    pieces_.push_back({pending_.size(), offset});
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    while (!done()) {
        // A picture is known from its first bytes: its body is never gathered, nor when
        // walking the body of any unit but a parameter set.
        if (in_unit_ && !head_given_ && !pending_.empty()) {
            if (!collector_.walking() && pending_.size() >= 3 &&
                collector_.begins_picture(pending_)) {
                if (collector_.take(std::span<const std::uint8_t>(pending_.data(), 3), offset_at(0),
                                    unit_start_, unit_prefix_)) {
                    return true;
                }
                head_given_ = true; // no configuration yet: its body is stepped over
            }
            if (collector_.walking() && collector_.steps_over(pending_) &&
                pending_.size() >= picture_head_size) {
                collector_.take(std::span<const std::uint8_t>(pending_.data(), picture_head_size),
                                contiguous_offset(picture_head_size), unit_start_, unit_prefix_);
                head_given_ = true;
            }
        }
        const std::size_t s =
            mpeg::find_start_code_prefix(pending_.data(), scan_from_, pending_.size());
        if (s >= pending_.size()) {
            // The last two bytes may begin a start code, and the byte before them be the
            // zero byte of a four-byte one.
            scan_from_ = pending_.size() >= 2 ? pending_.size() - 2 : 0;
            if ((!in_unit_ || head_given_) && pending_.size() > kept_bytes) {
                drop_front(pending_.size() - kept_bytes);
                scan_from_ = kept_bytes - 2;
            }
            return pending_.size() <= unit_limit;
        }
        if (in_unit_ && !head_given_) {
            hand_over(s);
        }
        // The zero byte of a four-byte start code belongs to the unit it begins.
        unit_prefix_ = s > 0 && pending_[s - 1] == 0x00 ? 4 : 3;
        unit_start_ = origin_ + base_ + s + 3 - unit_prefix_;
        drop_front(s + 3);
        in_unit_ = true;
        head_given_ = false;
        scan_from_ = 0;
    }
    return true;
}

void StartCodeSplitter::finish() {
    if (in_unit_ && !head_given_ && !done()) {
        hand_over(pending_.size());
    }
    pending_.clear();
    pieces_.clear();
    base_ = fed_;
    in_unit_ = false;
    head_given_ = false;
}

bool split_length_prefixed(std::span<const std::uint8_t> sample, std::size_t length_size,
                           std::uint64_t offset, UnitCollector& collector) {
    const std::uint64_t walked = collector.walked();
    collector.set_walked(walked + sample.size());
    collector.set_length_fields();
    std::size_t at = 0;
    while (at < sample.size() && !collector.done()) {
        if (sample.size() - at < length_size) {
            return false;
        }
        const std::uint64_t position = walked + at;
        std::uint64_t length = 0;
        for (std::size_t i = 0; i < length_size; ++i) {
            length = (length << 8) | sample[at + i];
        }
        at += length_size;
        if (length > sample.size() - at) {
            return false;
        }
        collector.take(sample.subspan(at, static_cast<std::size_t>(length)), offset + at, position,
                       static_cast<std::uint8_t>(length_size));
        at += static_cast<std::size_t>(length);
    }
    return true;
}

namespace {

bool plausible_h264_profile(std::uint8_t profile) {
    return h264::find_profile(profile) != nullptr;
}

// What one start code's following bytes tell: a codec, or nothing decisive.
Codec codec_at(std::span<const std::uint8_t> after) {
    const std::uint8_t code = after[0];
    if (code == mpeg::start_code::sequence_header) {
        return Codec::mpeg2; // MPEG-1 or MPEG-2: told apart by the caller
    }
    if (code == mpeg4::start_code::visual_object_sequence) {
        return Codec::mpeg4;
    }
    // A video object followed by its video object layer.
    if (code <= mpeg4::start_code::video_object_last && after.size() >= 5 && after[1] == 0 &&
        after[2] == 0 && after[3] == 1 && (after[4] & 0xF0) == 0x20) {
        return Codec::mpeg4;
    }
    if (after.size() >= 2 && after[1] == 0x01 && (code == 0x40 || code == 0x42 || code == 0x46)) {
        return Codec::hevc; // video or sequence parameter set, access unit delimiter
    }
    if ((code & 0x9F) == 0x07 && (code & 0x60) != 0 && after.size() >= 2 &&
        plausible_h264_profile(after[1])) {
        return Codec::h264; // sequence parameter set
    }
    if (code == 0x09 && after.size() >= 2 && (after[1] & 0x1F) == 0x10) {
        return Codec::h264; // access unit delimiter
    }
    return Codec::unknown;
}

// After a sequence header: an extension start code with a sequence extension's id makes
// MPEG-2, a picture start code before one MPEG-1.
Codec mpeg1_or_2(std::span<const std::uint8_t> start, std::size_t from) {
    const auto is_code = [](std::uint8_t code) {
        return code == mpeg::start_code::extension || code == mpeg::start_code::picture;
    };
    const std::size_t s = mpeg::find_start_code(start.data(), from, start.size(), is_code);
    if (s + 4 < start.size() && start[s + 3] == mpeg::start_code::extension &&
        (start[s + 4] >> 4) == 1) {
        return Codec::mpeg2;
    }
    return Codec::mpeg1;
}

} // namespace

Codec elementary_codec(std::span<const std::uint8_t> start) {
    const auto any = [](std::uint8_t) { return true; };
    for (std::size_t s = mpeg::find_start_code(start.data(), 0, start.size(), any);
         s < start.size(); s = mpeg::find_start_code(start.data(), s + 1, start.size(), any)) {
        const Codec codec = codec_at(start.subspan(s + 3));
        if (codec == Codec::mpeg2) {
            return mpeg1_or_2(start, s + 4);
        }
        if (codec != Codec::unknown) {
            return codec;
        }
    }
    return Codec::unknown;
}

} // namespace quantaline::container
