// Reads the list of user matrices from a TMPGEnc.ini the way a Windows program does,
// through GetPrivateProfileStringA, and prints every entry on one line:
// "N|name|intra rows|non-intra rows". Exits with 1 when an entry the count promises is
// missing.
#include <cstdio>
#include <string>
#include <windows.h>

static std::string read_key(const char* file, const std::string& key) {
    char value[512];
    const DWORD length = GetPrivateProfileStringA("Tools.QuantizeMatrix", key.c_str(), "\x01",
                                                  value, sizeof value, file);
    return std::string(value, length);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ini_reader FILE\n");
        return 2;
    }
    char full[MAX_PATH];
    GetFullPathNameA(argv[1], MAX_PATH, full, nullptr);
    const std::string count = read_key(full, "Count");
    std::printf("Count=%s\n", count.c_str());
    int status = 0;
    for (int n = 0; n < std::atoi(count.c_str()); ++n) {
        const std::string number = std::to_string(n);
        std::string line = number + "|" + read_key(full, "Name" + number);
        for (const char* kind : {"Intra", "NonIntra"}) {
            line += "|";
            for (int k = 0; k < 8; ++k) {
                line += (k ? "," : "") + read_key(full, kind + number + "_" + std::to_string(k));
            }
        }
        if (line.find('\x01') != std::string::npos) {
            status = 1;
        }
        std::printf("%s\n", line.c_str());
    }
    return status;
}
