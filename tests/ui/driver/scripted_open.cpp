#include "scripted_open.h"

#include "ui/frm_ouvrir.h"

#include <QApplication>
#include <QFileInfo>
#include <QListWidget>

namespace quantaline {

FrmOuvrir* select_in_open_dialog(const QString& stream) {
    auto* dialog = qobject_cast<FrmOuvrir*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
        return nullptr;
    }
    const QFileInfo file(stream);
    dialog->change_folder(file.absolutePath());
    auto* files = dialog->findChild<QListWidget*>(QStringLiteral("File1"));
    const auto found = files->findItems(file.fileName(), Qt::MatchExactly);
    if (!found.isEmpty()) {
        files->setCurrentItem(found.front());
    }
    return dialog;
}

} // namespace quantaline
