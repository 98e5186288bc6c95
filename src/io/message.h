#pragma once

#include <string>
#include <vector>

namespace quantaline {

// A message box the user must see. The core never shows anything: it returns
// these in the order they would appear, and the front end shows them.
enum class Icon { critical, exclamation, information };
enum class Buttons { ok, ok_cancel };
enum class Button { ok, cancel };

struct Message {
    Icon icon = Icon::information;
    std::string title;
    std::string text;
    Buttons buttons = Buttons::ok;
    Button default_button = Button::ok;

    bool operator==(const Message&) const = default;
};

using Messages = std::vector<Message>;

// "critical", "exclamation" or "information", as the CLI's JSON names them.
const char* icon_name(Icon icon);

} // namespace quantaline
