#include "check/texts.h"

#include "io/text.h"
#include "mpeg/codes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace quantaline::check {

std::string number_text(double value) {
    if (std::abs(value) < 9e15 && value == std::floor(value)) {
        return std::to_string(static_cast<long long>(value));
    }
    char digits[64];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 3);
    std::string out(digits, end.ptr);
    while (out.back() == '0') {
        out.pop_back();
    }
    if (out.back() == '.') {
        out.pop_back();
    }
    if (text_language() == Language::french) {
        std::replace(out.begin(), out.end(), '.', ',');
    }
    return out;
}

std::string value_text(const Value& value) {
    if (const double* number = std::get_if<double>(&value)) {
        return number_text(*number);
    }
    if (const std::string* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    return {};
}

namespace {

std::string reserved_code_text(unsigned code) {
    return fill_text(tr_text("Check", "code %1 (réservé)"), {std::to_string(code)});
}

std::string profile_level_text(unsigned code) {
    if ((code & 0x80) != 0) { // the escape bit: 4:2:2 profile at main or high level
        const std::string_view level =
            code == 0x85   ? mpeg::code_name(mpeg::levels, mpeg::main_level)
            : code == 0x82 ? mpeg::code_name(mpeg::levels, mpeg::high_level)
                           : std::string_view{};
        return level.empty() ? reserved_code_text(code)
                             : "4:2:2@" + tr_string("Value", std::string(level));
    }
    const auto profile =
        mpeg::code_name(mpeg::profiles, code >> 4 & 0x07, mpeg::unknown_profile_name);
    const auto level = mpeg::code_name(mpeg::levels, code & 0x0F, mpeg::unknown_level_name);
    return tr_string("Value", std::string(profile)) + "@" + tr_string("Value", std::string(level));
}

std::string aspect_ratio_meaning(unsigned code) {
    switch (code) {
    case mpeg::square_samples:
        return tr_text("Check", "1:1 (pixels carrés)");
    case mpeg::aspect_4_3:
    case mpeg::aspect_16_9:
        return std::string(mpeg::code_name(mpeg::aspect_ratios, code));
    case mpeg::aspect_2_21:
        return tr_text("Check", "2,21:1");
    default:
        return reserved_code_text(code);
    }
}

std::string code_meaning(Meaning meaning, unsigned code) {
    switch (meaning) {
    case Meaning::frame_rate: {
        const mpeg::FrameRateCode* rate = mpeg::frame_rate_code_entry(code);
        return rate == nullptr ? reserved_code_text(code)
                               : fill_text(tr_text("Check", "%1 images/s"),
                                           {tr_string("Value", std::string(rate->name))});
    }
    case Meaning::aspect_ratio:
        return aspect_ratio_meaning(code);
    case Meaning::chroma_format:
        return code >= mpeg::chroma_420 && code <= mpeg::chroma_444
                   ? std::string(mpeg::code_name(mpeg::chroma_formats, code))
                   : reserved_code_text(code);
    case Meaning::profile_level:
        return profile_level_text(code);
    default:
        return std::to_string(code);
    }
}

} // namespace

std::string meaning_text(Meaning meaning, const Value& value) {
    const double* code = std::get_if<double>(&value);
    if (meaning == Meaning::none || meaning == Meaning::resolution || code == nullptr) {
        return value_text(value);
    }
    return code_meaning(meaning, static_cast<unsigned>(*code));
}

std::string found_text(const Finding& finding) {
    return meaning_text(finding.meaning, finding.found);
}

std::string limit_text(const Finding& finding) {
    if (finding.allowed.empty()) {
        return meaning_text(finding.meaning, finding.limit);
    }
    std::string out;
    for (std::size_t i = 0; i < finding.allowed.size(); ++i) {
        if (i > 0) {
            out += i + 1 == finding.allowed.size() ? tr_text("Check", " ou ") : ", ";
        }
        out += meaning_text(finding.meaning, finding.allowed[i]);
    }
    return out;
}

std::string verdict_text(const CheckResult& result) {
    return verdict_text(result.findings.size(),
                        result.profile != nullptr ? result.profile->title : "");
}

std::string verdict_text(std::size_t n, const std::string& title) {
    const std::string count = std::to_string(n);
    if (title.empty()) {
        return n == 0   ? tr_text("Check", "Aucun écart")
               : n == 1 ? tr_text("Check", "1 écart")
                        : fill_text(tr_text("Check", "%1 écarts"), {count});
    }
    return n == 0   ? fill_text(tr_text("Check", "Conforme au profil %1"), {title})
           : n == 1 ? fill_text(tr_text("Check", "1 écart au profil %1"), {title})
                    : fill_text(tr_text("Check", "%1 écarts au profil %2"), {count, title});
}

const char* buffer_mode_key(BufferMode mode) {
    switch (mode) {
    case BufferMode::vbv_delay:
        return "vbv_delay";
    case BufferMode::fill:
        return "0xFFFF";
    default:
        return "none";
    }
}

std::string buffer_text(const CheckResult& c) {
    if (c.buffer.mode == BufferMode::none) {
        return tr_text("Check", "Tampon VBV : non modélisé");
    }
    const auto& s = c.summary;
    if (!s.least_margin) {
        return fill_text(tr_text("Check", "Tampon VBV : mode %1, %2 bit/s, %3 bits"),
                         {buffer_mode_key(c.buffer.mode), number_text(c.buffer.bit_rate),
                          number_text(c.buffer.buffer_size)});
    }
    return fill_text(tr_text("Check", "Tampon VBV : mode %1, %2 bit/s, %3 bits, marge minimale %4 "
                                      "bits (image %5)"),
                     {buffer_mode_key(c.buffer.mode), number_text(c.buffer.bit_rate),
                      number_text(c.buffer.buffer_size),
                      number_text(std::round(s.least_margin.value_or(0))),
                      std::to_string(s.least_margin_picture.value_or(0))});
}

std::string cadence_text(const Cadence& cadence) {
    std::string pattern = cadence.pattern;
    if (cadence.frame_rate) {
        pattern += " (" + number_text(*cadence.frame_rate) + " Hz)";
    }
    return fill_text(tr_text("Check", "Cadence : %1"), {pattern});
}

std::string time_text(double seconds) {
    const auto millis = static_cast<long long>(std::llround(std::max(0.0, seconds) * 1000));
    const long long total = millis / 1000;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld%c%03lld", total / 3600, total / 60 % 60,
                  total % 60, text_language() == Language::french ? ',' : '.', millis % 1000);
    return text;
}

} // namespace quantaline::check
