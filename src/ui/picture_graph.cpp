#include "ui/picture_graph.h"

#include "analysis/display.h"
#include "check/texts.h"
#include "io/text.h"
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
#include <limits>

namespace quantaline {

namespace {

constexpr double smallest_view = 10;

const std::array<QColor, 4> type_colours = {QColor(200, 0, 0), QColor(0, 70, 200),
                                            QColor(0, 150, 0), QColor(110, 110, 110)};
// The quantiser over the bars: a line dark enough to read over any of them, a band pale
// enough to let them show through.
const QColor quantiser_colour(230, 110, 0);
const QColor quantiser_band_colour(255, 170, 60, 70);
const QColor grid_colour(232, 232, 232);
// The buffer: a pale area under the bars, its least occupancy as a line over them.
const QColor buffer_colour(0, 128, 140);
const QColor buffer_fill_colour(0, 160, 175, 45);
const QColor fault_colour(220, 0, 0);
const QColor rate_colour(70, 110, 165);
const QColor group_colour(95, 95, 165);
const QColor average_colour(60, 60, 60);
const QColor header_rate_colour(140, 0, 170);
const QColor selection_colour(0, 0, 0);

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

namespace {

// A step of 1, 2 or 5 times a power of ten that cuts `top` in at most `parts` parts.
double nice_step(double top, int parts) {
    const double raw = std::max(top, 1e-9) / parts;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= raw) {
            return m * power;
        }
    }
    return 10 * power;
}

double nice_top(double largest) {
    const double step = nice_step(std::max(largest, 1.0), 4);
    return std::max(step, std::ceil(std::max(largest, 1.0) / step) * step);
}

// Seconds as the time axis writes them: hh:mm:ss, with tenths when the ticks are closer.
QString time_label(double seconds, bool tenths) {
    const auto total_tenths = static_cast<long long>(std::llround(std::max(0.0, seconds) * 10));
    const long long total = total_tenths / 10;
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(total / 3600, 2, 10, QLatin1Char('0'))
                       .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
                       .arg(total % 60, 2, 10, QLatin1Char('0'));
    if (tenths) {
        text += (text_language() == Language::french ? QLatin1Char(',') : QLatin1Char('.')) +
                QString::number(total_tenths % 10);
    }
    return text;
}

constexpr std::array<double, 19> time_steps = {
    0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 14400, 43200};

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

void PictureGraph::draw_quantiser(QPainter& painter, const QRect& strip, double per_column) const {
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(strip.adjusted(0, 0, -1, -1));
    const int columns = strip.width() - 2;
    const int bottom = strip.bottom() - 1;
    const double scale = (strip.height() - 3) / static_cast<double>(pyramid_.quantiser_top());
    const auto y_of = [&](double quantiser) {
        return bottom - static_cast<int>(std::lround(quantiser * scale));
    };
    std::vector<QLine> band;
    std::vector<QPoint> line;
    std::vector<std::vector<QPoint>> lines;
    for (int c = 0; c < columns; ++c) {
        const auto [begin, end] = column_pictures(c, per_column);
        const PicturePyramid::Quantiser q =
            begin < end ? pyramid_.quantiser(begin, end) : PicturePyramid::Quantiser{};
        const int x = strip.left() + 1 + c;
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
    painter.setPen(QPen(quantiser_colour, 2));
    for (const auto& points : lines) {
        if (points.size() == 1) {
            painter.drawPoint(points.front());
        } else {
            painter.drawPolyline(points.data(), static_cast<int>(points.size()));
        }
    }
    // Its name inside at the left, its axis at the right: its top and 0.
    painter.setPen(quantiser_colour);
    const int height = fontMetrics().height();
    const QString name =
        slice_qp_ ? tr("QP des tranches (moyen, min–max)") : tr("quantificateur (moyen, min–max)");
    const QRect name_area(strip.left() + 3, strip.top() + 2,
                          fontMetrics().horizontalAdvance(name) + 4, height);
    painter.fillRect(name_area, QColor(255, 255, 255, 220));
    painter.drawText(name_area, Qt::AlignCenter, name);
    for (const int value : {static_cast<int>(pyramid_.quantiser_top()), 0}) {
        const int y = std::clamp(y_of(value), strip.top() + height / 2, bottom - height / 2);
        painter.drawLine(strip.right() - 2, y_of(value), strip.right(), y_of(value));
        painter.drawText(QRect(strip.right() + 3, y - height / 2, 40, height),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::number(value));
    }
}

// Light lines across the plot at each tick, the values at the left.
void PictureGraph::draw_value_axis(QPainter& painter, const QRect& plot, double top) const {
    const double step = nice_step(top, 4);
    const int height = fontMetrics().height();
    const int bottom = plot.bottom() - 1;
    const double scale = (plot.height() - 3) / top;
    for (double value = 0; value <= top + step / 2; value += step) {
        const int y = bottom - static_cast<int>(std::lround(value * scale));
        painter.setPen(grid_colour);
        if (value > 0) {
            painter.drawLine(plot.left() + 1, y, plot.right() - 1, y);
        }
        painter.setPen(Qt::black);
        painter.drawLine(plot.left() - 3, y, plot.left(), y);
        painter.drawText(QRect(0, y - height / 2, plot.left() - 5, height),
                         Qt::AlignRight | Qt::AlignVCenter,
                         grouped(static_cast<std::uint64_t>(std::llround(value))));
    }
}

// Ticks at round times (or picture numbers without times), labelled under the strip, with
// light lines across the plot.
void PictureGraph::draw_time_axis(QPainter& painter, const Parts& parts, double per_column) const {
    const QRect& plot = parts.plot;
    const int low = parts.strip.isNull() ? plot.bottom() : parts.strip.bottom();
    const double first = first_;
    const double last = std::max(first_, first_ + count_ - 1);
    const bool timed = shows_rate();
    const std::vector<double>* times = timed ? &timeline_->times : nullptr;
    const auto at = [&](double picture) {
        return timed ? (*times)[static_cast<std::size_t>(picture)] : picture;
    };
    const double span = std::max(at(last) - at(first), 1e-6);
    const int label_width = fontMetrics().horizontalAdvance(QStringLiteral("00:00:00,0")) + 24;
    const double wanted = span * label_width / std::max(1, plot.width());
    double step = nice_step(wanted, 1);
    if (timed) {
        const auto found = std::find_if(time_steps.begin(), time_steps.end(),
                                        [&](double s) { return s >= wanted; });
        step = found != time_steps.end() ? *found : std::ceil(wanted / 86400) * 86400;
    }
    step = std::max(step, timed ? 0.1 : 1.0);
    int last_right = std::numeric_limits<int>::min();
    for (double value = std::ceil(at(first) / step) * step; value <= at(last); value += step) {
        double picture = value;
        if (timed) {
            const auto begin = times->begin() + static_cast<std::ptrdiff_t>(first);
            const auto end = times->begin() + static_cast<std::ptrdiff_t>(last) + 1;
            picture =
                static_cast<double>(std::lower_bound(begin, end, value - 1e-9) - times->begin());
        }
        const int x = static_cast<int>(std::lround(column_x(picture, plot, per_column)));
        painter.setPen(grid_colour);
        painter.drawLine(x, plot.top() + 1, x, plot.bottom() - 1);
        painter.setPen(Qt::black);
        painter.drawLine(x, low, x, low + 4);
        const QString label =
            timed ? time_label(value, step < 1) : grouped(static_cast<std::uint64_t>(value));
        const int width = fontMetrics().horizontalAdvance(label);
        if (x - width / 2 > last_right + 8) {
            painter.drawText(QRect(x - width / 2, low + 5, width, fontMetrics().height()),
                             Qt::AlignCenter, label);
            last_right = x + width / 2;
        }
    }
}

std::vector<PictureGraph::BufferColumn> PictureGraph::buffer_columns(int columns,
                                                                     double per_column) const {
    std::vector<BufferColumn> out(static_cast<std::size_t>(std::max(0, columns)));
    for (int c = 0; c < columns; ++c) {
        const auto [begin, end] = column_pictures(c, per_column);
        BufferColumn& column = out[static_cast<std::size_t>(c)];
        for (std::size_t i = begin; i < end; ++i) {
            const check::PictureBuffer* p = buffer_->at(i);
            if (p == nullptr) {
                continue;
            }
            column.low = column.modelled ? std::min(column.low, p->occupancy) : p->occupancy;
            column.high = column.modelled ? std::max(column.high, p->occupancy) : p->occupancy;
            column.modelled = true;
            column.underflow = column.underflow || p->underflow;
            column.overflow = column.overflow || p->overflow;
        }
    }
    return out;
}

double PictureGraph::buffer_y(double bits, const QRect& plot) const {
    return plot.bottom() - 1 - bits * (plot.height() - 3) / buffer_top_;
}

// Under the bars: the buffer's occupancy, filled up to its largest value in each column.
void PictureGraph::draw_buffer_fill(QPainter& painter, const QRect& plot,
                                    const std::vector<BufferColumn>& columns) const {
    std::vector<QLine> fill;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].modelled) {
            const int x = plot.left() + 1 + static_cast<int>(c);
            fill.emplace_back(x, plot.bottom() - 1, x,
                              static_cast<int>(std::lround(buffer_y(columns[c].high, plot))));
        }
    }
    painter.setPen(buffer_fill_colour);
    painter.drawLines(fill.data(), static_cast<int>(fill.size()));
}

