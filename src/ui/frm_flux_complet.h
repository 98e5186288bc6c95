#pragma once

#include "check/timeline.h"
#include "mpeg/scan.h"
#include "session/session.h"
#include "ui/check_panel.h"

#include <QWidget>
#include <array>

class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QTimer;
class QVBoxLayout;

namespace quantaline {

class Platform;
class PictureGraph;
class MacroblockMap;
class MatrixGrid;

// "Flux complet - NAME": the whole stream read in the background, one window for every codec.
// Above, the summary and the graph of the pictures; below, the panes the video's codec has:
// - MPEG-1/2: its matrix sets with the grids of the one selected, the macroblocks of the
//   picture chosen in the graph, the check ("Conformité"), and the button that puts a set in
//   the main window;
// - MPEG-4 Part 2, H.264 and HEVC: the sets of lists, the lists of the set selected a pair at
//   a time as the main window shows them (the graph gains the slice QP and the coded picture
//   buffer), and for H.264 and HEVC the check of the buffer and of the disc's rules.
// The panes are chosen once, for the file the session holds: another file's window is
// another window. It shows what the session holds; the session's result must stay until
// the window is rebuilt or closed.
class FrmFluxComplet : public QWidget {
    Q_OBJECT
  public:
    FrmFluxComplet(Session& session, Platform& platform, QWidget* parent = nullptr);

    // Fills every part from the session's result.
    void show_stream();
    // Whether the window shows an MPEG-4 Part 2, H.264 or HEVC video's sets of lists (else
    // an MPEG-1/2 video's matrix sets).
    bool shows_lists() const { return lists_; }
    PictureGraph& graph() { return *graph_; }
    // The sets' table: "Jeux de matrices" or "Jeux de listes".
    QTableWidget& sets_table() { return *table_; }
    CheckPanel& check_panel() { return *check_; }
    QTableWidget& findings_table() { return check_->findings_table(); }
    QComboBox& profile_choice() { return check_->profile_choice(); }

    // MPEG-1/2's picture view: picture `index`'s macroblocks, read in the background, its
    // tab brought forward unless `bring_forward` is false (nothing for the other codecs,
    // whose window has no map).
    MacroblockMap& macroblock_map() { return *map_; }
    void show_picture(std::size_t index, bool bring_forward = true);
    // The other codecs' choice of the pair of lists the grids show.
    QComboBox& lists_choice() { return *lists_box_; }

  signals:
    // "Utiliser ce jeu de matrices" put the selected set in the session.
    void matrix_set_chosen();
    // Another profile was chosen in "Conformité": the session checked the stream again.
    void profile_chosen();

  private:
    void build_summary_and_graph(QVBoxLayout& layout);
    void build_check_tab();
    void build_buttons(QVBoxLayout& layout);
    void show_check();
    void save_pictures();

    // MPEG-1/2's panes (frm_flux_matrices.cpp).
    void build_sets_tab();
    void build_picture_tab();
    void show_matrix_sets();
    void show_mpeg_check();
    void show_selected_set();
    void use_selected_set();
    std::size_t selected_set() const;
    void follow_map_read();

    // The other codecs' panes (frm_flux_listes.cpp).
    void build_lists_tab();
    void show_list_sets();
    void show_codec_check();
    void show_selected_lists();
    void show_pair();

    Session& session_;
    Platform& platform_;
    const bool lists_;
    QGroupBox* summary_ = nullptr;
    QWidget* summary_lines_ = nullptr; // the summary's form: in a scroll area for the lists
    PictureGraph* graph_ = nullptr;
    QTableWidget* table_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    CheckPanel* check_ = nullptr;
    QPushButton* save_ = nullptr;

    // MPEG-1/2's.
    QGroupBox* grids_box_ = nullptr;
    // cd_jeu_mat1 to cd_jeu_mat4, cells jeu_matG_k.
    std::array<MatrixGrid*, 4> grids_{};
    QWidget* picture_tab_ = nullptr;
    QLabel* picture_text_ = nullptr;
    MacroblockMap* map_ = nullptr;
    QTimer* map_timer_ = nullptr;
    const check::CheckResult* shown_check_ = nullptr;
    QPushButton* use_ = nullptr;

    // The other codecs'.
    QComboBox* lists_box_ = nullptr;
    // cd_jeu_liste1 and cd_jeu_liste2, cells jeu_listeG_k.
    std::array<MatrixGrid*, 2> list_grids_{};
    QLabel* dc_label_ = nullptr;
    // What the graph draws, kept while it shows them.
    mpeg::ScanResult graph_stream_;
    check::Timeline timeline_;
    // The selected set's lists and their pairs, into them.
    CodecAnalysis shown_;
    std::vector<ListPair> pairs_;
};

} // namespace quantaline
