#include "command_line.h"

#include "io/text.h"

#include <cstdio>

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

std::optional<ParsedArguments> parse_arguments(const std::string& command,
                                               const Arguments& arguments,
                                               const std::set<std::string>& value_options,
                                               const std::set<std::string>& flag_options,
                                               bool one_file, int& status) {
    ParsedArguments parsed;
    // `COMMAND --help` answers before anything else is looked at, as scripts expect.
    for (const auto& argument : arguments) {
        if (argument == "--") {
            break;
        }
        if (argument == "--help" || argument == "-h") {
            print_command_usage(command);
            status = exit_ok;
            return std::nullopt;
        }
    }
    bool options_done = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!options_done && argument == "--") {
            options_done = true;
        } else if (!options_done && value_options.contains(argument)) {
            if (i + 1 == arguments.size()) {
                status = usage_error(argument + " needs a value");
                return std::nullopt;
            }
            parsed.values[argument] = arguments[++i];
        } else if (!options_done && flag_options.contains(argument)) {
            parsed.flags.insert(argument);
        } else if (!options_done && argument.size() > 1 && argument[0] == '-') {
            status = usage_error(
                std::string("unknown option for ").append(command).append(": ").append(argument));
            return std::nullopt;
        } else if (one_file && !parsed.files.empty()) {
            status = usage_error(command + " takes one FILE");
            return std::nullopt;
        } else {
            parsed.files.push_back(argument);
        }
    }
    if (parsed.files.empty()) {
        status = usage_error(command + (one_file ? " needs a FILE" : " needs at least one FILE"));
        return std::nullopt;
    }
    return parsed;
}

void print_messages(const std::string& file, const Messages& messages) {
    for (const auto& message : messages) {
        const ShownMessage worded = shown(message);
        std::fprintf(stderr, "%s: %s: %s\n", file.c_str(), worded.title.c_str(),
                     worded.text.c_str());
    }
}

int fail(const Message& message) {
    const ShownMessage worded = shown(message);
    std::fprintf(stderr, "%s: %s\n", worded.title.c_str(), worded.text.c_str());
    return exit_message;
}

} // namespace quantaline::cli
