#include "mpeg/demux.h"

#include "io/text.h"
#include "mpeg/start_code.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace quantaline::mpeg {

namespace {

constexpr std::uint8_t ts_sync_byte = 0x47;
constexpr std::size_t ts_packet_size = 188;
constexpr std::uint16_t null_pid = 0x1FFF;
constexpr std::uint8_t first_video_stream_id = 0xE0;
constexpr std::uint8_t last_video_stream_id = 0xEF;

// The start codes a program stream's demultiplexer stops at: the end code, pack, system
// and PES packets (B9 to FF).
bool is_program_code(std::uint8_t code) {
    return code >= start_code::program_end;
}

bool any_code(std::uint8_t) {
    return true;
}

bool is_video_stream_id(std::uint8_t id) {
    return id >= first_video_stream_id && id <= last_video_stream_id;
}

// The size of a PES packet's header (MPEG-2 or MPEG-1 form) in `size` bytes or more; 0
// when it is broken.
std::size_t pes_header_form_size(const std::uint8_t* p, std::size_t size);

// A program stream's first start code: a system header, or a PES packet whose header
// (an audio or video one, the only ones with a header of their own) is well formed.
bool begins_program_stream(std::span<const std::uint8_t> at) {
    const std::uint8_t code = at[3];
    if (code < start_code::system_header) {
        return false;
    }
    const bool audio_or_video = code >= 0xC0 && code <= last_video_stream_id;
    return !audio_or_video || pes_header_form_size(at.data(), at.size()) != 0;
}

// Sync bytes at `first`, one packet apart, `count` times or as far as the bytes go; at
// least `least` of them.
bool ts_packets_at(std::span<const std::uint8_t> start, std::size_t packet_size, std::size_t first,
                   std::size_t count, std::size_t least) {
    std::size_t seen = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t at = first + k * packet_size;
        if (at >= start.size()) {
            break;
        }
        if (start[at] != ts_sync_byte) {
            return false;
        }
        ++seen;
    }
    return seen >= least;
}

// The sync byte's phase in a capture cut at any byte: five sync bytes a packet apart
// (three when the file is shorter), the first within the first packet.
std::optional<Layout> cut_transport_layout(std::span<const std::uint8_t> start) {
    for (const std::size_t packet_size : {std::size_t{188}, std::size_t{192}}) {
        for (std::size_t phase = 0; phase < packet_size && phase < start.size(); ++phase) {
            if (start[phase] != ts_sync_byte || !ts_packets_at(start, packet_size, phase, 5, 3)) {
                continue;
            }
            Layout layout;
            layout.container = Container::transport;
            layout.packet_size = packet_size;
            layout.sync_offset = packet_size - ts_packet_size;
            // A 192-byte packet begins with its time code, four bytes before the sync byte;
            // one whose time code is cut is stepped over whole.
            layout.first_packet = phase >= layout.sync_offset
                                      ? phase - layout.sync_offset
                                      : phase + packet_size - layout.sync_offset;
            return layout;
        }
    }
    return std::nullopt;
}

} // namespace

namespace {

std::optional<Layout> transport_layout(std::span<const std::uint8_t> start) {
    Layout layout;
    layout.container = Container::transport;
    // Three sync bytes in a row from the first byte, or as many as the file holds.
    if (ts_packets_at(start, 188, 0, 3, 1)) {
        return layout;
    }
    if (start.size() > 4 && ts_packets_at(start, 192, 4, 3, 1)) {
        layout.packet_size = 192;
        layout.sync_offset = 4;
        return layout;
    }
    return cut_transport_layout(start.first(std::min(start.size(), transport_probe_size)));
}

} // namespace

