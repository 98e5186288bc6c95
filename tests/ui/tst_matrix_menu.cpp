// The grids' tooltip naming the known matrix, and their context menu: copy the values,
// copy the ffmpeg options, save the file for mpeg2enc through the save dialog.
#include "export/matrix_formats.h"
#include "fake_platform.h"
#include "modal.h"
#include "open_stream.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"
#include "ui/header_frm.h"
#include "ui/matrix_menu.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QtTest>
#include <filesystem>

using namespace quantaline;
using namespace quantaline::test;

namespace {

// sample-dvd.vob's intra matrix, row by row; its non-intra matrix is the default.
const char* const dvd_intra_rows[] = {
    "8,9,10,12,14,17,20,24",   "9,10,12,14,17,20,24,28",  "10,12,14,17,20,24,28,33",
    "12,14,17,20,24,28,33,39", "14,17,20,24,28,33,39,46", "17,20,24,28,33,39,46,54",
    "20,24,28,33,39,46,54,63", "24,28,33,39,46,54,63,74",
};

QLabel* cell(HeaderFrm& window, int grid, int k) {
    return window.findChild<QLabel*>(QStringLiteral("mat%1_%2").arg(grid).arg(k));
}

// What the menu that `trigger` opens showed: each action's text and whether it was
// enabled. `choose` (when not empty) is triggered before the menu closes.
QStringList menu_after(const std::function<void()>& trigger, const QString& choose = {}) {
    QStringList seen;
    bool done = false;
    // The polls end with this function, menu or not.
    QObject alive;
    std::function<void()> poll = [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            QAction* chosen = nullptr;
            for (QAction* action : menu->actions()) {
                seen << action->text() + (action->isEnabled() ? "" : " (disabled)");
                if (action->text() == choose) {
                    chosen = action;
                }
            }
            menu->close();
            if (chosen != nullptr) {
                chosen->trigger();
            }
            done = true;
            return;
        }
        QTimer::singleShot(5, &alive, poll);
    };
    QTimer::singleShot(0, &alive, poll);
    trigger();
    if (!done) {
        seen << "no menu";
    }
    return seen;
}

QStringList right_click(QWidget* widget, const QString& choose = {}) {
    return menu_after(
        [widget] {
            const QPoint at(5, 5);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
            QApplication::sendEvent(widget, &event);
        },
        choose);
}

// The names of the widgets the focus goes through from `start`, pressing Tab `presses` times.
QStringList tab_round(QWidget* start, int presses) {
    start->setFocus(Qt::OtherFocusReason);
    QStringList names{start->objectName()};
    for (int i = 0; i < presses; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        names << (QApplication::focusWidget() != nullptr ? QApplication::focusWidget()->objectName()
                                                         : QStringLiteral("no focus"));
    }
    return names;
}

bool open_from(HeaderFrm& window, const QString& folder, const QString& name) {
    return with_modal<FrmOuvrir>(
        [&](FrmOuvrir& dialog) {
            dialog.change_folder(folder);
            auto* files = dialog.findChild<QListWidget*>(QStringLiteral("File1"));
            files->setCurrentItem(files->findItems(name, Qt::MatchExactly).front());
            dialog.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        },
        [&window] { window.findChild<QPushButton*>(QStringLiteral("btc_ouvrir"))->click(); });
}

} // namespace

class MatrixMenuTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> home_;

    std::filesystem::path user_matrices() const {
        return home_->path() / ".config" / "Quantaline" / "matrices";
    }

  private slots:
    void initTestCase() {
        home_ = std::make_unique<TempDir>();
        qputenv("HOME", home_->path().string().c_str());
        qunsetenv("XDG_CONFIG_HOME");
    }

    void tooltips_name_the_known_or_the_nearest_matrix() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        QCOMPARE(cell(window, 1, 1)->toolTip(), QString());

        QVERIFY(open_test_stream(window, QStringLiteral("mpeg1-es-default.m1v")));
        for (const char* name : {"mat1_1", "mat1_64", "cd_matrice1_1", "mat2_30", "Frame1"}) {
            QCOMPARE(window.findChild<QWidget*>(QString::fromLatin1(name))->toolTip(),
                     QStringLiteral("Matrice connue : MPEG"));
        }

        // Distance worked out by hand: sample-dvd's intra matrix against the MPEG default.
        QVERIFY(open_test_stream(window, QStringLiteral("sample-dvd.vob")));
        QCOMPARE(cell(window, 1, 9)->toolTip(),
                 QStringLiteral("Matrice la plus proche : MPEG (distance 375)"));
        QCOMPARE(cell(window, 2, 9)->toolTip(), QStringLiteral("Matrice connue : MPEG"));

        // The user's files are read at each opening; a broken one is named and skipped.
        std::filesystem::create_directories(user_matrices());
        std::string mine = "# the DVD's own\n";
        for (const char* row : dvd_intra_rows) {
            mine += std::string(row) + "\r\n";
        }
        TempDir files;
        std::filesystem::copy_file(files.write_text("a", mine + mine), user_matrices() / "DVD.txt");
        std::filesystem::copy_file(files.write_text("b", mine), user_matrices() / "broken.txt");
        QVERIFY(open_test_stream(window, QStringLiteral("sample-dvd.vob")));
        std::filesystem::remove_all(user_matrices());
        QCOMPARE(cell(window, 1, 64)->toolTip(), QStringLiteral("Matrice connue : DVD"));
        QCOMPARE(cell(window, 2, 64)->toolTip(), QStringLiteral("Matrice connue : MPEG"));
        QCOMPARE(platform.messages.size(), std::size_t{1});
        QCOMPARE(platform.messages[0],
                 french(matrix_file_skipped_message(
                     "broken.txt", piece(TextId::library_line_count, {literal_text("8")}))));
    }

    void the_menu_copies_the_grid_or_the_ffmpeg_options() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        const QString ellipsis = QString::fromUtf8("Enregistrer pour mpeg2enc\u2026");
        // Before a file is shown the menu is there, its actions disabled.
        QCOMPARE(right_click(cell(window, 1, 1)),
                 QStringList({"Copier les valeurs (disabled)", "Copier pour ffmpeg (disabled)",
                              ellipsis + " (disabled)"}));

        QVERIFY(open_test_stream(window, QStringLiteral("sample-dvd.vob")));
        QCOMPARE(right_click(cell(window, 2, 40)),
                 QStringList({"Copier les valeurs", "Copier pour ffmpeg", ellipsis}));

        QString intra_grid;
        QString intra_values;
        for (const char* row : dvd_intra_rows) {
            for (const QString& value : QString::fromLatin1(row).split(',')) {
                intra_grid += value.rightJustified(4);
            }
            intra_grid += '\n';
            intra_values += (intra_values.isEmpty() ? "" : ",") + QString::fromLatin1(row);
        }
        const QString sixteens = QString("16,").repeated(63) + "16";
        const QString flat_grid = QString("  16").repeated(8).append('\n').repeated(8);
        const struct {
            QWidget* where;
            const char* action;
            QString clipboard;
        } cases[] = {
            {cell(window, 1, 1), "Copier les valeurs", intra_grid},
            {window.findChild<QWidget*>(QStringLiteral("cd_matrice1_1")), "Copier les valeurs",
             intra_grid},
            {cell(window, 2, 64), "Copier les valeurs", flat_grid},
            {cell(window, 2, 1), "Copier pour ffmpeg",
             "-intra_matrix " + intra_values + " -inter_matrix " + sixteens},
        };
        for (const auto& c : cases) {
            QGuiApplication::clipboard()->setText(QStringLiteral("before"));
            right_click(c.where, QString::fromLatin1(c.action));
            QCOMPARE(QGuiApplication::clipboard()->text(), c.clipboard);
        }
        QVERIFY(platform.messages.empty());
    }

    // The grids come after the buttons in the keyboard's round; disabled buttons are skipped.
    void the_grids_take_the_focus_after_the_buttons() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* ouvrir = window.findChild<QWidget*>(QStringLiteral("btc_ouvrir"));
        QCOMPARE(QApplication::focusWidget(), ouvrir);
        QCOMPARE(tab_round(ouvrir, 5), QStringList({"btc_ouvrir", "btc_quitter", "btc_propos",
                                                    "cd_matrice1_1", "Frame1", "btc_ouvrir"}));
        QVERIFY(open_test_stream(window, QStringLiteral("sample-dvd.vob")));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // Once the whole stream is read, headers and macroblocks, the strip's "Flux complet…"
        // ends the round ("Annuler" is enabled while a read runs).
        auto* flux = window.findChild<QWidget*>(QStringLiteral("btc_flux_complet"));
        auto* cancel = window.findChild<QWidget*>(QStringLiteral("btc_annuler"));
        QTRY_VERIFY_WITH_TIMEOUT(flux->isEnabled() && !cancel->isEnabled(), 20000);
        QCOMPARE(tab_round(ouvrir, 10),
                 QStringList({"btc_ouvrir", "btc_quitter", "btc_cce", "btc_tmpgenc", "btc_texte",
                              "btc_imprimer", "btc_propos", "cd_matrice1_1", "Frame1",
                              "btc_flux_complet", "btc_ouvrir"}));
    }

    // A grid with the focus looks different; the menu key, Shift+F10 and the keyboard's
    // context menu event (what Windows makes of Shift+F10) open its menu; Enter and Escape
    // do nothing.
    void the_grids_menu_from_the_keyboard() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(open_test_stream(window, QStringLiteral("sample-dvd.vob")));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        platform.events.clear();
        auto* grid = window.findChild<QWidget*>(QStringLiteral("Frame1"));
        const QImage unfocused = grid->grab().toImage();
        grid->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), grid);
        QVERIFY(grid->grab().toImage() != unfocused);

        const QString ellipsis = QString::fromUtf8("Enregistrer pour mpeg2enc\u2026");
        const QStringList menu{"Copier les valeurs", "Copier pour ffmpeg", ellipsis};
        const struct {
            const char* name;
            std::function<void()> press;
        } keys[] = {
            {"menu key", [grid] { QTest::keyClick(grid, Qt::Key_Menu); }},
            {"Shift+F10", [grid] { QTest::keyClick(grid, Qt::Key_F10, Qt::ShiftModifier); }},
            {"keyboard context menu event",
             [grid] {
                 const QPoint middle = grid->rect().center();
                 QContextMenuEvent event(QContextMenuEvent::Keyboard, middle,
                                         grid->mapToGlobal(middle));
                 QApplication::sendEvent(grid, &event);
             }},
        };
        for (const auto& key : keys) {
            QGuiApplication::clipboard()->setText(QStringLiteral("before"));
            QVERIFY2(menu_after(key.press, QStringLiteral("Copier les valeurs")) == menu, key.name);
            QCOMPARE(QGuiApplication::clipboard()->text(),
                     QString("  16").repeated(8).append('\n').repeated(8));
        }
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_F10}) {
            QCOMPARE(menu_after([grid, key] { QTest::keyClick(grid, key); }),
                     QStringList{"no menu"});
        }
        QVERIFY(window.isVisible());
        QCOMPARE(window.focusWidget(), grid);
        QVERIFY(platform.events.empty());
    }

    void the_mpeg2enc_file_goes_where_the_save_dialog_says() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        const QString save = QString::fromUtf8("Enregistrer pour mpeg2enc\u2026");
        QVERIFY(open_test_stream(window, QStringLiteral("sample-dvd.vob")));
        TempDir out;
        const std::string path = out.file("dvd.txt");
        const std::string dialog_event = "save dialog:Enregistrer pour mpeg2enc|" +
                                         std::string(QUANTALINE_TEST_DATA) +
                                         "/sample-dvd.mpeg2enc.txt";

        platform.save_path.clear(); // "Annuler"
        right_click(cell(window, 1, 5), save);
        QCOMPARE(platform.events.back(), dialog_event);
        QVERIFY(!std::filesystem::exists(path));

        platform.save_path = path;
        right_click(cell(window, 2, 5), save);
        std::string expected = "# sample-dvd.vob\n";
        for (const char* row : dvd_intra_rows) {
            expected += std::string(row) + "\n";
        }
        for (int row = 0; row < 8; ++row) {
            expected += "16,16,16,16,16,16,16,16\n";
        }
        QCOMPARE(read_all(path), expected);
        QVERIFY(platform.messages.empty());

        platform.save_path = out.file("missing/dvd.txt");
        right_click(cell(window, 2, 5), save);
        QCOMPARE(platform.messages.size(), std::size_t{1});
        QCOMPARE(platform.messages[0].icon, Icon::critical);
        QVERIFY(platform.messages[0].text.starts_with("Le fichier [" + platform.save_path + "]"));

        // A 0 in a matrix: refused before any dialog, nothing written.
        ScanMatrix zero = scan_matrix_of(20);
        zero[10] = 0;
        StreamBuilder stream;
        stream.sequence_header({.non_intra = zero});
        out.write("zero.m2v", stream.bytes());
        QVERIFY(open_from(window, QString::fromStdString(out.path().string()),
                          QStringLiteral("zero.m2v")));
        platform.events.clear();
        platform.save_path = out.file("zero.txt");
        right_click(cell(window, 1, 5), save);
        QCOMPARE(platform.values.back(), mpeg2enc_value_message);
        QCOMPARE(platform.events,
                 std::vector<std::string>{"message:" + french(mpeg2enc_value_message).title});
        QVERIFY(!std::filesystem::exists(out.file("zero.txt")));
    }
};

QTEST_MAIN(MatrixMenuTest)
#include "tst_matrix_menu.moc"
