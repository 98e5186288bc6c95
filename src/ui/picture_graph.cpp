#include "ui/picture_graph.h"

#include "analysis/display.h"
#include "mpeg/codes.h"
#include "session/whole_stream.h"
#include "ui/controls.h"

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
    return picture_coding_type >= mpeg::intra_coded &&
                   picture_coding_type <= mpeg::bidirectionally_predictive_coded
               ? picture_coding_type - 1u
               : 3u;
}

const std::array<QColor, 4> type_colours = {QColor(200, 0, 0), QColor(0, 70, 200),
                                            QColor(0, 150, 0), QColor(110, 110, 110)};
// The quantiser over the bars: a line dark enough to read over any of them, a band pale
// enough to let them show through.
const QColor quantiser_colour(230, 110, 0);
const QColor quantiser_band_colour(255, 170, 60, 70);

QString type_name(std::uint8_t picture_coding_type) {
    const std::string_view name = mpeg::picture_coding_type_name(picture_coding_type);
    return name.empty() ? QStringLiteral("?")
                        : QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
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
    build_pyramid();
    if (!same) {
        first_ = 0;
        count_ = static_cast<double>(picture_count());
        current_text_.clear();
    }
    update();
}

void PictureGraph::Quantiser::add(const Quantiser& other) {
    min = std::min(min, other.min);
    max = std::max(max, other.max);
    pictures += other.pictures;
    average_sum += other.average_sum;
}

bool PictureGraph::shows_quantiser() const {
    return result_ != nullptr && result_->quantiser_read && quantiser_top_ != 0;
}

std::size_t PictureGraph::picture_count() const {
    return result_ != nullptr ? result_->picture_records.size() : 0;
}

void PictureGraph::build_pyramid() {
    pyramid_.clear();
    quantiser_pyramid_.clear();
    quantiser_top_ = 0;
    const std::size_t n = picture_count();
    // Until the quantiser pass has ended its figures are its own (it writes them meanwhile).
    for (std::size_t i = 0; result_ != nullptr && result_->quantiser_read && i < n; ++i) {
        const mpeg::PictureQuantiserFigures& q = result_->picture_records[i].quantiser;
        if (q.read) {
            quantiser_top_ = std::max(quantiser_top_, q.quantiser_max);
        }
    }
    if (n <= direct_reach) {
        return;
    }
    std::vector<Maxima> level((n + base_block - 1) / base_block, Maxima{});
    std::vector<Quantiser> quantiser(quantiser_top_ != 0 ? level.size() : 0);
    for (std::size_t i = 0; i < n; ++i) {
        const mpeg::PictureRecord& p = result_->picture_records[i];
        std::uint32_t& slot = level[i / base_block][type_slot(p.picture_coding_type)];
        slot = std::max(slot,
                        static_cast<std::uint32_t>(std::min<std::uint64_t>(p.bytes, UINT32_MAX)));
        if (!quantiser.empty() && p.quantiser.read) {
            quantiser[i / base_block].add(Quantiser{p.quantiser.quantiser_min,
                                                    p.quantiser.quantiser_max, 1,
                                                    p.quantiser.quantiser_average_hundredths});
        }
    }
    pyramid_.push_back(std::move(level));
    if (!quantiser.empty()) {
        quantiser_pyramid_.push_back(std::move(quantiser));
    }
    while (pyramid_.back().size() > 1) {
        const std::vector<Maxima>& below = pyramid_.back();
        std::vector<Maxima> above((below.size() + 1) / 2, Maxima{});
        for (std::size_t i = 0; i < below.size(); ++i) {
            for (std::size_t t = 0; t < 4; ++t) {
                above[i / 2][t] = std::max(above[i / 2][t], below[i][t]);
            }
        }
        pyramid_.push_back(std::move(above));
        if (!quantiser_pyramid_.empty()) {
            const std::vector<Quantiser>& q_below = quantiser_pyramid_.back();
            std::vector<Quantiser> q_above((q_below.size() + 1) / 2);
            for (std::size_t i = 0; i < q_below.size(); ++i) {
                q_above[i / 2].add(q_below[i]);
            }
            quantiser_pyramid_.push_back(std::move(q_above));
        }
    }
}

std::optional<std::size_t> PictureGraph::level_for(std::size_t begin, std::size_t end) const {
    if (end - begin <= direct_reach || pyramid_.empty()) {
        return std::nullopt;
    }
    // The coarsest level whose blocks still fit twice in the column: a few blocks, the two
    // at the edges reaching at most one block past it.
    std::size_t level = 0;
    while (level + 1 < pyramid_.size() && (base_block << (level + 1)) * 2 <= end - begin) {
        ++level;
    }
    return level;
}

