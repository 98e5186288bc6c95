// quantaline-cli check: does the encode hold? Each file's decoder buffer, cadence and disc
// rules, from the same read as pictures, printed in argument order.

#include "analysis/codec_check.h"
#include "check/check.h"
#include "check/texts.h"
#include "codec_output.h"
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
        out += ",\"limit\":" + json_value(f.limit);
        // The codes (or sizes) the profile admits, as data: their meaning is the texts'.
        std::string allowed;
        for (const Value& value : f.allowed) {
            allowed += (allowed.empty() ? "[" : ",") + json_value(value);
        }
        out += ",\"allowed\":" + (allowed.empty() ? std::string("null") : allowed + "]") + "}";
    }
    return out + "]";
}

std::string json_buffer(const mpeg::ScanResult& result, const CheckResult& c) {
    const bool sequence = !result.sequences.empty();
    const auto& s = c.summary;
    std::string out = "{\"mode\":\"" + std::string(check::buffer_mode_key(c.buffer.mode)) + "\"";
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
        parts.push_back(fill_text(tr_text("Cli", "trouvé %1"), {check::found_text(f)}));
    }
    if (!std::holds_alternative<std::monostate>(f.limit) || !f.allowed.empty()) {
        parts.push_back(fill_text(tr_text("Cli", "limite %1"), {check::limit_text(f)}));
    }
    std::string out = "  " + std::string(tr_text(check::rule_context, check::rule_text(f.rule)));
    for (std::size_t i = 0; i < parts.size(); ++i) {
        out += (i == 0 ? " : " : ", ") + parts[i];
    }
    return out + "\n";
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
    out += file + " : " + check::verdict_text(c) + "\n";
    out += "  " + fill_text(tr_text("Cli", "Profil : %1"), {profile}) + "\n";
    out += "  " + check::buffer_text(c) + "\n";
    if (!c.cadence.pattern.empty()) {
        out += "  " + check::cadence_text(c.cadence) + "\n";
    }
    for (const Finding& f : c.findings) {
        out += finding_line(f);
    }
}

// An H.264 or HEVC video: its buffer's model and the disc's rules.
std::string json_cpb(const check::CodecCheckResult& c) {
    const bool modelled = c.source != check::CpbSource::none;
    std::string out = "{\"source\":\"" + std::string(check::cpb_source_key(c.source)) + "\"";
    out += ",\"hrd\":\"" + std::string(c.vcl ? "vcl" : "nal") + "\"";
    out += ",\"bit_rate\":" + (modelled ? json_number(c.bit_rate) : "null");
    out += ",\"buffer_size\":" + (modelled ? json_number(c.buffer_size) : "null");
    out += ",\"cbr\":" + std::string(!modelled ? "null" : c.cbr ? "true" : "false");
    out += ",\"underflow_pictures\":" +
           (modelled ? json_number(static_cast<double>(c.underflow_pictures)) : "null");
    out += ",\"overflow_pictures\":" +
           (modelled ? json_number(static_cast<double>(c.overflow_pictures)) : "null");
    return out + "}";
}

void write_json(std::string& out, const std::string& file, const CodecScan& result,
                const check::CodecCheckResult& c) {
    out += "{\"file\":" + json_string(file);
    out += ",\"codec\":" + json_string(codec_key(result.codec));
    out += ",\"profile\":\"" + std::string(c.profile) + "\"";
    out += ",\"findings\":" + json_findings(c.findings);
    out += ",\"notes\":" + json_findings(c.notes);
    out += ",\"cpb\":" + json_cpb(c);
    out += ",\"messages\":" + json_messages(result.messages) + "}\n";
}

void write_text(std::string& out, const std::string& file, const CodecScan& result,
                const check::CodecCheckResult& c) {
    if (result.picture_records.empty()) {
        out += file + " : " + tr_text("Cli", "Aucune image") + "\n";
        return;
    }
    const std::string profile = c.profile_chosen_automatically
                                    ? fill_text(tr_text("Cli", "%1 (auto)"), {c.profile})
                                    : std::string(c.profile);
    out += file + " : " + check::codec_verdict_text(c) + "\n";
    out += "  " + fill_text(tr_text("Cli", "Profil : %1"), {profile}) + "\n";
    out += "  " + check::cpb_text(c) + "\n";
    for (const Finding& f : c.findings) {
        out += finding_line(f);
    }
    for (const Finding& f : c.notes) {
        out += "  " + std::string(tr_text("Cli", "Note :")) + finding_line(f).substr(1);
    }
}

