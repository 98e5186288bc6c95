#include "command_line.h"
#include "commands.h"
#include "config/app_info.h"
#include "io/language.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace quantaline::cli {

namespace {

// The commands: the usage text lists them in this order, `quantaline-cli COMMAND --help`
// prints one, and the dispatch runs the one named.
struct Command {
    const char* name;
    const char* synopsis;    // the arguments after the command's name
    const char* description; // lines of the usage text, each ending with '\n'
    int (*run)(const Arguments&);
};

constexpr Command commands[] = {
    {"info", "[--json] FILE...", "show the stream parameters and quantiser matrices\n", run_info},
    {"report", "FILE [--output-dir DIR]",
     "write FILE's text report (default DIR: the program folder)\n", run_report},
    {"export-cce", "FILE --key KEY --name NAME [--output PATH] [--open]",
     "write the CCE registry script (default PATH: the program\n"
     "folder's quantaline.reg); --open hands it to the desktop\n",
     run_export_cce},
    {"export-tmpgenc", "FILE --folder DIR --name NAME",
     "add FILE's matrices to DIR's TMPGEnc.ini\n", run_export_tmpgenc},
    {"matrix", "FILE [--format text|csv|ffmpeg|mpeg2enc|x264|x265] [--output PATH]",
     "print FILE's two matrices in the format (default text),\n"
     "or write them to PATH\n",
     run_matrix},
    {"scan", "[--json] [--quantiser] [-r] FILE|FOLDER...",
     "read the whole video: every matrix set it uses and where\n"
     "it changes (elementary, program and transport streams);\n"
     "--quantiser reads every macroblock too and adds the\n"
     "average, minimum and maximum quantiser per picture type\n",
     run_scan},
    {"pictures", "FILE|FOLDER... [--format json|csv] [--quantiser] [-r]",
     "read the whole video: every picture's offset, type,\n"
     "structure, temporal reference, bytes and matrix set\n"
     "(default format csv); --quantiser adds each picture's\n"
     "average, minimum and maximum quantiser and its intra,\n"
     "coded and skipped macroblocks\n",
     run_pictures},
    {"macroblocks", "FILE --picture N [--format csv|json]",
     "read FILE up to picture N (from 0, in stream order) and\n"
     "print its macroblocks: row, column, kind (intra, coded or\n"
     "skipped) and quantiser (default format csv)\n",
     run_macroblocks},
    {"check", "FILE|FOLDER... [--profile auto|dvd|svcd|vcd|atsc|none] [--json] [-r]",
     "read the whole video and check it: the decoder's buffer\n"
     "(VBV) picture by picture, the field order, and the rules\n"
     "of the disc (default auto: chosen by the first sequence\n"
     "header); 1 when a file breaks a rule\n",
     run_check},
};

constexpr const char* exit_status_text =
    "Exit status: 0 when every file was read without a message, 1 when any gave one\n"
    "or a file could not be written, 2 for a usage error.\n";

// "  " + text, with every line after the first indented by `indent`.
std::string indented(const char* text, std::size_t indent) {
    std::string out;
    for (const char* c = text; *c != '\0'; ++c) {
        out += *c;
        if (*c == '\n' && c[1] != '\0') {
            out.append(indent, ' ');
        }
    }
    return out;
}

std::string usage_text() {
    constexpr std::size_t column = 26;
    std::string out = "Usage: quantaline-cli COMMAND [OPTIONS]\n\nCommands:\n";
    for (const auto& command : commands) {
        std::string line = std::string("  ") + command.name + " " + command.synopsis;
        // A synopsis too long for the column puts the description on the next line.
        if (line.size() + 1 < column) {
            line.append(column - line.size(), ' ');
        } else {
            line += "\n" + std::string(column, ' ');
        }
        out += line + indented(command.description, column);
    }
    out += "\nOptions:\n"
           "  --help                  show this text (after a command: that command's)\n"
           "  --version               show the version\n\n";
    return out + exit_status_text;
}

} // namespace

bool print_command_usage(const std::string& command) {
    for (const auto& usage : commands) {
        if (command == usage.name) {
            std::printf("Usage: quantaline-cli %s %s\n\n  %s\n%s", usage.name, usage.synopsis,
                        indented(usage.description, 2).c_str(), exit_status_text);
            return true;
        }
    }
    return false;
}

int usage_error(const std::string& problem) {
    std::fprintf(stderr, "quantaline-cli: %s\n\n%s", problem.c_str(), usage_text().c_str());
    return exit_usage;
}

} // namespace quantaline::cli

int main(int argc, char** argv) {
    using namespace quantaline::cli;
    prepare_console();
    quantaline::set_text_language(quantaline::user_language());
    const Arguments all = command_line(argc, argv);
    if (all.size() < 2) {
        return usage_error("no command given");
    }
    const std::string& command = all[1];
    const Arguments arguments(all.begin() + 2, all.end());
    if (command == "--help" || command == "-h") {
        std::fputs(usage_text().c_str(), stdout);
        return exit_ok;
    }
    if (command == "--version") {
        std::printf("quantaline-cli %s\n", quantaline::app_info::version_string);
        return exit_ok;
    }
    for (const auto& known : commands) {
        if (command == known.name) {
            return known.run(arguments);
        }
    }
    return usage_error("unknown command: " + command);
}
