#pragma once

class QWidget;

namespace quantaline {

class Platform;

// The window's top and left, in twips, that centre a window of the given outer size on
// a screen of the given size. Each size is halved first in single precision and the
// halves are subtracted; a window larger than the screen gets a negative origin.
struct CentredOrigin {
    float top = 0;
    float left = 0;
};
CentredOrigin centred_origin(float screen_width, float screen_height, float window_width,
                             float window_height);

// Moves a top-level window to the middle of the whole screen, by its outer frame.
void centre_on_screen(QWidget& window, Platform& platform);

// 15 twips are one device-independent pixel (1440 twips to the inch at 96 dpi).
constexpr int twips(int value) {
    return value / 15;
}

} // namespace quantaline
