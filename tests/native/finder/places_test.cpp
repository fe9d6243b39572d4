// Which written files make a save location, and in what order the locations are offered.
#include "finder/places.h"

#include <gtest/gtest.h>

namespace {

using finder::Candidate;
using finder::Root;
using finder::RootKind;
using finder::WrittenFile;

struct LeftOutCase {
    RootKind kind;
    const char* relative;
    bool left_out;
};

TEST(FinderPlaces, WhatIsClearlyNoSaveIsLeftOut) {
    const LeftOutCase cases[] = {
        {RootKind::local, "Temp\\unity\\game.log", true},
        {RootKind::local, "Temp\\x\\save.dat", true},
        {RootKind::local, "Microsoft\\Windows\\INetCache\\IE\\a.htm", true},
        {RootKind::roaming, "Microsoft\\Windows\\Recent\\a.lnk", true},
        {RootKind::local, "Google\\Chrome\\User Data\\Default\\Preferences", true},
        {RootKind::local, "Google\\Earth\\settings.ini", false},
        {RootKind::roaming, "Mozilla\\Firefox\\Profiles\\x\\places.sqlite", true},
        {RootKind::local, "NVIDIA\\DXCache\\a.bin", true},
        {RootKind::local, "D3DSCache\\5f\\shader.idx", true},
        {RootKind::local_low, "Maker\\Game\\ShaderCache\\s.bin", true},
        {RootKind::local_low, "Maker\\Game\\GPUCache\\data_0", true},
        {RootKind::local, "CrashDumps\\game.exe.4711.dmp", true},
        {RootKind::local, "Maker\\Game\\Crashes\\report.txt", true},
        {RootKind::roaming, "Maker\\Game\\output.log", true},
        {RootKind::roaming, "Maker\\Game\\trace.MDMP", true},
        {RootKind::roaming, "Maker\\Game\\desktop.ini", true},
        {RootKind::local_low, "Maker\\Game\\save1.dat", false},
        {RootKind::documents, "My Games\\游戏\\存档\\1.sav", false},
        {RootKind::program_folder, "save\\slot1.sav", false},
        {RootKind::program_folder, "Microsoft\\patch.dat", false},  // only a shared root has foreign vendors
        {RootKind::program_folder, "tmp\\x.dat", true},
        {RootKind::program_folder, "settings.ini", false},
    };
    for (const LeftOutCase& c : cases)
        EXPECT_EQ(finder::is_left_out(c.kind, c.relative), c.left_out) << c.relative;
}

TEST(FinderPlaces, AFileBelongsToTheDeepestRootHoldingIt) {
    const std::vector<Root> roots = {{RootKind::local, "C:\\U\\AppData\\Local"},
                                     {RootKind::program_folder, "C:\\U\\AppData\\Local\\Temp\\g"}};
    std::string relative;
    EXPECT_EQ(finder::root_of(roots, "C:\\U\\AppData\\Local\\Temp\\g\\a.ini", &relative), 1);
    EXPECT_EQ(relative, "a.ini");
    EXPECT_EQ(finder::root_of(roots, "c:\\u\\appdata\\local\\M\\b", &relative), 0);
    EXPECT_EQ(relative, "M\\b");
    EXPECT_EQ(finder::root_of(roots, "C:\\U\\AppData\\LocalLow\\M\\b", &relative), -1);
    EXPECT_EQ(finder::root_of(roots, "C:\\U\\AppData\\Local\\Temp\\gx\\a", &relative), 0);
}

TEST(FinderPlaces, OnePlaceIsOfferedAsItsDeepestFolderBestFirst) {
    const std::string u = "C:\\Users\\u";
    const std::string program = u + "\\AppData\\Local\\Temp\\v1\\游戏";  // a program folder inside Temp
    const std::vector<Root> roots = {
        {RootKind::documents, u + "\\Documents"},         {RootKind::local, u + "\\AppData\\Local"},
        {RootKind::local_low, u + "\\AppData\\LocalLow"}, {RootKind::roaming, u + "\\AppData\\Roaming"},
        {RootKind::program_folder, program},
    };
    const std::vector<WrittenFile> files = {
        {program + "\\settings.ini", 10, 500},
        {u + "\\Documents\\My Games\\Other\\config.ini", 10, 300},
        {u + "\\AppData\\LocalLow\\Maker\\Game\\save1.dat", 10, 100},
        {u + "\\appdata\\locallow\\maker\\game\\Slots\\slot2.dat", 10, 200},  // same place, other case
        {u + "\\AppData\\Local\\Temp\\game.log", 10, 900},
        {u + "\\AppData\\Local\\NVIDIA\\DXCache\\a.bin", 10, 900},
        {u + "\\AppData\\Local\\Maker\\Logs\\game.log", 10, 900},  // a logs-only folder
        {u + "\\AppData\\Roaming\\loose.ini", 10, 900},            // directly in a shared root
        {u + "\\Documents\\My Games\\loose.ini", 10, 900},
        {u + "\\Documents\\Varnoke\\配置目录\\系统配置文件.ini", 10, 900},
        {"E:\\elsewhere\\a.dat", 10, 900},
    };
    const std::vector<Candidate> found = finder::rank_candidates(roots, files, {u + "\\Documents\\Varnoke\\配置目录"});
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].folder, u + "\\AppData\\LocalLow\\Maker\\Game");
    EXPECT_EQ(found[0].files, 2);
    EXPECT_EQ(found[0].last_write, 200);
    EXPECT_EQ(found[1].folder, u + "\\Documents\\My Games\\Other");
    EXPECT_EQ(found[2].folder, program);
    EXPECT_EQ(found[2].kind, RootKind::program_folder);
}

TEST(FinderPlaces, WithoutSaveWordsMoreFilesAndThenLaterWritesComeFirst) {
    const std::vector<Root> roots = {{RootKind::roaming, "R"}};
    const std::vector<WrittenFile> files = {
        {"R\\A\\x\\1.ini", 1, 10}, {"R\\B\\2.ini", 1, 50}, {"R\\B\\3.ini", 1, 20}, {"R\\C\\4.ini", 1, 30},
        {"R\\A\\y\\5.ini", 1, 40},
    };
    const std::vector<Candidate> found = finder::rank_candidates(roots, files, {});
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].folder, "R\\B");  // two files, written last
    EXPECT_EQ(found[1].folder, "R\\A");  // two files in two sub-folders meet in A
    EXPECT_EQ(found[2].folder, "R\\C");
}

}  // namespace

// Cache, temp and crash folders once each, else log and dump kinds; nothing outside the folder.
TEST(FinderPlaces, ExclusionsAreSuggestedForCachesLogsAndDumpsBelowTheChosenFolder) {
    const std::vector<WrittenFile> files = {
        {"D:\\G\\Save\\slot1.sav"},           {"D:\\G\\Save\\ShaderCache\\a.bin"}, {"D:\\G\\Save\\x\\shadercache\\b.bin"},
        {"D:\\G\\Save\\logs\\run.log"},       {"D:\\G\\Save\\Crashes\\c.dmp"},    {"D:\\G\\Save\\game.LOG"},
        {"D:\\G\\Save\\m.mdmp"},              {"D:\\G\\Other\\y.tmp"},             {"D:\\G\\Save2\\z.tmp"}};
    EXPECT_EQ(suggest_exclusions("D:\\G\\Save", files),
              (std::vector<std::string>{"ShaderCache\\", "*.log", "Crashes\\", "*.mdmp"}));
}
