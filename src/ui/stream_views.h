#pragma once

// What the two "Flux complet" windows share: their tables read a row at a time, their
// summary of caption and value lines, the file's name in their title, the save of the
// pictures' table.

#include "session/whole_stream.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QComboBox;
class QGroupBox;
class QTableWidget;
class QWidget;

namespace quantaline {

class PictureGraph;
class Platform;
class Session;

// The graph of the pictures in its box "Images": the choice of its view above it ("Vue :"),
// `help` below it.
struct GraphBox {
    QGroupBox* box = nullptr;
    PictureGraph* graph = nullptr;
    QComboBox* views = nullptr;
};
GraphBox picture_graph_box(QWidget* parent, const QString& help);

// A table read a row at a time: whole rows chosen one at a time, nothing edited.
QTableWidget* row_table(QWidget* parent, const QString& name, const QStringList& headers);
// The rows' texts, the first `right_aligned` columns (numbers) to the right; the columns
// fitted to them.
void fill_table(QTableWidget& table, const std::vector<std::vector<std::string>>& rows,
                int right_aligned);
// The summary's lines into the form layout of `summary`: each value a selectable label
// named resume_N, its caption its buddy and its accessible description.
void fill_summary(QWidget& summary, const std::vector<SummaryLine>& lines);
// "Enregistrer les images (CSV)…": the dialog titled `title`, then the session's table
// written, its failure told.
void save_pictures_dialog(QWidget& window, const Session& session, Platform& platform,
                          const QString& title);
// The last part of a path, as the windows' titles give it.
QString file_name_of(const std::string& path);

} // namespace quantaline
