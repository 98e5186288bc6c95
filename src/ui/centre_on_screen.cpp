#include "ui/centre_on_screen.h"

#include "ui/platform.h"
#include "ui/window_frame.h"

#include <QWidget>
#include <cmath>

namespace quantaline {

CentredOrigin centred_origin(float screen_width, float screen_height, float window_width,
                             float window_height) {
    CentredOrigin origin;
    origin.top = screen_height / 2.0f - window_height / 2.0f;
    origin.left = screen_width / 2.0f - window_width / 2.0f;
    return origin;
}

void centre_on_screen(QWidget& window, Platform& platform) {
    constexpr float twips_per_pixel = 15.0f;
    const QSize screen = platform.screen_size();
    // The outer size counts the frame and title bar even before the window is first shown,
    // so that it comes up in its place rather than moving there.
    const QMargins frame = expected_frame_margins(window);
    const QSize outer = window.size().grownBy(frame);
    const CentredOrigin origin =
        centred_origin(static_cast<float>(screen.width()) * twips_per_pixel,
                       static_cast<float>(screen.height()) * twips_per_pixel,
                       static_cast<float>(outer.width()) * twips_per_pixel,
                       static_cast<float>(outer.height()) * twips_per_pixel);
    // A window sits on whole pixels; the move is where the half pixel goes.
    const int top = static_cast<int>(std::lround(origin.top / twips_per_pixel));
    const int left = static_cast<int>(std::lround(origin.left / twips_per_pixel));
    // The client area goes inside the frame's top left corner, whether or not the frame is
    // up yet.
    window.setGeometry(QRect(QPoint(left + frame.left(), top + frame.top()), window.size()));
}

} // namespace quantaline
