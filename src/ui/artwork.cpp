#include "ui/artwork.h"

#include "analysis/analysis.h"

#include <QLinearGradient>
#include <QPainter>

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
                             shade(default_intra[static_cast<std::size_t>(row * 8 + column)]));
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

} // namespace quantaline
