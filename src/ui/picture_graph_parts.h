#pragma once

// What the picture graph's files share: its colours, the names of the picture types, its
// numbers grouped by thousands and its axes' round steps.

#include "analysis/display.h"
#include "mpeg/codes.h"

#include <QColor>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace quantaline {

inline const std::array<QColor, 4> type_colours = {QColor(200, 0, 0), QColor(0, 70, 200),
                                                   QColor(0, 150, 0), QColor(110, 110, 110)};
// The quantiser over the bars: a line dark enough to read over any of them, a band pale
// enough to let them show through.
inline const QColor quantiser_colour(230, 110, 0);
inline const QColor quantiser_band_colour(255, 170, 60, 70);
inline const QColor grid_colour(232, 232, 232);
// The buffer: a pale area under the bars, its least occupancy as a line over them.
inline const QColor buffer_colour(0, 128, 140);
inline const QColor buffer_fill_colour(0, 160, 175, 45);
inline const QColor fault_colour(220, 0, 0);
inline const QColor rate_colour(70, 110, 165);
inline const QColor group_colour(95, 95, 165);
inline const QColor average_colour(60, 60, 60);
inline const QColor header_rate_colour(140, 0, 170);
inline const QColor selection_colour(0, 0, 0);

inline QString type_name(std::uint8_t picture_coding_type) {
    const std::string_view name = mpeg::picture_coding_type_name(picture_coding_type);
    return name.empty() ? QStringLiteral("?")
                        : QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

inline QString grouped(std::uint64_t value) {
    return QString::fromStdString(grouped_number(value));
}

// A step of 1, 2 or 5 times a power of ten that cuts `top` in at most `parts` parts.
inline double nice_step(double top, int parts) {
    const double raw = std::max(top, 1e-9) / parts;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= raw) {
            return m * power;
        }
    }
    return 10 * power;
}

inline double nice_top(double largest) {
    const double step = nice_step(std::max(largest, 1.0), 4);
    return std::max(step, std::ceil(std::max(largest, 1.0) / step) * step);
}

} // namespace quantaline
