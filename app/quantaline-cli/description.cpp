#include "description.h"

#include "io/text.h"
#include "json.h"

namespace quantaline::cli {

std::string description_text(const Description& description) {
    std::string out = tr_text("Cli", "Fichier : ") + description.file + "\n";
    for (const Description::Line& line : description.lines) {
        out += line.caption.empty() ? line.value : line.caption + line.separator + line.value;
        out += '\n';
    }
    return out + '\n' + description.lists;
}

std::string json_members(const Description& description) {
    std::string out;
    for (const auto& [key, value] : description.members) {
        out += out.empty() ? "\"" : ",\"";
        out += key;
        out += "\":";
        out += value;
    }
    return out;
}

std::string description_json(const Description& description) {
    std::string out = "{\"file\":" + json_string(description.file);
    if (!description.members.empty()) {
        out += ',';
        out += json_members(description);
    }
    return out + "}\n";
}

} // namespace quantaline::cli
