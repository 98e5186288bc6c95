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
int run_report(const Arguments& arguments);
int run_export_cce(const Arguments& arguments);
int run_export_tmpgenc(const Arguments& arguments);
int run_matrix(const Arguments& arguments);
int run_scan(const Arguments& arguments);
int run_pictures(const Arguments& arguments);
int run_macroblocks(const Arguments& arguments);
int run_check(const Arguments& arguments);

// The running executable's full path (empty when the system does not tell).
std::string executable_path();
// Hands a file to the desktop's default program for it; false when that failed.
bool open_with_desktop(const std::string& path);

// Prints the usage text to standard error and returns exit_usage.
int usage_error(const std::string& problem);
// Prints one command's usage to standard output; false for an unknown command.
bool print_command_usage(const std::string& command);

} // namespace quantaline::cli
