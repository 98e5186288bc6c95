#pragma once

// Does the encode hold? A stream's picture records against the decoder's buffer, the
// cadence and a disc's rules: the findings, one per rule and place.

#include "check/buffer_model.h"
#include "check/cadence.h"
#include "check/profiles.h"
#include "check/rules.h"
#include "mpeg/scan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quantaline::check {

// What was found or allowed: nothing, a number, or a text ("1920x1080").
using Value = std::variant<std::monostate, double, std::string>;

// What a finding's values are codes of, so that its texts give their meaning
// ("1:1 (pixels carrés)" rather than 1). The JSON keeps the codes.
enum class Meaning : std::uint8_t {
    none,          // a number or a text of its own
    resolution,    // "720x576"
    frame_rate,    // frame_rate_code
    aspect_ratio,  // MPEG-2's aspect_ratio_information
    chroma_format, // chroma_format
    profile_level, // profile_and_level_indication
};

struct Finding {
    Rule rule = Rule::vbv_underflow;
    std::optional<std::uint64_t> gop;      // 0-based, in stream order
    std::optional<std::uint64_t> picture;  // the first picture, in stream order
    std::optional<std::uint64_t> pictures; // how many
    std::optional<std::uint64_t> offset;   // file offset of the picture or sequence header
    Value found;
    Value limit;
    Meaning meaning = Meaning::none;
    // The values the profile admits there, as codes (or sizes); empty where the rule has a
    // limit rather than a list.
    std::vector<Value> allowed;
};

struct BufferSummary {
    std::uint64_t underflow_pictures = 0;
    std::uint64_t overflow_pictures = 0;
    std::optional<std::uint64_t> first_underflow;
    std::optional<std::uint64_t> first_overflow;
    // The least of a picture's occupancy less its chunk's bits, and where, among the
    // pictures decoded before the stream's last bit entered.
    std::optional<double> least_margin;
    std::optional<std::uint64_t> least_margin_picture;
};

struct CheckResult {
    const Profile* profile = nullptr;
    bool profile_chosen_automatically = false;
    std::vector<Finding> findings; // by picture, those of no picture first
    BufferModel buffer;
    BufferSummary summary;
    Cadence cadence;
};

// `profile_name` is one of profiles()' names or "auto"; an unknown name checks as `none`.
CheckResult check_stream(const mpeg::ScanResult& result, std::string_view profile_name);

// The names --profile takes: "auto" and each profile's.
bool is_profile_name(std::string_view name);

} // namespace quantaline::check
