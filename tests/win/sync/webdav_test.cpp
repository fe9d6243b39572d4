// The WinHTTP client against a real WebDAV server (lighttpd on loopback) and the fault proxy in
// front of it, started by the test fixture: what the fake server of the native tests cannot show.
#include <gtest/gtest.h>

#include <fstream>

#include "sync/sync_core.h"
#include "sync/webdav_remote.h"
#include "sync/winhttp_transport.h"
#include "win/support/win_test.h"

using namespace syncing;

namespace {

struct Ports { int server = 0, proxy = 0, tls = 0; };

Ports ports() {
    std::string file = std::string("Z:") + (getenv("VARNOKE_WEBDAV_PORTS") ? getenv("VARNOKE_WEBDAV_PORTS") : "");
    Ports p;
    std::ifstream(file) >> p.server >> p.proxy >> p.tls;
    return p;
}

struct Counting : HttpTransport {
    std::unique_ptr<HttpTransport> inner;
    int requests = 0;
    HttpResponse send(const HttpRequest& r, uint64_t limit, fs::OutputFile* download) override {
        return ++requests, inner->send(r, limit, download);
    }
};

// A client of the proxy under one plan ("<id>,<fault>,<k>").
struct Client {
    Counting transport;
    std::unique_ptr<WebDavRemote> remote;
    Client(const std::string& address_text, const std::string& password = "geheim") {
        std::string reason;
        ServerAddress address = *parse_address(address_text, &reason);
        transport.inner = make_winhttp_transport(address, Timeouts{2000, 2000, 5000, 5000}, &reason);
        remote = std::make_unique<WebDavRemote>(transport, address, "tester", password, PacingRules{540, 1800000, 3, 5, 1000});
    }
};
std::string plan(const std::string& p, bool https = false) {
    return (https ? "https://127.0.0.1:" + std::to_string(ports().tls) : "http://127.0.0.1:" + std::to_string(ports().proxy)) + "/f/" + p + "/";
}

struct RealServer : ::testing::Test {
    wintest::TempDir dir{"sync"};
    fs::FileSystem& disk = fs::platform_file_system();
    std::string root = fs::path_of(dir.path());
    PendingUploads pending{disk, root + "/待上传.ini"};
    const std::string stem = "2026年12月10日12时3分4秒";
    std::vector<LocalSet> sets;
    std::string big = "small";
    std::string remote_name(int archive) {  // of the set's files on the server, "" for its metadata
        const std::string stem_there = remote_stem(stem, machine_tag("machine-a"));
        return archive ? archive_name(stem_there, archive) : metadata_name(stem_there);
    }
    void SetUp() override { ASSERT_NE(ports().proxy, 0) << "no server: VARNOKE_WEBDAV_PORTS"; }
    void make_set() {
        sets = {LocalSet{stem, {{1, root + "/a.zip", big.size()}, {2, root + "/a.zip2", 5}}, "手动", ""}};
        wintest::write_bytes(dir / "a.zip", big);
        wintest::write_bytes(dir / "a.zip2", "small");
    }
    // Uploads the project's set through `client`.
    SyncResult sync(Client& client, const std::string& project) {
        if (sets.empty()) make_set();
        SyncCore core(*client.remote, disk, pending, {"machine-a", "书房"});
        pending.add(project, stem);
        return core.upload_pending(project, sets);
    }
    // Whether the set is whole on the server, seen by a client without faults.
    bool whole(const std::string& project) {
        Client clean(plan("look" + std::to_string(++looks) + ",none,0"));
        SyncCore core(*clean.remote, disk, pending, {"machine-b", "宿舍"});
        Outcome o;
        bool partial = false;
        auto shown = core.sets_beside(project, {}, &o, &partial);
        return shown.size() == 1 && shown[0].remote->archives.size() == 2 && shown[0].remote->archives[0].size == big.size();
    }
    int looks = 0;
};

TEST_F(RealServer, UploadsListsAndDownloadsABigSet) {
    for (std::size_t i = 0; big.size() < (3u << 20) + 7; ++i) big += static_cast<char>(i * 7919 >> 3);
    Client client(plan("big,none,0"));
    SyncResult result = sync(client, "存档 游戏");
    ASSERT_EQ(result.uploaded.size(), 1u) << result.listing.reason;
    EXPECT_TRUE(whole("存档 游戏"));
    Listing listing;
    ASSERT_TRUE(client.remote->list(fs::path_of("存档 游戏"), &listing));
    EXPECT_EQ(listing.files.size(), 3u);  // two archives and the metadata, no temporary
    auto sink = disk.create_new(root + "/back.zip");
    ASSERT_TRUE(client.remote->download(fs::path_of("存档 游戏"), remote_name(1), big.size(), *sink));
    ASSERT_TRUE(sink->close(fs::kKeepTime, false));
    sink.reset();
    EXPECT_TRUE(wintest::read_file(dir / "back.zip") == big);
    auto small = disk.create_new(root + "/small.zip");
    EXPECT_EQ(client.remote->download(fs::path_of("存档 游戏"), remote_name(1), 4, *small).failure, Failure::garbled);
}

TEST_F(RealServer, EveryRequestOfAnUploadCutOrThrottled) {
    Client clean(plan("count,none,0"));
    ASSERT_EQ(sync(clean, "计数").uploaded.size(), 1u);
    const int requests = clean.transport.requests;
    for (const char* fault : {"cutreq", "cutresp", "s503", "blocked"})
        for (int k = 1; k <= requests; ++k) {
            const std::string id = std::string(fault) + std::to_string(k), project = "项目" + id;
            Client faulty(plan(id + "," + fault + "," + std::to_string(k)));
            const bool uploaded = !sync(faulty, project).uploaded.empty();
            EXPECT_TRUE(whole(project) || !uploaded) << id;
            EXPECT_EQ(pending.of(project).empty(), uploaded) << id;
            Client again(plan(id + "again,none,0"));
            EXPECT_EQ(sync(again, project).uploaded.size(), 1u) << id;
            EXPECT_TRUE(whole(project) && pending.of(project).empty()) << id;
        }
}

TEST_F(RealServer, ConnectionTestTellsWhatIsWrong) {
    Client holder(plan("holder,none,0"));
    ASSERT_EQ(sync(holder, "P").uploaded.size(), 1u);
    struct Case { std::string address, password; Failure failure; };
    for (const Case& c : {Case{plan("ok,none,0"), "geheim", Failure::none},
                          Case{"http://127.0.0.1:1/dav/", "geheim", Failure::unreachable},
                          Case{plan("tls,none,0", true), "geheim", Failure::certificate},
                          Case{plan("pw,none,0"), "wrong", Failure::credentials},
                          Case{plan("busy,s503,1"), "geheim", Failure::throttled},
                          Case{plan("blocked,blocked,1"), "geheim", Failure::throttled},
                          Case{plan("file,none,0") + "Varnoke/P/" + encode_segment(remote_name(0)), "geheim",
                               Failure::folder}}) {
        Client client(c.address, c.password);
        Outcome o = client.remote->check();
        EXPECT_EQ(o.failure, c.failure) << c.address << ": " << o.reason;
    }
}

}  // namespace
