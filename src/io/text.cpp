#include "io/text.h"

#include "io/text_table.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>
#include <vector>

namespace quantaline {

namespace {

std::atomic<Language> program_language{Language::french};

const char* language_code(Language language) {
    return language == Language::english ? "en" : "fr";
}

// The table of `language`; none for French, the language of the texts in the code.
const text_table::LanguageTable* table_of(Language language) {
    if (language == Language::french) {
        return nullptr;
    }
    for (std::size_t i = 0; i < text_table::language_count; ++i) {
        if (std::strcmp(text_table::languages[i].code, language_code(language)) == 0) {
            return &text_table::languages[i];
        }
    }
    return nullptr;
}

const text_table::Entry* find_entry(const text_table::LanguageTable* table,
                                    std::string_view context, std::string_view source) {
    if (table == nullptr) {
        return nullptr;
    }
    const text_table::Entry* end = table->entries + table->size;
    const auto* found =
        std::lower_bound(table->entries, end, std::pair{context, source},
                         [](const text_table::Entry& entry,
                            const std::pair<std::string_view, std::string_view>& key) {
                             const std::string_view entry_context = entry.context;
                             return entry_context != key.first
                                        ? entry_context < key.first
                                        : std::string_view(entry.source) < key.second;
                         });
    if (found == end || context != found->context || source != found->source) {
        return nullptr;
    }
    return found;
}

bool is_placeholder(std::string_view text, std::size_t at) {
    return at + 1 < text.size() && text[at] == '%' && text[at + 1] >= '1' && text[at + 1] <= '9';
}

// Whether `text` is `pattern` with its %1 ... %9 replaced; the replacements go to
// `arguments` (indexed by the digit less one). A replacement takes as much as it can: the
// first argument of a message is most often a path, which may hold anything, and the
// texts after it are the system's or ours.
bool match_pattern(std::string_view pattern, std::string_view text,
                   std::vector<std::string>& arguments) {
    std::size_t literal = 0;
    while (literal < pattern.size() && !is_placeholder(pattern, literal)) {
        ++literal;
    }
    if (text.substr(0, literal) != pattern.substr(0, literal)) {
        return false;
    }
    pattern.remove_prefix(literal);
    text.remove_prefix(literal);
    if (pattern.empty()) {
        return text.empty();
    }
    const auto index = static_cast<std::size_t>(pattern[1] - '1');
    pattern.remove_prefix(2);
    std::size_t next = 0;
    while (next < pattern.size() && !is_placeholder(pattern, next)) {
        ++next;
    }
    const std::string_view following = pattern.substr(0, next);
    for (std::size_t length = text.rfind(following); length != std::string_view::npos;
         length = length == 0 ? std::string_view::npos : text.rfind(following, length - 1)) {
        if (match_pattern(pattern, text.substr(length), arguments)) {
            if (arguments.size() <= index) {
                arguments.resize(index + 1);
            }
            arguments[index] = std::string(text.substr(0, length));
            return true;
        }
    }
    return false;
}

bool has_placeholder(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (is_placeholder(text, i)) {
            return true;
        }
    }
    return false;
}

std::string localized_in(const text_table::LanguageTable* table, const std::string& text) {
    if (const auto* entry = find_entry(table, message_context, text)) {
        return entry->translation;
    }
    if (table == nullptr) {
        return text;
    }
    // The pattern that leaves the least to its arguments is the message's: "%1 image(s)
    // ... à l'octet %3." also matches the longer text that goes on with ", tranche ...".
    const std::string_view context = message_context;
    const text_table::Entry* best = nullptr;
    std::vector<std::string> best_arguments;
    std::size_t best_length = 0;
    for (std::size_t i = 0; i < table->size; ++i) {
        const text_table::Entry& entry = table->entries[i];
        // A pattern that is a placeholder alone would match anything, itself included.
        if (entry.context != context || !has_placeholder(entry.source) ||
            std::strlen(entry.source) == 2) {
            continue;
        }
        std::vector<std::string> arguments;
        if (!match_pattern(entry.source, text, arguments)) {
            continue;
        }
        std::size_t length = 0;
        for (const auto& argument : arguments) {
            length += argument.size();
        }
        if (best == nullptr || length < best_length) {
            best = &entry;
            best_arguments = std::move(arguments);
            best_length = length;
        }
    }
    if (best != nullptr) {
        const std::vector<std::string>& arguments = best_arguments;
        std::string out;
        const std::string_view translation = best->translation;
        for (std::size_t c = 0; c < translation.size(); ++c) {
            if (is_placeholder(translation, c)) {
                const auto index = static_cast<std::size_t>(translation[c + 1] - '1');
                if (index < arguments.size()) {
                    // Each argument is shorter than the text: the recursion ends.
                    out += localized_in(table, arguments[index]);
                }
                ++c;
            } else {
                out += translation[c];
            }
        }
        return out;
    }
    return text;
}

} // namespace

void set_text_language(Language language) {
    program_language.store(language);
}

Language text_language() {
    return program_language.load();
}

const char* tr_text(const char* context, const char* source) {
    const auto* entry = find_entry(table_of(text_language()), context, source);
    return entry != nullptr ? entry->translation : source;
}

std::string tr_string(std::string_view context, const std::string& source) {
    return tr_string_in(text_language(), context, source);
}

std::string tr_string_in(Language language, std::string_view context, const std::string& source) {
    const auto* entry = find_entry(table_of(language), context, source);
    return entry != nullptr ? std::string(entry->translation) : source;
}

std::string fill_text(std::string_view pattern, std::initializer_list<std::string> arguments) {
    std::string out;
    for (std::size_t c = 0; c < pattern.size(); ++c) {
        if (is_placeholder(pattern, c)) {
            const auto index = static_cast<std::size_t>(pattern[c + 1] - '1');
            if (index < arguments.size()) {
                out += *(arguments.begin() + index);
            }
            ++c;
        } else {
            out += pattern[c];
        }
    }
    return out;
}

std::string localized_message_text(const std::string& text) {
    return localized_in(table_of(text_language()), text);
}

Message localized(const Message& message) {
    Message out = message;
    out.title = localized_message_text(message.title);
    out.text = localized_message_text(message.text);
    return out;
}

} // namespace quantaline
