#include "ui/startup.h"

#include "session/session.h"
#include "ui/centre_on_screen.h"
#include "ui/header_frm.h"
#include "ui/platform.h"

namespace quantaline {

bool start_up(Session& session, Platform& platform, HeaderFrm& window,
              const std::string& executable_path) {
    window.about_box();
    if (platform.another_copy_running()) {
        platform.show_message(nullptr, already_running_message);
        return false;
    }
    session.start(executable_path);
    centre_on_screen(window, platform);
    return true;
}

} // namespace quantaline
