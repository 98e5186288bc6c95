#pragma once

#include "session/session.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace quantaline {

class FrmFluxComplet;
class FrmPropos;
class LinkLabel;
class MatrixGrid;
class Platform;

// The strip under the layout that tells of the background read of the whole stream.
inline constexpr int stream_strip_twips = 840;

// The main window. Its controls carry the names the rest of the program and the tests
// know them by, as objectName(): btc_ouvrir, Label1 ... Label21, Frame1 ... Frame3.
// Arrays of controls take the element's index after an underscore: Label11_0 to
// Label11_6, cd_matrice1_1, and the grid cells mat1_1 to mat1_64 and mat2_1 to mat2_64
// (index k stands in row (k - 1) / 8 and column (k - 1) % 8, counted from 0).
class HeaderFrm : public QWidget {
    Q_OBJECT
  public:
    HeaderFrm(Session& session, Platform& platform, QWidget* parent = nullptr);
    ~HeaderFrm() override;

    // The About box, built hidden when it does not exist (at start-up, and again after
    // its title-bar close destroyed it).
    FrmPropos& about_box();

    // Opens a file as if chosen in the open dialog: named on the command line, handed over
    // by a second copy or dropped on the window.
    void open_file(const std::string& path);

    // The "Flux complet" window, built when the user first asks for it; nothing before.
    FrmFluxComplet* flux_complet_window() const;

  public slots:
    void open_and_display();
    void export_cce();
    void export_tmpgenc();
    void write_text_report();
    void print_report();
    void show_about();
    void quit();
    void open_web_site();
    // The strip's buttons.
    void cancel_stream_read();
    void show_flux_complet();
    // The read's progress and end, from the strip's timer.
    void follow_stream_read();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void build_frames();
    // Label8, the export buttons (btc_cce, btc_tmpgenc, btc_texte, btc_imprimer), Label20
    // and the link Label21.
    void build_note();
    void build_export_buttons();
    LinkLabel* build_help_and_link();
    void normalise_grid_style();
    void analyse_and_display(const std::string& path);
    void display_analysis();
    void display_matrices();
    // An MPEG-4 Part 2, H.264 or HEVC video: the lists' box, the pair chosen in the grids.
    void display_codec_lists();
    void display_list_pair();
    void enable_exports();
    void build_strip();
    void start_stream_read();
    void show_stream_read_end();

    Session& session_;
    Platform& platform_;
    MatrixGrid* intra_grid_ = nullptr;             // cd_matrice1_1, cells mat1_k
    MatrixGrid* non_intra_grid_ = nullptr;         // Frame1, cells mat2_k
    std::array<QPushButton*, 4> export_buttons_{}; // from the top: CCE, TMPGEnc, text, print
    // Above the grids for the other codecs only: cb_listes and its caption lbl_listes; the
    // DC values of 16x16 and 32x32 lists between the grids (lbl_dc).
    QComboBox* lists_box_ = nullptr;
    QLabel* note_ = nullptr; // "Nota :", of MPEG's matrices or of the other codecs' lists
    QLabel* lists_caption_ = nullptr;
    QLabel* dc_label_ = nullptr;
    QPointer<FrmPropos> about_;
    QProgressBar* progress_ = nullptr;
    QLabel* read_status_ = nullptr;
    QLabel* read_note_ = nullptr;
    QLabel* conformance_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* flux_button_ = nullptr;
    QTimer* poll_timer_ = nullptr;
    QPointer<FrmFluxComplet> flux_;
};

} // namespace quantaline
