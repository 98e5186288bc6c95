#include "analysis/codec_scan.h"

#include "h264/syntax.h"
#include "hevc/syntax.h"
#include "io/text.h"
#include "mpeg/rbsp.h"

#include <array>
#include <map>
#include <optional>

namespace quantaline {

namespace {

using container::Codec;
using container::ConfigurationError;
using container::ConfigurationUnit;
using container::UnitKind;
using mpeg::rbsp_after;

struct StoredSet {
    std::vector<std::uint8_t> bytes;
    std::optional<std::uint64_t> offset;
    std::uint64_t arrived = 0; // the count of pictures before it
};

// The sets a picture is coded with, as the slice header tells them.
struct PictureSets {
    bool first_of_picture = false;
    int pps = -1; // -1: none (MPEG-4 Part 2 has one header in force)
};

// A PPS's key: its id and 0x100 more; none for an id no PPS may have (H.264's go to 255,
// HEVC's to 63), which no slice refers to.
std::optional<int> pps_key(std::span<const std::uint8_t> rbsp) {
    const std::uint32_t id = mpeg::picture_set_ids(rbsp).pps;
    return id <= 255 ? std::optional<int>(0x100 + static_cast<int>(id)) : std::nullopt;
}

// The id a parameter set is stored under: its own id, and 0x100 more for a PPS.
std::optional<int> parameter_set_key(Codec codec, std::span<const std::uint8_t> unit) {
    if (codec == Codec::h264) {
        const int type = h264::nal_type_of(unit[0]);
        const auto rbsp = rbsp_after(unit, 1);
        if (type == h264::nal_type::seq_parameter_set) {
            return h264::seq_parameter_set_rbsp(rbsp).fields.seq_parameter_set_id;
        }
        return pps_key(rbsp);
    }
    const int type = hevc::nal_type_of(unit[0]);
    const auto rbsp = rbsp_after(unit, hevc::nal_unit_header_size);
    if (type == hevc::nal_type::sps) {
        return hevc::seq_parameter_set_rbsp(rbsp).fields.sps_seq_parameter_set_id;
    }
    if (type == hevc::nal_type::pps) {
        return pps_key(rbsp);
    }
    return std::nullopt; // a video parameter set holds no list
}

// The SPS a stored PPS refers to: -1, no key, for an id no SPS may have (H.264's go to 31,
// HEVC's to 15), which would otherwise name a PPS's key.
int referred_sps(Codec codec, std::span<const std::uint8_t> pps) {
    const std::size_t header = codec == Codec::h264 ? 1 : hevc::nal_unit_header_size;
    const std::uint32_t id = mpeg::picture_set_ids(rbsp_after(pps, header)).sps;
    return id < 0x100 ? static_cast<int>(id) : -1;
}

PictureSets picture_sets(Codec codec, std::span<const std::uint8_t> head) {
    if (codec == Codec::mpeg4) {
        return {true, -1};
    }
    if (codec == Codec::h264) {
        const auto slice = h264::slice_header_start(rbsp_after(head, 1));
        return {slice.fields.first_mb_in_slice == 0, slice.fields.pic_parameter_set_id};
    }
    if (head.size() < hevc::nal_unit_header_size) {
        return {};
    }
    const auto type = hevc::nal_type_of(head[0]);
    const auto slice =
        hevc::slice_segment_header_start(rbsp_after(head, hevc::nal_unit_header_size), type);
    return {slice.fields.first_slice_segment_in_pic_flag, slice.fields.slice_pic_parameter_set_id};
}

// An HEVC unit of a layer above the base one (nuh_layer_id > 0): its sets and pictures are
// the enhancement layer's, whose ids are not the base layer's.
bool above_base_layer(Codec codec, std::span<const std::uint8_t> unit) {
    return codec == Codec::hevc && unit.size() >= hevc::nal_unit_header_size &&
           hevc::nal_layer_of(unit[0], unit[1]) != 0;
}

bool same_lists(const std::vector<CodecList>& a, const std::vector<CodecList>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].key != b[i].key || a[i].values != b[i].values || a[i].dc != b[i].dc) {
            return false;
        }
    }
    return true;
}

