// Path helpers: extensions, folder and file parts, joining, drive roots,
// free space and deleting folders.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "support/LFile.h"
#include "support/LFilePath.h"
#include "support/TestUtil.h"

namespace sondrel {
namespace {

using Helper = bool (*)(char*, const char*);

struct PartCase {
    const char* path;
    const char* folder;
    const char* file;
    const char* ext;
    const char* title;
};

TEST(FilePath, PartsOfAPath) {
    const PartCase cases[] = {
        {"C:\\Sounds\\take.wav", "C:\\Sounds", "take.wav", ".wav", "take"},
        {"C:/Sounds/take.one.mp3", "C:/Sounds", "take.one.mp3", ".mp3", "take.one"},
        {"C:\\My.Folder\\noext", "C:\\My.Folder", "noext", "", "noext"},
        {"mixed/dir\\name.gsm", "mixed/dir", "name.gsm", ".gsm", "name"},
        {"take.vox", "", "take.vox", ".vox", "take"},
        {"C:\\folder\\", "C:\\folder", "", "", ""},
        {"", "", "", "", ""},
        {"\\.hidden", "", ".hidden", ".hidden", ""},
    };
    for (const PartCase& c : cases) {
        SCOPED_TRACE(c.path);
        char out[kMaxPath];
        EXPECT_TRUE(GetFolderFromPath(out, c.path));
        EXPECT_STREQ(out, c.folder);
        EXPECT_TRUE(GetFileFromPath(out, c.path));
        EXPECT_STREQ(out, c.file);
        EXPECT_TRUE(GetFileExtension(out, c.path));
        EXPECT_STREQ(out, c.ext);
        EXPECT_TRUE(GetFileNameWithoutExtension(out, c.path));
        EXPECT_STREQ(out, c.title);
    }
}

TEST(FilePath, NewExtension) {
    struct Case {
        const char* path;
        const char* ext;
        const char* result;
    } cases[] = {
        {"C:\\a\\take.wav", ".mp3", "C:\\a\\take.mp3"},
        {"C:\\a.b\\take", ".wav", "C:\\a.b\\take.wav"},
        {"take.one.wav", ".gsm", "take.one.gsm"},
        {"take.", ".vox", "take.vox"},
        {"take.wav", "", "take"},
    };
    for (const Case& c : cases) {
        char out[kMaxPath];
        EXPECT_TRUE(ApplyNewFileExtension(out, c.path, c.ext));
        EXPECT_STREQ(out, c.result) << c.path;
    }
    // In place, as callers do with one buffer.
    char buf[kMaxPath] = "C:\\x\\song.wav";
    EXPECT_TRUE(ApplyNewFileExtension(buf, buf, ".mp3"));
    EXPECT_STREQ(buf, "C:\\x\\song.mp3");
}

TEST(FilePath, TooLongPathsFailWithAnEmptyResult) {
    std::string longest(kMaxPathChars - 4, 'a');  // 255 characters
    std::string path = longest + ".wav";           // 259: still a path
    char out[kMaxPath];
    EXPECT_TRUE(ApplyNewFileExtension(out, path.c_str(), ".mp3"));
    EXPECT_EQ(std::string(out), longest + ".mp3");
    EXPECT_FALSE(ApplyNewFileExtension(out, path.c_str(), ".mpeg"));  // 260
    EXPECT_STREQ(out, "");

    std::string tooLong(kMaxPathChars + 1, 'b');
    const Helper helpers[] = {GetFolderFromPath, GetFileFromPath, GetFileExtension, GetFileNameWithoutExtension};
    for (Helper h : helpers) {
        std::strcpy(out, "left over");
        EXPECT_FALSE(h(out, tooLong.c_str()));
        EXPECT_STREQ(out, "");
    }
}

TEST(FilePath, CatAddsOneSeparatorAndStopsAt259) {
    const std::string sep(1, kPathSeparator);
    struct Case {
        const char* folder;
        const char* name;
        const char* ext;
        std::string result;
    } cases[] = {
        {"C:\\Data", "1.aud", "", "C:\\Data" + sep + "1.aud"},
        {"C:\\Data\\", "1.aud", "", "C:\\Data\\1.aud"},
        {"/tmp/", "x", ".wav", "/tmp/x.wav"},
        {"", "name", ".gsm", "name.gsm"},
        {"dir", "", "", "dir" + sep},
    };
    for (const Case& c : cases) {
        char buf[kMaxPath];
        std::strcpy(buf, c.folder);
        EXPECT_TRUE(FilePathCat(buf, c.name, c.ext));
        EXPECT_EQ(std::string(buf), c.result) << c.folder << " + " << c.name;
    }

    char buf[kMaxPath];
    std::string folder(kMaxPathChars - 3, 'f');  // 256
    std::strcpy(buf, folder.c_str());
    EXPECT_TRUE(FilePathCat(buf, "ab"));  // 256 + separator + 2 = 259
    EXPECT_EQ(std::strlen(buf), size_t(kMaxPathChars));
    std::strcpy(buf, folder.c_str());
    EXPECT_FALSE(FilePathCat(buf, "abc", ".wav"));
    EXPECT_EQ(std::strlen(buf), size_t(kMaxPathChars));  // cut at 259, terminated
    EXPECT_EQ(std::string(buf), folder + sep + "ab");
}

TEST(FilePath, DriveRootIsUpToTheFirstSeparator) {
    struct Case {
        const char* path;
        const char* root;
    } cases[] = {
        {"C:\\Program Files\\Sondrel\\Current", "C:\\"},
        {"D:/audio/x.wav", "D:/"},
        {"/tmp/x", "/"},
        {"C:", "C:"},
        {"", ""},
    };
    for (const Case& c : cases) {
        char out[kMaxPath];
        GetDriveRoot(out, c.path);
        EXPECT_STREQ(out, c.root) << c.path;
    }
    // No separator: the whole path, but never more than 259 characters.
    std::string noSep(400, 'r');
    char out[kMaxPath];
    GetDriveRoot(out, noSep.c_str());
    EXPECT_EQ(std::string(out), std::string(kMaxPathChars, 'r'));
}

TEST(FilePath, FreeSpace) {
    EXPECT_EQ(FreeBytesToKB(0), 0u);
    EXPECT_EQ(FreeBytesToKB(2047), 1u);
    EXPECT_EQ(FreeBytesToKB(uint64_t(0xFFFFFFFF) * 1024 + 1023), 0xFFFFFFFFu);
    // Past 4 TiB the count saturates instead of wrapping to a small number.
    EXPECT_EQ(FreeBytesToKB(uint64_t(0x100000000) * 1024 + 5 * 1024), 0xFFFFFFFFu);

    std::string dir = test::ScratchDir("freespace");
    uint32_t kb = GetDriveFreeSpaceKB(dir.c_str());
    EXPECT_GT(kb, 0u);
    EXPECT_NE(kb, kUnknownFreeSpaceKB);
    EXPECT_EQ(GetDriveFreeSpaceKB("no-such-drive-root-at-all"), kUnknownFreeSpaceKB);
}

TEST(FilePath, DeleteFolderAndFilesAndTheTree) {
    namespace fs = std::filesystem;
    fs::path dir = test::ScratchDir("deltree");
    fs::path flat = dir / "flat";
    fs::path tree = dir / "tree";
    fs::create_directories(flat);
    fs::create_directories(tree / "sub" / "deeper");
    fs::create_directories(tree / "empty");
    for (const fs::path& f : {flat / "1.aud", flat / "2.aud", tree / "a.wav", tree / "sub" / "b.wav",
                              tree / "sub" / "deeper" / "c.wav"})
        ASSERT_TRUE(LFile::WriteAll(f.string().c_str(), "x", 1));

    EXPECT_TRUE(DeleteFolderAndFiles(flat.string().c_str()));
    EXPECT_FALSE(fs::exists(flat));

    // Without the walk, a folder with subfolders cannot go: its files do.
    EXPECT_FALSE(DeleteFolderAndFiles(tree.string().c_str()));
    EXPECT_FALSE(fs::exists(tree / "a.wav"));
    EXPECT_TRUE(fs::exists(tree / "sub" / "b.wav"));

    EXPECT_TRUE(DeleteFolderTree(tree.string().c_str()));
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_FALSE(DeleteFolderTree(tree.string().c_str()));  // nothing there any more
}

// The per-user data folder is made at first start with the folders above it.
TEST(FilePath, MakeFolderChainMakesTheMissingFoldersAsTheUsersOwn) {
    namespace fs = std::filesystem;
    fs::path dir = test::ScratchDir("chain");
    fs::path deep = dir / "Local" / "Ketterly" / "Sondrel";
    EXPECT_TRUE(MakeFolderChain(deep.string()));
    EXPECT_TRUE(fs::is_directory(deep));
#ifndef _WIN32
    for (const fs::path& p : {dir / "Local", dir / "Local" / "Ketterly", deep})
        EXPECT_EQ(fs::status(p).permissions() & fs::perms::all, fs::perms::owner_all) << p;
#endif
    EXPECT_TRUE(MakeFolderChain(deep.string()));  // already there
    EXPECT_TRUE(MakeFolderChain((dir / "Local" / "Other").string() + "/"));  // a trailing separator
    EXPECT_TRUE(fs::is_directory(dir / "Local" / "Other"));

    // A file where a folder should be: nothing is made past it.
    ASSERT_TRUE(LFile::WriteAll((dir / "plain").string().c_str(), "x", 1));
    EXPECT_FALSE(MakeFolderChain((dir / "plain" / "Sondrel").string()));
    EXPECT_FALSE(MakeFolderChain(""));
}

}  // namespace
}  // namespace sondrel
