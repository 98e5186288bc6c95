#pragma once

// Builds MPEG video byte streams for tests from readable calls: each syntax element
// is written with its width, as the standard lays it out.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quantaline::test {

class BitWriter {
  public:
    void put(std::uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (bit_count_ % 8 == 0) {
                bytes_.push_back(0);
            }
            if ((value >> i) & 1u) {
                bytes_.back() =
                    static_cast<std::uint8_t>(bytes_.back() | (0x80u >> (bit_count_ % 8)));
            }
            ++bit_count_;
        }
    }
    // Zero bits up to the next byte boundary.
    void align() { bit_count_ = bytes_.size() * 8; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::size_t bit_count() const { return bit_count_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::size_t bit_count_ = 0;
};

// A 64-value matrix in the order the stream carries it (zigzag scan order).
using ScanMatrix = std::array<std::uint8_t, 64>;

struct SequenceHeader {
    int horizontal_size = 720;
    int vertical_size = 576;
    int aspect_ratio_information = 2;
    int frame_rate_code = 3;
    std::uint32_t bit_rate_value = 24500;
    int vbv_buffer_size_value = 112;
    std::optional<ScanMatrix> intra;
    std::optional<ScanMatrix> non_intra;
};

// Which of the four matrices a quant_matrix_extension loads.
struct QuantMatrixExtension {
    std::optional<ScanMatrix> intra;
    std::optional<ScanMatrix> non_intra;
    std::optional<ScanMatrix> chroma_intra;
    std::optional<ScanMatrix> chroma_non_intra;
};

// The sequence_extension's fields a test sets; the rest as the standard's defaults.
struct SequenceExtension {
    std::uint8_t profile_and_level_indication = 0x48;
    int chroma_format = 1;
    bool progressive_sequence = false;
    int bit_rate_extension = 0;
    int vbv_buffer_size_extension = 0;
    bool low_delay = false;
    int frame_rate_extension_n = 0;
    int frame_rate_extension_d = 0;
};

// The picture_coding_extension's display fields.
struct PictureCoding {
    int picture_structure = 3;
    bool top_field_first = false;
    bool repeat_first_field = false;
    bool progressive_frame = false;
};

class StreamBuilder {
  public:
    StreamBuilder& raw(std::initializer_list<std::uint8_t> values) {
        bytes_.insert(bytes_.end(), values);
        return *this;
    }
    StreamBuilder& raw(const std::vector<std::uint8_t>& values) {
        bytes_.insert(bytes_.end(), values.begin(), values.end());
        return *this;
    }
    StreamBuilder& start_code(std::uint8_t code) { return raw({0x00, 0x00, 0x01, code}); }
    // Filler bytes (0xFF never forms a start code) up to an absolute offset.
    StreamBuilder& fill_to(std::size_t offset, std::uint8_t filler = 0xFF) {
        if (bytes_.size() < offset) {
            bytes_.resize(offset, filler);
        }
        return *this;
    }
    // An MPEG-2 pack header (14 bytes, no stuffing).
    StreamBuilder& pack_header() {
        start_code(0xBA);
        return raw({0x44, 0x00, 0x04, 0x00, 0x04, 0x01, 0x01, 0x89, 0xC3, 0xF8});
    }
    StreamBuilder& sequence_header(const SequenceHeader& h) {
        BitWriter w;
        w.put(0x000001B3, 32);
        w.put(static_cast<std::uint32_t>(h.horizontal_size), 12);
        w.put(static_cast<std::uint32_t>(h.vertical_size), 12);
        w.put(static_cast<std::uint32_t>(h.aspect_ratio_information), 4);
        w.put(static_cast<std::uint32_t>(h.frame_rate_code), 4);
        w.put(h.bit_rate_value, 18);
        w.put(1, 1); // marker_bit
        w.put(static_cast<std::uint32_t>(h.vbv_buffer_size_value), 10);
        w.put(0, 1);               // constrained_parameters_flag
        w.put(h.intra ? 1 : 0, 1); // load_intra_quantiser_matrix
        if (h.intra) {
            for (auto value : *h.intra) {
                w.put(value, 8);
            }
        }
        w.put(h.non_intra ? 1 : 0, 1); // load_non_intra_quantiser_matrix
        if (h.non_intra) {
            for (auto value : *h.non_intra) {
                w.put(value, 8);
            }
        }
        return append(w);
    }
    StreamBuilder& sequence_extension(std::uint8_t profile_and_level_indication,
                                      int chroma_format = 1) {
        BitWriter w;
        w.put(0x000001B5, 32);
        w.put(1, 4); // extension_start_code_identifier
        w.put(profile_and_level_indication, 8);
        w.put(0, 1); // progressive_sequence
        w.put(static_cast<std::uint32_t>(chroma_format), 2);
        w.put(0, 2);  // horizontal_size_extension
        w.put(0, 2);  // vertical_size_extension
        w.put(0, 12); // bit_rate_extension
        w.put(1, 1);  // marker_bit
        w.put(0, 8);  // vbv_buffer_size_extension
        w.put(0, 1);  // low_delay
        w.put(0, 2);  // frame_rate_extension_n
        w.put(0, 5);  // frame_rate_extension_d
        return append(w);
    }
    StreamBuilder& sequence_extension(const SequenceExtension& e) {
        BitWriter w;
        w.put(0x000001B5, 32);
        w.put(1, 4); // extension_start_code_identifier
        w.put(e.profile_and_level_indication, 8);
        w.put(e.progressive_sequence ? 1 : 0, 1);
        w.put(static_cast<std::uint32_t>(e.chroma_format), 2);
        w.put(0, 2); // horizontal_size_extension
        w.put(0, 2); // vertical_size_extension
        w.put(static_cast<std::uint32_t>(e.bit_rate_extension), 12);
        w.put(1, 1); // marker_bit
        w.put(static_cast<std::uint32_t>(e.vbv_buffer_size_extension), 8);
        w.put(e.low_delay ? 1 : 0, 1);
        w.put(static_cast<std::uint32_t>(e.frame_rate_extension_n), 2);
        w.put(static_cast<std::uint32_t>(e.frame_rate_extension_d), 5);
        return append(w);
    }
    StreamBuilder& sequence_display_extension(int video_format) {
        BitWriter w;
        w.put(0x000001B5, 32);
        w.put(2, 4); // extension_start_code_identifier
        w.put(static_cast<std::uint32_t>(video_format), 3);
        w.put(0, 1);    // colour_description
        w.put(720, 14); // display_horizontal_size
        w.put(1, 1);    // marker_bit
        w.put(576, 14); // display_vertical_size
        return append(w);
    }
    StreamBuilder& quant_matrix_extension(std::uint8_t value) {
        BitWriter w;
        w.put(0x000001B5, 32);
        w.put(3, 4); // extension_start_code_identifier
        w.put(1, 1); // load_intra_quantiser_matrix
        for (int i = 0; i < 64; ++i) {
            w.put(value, 8);
        }
        w.put(1, 1); // load_non_intra_quantiser_matrix
        for (int i = 0; i < 64; ++i) {
            w.put(value, 8);
        }
        w.put(0, 1); // load_chroma_intra_quantiser_matrix
        w.put(0, 1); // load_chroma_non_intra_quantiser_matrix
        return append(w);
    }
    StreamBuilder& quant_matrix_extension(const QuantMatrixExtension& e) {
        BitWriter w;
        w.put(0x000001B5, 32);
        w.put(3, 4); // extension_start_code_identifier
        for (const auto* matrix : {&e.intra, &e.non_intra, &e.chroma_intra, &e.chroma_non_intra}) {
            w.put(matrix->has_value() ? 1 : 0, 1); // load_..._quantiser_matrix
            if (matrix->has_value()) {
                for (auto value : **matrix) {
                    w.put(value, 8);
                }
            }
        }
        return append(w);
    }
    StreamBuilder& group_of_pictures_header(int hours, int minutes, int seconds, int pictures,
                                            bool marker_bit = true, bool closed_gop = true) {
        BitWriter w;
        w.put(0x000001B8, 32);
        w.put(0, 1); // drop_frame_flag
        w.put(static_cast<std::uint32_t>(hours), 5);
        w.put(static_cast<std::uint32_t>(minutes), 6);
        w.put(marker_bit ? 1 : 0, 1);
        w.put(static_cast<std::uint32_t>(seconds), 6);
        w.put(static_cast<std::uint32_t>(pictures), 6);
        w.put(closed_gop ? 1 : 0, 1);
        w.put(0, 1); // broken_link
        return append(w);
    }
    // picture_coding_type 1 (I), 2 (P) or 3 (B).
    StreamBuilder& picture_header(int temporal_reference, int picture_coding_type,
                                  std::uint16_t vbv_delay = 0xFFFF) {
        BitWriter w;
        w.put(0x00000100, 32);
        w.put(static_cast<std::uint32_t>(temporal_reference), 10);
        w.put(static_cast<std::uint32_t>(picture_coding_type), 3);
        w.put(vbv_delay, 16);
        if (picture_coding_type == 2 || picture_coding_type == 3) {
            w.put(0, 1); // full_pel_forward_vector
            w.put(7, 3); // forward_f_code
        }
        if (picture_coding_type == 3) {
            w.put(0, 1); // full_pel_backward_vector
            w.put(7, 3); // backward_f_code
        }
        w.put(0, 1); // extra_bit_picture
        return append(w);
    }
    // A slice start code and `size` bytes of coded data that hold 00 and 01 bytes but never
    // a start code prefix.
    StreamBuilder& slice(std::size_t size, std::uint8_t slice_vertical_position = 1) {
        start_code(slice_vertical_position);
        constexpr std::uint8_t pattern[] = {0x00, 0x01, 0x55, 0x12, 0x00, 0xB3, 0x01, 0xFE};
        for (std::size_t i = 0; i < size; ++i) {
            bytes_.push_back(pattern[i % sizeof pattern]);
        }
        return *this;
    }
    StreamBuilder& sequence_end() { return start_code(0xB7); }
    // A frame picture of the test streams: header, coding extension, two slices.
    StreamBuilder& picture(int temporal_reference, int picture_coding_type) {
        picture_header(temporal_reference, picture_coding_type);
        picture_coding_extension(0, 3);
        return slice(40, 1).slice(40, 2);
    }
    StreamBuilder& append(const std::vector<std::uint8_t>& bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    StreamBuilder& picture_coding_extension(int intra_dc_precision, int picture_structure) {
        BitWriter w;
        w.put(0x000001B5, 32);
        w.put(8, 4); // extension_start_code_identifier
        for (int i = 0; i < 4; ++i) {
            w.put(15, 4); // f_code[s][t]
        }
        w.put(static_cast<std::uint32_t>(intra_dc_precision), 2);
        w.put(static_cast<std::uint32_t>(picture_structure), 2);
        w.put(0, 8); // top_field_first .. q_scale_type etc., kept simple
        w.put(0, 8);
        return append(w);
    }
    StreamBuilder& picture_coding_extension(const PictureCoding& c) {
        BitWriter w;
        w.put(0x000001B5, 32);
        w.put(8, 4); // extension_start_code_identifier
        for (int i = 0; i < 4; ++i) {
            w.put(15, 4); // f_code[s][t]
        }
        w.put(0, 2); // intra_dc_precision
        w.put(static_cast<std::uint32_t>(c.picture_structure), 2);
        w.put(c.top_field_first ? 1 : 0, 1);
        w.put(0, 5); // frame_pred_frame_dct .. alternate_scan
        w.put(c.repeat_first_field ? 1 : 0, 1);
        w.put(0, 1); // chroma_420_type
        w.put(c.progressive_frame ? 1 : 0, 1);
        w.put(0, 1); // composite_display_flag
        return append(w);
    }
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    StreamBuilder& append(const BitWriter& w) {
        bytes_.insert(bytes_.end(), w.bytes().begin(), w.bytes().end());
        return *this;
    }
    std::vector<std::uint8_t> bytes_;
};

inline ScanMatrix scan_matrix_of(std::uint8_t value) {
    ScanMatrix m{};
    m.fill(value);
    return m;
}

// --- multiplexing an elementary stream --------------------------------------------------

// A multiplexed stream and, for each byte of the elementary stream, its file offset.
struct Multiplexed {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint64_t> offsets;
};

struct ProgramStreamLayout {
    // Elementary stream positions where a PES packet ends and the next begins; packets
    // are also cut every `max_payload` bytes.
    std::vector<std::size_t> cuts;
    std::size_t max_payload = 2000;
    bool mpeg1 = false; // the MPEG-1 forms of the pack and PES headers
    std::uint8_t stream_id = 0xE0;
    // Before each video packet: an audio packet, a private stream 1 packet and a padding
    // packet, each holding a sequence header's bytes that must not be read as video.
    bool other_streams = true;
    bool program_end_code = true;
};

inline Multiplexed program_stream(const std::vector<std::uint8_t>& es,
                                  const ProgramStreamLayout& layout = {}) {
    Multiplexed m;
    m.offsets.resize(es.size());
    auto& out = m.bytes;
    const auto put = [&out](std::initializer_list<std::uint8_t> bytes) {
        out.insert(out.end(), bytes);
    };
    const auto pes = [&](std::uint8_t id, const std::vector<std::uint8_t>& payload) {
        const std::size_t header = layout.mpeg1 ? 5 + 1 : 3 + 5; // PTS (+ a stuffing byte)
        const std::size_t length = header + payload.size();
        put({0x00, 0x00, 0x01, id, static_cast<std::uint8_t>(length >> 8),
             static_cast<std::uint8_t>(length)});
        if (layout.mpeg1) {
            put({0xFF, 0x21, 0x00, 0x01, 0x00, 0x01}); // stuffing_byte, PTS
        } else {
            put({0x81, 0x80, 0x05, 0x21, 0x00, 0x01, 0x00, 0x01}); // flags, PTS
        }
        out.insert(out.end(), payload.begin(), payload.end());
    };
    std::set<std::size_t> cuts(layout.cuts.begin(), layout.cuts.end());
    std::size_t position = 0;
    while (position < es.size()) {
        std::size_t end = std::min(es.size(), position + layout.max_payload);
        const auto next_cut = cuts.upper_bound(position);
        if (next_cut != cuts.end() && *next_cut < end) {
            end = *next_cut;
        }
        if (layout.mpeg1) {
            put({0x00, 0x00, 0x01, 0xBA, 0x21, 0x00, 0x01, 0x00, 0x01, 0x80, 0x00, 0x01});
        } else {
            put({0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01, 0x01, 0x89, 0xC3, 0xF9,
                 0xFF}); // one stuffing byte
        }
        if (layout.other_streams) {
            const std::vector<std::uint8_t> decoy = {0x00, 0x00, 0x01, 0xB3, 0x01, 0x00,
                                                     0x10, 0x13, 0xFF, 0xFF, 0xE0, 0x18};
            pes(0xC0, decoy);
            pes(0xBD, decoy);
            put({0x00, 0x00, 0x01, 0xBE, 0x00, 0x0C}); // padding_stream
            out.insert(out.end(), decoy.begin(), decoy.end());
        }
        const std::vector<std::uint8_t> payload(es.begin() + static_cast<std::ptrdiff_t>(position),
                                                es.begin() + static_cast<std::ptrdiff_t>(end));
        pes(layout.stream_id, payload);
        for (std::size_t i = position; i < end; ++i) {
            m.offsets[i] = out.size() - (end - i);
        }
        position = end;
    }
    if (layout.program_end_code) {
        put({0x00, 0x00, 0x01, 0xB9});
    }
    return m;
}

// A program of a multiplex besides the video's: the stream types its map lists (on PIDs
// 0x300, 0x301, ..., none carrying packets).
struct OtherProgram {
    std::vector<std::uint8_t> stream_types;
    bool map_sent = true; // false: listed by the PAT, its map absent from the capture
};

struct TransportStreamLayout {
    // Elementary stream positions where a transport packet's payload ends early (an
    // adaptation field of stuffing fills the packet).
    std::vector<std::size_t> cuts;
    // Elementary stream positions where a PES packet begins.
    std::vector<std::size_t> pes_starts = {0};
    bool m2ts = false; // 192-byte packets: a 4-byte time stamp before each
    std::uint16_t video_pid = 0x100;
    std::uint8_t stream_type = 0x02;
    // The PMT lists an audio stream (PID 0x101) before the video, and a second video
    // stream (PID 0x102) after it.
    bool other_streams = true;
    // Video packets left out, by their number (the continuity counter goes on).
    std::vector<std::size_t> lost_packets;
    // Packets of another stream (PID 0x200, no PES packet) before everything else, as in a
    // multiplex whose video starts late.
    std::size_t leading_packets = 0;
    // Video packets sent before the PAT and the PMT, as in a capture that starts anywhere.
    std::size_t video_packets_before_tables = 0;
    // No PAT and no PMT at all, as a capture of the video's PID alone has it.
    bool no_tables = false;
    // Video packets marked scrambled (transport_scrambling_control 2), by their number.
    std::vector<std::size_t> scrambled_packets;
    // Programs the PAT lists before and after the video's, their maps sent before its.
    std::vector<OtherProgram> programs_before;
    std::vector<OtherProgram> programs_after;
};

inline Multiplexed transport_stream(const std::vector<std::uint8_t>& es,
                                    const TransportStreamLayout& layout = {}) {
    Multiplexed m;
    m.offsets.resize(es.size());
    auto& out = m.bytes;
    // header: 4 bytes; adaptation stuffing fills the payload up to 184 bytes.
    const auto packet = [&](std::uint16_t pid, bool unit_start, int counter,
                            const std::vector<std::uint8_t>& payload) {
        if (layout.m2ts) {
            out.insert(out.end(), {0x00, 0x00, 0x00, 0x00});
        }
        const std::size_t stuffing = 184 - payload.size();
        out.push_back(0x47);
        out.push_back(static_cast<std::uint8_t>((unit_start ? 0x40 : 0x00) | (pid >> 8)));
        out.push_back(static_cast<std::uint8_t>(pid));
        out.push_back(static_cast<std::uint8_t>((stuffing > 0 ? 0x30 : 0x10) | (counter & 0x0F)));
        if (stuffing > 0) {
            out.push_back(static_cast<std::uint8_t>(stuffing - 1)); // adaptation_field_length
            if (stuffing > 1) {
                out.push_back(0x00); // flags
                out.insert(out.end(), stuffing - 2, 0xFF);
            }
        }
        out.insert(out.end(), payload.begin(), payload.end());
    };
    const auto section = [](std::vector<std::uint8_t> body) {
        // pointer_field, then the section; CRC_32 left 0: it is not checked.
        std::vector<std::uint8_t> s(1 + body.size() + 4, 0x00);
        std::copy(body.begin(), body.end(), s.begin() + 1);
        const std::size_t length = s.size() - 4; // from after section_length
        s[2] = static_cast<std::uint8_t>(0xB0 | (length >> 8));
        s[3] = static_cast<std::uint8_t>(length);
        return s;
    };
    for (std::size_t i = 0; i < layout.leading_packets; ++i) {
        packet(0x0200, false, static_cast<int>(i), std::vector<std::uint8_t>(184, 0xFF));
    }
    const auto tables = [&] {
        if (layout.no_tables) {
            return;
        }
        // PAT: program N on PMT PID 0x1000 + N - 1, the video's after programs_before.
        const std::size_t video_program = layout.programs_before.size() + 1;
        const std::size_t programs = video_program + layout.programs_after.size();
        std::vector<std::uint8_t> pat = {0x00, 0xB0, 0x00, 0x00, 0x01, 0xC1, 0x00, 0x00};
        for (std::size_t n = 1; n <= programs; ++n) {
            pat.insert(pat.end(), {0x00, static_cast<std::uint8_t>(n),
                                   static_cast<std::uint8_t>(0xF0 | ((0x1000 + n - 1) >> 8)),
                                   static_cast<std::uint8_t>(0x1000 + n - 1)});
        }
        packet(0x0000, true, 0, section(pat));
        const auto map_of = [&](std::size_t n, std::vector<std::uint8_t> streams) {
            std::vector<std::uint8_t> pmt = {0x02, 0xB0, 0x00, 0x00, static_cast<std::uint8_t>(n),
                                             0xC1, 0x00, 0x00, 0xE1, 0x00,
                                             0xF0, 0x00};
            pmt.insert(pmt.end(), streams.begin(), streams.end());
            packet(static_cast<std::uint16_t>(0x1000 + n - 1), true, 0, section(pmt));
        };
        for (std::size_t i = 0; i < programs - 1; ++i) {
            const std::size_t n = i < video_program - 1 ? i + 1 : i + 2;
            const OtherProgram& other = i < video_program - 1
                                            ? layout.programs_before[i]
                                            : layout.programs_after[i - (video_program - 1)];
            std::vector<std::uint8_t> streams;
            for (std::size_t k = 0; k < other.stream_types.size(); ++k) {
                streams.insert(streams.end(), {other.stream_types[k], 0xE3,
                                               static_cast<std::uint8_t>(k), 0xF0, 0x00});
            }
            if (other.map_sent) {
                map_of(n, streams);
            }
        }
        std::vector<std::uint8_t> pmt;
        if (layout.other_streams) {
            pmt.insert(pmt.end(), {0x03, 0xE1, 0x01, 0xF0, 0x00});
        }
        pmt.insert(pmt.end(),
                   {layout.stream_type, static_cast<std::uint8_t>(0xE0 | (layout.video_pid >> 8)),
                    static_cast<std::uint8_t>(layout.video_pid), 0xF0, 0x00});
        if (layout.other_streams) {
            pmt.insert(pmt.end(), {0x02, 0xE1, 0x02, 0xF0, 0x00});
        }
        map_of(video_program, pmt);
    };
    if (layout.video_packets_before_tables == 0) {
        tables();
    }

    std::set<std::size_t> cuts(layout.cuts.begin(), layout.cuts.end());
    const std::set<std::size_t> starts(layout.pes_starts.begin(), layout.pes_starts.end());
    cuts.insert(starts.begin(), starts.end());
    const std::set<std::size_t> lost(layout.lost_packets.begin(), layout.lost_packets.end());
    std::size_t position = 0;
    int counter = 0;
    std::size_t number = 0;
    while (position < es.size()) {
        std::vector<std::uint8_t> payload;
        const bool unit_start = starts.contains(position);
        if (unit_start) {
            payload = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80,
                       0x80, 0x05, 0x21, 0x00, 0x01, 0x00, 0x01};
        }
        std::size_t end = std::min(es.size(), position + 184 - payload.size());
        const auto next_cut = cuts.upper_bound(position);
        if (next_cut != cuts.end() && *next_cut < end) {
            end = *next_cut;
        }
        payload.insert(payload.end(), es.begin() + static_cast<std::ptrdiff_t>(position),
                       es.begin() + static_cast<std::ptrdiff_t>(end));
        if (!lost.contains(number)) {
            packet(layout.video_pid, unit_start, counter, payload);
            if (std::find(layout.scrambled_packets.begin(), layout.scrambled_packets.end(),
                          number) != layout.scrambled_packets.end()) {
                out[out.size() - 188 + 3] |= 0x80;
            }
            for (std::size_t i = position; i < end; ++i) {
                m.offsets[i] = out.size() - (end - i);
            }
            if (layout.other_streams) {
                // An audio packet whose payload looks like video.
                packet(0x0101, true, counter,
                       std::vector<std::uint8_t>{0x00, 0x00, 0x01, 0xC0, 0x00, 0x00, 0x80, 0x80,
                                                 0x00, 0x00, 0x00, 0x01, 0xB3, 0x00});
            }
        }
        counter = (counter + 1) & 0x0F;
        ++number;
        position = end;
        if (number == layout.video_packets_before_tables) {
            tables();
        }
    }
    if (number < layout.video_packets_before_tables) {
        tables(); // after every video packet
    }
    return m;
}

// 1, 2, ..., 64 in stream order.
inline ScanMatrix counting_scan_matrix() {
    ScanMatrix m{};
    for (int i = 0; i < 64; ++i) {
        m[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i + 1);
    }
    return m;
}

} // namespace quantaline::test
