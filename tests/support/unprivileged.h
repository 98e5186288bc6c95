#pragma once

#include <functional>
#include <optional>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quantaline::test {

#ifdef _WIN32
// Windows has no root that writes through permissions, nor a fork to drop them in, and its
// folders have no write bit to take away: the caller skips.
inline std::optional<bool> run_unprivileged(const std::function<bool()>&) {
    return std::nullopt;
}
#else
// Runs `check` in a child process once `prepare` has changed that child's world (dropped
// its privileges, mounted a file system of its own, ...). The check's answer, or nothing
// when `prepare` could not be done here.
inline std::optional<bool> run_in_child(const std::function<bool()>& prepare,
                                        const std::function<bool()>& check) {
    constexpr int cannot_prepare = 3;
    const pid_t child = ::fork();
    if (child < 0) {
        return std::nullopt;
    }
    if (child == 0) {
        if (!prepare()) {
            ::_exit(cannot_prepare);
        }
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == cannot_prepare) {
        return std::nullopt;
    }
    return WEXITSTATUS(status) == 0;
}

// `check` as an ordinary user (root drops to "nobody" first), for the failures that root
// never meets: read-only folders, files it may not read.
inline std::optional<bool> run_unprivileged(const std::function<bool()>& check) {
    return run_in_child(
        [] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                return false;
            }
            return ::geteuid() != 0;
        },
        check);
}
#endif

} // namespace quantaline::test
