// The open dialog's drive and folder rules, on made-up disks: Linux volumes and Windows
// drive letters alike.
#include "session/open_folders.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <set>

using namespace quantaline;

namespace {

FolderSystem disks(const std::set<std::string>& folders, std::string home, bool windows,
                   const std::set<std::string>& locked = {}) {
    FolderSystem system;
    // Windows finds a folder whatever the case of its letters.
    system.is_folder = [folders, windows](const std::string& path) {
        for (const std::string& folder : folders) {
            if (folder.size() == path.size() &&
                std::equal(folder.begin(), folder.end(), path.begin(), [windows](char a, char b) {
                    return windows ? std::tolower(static_cast<unsigned char>(a)) ==
                                         std::tolower(static_cast<unsigned char>(b))
                                   : a == b;
                })) {
                return true;
            }
        }
        return false;
    };
    system.can_enter = [locked](const std::string& path) { return locked.count(path) == 0; };
    system.home = std::move(home);
    system.windows = windows;
    system.has_drive_c = windows && folders.count("C:\\") != 0;
    return system;
}

const std::set<std::string> linux_folders = {
    "/", "/home", "/home/ana", "/home/ana/video", "/media", "/media/cle", "/media/cle/dvd"};
const std::vector<std::string> linux_drives = {"/", "/home/", "/media/cle/"};

const std::set<std::string> windows_folders = {"C:\\", "C:\\Users", "C:\\Users\\ana", "D:\\",
                                               "D:\\VIDEO_TS"};
const std::vector<std::string> windows_drives = {"C:\\", "D:\\", "E:\\"};

} // namespace

TEST(OpenFolders, JoinsOneSeparator) {
    struct Case {
        const char* folder;
        const char* name;
        char separator;
        const char* path;
    } const cases[] = {{"/", "a.mpg", '/', "/a.mpg"},
                       {"/video", "a.mpg", '/', "/video/a.mpg"},
                       {"C:\\", "a.vob", '\\', "C:\\a.vob"},
                       {"D:\\VIDEO_TS", "VTS_01_1.VOB", '\\', "D:\\VIDEO_TS\\VTS_01_1.VOB"}};
    for (const Case& c : cases) {
        EXPECT_EQ(join_file_path(c.folder, c.name, c.separator), c.path) << c.folder;
    }
}

TEST(OpenFolders, RememberedFolderFallsBack) {
    struct Case {
        bool windows;
        const char* remembered;
        const char* expected;
    } const cases[] = {
        {false, "c:\\", "/home/ana"}, // no drive C: home
        {false, "C:\\", "/home/ana"}, // whatever its case
        {false, "/home/ana/video/gone/deeper", "/home/ana/video"},
        {false, "/home/ana/video/", "/home/ana/video"}, // no separator at the end
        {false, "/home//ana/./video/../video", "/home/ana/video"},
        {false, "relative/folder", "/home/ana"},
        {false, "/", "/"},
        {true, "c:\\", "c:\\"}, // drive C is there
        {true, "D:/VIDEO_TS", "D:\\VIDEO_TS"},
        {true, "E:\\VIDEO_TS", "C:\\Users\\ana"}, // no medium: nothing above it
    };
    for (const Case& c : cases) {
        std::string drive, folder;
        OpenFolders folders(c.windows ? windows_drives : linux_drives,
                            c.windows ? disks(windows_folders, "C:\\Users\\ana", true)
                                      : disks(linux_folders, "/home/ana", false),
                            drive, folder);
        EXPECT_EQ(folders.existing_folder(c.remembered), c.expected) << c.remembered;
    }
}

