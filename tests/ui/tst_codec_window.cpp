// The main window over the other codecs: an H.264, an HEVC and an MPEG-4 Part 2 video made
// by ffmpeg at test time with the lists the test gives the encoder, opened through the
// open dialog; their header texts, grids, lists' box, exports and encoder files. An MPEG-2
// file beside them keeps the window as it was.
#include "fake_platform.h"
#include "modal.h"
#include "open_stream.h"
#include "scaling/h264_matrices.h"
#include "scaling/hevc_matrices.h"
#include "support/ffmpeg.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"
#include "ui/check_panel.h"
#include "ui/frm_flux_complet.h"
#include "ui/frm_ouvrir.h"
#include "ui/header_frm.h"
#include "ui/matrix_menu.h"
#include "ui/picture_graph.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>
#include <cstdlib>

using namespace quantaline;
using namespace quantaline::test;

namespace {

bool has_encoder(const std::string& name) {
    return has_ffmpeg_encoder(name);
}

bool encode(const std::string& arguments, const std::string& file) {
    return encode_test_pattern(arguments, file, "96x64", 2);
}

template <class Values> QStringList texts_of(const Values& values) {
    QStringList texts;
    for (const auto v : values) {
        texts << QString::number(v);
    }
    return texts;
}
// A 4x4 list as the grid shows it: its rows in the top-left cells, the rest blank.
QStringList in_grid_4x4(const QStringList& values) {
    QStringList cells;
    for (int k = 0; k < 64; ++k) {
        cells << (k / 8 < 4 && k % 8 < 4 ? values[(k / 8) * 4 + k % 8] : QString());
    }
    return cells;
}
QStringList grid_texts(HeaderFrm& window, int grid) {
    QStringList texts;
    for (int k = 1; k <= 64; ++k) {
        texts << window.findChild<QLabel*>(QStringLiteral("mat%1_%2").arg(grid).arg(k))->text();
    }
    return texts;
}
QString ramp_text(int first) {
    QStringList values;
    for (int i = 0; i < 64; ++i) {
        values << QString::number(first + i % 8 + i / 8 * 2);
    }
    return values.join(',');
}

const char* const export_buttons[] = {"btc_cce", "btc_tmpgenc", "btc_texte", "btc_imprimer"};

} // namespace

class CodecWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void opens_each_codec_data() {
        QTest::addColumn<QString>("encoder");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<QStringList>("intra");
        QTest::addColumn<QStringList>("inter");
        // The lists shown after choosing the first pair: the 4x4 luma lists, or MPEG-4's
        // only pair again.
        QTest::addColumn<QStringList>("first_intra");
        QTest::addColumn<bool>("mpeg2_exports");
        QTest::addColumn<QStringList>("menu");
        QTest::addColumn<QString>("chroma");

