#include "io/file_reader.h"

#include "io/file_system.h"

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

namespace {

// The portable reason of a failed CreateFileW: a folder is refused as "access denied".
std::error_code windows_open_error(const std::wstring& path, DWORD error) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
        return std::make_error_code(std::errc::permission_denied);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return std::make_error_code(std::errc::device_or_resource_busy);
    default:
        return {static_cast<int>(error), std::system_category()};
    }
}

} // namespace

FileReader::FileReader(const std::string& path, Access access) : file_(INVALID_HANDLE_VALUE) {
    const int wide_size = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (wide_size <= 0) {
        open_error_ = std::make_error_code(std::errc::invalid_argument);
        return;
    }
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), wide_size);
    file_ = CreateFileW(
        wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        access == Access::sequential ? FILE_FLAG_SEQUENTIAL_SCAN : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
        open_error_ = windows_open_error(wide, GetLastError());
    }
    // Only disk files: a pipe, a console or a device is unreadable, never waited on.
    if (file_ != INVALID_HANDLE_VALUE && GetFileType(file_) != FILE_TYPE_DISK) {
        open_error_ = not_a_regular_file_error();
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

bool FileReader::seek(std::uint64_t offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file_, distance, nullptr, FILE_BEGIN) != 0;
}

#else

FileReader::FileReader(const std::string& path, Access access) {
    // O_NONBLOCK so that opening a FIFO with no writer cannot hang; only regular files are
    // read at all.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) {
        open_error_ = std::error_code(errno, std::generic_category());
    }
    struct stat status {};
    if (fd_ >= 0 && (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode))) {
        open_error_ = S_ISDIR(status.st_mode) ? std::make_error_code(std::errc::is_a_directory)
                                              : not_a_regular_file_error();
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

bool FileReader::seek(std::uint64_t offset) {
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

#endif

PrefixRead read_file_prefix(const std::string& path, std::span<std::uint8_t> buffer) {
    PrefixRead read;
    FileReader file(path);
    if (!file.is_open()) {
        read.open_error = file.open_error();
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
