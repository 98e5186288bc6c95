// quantaline-cli check: does the encode hold? Each file's decoder buffer, cadence and disc
// rules, from the same read as pictures, printed in argument order.

#include "check/check.h"
#include "command_line.h"
#include "commands.h"
#include "export/picture_table.h"
#include "io/text.h"
#include "json.h"
#include "scan_runs.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quantaline::cli {

namespace {

using check::CheckResult;
using check::Finding;
using check::Value;

// A number as JSON writes it: integers without a fraction, others as short as they read back.
std::string json_number(double value) {
    char digits[64];
    const bool integral = std::abs(value) < 9e15 && value == std::floor(value);
    const auto end =
        integral ? std::to_chars(digits, digits + sizeof digits, static_cast<long long>(value))
                 : std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, end.ptr);
}

template <class T> std::string json_optional(const std::optional<T>& value) {
    return value ? json_number(static_cast<double>(*value)) : "null";
}

std::string json_value(const Value& value) {
    if (const double* number = std::get_if<double>(&value)) {
        return json_number(*number);
    }
    if (const std::string* text = std::get_if<std::string>(&value)) {
        return json_string(*text);
    }
    return "null";
}

const char* mode_key(check::BufferMode mode) {
    switch (mode) {
    case check::BufferMode::vbv_delay:
        return "vbv_delay";
    case check::BufferMode::fill:
        return "0xFFFF";
    default:
        return "none";
    }
}

std::string json_findings(const std::vector<Finding>& findings) {
    std::string out = "[";
    for (const Finding& f : findings) {
        out += out.size() == 1 ? "{" : ",{";
        out += "\"rule\":\"" + std::string(check::rule_id(f.rule)) + "\"";
        out += ",\"gop\":" + json_optional(f.gop);
        out += ",\"picture\":" + json_optional(f.picture);
        out += ",\"pictures\":" + json_optional(f.pictures);
        out += ",\"offset\":" + json_optional(f.offset);
        out += ",\"found\":" + json_value(f.found);
        out += ",\"limit\":" + json_value(f.limit) + "}";
    }
    return out + "]";
}

std::string json_buffer(const mpeg::ScanResult& result, const CheckResult& c) {
    const bool sequence = !result.sequences.empty();
    const auto& s = c.summary;
    std::string out = "{\"mode\":\"" + std::string(mode_key(c.buffer.mode)) + "\"";
    out += ",\"bit_rate\":" + (sequence ? json_number(c.buffer.bit_rate) : "null");
    out += ",\"buffer_size\":" + (sequence ? json_number(c.buffer.buffer_size) : "null");
    const bool modelled = c.buffer.mode != check::BufferMode::none;
    out += ",\"underflow_pictures\":" +
           (modelled ? json_number(static_cast<double>(s.underflow_pictures)) : "null");
    out += ",\"overflow_pictures\":" +
           (modelled ? json_number(static_cast<double>(s.overflow_pictures)) : "null");
    out += ",\"first_underflow\":" + json_optional(s.first_underflow);
    out += ",\"first_overflow\":" + json_optional(s.first_overflow);
    out += ",\"least_margin\":" + json_optional(s.least_margin);
    out += ",\"least_margin_picture\":" + json_optional(s.least_margin_picture) + "}";
    return out;
}

std::string json_cadence(const check::Cadence& cadence) {
    std::string out = "{\"pattern\":";
    out += cadence.pattern.empty() ? "null" : json_string(cadence.pattern);
    out += ",\"field_order_breaks\":[";
    for (std::size_t i = 0; i < cadence.field_order_breaks.size(); ++i) {
        out += (i == 0 ? "" : ",") + std::to_string(cadence.field_order_breaks[i]);
    }
    return out + "],\"frame_rate\":" + json_optional(cadence.frame_rate) + "}";
}

void write_json(std::string& out, const std::string& file, const mpeg::ScanResult& result,
                const CheckResult& c) {
    out += "{\"file\":" + json_string(file);
    out += ",\"profile\":\"" + std::string(c.profile->name) + "\"";
    out += ",\"findings\":" + json_findings(c.findings);
    out += ",\"buffer\":" + json_buffer(result, c);
    out += ",\"cadence\":" + json_cadence(c.cadence);
    out += ",\"messages\":" + json_messages(result.messages) + "}\n";
}

