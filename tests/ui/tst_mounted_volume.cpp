// The open dialog on a second volume, for real: a folder bind-mounted in this test's own
// mount namespace stands for a USB stick or a separate /home. The desktop's drive list
// must show it, the drive selector must follow the folder onto it and off it again, and
// the next opening must start where the last one ended. Linux only; skipped where nothing
// can be mounted (no root, no mount namespaces).
#include "session/app_state.h"
#include "support/temp_dir.h"
#include "ui/frm_ouvrir.h"
#include "ui/qt_platform.h"

#include <QComboBox>
#include <QListWidget>
#include <QStorageInfo>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#endif

using namespace quantaline;
using namespace quantaline::test;

namespace {

QString q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

QStringList items(QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) {
        texts << box->itemText(i);
    }
    return texts;
}

} // namespace

class MountedVolumeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> home_;

  private slots:
    void initTestCase() {
        home_ = std::make_unique<TempDir>();
        qputenv("HOME", home_->path().string().c_str());
    }

    void drive_follows_the_folder_onto_another_volume() {
#ifndef __linux__
        QSKIP("mount namespaces are Linux's");
#else
        TempDir place;
        const std::filesystem::path disk = place.path() / "disk";
        const std::filesystem::path stick = place.path() / "stick";
        std::filesystem::create_directories(disk / "clips");
        std::filesystem::create_directories(stick);
        place.write_text("disk/clips/a.m2v", "");
        place.write_text("disk/clips/notes.txt", "");
        // The drive list keeps volumes with a device: a folder of a disk, bound elsewhere,
        // has its disk's device, as a USB stick has /dev/sdb1.
        const QString device = QString::fromUtf8(QStorageInfo(q(place.path())).device());
        if (!device.startsWith(QStringLiteral("/dev/"))) {
            QSKIP(qPrintable("the temporary folder is on " + device +
                             ", no disk device to bind a volume from"));
        }
        // This process's own mount namespace: what it mounts nobody else sees, and it goes
        // with the process. The test binary holds this one test for that reason.
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(disk.c_str(), stick.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            QSKIP(qPrintable(QStringLiteral("cannot mount a volume here (needs root or "
                                            "CAP_SYS_ADMIN): ") +
                             QString::fromLocal8Bit(std::strerror(errno))));
        }
        struct Unmount {
            std::filesystem::path at;
            ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
        } unmount{stick};

        QtPlatform platform;
        const std::vector<std::string> drives = platform.drives();
        const std::string volume = (stick / "").string();
        QCOMPARE(drives.front(), std::string("/"));
        QVERIFY2(std::find(drives.begin(), drives.end(), volume) != drives.end(), volume.c_str());

        AppState state;
        state.remembered_drive = state.remembered_folder = "c:\\";
        {
            FrmOuvrir dialog(state, platform);
            auto* selector = dialog.findChild<QComboBox*>(QStringLiteral("Drive1"));
            QVERIFY(items(selector).contains(q(volume)));
            QCOMPARE(dialog.current_drive(), QStringLiteral("/"));
            // From the root down into the volume, as the folder list does it.
            dialog.change_folder(QStringLiteral("/"));
            dialog.change_folder(q(place.path()));
            QCOMPARE(dialog.current_drive(), QStringLiteral("/"));
            dialog.change_folder(q(stick));
            QCOMPARE(dialog.current_drive(), q(volume));
            QCOMPARE(selector->currentText(), q(volume));
            dialog.change_folder(q(stick / "clips"));
            QCOMPARE(selector->currentText(), q(volume));
            auto* files = dialog.findChild<QListWidget*>(QStringLiteral("File1"));
            QCOMPARE(files->count(), 1);
            QCOMPARE(files->item(0)->text(), QStringLiteral("a.m2v"));
            // The folder list starts at the volume's root.
            auto* folders = dialog.findChild<QTreeWidget*>(QStringLiteral("Dir1"));
            QCOMPARE(folders->topLevelItem(0)->text(0), q(stick));
            dialog.annuler();
        }
        QCOMPARE(state.remembered_drive, volume);
        QCOMPARE(state.remembered_folder, (stick / "clips").string());

        // The next opening starts where this one ended; leaving the volume gives the root back.
        FrmOuvrir dialog(state, platform);
        QCOMPARE(dialog.current_drive(), q(volume));
        QCOMPARE(dialog.current_folder(), q(stick / "clips"));
        dialog.change_folder(q(place.path()));
        QCOMPARE(dialog.current_drive(), QStringLiteral("/"));
        QCOMPARE(state.remembered_drive, std::string("/"));
        QCOMPARE(state.remembered_folder, place.path().string());
#endif
    }
};

QTEST_MAIN(MountedVolumeTest)
#include "tst_mounted_volume.moc"
