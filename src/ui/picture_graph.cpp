#include "ui/picture_graph.h"

#include "session/whole_stream.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace quantaline {

namespace {

constexpr std::size_t base_block = 16;
// Below this many pictures a column reads the records themselves.
constexpr std::size_t direct_reach = 2 * base_block;
constexpr double smallest_view = 10;

// I, P, B, then D and the forbidden codes together.
std::size_t type_slot(std::uint8_t picture_coding_type) {
    return picture_coding_type >= 1 && picture_coding_type <= 3 ? picture_coding_type - 1u : 3u;
}

const std::array<QColor, 4> type_colours = {QColor(200, 0, 0), QColor(0, 70, 200),
                                            QColor(0, 150, 0), QColor(110, 110, 110)};
constexpr std::array<const char*, 4> type_names = {"I", "P", "B", "D"};

const char* type_name(std::uint8_t picture_coding_type) {
    return picture_coding_type >= 1 && picture_coding_type <= 4
               ? type_names[picture_coding_type - 1]
               : "?";
}

QString grouped(std::uint64_t value) {
    return QString::fromStdString(grouped_number(value));
}

class GraphAccessible : public QAccessibleWidget {
  public:
    explicit GraphAccessible(PictureGraph* graph) : QAccessibleWidget(graph, QAccessible::Chart) {}
    QString text(QAccessible::Text kind) const override {
        const auto* graph = static_cast<const PictureGraph*>(widget());
        switch (kind) {
        case QAccessible::Name:
            return graph->accessibleName().isEmpty() ? QStringLiteral("Graphe des images")
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
    setAccessibleName(QStringLiteral("Graphe des images"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(300, 160);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureGraph::set_stream(const mpeg::ScanResult* result) {
    result_ = result;
    build_pyramid();
    first_ = 0;
    count_ = static_cast<double>(picture_count());
    current_text_.clear();
    update();
}

std::size_t PictureGraph::picture_count() const {
    return result_ != nullptr ? result_->picture_records.size() : 0;
}

void PictureGraph::build_pyramid() {
    pyramid_.clear();
    const std::size_t n = picture_count();
    if (n <= direct_reach) {
        return;
    }
    std::vector<Maxima> level((n + base_block - 1) / base_block, Maxima{});
    for (std::size_t i = 0; i < n; ++i) {
        const mpeg::PictureRecord& p = result_->picture_records[i];
        std::uint32_t& slot = level[i / base_block][type_slot(p.picture_coding_type)];
        slot = std::max(slot,
                        static_cast<std::uint32_t>(std::min<std::uint64_t>(p.bytes, UINT32_MAX)));
    }
    pyramid_.push_back(std::move(level));
    while (pyramid_.back().size() > 1) {
        const std::vector<Maxima>& below = pyramid_.back();
        std::vector<Maxima> above((below.size() + 1) / 2, Maxima{});
        for (std::size_t i = 0; i < below.size(); ++i) {
            for (std::size_t t = 0; t < 4; ++t) {
                above[i / 2][t] = std::max(above[i / 2][t], below[i][t]);
            }
        }
        pyramid_.push_back(std::move(above));
    }
}

PictureGraph::Maxima PictureGraph::column_maxima(std::size_t begin, std::size_t end) const {
    Maxima maxima{};
    if (end - begin <= direct_reach || pyramid_.empty()) {
        for (std::size_t i = begin; i < end; ++i) {
            const mpeg::PictureRecord& p = result_->picture_records[i];
            std::uint32_t& slot = maxima[type_slot(p.picture_coding_type)];
            slot = std::max(
                slot, static_cast<std::uint32_t>(std::min<std::uint64_t>(p.bytes, UINT32_MAX)));
        }
        return maxima;
    }
    // The coarsest level whose blocks still fit twice in the column: a few blocks, the two
    // at the edges reaching at most one block past it.
    std::size_t level = 0;
    while (level + 1 < pyramid_.size() && (base_block << (level + 1)) * 2 <= end - begin) {
        ++level;
    }
    const std::size_t block = base_block << level;
    const std::vector<Maxima>& blocks = pyramid_[level];
    for (std::size_t b = begin / block; b <= (end - 1) / block && b < blocks.size(); ++b) {
        for (std::size_t t = 0; t < 4; ++t) {
            maxima[t] = std::max(maxima[t], blocks[b][t]);
        }
    }
    return maxima;
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
    const int line = fontMetrics().height();
    return area.adjusted(4, line + 6, -4, -(line + 4));
}

void PictureGraph::draw(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, Qt::white);
    const QRect plot = plot_area(area);
    const std::size_t n = picture_count();
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    if (n == 0 || plot.width() <= 2 || plot.height() <= 2) {
        painter.setPen(Qt::black);
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("Aucune image"));
        return;
    }
    const int columns = plot.width() - 2;
    const double per_column = count_ / columns;
    std::vector<Maxima> maxima(static_cast<std::size_t>(columns));
    std::uint32_t top = 1;
    for (int c = 0; c < columns; ++c) {
        const auto begin = static_cast<std::size_t>(first_ + c * per_column);
        auto end = static_cast<std::size_t>(first_ + (c + 1) * per_column);
        end = std::min(std::max(end, begin + 1), n);
        if (begin >= end) {
            continue;
        }
        maxima[static_cast<std::size_t>(c)] = column_maxima(begin, end);
        for (const std::uint32_t bytes : maxima[static_cast<std::size_t>(c)]) {
            top = std::max(top, bytes);
        }
    }

    // Each column's bars, tallest first, so that every type present stays in sight; the
    // lines go in batches by rank and type.
    std::array<std::array<std::vector<QLine>, 4>, 4> batches;
    const int bottom = plot.bottom() - 1;
    const double scale = (plot.height() - 3) / static_cast<double>(top);
    for (int c = 0; c < columns; ++c) {
        const Maxima& m = maxima[static_cast<std::size_t>(c)];
        std::array<std::size_t, 4> order = {0, 1, 2, 3};
        std::sort(order.begin(), order.end(),
                  [&m](std::size_t a, std::size_t b) { return m[a] > m[b]; });
        const int x = plot.left() + 1 + c;
        for (std::size_t rank = 0; rank < 4; ++rank) {
            const std::size_t type = order[rank];
            if (m[type] == 0) {
                break;
            }
            const int height = std::max(1, static_cast<int>(std::lround(m[type] * scale)));
            batches[rank][type].emplace_back(x, bottom, x, bottom - height + 1);
        }
    }
    for (const auto& rank : batches) {
        for (std::size_t type = 0; type < 4; ++type) {
            if (!rank[type].empty()) {
                painter.setPen(type_colours[type]);
                painter.drawLines(rank[type].data(), static_cast<int>(rank[type].size()));
            }
        }
    }

    // The set changes: one mark per column at most, numbered with the set that begins.
    QPen mark(QColor(0, 0, 0), 1, Qt::DashLine);
    int last_x = -1;
    for (const mpeg::MatrixChange& change : result_->changes) {
        if (!change.picture || *change.picture >= n) {
            continue;
        }
        const auto at = static_cast<double>(*change.picture);
        if (at < first_ || at >= first_ + count_) {
            continue;
        }
        const int x = plot.left() + 1 + static_cast<int>((at - first_) / per_column);
        if (x == last_x) {
            continue;
        }
        last_x = x;
        painter.setPen(mark);
        painter.drawLine(x, plot.top() + 1, x, bottom);
        painter.setPen(Qt::black);
        const std::uint32_t set = result_->picture_records[*change.picture].matrix_set;
        painter.drawText(QPoint(x + 2, plot.top() + fontMetrics().ascent() + 1),
                         QString::number(set));
    }

    // The scale above, the pictures shown below, the legend at the right.
    painter.setPen(Qt::black);
    const int line = fontMetrics().height();
    painter.drawText(QRect(area.left() + 4, area.top() + 2, area.width() / 2, line),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 octets").arg(grouped(top)));
    const auto last = static_cast<std::size_t>(std::max(first_, first_ + count_ - 1));
    painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("image %1").arg(grouped(static_cast<std::uint64_t>(first_))));
    painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line),
                     Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("image %1").arg(grouped(last)));
    int x = area.right() - 4;
    for (std::size_t type = 4; type-- > 0;) {
        const QString name = QString::fromLatin1(type_names[type]);
        const int width = fontMetrics().horizontalAdvance(name);
        x -= width;
        painter.setPen(type_colours[type]);
        painter.drawText(QRect(x, area.top() + 2, width, line), Qt::AlignCenter, name);
        painter.fillRect(QRect(x - 10, area.top() + 2 + line / 2 - 3, 7, 7), type_colours[type]);
        x -= 18;
    }
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

QString PictureGraph::picture_text(std::size_t index) const {
    if (index >= picture_count()) {
        return {};
    }
    const mpeg::PictureRecord& p = result_->picture_records[index];
    QString text = QStringLiteral("Image %1 : %2, %3 octets")
                       .arg(grouped(p.index), QString::fromLatin1(type_name(p.picture_coding_type)),
                            grouped(p.bytes));
    if (p.matrix_set != 0) {
        text += QStringLiteral(", jeu %1").arg(p.matrix_set);
    }
    return text;
}

QString PictureGraph::description() const {
    const std::size_t n = picture_count();
    if (n == 0) {
        return QStringLiteral("Aucune image.");
    }
    QString text = QStringLiteral("Taille de chaque image en octets le long du flux, %1 images ; "
                                  "I en rouge, P en bleu, B en vert, D en gris.")
                       .arg(grouped(n));
    QStringList marks;
    for (const mpeg::MatrixChange& change : result_->changes) {
        if (change.picture && *change.picture < n && *change.picture != 0) {
            marks << QStringLiteral("image %1 (jeu %2)")
                         .arg(grouped(*change.picture))
                         .arg(result_->picture_records[*change.picture].matrix_set);
            if (marks.size() == 20) {
                marks << QStringLiteral("…");
                break;
            }
        }
    }
    if (!marks.isEmpty()) {
        text += QStringLiteral(" Changements de jeu de matrices : ") +
                marks.join(QStringLiteral(", ")) + QLatin1Char('.');
    }
    const auto last = static_cast<std::uint64_t>(std::max(first_, first_ + count_ - 1));
    text += QStringLiteral(" Affichées : images %1 à %2.")
                .arg(grouped(static_cast<std::uint64_t>(first_)), grouped(last));
    return text;
}

void PictureGraph::set_current(std::optional<std::size_t> index) {
    const QString text = index ? picture_text(*index) : QString();
    if (text == current_text_) {
        return;
    }
    current_text_ = text;
    setToolTip(text);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, text);
        QAccessible::updateAccessibility(&event);
    }
}

void PictureGraph::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    zoom(std::pow(0.8, notches), event->position().x());
    event->accept();
}

void PictureGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        drag_x_ = static_cast<int>(event->position().x());
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
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    set_current(picture_at(static_cast<int>(centre)));
}

} // namespace quantaline
