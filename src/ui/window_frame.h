#pragma once

#include <QMargins>

class QWidget;

namespace quantaline {

// The frame and title bar the window manager puts around a top-level window, known before
// the window is first shown so that it can be placed by its outer size at once: the frame
// it has when it is up; otherwise what the window system says it will add (Windows knows
// it from the window's style, an X11 window manager answers a request for it); failing
// that, the frame of another window already up. Nothing where none of them is known.
QMargins expected_frame_margins(QWidget& window);

} // namespace quantaline
