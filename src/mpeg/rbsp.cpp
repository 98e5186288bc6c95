#include "mpeg/rbsp.h"

namespace quantaline::mpeg {

std::vector<std::uint8_t> remove_emulation_prevention(std::span<const std::uint8_t> unit) {
    std::vector<std::uint8_t> rbsp;
    rbsp.reserve(unit.size());
    int zeros = 0;
    for (const std::uint8_t byte : unit) {
        if (zeros >= 2 && byte == 0x03) {
            zeros = 0;
            continue;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        rbsp.push_back(byte);
    }
    return rbsp;
}

} // namespace quantaline::mpeg
