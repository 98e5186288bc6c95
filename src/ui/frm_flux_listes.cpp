// The panes of an MPEG-4 Part 2, H.264 or HEVC video in "Flux complet": its sets of lists, the
// lists of the one selected a pair at a time, and for H.264 and HEVC the check of the coded
// picture buffer and of the disc's rules.
#include "session/codec_stream.h"
#include "session/codec_view.h"
#include "ui/controls.h"
#include "ui/frm_flux_complet.h"
#include "ui/matrix_grid.h"
#include "ui/picture_graph.h"
#include "ui/stream_views.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quantaline {

namespace {

const char* const list_column_captions[] = {
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Jeu"),
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Première image"),
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Images"),
    QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Jeux de paramètres")};

} // namespace

// "Jeux de listes": the sets' table, then the lists of the one selected with the choice of
// the pair.
void FrmFluxComplet::build_lists_tab() {
    auto* parent = new QWidget(tabs_);
    auto* layout = new QHBoxLayout(parent);
    auto* sets_box = new QGroupBox(tr("Jeux de listes"), parent);
    auto* sets_layout = new QVBoxLayout(sets_box);
    QStringList headers;
    for (const char* caption : list_column_captions) {
        headers << tr(caption);
    }
    table_ = row_table(sets_box, QStringLiteral("tab_jeux_listes"), headers);
    table_->setAccessibleName(tr("Jeux de listes"));
    table_->setAccessibleDescription(
        tr("Un jeu de listes par ligne : numéro, première image, nombre d'images, jeux de "
           "paramètres de sa première image"));
    sets_layout->addWidget(table_);
    layout->addWidget(sets_box, 1);

    auto* lists = new QGroupBox(tr("Listes du jeu"), parent);
    lists->setObjectName(QStringLiteral("cd_listes_jeu"));
    auto* lists_layout = new QVBoxLayout(lists);
    auto* choice = new QHBoxLayout;
    auto* caption = new QLabel(tr("Listes :"), lists);
    caption->setFont(ui_font(8.25, true));
    lists_box_ = new QComboBox(lists);
    lists_box_->setObjectName(QStringLiteral("cb_listes_jeu"));
    lists_box_->setAccessibleName(tr("Listes affichées"));
    lists_box_->setAccessibleDescription(
        tr("Choisit les listes du jeu que montrent les deux grilles"));
    caption->setBuddy(lists_box_);
    choice->addWidget(caption);
    choice->addWidget(lists_box_, 1);
    lists_layout->addLayout(choice);
    auto* grids = new QHBoxLayout;
    for (std::size_t g = 0; g < list_grids_.size(); ++g) {
        const MatrixGrid::Cells cells{QStringLiteral("jeu_liste%1").arg(g + 1), QPoint(8, 20),
                                      ui_font(9.75, true), ui_font(9.75, true), true};
        auto* grid = new MatrixGrid(g == 0 ? tr("Liste intra") : tr("Liste inter"), cells, lists);
        grid->setObjectName(QStringLiteral("cd_jeu_liste%1").arg(g + 1));
        grid->setFont(ui_font(8.25, true));
        grid->setFixedSize(8 * MatrixGrid::cell_pitch + 1 + 16,
                           8 * MatrixGrid::cell_pitch + 1 + 28);
        list_grids_[g] = grid;
        grids->addWidget(grid);
    }
    lists_layout->addLayout(grids);
    dc_label_ = new QLabel(lists);
    dc_label_->setObjectName(QStringLiteral("lbl_dc_jeu"));
    dc_label_->setAccessibleDescription(tr("Valeurs DC des listes 16x16 et 32x32"));
    lists_layout->addWidget(dc_label_);
    lists_layout->addStretch(1);
    layout->addWidget(lists, 0);
    tabs_->addTab(parent, tr("Jeux de listes"));
}

void FrmFluxComplet::show_codec_check() {
    const CodecScan* stream = session_.codec_stream();
    const check::CodecCheckResult* result = session_.codec_check_result();
    const check::BufferModel& buffer = session_.codec_buffer();
    graph_->set_timing(timeline_.times.empty() ? nullptr : &timeline_,
                       buffer.mode != check::BufferMode::none ? &buffer : nullptr);
    const bool checked = stream != nullptr && result != nullptr;
    tabs_->setTabVisible(1, checked);
    if (!checked) {
        return;
    }
    const auto title = [](std::string_view profile) {
        return profile == "bluray" ? QStringLiteral("Blu-ray") : tr("aucun profil de disque");
    };
    const bool m2ts = stream->packet_size == 192;
    std::vector<std::pair<QString, QString>> profiles = {
        {tr("Automatique (%1)")
             .arg(title(check::auto_codec_profile(stream->codec, stream->picture_records,
                                                  stream->summary, m2ts))),
         QStringLiteral("auto")},
        {title("none"), QStringLiteral("none")}};
    if (stream->codec == container::Codec::h264) {
        profiles.emplace_back(title("bluray"), QStringLiteral("bluray"));
    }
    check_->set_profiles(profiles, QString::fromStdString(session_.check_profile()), true);
    check_->set_verdict(QString::fromStdString(check::codec_verdict_text(*result)),
                        !result->findings.empty());
    check_->set_figures(result->source == check::CpbSource::none
                            ? tr("Tampon CPB : non modélisé (le flux ne porte pas de paramètres "
                                 "HRD et de SEI de période de tampon)")
                            : QString::fromStdString(check::cpb_text(*result)));
    check_->set_findings(result->findings, result->notes,
                         timeline_.times.empty() ? nullptr : &timeline_);
}

void FrmFluxComplet::show_list_sets() {
    const CodecScan* result = session_.codec_stream();
    graph_->set_stream(nullptr);
    graph_->set_timing(nullptr, nullptr);
    graph_stream_ = result != nullptr ? codec_graph_stream(*result) : mpeg::ScanResult{};
    timeline_ = result != nullptr ? codec_timeline(*result) : check::Timeline{};
    graph_->set_stream(&graph_stream_);
    show_codec_check();
    const std::vector<ListSetRow> rows =
        result != nullptr ? list_set_rows(*result) : std::vector<ListSetRow>{};
    std::vector<std::vector<std::string>> cells;
    cells.reserve(rows.size());
    for (const ListSetRow& row : rows) {
        cells.push_back({row.number, row.first_picture, row.pictures, row.origin});
    }
    fill_table(*table_, cells, 3);
    if (!rows.empty()) {
        table_->selectRow(0);
    }
    show_selected_lists();
}

void FrmFluxComplet::show_selected_lists() {
    const QList<QTableWidgetItem*> selected = table_->selectedItems();
    const CodecScan* result = session_.codec_stream();
    const int keep = lists_box_->currentIndex();
    shown_ = result != nullptr && !selected.isEmpty()
                 ? list_set_analysis(*result, static_cast<std::size_t>(selected.front()->row()))
                 : CodecAnalysis{};
    pairs_ = list_pairs(shown_);
    {
        // The same pair stays chosen from one set to the next.
        const QSignalBlocker filling(lists_box_);
        lists_box_->clear();
        for (const ListPair& pair : pairs_) {
            lists_box_->addItem(QString::fromStdString(pair.label));
        }
        const bool same = keep >= 0 && static_cast<std::size_t>(keep) < pairs_.size();
        lists_box_->setCurrentIndex(
            same ? keep : static_cast<int>(pairs_.empty() ? 0 : first_list_pair(pairs_)));
    }
    lists_box_->setEnabled(!pairs_.empty());
    show_pair();
}

void FrmFluxComplet::show_pair() {
    const int index = lists_box_->currentIndex();
    const ListPair* pair =
        index >= 0 && static_cast<std::size_t>(index) < pairs_.size() ? &pairs_[index] : nullptr;
    const bool h263 = shown_.codec == container::Codec::mpeg4 && session_.codec_stream();
    const QStringList dc = show_list_pair(
        list_grids_, shown_,
        {pair != nullptr ? pair->intra : nullptr, pair != nullptr ? pair->inter : nullptr},
        h263 ? tr("Sans matrice : quantification H.263") : QString());
    dc_label_->setText(dc.join(QStringLiteral(" ; ")));
}

} // namespace quantaline
