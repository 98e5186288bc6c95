#include "ui/stream_views.h"

#include "io/file_system.h"
#include "ui/controls.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

namespace quantaline {

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

void fill_summary(QGroupBox& summary, const std::vector<SummaryLine>& lines) {
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

} // namespace quantaline
