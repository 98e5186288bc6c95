#pragma once

#include <QCursor>
#include <QIcon>
#include <QImage>

namespace quantaline {

// Our own pictures, drawn at run time: an 8 x 8 grid of matrix values whose shade
// follows the value, as the program's icon and as the About box's 125 x 180 picture.
QImage about_picture();
QIcon program_icon();

// The pointer over the link labels: a 32 x 32 black and white hand whose raised index
// finger points up, its tip the hot spot at x 11, y 5.
QCursor hand_cursor();

} // namespace quantaline