// Over the bars: the least occupancy as a line, the buffer's size dashed, and in red the
// columns where it underflows (marked at the foot) or overflows (at the top).
void PictureGraph::draw_buffer_line(QPainter& painter, const QRect& plot,
                                    const std::vector<BufferColumn>& columns) const {
    std::vector<QPointF> line;
    std::vector<QLine> faults;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const int x = plot.left() + 1 + static_cast<int>(c);
        if (!columns[c].modelled) {
            continue;
        }
        line.emplace_back(x, buffer_y(columns[c].low, plot));
        if (columns[c].underflow) {
            faults.emplace_back(x, plot.bottom() - 1, x, plot.bottom() - 8);
        }
        if (columns[c].overflow) {
            faults.emplace_back(x, plot.top() + 1, x, plot.top() + 8);
        }
    }
    painter.setPen(QPen(buffer_colour, 1.5));
    painter.drawPolyline(line.data(), static_cast<int>(line.size()));
    painter.setPen(QPen(buffer_colour, 1, Qt::DashLine));
    const double size_y = buffer_y(buffer_->buffer_size, plot);
    painter.drawLine(QPointF(plot.left() + 1, size_y), QPointF(plot.right() - 1, size_y));
    painter.setPen(QPen(fault_colour, 2));
    painter.drawLines(faults.data(), static_cast<int>(faults.size()));
}

