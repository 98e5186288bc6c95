#include "ui/macroblock_map.h"

#include "ui/controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace quantaline {

namespace {

constexpr int legend_height = 34;
const QColor unread_colour(200, 200, 200);
const QColor outside_colour(45, 45, 45);

} // namespace

MacroblockMap::MacroblockMap(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("carte_macroblocs"));
    setAccessibleName(tr("Carte des macroblocs"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(240, 120);
}

void MacroblockMap::set_map(const PictureMap* map, int scale_min, int scale_max) {
    map_ = map;
    scale_min_ = std::max(1, scale_min);
    scale_max_ = std::max(scale_min_, scale_max);
    by_address_.clear();
    current_.reset();
    current_text_.clear();
    if (map_ != nullptr) {
        const std::size_t cells = std::size_t{map_->figures.mb_width} *
                                  std::max<std::uint32_t>(1, map_->figures.mb_height);
        by_address_ = map_addresses(*map_);
        by_address_.resize(cells, map_outside_slices);
        setAccessibleDescription(QString::fromStdString(picture_map_text(*map_)));
    } else {
        setAccessibleDescription(empty_text_);
    }
    setToolTip(QString());
    update();
}

void MacroblockMap::set_empty_text(const QString& text) {
    empty_text_ = text;
    if (map_ == nullptr) {
        setAccessibleDescription(text);
    }
    update();
}

QColor MacroblockMap::colour_of(int quantiser) const {
    // Blue through green and yellow to red, as the quantiser coarsens.
    const double at =
        scale_max_ == scale_min_
            ? 0.0
            : std::clamp(static_cast<double>(quantiser - scale_min_) / (scale_max_ - scale_min_),
                         0.0, 1.0);
    return QColor::fromHsvF(static_cast<float>((1.0 - at) * 240.0 / 360.0), 0.85f, 0.95f);
}

int MacroblockMap::cell_size(const QRect& area) const {
    if (map_ == nullptr || map_->figures.mb_width == 0 || map_->figures.mb_height == 0) {
        return 0;
    }
    const int width = area.width() - 8;
    const int height = area.height() - legend_height - 8;
    return std::max(1, std::min(width / static_cast<int>(map_->figures.mb_width),
                                height / static_cast<int>(map_->figures.mb_height)));
}

QRect MacroblockMap::cells_area(const QRect& area) const {
    const int size = cell_size(area);
    if (size == 0) {
        return {};
    }
    const int width = size * static_cast<int>(map_->figures.mb_width);
    const int height = size * static_cast<int>(map_->figures.mb_height);
    return {area.left() + (area.width() - width) / 2, area.top() + 4, width, height};
}

void MacroblockMap::draw(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, palette().color(QPalette::Window));
    const QRect cells = cells_area(area);
    if (cells.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, empty_text_);
        return;
    }
    draw_cells(painter, cells, cell_size(area));
    draw_legend(painter, area, cells);
}

