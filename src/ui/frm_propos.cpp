#include "ui/frm_propos.h"

#include "config/app_info.h"
#include "ui/artwork.h"
#include "ui/centre_on_screen.h"
#include "ui/controls.h"
#include "ui/platform.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <string>

namespace quantaline {

FrmPropos::FrmPropos(Platform& platform, QWidget* parent) : QDialog(parent), platform_(platform) {
    setObjectName(QStringLiteral("frm_propos"));
    setWindowTitle(tr("A propos de Quantaline ..."));
    setFont(default_font());
    setFixedSize(twips(6570), twips(4170));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    set_background(*this, QColor(0, 0, 0));

    auto* ok_button =
        add_button(this, QStringLiteral("btc_ok"), tr("O-K"), twips_rect(5700, 3675, 780, 375));

    // The box is one pixel larger than the picture on each side: the border.
    auto* picture = add_bordered_label(this, QStringLiteral("Picture1"), QString(),
                                       twips_rect(300, 75, 1905, 2730), default_font());
    picture->setPixmap(QPixmap::fromImage(about_picture()));
    picture->setAlignment(Qt::AlignCenter);

    auto* thanks = add_label(this, QStringLiteral("Label3"),
                             tr("Merci à tous ceux qui ont essayé Quantaline et "
                                "m'ont fait part de leurs remarques."),
                             twips_rect(2550, 375, 3495, 555), default_font());
    thanks->setWordWrap(true);
    set_text_colour(*thanks, QColor(255, 255, 0));

    auto* web =
        add_link_label(this, QStringLiteral("Label2"), QString::fromUtf8(app_info::web_address),
                       twips_rect(2925, 1500, 2880, 330), ui_font(9.75, true, true));
    web->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    set_text_colour(*web, QColor(0, 255, 255));

    auto* note = add_label(this, QStringLiteral("Label4"),
                           tr("Quantaline lit les matrices de quantification "
                              "d'un flux MPEG-1 ou MPEG-2 et les transmet à "
                              "TMPGEnc ou à CCE. Programme gratuit, utilisez-le "
                              "à vos risques."),
                           twips_rect(2550, 2250, 3765, 915), default_font());
    note->setWordWrap(true);
    set_text_colour(*note, QColor(64, 64, 64));

    // Element 0 shares the mail link's colour but is no link: it only names the program.
    auto* name = add_label(this, QStringLiteral("Label1_0"),
                           QStringLiteral("Quantaline %1.%2%3 - © 2026 Velnor")
                               .arg(app_info::version_major)
                               .arg(app_info::version_minor)
                               .arg(app_info::version_revision),
                           twips_rect(2550, 3300, 3765, 300), ui_font(9.75, true));
    name->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    set_text_colour(*name, QColor(128, 255, 255));

    auto* mail = add_link_label(this, QStringLiteral("Label1_1"), tr("Mailto : Velnor"),
                                twips_rect(3825, 3825, 1380, 300), ui_font(9.75, false, true));
    mail->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    set_text_colour(*mail, QColor(128, 255, 255));

    connect(ok_button, &QPushButton::clicked, this, &FrmPropos::ok);
    connect(web, &LinkLabel::clicked, this, &FrmPropos::open_web_site);
    connect(mail, &LinkLabel::clicked, this, &FrmPropos::open_mail);
}

void FrmPropos::ok() {
    hide();
}

void FrmPropos::open_mail() {
    platform_.open_target(this, std::string("mailto:") + app_info::mail_address, std::string());
}

void FrmPropos::open_web_site() {
    platform_.open_target(this, app_info::web_address, std::string());
}

void FrmPropos::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centre_on_screen(*this, platform_);
}

void FrmPropos::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        centre_on_screen(*this, platform_);
    }
}

void FrmPropos::closeEvent(QCloseEvent* event) {
    // Closed by its title bar, the box goes for good; the next "A propos" builds it again.
    QDialog::closeEvent(event);
    deleteLater();
}

void FrmPropos::keyPressEvent(QKeyEvent* event) {
    // Escape is not a way out: only "O-K" and the title bar close the box.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace quantaline