// The buffer's axis at the right, in kbit.
void PictureGraph::draw_buffer_axis(QPainter& painter, const QRect& plot) const {
    const double top = buffer_top_ / 1000;
    const double step = nice_step(top, 3);
    const int height = fontMetrics().height();
    painter.setPen(buffer_colour);
    for (double value = 0; value <= top; value += step) {
        const int y = static_cast<int>(std::lround(buffer_y(value * 1000, plot)));
        painter.drawLine(plot.right() - 1, y, plot.right() + 2, y);
        painter.drawText(QRect(plot.right() + 4, y - height / 2, 60, height),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         grouped(static_cast<std::uint64_t>(std::llround(value))));
    }
}

std::vector<double> PictureGraph::column_values(int columns, double per_column) const {
    std::vector<double> values(static_cast<std::size_t>(std::max(0, columns)), 0.0);
    const auto& starts = timeline_->group_starts;
    for (int c = 0; c < columns; ++c) {
        const auto [begin, end] = column_pictures(c, per_column);
        if (begin >= end) {
            continue;
        }
        double& value = values[static_cast<std::size_t>(c)];
        if (view_ == View::group_bytes) {
            const auto group_of = [&](std::size_t picture) {
                return static_cast<std::size_t>(
                    std::upper_bound(starts.begin(), starts.end(), picture) - starts.begin() - 1);
            };
            for (std::size_t g = group_of(begin); g <= group_of(end - 1); ++g) {
                value = std::max(value, timeline_->group_bits[g] / 8);
            }
        } else {
            const auto second = [&](std::size_t picture) {
                return static_cast<std::size_t>(std::max(0.0, timeline_->times[picture]));
            };
            for (std::size_t s = second(begin); s <= second(end - 1); ++s) {
                value = std::max(value, timeline_->second_bits[s] / 1000);
            }
        }
    }
    return values;
}

void PictureGraph::draw_values(QPainter& painter, const QRect& plot,
                               const std::vector<double>& values, double top) const {
    std::vector<QLine> bars;
    const int bottom = plot.bottom() - 1;
    const double scale = (plot.height() - 3) / top;
    for (std::size_t c = 0; c < values.size(); ++c) {
        if (values[c] > 0) {
            const int x = plot.left() + 1 + static_cast<int>(c);
            const int height = std::max(1, static_cast<int>(std::lround(values[c] * scale)));
            bars.emplace_back(x, bottom, x, bottom - height + 1);
        }
    }
    painter.setPen(view_ == View::bit_rate ? rate_colour : group_colour);
    painter.drawLines(bars.data(), static_cast<int>(bars.size()));
}

