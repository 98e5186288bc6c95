#include "io/message.h"

#include "io/text.h"

#include <array>
#include <cassert>
#include <utility>

namespace quantaline {

namespace {

struct TextEntry {
    TextId id;
    const char* french;
};

// Every piece in French, in the order of TextId. The translations are keyed by these
// texts in the "Message" context.
constexpr std::array<TextEntry, text_id_count> texts = {{
    {TextId::literal, ""},
    {TextId::inside_start_code, TR_NOOP_TEXT("Message", "au milieu d'un code de début")},
    {TextId::inside_pack_header, TR_NOOP_TEXT("Message", "au milieu d'un en-tête de pack")},
    {TextId::inside_packet_header, TR_NOOP_TEXT("Message", "au milieu d'un en-tête de paquet")},
    {TextId::inside_packet, TR_NOOP_TEXT("Message", "au milieu d'un paquet")},
    {TextId::inside_video_packet, TR_NOOP_TEXT("Message", "au milieu d'un paquet de la vidéo")},
    {TextId::inside_transport_packet,
     TR_NOOP_TEXT("Message", "au milieu d'un paquet de transport")},
    {TextId::not_a_regular_file, TR_NOOP_TEXT("Message", "Ce n'est pas un fichier ordinaire")},
    // The C library speaks English unless a French locale is installed and chosen; the
    // reasons of a failed save are few, so they are spelled out here.
    {TextId::permission_denied, TR_NOOP_TEXT("Message", "Permission non accordée")},
    {TextId::operation_not_permitted, TR_NOOP_TEXT("Message", "Opération non permise")},
    {TextId::no_such_file_or_directory,
     TR_NOOP_TEXT("Message", "Aucun fichier ou dossier de ce nom")},
    {TextId::no_space_on_device, TR_NOOP_TEXT("Message", "Plus de place sur le disque")},
    {TextId::read_only_file_system,
     TR_NOOP_TEXT("Message", "Système de fichiers en lecture seule")},
    {TextId::is_a_directory, TR_NOOP_TEXT("Message", "C'est un dossier")},
    {TextId::not_a_directory, TR_NOOP_TEXT("Message", "Un élément du chemin n'est pas un dossier")},
    {TextId::filename_too_long, TR_NOOP_TEXT("Message", "Nom de fichier trop long")},
    {TextId::io_error, TR_NOOP_TEXT("Message", "Erreur d'entrée/sortie")},
    {TextId::device_or_resource_busy, TR_NOOP_TEXT("Message", "Fichier ou périphérique occupé")},
    {TextId::file_exists, TR_NOOP_TEXT("Message", "Le fichier existe déjà")},
    {TextId::too_many_files_open, TR_NOOP_TEXT("Message", "Trop de fichiers ouverts")},
    {TextId::directory_not_empty, TR_NOOP_TEXT("Message", "Le dossier n'est pas vide")},
    {TextId::cross_device_link,
     TR_NOOP_TEXT("Message", "Déplacement impossible entre deux disques")},
    {TextId::file_too_large, TR_NOOP_TEXT("Message", "Fichier trop volumineux")},
    {TextId::file_not_written,
     TR_NOOP_TEXT("Message", "Le fichier [%1] n'a pas pu être écrit : %2.")},
    {TextId::line_break,
     TR_NOOP_TEXT("Message", "Le nom de l'enregistrement et la clé ne doivent pas contenir de "
                             "retour à la ligne. Rien n'a été écrit.")},
    {TextId::library_line, TR_NOOP_TEXT("Message", "ligne %1 : %2")},
    {TextId::library_too_large, TR_NOOP_TEXT("Message", "fichier trop grand")},
    {TextId::library_unreadable, TR_NOOP_TEXT("Message", "lecture impossible")},
    {TextId::library_too_many_lines, TR_NOOP_TEXT("Message", "plus de 16 lignes de valeurs")},
    {TextId::library_eight_values_expected,
     TR_NOOP_TEXT("Message", "8 valeurs de 1 à 255 séparées par des virgules attendues")},
    {TextId::library_more_than_eight_values, TR_NOOP_TEXT("Message", "plus de 8 valeurs")},
    {TextId::library_one_value, TR_NOOP_TEXT("Message", "%1 valeur au lieu de 8")},
    {TextId::library_values, TR_NOOP_TEXT("Message", "%1 valeurs au lieu de 8")},
    {TextId::library_line_count, TR_NOOP_TEXT("Message", "%1 lignes de valeurs au lieu de 16")},
    {TextId::tmpgenc_unreadable,
     TR_NOOP_TEXT("Message", "Le fichier [%1] est introuvable ou illisible. Vérifiez le chemin "
                             "de TMPGEnc.")},
    {TextId::tmpgenc_no_section,
     TR_NOOP_TEXT("Message", "Le fichier [%1] ne contient pas de section %2.")},
    {TextId::tmpgenc_bad_count_line,
     TR_NOOP_TEXT("Message", "Dans le fichier [%1], la ligne qui suit %2 n'est pas de la forme "
                             "Count=nombre.")},
    {TextId::configuration_read_failed, TR_NOOP_TEXT("Message", "une lecture a échoué")},
    {TextId::configuration_truncated,
     TR_NOOP_TEXT("Message", "le fichier s'arrête au milieu d'une structure du conteneur")},
    {TextId::configuration_damaged,
     TR_NOOP_TEXT("Message", "une structure du conteneur est endommagée")},
    {TextId::configuration_too_large,
     TR_NOOP_TEXT("Message", "une structure du conteneur est trop grande pour être lue")},
    {TextId::configuration_missing,
     TR_NOOP_TEXT("Message", "la vidéo ne porte aucun jeu de paramètres avant sa première image")},
    {TextId::no_sequence_parameter_set,
     TR_NOOP_TEXT("Message", "aucun jeu de paramètres de séquence")},
    {TextId::damaged_sequence_parameter_set,
     TR_NOOP_TEXT("Message", "le jeu de paramètres de séquence est endommagé")},
    {TextId::no_picture_parameter_set,
     TR_NOOP_TEXT("Message", "aucun jeu de paramètres d'image ne se rapporte à la séquence")},
    {TextId::damaged_picture_parameter_set,
     TR_NOOP_TEXT("Message", "le jeu de paramètres d'image est endommagé")},
    {TextId::unsupported_layer,
     TR_NOOP_TEXT("Message", "la vidéo a une couche ou une forme que le programme ne lit pas")},
}};

struct MessageEntry {
    MessageId id;
    Icon icon;
    const char* title;
    const char* text;
    Buttons buttons = Buttons::ok;
    Button default_button = Button::ok;
};

// Every message in French, in the order of MessageId. These titles and texts, their
// spelling included ("cer...", "Problême(s)", "déja", "correcte", "crée", "Matrice
// sauvegardées", "peripherique"), are the ones users know (kept on purpose:
// docs/compatibility.md).
constexpr std::array<MessageEntry, message_id_count> messages = {{
    {MessageId::header_unreadable, Icon::critical,
     TR_NOOP_TEXT("Message", "impossible de lire le fichier..."),
     TR_NOOP_TEXT("Message", "Une erreur s'est produite à la lecture du fichier, cer...")},
    {MessageId::header_doubtful, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Problême(s) en lisant l'entête du fichier..."),
     TR_NOOP_TEXT("Message",
                  "Une erreur s'est produite à la lecture du fichier, Quantaline n'a pas pu "
                  "décrypter correctement les informations.\r\nLes données affichées sont "
                  "peut-être fausses. Il est déconseillé d'exporter les matrices dans ce cas ")},
    {MessageId::no_sequence_header, Icon::information,
     TR_NOOP_TEXT("Message", "Aucune séquence MPEG..."),
     TR_NOOP_TEXT("Message", "Aucun en-tête de séquence MPEG n'a été trouvé dans les 300000 "
                             "premiers octets du fichier. Les matrices affichées sont celles de "
                             "la norme MPEG.")},
    {MessageId::no_transport_sequence_header, Icon::information,
     TR_NOOP_TEXT("Message", "Aucune séquence MPEG..."),
     TR_NOOP_TEXT("Message", "Aucun en-tête de séquence MPEG n'a été trouvé dans les 16 premiers "
                             "Mio du fichier. Les matrices affichées sont celles de la norme "
                             "MPEG.")},
    {MessageId::scan_no_video, Icon::exclamation, TR_NOOP_TEXT("Message", "Aucune vidéo MPEG"),
     TR_NOOP_TEXT("Message",
                  "Aucun en-tête de séquence vidéo MPEG n'a été trouvé dans le fichier.")},
    {MessageId::scan_unreadable, Icon::critical,
     TR_NOOP_TEXT("Message", "impossible de lire le fichier..."),
     TR_NOOP_TEXT("Message", "Le fichier ne peut pas être ouvert.")},
    {MessageId::scan_stopped, Icon::exclamation, TR_NOOP_TEXT("Message", "Fichier incomplet"),
     TR_NOOP_TEXT("Message", "Le fichier s'arrête à l'octet %1, %2 ; l'analyse porte sur ce qui "
                             "précède.")},
    {MessageId::scan_read_error, Icon::critical,
     TR_NOOP_TEXT("Message", "impossible de lire le fichier..."),
     TR_NOOP_TEXT("Message",
                  "Erreur de lecture à l'octet %1 ; l'analyse porte sur ce qui précède.")},
    {MessageId::scan_interrupted, Icon::information, TR_NOOP_TEXT("Message", "Analyse interrompue"),
     TR_NOOP_TEXT("Message", "Analyse interrompue à l'octet %1 ; les résultats portent sur ce "
                             "qui précède.")},
    {MessageId::scan_damaged_structures, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Structure(s) endommagée(s)"),
     TR_NOOP_TEXT("Message", "%1 structure(s) endommagée(s) ignorée(s) ; la première : %2 à "
                             "l'octet %3.")},
    {MessageId::scan_resync, Icon::exclamation, TR_NOOP_TEXT("Message", "Données endommagées"),
     TR_NOOP_TEXT("Message", "Synchronisation perdue %1 fois, la première à l'octet %2 ; %3 "
                             "octet(s) ignoré(s).")},
    {MessageId::scan_continuity, Icon::exclamation, TR_NOOP_TEXT("Message", "Paquets perdus"),
     TR_NOOP_TEXT("Message", "%1 discontinuité(s) dans les paquets de la vidéo (PID %2).")},
    {MessageId::scan_dropped_before_tables, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Paquets perdus"),
     TR_NOOP_TEXT("Message", "%1 paquet(s) de la vidéo reçu(s) avant les tables des programmes "
                             "ignoré(s), le premier à l'octet %2.")},
    {MessageId::scan_read_without_tables, Icon::information,
     TR_NOOP_TEXT("Message", "Tables des programmes absentes"),
     TR_NOOP_TEXT("Message", "Aucune table des programmes : la vidéo est lue sur le PID %1")},
    {MessageId::scan_scrambled, Icon::exclamation, TR_NOOP_TEXT("Message", "Vidéo chiffrée"),
     TR_NOOP_TEXT("Message",
                  "%1 paquet(s) de la vidéo chiffré(s) ignoré(s), le premier à l'octet %2.")},
    {MessageId::scan_forbidden_type, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Données endommagées"),
     TR_NOOP_TEXT("Message", "%1 image(s) d'un type interdit, la première à l'octet %2.")},
    {MessageId::damaged_slices, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Tranche(s) endommagée(s)"),
     TR_NOOP_TEXT("Message", "%1 image(s) endommagée(s) ; la première : image %2 à l'octet %3.")},
    {MessageId::damaged_slices_in_slice, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Tranche(s) endommagée(s)"),
     TR_NOOP_TEXT("Message", "%1 image(s) endommagée(s) ; la première : image %2 à l'octet %3, "
                             "tranche %4 après %5 macrobloc(s) lu(s).")},
    {MessageId::no_such_picture, Icon::exclamation, TR_NOOP_TEXT("Message", "Image introuvable"),
     TR_NOOP_TEXT("Message",
                  "Le fichier n'a pas d'image %1 lisible après un en-tête de séquence.")},
    {MessageId::already_running, Icon::exclamation, TR_NOOP_TEXT("Message", "Doublon..."),
     TR_NOOP_TEXT("Message", "Quantaline est déja en cours d'exécution !")},
    {MessageId::drive_unavailable, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Erreur d'accès au périphérique"),
     TR_NOOP_TEXT("Message", "Le peripherique n'est pas disponible")},
    {MessageId::configuration_not_saved, Icon::critical,
     TR_NOOP_TEXT("Message", "Configuration non enregistrée..."),
     TR_NOOP_TEXT("Message", "%1 La configuration n'a pas été enregistrée.")},
    {MessageId::cce_default_values, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Exporter les matrices vers CCE..."),
     TR_NOOP_TEXT("Message",
                  "Attention, les informations qui vont suivre sont des valeurs par défaut "
                  ":\r\nVérifiez bien que la clé de la base de registre de CCE soit conforme à "
                  "votre configuration !"),
     Buttons::ok_cancel, Button::cancel},
    {MessageId::tmpgenc_running, Icon::information,
     TR_NOOP_TEXT("Message", "Exporter les matrices vers TMPGEnc ..."),
     TR_NOOP_TEXT("Message", "Attention, TMPGEnc ne doit pas être en cours d'exécution"),
     Buttons::ok_cancel, Button::ok},
    {MessageId::tmpgenc_default_values, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Exporter les matrices ..."),
     TR_NOOP_TEXT("Message",
                  "Attention, les informations qui vont suivre sont des valeurs par défaut "
                  ":\r\nVérifiez que le chemin d'accès à TMPGEnc est correcte !"),
     Buttons::ok_cancel, Button::cancel},
    {MessageId::line_break_refused, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Exportation impossible..."),
     TR_NOOP_TEXT("Message", "Le nom de l'enregistrement et la clé ne doivent pas contenir de "
                             "retour à la ligne. Rien n'a été écrit.")},
    {MessageId::mpeg2enc_zero_value, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Exporter les matrices pour mpeg2enc..."),
     TR_NOOP_TEXT("Message", "Une des matrices contient la valeur 0, que mpeg2enc refuse (il "
                             "n'accepte que les valeurs de 1 à 255). Le fichier n'a pas été "
                             "écrit.")},
    {MessageId::matrix_file_not_written, Icon::critical,
     TR_NOOP_TEXT("Message", "Exporter les matrices..."),
     TR_NOOP_TEXT("Message", "%1 Les matrices n'ont pas été exportées.")},
    {MessageId::encoder_file_zero_value, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Exporter les matrices..."),
     TR_NOOP_TEXT("Message", "Une des listes contient la valeur 0, que l'encodeur refuse (il "
                             "n'accepte que les valeurs de 1 à 255). Le fichier n'a pas été "
                             "écrit.")},
    {MessageId::x264_file_hevc_source, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Exporter les matrices pour x264..."),
     TR_NOOP_TEXT("Message", "Les listes 16x16 et 32x32 de la vidéo HEVC n'ont pas de place "
                             "dans le fichier de x264 : l'encodeur n'utiliserait pas les "
                             "matrices de la vidéo. Le fichier n'a pas été écrit.")},
    {MessageId::x264_file_separate_cr, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Exporter les matrices pour x264..."),
     TR_NOOP_TEXT("Message", "Les listes Cr de la vidéo diffèrent de ses listes Cb ; x264 "
                             "n'utilise que les listes Cb et perdrait les autres. Le fichier "
                             "n'a pas été écrit.")},
    {MessageId::x265_file_h264_source, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Exporter les matrices pour x265..."),
     TR_NOOP_TEXT("Message", "La vidéo H.264 n'a pas de listes 16x16 et 32x32 : les inventer "
                             "changerait la quantification de l'encodeur. Le fichier n'a pas "
                             "été écrit.")},
    {MessageId::mpeg4_h263_no_matrices, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Exporter les matrices..."),
     TR_NOOP_TEXT("Message", "La vidéo MPEG-4 quantifie comme H.263, sans matrices : il n'y a "
                             "rien à exporter. Le fichier n'a pas été écrit.")},
    {MessageId::codec_matrices_unreadable, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Lecture des matrices..."),
     TR_NOOP_TEXT("Message", "Les matrices de la vidéo %1 n'ont pas pu être lues : %2.")},
    {MessageId::matrix_format_refused, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Exporter les matrices..."),
     TR_NOOP_TEXT("Message", "Le format %1 ne peut pas porter les matrices de la vidéo %2 : "
                             "l'encodeur n'utiliserait pas les mêmes. Rien n'a été écrit.")},
    {MessageId::codec_pictures_not_read, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Lecture du flux..."),
     TR_NOOP_TEXT("Message", "La vidéo de ce fichier est en %1 : Quantaline en lit les matrices "
                             "(info, matrix), pas les images.")},
    {MessageId::codec_scan_stopped, Icon::exclamation, TR_NOOP_TEXT("Message", "Fichier incomplet"),
     TR_NOOP_TEXT("Message", "La lecture du flux s'arrête : %1 ; l'analyse porte sur ce qui "
                             "précède.")},
    {MessageId::picture_table_not_written, Icon::critical,
     TR_NOOP_TEXT("Message", "Enregistrer les images..."),
     TR_NOOP_TEXT("Message", "%1 Le tableau des images n'a pas été enregistré.")},
    {MessageId::cce_script_not_written, Icon::critical,
     TR_NOOP_TEXT("Message", "Exporter les matrices dans CCE..."),
     TR_NOOP_TEXT("Message", "%1 Les matrices n'ont pas été exportées.")},
    {MessageId::tmpgenc_file_unusable, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Exporter les matrices dans TMPGEnc..."),
     TR_NOOP_TEXT("Message", "%1 Le fichier n'a pas été modifié.")},
    {MessageId::tmpgenc_file_not_written, Icon::critical,
     TR_NOOP_TEXT("Message", "Exporter les matrices dans TMPGEnc..."),
     TR_NOOP_TEXT("Message", "%1 Le fichier n'a pas été modifié.")},
    {MessageId::matrix_library_file_skipped, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Matrices connues"),
     TR_NOOP_TEXT("Message",
                  "Le fichier de matrices [%1] n'est pas valable (%2) : il est ignoré.")},
    {MessageId::report_saved, Icon::information, TR_NOOP_TEXT("Message", "Matrice sauvegardées..."),
     TR_NOOP_TEXT("Message", "Le fichier [%1] a été crée dans le dossier de Quantaline")},
    {MessageId::report_not_saved, Icon::critical,
     TR_NOOP_TEXT("Message", "Rapport non enregistré..."),
     TR_NOOP_TEXT("Message", "%1 Le rapport n'a pas été enregistré.")},
    {MessageId::print_failed, Icon::exclamation,
     TR_NOOP_TEXT("Message", "Impression impossible..."),
     TR_NOOP_TEXT("Message", "Impossible d'imprimer le document; Vérifiez l'imprimante !")},
}};

constexpr bool in_order() {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (static_cast<std::size_t>(texts[i].id) != i) {
            return false;
        }
    }
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if (static_cast<std::size_t>(messages[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(in_order(), "the tables follow their ids' order");

const MessageEntry& entry(MessageId id) {
    return messages[static_cast<std::size_t>(id)];
}

} // namespace

Text literal_text(std::string text) {
    return Text{TextId::literal, std::move(text), {}};
}

Text piece(TextId id, std::vector<Text> arguments) {
    assert(id != TextId::literal);
    return Text{id, {}, std::move(arguments)};
}

Message::Message(MessageId message, std::vector<Text> message_arguments)
    : id(message), arguments(std::move(message_arguments)), icon(entry(message).icon),
      buttons(entry(message).buttons), default_button(entry(message).default_button) {}

const char* french_source(TextId id) {
    return texts[static_cast<std::size_t>(id)].french;
}

MessageSources french_sources(MessageId id) {
    return {entry(id).title, entry(id).text};
}

const char* icon_name(Icon icon) {
    switch (icon) {
    case Icon::critical:
        return "critical";
    case Icon::exclamation:
        return "exclamation";
    case Icon::information:
        return "information";
    }
    return "information";
}

} // namespace quantaline
