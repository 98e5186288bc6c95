#pragma once

#include "analysis/stream_info.h"
#include "io/message.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quantaline {

// program_folder + "quantaline.reg".
std::string cce_script_path(const std::string& program_folder);

// The registry value's 128 bytes: the intra matrix, then the non-intra one, raster order.
std::array<std::uint8_t, 128> cce_values(const QuantMatrixPair& matrices);

// Writes the REGEDIT4 script that stores `values` as the binary value `name` under `key`.
// Nothing on success; otherwise the message to show, and the script must not be opened.
std::optional<Message> write_cce_script(const std::string& path, const std::string& key,
                                        const std::string& name,
                                        const std::array<std::uint8_t, 128>& values);

} // namespace quantaline
