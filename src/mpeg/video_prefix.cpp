#include "mpeg/video_prefix.h"

#include "mpeg/start_code.h"

#include <algorithm>
#include <cstring>

namespace quantaline::mpeg {

namespace {

// How much more video a search asks the demultiplexer for at a time: a DVD's headers lie
// in its first video packet, and a search that runs on is not slowed by small steps.
constexpr std::size_t pull_step = std::size_t{16} * 1024;

template <class Run> std::vector<Run>& thread_runs() {
    thread_local std::vector<Run> runs;
    return runs;
}

} // namespace

VideoPrefix::VideoPrefix(std::span<const std::uint8_t> file, DataEnd end, const Layout& layout)
    : file_(file), end_(end), layout_(layout), complete_(layout.container == Container::elementary),
      runs_(thread_runs<Run>()), window_(file) {
    runs_.clear();
    if (layout_.container == Container::elementary) {
        // The file is the video.
        feed(file.data(), file.size(), 0);
    } else if (layout_.container == Container::transport) {
        window_.consume(layout_.first_packet);
        transport_.emplace(static_cast<VideoPayloadSink&>(*this), scan_, report_);
    }
}

VideoPrefix::~VideoPrefix() = default;

void VideoPrefix::feed(const std::uint8_t*, std::size_t size, std::uint64_t file_offset) {
    if (size == 0) {
        return;
    }
    if (!runs_.empty() && runs_.back().offset + runs_.back().size == file_offset) {
        runs_.back().size += size;
    } else {
        runs_.push_back({size_, file_offset, size});
    }
    size_ += size;
}

void VideoPrefix::pull(std::size_t count) {
    if (complete_ || size_ >= count) {
        return;
    }
    wanted_ = count;
    if (layout_.container == Container::transport) {
        demux_transport(window_, *transport_, report_, layout_.packet_size, layout_.sync_offset);
        // The tables are waited for as far as the longest read reaches.
        if (size_ < count && end_ != DataEnd::buffer_full) {
            transport_->finish();
        }
    } else if (reads_samples(layout_.container)) {
        if (layout_.samples) {
            demux_samples(window_, *this, *layout_.samples, report_);
        }
    } else {
        demux_program(window_, *this, scan_, report_, LooseBytes::video);
    }
    if (size_ < count) {
        complete_ = true;
    }
}

std::size_t VideoPrefix::run_of(std::size_t position) const {
    const auto run = std::upper_bound(runs_.begin(), runs_.end(), position,
                                      [](std::size_t p, const Run& r) { return p < r.position; });
    return static_cast<std::size_t>(run - runs_.begin()) - 1;
}

std::uint64_t VideoPrefix::file_offset(std::size_t position) const {
    const Run& run = runs_[run_of(position)];
    return run.offset + (position - run.position);
}

std::optional<std::uint8_t> VideoPrefix::byte_at(std::size_t position) {
    pull(position + 1);
    if (position >= size_) {
        return std::nullopt;
    }
    return file_[static_cast<std::size_t>(file_offset(position))];
}

std::optional<std::size_t> VideoPrefix::first_position_past(std::uint64_t offset) const {
    // File offsets grow with video positions: the first run that reaches past the offset.
    const auto run = std::partition_point(
        runs_.begin(), runs_.end(), [&](const Run& r) { return r.offset + r.size <= offset + 1; });
    if (run == runs_.end()) {
        return std::nullopt;
    }
    return run->offset > offset
               ? run->position
               : run->position + static_cast<std::size_t>(offset + 1 - run->offset);
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
            return size_;
        }
        pull(size_ + pull_step);
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
    if (position >= size_) {
        return {};
    }
    count = std::min(count, size_ - position);
    const std::size_t first = run_of(position);
    const Run& run = runs_[first];
    const std::size_t within = position - run.position;
    const std::uint8_t* start = file_.data() + run.offset + within;
    if (within + count <= run.size) {
        return {start, count};
    }
    // Cut across stretches: put together.
    count = std::min(count, joined_.size());
    std::size_t done = 0;
    for (std::size_t i = first; done < count; ++i) {
        const Run& r = runs_[i];
        const std::size_t skip = i == first ? within : 0;
        const std::size_t step = std::min(count - done, r.size - skip);
        std::memcpy(joined_.data() + done, file_.data() + r.offset + skip, step);
        done += step;
    }
    return {joined_.data(), count};
}

void VideoPrefix::used_up_to(std::size_t end) {
    pull(end);
    if (size_ < end) {
        ran_short();
    }
}

bool VideoPrefix::read_on(std::uint64_t last_offset) {
    if (complete_) {
        // The video read ends within the window. Start codes that begin in it were looked
        // at before; more of the file could hold one only if the data ends before the
        // window does.
        if (file_.size() <= last_offset) {
            ran_short();
        }
        return false;
    }
    pull(size_ + pull_step);
    return true;
}

std::optional<VideoPrefix::StartCode> VideoPrefix::find(std::uint8_t code, std::size_t from,
                                                        std::uint64_t last_offset) {
    pull(from + 4);
    std::size_t i = from < size_ ? run_of(from) : runs_.size();
    while (true) {
        if (i == runs_.size()) {
            if (!read_on(last_offset)) {
                return std::nullopt;
            }
            continue;
        }
        const Run run = runs_[i];
        if (run.offset > last_offset) {
            return std::nullopt;
        }
        const std::size_t run_end = run.position + run.size;
        const std::size_t start = std::max(from, run.position);
        // The last position of this stretch within the window.
        const std::size_t last = std::min(
            run_end - 1, run.position + static_cast<std::size_t>(last_offset - run.offset));
        const std::uint8_t* base = file_.data() + run.offset - run.position;
        // Start codes that lie whole in the stretch.
        if (run.size >= 4 && start + 3 < run_end) {
            const std::size_t end = std::min(last, run_end - 4) + 4;
            const std::size_t q =
                find_start_code(base, start, end, [code](std::uint8_t c) { return c == code; });
            if (q < end) {
                return StartCode{q, run.offset + (q - run.position)};
            }
        }
        // Those that run on into the next stretches, or past the end of the data.
        for (std::size_t p = std::max(start, run_end >= 3 ? run_end - 3 : 0); p <= last; ++p) {
            // A window that reaches past the end of the data needed the bytes there,
            // whatever the bytes before them.
            const auto b3 = byte_at(p + 3);
            if (!b3) {
                ran_short();
                return std::nullopt;
            }
            if (base[p] == 0x00 && byte_at(p + 1) == 0x00 && byte_at(p + 2) == 0x01 &&
                *b3 == code) {
                return StartCode{p, run.offset + (p - run.position)};
            }
        }
        if (last < run_end - 1) {
            return std::nullopt; // the window ends inside this stretch
        }
        if (runs_[i].size != run.size) {
            // Reading on past its end made the stretch longer (loose bytes right after a
            // packet's payload): the search goes on in what was added.
            from = run_end;
            continue;
        }
        ++i;
    }
}

} // namespace quantaline::mpeg
