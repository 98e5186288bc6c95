// The open dialog's path rules, its memory between openings, the drive change and the
// centring arithmetic.
#include "fake_platform.h"
#include "support/temp_dir.h"
#include "ui/centre_on_screen.h"
#include "ui/frm_ouvrir.h"

#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <cmath>
#include <filesystem>

using namespace quantaline;
using namespace quantaline::test;

namespace {

QString q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

QStringList listed(FrmOuvrir& dialog) {
    QStringList names;
    auto* files = dialog.findChild<QListWidget*>(QStringLiteral("File1"));
    for (int i = 0; i < files->count(); ++i) {
        names << files->item(i)->text();
    }
    return names;
}

void select(FrmOuvrir& dialog, const QString& name) {
    auto* files = dialog.findChild<QListWidget*>(QStringLiteral("File1"));
    files->setCurrentItem(files->findItems(name, Qt::MatchExactly).front());
}

} // namespace

class OpenDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> home_;

  private slots:
    void initTestCase() {
        home_ = std::make_unique<TempDir>();
        qputenv("HOME", home_->path().string().c_str());
    }

    void layout_and_captions() {
        AppState state;
        FakePlatform platform;
        FrmOuvrir dialog(state, platform);
        QCOMPARE(dialog.objectName(), QStringLiteral("frm_ouvrir"));
        QCOMPARE(dialog.windowTitle(),
                 QStringLiteral("Ouvrir un fichier mpg,  mpeg, m1v, mpv, m2v, mv2, vob"));
        QCOMPARE(dialog.size(), QSize(491, 190));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        struct Control {
            const char* name;
            int left, top, width, height;
        };
        const Control controls[] = {{"Drive1", 120, 120, 2325, 315},
                                    {"Dir1", 120, 600, 2325, 1665},
                                    {"File1", 2550, 75, 4785, 2235},
                                    {"Command1", 5400, 2400, 975, 375},
                                    {"Command2", 6450, 2400, 855, 375}};
        QWidget* previous = nullptr;
        for (const Control& c : controls) {
            auto* widget = dialog.findChild<QWidget*>(QString::fromLatin1(c.name));
            QVERIFY2(widget != nullptr, c.name);
            QCOMPARE(widget->geometry(),
                     QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
            if (previous != nullptr) {
                QWidget* next = previous->nextInFocusChain();
                while (next->parentWidget() != &dialog) {
                    next = next->nextInFocusChain();
                }
                QCOMPARE(next, widget);
            }
            previous = widget;
        }
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("Command1"))->text(),
                 QStringLiteral("Ouvrir"));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("Command2"))->text(),
                 QStringLiteral("Annuler"));
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            QVERIFY(!button->isDefault() && !button->autoDefault());
        }
    }

    void start_folder_is_the_home_folder() {
        AppState state;
        state.remembered_drive = state.remembered_folder = "c:\\";
        FakePlatform platform;
        FrmOuvrir dialog(state, platform);
        QCOMPARE(dialog.current_folder(), QDir::toNativeSeparators(q(home_->path())));
        QCOMPARE(dialog.current_drive(), QStringLiteral("/"));
        QCOMPARE(state.remembered_folder, home_->path().string());
        // Drive C stood for the drive the selector already shows: no drive change.
        QCOMPARE(state.remembered_drive, std::string("c:\\"));
    }

    void file_list_follows_the_patterns_whatever_the_case() {
        TempDir folder;
        for (const char* name :
             {"clip.m2v", "clip.vob", "CLIP.MPG", "b.mpeg", "c.M1V", "d.mpv", "e.mv2", "clip.AVI",
              "f.hevc", "clip.wmv", "clip.txt", "mpg", "clip.mpg.bak"}) {
            folder.write_text(name, "x");
        }
        std::filesystem::create_directory(folder.path() / "sub.mpg");
        AppState state;
        state.remembered_drive = "c:\\";
        state.remembered_folder = folder.path().string();
        FakePlatform platform;
        FrmOuvrir dialog(state, platform);
        // The other codecs' containers and streams too (.avi, .hevc, ...).
        QCOMPARE(listed(dialog), QStringList({"b.mpeg", "c.M1V", "clip.AVI", "clip.m2v", "CLIP.MPG",
                                              "clip.vob", "d.mpv", "e.mv2", "f.hevc"}));
        auto* files = dialog.findChild<QListWidget*>(QStringLiteral("File1"));
        QVERIFY(files->selectedItems().isEmpty());
        // The folder list: the chain from the root down, then the subfolders.
        auto* folders = dialog.findChild<QTreeWidget*>(QStringLiteral("Dir1"));
        QTreeWidgetItem* current = folders->currentItem();
        QCOMPARE(current->text(0), q(folder.path().filename()));
        QCOMPARE(current->childCount(), 1);
        QCOMPARE(current->child(0)->text(0), QStringLiteral("sub.mpg"));
        QCOMPARE(folders->topLevelItem(0)->text(0), QStringLiteral("/"));
    }

    void file_list_holds_transport_streams_whatever_the_case() {
        TempDir folder;
        for (const char* name :
             {"dvb.ts", "CAMERA.M2TS", "clip.mts", "b.Ts", "notes.txt", "ts", "clip.tsv"}) {
            folder.write_text(name, "x");
        }
        AppState state;
        state.remembered_drive = "c:\\";
        state.remembered_folder = folder.path().string();
        FakePlatform platform;
        FrmOuvrir dialog(state, platform);
        QCOMPARE(listed(dialog), QStringList({"b.Ts", "CAMERA.M2TS", "clip.mts", "dvb.ts"}));
    }

    void ouvrir_and_double_click_build_the_path() {
        TempDir folder;
        folder.write_text("a.mpg", "x");
        for (const bool double_click : {false, true}) {
            AppState state;
            state.remembered_drive = "c:\\";
            state.remembered_folder = folder.path().string();
            FakePlatform platform;
            FrmOuvrir dialog(state, platform);
            select(dialog, "a.mpg");
            if (double_click) {
                auto* files = dialog.findChild<QListWidget*>(QStringLiteral("File1"));
                emit files->itemDoubleClicked(files->currentItem());
            } else {
                dialog.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            }
            QCOMPARE(dialog.choice().file_path, folder.file("a.mpg"));
            QVERIFY(!dialog.choice().open_cancelled);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(platform.events, std::vector<std::string>({"hourglass"}));
        }
    }

    void ouvrir_with_nothing_selected_keeps_the_dialog_open() {
        TempDir folder;
        folder.write_text("a.mpg", "x");
        AppState state;
        state.remembered_drive = "c:\\";
        state.remembered_folder = folder.path().string();
        FakePlatform platform;
        FrmOuvrir dialog(state, platform);
        dialog.show();
        dialog.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        auto* files = dialog.findChild<QListWidget*>(QStringLiteral("File1"));
        files->setCurrentRow(-1);
        emit files->itemDoubleClicked(nullptr);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.choice().open_cancelled);
        QVERIFY(dialog.choice().file_path.empty());
        QVERIFY(platform.events.empty());
    }

    void annuler_title_bar_and_escape() {
        TempDir folder;
        AppState state;
        state.remembered_drive = "c:\\";
        state.remembered_folder = folder.path().string();
        state.file_path = "/earlier/file.vob";
        FakePlatform platform;
        {
            FrmOuvrir dialog(state, platform);
            dialog.show();
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(dialog.isVisible());
            QVERIFY(dialog.close());
            QVERIFY(dialog.choice().open_cancelled);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        {
            FrmOuvrir dialog(state, platform);
            dialog.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
            QVERIFY(dialog.choice().open_cancelled);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QCOMPARE(state.file_path, std::string("/earlier/file.vob"));
        QVERIFY(platform.events.empty());
    }

    void remembers_the_folder_between_openings() {
        TempDir folder;
        std::filesystem::create_directories(folder.path() / "video" / "clips");
        AppState state;
        state.remembered_drive = state.remembered_folder = "c:\\";
        FakePlatform platform;
        {
            FrmOuvrir dialog(state, platform);
            dialog.change_folder(q(folder.path() / "video"));
            dialog.change_folder(q(folder.path() / "video" / "clips"));
            dialog.annuler();
        }
        QCOMPARE(state.remembered_folder, (folder.path() / "video" / "clips").string());
        {
            FrmOuvrir dialog(state, platform);
            QCOMPARE(dialog.current_folder(), q(folder.path() / "video" / "clips"));
        }
        // The folder went away meanwhile: its nearest existing parent.
        std::filesystem::remove_all(folder.path() / "video");
        FrmOuvrir dialog(state, platform);
        QCOMPARE(dialog.current_folder(), q(folder.path()));
    }

    void unavailable_drive_falls_back_to_drive_c() {
        TempDir folder;
        AppState state;
        state.remembered_drive = "c:\\";
        state.remembered_folder = folder.path().string();
        FakePlatform platform;
        platform.drive_list = {"/", "/quantaline-no-such-volume/"};
        FrmOuvrir dialog(state, platform);
        dialog.change_drive(QStringLiteral("/quantaline-no-such-volume/"));
        QCOMPARE(platform.messages.size(), std::size_t(1));
        QCOMPARE(platform.values[0], drive_unavailable_message);
        QCOMPARE(platform.messages[0].text, std::string("Le peripherique n'est pas disponible"));
        QCOMPARE(platform.messages[0].title, std::string("Erreur d'accès au périphérique"));
        QCOMPARE(platform.messages[0].icon, Icon::exclamation);
        QCOMPARE(dialog.current_folder(), QDir::toNativeSeparators(q(home_->path())));
        QCOMPARE(dialog.current_drive(), QStringLiteral("/"));
        QCOMPARE(state.remembered_drive, std::string("/"));
        QCOMPARE(state.remembered_folder, home_->path().string());
    }

    void drive_change_goes_to_the_drive_root() {
        TempDir volume;
        const std::string drive = volume.folder();
        std::filesystem::create_directory(volume.path() / "inside");
        AppState state;
        state.remembered_drive = "c:\\";
        state.remembered_folder = "c:\\";
        FakePlatform platform;
        platform.drive_list = {"/", drive};
        {
            FrmOuvrir dialog(state, platform);
            dialog.change_drive(QString::fromStdString(drive));
            QCOMPARE(dialog.current_folder(), q(volume.path()));
            QCOMPARE(state.remembered_drive, drive);
            dialog.change_folder(q(volume.path() / "inside"));
            dialog.annuler();
        }
        QVERIFY(platform.messages.empty());
        // Reopened: the remembered folder on the remembered drive.
        FrmOuvrir dialog(state, platform);
        QCOMPARE(dialog.current_drive(), QString::fromStdString(drive));
        QCOMPARE(dialog.current_folder(), q(volume.path() / "inside"));
        // The folder list starts at the volume's root.
        auto* folders = dialog.findChild<QTreeWidget*>(QStringLiteral("Dir1"));
        QCOMPARE(folders->topLevelItem(0)->text(0), q(volume.path()));
    }

    void centring_arithmetic_data() {
        QTest::addColumn<float>("screen_width");
        QTest::addColumn<float>("screen_height");
        QTest::addColumn<float>("window_width");
        QTest::addColumn<float>("window_height");
        QTest::addColumn<float>("left");
        QTest::addColumn<float>("top");
        QTest::newRow("1000 high on 9000")
            << 12000.f << 9000.f << 2000.f << 1000.f << 5000.f << 4000.f;
        QTest::newRow("odd sizes keep the halves")
            << 15361.f << 11521.f << 8130.f << 9001.f << 3615.5f << 1260.f;
        QTest::newRow("larger than the screen")
            << 9600.f << 7200.f << 12000.f << 9000.f << -1200.f << -900.f;
    }
    void centring_arithmetic() {
        QFETCH(float, screen_width);
        QFETCH(float, screen_height);
        QFETCH(float, window_width);
        QFETCH(float, window_height);
        QFETCH(float, left);
        QFETCH(float, top);
        const CentredOrigin origin =
            centred_origin(screen_width, screen_height, window_width, window_height);
        QCOMPARE(origin.left, left);
        QCOMPARE(origin.top, top);
    }

    void dialog_is_centred_by_its_outer_frame() {
        AppState state;
        state.remembered_drive = state.remembered_folder = "c:\\";
        FakePlatform platform;
        platform.screen = QSize(1280, 1024);
        FrmOuvrir dialog(state, platform);
        const QRect outer = dialog.frameGeometry();
        // Half a pixel goes to the nearer whole pixel, away from zero.
        const auto centred = [](int screen, int window) {
            return static_cast<int>(std::lround((screen - window) / 2.0));
        };
        QCOMPARE(outer.topLeft(),
                 QPoint(centred(1280, outer.width()), centred(1024, outer.height())));
        platform.screen = QSize(400, 100);
        centre_on_screen(dialog, platform);
        QCOMPARE(dialog.frameGeometry().topLeft(),
                 QPoint(centred(400, outer.width()), centred(100, outer.height())));
        QVERIFY(dialog.frameGeometry().top() < 0);
    }
};

QTEST_MAIN(OpenDialogTest)
#include "tst_open_dialog.moc"
