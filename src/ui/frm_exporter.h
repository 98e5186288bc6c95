#pragma once

#include "session/app_state.h"

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>

class QLineEdit;

namespace quantaline {

class Platform;

// The 128 values the CCE export stores: the intra grid's cells, then the non-intra grid's.
using GridValues = std::function<std::array<std::uint8_t, 128>()>;

extern const Message cce_default_values_message;
extern const Message tmpgenc_running_message;
extern const Message tmpgenc_default_values_message;

// The export buttons: each records its target first, asks its questions and, unless one is
// answered Cancel, shows the export dialog and unloads it.
void export_to_cce(QWidget* owner, AppState& state, Platform& platform, const GridValues& grids);
void export_to_tmpgenc(QWidget* owner, AppState& state, Platform& platform,
                       const GridValues& grids);

// The export dialog: the destination of export_target for checking (path box txt_chemin,
// label lbl_chemin) and the name to store the matrices under (txt_nom_matrice,
// lbl_nom_matrice); btc_export_ok exports, btc_annuler_export does not.
class FrmExporter : public QDialog {
    Q_OBJECT
  public:
    FrmExporter(AppState& state, Platform& platform, GridValues grids, QWidget* parent = nullptr);

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
    AppState& state_;
    Platform& platform_;
    GridValues grids_;
    QLineEdit* path_box_ = nullptr;
    QLineEdit* name_box_ = nullptr;
    bool centred_when_active_ = false;
};

} // namespace quantaline
