// The load step: the About box first, the refusal of a second copy before anything is
// touched, the remembered folder, the program folder, the centring and the
// configuration.
#include "fake_platform.h"
#include "support/temp_dir.h"
#include "ui/frm_propos.h"
#include "ui/header_frm.h"
#include "ui/startup.h"

#include <QtTest>
#include <cmath>
#include <filesystem>

using namespace quantaline;
using namespace quantaline::test;

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void second_copy_is_refused_before_anything_else() {
        TempDir folder;
        AppState state;
        FakePlatform platform;
        platform.other_copy = true;
        Session session(state);
        HeaderFrm window(session, platform);
        const QPoint before = window.pos();
        QVERIFY(!start_up(session, platform, window, folder.file("quantaline")));
        QCOMPARE(platform.events, std::vector<std::string>({"copy test", "message:Doublon..."}));
        QCOMPARE(platform.values.front(), already_running_message);
        QCOMPARE(platform.messages.front().text,
                 std::string("Quantaline est déja en cours d'exécution !"));
        QCOMPARE(platform.messages.front().icon, Icon::exclamation);
        QCOMPARE(platform.messages.front().buttons, Buttons::ok);
        QVERIFY(state.remembered_folder.empty());
        QVERIFY(state.program_folder.empty());
        QCOMPARE(window.pos(), before);
        QVERIFY(!window.isVisible());
        QVERIFY(std::filesystem::is_empty(folder.path()));
    }

    void first_copy_loads_everything() {
        TempDir folder;
        AppState state;
        FakePlatform platform;
        platform.screen = QSize(1600, 1200);
        Session session(state);
        HeaderFrm window(session, platform);
        QVERIFY(start_up(session, platform, window, folder.file("quantaline")));
        QCOMPARE(platform.events, std::vector<std::string>({"copy test"}));
        QCOMPARE(state.remembered_drive, std::string("c:\\"));
        QCOMPARE(state.remembered_folder, std::string("c:\\"));
        QCOMPARE(state.program_folder, folder.folder());
        QCOMPARE(state.executable_name, std::string("quantaline"));
        // No configuration file: the defaults, written to the program folder.
        QVERIFY(state.configuration.values_are_default);
        QCOMPARE(state.configuration.tmpgenc_folder,
                 std::string("C:\\Program Files\\Pegasys\\TMPGEnc\\"));
        QVERIFY(std::filesystem::exists(folder.file("quantaline.cfg")));
        const QRect outer = window.frameGeometry();
        QCOMPARE(outer.topLeft(),
                 QPoint(static_cast<int>(std::lround((1600 - outer.width()) / 2.0)),
                        static_cast<int>(std::lround((1200 - outer.height()) / 2.0))));
        // The About box is loaded, hidden.
        QVERIFY(window.findChild<FrmPropos*>() != nullptr);
        QVERIFY(!window.findChild<FrmPropos*>()->isVisible());
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
