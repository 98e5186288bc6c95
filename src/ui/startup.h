#pragma once

#include <string>

namespace quantaline {

class HeaderFrm;
class Platform;
class Session;

// The main window's load step, before it is first shown. Returns false when another
// copy runs: the message has been shown and the caller ends at once, having shown no
// window and touched no file.
bool start_up(Session& session, Platform& platform, HeaderFrm& window,
              const std::string& executable_path);

} // namespace quantaline
