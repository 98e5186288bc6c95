#include "io/byte_source.h"

#include "io/file_system.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace quantaline {

std::optional<std::vector<std::uint8_t>> MemorySource::read(std::uint64_t offset,
                                                            std::size_t count) {
    if (offset >= bytes_.size()) {
        return std::vector<std::uint8_t>{};
    }
    const auto from = static_cast<std::size_t>(offset);
    const std::size_t size = std::min(count, bytes_.size() - from);
    return std::vector<std::uint8_t>(bytes_.begin() + static_cast<std::ptrdiff_t>(from),
                                     bytes_.begin() + static_cast<std::ptrdiff_t>(from + size));
}

FileSource::FileSource(const std::string& path, FileReader::Access access) : reader_(path, access) {
    if (reader_.is_open()) {
        std::error_code error;
        const auto size = std::filesystem::file_size(path_from_utf8(path), error);
        size_ = error ? 0 : size;
    }
}

std::optional<std::size_t> ByteSource::read_into(std::uint64_t offset, std::uint8_t* data,
                                                 std::size_t count) {
    const auto bytes = read(offset, count);
    if (!bytes) {
        return std::nullopt;
    }
    if (!bytes->empty()) {
        std::memcpy(data, bytes->data(), bytes->size());
    }
    return bytes->size();
}

std::optional<std::size_t> FileSource::read_into(std::uint64_t offset, std::uint8_t* data,
                                                 std::size_t count) {
    if (!reader_.seek(offset)) {
        return std::nullopt;
    }
    std::size_t have = 0;
    while (have < count) {
        const auto got = reader_.read(data + have, count - have);
        if (!got) {
            return std::nullopt;
        }
        if (*got == 0) {
            break; // the end of the file: what was read is all there is
        }
        have += *got;
    }
    return have;
}

std::optional<std::vector<std::uint8_t>> FileSource::read(std::uint64_t offset, std::size_t count) {
    if (offset >= size_) {
        return std::vector<std::uint8_t>{};
    }
    std::vector<std::uint8_t> bytes(
        static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset)));
    const auto have = read_into(offset, bytes.data(), bytes.size());
    if (!have) {
        return std::nullopt;
    }
    bytes.resize(*have);
    return bytes;
}

} // namespace quantaline
