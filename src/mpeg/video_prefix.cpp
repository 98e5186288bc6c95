#include "mpeg/video_prefix.h"

#include <algorithm>
#include <cstring>

namespace quantaline::mpeg {

namespace {

// How much more video a search asks the demultiplexer for at a time: a DVD's headers lie
// in its first video packet, and a search that runs on is not slowed by small steps.
constexpr std::size_t pull_step = 16 * 1024;

std::vector<std::uint8_t>& thread_video_buffer() {
    thread_local std::vector<std::uint8_t> buffer;
    return buffer;
}

template <class Run> std::vector<Run>& thread_runs() {
    thread_local std::vector<Run> runs;
    return runs;
}

} // namespace

bool begins_with_sequence_header(std::span<const std::uint8_t> start) {
    return start.size() >= 4 && start[0] == 0x00 && start[1] == 0x00 && start[2] == 0x01 &&
           start[3] == start_code::sequence_header;
}

Layout analysis_layout(std::span<const std::uint8_t> start) {
    Layout layout;
    // The fourth byte must be there to be "other than a pack start code".
    if (start.size() >= 4 && start[0] == 0x00 && start[1] == 0x00 && start[2] == 0x01 &&
        start[3] != start_code::pack) {
        layout.container = Container::elementary;
        return layout;
    }
    std::size_t packet_size = 188;
    std::size_t sync_offset = 0;
    const auto probe = start.first(std::min<std::size_t>(start.size(), 4 * 192 + 8));
    if (detect_container(probe, packet_size, sync_offset) == Container::transport &&
        start.size() >= sync_offset + packet_size) {
        layout.container = Container::transport;
        layout.packet_size = packet_size;
        layout.sync_offset = sync_offset;
        return layout;
    }
    layout.container = Container::program;
    return layout;
}

VideoPrefix::VideoPrefix(std::span<const std::uint8_t> file, DataEnd end, const Layout& layout)
    : file_(file), end_(end), layout_(layout), identity_(layout.container == Container::elementary),
      complete_(identity_), video_(thread_video_buffer()), runs_(thread_runs<Run>()),
      window_(file) {
    video_.clear();
    runs_.clear();
    if (layout_.container == Container::transport) {
        transport_.emplace(static_cast<VideoPayloadSink&>(*this), scan_, report_);
    }
}

VideoPrefix::~VideoPrefix() = default;

void VideoPrefix::feed(const std::uint8_t* data, std::size_t size, std::uint64_t file_offset) {
    if (size == 0) {
        return;
    }
    const std::size_t position = video_.size();
    if (runs_.empty() || runs_.back().offset + (position - runs_.back().position) != file_offset) {
        runs_.push_back({position, file_offset});
    }
    video_.insert(video_.end(), data, data + size);
}

void VideoPrefix::pull(std::size_t count) {
    if (complete_ || video_.size() >= count) {
        return;
    }
    wanted_ = count;
    if (layout_.container == Container::transport) {
        demux_transport(window_, *transport_, report_, layout_.packet_size, layout_.sync_offset);
    } else {
        demux_program(window_, *this, scan_, report_, LooseBytes::video);
    }
    if (video_.size() < count) {
        complete_ = true;
    }
}

std::uint64_t VideoPrefix::file_offset(std::size_t position) const {
    if (identity_) {
        return position;
    }
    // The last run that begins at or before the position.
    const auto run = std::upper_bound(runs_.begin(), runs_.end(), position,
                                      [](std::size_t p, const Run& r) { return p < r.position; });
    if (run == runs_.begin()) {
        return 0;
    }
    return std::prev(run)->offset + (position - std::prev(run)->position);
}

std::size_t VideoPrefix::position_at_or_after(std::uint64_t offset) {
    if (offset == 0) {
        return 0;
    }
    while (true) {
        if (const auto past = first_position_past(offset - 1)) {
            return *past;
        }
        if (complete_) {
            return size();
        }
        pull(video_.size() + pull_step);
    }
}

void VideoPrefix::ran_short() {
    if (end_ == DataEnd::read_failure) {
        needed_unread_ = true;
    } else if (end_ == DataEnd::buffer_full) {
        needs_more_ = true;
    }
}

std::span<const std::uint8_t> VideoPrefix::bytes(std::size_t position, std::size_t count) {
    pull(position + count);
    const std::size_t have = size() > position ? std::min(count, size() - position) : 0;
    return {data() + std::min(position, size()), have};
}

void VideoPrefix::used_up_to(std::size_t end) {
    pull(end);
    if (size() < end) {
        ran_short();
    }
}

std::optional<std::size_t> VideoPrefix::first_position_past(std::uint64_t offset) const {
    if (identity_) {
        return offset + 1 < file_.size() ? std::optional<std::size_t>(offset + 1) : std::nullopt;
    }
    // File offsets grow with video positions: the first run that reaches past the offset.
    const auto run = std::partition_point(runs_.begin(), runs_.end(), [&](const Run& r) {
        const std::size_t next = &r == &runs_.back() ? video_.size() : (&r + 1)->position;
        return r.offset + (next - r.position) <= offset + 1;
    });
    if (run == runs_.end()) {
        return std::nullopt;
    }
    return run->offset > offset
               ? run->position
               : run->position + static_cast<std::size_t>(offset + 1 - run->offset);
}

std::optional<VideoPrefix::StartCode> VideoPrefix::find(std::uint8_t code, std::size_t from,
                                                        std::uint64_t last_offset) {
    while (true) {
        const std::size_t size = this->size();
        const std::uint8_t* base = data();
        // The video positions whose file offset lies within the window are those below
        // `limit`; unbounded while the video read so far lies all within it.
        std::size_t limit = 0;
        bool unbounded = false;
        if (identity_) {
            limit = static_cast<std::size_t>(last_offset) + 1;
        } else if (const auto past = first_position_past(last_offset)) {
            limit = *past;
        } else {
            unbounded = true;
        }
        if (size >= 4 && (unbounded || from < limit)) {
            const std::size_t last_start = unbounded ? size - 4 : std::min(limit - 1, size - 4);
            // Look for the code byte first: in video and in sound alike it is far rarer
            // than the 01 of the prefix, so memchr runs long stretches.
            for (std::size_t p = from; p <= last_start;) {
                const void* hit = std::memchr(base + p + 3, code, last_start - p + 1);
                if (hit == nullptr) {
                    break;
                }
                const std::size_t q =
                    static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - base) - 3;
                if (base[q] == 0x00 && base[q + 1] == 0x00 && base[q + 2] == 0x01) {
                    return StartCode{q, file_offset(q)};
                }
                p = q + 1;
            }
        }
        // Not found. The window's last start codes need bytes past the video read so far
        // when the window reaches that far: read on, or, at the end of the data, tell.
        const bool window_reaches_end = unbounded || limit + 2 >= size;
        if ((!unbounded && from >= limit) || !window_reaches_end) {
            return std::nullopt;
        }
        if (complete_) {
            ran_short();
            return std::nullopt;
        }
        from = std::max(from, size >= 3 ? size - 3 : 0);
        pull(size + pull_step);
    }
}

} // namespace quantaline::mpeg
