#include "ui/check_panel.h"

#include "analysis/display.h"
#include "check/texts.h"
#include "ui/controls.h"
#include "ui/stream_views.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>

namespace quantaline {

namespace {

const char* const finding_captions[] = {QT_TRANSLATE_NOOP("quantaline::CheckPanel", "Règle"),
                                        QT_TRANSLATE_NOOP("quantaline::CheckPanel", "GOP"),
                                        QT_TRANSLATE_NOOP("quantaline::CheckPanel", "Image"),
                                        QT_TRANSLATE_NOOP("quantaline::CheckPanel", "Temps"),
                                        QT_TRANSLATE_NOOP("quantaline::CheckPanel", "Trouvé"),
                                        QT_TRANSLATE_NOOP("quantaline::CheckPanel", "Limite")};

} // namespace

CheckPanel::CheckPanel(Session& session, const QString& figures_description,
                       const QString& findings_description, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* caption = new QLabel(tr("Profil :"), this);
    profile_choice_ = new QComboBox(this);
    profile_choice_->setObjectName(QStringLiteral("cb_profil"));
    profile_choice_->setAccessibleName(tr("Profil"));
    profile_choice_->setAccessibleDescription(
        tr("Les règles du disque auxquelles le flux est comparé ; automatique d'après sa "
           "première séquence"));
    caption->setBuddy(profile_choice_);
    verdict_ = new QLabel(this);
    verdict_->setObjectName(QStringLiteral("lbl_verdict"));
    verdict_->setFont(ui_font(8.25, true));
    verdict_->setAccessibleDescription(tr("Conformité du flux à son profil"));
    top->addWidget(caption);
    top->addWidget(profile_choice_);
    top->addSpacing(16);
    top->addWidget(verdict_, 1);
    layout->addLayout(top);
    figures_ = new QLabel(this);
    figures_->setObjectName(QStringLiteral("lbl_tampon"));
    figures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    figures_->setAccessibleDescription(figures_description);
    layout->addWidget(figures_);

    QStringList headers;
    for (const char* c : finding_captions) {
        headers << tr(c);
    }
    findings_ = row_table(this, QStringLiteral("tab_ecarts"), headers);
    findings_->setAccessibleName(tr("Écarts"));
    findings_->setAccessibleDescription(findings_description);
    layout->addWidget(findings_, 1);

    connect(profile_choice_, &QComboBox::activated, this, [this, &session](int index) {
        session.set_check_profile(profile_choice_->itemData(index).toString().toStdString());
        emit profile_chosen();
    });
    connect(findings_, &QTableWidget::itemSelectionChanged, this,
            [this] { choose_finding(false); });
    connect(findings_, &QTableWidget::itemActivated, this, [this] { choose_finding(true); });
}

void CheckPanel::set_profiles(const std::vector<std::pair<QString, QString>>& profiles,
                              const QString& current, bool enabled) {
    const QSignalBlocker blocker(profile_choice_);
    profile_choice_->clear();
    for (const auto& [text, name] : profiles) {
        profile_choice_->addItem(text, name);
    }
    profile_choice_->setCurrentIndex(std::max(0, profile_choice_->findData(current)));
    profile_choice_->setEnabled(enabled);
}

void CheckPanel::set_verdict(const QString& text, bool fault) {
    verdict_->setText(text);
    set_text_colour(*verdict_, fault ? QColor(192, 0, 0) : QColor(0, 0, 0));
}

void CheckPanel::set_figures(const QString& text) {
    figures_->setText(text);
}

void CheckPanel::set_findings(const std::vector<check::Finding>& findings,
                              const std::vector<check::Finding>& notes,
                              const check::Timeline* timeline) {
    const QSignalBlocker blocker(findings_);
    findings_->clearContents();
    findings_->setRowCount(static_cast<int>(findings.size() + notes.size()));
    const auto number = [](std::optional<std::uint64_t> value) {
        return value ? QString::fromStdString(grouped_number(*value)) : QString();
    };
    for (std::size_t r = 0; r < findings.size() + notes.size(); ++r) {
        const bool note = r >= findings.size();
        const check::Finding& f = note ? notes[r - findings.size()] : findings[r];
        QString picture = number(f.picture);
        if (f.picture && f.pictures && *f.pictures > 1) {
            picture += QStringLiteral(" – ") + number(*f.picture + *f.pictures - 1);
        }
        QString time;
        if (f.picture && timeline != nullptr && *f.picture < timeline->times.size()) {
            time = QString::fromStdString(check::time_text(timeline->times[*f.picture]));
        }
        QString rule = QString::fromUtf8(tr_text(check::rule_context, check::rule_text(f.rule)));
        if (note) {
            rule = QString::fromUtf8(tr_text("Cli", "Note :")) + QLatin1Char(' ') + rule;
        }
        const std::array<QString, 6> cells = {rule,
                                              number(f.gop),
                                              picture,
                                              time,
                                              QString::fromStdString(check::found_text(f)),
                                              QString::fromStdString(check::limit_text(f))};
        for (std::size_t c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 1 && c <= 3) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            if (f.picture) {
                item->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(*f.picture));
            }
            findings_->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    findings_->resizeColumnsToContents();
}

void CheckPanel::choose_finding(bool activated) {
    const QList<QTableWidgetItem*> selected = findings_->selectedItems();
    if (selected.isEmpty() || !selected.front()->data(Qt::UserRole).isValid()) {
        return;
    }
    emit finding_chosen(
        static_cast<std::size_t>(selected.front()->data(Qt::UserRole).toULongLong()), activated);
}

} // namespace quantaline
