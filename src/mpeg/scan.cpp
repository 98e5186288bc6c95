#include "mpeg/scan.h"

#include "io/file_reader.h"
#include "io/text.h"
#include "mpeg/byte_window.h"
#include "mpeg/demux.h"
#include "mpeg/matrix_tracker.h"
#include "mpeg/quantiser_pass.h"
#include "mpeg/video_units.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quantaline::mpeg {

namespace {

Text number(std::uint64_t value) {
    return literal_text(std::to_string(value));
}

} // namespace

const Message scan_no_video_message{MessageId::scan_no_video};
const Message scan_unreadable_message{MessageId::scan_unreadable};

Message scan_stopped_message(std::uint64_t offset, TextId where) {
    return Message{MessageId::scan_stopped, {number(offset), piece(where)}};
}

Message scan_read_error_message(std::uint64_t offset) {
    return Message{MessageId::scan_read_error, {number(offset)}};
}

Message scan_interrupted_message(std::uint64_t offset) {
    return Message{MessageId::scan_interrupted, {number(offset)}};
}

Message scan_damaged_structures_message(std::uint64_t count, const char* first_kind,
                                        std::uint64_t first_offset) {
    return Message{MessageId::scan_damaged_structures,
                   {number(count), literal_text(first_kind), number(first_offset)}};
}

Message scan_resync_message(std::uint64_t count, std::uint64_t first_offset,
                            std::uint64_t skipped_bytes) {
    return Message{MessageId::scan_resync,
                   {number(count), number(first_offset), number(skipped_bytes)}};
}

Message scan_continuity_message(std::uint64_t count, std::uint32_t pid) {
    return Message{MessageId::scan_continuity, {number(count), number(pid)}};
}

Message scan_dropped_before_tables_message(std::uint64_t count, std::uint64_t first_offset) {
    return Message{MessageId::scan_dropped_before_tables, {number(count), number(first_offset)}};
}

Message scan_read_without_tables_message(std::uint16_t pid) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", unsigned{pid});
    return Message{MessageId::scan_read_without_tables, {literal_text(text)}};
}

Message scan_scrambled_message(std::uint64_t count, std::uint64_t first_offset) {
    return Message{MessageId::scan_scrambled, {number(count), number(first_offset)}};
}

Message scan_forbidden_type_message(std::uint64_t count, std::uint64_t first_offset) {
    return Message{MessageId::scan_forbidden_type, {number(count), number(first_offset)}};
}

