#pragma once

#include "commands.h"

namespace quantaline::cli {

// The program's arguments in UTF-8, its own name first. On Windows `argv` is in the
// ANSI code page, which cannot hold every file name, so the wide command line is
// converted instead; elsewhere `argv` already is the bytes of the names.
Arguments command_line(int argc, char** argv);

// On Windows a console shows our UTF-8 output only once told to; output into a pipe or
// a file is left as the bytes it is.
void prepare_console();

} // namespace quantaline::cli
