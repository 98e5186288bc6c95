// The main window: layout, the open-and-display flow, quitting, the link and the About
// box, with the recording platform.
#include "analysis/analysis.h"
#include "config/app_info.h"
#include "fake_platform.h"
#include "modal.h"
#include "open_stream.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"
#include "ui/frm_ouvrir.h"
#include "ui/frm_propos.h"
#include "ui/header_frm.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <cmath>
#include <filesystem>

using namespace quantaline;
using namespace quantaline::test;

Q_DECLARE_METATYPE(quantaline::ExportTarget)

namespace {

const QColor green(0, 192, 0);
const QColor black(0, 0, 0);

// The links' pointer is our own 32 x 32 black and white hand, hot spot at the tip of the
// raised index finger: the outline there is black, the finger below it white, and the
// corners are see-through.
void check_hand_cursor(const QWidget* link) {
    const QCursor cursor = link->cursor();
    QCOMPARE(cursor.shape(), Qt::BitmapCursor);
    QCOMPARE(cursor.hotSpot(), QPoint(11, 5));
    const QImage bits = cursor.bitmap().toImage();
    const QImage mask = cursor.mask().toImage();
    QCOMPARE(bits.size(), QSize(32, 32));
    QCOMPARE(mask.size(), QSize(32, 32));
    struct Pixel {
        int x, y;
        bool opaque;
        QColor colour;
    };
    const Pixel pixels[] = {
        {11, 5, true, black}, {11, 4, false, {}},  {11, 9, true, QColor(255, 255, 255)},
        {0, 0, false, {}},    {31, 31, false, {}},
    };
    for (const Pixel& p : pixels) {
        QCOMPARE(mask.pixelColor(p.x, p.y) == black, p.opaque);
        if (p.opaque) {
            QCOMPARE(bits.pixelColor(p.x, p.y), p.colour);
        }
    }
    // A hand, not a square: opaque pixels, white ones among them, far fewer than all.
    int opaque = 0;
    int white = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (mask.pixelColor(x, y) == black) {
                ++opaque;
                white += bits.pixelColor(x, y) == black ? 0 : 1;
            }
        }
    }
    QVERIFY2(opaque > 200 && opaque < 600 && white > opaque / 2,
             qPrintable(QString::number(opaque)));
}

struct Expected {
    QString name;
    QString parent;
    int left, top, width, height;
    QString text;
};

// Every fixed control of the window, in twips, with its caption.
const std::vector<Expected> layout = {
    {"btc_ouvrir", "header_frm", 120, 75, 1305, 420, "Ouvrir un fichier"},
    {"Label10", "header_frm", 1500, 150, 6465, 300, ""},
    {"Frame2", "header_frm", 75, 600, 3735, 2070, "Général"},
    {"Frame3", "header_frm", 4200, 600, 3735, 2520, "Détail "},
    {"cd_matrice1_1", "header_frm", 75, 3300, 3135, 3375, "Matrice Intra-block"},
    {"Frame1", "header_frm", 4800, 3300, 3135, 3375, "Matrice non Intra-block"},
    {"Label11_0", "Frame2", 150, 450, 1185, 285, "Résolution :"},
    {"Label1", "Frame2", 1920, 450, 600, 270, ""},
    {"Label11_1", "Frame2", 2640, 450, 135, 375, "x"},
    {"Label2", "Frame2", 2880, 450, 600, 270, ""},
    {"Label11_2", "Frame2", 150, 825, 1200, 285, "Aspect ratio :"},
    {"Label3", "Frame2", 2880, 825, 585, 240, ""},
    {"Label11_3", "Frame2", 120, 1200, 1800, 285, "Fréquence d'image :"},
    {"Label4", "Frame2", 2880, 1200, 600, 255, ""},
    {"Label11_4", "Frame2", 75, 1575, 1590, 225, " Débit maximum  :"},
    {"Label5", "Frame2", 2880, 1575, 600, 240, ""},
    {"Label11_6", "Frame3", 75, 375, 1260, 255, "Type de flux :"},
    {"Label7", "Frame3", 1275, 375, 2250, 240, ""},
    {"Label13", "Frame3", 75, 825, 735, 255, "Profil :"},
    {"Label14", "Frame3", 1275, 825, 2400, 240, ""},
    {"Label12", "Frame3", 75, 1275, 1140, 255, "Format YUV :"},
    {"Label15", "Frame3", 1350, 1275, 660, 240, ""},
    {"Label11_5", "Frame3", 2400, 1275, 570, 255, "VBV :"},
    {"Label6", "Frame3", 2925, 1275, 585, 240, ""},
    {"Label16", "Frame3", 75, 1650, 1305, 255, "Format Video :"},
    {"Label17", "Frame3", 1350, 1650, 1005, 240, ""},
    {"Label18", "Frame3", 2400, 1650, 510, 255, "DCT :"},
    {"Label19", "Frame3", 2925, 1650, 585, 240, ""},
    {"lbl_image", "Frame3", 75, 2100, 1680, 255, "Structure d'image :"},
    {"Label9", "Frame3", 1800, 2100, 1695, 240, ""},
    {"Label8", "header_frm", 3225, 3600, 1530, 2835,
     "Nota :                     Si une matrice est de couleur verte, cela veut dire que c'est "
     "la matrice standard de la norme MPEG qui a été utilisé. Dans ce cas, celle-ci n'est pas "
     "inscrite dans le fichier que  vous venez de lire. Quantaline l'affiche à titre "
     "d'information."},
    {"btc_cce", "header_frm", 75, 6750, 3135, 375, "Exporter les matrices vers CCE"},
    {"btc_tmpgenc", "header_frm", 75, 7125, 3135, 375, "Exporter les matrices vers TMPGEnc"},
    {"btc_texte", "header_frm", 75, 7500, 3135, 375, "Exporter les matrices ( fichier txt)"},
    {"btc_imprimer", "header_frm", 75, 7875, 3135, 375, "Imprimer les matrices"},
    {"Label20", "header_frm", 3375, 6750, 4515, 915,
     "Avant d'exporter les matrices, vérifier dans la base de registre la clé corespondant à "
     "CCE (elle doit commencer par 'HKEY_CURRENT_USER\\Software\\Custom Technology\\'    Pour "
     "TMPGEnc, verifiez le dossier d'installation du programme."},
    {"Label21", "header_frm", 3525, 7950, 2115, 240, "https://velnor.example.org/"},
    {"btc_propos", "header_frm", 5925, 7875, 975, 375, "A propos"},
    {"btc_quitter", "header_frm", 6975, 7875, 975, 375, "Quitter"},
};

