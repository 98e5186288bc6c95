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
class QTabWidget;

namespace quantaline {

class CheckPanel;
class MatrixGrid;
class PictureGraph;
class Platform;

// "Flux complet - NAME" for an MPEG-4 Part 2, H.264 or HEVC video: the summary of the walk
// over its pictures and parameter sets, the graph of its pictures (bytes, types, slice QP
// and the coded picture buffer along time), the table of its sets of lists, the lists of
// the set selected, a pair at a time as the main window shows them, and for H.264 and
// HEVC the check of the buffer and of the disc's rules ("Conformité"). It shows what the session
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
    CheckPanel& check_panel() { return *check_; }

  signals:
    // Another profile was chosen in "Conformité": the session checked the stream again.
    void profile_chosen();

  private:
    void build_sets(QWidget* parent, QHBoxLayout& layout);
    void build_check_tab();
    void show_check();
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
    QTabWidget* tabs_ = nullptr;
    CheckPanel* check_ = nullptr;
    PictureGraph* graph_ = nullptr;
    // What the graph draws, kept while it shows them.
    mpeg::ScanResult graph_stream_;
    check::Timeline timeline_;
    // The selected set's lists and their pairs, into them.
    CodecAnalysis shown_;
    std::vector<ListPair> pairs_;
};

} // namespace quantaline
