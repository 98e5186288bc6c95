#include "check/texts.h"
#include "io/text.h"
#include "session/whole_stream.h"
#include "ui/controls.h"
#include "ui/picture_graph.h"
#include "ui/picture_graph_parts.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

// The graph's drawing: bars, values, buffer, quantiser strip, axes, captions and marks.

namespace quantaline {

namespace {

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

} // namespace quantaline
