// Hostile and broken input, and failing disks: always a clear error, and the saves already in the
// target (or the archive already under the final name) keep their bytes.
#include "fs/file_system.h"
#include "backup/zip/zip.h"
#include "zip_support/archive_builder.h"
#include "zip_support/faulty_file_system.h"
#include "zip_support/tree.h"
#include "zip_support/extract_into.h"

namespace zip_test {
namespace {

constexpr char kOldSave[] = "the save that must survive";

// A target folder holding a save, and an archive that would replace it.
struct ExtractFixture : ::testing::Test {
    TempDir tmp;
    std::string target = tmp / "target";
    std::string archive = tmp / "in.zip";

    void SetUp() override { write_file(target + "/slot.sav", kOldSave); }

    void expect_refused(const std::string& name_in_error) {
        zip::Result r = zip_test::extract_into(archive, target);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(name_in_error), std::string::npos) << r.error;
        EXPECT_EQ(read_tree(target), (Tree{{"slot.sav", kOldSave}})) << "the target changed";
    }
};

TEST_F(ExtractFixture, RefusesNamesThatLeaveTheTarget) {
    for (std::string name : {"../x", "/abs", "C:\\x", "C:x", "a/../../x", "..\\..\\x", "CON", "sub/nul.txt",
                             "COM1", "lpt9.log", "a:b", "bad\x01name"}) {
        SCOPED_TRACE(name);
        write_file(archive, build_archive({{"good.sav", "fine"}, {"slot.sav", "evil"}, {name, "evil"}}));
        expect_refused(name);
        EXPECT_FALSE(stdfs::exists(tmp / "x"));
        EXPECT_FALSE(stdfs::exists("/abs"));
    }
}

TEST_F(ExtractFixture, AcceptsBackslashesAndDotComponentsOfOtherTools) {
    write_file(archive, build_archive({{"sub\\slot.sav", "from windows"}, {"./a/./b.sav", "dotted"}}));
    zip::Result r = zip_test::extract_into(archive, target);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(read_file(target + "/sub/slot.sav"), "from windows");
    EXPECT_EQ(read_file(target + "/a/b.sav"), "dotted");
}

TEST_F(ExtractFixture, RefusesTruncatedArchives) {
    TempDir src;
    write_file(src / "slot.sav", text_like(200000, 1));
    write_file(src / "other.sav", random_bytes(50000, 2));
    ASSERT_TRUE(zip::compress_folder(src.path(), tmp / "good.zip").ok);
    std::string whole = read_file(tmp / "good.zip");
    for (std::size_t keep : {std::size_t{0}, std::size_t{10}, whole.size() / 2, whole.size() - 30, whole.size() - 1}) {
        SCOPED_TRACE(keep);
        write_file(archive, whole.substr(0, keep));
        expect_refused("in.zip");
    }
}

TEST_F(ExtractFixture, WrongCrcNamesTheEntryAndKeepsEverySave) {
    for (bool deflate : {true, false}) {
        FakeEntry bad{"slot.sav", "corrupted contents", deflate};
        bad.crc = 0x12345678;
        write_file(archive, build_archive({{"aaa_good.sav", "written first", deflate}, bad}));
        expect_refused("slot.sav");
    }
}

// Small entries are inflated whole into a buffer, large ones streamed: neither trusts the header.
TEST_F(ExtractFixture, LyingSizesAreCaught) {
    for (std::size_t real : {std::size_t{100000}, std::size_t{3} << 20}) {
        std::string data = text_like(real, 3);
        for (uint64_t declared : {uint64_t{real - 1}, uint64_t{real + 1}, uint64_t{0}, uint64_t{0xffffffff}}) {
            for (bool deflate : {true, false}) {
                SCOPED_TRACE(std::to_string(declared) + (deflate ? " deflated" : " stored"));
                FakeEntry liar{"slot.sav", data, deflate};
                liar.size = declared;
                write_file(archive, build_archive({liar}));
                expect_refused("slot.sav");
            }
        }
    }
}

TEST_F(ExtractFixture, DamagedDeflateStreamIsCaught) {
    std::string good = build_archive({{"slot.sav", text_like(100000, 4)}});
    for (std::size_t at : {std::size_t{60}, std::size_t{500}, std::size_t{2000}}) {
        std::string broken = good;
        broken[at] = static_cast<char>(broken[at] ^ 0x55);
        write_file(archive, broken);
        expect_refused("slot.sav");
    }
}

TEST_F(ExtractFixture, UnsupportedEntriesAreRefused) {
    FakeEntry encrypted{"slot.sav", "x"};
    encrypted.flags |= 1;
    write_file(archive, build_archive({encrypted}));
    expect_refused("slot.sav");
    FakeEntry bzip2{"slot.sav", "x", false};
    bzip2.method_override = 12;
    write_file(archive, build_archive({bzip2}));
    expect_refused("slot.sav");
    write_file(archive, build_archive({{"slot.sav", "one"}, {"slot.sav", "two"}}));
    expect_refused("slot.sav");
    write_file(archive, "PK\x03\x04 not really an archive");
    expect_refused("in.zip");
}

TEST_F(ExtractFixture, FullDiskLeavesTargetAsItWas) {
    TempDir src;
    write_file(src / "slot.sav", text_like(300000, 5));
    write_file(src / "new/more.sav", text_like(300000, 6));
    ASSERT_TRUE(zip::compress_folder(src.path(), archive).ok);
    FaultyFileSystem faulty(fs::platform_file_system());
    zip::Options options;
    options.fs = &faulty;
    for (int64_t budget : {0, 1000, 350000}) {
        faulty.write_budget = budget;
        zip::Result r = zip_test::extract_into(archive, target, {}, options);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(".sav"), std::string::npos) << r.error;
        EXPECT_EQ(read_tree(target), (Tree{{"slot.sav", kOldSave}})) << "budget " << budget;
    }
}

