#pragma once

#include <QIcon>
#include <QImage>

namespace quantaline {

// Our own pictures, drawn at run time: an 8 x 8 grid of matrix values whose shade
// follows the value, as the program's icon and as the About box's 125 x 180 picture.
QImage about_picture();
QIcon program_icon();

} // namespace quantaline