const char* const value_labels[] = {"Label1",  "Label2",  "Label3",  "Label4",  "Label5",
                                    "Label6",  "Label7",  "Label14", "Label15", "Label17",
                                    "Label10", "Label19", "Label9"};
const char* const export_buttons[] = {"btc_cce", "btc_tmpgenc", "btc_texte", "btc_imprimer"};

QString text_of(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<const QPushButton*>(widget)) {
        return button->text();
    }
    if (auto* frame = qobject_cast<const QGroupBox*>(widget)) {
        return frame->title();
    }
    return QString();
}

QLabel* cell(HeaderFrm& window, int grid, int k) {
    return window.findChild<QLabel*>(QStringLiteral("mat%1_%2").arg(grid).arg(k));
}

QColor text_colour(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

// Row-major texts of one grid.
QStringList grid_texts(HeaderFrm& window, int grid) {
    QStringList texts;
    for (int k = 1; k <= 64; ++k) {
        texts << cell(window, grid, k)->text();
    }
    return texts;
}

// The MPEG default matrices, as ISO/IEC 13818-2 lists them in raster order.
const QStringList standard_intra = QString("8 16 19 22 26 27 29 34 "
                                           "16 16 22 24 27 29 34 37 "
                                           "19 22 26 27 29 34 34 38 "
                                           "22 22 26 27 29 34 37 40 "
                                           "22 26 27 29 32 35 40 48 "
                                           "26 27 29 32 35 40 48 58 "
                                           "26 27 29 34 38 46 56 69 "
                                           "27 29 35 38 46 56 69 83")
                                       .split(' ');
const QStringList standard_non_intra(QList<QString>(64, QStringLiteral("16")));

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> home_;

    // Opens `path` through the open dialog as a user would: its folder, then the file.
    static bool open_file(HeaderFrm& window, const QString& folder, const QString& name) {
        return open_in_folder(window, folder, name);
    }
    static bool cancel_open(HeaderFrm& window) {
        return with_modal<FrmOuvrir>(
            [](FrmOuvrir& dialog) {
                dialog.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
            },
            [&window] { window.findChild<QPushButton*>(QStringLiteral("btc_ouvrir"))->click(); });
    }

  private slots:
    void initTestCase() {
        home_ = std::make_unique<TempDir>();
        qputenv("HOME", home_->path().string().c_str());
    }

    void layout_matches_the_twips_table() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        QCOMPARE(window.objectName(), QStringLiteral("header_frm"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Quantaline -  1.10 - by Velnor"));
        // 8010 x 8340 twips, and the strip of the whole-stream read under them.
        QCOMPARE(window.size(), QSize(534, 556 + 56));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        for (const Expected& e : layout) {
            auto* widget = window.findChild<QWidget*>(e.name);
            QVERIFY2(widget != nullptr, qPrintable(e.name));
            QCOMPARE(widget->parentWidget()->objectName(), e.parent);
            QCOMPARE(widget->geometry(),
                     QRect(e.left / 15, e.top / 15, e.width / 15, e.height / 15));
            QCOMPARE(text_of(widget), e.text);
        }
    }

    void fonts_colours_and_alignment() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        const auto font_of = [&](const char* name) {
            return window.findChild<QWidget*>(QString::fromLatin1(name))->font();
        };
        struct FontCase {
            const char* name;
            double points;
            bool bold;
        };
        const FontCase fonts[] = {
            {"Frame2", 9.75, true},    {"Frame3", 9.75, true},    {"cd_matrice1_1", 9.75, true},
            {"Frame1", 9.75, true},    {"Label11_0", 8.25, true}, {"Label11_1", 9.75, true},
            {"lbl_image", 8.25, true}, {"Label1", 8.25, false},   {"Label7", 8.25, false},
            {"Label8", 8.25, false},   {"Label20", 8.25, false},  {"btc_ouvrir", 8.25, false},
            {"mat1_1", 9.75, true},    {"mat1_2", 8.25, false},   {"mat2_1", 9.75, true},
            {"mat2_64", 8.25, false},
        };
        for (const FontCase& f : fonts) {
            QCOMPARE(font_of(f.name).pointSizeF(), f.points);
            QCOMPARE(font_of(f.name).bold(), f.bold);
            QCOMPARE(font_of(f.name).underline(), false);
        }
        auto* link = window.findChild<QLabel*>(QStringLiteral("Label21"));
        QVERIFY(link->font().underline());
        QCOMPARE(link->font().pointSizeF(), 8.25);
        QCOMPARE(text_colour(link), QColor(0, 0, 255));
        check_hand_cursor(link);

        auto* note = window.findChild<QLabel*>(QStringLiteral("Label8"));
        QCOMPARE(text_colour(note), QColor(0, 128, 0));
        QCOMPARE(note->palette().color(QPalette::Window), QColor(255, 255, 255));
        QVERIFY(note->wordWrap());
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("Label20"))->wordWrap());
        QCOMPARE(
            window.findChild<QLabel*>(QStringLiteral("Label10"))->palette().color(QPalette::Window),
            QColor(255, 255, 255));

        const QPalette system = QApplication::palette();
        for (const char* name : value_labels) {
            auto* value = window.findChild<QLabel*>(QString::fromLatin1(name));
            if (QString::fromLatin1(name) != QStringLiteral("Label10")) {
                QVERIFY(value->alignment() & Qt::AlignHCenter);
                QCOMPARE(value->palette().color(QPalette::Window), system.color(QPalette::Button));
            }
            QVERIFY(value->text().isEmpty());
        }
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("Label10"))->alignment() & Qt::AlignLeft);
        // Before the first press: mat1 centred throughout, mat2 centred in cell 1 only.
        QVERIFY(cell(window, 1, 30)->alignment() & Qt::AlignHCenter);
        QVERIFY(cell(window, 2, 1)->alignment() & Qt::AlignHCenter);
        QVERIFY(cell(window, 2, 30)->alignment() & Qt::AlignLeft);
        QCOMPARE(text_colour(cell(window, 1, 1)), system.color(QPalette::Text));
    }

    void grid_cells_overlap_by_one_border() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        for (int grid = 1; grid <= 2; ++grid) {
            for (int k = 1; k <= 64; ++k) {
                const int r = (k - 1) / 8;
                const int c = (k - 1) % 8;
                QLabel* label = cell(window, grid, k);
                QCOMPARE(label->parentWidget()->objectName(),
                         grid == 1 ? QStringLiteral("cd_matrice1_1") : QStringLiteral("Frame1"));
                QCOMPARE(label->geometry(),
                         QRect((120 + 360 * c) / 15, (360 + 360 * r) / 15, 25, 25));
                if (c > 0) {
                    QCOMPARE(label->geometry().left(),
                             cell(window, grid, k - 1)->geometry().right());
                }
            }
        }
    }

    void captions_and_three_digit_values_fit() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        for (QLabel* label : window.findChildren<QLabel*>()) {
            if (label->wordWrap() || label->text().isEmpty()) {
                continue;
            }
            const int needed = label->fontMetrics().horizontalAdvance(label->text());
            QVERIFY2(needed <= label->contentsRect().width(),
                     qPrintable(label->objectName() + " needs " + QString::number(needed)));
        }
        for (QPushButton* button : window.findChildren<QPushButton*>()) {
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + 6 <= button->width(),
                     qPrintable(button->objectName()));
        }
        for (const auto* name : {"Label8", "Label20"}) {
            auto* wrapped = window.findChild<QLabel*>(QString::fromLatin1(name));
            QVERIFY2(wrapped->heightForWidth(wrapped->width()) <= wrapped->height(), name);
        }
        // The widest value a cell can hold, in the grid font of every cell after a press.
        QVERIFY(cell(window, 1, 1)->fontMetrics().horizontalAdvance(QStringLiteral("255")) <=
                cell(window, 1, 1)->contentsRect().width());
    }

    void tab_order_of_the_buttons() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        QStringList order;
        QWidget* widget = window.findChild<QWidget*>(QStringLiteral("btc_ouvrir"));
        for (int i = 0; i < 7; ++i) {
            order << widget->objectName();
            do {
                widget = widget->nextInFocusChain();
            } while (qobject_cast<QPushButton*>(widget) == nullptr);
        }
        QCOMPARE(order, QStringList({"btc_ouvrir", "btc_quitter", "btc_cce", "btc_tmpgenc",
                                     "btc_texte", "btc_imprimer", "btc_propos"}));
        for (QPushButton* button : window.findChildren<QPushButton*>()) {
            QVERIFY(!button->isDefault());
            QVERIFY(!button->autoDefault());
        }
        for (QLabel* label : window.findChildren<QLabel*>()) {
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        }
    }

    void open_and_display_data() {
        QTest::addColumn<std::vector<std::uint8_t>>("bytes");
        QTest::addColumn<QStringList>("labels"); // in the order of value_labels, Label10 aside
        QTest::addColumn<QStringList>("intra");
        QTest::addColumn<QStringList>("non_intra");
        QTest::addColumn<bool>("intra_green");
        QTest::addColumn<bool>("non_intra_green");

        const QStringList default_intra_texts = standard_intra;
        const QStringList sixteen = standard_non_intra;

        // Real streams of tests/data (recipes in streams.txt). The values were read from
        // ffmpeg's header trace (MPEG-2) and MediaInfo (MPEG-1); the matrices are the
        // raster lists the encoder was given.
        const QStringList soft_intra = QString("8 9 10 12 14 17 20 24 9 10 12 14 17 20 24 28 "
                                               "10 12 14 17 20 24 28 33 12 14 17 20 24 28 33 39 "
                                               "14 17 20 24 28 33 39 46 17 20 24 28 33 39 46 54 "
                                               "20 24 28 33 39 46 54 63 24 28 33 39 46 54 63 74")
                                           .split(' ');
        const QStringList steep_intra =
            QString("8 16 24 32 40 48 56 64 20 28 36 44 52 60 68 76 32 40 48 56 64 72 80 88 "
                    "44 52 60 68 76 84 92 100 96 104 112 120 128 136 144 152 "
                    "128 136 144 152 160 168 176 184 160 168 176 184 192 200 208 216 "
                    "200 210 220 230 240 250 254 255")
                .split(' ');
        const QStringList rising_non_intra =
            QString("16 17 18 19 20 21 22 23 24 26 28 30 32 34 36 38 40 43 46 49 52 55 58 61 "
                    "64 68 72 76 80 84 88 92 96 101 106 111 116 121 126 131 "
                    "136 142 148 154 160 166 172 178 184 190 196 202 208 214 "
                    "220 226 232 235 238 241 244 247 250 253")
                .split(' ');
        const auto file_bytes = [](const char* name) {
            std::ifstream in(std::string(QUANTALINE_TEST_DATA) + "/" + name, std::ios::binary);
            return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                             std::istreambuf_iterator<char>());
        };
        // aspect 3, frame rate code 3, bit_rate_value 22500, vbv 112, profile and level
        // 72, 4:2:0, video format 1, intra_dc_precision 1, frame pictures.
        QTest::newRow("dvd program stream") << file_bytes("sample-dvd.vob")
                                            << QStringList{"720",
                                                           "576",
                                                           "16:9",
                                                           "25",
                                                           "9000",
                                                           "224",
                                                           "Flux programme MPEG-2",
                                                           "MainProfil@MainLevel",
                                                           "4:2:0",
                                                           "PAL",
                                                           " 9",
                                                           "Frame Picture"}
                                            << soft_intra << sixteen << false << true;
        // aspect 3, frame rate code 7, bit_rate_value 262143, vbv 3, NTSC, DC precision 2.
        QTest::newRow("mpeg-2 elementary stream, non-intra matrix only")
            << file_bytes("mpeg2-es-dc10-ntsc.m2v")
            << QStringList{"176",
                           "144",
                           "16:9",
                           "59,94",
                           "104857",
                           "6",
                           "Flux élémentaire MPEG-2",
                           "MainProfil@MainLevel",
                           "4:2:0",
                           "NTSC",
                           " 10",
                           "Frame Picture"}
            << default_intra_texts << rising_non_intra << true << false;
        // MediaInfo: 176 x 144, 24 frames/s, 1150000 bit/s, buffer 40960 bytes, both
        // matrices custom.
        QTest::newRow("mpeg-1 elementary stream with both matrices")
            << file_bytes("mpeg1-es-matrices.m1v") << QStringList{"176",
                                                                  "144",
                                                                  "1:1",
                                                                  "24",
                                                                  "1150",
                                                                  "40",
                                                                  "Flux élémentaire MPEG-1",
                                                                  "Sans objet",
                                                                  "???",
                                                                  "Défaut",
                                                                  "???",
                                                                  "???"}
            << steep_intra << rising_non_intra << false << false;

        StreamBuilder mpeg1;
        mpeg1
            .sequence_header({.horizontal_size = 352,
                              .vertical_size = 288,
                              .aspect_ratio_information = 1,
                              .frame_rate_code = 3,
                              .bit_rate_value = 2875,
                              .vbv_buffer_size_value = 20})
            .fill_to(4000);
        QTest::newRow("mpeg-1 elementary stream, built")
            << mpeg1.bytes() << QStringList{"352",
                                            "288",
                                            "1:1",
                                            "25",
                                            "1150",
                                            "40",
                                            "Flux élémentaire MPEG-1",
                                            "Sans objet",
                                            "???",
                                            "Défaut",
                                            "???",
                                            "???"}
            << default_intra_texts << sixteen << true << true;

        // Only a non-intra matrix, of three-digit values, and DC precision 10 without a
        // sequence display extension (the picture coding search then starts at 99999).
        StreamBuilder non_intra_only;
        non_intra_only.sequence_header({.non_intra = scan_matrix_of(255)})
            .sequence_extension(0x48)
            .fill_to(100000)
            .picture_coding_extension(2, 1)
            .fill_to(101000);
        QTest::newRow("non-intra only")
            << non_intra_only.bytes()
            << QStringList{"720",
                           "576",
                           "4:3",
                           "25",
                           "9800",
                           "224",
                           "Flux élémentaire MPEG-2",
                           "MainProfil@MainLevel",
                           "4:2:0",
                           "Défaut",
                           " 10",
                           "Top Field"}
            << default_intra_texts << QStringList(QList<QString>(64, QStringLiteral("255"))) << true
            << false;

        // The file carries the default non-intra matrix: black all the same.
        const ScanMatrix scan_default = scan_matrix_of(16);
        StreamBuilder both;
        both.pack_header()
            .sequence_header({.intra = counting_scan_matrix(), .non_intra = scan_default})
            .sequence_extension(0x48)
            .sequence_display_extension(1)
            .fill_to(4000);
        QStringList counting_raster;
        const int zigzag[64] = {0,  1,  5,  6,  14, 15, 27, 28, 2,  4,  7,  13, 16, 26, 29, 42,
                                3,  8,  12, 17, 25, 30, 41, 43, 9,  11, 18, 24, 31, 40, 44, 53,
                                10, 19, 23, 32, 39, 45, 52, 54, 20, 22, 33, 38, 46, 51, 55, 60,
                                21, 34, 37, 47, 50, 56, 59, 61, 35, 36, 48, 49, 57, 58, 62, 63};
        for (int position : zigzag) {
            counting_raster << QString::number(position + 1);
        }
        QTest::newRow("both matrices from the file")
            << both.bytes() << QStringList{"720",
                                           "576",
                                           "4:3",
                                           "25",
                                           "9800",
                                           "224",
                                           "Flux programme MPEG-2",
                                           "MainProfil@MainLevel",
                                           "4:2:0",
                                           "PAL",
                                           "???",
                                           "???"}
            << counting_raster << sixteen << false << false;

        // No sequence header anywhere: nothing decoded, no stream type nor version.
        QTest::newRow("no sequence header")
            << std::vector<std::uint8_t>(5000, 0x00)
            << QStringList{"0",   "0",          "???", "",       "0",   "0",
                           "???", "Sans objet", "???", "Défaut", "???", "???"}
            << default_intra_texts << sixteen << true << true;
    }

    void open_and_display() {
        QFETCH(std::vector<std::uint8_t>, bytes);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, intra);
        QFETCH(QStringList, non_intra);
        QFETCH(bool, intra_green);
        QFETCH(bool, non_intra_green);

        TempDir folder;
        const std::string path = folder.write("clip.mpg", bytes);
        AppState state;
        state.remembered_drive = state.remembered_folder = "c:\\";
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        QVERIFY(open_file(window, QString::fromStdString(folder.path().string()), "clip.mpg"));

        QCOMPARE(state.file_path, path);
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Label10"))->text(),
                 QString::fromStdString(path));
        QStringList shown;
        for (const char* name : value_labels) {
            if (QString::fromLatin1(name) != QStringLiteral("Label10")) {
                shown << window.findChild<QLabel*>(QString::fromLatin1(name))->text();
            }
        }
        QCOMPARE(shown, labels);
        QCOMPARE(grid_texts(window, 1), intra);
        QCOMPARE(grid_texts(window, 2), non_intra);
        for (int k = 1; k <= 64; ++k) {
            QCOMPARE(text_colour(cell(window, 1, k)), intra_green ? green : black);
            QCOMPARE(text_colour(cell(window, 2, k)), non_intra_green ? green : black);
            for (int grid = 1; grid <= 2; ++grid) {
                QCOMPARE(cell(window, grid, k)->font().pointSizeF(), 9.75);
                QVERIFY(cell(window, grid, k)->font().bold());
                QVERIFY(cell(window, grid, k)->alignment() & Qt::AlignHCenter);
            }
        }
        // Without a sequence header there is nothing to export or print.
        const bool header_found = QByteArray(QTest::currentDataTag()) != "no sequence header";
        for (const char* name : export_buttons) {
            QCOMPARE(window.findChild<QPushButton*>(QString::fromLatin1(name))->isEnabled(),
                     header_found);
        }
        QCOMPARE(platform.values, header_found ? Messages{} : Messages{no_sequence_header_message});
        // The dialog's hourglass stays until the window has shown everything.
        const std::vector<std::string> events =
            header_found ? std::vector<std::string>{"hourglass", "process events", "arrow"}
                         : std::vector<std::string>{"hourglass", "process events",
                                                    "message:Aucune séquence MPEG...", "arrow"};
        QCOMPARE(platform.events, events);
        QCOMPARE(state.stream_info.mpeg_version_text, !header_found ? std::string()
                                                      : labels[6].endsWith("MPEG-2")
                                                          ? std::string("MPEG-2")
                                                          : std::string("MPEG-1"));
    }

    // A path longer than its box: the box shows the end of it, the file's name whole; the
    // whole path is in the tooltip and the accessible description. A short one shows as it is.
    void the_path_box_shows_the_file_name() {
        TempDir folder;
        const std::filesystem::path deep =
            folder.path() / std::string(60, 'a') / std::string(60, 'b') / "Vidéos de vacances";
        std::filesystem::create_directories(deep);
        StreamBuilder stream;
        stream.sequence_header({}).fill_to(2000);
        const std::string name = "le film de l'été 2024.m2v";
        for (const std::filesystem::path& where : {folder.path(), deep}) {
            const std::string path = (where / name).string();
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(stream.bytes().data()),
                       static_cast<std::streamsize>(stream.bytes().size()));
            AppState state;
            FakePlatform platform;
            Session session(state);
            HeaderFrm window(session, platform);
            window.open_file(path);
            auto* box = window.findChild<QLabel*>(QStringLiteral("Label10"));
            const QString whole = QString::fromStdString(path);
            QCOMPARE(box->toolTip(), whole);
            QCOMPARE(box->accessibleDescription(), whole);
            QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) <=
                         box->contentsRect().width(),
                     qPrintable(box->text()));
            if (where == deep) {
                QVERIFY2(box->text().startsWith(QChar(0x2026)), qPrintable(box->text()));
                QVERIFY2(box->text().endsWith(QStringLiteral("/Vidéos de vacances/") +
                                              QString::fromStdString(name)),
                         qPrintable(box->text()));
            } else {
                QCOMPARE(box->text(), whole);
            }
        }
    }

    void cancel_at_first_open_changes_nothing() {
        AppState state;
        state.remembered_drive = state.remembered_folder = "c:\\";
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        QVERIFY(cancel_open(window));
        QVERIFY(state.file_path.empty());
        for (const char* name : export_buttons) {
            QVERIFY(!window.findChild<QPushButton*>(QString::fromLatin1(name))->isEnabled());
        }
        for (const char* name : value_labels) {
            QVERIFY(window.findChild<QLabel*>(QString::fromLatin1(name))->text().isEmpty());
        }
        QVERIFY(grid_texts(window, 1).join("").isEmpty());
        // The press alone gives every cell the first cell's style.
        QVERIFY(cell(window, 2, 40)->alignment() & Qt::AlignHCenter);
        QVERIFY(cell(window, 2, 40)->font().bold());
        QCOMPARE(platform.events, std::vector<std::string>({"process events"}));
    }

    void cancel_after_a_file_keeps_the_display() {
        TempDir folder;
        StreamBuilder stream;
        stream.sequence_header({.intra = counting_scan_matrix()}).fill_to(2000);
        const std::string path = folder.write("a.m2v", stream.bytes());
        AppState state;
        state.remembered_drive = state.remembered_folder = "c:\\";
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        QVERIFY(open_file(window, QString::fromStdString(folder.path().string()), "a.m2v"));
        const QStringList before = grid_texts(window, 1);
        const QString type = window.findChild<QLabel*>(QStringLiteral("Label7"))->text();
        QVERIFY(cancel_open(window));
        QCOMPARE(state.file_path, path);
        QCOMPARE(grid_texts(window, 1), before);
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Label7"))->text(), type);
        QCOMPARE(text_colour(cell(window, 1, 5)), black);
        QCOMPARE(text_colour(cell(window, 2, 5)), green);
        for (const char* name : export_buttons) {
            QVERIFY(window.findChild<QPushButton*>(QString::fromLatin1(name))->isEnabled());
        }
    }

    void unreadable_file_shows_both_boxes_then_the_defaults() {
        TempDir folder;
        AppState state;
        state.remembered_drive = state.remembered_folder = "c:\\";
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        // A folder given as the file, as a command line or a drop may name one.
        window.open_file(folder.path().string() + "/");
        QCOMPARE(state.file_path, folder.path().string() + "/");
        QCOMPARE(platform.messages.size(), std::size_t(2));
        QCOMPARE(platform.values[0], scan_read_failure_message);
        QCOMPARE(platform.values[1], header_read_warning_message);
        QCOMPARE(grid_texts(window, 1), standard_intra);
        QCOMPARE(grid_texts(window, 2), standard_non_intra);
        QCOMPARE(text_colour(cell(window, 1, 64)), green);
        QCOMPARE(text_colour(cell(window, 2, 64)), green);
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Label7"))->text(),
                 QStringLiteral("???"));
        QCOMPARE(platform.events.back(), std::string("arrow"));
    }

    void quit_deletes_the_registry_script_after_a_cce_export_data() {
        QTest::addColumn<ExportTarget>("target");
        QTest::addColumn<bool>("done");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("CCE export done") << ExportTarget::cce << true << true;
        QTest::newRow("CCE chosen, not exported") << ExportTarget::cce << false << false;
        QTest::newRow("TMPGEnc after CCE") << ExportTarget::tmpgenc << true << false;
        QTest::newRow("no export") << ExportTarget::none << false << false;
    }
    void quit_deletes_the_registry_script_after_a_cce_export() {
        QFETCH(ExportTarget, target);
        QFETCH(bool, done);
        QFETCH(bool, deleted);
        for (const bool by_close_box : {false, true}) {
            TempDir folder;
            folder.write_text("quantaline.reg", "REGEDIT4\r\n");
            AppState state;
            state.program_folder = folder.folder();
            state.export_target = target;
            state.export_done = done;
            FakePlatform platform;
            Session session(state);
            HeaderFrm window(session, platform);
            window.show();
            if (by_close_box) {
                QVERIFY(window.close());
            } else {
                window.findChild<QPushButton*>(QStringLiteral("btc_quitter"))->click();
            }
            QCOMPARE(std::filesystem::exists(folder.file("quantaline.reg")), !deleted);
            QCOMPARE(state.export_done, done && !deleted);
            QCOMPARE(platform.events, std::vector<std::string>({"end"}));
        }
    }

    void quit_ends_even_when_the_script_is_gone() {
        TempDir folder;
        AppState state;
        state.program_folder = folder.folder();
        state.export_target = ExportTarget::cce;
        state.export_done = true;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.quit();
        QCOMPARE(platform.events, std::vector<std::string>({"end"}));
    }

    void web_link_opens_the_address() {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        auto* link = window.findChild<QLabel*>(QStringLiteral("Label21"));
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(platform.events,
                 std::vector<std::string>({std::string("open:") + app_info::web_address + "|"}));
    }

    void about_box_ok_hides_and_close_destroys() {
        AppState state;
        FakePlatform platform;
        platform.screen = QSize(1000, 800);
        Session session(state);
        HeaderFrm window(session, platform);
        FrmPropos* loaded = &window.about_box();
        QVERIFY(!loaded->isVisible());
        QCOMPARE(loaded->windowTitle(), QStringLiteral("A propos de Quantaline ..."));
        QCOMPARE(loaded->size(), QSize(438, 278));

        FrmPropos* shown = nullptr;
        QVERIFY(with_modal<FrmPropos>(
            [&shown](FrmPropos& about) {
                shown = &about;
                about.move(0, 0);
                about.findChild<QPushButton*>(QStringLiteral("btc_ok"))->click();
            },
            [&window] { window.findChild<QPushButton*>(QStringLiteral("btc_propos"))->click(); }));
        QCOMPARE(shown, loaded);
        QVERIFY(!loaded->isVisible());
        // Shown again: the same box, centred again.
        QVERIFY(with_modal<FrmPropos>(
            [&shown](FrmPropos& about) {
                shown = &about;
                about.findChild<QPushButton*>(QStringLiteral("btc_ok"))->click();
            },
            [&window] { window.show_about(); }));
        QCOMPARE(shown, loaded);
        const QRect outer = loaded->frameGeometry();
        QCOMPARE(outer.topLeft(),
                 QPoint(static_cast<int>(std::lround((1000 - outer.width()) / 2.0)),
                        static_cast<int>(std::lround((800 - outer.height()) / 2.0))));

        QPointer<FrmPropos> watched(loaded);
        QVERIFY(with_modal<FrmPropos>([](FrmPropos& about) { about.close(); },
                                      [&window] { window.show_about(); }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(watched.isNull());
        QVERIFY(with_modal<FrmPropos>(
            [&shown](FrmPropos& about) {
                shown = &about;
                about.findChild<QPushButton*>(QStringLiteral("btc_ok"))->click();
            },
            [&window] { window.show_about(); }));
        QVERIFY(shown != nullptr);
        QCOMPARE(shown->findChild<QLabel*>(QStringLiteral("Label1_1"))->text(),
                 QStringLiteral("Mailto : Velnor"));
    }

    void about_box_layout_and_links() {
        FakePlatform platform;
        FrmPropos about(platform);
        QCOMPARE(about.palette().color(QPalette::Window), QColor(0, 0, 0));
        struct Control {
            const char* name;
            int left, top, width, height;
            QColor colour;
        };
        const Control controls[] = {
            {"Picture1", 300, 75, 1905, 2730, QColor()},
            {"Label3", 2550, 375, 3495, 555, QColor(255, 255, 0)},
            {"Label2", 2925, 1500, 2880, 330, QColor(0, 255, 255)},
            {"Label4", 2550, 2250, 3765, 915, QColor(64, 64, 64)},
            {"Label1_1", 3825, 3825, 1380, 300, QColor(128, 255, 255)},
            {"btc_ok", 5700, 3675, 780, 375, QColor()},
        };
        for (const Control& c : controls) {
            auto* widget = about.findChild<QWidget*>(QString::fromLatin1(c.name));
            QVERIFY2(widget != nullptr, c.name);
            QCOMPARE(widget->geometry(),
                     QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
            if (c.colour.isValid()) {
                QCOMPARE(text_colour(widget), c.colour);
            }
        }
        auto* picture = about.findChild<QLabel*>(QStringLiteral("Picture1"));
        QCOMPARE(picture->pixmap().size(), QSize(125, 180));
        auto* web = about.findChild<QLabel*>(QStringLiteral("Label2"));
        QCOMPARE(web->text(), QString::fromUtf8(app_info::web_address));
        QVERIFY(web->font().bold() && web->font().underline());
        QCOMPARE(web->font().pointSizeF(), 9.75);
        auto* mail = about.findChild<QLabel*>(QStringLiteral("Label1_1"));
        QVERIFY(!mail->font().bold() && mail->font().underline());
        check_hand_cursor(mail);
        check_hand_cursor(web);
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("Label1_0"))->cursor().shape(),
                 Qt::ArrowCursor);
        QVERIFY(about.findChild<QLabel*>(QStringLiteral("Label1_0"))->text().contains("1.10"));
        for (QLabel* label : about.findChildren<QLabel*>()) {
            if (!label->wordWrap() && !label->text().isEmpty()) {
                QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <=
                             label->contentsRect().width(),
                         qPrintable(label->objectName()));
            }
        }

        about.show();
        QTest::mouseClick(mail, Qt::LeftButton);
        QTest::mouseClick(web, Qt::LeftButton);
        QTest::mouseClick(about.findChild<QLabel*>(QStringLiteral("Label1_0")), Qt::LeftButton);
        QCOMPARE(platform.events, std::vector<std::string>(
                                      {std::string("open:mailto:") + app_info::mail_address + "|",
                                       std::string("open:") + app_info::web_address + "|"}));
        QVERIFY(about.isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
