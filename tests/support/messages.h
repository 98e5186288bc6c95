#pragma once

// Messages as the tests read them: worded in French, the program's own language.

#include "io/message.h"
#include "io/text.h"

#include <ostream>

namespace quantaline {

inline ShownMessage french(const Message& message) {
    return render(message, Language::french);
}

inline std::string french(const Text& text) {
    return render(text, Language::french);
}

// A failing comparison of messages shows them worded.
inline void PrintTo(const Message& message, std::ostream* out) {
    const ShownMessage shown = french(message);
    *out << '"' << shown.title << "\" \"" << shown.text << '"';
}

inline void PrintTo(const ShownMessage& message, std::ostream* out) {
    *out << '"' << message.title << "\" \"" << message.text << '"';
}

} // namespace quantaline
