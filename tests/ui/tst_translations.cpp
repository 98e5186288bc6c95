// The program's translations as Qt loads them from its resources: under English, its own
// texts in English and Qt's dialogs left in Qt's English; under French, Qt's dialogs in
// French.

#include "ui/translations.h"

#include <QCoreApplication>
#include <QTest>

namespace quantaline {

class TstTranslations : public QObject {
    Q_OBJECT

  private slots:
    // English first: translators stack, and the French one must not be there yet.
    void english() {
        QVERIFY(install_translations(Language::english));
        const struct {
            const char* context;
            const char* source;
            const char* expected;
        } cases[] = {
            {"Report", "Fin du document.", "End of report."},
            {"Message", "Aucune vidéo MPEG", "No MPEG video"},
            {"Value", "29,97", "29.97"},
            {"QFileDialog", "Look in:", "Look in:"},
        };
        for (const auto& c : cases) {
            QCOMPARE(QCoreApplication::translate(c.context, c.source),
                     QString::fromUtf8(c.expected));
        }
    }

    void french_dialogs() {
        QVERIFY(install_translations(Language::french));
        const struct {
            const char* context;
            const char* source;
            const char* expected;
        } cases[] = {
            {"QFileDialog", "Look in:", "Voir dans :"},
            {"QFileDialog", "&Save", "&Enregistrer"},
            {"QFileDialog", "Files of type:", "Fichiers de type :"},
            {"QPlatformTheme", "Cancel", "Annuler"},
            {"QPrintDialog", "Print", "Imprimer"},
        };
        for (const auto& c : cases) {
            QCOMPARE(QCoreApplication::translate(c.context, c.source),
                     QString::fromUtf8(c.expected));
        }
    }
};

} // namespace quantaline

QTEST_GUILESS_MAIN(quantaline::TstTranslations)
#include "tst_translations.moc"