        const QStringList jvt_4x4 = texts_of(scaling::default_4x4_intra);
        QTest::newRow("H.264 in Matroska, JVT lists")
            << "libx264"
            << "-c:v libx264 -x264-params cqm=jvt"
            << "jvt.mkv"
            << "Matroska H.264"
            << QStringList{"Listes 4x4 Y", "Listes 4x4 Cb", "Listes 4x4 Cr", "Listes 8x8 Y"}
            << texts_of(scaling::default_8x8_intra) << texts_of(scaling::default_8x8_inter)
            << in_grid_4x4(jvt_4x4) << false
            << QStringList{"Copier les valeurs", "Fichier x264 (--cqmfile)…",
                           "Fichier x265 (--scaling-list)…"}
            << "4:2:0";
        // 4:4:4: six 8x8 lists, the chroma ones of their own colour.
        QTest::newRow("H.264 4:4:4 in MP4, JVT lists")
            << "libx264"
            << "-c:v libx264 -pix_fmt yuv444p -x264-params cqm=jvt"
            << "jvt444.mp4"
            << "MP4 H.264" << QStringList{"Listes 4x4 Y", "Listes 4x4 Cb", "Listes 4x4 Cr",
                                          "Listes 8x8 Y", "Listes 8x8 Cb", "Listes 8x8 Cr"}
            << texts_of(scaling::default_8x8_intra) << texts_of(scaling::default_8x8_inter)
            << in_grid_4x4(jvt_4x4) << false
            << QStringList{"Copier les valeurs", "Fichier x264 (--cqmfile)…",
                           "Fichier x265 (--scaling-list)…"}
            << "4:4:4";
        QStringList hevc_choices;
        for (const char* size : {"4x4", "8x8", "16x16", "32x32"}) {
            for (const char* colour : {"Y", "Cb", "Cr"}) {
                if (QByteArray(size) != "32x32" || QByteArray(colour) == "Y") {
                    hevc_choices << QStringLiteral("Listes %1 %2").arg(size, colour);
                }
            }
        }
        QTest::newRow("HEVC in MP4, default lists")
            << "libx265"
            << "-c:v libx265 -x265-params log-level=error:scaling-list=default"
            << "default.mp4"
            << "MP4 HEVC" << hevc_choices << texts_of(scaling::hevc_default_8x8_intra)
            << texts_of(scaling::hevc_default_8x8_inter)
            // HEVC's default 4x4 lists are flat.
            << in_grid_4x4(QStringList(16, QStringLiteral("16"))) << false
            << QStringList{"Copier les valeurs", "Fichier x264 (--cqmfile)…",
                           "Fichier x265 (--scaling-list)…"}
            << "4:2:0";
        QStringList intra;
        for (const QString& v : ramp_text(8).split(',')) {
            intra << v;
        }
        QStringList inter;
        for (const QString& v : ramp_text(20).split(',')) {
            inter << v;
        }
        QTest::newRow("MPEG-4 in AVI, loaded matrices")
            << "mpeg4"
            << "-c:v mpeg4 -mpeg_quant 1 -intra_matrix " + ramp_text(8) + " -inter_matrix " +
                   ramp_text(20)
            << "loaded.avi"
            << "AVI MPEG-4 Part 2" << QStringList{"Matrices 8x8"} << intra << inter << intra << true
            << QStringList{"Copier les valeurs", "Copier pour ffmpeg", "Enregistrer pour mpeg2enc…"}
            << "4:2:0";
    }

    void opens_each_codec() {
        QFETCH(QString, encoder);
        QFETCH(QString, arguments);
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QStringList, choices);
        QFETCH(QStringList, intra);
        QFETCH(QStringList, inter);
        QFETCH(QStringList, first_intra);
        QFETCH(bool, mpeg2_exports);
        QFETCH(QStringList, menu);
        if (!has_encoder(encoder.toStdString())) {
            QSKIP("ffmpeg with this encoder is not on this machine");
        }
        TempDir folder;
        const std::string path = folder.file(name.toStdString());
        QVERIFY(encode(arguments.toStdString(), path));

        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        QVERIFY(open_in_folder(window, QString::fromStdString(folder.path().string()), name));
        QCOMPARE(platform.values, Messages{});
        const auto label = [&window](const char* object) {
            return window.findChild<QLabel*>(QString::fromLatin1(object))->text();
        };
        QCOMPARE(label("Label7"), type);
        QCOMPARE(label("Label1"), QStringLiteral("96"));
        QCOMPARE(label("Label2"), QStringLiteral("64"));
        QFETCH(QString, chroma);
        QCOMPARE(label("Label15"), chroma);
        // The header beyond the lists: square samples, 8 bits, progressive coding.
        QCOMPARE(label("Label3"), QStringLiteral("3:2"));
        QCOMPARE(label("Label19"), QStringLiteral(" 8"));
        QCOMPARE(label("Label9"), QStringLiteral("Progressif"));

        auto* box = window.findChild<QComboBox*>(QStringLiteral("cb_listes"));
        QVERIFY(box->isVisible());
        QVERIFY(!box->accessibleName().isEmpty());
        QVERIFY(!box->accessibleDescription().isEmpty());
        QStringList shown_choices;
        for (int i = 0; i < box->count(); ++i) {
            shown_choices << box->itemText(i);
        }
        QCOMPARE(shown_choices, choices);
        QCOMPARE(box->currentText(),
                 choices.size() == 1 ? choices[0] : QStringLiteral("Listes 8x8 Y"));
        QCOMPARE(grid_texts(window, 1), intra);
        QCOMPARE(grid_texts(window, 2), inter);
        // The encoder's default lists are green, the matrices MPEG-4 loaded black; so is
        // every list of the first choice, copied from a default list or not.
        const QColor colour = mpeg2_exports ? QColor(0, 0, 0) : QColor(0, 192, 0);
        for (int grid = 1; grid <= 2; ++grid) {
            QCOMPARE(window.findChild<QLabel*>(QStringLiteral("mat%1_64").arg(grid))
                         ->palette()
                         .color(QPalette::WindowText),
                     colour);
        }
        // Each grid tells where its list came from.
        QVERIFY2(
            window.findChild<QWidget*>(QStringLiteral("cd_matrice1_1"))
                ->toolTip()
                .startsWith(choices.size() == 1 ? "intra : " : "intra_8x8_y : "),
            qPrintable(window.findChild<QWidget*>(QStringLiteral("cd_matrice1_1"))->toolTip()));

        for (std::size_t i = 0; i < std::size(export_buttons); ++i) {
            auto* button = window.findChild<QPushButton*>(QString::fromLatin1(export_buttons[i]));
            QCOMPARE(button->isEnabled(), mpeg2_exports);
            QCOMPARE(button->toolTip().isEmpty(), mpeg2_exports);
        }
        if (!mpeg2_exports) {
            QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("btc_tmpgenc"))->toolTip(),
                     QStringLiteral("TMPGEnc et CCE prennent des matrices MPEG-2 : la vidéo %1 "
                                    "n'en a pas")
                         .arg(type.section(' ', -1) == "HEVC" ? "HEVC" : "H.264"));
        }

        auto* grid = window.findChild<QWidget*>(QStringLiteral("cd_matrice1_1"));
        const auto shown_menu = matrix_menu(grid, MatrixKind::intra, session, platform, true);
        QStringList items;
        for (QAction* action : shown_menu->actions()) {
            items << action->text();
        }
        QCOMPARE(items, menu);

        // The first choice: the grids follow it, the DC label stays hidden.
        box->setCurrentIndex(0);
        QCOMPARE(grid_texts(window, 1), first_intra);
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("mat2_1"))
                     ->palette()
                     .color(QPalette::WindowText),
                 colour);
        QVERIFY(!window.findChild<QLabel*>(QStringLiteral("lbl_dc"))->isVisible());
        if (choices.last() == "Listes 32x32 Y") {
            box->setCurrentIndex(box->count() - 1);
            QCOMPARE(label("lbl_dc"), QStringLiteral("DC intra : 16\nDC inter : 16"));
            QVERIFY(window.findChild<QLabel*>(QStringLiteral("lbl_dc"))->isVisible());
        }

        // The encoder files: the codec's own written where the save dialog says, the other
        // refused with its message and no dialog.
        if (!mpeg2_exports) {
            const bool hevc = type.endsWith("HEVC");
            platform.save_path = folder.file("lists.txt");
            save_encoder_file(&window, session, platform,
                              hevc ? Session::EncoderFile::x265 : Session::EncoderFile::x264);
            QCOMPARE(platform.values, Messages{});
            const std::string written = read_all(platform.save_path);
            QVERIFY2(written.rfind("INTRA4X4_LUMA =", 0) == 0, written.c_str());
            const std::size_t dialogs = platform.events.size();
            save_encoder_file(&window, session, platform,
                              hevc ? Session::EncoderFile::x264 : Session::EncoderFile::x265);
            QCOMPARE(platform.values.size(), std::size_t(1));
            QCOMPARE(platform.values[0].id,
                     hevc ? MessageId::x264_file_hevc_source : MessageId::x265_file_h264_source);
            QCOMPARE(platform.events.size(), dialogs + 1); // the box, no dialog
        }
    }

    // An MPEG-2 file after a codec's: no lists' box, the exports back, as before.
    // JVT lists, then flat ones, then JVT again: the whole-stream read finds the change, the
    // strip says so and "Flux complet" shows the two sets, each with its own lists.
    void lists_that_change_during_the_stream() {
        if (!has_encoder("libx264")) {
            QSKIP("ffmpeg with libx264 is not on this machine");
        }
        TempDir folder;
        QVERIFY(encode("-c:v libx264 -x264-params cqm=jvt -f h264", folder.file("jvt.264")));
        QVERIFY(encode("-c:v libx264 -f h264", folder.file("flat.264")));
        const std::string joined = "cat '" + folder.file("jvt.264") + "' '" +
                                   folder.file("flat.264") + "' '" + folder.file("jvt.264") +
                                   "' > '" + folder.file("joined.264") + "'";
        QCOMPARE(std::system(joined.c_str()), 0);
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        QVERIFY(
            open_in_folder(window, QString::fromStdString(folder.path().string()), "joined.264"));
        auto* status = window.findChild<QLabel*>(QStringLiteral("lbl_flux"));
        QTRY_COMPARE_WITH_TIMEOUT(
            status->text(), QStringLiteral("Flux complet : 6 images, 2 jeux de listes"), 20000);
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("lbl_flux_note"))->toolTip(),
                 QStringLiteral("Les listes changent en cours de flux : 2 jeux"));
        auto* flux = window.findChild<QPushButton*>(QStringLiteral("btc_flux_complet"));
        QVERIFY(flux->isEnabled());
        flux->click();
        FrmFluxComplet* listes = window.flux_complet_window();
        QVERIFY(listes != nullptr);
        QCOMPARE(listes->windowTitle(), QStringLiteral("Flux complet - joined.264"));
        // The one "Flux complet" window with the lists' panes: no matrix sets, no macroblocks,
        // nothing to put in the main window.
        QVERIFY(listes->shows_lists());
        const auto* tabs = listes->findChild<QTabWidget*>(QStringLiteral("onglets_flux"));
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Jeux de listes"));
        QVERIFY(listes->findChild<QPushButton*>(QStringLiteral("btc_utiliser")) == nullptr);
        QVERIFY(listes->findChild<QTableWidget*>(QStringLiteral("tab_jeux")) == nullptr);
        QTableWidget& table = listes->sets_table();
        QCOMPARE(table.rowCount(), 2);
        const QStringList rows[] = {{"1", "0", "4", "SPS 0, PPS 0"},
                                    {"2", "2", "2", "SPS 0, PPS 0"}};
        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < 4; ++c) {
                QCOMPARE(table.item(r, c)->text(), rows[r][c]);
            }
        }
        QVERIFY(!table.accessibleName().isEmpty());
        QVERIFY(!table.accessibleDescription().isEmpty());
        const auto cell = [listes](int grid, int k) {
            return listes->findChild<QLabel*>(QStringLiteral("jeu_liste%1_%2").arg(grid).arg(k));
        };
        // The 8x8 luma lists first: JVT's default intra list, then flat 16 in green.
        QCOMPARE(listes->lists_choice().currentText(), QStringLiteral("Listes 8x8 Y"));
        QCOMPARE(cell(1, 1)->text(), QStringLiteral("6"));
        QCOMPARE(cell(1, 64)->text(), QStringLiteral("42"));
        table.selectRow(1);
        QCOMPARE(cell(1, 1)->text(), QStringLiteral("16"));
        QCOMPARE(cell(2, 64)->text(), QStringLiteral("16"));
        // The pair chosen stays from one set to the other: 4x4 inter luma of set 1.
        listes->lists_choice().setCurrentIndex(0);
        const QString chosen = listes->lists_choice().currentText();
        table.selectRow(0);
        QCOMPARE(listes->lists_choice().currentText(), chosen);
        QCOMPARE(cell(2, 1)->text(), QStringLiteral("10"));
        QCOMPARE(cell(2, 5)->text(), QString());
        listes->close();
    }

    // The coded picture buffer under the bars and the findings in "Conformité": none under
    // auto for a small x264 CBR stream, the disc's rules broken once Blu-ray is chosen, and
    // the main window's strip saying the same; MPEG-4 visual has no such check.
    void the_buffer_and_the_disc_rules() {
        if (!has_encoder("libx264") || !has_encoder("mpeg4")) {
            QSKIP("ffmpeg with libx264 and mpeg4 is not on this machine");
        }
        TempDir folder;
        QVERIFY(encode_test_pattern("-c:v libx264 -x264-params nal-hrd=cbr:vbv-maxrate=500:"
                                    "vbv-bufsize=500:bitrate=500:keyint=12 -f h264",
                                    folder.file("cbr.264"), "320x240", 24));
        QVERIFY(encode("-c:v mpeg4 -f avi", folder.file("part2.avi")));
        QVERIFY(encode_test_pattern("-c:v libx264 -f h264", folder.file("plain.264"), "96x64", 3));
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        const QString path = QString::fromStdString(folder.path().string());
        QVERIFY(open_in_folder(window, path, "cbr.264"));
        auto* strip = window.findChild<QLabel*>(QStringLiteral("lbl_conformite"));
        QTRY_COMPARE_WITH_TIMEOUT(strip->text(), QStringLiteral("Aucun écart"), 20000);
        window.findChild<QPushButton*>(QStringLiteral("btc_flux_complet"))->click();
        FrmFluxComplet* listes = window.flux_complet_window();
        QVERIFY(listes != nullptr);
        auto* tabs = listes->findChild<QTabWidget*>(QStringLiteral("onglets_flux"));
        QVERIFY(tabs->isTabVisible(1));
        CheckPanel& panel = listes->check_panel();
        QCOMPARE(panel.findings_table().rowCount(), 0);
        QVERIFY(listes->findChild<QLabel*>(QStringLiteral("lbl_tampon"))
                    ->text()
                    .startsWith(QStringLiteral("Tampon CPB : HRD NAL, ")));
        QVERIFY(listes->graph().description().contains(QStringLiteral("tampon CPB")));
        QVERIFY(listes->graph().description().contains(
            QStringLiteral("images en sous-alimentation : 0, en débordement : 0")));

        QComboBox& profiles = panel.profile_choice();
        QCOMPARE(profiles.itemText(0), QStringLiteral("Automatique (aucun profil de disque)"));
        const int bluray = profiles.findData(QStringLiteral("bluray"));
        QVERIFY(bluray > 0);
        profiles.setCurrentIndex(bluray);
        emit profiles.activated(bluray);
        auto* verdict = listes->findChild<QLabel*>(QStringLiteral("lbl_verdict"));
        QVERIFY(verdict->text().endsWith(QStringLiteral(" écarts au profil Blu-ray")));
        QCOMPARE(strip->text(), verdict->text());
        QTableWidget& findings = panel.findings_table();
        QStringList rules;
        for (int r = 0; r < findings.rowCount(); ++r) {
            rules << findings.item(r, 0)->text();
        }
        QVERIFY2(rules.contains(QStringLiteral("Format d'image non admis")),
                 qPrintable(rules.join('|')));
        QVERIFY2(rules.contains(QStringLiteral("Unité d'accès sans délimiteur")),
                 qPrintable(rules.join('|')));
        findings.selectRow(
            static_cast<int>(rules.indexOf(QStringLiteral("Format d'image non admis"))));
        QCOMPARE(listes->graph().selected_picture(), std::optional<std::size_t>(0));
        listes->close();

        QVERIFY(open_in_folder(window, path, "part2.avi"));
        QTRY_VERIFY_WITH_TIMEOUT(
            window.findChild<QPushButton*>(QStringLiteral("btc_flux_complet"))->isEnabled(), 20000);
        window.findChild<QPushButton*>(QStringLiteral("btc_flux_complet"))->click();
        listes = window.flux_complet_window();
        QVERIFY(listes != nullptr);
        QVERIFY(!listes->findChild<QTabWidget*>(QStringLiteral("onglets_flux"))->isTabVisible(1));
        QCOMPARE(strip->text(), QString());
        listes->close();

        // Without HRD parameters nothing is modelled under auto: the strip says nothing, the
        // tab why. The profile chosen stays from one file to the next until changed.
        session.set_check_profile("auto");
        QVERIFY(open_in_folder(window, path, "plain.264"));
        QTRY_COMPARE_WITH_TIMEOUT(window.findChild<QLabel*>(QStringLiteral("lbl_flux"))->text(),
                                  QStringLiteral("Flux complet : 3 images, 1 jeu de listes"),
                                  20000);
        QCOMPARE(strip->text(), QString());
        window.findChild<QPushButton*>(QStringLiteral("btc_flux_complet"))->click();
        listes = window.flux_complet_window();
        QVERIFY(listes->findChild<QLabel*>(QStringLiteral("lbl_tampon"))
                    ->text()
                    .startsWith(QStringLiteral("Tampon CPB : non modélisé")));
    }

    void an_mpeg2_file_shows_no_box() {
        TempDir folder;
        StreamBuilder stream;
        stream.sequence_header({}).fill_to(2000);
        folder.write("a.m2v", stream.bytes());
        const bool with_h264 = has_encoder("libx264");
        if (with_h264) {
            QVERIFY(encode("-c:v libx264", folder.file("b.264")));
        }
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        const QString where = QString::fromStdString(folder.path().string());
        if (with_h264) {
            QVERIFY(open_in_folder(window, where, "b.264"));
            QVERIFY(window.findChild<QComboBox*>(QStringLiteral("cb_listes"))->isVisible());
        }
        QVERIFY(open_in_folder(window, where, "a.m2v"));
        QVERIFY(!window.findChild<QComboBox*>(QStringLiteral("cb_listes"))->isVisible());
        QVERIFY(!window.findChild<QLabel*>(QStringLiteral("lbl_listes"))->isVisible());
        QVERIFY(!window.findChild<QLabel*>(QStringLiteral("lbl_dc"))->isVisible());
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("Label7"))->text().endsWith("MPEG-2") ||
                window.findChild<QLabel*>(QStringLiteral("Label7"))->text().endsWith("MPEG-1"));
        for (const char* name : export_buttons) {
            auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
            QVERIFY(button->isEnabled());
            QVERIFY(button->toolTip().isEmpty());
        }
        QVERIFY(window.findChild<QWidget*>(QStringLiteral("cd_matrice1_1"))
                    ->accessibleDescription()
                    .isEmpty());
    }
};

QTEST_MAIN(CodecWindowTest)
#include "tst_codec_window.moc"
