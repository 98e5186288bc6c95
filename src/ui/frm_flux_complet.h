#pragma once

#include "session/session.h"
#include "ui/check_panel.h"

#include <QWidget>
#include <array>

class QComboBox;
class QGroupBox;
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

// "Flux complet - NAME": the whole stream read in the background. A summary, the graph
// of the pictures, the matrix sets with the grids of the one selected, the macroblocks of
// the picture chosen in the graph, and the buttons that put a set in the main window or
// save the per-picture table. It shows what the session
// holds; the session's result must stay until the window is rebuilt or closed.
class FrmFluxComplet : public QWidget {
    Q_OBJECT
  public:
    FrmFluxComplet(Session& session, Platform& platform, QWidget* parent = nullptr);

    // Fills every part from the session's result.
    void show_stream();
    PictureGraph& graph() { return *graph_; }
    MacroblockMap& macroblock_map() { return *map_; }
    // The picture view: picture `index`'s macroblocks, read in the background, its tab
    // brought forward unless `bring_forward` is false.
    void show_picture(std::size_t index, bool bring_forward = true);
    QTableWidget& findings_table() { return check_->findings_table(); }
    QComboBox& profile_choice() { return check_->profile_choice(); }

  signals:
    // "Utiliser ce jeu de matrices" put the selected set in the session.
    void matrix_set_chosen();
    // Another profile was chosen in "Conformité": the session checked the stream again.
    void profile_chosen();

  private:
    void build_summary_and_graph(QVBoxLayout& layout);
    void build_sets_tab();
    void build_picture_tab();
    void build_check_tab();
    void show_check();
    void build_buttons(QVBoxLayout& layout);
    void show_selected_set();
    void use_selected_set();
    void save_pictures();
    std::size_t selected_set() const;
    void follow_map_read();

    Session& session_;
    Platform& platform_;
    QGroupBox* summary_ = nullptr;
    PictureGraph* graph_ = nullptr;
    QTableWidget* table_ = nullptr;
    QGroupBox* grids_box_ = nullptr;
    // cd_jeu_mat1 to cd_jeu_mat4, cells jeu_matG_k.
    std::array<MatrixGrid*, 4> grids_{};
    QTabWidget* tabs_ = nullptr;
    QWidget* picture_tab_ = nullptr;
    QLabel* picture_text_ = nullptr;
    MacroblockMap* map_ = nullptr;
    QTimer* map_timer_ = nullptr;
    QComboBox* view_choice_ = nullptr;
    CheckPanel* check_ = nullptr;
    const check::CheckResult* shown_check_ = nullptr;
    QPushButton* use_ = nullptr;
    QPushButton* save_ = nullptr;
};

} // namespace quantaline