// One file's check, MPEG-1/2's or a codec's: its JSON, or its messages and its text.
template <class Result, class Check>
void write_check(bool json, const std::string& file, const Result& result, const Check& c) {
    Writer writer;
    if (json) {
        write_json(writer.text, file, result, c);
    } else {
        print_messages(file, result.messages);
        write_text(writer.text, file, result, c);
    }
}

// --hrd, --sched, --rate, --buffer, --cbr; false with the usage error said.
std::optional<check::CpbOptions> cpb_options(const ParsedArguments& parsed, int& status) {
    check::CpbOptions options;
    const auto value = [&](const char* name) {
        const auto found = parsed.values.find(name);
        return found == parsed.values.end() ? std::optional<std::string>() : found->second;
    };
    const auto number = [&](const char* name, double& out) {
        const auto text = value(name);
        if (!text) {
            return true;
        }
        const auto end = std::from_chars(text->data(), text->data() + text->size(), out);
        return end.ec == std::errc() && end.ptr == text->data() + text->size() && out > 0;
    };
    const auto hrd = value("--hrd");
    double schedule = 1;
    double rate = 0;
    double buffer = 0;
    if ((hrd && *hrd != "nal" && *hrd != "vcl") || !number("--sched", schedule) ||
        !number("--rate", rate) || !number("--buffer", buffer) ||
        schedule != std::floor(schedule) || (value("--sched") && schedule > 32)) {
        status = usage_error("check: --hrd takes nal or vcl, --sched a schedule from 0 to 31, "
                             "--rate and --buffer positive numbers");
        return std::nullopt;
    }
    options.vcl = hrd && *hrd == "vcl";
    options.schedule = value("--sched") ? static_cast<std::size_t>(schedule) : 0;
    options.rate = value("--rate") ? std::optional(rate) : std::nullopt;
    options.buffer = value("--buffer") ? std::optional(buffer) : std::nullopt;
    options.cbr = parsed.flags.contains("--cbr");
    return options;
}

} // namespace

int run_check(const Arguments& arguments) {
    int parse_status = exit_ok;
    const auto parsed =
        parse_arguments("check", arguments, {"--profile", "--hrd", "--sched", "--rate", "--buffer"},
                        {"-r", "--recursive", "--json", "--cbr"}, false, parse_status);
    if (!parsed) {
        return parse_status;
    }
    const auto option = parsed->values.find("--profile");
    const std::string profile = option == parsed->values.end() ? "auto" : option->second;
    if (!check::is_profile_name(profile) && !check::is_codec_profile_name(profile)) {
        return usage_error("unknown profile for check: " + profile);
    }
    auto cpb = cpb_options(*parsed, parse_status);
    if (!cpb) {
        return parse_status;
    }
    const bool json = parsed->flags.contains("--json");
    const bool recursive = parsed->flags.contains("-r") || parsed->flags.contains("--recursive");

    int status = exit_ok;
    const std::vector<std::string> files = files_of_arguments(parsed->files, recursive, status);
    bool findings = false;
    bool refused = false;
    status = run_scans(
        files, true, false,
        [&](std::size_t, const std::string& file, const mpeg::ScanResult& result) {
            const CheckResult c = check::check_stream(result, profile);
            findings = findings || !c.findings.empty();
            write_check(json, file, result, c);
        },
        status,
        [&](std::size_t, const std::string& file, const CodecScan& result) {
            if (result.codec == container::Codec::mpeg4) {
                // MPEG-4 visual has no buffer model of this kind.
                print_messages(file, {*pictures_not_read(file)});
                refused = true;
                return;
            }
            cpb->m2ts = result.packet_size == 192;
            const auto c = check::check_codec_pictures(result.codec, result.picture_records,
                                                       result.summary, profile, *cpb);
            findings = findings || !c.findings.empty();
            write_check(json, file, result, c);
        });
    status = refused ? exit_message : status;
    return status == exit_ok && findings ? exit_message : status;
}

} // namespace quantaline::cli
