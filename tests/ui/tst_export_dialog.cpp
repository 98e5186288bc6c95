// The export buttons and the export dialog: the warnings and their answers, the dialog's
// layout, the path box's touch, the exports it runs and the closing step that saves the
// configuration, and what quitting then does with the registry script.
#include "fake_platform.h"
#include "modal.h"
#include "open_stream.h"
#include "support/temp_dir.h"
#include "ui/frm_exporter.h"
#include "ui/header_frm.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <functional>

using namespace quantaline;
using namespace quantaline::test;

namespace {

const std::string cce_key =
    "HKEY_CURRENT_USER\\Software\\Custom Technology\\CCE SP Trial Version\\qmat";

const ShownMessage cce_warning{Icon::exclamation, "Exporter les matrices vers CCE...",
                               "Attention, les informations qui vont suivre sont des valeurs par "
                               "défaut :\r\nVérifiez bien que la clé de la base de registre de CCE "
                               "soit conforme à votre configuration !",
                               Buttons::ok_cancel, Button::cancel};
const ShownMessage tmpgenc_notice{Icon::information, "Exporter les matrices vers TMPGEnc ...",
                                  "Attention, TMPGEnc ne doit pas être en cours d'exécution",
                                  Buttons::ok_cancel, Button::ok};
const ShownMessage tmpgenc_warning{Icon::exclamation, "Exporter les matrices ...",
                                   "Attention, les informations qui vont suivre sont des valeurs "
                                   "par défaut :\r\nVérifiez que le chemin d'accès à TMPGEnc est "
                                   "correcte !",
                                   Buttons::ok_cancel, Button::cancel};

// sample-dvd.vob was encoded with this intra matrix and carries no non-intra matrix: the
// grids show it and 64 times 16.
const std::string dvd_values_hex =
    "08, 09, 0A, 0C, 0E, 11, 14, 18, 09, 0A, 0C, 0E, 11, 14, 18, 1C, "
    "0A, 0C, 0E, 11, 14, 18, 1C, 21, 0C, 0E, 11, 14, 18, 1C, 21, 27, "
    "0E, 11, 14, 18, 1C, 21, 27, 2E, 11, 14, 18, 1C, 21, 27, 2E, 36, "
    "14, 18, 1C, 21, 27, 2E, 36, 3F, 18, 1C, 21, 27, 2E, 36, 3F, 4A, "
    "10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, "
    "10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, "
    "10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, "
    "10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10";

std::string configuration_file(const std::string& key, const std::string& folder,
                               const char* values) {
    return "[quantaline 1  1 ]\r\n\r\n\r\n[CCE]\r\nCl\xE9 du registre=" + key +
           "\r\n\r\n[TMPGEnc]\r\nChemin de TMPGEnc=" + folder + "\r\n\r\n\r\nValeurs=" + values +
           "\r\n\r\n[EOF]\r\n";
}

const std::string tmpgenc_ini = "[Tools.QuantizeMatrix]\r\nCount=1\r\nName0=\"Ancienne\"\r\n";

// A program folder, a TMPGEnc folder holding a TMPGEnc.ini, and the main window showing
// sample-dvd.vob.
struct Fixture {
    TempDir folder;
    TempDir tmpgenc;
    AppState state;
    quantaline::Session flow{state};
    FakePlatform platform;
    std::unique_ptr<HeaderFrm> window;

    explicit Fixture(bool values_are_default) {
        state.program_folder = folder.folder();
        state.configuration = {cce_key, tmpgenc.folder(), values_are_default};
        folder.write_text("quantaline.cfg",
                          configuration_file(cce_key, tmpgenc.folder(),
                                             values_are_default ? "Defaut" : "Utilisateur"));
        tmpgenc.write_text("TMPGEnc.ini", tmpgenc_ini);
        window = std::make_unique<HeaderFrm>(flow, platform);
        const QString sample = QStringLiteral(QUANTALINE_TEST_DATA "/sample-dvd.vob");
        open_test_stream(*window, QStringLiteral("sample-dvd.vob"));
        if (state.file_path != sample.toStdString()) {
            qFatal("sample-dvd.vob did not open");
        }
        platform.events.clear();
        platform.messages.clear();
    }

