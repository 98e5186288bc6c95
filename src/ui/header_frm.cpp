#include "ui/header_frm.h"

#include "analysis/display.h"
#include "config/app_info.h"
#include "export/matrix_library.h"
#include "ui/artwork.h"
#include "ui/centre_on_screen.h"
#include "ui/controls.h"
#include "ui/frm_exporter.h"
#include "ui/frm_flux_complet.h"
#include "ui/frm_ouvrir.h"
#include "ui/frm_propos.h"
#include "ui/matrix_grid.h"
#include "ui/matrix_menu.h"
#include "ui/platform.h"
#include "ui/qt_text.h"
#include "ui/report_commands.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>
#include <initializer_list>

namespace quantaline {

namespace {

const char* const note_text = QT_TRANSLATE_NOOP(
    "quantaline::HeaderFrm",
    "Nota :                     Si une matrice est de couleur verte, cela veut dire que c'est "
    "la matrice standard de la norme MPEG qui a été utilisé. Dans ce cas, celle-ci n'est pas "
    "inscrite dans le fichier que  vous venez de lire. Quantaline l'affiche à titre "
    "d'information.");
// The same for the other codecs' lists: green is a list the codec gives, not the file.
const char* const codec_note_text = QT_TRANSLATE_NOOP(
    "quantaline::HeaderFrm",
    "Nota :                     Si une liste est de couleur verte, c'est une liste plate ou "
    "par défaut du codec, ou reprise d'une telle liste. Dans ce cas, celle-ci n'est pas "
    "inscrite dans le fichier que vous venez de lire. Quantaline l'affiche à titre "
    "d'information.");

const char* const help_text = QT_TRANSLATE_NOOP(
    "quantaline::HeaderFrm",
    "Avant d'exporter les matrices, vérifier dans la base de registre la clé corespondant à "
    "CCE (elle doit commencer par 'HKEY_CURRENT_USER\\Software\\Custom Technology\\'    Pour "
    "TMPGEnc, verifiez le dossier d'installation du programme.");

const QColor matrix_change_colour(192, 0, 0);

// Often enough for a smooth bar, seldom enough to cost nothing.
constexpr int poll_interval_ms = 50;

// One parameter: its caption label and its value label, in the frame's coordinates.
struct ParameterRow {
    const char* caption_name;
    const char* caption;
    int caption_rect[4];
    const char* value_name;
    int value_rect[4];
};

constexpr ParameterRow general_rows[] = {
    {"Label11_0", caption::resolution, {150, 450, 1185, 285}, "Label1", {1920, 450, 600, 270}},
    {"Label11_1", caption::times, {2640, 450, 135, 375}, "Label2", {2880, 450, 600, 270}},
    {"Label11_2", caption::aspect_ratio, {150, 825, 1200, 285}, "Label3", {2880, 825, 585, 240}},
    {"Label11_3", caption::frame_rate, {120, 1200, 1800, 285}, "Label4", {2880, 1200, 600, 255}},
    {"Label11_4", caption::max_bit_rate, {75, 1575, 1590, 225}, "Label5", {2880, 1575, 600, 240}},
};

// Two boxes are wider than the layout was drawn with, so that their longest texts
// ("ProfilInconnu@HighLevel1440", "Non-identifié") show whole in the faces used today:
// each grows to the right, within the frame and short of the next caption.
constexpr ParameterRow detail_rows[] = {
    {"Label11_6", caption::stream_type, {75, 375, 1260, 255}, "Label7", {1275, 375, 2250, 240}},
    {"Label13", caption::profile, {75, 825, 735, 255}, "Label14", {1275, 825, 2400, 240}},
    {"Label12", caption::chroma_format, {75, 1275, 1140, 255}, "Label15", {1350, 1275, 660, 240}},
    {"Label11_5", caption::vbv, {2400, 1275, 570, 255}, "Label6", {2925, 1275, 585, 240}},
    {"Label16", caption::video_format, {75, 1650, 1305, 255}, "Label17", {1350, 1650, 1005, 240}},
    {"Label18", caption::dc_precision, {2400, 1650, 510, 255}, "Label19", {2925, 1650, 585, 240}},
    {"lbl_image",
     caption::picture_structure,
     {75, 2100, 1680, 255},
     "Label9",
     {1800, 2100, 1695, 240}},
};

QRect rect_of(const int (&r)[4]) {
    return twips_rect(r[0], r[1], r[2], r[3]);
}

// The look of the window's frames.
void style_frame(QGroupBox* frame, const QString& name, const QRect& rect) {
    frame->setObjectName(name);
    frame->setGeometry(rect);
    frame->setFont(ui_font(9.75, true));
    // The caption sits on the frame's top line, as on the desktop the layout was drawn for:
    // the line runs through the middle of the caption, the controls keep their places.
    const int line = QFontMetrics(frame->font()).height() / 2;
    // A grid with the keyboard's focus shows it in its frame's line.
    frame->setStyleSheet(QStringLiteral("QGroupBox { border: 2px groove palette(mid); "
                                        "margin-top: %1px; }"
                                        "QGroupBox:focus { border: 2px solid palette(highlight); }"
                                        "QGroupBox::title { subcontrol-origin: margin; "
                                        "left: 6px; padding: 0px 2px; }")
                             .arg(line));
}

QGroupBox* add_frame(QWidget* parent, const QString& name, const QString& caption,
                     const QRect& rect) {
    auto* frame = new QGroupBox(caption, parent);
    style_frame(frame, name, rect);
    return frame;
}

// A grid of the window: its first cell bold and centred, the others in the window's font,
// the non-intra grid's left-aligned, until a file is first opened.
MatrixGrid* add_grid(QWidget* parent, const QString& name, const QString& caption,
                     const QRect& rect, const QString& cell_name, bool centred) {
    const MatrixGrid::Cells cells{cell_name, twips_rect(120, 360, 375, 375).topLeft(),
                                  ui_font(9.75, true), default_font(), centred};
    auto* grid = new MatrixGrid(caption, cells, parent);
    style_frame(grid, name, rect);
    return grid;
}

void add_parameter_rows(QWidget* frame, const ParameterRow* rows, std::size_t count) {
    const QPalette system = QApplication::palette();
    for (std::size_t i = 0; i < count; ++i) {
        const ParameterRow& row = rows[i];
        // The "x" between width and height stands out in the frame's font.
        const bool is_times = row.caption == caption::times;
        add_label(frame, row.caption_name, QString::fromUtf8(tr_text("Caption", row.caption)),
                  rect_of(row.caption_rect), is_times ? ui_font(9.75, true) : ui_font(8.25, true));
        QLabel* value = add_bordered_label(frame, row.value_name, QString(),
                                           rect_of(row.value_rect), default_font());
        value->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        set_background(*value, system.color(QPalette::Button));
        set_text_colour(*value, system.color(QPalette::ButtonText));
    }
}

// The keyboard's round through the widgets, in the order given.
void chain_tab_order(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

// A path too long for its box shows its end, the file's name, after an ellipsis; the whole
// path is the box's tooltip and accessible description.
void show_path(QLabel& box, const QString& path) {
    box.setText(box.fontMetrics().elidedText(path, Qt::ElideLeft, box.contentsRect().width()));
    box.setToolTip(path);
    box.setAccessibleDescription(path);
}

} // namespace

HeaderFrm::HeaderFrm(Session& session, Platform& platform, QWidget* parent)
    : QWidget(parent), session_(session), platform_(platform) {
    setObjectName(QStringLiteral("header_frm"));
    setWindowTitle(QString::fromUtf8(app_info::main_window_caption));
    setWindowIcon(program_icon());
    setFont(default_font());
    // The strip of the background read adds its height under the layout, nothing else moves.
    setFixedSize(twips(8010), twips(8340 + stream_strip_twips));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    setAcceptDrops(true);

    auto* ouvrir = add_button(this, QStringLiteral("btc_ouvrir"), tr("Ouvrir un fichier"),
                              twips_rect(120, 75, 1305, 420));
    auto* file_label = add_bordered_label(this, QStringLiteral("Label10"), QString(),
                                          twips_rect(1500, 150, 6465, 300), default_font());
    set_background(*file_label, QColor(255, 255, 255));

    build_frames();
    build_note();
    build_export_buttons();
    LinkLabel* link = build_help_and_link();

    auto* propos = add_button(this, QStringLiteral("btc_propos"), tr("A propos"),
                              twips_rect(5925, 7875, 975, 375));
    auto* quitter = add_button(this, QStringLiteral("btc_quitter"), tr("Quitter"),
                               twips_rect(6975, 7875, 975, 375));

    // The export buttons from the top, then the grids after the buttons.
    chain_tab_order({ouvrir, quitter, export_buttons_[0], export_buttons_[1], export_buttons_[2],
                     export_buttons_[3], propos, lists_box_, intra_grid_, non_intra_grid_});
    build_strip();
    chain_tab_order({non_intra_grid_, cancel_, flux_button_});

    connect(ouvrir, &QPushButton::clicked, this, &HeaderFrm::open_and_display);
    connect(propos, &QPushButton::clicked, this, &HeaderFrm::show_about);
    connect(quitter, &QPushButton::clicked, this, &HeaderFrm::quit);
    connect(link, &LinkLabel::clicked, this, &HeaderFrm::open_web_site);
}

void HeaderFrm::build_note() {
    note_ = add_bordered_label(this, QStringLiteral("Label8"), tr(note_text),
                               twips_rect(3225, 3600, 1530, 2835), default_font());
    note_->setWordWrap(true);
    note_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    set_background(*note_, QColor(255, 255, 255));
    set_text_colour(*note_, QColor(0, 128, 0));
}

void HeaderFrm::build_export_buttons() {
    auto* cce = add_button(this, QStringLiteral("btc_cce"), tr("Exporter les matrices vers CCE"),
                           twips_rect(75, 6750, 3135, 375));
    auto* tmpgenc =
        add_button(this, QStringLiteral("btc_tmpgenc"), tr("Exporter les matrices vers TMPGEnc"),
                   twips_rect(75, 7125, 3135, 375));
    auto* texte =
        add_button(this, QStringLiteral("btc_texte"), tr("Exporter les matrices ( fichier txt)"),
                   twips_rect(75, 7500, 3135, 375));
    auto* imprimer = add_button(this, QStringLiteral("btc_imprimer"), tr("Imprimer les matrices"),
                                twips_rect(75, 7875, 3135, 375));
    export_buttons_ = {cce, tmpgenc, texte, imprimer};
    for (QPushButton* button : export_buttons_) {
        button->setEnabled(false);
    }
    connect(cce, &QPushButton::clicked, this, &HeaderFrm::export_cce);
    connect(tmpgenc, &QPushButton::clicked, this, &HeaderFrm::export_tmpgenc);
    connect(texte, &QPushButton::clicked, this, &HeaderFrm::write_text_report);
    connect(imprimer, &QPushButton::clicked, this, &HeaderFrm::print_report);
}

LinkLabel* HeaderFrm::build_help_and_link() {
    // Faces wider than the one the box was drawn for need five lines where four and a half
    // fit; a slightly tighter spacing keeps the last word of the help text inside the box.
    QFont help_font = default_font();
    help_font.setLetterSpacing(QFont::PercentageSpacing, 96);
    auto* help = add_bordered_label(this, QStringLiteral("Label20"), tr(help_text),
                                    twips_rect(3375, 6750, 4515, 915), help_font);
    help->setWordWrap(true);
    help->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* link =
        add_link_label(this, QStringLiteral("Label21"), QString::fromUtf8(app_info::web_address),
                       twips_rect(3525, 7950, 2115, 240), ui_font(8.25, false, true));
    set_text_colour(*link, QColor(0, 0, 255));
    return link;
}

HeaderFrm::~HeaderFrm() {
    delete about_.data();
    delete flux_.data();
}

FrmFluxComplet* HeaderFrm::flux_complet_window() const {
    return flux_.data();
}

void HeaderFrm::build_strip() {
    const int top = 8340;
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("pb_flux"));
    progress_->setGeometry(twips_rect(75, top + 60, 4395, 375));
    progress_->setRange(0, 1000);
    progress_->setFormat(tr("Lecture du flux complet : %p %"));
    progress_->setAccessibleName(tr("Lecture du flux complet"));
    progress_->hide();