// A number as the user's language writes it: 15,5 in French, 15.5 in English; at most
// three decimals.
std::string text_number(double value) {
    if (std::abs(value) < 9e15 && value == std::floor(value)) {
        return std::to_string(static_cast<long long>(value));
    }
    std::string out;
    append_fixed(out, value, 3);
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

std::string text_value(const Value& value) {
    if (const double* number = std::get_if<double>(&value)) {
        return text_number(*number);
    }
    if (const std::string* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    return {};
}

std::string finding_line(const Finding& f) {
    std::vector<std::string> parts;
    if (f.picture) {
        parts.push_back(fill_text(tr_text("Cli", "image %1"), {std::to_string(*f.picture)}));
    }
    if (f.pictures && *f.pictures > 1) {
        parts.push_back(fill_text(tr_text("Cli", "%1 images"), {std::to_string(*f.pictures)}));
    }
    if (f.gop) {
        parts.push_back(fill_text(tr_text("Cli", "GOP %1"), {std::to_string(*f.gop)}));
    }
    if (f.offset) {
        parts.push_back(fill_text(tr_text("Cli", "octet %1"), {std::to_string(*f.offset)}));
    }
    if (!std::holds_alternative<std::monostate>(f.found)) {
        parts.push_back(fill_text(tr_text("Cli", "trouvé %1"), {text_value(f.found)}));
    }
    if (!std::holds_alternative<std::monostate>(f.limit)) {
        parts.push_back(fill_text(tr_text("Cli", "limite %1"), {text_value(f.limit)}));
    }
    std::string out = "  " + std::string(tr_text(check::rule_context, check::rule_text(f.rule)));
    for (std::size_t i = 0; i < parts.size(); ++i) {
        out += (i == 0 ? " : " : ", ") + parts[i];
    }
    return out + "\n";
}

std::string verdict(const CheckResult& c) {
    const std::size_t n = c.findings.size();
    const std::string count = std::to_string(n);
    if (std::string(c.profile->title).empty()) {
        return n == 0   ? tr_text("Cli", "Aucun écart")
               : n == 1 ? tr_text("Cli", "1 écart")
                        : fill_text(tr_text("Cli", "%1 écarts"), {count});
    }
    const std::string title = c.profile->title;
    return n == 0   ? fill_text(tr_text("Cli", "Conforme au profil %1"), {title})
           : n == 1 ? fill_text(tr_text("Cli", "1 écart au profil %1"), {title})
                    : fill_text(tr_text("Cli", "%1 écarts au profil %2"), {count, title});
}

std::string buffer_line(const CheckResult& c) {
    if (c.buffer.mode == check::BufferMode::none) {
        return std::string("  ") + tr_text("Cli", "Tampon VBV : non modélisé") + "\n";
    }
    const auto& s = c.summary;
    if (!s.least_margin) {
        return "  " +
               fill_text(tr_text("Cli", "Tampon VBV : mode %1, %2 bit/s, %3 bits"),
                         {mode_key(c.buffer.mode), text_number(c.buffer.bit_rate),
                          text_number(c.buffer.buffer_size)}) +
               "\n";
    }
    return "  " +
           fill_text(tr_text("Cli", "Tampon VBV : mode %1, %2 bit/s, %3 bits, marge minimale %4 "
                                    "bits (image %5)"),
                     {mode_key(c.buffer.mode), text_number(c.buffer.bit_rate),
                      text_number(c.buffer.buffer_size),
                      text_number(std::round(s.least_margin.value_or(0))),
                      std::to_string(s.least_margin_picture.value_or(0))}) +
           "\n";
}

void write_text(std::string& out, const std::string& file, const mpeg::ScanResult& result,
                const CheckResult& c) {
    if (result.picture_records.empty()) {
        out += file + " : " + tr_text("Cli", "Aucune image") + "\n";
        return;
    }
    const std::string profile = c.profile_chosen_automatically
                                    ? fill_text(tr_text("Cli", "%1 (auto)"), {c.profile->name})
                                    : std::string(c.profile->name);
    out += file + " : " + verdict(c) + "\n";
    out += "  " + fill_text(tr_text("Cli", "Profil : %1"), {profile}) + "\n";
    out += buffer_line(c);
    if (!c.cadence.pattern.empty()) {
        std::string cadence = c.cadence.pattern;
        if (c.cadence.frame_rate) {
            cadence += " (" + text_number(*c.cadence.frame_rate) + " Hz)";
        }
        out += "  " + fill_text(tr_text("Cli", "Cadence : %1"), {cadence}) + "\n";
    }
    for (const Finding& f : c.findings) {
        out += finding_line(f);
    }
}

} // namespace

int run_check(const Arguments& arguments) {
    int parse_status = exit_ok;
    const auto parsed = parse_arguments("check", arguments, {"--profile"},
                                        {"-r", "--recursive", "--json"}, false, parse_status);
    if (!parsed) {
        return parse_status;
    }
    const auto option = parsed->values.find("--profile");
    const std::string profile = option == parsed->values.end() ? "auto" : option->second;
    if (!check::is_profile_name(profile)) {
        return usage_error("unknown profile for check: " + profile);
    }
    const bool json = parsed->flags.contains("--json");
    const bool recursive = parsed->flags.contains("-r") || parsed->flags.contains("--recursive");

    int status = exit_ok;
    const std::vector<std::string> files = files_of_arguments(parsed->files, recursive, status);
    bool findings = false;
    status = run_scans(
        files, true, false,
        [&](std::size_t, const std::string& file, const mpeg::ScanResult& result) {
            const CheckResult c = check::check_stream(result, profile);
            findings = findings || !c.findings.empty();
            Writer writer;
            if (json) {
                write_json(writer.text, file, result, c);
            } else {
                print_messages(file, result.messages);
                write_text(writer.text, file, result, c);
            }
        },
        status);
    return status == exit_ok && findings ? exit_message : status;
}

} // namespace quantaline::cli
