#include <gtest/gtest.h>

#include "fake_dav.h"
#include "sync/remote_access.h"
#include "sync/sync_core.h"
#include "sync/webdav_remote.h"

using namespace syncing;

namespace {

const std::string kStem = "2026年12月10日12时3分4秒";

TEST(SetMetadata, RoundTripAndHostileFiles) {
    const SetMetadata m{"00-1A-2B-3C-4D-5E-7601", "客厅电脑", "手动", "打完\r\n第三章", kStem,
                        {{1, 1048576, 0x1A2B3C4D}, {3, 0, 7}}};
    std::string reason;
    auto back = parse_metadata(format_metadata(m), &reason);
    ASSERT_TRUE(back) << reason;
    EXPECT_EQ(back->note, "打完  第三章");
    EXPECT_EQ(back->archives.size(), 2u);
    EXPECT_EQ(back->archives[1].number, 3);
    EXPECT_EQ(back->archives[0].crc32, 0x1A2B3C4Du);
    const std::string good = format_metadata(m);
    auto changed = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        return text.replace(text.find(from), from.size(), to);
    };
    for (const std::string& bad : {changed("大小=1048576", "大小=-5"), changed("CRC32=1A2B3C4D", "CRC32=xyz"),
                                   changed("[存档1]", "[存档2]"), changed(kStem, "昨天"), changed("机器码=", "机器="),
                                   good + std::string(kMaxMetadataBytes, ' '), std::string("\0\xff", 2)})
        EXPECT_FALSE(parse_metadata(bad, &reason)) << bad;
}

TEST(RemoteSets, NamesOfASetAndNothingElse) {
    const std::string tag = machine_tag("00-1A-2B-3C-4D-5E-7601");
    const std::string stem = remote_stem(kStem, tag);
    EXPECT_EQ(archive_name(stem, 2), stem + ".zip2");
    for (const auto& [name, archive] : std::vector<std::pair<std::string, int>>{
             {archive_name(stem, 1), 1}, {archive_name(stem, 12), 12}, {metadata_name(stem), 0}, {stem + ".zip1", -1},
             {stem + ".zip0", -1}, {stem + ".zip100", -1}, {stem + ".zip.bak", -1}, {stem + ".txt.tmp", -1},
             {fs::path_of(kStem) + "~ABCDEF12.zip", -1}, {fs::path_of(kStem) + "~1234.zip", -1},
             {u8"昨天~" + tag + ".zip", -1}, {"../" + stem + ".zip", -1}, {".vnk0123456789ab.tmp", -1}}) {
        auto parsed = parse_remote_name(name);
        EXPECT_EQ(parsed ? parsed->archive : -1, archive) << name;
        EXPECT_TRUE(!parsed || parsed->time_text == kStem) << name;
    }
}

TEST(PendingUploads, SurvivesRestartsAndDamage) {
    fs::MemoryFileSystem disk;
    disk.add_dir("/cfg");
    const std::string later = "2026年12月11日", earlier = "2025年1月1日3时";
    PendingUploads before_restart(disk, "/cfg/待上传.ini"), record(disk, "/cfg/待上传.ini");
    EXPECT_TRUE(before_restart.add("游戏甲", later) && before_restart.add("游戏甲", earlier));
    EXPECT_TRUE(before_restart.add("游戏乙", later) && !before_restart.add("游戏甲", "不是时间"));
    EXPECT_EQ(record.of("游戏甲"), (std::vector<std::string>{earlier, later}));
    EXPECT_TRUE(!record.any_begun("游戏甲") && record.mark_begun("游戏甲", later) && record.add("游戏甲", later));
    EXPECT_TRUE(record.any_begun("游戏甲") && record.of("游戏甲").size() == 2 && !record.any_begun("游戏乙"));
    EXPECT_TRUE(record.remove("游戏乙", later));
    EXPECT_EQ(record.projects(), std::vector<std::string>{"游戏甲"});
    disk.add_file("/cfg/待上传.ini", "[游戏甲]\r\n" + later + "=待上传\r\n垃圾\x01=待上传\r\n" + earlier + "\r\n[游");
    EXPECT_EQ(record.of("游戏甲"), std::vector<std::string>{later});
    disk.add_file("/cfg/待上传.ini", std::string(2 << 20, 'x'));
    EXPECT_TRUE(record.of("游戏甲").empty());
    EXPECT_TRUE(disk.exists("/cfg/待上传.ini.已损坏"));
    EXPECT_TRUE(record.add("游戏甲", later));
}

