// Every window under English and under French with the recording platform. Under English
// nothing French is left in what a user reads or a screen reader says: texts, titles,
// tooltips, accessible names and descriptions, table headers and cells, menus, the graph's
// descriptions, the printed page, the save dialogs' titles and the message boxes as the
// desktop shows them. Under both languages a table of texts is exactly the language's.
#include "fake_platform.h"
#include "language_scope.h"
#include "open_stream.h"
#include "session/open_folders.h"
#include "session/whole_stream.h"
#include "support/temp_dir.h"
#include "ui/frm_exporter.h"
#include "ui/frm_flux_complet.h"
#include "ui/frm_propos.h"
#include "ui/header_frm.h"
#include "ui/macroblock_map.h"
#include "ui/matrix_menu.h"
#include "ui/picture_graph.h"
#include "ui/qt_platform.h"
#include "ui/report_commands.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>
#include <functional>

using namespace quantaline;
using namespace quantaline::test;

namespace {

const QString data_folder = QStringLiteral(QUANTALINE_TEST_DATA);

// The first French piece of `text`: an accented letter or a French word; empty when none.
QString french_in(const QString& text) {
    static const QRegularExpression french(
        QStringLiteral("[àâäçéèêëîïôöùûüÿœÀÂÄÇÉÈÊËÎÏÔÖÙÛÜŒ]|\\b(le|la|les|de|des|du|un|une|et|ou|"
                       "sur|dans|pour|aucune?|fichiers?|images?|jeux?|flux|lecture|octets|"
                       "ouvrir|annuler|quitter|fermer|enregistrer|exporter|imprimer|"
                       "quantificateur|macroblocs?|propos|nota|moyen|sautés?|codés?)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = french.match(text);
    return match.hasMatch() ? match.captured(0) : QString();
}

// Every text of `root` and its children that the user or assistive technology meets.
QStringList shown_texts(QWidget& root) {
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    QStringList texts;
    for (QWidget* w : widgets) {
        texts << w->windowTitle() << w->toolTip() << w->accessibleName()
              << w->accessibleDescription();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            texts << label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            texts << button->text();
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            texts << box->title();
        } else if (auto* bar = qobject_cast<QProgressBar*>(w)) {
            texts << bar->format();
        } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                texts << tabs->tabText(i);
            }
        } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
            for (int c = 0; c < table->columnCount(); ++c) {
                texts << table->horizontalHeaderItem(c)->text();
                for (int r = 0; r < table->rowCount(); ++r) {
                    texts << table->item(r, c)->text();
                }
            }
        } else if (auto* graph = qobject_cast<PictureGraph*>(w)) {
            texts << graph->description() << graph->current_text() << graph->picture_text(0);
        } else if (auto* map = qobject_cast<MacroblockMap*>(w)) {
            texts << map->current_text();
        }
    }
    return texts;
}

// "where: text (French piece)" for each text of `texts` with French in it.
QStringList french_texts(const QString& where, const QStringList& texts) {
    QStringList found;
    for (const QString& text : texts) {
        if (const QString piece = french_in(text); !piece.isEmpty()) {
            found << where + QStringLiteral(": \"") + text + QStringLiteral("\" (") + piece +
                         QLatin1Char(')');
        }
    }
    return found;
}

// The title, text and buttons of the box the desktop shows for `message`.
QStringList box_texts(const Message& message) {
    QStringList texts;
    QtPlatform desktop;
    const bool shown = with_modal<QMessageBox>(
        [&texts](QMessageBox& box) {
            texts << box.windowTitle() << box.text();
            for (QAbstractButton* button : box.buttons()) {
                texts << button->text();
            }
            box.buttons().front()->click();
        },
        [&] { desktop.show_message(nullptr, message); });
    return shown ? texts : QStringList();
}

// The main window with a file whose matrices change, read to its end, quantiser included.
struct OpenWindow {
    AppState state;
    FakePlatform platform;
    Session session{state};
    HeaderFrm window{session, platform};

    bool open(const char* file) {
        window.show();
        window.open_file((data_folder + QLatin1Char('/') + QLatin1String(file)).toStdString());
        QElapsedTimer clock;
        clock.start();
        while ((session.read_state(Session::Read::stream) == Session::ReadState::reading ||
                session.read_state(Session::Read::quantiser) == Session::ReadState::reading) &&
               clock.elapsed() < 20000) {
            QTest::qWait(20);
        }
        QTest::qWait(100);
        return session.read_state(Session::Read::quantiser) == Session::ReadState::finished;
    }
    FrmFluxComplet& flux() {
        window.findChild<QPushButton*>(QStringLiteral("btc_flux_complet"))->click();
        return *window.flux_complet_window();
    }
    QString text_of(const char* name) const {
        return window.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
};

// A whole stream of `pictures` pictures of one set, for the counts' wording.
mpeg::ScanResult stream_of(std::uint64_t pictures) {
    mpeg::ScanResult result;
    result.pictures = pictures;
    result.matrix_sets.resize(pictures == 0 ? 0 : 1);
    for (std::uint64_t i = 0; i < pictures; ++i) {
        mpeg::PictureRecord p;
        p.index = i;
        p.picture_coding_type = 1;
        p.bytes = 1000;
        result.picture_records.push_back(p);
    }
    return result;
}

} // namespace

class LanguagesTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TempDir> home_;

  private slots:
    void initTestCase() {
        home_ = std::make_unique<TempDir>();
        qputenv("HOME", home_->path().string().c_str());
    }

    void nothing_french_left_under_english() {
        LanguageScope english(Language::english);
        QVERIFY(english.ready());
        OpenWindow main;
        QStringList french = french_texts(QStringLiteral("main window"), shown_texts(main.window));
        QVERIFY(main.open("mpeg2-es-joined.m2v"));
        french << french_texts(QStringLiteral("main window with a file"), shown_texts(main.window));
        const auto menu =
            matrix_menu(&main.window, MatrixKind::intra, main.session, main.platform, true);
        for (QAction* action : menu->actions()) {
            french << french_texts(QStringLiteral("matrix menu"), {action->text()});
        }

        FrmFluxComplet& flux = main.flux();
        PictureGraph& graph = flux.graph();
        int x = 0;
        while (x < graph.width() && graph.picture_at(x) != std::optional<std::size_t>(1)) {
            ++x;
        }
        QTest::mouseClick(&graph, Qt::LeftButton, {}, QPoint(x, graph.height() / 2));
        QTRY_VERIFY_WITH_TIMEOUT(main.session.picture_map() != nullptr, 20000);
        QTest::qWait(100);
        const PictureMap& map = *main.session.picture_map();
        french << french_texts(QStringLiteral("whole stream"), shown_texts(flux))
               << french_texts(QStringLiteral("macroblock"),
                               {QString::fromStdString(macroblock_text(map, map.macroblocks[0]))});
        flux.findChild<QPushButton*>(QStringLiteral("btc_images_csv"))->click();

        QVERIFY(with_modal<FrmPropos>(
            [&french](FrmPropos& about) {
                french << french_texts(QStringLiteral("about"), shown_texts(about));
                about.ok();
            },
            [&main] {
                main.window.findChild<QPushButton*>(QStringLiteral("btc_propos"))->click();
            }));
        QVERIFY(with_modal<FrmOuvrir>(
            [&french](FrmOuvrir& dialog) {
                french << french_texts(QStringLiteral("open dialog"), shown_texts(dialog));
                dialog.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
            },
            [&main] {
                main.window.findChild<QPushButton*>(QStringLiteral("btc_ouvrir"))->click();
            }));
        for (const char* button : {"btc_cce", "btc_tmpgenc"}) {
            main.platform.answers = {Button::ok, Button::ok};
            QVERIFY(with_modal<FrmExporter>(
                [&french](FrmExporter& dialog) {
                    french << french_texts(QStringLiteral("export dialog"), shown_texts(dialog));
                    dialog.findChild<QPushButton*>(QStringLiteral("btc_annuler_export"))->click();
                },
                [&main, button] {
                    main.window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
                }));
        }
        main.window.findChild<QPushButton*>(QStringLiteral("btc_imprimer"))->click();
        for (const std::string& line : main.platform.page) {
            french << french_texts(QStringLiteral("printed page"), {QString::fromStdString(line)});
        }
        for (const std::string& event : main.platform.events) {
            if (event.rfind("save dialog:", 0) == 0) {
                const std::string title = event.substr(12, event.find('|') - 12);
                french << french_texts(QStringLiteral("save dialog"),
                                       {QString::fromStdString(title)});
            }
        }

        // The boxes as the desktop shows them: the ones the walk raised, the program's own,
        // and failures whose wording wraps the system's.
        std::vector<Message> messages = main.platform.values;
        QVERIFY(!messages.empty());
        TempDir dir;
        AppState unwritable;
        unwritable.program_folder = dir.file("missing/folder");
        unwritable.export_target = ExportTarget::cce;
        unwritable.path_edited = true;
        Session closing(unwritable);
        for (const std::optional<Message>& message :
             {std::optional<Message>(already_running_message),
              std::optional<Message>(cce_default_values_message),
              std::optional<Message>(tmpgenc_running_message),
              std::optional<Message>(tmpgenc_default_values_message),
              std::optional<Message>(drive_unavailable_message),
              std::optional<Message>(print_failed_message),
              main.session.save_picture_table(dir.file("missing/pictures.csv")),
              closing.close_export_dialog("x")}) {
            QVERIFY(message.has_value());
            messages.push_back(*message);
        }
        for (const Message& message : messages) {
            const QStringList box = box_texts(message);
            // A title, a text and at least one button.
            QVERIFY2(box.size() >= 3, quantaline::french(message).title.c_str());
            french << french_texts(QStringLiteral("message box"), box);
        }
        QVERIFY2(french.isEmpty(), qPrintable(french.join(QLatin1Char('\n'))));
    }

    // Each text in both languages: the French is today's, the English the translation.
    void exact_texts_in_each_language() {
        struct Case {
            const char* what;
            std::function<QString(OpenWindow&)> text;
            const char* french;
            const char* english;
        };
        const auto strip = [](const mpeg::ScanResult& result) {
            return QString::fromStdString(stream_read_texts(result, false).status);
        };
        const Case cases[] = {
            {"open button",
             [](OpenWindow& w) {
                 return w.window.findChild<QPushButton*>(QStringLiteral("btc_ouvrir"))->text();
             },
             "Ouvrir un fichier", "Open a file"},
            {"caption", [](OpenWindow& w) { return w.text_of("Label11_3"); },
             "Fréquence d'image :", "Frame rate:"},
            {"frame",
             [](OpenWindow& w) {
                 return w.window.findChild<QGroupBox*>(QStringLiteral("Frame1"))->title();
             },
             "Matrice non Intra-block", "Non-intra matrix"},
            {"strip", [](OpenWindow& w) { return w.text_of("lbl_flux"); },
             "Flux complet : 12 images, 2 jeux de matrices",
             "Whole stream: 12 pictures, 2 matrix sets"},
            {"strip note", [](OpenWindow& w) { return w.text_of("lbl_flux_note"); },
             "Les matrices changent en cours de flux : 2 jeux",
             "The matrices change within the stream: 2 sets"},
            {"whole stream title", [](OpenWindow& w) { return w.flux().windowTitle(); },
             "Flux complet - mpeg2-es-joined.m2v", "Whole stream - mpeg2-es-joined.m2v"},
            {"summary",
             [](OpenWindow& w) {
                 return w.flux().findChild<QLabel*>(QStringLiteral("resume_2"))->text();
             },
             "12 (I : 6, P : 6)", "12 (I: 6, P: 6)"},
            {"duration",
             [](OpenWindow& w) {
                 return w.flux().findChild<QLabel*>(QStringLiteral("resume_5"))->text();
             },
             "00:00:00,48", "00:00:00.48"},
            {"table header",
             [](OpenWindow& w) {
                 return w.flux()
                     .findChild<QTableWidget*>(QStringLiteral("tab_jeux"))
                     ->horizontalHeaderItem(1)
                     ->text();
             },
             "Première image", "First picture"},
            {"no picture", [strip](OpenWindow&) { return strip(stream_of(0)); },
             "Flux complet : 0 image, 0 jeu de matrices",
             "Whole stream: 0 pictures, 0 matrix sets"},
            {"one picture", [strip](OpenWindow&) { return strip(stream_of(1)); },
             "Flux complet : 1 image, 1 jeu de matrices", "Whole stream: 1 picture, 1 matrix set"},
            {"thousands", [strip](OpenWindow&) { return strip(stream_of(1234)); },
             "Flux complet : 1 234 images, 1 jeu de matrices",
             "Whole stream: 1,234 pictures, 1 matrix set"},
            {"graph", [](OpenWindow& w) { return w.flux().graph().picture_text(4); },
             "Image 4 : I, 3 917 octets, jeu 2, quantificateur moyen 8,00 (min 8, max 8), à "
             "00:00:00,160, tampon VBV 49 kbit",
             "Picture 4: I, 3,917 bytes, set 2, average quantiser 8.00 (min 8, max 8), at "
             "00:00:00.160, VBV buffer 49 kbit"},
            {"message box", [](OpenWindow&) { return box_texts(print_failed_message).join('|'); },
             "Impression impossible...|Impossible d'imprimer le document; Vérifiez "
             "l'imprimante !|OK",
             "Cannot print...|The document could not be printed. Check the printer!|OK"},
        };
        for (const Language language : {Language::french, Language::english}) {
            LanguageScope scope(language);
            QVERIFY(scope.ready());
            OpenWindow main;
            QVERIFY(main.open("mpeg2-es-joined.m2v"));
            for (const Case& c : cases) {
                const QString expected =
                    QString::fromUtf8(language == Language::french ? c.french : c.english);
                QVERIFY2(c.text(main) == expected,
                         qPrintable(QStringLiteral("%1: \"%2\", expected \"%3\"")
                                        .arg(QLatin1String(c.what), c.text(main), expected)));
            }
        }
    }
};

QTEST_MAIN(LanguagesTest)
#include "tst_languages.moc"