void MacroblockMap::draw_cells(QPainter& painter, const QRect& cells, int size) const {
    const auto width = static_cast<int>(map_->figures.mb_width);
    for (std::size_t address = 0; address < by_address_.size(); ++address) {
        const QRect cell(cells.left() + static_cast<int>(address) % width * size,
                         cells.top() + static_cast<int>(address) / width * size, size, size);
        const int index = by_address_[address];
        if (index < 0) {
            painter.fillRect(cell, index == map_not_read ? unread_colour : outside_colour);
            continue;
        }
        const mpeg::MacroblockInfo& mb = map_->macroblocks[static_cast<std::size_t>(index)];
        painter.fillRect(cell, colour_of(mb.quantiser_scale));
        if (mb.kind == mpeg::MacroblockKind::skipped && size >= 4) {
            painter.fillRect(cell, QBrush(QColor(255, 255, 255, 170), Qt::BDiagPattern));
        }
    }
    if (current_ && size >= 3) {
        const std::uint32_t address = map_->macroblocks[*current_].address;
        painter.setPen(QPen(Qt::black, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cells.left() + static_cast<int>(address) % width * size,
                         cells.top() + static_cast<int>(address) / width * size, size, size);
    }
}

void MacroblockMap::draw_legend(QPainter& painter, const QRect& area, const QRect& cells) const {
    // The legend: the scale, then the hatch of a skipped macroblock, the grey of one not
    // read (a damaged slice) and the dark grey of one that no slice reached.
    const int line = fontMetrics().height();
    const int top = cells.bottom() + 8;
    const int bar_width = std::min(200, area.width() / 3);
    painter.setPen(palette().color(QPalette::WindowText));
    const QString caption = tr("quantificateur");
    const QString low = QString::number(scale_min_);
    const QString high = QString::number(scale_max_);
    const auto text_at = [&](int at, const QString& text) {
        const int advance = fontMetrics().horizontalAdvance(text);
        painter.drawText(QRect(at, top, advance + 2, line), Qt::AlignLeft | Qt::AlignVCenter, text);
        return at + advance;
    };
    int x = text_at(area.left() + 4, caption) + 8;
    x = text_at(x, low) + 4;
    QLinearGradient gradient(x, 0, x + bar_width, 0);
    for (int step = 0; step <= 8; ++step) {
        gradient.setColorAt(step / 8.0,
                            colour_of(scale_min_ + (scale_max_ - scale_min_) * step / 8));
    }
    painter.fillRect(QRect(x, top + 2, bar_width, line - 4), QBrush(gradient));
    x = text_at(x + bar_width + 4, high) + 16;
    const QRect skipped(x, top + 2, line - 4, line - 4);
    painter.fillRect(skipped, colour_of(scale_min_));
    painter.fillRect(skipped, QBrush(QColor(255, 255, 255, 170), Qt::BDiagPattern));
    x = text_at(x + line, tr("sauté")) + 16;
    painter.fillRect(QRect(x, top + 2, line - 4, line - 4), unread_colour);
    x = text_at(x + line, tr("non lu")) + 16;
    painter.fillRect(QRect(x, top + 2, line - 4, line - 4), outside_colour);
    text_at(x + line, tr("hors tranche"));
}

void MacroblockMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, rect());
}

std::optional<std::size_t> MacroblockMap::macroblock_at(QPoint point) const {
    const QRect cells = cells_area(rect());
    if (cells.isEmpty() || !cells.contains(point)) {
        return std::nullopt;
    }
    const int size = cell_size(rect());
    const std::size_t address =
        static_cast<std::size_t>((point.y() - cells.top()) / size) * map_->figures.mb_width +
        static_cast<std::size_t>((point.x() - cells.left()) / size);
    if (address >= by_address_.size() || by_address_[address] < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(by_address_[address]);
}

void MacroblockMap::set_current(std::optional<std::size_t> index) {
    current_ = index;
    const QString text =
        index ? QString::fromStdString(macroblock_text(*map_, map_->macroblocks[*index]))
              : QString();
    update();
    if (text == current_text_) {
        return;
    }
    current_text_ = text;
    announce_value(*this, text);
}

void MacroblockMap::mouseMoveEvent(QMouseEvent* event) {
    set_current(macroblock_at(event->position().toPoint()));
    if (!current_text_.isEmpty()) {
        QToolTip::showText(event->globalPosition().toPoint(), current_text_, this);
    }
}

void MacroblockMap::keyPressEvent(QKeyEvent* event) {
    if (map_ == nullptr || map_->macroblocks.empty() || map_->figures.mb_width == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const auto width = static_cast<std::int64_t>(map_->figures.mb_width);
    std::int64_t address = current_ ? map_->macroblocks[*current_].address : -1;
    std::int64_t step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Right:
        step = 1;
        break;
    case Qt::Key_Up:
        step = -width;
        break;
    case Qt::Key_Down:
        step = width;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    // From nowhere the first key lands on the first macroblock read; a step onto a
    // macroblock not read goes on to the next one read.
    address = address < 0 ? 0 : address + step;
    const auto count = static_cast<std::int64_t>(by_address_.size());
    while (address >= 0 && address < count && by_address_[static_cast<std::size_t>(address)] < 0) {
        address += step == 0 ? 1 : (step > 0 ? 1 : -1);
    }
    if (address >= 0 && address < count) {
        set_current(static_cast<std::size_t>(by_address_[static_cast<std::size_t>(address)]));
    }
}

} // namespace quantaline
