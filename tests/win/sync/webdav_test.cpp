// The WinHTTP client against a real WebDAV server (lighttpd on loopback) behind the fault proxy,
// both started by the test fixture: what the fake server of the native tests cannot show.
#include <gtest/gtest.h>

#include <fstream>

#include "sync/password.h"
#include "sync/sync_core.h"
#include "sync/webdav_remote.h"
#include "sync/winhttp_transport.h"
#include "win/support/win_test.h"

using namespace syncing;

namespace {

// The proxy's address under a plan "<id>,<fault>,<k>" (see scripts/fault_proxy.py).
std::string plan(const std::string& p, bool https = false) {
    int server = 0, proxy = 0, tls = 0;
    const char* ports = getenv("VARNOKE_WEBDAV_PORTS");
    std::ifstream(std::string("Z:") + (ports ? ports : "")) >> server >> proxy >> tls;
    const std::string port = std::to_string(https ? tls : proxy);
    return (https ? "https://127.0.0.1:" : "http://127.0.0.1:") + port + "/f/" + p + "/";
}

// A WinHTTP client that counts its requests.
struct Client : HttpTransport {
    std::unique_ptr<HttpTransport> winhttp;
    std::unique_ptr<WebDavRemote> remote;
    int requests = 0;
    explicit Client(const std::string& address_text, const std::string& password = "geheim") {
        std::string reason;
        ServerAddress address = *parse_address(address_text, &reason);
        winhttp = make_winhttp_transport(address, Timeouts{2000, 2000, 5000, 5000}, &reason);
        const PacingRules quick{540, 1800000, 3, 5, 1000};
        remote = std::make_unique<WebDavRemote>(*this, address, "tester", password, quick);
    }
    HttpResponse send(const HttpRequest& r, uint64_t limit, fs::OutputFile* download) override {
        return ++requests, winhttp->send(r, limit, download);
    }
};

struct RealServer : ::testing::Test {
    wintest::TempDir dir{"sync"};
    std::string root = fs::path_of(dir.path());
    PendingUploads pending{fs::platform_file_system(), root + "/待上传.ini"};
    const std::string stem = "2026年12月10日12时3分4秒", there = remote_stem(stem, machine_tag("machine-a"));
    std::string big = "small";
    int looks = 0;

    SyncResult sync(Client& client, const std::string& project) {
        wintest::write_bytes(dir / "a.zip", big);
        wintest::write_bytes(dir / "a.zip2", "small");
        SyncCore core(*client.remote, fs::platform_file_system(), pending, {"machine-a", "书房"});
        pending.add(project, stem);
        const LocalArchive first{1, root + "/a.zip", big.size()}, second{2, root + "/a.zip2", 5};
        return core.upload_pending(project, {{stem, {first, second}, "手动", ""}});
    }
    // Whether the set is whole on the server, seen by a client without faults.
    bool whole(const std::string& project) {
        Client clean(plan("look" + std::to_string(++looks) + ",none,0"));
        SyncCore core(*clean.remote, fs::platform_file_system(), pending, {"machine-b", "宿舍"});
        Outcome o;
        bool partial = false;
        auto shown = core.sets_beside(project, {}, &o, &partial);
        return shown.size() == 1 && shown[0].remote->archives.size() == 2 &&
               shown[0].remote->archives[0].size == big.size();
    }
};

TEST_F(RealServer, UploadsListsAndDownloadsABigSet) {
    for (std::size_t i = 0; big.size() < (3u << 20) + 7; ++i) big += static_cast<char>(i * 7919 >> 3);
    Client client(plan("big,none,0"));
    const std::string project = fs::path_of("存档 游戏");
    ASSERT_EQ(sync(client, "存档 游戏").uploaded.size(), 1u);
    EXPECT_TRUE(whole("存档 游戏"));
    Listing listing;
    ASSERT_TRUE(client.remote->list(project, &listing));
    EXPECT_EQ(listing.files.size(), 3u);  // two archives and the metadata, no temporary
    auto sink = fs::platform_file_system().create_new(root + "/back.zip");
    ASSERT_TRUE(client.remote->download(project, archive_name(there, 1), big.size(), *sink));
    ASSERT_TRUE(sink->close(fs::kKeepTime, false));
    EXPECT_TRUE(wintest::read_file(dir / "back.zip") == big);
    auto small = fs::platform_file_system().create_new(root + "/small.zip");
    EXPECT_EQ(client.remote->download(project, archive_name(there, 1), 4, *small).failure, Failure::garbled);
}

TEST_F(RealServer, EveryRequestOfAnUploadCutOrThrottled) {
    Client clean(plan("count,none,0"));
    ASSERT_EQ(sync(clean, "计数").uploaded.size(), 1u);
    for (const char* fault : {"cutreq", "cutresp", "s503", "blocked"})
        for (int k = 1; k <= clean.requests; ++k) {
            const std::string id = fault + std::to_string(k), project = "项目" + id;
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
                          Case{plan("file,none,0") + "Varnoke/P/" + encode_segment(metadata_name(there)), "geheim",
                               Failure::folder}}) {
        Outcome o = Client(c.address, c.password).remote->check();
        EXPECT_EQ(o.failure, c.failure) << c.address << ": " << o.reason;
    }
}

// The password sealed with this Windows user's key: never in the file as it was typed.
TEST(Password, SealedForThisUser) {
    wintest::TempDir dir{"password"};
    const PasswordPlace place{fs::path_of(dir / "系统配置文件.ini")};
    ASSERT_TRUE(save_password(fs::platform_file_system(), user_secret_protector(), place, "s3cret密码"));
    EXPECT_EQ(wintest::read_file(dir / "系统配置文件.ini").find("s3cret"), std::string::npos);
    EXPECT_EQ(load_password(fs::platform_file_system(), user_secret_protector(), place), "s3cret密码");
    wintest::write_bytes(dir / "系统配置文件.ini", "[同步]\r\n密码=c2VhbGVk\r\n");  // not a sealed blob
    EXPECT_FALSE(load_password(fs::platform_file_system(), user_secret_protector(), place));
}

}  // namespace
