// The panes of an MPEG-1/2 video in "Flux complet": its matrix sets with the grids of the one
// selected, the macroblocks of the picture chosen in the graph, and its check.
#include "analysis/display.h"
#include "check/texts.h"
#include "ui/controls.h"
#include "ui/frm_flux_complet.h"
#include "ui/macroblock_map.h"
#include "ui/matrix_grid.h"
#include "ui/picture_graph.h"
#include "ui/stream_views.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
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

template <std::size_t columns> QStringList headers_of(const char* const (&captions)[columns]) {
    QStringList headers;
    for (const char* caption : captions) {
        headers << FrmFluxComplet::tr(caption);
    }
    return headers;
}

} // namespace

// The matrix sets' table and the grids of the one selected.
void FrmFluxComplet::build_sets_tab() {
    auto* sets_tab = new QWidget(tabs_);
    auto* bottom = new QHBoxLayout(sets_tab);
    bottom->setContentsMargins(0, 0, 0, 0);
    auto* sets_box = new QGroupBox(tr("Jeux de matrices"), sets_tab);
    auto* sets_layout = new QVBoxLayout(sets_box);
    table_ = row_table(sets_box, QStringLiteral("tab_jeux"), headers_of(column_captions));
    table_->setAccessibleName(tr("Jeux de matrices"));
    table_->setAccessibleDescription(
        tr("Un jeu par ligne : numéro, première image, nombre d'images, code "
           "temporel du changement, noms des matrices intra et non intra"));
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

void FrmFluxComplet::show_matrix_sets() {
    const mpeg::ScanResult* result = session_.whole_stream();
    graph_->set_stream(result);
    show_mpeg_check();
    if (session_.picture_map() == nullptr &&
        session_.read_state(Session::Read::picture_map) != Session::ReadState::reading) {
        map_->set_map(nullptr, 1, 1);
        picture_text_->setText(tr("Aucune image choisie"));
        map_->set_empty_text(
            tr("Choisissez une image dans le graphe (clic ou Entrée) pour voir ses macroblocs."));
    }

    const MatrixLibrary library = session_.known_matrices(user_matrix_folder());
    const std::vector<MatrixSetRow> rows =
        result != nullptr ? matrix_set_rows(*result, library.entries) : std::vector<MatrixSetRow>{};
    std::vector<std::vector<std::string>> cells;
    cells.reserve(rows.size());
    for (const MatrixSetRow& row : rows) {
        cells.push_back({row.number, row.first_picture, row.pictures, row.time_code, row.intra_name,
                         row.non_intra_name});
    }
    fill_table(*table_, cells, 3);
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

void FrmFluxComplet::show_picture(std::size_t index, bool bring_forward) {
    if (lists_) {
        return; // the other codecs' pictures have no macroblock view
    }
    session_.start_picture_map(index);
    map_->set_map(nullptr, 1, 1);
    const QString reading = tr("Lecture des macroblocs de l'image %1…")
                                .arg(QString::fromStdString(grouped_number(index)));
    picture_text_->setText(reading);
    map_->set_empty_text(reading);
    if (bring_forward) {
        tabs_->setCurrentWidget(picture_tab_);
    }
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

void FrmFluxComplet::show_mpeg_check() {
    const check::CheckResult* result = session_.check_result();
    graph_->set_timing(session_.timeline(), result != nullptr ? &result->buffer : nullptr);
    // What "auto" picks, whichever profile is chosen.
    const mpeg::ScanResult* stream = session_.whole_stream();
    const check::Profile* automatic = stream != nullptr && !stream->sequences.empty()
                                          ? &check::auto_profile(stream->sequences.front())
                                          : nullptr;
    const auto title = [](const check::Profile& profile) {
        return *profile.title != '\0' ? QString::fromUtf8(profile.title)
                                      : tr("aucun profil de disque");
    };
    std::vector<std::pair<QString, QString>> profiles = {
        {automatic != nullptr ? tr("Automatique (%1)").arg(title(*automatic)) : tr("Automatique"),
         QStringLiteral("auto")}};
    for (const check::Profile& profile : check::profiles()) {
        profiles.emplace_back(title(profile), QString::fromUtf8(profile.name));
    }
    check_->set_profiles(profiles, QString::fromStdString(session_.check_profile()),
                         result != nullptr);
    check_->set_verdict(result != nullptr ? QString::fromStdString(check::verdict_text(*result))
                                          : QString(),
                        result != nullptr && !result->findings.empty());
    QString figures;
    if (result != nullptr) {
        figures = QString::fromStdString(check::buffer_text(*result));
        if (!result->cadence.pattern.empty()) {
            figures = tr("%1 ; %2").arg(
                figures, QString::fromStdString(check::cadence_text(result->cadence)));
        }
    }
    check_->set_figures(figures);
    // The end of the quantiser pass shows the stream again: the same check keeps its lines
    // and the finding chosen.
    if (result == nullptr || result != shown_check_) {
        check_->set_findings(result != nullptr ? result->findings : std::vector<check::Finding>{},
                             {}, session_.timeline());
        shown_check_ = result;
    }
}

} // namespace quantaline
