#include "ui/artwork.h"

#include "analysis/analysis.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <array>
#include <string_view>

namespace quantaline {

namespace {

// Low values (fine quantisation) light, high values dark blue, as on a heat map.
QColor shade(std::uint8_t value) {
    const int t = std::min(255, (value - 8) * 255 / 75);
    return QColor(255 - t * 3 / 4, 230 - t * 2 / 3, 255 - t / 3);
}

void draw_grid(QPainter& painter, const QRectF& area) {
    const double cell = area.width() / 8.0;
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            const QRectF box(area.left() + column * cell, area.top() + row * cell, cell, cell);
            painter.fillRect(box.adjusted(0.5, 0.5, -0.5, -0.5),
                             shade(default_intra[static_cast<std::size_t>(row) * 8 +
                                                 static_cast<std::size_t>(column)]));
        }
    }
}

} // namespace

QImage about_picture() {
    QImage image(125, 180, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 180);
    sky.setColorAt(0, QColor(10, 20, 60));
    sky.setColorAt(1, QColor(0, 0, 0));
    painter.fillRect(image.rect(), sky);

    draw_grid(painter, QRectF(10.5, 16.5, 104, 104));

    QFont title;
    title.setStyleHint(QFont::SansSerif);
    title.setPixelSize(17);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(255, 255, 0));
    painter.drawText(QRectF(0, 128, 125, 24), Qt::AlignCenter, QStringLiteral("Quantaline"));
    QFont small = title;
    small.setPixelSize(10);
    small.setBold(false);
    painter.setFont(small);
    painter.setPen(QColor(0, 255, 255));
    painter.drawText(QRectF(0, 152, 125, 16), Qt::AlignCenter, QStringLiteral("Intra 8 x 8"));
    return image;
}

QIcon program_icon() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw_grid(painter, QRectF(0, 0, 32, 32));
    return QIcon(QPixmap::fromImage(image));
}

QCursor hand_cursor() {
    // '#' black, '.' white, blank transparent.
    // clang-format off
    static constexpr std::array<std::string_view, 32> hand = {
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "          ###                   ",
    "         #...#                  ",
    "         #...#                  ",
    "         #...#                  ",
    "         #...#                  ",
    "         #...####               ",
    "         #...#...####           ",
    "         #...#...#...###        ",
    "         #...#...#...#..#       ",
    "         #...#...#...#..#       ",
    "         #...#...#...#..#       ",
    "      ###...............#       ",
    "     #..................#       ",
    "     #..................#       ",
    "     #..................#       ",
    "     #..................#       ",
    "      #.................#       ",
    "       #................#       ",
    "        #...............#       ",
    "         #..............#       ",
    "         #..............#       ",
    "         #.............#        ",
    "          ##############        ",
    "          #............#        ",
    "          #............#        ",
    "          ##############        ",
    "                                ",
    };
    // clang-format on
    // In a cursor's bitmap 1 is black, and in its mask 1 is opaque: both images get the
    // bitmap's own colours, 0 white and 1 black.
    QImage bits(32, 32, QImage::Format_MonoLSB);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    bits.fill(0);
    QImage mask = bits;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const char pixel = hand[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            bits.setPixel(x, y, pixel == '#' ? 1 : 0);
            mask.setPixel(x, y, pixel == ' ' ? 0 : 1);
        }
    }
    return QCursor(QBitmap::fromImage(bits), QBitmap::fromImage(mask), 11, 5);
}

} // namespace quantaline
