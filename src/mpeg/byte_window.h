#pragma once

#include "mpeg/scan_control.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

namespace quantaline::mpeg {

// A view of the file through one fixed buffer: the demultiplexers ask for a few bytes
// ahead of their position, consume them, and never see a buffer boundary in a header.
class ByteWindow {
  public:
    // The window reads the source front to back from `start`.
    ByteWindow(ByteSource& source, const ScanControl& control, std::size_t capacity,
               std::uint64_t start = 0);
    // The window over bytes already in memory: nothing is copied.
    explicit ByteWindow(std::span<const std::uint8_t> bytes);

    // Makes at least `count` bytes (at most a quarter of the buffer) readable at data();
    // returns how many are, fewer only at the end of the file.
    std::size_t ensure(std::size_t count) {
        if (end_ - begin_ >= count) {
            return end_ - begin_;
        }
        return refill(count);
    }
    const std::uint8_t* data() const { return bytes_ + begin_; }
    std::size_t available() const { return end_ - begin_; }
    // At most what is readable: a wrong count cannot take the window past its bytes.
    void consume(std::size_t count) { begin_ += std::min(count, end_ - begin_); }
    // Consumes `count` bytes across reads; returns how many there were.
    std::uint64_t skip(std::uint64_t count);
    // File offset of data()[0].
    std::uint64_t offset() const { return base_ + begin_; }

    bool failed() const { return failed_; }
    bool stopped() const { return stopped_; }
    std::uint64_t bytes_read() const { return base_ + end_; }

  private:
    std::size_t refill(std::size_t count);

    ByteSource* source_ = nullptr;
    const ScanControl* control_ = nullptr;
    std::unique_ptr<std::uint8_t[]> storage_; // the buffer and room to align it
    std::uint8_t* buffer_ = nullptr;          // storage_'s first aligned byte
    const std::uint8_t* bytes_ = nullptr;     // buffer_, or the memory the window is over
    std::size_t capacity_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::uint64_t base_ = 0; // file offset of buffer_[0] (modulo 2^64: see refill())
    std::uint64_t next_ = 0; // where the next read from the source begins
    bool at_end_ = false;
    bool failed_ = false;
    bool stopped_ = false;
};

} // namespace quantaline::mpeg
