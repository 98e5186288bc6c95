#pragma once

// The pictures of an MPEG-4 Part 2, H.264 or HEVC video, one record each in decoding order,
// read from the units a walk over the whole stream hands on: each picture's type, its
// structure, its picture order count, its bytes as stored, its times and the quantiser its
// slice headers give; and the groups of pictures they make.

#include "container/video_configuration.h"
#include "mpeg/hdr.h"
#include "mpeg/hrd.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace quantaline {

enum class CodecPictureStructure : std::uint8_t { frame, top_field, bottom_field };

struct CodecPicture {
    std::uint64_t offset = 0; // the access unit's first byte in the file (its sample's)
    std::uint64_t bytes = 0;  // the access unit as stored, parameter sets and SEI included
    char type = 'I';          // I, P, B; MPEG-4's S-VOP S
    // H.264 and HEVC: the nal_unit_type of its first slice; MPEG-4 Part 2: none.
    std::uint8_t nal_type = 0;
    CodecPictureStructure structure = CodecPictureStructure::frame;
    bool mbaff = false;
    bool reference = true;
    bool coded = true;          // MPEG-4 Part 2: vop_coded
    bool random_access = false; // begins a group of pictures
    bool open_gop = false;      // ... whose leading pictures refer to pictures before it
    std::optional<std::int32_t> poc;
    std::optional<double> decode_time; // seconds from the first picture's decoding
    std::optional<double> presentation_time;
    // The slice QP, averaged over the picture's slices weighted by the macroblocks or CTUs
    // each covers, in hundredths; none when no slice header could be read that far.
    std::optional<std::uint32_t> qp_average_hundredths;
    std::uint8_t qp_min = 0;
    std::uint8_t qp_max = 0;
    std::size_t list_set = 0; // 1-based set of lists in force, 0 when none is known
    std::uint32_t ticks = 0;  // its display duration in clock ticks, 0 unknown
    // What the hypothetical reference decoder's buffer receives of it: for the NAL HRD its
    // access unit as a byte stream (each length field taken for the start code it stands
    // for), for the VCL HRD its coded slices and filler data alone.
    std::uint64_t nal_bytes = 0;
    std::uint64_t vcl_bytes = 0;
    // pic_timing's delays, in clock ticks (HEVC's AuCpbRemovalDelayVal).
    std::optional<std::uint32_t> cpb_removal_delay;
    std::optional<std::uint32_t> dpb_output_delay;
    std::uint32_t buffering_period = 0; // 1-based in the summary's, 0: none begins here
    std::uint32_t sequence = 0;         // 1-based in the summary's, 0: unknown
    std::uint16_t slices = 0;
    bool mixed_slice_types = false;
    bool delimited = false; // its access unit begins with a delimiter
};

// One schedule of the hypothetical reference decoder's buffer.
struct CodecHrdSchedule {
    std::uint64_t bit_rate = 0; // bits per second
    std::uint64_t cpb_size = 0; // bits
    bool cbr = false;
    bool operator==(const CodecHrdSchedule&) const = default;
};

// What an H.264 or HEVC sequence parameter set in force says of the buffer and of the
// stream's format, for the checks.
struct CodecSequence {
    double tick = 0; // t_c, seconds; 0 without timing information
    std::vector<CodecHrdSchedule> nal;
    std::vector<CodecHrdSchedule> vcl;
    bool low_delay = false;
    bool fixed_frame_rate = false;
    std::uint32_t width = 0; // cropped
    std::uint32_t height = 0;
    // H.264 alone from here.
    std::uint8_t profile_idc = 0;
    std::uint8_t level_idc = 0;
    bool constraint_set3 = false;
    bool frame_mbs_only = true;
    bool mbaff = false;
    std::optional<std::uint8_t> aspect_ratio_idc;
    bool pic_struct_present = false;
    std::uint32_t max_num_ref_frames = 0;
    std::optional<std::uint8_t> max_dec_frame_buffering;
    std::optional<std::uint8_t> chroma_loc_top;
    std::optional<std::uint8_t> chroma_loc_bottom;
    std::uint32_t time_scale = 0;
    std::uint32_t num_units_in_tick = 0;
    bool operator==(const CodecSequence&) const = default;
};

struct CodecGop {
    std::uint64_t first_picture = 0;
    std::uint64_t pictures = 0;
    bool closed = true;
};

// The HDR metadata the SEI give from a picture on, where it first differs from the
// metadata before it.
struct CodecHdrChange {
    std::uint64_t picture = 0;
    std::uint64_t offset = 0;
    mpeg::HdrMetadata hdr;
};

// What the whole stream's pictures sum to.
struct CodecPictureSummary {
    // Pictures before the first parameter sets they can be read with (a capture that
    // starts mid-stream): counted, not recorded.
    std::uint64_t before_parameter_sets = 0;
    std::uint64_t i = 0;
    std::uint64_t p = 0;
    std::uint64_t b = 0;
    std::uint64_t s = 0;
    std::vector<CodecGop> gops;
    std::optional<double> duration;         // seconds, when the pictures' times are known
    std::optional<double> average_bit_rate; // bits per second
    std::optional<double> highest_bit_rate; // over one second of decoding time
    // The clock the times come from: "container" (MP4's and Matroska's timestamps), "vui"
    // (the VUI's ticks and picture timing SEI), "vop" (MPEG-4's VOP times) or none.
    const char* clock = nullptr;
    std::vector<CodecHdrChange> hdr_changes;
    std::vector<mpeg::BufferingPeriod> buffering_periods;
    std::vector<CodecSequence> sequences;
};

// Fed by the walk, unit by unit; `list_set` is the set of lists the walk found in force
// for the unit when it begins a picture.
class CodecPictureReader {
  public:
    CodecPictureReader();
    ~CodecPictureReader();
    CodecPictureReader(const CodecPictureReader&) = delete;
    CodecPictureReader& operator=(const CodecPictureReader&) = delete;

    void parameter_set(container::Codec codec, std::span<const std::uint8_t> unit);
    void unit(container::Codec codec, const container::WalkedUnit& unit, std::size_t list_set);
    void sample(const container::WalkedSample& sample);
    // The walk ended after `walked_bytes` of the video: the last picture's end, the times.
    void finish(std::uint64_t walked_bytes);

    std::vector<CodecPicture> pictures;
    CodecPictureSummary summary;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace quantaline