Layout detect_layout(std::span<const std::uint8_t> start) {
    start = start.first(std::min(start.size(), layout_probe_size));
    // A sync byte with less than one packet after it is no transport stream.
    if (const auto transport = transport_layout(start);
        transport &&
        start.size() >= transport->first_packet + transport->sync_offset + transport->packet_size) {
        return *transport;
    }
    // A pack start code before any sequence header makes a program stream, even after
    // some damage; so does a PES packet or a system header first. Anything else is taken
    // as an elementary stream.
    Layout layout;
    bool first = true;
    for (std::size_t i = find_start_code(start.data(), 0, start.size(), any_code); i < start.size();
         i = find_start_code(start.data(), i + 1, start.size(), any_code)) {
        const std::uint8_t code = start[i + 3];
        if (code == start_code::pack || (first && begins_program_stream(start.subspan(i)))) {
            layout.container = Container::program;
            return layout;
        }
        if (code == start_code::sequence_header) {
            return layout;
        }
        first = false;
    }
    return layout;
}

void demux_elementary(ByteWindow& window, VideoPayloadSink& video) {
    while (true) {
        const std::size_t have = window.ensure(1);
        if (have == 0) {
            return;
        }
        video.feed(window.data(), have, window.offset());
        window.consume(have);
    }
}

void demux_samples(ByteWindow& window, VideoPayloadSink& video, std::span<const Extent> samples,
                   DemuxReport& report) {
    auto sample = std::partition_point(samples.begin(), samples.end(), [&](const Extent& e) {
        return e.offset + e.size <= window.offset();
    });
    for (; sample != samples.end() && !video.paused(); ++sample) {
        if (sample->offset > window.offset()) {
            const std::uint64_t gap = sample->offset - window.offset();
            if (window.skip(gap) < gap) {
                report.cut(TextId::inside_video_packet, window.offset());
                return;
            }
        }
        const std::uint64_t end = sample->offset + sample->size;
        while (window.offset() < end) {
            const std::size_t have = window.ensure(
                static_cast<std::size_t>(std::min<std::uint64_t>(end - window.offset(), 65536)));
            if (have == 0) {
                if (!window.failed() && !window.stopped()) {
                    report.cut(TextId::inside_video_packet, window.offset());
                }
                return;
            }
            const std::size_t size =
                static_cast<std::size_t>(std::min<std::uint64_t>(have, end - window.offset()));
            video.feed(window.data(), size, window.offset());
            window.consume(size);
            if (video.paused()) {
                return;
            }
        }
    }
}

// --- program streams ------------------------------------------------------------------

namespace {

// Steps to the next 00 00 01 xx whose xx is a pack, system or PES start code (B9 to FF).
void resync_program(ByteWindow& window, DemuxReport& report) {
    const std::uint64_t from = window.offset();
    window.consume(1);
    while (true) {
        const std::size_t have = window.ensure(4);
        if (have < 4) {
            window.consume(have);
            break;
        }
        const std::size_t s = find_start_code(window.data(), 0, have, is_program_code);
        if (s < have) {
            window.consume(s);
            break;
        }
        // The last three bytes may begin the start code.
        window.consume(have - 3);
    }
    report.lost_sync(from, window.offset() - from);
}

// Bytes that lie in no packet, up to the next pack, system or PES start code: stepped over
// as damage, or handed over as video (a pack header followed by a bare video stream).
void step_over_loose_bytes(ByteWindow& window, VideoPayloadSink& video, DemuxReport& report,
                           LooseBytes loose) {
    if (loose == LooseBytes::skipped) {
        resync_program(window, report);
        return;
    }
    video.discontinuity();
    std::size_t from = 1; // the byte at the window's start is taken whatever it is
    while (true) {
        const std::size_t have = window.ensure(4);
        if (have < 4) {
            video.feed(window.data(), have, window.offset());
            window.consume(have);
            break;
        }
        const std::size_t s = find_start_code(window.data(), from, have, is_program_code);
        const std::size_t end = s < have ? s : have - 3;
        video.feed(window.data(), end, window.offset());
        window.consume(end);
        from = 0;
        if (s < have) {
            break;
        }
    }
    video.discontinuity();
}

// The size of a PES packet's header (MPEG-2 or MPEG-1 form), or 0 when it is broken or
// does not lie whole in the `size` bytes at p.
std::size_t pes_header_size(const std::uint8_t* p, std::size_t size) {
    const std::size_t header = pes_header_form_size(p, size);
    return header <= size ? header : 0;
}

std::size_t pes_header_form_size(const std::uint8_t* p, std::size_t size) {
    if (size < 9) {
        return 0;
    }
    if ((p[6] & 0xC0) == 0x80) {
        return 9 + std::size_t{p[8]};
    }
    std::size_t i = 6;
    while (i < size && p[i] == 0xFF && i < 6 + 16) { // stuffing_byte
        ++i;
    }
    if (i < size && (p[i] & 0xC0) == 0x40) { // STD_buffer_scale and size
        i += 2;
    }
    if (i >= size) {
        return 0;
    }
    if ((p[i] & 0xF0) == 0x20) { // PTS
        return i + 5;
    }
    if ((p[i] & 0xF0) == 0x30) { // PTS and DTS
        return i + 10;
    }
    if (p[i] == 0x0F) {
        return i + 1;
    }
    return 0;
}

} // namespace

