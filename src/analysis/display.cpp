#include "analysis/display.h"

namespace quantaline {

namespace {

std::string or_else(const std::string& value, const char* replacement) {
    return value.empty() ? std::string(replacement) : value;
}

} // namespace

DisplayTexts display_texts(const StreamInfo& info) {
    DisplayTexts texts;
    texts.width = std::to_string(info.horizontal_size);
    texts.height = std::to_string(info.vertical_size);
    texts.aspect_ratio = or_else(info.aspect_ratio_text, "???");
    texts.frame_rate = info.frame_rate_text;
    texts.max_bit_rate = std::to_string(info.max_bit_rate_kbps);
    texts.vbv_buffer_size = std::to_string(info.vbv_buffer_size_kb);
    // No sequence header leaves both texts empty: "???" as for the other values.
    texts.stream_type = info.stream_type_text.empty() && info.mpeg_version_text.empty()
                            ? std::string("???")
                            : info.stream_type_text + " " + info.mpeg_version_text;
    texts.profile_and_level = (info.profile_text.empty() || info.level_text.empty())
                                  ? std::string("Sans objet")
                                  : info.profile_text + "@" + info.level_text;
    texts.chroma_format = or_else(info.chroma_format_text, "???");
    texts.video_format = or_else(info.video_format_text, "Défaut");
    texts.dc_precision = info.intra_dc_precision_bits != 0
                             ? " " + std::to_string(info.intra_dc_precision_bits)
                             : std::string("???");
    texts.picture_structure = or_else(info.picture_structure_text, "???");
    return texts;
}

std::string plain_caption(const char* caption) {
    std::string text;
    for (const char* c = caption; *c != '\0'; ++c) {
        // Blanks at either end go, and a run of blanks inside is one.
        if (*c != ' ' || (!text.empty() && text.back() != ' ' && c[1] != '\0')) {
            text += *c;
        }
    }
    return text;
}

} // namespace quantaline
