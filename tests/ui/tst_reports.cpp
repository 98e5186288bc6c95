// The text report and the printed report from the main window's buttons, with the
// recording platform: the pointer, the messages, the file and the printed page.
#include "fake_platform.h"
#include "open_stream.h"
#include "support/temp_dir.h"
#include "ui/header_frm.h"

#include <QPushButton>
#include <QtTest>
#include <cstring>
#include <filesystem>

using namespace quantaline;
using namespace quantaline::test;

namespace {

// Blanks after `text` up to `column`, counted from 0.
std::string up_to(const std::string& text, std::size_t column, std::size_t characters) {
    return text + std::string(column - characters, ' ');
}

// sample-dvd.vob as the report shows it: the values the main window tests check, the
// intra matrix the stream was encoded with and the default non-intra matrix.
std::vector<std::string> dvd_page(const std::string& file_path, std::size_t non_intra_column,
                                  std::size_t heading_column) {
    const char* const intra_rows[] = {
        " 8  9  10  12  14  17  20  24 ",   " 9  10  12  14  17  20  24  28 ",
        " 10  12  14  17  20  24  28  33 ", " 12  14  17  20  24  28  33  39 ",
        " 14  17  20  24  28  33  39  46 ", " 17  20  24  28  33  39  46  54 ",
        " 20  24  28  33  39  46  54  63 ", " 24  28  33  39  46  54  63  74 ",
    };
    std::vector<std::string> page = {
        "Quantaline   1 . 1    revision 0 ",
        "",
        "",
        "Nom du fichier traité = " + file_path,
        "",
        "Type de flux = Flux programme MPEG-2",
        "",
        "Résolution =  720  X  576 ",
        "Aspect ratio = 16:9",
        "Fréquense d'image = 25images par secondes",
        "Débir maximum =  9000  Kbit/s",
        "Profil et Level = MainProfil@MainLevel",
        "Format YUV = 4:2:0",
        "VBV buffer size =  224  Kbit",
        "Format video = PAL",
        "DCT =  9 ",
        "Structure d'image = Frame Picture",
        "",
        "",
        "",
        "",
        up_to("Matrice INTRA-BLOCK speciale", heading_column, 28) +
            "Matrice non INTRA-BLOCK Standard MPEG",
        "",
    };
    for (const char* row : intra_rows) {
        page.push_back(up_to(row, non_intra_column, std::strlen(row)) +
                       " 16  16  16  16  16  16  16  16 ");
    }
    return page;
}

struct Fixture {
    TempDir folder;
    AppState state;
    quantaline::Session flow{state};
    FakePlatform platform;
    std::unique_ptr<HeaderFrm> window;

    Fixture() {
        state.program_folder = folder.folder();
        window = std::make_unique<HeaderFrm>(flow, platform);
        if (!open_test_stream(*window, QStringLiteral("sample-dvd.vob")) ||
            state.file_path.empty()) {
            qFatal("sample-dvd.vob did not open");
        }
        platform.events.clear();
        platform.messages.clear();
    }
    void press(const char* name) {
        window->findChild<QPushButton*>(QString::fromLatin1(name))->click();
    }
};

const ShownMessage print_failed{Icon::exclamation, "Impression impossible...",
                                "Impossible d'imprimer le document; Vérifiez l'imprimante !",
                                Buttons::ok, Button::ok};

} // namespace

class ReportsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> home_;

  private slots:
    void initTestCase() {
        home_ = std::make_unique<TempDir>();
        qputenv("HOME", home_->path().string().c_str());
    }

    void text_report_then_its_confirmation() {
        Fixture session;
        session.press("btc_texte");
        QCOMPARE(
            session.platform.events,
            std::vector<std::string>({"hourglass", "arrow", "message:Matrice sauvegardées..."}));
        QCOMPARE(session.platform.messages,
                 std::vector<ShownMessage>(
                     {{Icon::information, "Matrice sauvegardées...",
                       "Le fichier [matrice de sample-dvd.vob.txt] a été crée dans "
                       "le dossier de Quantaline",
                       Buttons::ok, Button::ok}}));
        const std::string report = read_all(session.folder.file("matrice de sample-dvd.vob.txt"));
        std::string expected;
        for (const std::string& line : dvd_page(session.state.file_path, 70, 70)) {
            std::string bytes = QString::fromStdString(line).toLatin1().toStdString();
            expected += bytes + "\r\n";
        }
        expected += "\r\n\r\n\r\n\r\nFin du document.\r\n";
        QCOMPARE(report, expected);
    }

    // A folder the report cannot be written to: why, in place of the confirmation.
    void text_report_that_cannot_be_written() {
        Fixture session;
        session.state.program_folder = session.folder.file("absent") + "/";
        session.press("btc_texte");
        QCOMPARE(
            session.platform.events,
            std::vector<std::string>({"hourglass", "arrow", "message:Rapport non enregistré..."}));
        const ShownMessage& message = session.platform.messages.front();
        QCOMPARE(message.icon, Icon::critical);
        QCOMPARE(message.buttons, Buttons::ok);
        const std::string path = session.folder.file("absent") + "/matrice de sample-dvd.vob.txt";
        QVERIFY2(message.text.starts_with("Le fichier [" + path + "] n'a pas pu être écrit : "),
                 message.text.c_str());
        QVERIFY(message.text.ends_with(". Le rapport n'a pas été enregistré."));
    }

    void printed_page_data() {
        QTest::addColumn<double>("average_width");
        QTest::addColumn<double>("page_width");
        QTest::addColumn<std::string>("file_path");
        QTest::addColumn<int>("heading_column");
        QTest::addColumn<int>("non_intra_column");
        // As in the file: the non-intra part in the sixth zone.
        QTest::newRow("average width of one column") << 1.0 << 200.0 << std::string() << 70 << 70;
        // Zones of 21 columns: the headings and the rows land in the fifth.
        QTest::newRow("average width of one and a half")
            << 1.5 << 200.0 << std::string() << 84 << 84;
        // The same font on a page of 74 columns: zones of 21 would take the rows to column
        // 116. Line 22's texts take 65 columns, which leaves 9 for its three advances: zones
        // of 3 columns. The path goes on over the next line after its last folder that fits.
        QTest::newRow("zones narrowed to stay on the page")
            << 1.5 << 74.0 << std::string("/home/léa/Vidéos/vacances en Bretagne/sample-dvd.vob")
            << 36 << 39;
    }

    // 10 points, the report's lines through the same item rules, seven empty lines before
    // the last one; no message; nothing past the printable area's right edge.
    void printed_page() {
        QFETCH(double, average_width);
        QFETCH(double, page_width);
        QFETCH(std::string, file_path);
        QFETCH(int, heading_column);
        QFETCH(int, non_intra_column);
        Fixture session;
        session.platform.average_width = average_width;
        session.platform.page_width = page_width;
        if (!file_path.empty()) {
            session.state.file_path = file_path;
        }
        session.press("btc_imprimer");
        QCOMPARE(session.platform.events,
                 std::vector<std::string>({"hourglass", "print at 100/10 pt", "printed", "arrow"}));
        QVERIFY(session.platform.messages.empty());
        std::vector<std::string> expected =
            dvd_page(session.state.file_path, static_cast<std::size_t>(non_intra_column),
                     static_cast<std::size_t>(heading_column));
        expected.insert(expected.end(), 7, "");
        expected.push_back("Fin du document.");
        QCOMPARE(expected.size(), std::size_t(39));
        if (!file_path.empty()) {
            expected[3] = "Nom du fichier traité = /home/léa/Vidéos/vacances en Bretagne/";
            expected.insert(expected.begin() + 4, "sample-dvd.vob");
        }
        // Every line ends by moving to the next: the page's cursor stands on one more.
        expected.push_back("");
        QCOMPARE(session.platform.page, expected);
        for (const std::string& line : session.platform.page) {
            QVERIFY2(static_cast<double>(QString::fromStdString(line).size()) <= page_width,
                     line.c_str());
        }
        QVERIFY(!std::filesystem::exists(session.folder.file("matrice de sample-dvd.vob.txt")));
    }

    void printing_fails_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<std::vector<std::string>>("events");
        QTest::newRow("no default printer")
            << false
            << std::vector<std::string>{"hourglass", "print at 100/10 pt",
                                        "message:Impression impossible...", "arrow"};
        QTest::newRow("a printer that refuses the document")
            << true
            << std::vector<std::string>{"hourglass", "print at 100/10 pt", "print refused",
                                        "message:Impression impossible...", "arrow"};
    }

    // The failure message, then the arrow; pressing again tries again.
    void printing_fails() {
        QFETCH(bool, installed);
        QFETCH(std::vector<std::string>, events);
        Fixture session;
        session.platform.printer_installed = installed;
        session.platform.printer_refuses = true;
        session.press("btc_imprimer");
        QCOMPARE(session.platform.events, events);
        QCOMPARE(session.platform.messages, std::vector<ShownMessage>({print_failed}));

        session.platform.events.clear();
        session.platform.printer_installed = true;
        session.platform.printer_refuses = false;
        session.press("btc_imprimer");
        QCOMPARE(session.platform.events.back(), std::string("arrow"));
        QCOMPARE(session.platform.messages.size(), std::size_t(1));
        QCOMPARE(session.platform.page.size(), std::size_t(40));
    }
};

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