class ListWalk final : public container::UnitSink {
  public:
    explicit ListWalk(const CodecScanControl& control) : control_(control) {}

    void configuration(Codec codec, std::span<const ConfigurationUnit> units) override {
        for (const ConfigurationUnit& unit : units) {
            if (!above_base_layer(codec, unit.bytes)) {
                parameter_set(codec, unit.bytes, unit.offset);
                pictures_.parameter_set(codec, unit.bytes);
            }
        }
    }
    void sample(const container::WalkedSample& sample) override { pictures_.sample(sample); }
    void unit(Codec codec, const container::WalkedUnit& walked) override {
        const UnitKind kind = walked.kind;
        const auto bytes = walked.bytes;
        const auto offset = walked.offset;
        last_offset_ = offset.value_or(last_offset_);
        if (above_base_layer(codec, bytes)) {
            return;
        }
        // The progress at each MiB passed.
        if (control_.progress && last_offset_ >= next_progress_) {
            control_.progress(last_offset_);
            next_progress_ = last_offset_ + (std::uint64_t{1} << 20);
        }
        if (kind == UnitKind::parameter_set) {
            parameter_set(codec, bytes, offset);
        } else if (kind == UnitKind::picture) {
            picture(codec, bytes, offset);
        }
        pictures_.unit(codec, walked, current_set_ ? *current_set_ + 1 : 0);
    }
    // The pictures' records and sums into the result, the last picture ending where the
    // video does.
    void finish_pictures(std::uint64_t walked_bytes) {
        pictures_.finish(walked_bytes);
        result.picture_records = std::move(pictures_.pictures);
        result.summary = std::move(pictures_.summary);
    }
    bool cancelled() const override {
        return control_.stop != nullptr && control_.stop->load(std::memory_order_relaxed);
    }

    CodecScan result;
    std::uint64_t last_offset() const { return last_offset_; }

  private:
    void parameter_set(Codec codec, std::span<const std::uint8_t> bytes,
                       std::optional<std::uint64_t> offset);
    void picture(Codec codec, std::span<const std::uint8_t> head,
                 std::optional<std::uint64_t> offset);
    std::optional<std::vector<CodecList>> lists_for(Codec codec, int pps, std::string& origin,
                                                    std::optional<std::uint64_t>& brought);

    const CodecScanControl& control_;
    CodecPictureReader pictures_;
    std::uint64_t next_progress_ = 0;
    std::map<int, StoredSet> sets_; // H.264, HEVC: by parameter_set_key; MPEG-4: key 0
    std::uint64_t generation_ = 0;  // counts the stored sets that changed
    std::uint64_t resolved_generation_ = ~std::uint64_t{0};
    int resolved_pps_ = -2;
    std::optional<std::size_t> current_set_;
    std::uint64_t last_offset_ = 0;
    bool resolve_failed_ = false;
};

void ListWalk::parameter_set(Codec codec, std::span<const std::uint8_t> bytes,
                             std::optional<std::uint64_t> offset) {
    if (bytes.empty()) {
        return;
    }
    ++result.parameter_sets;
    const auto key =
        codec == Codec::mpeg4 ? std::optional<int>(0) : parameter_set_key(codec, bytes);
    if (!key) {
        return;
    }
    StoredSet& stored = sets_[*key];
    if (stored.bytes.size() == bytes.size() &&
        std::equal(bytes.begin(), bytes.end(), stored.bytes.begin())) {
        return; // repeated as it was: nothing changes, the first place stays
    }
    stored = {{bytes.begin(), bytes.end()}, offset, result.pictures};
    ++generation_;
}

