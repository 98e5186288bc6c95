#include "check/rules.h"

#include "io/text.h"

#include <array>

namespace quantaline::check {

namespace {

constexpr std::array<RuleInfo, 17> infos = {{
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