    QPushButton* button(const char* name) const {
        return window->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    // Presses an export button; `in_dialog` runs on the dialog if it shows, and closes it.
    // A dialog left open by a failed check is closed by its title bar. Returns whether it
    // showed.
    bool press(const char* export_button, const std::function<void(FrmExporter&)>& in_dialog) {
        return with_modal<FrmExporter>(
            [in_dialog](FrmExporter& dialog) {
                in_dialog(dialog);
                if (dialog.isVisible()) {
                    dialog.close();
                }
            },
            [this, export_button] { button(export_button)->click(); });
    }

    std::string configuration() const { return read_all(folder.file("quantaline.cfg")); }
    std::string script() const { return read_all(folder.file("quantaline.reg")); }
    bool script_exists() const { return std::filesystem::exists(folder.file("quantaline.reg")); }
};

QLineEdit* box(FrmExporter& dialog, const char* name) {
    return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
}

void click(FrmExporter& dialog, const char* name) {
    dialog.findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

// Types `text` key by key, accented letters included.
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// Replaces the path box's text the way a user does: selects it all and types.
void type_path(FrmExporter& dialog, const QString& text) {
    QLineEdit* path = box(dialog, "txt_chemin");
    path->setFocus();
    path->selectAll();
    type(path, text);
}

void name_and_export(FrmExporter& dialog, const QString& name) {
    type(box(dialog, "txt_nom_matrice"), name);
    click(dialog, "btc_export_ok");
}

} // namespace

class ExportDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> home_;

  private slots:
    void initTestCase() {
        home_ = std::make_unique<TempDir>();
        qputenv("HOME", home_->path().string().c_str());
    }

    void warnings_and_their_answers_data() {
        QTest::addColumn<QString>("export_button");
        QTest::addColumn<bool>("values_are_default");
        QTest::addColumn<QList<int>>("answers"); // 1 = OK, 0 = Cancel
        QTest::addColumn<int>("messages_shown"); // of the button's questions, in order
        QTest::addColumn<bool>("dialog_shows");

        QTest::newRow("CCE, default values, Cancel")
            << "btc_cce" << true << QList<int>{0} << 1 << false;
        QTest::newRow("CCE, default values, OK") << "btc_cce" << true << QList<int>{1} << 1 << true;
        QTest::newRow("CCE, user values: no question")
            << "btc_cce" << false << QList<int>{} << 0 << true;
        QTest::newRow("TMPGEnc, default values, Cancel to the notice")
            << "btc_tmpgenc" << true << QList<int>{0} << 1 << false;
        QTest::newRow("TMPGEnc, default values, OK then Cancel")
            << "btc_tmpgenc" << true << QList<int>{1, 0} << 2 << false;
        QTest::newRow("TMPGEnc, default values, OK then OK")
            << "btc_tmpgenc" << true << QList<int>{1, 1} << 2 << true;
        QTest::newRow("TMPGEnc, user values: the notice still")
            << "btc_tmpgenc" << false << QList<int>{1} << 1 << true;
        QTest::newRow("TMPGEnc, user values, Cancel to the notice")
            << "btc_tmpgenc" << false << QList<int>{0} << 1 << false;
    }

