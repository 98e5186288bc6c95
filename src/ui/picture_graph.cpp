#include "ui/picture_graph.h"

#include "analysis/display.h"
#include "check/texts.h"
#include "io/text.h"
#include "mpeg/codes.h"
#include "session/whole_stream.h"
#include "ui/controls.h"
#include "ui/picture_graph_parts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

namespace quantaline {

namespace {

constexpr double smallest_view = 10;

class GraphAccessible : public QAccessibleWidget {
  public:
    explicit GraphAccessible(PictureGraph* graph) : QAccessibleWidget(graph, QAccessible::Chart) {}
    QString text(QAccessible::Text kind) const override {
        const auto* graph = static_cast<const PictureGraph*>(widget());
        switch (kind) {
        case QAccessible::Name:
            return graph->accessibleName().isEmpty()
                       ? QCoreApplication::translate("quantaline::PictureGraph",
                                                     "Graphe des images")
                       : graph->accessibleName();
        case QAccessible::Description:
            return graph->description();
        case QAccessible::Value:
            return graph->current_text();
        default:
            return QAccessibleWidget::text(kind);
        }
    }
};

QAccessibleInterface* graph_accessible(const QString& class_name, QObject* object) {
    if (class_name == QLatin1String("quantaline::PictureGraph") && object != nullptr &&
        object->isWidgetType()) {
        return new GraphAccessible(static_cast<PictureGraph*>(object));
    }
    return nullptr;
}

} // namespace

PictureGraph::PictureGraph(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(graph_accessible);
        return true;
    }();
    (void)installed;
    setObjectName(QStringLiteral("graph_images"));
    setAccessibleName(tr("Graphe des images"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(300, 160);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureGraph::set_stream(const mpeg::ScanResult* result) {
    const bool same = result != nullptr && result == result_ &&
                      static_cast<double>(result->picture_records.size()) >= first_ + count_;
    result_ = result;
    pyramid_.build(result);
    if (!same) {
        first_ = 0;
        count_ = static_cast<double>(picture_count());
        current_text_.clear();
        selected_.reset();
    }
    update();
}

void PictureGraph::set_timing(const check::Timeline* timeline, const check::BufferModel* buffer) {
    timeline_ = timeline;
    buffer_ = buffer;
    buffer_top_ = 0;
    if (buffer_ != nullptr && buffer_->mode != check::BufferMode::none) {
        // One scale for the whole stream, so that panning never rescales it.
        double largest = buffer_->buffer_size;
        for (const check::PictureBuffer& p : buffer_->pictures) {
            largest = std::max({largest, p.occupancy, p.buffer_size});
        }
        buffer_top_ = nice_top(largest / 1000) * 1000;
    }
    update();
}

void PictureGraph::set_view_kind(View view) {
    view_ = view;
    update();
}

void PictureGraph::select_picture(std::optional<std::size_t> index) {
    selected_ = index && *index < picture_count() ? index : std::nullopt;
    if (selected_) {
        const auto at = static_cast<double>(*selected_);
        if (at < first_ || at >= first_ + count_) {
            set_view(at - count_ / 2, count_);
        }
        set_current(selected_);
    }
    update();
}

bool PictureGraph::shows_quantiser() const {
    return result_ != nullptr && result_->quantiser_read && pyramid_.quantiser_top() != 0;
}

std::size_t PictureGraph::picture_count() const {
    return result_ != nullptr ? result_->picture_records.size() : 0;
}

void PictureGraph::set_view(double first, double count) {
    const auto n = static_cast<double>(picture_count());
    count = std::clamp(count, std::min(smallest_view, n), n);
    first_ = std::clamp(first, 0.0, std::max(0.0, n - count));
    count_ = count;
    update();
}

void PictureGraph::zoom(double factor, double anchor_x) {
    const QRect plot = plot_area(rect());
    if (plot.width() <= 0 || count_ <= 0) {
        return;
    }
    const double at = first_ + (anchor_x - plot.left()) * count_ / plot.width();
    const double count = count_ * factor;
    set_view(at - (anchor_x - plot.left()) * count / plot.width(), count);
}

QRect PictureGraph::plot_area(const QRect& area) const {
    return parts_of(area).plot;
}

PictureGraph::Parts PictureGraph::parts_of(const QRect& area) const {
    const int line = fontMetrics().height();
    // The value axis at the left; the buffer's and the quantiser's at the right.
    const int left = fontMetrics().horizontalAdvance(QStringLiteral("00 000 000")) + 8;
    const int right = shows_buffer() || shows_quantiser()
                          ? fontMetrics().horizontalAdvance(QStringLiteral("00 000")) + 8
                          : 6;
    const QRect inner = area.adjusted(left, line + 6, -right, -(line + 8));
    Parts parts;
    const int strip = shows_quantiser() ? std::max(3 * line + 4, inner.height() / 5) : 0;
    parts.plot = inner.adjusted(0, 0, 0, strip == 0 ? 0 : -(strip + 4));
    if (strip != 0) {
        parts.strip = QRect(inner.left(), parts.plot.bottom() + 5, inner.width(), strip);
    }
    parts.axis = QRect(inner.left(), inner.bottom() + 1, inner.width(), line + 7);
    return parts;
}

std::pair<std::size_t, std::size_t> PictureGraph::column_pictures(int column,
                                                                  double per_column) const {
    const std::size_t n = picture_count();
    const auto begin = static_cast<std::size_t>(first_ + column * per_column);
    auto end = static_cast<std::size_t>(first_ + (column + 1) * per_column);
    end = std::min(std::max(end, begin + 1), n);
    return {std::min(begin, end), end};
}

double PictureGraph::column_x(double picture, const QRect& plot, double per_column) const {
    return plot.left() + 1 + (picture - first_) / per_column;
}

bool PictureGraph::shows_buffer() const {
    return result_ != nullptr && buffer_ != nullptr && buffer_->mode != check::BufferMode::none &&
           !buffer_->pictures.empty() && buffer_top_ > 0;
}

bool PictureGraph::shows_rate() const {
    return result_ != nullptr && timeline_ != nullptr && !timeline_->times.empty() &&
           timeline_->times.size() == picture_count();
}

void PictureGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, rect());
}

std::optional<std::size_t> PictureGraph::picture_at(int x) const {
    const QRect plot = plot_area(rect());
    const std::size_t n = picture_count();
    const int columns = plot.width() - 2;
    const int c = x - plot.left() - 1;
    if (n == 0 || columns <= 0 || c < 0 || c >= columns) {
        return std::nullopt;
    }
    const double per_column = count_ / columns;
    const auto begin = static_cast<std::size_t>(first_ + c * per_column);
    auto end = static_cast<std::size_t>(first_ + (c + 1) * per_column);
    end = std::min(std::max(end, begin + 1), n);
    if (begin >= end) {
        return std::nullopt;
    }
    std::size_t largest = begin;
    for (std::size_t i = begin + 1; i < end; ++i) {
        if (result_->picture_records[i].bytes > result_->picture_records[largest].bytes) {
            largest = i;
        }
    }
    return largest;
}

void PictureGraph::set_current(std::optional<std::size_t> index) {
    const QString text = index ? picture_text(*index) : QString();
    if (text == current_text_) {
        return;
    }
    current_text_ = text;
    announce_value(*this, text);
}

void PictureGraph::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    zoom(std::pow(0.8, notches), event->position().x());
    event->accept();
}

void PictureGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        drag_x_ = static_cast<int>(event->position().x());
        press_x_ = drag_x_;
        drag_first_ = first_;
        setCursor(Qt::ClosedHandCursor);
    }
}

void PictureGraph::mouseMoveEvent(QMouseEvent* event) {
    const int x = static_cast<int>(event->position().x());
    if (drag_x_) {
        const int columns = std::max(1, plot_area(rect()).width() - 2);
        set_view(drag_first_ - (x - *drag_x_) * count_ / columns, count_);
        return;
    }
    set_current(picture_at(x));
    if (!current_text_.isEmpty()) {
        QToolTip::showText(event->globalPosition().toPoint(), current_text_, this);
    }
}

void PictureGraph::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        drag_x_.reset();
        unsetCursor();
        // A click, not a drag: the picture under it is chosen.
        const int x = static_cast<int>(event->position().x());
        if (press_x_ && std::abs(x - *press_x_) <= 2) {
            if (const auto index = picture_at(x)) {
                emit picture_chosen(*index);
            }
        }
        press_x_.reset();
    }
}

void PictureGraph::keyPressEvent(QKeyEvent* event) {
    const double centre = plot_area(rect()).center().x();
    switch (event->key()) {
    case Qt::Key_Plus:
        zoom(0.5, centre);
        break;
    case Qt::Key_Minus:
        zoom(2, centre);
        break;
    case Qt::Key_Left:
        set_view(first_ - count_ / 10, count_);
        break;
    case Qt::Key_Right:
        set_view(first_ + count_ / 10, count_);
        break;
    case Qt::Key_Home:
        set_view(0, static_cast<double>(picture_count()));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (const auto index = picture_at(static_cast<int>(centre))) {
            emit picture_chosen(*index);
        }
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    set_current(picture_at(static_cast<int>(centre)));
}

} // namespace quantaline
