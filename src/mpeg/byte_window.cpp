#include "mpeg/byte_window.h"

#include <algorithm>
#include <cstring>

namespace quantaline::mpeg {

ByteWindow::ByteWindow(ByteSource& source, const ScanControl& control, std::size_t capacity,
                       std::uint64_t start)
    : source_(&source), control_(&control),
      buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(capacity)), bytes_(buffer_.get()),
      capacity_(capacity), base_(start) {}

ByteWindow::ByteWindow(std::span<const std::uint8_t> bytes)
    : bytes_(bytes.data()), capacity_(bytes.size()), end_(bytes.size()), at_end_(true) {}

std::size_t ByteWindow::refill(std::size_t count) {
    if (at_end_) {
        return end_ - begin_;
    }
    // Keep the unread bytes, moved to the front; fill the rest.
    const std::size_t kept = end_ - begin_;
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, kept);
        base_ += begin_;
        begin_ = 0;
        end_ = kept;
    }
    while (end_ < count) {
        if (control_->stop != nullptr && control_->stop->load(std::memory_order_relaxed)) {
            stopped_ = true;
            at_end_ = true;
            break;
        }
        const auto got = source_->read(buffer_.get() + end_, capacity_ - end_);
        if (!got) {
            failed_ = true;
            at_end_ = true;
            break;
        }
        if (*got == 0) {
            at_end_ = true;
            break;
        }
        end_ += *got;
        if (control_->progress) {
            control_->progress(base_ + end_);
        }
    }
    return end_ - begin_;
}

std::uint64_t ByteWindow::skip(std::uint64_t count) {
    std::uint64_t skipped = 0;
    while (skipped < count) {
        const std::size_t have = ensure(1);
        if (have == 0) {
            break;
        }
        const std::size_t step =
            static_cast<std::size_t>(std::min<std::uint64_t>(have, count - skipped));
        consume(step);
        skipped += step;
    }
    return skipped;
}

} // namespace quantaline::mpeg