    void warnings_and_their_answers() {
        QFETCH(QString, export_button);
        QFETCH(bool, values_are_default);
        QFETCH(QList<int>, answers);
        QFETCH(int, messages_shown);
        QFETCH(bool, dialog_shows);

        Fixture session(values_are_default);
        const bool cce = export_button == QStringLiteral("btc_cce");
        // The button records its target before anything else, even when it then stops.
        session.state.export_target = cce ? ExportTarget::tmpgenc : ExportTarget::cce;
        for (const int answer : answers) {
            session.platform.answers.push_back(answer == 1 ? Button::ok : Button::cancel);
        }
        const std::string before = session.configuration();
        const bool shown = session.press(export_button.toLatin1().constData(),
                                         [](FrmExporter& d) { click(d, "btc_annuler_export"); });

        QCOMPARE(shown, dialog_shows);
        const std::vector<ShownMessage> questions =
            cce ? std::vector<ShownMessage>{cce_warning}
                : std::vector<ShownMessage>{tmpgenc_notice, tmpgenc_warning};
        QCOMPARE(session.platform.messages,
                 std::vector<ShownMessage>(questions.begin(), questions.begin() + messages_shown));
        QVERIFY(session.state.export_target == (cce ? ExportTarget::cce : ExportTarget::tmpgenc));
        QVERIFY(!session.state.export_done);
        QCOMPARE(session.state.configuration.values_are_default, values_are_default);
        // Neither a Cancel nor an untouched dialog changes a file.
        QCOMPARE(session.configuration(), before);
        QVERIFY(!session.script_exists());
        QCOMPARE(read_all(session.tmpgenc.file("TMPGEnc.ini")), tmpgenc_ini);
    }

