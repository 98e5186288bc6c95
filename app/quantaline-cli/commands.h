#pragma once

#include <string>
#include <vector>

namespace quantaline::cli {

// Exit statuses shared by every command.
inline constexpr int exit_ok = 0;
inline constexpr int exit_message = 1; // a file gave a message, or a command failed
inline constexpr int exit_usage = 2;

using Arguments = std::vector<std::string>;

// Each command takes the arguments after its name.
int run_info(const Arguments& arguments);

// Prints the usage text to standard error and returns exit_usage.
int usage_error(const std::string& problem);

} // namespace quantaline::cli
