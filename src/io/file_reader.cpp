#include "io/file_reader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>

namespace quantaline {

#ifdef _WIN32

FileReader::FileReader(const std::string& path, Access access) : file_(INVALID_HANDLE_VALUE) {
    const int wide_size = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (wide_size <= 0) {
        return;
    }
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), wide_size);
    file_ = CreateFileW(
        wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        access == Access::sequential ? FILE_FLAG_SEQUENTIAL_SCAN : FILE_ATTRIBUTE_NORMAL, nullptr);
    // Only disk files: a pipe, a console or a device is unreadable, never waited on.
    if (file_ != INVALID_HANDLE_VALUE && GetFileType(file_) != FILE_TYPE_DISK) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
}

FileReader::~FileReader() {
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
    }
}

bool FileReader::is_open() const {
    return file_ != INVALID_HANDLE_VALUE;
}

std::optional<std::size_t> FileReader::read(std::uint8_t* data, std::size_t size) {
    DWORD got = 0;
    if (!ReadFile(file_, data, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &got,
                  nullptr)) {
        return std::nullopt;
    }
    return got;
}

#else

FileReader::FileReader(const std::string& path, Access access) {
    // O_NONBLOCK so that opening a FIFO with no writer cannot hang; only regular files are
    // read at all.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat status {};
    if (fd_ >= 0 && (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(fd_);
        fd_ = -1;
    }
#ifdef POSIX_FADV_SEQUENTIAL
    if (fd_ >= 0 && access == Access::sequential) {
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
#else
    (void)access;
#endif
}

FileReader::~FileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool FileReader::is_open() const {
    return fd_ >= 0;
}

std::optional<std::size_t> FileReader::read(std::uint8_t* data, std::size_t size) {
    while (true) {
        const ssize_t got = ::read(fd_, data, size);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            return std::nullopt;
        }
    }
}

#endif

PrefixRead read_file_prefix(const std::string& path, std::span<std::uint8_t> buffer) {
    PrefixRead read;
    FileReader file(path);
    if (!file.is_open()) {
        return read;
    }
    read.opened = true;
    while (read.size < buffer.size()) {
        const auto got = file.read(buffer.data() + read.size, buffer.size() - read.size);
        if (!got) {
            // A bad sector: what came before it is kept.
            read.failed = true;
            break;
        }
        if (*got == 0) {
            break;
        }
        read.size += *got;
    }
    return read;
}

} // namespace quantaline