TEST_F(ExtractFixture, FailedReplaceKeepsOldFileAndReports) {
    write_file(archive, build_archive({{"slot.sav", "new"}, {"new/more.sav", "in a folder the target lacks"}}));
    FaultyFileSystem faulty(fs::platform_file_system());
    faulty.fail_replace = true;
    zip::Options options;
    options.fs = &faulty;
    zip::Result r = zip_test::extract_into(archive, target, {}, options);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("slot.sav"), std::string::npos) << r.error;
    EXPECT_EQ(read_tree(target), (Tree{{"slot.sav", kOldSave}}));
}

TEST_F(ExtractFixture, FailedExtractRemovesFoldersItMade) {
    FakeEntry bad{"deep/er/slot.sav", "x"};
    bad.crc = 1;
    write_file(archive, build_archive({FakeEntry("made/"), bad}));
    std::string fresh = tmp / "fresh/target";
    EXPECT_FALSE(zip_test::extract_into(archive, fresh).ok);
    EXPECT_FALSE(stdfs::exists(tmp / "fresh"));
}

// A large entry is inflated piece by piece from the table in our central directory: a table that
// does not add up is ignored, one that lies within its sums is refused.
TEST_F(ExtractFixture, PieceTablesAreCheckedBeforeTheyAreTrusted) {
    const std::string big = text_like(1500000, 9) + random_bytes(300000, 10) + text_like(1500000, 11);
    write_file(tmp / "src/big.sav", big);
    zip::Options options;
    options.chunk_size = 256 * 1024;
    ASSERT_TRUE(zip::compress_folder(tmp / "src", archive, {}, options).ok);
    const std::string honest = read_file(archive);
    const std::size_t field = honest.find(std::string("\x56\x4e", 2), honest.rfind("PK\x01\x02"));
    // A byte of the field changed: none, the piece size doubled, the first length, the piece size + 1.
    struct Case { std::size_t at; char add; bool ok; };
    for (Case c : {Case{0, 0, true}, Case{6, 4, true}, Case{8, 1, true}, Case{4, 1, false}}) {
        std::string bytes = honest;
        bytes[field + c.at] = static_cast<char>(bytes[field + c.at] + c.add);
        write_file(archive, bytes);
        if (!c.ok) { expect_refused("big.sav"); continue; }
        stdfs::remove_all(tmp / "out");
        ASSERT_TRUE(zip_test::extract_into(archive, tmp / "out").ok) << c.at;
        EXPECT_EQ(read_file(tmp / "out/big.sav"), big);
    }
}

struct CompressFixture : ::testing::Test {
    TempDir tmp;
    std::string src = tmp / "src";
    std::string archive = tmp / "out/backup.zip";
    FaultyFileSystem faulty{fs::platform_file_system()};
    zip::Options options;

    void SetUp() override {
        write_file(src + "/a.sav", text_like(400000, 7));
        write_file(src + "/b.sav", random_bytes(400000, 8));
        write_file(archive, "previous backup");
        options.fs = &faulty;
        options.chunk_size = 64 * 1024;
    }

    void expect_failed(const std::string& name_in_error) {
        zip::Result r = zip::compress_folder(src, archive, {}, options);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(name_in_error), std::string::npos) << r.error;
        EXPECT_EQ(read_tree(tmp / "out"), (Tree{{"backup.zip", "previous backup"}})) << "leftovers";
    }
};

TEST_F(CompressFixture, FullDiskKeepsPreviousArchive) {
    for (int64_t budget : {0, 100, 200000, 500000}) {
        SCOPED_TRACE(budget);
        faulty.write_budget = budget;
        expect_failed("backup.zip");
    }
}

TEST_F(CompressFixture, UnreadableFileIsNamed) {
    for (int i = 0; i < 20; ++i) write_file(src + "/small/" + std::to_string(i) + ".sav", text_like(3000, i));
    for (const char* name : {"/b.sav", "/small/13.sav"}) {
        faulty.fail_reads_of(name);
        expect_failed(name + 1);
    }
}

TEST_F(CompressFixture, FailedRenameRemovesTemporaryFile) {
    faulty.fail_replace = true;
    expect_failed("backup.zip");
}

}  // namespace
}  // namespace zip_test
