#pragma once

#include <functional>
#include <string>

namespace quantaline {

class HeaderFrm;
class Platform;
class Session;

// The desktop program from start to end, inside a QApplication: `file` (empty for none) is
// opened at once, or handed to the copy that already runs. `shown` runs once the main
// window is up; the test driver acts on the windows from there.
int run_program(Platform& platform, const std::string& executable_path, const std::string& file,
                const std::function<void(HeaderFrm&, Session&)>& shown = {});

// The file named on the command line, as the engine opens it: made absolute, in the file
// system's own bytes. Empty when there is none.
std::string file_argument(int argc, char** argv);

} // namespace quantaline
