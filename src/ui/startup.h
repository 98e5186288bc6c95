#pragma once

#include "io/message.h"
#include "session/app_state.h"

#include <string>

namespace quantaline {

class HeaderFrm;
class Platform;

extern const Message already_running_message;

// The main window's load step, before it is first shown. Returns false when another
// copy runs: the message has been shown and the caller ends at once, having shown no
// window and touched no file.
bool start_up(AppState& state, Platform& platform, HeaderFrm& window,
              const std::string& executable_path);

} // namespace quantaline
