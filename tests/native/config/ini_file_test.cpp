// Reading and writing INI files on the file-system seam: one parse per unchanged file, and a write
// that fails leaves the old file whole.
#include <gtest/gtest.h>

#include "config/ini_file.h"
#include "zip_support/faulty_file_system.h"
#include "fs/memory_file_system.h"

namespace {

const std::string kList = "cfg/list.ini";
const std::string kOld = "[甲]\r\n存档路径=C:\\甲\r\n[乙]\r\n存档路径=C:\\乙\r\n";

class IniFile : public ::testing::Test {
   protected:
    void SetUp() override {
        memory.add_dir("cfg");
        memory.add_file(kList, kOld);
    }
    bool set(const std::string& section, const std::string& key, const std::string& value) {
        return ini::update(fs, kList, [&](ini::Document& d) { return d.set(section, key, value); });
    }
    std::string on_disk() { return *memory.nodes().at(kList).data; }
    fs::MemoryFileSystem memory;
    zip_test::FaultyFileSystem fs{memory};
};

TEST_F(IniFile, AFailedWriteLeavesTheOldFileWholeAndNoTemporary) {
    for (int fault = 0; fault < 3; ++fault) {
        memory.add_file(kList, kOld);
        fs.write_budget = fault == 0 ? 10 : -1;  // a disk that fills up part way
        fs.fail_replace = fault == 1;
        if (fault == 2) fs.fail_reads_of("list.ini");  // a file that cannot be read is not replaced
        EXPECT_FALSE(set("甲", "操作时间", "2024年1月1日")) << fault;
        EXPECT_EQ(on_disk(), kOld) << fault;
        EXPECT_EQ(memory.nodes().size(), 2u) << fault;  // the folder and the list, nothing beside
        fs.write_budget = -1;
        fs.fail_replace = false;
        fs.fail_reads_of("");
    }
}

TEST_F(IniFile, AWriteReplacesTheWholeFileOnceAndOnlyWhenSomethingChanged) {
    ASSERT_TRUE(set("乙", "程序路径", "D:\\乙.exe"));
    EXPECT_EQ(on_disk(), "[甲]\r\n存档路径=C:\\甲\r\n[乙]\r\n存档路径=C:\\乙\r\n程序路径=D:\\乙.exe\r\n");
    const int created = fs.files_created;
    EXPECT_TRUE(set("乙", "程序路径", "D:\\乙.exe"));
    EXPECT_EQ(fs.files_created, created);  // nothing changed, nothing written
    EXPECT_TRUE(ini::update(fs, "cfg/new.ini", [](ini::Document& d) { return d.set("s", "k", "v"); }));
    EXPECT_EQ(*memory.nodes().at("cfg/new.ini").data, "[s]\r\nk=v\r\n");
}

TEST_F(IniFile, OneParseWhileTheFileStaysAndAChangeByAnotherProcessIsSeen) {
    auto first = ini::load(fs, kList);
    EXPECT_EQ(ini::load(fs, kList), first);
    // Another process rewrites it: other size, or same size at another time.
    memory.add_file(kList, "[丙]\r\n存档路径=C:\\丙\r\n");
    auto second = ini::load(fs, kList);
    EXPECT_EQ(second->section_names(), std::vector<std::string>{"丙"});
    memory.add_file(kList, "[丁]\r\n存档路径=C:\\丁\r\n", 1600000001);
    EXPECT_EQ(ini::load(fs, kList)->section_names(), std::vector<std::string>{"丁"});
    EXPECT_TRUE(ini::load(fs, "cfg/none.ini")->section_names().empty());
}

}  // namespace