// The stream's average rate and its header's maximum, across the bit rate view.
void PictureGraph::draw_rate_lines(QPainter& painter, const QRect& plot, double top) const {
    const int bottom = plot.bottom() - 1;
    const double scale = (plot.height() - 3) / top;
    const auto line_at = [&](double kbits, const QColor& colour) {
        const int y = bottom - static_cast<int>(std::lround(kbits * scale));
        painter.setPen(QPen(colour, 1.5, Qt::DashLine));
        painter.drawLine(plot.left() + 1, y, plot.right() - 1, y);
    };
    line_at(average_kbits(), average_colour);
    if (header_kbits() > 0) {
        line_at(header_kbits(), header_rate_colour);
    }
}

double PictureGraph::average_kbits() const {
    double bits = 0;
    for (const double second : timeline_->second_bits) {
        bits += second;
    }
    return timeline_->duration > 0 ? bits / timeline_->duration / 1000 : 0;
}

double PictureGraph::header_kbits() const {
    return result_->sequences.empty() ? 0 : result_->sequences.front().bit_rate * 0.4;
}

void PictureGraph::draw_selection(QPainter& painter, const Parts& parts, double per_column) const {
    if (!selected_ || static_cast<double>(*selected_) < first_ ||
        static_cast<double>(*selected_) >= first_ + count_) {
        return;
    }
    const int x =
        static_cast<int>(column_x(static_cast<double>(*selected_), parts.plot, per_column));
    const int bottom = parts.strip.isNull() ? parts.plot.bottom() : parts.strip.bottom();
    painter.setPen(QPen(selection_colour, 2));
    painter.drawLine(x, parts.plot.top() + 1, x, bottom - 1);
}

void PictureGraph::draw(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, Qt::white);
    const Parts parts = parts_of(area);
    const QRect& plot = parts.plot;
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
    const bool by_type = view_ == View::picture_bytes || !shows_rate();
    std::uint32_t largest = 0;
    const std::vector<Maxima> maxima =
        by_type ? columns_maxima(columns, per_column, largest) : std::vector<Maxima>{};
    const std::vector<double> values =
        by_type ? std::vector<double>{} : column_values(columns, per_column);
    double top = by_type ? largest : *std::max_element(values.begin(), values.end());
    if (!by_type && view_ == View::bit_rate) {
        top = std::max({top, average_kbits(), header_kbits()});
    }
    top = nice_top(top);
    draw_value_axis(painter, plot, top);
    draw_time_axis(painter, parts, per_column);
    const std::vector<BufferColumn> buffer =
        shows_buffer() ? buffer_columns(columns, per_column) : std::vector<BufferColumn>{};
    draw_buffer_fill(painter, plot, buffer);
    if (by_type) {
        draw_bars(painter, plot, maxima, static_cast<std::uint32_t>(top));
    } else {
        draw_values(painter, plot, values, top);
    }
    if (!by_type && view_ == View::bit_rate) {
        draw_rate_lines(painter, plot, top);
    }
    if (shows_buffer()) {
        draw_buffer_line(painter, plot, buffer);
        draw_buffer_axis(painter, plot);
    }
    draw_set_changes(painter, plot, per_column);
    if (shows_quantiser()) {
        draw_quantiser(painter, parts.strip, per_column);
    }
    draw_selection(painter, parts, per_column);
    draw_captions(painter, area);
}

// A coloured mark and a name ending at `right`; gives where the next entry ends.
int PictureGraph::draw_legend_entry(QPainter& painter, int right, int y, const QString& name,
                                    const QColor& colour, bool line) const {
    const int width = fontMetrics().horizontalAdvance(name);
    const int height = fontMetrics().height();
    const int x = right - width;
    painter.setPen(colour);
    painter.drawText(QRect(x, y, width, height), Qt::AlignCenter, name);
    if (line) {
        painter.setPen(QPen(colour, 2, colour == buffer_colour ? Qt::SolidLine : Qt::DashLine));
        painter.drawLine(x - 16, y + height / 2, x - 4, y + height / 2);
        return x - 26;
    }
    painter.fillRect(QRect(x - 10, y + height / 2 - 3, 7, 7), colour);
    return x - 18;
}

