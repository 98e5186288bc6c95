#pragma once

// What `info` tells of a video, whatever its codec: one description, printed as text or as
// JSON by one printer. The text's lines are in the user's language; the JSON's members,
// keys and values, never depend on it.

#include <string>
#include <utility>
#include <vector>

namespace quantaline::cli {

struct Description {
    // A line of the text: its caption, then `separator` and its value; a line without a
    // caption is its value alone.
    struct Line {
        std::string caption;
        std::string value;
        const char* separator = " ";
    };
    std::string file;
    std::vector<Line> lines;
    // The lists or matrices, after a blank line.
    std::string lists;
    // The JSON's members after "file", in their order: a key and its value as JSON.
    std::vector<std::pair<std::string, std::string>> members;

    void line(std::string caption, std::string value, const char* separator = " ") {
        lines.push_back({std::move(caption), std::move(value), separator});
    }
    void member(std::string key, std::string json) {
        members.emplace_back(std::move(key), std::move(json));
    }
};

// "Fichier : FILE", a line each, a blank line, the lists.
std::string description_text(const Description& description);
// "KEY":VALUE,... over the members, without the file.
std::string json_members(const Description& description);
// {"file":FILE,...} on one line.
std::string description_json(const Description& description);

} // namespace quantaline::cli
