#include "io/read_prefix.h"

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

PrefixRead read_file_prefix(const std::string& path, std::span<std::uint8_t> buffer) {
    PrefixRead read;
    const int wide_size = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (wide_size <= 0) {
        return read;
    }
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), wide_size);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return read;
    }
    // Only disk files: a pipe, a console or a device is unreadable, never waited on.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return read;
    }
    read.opened = true;
    while (read.size < buffer.size()) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.data() + read.size,
                      static_cast<DWORD>(buffer.size() - read.size), &got, nullptr)) {
            read.failed = true;
            break;
        }
        if (got == 0) {
            break;
        }
        read.size += got;
    }
    CloseHandle(file);
    return read;
}

#else

PrefixRead read_file_prefix(const std::string& path, std::span<std::uint8_t> buffer) {
    PrefixRead read;
    // O_NONBLOCK so that opening a FIFO with no writer cannot hang; only regular
    // files are read at all.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return read;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return read;
    }
    read.opened = true;
    while (read.size < buffer.size()) {
        const ssize_t got = ::read(fd, buffer.data() + read.size, buffer.size() - read.size);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            // A bad sector: what came before it is kept.
            read.failed = true;
            break;
        }
        if (got == 0) {
            break;
        }
        read.size += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return read;
}

#endif

} // namespace quantaline
