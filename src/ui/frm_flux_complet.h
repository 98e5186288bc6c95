#pragma once

#include "session/session.h"

#include <QWidget>
#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace quantaline {

class Platform;
class PictureGraph;

// "Flux complet - NAME": the whole stream read in the background. A summary, the graph
// of the pictures, the matrix sets with the grids of the one selected, and the buttons that
// put a set in the main window or save the per-picture table. It shows what the session
// holds; the session's result must stay until the window is rebuilt or closed.
class FrmFluxComplet : public QWidget {
    Q_OBJECT
  public:
    FrmFluxComplet(Session& session, Platform& platform, QWidget* parent = nullptr);

    // Fills every part from the session's result.
    void show_stream();
    PictureGraph& graph() { return *graph_; }

  signals:
    // "Utiliser ce jeu de matrices" put the selected set in the session.
    void matrix_set_chosen();

  private:
    void show_selected_set();
    void use_selected_set();
    void save_pictures();
    std::size_t selected_set() const;

    Session& session_;
    Platform& platform_;
    QGroupBox* summary_ = nullptr;
    PictureGraph* graph_ = nullptr;
    QTableWidget* table_ = nullptr;
    QGroupBox* grids_box_ = nullptr;
    std::array<QGroupBox*, 4> grid_frames_{};
    std::array<std::array<QLabel*, 64>, 4> grids_{};
    QPushButton* use_ = nullptr;
    QPushButton* save_ = nullptr;
};

} // namespace quantaline
