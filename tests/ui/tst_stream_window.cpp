// The background read of the whole stream in the main window (the strip, its progress, its
// end, "Annuler"), the "Flux complet" window (summary, matrix sets, grids, the set chosen
// for the main window, the per-picture table) and the graph at a million pictures, with
// the recording platform.
#include "check/check.h"
#include "check/texts.h"
#include "fake_platform.h"
#include "support/temp_dir.h"
#include "ui/frm_flux_complet.h"
#include "ui/header_frm.h"
#include "ui/macroblock_map.h"
#include "ui/picture_graph.h"

#include <QAccessible>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using namespace quantaline;
using namespace quantaline::test;

namespace {

const QString data_folder = QStringLiteral(QUANTALINE_TEST_DATA);

template <typename T> T* child(QWidget& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

QString cell_text(QTableWidget& table, int row, int column) {
    return table.item(row, column)->text();
}

QColor text_colour(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

// One million pictures as a long DVD has them: I B B P B B ..., sizes by type, a matrix
// change every 100 000 pictures.
mpeg::ScanResult million_pictures() {
    mpeg::ScanResult result;
    constexpr std::uint64_t count = 1000000;
    std::uint64_t offset = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        mpeg::PictureRecord p;
        p.index = i;
        p.offset = offset;
        const int in_group = static_cast<int>(i % 12);
        p.picture_coding_type = in_group == 0 ? 1 : in_group % 3 == 0 ? 2 : 3;
        p.bytes = p.picture_coding_type == 1   ? 60000 + i % 7000
                  : p.picture_coding_type == 2 ? 30000
                                               : 12000;
        p.matrix_set = static_cast<std::uint32_t>(i / 100000 % 2 + 1);
        // Coarser by type, with one picture at the largest MPEG-1 quantiser.
        p.quantiser.read = true;
        p.quantiser.quantiser_min = static_cast<std::uint8_t>(2 + 2 * p.picture_coding_type);
        p.quantiser.quantiser_max =
            i == 500000 ? 31 : static_cast<std::uint8_t>(p.quantiser.quantiser_min + 4);
        p.quantiser.quantiser_average_hundredths =
            static_cast<std::uint16_t>(100 * (p.quantiser.quantiser_min + 2));
        p.picture_structure = mpeg::frame_picture;
        offset += p.bytes;
        result.picture_records.push_back(p);
        if (i % 100000 == 0) {
            mpeg::MatrixChange change;
            change.picture = i;
            result.changes.push_back(change);
        }
    }
    result.pictures = count;
    result.quantiser_read = true;
    return result;
}

} // namespace

class TestStreamWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<TempDir> home_;

  private slots:
    void initTestCase() {
        home_ = std::make_unique<TempDir>();
        qputenv("HOME", home_->path().string().c_str());
    }

