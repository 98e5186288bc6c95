#include "ui/startup.h"

#include "io/file_system.h"
#include "ui/centre_on_screen.h"
#include "ui/header_frm.h"
#include "ui/platform.h"

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
    state.program_folder = program_folder_from_executable(executable_path);
    state.executable_name = path_to_utf8(path_from_utf8(executable_path).filename());
    centre_on_screen(window, platform);
    state.configuration = load_configuration(state.program_folder, state.executable_name);
    return true;
}

} // namespace quantaline
