#pragma once

// The program's texts in its user's language. The texts in the code are French, the
// program's own language; the other languages come from translations/*.ts, turned into a
// table at build time. lupdate reads the calls below as Qt's own (see the
// update-translations target):
//   tr_text(context, source)        a text looked up where it is used;
//   TR_NOOP_TEXT(context, source)   a text in a table, looked up later with tr_text.

#include "io/message.h"

#include <initializer_list>
#include <string>
#include <string_view>

#define TR_NOOP_TEXT(context, source) source

namespace quantaline {

enum class Language { french, english };

// The language of every text the program shows from now on; chosen once at start-up.
// French until then.
void set_text_language(Language language);
Language text_language();

// The translation of `source` into the program's language: `source` itself under French
// or when the language has no translation for it.
const char* tr_text(const char* context, const char* source);
// The same for a text held in a string (a value stored as data); lupdate does not read
// these calls: the text is marked where it is written.
std::string tr_string(std::string_view context, const std::string& source);
// The same in a given language, whatever the program's.
std::string tr_string_in(Language language, std::string_view context, const std::string& source);

// `pattern` with %1 ... %9 replaced by the arguments in order; a "%" before anything
// else stays as it is.
std::string fill_text(std::string_view pattern, std::initializer_list<std::string> arguments);

// The context of every message text and of the pieces messages are built from.
inline constexpr const char* message_context = "Message";

// A message as a box shows it: its title and text worded in a language.
struct ShownMessage {
    Icon icon = Icon::information;
    std::string title;
    std::string text;
    Buttons buttons = Buttons::ok;
    Button default_button = Button::ok;

    bool operator==(const ShownMessage&) const = default;
};

// A piece or a message worded in `language`, each argument in turn; a literal stays as it
// is. French is the program's own wording, which the CLI's JSON keeps whatever the language.
std::string render(const Text& text, Language language);
ShownMessage render(const Message& message, Language language);
// The same in the program's language.
std::string shown(const Text& text);
ShownMessage shown(const Message& message);

} // namespace quantaline
