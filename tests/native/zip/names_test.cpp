// Entry names: how names of other tools are read, names Windows cannot hold, names that differ only
// in case, and the disk's own spelling of a file a restore replaces.
#include <algorithm>
#include <memory>

#include "backup/zip/archive_reader.h"
#include "backup/zip/staging.h"
#include "zip_support/archive_builder.h"
#include "zip_support/faulty_file_system.h"
#include "fs/memory_file_system.h"
#include "zip_support/tree.h"
#include "zip_support/extract_into.h"

namespace zip_test {
namespace {

// Names read through the legacy code page come back marked, so that a test sees which way each went.
std::vector<std::string> names_read(const std::string& archive_bytes) {
    TempDir tmp;
    write_file(tmp / "a.zip", archive_bytes);
    auto in = fs::platform_file_system().open_read(tmp / "a.zip");
    zip::Directory dir = zip::read_directory(*in, [](const std::string& raw) { return "legacy:" + raw; });
    EXPECT_EQ(dir.error, zip::DirectoryError::none);
    std::vector<std::string> names;
    for (const zip::ArchiveEntry& e : dir.entries) names.push_back(e.name);
    return names;
}

FakeEntry unflagged(const std::string& name, const std::string& extra = "") {
    FakeEntry e{name, "data"};
    e.flags = 0;
    e.central_extra = extra;
    return e;
}

TEST(ZipNames, NamesOfOtherToolsAreReadTheWayTheyWereWritten) {
    const std::string gbk_name = "存档.sav";  // the source's narrow literals are GBK
    const std::string utf8_name = u8"存档.sav";
    struct Case {
        const char* what;
        std::vector<FakeEntry> entries;
        std::vector<std::string> expected;
    } cases[] = {
        {"Unicode Path field whose CRC matches", {unflagged(gbk_name, unicode_path_extra(gbk_name, utf8_name))}, {utf8_name}},
        {"Unicode Path field with a wrong CRC is ignored",
         {unflagged(gbk_name, unicode_path_extra(gbk_name, u8"别的.sav", 1, 0x1234))}, {"legacy:" + gbk_name}},
        {"Unicode Path field of another version is ignored",
         {unflagged(gbk_name, unicode_path_extra(gbk_name, u8"别的.sav", 2))}, {"legacy:" + gbk_name}},
        {"UTF-8 that GBK cannot read", {unflagged(u8"空文件.dat")}, {u8"空文件.dat"}},
        {"valid GBK stays GBK", {unflagged(u8"存档/")}, {"legacy:" + std::string(u8"存档/")}},
        {"an archive that shows itself UTF-8 is UTF-8 throughout", {unflagged(u8"存档/"), unflagged(u8"空文件.dat")},
         {u8"存档/", u8"空文件.dat"}},
        {"the UTF-8 flag", {FakeEntry{utf8_name, "data"}}, {utf8_name}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(names_read(build_archive(c.entries)), c.expected);
    }
}

TEST(ZipNames, InfoZipOnAUtf8SystemIsReadAsUtf8) {
    if (!tool_exists("zip")) GTEST_SKIP() << "zip is not installed";
    TempDir tmp;
    write_file(tmp / u8"src/空文件.dat", "");
    write_file(tmp / u8"src/存档/Ä.txt", "x");  // both GBK and UTF-8 can read this one's bytes
    ASSERT_EQ(std::system(("cd " + shell_quote(tmp / "src") + " && LANG=C.UTF-8 LC_ALL=C.UTF-8 zip -q -r ../a.zip .").c_str()), 0);
    std::vector<std::string> names = names_read(read_file(tmp / "a.zip"));
    std::sort(names.begin(), names.end());
    const std::vector<std::string> expected = {u8"存档/", u8"存档/Ä.txt", u8"空文件.dat"};
    EXPECT_EQ(names, expected);
}

// An archive refused before anything is written, by the check alone and by staging, with the reason.
void expect_refused(const std::vector<FakeEntry>& entries, const std::string& reason,
                    const std::vector<std::string>& named) {
    TempDir tmp;
    write_file(tmp / "a.zip", build_archive(entries));
    write_file(tmp / "target/keep.sav", "old");
    zip::StagedExtraction staged;
    for (const zip::Result& r : {zip::check_archive(tmp / "a.zip"),
                                 zip::stage_extraction(tmp / "a.zip", tmp / "target", {}, {}, &staged)}) {
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error.rfind(reason, 0), 0u) << r.error;
        for (const std::string& name : named) EXPECT_NE(r.error.find(name), std::string::npos) << r.error;
    }
    EXPECT_EQ(read_tree(tmp / "target"), (Tree{{"keep.sav", "old"}}));
}

TEST(ZipNames, NamesWindowsCannotHoldAreRefusedForWhatTheyAre) {
    for (std::string name : {"a<b", "a>b", "save:stream", "say\"hi\"", "a|b", "why?", "all*", "bad\x01name", "dir./x",
                             "trailing.", "trailing ", "CON", "sub/nul.txt", "COM1", "lpt9.log"}) {
        SCOPED_TRACE(name);
        expect_refused({{"good.sav", "fine"}, {name, "x"}}, "文件名在 Windows 中无效：", {name});
    }
    for (std::string name : {"../x", "/abs", "C:\\x", "C:x", "a/../../x"}) {
        SCOPED_TRACE(name);
        expect_refused({{"good.sav", "fine"}, {name, "x"}}, "压缩包中有不安全的文件名", {name});
    }
}

TEST(ZipNames, NamesThatDifferOnlyInCaseAreRefusedNamingBoth) {
    const std::vector<std::pair<std::string, std::string>> clashes = {
        {"save.dat", "Save.dat"}, {"a", "A/b"},           {"A/b", "a"},         {"Dir/x.sav", "dir/X.sav"},
        {"sub/", "SUB"},          {u8"ä.sav", u8"Ä.sav"}, {u8"ő", u8"Ő"},       {u8"σ", u8"Σ"},
        {u8"ς", u8"Σ"},           {u8"д.sav", u8"Д.sav"}, {u8"ё", u8"Ё"},       {u8"ａ.sav", u8"Ａ.sav"},
    };
    for (const auto& [first, second] : clashes) {
        SCOPED_TRACE(first + " / " + second);
        auto gbk = [](const std::string& utf8) { return fs::shown_name(utf8); };
        expect_refused({{"good.sav", "fine"}, {first, "1"}, {second, "2"}}, "压缩包中有仅大小写不同的文件名：",
                       {gbk(first), gbk(second)});
    }
}

TEST(ZipNames, OneFolderSpelledInTwoCasesIsOneFolder) {
    TempDir tmp;
    write_file(tmp / "a.zip", build_archive({{"Saves/", ""}, {"Saves/one.sav", "1"}, {"saves/two.sav", "2"},
                                             {"SAVES/deep/three.sav", "3"}, {u8"Ä/x", "4"}, {u8"ä/y", "5"}}));
    zip::Result r = zip_test::extract_into(tmp / "a.zip", tmp / "out");
    ASSERT_TRUE(r.ok) << r.error;
    const Tree expected = {{"Saves/", ""},   {"Saves/one.sav", "1"}, {"Saves/two.sav", "2"}, {"Saves/deep/", ""},
                           {"Saves/deep/three.sav", "3"}, {u8"Ä/", ""}, {u8"Ä/x", "4"}, {u8"Ä/y", "5"}};
    EXPECT_EQ(read_tree(tmp / "out"), expected);
}

// On a disk that ignores case the file a restore replaces is found under its own spelling; on one
// that does not, a name in another case is another file.
TEST(ZipNames, StagingReportsTheReplacedFileAsTheDiskSpellsIt) {
    for (bool ignore_case : {true, false}) {
        SCOPED_TRACE(ignore_case);
        fs::MemoryFileSystem mem;
        mem.ignore_case = ignore_case;
        mem.add_dir("t");
        mem.add_file("t/save.dat", "old");
        mem.add_file("t/same.dat", "old");
        mem.add_file("a.zip", build_archive({{"Save.dat", "new"}, {"same.dat", "new"}, {"fresh.dat", "new"}}));
        zip::Options options;
        options.fs = &mem;
        zip::StagedExtraction staged;
        zip::Result r = zip::stage_extraction("a.zip", "t", {}, options, &staged);
        ASSERT_TRUE(r.ok) << r.error;
        std::map<std::string, std::pair<bool, std::string>> seen;
        for (const auto& f : staged.files) seen[f.relative] = {f.replaces, f.existing};
        using Seen = std::map<std::string, std::pair<bool, std::string>>;
        EXPECT_EQ(seen, (Seen{{"Save.dat", {ignore_case, ignore_case ? "t/save.dat" : ""}},
                              {"same.dat", {true, "t/same.dat"}},
                              {"fresh.dat", {false, ""}}}));
    }
}

// Staging asks the system about each folder once, not about each file.
TEST(ZipNames, StagingListsEachFolderInsteadOfAskingPerFile) {
    TempDir tmp;
    std::vector<FakeEntry> entries;
    for (int i = 0; i < 200; ++i) {
        write_file(tmp / "t/a/" + std::to_string(i) + ".sav", "old");
        entries.push_back({(i % 2 ? "a/" : "b/") + std::to_string(i) + ".sav", "new"});
    }
    write_file(tmp / "a.zip", build_archive(entries));
    FaultyFileSystem counting(fs::platform_file_system());
    zip::Options options;
    options.fs = &counting;
    zip::StagedExtraction staged;
    ASSERT_TRUE(zip::stage_extraction(tmp / "a.zip", tmp / "t", {}, options, &staged).ok);
    int replaced = 0;
    for (const auto& f : staged.files) replaced += f.replaces && f.existing == f.target;
    EXPECT_EQ(replaced, 100);
    EXPECT_LE(counting.stats + counting.listings, 10) << counting.stats << " stats, " << counting.listings << " listings";
}

}  // namespace
}  // namespace zip_test
