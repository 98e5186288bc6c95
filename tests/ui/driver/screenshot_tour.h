#pragma once

namespace quantaline {

class HeaderFrm;
struct AppState;

// For tests/ui/screenshots.sh: when QUANTALINE_SCREENSHOT_DIR is set, the
// program opens QUANTALINE_SCREENSHOT_FILE through its own open dialog, saves what the
// screen shows of the open dialog, the main window and the About box as PNG files in
// that folder, and quits.
void start_screenshot_tour_if_asked(HeaderFrm& window, AppState& state);

} // namespace quantaline
