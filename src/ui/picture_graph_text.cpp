#include "check/texts.h"
#include "session/whole_stream.h"
#include "ui/picture_graph.h"
#include "ui/picture_graph_parts.h"

// What the graph says of itself: a picture's line, the view, the description assistive
// technology reads.

namespace quantaline {

QString PictureGraph::picture_text(std::size_t index) const {
    if (index >= picture_count()) {
        return {};
    }
    const mpeg::PictureRecord& p = result_->picture_records[index];
    QString text = tr("Image %1 : %2, %3 octets")
                       .arg(grouped(p.index), type_name(p.picture_coding_type), grouped(p.bytes));
    if (p.matrix_set != 0) {
        text += tr(", jeu %1").arg(p.matrix_set);
    }
    if (result_->quantiser_read && p.quantiser.read) {
        text += (slice_qp_ ? tr(", QP des tranches moyen %1 (min %2, max %3)")
                           : tr(", quantificateur moyen %1 (min %2, max %3)"))
                    .arg(QString::fromStdString(
                             quantiser_average_text(p.quantiser.quantiser_average_hundredths)),
                         QString::number(p.quantiser.quantiser_min),
                         QString::number(p.quantiser.quantiser_max));
    }
    if (shows_rate()) {
        text += tr(", à %1").arg(QString::fromStdString(check::time_text(timeline_->times[index])));
    }
    if (const check::PictureBuffer* b = shows_buffer() ? buffer_->at(index) : nullptr) {
        text += tr(", tampon %1 %2 kbit")
                    .arg(buffer_name(),
                         grouped(static_cast<std::uint64_t>(std::llround(b->occupancy / 1000))));
        if (b->underflow) {
            text += tr(" (sous-alimentation)");
        } else if (b->overflow) {
            text += tr(" (débordement)");
        }
    }
    return text;
}

// What the bars show, for assistive technology.
QString PictureGraph::view_text() const {
    const std::size_t n = picture_count();
    if (view_ == View::bit_rate && shows_rate()) {
        return tr("Débit de chaque seconde en kbit/s le long du flux, %1 images ; en pointillés "
                  "le débit moyen (%2 kbit/s) et le débit maximum de l'en-tête (%3 kbit/s).")
            .arg(grouped(n), grouped(static_cast<std::uint64_t>(std::llround(average_kbits()))),
                 grouped(static_cast<std::uint64_t>(std::llround(header_kbits()))));
    }
    if (view_ == View::group_bytes && shows_rate()) {
        return tr("Taille de chaque groupe d'images en octets le long du flux, %1 groupes.")
            .arg(grouped(timeline_->group_starts.size()));
    }
    return tr("Taille de chaque image en octets le long du flux, %1 images ; "
              "I en rouge, P en bleu, B en vert, D en gris.")
        .arg(grouped(n));
}

QString PictureGraph::description() const {
    const std::size_t n = picture_count();
    if (n == 0) {
        return tr("Aucune image.");
    }
    QString text = view_text();
    if (shows_quantiser() && slice_qp_) {
        text += tr(" En orange, dans la bande du bas, le QP des tranches de chaque image, moyen, "
                   "et sa bande du minimum au maximum (0 à %1).")
                    .arg(pyramid_.quantiser_top());
    } else if (shows_quantiser()) {
        text += tr(" En orange, dans la bande du bas, le quantificateur moyen de chaque image et "
                   "sa bande du minimum au maximum (0 à %1). Un clic ou Entrée montre les "
                   "macroblocs de l'image.")
                    .arg(pyramid_.quantiser_top());
    }
    if (shows_buffer()) {
        std::uint64_t underflows = 0;
        std::uint64_t overflows = 0;
        for (const check::PictureBuffer& p : buffer_->pictures) {
            underflows += p.underflow ? 1 : 0;
            overflows += p.overflow ? 1 : 0;
        }
        text +=
            tr(" En bleu-vert, l'occupation du tampon %1 sur l'axe de droite en kbit, sa "
               "taille (%2 kbit) en pointillés ; images en sous-alimentation : %3, en "
               "débordement : %4.")
                .arg(buffer_name(),
                     grouped(static_cast<std::uint64_t>(std::llround(buffer_->buffer_size / 1000))),
                     grouped(underflows), grouped(overflows));
    }
    QStringList marks;
    for (const mpeg::MatrixChange& change : result_->changes) {
        if (change.picture && *change.picture < n && *change.picture != 0) {
            marks << tr("image %1 (jeu %2)")
                         .arg(grouped(*change.picture))
                         .arg(result_->picture_records[*change.picture].matrix_set);
            if (marks.size() == 20) {
                marks << QStringLiteral("…");
                break;
            }
        }
    }
    if (!marks.isEmpty()) {
        text += tr(" Changements de jeu de matrices : ") + marks.join(QStringLiteral(", ")) +
                QLatin1Char('.');
    }
    const auto last = static_cast<std::uint64_t>(std::max(first_, first_ + count_ - 1));
    text += tr(" Affichées : images %1 à %2.")
                .arg(grouped(static_cast<std::uint64_t>(first_)), grouped(last));
    if (shows_rate()) {
        text += tr(" De %1 à %2.")
                    .arg(QString::fromStdString(
                             check::time_text(timeline_->times[static_cast<std::size_t>(first_)])),
                         QString::fromStdString(check::time_text(timeline_->times[last])));
    }
    return text;
}

} // namespace quantaline
