// Any bytes as quantaline.cfg: the lenient reader must take them all, and the codec must
// give back every byte it read.
#include "config/configuration.h"
#include "io/text_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quantaline;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto lines = split_text_lines(bytes);
    const Configuration configuration = read_configuration_lines(lines);

    // Each value is the tail of one line of the file.
    const auto from_some_line = [&](const std::string& value) {
        if (value.empty()) {
            return true;
        }
        for (const auto& line : lines) {
            if (line.size() > value.size() && line.ends_with(value)) {
                return true;
            }
        }
        return false;
    };
    if (!from_some_line(configuration.cce_registry_key) ||
        !from_some_line(configuration.tmpgenc_folder)) {
        std::abort();
    }
    // Windows-1252 in, UTF-8 inside, the same bytes out.
    if (utf8_to_cp1252(cp1252_to_utf8(bytes)) != bytes) {
        std::abort();
    }
    return 0;
}
