#include "analysis/analysis.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quantaline {

#ifdef _WIN32

std::optional<std::size_t> read_file_prefix_into(const std::string& path,
                                                 std::span<std::uint8_t> buffer) {
    const int wide_size = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (wide_size <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), wide_size);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    // Only disk files: a pipe, a console or a device is unreadable, never waited on.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return std::nullopt;
    }
    std::size_t total = 0;
    while (total < buffer.size()) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.data() + total, static_cast<DWORD>(buffer.size() - total), &got,
                      nullptr)) {
            CloseHandle(file);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    CloseHandle(file);
    return total;
}

#else

std::optional<std::size_t> read_file_prefix_into(const std::string& path,
                                                 std::span<std::uint8_t> buffer) {
    // O_NONBLOCK so that opening a FIFO with no writer cannot hang; only regular
    // files are read at all.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::size_t total = 0;
    while (total < buffer.size()) {
        const ssize_t got = ::read(fd, buffer.data() + total, buffer.size() - total);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return total;
}

#endif

std::optional<std::vector<std::uint8_t>> read_file_prefix(const std::string& path,
                                                          std::size_t max_bytes) {
    std::vector<std::uint8_t> bytes(max_bytes);
    const auto total = read_file_prefix_into(path, bytes);
    if (!total) {
        return std::nullopt;
    }
    bytes.resize(*total);
    return bytes;
}

} // namespace quantaline
