#pragma once

#include <functional>
#include <optional>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quantaline::test {

// Runs `check` in a child process as an ordinary user (root drops to "nobody" first),
// for the failures that root never meets: read-only folders, files it may not read.
// The check's answer, or nothing when the privileges could not be dropped.
#ifdef _WIN32
// Windows has no root that writes through permissions, nor a fork to drop them in, and its
// folders have no write bit to take away: the caller skips.
inline std::optional<bool> run_unprivileged(const std::function<bool()>&) {
    return std::nullopt;
}
#else
inline std::optional<bool> run_unprivileged(const std::function<bool()>& check) {
    constexpr int cannot_drop = 3;
    const pid_t child = ::fork();
    if (child < 0) {
        return std::nullopt;
    }
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(cannot_drop);
        }
        if (::geteuid() == 0) {
            ::_exit(cannot_drop);
        }
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == cannot_drop) {
        return std::nullopt;
    }
    return WEXITSTATUS(status) == 0;
}
#endif

} // namespace quantaline::test
