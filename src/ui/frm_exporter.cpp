#include "ui/frm_exporter.h"

#include "export/cce_export.h"
#include "export/tmpgenc_export.h"
#include "ui/centre_on_screen.h"
#include "ui/controls.h"
#include "ui/platform.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace quantaline {

const Message cce_default_values_message{
    Icon::exclamation, "Exporter les matrices vers CCE...",
    "Attention, les informations qui vont suivre sont des valeurs par défaut :\r\nVérifiez bien "
    "que la clé de la base de registre de CCE soit conforme à votre configuration !",
    Buttons::ok_cancel, Button::cancel};

const Message tmpgenc_running_message{Icon::information, "Exporter les matrices vers TMPGEnc ...",
                                      "Attention, TMPGEnc ne doit pas être en cours d'exécution",
                                      Buttons::ok_cancel, Button::ok};

const Message tmpgenc_default_values_message{
    Icon::exclamation, "Exporter les matrices ...",
    "Attention, les informations qui vont suivre sont des valeurs par défaut :\r\nVérifiez que "
    "le chemin d'accès à TMPGEnc est correcte !",
    Buttons::ok_cancel, Button::cancel};

namespace {

const char* const cce_target = "CCE";
const char* const tmpgenc_target = "TMPGEnc";
// Where the registry editor starts on Windows; elsewhere the opener has no use for it.
const char* const registry_editor_folder = "C:\\Windows\\";

// A closing step whose save failed would lose the user's edit at the next start unseen.
Message configuration_not_saved_message(const WriteError& error) {
    return {Icon::critical, "Configuration non enregistrée...",
            write_error_text(error) + " La configuration n'a pas été enregistrée.", Buttons::ok,
            Button::ok};
}

QLineEdit* add_text_box(QWidget* parent, const QString& name, const QRect& rect) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setGeometry(rect);
    box->setFont(default_font());
    return box;
}

void show_and_unload(QWidget* owner, AppState& state, Platform& platform, const GridValues& grids) {
    FrmExporter dialog(state, platform, grids, owner);
    dialog.exec();
    dialog.unload();
}

} // namespace

void export_to_cce(QWidget* owner, AppState& state, Platform& platform, const GridValues& grids) {
    state.export_target = cce_target;
    if (state.configuration.values_are_default &&
        platform.show_message(owner, cce_default_values_message) != Button::ok) {
        return;
    }
    show_and_unload(owner, state, platform, grids);
}

void export_to_tmpgenc(QWidget* owner, AppState& state, Platform& platform,
                       const GridValues& grids) {
    state.export_target = tmpgenc_target;
    if (platform.show_message(owner, tmpgenc_running_message) != Button::ok) {
        return;
    }
    if (state.configuration.values_are_default &&
        platform.show_message(owner, tmpgenc_default_values_message) != Button::ok) {
        return;
    }
    show_and_unload(owner, state, platform, grids);
}

FrmExporter::FrmExporter(AppState& state, Platform& platform, GridValues grids, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform), grids_(std::move(grids)) {
    setObjectName(QStringLiteral("frm_exporter"));
    setFont(default_font());
    setFixedSize(twips(7650), twips(2070));
    // A fixed dialog frame: a title and the close button, nothing else.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    add_label(this, QStringLiteral("lbl_chemin"), QString(), twips_rect(120, 120, 6495, 255),
              default_font());
    path_box_ = add_text_box(this, QStringLiteral("txt_chemin"), twips_rect(120, 375, 7455, 300));
    add_label(this, QStringLiteral("lbl_nom_matrice"), QString(), twips_rect(150, 1050, 3255, 255),
              default_font());
    name_box_ =
        add_text_box(this, QStringLiteral("txt_nom_matrice"), twips_rect(150, 1275, 3615, 300));
    auto* ok_button = add_button(this, QStringLiteral("btc_export_ok"), QStringLiteral("Exporter"),
                                 twips_rect(5760, 1560, 855, 375));
    auto* cancel_button = add_button(this, QStringLiteral("btc_annuler_export"),
                                     QStringLiteral("Annuler"), twips_rect(6720, 1560, 855, 375));

    // The labels take no focus; of the rest the name box comes first.
    setTabOrder(name_box_, path_box_);
    setTabOrder(path_box_, ok_button);
    setTabOrder(ok_button, cancel_button);
    name_box_->setFocus();

    path_box_->installEventFilter(this);
    connect(ok_button, &QPushButton::clicked, this, &FrmExporter::exporter);
    connect(cancel_button, &QPushButton::clicked, this, &FrmExporter::annuler);
}

void FrmExporter::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centre_on_screen(*this, platform_);
    const bool cce = state_.export_target == cce_target;
    const bool tmpgenc = state_.export_target == tmpgenc_target;
    if (!cce && !tmpgenc) {
        return;
    }
    setWindowTitle(cce ? QStringLiteral("Exporter les matrices dans CCE...")
                       : QStringLiteral("Exporter les matrices dans TMPGEnc..."));
    findChild<QLabel*>(QStringLiteral("lbl_chemin"))
        ->setText(cce ? QStringLiteral("Emplacement de la clé dans le registre : Vérifiez bien "
                                       "qu'il s'agit de la bonne clé :")
                      : QStringLiteral("Chemin de TMPGEnc : Vérifiez bien qu'il s'agit du bon "
                                       "chemin :"));
    path_box_->setText(QString::fromStdString(cce ? state_.configuration.cce_registry_key
                                                  : state_.configuration.tmpgenc_folder));
    findChild<QLabel*>(QStringLiteral("lbl_nom_matrice"))
        ->setText(QStringLiteral("Nom de l'enregistrement des matrices :"));
    name_box_->clear();
    name_box_->setFocus();
}

void FrmExporter::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // The window manager adds its frame once the dialog is up: centre again by the outer
    // size, once.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !centred_when_active_) {
        centred_when_active_ = true;
        centre_on_screen(*this, platform_);
    }
}

bool FrmExporter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == path_box_) {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) {
            state_.path_edited = true;
        } else if (event->type() == QEvent::KeyPress) {
            // Tab only moves the focus on; every other key counts, changed text or not.
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Tab && key != Qt::Key_Backtab) {
                state_.path_edited = true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmExporter::keyPressEvent(QKeyEvent* event) {
    // Neither button is the dialog's default or cancel button.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void FrmExporter::exporter() {
    const std::string path_text = path_box_->text().toStdString();
    const std::string name = name_box_->text().toStdString();
    if (state_.export_target == cce_target) {
        const std::string script = cce_script_path(state_.program_folder);
        if (const auto message = write_cce_script(script, path_text, name, grids_())) {
            platform_.show_message(this, *message);
        } else {
            platform_.open_target(this, script, registry_editor_folder);
        }
    } else if (state_.export_target == tmpgenc_target) {
        if (const auto message =
                export_tmpgenc(path_text, name, state_.matrices, state_.configuration)) {
            platform_.show_message(this, *message);
        }
    }
    state_.export_done = true;
    accept();
}

void FrmExporter::annuler() {
    reject();
}

void FrmExporter::unload() {
    if (!state_.path_edited) {
        return;
    }
    const std::string text = path_box_->text().toStdString();
    if (state_.export_target == cce_target) {
        state_.configuration.cce_registry_key = text;
    } else if (state_.export_target == tmpgenc_target) {
        state_.configuration.tmpgenc_folder = text;
    }
    if (const auto error = save_configuration(state_.program_folder, state_.configuration,
                                              state_.executable_name)) {
        platform_.show_message(parentWidget(), configuration_not_saved_message(*error));
    }
    state_.path_edited = false;
}

} // namespace quantaline
