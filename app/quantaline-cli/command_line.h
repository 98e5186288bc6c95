#pragma once

#include "commands.h"
#include "io/message.h"

#include <map>
#include <optional>
#include <set>

namespace quantaline::cli {

// The program's arguments in UTF-8, its own name first. On Windows `argv` is in the
// ANSI code page, which cannot hold every file name, so the wide command line is
// converted instead; elsewhere `argv` already is the bytes of the names.
Arguments command_line(int argc, char** argv);

// On Windows a console shows our UTF-8 output only once told to; output into a pipe or
// a file is left as the bytes it is.
void prepare_console();

// One command's arguments: its FILEs in order, its options with a value, its flags. "--"
// ends the options.
struct ParsedArguments {
    std::vector<std::string> files;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
};

// Nothing, with `status` set, after printing the usage error of an unknown option, an
// option without its value, no FILE, or more than one where `one_file` asks for one.
std::optional<ParsedArguments> parse_arguments(const std::string& command,
                                               const Arguments& arguments,
                                               const std::set<std::string>& value_options,
                                               const std::set<std::string>& flag_options,
                                               bool one_file, int& status);

// A file's messages on standard error, one line each: "FILE: TITLE: TEXT".
void print_messages(const std::string& file, const Messages& messages);
// A command's failure on standard error ("TITLE: TEXT"); returns exit_message.
int fail(const Message& message);

} // namespace quantaline::cli
