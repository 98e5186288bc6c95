#pragma once

#include "session/session.h"

#include <QDialog>

class QLineEdit;

namespace quantaline {

class Platform;

// The export buttons: each records its target first, asks its questions and, unless one is
// answered Cancel, shows the export dialog and unloads it.
void export_to(QWidget* owner, Session& session, Platform& platform, ExportTarget target);

// The export dialog: the destination of the export target for checking (path box
// txt_chemin, label lbl_chemin) and the name to store the matrices under (txt_nom_matrice,
// lbl_nom_matrice); btc_export_ok exports, btc_annuler_export does not.
class FrmExporter : public QDialog {
    Q_OBJECT
  public:
    FrmExporter(Session& session, Platform& platform, QWidget* parent = nullptr);

    // The closing step, run once the dialog is done with however it was closed: a path box
    // that was touched becomes the Configuration's value and the file is saved.
    void unload();

  public slots:
    void exporter();
    void annuler();

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Session& session_;
    Platform& platform_;
    QLineEdit* path_box_ = nullptr;
    QLineEdit* name_box_ = nullptr;
    bool centred_when_active_ = false;
};

} // namespace quantaline