    void dialog_layout_and_activation_data() {
        QTest::addColumn<QString>("export_button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("path_label");
        QTest::addColumn<bool>("cce");

        QTest::newRow("CCE") << "btc_cce"
                             << "Exporter les matrices dans CCE..."
                             << "Emplacement de la clé dans le registre : Vérifiez bien qu'il "
                                "s'agit de la bonne clé :"
                             << true;
        QTest::newRow("TMPGEnc") << "btc_tmpgenc"
                                 << "Exporter les matrices dans TMPGEnc..."
                                 << "Chemin de TMPGEnc : Vérifiez bien qu'il s'agit du bon chemin :"
                                 << false;
    }

    void dialog_layout_and_activation() {
        QFETCH(QString, export_button);
        QFETCH(QString, title);
        QFETCH(QString, path_label);
        QFETCH(bool, cce);

        Fixture session(false);
        session.platform.screen = QSize(1280, 1024);
        struct Control {
            const char* name;
            int left, top, width, height;
        };
        const Control controls[] = {
            {"lbl_chemin", 120, 120, 6495, 255},       {"txt_chemin", 120, 375, 7455, 300},
            {"lbl_nom_matrice", 150, 1050, 3255, 255}, {"txt_nom_matrice", 150, 1275, 3615, 300},
            {"btc_export_ok", 5760, 1560, 855, 375},   {"btc_annuler_export", 6720, 1560, 855, 375},
        };
        bool checked = false;
        const bool shown = session.press(export_button.toLatin1().constData(), [&](FrmExporter& d) {
            checked = true;
            QCOMPARE(d.objectName(), QStringLiteral("frm_exporter"));
            QCOMPARE(d.windowTitle(), title);
            QCOMPARE(d.size(), QSize(510, 138));
            QCOMPARE(d.minimumSize(), d.maximumSize());
            QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
            QVERIFY(d.isModal());
            for (const Control& c : controls) {
                auto* widget = d.findChild<QWidget*>(QString::fromLatin1(c.name));
                QVERIFY2(widget != nullptr, c.name);
                QCOMPARE(widget->geometry(),
                         QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
            }
            QCOMPARE(d.findChild<QLabel*>(QStringLiteral("lbl_chemin"))->text(), path_label);
            QCOMPARE(d.findChild<QLabel*>(QStringLiteral("lbl_nom_matrice"))->text(),
                     QStringLiteral("Nom de l'enregistrement des matrices :"));
            QCOMPARE(box(d, "txt_chemin")->text(),
                     QString::fromStdString(cce ? cce_key : session.tmpgenc.folder()));
            QCOMPARE(box(d, "txt_nom_matrice")->text(), QString());
            QCOMPARE(d.findChild<QPushButton*>(QStringLiteral("btc_export_ok"))->text(),
                     QStringLiteral("Exporter"));
            QCOMPARE(d.findChild<QPushButton*>(QStringLiteral("btc_annuler_export"))->text(),
                     QStringLiteral("Annuler"));
            // Centred on the screen by its outer frame.
            const QRect outer = d.frameGeometry();
            QVERIFY(std::abs(outer.center().x() - 640) <= 1);
            QVERIFY(std::abs(outer.center().y() - 512) <= 1);

            // The name box has the focus; Tab goes on to the path box and the two buttons.
            QCOMPARE(d.focusWidget(), box(d, "txt_nom_matrice"));
            QStringList order;
            QWidget* widget = box(d, "txt_nom_matrice");
            for (int i = 0; i < 4; ++i) {
                order << widget->objectName();
                widget = widget->nextInFocusChain();
            }
            QCOMPARE(order, QStringList({"txt_nom_matrice", "txt_chemin", "btc_export_ok",
                                         "btc_annuler_export"}));
            for (QLabel* label : d.findChildren<QLabel*>()) {
                QCOMPARE(label->focusPolicy(), Qt::NoFocus);
            }

            // Enter and Escape do nothing, on either box and on either button.
            for (const char* name :
                 {"txt_nom_matrice", "txt_chemin", "btc_export_ok", "btc_annuler_export"}) {
                QWidget* target = d.findChild<QWidget*>(QString::fromLatin1(name));
                target->setFocus();
                for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                    QTest::keyClick(target, key);
                    QVERIFY2(d.isVisible(), name);
                }
            }
            click(d, "btc_annuler_export");
        });
        QVERIFY(shown && checked);
        QVERIFY(!session.state.export_done);
        QVERIFY(!session.script_exists());
    }

    void path_box_touch_data() {
        QTest::addColumn<QString>("touch");
        QTest::addColumn<bool>("saved");
        QTest::newRow("nothing") << "none" << false;
        QTest::newRow("a click, no change") << "click" << true;
        QTest::newRow("a key that changes nothing") << "End" << true;
        QTest::newRow("a letter typed") << "letter" << true;
        QTest::newRow("Tab only leaves the box") << "Tab" << false;
        QTest::newRow("text set without the user") << "set" << false;
    }

    // Clicking in the path box or pressing a key there marks it as edited, changed or not:
    // "Annuler" then rewrites the configuration as the user's values.
    void path_box_touch() {
        QFETCH(QString, touch);
        QFETCH(bool, saved);

        Fixture session(true);
        session.platform.answers = {Button::ok};
        QString typed;
        session.press("btc_cce", [&](FrmExporter& d) {
            QLineEdit* path = box(d, "txt_chemin");
            if (touch == "click") {
                QTest::mouseClick(path, Qt::LeftButton);
            } else if (touch == "End") {
                path->setFocus();
                QTest::keyClick(path, Qt::Key_End);
            } else if (touch == "letter") {
                path->setFocus();
                path->end(false);
                type(path, QStringLiteral("X"));
            } else if (touch == "Tab") {
                path->setFocus();
                QTest::keyClick(path, Qt::Key_Tab);
                QCOMPARE(d.focusWidget()->objectName(), QStringLiteral("btc_export_ok"));
            } else if (touch == "set") {
                path->setText(QStringLiteral("HKEY_CURRENT_USER\\Autre"));
            }
            typed = path->text();
            click(d, "btc_annuler_export");
        });

        const std::string key = saved ? typed.toStdString() : cce_key;
        QCOMPARE(session.configuration(), configuration_file(key, session.tmpgenc.folder(),
                                                             saved ? "Utilisateur" : "Defaut"));
        QCOMPARE(session.state.configuration.cce_registry_key, key);
        // The warnings go on for this run: only the next start reads "Utilisateur".
        QVERIFY(session.state.configuration.values_are_default);
        QVERIFY(!session.state.path_edited);
        QVERIFY(!session.state.export_done);
        QVERIFY(!session.script_exists());
        if (touch == "letter") {
            QCOMPARE(key, cce_key + "X");
        }
    }

    void line_breaks_never_reach_the_path_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        const QString smuggled = QStringLiteral("HKEY_CURRENT_USER\\Software\\X\nValeurs=Defaut");
        const QString joined = QStringLiteral("HKEY_CURRENT_USER\\Software\\XValeurs=Defaut");
        QTest::newRow("Ctrl+V, LF") << "Ctrl+V" << smuggled << joined;
        QTest::newRow("Ctrl+V, CR LF and a final line break")
            << "Ctrl+V" << QStringLiteral("HKEY_CURRENT_USER\\A\r\nValeurs=Defaut\r\n")
            << QStringLiteral("HKEY_CURRENT_USER\\AValeurs=Defaut");
        QTest::newRow("Shift+Insert, lone CR")
            << "Shift+Insert" << QStringLiteral("C:\\TMPGEnc\\\r[EOF]")
            << QStringLiteral("C:\\TMPGEnc\\[EOF]");
        QTest::newRow("menu paste after a click") << "menu paste" << smuggled << joined;
        QTest::newRow("insert after a click") << "insert" << smuggled << joined;
        QTest::newRow("text set, then a key") << "set" << smuggled << joined;
        QTest::newRow("nothing but line breaks") << "Ctrl+V" << QStringLiteral("\r\n\n") << "";
    }