PictureGraph::Maxima PictureGraph::column_maxima(std::size_t begin, std::size_t end) const {
    Maxima maxima{};
    const auto level = level_for(begin, end);
    if (!level) {
        for (std::size_t i = begin; i < end; ++i) {
            const mpeg::PictureRecord& p = result_->picture_records[i];
            std::uint32_t& slot = maxima[type_slot(p.picture_coding_type)];
            slot = std::max(
                slot, static_cast<std::uint32_t>(std::min<std::uint64_t>(p.bytes, UINT32_MAX)));
        }
        return maxima;
    }
    const std::size_t block = base_block << *level;
    const std::vector<Maxima>& blocks = pyramid_[*level];
    for (std::size_t b = begin / block; b <= (end - 1) / block && b < blocks.size(); ++b) {
        for (std::size_t t = 0; t < 4; ++t) {
            maxima[t] = std::max(maxima[t], blocks[b][t]);
        }
    }
    return maxima;
}

PictureGraph::Quantiser PictureGraph::column_quantiser(std::size_t begin, std::size_t end) const {
    Quantiser quantiser;
    const auto level = level_for(begin, end);
    if (!level || quantiser_pyramid_.empty()) {
        for (std::size_t i = begin; i < end; ++i) {
            const mpeg::PictureQuantiserFigures& q = result_->picture_records[i].quantiser;
            if (q.read) {
                quantiser.add(
                    Quantiser{q.quantiser_min, q.quantiser_max, 1, q.quantiser_average_hundredths});
            }
        }
        return quantiser;
    }
    const std::size_t block = base_block << *level;
    const std::vector<Quantiser>& blocks = quantiser_pyramid_[*level];
    for (std::size_t b = begin / block; b <= (end - 1) / block && b < blocks.size(); ++b) {
        quantiser.add(blocks[b]);
    }
    return quantiser;
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
    // The quantiser's axis takes the right edge.
    const int right =
        shows_quantiser() ? fontMetrics().horizontalAdvance(QStringLiteral("112")) + 8 : 4;
    return area.adjusted(4, line + 6, -right, -(line + 4));
}

void PictureGraph::draw_quantiser(QPainter& painter, const QRect& plot, double per_column) const {
    const int columns = plot.width() - 2;
    const std::size_t n = picture_count();
    const int bottom = plot.bottom() - 1;
    const double scale = (plot.height() - 3) / static_cast<double>(quantiser_top_);
    const auto y_of = [&](double quantiser) {
        return bottom - static_cast<int>(std::lround(quantiser * scale));
    };
    std::vector<QLine> band;
    std::vector<QPoint> line;
    std::vector<std::vector<QPoint>> lines;
    for (int c = 0; c < columns; ++c) {
        const auto begin = static_cast<std::size_t>(first_ + c * per_column);
        auto end = static_cast<std::size_t>(first_ + (c + 1) * per_column);
        end = std::min(std::max(end, begin + 1), n);
        const Quantiser q = begin < end ? column_quantiser(begin, end) : Quantiser{};
        const int x = plot.left() + 1 + c;
        if (q.pictures == 0) {
            // Pictures not read (a cancelled pass, before the first sequence header) break
            // the line.
            if (!line.empty()) {
                lines.push_back(std::move(line));
                line.clear();
            }
            continue;
        }
        band.emplace_back(x, y_of(q.min), x, y_of(q.max));
        line.emplace_back(x, y_of(static_cast<double>(q.average_sum) / q.pictures / 100));
    }
    if (!line.empty()) {
        lines.push_back(std::move(line));
    }
    painter.setPen(quantiser_band_colour);
    painter.drawLines(band.data(), static_cast<int>(band.size()));
    // Two pixels wide and not smoothed: the line keeps its colour over any bar.
    painter.setPen(QPen(quantiser_colour, 2));
    for (const auto& points : lines) {
        if (points.size() == 1) {
            painter.drawPoint(points.front());
        } else {
            painter.drawPolyline(points.data(), static_cast<int>(points.size()));
        }
    }

    // The axis at the right: its top, its middle and 0.
    painter.setPen(quantiser_colour);
    const int x = plot.right() + 3;
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("112")) + 4;
    const int half = fontMetrics().height() / 2;
    for (const int value : {static_cast<int>(quantiser_top_), quantiser_top_ / 2, 0}) {
        const int y = y_of(value);
        painter.drawLine(plot.right() - 2, y, plot.right(), y);
        painter.drawText(QRect(x, y - half, width, 2 * half), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(value));
    }
}

void PictureGraph::draw(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, Qt::white);
    const QRect plot = plot_area(area);
    const std::size_t n = picture_count();
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    if (n == 0 || plot.width() <= 2 || plot.height() <= 2) {
        painter.setPen(Qt::black);
        painter.drawText(plot, Qt::AlignCenter, tr("Aucune image"));
        return;
    }
    const int columns = plot.width() - 2;
    const double per_column = count_ / columns;
    std::uint32_t top = 0;
    const std::vector<Maxima> maxima = columns_maxima(columns, per_column, top);
    draw_bars(painter, plot, maxima, top);
    if (shows_quantiser()) {
        draw_quantiser(painter, plot, per_column);
    }
    draw_set_changes(painter, plot, per_column);
    draw_captions(painter, area, plot, top);
}

