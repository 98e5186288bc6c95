#include "ui/translations.h"

#include <QCoreApplication>
#include <QTranslator>

namespace quantaline {

bool install_translations(Language language) {
    // The translator lives as long as the application, which uninstalls it at the end.
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString file = language == Language::french
                             ? QStringLiteral(":/translations/qtbase_fr.qm")
                             : QStringLiteral(":/translations/quantaline_en.qm");
    if (!translator->load(file)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace quantaline
