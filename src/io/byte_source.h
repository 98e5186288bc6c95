#pragma once

// The one source of a file's bytes every reader reads through: a file read through io's
// reader, or bytes in memory, both as random access.

#include "io/file_reader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quantaline {

// A source of bytes read at any offset: the container readers read their structures from
// it, and the MPEG demultiplexers front to back, a buffer at a time.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // The bytes [offset, offset + count) cut at the end of the source; nothing when a read
    // failed.
    virtual std::optional<std::vector<std::uint8_t>> read(std::uint64_t offset,
                                                          std::size_t count) = 0;
    // The same into `data`, which holds `count` bytes: how many were read.
    virtual std::optional<std::size_t> read_into(std::uint64_t offset, std::uint8_t* data,
                                                 std::size_t count);
};

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::optional<std::vector<std::uint8_t>> read(std::uint64_t offset, std::size_t count) override;

  private:
    std::span<const std::uint8_t> bytes_;
};

// A file through the program's one reader; `sequential` when it is read front to back
// whole. Its size is the one it had when opened; a read goes on to the end of what the
// file holds then.
class FileSource final : public ByteSource {
  public:
    explicit FileSource(const std::string& path,
                        FileReader::Access access = FileReader::Access::once);
    bool is_open() const { return reader_.is_open(); }
    std::uint64_t size() const override { return size_; }
    std::optional<std::vector<std::uint8_t>> read(std::uint64_t offset, std::size_t count) override;
    // Straight into `data`: a whole-stream walk copies its bytes once.
    std::optional<std::size_t> read_into(std::uint64_t offset, std::uint8_t* data,
                                         std::size_t count) override;

  private:
    FileReader reader_;
    std::uint64_t size_ = 0;
};

} // namespace quantaline