namespace {

// The container of the bytes a scan begins with, or the one the resumed read was told.
Layout scan_layout(ByteWindow& window, const ScanControl& control, DemuxReport& report) {
    if (control.resume) {
        return control.resume->layout;
    }
    if (control.layout) {
        return *control.layout;
    }
    const std::size_t probed = window.ensure(layout_probe_size);
    Layout layout = detect_layout(std::span<const std::uint8_t>(window.data(), probed));
    if (layout.container == Container::transport && layout.first_packet > 0) {
        // The end of a packet whose start the file does not hold.
        report.lost_sync(0, layout.first_packet);
        window.consume(layout.first_packet);
    }
    return layout;
}

void demux(ByteWindow& window, VideoPayloadSink& video, ScanResult& result, DemuxReport& report,
           const Layout& layout, const ScanControl& control) {
    switch (layout.container) {
    case Container::elementary:
        demux_elementary(window, video);
        break;
    case Container::program:
        demux_program(window, video, result, report);
        break;
    case Container::transport: {
        TransportDemux transport(video, result, report);
        if (control.resume) {
            transport.resume(static_cast<std::uint16_t>(control.resume->video_pid));
        }
        demux_transport(window, transport, report, layout.packet_size, layout.sync_offset);
        if (!window.failed() && !window.stopped() && !transport.paused()) {
            transport.finish();
        }
        break;
    }
    case Container::mp4:
    case Container::matroska:
    case Container::avi:
    case Container::mxf:
        if (layout.samples) {
            demux_samples(window, video, *layout.samples, report);
        }
        break;
    case Container::unknown:
        break; // nothing read here
    }
}

// What went wrong, in the order the messages are shown.
void report_scan(ScanResult& result, const DemuxReport& report, const ByteWindow& window,
                 bool recorded) {
    // The container's damage and the stream's absence are the header read's to tell.
    if (recorded) {
        if (window.failed()) {
            result.messages.push_back(scan_read_error_message(window.bytes_read()));
        } else if (window.stopped()) {
            result.messages.push_back(scan_interrupted_message(window.bytes_read()));
        }
        return;
    }
    if (report.resync_count > 0) {
        result.messages.push_back(scan_resync_message(
            report.resync_count, report.first_resync_offset, report.skipped_bytes));
    }
    if (report.read_without_tables) {
        result.messages.push_back(scan_read_without_tables_message(*report.read_without_tables));
    }
    if (report.dropped_before_tables > 0) {
        result.messages.push_back(scan_dropped_before_tables_message(report.dropped_before_tables,
                                                                     report.first_dropped_offset));
    }
    if (report.scrambled_packets > 0) {
        result.messages.push_back(
            scan_scrambled_message(report.scrambled_packets, report.first_scrambled_offset));
    }
    if (report.continuity_errors > 0) {
        result.messages.push_back(
            scan_continuity_message(report.continuity_errors, result.video.value_or(0)));
    }
    if (window.failed()) {
        result.messages.push_back(scan_read_error_message(window.bytes_read()));
    } else if (window.stopped()) {
        result.messages.push_back(scan_interrupted_message(window.bytes_read()));
    } else if (report.cut_inside) {
        result.messages.push_back(scan_stopped_message(report.cut_offset, *report.cut_inside));
    }
    if (result.sequence_headers == 0 && !window.failed() && !window.stopped()) {
        result.messages.push_back(scan_no_video_message);
    }
}

} // namespace

ScanResult scan_source(ByteSource& source, const ScanControl& control) {
    ScanResult result;
    ByteWindow window(source, control, scan_buffer_size,
                      control.resume ? control.resume->offset : 0);
    MatrixTracker tracker(result, control.picture_records);
    // The quantiser pass keeps each picture's bytes; without it the splitter passes over
    // slices and nothing larger than a header is ever kept. Over an earlier read's records,
    // no header is looked for at all.
    const bool recorded = control.quantiser && control.recorded != nullptr;
    const bool whole_pictures = control.quantiser || control.picture_bytes;
    std::optional<VideoUnitSplitter> splitter;
    std::optional<QuantiserPass> pass;
    std::optional<RecordedPass> recorded_pass;
    VideoPayloadSink* video = nullptr;
    if (recorded) {
        video = &recorded_pass.emplace(*control.recorded, result, control);
    } else if (whole_pictures) {
        video = &pass.emplace(tracker, result, control);
    } else {
        video = &splitter.emplace(tracker);
    }
    DemuxReport report;
    const Layout layout = scan_layout(window, control, report);
    result.container = layout.container;
    result.samples = layout.samples;
    demux(window, *video, result, report, layout, control);
    if (recorded_pass) {
        recorded_pass->finish();
    } else if (pass) {
        pass->finish();
    } else {
        splitter->finish();
        tracker.finish(splitter->position());
    }
    result.bytes_read = window.bytes_read();
    report_scan(result, report, window, recorded);
    return result;
}

ScanResult scan_bytes(std::span<const std::uint8_t> bytes, const ScanControl& control) {
    MemorySource source(bytes);
    return scan_source(source, control);
}

ScanResult scan_file(const std::string& path, const ScanControl& control) {
    FileSource source(path, FileReader::Access::sequential);
    if (!source.is_open()) {
        ScanResult result;
        result.messages.push_back(scan_unreadable_message);
        return result;
    }
    return scan_source(source, control);
}

} // namespace quantaline::mpeg