namespace {

// Whether the demultiplexer goes on with the next start code or the bytes have ended
// (the file cut inside something, told in the report).
enum class Step { next, end };

// Steps over `length` bytes from `at`; the end when the file ends first, inside `what`.
Step skip_packet(ByteWindow& window, DemuxReport& report, std::uint64_t length, std::uint64_t at,
                 TextId what) {
    if (window.skip(length) < length) {
        report.cut(what, at);
        return Step::end;
    }
    return Step::next;
}

// A pack header (MPEG-2 with its stuffing, or MPEG-1), stepped over; one of neither form is
// loose bytes.
Step pack_header(ByteWindow& window, VideoPayloadSink& video, DemuxReport& report,
                 LooseBytes loose) {
    const std::size_t have = window.ensure(14);
    const std::uint8_t* p = window.data();
    std::uint64_t length = 0;
    if (have >= 5 && (p[4] >> 6) == 1) { // MPEG-2 pack header
        length = have >= 14 ? 14 + std::uint64_t{p[13] & 0x07u} : 14;
    } else if (have >= 5 && (p[4] >> 4) == 2) { // MPEG-1 pack header
        length = 12;
    } else if (have < 5) {
        length = 5;
    } else {
        step_over_loose_bytes(window, video, report, loose);
        return Step::next;
    }
    return skip_packet(window, report, length, window.offset(), TextId::inside_pack_header);
}

// The video's PES packet of `length` bytes at `at`: its payload handed over, or the whole
// packet stepped over when its header is broken.
Step video_packet(ByteWindow& window, VideoPayloadSink& video, DemuxReport& report,
                  std::uint64_t length, std::uint64_t at) {
    const TextId inside = TextId::inside_video_packet;
    std::size_t have =
        window.ensure(static_cast<std::size_t>(std::min<std::uint64_t>(length, 300)));
    const std::size_t header = pes_header_size(
        window.data(), static_cast<std::size_t>(std::min<std::uint64_t>(have, length)));
    if (header == 0 || header > length) {
        if (have < length && have < 300) {
            report.cut(inside, at);
            window.consume(have);
            return Step::end;
        }
        // A broken PES header: the packet is stepped over by its length.
        report.lost_sync(at, length);
        return skip_packet(window, report, length, at, inside);
    }
    window.consume(header);
    for (std::uint64_t remaining = length - header; remaining > 0;) {
        have = window.ensure(1);
        if (have == 0) {
            report.cut(inside, at);
            return Step::end;
        }
        const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(have, remaining));
        video.feed(window.data(), step, window.offset());
        window.consume(step);
        remaining -= step;
    }
    return Step::next;
}

