#include "config/configuration.h"
#include "export/export_messages.h"
#include "support/messages.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace quantaline {
namespace {

using test::read_all;
using test::TempDir;

const std::string default_file = "[quantaline 1  1 ]\r\n"
                                 "\r\n"
                                 "\r\n"
                                 "[CCE]\r\n"
                                 "Cl\xE9 du registre=HKEY_CURRENT_USER\\Software\\Custom "
                                 "Technology\\CCE SP Trial Version\\qmat\r\n"
                                 "\r\n"
                                 "[TMPGEnc]\r\n"
                                 "Chemin de TMPGEnc=C:\\Program Files\\Pegasys\\TMPGEnc\\\r\n"
                                 "\r\n"
                                 "\r\n"
                                 "Valeurs=Defaut\r\n"
                                 "\r\n"
                                 "[EOF]\r\n";

TEST(Configuration, AMissingFileIsCreatedWithTheDefaults) {
    TempDir dir;
    const Configuration configuration = load_configuration(dir.folder());
    EXPECT_EQ(configuration.cce_registry_key,
              "HKEY_CURRENT_USER\\Software\\Custom Technology\\CCE SP Trial Version\\qmat");
    EXPECT_EQ(configuration.tmpgenc_folder, "C:\\Program Files\\Pegasys\\TMPGEnc\\");
    EXPECT_TRUE(configuration.values_are_default);
    EXPECT_EQ(read_all(dir.file("quantaline.cfg")), default_file);
}

TEST(Configuration, TheFirstLineNamesTheExecutableWithoutItsExtension) {
    TempDir dir;
    load_configuration(dir.folder(), "Quantaline.exe");
    EXPECT_TRUE(read_all(dir.file("quantaline.cfg")).starts_with("[Quantaline 1  1 ]\r\n\r\n"));
}

TEST(Configuration, AFolderThatCannotBeWrittenStillGivesTheDefaults) {
    TempDir dir;
    const auto missing = dir.file("missing") + "/";
    const Configuration configuration = load_configuration(missing);
    EXPECT_TRUE(configuration.values_are_default);
    EXPECT_EQ(configuration.tmpgenc_folder, "C:\\Program Files\\Pegasys\\TMPGEnc\\");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(Configuration, TheReaderIsLenient) {
    struct Case {
        const char* name;
        std::string file; // Windows-1252
        Configuration expected;
    };
    const std::vector<Case> cases = {
        {"only Valeurs=Utilisateur", "Valeurs=Utilisateur\r\n", {"", "", false}},
        {"a colon instead of =", "Cl\xE9 du registre:HKCU\\x\r\n", {"HKCU\\x", "", false}},
        {"blanks around =", "Chemin de TMPGEnc = D:\\T\\\r\n", {"", "= D:\\T\\", false}},
        {"the later line wins", "Chemin de TMPGEnc=A\r\nChemin de TMPGEnc=B\r\n", {"", "B", false}},
        {"after [EOF] and under the wrong section",
         "[TMPGEnc]\r\nCl\xE9 du registre=K\r\n[EOF]\r\nChemin de TMPGEnc=P\r\n",
         {"K", "P", false}},
        {"Defaut in lower case", "Valeurs=defaut\r\n", {"", "", false}},
        {"Defaut followed by a blank", "Valeurs=Defaut \r\n", {"", "", false}},
        {"Defaut then Utilisateur", "Valeurs=Defaut\r\nValeurs=Utilisateur\r\n", {"", "", true}},
        {"blanks belong to the value", "Chemin de TMPGEnc= C:\\T \r\n", {"", " C:\\T ", false}},
        {"the key alone", "Valeurs\r\nChemin de TMPGEnc\r\n", {"", "", false}},
        {"key case matters", "chemin de TMPGEnc=X\r\nCLÉ du registre=Y\r\n", {"", "", false}},
        {"an accented separator is one character",
         "Valeurs\xE9"
         "Defaut",
         {"", "", true}},
        {"LF endings, no final ending", "Cl\xE9 du registre=K\nValeurs=Defaut", {"K", "", true}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write_text("quantaline.cfg", c.file);
        const Configuration loaded = load_configuration(dir.folder());
        EXPECT_EQ(loaded.cce_registry_key, c.expected.cce_registry_key) << c.name;
        EXPECT_EQ(loaded.tmpgenc_folder, c.expected.tmpgenc_folder) << c.name;
        EXPECT_EQ(loaded.values_are_default, c.expected.values_are_default) << c.name;
        EXPECT_EQ(read_all(dir.file("quantaline.cfg")), c.file) << c.name << ": rewritten";
    }
}

TEST(Configuration, SaveWritesTheThirteenLinesAsUserValues) {
    TempDir dir;
    const Configuration configuration{"HKCU\\Clé", "D:\\Encodeurs\\TMPGEnc", true};
    EXPECT_FALSE(save_configuration(dir.folder(), configuration));
    EXPECT_EQ(read_all(dir.file("quantaline.cfg")), "[quantaline 1  1 ]\r\n"
                                                    "\r\n"
                                                    "\r\n"
                                                    "[CCE]\r\n"
                                                    "Cl\xE9 du registre=HKCU\\Cl\xE9\r\n"
                                                    "\r\n"
                                                    "[TMPGEnc]\r\n"
                                                    "Chemin de TMPGEnc=D:\\Encodeurs\\TMPGEnc\r\n"
                                                    "\r\n"
                                                    "\r\n"
                                                    "Valeurs=Utilisateur\r\n"
                                                    "\r\n"
                                                    "[EOF]\r\n");
    const Configuration loaded = load_configuration(dir.folder());
    EXPECT_EQ(loaded.cce_registry_key, "HKCU\\Clé");
    EXPECT_EQ(loaded.tmpgenc_folder, "D:\\Encodeurs\\TMPGEnc");
    EXPECT_FALSE(loaded.values_are_default);

    const auto failed = save_configuration(dir.file("missing") + "/", configuration);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->path, dir.file("missing") + "/quantaline.cfg");
}

// A value holding CR or LF would smuggle lines into the file, read back at the next start.
TEST(Configuration, SaveRefusesLineBreaksAndLeavesTheFileAsItWas) {
    const std::vector<Configuration> cases = {
        {"HKEY_CURRENT_USER\\Software\\X\nValeurs=Defaut", "C:\\TMPGEnc\\", false},
        {"HKEY_CURRENT_USER\\Software\\X\r\nValeurs=Defaut", "C:\\TMPGEnc\\", false},
        {"HKCU\\Q", "C:\\TMPGEnc\\\rChemin de TMPGEnc=D:\\", false},
        {"HKCU\\Q", "\n", false},
    };
    for (const auto& configuration : cases) {
        TempDir dir;
        load_configuration(dir.folder()); // the default file
        const auto error = save_configuration(dir.folder(), configuration);
        ASSERT_TRUE(error) << configuration.cce_registry_key << configuration.tmpgenc_folder;
        EXPECT_EQ(error->kind, WriteErrorKind::line_break);
        EXPECT_EQ(error->path, dir.file("quantaline.cfg"));
        // The same words as the encoders' writers give for a line break.
        EXPECT_EQ(french(write_error_text(*error)), french(line_break_message).text);
        EXPECT_EQ(french(write_error_text(*error)),
                  "Le nom de l'enregistrement et la clé ne doivent pas contenir de retour à la "
                  "ligne. Rien n'a été écrit.");
        EXPECT_EQ(read_all(dir.file("quantaline.cfg")), default_file);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

// XDG_DATA_HOME and "/": tests/unit/windows_paths_test.cpp holds the Windows case.
#ifndef _WIN32
TEST(ProgramFolder, IsTheExecutablesFolderOrThePerUserDataFolder) {
    TempDir dir;
    EXPECT_EQ(program_folder_from_executable(dir.file("quantaline")), dir.folder());

    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string saved_value = saved ? saved : "";
    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    EXPECT_EQ(program_folder_from_executable(dir.file("missing") + "/quantaline"),
              dir.file("data") + "/Quantaline/");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "data" / "Quantaline"));
    if (saved) {
        setenv("XDG_DATA_HOME", saved_value.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

TEST(ProgramFolder, AnInstalledProgramUsesThePerUserFolderEvenForRoot) {
    TempDir dir;
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string saved_value = saved ? saved : "";
    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    // /usr/bin can be written by root, yet nothing of ours may be left there.
    for (const char* installed : {"/usr/bin/quantaline", "/usr/local/bin/quantaline-cli"}) {
        EXPECT_EQ(program_folder_from_executable(installed), dir.file("data") + "/Quantaline/")
            << installed;
    }
    if (saved) {
        setenv("XDG_DATA_HOME", saved_value.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}
#endif

} // namespace
} // namespace quantaline
