// The coded picture buffer's model over hand-made picture records: where the output times
// step otherwise than the pictures' durations under a fixed frame rate.

#include "analysis/codec_check.h"

#include <gtest/gtest.h>
#include <vector>

namespace quantaline {
namespace {

struct Stream {
    std::vector<CodecPicture> pictures;
    CodecPictureSummary summary;
};

// Ten frames at 25 fps (t_c 1/50) in decoding order = output order, 1 Mbit/s CBR, each
// removed `ticks` after the one before and output two ticks after its removal, but
// `late` output `late_by` ticks later.
Stream frames(const std::vector<std::uint32_t>& ticks, bool fixed, std::size_t late,
              std::uint32_t late_by) {
    Stream s;
    CodecSequence q;
    q.tick = 1.0 / 50;
    q.fixed_frame_rate = fixed;
    q.nal = {{1000000, 1000000, true}};
    s.summary.sequences = {q};
    s.summary.buffering_periods = {{{{45000, 0}}, {}, false, 1}};
    std::uint32_t removal = 0;
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        CodecPicture& p = s.pictures.emplace_back();
        p.sequence = 1;
        p.nal_bytes = 2000;
        p.ticks = ticks[k];
        p.buffering_period = k == 0 ? 1 : 0;
        p.random_access = k == 0;
        p.nal_type = k == 0 ? 5 : 1;
        p.cpb_removal_delay = removal;
        p.dpb_output_delay = 2 + (k == late ? late_by : 0);
        removal += ticks[k];
    }
    return s;
}

TEST(CodecCheck, OutputTimesStepByThePicturesDurationsUnderAFixedFrameRate) {
    struct Case {
        const char* name;
        Stream stream;
        std::vector<std::pair<std::uint64_t, double>> notes; // first picture, worst step
    };
    const std::vector<std::uint32_t> frames_only(10, 2);
    const std::vector<Case> cases = {
        {"steady", frames(frames_only, true, 99, 0), {}},
        // 3:2 pulldown: three fields, then two, each output as long as it is shown.
        {"pulldown", frames({3, 2, 3, 2, 3, 2, 3, 2, 3, 2}, true, 99, 0), {}},
        // One frame out a tick late: the step into it is 3 ticks, the one out of it 1.
        {"late", frames(frames_only, true, 4, 1), {{3, 3.0}}},
        {"late without a fixed rate", frames(frames_only, false, 4, 1), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const check::CodecCheckResult r = check::check_codec_pictures(
            container::Codec::h264, c.stream.pictures, c.stream.summary, "none", {});
        EXPECT_TRUE(r.findings.empty());
        std::vector<std::pair<std::uint64_t, double>> notes;
        for (const check::Finding& f : r.notes) {
            ASSERT_EQ(f.rule, check::Rule::output_interval);
            notes.emplace_back(f.picture.value_or(99), std::get<double>(f.found));
            EXPECT_EQ(f.pictures, std::optional<std::uint64_t>(2));
            EXPECT_EQ(std::get<double>(f.limit), 2.0);
        }
        EXPECT_EQ(notes, c.notes);
    }
}

} // namespace
} // namespace quantaline