// A system header or a PES packet: the first video stream's are read, the rest stepped over.
Step packet(ByteWindow& window, VideoPayloadSink& video, ScanResult& result, DemuxReport& report) {
    const std::size_t have = window.available();
    const std::uint8_t* p = window.data();
    const std::uint64_t at = window.offset();
    if (have < 6) {
        report.cut(TextId::inside_packet_header, at);
        window.consume(have);
        return Step::end;
    }
    const std::uint8_t code = p[3];
    const std::uint64_t length = 6 + ((std::uint64_t{p[4]} << 8) | p[5]);
    if (!is_video_stream_id(code) || (result.video && *result.video != code)) {
        return skip_packet(window, report, length, at, TextId::inside_packet);
    }
    result.video = code;
    return video_packet(window, video, report, length, at);
}

} // namespace

void demux_program(ByteWindow& window, VideoPayloadSink& video, ScanResult& result,
                   DemuxReport& report, LooseBytes loose) {
    while (!video.paused()) {
        const std::size_t have = window.ensure(6);
        if (have == 0) {
            return;
        }
        const std::uint8_t* p = window.data();
        if (have < 4) {
            // Zero bytes at the end are stuffing (Video CD's last sector ends with them),
            // not a start code cut in two.
            if (std::all_of(p, p + have, [](std::uint8_t byte) { return byte == 0; })) {
                window.consume(have);
                return;
            }
            report.cut(TextId::inside_start_code, window.offset());
            window.consume(have);
            return;
        }
        if (p[0] == 0 && p[1] == 0 && p[2] == 0) {
            // Zero stuffing before a start code (Video CD sectors end with it): step over
            // the zeros but the two that may begin the next start code.
            std::size_t zeros = 3;
            while (zeros < have && p[zeros] == 0) {
                ++zeros;
            }
            window.consume(zeros - 2);
            continue;
        }
        const bool prefixed = p[0] == 0 && p[1] == 0 && p[2] == 1;
        const std::uint8_t code = p[3];
        Step step = Step::next;
        if (prefixed && code == start_code::program_end) {
            window.consume(4); // joined files go on after the end code of the first
        } else if (prefixed && code == start_code::pack) {
            step = pack_header(window, video, report, loose);
        } else if (prefixed && code >= start_code::system_header) {
            step = packet(window, video, result, report);
        } else {
            step_over_loose_bytes(window, video, report, loose);
        }
        if (step == Step::end) {
            return;
        }
    }
}

// --- transport streams ----------------------------------------------------------------

std::span<const std::uint8_t> TransportDemux::section_of(const std::uint8_t* payload,
                                                         std::size_t size) {
    if (size < 1 || std::size_t{payload[0]} + 1 >= size) {
        return {};
    }
    const std::size_t start = std::size_t{payload[0]} + 1;
    const std::uint8_t* section = payload + start;
    const std::size_t left = size - start;
    if (left < 3) {
        return {};
    }
    const std::size_t section_length = ((std::size_t{section[1]} & 0x0F) << 8) | section[2];
    // Sections longer than one packet are not followed; PATs and PMTs of the files this
    // reads fit in one.
    return {section, std::min(left, 3 + section_length)};
}

void TransportDemux::tables_read() {
    if (const auto video = tables_.decided()) {
        choose(*video);
    }
}

void TransportDemux::choose(const ProgramVideo& video) {
    video_left_aside_ =
        feeds_ == Feeds::mpeg && video.stream_type != 0x01 && video.stream_type != 0x02;
    video_pid_ = video.pid;
    result_.video = video.pid;
    report_.video_stream_type = video.stream_type;
    replay_held();
}