    // A pasted text that holds line breaks would put extra lines, even a "Valeurs=" of its
    // own, in the configuration file: the box keeps the rest of the text and drops them,
    // however the text comes in, and the cursor stays after what came in.
    void line_breaks_never_reach_the_path() {
        QFETCH(QString, way);
        QFETCH(QString, text);
        QFETCH(QString, kept);

        Fixture session(false);
        QString shown;
        session.press("btc_cce", [&](FrmExporter& d) {
            QLineEdit* path = box(d, "txt_chemin");
            QApplication::clipboard()->setText(text);
            path->setFocus();
            path->selectAll();
            if (way == "Ctrl+V") {
                QTest::keyClick(path, Qt::Key_V, Qt::ControlModifier);
            } else if (way == "Shift+Insert") {
                QTest::keyClick(path, Qt::Key_Insert, Qt::ShiftModifier);
            } else if (way == "menu paste") {
                // The right button's press, as the context menu comes; then its "Coller".
                QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5),
                                  path->mapToGlobal(QPointF(5, 5)), Qt::RightButton,
                                  Qt::RightButton, Qt::NoModifier);
                QApplication::sendEvent(path, &press);
                path->selectAll();
                path->paste();
            } else if (way == "insert") {
                QTest::mouseClick(path, Qt::LeftButton);
                path->selectAll();
                path->insert(text);
            } else if (way == "set") {
                path->setText(text);
                QTest::keyClick(path, Qt::Key_End);
            }
            QVERIFY(session.state.path_edited);
            QCOMPARE(path->text(), kept);
            type(path, QStringLiteral("Z"));
            shown = path->text();
            click(d, "btc_annuler_export");
        });
        QCOMPARE(shown, kept + "Z");
        const std::string saved = session.configuration();
        QCOMPARE(saved,
                 configuration_file(shown.toStdString(), session.tmpgenc.folder(), "Utilisateur"));
        QCOMPARE(std::count(saved.begin(), saved.end(), '\n'), 13);
        QCOMPARE(std::count(saved.begin(), saved.end(), '\r'), 13);
    }

    void edit_then_title_bar_close_saves_and_exports_nothing() {
        Fixture session(false);
        const std::string edited = session.tmpgenc.folder() + "Nouveau";
        session.press("btc_tmpgenc", [&](FrmExporter& d) {
            type(box(d, "txt_nom_matrice"), QStringLiteral("Jamais"));
            type_path(d, QString::fromStdString(edited));
            d.close();
        });
        QCOMPARE(session.state.configuration.tmpgenc_folder, edited);
        QCOMPARE(session.configuration(), configuration_file(cce_key, edited, "Utilisateur"));
        QCOMPARE(read_all(session.tmpgenc.file("TMPGEnc.ini")), tmpgenc_ini);
        QVERIFY(!session.state.export_done);
        QVERIFY(!session.state.path_edited);
        QCOMPARE(session.platform.events, std::vector<std::string>({"message:Exporter les "
                                                                    "matrices vers TMPGEnc ..."}));
    }

    // A configuration that cannot be saved says so: the edit would otherwise be lost at the
    // next start without a word.
    void closing_step_that_cannot_save() {
        Fixture session(false);
        const std::string folder = session.folder.file("absent") + "/";
        session.state.program_folder = folder;
        session.press("btc_cce", [](FrmExporter& d) {
            QTest::mouseClick(box(d, "txt_chemin"), Qt::LeftButton);
            click(d, "btc_annuler_export");
        });
        QCOMPARE(session.platform.messages.size(), std::size_t(1));
        const ShownMessage& message = session.platform.messages.front();
        QCOMPARE(message.icon, Icon::critical);
        QCOMPARE(message.title, std::string("Configuration non enregistrée..."));
        QVERIFY2(message.text.starts_with("Le fichier [" + folder +
                                          "quantaline.cfg] n'a pas pu être écrit : "),
                 message.text.c_str());
        QVERIFY(message.text.ends_with(". La configuration n'a pas été enregistrée."));
        QVERIFY(!session.state.path_edited);
        QVERIFY(!std::filesystem::exists(folder));
    }

    void cce_export_writes_the_grids_and_opens_the_script() {
        Fixture session(false);
        const std::string script_path = session.folder.file("quantaline.reg");
        session.press("btc_cce", [](FrmExporter& d) { name_and_export(d, "DVD é"); });
        QCOMPARE(session.script(), "REGEDIT4\r\n\r\n[" + cce_key +
                                       "]\r\n\"DVD \xE9\"=hex:" + dvd_values_hex + "\r\n");
        QCOMPARE(session.platform.events,
                 std::vector<std::string>({"open:" + script_path + "|C:\\Windows\\"}));
        QVERIFY(session.state.export_done);
        QVERIFY(session.state.export_target == ExportTarget::cce);
        // The path box was not touched: the configuration file stays as it was.
        QCOMPARE(session.configuration(),
                 configuration_file(cce_key, session.tmpgenc.folder(), "Utilisateur"));

        // The values are the analysis's, whatever the cells show; an edited key goes to the
        // script and to the configuration.
        session.window->findChild<QLabel*>(QStringLiteral("mat1_1"))->setText("200");
        session.window->findChild<QLabel*>(QStringLiteral("mat2_64"))->setText("255");
        session.press("btc_cce", [](FrmExporter& d) {
            type_path(d, QStringLiteral("HKEY_CURRENT_USER\\Software\\Autre"));
            name_and_export(d, "deux");
        });
        QCOMPARE(session.script(),
                 "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Autre]\r\n\"deux\"=hex:" +
                     dvd_values_hex + "\r\n");
        QCOMPARE(session.configuration(),
                 configuration_file("HKEY_CURRENT_USER\\Software\\Autre", session.tmpgenc.folder(),
                                    "Utilisateur"));
    }

    // The export adds the separator it needs; the configuration keeps the folder as typed.
    void tmpgenc_folder_typed_without_its_separator() {
        Fixture session(false);
        std::string typed = session.tmpgenc.folder();
        typed.pop_back();
        session.platform.answers = {Button::ok};
        session.press("btc_tmpgenc", [&](FrmExporter& d) {
            type_path(d, QString::fromStdString(typed));
            name_and_export(d, "Sans séparateur");
        });
        const std::string ini = read_all(session.tmpgenc.file("TMPGEnc.ini"));
        QVERIFY(ini.starts_with("[Tools.QuantizeMatrix]\r\nCount=2\r\nName0=\"Ancienne\"\r\n"
                                "Name1=\"Sans s\xE9parateur\"\r\nReadOnly1=0\r\n"
                                "Intra1_0=8 9 10 12 14 17 20 24\r\n"));
        QVERIFY(ini.ends_with("NonIntra1_7=16 16 16 16 16 16 16 16\r\n\r\n"));
        QCOMPARE(session.state.configuration.tmpgenc_folder, typed);
        QCOMPARE(session.configuration(), configuration_file(cce_key, typed, "Utilisateur"));
        QVERIFY(session.state.export_done);
        QCOMPARE(session.platform.messages, std::vector<ShownMessage>({tmpgenc_notice}));
    }

    void empty_name_is_accepted() {
        Fixture session(false);
        session.press("btc_cce", [](FrmExporter& d) { click(d, "btc_export_ok"); });
        QCOMPARE(session.script(),
                 "REGEDIT4\r\n\r\n[" + cce_key + "]\r\n\"\"=hex:" + dvd_values_hex + "\r\n");
        session.press("btc_tmpgenc", [](FrmExporter& d) { click(d, "btc_export_ok"); });
        QVERIFY(read_all(session.tmpgenc.file("TMPGEnc.ini"))
                    .starts_with("[Tools.QuantizeMatrix]\r\nCount=2\r\nName0=\"Ancienne\"\r\n"
                                 "Name1=\"\"\r\nReadOnly1=0\r\n"));
        QCOMPARE(session.platform.messages, std::vector<ShownMessage>({tmpgenc_notice}));
    }

    // An export that fails says why and leaves the file alone; the dialog closes as after
    // any export.
    void failed_export_shows_its_message() {
        Fixture session(false);
        const std::string missing = session.tmpgenc.folder() + "absent";
        session.press("btc_tmpgenc", [&](FrmExporter& d) {
            type_path(d, QString::fromStdString(missing));
            name_and_export(d, "x");
        });
        const ShownMessage expected{Icon::exclamation, "Exporter les matrices dans TMPGEnc...",
                                    "Le fichier [" + missing +
                                        "/TMPGEnc.ini] est introuvable ou illisible. Vérifiez le "
                                        "chemin de TMPGEnc. Le fichier n'a pas été modifié.",
                                    Buttons::ok, Button::ok};
        QCOMPARE(session.platform.messages, std::vector<ShownMessage>({tmpgenc_notice, expected}));
        QVERIFY(session.state.export_done);
        QVERIFY(!std::filesystem::exists(missing));
        QCOMPARE(session.configuration(), configuration_file(cce_key, missing, "Utilisateur"));
    }

    void quit_after_exports_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("script_kept");
        QTest::addColumn<bool>("done_after_quit");
        QTest::newRow("after a CCE export") << QStringList{"cce"} << false << false;
        QTest::newRow("after a cancelled CCE dialog")
            << QStringList{"cce cancelled"} << true << false;
        QTest::newRow("CCE, then the TMPGEnc notice cancelled")
            << QStringList{"cce", "tmpgenc notice cancelled"} << true << true;
        QTest::newRow("CCE, then a TMPGEnc export")
            << QStringList{"cce", "tmpgenc"} << true << true;
        QTest::newRow("TMPGEnc, then CCE") << QStringList{"tmpgenc", "cce"} << false << false;
    }

    // The script of a CCE export goes at quit, unless the TMPGEnc button was pressed since.
    void quit_after_exports() {
        QFETCH(QStringList, steps);
        QFETCH(bool, script_kept);
        QFETCH(bool, done_after_quit);

        Fixture session(false);
        // A script left by an earlier run: a cancelled dialog exports nothing over it.
        session.folder.write_text("quantaline.reg", "REGEDIT4\r\n");
        for (const QString& step : steps) {
            if (step == "cce") {
                session.press("btc_cce", [](FrmExporter& d) { name_and_export(d, "c"); });
            } else if (step == "cce cancelled") {
                session.press("btc_cce", [](FrmExporter& d) { click(d, "btc_annuler_export"); });
            } else if (step == "tmpgenc") {
                session.platform.answers.push_back(Button::ok);
                session.press("btc_tmpgenc", [](FrmExporter& d) { name_and_export(d, "t"); });
            } else if (step == "tmpgenc notice cancelled") {
                session.platform.answers.push_back(Button::cancel);
                QVERIFY(!session.press("btc_tmpgenc", [](FrmExporter& d) { d.close(); }));
            }
        }
        session.button("btc_quitter")->click();
        QCOMPARE(session.script_exists(), script_kept);
        QCOMPARE(session.platform.events.back(), std::string("end"));
        QCOMPARE(session.state.export_done, done_after_quit);
    }
};

QTEST_MAIN(ExportDialogTest)
#include "tst_export_dialog.moc"
