#include "ui/matrix_grid.h"

#include "session/codec_view.h"
#include "ui/controls.h"
#include "ui/matrix_menu.h"

#include <QApplication>

namespace quantaline {

namespace {

const QColor default_matrix_colour(0, 192, 0);
const QColor stream_matrix_colour(0, 0, 0);

} // namespace

MatrixGrid::MatrixGrid(const QString& caption, const Cells& cells, QWidget* parent)
    : QGroupBox(caption, parent) {
    const QPalette system = QApplication::palette();
    for (int k = 1; k <= 64; ++k) {
        const int row = (k - 1) / 8;
        const int column = (k - 1) % 8;
        QLabel* cell =
            add_bordered_label(this, cells.name + QLatin1Char('_') + QString::number(k), QString(),
                               QRect(cells.first_cell.x() + cell_pitch * column,
                                     cells.first_cell.y() + cell_pitch * row, cell_size, cell_size),
                               k == 1 ? cells.first_font : cells.font);
        cell->setAlignment((k == 1 || cells.centred ? Qt::AlignHCenter : Qt::AlignLeft) |
                           Qt::AlignVCenter);
        set_background(*cell, system.color(QPalette::Base));
        set_text_colour(*cell, system.color(QPalette::Text));
        cells_[static_cast<std::size_t>(k - 1)] = cell;
    }
}

void MatrixGrid::show_matrix(const mpeg::Matrix& matrix, bool from_stream) {
    for (std::size_t k = 0; k < 64; ++k) {
        cells_[k]->setText(QString::number(matrix[k]));
    }
    set_origin(from_stream);
}

void MatrixGrid::show_values(const std::vector<std::uint8_t>& values, int side, bool from_stream) {
    for (std::size_t k = 0; k < 64; ++k) {
        const int row = static_cast<int>(k / 8);
        const int column = static_cast<int>(k % 8);
        const std::size_t index = (static_cast<std::size_t>(row) * static_cast<std::size_t>(side)) +
                                  static_cast<std::size_t>(column);
        if (row < side && column < side && index < values.size()) {
            cells_[k]->setText(QString::number(values[index]));
        } else {
            cells_[k]->clear();
        }
    }
    set_origin(from_stream);
}

void MatrixGrid::set_origin(bool from_stream) {
    for (QLabel* cell : cells_) {
        set_text_colour(*cell, from_stream ? stream_matrix_colour : default_matrix_colour);
    }
}

void MatrixGrid::clear() {
    for (QLabel* cell : cells_) {
        cell->clear();
    }
}

void MatrixGrid::take_first_cell_style() {
    const QFont first = cells_[0]->font();
    for (std::size_t k = 1; k < 64; ++k) {
        QLabel& cell = *cells_[k];
        QFont font = cell.font();
        font.setPointSizeF(first.pointSizeF());
        font.setBold(first.bold());
        cell.setFont(font);
        cell.setAlignment(cells_[0]->alignment());
    }
}

QStringList show_list_pair(const std::array<MatrixGrid*, 2>& grids, const CodecAnalysis& analysis,
                           const std::array<const CodecList*, 2>& lists, const QString& without) {
    QStringList dc;
    for (std::size_t g = 0; g < grids.size(); ++g) {
        MatrixGrid* grid = grids[g];
        const CodecList* list = lists[g];
        const QString tooltip =
            list != nullptr ? QString::fromStdString(list_tooltip(*list)) : without;
        if (list == nullptr) {
            grid->clear();
        } else {
            grid->show_values(list->values, list->grid, list_from_stream(analysis, *list));
        }
        set_grid_tooltip(grid, grid->cells(), tooltip);
        grid->setAccessibleDescription(tooltip);
        if (list != nullptr && list->dc) {
            dc << (g == 0 ? MatrixGrid::tr("DC intra : %1") : MatrixGrid::tr("DC inter : %1"))
                      .arg(*list->dc);
        }
    }
    return dc;
}

} // namespace quantaline