std::vector<PictureGraph::Maxima> PictureGraph::columns_maxima(int columns, double per_column,
                                                               std::uint32_t& top) const {
    const std::size_t n = picture_count();
    std::vector<Maxima> maxima(static_cast<std::size_t>(columns));
    top = 1;
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
    return maxima;
}

// Each column's bars, tallest first, so that every type present stays in sight; the lines
// go in batches by rank and type.
void PictureGraph::draw_bars(QPainter& painter, const QRect& plot,
                             const std::vector<Maxima>& maxima, std::uint32_t top) const {
    const int columns = static_cast<int>(maxima.size());
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
}

// The set changes: one mark per column at most, numbered with the set that begins.
void PictureGraph::draw_set_changes(QPainter& painter, const QRect& plot, double per_column) const {
    const std::size_t n = picture_count();
    const int bottom = plot.bottom() - 1;
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
}

// The scale above, the pictures shown below, the legend at the right.
void PictureGraph::draw_captions(QPainter& painter, const QRect& area, const QRect& plot,
                                 std::uint32_t top) const {
    painter.setPen(Qt::black);
    const int line = fontMetrics().height();
    painter.drawText(QRect(area.left() + 4, area.top() + 2, area.width() / 2, line),
                     Qt::AlignLeft | Qt::AlignVCenter, tr("%1 octets").arg(grouped(top)));
    const auto last = static_cast<std::size_t>(std::max(first_, first_ + count_ - 1));
    painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     tr("image %1").arg(grouped(static_cast<std::uint64_t>(first_))));
    painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line),
                     Qt::AlignRight | Qt::AlignVCenter, tr("image %1").arg(grouped(last)));
    int x = area.right() - 4;
    for (std::size_t type = 4; type-- > 0;) {
        const QString name = type_name(static_cast<std::uint8_t>(type + 1));
        const int width = fontMetrics().horizontalAdvance(name);
        x -= width;
        painter.setPen(type_colours[type]);
        painter.drawText(QRect(x, area.top() + 2, width, line), Qt::AlignCenter, name);
        painter.fillRect(QRect(x - 10, area.top() + 2 + line / 2 - 3, 7, 7), type_colours[type]);
        x -= 18;
    }
    if (shows_quantiser()) {
        const QString name = tr("quantificateur (moyen, min–max)");
        const int width = fontMetrics().horizontalAdvance(name);
        x -= width - 4;
        painter.setPen(quantiser_colour);
        painter.drawText(QRect(x, area.top() + 2, width, line), Qt::AlignCenter, name);
        const int y = area.top() + 2 + line / 2;
        painter.fillRect(QRect(x - 14, y - 4, 10, 9), quantiser_band_colour);
        painter.setPen(QPen(quantiser_colour, 2));
        painter.drawLine(x - 14, y, x - 5, y);
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
    QString text = tr("Image %1 : %2, %3 octets")
                       .arg(grouped(p.index), type_name(p.picture_coding_type), grouped(p.bytes));
    if (p.matrix_set != 0) {
        text += tr(", jeu %1").arg(p.matrix_set);
    }
    if (result_->quantiser_read && p.quantiser.read) {
        text += tr(", quantificateur moyen %1 (min %2, max %3)")
                    .arg(QString::fromStdString(
                             quantiser_average_text(p.quantiser.quantiser_average_hundredths)),
                         QString::number(p.quantiser.quantiser_min),
                         QString::number(p.quantiser.quantiser_max));
    }
    return text;
}

QString PictureGraph::description() const {
    const std::size_t n = picture_count();
    if (n == 0) {
        return tr("Aucune image.");
    }
    QString text = tr("Taille de chaque image en octets le long du flux, %1 images ; "
                      "I en rouge, P en bleu, B en vert, D en gris.")
                       .arg(grouped(n));
    if (shows_quantiser()) {
        text += tr(" En orange, le quantificateur moyen de chaque image et sa bande du "
                   "minimum au maximum, sur l'axe de droite (0 à %1). Un clic ou Entrée "
                   "montre les macroblocs de l'image.")
                    .arg(quantiser_top_);
    }
    QStringList marks;
    for (const mpeg::MatrixChange& change : result_->changes) {
        if (change.picture && *change.picture < n && *change.picture != 0) {
            marks << tr("image %1 (jeu %2)")
                         .arg(grouped(*change.picture))
                         .arg(result_->picture_records[*change.picture].matrix_set);
            if (marks.size() == 20) {
                marks << QStringLiteral("…");
                break;
            }
        }
    }
    if (!marks.isEmpty()) {
        text += tr(" Changements de jeu de matrices : ") + marks.join(QStringLiteral(", ")) +
                QLatin1Char('.');
    }
    const auto last = static_cast<std::uint64_t>(std::max(first_, first_ + count_ - 1));
    text += tr(" Affichées : images %1 à %2.")
                .arg(grouped(static_cast<std::uint64_t>(first_)), grouped(last));
    return text;
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