void TransportDemux::video_payload(const std::uint8_t* data, std::size_t size, std::uint64_t offset,
                                   bool unit_start) {
    if (unit_start) {
        in_pes_ = true;
        in_pes_header_ = true;
        pes_header_size_ = 0;
    }
    if (!in_pes_) {
        return; // the middle of a PES packet whose start the file does not hold
    }
    if (in_pes_header_) {
        // The PES header, collected whole even when it runs into the next packet.
        while (size > 0) {
            const std::size_t wanted = pes_header_size_ < 9 ? 9 : 9 + std::size_t{pes_header_[8]};
            if (pes_header_size_ == wanted) {
                break;
            }
            const std::size_t step = std::min(size, wanted - pes_header_size_);
            std::memcpy(pes_header_.data() + pes_header_size_, data, step);
            pes_header_size_ += step;
            data += step;
            size -= step;
            offset += step;
            if (pes_header_size_ == 9 &&
                (pes_header_[0] != 0 || pes_header_[1] != 0 || pes_header_[2] != 1 ||
                 (!is_video_stream_id(pes_header_[3]) && !report_.read_without_tables) ||
                 (pes_header_[6] & 0xC0) != 0x80)) {
                report_.lost_sync(offset - 9, 0);
                video_.discontinuity();
                in_pes_ = false;
                return;
            }
        }
        if (pes_header_size_ < 9 || pes_header_size_ < 9 + std::size_t{pes_header_[8]}) {
            return;
        }
        in_pes_header_ = false;
    }
    video_.feed(data, size, offset);
}

// The fields of a packet's header, and of its adaptation field, that the demultiplexer
// takes its decisions on.
struct TransportDemux::PacketHeader {
    bool transport_error_indicator = false;
    bool payload_unit_start_indicator = false;
    std::uint16_t pid = 0;
    unsigned adaptation_field_control = 0;
    int continuity_counter = 0;
    bool discontinuity_indicator = false;
    // Where the payload begins in the packet; past its end when the adaptation field is
    // longer than the packet.
    std::size_t payload = 4;
    bool has_payload = false;
};

namespace {

// A PES packet's start that carries video: a video stream_id, or a payload that begins
// with a start code (a sequence header, a NAL unit's or a VOP's) whatever the stream_id says.
bool carries_video(const std::uint8_t* pes, std::size_t size) {
    if (size < 9 || pes[0] != 0 || pes[1] != 0 || pes[2] != 1) {
        return false;
    }
    if (is_video_stream_id(pes[3])) {
        return true;
    }
    const std::size_t payload = 9 + std::size_t{pes[8]};
    const std::size_t zeros = payload + 4 <= size && pes[payload + 2] == 0 ? 3 : 2;
    return payload + zeros + 1 <= size &&
           std::all_of(pes + payload, pes + payload + zeros,
                       [](std::uint8_t b) { return b == 0; }) &&
           pes[payload + zeros] == 1;
}

inline TransportDemux::PacketHeader packet_header(const std::uint8_t* p) {
    const unsigned adaptation_field_control = (p[3] >> 4) & 0x03;
    std::size_t payload = 4;
    bool discontinuity_indicator = false;
    if ((adaptation_field_control & 0x02) != 0) {
        const std::size_t adaptation_field_length = p[4];
        if (adaptation_field_length > 0) {
            discontinuity_indicator = (p[5] & 0x80) != 0;
        }
        payload = 5 + adaptation_field_length;
    }
    return {(p[1] & 0x80) != 0,
            (p[1] & 0x40) != 0,
            static_cast<std::uint16_t>(((p[1] & 0x1F) << 8) | p[2]),
            adaptation_field_control,
            p[3] & 0x0F,
            discontinuity_indicator,
            payload,
            (adaptation_field_control & 0x01) != 0 && payload < ts_packet_size};
}

} // namespace

inline bool TransportDemux::continuity(const PacketHeader& h) {
    if (last_continuity_counter_ >= 0) {
        if (h.continuity_counter == last_continuity_counter_ && !h.discontinuity_indicator) {
            return false;
        }
        if (h.continuity_counter != ((last_continuity_counter_ + 1) & 0x0F) &&
            !h.discontinuity_indicator) {
            ++report_.continuity_errors;
            video_.discontinuity();
        }
    }
    last_continuity_counter_ = h.continuity_counter;
    return true;
}