    // The strip under the layout: the window grows by its height, nothing else moves.
    void strip_before_any_file() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        QCOMPARE(window.size(), QSize(534, 556 + 56));
        struct Control {
            const char* name;
            QRect rect;
            QString text;
            bool enabled;
            bool visible;
        };
        const Control controls[] = {
            {"btc_annuler", QRect(303, 560, 87, 25), QStringLiteral("Annuler"), false, true},
            {"btc_flux_complet", QRect(395, 560, 134, 25), QStringLiteral("Flux complet…"), false,
             true},
            {"lbl_flux", QRect(5, 560, 293, 25), QString(), true, true},
            {"lbl_flux_note", QRect(5, 588, 344, 20), QString(), true, true},
            {"lbl_conformite", QRect(354, 588, 175, 20), QString(), true, true},
            {"pb_flux", QRect(5, 560, 293, 25), QString(), true, false},
        };
        window.show();
        for (const Control& c : controls) {
            auto* widget = child<QWidget>(window, c.name);
            QVERIFY2(widget != nullptr, c.name);
            QCOMPARE(widget->geometry(), c.rect);
            QCOMPARE(widget->isEnabled(), c.enabled);
            QCOMPARE(widget->isVisible(), c.visible);
            if (auto* button = qobject_cast<QPushButton*>(widget)) {
                QCOMPARE(button->text(), c.text);
            } else if (auto* label = qobject_cast<QLabel*>(widget)) {
                QCOMPARE(label->text(), c.text);
            }
            QVERIFY2(!widget->accessibleName().isEmpty() ||
                         !widget->accessibleDescription().isEmpty() || !c.text.isEmpty(),
                     c.name);
        }
    }

    // Opening a stream whose matrices change says so without a click; two clicks show the
    // sets, and one more puts any of them in the main window.
    void matrices_that_change_shown_and_chosen() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        window.open_file((data_folder + QStringLiteral("/mpeg2-es-joined.m2v")).toStdString());
        auto& status = *child<QLabel>(window, "lbl_flux");
        auto& note = *child<QLabel>(window, "lbl_flux_note");
        QTRY_COMPARE_WITH_TIMEOUT(
            status.text(), QStringLiteral("Flux complet : 12 images, 2 jeux de matrices"), 20000);
        QCOMPARE(note.text(), QStringLiteral("Les matrices changent en cours de flux : 2 jeux"));
        QCOMPARE(text_colour(&note), QColor(192, 0, 0));
        QVERIFY(status.isVisible());
        QVERIFY(!child<QProgressBar>(window, "pb_flux")->isVisible());
        QVERIFY(!child<QPushButton>(window, "btc_annuler")->isEnabled());
        auto& flux_button = *child<QPushButton>(window, "btc_flux_complet");
        QVERIFY(flux_button.isEnabled());
        // The first header's matrices until a set is chosen.
        QCOMPARE(child<QLabel>(window, "mat1_2")->text(), QStringLiteral("9"));

        flux_button.click();
        FrmFluxComplet* flux = window.flux_complet_window();
        QVERIFY(flux != nullptr && flux->isVisible());
        QCOMPARE(flux->windowTitle(), QStringLiteral("Flux complet - mpeg2-es-joined.m2v"));

        // The summary, caption by caption.
        auto* summary = flux->findChild<QGroupBox*>(QStringLiteral("cd_resume"));
        auto* form = static_cast<QFormLayout*>(summary->layout());
        QStringList lines;
        for (int row = 0; row < form->rowCount(); ++row) {
            const auto text = [&](QFormLayout::ItemRole role) {
                return static_cast<QLabel*>(form->itemAt(row, role)->widget())->text();
            };
            lines << text(QFormLayout::LabelRole) + QLatin1Char(' ') + text(QFormLayout::FieldRole);
        }
        QCOMPARE(lines.mid(0, 6), QStringList({QStringLiteral("Conteneur : Flux élémentaire"),
                                               QStringLiteral("Vidéo : Sans objet"),
                                               QStringLiteral("Images : 12 (I : 6, P : 6)"),
                                               QStringLiteral("En-têtes de séquence : 6"),
                                               QStringLiteral("Groupes d'images : 6"),
                                               QStringLiteral("Durée : 00:00:00,48")}));

        auto& table = *flux->findChild<QTableWidget*>(QStringLiteral("tab_jeux"));
        QCOMPARE(table.rowCount(), 2);
        const QStringList headers = {
            QStringLiteral("Jeu"),           QStringLiteral("Première image"),
            QStringLiteral("Images"),        QStringLiteral("Code temporel"),
            QStringLiteral("Matrice intra"), QStringLiteral("Matrice non intra")};
        for (int c = 0; c < headers.size(); ++c) {
            QCOMPARE(table.horizontalHeaderItem(c)->text(), headers[c]);
        }
        // Set 1 is A (its intra matrix), set 2 is B (both); pictures 0-3 and 8-11 are A.
        const QString rows[2][4] = {{"1", "0", "8", "00:00:00:00"}, {"2", "4", "4", "00:00:00:00"}};
        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < 4; ++c) {
                QCOMPARE(cell_text(table, r, c), rows[r][c]);
            }
            // The built-in library names every matrix, or its nearest.
            QVERIFY(!cell_text(table, r, 4).isEmpty());
            QVERIFY(!cell_text(table, r, 5).isEmpty());
        }
        // The default non-intra matrix is a known one.
        QCOMPARE(cell_text(table, 0, 5).contains(QStringLiteral("distance")), false);

        // Selecting a row shows its grids: green for a default matrix, black for a carried
        // one; no chroma grids in 4:2:0.
        struct Grids {
            int row;
            QString intra_second, non_intra_first;
            QColor intra_colour, non_intra_colour;
        };
        const Grids grids[] = {
            {1, QStringLiteral("16"), QStringLiteral("16"), QColor(0, 0, 0), QColor(0, 0, 0)},
            {0, QStringLiteral("9"), QStringLiteral("16"), QColor(0, 0, 0), QColor(0, 192, 0)},
        };
        for (const Grids& g : grids) {
            table.selectRow(g.row);
            auto* intra = flux->findChild<QLabel*>(QStringLiteral("jeu_mat1_2"));
            auto* non_intra = flux->findChild<QLabel*>(QStringLiteral("jeu_mat2_1"));
            QCOMPARE(intra->text(), g.intra_second);
            QCOMPARE(non_intra->text(), g.non_intra_first);
            QCOMPARE(text_colour(intra), g.intra_colour);
            QCOMPARE(text_colour(non_intra), g.non_intra_colour);
            QVERIFY(!flux->findChild<QGroupBox*>(QStringLiteral("cd_jeu_mat3"))->isVisible());
        }

        // "Utiliser ce jeu de matrices" on set 2: the main window, its exports and reports.
        table.selectRow(1);
        flux->findChild<QPushButton*>(QStringLiteral("btc_utiliser"))->click();
        QCOMPARE(child<QLabel>(window, "mat1_2")->text(), QStringLiteral("16"));
        QCOMPARE(child<QLabel>(window, "mat2_1")->text(), QStringLiteral("16"));
        QCOMPARE(text_colour(child<QLabel>(window, "mat2_1")), QColor(0, 0, 0));
        QCOMPARE(state.matrices.intra[1], 16);
        QCOMPARE(state.matrices.non_intra[1], 17);
        QCOMPARE(status.text(), QStringLiteral("Flux complet : 12 images, 2 jeux de matrices "
                                               "(jeu 2 affiché)"));

        // "Enregistrer les images (CSV)…": the save dialog's choice gets the table.
        TempDir dir;
        platform.save_path = dir.file("images.csv");
        flux->findChild<QPushButton*>(QStringLiteral("btc_images_csv"))->click();
        std::ifstream table_file(platform.save_path);
        std::string header;
        std::getline(table_file, header);
        QCOMPARE(header, std::string("file,index,offset,type,structure,temporal_reference,bytes,"
                                     "matrix_set,vbv_delay,top_field_first,repeat_first_field,"
                                     "progressive_frame,fields,decode_time,vbv_occupancy"));
        int rows_written = 0;
        for (std::string row; std::getline(table_file, row);) {
            ++rows_written;
        }
        QCOMPARE(rows_written, 12);
        QVERIFY(platform.messages.empty());

        // Another file: the window of the old one goes, the strip starts again.
        window.open_file((data_folder + QStringLiteral("/mpeg2-es-bframes.m2v")).toStdString());
        QVERIFY(window.flux_complet_window() == nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(
            status.text(), QStringLiteral("Flux complet : 10 images, 1 jeu de matrices"), 20000);
        QCOMPARE(note.text(), QString());
        QCOMPARE(child<QLabel>(window, "mat1_2")->text(), QStringLiteral("16"));
    }

    // A stream whose first sequence header lies past the first header's reach: the window
    // still reads it whole, opens "Flux complet", and the set chosen there enables the
    // exports, the report and the print.
    void a_header_past_the_reach_is_found_by_the_whole_stream() {
        TempDir dir;
        std::ifstream in((data_folder + QStringLiteral("/mpeg2-es-mpeg2enc.m2v")).toStdString(),
                         std::ios::binary);
        std::vector<char> late(400000, 0x55);
        late.insert(late.end(), std::istreambuf_iterator<char>(in), {});
        const std::string path = dir.file("late.m2v");
        std::ofstream(path, std::ios::binary).write(late.data(), std::ssize(late));

        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        window.open_file(path);
        QCOMPARE(platform.messages.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(platform.messages[0].title),
                 QStringLiteral("Aucune séquence MPEG..."));
        auto& status = *child<QLabel>(window, "lbl_flux");
        QTRY_COMPARE_WITH_TIMEOUT(
            status.text(), QStringLiteral("Flux complet : 9 images, 1 jeu de matrices"), 20000);
        const char* const exports[] = {"btc_cce", "btc_tmpgenc", "btc_texte", "btc_imprimer"};
        for (const char* name : exports) {
            QVERIFY2(!child<QPushButton>(window, name)->isEnabled(), name);
        }
        auto& flux_button = *child<QPushButton>(window, "btc_flux_complet");
        QVERIFY(flux_button.isEnabled());
        flux_button.click();
        FrmFluxComplet* flux = window.flux_complet_window();
        QVERIFY(flux != nullptr);
        flux->findChild<QTableWidget*>(QStringLiteral("tab_jeux"))->selectRow(0);
        flux->findChild<QPushButton*>(QStringLiteral("btc_utiliser"))->click();
        for (const char* name : exports) {
            QVERIFY2(child<QPushButton>(window, name)->isEnabled(), name);
        }
        QCOMPARE(status.text(),
                 QStringLiteral("Flux complet : 9 images, 1 jeu de matrices (jeu 1 affiché)"));
    }

    // The macroblocks: their pass follows the headers' in the strip, the summary tells them
    // per type, and a click on a picture in the graph maps its macroblocks.
    void quantiser_along_the_stream_and_a_pictures_macroblocks() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        // MPEG-1 in a program stream, 352 x 288: 22 x 18 macroblocks; I P P P.
        window.open_file((data_folder + QStringLiteral("/mpeg1-ps-pal-vcd.mpg")).toStdString());
        auto& status = *child<QLabel>(window, "lbl_flux");
        QTRY_COMPARE_WITH_TIMEOUT(
            status.text(), QStringLiteral("Flux complet : 4 images, 1 jeu de matrices"), 20000);
        QCOMPARE(session.read_state(Session::Read::quantiser), Session::ReadState::finished);
        QVERIFY(!child<QProgressBar>(window, "pb_flux")->isVisible());
        child<QPushButton>(window, "btc_flux_complet")->click();
        FrmFluxComplet& flux = *window.flux_complet_window();
        QStringList values;
        for (auto* label : flux.findChildren<QLabel*>()) {
            if (label->objectName().startsWith(QStringLiteral("resume_"))) {
                values << label->accessibleDescription() + QLatin1Char(' ') + label->text();
            }
        }
        QVERIFY2(values.contains(QStringLiteral("Quantificateur P : moyen 2,33, min 2, max 3")),
                 qPrintable(values.join(QLatin1Char('|'))));

        PictureGraph& graph = flux.graph();
        QVERIFY(graph.description().contains(QStringLiteral("quantificateur moyen")));
        int x = 0;
        while (x < graph.width() && graph.picture_at(x) != std::optional<std::size_t>(1)) {
            ++x;
        }
        QVERIFY(x < graph.width());
        QTest::mouseClick(&graph, Qt::LeftButton, {}, QPoint(x, graph.height() / 2));
        QCOMPARE(flux.findChild<QTabWidget*>(QStringLiteral("onglets_flux"))->currentIndex(), 1);
        auto& picture = *flux.findChild<QLabel*>(QStringLiteral("lbl_image"));
        QTRY_VERIFY_WITH_TIMEOUT(
            picture.text().startsWith(QStringLiteral("Image 1 (P) : 396 macroblocs")), 20000);
        QCOMPARE(session.picture_map()->macroblocks.size(), std::size_t{396});

        // The first macroblock hovered, then the one at its right from the keyboard: named,
        // and painted with its quantiser's colour.
        MacroblockMap& map = flux.macroblock_map();
        QCOMPARE(map.accessibleDescription(), picture.text());
        QPoint first;
        for (int y = 0;
             y < map.height() && map.macroblock_at(first) != std::optional<std::size_t>(0); ++y) {
            for (first = QPoint(0, y); first.x() < map.width(); first.rx() += 1) {
                if (map.macroblock_at(first) == std::optional<std::size_t>(0)) {
                    break;
                }
            }
        }
        QCOMPARE(map.macroblock_at(first), std::optional<std::size_t>(0));
        first += QPoint(2, 2);
        QMouseEvent move(QEvent::MouseMove, first, map.mapToGlobal(first), Qt::NoButton, {}, {});
        QApplication::sendEvent(&map, &move);
        QVERIFY2(map.current_text().startsWith(QStringLiteral("Colonne 0, rangée 0 : ")),
                 qPrintable(map.current_text()));
        const mpeg::MacroblockInfo& mb = session.picture_map()->macroblocks[0];
        QVERIFY(map.current_text().endsWith(
            QStringLiteral(", quantificateur %1").arg(mb.quantiser_scale)));
        map.setFocus();
        QTest::keyClick(&map, Qt::Key_Right);
        QVERIFY2(map.current_text().startsWith(QStringLiteral("Colonne 1, rangée 0 : ")),
                 qPrintable(map.current_text()));
        const QImage shot = map.grab().toImage();
        QCOMPARE(shot.pixelColor(first + QPoint(2, 2)).rgb(),
                 map.colour_of(mb.quantiser_scale).rgb());
        // Stream-wide scale: 2 is blue, 3 red.
        QCOMPARE(map.colour_of(2).hue(), 240);
        QCOMPARE(map.colour_of(3).hue(), 0);
    }

    // "Annuler" on a long read: the strip says where it stopped; the event loop never waits.
    // "Conformité" says what check says, profile by profile: the verdict in the tab and the
    // main window's strip, one line a finding; a finding chosen marks its picture in the
    // graph and reads its macroblocks. The graph's views follow their choice.
    void conformance_tab_gives_the_findings_of_check() {
        const std::string path =
            (data_folder + QStringLiteral("/mpeg2-ps-joined.vob")).toStdString();
        mpeg::ScanControl control;
        control.picture_records = true;
        const mpeg::ScanResult scanned = mpeg::scan_file(path, control);
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        window.open_file(path);
        auto& strip = *child<QLabel>(window, "lbl_conformite");
        QTRY_VERIFY_WITH_TIMEOUT(!strip.text().isEmpty(), 20000);
        child<QPushButton>(window, "btc_flux_complet")->click();
        FrmFluxComplet& flux = *window.flux_complet_window();
        QTableWidget& table = flux.findings_table();
        QComboBox& profiles = flux.profile_choice();
        for (const char* name : {"auto", "none", "svcd"}) {
            profiles.setCurrentIndex(profiles.findData(QString::fromLatin1(name)));
            emit profiles.activated(profiles.currentIndex());
            const check::CheckResult expected = check::check_stream(scanned, name);
            QVERIFY2(!expected.findings.empty(), name);
            const QString verdict = QString::fromStdString(check::verdict_text(expected));
            QCOMPARE(child<QLabel>(flux, "lbl_verdict")->text(), verdict);
            QCOMPARE(strip.text(), verdict);
            QCOMPARE(strip.palette().color(QPalette::WindowText), QColor(192, 0, 0));
            QCOMPARE(table.rowCount(), static_cast<int>(expected.findings.size()));
            for (int r = 0; r < table.rowCount(); ++r) {
                const check::Finding& f = expected.findings[static_cast<std::size_t>(r)];
                QCOMPARE(table.item(r, 0)->text(), QString::fromUtf8(check::rule_text(f.rule)));
                // Codes by their meaning, as the CLI's text gives them.
                QCOMPARE(table.item(r, 4)->text(), QString::fromStdString(check::found_text(f)));
                QCOMPARE(table.item(r, 5)->text(), QString::fromStdString(check::limit_text(f)));
                QCOMPARE(table.item(r, 0)->data(Qt::UserRole).isValid(), f.picture.has_value());
            }
        }
        QVERIFY(profiles.itemText(0).startsWith(QStringLiteral("Automatique (")));

        // The last finding of a picture: marked in the graph, its macroblocks read, the tab
        // kept until the line is activated.
        auto* tabs = flux.findChild<QTabWidget*>(QStringLiteral("onglets_flux"));
        tabs->setCurrentIndex(2);
        int row = table.rowCount() - 1;
        while (row >= 0 && !table.item(row, 0)->data(Qt::UserRole).isValid()) {
            --row;
        }
        QVERIFY(row >= 0);
        const auto picture =
            static_cast<std::size_t>(table.item(row, 0)->data(Qt::UserRole).toULongLong());
        table.selectRow(row);
        QCOMPARE(flux.graph().selected_picture(), std::optional<std::size_t>(picture));
        QCOMPARE(tabs->currentIndex(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(session.picture_map() != nullptr, 20000);
        QCOMPARE(session.picture_map()->index, picture);
        emit table.itemActivated(table.item(row, 0));
        QCOMPARE(tabs->currentIndex(), 1);

        auto& views = *child<QComboBox>(flux, "cb_vue");
        const std::array<std::pair<PictureGraph::View, QString>, 3> described = {{
            {PictureGraph::View::bit_rate, QStringLiteral("Débit de chaque seconde")},
            {PictureGraph::View::picture_bytes, QStringLiteral("Taille de chaque image")},
            {PictureGraph::View::group_bytes, QStringLiteral("Taille de chaque groupe")},
        }};
        for (int i = 0; i < views.count(); ++i) {
            views.setCurrentIndex(i);
            QCOMPARE(flux.graph().view(), described[static_cast<std::size_t>(i)].first);
            QVERIFY(flux.graph().description().startsWith(
                described[static_cast<std::size_t>(i)].second));
        }
        for (const char* name : {"cb_vue", "cb_profil", "tab_ecarts"}) {
            QVERIFY2(!child<QWidget>(flux, name)->accessibleName().isEmpty(), name);
        }
    }

    void cancel_a_long_read() {
        TempDir dir;
        const std::string path = dir.file("long.m2v");
        {
            std::ifstream in((data_folder + QStringLiteral("/mpeg2-es-joined.m2v")).toStdString(),
                             std::ios::binary);
            std::ofstream out(path, std::ios::binary);
            out << in.rdbuf();
        }
        std::filesystem::resize_file(path, std::uintmax_t{16} << 30);
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        QElapsedTimer opened;
        opened.start();
        window.open_file(path);
        QVERIFY2(opened.elapsed() < 1000, qPrintable(QString::number(opened.elapsed())));
        auto& progress = *child<QProgressBar>(window, "pb_flux");
        QVERIFY(progress.isVisible());
        QCOMPARE(progress.accessibleName(), QStringLiteral("Lecture du flux complet"));
        QTRY_VERIFY_WITH_TIMEOUT(progress.value() > 0, 20000);
        auto& cancel = *child<QPushButton>(window, "btc_annuler");
        QVERIFY(cancel.isEnabled());
        QElapsedTimer stop;
        stop.start();
        cancel.click();
        auto& status = *child<QLabel>(window, "lbl_flux");
        QTRY_VERIFY_WITH_TIMEOUT(!status.text().isEmpty(), 5000);
        qInfo("cancel to strip: %lld ms", static_cast<long long>(stop.elapsed()));
        QVERIFY(stop.elapsed() < 200);
        QCOMPARE(status.text(),
                 QStringLiteral("Lecture interrompue : 12 images, 2 jeux de matrices"));
        QVERIFY(!progress.isVisible());
        QVERIFY(child<QPushButton>(window, "btc_flux_complet")->isEnabled());
    }

    // The graph at a million pictures: per pixel column from the pyramid, within a frame.
    void graph_draws_a_million_pictures_within_a_frame() {
        const mpeg::ScanResult result = million_pictures();
        PictureGraph graph;
        graph.resize(1200, 300);
        graph.set_stream(&result);
        QImage image(graph.size(), QImage::Format_RGB32);
        std::vector<qint64> times;
        struct View {
            double first, count;
        };
        for (const View view : {View{0, 1e6}, View{250000, 300000}, View{499990, 20}}) {
            graph.set_view(view.first, view.count);
            for (int i = 0; i < 5; ++i) {
                QElapsedTimer timer;
                timer.start();
                QPainter painter(&image);
                graph.draw(painter, image.rect());
                painter.end();
                times.push_back(timer.nsecsElapsed());
            }
        }
        std::sort(times.begin(), times.end());
        qInfo("graph frame at a million pictures: median %.2f ms, worst %.2f ms",
              static_cast<double>(times[times.size() / 2]) / 1e6,
              static_cast<double>(times.back()) / 1e6);
        // Generous: the machine is shared; a per-picture drawing takes hundreds.
        QVERIFY(times.back() < 100'000'000);

        // Zoomed out, every column holds the I pictures' red, tallest, from the bottom.
        graph.set_view(0, 1e6);
        QPainter painter(&image);
        graph.draw(painter, image.rect());
        painter.end();
        int red_columns = 0;
        for (int x = 10; x < 1190; x += 10) {
            for (int y = 60; y < 270; ++y) {
                if (image.pixelColor(x, y) == QColor(200, 0, 0)) {
                    ++red_columns;
                    break;
                }
            }
        }
        QVERIFY2(red_columns > 100, qPrintable(QString::number(red_columns)));
        // The quantiser's line over the bars, on its own axis up to the picture at 31.
        int orange_columns = 0;
        for (int x = 10; x < 1150; x += 10) {
            for (int y = 40; y < 280; ++y) {
                if (image.pixelColor(x, y) == QColor(230, 110, 0)) {
                    ++orange_columns;
                    break;
                }
            }
        }
        QVERIFY2(orange_columns > 100, qPrintable(QString::number(orange_columns)));

        // Zoomed in on 20 pictures the hover names each of them; the view stays inside.
        graph.set_view(499990, 20);
        const auto first = graph.picture_at(graph.plot_left() + 2);
        QVERIFY(first.has_value());
        QCOMPARE(*first, std::size_t{499990});
        QCOMPARE(graph.picture_text(500005),
                 QStringLiteral("Image 500 005 : B, 12 000 octets, jeu 2, quantificateur moyen "
                                "10,00 (min 8, max 12)"));
        QCOMPARE(graph.picture_text(499992),
                 QStringLiteral("Image 499 992 : I, 62 992 octets, jeu 1, quantificateur moyen "
                                "6,00 (min 4, max 8)"));
        graph.set_view(-50, 5);
        QCOMPARE(graph.first_visible(), 0.0);
        QCOMPARE(graph.visible_count(), 10.0);
        graph.set_view(2e6, 3e6);
        QCOMPARE(graph.first_visible(), 0.0);
        QCOMPARE(graph.visible_count(), 1e6);
    }

    // The graph's accessible interface: a chart with a name, what it shows, the picture
    // named last.
    void graph_is_readable_by_assistive_technology() {
        const mpeg::ScanResult result = million_pictures();
        PictureGraph graph;
        graph.resize(800, 200);
        graph.set_stream(&result);
        graph.show();
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&graph);
        QVERIFY(face != nullptr);
        QCOMPARE(face->role(), QAccessible::Chart);
        QCOMPARE(face->text(QAccessible::Name), QStringLiteral("Graphe des images"));
        const QString description = face->text(QAccessible::Description);
        QVERIFY2(description.contains(QStringLiteral("1 000 000 images")), qPrintable(description));
        QVERIFY2(description.contains(QStringLiteral("image 100 000 (jeu 2)")),
                 qPrintable(description));
        graph.setFocus();
        QTest::keyClick(&graph, Qt::Key_Plus);
        QCOMPARE(graph.visible_count(), 500000.0);
        QVERIFY2(face->text(QAccessible::Value).startsWith(QStringLiteral("Image ")),
                 qPrintable(face->text(QAccessible::Value)));
    }
};

QTEST_MAIN(TestStreamWindow)
#include "tst_stream_window.moc"
