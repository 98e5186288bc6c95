#include "commands.h"

#include <filesystem>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
// shellapi.h builds on the types windows.h declares.
#include <shellapi.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace quantaline::cli {

std::string executable_path() {
#ifdef _WIN32
    wchar_t buffer[MAX_PATH * 4];
    const DWORD size = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    const auto text = std::filesystem::path(std::wstring(buffer, size)).u8string();
    return std::string(text.begin(), text.end());
#else
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
#endif
}

bool open_with_desktop(const std::string& path) {
#ifdef _WIN32
    const std::u8string text(path.begin(), path.end());
    const auto wide = std::filesystem::path(text).wstring();
    return reinterpret_cast<INT_PTR>(
               ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_HIDE)) > 32;
#else
#ifdef __APPLE__
    const char* opener = "open";
#else
    const char* opener = "xdg-open";
#endif
    char* const argv[] = {const_cast<char*>(opener), const_cast<char*>(path.c_str()), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, opener, nullptr, nullptr, argv, environ) != 0) {
        return false;
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

} // namespace quantaline::cli
