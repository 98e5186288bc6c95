#include "ui/stream_views.h"

#include "io/file_system.h"
#include "session/session.h"
#include "ui/controls.h"
#include "ui/picture_graph.h"
#include "ui/platform.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>

namespace quantaline {

namespace {

// The graph's views in the order of its choice.
const std::array<std::pair<PictureGraph::View, const char*>, 3> view_captions = {{
    {PictureGraph::View::bit_rate,
     QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Débit par seconde")},
    {PictureGraph::View::picture_bytes,
     QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Octets par image")},
    {PictureGraph::View::group_bytes,
     QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Octets par GOP")},
}};

QString graph_text(const char* source) {
    return QCoreApplication::translate("quantaline::FrmFluxComplet", source);
}

// "Vue :" and the graph's three views.
QWidget* view_choice(QWidget* parent, QComboBox*& choice) {
    auto* row = new QWidget(parent);
    auto* row_layout = new QHBoxLayout(row);
    row_layout->setContentsMargins(0, 0, 0, 0);
    auto* caption =
        new QLabel(graph_text(QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Vue :")), row);
    choice = new QComboBox(row);
    choice->setObjectName(QStringLiteral("cb_vue"));
    choice->setAccessibleName(
        graph_text(QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Vue du graphe")));
    choice->setAccessibleDescription(graph_text(QT_TRANSLATE_NOOP(
        "quantaline::FrmFluxComplet",
        "Ce que montre le graphe : le débit de chaque seconde, ou les octets de chaque image "
        "ou de chaque GOP")));
    for (const auto& [view, text] : view_captions) {
        choice->addItem(graph_text(text), static_cast<int>(view));
    }
    choice->setCurrentIndex(1);
    caption->setBuddy(choice);
    row_layout->addWidget(caption);
    row_layout->addWidget(choice);
    row_layout->addStretch(1);
    return row;
}

} // namespace

GraphBox picture_graph_box(QWidget* parent, const QString& help) {
    GraphBox made;
    made.box = new QGroupBox(graph_text(QT_TRANSLATE_NOOP("quantaline::FrmFluxComplet", "Images")),
                             parent);
    auto* graph_layout = new QVBoxLayout(made.box);
    // The choice first: the keyboard reaches it before the graph.
    graph_layout->addWidget(view_choice(made.box, made.views));
    made.graph = new PictureGraph(made.box);
    QComboBox* views = made.views;
    PictureGraph* graph = made.graph;
    QObject::connect(views, &QComboBox::currentIndexChanged, graph, [graph, views](int index) {
        graph->set_view_kind(static_cast<PictureGraph::View>(views->itemData(index).toInt()));
    });
    made.graph->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    graph_layout->addWidget(made.graph, 1);
    graph_layout->addWidget(new QLabel(help, made.box));
    return made;
}

QTableWidget* row_table(QWidget* parent, const QString& name, const QStringList& headers) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->setVisible(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void fill_table(QTableWidget& table, const std::vector<std::vector<std::string>>& rows,
                int right_aligned) {
    table.clearContents();
    table.setRowCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(rows[r][c]));
            if (static_cast<int>(c) < right_aligned) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            table.setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    table.resizeColumnsToContents();
}

void fill_summary(QWidget& summary, const std::vector<SummaryLine>& lines) {
    auto* form = static_cast<QFormLayout*>(summary.layout());
    while (form->rowCount() > 0) {
        form->removeRow(0);
    }
    int line = 0;
    for (const SummaryLine& text : lines) {
        auto* caption = new QLabel(QString::fromStdString(text.caption), &summary);
        caption->setFont(ui_font(8.25, true));
        auto* value = new QLabel(QString::fromStdString(text.value), &summary);
        value->setObjectName(QStringLiteral("resume_%1").arg(line++));
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // Its text is its accessible name; the caption, its buddy, labels it.
        value->setAccessibleDescription(caption->text());
        caption->setBuddy(value);
        form->addRow(caption, value);
    }
}

QString file_name_of(const std::string& path) {
    return QString::fromStdString(path_to_utf8(path_from_utf8(path).filename()));
}

void save_pictures_dialog(QWidget& window, const Session& session, Platform& platform,
                          const QString& title) {
    const std::string path = platform.choose_save_path(&window, title.toStdString(),
                                                       session.picture_table_suggested_path());
    if (path.empty()) {
        return;
    }
    platform.show_hourglass();
    const auto message = session.save_picture_table(path);
    platform.show_arrow();
    if (message) {
        platform.show_message(&window, *message);
    }
}

} // namespace quantaline
