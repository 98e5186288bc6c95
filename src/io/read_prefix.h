#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace quantaline {

// What one read of a file's first bytes gave.
struct PrefixRead {
    // False when the file could not be opened, or is not a regular file: nothing was read.
    bool opened = false;
    // The bytes read into the buffer, from offset 0.
    std::size_t size = 0;
    // A read failed at offset `size`: the bytes before it are good, nothing after it was
    // read. False when the reading stopped at the end of the file or of the buffer.
    bool failed = false;

    bool operator==(const PrefixRead&) const = default;
};

// Reads the first bytes of a regular file into `buffer` (at most its size), keeping what
// was read before a failing read. Never blocks on FIFOs or devices: they are not opened.
PrefixRead read_file_prefix(const std::string& path, std::span<std::uint8_t> buffer);

// The reader the analysis goes through: read_file_prefix, or a test's own.
using PrefixReader =
    std::function<PrefixRead(const std::string& path, std::span<std::uint8_t> buffer)>;

} // namespace quantaline