// The unit of the bars above the value axis, the legend at the right.
void PictureGraph::draw_captions(QPainter& painter, const QRect& area) const {
    const int line = fontMetrics().height();
    const int y = area.top() + 2;
    const bool by_type = view_ == View::picture_bytes || !shows_rate();
    const QString unit = by_type                      ? tr("octets par image")
                         : view_ == View::group_bytes ? tr("octets par GOP")
                                                      : tr("kbit/s");
    painter.setPen(Qt::black);
    painter.drawText(QRect(area.left() + 4, y, area.width() / 3, line),
                     Qt::AlignLeft | Qt::AlignVCenter, unit);
    int x = area.right() - 4;
    if (shows_buffer()) {
        x = draw_legend_entry(painter, x, y, tr("tampon %1 (kbit, à droite)").arg(buffer_name()),
                              buffer_colour, true);
    }
    if (by_type) {
        for (std::size_t type = 4; type-- > 0;) {
            x = draw_legend_entry(painter, x, y, type_name(static_cast<std::uint8_t>(type + 1)),
                                  type_colours[type], false);
        }
    } else if (view_ == View::bit_rate) {
        if (header_kbits() > 0) {
            x = draw_legend_entry(painter, x, y, tr("débit maximum de l'en-tête"),
                                  header_rate_colour, true);
        }
        draw_legend_entry(painter, x, y, tr("moyenne"), average_colour, true);
    }
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
        maxima[static_cast<std::size_t>(c)] = pyramid_.maxima(begin, end);
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
        text += (slice_qp_ ? tr(", QP des tranches moyen %1 (min %2, max %3)")
                           : tr(", quantificateur moyen %1 (min %2, max %3)"))
                    .arg(QString::fromStdString(
                             quantiser_average_text(p.quantiser.quantiser_average_hundredths)),
                         QString::number(p.quantiser.quantiser_min),
                         QString::number(p.quantiser.quantiser_max));
    }
    if (shows_rate()) {
        text += tr(", à %1").arg(QString::fromStdString(check::time_text(timeline_->times[index])));
    }
    if (const check::PictureBuffer* b = shows_buffer() ? buffer_->at(index) : nullptr) {
        text += tr(", tampon %1 %2 kbit")
                    .arg(buffer_name(),
                         grouped(static_cast<std::uint64_t>(std::llround(b->occupancy / 1000))));
        if (b->underflow) {
            text += tr(" (sous-alimentation)");
        } else if (b->overflow) {
            text += tr(" (débordement)");
        }
    }
    return text;
}

// What the bars show, for assistive technology.
QString PictureGraph::view_text() const {
    const std::size_t n = picture_count();
    if (view_ == View::bit_rate && shows_rate()) {
        return tr("Débit de chaque seconde en kbit/s le long du flux, %1 images ; en pointillés "
                  "le débit moyen (%2 kbit/s) et le débit maximum de l'en-tête (%3 kbit/s).")
            .arg(grouped(n), grouped(static_cast<std::uint64_t>(std::llround(average_kbits()))),
                 grouped(static_cast<std::uint64_t>(std::llround(header_kbits()))));
    }
    if (view_ == View::group_bytes && shows_rate()) {
        return tr("Taille de chaque groupe d'images en octets le long du flux, %1 groupes.")
            .arg(grouped(timeline_->group_starts.size()));
    }
    return tr("Taille de chaque image en octets le long du flux, %1 images ; "
              "I en rouge, P en bleu, B en vert, D en gris.")
        .arg(grouped(n));
}

QString PictureGraph::description() const {
    const std::size_t n = picture_count();
    if (n == 0) {
        return tr("Aucune image.");
    }
    QString text = view_text();
    if (shows_quantiser() && slice_qp_) {
        text += tr(" En orange, dans la bande du bas, le QP des tranches de chaque image, moyen, "
                   "et sa bande du minimum au maximum (0 à %1).")
                    .arg(pyramid_.quantiser_top());
    } else if (shows_quantiser()) {
        text += tr(" En orange, dans la bande du bas, le quantificateur moyen de chaque image et "
                   "sa bande du minimum au maximum (0 à %1). Un clic ou Entrée montre les "
                   "macroblocs de l'image.")
                    .arg(pyramid_.quantiser_top());
    }
    if (shows_buffer()) {
        std::uint64_t underflows = 0;
        std::uint64_t overflows = 0;
        for (const check::PictureBuffer& p : buffer_->pictures) {
            underflows += p.underflow ? 1 : 0;
            overflows += p.overflow ? 1 : 0;
        }
        text +=
            tr(" En bleu-vert, l'occupation du tampon %1 sur l'axe de droite en kbit, sa "
               "taille (%2 kbit) en pointillés ; images en sous-alimentation : %3, en "
               "débordement : %4.")
                .arg(buffer_name(),
                     grouped(static_cast<std::uint64_t>(std::llround(buffer_->buffer_size / 1000))),
                     grouped(underflows), grouped(overflows));
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
    if (shows_rate()) {
        text += tr(" De %1 à %2.")
                    .arg(QString::fromStdString(
                             check::time_text(timeline_->times[static_cast<std::size_t>(first_)])),
                         QString::fromStdString(check::time_text(timeline_->times[last])));
    }
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
