// The open-and-display flow on files that are not plain, readable MPEG files: the window
// shows whatever the analysis left, every message goes through the platform (no modal box
// left open) and the program carries on.
#include "analysis/analysis.h"
#include "analysis/display.h"
#include "fake_platform.h"
#include "modal.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"
#include "ui/frm_ouvrir.h"
#include "ui/header_frm.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace quantaline;
using namespace quantaline::test;

namespace {

std::vector<std::uint8_t> dvd_like_stream() {
    StreamBuilder s;
    s.pack_header().sequence_header({.horizontal_size = 704, .vertical_size = 576});
    s.sequence_extension(0x48).sequence_display_extension(1).picture_coding_extension(2, 3);
    return s.bytes();
}

QString label_text(HeaderFrm& window, const char* name) {
    return window.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

} // namespace

class HostileInputsTest : public QObject {
    Q_OBJECT

    // Chooses `name` in the open dialog. A name the list does not show (a pipe, or a file
    // replaced since the folder was listed) is put in the list as a user would have seen it.
    static bool open_file(HeaderFrm& window, const QString& folder, const QByteArray& name,
                          bool& listed) {
        return with_modal<FrmOuvrir>(
            [folder, name, &listed](FrmOuvrir& dialog) {
                dialog.change_folder(folder);
                auto* files = dialog.findChild<QListWidget*>(QStringLiteral("File1"));
                QListWidgetItem* chosen = nullptr;
                for (int row = 0; row < files->count(); ++row) {
                    if (files->item(row)->data(Qt::UserRole).toByteArray() == name) {
                        chosen = files->item(row);
                    }
                }
                listed = chosen != nullptr;
                if (chosen == nullptr) {
                    chosen = new QListWidgetItem(QFile::decodeName(name), files);
                    chosen->setData(Qt::UserRole, name);
                }
                files->setCurrentItem(chosen);
                dialog.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            },
            [&window] { window.findChild<QPushButton*>(QStringLiteral("btc_ouvrir"))->click(); });
    }

  private slots:
    void the_window_shows_what_the_analysis_left_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("readable");
        QTest::newRow("pipe") << QByteArray("pipe.vob") << false;
        QTest::newRow("folder named like a stream") << QByteArray("dossier.mpg") << false;
        QTest::newRow("dangling link") << QByteArray("perdu.m2v") << false;
        QTest::newRow("link to the pipe") << QByteArray("vers-pipe.vob") << false;
        QTest::newRow("five gigabyte sparse file") << QByteArray("enorme.vob") << true;
        QTest::newRow("name that is not UTF-8") << QByteArray("cl\xe9t\xe9.m2v") << true;
        QTest::newRow("link to a stream") << QByteArray("lien.m2v") << true;
        QTest::newRow("stream cut inside its header") << QByteArray("coupe.m2v") << true;
    }

    void the_window_shows_what_the_analysis_left() {
        QFETCH(QByteArray, name);
        QFETCH(bool, readable);

        TempDir dir;
        const auto stream = dvd_like_stream();
        dir.write("enorme.vob", stream);
        QCOMPARE(::truncate(dir.file("enorme.vob").c_str(), 5LL << 30), 0);
        dir.write("cl\xe9t\xe9.m2v", stream);
        dir.write("vrai.m2v", stream);
        dir.write("coupe.m2v", std::vector<std::uint8_t>(stream.begin(), stream.begin() + 20));
        QCOMPARE(::mkfifo(dir.file("pipe.vob").c_str(), 0600), 0);
        std::filesystem::create_directory(dir.file("dossier.mpg"));
        std::filesystem::create_symlink(dir.file("absent.m2v"), dir.file("perdu.m2v"));
        std::filesystem::create_symlink(dir.file("pipe.vob"), dir.file("vers-pipe.vob"));
        std::filesystem::create_symlink(dir.file("vrai.m2v"), dir.file("lien.m2v"));

        AppState state;
        state.remembered_drive = state.remembered_folder = "c:\\";
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        bool listed = false;
        QVERIFY(open_file(window, QFile::decodeName(QByteArray::fromStdString(dir.path().string())),
                          name, listed));
        // Every regular file is listed under its own bytes, whatever its name.
        QCOMPARE(listed, readable);
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        const std::string path = dir.file(name.toStdString());
        QCOMPARE(state.file_path, path);
        const auto expected = analyse_file(path);
        const DisplayTexts texts = display_texts(expected.info);

        QCOMPARE(platform.values, expected.messages);
        QCOMPARE(platform.messages.empty(), readable);
        QCOMPARE(label_text(window, "Label1"), QString::fromStdString(texts.width));
        QCOMPARE(label_text(window, "Label2"), QString::fromStdString(texts.height));
        QCOMPARE(label_text(window, "Label7"), QString::fromStdString(texts.stream_type));
        QCOMPARE(label_text(window, "Label14"), QString::fromStdString(texts.profile_and_level));
        QCOMPARE(label_text(window, "Label19"), QString::fromStdString(texts.dc_precision));
        QCOMPARE(label_text(window, "Label9"), QString::fromStdString(texts.picture_structure));
        if (readable && name != "coupe.m2v") {
            QCOMPARE(label_text(window, "Label1"), QStringLiteral("704"));
            QCOMPARE(label_text(window, "Label17"), QStringLiteral("PAL"));
        }
        if (name == "coupe.m2v") {
            // Cut after the frame rate: the bit rate and the extensions are not there.
            QCOMPARE(label_text(window, "Label7"), QStringLiteral("Flux programme MPEG-1"));
            QCOMPARE(label_text(window, "Label5"), QStringLiteral("0"));
        }
        QCOMPARE(platform.events.back(), std::string("arrow"));
        // Nothing to export or print unless a sequence header was read.
        QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("btc_texte"))->isEnabled(),
                 !expected.info.stream_type_text.empty());
    }
};

QTEST_MAIN(HostileInputsTest)
#include "tst_hostile_inputs.moc"
