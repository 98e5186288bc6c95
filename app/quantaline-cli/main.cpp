#include "command_line.h"
#include "commands.h"
#include "shell/app_info.h"

#include <cstdio>
#include <cstring>

namespace quantaline::cli {

namespace {

constexpr const char* usage_text =
    "Usage: quantaline-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  info [--json] FILE...   show the stream parameters and quantiser matrices\n"
    "\n"
    "Options:\n"
    "  --help                  show this text\n"
    "  --version               show the version\n"
    "\n"
    "Exit status: 0 when every file was read without a message, 1 when any gave one,\n"
    "2 for a usage error.\n";

} // namespace

int usage_error(const std::string& problem) {
    std::fprintf(stderr, "quantaline-cli: %s\n\n%s", problem.c_str(), usage_text);
    return exit_usage;
}

} // namespace quantaline::cli

int main(int argc, char** argv) {
    using namespace quantaline::cli;
    prepare_console();
    const Arguments all = command_line(argc, argv);
    if (all.size() < 2) {
        return usage_error("no command given");
    }
    const std::string command = all[1];
    const Arguments arguments(all.begin() + 2, all.end());
    if (command == "--help" || command == "-h") {
        std::fputs(usage_text, stdout);
        return exit_ok;
    }
    if (command == "--version") {
        std::printf("quantaline-cli %s\n", quantaline::app_info::version_string);
        return exit_ok;
    }
    if (command == "info") {
        return run_info(arguments);
    }
    return usage_error("unknown command: " + command);
}
