#pragma once

#include "check/check.h"
#include "check/timeline.h"
#include "session/session.h"

#include <QString>
#include <QWidget>
#include <cstddef>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QTableWidget;

namespace quantaline {

// "Conformité": the profile the stream is compared with, the verdict, the buffer's figures
// and the findings one a line, the notes after them. Choosing a line names its picture.
class CheckPanel : public QWidget {
    Q_OBJECT
  public:
    // What the figures and the lines say, for assistive technology. The profile chosen goes
    // to the session, which checks the stream again.
    CheckPanel(Session& session, const QString& figures_description,
               const QString& findings_description, QWidget* parent);

    // The profiles offered, each its text and its name; `current` chosen.
    void set_profiles(const std::vector<std::pair<QString, QString>>& profiles,
                      const QString& current, bool enabled);
    void set_verdict(const QString& text, bool fault);
    void set_figures(const QString& text);
    // The findings, then the notes; the times from the timeline when it has them.
    void set_findings(const std::vector<check::Finding>& findings,
                      const std::vector<check::Finding>& notes, const check::Timeline* timeline);
    QTableWidget& findings_table() { return *findings_; }
    QComboBox& profile_choice() { return *profile_choice_; }

  signals:
    // Another profile was chosen: the session checked the stream again.
    void profile_chosen();
    // A line chosen (`activated`: Enter or a double click) names this picture.
    void finding_chosen(std::size_t picture, bool activated);

  private:
    void choose_finding(bool activated);

    QComboBox* profile_choice_ = nullptr;
    QLabel* verdict_ = nullptr;
    QLabel* figures_ = nullptr;
    QTableWidget* findings_ = nullptr;
};

} // namespace quantaline
