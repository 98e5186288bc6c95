#include "shell/qt/startup.h"

#include "platform/qt/platform.h"
#include "shell/qt/centre_on_screen.h"
#include "shell/qt/header_frm.h"

namespace quantaline {

const Message already_running_message{Icon::exclamation, "Doublon...",
                                      "Quantaline est déja en cours d'exécution !", Buttons::ok,
                                      Button::ok};

bool start_up(AppState& state, Platform& platform, HeaderFrm& window,
              const std::string& executable_path) {
    window.about_box();
    if (platform.another_copy_running()) {
        platform.show_message(nullptr, already_running_message);
        return false;
    }
    state.remembered_drive = "c:\\";
    state.remembered_folder = "c:\\";
    (void)executable_path;
    centre_on_screen(window, platform);
    return true;
}

} // namespace quantaline
