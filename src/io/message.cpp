#include "io/message.h"

namespace quantaline {

const char* icon_name(Icon icon) {
    switch (icon) {
    case Icon::critical:
        return "critical";
    case Icon::exclamation:
        return "exclamation";
    case Icon::information:
        return "information";
    }
    return "information";
}

} // namespace quantaline
