#include "io/atomic_file.h"

#include "io/file_system.h"

#include <cerrno>
#include <cstdint>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quantaline {

namespace {

namespace fs = std::filesystem;

std::error_code last_error() {
    return {errno, std::generic_category()};
}

struct TempFile {
    fs::path path;
    std::FILE* file = nullptr;
};

// A new file beside `target`, opened exclusively so that two writers never share one.
TempFile create_temp_beside(const fs::path& target, std::error_code& error) {
    std::random_device random;
    const char* digits = "0123456789abcdef";
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string suffix;
        for (std::uint32_t value = random(), i = 0; i < 8; ++i, value >>= 4) {
            suffix += digits[value & 15u];
        }
        fs::path candidate = target;
        candidate.replace_filename("." + target.filename().string() + "." + suffix + ".tmp");
        errno = 0;
        if (std::FILE* file = open_file(candidate, "wbx")) {
            return {candidate, file};
        }
        error = last_error();
        if (error != std::errc::file_exists) {
            return {};
        }
    }
    return {};
}

// Why the existing file may not be written, or nothing. Only the right to write counts:
// a file the user may write but not read (mode 0200) is written.
std::error_code write_permission_error(const fs::path& target) {
#ifdef _WIN32
    // Windows has no write-only files; opening for update tells the read-only attribute
    // and the access rights alike.
    errno = 0;
    std::FILE* probe = open_file(target, "r+b");
    if (probe != nullptr) {
        std::fclose(probe);
        return {};
    }
    return last_error();
#else
    // The effective user's rights, as an open would check them; nothing is opened, so a
    // FIFO cannot block and the file's times do not change.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0) {
        return {};
    }
    return last_error();
#endif
}

bool flush_to_disk(std::FILE* file) {
    if (std::fflush(file) != 0) {
        return false;
    }
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

// Through a symbolic link the file it points to is replaced, and the link stays.
std::error_code follow_symbolic_link(fs::path& target) {
    std::error_code error;
    if (fs::is_symlink(target, error)) {
        target = fs::weakly_canonical(target, error);
        return error;
    }
    return {};
}

// Why an existing file is refused rather than replaced, or nothing: one marked read-only,
// or that we may not write, since the rename would otherwise go through wherever the folder
// can be written.
std::error_code refusal_to_replace(const fs::path& target, const fs::file_status& existing) {
    if (!fs::exists(existing)) {
        return {};
    }
    constexpr auto write_bits =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((existing.permissions() & write_bits) == fs::perms::none) {
        return std::make_error_code(std::errc::permission_denied);
    }
    const std::error_code denied = write_permission_error(target);
    if (denied == std::errc::permission_denied || denied == std::errc::operation_not_permitted ||
        denied == std::errc::read_only_file_system) {
        return denied;
    }
    return {};
}

// Writes the bytes to the temporary file, flushes it to the disk and closes it: the cause
// of the step that failed (which may be no error code at all), or nothing. The file is
// left open for the caller to close when a step before the close failed.
std::optional<std::error_code> write_and_close(TempFile& temp, std::string_view bytes,
                                               std::optional<WriteStep> fail_at) {
    const auto io_error = std::make_error_code(std::errc::io_error);
    if (fail_at == WriteStep::create) {
        return io_error;
    }
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), temp.file) != bytes.size()) {
        return last_error();
    }
    if (fail_at == WriteStep::write) {
        return io_error;
    }
    errno = 0;
    if (!flush_to_disk(temp.file)) {
        return last_error();
    }
    const bool closed = std::fclose(temp.file) == 0;
    temp.file = nullptr;
    if (!closed) {
        return last_error();
    }
    if (fail_at == WriteStep::flush) {
        return io_error;
    }
    return std::nullopt;
}

} // namespace

std::optional<WriteError> write_file_atomically(const std::string& path, std::string_view bytes,
                                                std::optional<WriteStep> fail_at) {
    fs::path target = path_from_utf8(path);
    if (const std::error_code error = follow_symbolic_link(target)) {
        return WriteError{path, reason_text(error)};
    }
    std::error_code error;
    const fs::file_status existing = fs::status(target, error);
    if (const std::error_code refused = refusal_to_replace(target, existing)) {
        return WriteError{path, reason_text(refused)};
    }
    error.clear();
    TempFile temp = create_temp_beside(target, error);
    if (temp.file == nullptr) {
        return WriteError{path, reason_text(error)};
    }
    const auto abandon = [&](const std::error_code& cause) {
        if (temp.file != nullptr) {
            std::fclose(temp.file);
        }
        std::error_code ignored;
        fs::remove(temp.path, ignored);
        return WriteError{path, reason_text(cause)};
    };
    if (const std::optional<std::error_code> failure = write_and_close(temp, bytes, fail_at)) {
        return abandon(*failure);
    }
    // The new file keeps the access rights of the one it replaces.
    std::error_code ignored;
    if (fs::exists(existing)) {
        fs::permissions(temp.path, existing.permissions(), ignored);
    }
    if (fail_at == WriteStep::rename) {
        return abandon(std::make_error_code(std::errc::io_error));
    }
    fs::rename(temp.path, target, error);
    if (error) {
        return abandon(error);
    }
    return std::nullopt;
}

bool folder_is_writable(const std::string& folder) {
    std::error_code error;
    const TempFile probe = create_temp_beside(path_from_utf8(folder) / "quantaline", error);
    if (probe.file == nullptr) {
        return false;
    }
    std::fclose(probe.file);
    fs::remove(probe.path, error);
    return true;
}

} // namespace quantaline
