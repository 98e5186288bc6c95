#include "ui/frm_exporter.h"

#include "ui/centre_on_screen.h"
#include "ui/controls.h"
#include "ui/platform.h"
#include "ui/qt_text.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

namespace quantaline {

namespace {

QLineEdit* add_text_box(QWidget* parent, const QString& name, const QRect& rect) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setGeometry(rect);
    box->setFont(default_font());
    return box;
}

// One line only: a line break in the path would reach the configuration file as lines of
// its own. Whatever brings the text in (a paste, a drop, the program), CR and LF are
// dropped and the rest kept, the cursor staying after what came in.
class OneLineValidator final : public QValidator {
  public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override {
        int kept_before_cursor = 0;
        QString kept;
        kept.reserve(input.size());
        for (int i = 0; i < input.size(); ++i) {
            const QChar c = input.at(i);
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                continue;
            }
            kept.append(c);
            kept_before_cursor += i < position ? 1 : 0;
        }
        if (kept.size() != input.size()) {
            input = kept;
            position = kept_before_cursor;
        }
        return Acceptable;
    }
};

} // namespace

void export_to(QWidget* owner, Session& session, Platform& platform, ExportTarget target) {
    for (const Message& question : session.export_questions(target)) {
        if (platform.show_message(owner, question) != Button::ok) {
            return;
        }
    }
    FrmExporter dialog(session, platform, owner);
    dialog.exec();
    dialog.unload();
}

FrmExporter::FrmExporter(Session& session, Platform& platform, QWidget* parent)
    : QDialog(parent), session_(session), platform_(platform) {
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
    path_box_->setValidator(new OneLineValidator(path_box_));
    add_label(this, QStringLiteral("lbl_nom_matrice"), QString(), twips_rect(150, 1050, 3255, 255),
              default_font());
    name_box_ =
        add_text_box(this, QStringLiteral("txt_nom_matrice"), twips_rect(150, 1275, 3615, 300));
    auto* ok_button = add_button(this, QStringLiteral("btc_export_ok"), tr("Exporter"),
                                 twips_rect(5760, 1560, 855, 375));
    auto* cancel_button = add_button(this, QStringLiteral("btc_annuler_export"), tr("Annuler"),
                                     twips_rect(6720, 1560, 855, 375));

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
    if (session_.state().export_target == ExportTarget::none) {
        return;
    }
    setWindowTitle(from_utf8(session_.export_title()));
    findChild<QLabel*>(QStringLiteral("lbl_chemin"))
        ->setText(from_utf8(session_.export_path_caption()));
    path_box_->setText(from_utf8(session_.export_path_text()));
    findChild<QLabel*>(QStringLiteral("lbl_nom_matrice"))
        ->setText(tr("Nom de l'enregistrement des matrices :"));
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
            session_.state().path_edited = true;
        } else if (event->type() == QEvent::KeyPress) {
            // Tab only moves the focus on; every other key counts, changed text or not.
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Tab && key != Qt::Key_Backtab) {
                session_.state().path_edited = true;
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
    const auto outcome =
        session_.run_export(path_box_->text().toStdString(), name_box_->text().toStdString());
    if (outcome.message) {
        platform_.show_message(this, *outcome.message);
    } else if (!outcome.open_target.empty()) {
        platform_.open_target(this, outcome.open_target, outcome.work_folder);
    }
    accept();
}

void FrmExporter::annuler() {
    reject();
}

void FrmExporter::unload() {
    if (const auto message = session_.close_export_dialog(path_box_->text().toStdString())) {
        platform_.show_message(parentWidget(), *message);
    }
}

} // namespace quantaline
