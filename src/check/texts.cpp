#include "check/texts.h"

#include "io/text.h"

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

std::string verdict_text(const CheckResult& result) {
    const std::size_t n = result.findings.size();
    const std::string count = std::to_string(n);
    const std::string title = result.profile != nullptr ? result.profile->title : "";
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
