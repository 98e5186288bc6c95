// Every text a value box of the main window can show fits in the box, in French and in
// English, and so does each caption beside the boxes in its label: in the face the
// window finds on this system and in Wine's "MS Sans Serif" (what the Windows program gets
// under Wine), at the scale factor the test runs with (QT_SCALE_FACTOR; CTest runs it at
// 1, 1.25, 1.5 and 2). A box that grew stays inside its frame, clear of its neighbours.
#include "analysis/analysis.h"
#include "analysis/display.h"
#include "fake_platform.h"
#include "language_scope.h"
#include "support/temp_dir.h"
#include "ui/controls.h"
#include "ui/header_frm.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QtTest>
#include <functional>
#include <map>
#include <set>

using namespace quantaline;
using namespace quantaline::test;

namespace {

// Each box with the texts it can show: every value the stream's fields can hold, through the
// same presentation as the window (display_texts), one field varied at a time.
struct Box {
    std::string name;
    std::set<std::string> texts;
};

std::vector<Box> every_box_text() {
    using Vary = std::function<void(StreamInfo&)>;
    std::vector<std::pair<Vary, const char*>> variants;
    const auto each = [&variants](const char* box, unsigned count, auto set) {
        for (unsigned code = 0; code < count; ++code) {
            variants.emplace_back([set, code](StreamInfo& info) { set(info, code); }, box);
        }
    };
    // A stream found: its type, and MPEG-2 when its sequence extension was read.
    const auto found = [](StreamInfo& info, bool mpeg2) {
        info.stream_type_text = container_text(mpeg::Container::program);
        info.chroma_format_text = mpeg2 ? std::string(chroma_format_text(1)) : std::string();
        info.mpeg_version_text = mpeg_version_text(info);
    };
    // 12-bit sizes, the 18-bit bit rate in units of 400 bit/s, the 10-bit VBV size in 2 KB.
    each("Label1", 4096, [](StreamInfo& i, unsigned v) { i.horizontal_size = std::int16_t(v); });
    each("Label2", 4096, [](StreamInfo& i, unsigned v) { i.vertical_size = std::int16_t(v); });
    each("Label3", 16,
         [](StreamInfo& i, unsigned c) { i.aspect_ratio_text = aspect_ratio_text(c); });
    each("Label4", 16, [](StreamInfo& i, unsigned c) { i.frame_rate_text = frame_rate_text(c); });
    each("Label5", 1 << 18, [](StreamInfo& i, unsigned v) {
        i.max_bit_rate_kbps = std::int32_t((v * 400 + 500) / 1000);
    });
    each("Label6", 1024,
         [](StreamInfo& i, unsigned v) { i.vbv_buffer_size_kb = std::int32_t(v * 2); });
    for (const auto container :
         {mpeg::Container::elementary, mpeg::Container::program, mpeg::Container::transport}) {
        each("Label7", 3, [container](StreamInfo& i, unsigned version) {
            // No header at all, then a header without and with a sequence extension.
            if (version > 0) {
                i.stream_type_text = container_text(container);
                i.chroma_format_text = version == 2 ? std::string(chroma_format_text(1)) : "";
            }
            i.mpeg_version_text = mpeg_version_text(i);
        });
    }
    each("Label14", 8 * 16 + 1, [found](StreamInfo& i, unsigned c) {
        found(i, c < 8 * 16);
        if (c < 8 * 16) {
            i.profile_text = profile_text(c / 16);
            i.level_text = level_text(c % 16);
        }
    });
    each("Label15", 5, [](StreamInfo& i, unsigned c) {
        i.chroma_format_text = c < 4 ? chroma_format_text(c) : std::string_view{};
    });
    each("Label17", 9, [](StreamInfo& i, unsigned c) {
        i.video_format_text = c < 8 ? video_format_text(c) : std::string_view{};
    });
    each("Label19", 5, [](StreamInfo& i, unsigned c) {
        i.intra_dc_precision_bits = std::int16_t(c == 4 ? 0 : 8 + c);
    });
    each("Label9", 5, [](StreamInfo& i, unsigned c) {
        i.picture_structure_text = c < 4 ? picture_structure_text(c) : std::string_view{};
    });

    std::map<std::string, std::set<std::string>> texts;
    for (const auto& [vary, box] : variants) {
        StreamInfo info;
        vary(info);
        const DisplayTexts shown = display_texts(info);
        const std::pair<const char*, const std::string*> fields[] = {
            {"Label1", &shown.width},          {"Label2", &shown.height},
            {"Label3", &shown.aspect_ratio},   {"Label4", &shown.frame_rate},
            {"Label5", &shown.max_bit_rate},   {"Label6", &shown.vbv_buffer_size},
            {"Label7", &shown.stream_type},    {"Label14", &shown.profile_and_level},
            {"Label15", &shown.chroma_format}, {"Label17", &shown.video_format},
            {"Label19", &shown.dc_precision},  {"Label9", &shown.picture_structure},
        };
        for (const auto& [name, text] : fields) {
            if (std::string_view(name) == std::string_view(box)) {
                texts[name].insert(*text);
            }
        }
    }
    std::vector<Box> boxes;
    for (auto& [name, set] : texts) {
        boxes.push_back({name, std::move(set)});
    }
    return boxes;
}

// The widest of `texts` in the box's font, and that text.
std::pair<double, QString> widest(const QLabel& box, const std::set<std::string>& texts) {
    const QFontMetricsF metrics(box.font(), &box);
    std::pair<double, QString> result{0, QString()};
    for (const std::string& text : texts) {
        const QString shown = QString::fromStdString(text);
        const double width = metrics.horizontalAdvance(shown);
        if (width > result.first) {
            result = {width, shown};
        }
    }
    return result;
}

} // namespace

class ValueBoxesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> home_;

    void check_every_text_fits(const QString& face) {
        for (const Language language : {Language::french, Language::english}) {
            LanguageScope scope(language);
            QVERIFY(scope.ready());
            qInfo("%s", language == Language::french ? "French" : "English");
            check_every_text_fits_in(face);
        }
    }

    void check_every_text_fits_in(const QString& face) {
        AppState state;
        FakePlatform platform;
        Session session(state);
        HeaderFrm window(session, platform);
        window.show();
        const std::vector<Box> boxes = every_box_text();
        QCOMPARE(boxes.size(), std::size_t(12));
        qInfo("scale factor %.2f", window.devicePixelRatioF());
        QStringList faults;
        for (const Box& box : boxes) {
            auto* label = window.findChild<QLabel*>(QString::fromStdString(box.name));
            QVERIFY2(label != nullptr, box.name.c_str());
            QCOMPARE(QFontInfo(label->font()).family(), face);
            const auto [width, text] = widest(*label, box.texts);
            // The text is centred between the borders: what does not fit is cut at both ends.
            const double room = label->contentsRect().width();
            qInfo("%s: \"%s\" %.2f px in %.0f px", box.name.c_str(), qPrintable(text), width, room);
            if (width > room) {
                faults << QStringLiteral("%1: \"%2\" needs %3 px, the box holds %4")
                              .arg(QString::fromStdString(box.name), text)
                              .arg(width)
                              .arg(room);
            }
            // Inside its frame, clear of every other control there.
            const QRect box_rect = label->geometry();
            if (!label->parentWidget()->rect().adjusted(2, 2, -2, -2).contains(box_rect)) {
                faults << QString::fromStdString(box.name) + " leaves its frame";
            }
            for (QWidget* other : label->parentWidget()->findChildren<QWidget*>(
                     QString(), Qt::FindDirectChildrenOnly)) {
                QRect occupied = other->geometry();
                // A caption label is wider than its words: only its text counts.
                if (auto* caption = qobject_cast<QLabel*>(other);
                    caption != nullptr && caption->frameShape() == QFrame::NoFrame &&
                    caption->alignment() & Qt::AlignLeft) {
                    occupied.setWidth(qCeil(QFontMetricsF(caption->font(), caption)
                                                .horizontalAdvance(caption->text())));
                }
                if (other != label && box_rect.intersects(occupied)) {
                    faults << QString::fromStdString(box.name) + " overlaps " + other->objectName();
                }
            }
        }
        // Each caption whole in its own label.
        for (const char* frame : {"Frame2", "Frame3"}) {
            for (auto* caption :
                 window.findChild<QGroupBox*>(QString::fromLatin1(frame))
                     ->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (caption->frameShape() != QFrame::NoFrame) {
                    continue;
                }
                const double width =
                    QFontMetricsF(caption->font(), caption).horizontalAdvance(caption->text());
                if (width > caption->contentsRect().width()) {
                    faults << QStringLiteral("caption %1: \"%2\" needs %3 px, its label holds %4")
                                  .arg(caption->objectName(), caption->text())
                                  .arg(width)
                                  .arg(caption->contentsRect().width());
                }
            }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }

  private slots:
    void initTestCase() {
        home_ = std::make_unique<TempDir>();
        qputenv("HOME", home_->path().string().c_str());
    }

    void every_text_fits_in_the_face_found_here() {
        check_every_text_fits(QFontInfo(ui_font(8.25, false)).family());
    }

    void every_text_fits_in_wine_ms_sans_serif() {
        const QString wine_face = QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf");
        if (!QFile::exists(wine_face)) {
            QSKIP("Wine's fonts are not installed (fonts-wine)");
        }
        const int id = QFontDatabase::addApplicationFont(wine_face);
        QVERIFY(id >= 0);
        check_every_text_fits(QStringLiteral("MS Sans Serif"));
        QFontDatabase::removeApplicationFont(id);
    }
};

QTEST_MAIN(ValueBoxesTest)
#include "tst_value_boxes.moc"
