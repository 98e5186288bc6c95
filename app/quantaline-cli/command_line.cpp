#include "command_line.h"

#ifdef _WIN32
#include <cstdlib>
// shellapi.h needs the types of windows.h.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#endif

namespace quantaline::cli {

#ifdef _WIN32

namespace {

std::string to_utf8(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back(); // the terminating NUL
    return utf8;
}

} // namespace

Arguments command_line(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return Arguments(argv, argv + argc);
    }
    Arguments arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(to_utf8(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

namespace {

// The console belongs to the shell that started us too: its code page is put back at exit.
UINT previous_code_page = 0;

void restore_code_page() {
    SetConsoleOutputCP(previous_code_page);
}

} // namespace

void prepare_console() {
    previous_code_page = GetConsoleOutputCP();
    if (previous_code_page == 0 || previous_code_page == CP_UTF8) {
        return; // no console, or already UTF-8
    }
    if (SetConsoleOutputCP(CP_UTF8)) {
        std::atexit(restore_code_page);
    }
}

#else

Arguments command_line(int argc, char** argv) {
    return Arguments(argv, argv + argc);
}

void prepare_console() {}

#endif

} // namespace quantaline::cli
