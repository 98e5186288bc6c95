#include "check/rules.h"

#include "io/text.h"

#include <array>

namespace quantaline::check {

namespace {

constexpr std::array<RuleInfo, 38> infos = {{
    {Rule::vbv_underflow, "vbv-underflow",
     TR_NOOP_TEXT("Check", "Sous-alimentation du tampon VBV")},
    {Rule::vbv_overflow, "vbv-overflow", TR_NOOP_TEXT("Check", "Débordement du tampon VBV")},
    {Rule::vbv_rate, "vbv-rate",
     TR_NOOP_TEXT("Check", "Débit de vbv_delay supérieur au débit maximum")},
    {Rule::vbv_delay_mixed, "vbv-delay-mixed", TR_NOOP_TEXT("Check", "vbv_delay incohérents")},
    {Rule::resolution, "resolution", TR_NOOP_TEXT("Check", "Résolution non admise")},
    {Rule::frame_rate, "frame-rate", TR_NOOP_TEXT("Check", "Fréquence d'image non admise")},
    {Rule::aspect_ratio, "aspect-ratio", TR_NOOP_TEXT("Check", "Aspect ratio non admis")},
    {Rule::bit_rate, "bit-rate", TR_NOOP_TEXT("Check", "Débit maximum trop élevé")},
    {Rule::vbv_buffer_size, "vbv-buffer-size", TR_NOOP_TEXT("Check", "Tampon VBV trop grand")},
    {Rule::vbv_delay_limit, "vbv-delay-limit", TR_NOOP_TEXT("Check", "vbv_delay trop grand")},
    {Rule::gop_length, "gop-length", TR_NOOP_TEXT("Check", "Groupe d'images trop long")},
    {Rule::sequence_header, "sequence-header",
     TR_NOOP_TEXT("Check", "Groupe d'images sans en-tête de séquence")},
    {Rule::first_gop_open, "first-gop-open",
     TR_NOOP_TEXT("Check", "Premier groupe d'images ouvert")},
    {Rule::low_delay, "low-delay", TR_NOOP_TEXT("Check", "low_delay non admis")},
    {Rule::profile_level, "profile-level", TR_NOOP_TEXT("Check", "Profil ou niveau non admis")},
    {Rule::chroma_format, "chroma-format", TR_NOOP_TEXT("Check", "Format YUV non admis")},
    {Rule::field_order_break, "field-order-break",
     TR_NOOP_TEXT("Check", "Rupture de l'ordre des trames")},
    {Rule::cpb_underflow, "cpb-underflow",
     TR_NOOP_TEXT("Check", "Sous-alimentation du tampon CPB")},
    {Rule::cpb_overflow, "cpb-overflow", TR_NOOP_TEXT("Check", "Débordement du tampon CPB")},
    {Rule::cpb_initial_delay, "cpb-initial-delay",
     TR_NOOP_TEXT("Check", "Délai initial du tampon CPB hors de ses bornes")},
    {Rule::cpb_delay_changed, "cpb-delay-changed",
     TR_NOOP_TEXT("Check", "Délai initial et décalage changés dans une séquence")},
    {Rule::output_interval, "output-interval",
     TR_NOOP_TEXT("Check", "Intervalle de sortie contraire à la cadence fixe")},
    {Rule::bd_format, "bd-format", TR_NOOP_TEXT("Check", "Format d'image non admis")},
    {Rule::bd_profile, "bd-profile", TR_NOOP_TEXT("Check", "Profil non admis")},
    {Rule::bd_level, "bd-level", TR_NOOP_TEXT("Check", "Niveau non admis")},
    {Rule::bd_bitrate, "bd-bitrate", TR_NOOP_TEXT("Check", "Débit du HRD trop élevé")},
    {Rule::bd_cpb_size, "bd-cpb-size", TR_NOOP_TEXT("Check", "Tampon CPB trop grand")},
    {Rule::bd_hrd, "bd-hrd", TR_NOOP_TEXT("Check", "Paramètres HRD absents ou non admis")},
    {Rule::bd_fixed_frame_rate, "bd-fixed-frame-rate",
     TR_NOOP_TEXT("Check", "Fréquence d'image non fixée")},
    {Rule::bd_vui_aspect, "bd-vui-aspect", TR_NOOP_TEXT("Check", "aspect_ratio_idc non admis")},
    {Rule::bd_pic_struct, "bd-pic-struct",
     TR_NOOP_TEXT("Check", "Codage entrelacé sans pic_struct")},
    {Rule::bd_slices, "bd-slices", TR_NOOP_TEXT("Check", "Moins de 4 tranches par image")},
    {Rule::bd_slice_type, "bd-slice-type",
     TR_NOOP_TEXT("Check", "Tranches de types différents dans une image")},
    {Rule::bd_gop_length, "bd-gop-length",
     TR_NOOP_TEXT("Check", "Plus d'une seconde entre deux images I")},
    {Rule::bd_consecutive_b, "bd-consecutive-b",
     TR_NOOP_TEXT("Check", "Plus de 3 images B consécutives")},
    {Rule::bd_aud, "bd-aud", TR_NOOP_TEXT("Check", "Unité d'accès sans délimiteur")},
    {Rule::bd_refs, "bd-refs", TR_NOOP_TEXT("Check", "Trop d'images de référence")},
    {Rule::bd_chroma_loc, "bd-chroma-loc",
     TR_NOOP_TEXT("Check", "Position de la chrominance non admise")},
}};

} // namespace

std::span<const RuleInfo> rule_infos() {
    return infos;
}

const char* rule_id(Rule rule) {
    return infos[static_cast<std::size_t>(rule)].id;
}

const char* rule_text(Rule rule) {
    return infos[static_cast<std::size_t>(rule)].text;
}

std::optional<Rule> rule_of_id(std::string_view id) {
    for (const RuleInfo& info : infos) {
        if (id == info.id) {
            return info.rule;
        }
    }
    return std::nullopt;
}

} // namespace quantaline::check