void TransportDemux::scrambled(std::uint64_t offset) {
    // transport_scrambling_control: the payload cannot be read without its key.
    if (report_.scrambled_packets++ == 0) {
        report_.first_scrambled_offset = offset;
    }
    if (in_pes_) {
        video_.discontinuity();
        in_pes_ = false;
    }
}

inline void TransportDemux::video_packet(const std::uint8_t* p, std::uint64_t offset,
                                         const PacketHeader& h) {
    if (h.transport_error_indicator || h.payload > ts_packet_size) {
        ++report_.continuity_errors;
        video_.discontinuity();
        in_pes_ = false;
        return;
    }
    if ((h.adaptation_field_control & 0x01) != 0 && !continuity(h)) {
        return; // a duplicate packet, sent twice on purpose
    }
    if ((p[3] >> 6) != 0) {
        scrambled(offset);
        return;
    }
    if (h.has_payload) {
        video_payload(p + h.payload, ts_packet_size - h.payload, offset + h.payload,
                      h.payload_unit_start_indicator);
    }
}

void TransportDemux::other_packet(const std::uint8_t* p, std::uint64_t offset) {
    // Decoded again here, so that the video's packets never need the header in memory.
    const PacketHeader h = packet_header(p);
    const bool table = h.pid == 0x0000 || tables_.is_program_map_pid(h.pid);
    if (!table) {
        hold(p, offset, h.pid,
             h.payload_unit_start_indicator && !h.transport_error_indicator && h.has_payload,
             h.payload);
        return;
    }
    if (h.transport_error_indicator || !h.has_payload || !h.payload_unit_start_indicator) {
        return;
    }
    const auto section = section_of(p + h.payload, ts_packet_size - h.payload);
    if (h.pid == 0x0000) {
        tables_.association(section);
    } else {
        tables_.program_map(section);
    }
    tables_read();
}

void TransportDemux::packet(const std::uint8_t* p, std::uint64_t offset) {
    const PacketHeader h = packet_header(p);
    if (video_pid_ && h.pid == *video_pid_) {
        if (!video_left_aside_) {
            video_packet(p, offset, h);
        }
        return;
    }
    if (video_pid_ || h.pid == null_pid) {
        return;
    }
    other_packet(p, offset);
}

void TransportDemux::hold(const std::uint8_t* p, std::uint64_t offset, std::uint16_t pid,
                          bool unit_start, std::size_t payload) {
    const auto candidate = std::find(candidate_pids_.begin(), candidate_pids_.end(), pid);
    if (candidate == candidate_pids_.end()) {
        // A stream becomes a candidate at the start of a PES packet of video.
        if (!unit_start || !carries_video(p + payload, ts_packet_size - payload) ||
            candidate_pids_.size() >= 64) {
            return;
        }
        candidate_pids_.push_back(pid);
    }
    if (held_.size() + ts_packet_size > held_bytes_limit &&
        (!tables_.program_map_seen() || tables_.first_seen())) {
        // As far as packets are held and still no choice: the first program whose map came
        // with a video, or without any table the first stream of video.
        finish();
        if (video_pid_ && pid == *video_pid_) {
            packet(p, offset);
        }
        return;
    }
    if (held_.size() + ts_packet_size > held_bytes_limit) {
        auto dropped = std::find_if(dropped_.begin(), dropped_.end(),
                                    [pid](const Dropped& d) { return d.pid == pid; });
        if (dropped == dropped_.end()) {
            dropped = dropped_.insert(dropped_.end(), Dropped{pid, 0, offset});
        }
        ++dropped->packets;
        return;
    }
    held_.insert(held_.end(), p, p + ts_packet_size);
    held_offsets_.push_back(offset);
}

