#pragma once

#include "modal.h"
#include "ui/frm_ouvrir.h"
#include "ui/header_frm.h"

#include <QListWidget>
#include <QPushButton>

namespace quantaline::test {

// Opens `name` of `folder` through the open dialog, as a user would: the folder, then the
// file.
inline bool open_in_folder(HeaderFrm& window, const QString& folder, const QString& name) {
    return with_modal<FrmOuvrir>(
        [folder, name](FrmOuvrir& dialog) {
            dialog.change_folder(folder);
            auto* files = dialog.findChild<QListWidget*>(QStringLiteral("File1"));
            const auto found = files->findItems(name, Qt::MatchExactly);
            if (!found.isEmpty()) {
                files->setCurrentItem(found.front());
            }
            dialog.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        },
        [&window] { window.findChild<QPushButton*>(QStringLiteral("btc_ouvrir"))->click(); });
}

// Opens a stream of tests/data through the open dialog.
inline bool open_test_stream(HeaderFrm& window, const QString& name) {
    return open_in_folder(window, QStringLiteral(QUANTALINE_TEST_DATA), name);
}

} // namespace quantaline::test