    read_status_ = add_label(this, QStringLiteral("lbl_flux"), QString(),
                             twips_rect(75, top + 60, 4395, 375), default_font());
    // A label's text is what a screen reader reads; the description tells what it is.
    read_status_->setAccessibleDescription(tr("État de la lecture du flux complet"));

    cancel_ = add_button(this, QStringLiteral("btc_annuler"), tr("Annuler"),
                         twips_rect(4545, top + 60, 1305, 375));
    cancel_->setAccessibleDescription(tr("Arrête la lecture du flux complet"));
    cancel_->setEnabled(false);
    flux_button_ = add_button(this, QStringLiteral("btc_flux_complet"), tr("Flux complet…"),
                              twips_rect(5925, top + 60, 2010, 375));
    flux_button_->setAccessibleDescription(
        tr("Ouvre la fenêtre du flux complet : résumé, graphe des images, jeux de matrices"));
    flux_button_->setEnabled(false);

    // The notes at the left, the verdict of the check at the right.
    read_note_ = add_label(this, QStringLiteral("lbl_flux_note"), QString(),
                           twips_rect(75, top + 480, 5160, 300), ui_font(8.25, true));
    read_note_->setAccessibleDescription(tr("Remarques sur le flux complet"));
    conformance_ = add_label(this, QStringLiteral("lbl_conformite"), QString(),
                             twips_rect(5310, top + 480, 2625, 300), ui_font(8.25, true));
    conformance_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    conformance_->setAccessibleDescription(tr("Conformité du flux à son profil"));

