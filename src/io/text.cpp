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

// `pattern`'s %1 ... %9 replaced by what `argument` gives for each index.
template <typename Argument>
std::string fill(std::string_view pattern, std::size_t count, const Argument& argument) {
    std::string out;
    for (std::size_t c = 0; c < pattern.size(); ++c) {
        if (is_placeholder(pattern, c)) {
            const auto index = static_cast<std::size_t>(pattern[c + 1] - '1');
            if (index < count) {
                out += argument(index);
            }
            ++c;
        } else {
            out += pattern[c];
        }
    }
    return out;
}

std::string worded(const char* french, Language language) {
    const auto* entry = find_entry(table_of(language), message_context, french);
    return entry != nullptr ? entry->translation : french;
}

std::string render_pattern(const char* french, const std::vector<Text>& arguments,
                           Language language) {
    return fill(worded(french, language), arguments.size(),
                [&](std::size_t index) { return render(arguments[index], language); });
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
    return fill(pattern, arguments.size(),
                [&](std::size_t index) { return *(arguments.begin() + index); });
}

std::string render(const Text& text, Language language) {
    if (text.id == TextId::literal) {
        return text.literal;
    }
    return render_pattern(french_source(text.id), text.arguments, language);
}

ShownMessage render(const Message& message, Language language) {
    const MessageSources sources = french_sources(message.id);
    return {message.icon, worded(sources.title, language),
            render_pattern(sources.text, message.arguments, language), message.buttons,
            message.default_button};
}

std::string shown(const Text& text) {
    return render(text, text_language());
}

ShownMessage shown(const Message& message) {
    return render(message, text_language());
}

} // namespace quantaline
