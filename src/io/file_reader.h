#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <system_error>

namespace quantaline {

// The one way the program reads a file: regular files only, front to back. Opening never
// blocks on a FIFO or a device (they are not opened at all), a read interrupted by a
// signal is taken up again, and on Windows the UTF-8 path is handed over in UTF-16.
class FileReader {
  public:
    enum class Access { once, sequential };
    // `sequential` tells the system that the whole file will be read front to back.
    explicit FileReader(const std::string& path, Access access = Access::once);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool is_open() const;
    // Why the file is not open, as the system tells it (a folder is "is a directory").
    std::error_code open_error() const { return open_error_; }
    // Up to `size` bytes; 0 at the end of the file; nothing when the read failed.
    std::optional<std::size_t> read(std::uint8_t* data, std::size_t size);
    // The next read begins at `offset`; false when the system refused.
    bool seek(std::uint64_t offset);

  private:
    std::error_code open_error_;
#ifdef _WIN32
    void* file_; // the HANDLE
#else
    int fd_ = -1;
#endif
};

// What one read of a file's first bytes gave.
struct PrefixRead {
    // False when the file could not be opened, or is not a regular file: nothing was read.
    bool opened = false;
    // The bytes read into the buffer, from offset 0.
    std::size_t size = 0;
    // A read failed at offset `size`: the bytes before it are good, nothing after it was
    // read. False when the reading stopped at the end of the file or of the buffer.
    bool failed = false;
    // Why the file could not be opened, when it could not.
    std::error_code open_error;

    bool operator==(const PrefixRead&) const = default;
};

// Reads the first bytes of a regular file into `buffer` (at most its size), keeping what
// was read before a failing read. Never blocks on FIFOs or devices: they are not opened.
PrefixRead read_file_prefix(const std::string& path, std::span<std::uint8_t> buffer);

// The reader the analysis goes through: read_file_prefix, or a test's own.
using PrefixReader =
    std::function<PrefixRead(const std::string& path, std::span<std::uint8_t> buffer)>;

} // namespace quantaline
