#include "ui/frm_flux_complet.h"

#include "analysis/display.h"
#include "io/file_system.h"
#include "ui/controls.h"
#include "ui/macroblock_map.h"
#include "ui/matrix_grid.h"
#include "ui/picture_graph.h"
#include "ui/platform.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace quantaline {

namespace {

const std::array<const char*, 4> grid_captions = {
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Matrice Intra-block"),
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Matrice non Intra-block"),
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Matrice chroma Intra-block"),
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Matrice chroma non Intra-block")};

const char* const column_captions[] = {
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Jeu"),
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Première image"),
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Images"),
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Code temporel"),
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Matrice intra"),
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Matrice non intra")};

QString file_name_of(const std::string& path) {
    return QString::fromStdString(path_to_utf8(path_from_utf8(path).filename()));
}

} // namespace

FrmFluxComplet::FrmFluxComplet(Session& session, Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), platform_(platform) {
    setObjectName(QStringLiteral("frm_flux_complet"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(default_font());
    setWindowTitle(tr("Flux complet - %1").arg(file_name_of(session.state().file_path)));

    auto* layout = new QVBoxLayout(this);
    build_summary_and_graph(*layout);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("onglets_flux"));
    build_sets_tab();
    build_picture_tab();
    layout->addWidget(tabs_, 1);
    map_timer_ = new QTimer(this);
    map_timer_->setInterval(50);
    connect(map_timer_, &QTimer::timeout, this, &FrmFluxComplet::follow_map_read);
    connect(graph_, &PictureGraph::picture_chosen, this, &FrmFluxComplet::show_picture);

    build_buttons(*layout);

    connect(table_, &QTableWidget::itemSelectionChanged, this, &FrmFluxComplet::show_selected_set);

    resize(960, 720);
    show_stream();
}

// The summary beside the graph of the pictures.
void FrmFluxComplet::build_summary_and_graph(QVBoxLayout& layout) {
    auto* top = new QHBoxLayout;
    summary_ = new QGroupBox(tr("Résumé"), this);
    summary_->setObjectName(QStringLiteral("cd_resume"));
    summary_->setAccessibleName(tr("Résumé"));
    new QFormLayout(summary_);
    top->addWidget(summary_, 0);

    auto* graph_box = new QGroupBox(tr("Images"), this);
    auto* graph_layout = new QVBoxLayout(graph_box);
    graph_ = new PictureGraph(graph_box);
    graph_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    graph_layout->addWidget(graph_, 1);
    auto* graph_help = new QLabel(
        tr("Molette : zoom ; glisser : déplacer ; survol : l'image ; clic : ses macroblocs"),
        graph_box);
    graph_layout->addWidget(graph_help);
    top->addWidget(graph_box, 1);
    layout.addLayout(top, 1);
}

// The matrix sets' table and the grids of the one selected.
void FrmFluxComplet::build_sets_tab() {
    auto* sets_tab = new QWidget(tabs_);
    auto* bottom = new QHBoxLayout(sets_tab);
    bottom->setContentsMargins(0, 0, 0, 0);
    auto* sets_box = new QGroupBox(tr("Jeux de matrices"), sets_tab);
    auto* sets_layout = new QVBoxLayout(sets_box);
    table_ = new QTableWidget(0, static_cast<int>(std::size(column_captions)), sets_box);
    table_->setObjectName(QStringLiteral("tab_jeux"));
    table_->setAccessibleName(tr("Jeux de matrices"));
    table_->setAccessibleDescription(
        tr("Un jeu par ligne : numéro, première image, nombre d'images, code "
           "temporel du changement, noms des matrices intra et non intra"));
    QStringList headers;
    for (const char* caption : column_captions) {
        headers << tr(caption);
    }
    table_->setHorizontalHeaderLabels(headers);
    table_->verticalHeader()->setVisible(false);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    sets_layout->addWidget(table_);
    bottom->addWidget(sets_box, 1);

    grids_box_ = new QGroupBox(tr("Matrices du jeu"), sets_tab);
    grids_box_->setObjectName(QStringLiteral("cd_matrices_jeu"));
    auto* grids_layout = new QGridLayout(grids_box_);
    for (std::size_t g = 0; g < 4; ++g) {
        const MatrixGrid::Cells cells{QStringLiteral("jeu_mat%1").arg(g + 1), QPoint(8, 20),
                                      ui_font(9.75, true), ui_font(9.75, true), true};
        auto* grid = new MatrixGrid(tr(grid_captions[g]), cells, grids_box_);
        grid->setObjectName(QStringLiteral("cd_jeu_mat%1").arg(g + 1));
        grid->setFont(ui_font(8.25, true));
        grid->setFixedSize(8 * MatrixGrid::cell_pitch + 1 + 16,
                           8 * MatrixGrid::cell_pitch + 1 + 28);
        grids_[g] = grid;
        grids_layout->addWidget(grid, static_cast<int>(g / 2), static_cast<int>(g % 2));
    }
    bottom->addWidget(grids_box_, 0);
    tabs_->addTab(sets_tab, tr("Jeux de matrices"));
}

// The picture chosen in the graph, its macroblocks.
void FrmFluxComplet::build_picture_tab() {
    picture_tab_ = new QWidget(tabs_);
    auto* picture_layout = new QVBoxLayout(picture_tab_);
    picture_text_ = new QLabel(picture_tab_);
    picture_text_->setObjectName(QStringLiteral("lbl_image"));
    picture_text_->setWordWrap(true);
    picture_text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    picture_text_->setAccessibleDescription(tr("L'image choisie dans le graphe"));
    picture_layout->addWidget(picture_text_);
    map_ = new MacroblockMap(picture_tab_);
    map_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    picture_layout->addWidget(map_, 1);
    tabs_->addTab(picture_tab_, tr("Macroblocs de l'image"));
}

// "Utiliser ce jeu de matrices", "Enregistrer les images (CSV)…", "Fermer".
void FrmFluxComplet::build_buttons(QVBoxLayout& layout) {
    auto* buttons = new QHBoxLayout;
    use_ = new QPushButton(tr("Utiliser ce jeu de matrices"), this);
    use_->setObjectName(QStringLiteral("btc_utiliser"));
    use_->setAccessibleDescription(
        tr("La fenêtre principale montre le jeu choisi ; ses exportations, le rapport et "
           "l'impression l'utilisent"));
    save_ = new QPushButton(tr("Enregistrer les images (CSV)…"), this);
    save_->setObjectName(QStringLiteral("btc_images_csv"));
    save_->setAccessibleDescription(
        tr("Enregistre une ligne par image : position, type, structure, taille, jeu"));
    auto* close = new QPushButton(tr("Fermer"), this);
    close->setObjectName(QStringLiteral("btc_fermer"));
    buttons->addWidget(use_);
    buttons->addWidget(save_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout.addLayout(buttons);

    connect(use_, &QPushButton::clicked, this, &FrmFluxComplet::use_selected_set);
    connect(save_, &QPushButton::clicked, this, &FrmFluxComplet::save_pictures);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
}

void FrmFluxComplet::show_stream() {
    const mpeg::ScanResult* result = session_.whole_stream();
    graph_->set_stream(result);
    if (session_.picture_map() == nullptr &&
        session_.read_state(Session::Read::picture_map) != Session::ReadState::reading) {
        map_->set_map(nullptr, 1, 1);
        picture_text_->setText(tr("Aucune image choisie"));
        map_->set_empty_text(
            tr("Choisissez une image dans le graphe (clic ou Entrée) pour voir ses macroblocs."));
    }

    auto* form = static_cast<QFormLayout*>(summary_->layout());
    while (form->rowCount() > 0) {
        form->removeRow(0);
    }
    int line = 0;
    for (const SummaryLine& summary : session_.stream_summary()) {
        auto* caption = new QLabel(QString::fromStdString(summary.caption), summary_);
        caption->setFont(ui_font(8.25, true));
        auto* value = new QLabel(QString::fromStdString(summary.value), summary_);
        value->setObjectName(QStringLiteral("resume_%1").arg(line++));
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // Its text is its accessible name; the caption, its buddy, labels it.
        value->setAccessibleDescription(caption->text());
        caption->setBuddy(value);
        form->addRow(caption, value);
    }

    table_->clearContents();
    const MatrixLibrary library = session_.known_matrices(user_matrix_folder());
    const std::vector<MatrixSetRow> rows =
        result != nullptr ? matrix_set_rows(*result, library.entries) : std::vector<MatrixSetRow>{};
    table_->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const MatrixSetRow& row = rows[r];
        const std::array<const std::string*, 6> cells = {&row.number,     &row.first_picture,
                                                         &row.pictures,   &row.time_code,
                                                         &row.intra_name, &row.non_intra_name};
        for (std::size_t c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(*cells[c]));
            if (c < 3) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            table_->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    table_->resizeColumnsToContents();
    save_->setEnabled(result != nullptr && !result->picture_records.empty());
    if (!rows.empty()) {
        const std::size_t in_use = session_.matrix_set_in_use();
        table_->selectRow(static_cast<int>(in_use != 0 ? in_use - 1 : 0));
    }
    show_selected_set();
}

std::size_t FrmFluxComplet::selected_set() const {
    const QList<QTableWidgetItem*> selected = table_->selectedItems();
    return selected.isEmpty() ? 0 : static_cast<std::size_t>(selected.front()->row()) + 1;
}

void FrmFluxComplet::show_selected_set() {
    const mpeg::ScanResult* result = session_.whole_stream();
    const std::size_t number = selected_set();
    use_->setEnabled(number != 0);
    if (result == nullptr || number == 0 || number > result->matrix_sets.size()) {
        grids_box_->setTitle(tr("Matrices du jeu"));
        for (MatrixGrid* grid : grids_) {
            grid->clear();
        }
        return;
    }
    grids_box_->setTitle(tr("Matrices du jeu %1").arg(number));
    const mpeg::MatrixSet& set = result->matrices_of(result->matrix_sets[number - 1]);
    // The chroma matrices are a 4:2:2 or 4:4:4 stream's only.
    const auto& extension = session_.state().codes.sequence_extension;
    const bool chroma_matrices = extension && (extension->chroma_format == mpeg::chroma_422 ||
                                               extension->chroma_format == mpeg::chroma_444);
    for (std::size_t g = 0; g < 4; ++g) {
        grids_[g]->setVisible(g < 2 || chroma_matrices);
        const mpeg::Matrix& matrix = set.at(g);
        // The scan keeps values, not origins: a default matrix shows green as in the main
        // window.
        const bool is_default = is_default_matrix(matrix, g % 2 == 0);
        grids_[g]->show_matrix(matrix, !is_default);
        grids_[g]->setAccessibleDescription(is_default ? tr("Matrice standard de la norme MPEG")
                                                       : tr("Matrice lue dans le flux"));
    }
}

void FrmFluxComplet::use_selected_set() {
    if (session_.use_matrix_set(selected_set())) {
        emit matrix_set_chosen();
    }
}

void FrmFluxComplet::save_pictures() {
    const std::string path =
        platform_.choose_save_path(this, tr("Enregistrer les images (CSV)").toStdString(),
                                   session_.picture_table_suggested_path());
    if (path.empty()) {
        return;
    }
    platform_.show_hourglass();
    const auto message = session_.save_picture_table(path);
    platform_.show_arrow();
    if (message) {
        platform_.show_message(this, *message);
    }
}

} // namespace quantaline

namespace quantaline {

void FrmFluxComplet::show_picture(std::size_t index) {
    session_.start_picture_map(index);
    map_->set_map(nullptr, 1, 1);
    const QString reading = tr("Lecture des macroblocs de l'image %1…")
                                .arg(QString::fromStdString(grouped_number(index)));
    picture_text_->setText(reading);
    map_->set_empty_text(reading);
    tabs_->setCurrentWidget(picture_tab_);
    map_timer_->start();
}

void FrmFluxComplet::follow_map_read() {
    const Session::ReadStatus status = session_.poll(Session::Read::picture_map);
    if (!status.ended) {
        if (status.state != Session::ReadState::reading) {
            map_timer_->stop();
        }
        return;
    }
    map_timer_->stop();
    const PictureMap* map = session_.picture_map();
    if (map == nullptr) {
        picture_text_->setText(tr("Image introuvable dans le fichier"));
        map_->set_empty_text(picture_text_->text());
        return;
    }
    // One scale for every picture of the stream once its quantisers are known, so that a
    // colour means the same quantiser from picture to picture.
    int low = map->figures.quantiser_min;
    int high = map->figures.quantiser_max;
    if (const mpeg::ScanResult* result = session_.whole_stream();
        result != nullptr && result->quantiser_read) {
        bool first = true;
        for (const mpeg::QuantiserTotals& totals : result->quantiser_by_type) {
            if (totals.macroblocks != 0) {
                low = first ? totals.quantiser_min : std::min<int>(low, totals.quantiser_min);
                high = first ? totals.quantiser_max : std::max<int>(high, totals.quantiser_max);
                first = false;
            }
        }
    }
    picture_text_->setText(QString::fromStdString(picture_map_text(*map)));
    map_->set_map(map, low, high);
}

} // namespace quantaline
