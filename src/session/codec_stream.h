#pragma once

// What the desktop shows of the whole-stream read of an MPEG-4 Part 2, H.264 or HEVC
// video: the strip's texts, the summary and the table of its sets of lists. Texts only;
// the windows lay them out.

#include "analysis/codec_scan.h"
#include "check/timeline.h"
#include "session/whole_stream.h"

#include <string>
#include <vector>

namespace quantaline {

// "Flux complet : 1 234 images, 2 jeux de listes"; the change when there is more than
// one set; the scan's messages.
StreamReadTexts codec_stream_read_texts(const CodecScan& result, bool cancelled);

// Type, pictures, parameter sets, changes, the scan's messages.
std::vector<SummaryLine> codec_stream_summary(const CodecScan& result);
// What the pictures' records sum to: the pictures by type, the groups of pictures, the
// duration and bit rates, the slice QP by type; a capture's pictures before its first
// parameter sets.
std::vector<SummaryLine> codec_picture_lines(const CodecScan& result);

// The pictures as "Flux complet"'s graph draws them: each one's type (an S-VOP as P), its
// structure, bytes, set of lists and slice QP in a record of its own, the changes of
// lists at their pictures.
mpeg::ScanResult codec_graph_stream(const CodecScan& result);
// Their decoding times, seconds and groups of pictures; empty when the stream gives no
// times.
check::Timeline codec_timeline(const CodecScan& result);

// One row of the sets' table.
struct ListSetRow {
    std::string number;        // from 1
    std::string first_picture; // from 0
    std::string pictures;
    std::string origin; // the sets its first picture is coded with: "SPS 0, PPS 1"

    bool operator==(const ListSetRow&) const = default;
};
std::vector<ListSetRow> list_set_rows(const CodecScan& result);

// Set `index`'s lists as an analysis of their own, for the lists' pairs and colours.
CodecAnalysis list_set_analysis(const CodecScan& result, std::size_t index);

} // namespace quantaline