TEST(OpenFolders, DriveOfAFolderIsTheLongestRoot) {
    std::string drive, folder;
    OpenFolders on_linux(linux_drives, disks(linux_folders, "/home/ana", false), drive, folder);
    EXPECT_EQ(on_linux.drive_of("/media/cle/dvd"), "/media/cle/");
    EXPECT_EQ(on_linux.drive_of("/media/cle"), "/media/cle/");
    EXPECT_EQ(on_linux.drive_of("/media/clef"), "/");
    EXPECT_EQ(on_linux.drive_of("/home/ana"), "/home/");
    OpenFolders on_windows(windows_drives, disks(windows_folders, "C:\\Users\\ana", true), drive,
                           folder);
    EXPECT_EQ(on_windows.drive_of("d:\\video_ts"), "D:\\");
    EXPECT_EQ(on_windows.drive_of("Q:\\x"), "C:\\");
}

// Each opening: what the dialog shows and what it remembers for the next one.
TEST(OpenFolders, LoadAndBrowse) {
    struct Case {
        bool windows;
        std::string remembered_drive;
        std::string remembered_folder;
        // the user's steps: "folder:PATH" or "drive:DRIVE"
        std::vector<std::string> steps;
        std::string folder;
        std::string drive;
        std::string next_drive;
        bool message;
        std::size_t selector_items;
    } const cases[] = {
        // first opening on Linux: home, no drive change
        {false, "c:\\", "c:\\", {}, "/home/ana", "/home/", "c:\\", false, 3},
        // into another volume: the selector follows
        {false,
         "c:\\",
         "c:\\",
         {"folder:/media/cle/dvd"},
         "/media/cle/dvd",
         "/media/cle/",
         "/media/cle/",
         false,
         3},
        // reopened after that: the same place
        {false,
         "/media/cle/",
         "/media/cle/dvd",
         {},
         "/media/cle/dvd",
         "/media/cle/",
         "/media/cle/",
         false,
         3},
        // a drive with no medium: the message, then home
        {false, "c:\\", "c:\\", {"drive:/mnt/absent/"}, "/home/ana", "/home/", "/home/", true, 4},
        // a drive that cannot be listed: the folder stays
        {false, "c:\\", "/home/ana/video", {"drive:/"}, "/home/ana/video", "/", "c:\\", false, 3},
        // Windows start: drive C, one item for it
        {true, "c:\\", "c:\\", {}, "c:\\", "C:\\", "c:\\", false, 3},
        // Windows: E: has no medium, back to the one C:
        {true, "c:\\", "C:\\Users", {"drive:E:\\"}, "C:\\", "C:\\", "C:\\", true, 3},
        // Windows: the remembered drive wins over the folder's
        {true, "D:\\", "C:\\Users", {}, "D:\\", "D:\\", "D:\\", false, 3},
        // no folder given: the drive that holds the remembered one
        {false, "", "/media/cle/dvd", {}, "/media/cle/dvd", "/media/cle/", "", false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        std::string drive = c.remembered_drive;
        std::string folder = c.remembered_folder;
        OpenFolders folders(c.windows ? windows_drives : linux_drives,
                            c.windows ? disks(windows_folders, "C:\\Users\\ana", true)
                                      : disks(linux_folders, "/home/ana", false, {"/"}),
                            drive, folder);
        bool message = folders.load().has_value();
        for (const std::string& step : c.steps) {
            if (step.rfind("folder:", 0) == 0) {
                folders.change_folder(step.substr(7));
            } else {
                message = folders.change_drive(step.substr(6)).has_value() || message;
            }
        }
        EXPECT_EQ(folders.folder(), c.folder);
        EXPECT_EQ(folders.drive(), c.drive);
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(drive, c.next_drive);
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(folders.drives().size(), c.selector_items);
    }
}

TEST(OpenFolders, ChainRunsFromTheDriveRoot) {
    std::string drive = "/media/cle/", folder = "/media/cle/dvd";
    OpenFolders folders(linux_drives, disks(linux_folders, "/home/ana", false), drive, folder);
    folders.load();
    EXPECT_EQ(folders.folder_chain(), (std::vector<std::string>{"/media/cle", "/media/cle/dvd"}));
    folders.change_folder("/home/ana/video");
    EXPECT_EQ(folders.folder_chain(),
              (std::vector<std::string>{"/home", "/home/ana", "/home/ana/video"}));
}
