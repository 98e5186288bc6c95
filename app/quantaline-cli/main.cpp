#include "command_line.h"
#include "commands.h"
#include "config/app_info.h"

#include <cstdio>
#include <cstring>

namespace quantaline::cli {

namespace {

constexpr const char* usage_text =
    "Usage: quantaline-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  info [--json] FILE...   show the stream parameters and quantiser matrices\n"
    "  report FILE [--output-dir DIR]\n"
    "                          write FILE's text report (default DIR: the program folder)\n"
    "  export-cce FILE --key KEY --name NAME [--output PATH] [--open]\n"
    "                          write the CCE registry script (default PATH: the program\n"
    "                          folder's quantaline.reg); --open hands it to the desktop\n"
    "  export-tmpgenc FILE --folder DIR --name NAME\n"
    "                          add FILE's matrices to DIR's TMPGEnc.ini\n"
    "  matrix FILE [--format text|csv|ffmpeg|mpeg2enc] [--output PATH]\n"
    "                          print FILE's two matrices in the format (default text),\n"
    "                          or write them to PATH\n"
    "  scan [--json] [-r] FILE|FOLDER...\n"
    "                          read the whole video: every matrix set it uses and where\n"
    "                          it changes (elementary, program and transport streams)\n"
    "\n"
    "Options:\n"
    "  --help                  show this text\n"
    "  --version               show the version\n"
    "\n"
    "Exit status: 0 when every file was read without a message, 1 when any gave one\n"
    "or a file could not be written, 2 for a usage error.\n";

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
    if (command == "report") {
        return run_report(arguments);
    }
    if (command == "export-cce") {
        return run_export_cce(arguments);
    }
    if (command == "export-tmpgenc") {
        return run_export_tmpgenc(arguments);
    }
    if (command == "matrix") {
        return run_matrix(arguments);
    }
    if (command == "scan") {
        return run_scan(arguments);
    }
    return usage_error("unknown command: " + command);
}
