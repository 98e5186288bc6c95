#pragma once

#include "check/timeline.h"
#include "mpeg/scan.h"
#include "session/session.h"

#include <QWidget>
#include <array>

class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableWidget;

namespace quantaline {

class MatrixGrid;
class PictureGraph;
class Platform;

// "Flux complet - NAME" for an MPEG-4 Part 2, H.264 or HEVC video: the summary of the walk
// over its pictures and parameter sets, the graph of its pictures (bytes, types, slice QP
// along time), the table of its sets of lists, and the lists of the set selected, a pair
// at a time as the main window shows them. It shows what the session
// holds; the session's result must stay until the window is rebuilt or closed.
class FrmFluxListes : public QWidget {
    Q_OBJECT
  public:
    FrmFluxListes(Session& session, Platform& platform, QWidget* parent = nullptr);

    // Fills every part from the session's result.
    void show_stream();
    QTableWidget& sets_table() { return *table_; }
    PictureGraph& graph() { return *graph_; }
    QComboBox& lists_choice() { return *lists_box_; }

  private:
    void build_sets(QWidget* parent, QHBoxLayout& layout);
    void show_selected_set();
    void show_pair();
    void save_pictures();

    Session& session_;
    Platform& platform_;
    QPushButton* save_ = nullptr;
    QGroupBox* summary_ = nullptr;
    QWidget* summary_lines_ = nullptr; // in a scroll area: long values wrap, none is cut
    QTableWidget* table_ = nullptr;
    QComboBox* lists_box_ = nullptr;
    std::array<MatrixGrid*, 2> grids_{};
    QLabel* dc_label_ = nullptr;
    PictureGraph* graph_ = nullptr;
    // What the graph draws, kept while it shows them.
    mpeg::ScanResult graph_stream_;
    check::Timeline timeline_;
    // The selected set's lists and their pairs, into them.
    CodecAnalysis shown_;
    std::vector<ListPair> pairs_;
};

} // namespace quantaline
