#pragma once

#include "mpeg/syntax.h"

#include <QFont>
#include <QGroupBox>
#include <QPoint>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

class QLabel;

namespace quantaline {

struct CodecAnalysis;
struct CodecList;

// A matrix shown as its 8 x 8 values in a frame with its caption, as the main window and the
// "Flux complet" window show them. The cells are bordered labels named NAME_1 to NAME_64,
// cell k in row (k - 1) / 8 and column (k - 1) % 8 counted from 0, each one border narrower
// in its pitch than in its size so that neighbours share a line; a cell's text is what a
// screen reader reads of it. A matrix the stream carries is black, the standard's default
// (which it does not) green.
class MatrixGrid : public QGroupBox {
    Q_OBJECT
  public:
    struct Cells {
        QString name;      // of the cells: NAME_k
        QPoint first_cell; // where cell 1 lies in the frame
        QFont first_font;  // cell 1's
        QFont font;        // the other cells'
        bool centred;      // the other cells' alignment, left otherwise; cell 1 is centred
    };

    static constexpr int cell_size = 25;
    static constexpr int cell_pitch = cell_size - 1;

    MatrixGrid(const QString& caption, const Cells& cells, QWidget* parent);

    const std::array<QLabel*, 64>& cells() const { return cells_; }

    // The values in raster order, in the colour of where the matrix comes from.
    void show_matrix(const mpeg::Matrix& matrix, bool from_stream);
    // A list of `side` x `side` values (4 or 8) in raster order: a 4x4 list in the top-left
    // cells, the others blank.
    void show_values(const std::vector<std::uint8_t>& values, int side, bool from_stream);
    // The colour alone.
    void set_origin(bool from_stream);
    void clear();
    // Every cell takes cell 1's point size, boldness and alignment.
    void take_first_cell_style();

  private:
    std::array<QLabel*, 64> cells_{};
};

// An H.264, HEVC or MPEG-4 video's pair of lists (intra, inter) in two grids, each grid and
// its cells told where its list comes from, or `without` when it has none (H.263
// quantisation, lists not read); the DC values of the lists that have one ("DC intra : 16").
QStringList show_list_pair(const std::array<MatrixGrid*, 2>& grids, const CodecAnalysis& analysis,
                           const std::array<const CodecList*, 2>& lists, const QString& without);

} // namespace quantaline