// Two machines share one remote: a WebDAV server or a folder.
struct World {
    fs::MemoryFileSystem disk;
    FakeDav* dav = nullptr;  // owned by the remote
    fs::MemoryFileSystem share;
    std::unique_ptr<Remote> remote;
    PendingUploads pending_a{disk, "/a.ini"}, pending_b{disk, "/b.ini"};
    std::vector<LocalSet> sets_a, sets_b;
    // Opened as the settings name them; the server's transport is the fake.
    explicit World(bool webdav) {
        share.add_dir("//nas");
        const TransportMaker fake = [&](const ServerAddress&, std::string*) -> std::unique_ptr<HttpTransport> {
            return std::unique_ptr<FakeDav>(dav = new FakeDav);
        };
        std::string reason;
        remote = open_remote(share, {webdav ? "http://h/dav/" : "\\\\nas", "user", "pass"}, fake, &reason);
        for (const char* bad : {" ", "nas\\存档", "ftp://h/", "http://h:0/"})
            EXPECT_FALSE(open_remote(share, {bad, "user", "pass"}, fake, &reason)) << bad;
        sets_a = {made(kStem, {"save one", "", "third"}), made("2026年12月8日", {"", "no first"}),
                  made("2026年12月9日", {"older"})};
        sets_b = {made("2026年12月11日8时", {"from b"})};
    }
    LocalSet made(const std::string& stem, const std::vector<std::string>& contents) {
        LocalSet set{stem, {}, "手动", "备注"};
        for (std::size_t k = 0; k < contents.size(); ++k) {
            if (contents[k].empty()) continue;  // that save folder was missing
            const std::string path = "/存档目录/" + stem + ".zip" + (k ? std::to_string(k + 1) : "");
            disk.add_file(path, contents[k]);
            set.archives.push_back({int(k + 1), path, contents[k].size()});
        }
        return set;
    }
};

struct TwoMachines : ::testing::TestWithParam<bool>, World {
    TwoMachines() : World(GetParam()) {}
};

TEST_P(TwoMachines, UploadsAppendOnlyAndListsBeside) {
    SyncCore a(*remote, disk, pending_a, {"machine-a", "书房"});
    SyncCore b(*remote, disk, pending_b, {"machine-b", "宿舍"});
    pending_a.add("游戏", kStem), pending_a.add("游戏", "2026年12月9日"), pending_a.add("游戏", "2026年1月1日");
    const std::string old_try = "//nas/Varnoke/游戏/.vnk00000000000a.tmp";  // on the share, cut a day ago
    share.add_dir("//nas/Varnoke"), share.add_dir("//nas/Varnoke/游戏"), share.add_file(old_try, "x", time(nullptr) - 90000);
    pending_a.add("游戏", "2026年12月8日");  // a set without its first archive is never sent
    pending_a.mark_begun("游戏", kStem);     // a try began before: the folder is listed and tidied first
    SyncResult ra = a.upload_pending("游戏", sets_a);
    EXPECT_NE(share.exists(old_try), !GetParam());
    ASSERT_TRUE(ra.listing) << ra.listing.reason;
    EXPECT_EQ(ra.uploaded.size(), 2u);
    EXPECT_EQ(ra.dropped, (std::vector<std::string>{"2026年1月1日", "2026年12月8日"}));  // gone here, or headless
    EXPECT_TRUE(pending_a.of("游戏").empty());
    pending_b.add("游戏", "2026年12月11日8时");
    ASSERT_EQ(b.upload_pending("游戏", sets_b).uploaded.size(), 1u);
    Outcome o;
    bool partial = true;
    sets_a.pop_back();  // pruned here: still there
    auto places = a.sets_beside("游戏", sets_a, &o, &partial);
    ASSERT_TRUE(o) << o.reason;
    ASSERT_EQ(places.size(), 4u);
    EXPECT_EQ(places[0].stem, "2026年12月11日8时");
    EXPECT_TRUE(!places[0].local && places[0].remote && places[0].remote->metadata.computer_name == "宿舍");
    EXPECT_TRUE(places[1].local && places[1].remote && places[1].remote->archives.size() == 2);
    EXPECT_EQ(places[1].remote->metadata.archives[1].number, 3);
    EXPECT_TRUE(!places[2].local && places[2].remote);
    EXPECT_TRUE(places[3].local && !places[3].remote);
}

INSTANTIATE_TEST_SUITE_P(Remotes, TwoMachines, ::testing::Values(true, false));

// A server that lists 750 entries at most: a set it leaves out is found when published, and kept.
TEST(ListingCap, WhatIsNotListedIsNeverOverwritten) {
    World world(true);
    SyncCore a(*world.remote, world.disk, world.pending_a, {"machine-a", "书房"});
    world.pending_a.add("游戏", kStem);
    ASSERT_EQ(a.upload_pending("游戏", world.sets_a).uploaded.size(), 1u);
    const std::string folder = "/dav/Varnoke/" + fs::path_of("游戏") + "/0";
    for (int i = 0; i < 800; ++i) world.dav->files[folder + std::to_string(i)] = "x";
    world.dav->cap = kListingCap;  // the set's names sort after these
    const auto before = world.dav->files;
    world.pending_a.add("游戏", kStem);
    EXPECT_EQ(a.upload_pending("游戏", world.sets_a).uploaded.size(), 1u);
    EXPECT_EQ(world.dav->files, before);
    Outcome o;
    bool partial = false;
    EXPECT_TRUE(a.sets_beside("游戏", {}, &o, &partial).empty() && partial);
}

}  // namespace
