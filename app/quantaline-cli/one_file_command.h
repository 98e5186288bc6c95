#pragma once

#include "commands.h"

#include <map>
#include <optional>
#include <set>
#include <string>

namespace quantaline::cli {

// The parsed arguments of a command that takes one FILE: its options with a value, its
// flags.
struct CommandLine {
    std::string file;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
};

// Nothing after a usage error, whose exit status is then in `status`.
std::optional<CommandLine> parse(const std::string& command, const Arguments& arguments,
                                 const std::set<std::string>& value_options,
                                 const std::set<std::string>& flag_options, int& status);

} // namespace quantaline::cli
