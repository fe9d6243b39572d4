// Round trips through the engine on the host file system.
#include <thread>

#include "backup/zip/archive_reader.h"
#include "fs/file_system.h"
#include "backup/zip/format.h"
#include "backup/zip/zip.h"
#include "fs/memory_file_system.h"
#include "zip_support/tree.h"
#include "zip_support/extract_into.h"

namespace zip_test {
namespace {

// Small pieces and three workers, so that even small test files go through the parallel paths.
zip::Options small_chunks() {
    zip::Options o;
    o.chunk_size = 64 * 1024;
    o.threads = 3;
    return o;
}

Tree make_save_tree(const std::string& root) {
    write_file(root + "/profile.ini", text_like(3000, 1));
    write_file(root + u8"/存档/第一章.sav", random_bytes(5000, 2));
    write_file(root + u8"/存档/빈파일.txt", "");
    write_file(root + u8"/截图/🎮 boss.png", random_bytes(300 * 1024, 3));
    write_file(root + "/world/region.dat", text_like(700 * 1024, 4) + random_bytes(100 * 1024, 5));
    write_file(root + "/world/empty.bin", "");
    stdfs::create_directories(root + "/empty/nested/deeper");
    stdfs::create_directories(root + u8"/空文件夹");
    return read_tree(root);
}

zip::Directory read_dir_of(const std::string& archive) {
    auto in = fs::platform_file_system().open_read(archive);
    return zip::read_directory(*in, [](const std::string& s) { return s; });
}

TEST(ZipRoundTrip, RestoresNamesContentsFoldersAndTimes) {
    TempDir tmp;
    Tree source = make_save_tree(tmp / "src");
    set_mtime(tmp / u8"src/存档/第一章.sav", 1500000000);
    set_mtime(tmp / "src/world/region.dat", 1400000001);
    for (bool zip64 : {false, true}) {
        SCOPED_TRACE(zip64 ? "zip64" : "plain");
        zip::Options options = small_chunks();
        options.force_zip64 = zip64;
        std::string archive = tmp / (zip64 ? "z64.zip" : "plain.zip");
        std::string out = tmp / (zip64 ? "out64" : "out");
        ASSERT_TRUE(zip::compress_folder(tmp / "src", archive, {}, options).ok);
        zip::Result r = zip_test::extract_into(archive, out, {}, options);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(read_tree(out), source);
        EXPECT_EQ(mtime_of(out + u8"/存档/第一章.sav"), 1500000000);
        EXPECT_EQ(mtime_of(out + "/world/region.dat"), 1400000001);
    }
}

TEST(ZipRoundTrip, StoresWhatDoesNotCompressAndDeflatesTheRest) {
    TempDir tmp;
    const std::size_t head = 300 * 1024, body = 200 * 1024;
    write_file(tmp / "src/random.bin", random_bytes(3 << 20, 7));
    write_file(tmp / "src/text.txt", text_like(3 << 20, 8));
    write_file(tmp / "src/tiny.bin", random_bytes(100, 9));
    write_file(tmp / "src/empty", "");
    // A random head longer than several pieces, then records: only the head may be stored.
    write_file(tmp / "src/headed.sav", random_bytes(head, 10) + text_like(body, 11));
    write_file(tmp / "src/blocks.sav", alternating_blocks(6, 12));
    write_file(tmp / "src/small_headed.sav", random_bytes(20000, 13) + text_like(30000, 14));
    ASSERT_TRUE(zip::compress_folder(tmp / "src", tmp / "a.zip", {}, small_chunks()).ok);
    zip::Directory dir = read_dir_of(tmp / "a.zip");
    ASSERT_EQ(dir.error, zip::DirectoryError::none);
    std::map<std::string, zip::ArchiveEntry> entries;
    for (const auto& e : dir.entries) entries[e.name] = e;
    EXPECT_EQ(entries["random.bin"].method, zip::format::kStored);
    EXPECT_EQ(entries["tiny.bin"].method, zip::format::kStored);
    EXPECT_EQ(entries["empty"].method, zip::format::kStored);
    EXPECT_EQ(entries["text.txt"].method, zip::format::kDeflated);
    for (const char* name : {"headed.sav", "blocks.sav", "small_headed.sav"}) {
        const zip::ArchiveEntry& e = entries[name];
        EXPECT_EQ(e.method, zip::format::kDeflated) << name;
        EXPECT_LT(e.compressed_size, e.size * 3 / 4) << name;
    }
    EXPECT_LT(entries["headed.sav"].compressed_size, head + body / 2);
    for (const auto& e : dir.entries) EXPECT_TRUE(e.flags & zip::format::kFlagUtf8) << e.name;
    zip::Result r = zip_test::extract_into(tmp / "a.zip", tmp / "out", {}, small_chunks());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(read_tree(tmp / "out"), read_tree(tmp / "src"));
}

TEST(ZipRoundTrip, DeepTreeWithLongPath) {
    TempDir tmp;
    std::string rel;
    for (int i = 0; i < 30; ++i) rel += (i ? "/" : "") + std::string(u8"很长的文件夹名字_") + std::to_string(i) + std::string(60, 'd');
    rel += "/save.dat";
    ASSERT_GT(rel.size(), 2500u);
    write_file(tmp / "src/" + rel, "deep save");
    ASSERT_TRUE(zip::compress_folder(tmp / "src", tmp / "deep.zip").ok);
    zip::Result r = zip_test::extract_into(tmp / "deep.zip", tmp / "out");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(read_file(tmp / "out/" + rel), "deep save");
}

TEST(ZipRoundTrip, EmptyFolderMakesValidArchive) {
    TempDir tmp;
    stdfs::create_directories(tmp / "src");
    ASSERT_TRUE(zip::compress_folder(tmp / "src", tmp / "e.zip").ok);
    ASSERT_TRUE(zip_test::extract_into(tmp / "e.zip", tmp / "out").ok);
    EXPECT_TRUE(stdfs::is_directory(tmp / "out"));
    EXPECT_TRUE(read_tree(tmp / "out").empty());
}

TEST(ZipRoundTrip, MoreThan65535EntriesUseZip64Count) {
    fs::MemoryFileSystem mem;
    mem.add_dir("src");
    for (int d = 0; d < 66; ++d) {
        mem.add_dir("src/d" + std::to_string(d));
        for (int f = 0; f < 1000; ++f) mem.add_file("src/d" + std::to_string(d) + "/" + std::to_string(f), std::to_string(f));
    }
    zip::Options options;
    options.fs = &mem;
    ASSERT_TRUE(zip::compress_folder("src", "many.zip", {}, options).ok);
    auto in = mem.open_read("many.zip");
    zip::Directory dir = zip::read_directory(*in, [](const std::string& s) { return s; });
    ASSERT_EQ(dir.error, zip::DirectoryError::none);
    EXPECT_EQ(dir.entries.size(), 66066u);
    zip::Result r = zip_test::extract_into("many.zip", "out", {}, options);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_TRUE(mem.nodes().count("out/d65/999"));
    EXPECT_EQ(*mem.nodes().at("out/d65/999").data, "999");
}

TEST(ZipRoundTrip, ProgressRunsOnCallerThreadAndEndsAtHundred) {
    TempDir tmp;
    write_file(tmp / "src/big.dat", text_like(2 << 20, 11));
    write_file(tmp / u8"src/存档.sav", text_like(1 << 20, 12));
    for (int i = 0; i < 50; ++i) write_file(tmp / "src/f" + std::to_string(i), text_like(10000, i));
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<zip::Progress> events;
        bool other_thread = false;
        auto caller = std::this_thread::get_id();
        auto record = [&](const zip::Progress& p) {
            other_thread |= std::this_thread::get_id() != caller;
            events.push_back(p);
        };
        zip::Result r = pass == 0 ? zip::compress_folder(tmp / "src", tmp / "p.zip", record, small_chunks())
                                  : zip_test::extract_into(tmp / "p.zip", tmp / "out", record, small_chunks());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_FALSE(other_thread);
        ASSERT_GE(events.size(), 3u);
        EXPECT_EQ(events.back().percent, 100);
        for (std::size_t i = 1; i < events.size(); ++i) EXPECT_GE(events[i].percent, events[i - 1].percent);
        for (std::size_t i = 0; i + 1 < events.size(); ++i) EXPECT_LT(events[i].percent, 100);
        // Names are shown in GBK, the code page of the program's own text.
        bool gbk_name_shown = false;
        for (const zip::Progress& p : events) gbk_name_shown |= p.current_entry == "存档.sav";
        EXPECT_TRUE(gbk_name_shown);
    }
}

TEST(ZipRoundTrip, ExtractReplacesSameNamesAndKeepsOtherFiles) {
    TempDir tmp;
    write_file(tmp / "src/slot1.sav", "new slot 1");
    write_file(tmp / "src/sub/slot2.sav", "new slot 2");
    write_file(tmp / "target/slot1.sav", "old slot 1, longer than the new one");
    write_file(tmp / "target/other.sav", "untouched");
    ASSERT_TRUE(zip::compress_folder(tmp / "src", tmp / "b.zip").ok);
    ASSERT_TRUE(zip_test::extract_into(tmp / "b.zip", tmp / "target").ok);
    Tree expected{{"slot1.sav", "new slot 1"}, {"sub/", ""}, {"sub/slot2.sav", "new slot 2"}, {"other.sav", "untouched"}};
    EXPECT_EQ(read_tree(tmp / "target"), expected);
}

TEST(ZipRoundTrip, CompressReplacesOldArchiveAndSkipsItself) {
    TempDir tmp;
    write_file(tmp / "src/a.txt", "first");
    ASSERT_TRUE(zip::compress_folder(tmp / "src", tmp / "src/backup.zip").ok);
    write_file(tmp / "src/a.txt", "second");
    ASSERT_TRUE(zip::compress_folder(tmp / "src", tmp / "src/backup.zip").ok);
    ASSERT_TRUE(zip_test::extract_into(tmp / "src/backup.zip", tmp / "out").ok);
    EXPECT_EQ(read_tree(tmp / "out"), (Tree{{"a.txt", "second"}}));
    EXPECT_EQ(read_tree(tmp / "src").size(), 2u) << "a temporary file was left behind";
}

TEST(ZipRoundTrip, MissingSourceIsAnError) {
    TempDir tmp;
    zip::Result r = zip::compress_folder(tmp / "nope", tmp / "x.zip");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("nope"), std::string::npos);
    EXPECT_FALSE(stdfs::exists(tmp / "x.zip"));
}

}  // namespace
}  // namespace zip_test