// The lists a picture coded with `pps` takes, and where the sets that brought them lie when
// one came since the picture before.
std::optional<std::vector<CodecList>> ListWalk::lists_for(Codec codec, int pps, std::string& origin,
                                                          std::optional<std::uint64_t>& brought) {
    container::VideoConfiguration configuration;
    configuration.codec = codec;
    const auto take = [&](const StoredSet& set) {
        configuration.units.push_back({set.bytes, set.offset});
        if (set.arrived == result.pictures && set.offset) {
            brought = brought ? std::max(*brought, *set.offset) : *set.offset;
        }
    };
    if (codec == Codec::mpeg4) {
        const auto header = sets_.find(0);
        if (header == sets_.end()) {
            return std::nullopt;
        }
        take(header->second);
        origin = "VOL";
    } else {
        const auto p = sets_.find(0x100 + pps);
        if (p == sets_.end()) {
            return std::nullopt;
        }
        const int sps = referred_sps(codec, p->second.bytes);
        const auto s = sets_.find(sps);
        if (s == sets_.end()) {
            return std::nullopt;
        }
        take(s->second);
        take(p->second);
        origin = "SPS " + std::to_string(sps) + ", PPS " + std::to_string(pps);
    }
    CodecAnalysis analysis = analyse_codec(configuration);
    // MPEG-4 Part 2 with H.263 quantisation resolves to no list: a set all the same.
    if (!analysis.ok()) {
        if (!resolve_failed_) {
            result.messages.insert(result.messages.end(), analysis.messages.begin(),
                                   analysis.messages.end());
        }
        resolve_failed_ = true;
        return std::nullopt;
    }
    return std::move(analysis.lists);
}

void ListWalk::picture(Codec codec, std::span<const std::uint8_t> head,
                       std::optional<std::uint64_t> offset) {
    const PictureSets sets = picture_sets(codec, head);
    if (!sets.first_of_picture) {
        return; // a later slice of the same picture
    }
    if (sets.pps != resolved_pps_ || generation_ != resolved_generation_) {
        resolved_pps_ = sets.pps;
        resolved_generation_ = generation_;
        std::string origin;
        std::optional<std::uint64_t> brought;
        auto lists = lists_for(codec, sets.pps, origin, brought);
        std::optional<std::size_t> set;
        if (lists) {
            for (std::size_t i = 0; i < result.sets.size() && !set; ++i) {
                if (same_lists(result.sets[i].lists, *lists)) {
                    set = i;
                }
            }
            if (!set) {
                set = result.sets.size();
                result.sets.push_back({std::move(*lists), result.pictures, 0});
            }
            if (set != current_set_) {
                result.changes.push_back(
                    {brought.value_or(offset.value_or(0)), result.pictures, origin, *set});
            }
        }
        current_set_ = set;
    }
    if (current_set_) {
        ++result.sets[*current_set_].pictures;
    } else {
        ++result.pictures_without_lists;
    }
    ++result.pictures;
}

CodecScan finish(ListWalk& walk, const container::VideoConfiguration& configuration) {
    walk.finish_pictures(configuration.walked_bytes);
    CodecScan result = std::move(walk.result);
    result.container = configuration.container;
    result.codec = configuration.codec;
    result.packet_size = configuration.packet_size;
    const ConfigurationError error = configuration.error;
    if (walk.cancelled()) {
        result.messages.push_back(Message{MessageId::scan_interrupted,
                                          {literal_text(std::to_string(walk.last_offset()))}});
    } else if (error == ConfigurationError::cannot_open) {
        result.messages.push_back(Message{MessageId::scan_unreadable});
    } else if (error != ConfigurationError::none && result.pictures > 0) {
        result.messages.push_back(
            Message{MessageId::codec_scan_stopped, {piece(configuration_reason(error))}});
    } else if (error != ConfigurationError::none || result.parameter_sets == 0) {
        const CodecAnalysis analysis = analyse_codec(configuration);
        result.messages.insert(result.messages.begin(), analysis.messages.begin(),
                               analysis.messages.end());
    }
    return result;
}

} // namespace

CodecScan scan_codec_file(const std::string& path, const CodecScanControl& control) {
    ListWalk walk(control);
    const auto configuration = container::walk_video_stream(path, walk);
    return finish(walk, configuration);
}

CodecScan scan_codec_bytes(std::span<const std::uint8_t> bytes) {
    const CodecScanControl none;
    ListWalk walk(none);
    const auto configuration = container::walk_video_stream(bytes, walk);
    return finish(walk, configuration);
}

} // namespace quantaline