    poll_timer_ = new QTimer(this);
    poll_timer_->setInterval(poll_interval_ms);
    connect(poll_timer_, &QTimer::timeout, this, &HeaderFrm::follow_stream_read);
    connect(cancel_, &QPushButton::clicked, this, &HeaderFrm::cancel_stream_read);
    connect(flux_button_, &QPushButton::clicked, this, &HeaderFrm::show_flux_complet);
}

void HeaderFrm::start_stream_read() {
    // The lists' window shows one file's walk: another file's read closes it.
    if (!flux_.isNull() && flux_->shows_lists()) {
        flux_->close();
    }
    session_.start_stream_read();
    read_note_->clear();
    read_note_->setToolTip(QString());
    conformance_->clear();
    flux_button_->setEnabled(false);
    const bool reading = session_.read_state(Session::Read::stream) == Session::ReadState::reading;
    read_status_->setText(QString());
    read_status_->setVisible(!reading);
    progress_->setFormat(tr("Lecture du flux complet : %p %"));
    progress_->setAccessibleName(tr("Lecture du flux complet"));
    progress_->setValue(0);
    progress_->setVisible(reading);
    cancel_->setEnabled(reading);
    if (reading) {
        poll_timer_->start();
    } else {
        poll_timer_->stop();
    }
}

void HeaderFrm::follow_stream_read() {
    // The headers' read, then the macroblocks': the strip follows whichever the session runs.
    const Session::ReadStatus status = session_.poll(session_.stream_phase());
    if (status.ended) {
        show_stream_read_end();
    } else if (status.state == Session::ReadState::reading) {
        progress_->setValue(status.per_mille);
    } else {
        poll_timer_->stop();
    }
}

void HeaderFrm::cancel_stream_read() {
    session_.cancel(session_.stream_phase());
    cancel_->setEnabled(false);
}

void HeaderFrm::show_stream_read_end() {
    const StreamReadTexts texts = session_.stream_read_texts();
    // The headers are read: the macroblocks follow with their own progress, and the status
    // waits for their end.
    const bool quantiser =
        session_.read_state(Session::Read::quantiser) == Session::ReadState::reading;
    progress_->setFormat(quantiser ? tr("Lecture des macroblocs : %p %")
                                   : tr("Lecture du flux complet : %p %"));
    progress_->setAccessibleName(quantiser ? tr("Lecture des macroblocs")
                                           : tr("Lecture du flux complet"));
    progress_->setValue(quantiser ? session_.read_per_mille(Session::Read::quantiser) : 0);
    progress_->setVisible(quantiser);
    cancel_->setEnabled(quantiser);
    if (!quantiser) {
        poll_timer_->stop();
    }
    QString status = QString::fromStdString(texts.status);
    if (session_.matrix_set_in_use() != 0) {
        status += tr(" (jeu %1 affiché)").arg(session_.matrix_set_in_use());
    }
    read_status_->setText(quantiser ? QString() : status);
    read_status_->setVisible(!quantiser);
    // The change of matrices first, in red: it is what the first header cannot tell; the
    // damage follows, whole in the tooltip.
    QStringList notes;
    if (!texts.change.empty()) {
        notes << QString::fromStdString(texts.change);
    }
    for (const std::string& damage : texts.damage) {
        notes << QString::fromStdString(damage);
    }
    const QString note = notes.join(QStringLiteral(" ; "));
    set_text_colour(*read_note_, texts.change.empty() ? QColor(0, 0, 0) : matrix_change_colour);
    read_note_->setText(read_note_->fontMetrics().elidedText(note, Qt::ElideRight,
                                                             read_note_->contentsRect().width()));
    read_note_->setToolTip(note);
    read_note_->setAccessibleDescription(note);
    set_text_colour(*conformance_,
                    texts.conformance_fault ? matrix_change_colour : QColor(0, 0, 0));
    conformance_->setText(QString::fromStdString(texts.conformance));
    const mpeg::ScanResult* result = session_.whole_stream();
    const CodecScan* lists = session_.codec_stream();
    flux_button_->setEnabled((result != nullptr && result->pictures != 0) ||
                             (lists != nullptr && !lists->sets.empty()));
    if (!flux_.isNull()) {
        flux_->show_stream();
    }
}

void HeaderFrm::show_flux_complet() {
    if (session_.codec_stream() == nullptr && session_.whole_stream() == nullptr) {
        return;
    }
    if (flux_.isNull()) {
        flux_ = new FrmFluxComplet(session_, platform_, this);
        connect(flux_, &FrmFluxComplet::matrix_set_chosen, this, [this] {
            display_matrices();
            show_stream_read_end();
        });
        connect(flux_, &FrmFluxComplet::profile_chosen, this, &HeaderFrm::show_stream_read_end);
    }
    flux_->show();
    flux_->raise();
    flux_->activateWindow();
}

void HeaderFrm::build_frames() {
    auto* general =
        add_frame(this, QStringLiteral("Frame2"), tr("Général"), twips_rect(75, 600, 3735, 2070));
    add_parameter_rows(general, general_rows, std::size(general_rows));
    auto* detail =
        add_frame(this, QStringLiteral("Frame3"), tr("Détail "), twips_rect(4200, 600, 3735, 2520));
    add_parameter_rows(detail, detail_rows, std::size(detail_rows));

    intra_grid_ = add_grid(this, QStringLiteral("cd_matrice1_1"), tr("Matrice Intra-block"),
                           twips_rect(75, 3300, 3135, 3375), QStringLiteral("mat1"), true);
    non_intra_grid_ = add_grid(this, QStringLiteral("Frame1"), tr("Matrice non Intra-block"),
                               twips_rect(4800, 3300, 3135, 3375), QStringLiteral("mat2"), false);

    // The lists of the other codecs, hidden for MPEG-1/2 files.
    lists_caption_ = add_label(this, QStringLiteral("lbl_listes"), tr("Listes :"),
                               twips_rect(75, 2805, 900, 300), ui_font(8.25, true));
    lists_box_ = new QComboBox(this);
    lists_box_->setObjectName(QStringLiteral("cb_listes"));
    lists_box_->setGeometry(twips_rect(975, 2760, 2235, 360));
    lists_box_->setFont(default_font());
    lists_box_->setAccessibleName(tr("Listes affichées"));
    lists_box_->setAccessibleDescription(
        tr("Choisit les listes de quantification que montrent les deux grilles"));
    lists_caption_->setBuddy(lists_box_);
    lists_caption_->hide();
    lists_box_->hide();
    dc_label_ = add_label(this, QStringLiteral("lbl_dc"), QString(),
                          twips_rect(3225, 3150, 1530, 420), ui_font(8.25, true));
    dc_label_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    dc_label_->hide();
    connect(lists_box_, &QComboBox::currentIndexChanged, this, [this](int index) {
        session_.show_list_pair(static_cast<std::size_t>(index));
        display_list_pair();
    });

    // The grids' menu once a file's matrices are shown.
    const auto file_shown = [this] {
        const CodecAnalysis* codec = session_.codec();
        return session_.has_stream() && (codec == nullptr || !codec->lists.empty());
    };
    attach_matrix_menu(intra_grid_, intra_grid_->cells(), MatrixKind::intra, session_, platform_,
                       file_shown);
    attach_matrix_menu(non_intra_grid_, non_intra_grid_->cells(), MatrixKind::non_intra, session_,
                       platform_, file_shown);
}

FrmPropos& HeaderFrm::about_box() {
    if (about_.isNull()) {
        about_ = new FrmPropos(platform_, this);
    }
    return *about_;
}

void HeaderFrm::normalise_grid_style() {
    intra_grid_->take_first_cell_style();
    non_intra_grid_->take_first_cell_style();
}

void HeaderFrm::open_and_display() {
    // The default matrices are constant tables: there is nothing to fill before the
    // dialog.
    normalise_grid_style();
    OpenChoice choice;
    {
        FrmOuvrir dialog(session_.state(), platform_, this);
        dialog.exec();
        choice = dialog.choice();
    }
    platform_.process_events();
    if (choice.open_cancelled) {
        return;
    }
    analyse_and_display(choice.file_path);
}

void HeaderFrm::open_file(const std::string& path) {
    normalise_grid_style();
    session_.remember_folder_of(path);
    platform_.show_hourglass();
    analyse_and_display(path);
}

void HeaderFrm::analyse_and_display(const std::string& path) {
    intra_grid_->set_origin(true);
    non_intra_grid_->set_origin(true);
    // The window of the previous file shows a result that goes with it.
    delete flux_.data();
    for (const Message& message : session_.open(path)) {
        platform_.show_message(this, message);
    }
    display_analysis();
    platform_.show_arrow();
    start_stream_read();
}

void HeaderFrm::display_analysis() {
    const AppState& state = session_.state();
    const DisplayTexts texts = session_.codec() != nullptr ? codec_display_texts(*session_.codec())
                                                           : display_texts(state.stream_info);
    const auto set = [this](const char* name, const std::string& text) {
        findChild<QLabel*>(QString::fromLatin1(name))->setText(QString::fromStdString(text));
    };
    set("Label1", texts.width);
    set("Label2", texts.height);
    set("Label3", texts.aspect_ratio);
    set("Label4", texts.frame_rate);
    set("Label5", texts.max_bit_rate);
    set("Label6", texts.vbv_buffer_size);
    set("Label7", texts.stream_type);
    set("Label14", texts.profile_and_level);
    set("Label15", texts.chroma_format);
    set("Label17", texts.video_format);
    // What the codecs' header says beyond the window's fields: the colour description and
    // the HDR metadata, in the video format's tooltip.
    QString more;
    if (session_.codec() != nullptr) {
        for (const SummaryLine& line : codec_header_lines(session_.codec()->header)) {
            more += QString::fromStdString((more.isEmpty() ? "" : "\n") + line.caption + " " +
                                           line.value);
        }
    }
    auto* format = findChild<QLabel*>(QStringLiteral("Label17"));
    format->setToolTip(more);
    format->setAccessibleDescription(more);
    // A codec's profile may be longer than its box ("Format Range Extensions@6.2 (High
    // tier)"): whole in the tooltip.
    findChild<QLabel*>(QStringLiteral("Label14"))
        ->setToolTip(session_.codec() != nullptr ? QString::fromStdString(texts.profile_and_level)
                                                 : QString());
    show_path(*findChild<QLabel*>(QStringLiteral("Label10")),
              QString::fromStdString(state.file_path));
    set("Label19", texts.dc_precision);
    set("Label9", texts.picture_structure);
    display_matrices();
}

void HeaderFrm::enable_exports() {
    const CodecAnalysis* codec = session_.codec();
    for (std::size_t i = 0; i < export_buttons_.size(); ++i) {
        // Without a sequence header there is nothing to export or print; the other codecs
        // say why their matrices cannot go where MPEG-2 matrices go.
        const std::string refusal =
            codec == nullptr ? std::string()
                             : (i < 2 ? mpeg2_export_refusal(*codec) : report_refusal(*codec));
        QPushButton* button = export_buttons_[i];
        button->setEnabled(session_.has_stream() && refusal.empty());
        button->setToolTip(QString::fromStdString(refusal));
        button->setAccessibleDescription(QString::fromStdString(refusal));
    }
}

void HeaderFrm::display_codec_lists() {
    const std::vector<ListPair>& pairs = session_.list_pairs();
    // Filled without a choice made: the session's pair is the one shown.
    const QSignalBlocker filling(lists_box_);
    lists_box_->clear();
    for (const ListPair& pair : pairs) {
        lists_box_->addItem(QString::fromStdString(pair.label));
    }
    lists_box_->setCurrentIndex(static_cast<int>(session_.list_pair_shown()));
    lists_box_->setVisible(!pairs.empty());
    lists_caption_->setVisible(!pairs.empty());
    display_list_pair();
    enable_exports();
}

void HeaderFrm::display_list_pair() {
    const CodecAnalysis* codec = session_.codec();
    if (codec == nullptr) {
        return;
    }
    // A grid without a list: H.263 quantisation, or lists that could not be read.
    const QStringList dc =
        show_list_pair({intra_grid_, non_intra_grid_}, *codec,
                       {session_.shown_list(true), session_.shown_list(false)},
                       codec->mpeg4 ? tr("Sans matrice : quantification H.263") : QString());
    dc_label_->setText(dc.join(QLatin1Char('\n')));
    dc_label_->setAccessibleDescription(tr("Valeurs DC des listes 16x16 et 32x32"));
    dc_label_->setVisible(!dc.isEmpty());
}

void HeaderFrm::display_matrices() {
    note_->setText(tr(session_.codec() != nullptr ? codec_note_text : note_text));
    if (session_.codec() != nullptr) {
        display_codec_lists();
        return;
    }
    lists_box_->hide();
    {
        const QSignalBlocker emptying(lists_box_);
        lists_box_->clear();
    }
    lists_caption_->hide();
    dc_label_->hide();
    intra_grid_->setAccessibleDescription(QString());
    non_intra_grid_->setAccessibleDescription(QString());
    const QuantMatrixPair& matrices = session_.state().matrices;
    // The colour follows the origin flag, not the values: a file may carry the default.
    intra_grid_->show_matrix(matrices.intra, matrices.intra_from_stream);
    non_intra_grid_->show_matrix(matrices.non_intra, matrices.non_intra_from_stream);
    enable_exports();

    const MatrixLibrary library = session_.known_matrices(user_matrix_folder());
    const auto tooltip = [&library](const mpeg::Matrix& matrix, MatrixKind kind) {
        return QString::fromStdString(
            matrix_match_text(nearest_matrix(library.entries, matrix, kind)));
    };
    set_grid_tooltip(intra_grid_, intra_grid_->cells(), tooltip(matrices.intra, MatrixKind::intra));
    set_grid_tooltip(non_intra_grid_, non_intra_grid_->cells(),
                     tooltip(matrices.non_intra, MatrixKind::non_intra));
    for (const Message& message : library.messages) {
        platform_.show_message(this, message);
    }
}

void HeaderFrm::export_cce() {
    export_to(this, session_, platform_, ExportTarget::cce);
}

void HeaderFrm::export_tmpgenc() {
    export_to(this, session_, platform_, ExportTarget::tmpgenc);
}

void HeaderFrm::write_text_report() {
    write_text_report_command(this, session_.state(), platform_);
}

void HeaderFrm::print_report() {
    quantaline::print_report(this, session_.state(), platform_);
}

void HeaderFrm::show_about() {
    FrmPropos& about = about_box();
    about.exec();
}

void HeaderFrm::quit() {
    session_.quit();
    platform_.end_program();
}

void HeaderFrm::open_web_site() {
    platform_.open_target(this, app_info::web_address, std::string());
}

void HeaderFrm::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void HeaderFrm::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) {
        return;
    }
    event->acceptProposedAction();
    open_file(path_bytes(urls.front().toLocalFile()));
}

void HeaderFrm::closeEvent(QCloseEvent* event) {
    // Every close request (close box, system menu, session end) quits; none is refused.
    event->accept();
    quit();
}

} // namespace quantaline
