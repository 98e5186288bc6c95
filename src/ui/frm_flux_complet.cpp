// "Flux complet": the window's frame, the summary and the graph above, the buttons below,
// the panes of the video's codec between them (frm_flux_matrices.cpp for MPEG-1/2,
// frm_flux_listes.cpp for the other codecs).
#include "ui/frm_flux_complet.h"

#include "ui/controls.h"
#include "ui/picture_graph.h"
#include "ui/platform.h"
#include "ui/stream_views.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace quantaline {

FrmFluxComplet::FrmFluxComplet(Session& session, Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), platform_(platform),
      lists_(session.codec_stream() != nullptr) {
    setObjectName(lists_ ? QStringLiteral("frm_flux_listes") : QStringLiteral("frm_flux_complet"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(default_font());
    setWindowTitle(tr("Flux complet - %1").arg(file_name_of(session.state().file_path)));

    auto* layout = new QVBoxLayout(this);
    build_summary_and_graph(*layout);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("onglets_flux"));
    if (lists_) {
        build_lists_tab();
    } else {
        build_sets_tab();
        build_picture_tab();
        map_timer_ = new QTimer(this);
        map_timer_->setInterval(50);
        connect(map_timer_, &QTimer::timeout, this, &FrmFluxComplet::follow_map_read);
        connect(graph_, &PictureGraph::picture_chosen, this, [this](std::size_t index) {
            graph_->select_picture(index);
            show_picture(index);
        });
    }
    build_check_tab();
    layout->addWidget(tabs_, lists_ ? 3 : 1);
    build_buttons(*layout);
    if (lists_) {
        connect(table_, &QTableWidget::itemSelectionChanged, this,
                &FrmFluxComplet::show_selected_lists);
        connect(lists_box_, &QComboBox::currentIndexChanged, this, &FrmFluxComplet::show_pair);
    } else {
        connect(table_, &QTableWidget::itemSelectionChanged, this,
                &FrmFluxComplet::show_selected_set);
    }

    resize(lists_ ? 1000 : 960, 720);
    show_stream();
}

// The summary beside the graph of the pictures. The lists' summary has the pictures' lines
// too: in a scroll area, long values wrap and none is cut.
void FrmFluxComplet::build_summary_and_graph(QVBoxLayout& layout) {
    auto* top = new QHBoxLayout;
    summary_ = new QGroupBox(tr("Résumé"), this);
    summary_->setObjectName(QStringLiteral("cd_resume"));
    summary_->setAccessibleName(tr("Résumé"));
    if (lists_) {
        summary_->setMinimumWidth(300);
        auto* scroll = new QScrollArea(summary_);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        summary_lines_ = new QWidget(scroll);
        new QFormLayout(summary_lines_);
        scroll->setWidget(summary_lines_);
        (new QVBoxLayout(summary_))->addWidget(scroll);
    } else {
        summary_lines_ = summary_;
        new QFormLayout(summary_);
    }
    top->addWidget(summary_, 0);

    const GraphBox graph = picture_graph_box(
        this,
        lists_
            ? tr("Molette : zoom ; glisser : déplacer ; survol : l'image")
            : tr("Molette : zoom ; glisser : déplacer ; survol : l'image ; clic : ses macroblocs"));
    graph_ = graph.graph;
    graph_->set_slice_qp(lists_);
    top->addWidget(graph.box, 1);
    layout.addLayout(top, lists_ ? 4 : 1);
}

// "Conformité": the profile, the verdict and the buffer, the findings one a line. A finding
// chosen is shown in the graph, and for MPEG-1/2 its picture's macroblocks too.
void FrmFluxComplet::build_check_tab() {
    check_ =
        lists_
            ? new CheckPanel(session_, tr("Le tampon CPB : sa source, son débit, sa taille"),
                             tr("Un écart par ligne : règle, groupe d'images, image, temps, valeur "
                                "trouvée, limite, puis les notes ; choisir une ligne montre son "
                                "image dans le graphe"),
                             tabs_)
            : new CheckPanel(session_, tr("Le tampon VBV et la cadence du flux"),
                             tr("Un écart par ligne : règle, groupe d'images, image, "
                                "temps, valeur trouvée, limite ; choisir une ligne "
                                "montre son image dans le graphe et ses macroblocs"),
                             tabs_);
    tabs_->addTab(check_, tr("Conformité"));
    connect(check_, &CheckPanel::profile_chosen, this, [this] {
        show_check();
        emit profile_chosen();
    });
    connect(check_, &CheckPanel::finding_chosen, this, [this](std::size_t picture, bool activated) {
        graph_->select_picture(picture);
        if (!lists_) {
            show_picture(picture, activated);
        }
    });
}

// "Utiliser ce jeu de matrices" (MPEG-1/2's sets), "Enregistrer les images (CSV)…", "Fermer".
void FrmFluxComplet::build_buttons(QVBoxLayout& layout) {
    auto* buttons = new QHBoxLayout;
    if (!lists_) {
        use_ = new QPushButton(tr("Utiliser ce jeu de matrices"), this);
        use_->setObjectName(QStringLiteral("btc_utiliser"));
        use_->setAccessibleDescription(
            tr("La fenêtre principale montre le jeu choisi ; ses exportations, le rapport et "
               "l'impression l'utilisent"));
        buttons->addWidget(use_);
        connect(use_, &QPushButton::clicked, this, &FrmFluxComplet::use_selected_set);
    }
    save_ = new QPushButton(tr("Enregistrer les images (CSV)…"), this);
    save_->setObjectName(QStringLiteral("btc_images_csv"));
    save_->setAccessibleDescription(
        lists_ ? tr("Enregistre une ligne par image : position, type, structure, taille, QP des "
                    "tranches, temps")
               : tr("Enregistre une ligne par image : position, type, structure, taille, jeu"));
    auto* close = new QPushButton(tr("Fermer"), this);
    close->setObjectName(QStringLiteral("btc_fermer"));
    buttons->addWidget(save_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout.addLayout(buttons);

    connect(save_, &QPushButton::clicked, this, &FrmFluxComplet::save_pictures);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
}

void FrmFluxComplet::show_stream() {
    fill_summary(*summary_lines_, session_.stream_summary());
    if (lists_) {
        show_list_sets();
    } else {
        show_matrix_sets();
    }
    const CodecScan* lists = session_.codec_stream();
    const mpeg::ScanResult* stream = session_.whole_stream();
    save_->setEnabled(lists_ ? lists != nullptr && !lists->picture_records.empty()
                             : stream != nullptr && !stream->picture_records.empty());
}

void FrmFluxComplet::show_check() {
    if (lists_) {
        show_codec_check();
    } else {
        show_mpeg_check();
    }
}

void FrmFluxComplet::save_pictures() {
    save_pictures_dialog(*this, session_, platform_, tr("Enregistrer les images (CSV)"));
}

} // namespace quantaline
