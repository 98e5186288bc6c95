// A disk that fills up half-way through a write, for real: a small tmpfs mounted in a
// mount namespace of a child process (root, or a user namespace, is needed to mount it).
#ifdef __linux__

#include "analysis/analysis.h"
#include "export/tmpgenc_export.h"
#include "io/text_file.h"
#include "support/messages.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

namespace quantaline {
namespace {

using test::read_all;
using test::TempDir;

// Runs `check` in a child that sees a 32 KiB tmpfs on `folder`; nothing when no such file
// system could be mounted here.
std::optional<bool> on_a_small_disk(const std::string& folder, const std::function<bool()>& check) {
    return test::run_in_child(
        [&] {
            return ::unshare(CLONE_NEWNS) == 0 &&
                   ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                   ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=32k") == 0;
        },
        check);
}

bool only_file_is(const std::filesystem::path& folder, const std::string& name) {
    auto entries = std::filesystem::directory_iterator(folder);
    return std::distance(entries, std::filesystem::directory_iterator()) == 1 &&
           std::filesystem::exists(folder / name);
}

TEST(FullDisk, AWriteThatRunsOutOfSpaceLeavesThePreviousFile) {
    TempDir dir;
    const std::string folder = dir.folder();
    const auto outcome = on_a_small_disk(dir.path().string(), [&] {
        // An encoder settings file of 20 KiB: its new copy cannot fit beside it.
        std::string before = "[Tools.QuantizeMatrix]\r\nCount=0\r\n";
        before += std::string(std::size_t{20} * 1024, 'x') + "\r\n";
        const std::string ini = folder + "TMPGEnc.ini";
        FILE* file = std::fopen(ini.c_str(), "wb");
        if (file == nullptr ||
            std::fwrite(before.data(), 1, before.size(), file) != before.size() ||
            std::fclose(file) != 0) {
            return false;
        }
        QuantMatrixPair matrices;
        matrices.intra = default_intra;
        matrices.non_intra = default_non_intra;
        Configuration configuration;
        const auto message = export_tmpgenc(folder, "Plein", matrices, configuration);
        const bool told =
            message && message->icon == Icon::critical &&
            french(*message).text == "Le fichier [" + ini +
                                         "] n'a pas pu être écrit : Plus de place sur le "
                                         "disque. Le fichier n'a pas été modifié.";
        const bool kept = read_all(ini) == before && only_file_is(folder, "TMPGEnc.ini");

        // A plain text file too: the error is returned, never a success.
        const auto error = write_text_lines(folder + "quantaline.cfg",
                                            std::vector<std::string>(400, std::string(100, 'y')));
        const bool refused = error && french(error->reason) == "Plus de place sur le disque" &&
                             only_file_is(folder, "TMPGEnc.ini");
        return told && kept && refused;
    });
    if (!outcome) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root or user namespaces)";
    }
    EXPECT_TRUE(*outcome);
}

} // namespace
} // namespace quantaline

#endif