void TransportDemux::finish() {
    if (video_pid_) {
        return;
    }
    if (tables_.program_map_seen()) {
        // The maps of earlier programs never came: the first program seen with a video.
        if (const auto video = tables_.first_seen()) {
            choose(*video);
        }
        return;
    }
    if (candidate_pids_.empty()) {
        return;
    }
    video_pid_ = candidate_pids_.front();
    result_.video = *video_pid_;
    report_.read_without_tables = *video_pid_;
    replay_held();
}

void TransportDemux::replay_held() {
    // The video's packets held so far are read first, in their order, as if the tables
    // had come before them.
    std::vector<std::uint8_t> held;
    std::vector<std::uint64_t> offsets;
    held.swap(held_);
    offsets.swap(held_offsets_);
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        const std::uint8_t* p = held.data() + i * ts_packet_size;
        if ((((p[1] & 0x1F) << 8) | p[2]) == *video_pid_) {
            packet(p, offsets[i]);
        }
    }
    for (const Dropped& dropped : dropped_) {
        if (dropped.pid == *video_pid_) {
            report_.dropped_before_tables = dropped.packets;
            report_.first_dropped_offset = dropped.first_offset;
            video_.discontinuity();
        }
    }
    candidate_pids_.clear();
    dropped_.clear();
}

namespace {

// Steps to the next sync byte that a sync byte one packet later confirms.
void resync_transport(ByteWindow& window, DemuxReport& report, std::size_t packet_size,
                      std::size_t sync_offset) {
    const std::uint64_t from = window.offset();
    window.consume(1);
    while (true) {
        const std::size_t wanted = 2 * packet_size + sync_offset + 1;
        const std::size_t have = window.ensure(wanted);
        if (have <= sync_offset) {
            window.consume(have);
            break;
        }
        const std::uint8_t* p = window.data();
        // Only the file's last packet goes without a sync byte a packet later to confirm
        // it: elsewhere the search stops where the window can no longer confirm one.
        const bool at_end = have < wanted;
        const std::size_t limit = at_end ? have - sync_offset : have - packet_size - sync_offset;
        std::size_t found = limit;
        for (std::size_t i = 0; i < limit; ++i) {
            if (p[i + sync_offset] != ts_sync_byte) {
                continue;
            }
            if (i + packet_size + sync_offset >= have ||
                p[i + packet_size + sync_offset] == ts_sync_byte) {
                found = i;
                break;
            }
        }
        window.consume(found);
        if (found < limit) {
            break;
        }
    }
    report.lost_sync(from, window.offset() - from);
}

} // namespace

void demux_transport(ByteWindow& window, VideoPayloadSink& video, ScanResult& result,
                     DemuxReport& report, std::size_t packet_size, std::size_t sync_offset) {
    TransportDemux demux(video, result, report);
    demux_transport(window, demux, report, packet_size, sync_offset);
}

void demux_transport(ByteWindow& window, TransportDemux& demux, DemuxReport& report,
                     std::size_t packet_size, std::size_t sync_offset) {
    while (!demux.paused()) {
        const std::size_t have = window.ensure(packet_size);
        if (have == 0) {
            return;
        }
        if (have < packet_size) {
            // A last packet cut short is dropped.
            report.cut(TextId::inside_transport_packet, window.offset());
            window.consume(have);
            return;
        }
        const std::uint8_t* p = window.data();
        if (p[sync_offset] != ts_sync_byte) {
            resync_transport(window, report, packet_size, sync_offset);
            continue;
        }
        // Whole buffers of packets at a time: no call to ensure() per packet.
        const std::size_t count = have / packet_size;
        std::size_t done = 0;
        while (done < count && p[done * packet_size + sync_offset] == ts_sync_byte) {
            demux.packet(p + done * packet_size + sync_offset,
                         window.offset() + done * packet_size + sync_offset);
            ++done;
            if (demux.paused()) {
                break;
            }
        }
        window.consume(done * packet_size);
    }
}

} // namespace quantaline::mpeg
